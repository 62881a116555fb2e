#include "ui/station_page.h"

#include "i18n/dictionary.h"
#include "jobs/station.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr const char* kColumnKeys[] = {"station_colport",  "station_colgeneration", "station_coltype",
                                       "station_colid",    "station_colimei",       "station_colsoftware",
                                       "station_colstate", "station_colprogress",   "station_colresult"};
static_assert(std::size(kColumnKeys) == TStationModel::scCount);

constexpr TStepKind kKinds[] = {skReadSettings, skWriteSettings, skFirmware,    skCommand,
                                skDumpMemory,   skReadFiles,     skPrintSticker};

class TStationDialogs : public IStationDialogs {
public:
  QString OpenFile(QWidget* aParent, const QString& aTitle, const QString& aFilter) override {
    return QFileDialog::getOpenFileName(aParent, aTitle, QString(), aFilter);
  }
  QString Folder(QWidget* aParent, const QString& aTitle) override {
    return QFileDialog::getExistingDirectory(aParent, aTitle);
  }
  QString SaveFile(QWidget* aParent, const QString& aTitle, const QString& aProposed,
                   const QString& aFilter) override {
    return QFileDialog::getSaveFileName(aParent, aTitle, aProposed, aFilter);
  }
  QString Command(QWidget* aParent, const QString& aTitle, const QStringList& aCaptions,
                  const QStringList& aIdents) override {
    bool ok = false;
    const QString chosen = QInputDialog::getItem(aParent, aTitle, aTitle, aCaptions, 0, false, &ok);
    const qsizetype index = aCaptions.indexOf(chosen);
    return ok && index >= 0 ? aIdents.at(index) : QString();
  }
};

} // namespace

std::unique_ptr<IStationDialogs> NewStationDialogs() {
  return std::make_unique<TStationDialogs>();
}

// ---- model ----

TStationModel::TStationModel(const TStation& aStation, const TDictionary& aDictionary, QObject* aParent)
    : QAbstractTableModel(aParent), FStation(aStation), FDictionary(aDictionary), FTheme(DarkTheme()) {
  connect(&aStation, &TStation::RowsChanged, this, [this] {
    beginResetModel();
    endResetModel();
  });
  connect(&aStation, &TStation::RowChanged, this, [this](int aRow) {
    if (aRow < rowCount())
      Q_EMIT dataChanged(index(aRow, 0), index(aRow, scCount - 1));
  });
}

int TStationModel::rowCount(const QModelIndex& aParent) const {
  return aParent.isValid() ? 0 : FStation.RowCount();
}

int TStationModel::columnCount(const QModelIndex& aParent) const {
  return aParent.isValid() ? 0 : scCount;
}

QString TStationModel::ProgressText(int aRow) const {
  const TStation::TRow& row = FStation.Row(aRow);
  if (row.State != TStation::ssRunning)
    return QString();
  const TJobPlan& plan = FStation.Plan();
  QString text = row.Step < 0 || row.Step >= plan.Steps.size()
                     ? FDictionary.Translate(QStringLiteral("station_identifying"))
                     : FDictionary.Translate(QString::fromLatin1(StepKindKey(plan.Steps.at(row.Step).Kind)));
  if (row.Step >= 0 && row.Step < plan.Steps.size())
    text += QStringLiteral(" (%1/%2)").arg(row.Step + 1).arg(plan.Steps.size());
  if (row.Percent >= 0)
    text += QStringLiteral(" %1%").arg(row.Percent);
  return text;
}

QVariant TStationModel::data(const QModelIndex& aIndex, int aRole) const {
  if (!aIndex.isValid() || aIndex.row() >= rowCount())
    return {};
  const TStation::TRow& row = FStation.Row(aIndex.row());
  if (aRole == Qt::ForegroundRole) {
    if (aIndex.column() != scState && aIndex.column() != scResult)
      return row.Present ? QVariant() : QVariant(FTheme.Muted);
    switch (row.State) {
    case TStation::ssDone:
      return FTheme.Accent;
    case TStation::ssFailed:
    case TStation::ssUnplugged:
      return FTheme.Alarm;
    case TStation::ssRunning:
      return FTheme.Accent2;
    default:
      return FTheme.Muted;
    }
  }
  if (aRole != Qt::DisplayRole && aRole != Qt::ToolTipRole)
    return {};
  auto identity = [&row](const char* aKey) { return row.Identity.value(QLatin1String(aKey)).toString(); };
  switch (aIndex.column()) {
  case scPort:
    return row.Port;
  case scGeneration:
    return identity("generation");
  case scType:
    return identity("type");
  case scId:
    return identity("id");
  case scImei:
    return identity("imei");
  case scSoftware:
    return identity("software");
  case scState:
    return FDictionary.Translate(QString::fromLatin1(TStation::StateKey(row.State)));
  case scProgress:
    return ProgressText(aIndex.row());
  case scResult:
    return row.Result;
  default:
    return {};
  }
}

