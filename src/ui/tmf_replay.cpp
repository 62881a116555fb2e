// Playing a saved log into the VIRTUAL port.

#include "core/virtual_comm_driver.h"
#include "device/port_info.h"
#include "ui/operation_dialogs.h"
#include "ui/replay_panel.h"
#include "ui/tmf.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>

void TMF::ShowReplayPanel(bool aShow) {
  FReplayPanel->setVisible(aShow);
}

void TMF::WireReplayPanel() {
  connect(FReplayPanel, &TReplayPanel::OpenCloseClicked, this, [this] {
    if (FDiscovery->VirtualPort()) {
      CloseReplay();
      return;
    }
    const QString file = QFileDialog::getOpenFileName(
        this, Translate(QStringLiteral("dlg_OpenLog")), QString(),
        DialogFilters(Translate(QStringLiteral("flt_log")) + QStringLiteral("|*.log|") +
                      Translate(QStringLiteral("flt_other")) + QStringLiteral("|*"))
            .join(QStringLiteral(";;")));
    if (!file.isEmpty())
      OpenReplay(file);
  });
  connect(FReplayPanel, &TReplayPanel::PlayClicked, this, &TMF::ReplayPlay);
  connect(FReplayPanel, &TReplayPanel::PauseClicked, this, &TMF::ReplayPause);
  connect(FReplayPanel, &TReplayPanel::StopClicked, this, &TMF::ReplayStop);
  connect(FReplayPanel, &TReplayPanel::StepClicked, this, [this] {
    if (TVirtualCommDriver* replay = ReplayDriver())
      replay->Step();
  });
  connect(FReplayPanel, &TReplayPanel::StepBackClicked, this, [this] {
    if (TVirtualCommDriver* replay = ReplayDriver())
      replay->StepBack();
  });
  connect(FReplayPanel, &TReplayPanel::SpeedChanged, this, [this](double aSpeed) {
    if (TVirtualCommDriver* replay = ReplayDriver(); replay && aSpeed > 0)
      replay->SetSpeedFactor(aSpeed);
  });
  connect(FReplayPanel, &TReplayPanel::LoopChanged, this, [this](bool aLoop) {
    if (TVirtualCommDriver* replay = ReplayDriver())
      replay->SetLoopEnabled(aLoop);
  });
  connect(FReplayPanel, &TReplayPanel::CloseClicked, this, [this] {
    CloseReplay();
    ShowReplayPanel(false);
  });
}

bool TMF::ReplayPanelVisible() const {
  return !FReplayPanel->isHidden();
}

TVirtualCommDriver* TMF::ReplayDriver() const {
  TPortInfo* port = FDiscovery->Q();
  return port && port == FDiscovery->VirtualPort() ? static_cast<TVirtualCommDriver*>(port->Com()) : nullptr;
}

bool TMF::OpenReplay(const QString& aFileName) {
  auto driver = std::make_unique<TVirtualCommDriver>(FClock);
  QString error;
  if (!driver->LoadFromFile(aFileName, &error)) {
    MainHintShow(0, error);
    return false;
  }
  driver->SetOnStep([this](TVirtualCommDriver* aSender) {
    if (!FDiscovery->VirtualPort() || FDiscovery->VirtualPort()->Com() != aSender)
      return;
    const int count = int(aSender->LogEntries().size());
    SetLanguageIndicator(aSender->CurrentIdx(), qMax(1, count));
  });
  const int index = FDiscovery->AddVirtualPort(std::move(driver), QFileInfo(aFileName).fileName());
  FDiscovery->SetPortIndex(index);
  if (TVirtualCommDriver* replay = ReplayDriver()) {
    replay->SetSpeedFactor(FReplayPanel->Speed());
    replay->SetLoopEnabled(FReplayPanel->Loop());
    replay->Pause();
  }
  FReplayPanel->SetOpen(true);
  FProgressLabel->setText(Translate(QStringLiteral("mes_virtlogopen")));
  SetLanguageIndicator(0, 1);
  return true;
}

void TMF::CloseReplay() {
  if (!FDiscovery->VirtualPort())
    return;
  FDiscovery->CloseVirtualPort();
  FReplayPanel->SetOpen(false);
  FProgressLabel->clear();
  SetLanguageIndicator(0, 0);
}

void TMF::ReplayPlay() {
  if (TVirtualCommDriver* replay = ReplayDriver()) {
    replay->Play();
    FProgressLabel->setText(Translate(QStringLiteral("mes_virtlogplay")));
  }
}

void TMF::ReplayPause() {
  if (TVirtualCommDriver* replay = ReplayDriver()) {
    replay->Pause();
    FProgressLabel->setText(Translate(QStringLiteral("mes_virtlogpause")));
  }
}

void TMF::ReplayStop() {
  if (TVirtualCommDriver* replay = ReplayDriver()) {
    replay->Stop();
    FProgressLabel->setText(Translate(QStringLiteral("mes_virtlogstop")));
  }
}
