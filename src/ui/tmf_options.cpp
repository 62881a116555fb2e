// The program-wide options behind the application settings dialog: switches and their effects,
// the administrator mode, the device access rules, reset and the first-run offer.

#include "dialogs/app_settings_form.h"
#include "dialogs/sticker_settings.h"
#include "ui/tmf.h"

#include <QToolButton>

namespace {

// The window as the settings dialog sees it.
class TWindowSettingsHost final : public IAppSettingsHost {
public:
  explicit TWindowSettingsHost(TMF& aWindow) : FWindow(aWindow) {}

  const TThemeColors& Theme() const override { return FWindow.Theme(); }
  const TIcons& Icons() const override { return FWindow.Icons(); }
  QString Translate(const QString& aKey) override { return FWindow.Translate(aKey); }
  int StyleMode() const override { return FWindow.StyleMode(); }
  int Language() const override { return FWindow.Language(); }
  bool AdminMode() const override { return FWindow.AdminMode(); }
  bool ReplayPanelVisible() const override { return FWindow.ReplayPanelVisible(); }
  TDriversStage DriversStage() const override { return FWindow.DriversInstaller().Stage(); }
  TAppSwitches Switches() const override {
    const TFormState& state = FWindow.State();
    return {state.NoSwitchCOMAuto, state.AdvanceCAN, state.AutoPrint, state.PrintVisible};
  }

  void CycleStyleMode() override { FWindow.CycleStyleMode(); }
  void ChooseLanguage(int aLanguage) override { FWindow.ChooseLanguage(aLanguage); }
  void SetNoSwitchCOMAuto(bool aValue) override { FWindow.SetNoSwitchCOMAuto(aValue); }
  void SetAdvanceCAN(bool aValue) override { FWindow.SetAdvanceCAN(aValue); }
  void SetAutoPrint(bool aValue) override { FWindow.SetAutoPrint(aValue); }
  void SetPrintVisible(bool aValue) override { FWindow.SetPrintVisible(aValue); }
  void ToggleAdminMode() override { FWindow.ToggleAdminMode(); }
  void ToggleReplayPanel() override { FWindow.ToggleReplayPanel(); }
  void AskInstallDrivers() override { FWindow.AskInstallDrivers(); }
  void AskDefaultSettings() override { FWindow.AskDefaultSettings(); }
  void AskClearCustomCommands() override { FWindow.AskClearCustomCommands(); }
  void OpenPrintSettings() override { FWindow.OpenPrintSettings(); }
  void OpenLotNumber() override { FWindow.OpenLotNumber(); }

private:
  TMF& FWindow;
};

} // namespace

void TMF::InitOptions() {
  FOptions.Identity = std::make_unique<TLinuxMachineIdentity>();
  FOptions.Runner = std::make_unique<TPkexecRunner>();
  FOptions.Prompts = std::make_unique<TDialogPrompts>();
  FAdminMode = std::make_unique<TAdminMode>(FRegistry, *FOptions.Identity);
  FDriversInstaller = std::make_unique<TDriversInstaller>(*FOptions.Runner);
  connect(FDriversInstaller.get(), &TDriversInstaller::Installing, this, &TMF::OptionsChanged);
  connect(FDriversInstaller.get(), &TDriversInstaller::Finished, this, &TMF::DriversFinished);
}

void TMF::SetOptionsServices(TOptionsServices aServices) {
  // The installer keeps a reference to the runner: a new runner needs a new installer.
  FDriversInstaller.reset();
  FAdminMode.reset();
  if (aServices.Identity)
    FOptions.Identity = std::move(aServices.Identity);
  if (aServices.Runner)
    FOptions.Runner = std::move(aServices.Runner);
  if (aServices.Prompts)
    FOptions.Prompts = std::move(aServices.Prompts);
  FAdminMode = std::make_unique<TAdminMode>(FRegistry, *FOptions.Identity);
  FDriversInstaller = std::make_unique<TDriversInstaller>(*FOptions.Runner);
  connect(FDriversInstaller.get(), &TDriversInstaller::Installing, this, &TMF::OptionsChanged);
  connect(FDriversInstaller.get(), &TDriversInstaller::Finished, this, &TMF::DriversFinished);
  if (!FState.FirstRun)
    FAdminMode->Load(FState.Param0);
}

QWidget* TMF::PromptParent() {
  // Questions asked from the dialog stay in front of it.
  if (auto* form = findChild<TAppSettingsForm*>(); form && form->isVisible())
    return form;
  return this;
}

