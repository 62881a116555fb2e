#pragma once

#include "jobs/job_sequence.h"
#include "style/theme.h"

#include <QAbstractTableModel>
#include <QWidget>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableView;
class QToolButton;
class TDictionary;
class TStation;

// The station's rows as a table: port, generation, type, ID, IMEI, software, state, progress,
// result.
class TStationModel : public QAbstractTableModel {
  Q_OBJECT
public:
  enum TColumn {
    scPort,
    scGeneration,
    scType,
    scId,
    scImei,
    scSoftware,
    scState,
    scProgress,
    scResult,
    scCount
  };

  TStationModel(const TStation& aStation, const TDictionary& aDictionary, QObject* aParent = nullptr);

  int rowCount(const QModelIndex& aParent = QModelIndex()) const override;
  int columnCount(const QModelIndex& aParent = QModelIndex()) const override;
  QVariant data(const QModelIndex& aIndex, int aRole) const override;
  QVariant headerData(int aSection, Qt::Orientation aOrientation, int aRole) const override;

  void SetTheme(const TThemeColors& aTheme);
  void Retranslate();

private:
  QString ProgressText(int aRow) const;

  const TStation& FStation;
  const TDictionary& FDictionary;
  TThemeColors FTheme;
};

// What the page asks the technician through dialogs: a seam, so tests answer instead.
class IStationDialogs {
public:
  virtual ~IStationDialogs() = default;
  // Empty answers mean cancelled.
  virtual QString OpenFile(QWidget* aParent, const QString& aTitle, const QString& aFilter) = 0;
  virtual QString Folder(QWidget* aParent, const QString& aTitle) = 0;
  virtual QString SaveFile(QWidget* aParent, const QString& aTitle, const QString& aProposed,
                           const QString& aFilter) = 0;
  // A row of the command table: its Ident, chosen among aItems (captions) or empty.
  virtual QString Command(QWidget* aParent, const QString& aTitle, const QStringList& aCaptions,
                          const QStringList& aIdents) = 0;
};
std::unique_ptr<IStationDialogs> NewStationDialogs();

// The station page: the job (steps, device password, logs), start and stop, the devices' table
// with a summary, a run again of one row and the CSV report.
class TStationPage : public QWidget {
  Q_OBJECT
public:
  using THint = std::function<void(int aKind, const QString& aText)>;
  // Command table rows a step may send: captions and Idents.
  using TCommandRows = std::function<void(QStringList& aCaptions, QStringList& aIdents)>;

  TStationPage(TStation& aStation, const TDictionary& aDictionary, THint aHint, TCommandRows aCommands,
               QWidget* aParent = nullptr);
  ~TStationPage() override;

  void SetDialogs(std::unique_ptr<IStationDialogs> aDialogs);
  void SetTheme(const TThemeColors& aTheme);
  void Retranslate();

  // The job as the page holds it.
  TJobPlan Plan() const;
  void AddStep(const TPlanStep& aStep);
  void SetPassword(const QString& aPassword);
  void SetLogDir(const QString& aFolder);

  // The buttons.
  void AddStepClicked(TStepKind aKind);
  void StartStopClicked();
  void RunAgainClicked();
  void SaveReportClicked();

  QTableView* Table() const { return FTable; }
  QString Summary() const;

private:
  void UpdateButtons();
  void UpdateSummary();
  QString StepText(const TPlanStep& aStep) const;
  QString T(const char* aKey) const;

  TStation& FStation;
  const TDictionary& FDictionary;
  THint FHint;
  TCommandRows FCommands;
  std::unique_ptr<IStationDialogs> FDialogs;
  QList<TPlanStep> FSteps;
  QString FLogDir;
  TStationModel* FModel = nullptr;
  QListWidget* FStepList = nullptr;
  QToolButton* FAddButton = nullptr;
  QPushButton* FRemoveButton = nullptr;
  QPushButton* FUpButton = nullptr;
  QPushButton* FDownButton = nullptr;
  QLabel* FPasswordLabel = nullptr;
  QLineEdit* FPassword = nullptr;
  QCheckBox* FLogs = nullptr;
  QPushButton* FStartButton = nullptr;
  QPushButton* FAgainButton = nullptr;
  QPushButton* FReportButton = nullptr;
  QLabel* FPlanLabel = nullptr;
  QLabel* FSummary = nullptr;
  QTableView* FTable = nullptr;
};
