#pragma once

#include <QDialog>

class QLabel;
class QToolButton;
class TMF;
class TToggleSwitch;

// The application settings: theme, language, the program-wide switches, device access rules,
// reset, custom commands, and the administrator's service functions. Every change takes effect at
// once through the window; the form only shows the window's state and forwards the clicks.
class TAppSettingsForm : public QDialog {
  Q_OBJECT
public:
  explicit TAppSettingsForm(TMF& aWindow);

  // Colours, texts and switch states from the window's current state.
  void Restyle();

protected:
  bool eventFilter(QObject* aWatched, QEvent* aEvent) override;

private:
  QToolButton* NewButton(QWidget* aParent, const char* aName, const char* aIcon);
  TToggleSwitch* NewSwitchRow(QWidget* aParent, const char* aLabelName, const char* aSwitchName,
                              QLabel** aLabel);
  void RefreshDriversButton();

  TMF& FWindow;
  QWidget* FPanelSettings = nullptr;
  QWidget* FPanelSettingsAdmin = nullptr;
  QWidget* FPanel1 = nullptr;
  QToolButton* FButtonFon = nullptr;
  QToolButton* FDriversButton = nullptr;
  QToolButton* FDefaultSettingsButton = nullptr;
  QToolButton* FClearCmdButton = nullptr;
  QToolButton* FOKButton = nullptr;
  QToolButton* FButtonRU = nullptr;
  QToolButton* FButtonEN = nullptr;
  QToolButton* FOpenVirtLog = nullptr;
  QToolButton* FPrintSettings = nullptr;
  QToolButton* FLotNumberButton = nullptr;
  QLabel* FPathLabelSig = nullptr;
  QLabel* FPathLabel = nullptr;
  QLabel* FLabel3 = nullptr;
  QLabel* FLabelSwitchAuto = nullptr;
  QLabel* FLabelAdvanceCAN = nullptr;
  QLabel* FLabelAdditionalSettings = nullptr;
  QLabel* FLabelAutoPrint = nullptr;
  QLabel* FLabelPrintVisible = nullptr;
  TToggleSwitch* FToggleSwitchAuto = nullptr;
  TToggleSwitch* FToggleAdvanceCAN = nullptr;
  TToggleSwitch* FToggleAdminSettings = nullptr;
  TToggleSwitch* FToggleAutoPrint = nullptr;
  TToggleSwitch* FToggleBtnPrint = nullptr;
};
