#include "factory/factory_flows.h"

#include "core/exchange_core.h"
#include "core/exchange_host.h"
#include "device/device_types.h"
#include "device/lot_number.h"
#include "device/operations_host.h"
#include "device/poll_cycle.h"
#include "device/port_info.h"
#include "factory/factory_host.h"
#include "updates/service_hosts.h"

using namespace FactoryRequests;

namespace {

constexpr char kIdentity[] = ">I 7\r\n";
constexpr char kReset[] = "rst\r\n";
constexpr char kRunTest304[] = "fct run\r\n";
constexpr char kSelfTest[] = ">T 1\r\n";
constexpr char kDefaults[] = ">D 1\r\n";
constexpr char kReadSettings[] = ">D 15;0\r\n";

bool HasId(const TPortInfo* aPort) {
  return !aPort->DeviceName().isEmpty() && aPort->DeviceName() != QLatin1String("0");
}

enum THintKind { hkError = 0, hkSuccess = 1, hkNotice = 2, hkInfo = 3 };

} // namespace

TFactoryFlows::TFactoryFlows(TExchangeCore& aCore, TPollCycle& aPoll, IOperationsHost& aOperations,
                             IFactoryHost& aHost, IFactoryWeb& aWeb, QObject* aParent)
    : QObject(aParent), FCore(aCore), FPoll(aPoll), FOperations(aOperations), FHost(aHost), FWeb(aWeb) {
  FPoll.SetUpdateFlow(6, [this] { RfidTick(); });
  FPoll.SetUpdateFlow(8, [this] { TestTick(); });
  FPoll.SetUpdateFlow(9, [this] { SelfTestTick(); });
}

TFactoryFlows::~TFactoryFlows() {
  for (quint8 operation : {6, 8, 9})
    FPoll.SetUpdateFlow(operation, {});
}

void TFactoryFlows::Hint(int aKind, const QString& aText) {
  FCore.Host().MainHintShow(aKind, aText);
}

QString TFactoryFlows::Text(const char* aKey) const {
  return FCore.Host().Translate(QString::fromLatin1(aKey));
}

QString TFactoryFlows::NetworkText(const TFactoryAnswer& aAnswer) const {
  return Text("fac_network") + aAnswer.Error;
}

void TFactoryFlows::ClearProgress() {
  FOperations.SetProgressText(QString());
  FOperations.SetLanguageIndicator(0, 0);
}

void TFactoryFlows::EndFlow(int aLastMessageMs) {
  FPoll.SetUpdateOperation(0);
  FPoll.SetUpdateStage(0);
  FPoll.ArmUpdateTimer(aLastMessageMs);
}

std::function<void(const TFactoryAnswer&)>
TFactoryFlows::Guarded(std::function<void(const TFactoryAnswer&)> aCall) {
  const quint64 id = FFlowId;
  const quint8 operation = FPoll.UpdateOperation();
  return [this, id, operation, aCall = std::move(aCall)](const TFactoryAnswer& aAnswer) {
    // The flow was ended or replaced while the service thought: the answer is for nobody.
    if (id != FFlowId || FPoll.UpdateOperation() != operation) {
      FWaiting = false;
      return;
    }
    // Another port (another device) was chosen meanwhile: the flow ends without touching either.
    if (FCore.Host().Q() != FPort.data()) {
      FWaiting = false;
      FPoll.SetUpdateTag(0);
      EndFlow(kLastMessageMs);
      return;
    }
    FWaiting = false;
    aCall(aAnswer);
  };
}