QVariant TStationModel::headerData(int aSection, Qt::Orientation aOrientation, int aRole) const {
  if (aOrientation != Qt::Horizontal || aRole != Qt::DisplayRole || aSection < 0 || aSection >= scCount)
    return QAbstractTableModel::headerData(aSection, aOrientation, aRole);
  return FDictionary.Translate(QString::fromLatin1(kColumnKeys[aSection]));
}

void TStationModel::SetTheme(const TThemeColors& aTheme) {
  FTheme = aTheme;
  if (rowCount() > 0)
    Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, scCount - 1));
}

void TStationModel::Retranslate() {
  Q_EMIT headerDataChanged(Qt::Horizontal, 0, scCount - 1);
  if (rowCount() > 0)
    Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, scCount - 1));
}

// ---- page ----

TStationPage::TStationPage(TStation& aStation, const TDictionary& aDictionary, THint aHint,
                           TCommandRows aCommands, QWidget* aParent)
    : QWidget(aParent), FStation(aStation), FDictionary(aDictionary), FHint(std::move(aHint)),
      FCommands(std::move(aCommands)), FDialogs(NewStationDialogs()) {
  setObjectName(QStringLiteral("StationPage"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(12, 12, 12, 12);
  layout->setSpacing(8);

  // The job: its steps on the left, what goes with them on the right.
  FPlanLabel = new QLabel(this);
  FPlanLabel->setObjectName(QStringLiteral("StationPlanLabel"));
  layout->addWidget(FPlanLabel);
  auto* planRow = new QHBoxLayout;
  FStepList = new QListWidget(this);
  FStepList->setObjectName(QStringLiteral("StationSteps"));
  FStepList->setMaximumHeight(130);
  planRow->addWidget(FStepList, 2);
  auto* stepButtons = new QVBoxLayout;
  FAddButton = new QToolButton(this);
  FAddButton->setObjectName(QStringLiteral("StationAddStep"));
  FAddButton->setPopupMode(QToolButton::InstantPopup);
  FAddButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
  FAddButton->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  auto* menu = new QMenu(FAddButton);
  for (TStepKind kind : kKinds) {
    QAction* action = menu->addAction(QString());
    action->setData(int(kind));
    connect(action, &QAction::triggered, this, [this, kind] { AddStepClicked(kind); });
  }
  FAddButton->setMenu(menu);
  FRemoveButton = new QPushButton(this);
  FUpButton = new QPushButton(this);
  FDownButton = new QPushButton(this);
  for (QWidget* w : {static_cast<QWidget*>(FAddButton), static_cast<QWidget*>(FRemoveButton),
                     static_cast<QWidget*>(FUpButton), static_cast<QWidget*>(FDownButton)})
    stepButtons->addWidget(w);
  stepButtons->addStretch(1);
  planRow->addLayout(stepButtons);
  auto* options = new QVBoxLayout;
  FPasswordLabel = new QLabel(this);
  FPassword = new QLineEdit(QStringLiteral("111111"), this);
  FPassword->setObjectName(QStringLiteral("StationPassword"));
  FPassword->setEchoMode(QLineEdit::Password);
  FLogs = new QCheckBox(this);
  FLogs->setObjectName(QStringLiteral("StationLogs"));
  options->addWidget(FPasswordLabel);
  options->addWidget(FPassword);
  options->addWidget(FLogs);
  options->addStretch(1);
  planRow->addLayout(options, 1);
  layout->addLayout(planRow);

  auto* actions = new QHBoxLayout;
  FStartButton = new QPushButton(this);
  FStartButton->setObjectName(QStringLiteral("StationStart"));
  FAgainButton = new QPushButton(this);
  FAgainButton->setObjectName(QStringLiteral("StationRunAgain"));
  FReportButton = new QPushButton(this);
  FReportButton->setObjectName(QStringLiteral("StationReport"));
  FSummary = new QLabel(this);
  FSummary->setObjectName(QStringLiteral("StationSummary"));
  actions->addWidget(FStartButton);
  actions->addWidget(FAgainButton);
  actions->addWidget(FReportButton);
  actions->addSpacing(16);
  actions->addWidget(FSummary, 1);
  layout->addLayout(actions);

  FModel = new TStationModel(FStation, FDictionary, this);
  FTable = new QTableView(this);
  FTable->setObjectName(QStringLiteral("StationTable"));
  FTable->setModel(FModel);
  FTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  FTable->setSelectionMode(QAbstractItemView::SingleSelection);
  FTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  FTable->verticalHeader()->hide();
  FTable->setWordWrap(false);
  FTable->setTextElideMode(Qt::ElideRight);
  FTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  FTable->horizontalHeader()->setSectionResizeMode(TStationModel::scResult, QHeaderView::Stretch);
  layout->addWidget(FTable, 1);

  connect(FRemoveButton, &QPushButton::clicked, this, [this] {
    const int row = FStepList->currentRow();
    if (row < 0 || FStation.Running())
      return;
    FSteps.removeAt(row);
    delete FStepList->takeItem(row);
    UpdateButtons();
  });
  auto move = [this](int aBy) {
    const int row = FStepList->currentRow();
    const int to = row + aBy;
    if (row < 0 || to < 0 || to >= FSteps.size() || FStation.Running())
      return;
    FSteps.move(row, to);
    FStepList->insertItem(to, FStepList->takeItem(row));
    FStepList->setCurrentRow(to);
  };
  connect(FUpButton, &QPushButton::clicked, this, [move] { move(-1); });
  connect(FDownButton, &QPushButton::clicked, this, [move] { move(1); });
  connect(FLogs, &QCheckBox::toggled, this, [this](bool aOn) {
    if (!aOn) {
      FLogDir.clear();
    } else if (FLogDir.isEmpty()) {
      const QString folder = FDialogs->Folder(this, FLogs->text());
      if (folder.isEmpty()) {
        const QSignalBlocker block(FLogs);
        FLogs->setChecked(false);
      } else {
        FLogDir = folder;
      }
    }
    FLogs->setToolTip(FLogDir);
  });
  connect(FStartButton, &QPushButton::clicked, this, &TStationPage::StartStopClicked);
  connect(FAgainButton, &QPushButton::clicked, this, &TStationPage::RunAgainClicked);
  connect(FReportButton, &QPushButton::clicked, this, &TStationPage::SaveReportClicked);
  connect(&FStation, &TStation::RowChanged, this, [this] { UpdateSummary(); });
  connect(&FStation, &TStation::RowsChanged, this, [this] { UpdateSummary(); });
  connect(&FStation, &TStation::RunningChanged, this, [this] { UpdateButtons(); });
  connect(FTable->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this] { UpdateButtons(); });
  Retranslate();
}

TStationPage::~TStationPage() = default;

QString TStationPage::T(const char* aKey) const {
  return FDictionary.Translate(QString::fromLatin1(aKey));
}

void TStationPage::SetDialogs(std::unique_ptr<IStationDialogs> aDialogs) {
  FDialogs = std::move(aDialogs);
}

void TStationPage::SetTheme(const TThemeColors& aTheme) {
  FModel->SetTheme(aTheme);
}

void TStationPage::Retranslate() {
  FPlanLabel->setText(T("station_plan"));
  FAddButton->setText(T("station_addstep"));
  for (QAction* action : FAddButton->menu()->actions())
    action->setText(T(StepKindKey(TStepKind(action->data().toInt()))));
  FRemoveButton->setText(T("station_removestep"));
  FUpButton->setText(T("station_stepup"));
  FDownButton->setText(T("station_stepdown"));
  FPasswordLabel->setText(T("station_password"));
  FLogs->setText(T("station_logs"));
  FAgainButton->setText(T("station_restart"));
  FReportButton->setText(T("station_report"));
  for (int i = 0; i < FSteps.size(); ++i)
    FStepList->item(i)->setText(StepText(FSteps.at(i)));
  FModel->Retranslate();
  UpdateButtons();
  UpdateSummary();
}

QString TStationPage::StepText(const TPlanStep& aStep) const {
  const QString name = T(StepKindKey(aStep.Kind));
  return aStep.Argument.isEmpty() ? name : name + QStringLiteral(": ") + aStep.Argument;
}

TJobPlan TStationPage::Plan() const {
  TJobPlan plan;
  plan.Steps = FSteps;
  plan.Password = FPassword->text();
  plan.LogDir = FLogDir;
  plan.Language = FDictionary.Language();
  return plan;
}

void TStationPage::AddStep(const TPlanStep& aStep) {
  FSteps.append(aStep);
  FStepList->addItem(StepText(aStep));
  FStepList->setCurrentRow(FStepList->count() - 1);
  UpdateButtons();
}

void TStationPage::SetPassword(const QString& aPassword) {
  FPassword->setText(aPassword);
}

void TStationPage::SetLogDir(const QString& aFolder) {
  FLogDir = aFolder;
  const QSignalBlocker block(FLogs);
  FLogs->setChecked(!aFolder.isEmpty());
  FLogs->setToolTip(aFolder);
}

void TStationPage::AddStepClicked(TStepKind aKind) {
  const QString title = T(StepKindKey(aKind));
  QString argument;
  switch (aKind) {
  case skReadSettings:
  case skDumpMemory:
  case skReadFiles:
    argument = FDialogs->Folder(this, title);
    break;
  case skWriteSettings:
    argument = FDialogs->OpenFile(this, title, T("flt_cfg") + QStringLiteral(" (*.cfg)"));
    break;
  case skFirmware:
    argument = FDialogs->OpenFile(this, title, T("flt_firmware") + QStringLiteral(" (*.dfw)"));
    break;
  case skCommand: {
    QStringList captions;
    QStringList idents;
    if (FCommands)
      FCommands(captions, idents);
    argument = FDialogs->Command(this, T("station_commandident"), captions, idents);
    break;
  }
  case skPrintSticker:
    AddStep({aKind, QString()});
    return;
  }
  if (!argument.isEmpty())
    AddStep({aKind, argument});
}

void TStationPage::StartStopClicked() {
  if (FStation.Running()) {
    FStation.Stop();
    return;
  }
  if (FSteps.isEmpty()) {
    FHint(2, T("station_noplan"));
    return;
  }
  FStation.Start(Plan());
}

void TStationPage::RunAgainClicked() {
  const QModelIndex current = FTable->currentIndex();
  if (current.isValid())
    FStation.Restart(current.row());
}

void TStationPage::SaveReportClicked() {
  const QString file =
      FDialogs->SaveFile(this, T("station_report"), QStringLiteral("station.csv"), T("station_reportfilter"));
  if (file.isEmpty())
    return;
  QString error;
  if (FStation.SaveReport(file, FDictionary.Language(), &error))
    FHint(1, T("station_reportsaved") + QStringLiteral(": ") + file);
  else
    FHint(0, T("mes_filesaveerror") + QStringLiteral(": ") + error);
}

QString TStationPage::Summary() const {
  return T("station_summary")
      .arg(FStation.Count(TStation::ssDone))
      .arg(FStation.Count(TStation::ssFailed) + FStation.Count(TStation::ssUnplugged))
      .arg(FStation.Count(TStation::ssRunning));
}

void TStationPage::UpdateSummary() {
  FSummary->setText(Summary());
  UpdateButtons();
}

void TStationPage::UpdateButtons() {
  const bool running = FStation.Running();
  FStartButton->setText(running ? T("station_stop") : T("station_start"));
  for (QWidget* w : {static_cast<QWidget*>(FAddButton), static_cast<QWidget*>(FRemoveButton),
                     static_cast<QWidget*>(FUpButton), static_cast<QWidget*>(FDownButton),
                     static_cast<QWidget*>(FPassword), static_cast<QWidget*>(FLogs)})
    w->setEnabled(!running);
  const QModelIndex current = FTable->currentIndex();
  bool again = false;
  if (running && current.isValid() && current.row() < FStation.RowCount()) {
    const TStation::TRow& row = FStation.Row(current.row());
    again = row.Present && !row.Run && row.State != TStation::ssWindow;
  }
  FAgainButton->setEnabled(again);
  FReportButton->setEnabled(!FStation.Records().isEmpty());
}
