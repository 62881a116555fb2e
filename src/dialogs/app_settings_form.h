#pragma once

#include "core/drivers_installer.h"

#include <QDialog>
#include <memory>

class QLabel;
class QToolButton;
class TIcons;
class TToggleSwitch;
struct TThemeColors;

// The switches the form shows, as the program holds them now.
struct TAppSwitches {
  bool NoSwitchCOMAuto = false;
  bool AdvanceCAN = false;
  bool AutoPrint = false;
  bool PrintVisible = false;
};

// What the settings form reads from and asks of the window that opens it; the form knows the
// window only through this.
class IAppSettingsHost {
public:
  virtual ~IAppSettingsHost() = default;

  virtual const TThemeColors& Theme() const = 0;
  virtual const TIcons& Icons() const = 0;
  virtual QString Translate(const QString& aKey) = 0;
  virtual int StyleMode() const = 0;
  virtual int Language() const = 0;
  virtual bool AdminMode() const = 0;
  virtual bool ReplayPanelVisible() const = 0;
  virtual TDriversStage DriversStage() const = 0;
  virtual TAppSwitches Switches() const = 0;

  virtual void CycleStyleMode() = 0;
  virtual void ChooseLanguage(int aLanguage) = 0;
  virtual void SetNoSwitchCOMAuto(bool aValue) = 0;
  virtual void SetAdvanceCAN(bool aValue) = 0;
  virtual void SetAutoPrint(bool aValue) = 0;
  virtual void SetPrintVisible(bool aValue) = 0;
  // Turning the mode on asks for the password first, so the mode may stay as it was.
  virtual void ToggleAdminMode() = 0;
  virtual void ToggleReplayPanel() = 0;
  virtual void AskInstallDrivers() = 0;
  virtual void AskDefaultSettings() = 0;
  virtual void AskClearCustomCommands() = 0;
  virtual void OpenPrintSettings() = 0;
  virtual void OpenLotNumber() = 0;
};

// The application settings: theme, language, the program-wide switches, device access rules,
// reset, custom commands, and the administrator's service functions. Every change takes effect at
// once through the host; the form only shows the host's state and forwards the clicks. The host
// calls Restyle() whenever the options change.
class TAppSettingsForm : public QDialog {
  Q_OBJECT
public:
  TAppSettingsForm(std::unique_ptr<IAppSettingsHost> aHost, QWidget* aParent);

  // Colours, texts and switch states from the host's current state.
  void Restyle();

protected:
  bool eventFilter(QObject* aWatched, QEvent* aEvent) override;

private:
  QToolButton* NewButton(QWidget* aParent, const char* aName, const char* aIcon);
  TToggleSwitch* NewSwitchRow(QWidget* aParent, const char* aLabelName, const char* aSwitchName,
                              QLabel** aLabel);
  void RefreshDriversButton();

  std::unique_ptr<IAppSettingsHost> FHost;
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