TPortInfo* TFactoryFlows::FlowPort(const QStringList& aTypes) const {
  TPortInfo* port = FCore.Host().Q();
  return port && aTypes.contains(port->DeviceVer()) ? port : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Starting

bool TFactoryFlows::CheckStart(TPortInfo* aPort, quint8 aValue) {
  if (!aPort) {
    Hint(hkError, Text("mes_infonodevice"));
    return false;
  }
  // One flow at a time: a second identity record must not start another one.
  if (FPoll.UpdateOperation() != 0 && !FResuming) {
    Hint(hkError, Text("fac_busy"));
    return false;
  }
  if (HasId(aPort)) {
    Hint(hkError, Text("mes_devicetestRFIDhasalready"));
    return false;
  }
  // The registration carries the MAC (and for type 304 the IMEI and ICCID): without them it would
  // register a device nobody can find again.
  const bool needsSim = aValue == 8;
  if (!IsMac(aPort->DeviceMAC()) ||
      (needsSim && (aPort->DeviceIMEI().isEmpty() || aPort->DeviceICCID().isEmpty()))) {
    Hint(hkError, Text(needsSim ? "fac_noident304" : "fac_noident"));
    return false;
  }
  const TFactoryConfig config = FHost.FactoryConfig();
  if (!config.CanRegister() || (needsSim && !config.CanTest())) {
    Hint(hkError, Text(needsSim ? "fac_testnotconfigured" : "fac_notconfigured"));
    return false;
  }
  return true;
}

bool TFactoryFlows::Start(TPortInfo* aPort, quint8 aValue) {
  if (!CheckStart(aPort, aValue))
    return false;
  if ((FHost.LotNumber() == 0 || !FHost.LotConfirmed()) && !FResuming) {
    // Taken before the dialog opens, so nothing else starts a flow meanwhile.
    FPoll.SetUpdateOperation(aValue);
    FWaiting = true;
    const quint64 id = ++FFlowId;
    FHost.AskLotNumber([this, id, aValue] {
      if (id != FFlowId)
        return;
      FWaiting = false;
      FPoll.SetUpdateOperation(0);
      TPortInfo* port = FCore.Host().Q();
      if (FHost.LotNumber() == 0) {
        Hint(hkError, Text("EnterLotNumber"));
        return;
      }
      if (!port)
        return;
      FResuming = true;
      port->SetOperation(aValue);
      FResuming = false;
    });
    return false;
  }
  if (FHost.LotNumber() == 0) {
    Hint(hkError, Text("EnterLotNumber"));
    return false;
  }
  ++FFlowId;
  FPort = aPort;
  FPoll.SetUpdateTag(0);
  if (aValue == 6) {
    StartRfid(aPort);
    return true;
  }
  FPoll.SetUpdateOperation(aValue);
  FPoll.SetUpdateStage(1);
  FPoll.ArmUpdateTimer(kStartTickMs);
  return true;
}

FactoryRequests::TRegistration TFactoryFlows::RegistrationOf(const TPortInfo* aPort, quint16 aLot) const {
  TRegistration r;
  r.Mac = aPort->DeviceMAC();
  r.Lot = aLot;
  r.Firmware = FirmwareOf(aPort->DeviceSOFT());
  r.Type = aPort->DeviceVer();
  return r;
}

// ---------------------------------------------------------------------------------------------
// Operation 6: RFID test of type 303

void TFactoryFlows::StartRfid(TPortInfo* aPort) {
  const TFactoryConfig config = FHost.FactoryConfig();
  const quint16 lot = FHost.LotNumber();
  FPoll.SetUpdateOperation(6);
  FPoll.SetUpdateStage(0);
  FWaiting = true;
  const QUrl url = TServiceHosts::Join(
      config.RegistrationService,
      RegistrationPath(RegistrationOf(aPort, lot), config.RegistrationKey, config.RegistrationIV));
  FWeb.Get(url, Guarded([this, lot](const TFactoryAnswer& aAnswer) { RfidRegistered(aAnswer, lot); }));
}

void TFactoryFlows::RfidRegistered(const TFactoryAnswer& aAnswer, quint16 aLot) {
  TPortInfo* port = FPort;
  const QString error = Text("mes_devicetestRFIDerror") + QStringLiteral(": ");
  auto refuse = [this] { FPoll.SetUpdateOperation(0); };
  if (aAnswer.Network) {
    Hint(hkError, error + NetworkText(aAnswer));
    return refuse();
  }
  if (aAnswer.Status != 200) {
    Hint(hkError, error + QString::number(aAnswer.Status));
    return refuse();
  }
  const TRegistrationAnswer answer = ParseRegistrationAnswer(aAnswer.Body);
  if (answer.Form == TRegistrationAnswer::ParseError) {
    FHost.FactoryMessage(Text("fac_jsonerror") + answer.ParseErrorText);
    return refuse();
  }
  if (answer.Form == TRegistrationAnswer::NotObject) {
    FHost.FactoryMessage(Text("fac_jsonnotobject"));
    return refuse();
  }
  const QString lotText = Text("fac_lotquantity").arg(TLotNumber::Text(aLot), answer.Quantity);
  const bool known = answer.Answer == QLatin1String("inserted") || answer.Answer == QLatin1String("updated");
  if (!known || answer.Serial.isEmpty()) {
    Hint(hkError, error + Text("fac_nosn"));
    return refuse();
  }
  // Only a serial the device can take is programmed; anything else would give it a wrong ID.
  if (!IsHexSerial(answer.Serial)) {
    Hint(hkError, error + Text("fac_noid"));
    return refuse();
  }
  if (answer.Answer == QLatin1String("inserted"))
    Hint(hkInfo, Text("mes_IDforRFID") + QStringLiteral(" (HEX): ") + answer.Serial + lotText);
  else
    Hint(hkNotice, Text("fac_updated") + answer.Serial + lotText);
  port->SendAnsiString(FctCommand(answer.Serial));
  const QString text = Text("mes_devicetestRFIDstart");
  FOperations.SetProgressText(text);
  Hint(hkInfo, text);
  FOperations.SetLanguageIndicator(0, 1);
  FPoll.SetUpdateTag(0);
  FPoll.ArmUpdateTimer(kRfidTickMs);
}

void TFactoryFlows::RfidTick() {
  if (FWaiting)
    return;
  TPortInfo* port = FlowPort({QStringLiteral("303")});
  if (!port) {
    FPoll.SetUpdateTag(0);
    FPoll.SetUpdateOperation(0);
    FPoll.ArmUpdateTimer(kRfidTickMs);
    return;
  }
  if (HasId(port)) {
    FHost.ShowSticker(*port);
    const QString text = Text("mes_devicetestRFIDcomplete");
    FOperations.SetProgressText(text);
    Hint(hkSuccess, text);
    FOperations.SetLanguageIndicator(1, 1);
    FPoll.SetUpdateOperation(0);
    FPoll.ArmUpdateTimer(kRfidTickMs);
    return;
  }
  port->SendAnsiString(kIdentity);
  const int tag = FPoll.UpdateTag() + 1;
  FPoll.SetUpdateTag(tag);
  FOperations.SetLanguageIndicator(tag, kRfidTimeoutTag);
  if (tag >= kRfidTimeoutTag + 2) {
    FPoll.SetUpdateTag(0);
    FPoll.SetUpdateOperation(0);
  } else if (tag == kRfidTimeoutTag + 1) {
    port->SendAnsiString(kReset);
    ClearProgress();
  } else if (tag == kRfidTimeoutTag) {
    const QString text = Text("mes_devicetestRFIDerror");
    Hint(hkError, text);
    FOperations.SetProgressText(text);
  }
  FPoll.ArmUpdateTimer(kRfidTickMs);
}

// ---------------------------------------------------------------------------------------------
// Operations 8 and 9: self-test, then registration

void TFactoryFlows::TestTick() {
  if (FWaiting)
    return;
  TPortInfo* port = FlowPort({QStringLiteral("304")});
  if (!port) {
    FPoll.SetUpdateTag(0);
    FPoll.SetUpdateOperation(0);
    return;
  }
  const QString model = DeviceDisplayName(QStringLiteral("304"), QStringLiteral("0"));
  switch (FPoll.UpdateStage()) {
  case 0:
    FPoll.SetUpdateOperation(0);
    break;
  case 1: {
    port->SendAnsiString(kRunTest304);
    FPoll.SetUpdateStage(2);
    const QString text = Text("fac_motion").arg(model);
    FOperations.SetProgressText(text);
    Hint(hkInfo, text);
    FOperations.SetLanguageIndicator(2, 4);
    FPoll.SetUpdateTag(0);
    break;
  }
  case 2: {
    port->SendAnsiString(kIdentity);
    const int tag = FPoll.UpdateTag() + 1;
    FPoll.SetUpdateTag(tag);
    FOperations.SetLanguageIndicator(2, 4);
    if (tag >= kTestTimeoutTag + 2) {
      FPoll.SetUpdateTag(0);
      FPoll.SetUpdateOperation(0);
      FPoll.SetUpdateStage(0);
    } else if (tag == kTestTimeoutTag + 1) {
      port->SendAnsiString(kReset);
      ClearProgress();
    } else if (tag == kTestTimeoutTag) {
      const QString text = Text("fac_timeout304") + model;
      Hint(hkError, text);
      FOperations.SetProgressText(text);
    }
    break;
  }
  case 3:
    FOperations.SetLanguageIndicator(3, 4);
    CallTestService(port);
    return; // the answer arms the next tick
  case 4:
    CheckStage(8, kTest304TickMs);
    return;
  default:
    break;
  }
  FPoll.ArmUpdateTimer(kTest304TickMs);
}

void TFactoryFlows::CallTestService(TPortInfo* aPort) {
  const TFactoryConfig config = FHost.FactoryConfig();
  TTestDevice device;
  device.Iccid = aPort->DeviceICCID();
  device.Firmware = FirmwareOf(aPort->DeviceSOFT());
  device.Mac = aPort->DeviceMAC();
  device.Lot = FHost.LotNumber();
  device.Imei = aPort->DeviceIMEI();
  FWaiting = true;
  FWeb.PostJson(TServiceHosts::Join(config.TestService, QStringLiteral("/v1/devices")),
                config.TestToken.toUtf8(), TestServiceBody(device),
                Guarded([this](const TFactoryAnswer& aAnswer) { TestServiceAnswered(aAnswer); }));
}

void TFactoryFlows::TestServiceAnswered(const TFactoryAnswer& aAnswer) {
  TPortInfo* port = FPort;
  QString serial;
  if (aAnswer.Network)
    Hint(hkError, NetworkText(aAnswer));
  else if (aAnswer.Status != 200 && aAnswer.Status != 201)
    Hint(hkError, Text("fac_general") + QStringLiteral("HTTP %1").arg(aAnswer.Status));
  else
    serial = ParseTestServiceSerial(aAnswer.Body);
  // The device takes its password and serial only for a serial it can hold.
  if (!IsDecimalSerial(serial)) {
    const QString text = Text("fac_nosnreceived");
    FOperations.SetProgressText(text);
    Hint(hkError, text);
    FOperations.SetLanguageIndicator(3, 3);
    EndFlow(kTest304TickMs);
    return;
  }
  Hint(hkInfo, Text("fac_registered") + serial);
  port->SendAnsiString("pass " + FHost.FactoryConfig().DevicePassword.toUtf8() + "\r\n");
  port->SendAnsiString(SnCommand(serial));
  Register(port, serial, [this] {
    FPort->SendAnsiString(kIdentity);
    FPoll.SetUpdateStage(4);
    FPoll.ArmUpdateTimer(kTest304TickMs);
  });
}

void TFactoryFlows::SelfTestTick() {
  if (FWaiting)
    return;
  TPortInfo* port = FlowPort({QStringLiteral("305"), QStringLiteral("306")});
  if (!port) {
    FPoll.SetUpdateTag(0);
    FPoll.SetUpdateOperation(0);
    return;
  }
  int interval = kCheckTickMs;
  switch (FPoll.UpdateStage()) {
  case 0:
    FPoll.SetUpdateOperation(0);
    break;
  case 1: {
    port->SendAnsiString(kSelfTest);
    FPoll.SetUpdateStage(2);
    const QString text =
        Text("fac_running") + DeviceDisplayName(port->DeviceVer(), port->DataPrint().DeviceSubVer);
    FOperations.SetProgressText(text);
    Hint(hkInfo, text);
    FOperations.SetLanguageIndicator(2, 4);
    interval = kSelfTestTickMs;
    FPoll.SetUpdateTag(0);
    break;
  }
  case 2: {
    port->SendAnsiString(kIdentity);
    const int tag = FPoll.UpdateTag() + 1;
    FPoll.SetUpdateTag(tag);
    FOperations.SetLanguageIndicator(2, 4);
    interval = kSelfTestTickMs;
    if (tag >= kTestTimeoutTag + 2) {
      FPoll.SetUpdateTag(0);
      FPoll.SetUpdateOperation(0);
      FPoll.SetUpdateStage(0);
    } else if (tag == kTestTimeoutTag + 1) {
      port->SendAnsiString(kDefaults);
      ClearProgress();
    } else if (tag == kTestTimeoutTag) {
      const QString text = Text("fac_timeout");
      Hint(hkError, text);
      FOperations.SetProgressText(text);
    } else if (tag == 1) {
      port->SendAnsiString(kSelfTest);
    }
    break;
  }
  case 3:
    FOperations.SetLanguageIndicator(3, 4);
    Register(port, QString(), [this] {
      FPort->SendAnsiString(kIdentity);
      FPort->SendAnsiString(kReadSettings);
      FPoll.SetUpdateStage(4);
      FPoll.ArmUpdateTimer(kCheckTickMs);
    });
    return;
  case 4:
    CheckStage(9, kCheckTickMs);
    return;
  default:
    break;
  }
  FPoll.ArmUpdateTimer(interval);
}

void TFactoryFlows::CheckStage(quint8 aOperation, int aIntervalMs) {
  TPortInfo* port = FPort;
  if (HasId(port)) {
    FHost.ShowSticker(*port);
    const QString name = aOperation == 8
                             ? DeviceDisplayName(QStringLiteral("304"), QStringLiteral("0"))
                             : DeviceDisplayName(port->DeviceVer(), port->DataPrint().DeviceSubVer);
    const QString text = Text("fac_success").arg(name);
    FOperations.SetProgressText(text);
    Hint(hkSuccess, text);
    FOperations.SetLanguageIndicator(4, 4);
  } else {
    const QString text = Text("fac_idnotwritten");
    FOperations.SetProgressText(text);
    Hint(hkError, text);
  }
  EndFlow(aIntervalMs);
}

void TFactoryFlows::Register(TPortInfo* aPort, const QString& aSerial, std::function<void()> aThen) {
  const TFactoryConfig config = FHost.FactoryConfig();
  const quint16 lot = FHost.LotNumber();
  TRegistration r = RegistrationOf(aPort, lot);
  if (!aSerial.isEmpty()) {
    r.WithExtras = true;
    r.Imei = aPort->DeviceIMEI();
    r.Iccid = aPort->DeviceICCID();
    r.Serial = aSerial;
  }
  FWaiting = true;
  const QUrl url = TServiceHosts::Join(config.RegistrationService,
                                       RegistrationPath(r, config.RegistrationKey, config.RegistrationIV));
  FWeb.Get(url, Guarded([this, aSerial, lot, aThen = std::move(aThen)](const TFactoryAnswer& aAnswer) {
             ReportRegistration(aAnswer, aSerial, lot);
             aThen();
           }));
}

void TFactoryFlows::ReportRegistration(const TFactoryAnswer& aAnswer, const QString& aSerial, quint16 aLot) {
  // A failed registration is reported; the flow still checks whether the device took its ID.
  if (aAnswer.Network) {
    Hint(hkError, NetworkText(aAnswer));
    return;
  }
  if (aAnswer.Status != 200)
    Hint(hkError, Text("fac_error") + QString::number(aAnswer.Status));
  const TRegistrationAnswer answer = ParseRegistrationAnswer(aAnswer.Body);
  const QString lot = TLotNumber::Text(aLot);
  if (answer.Form == TRegistrationAnswer::Object && answer.Answer == QLatin1String("inserted"))
    Hint(hkInfo, Text("fac_added").arg(aSerial, lot, answer.Quantity));
  else if (answer.Form == TRegistrationAnswer::Object && answer.Answer == QLatin1String("updated"))
    Hint(hkNotice, Text("fac_alreadyin").arg(aSerial, lot, answer.Quantity));
  else
    Hint(hkError, Text("fac_addfailed"));
}