void TMF::ShowSettingsDialog() {
  if (findChild<TAppSettingsForm*>())
    return;
  // Not exec(): the event loop, the ports and the timers keep running behind the dialog.
  auto* dialog = new TAppSettingsForm(std::make_unique<TWindowSettingsHost>(*this), this);
  connect(this, &TMF::OptionsChanged, dialog, &TAppSettingsForm::Restyle);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->open();
}

void TMF::FirstRunOffer() {
  FOptions.Prompts->Confirm(this, Translate(QStringLiteral("_ConfirmDriver")), [this](bool aYes) {
    if (aYes)
      FDriversInstaller->Start();
    ShowSettingsDialog();
  });
}

// ---- switches ----

void TMF::SetAdvanceCAN(bool aValue) {
  FState.AdvanceCAN = aValue;
  LayoutMonitorColumns();
  FPagePanels[pgInfo]->update();
  Q_EMIT OptionsChanged();
}

void TMF::SetNoSwitchCOMAuto(bool aValue) {
  FState.NoSwitchCOMAuto = aValue;
  FDiscovery->SetNoSwitchCOMAuto(aValue);
  Q_EMIT OptionsChanged();
}

void TMF::SetAutoPrint(bool aValue) {
  FState.AutoPrint = aValue;
  Q_EMIT OptionsChanged();
}

void TMF::SetPrintVisible(bool aValue) {
  FState.PrintVisible = aValue;
  FPrintButton->setVisible(aValue);
  Q_EMIT OptionsChanged();
}

void TMF::CycleStyleMode() {
  SetStyleMode((FState.Style + 1) % 3);
  Q_EMIT OptionsChanged();
}

void TMF::ToggleReplayPanel() {
  ShowReplayPanel(!ReplayPanelVisible());
  Q_EMIT OptionsChanged();
}

// ---- administrator mode ----

void TMF::ToggleAdminMode() {
  if (FAdminMode->On()) {
    FAdminMode->TurnOff();
    Q_EMIT OptionsChanged();
    return;
  }
  QWidget* parent = PromptParent();
  FOptions.Prompts->AskPassword(
      parent, QStringLiteral("Административный доступ"), QStringLiteral("Введите пароль администратора:"),
      [this, parent](const QString& aText) {
        const bool on = FAdminMode->Enter(aText);
        Q_EMIT OptionsChanged();
        FOptions.Prompts->Inform(parent, on ? QStringLiteral("Режим администратора активирован")
                                            : QStringLiteral("Неверный пароль"));
      });
}

// ---- drivers ----

void TMF::AskInstallDrivers() {
  if (FDriversInstaller->Running())
    return;
  FOptions.Prompts->Confirm(PromptParent(), Translate(QStringLiteral("_ConfirmDriver")), [this](bool aYes) {
    if (!aYes)
      return;
    FDriversInstaller->Start();
    Q_EMIT OptionsChanged();
  });
}

void TMF::DriversFinished(const TDriversResult& aResult) {
  Q_EMIT OptionsChanged();
  switch (aResult.Outcome) {
  case doInstalled: {
    const QString text = Translate(QStringLiteral("mes_driversinstall"));
    MainHintShow(1, text);
    FOptions.Prompts->Inform(PromptParent(), text);
    return;
  }
  case doDismissed:
    // The user closed the password dialog: nothing went wrong and nothing was installed.
    MainHintShow(2, Translate(QStringLiteral("mes_driverscancel")));
    return;
  case doFailed:
    MainHintShow(2, Translate(QStringLiteral("mes_driversinstallerr")));
    return;
  }
}

// ---- stored state ----

void TMF::AskDefaultSettings() {
  FOptions.Prompts->Confirm(PromptParent(), Translate(QStringLiteral("_Confirm")), [this](bool aYes) {
    if (!aYes)
      return;
    ResetToDefaults();
    StyleApply();
    LayoutMonitorColumns();
    Q_EMIT OptionsChanged();
  });
}

void TMF::AskClearCustomCommands() {
  FOptions.Prompts->Confirm(PromptParent(), Translate(QStringLiteral("_Confirm")), [this](bool aYes) {
    if (!aYes)
      return;
    ClearCustomCommands();
  });
}

void TMF::OpenLotNumber() {
  EnterLotNumberCommandDialog();
}

void TMF::OpenPrintSettings() {
  // The sticker dialog on the selected port's data (sample data without one), never printing by itself.
  TPortInfo* port = Q();
  ShowStickerDialog(port ? port->DataPrint() : SampleDeviceData(), false);
}
