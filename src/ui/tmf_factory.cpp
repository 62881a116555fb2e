// The window's side of the factory flows: the configured services, the lot and its dialog, the
// sticker and the operator's message box.

#include "device/commands.h"
#include "device/port_info.h"
#include "factory/factory_flows.h"
#include "factory/factory_web.h"
#include "ui/tmf.h"
#include "updates/web_client.h"

#include <QMessageBox>

void TMF::InitFactory() {
  FFactoryClient = std::make_unique<TWebClient>();
  FFactoryWeb = std::make_unique<TFactoryWebClient>(*FFactoryClient);
  FFactory = std::make_unique<TFactoryFlows>(FCore, *FPoll, *this, *this, *FFactoryWeb);
}

TFactoryConfig TMF::FactoryConfig() const {
  return TFactoryConfig::Load(FRegistry);
}

quint16 TMF::LotNumber() const {
  return FCommands->LotNumber().Value();
}

bool TMF::LotConfirmed() const {
  return FCommands->LotNumber().Confirmed();
}

void TMF::AskLotNumber(std::function<void()> aDone) {
  EnterLotNumberCommandDialog([aDone](bool) { aDone(); });
}

void TMF::ShowSticker(const TPortInfo& aPort) {
  ShowStickerDialog(aPort.DataPrint(), State().AutoPrint);
}

void TMF::FactoryMessage(const QString& aText) {
  auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Velmora"), aText, QMessageBox::Ok, this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setObjectName(QStringLiteral("FactoryMessage"));
  box->open();
}
