#pragma once

#include "device/port_info.h"
#include "dialogs/sticker_print_run.h"
#include "dialogs/sticker_render.h"
#include "dialogs/sticker_settings.h"
#include "dialogs/sticker_templates.h"

#include <QDialog>
#include <QMessageBox>
#include <QTimer>
#include <array>
#include <functional>

class IStickerPrinter;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class TRegistry;

// Composes a device sticker (eight lines and a QR code), keeps layouts as named templates and
// prints one sticker or a whole list, one job at a time.
class TPrintStickerForm : public QDialog {
  Q_OBJECT
public:
  TPrintStickerForm(TRegistry& aRegistry, IStickerPrinter& aPrinter, bool aAutoPrint,
                    QWidget* aParent = nullptr);
  ~TPrintStickerForm() override;

  void SetDeviceData(const TDeviceData& aData);
  const TDeviceData& DeviceData() const { return FDeviceData; }
  bool AutoPrint() const { return FAutoPrint; }

  TStickerSettings Settings() const;
  void SetSettings(const TStickerSettings& aSettings);

  // Draws the sticker from the controls; runs on every change once the dialog is ready.
  void Generate();
  const TStickerImage& Sticker() const { return FSticker; }
  QString QRText() const;

  // "Отмена": keeps the state for next time and closes (refused while printing).
  void reject() override;

  // "Печать": the copies of one sticker. In automatic mode the dialog closes when done.
  void btnPrintClick();
  // "Напечатать список".
  void btnPrintListClick();
  // "Пауза" / "Продолжить".
  void btnPauseClick();
  // Ends a running print after the job in hand.
  void btnStopClick();
  bool Printing() const { return FRun.Active(); }
  bool Paused() const { return FPaused; }
  int Printed() const { return FRun.Printed(); }
  // The step machine behind printing: the wait before the next job, and that job run at once.
  int PendingDelay() const { return FRun.NextDelay(); }
  void RunNextStep();

  // The list of values for "Из списка".
  bool LoadList(const QString& aFileName);
  const QStringList& List() const { return FList; }
  int CurrentListIndex() const { return FCurrentListIndex; }

  // Templates: the buttons ask first; the file variants are what the file dialogs call.
  void btnSaveTemplateClick();
  void btnDeleteTemplateClick();
  void btnResetClick();
  bool ExportTemplates(const QString& aFileName);
  bool ImportTemplates(const QString& aFileName);
  void SelectTemplate(const QString& aName);
  QStringList TemplateNames() const;
  QString TemplateName() const;
  void SetTemplateName(const QString& aName);

  // The last message the dialog showed (also while hidden in automatic mode, where it is not
  // shown).
  QString LastMessage() const { return FLastMessage; }

Q_SIGNALS:
  void PrintingFinished();

protected:
  void closeEvent(QCloseEvent* aEvent) override;

private:
  struct TLineControls {
    QCheckBox* chkLine = nullptr;
    QCheckBox* chkCaptionQR = nullptr;
    QCheckBox* chkShowText = nullptr;
    QCheckBox* chkCaption = nullptr;
    QComboBox* cmbLine = nullptr;
    QLineEdit* edCustomText = nullptr;
    QSpinBox* edLineX = nullptr;
    QSpinBox* edLineY = nullptr;
    QSpinBox* edFontSize = nullptr;
  };

  void BuildControls();
  QWidget* BuildLines();
  QWidget* BuildSideColumn();
  QWidget* BuildBottom();
  QSpinBox* NewSpin(int aMin, int aMax, const QString& aName);
  void Changed();
  void UpdateEnabling();
  void UpdatePreview();
  void UpdateListLabels();
  void FillTemplateList(const QString& aSelect);
  void TemplateChosen(int aIndex);
  void DoSaveTemplate(const QString& aName);
  void StartRun(int aItems);
  void FinishRun();
  void SetBusy(bool aBusy);
  // Non-blocking messages: shown window-modal unless printing automatically.
  // A message with an OK button; failures take the error icon.
  void Say(const QString& aText, QMessageBox::Icon aIcon = QMessageBox::Information);
  void Ask(const QString& aText, std::function<void()> aOnYes);
  void ExportClick();
  void ImportClick();
  void LoadListClick();

  TRegistry& FRegistry;
  TStickerTemplates FTemplates;
  IStickerPrinter& FPrinter;
  TDeviceData FDeviceData;
  bool FReady = false;
  bool FAutoPrint = false;
  QStringList FList;
  int FCurrentListIndex = -1;
  bool FPaused = false;
  TStickerPrintRun FRun;
  QTimer FStepTimer;
  TStickerImage FSticker;
  QString FLastMessage;
  bool FLoading = false;

  std::array<TLineControls, kStickerLines> FLines;
  QComboBox* cmbQRLevel = nullptr;
  QSpinBox* edQRSize = nullptr;
  QSpinBox* edQRX = nullptr;
  QSpinBox* edQRY = nullptr;
  QSpinBox* edQRVersion = nullptr;
  QComboBox* cmbSeparator = nullptr;
  QSpinBox* edPrintScale = nullptr;
  QSpinBox* edOffsetX = nullptr;
  QSpinBox* edOffsetY = nullptr;
  QSpinBox* edCopies = nullptr;
  QPlainTextEdit* edQRText = nullptr;
  QLabel* FPreview = nullptr;
  QLabel* FQRStatus = nullptr;
  QCheckBox* chkStretch = nullptr;
  QComboBox* cmbTemplates = nullptr;
  QLineEdit* edTemplateName = nullptr;
  QLabel* lblListTotal = nullptr;
  QLabel* lblListCurrent = nullptr;
  QLabel* lblPrinted = nullptr;
  QPushButton* btnPause = nullptr;
  QPushButton* btnStop = nullptr;
  QWidget* FBody = nullptr;
};

// Opens sticker printing for a device: with aAutoPrint the sticker is printed at once (its copies)
// without showing the dialog, which then closes by itself; otherwise the dialog is shown modal
// (without blocking the caller). The dialog deletes itself when closed.
TPrintStickerForm* ShowStickerDialog(const TDeviceData& aData, bool aAutoPrint, TRegistry& aRegistry,
                                     IStickerPrinter& aPrinter, QWidget* aParent);
