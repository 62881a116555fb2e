#pragma once

// The factory flows on a generation-1 core with a selected port on a fake driver: a window
// stand-in that answers the lot dialog when told and records stickers and message boxes, and a
// web stand-in that keeps every request until the test answers it. Nothing waits: the test runs
// the update timer's ticks itself.

#include "core/core_fixture.h"
#include "device/operations_host.h"
#include "device/poll_cycle.h"
#include "factory/factory_flows.h"
#include "factory/factory_host.h"
#include "factory/factory_web.h"
#include "i18n/dictionary.h"
#include "protocols/status_decoder.h"
#include "protocols/status_host.h"

#include <QtTest>
#include <functional>
#include <utility>

struct TFakeRequest {
  QByteArray Method;
  QUrl Url;
  QByteArray Token;
  QByteArray Body;
  IFactoryWeb::TDone Done;
};

class TFakeFactoryWeb : public IFactoryWeb {
public:
  QList<TFakeRequest> Requests; // all of them, answered or not
  QList<int> Open;              // indexes into Requests still waiting

  void Get(const QUrl& aUrl, TDone aDone) override { Add({"GET", aUrl, {}, {}, std::move(aDone)}); }
  void PostJson(const QUrl& aUrl, const QByteArray& aToken, const QByteArray& aBody, TDone aDone) override {
    Add({"POST", aUrl, aToken, aBody, std::move(aDone)});
  }
  // Answers the oldest open request.
  void Answer(int aStatus, const QByteArray& aBody) {
    TFactoryAnswer answer;
    answer.Status = aStatus;
    answer.Body = aBody;
    Deliver(answer);
  }
  void FailNetwork(const QString& aError) {
    TFactoryAnswer answer;
    answer.Network = true;
    answer.Error = aError;
    Deliver(answer);
  }

private:
  void Add(TFakeRequest aRequest) {
    Requests.append(std::move(aRequest));
    Open.append(int(Requests.size()) - 1);
  }
  void Deliver(const TFactoryAnswer& aAnswer) {
    QVERIFY(!Open.isEmpty());
    const int at = Open.takeFirst();
    Requests[at].Done(aAnswer);
  }
};

class TFactoryRecorder : public TRecorderHost,
                         public IOperationsHost,
                         public IStatusHost,
                         public IFactoryHost {
public:
  TFactoryFlows* Flows = nullptr;
  TPollCycle* Poll = nullptr;
  TDictionary Dictionary;
  TFactoryConfig Config;
  quint16 Lot = 0x12;
  bool Confirmed = true;
  QList<std::function<void()>> LotDialogs; // open dialogs, closed by the test
  QStringList Stickers;
  QStringList Messages;
  QString ProgressText;
  qint64 Position = 0;
  qint64 Count = 0;

  TFactoryRecorder() {
    Config.RegistrationService = QUrl(QStringLiteral("http://reg.test"));
    Config.TestService = QUrl(QStringLiteral("http://test.test"));
    Config.TestToken = QStringLiteral("0123456789abcdef");
    Config.RegistrationKey = QStringLiteral("k3y");
    Config.RegistrationIV = QStringLiteral("1234567890123456");
    Config.DevicePassword = QStringLiteral("87654321");
  }

  QString Translate(const QString& aKey) override { return Dictionary.Translate(aKey); }
  bool StartOperation(TPortInfo* aPort, quint8 aValue) override { return Flows->Start(aPort, aValue); }

  // IStatusHost: the decoder sees the flow's real state.
  quint8 UpdateOperation() const override { return Poll->UpdateOperation(); }
  void SetUpdateStage(quint8 aStage) override { Poll->SetUpdateStage(aStage); }
  quint8 UpdateStage() const override { return Poll->UpdateStage(); }
  bool SetValueOut(bool) override { return true; }
  TColorRef LinkColor() const override { return 0xFF9900; }
  void SetDynamicItem(const TDynamicItem&) override {}
  void AddOrUpdateBLEDevice(const QString&, const QString&, const QString&) override {}
  void AddOrUpdateWiFi(const QString&, const QString&, const QString&) override {}
  void AddOrUpdateLBS(const QString&, const QString&, const QString&, const QString&,
                      const QString&) override {}
  void ApplySettingsImage(const QString&) override {}
  void FirmwareTransferFrame(const QString&) override {}

  // IOperationsHost: only the progress display is used.
  QString OperationOpenFile(const QString&) override { return {}; }
  QString OperationSaveFile(const QString&, const QString&, const QString&) override { return {}; }
  QString OperationFolder(const QString&) override { return {}; }
  void SetProgressText(const QString& aText) override { ProgressText = aText; }
  void SetLanguageIndicator(qint64 aPosition, qint64 aCount) override {
    Position = aPosition;
    Count = aCount;
  }
  bool AdminMode() const override { return false; }
  bool EmulateUpd() const override { return false; }
  QString FindVolumeByLabel(const QString&) override { return {}; }
  void StartCopyFileTo(const QString&, const QString&) override {}
  void ScheduleLater(int, std::function<void()>) override {}

  // IFactoryHost
  TFactoryConfig FactoryConfig() const override { return Config; }
  quint16 LotNumber() const override { return Lot; }
  bool LotConfirmed() const override { return Confirmed; }
  void AskLotNumber(std::function<void()> aDone) override { LotDialogs.append(std::move(aDone)); }
  void ShowSticker(const TPortInfo& aPort) override { Stickers << aPort.DataPrint().ID; }
  void FactoryMessage(const QString& aText) override { Messages << aText; }

  bool HasHint(int aKind, const QString& aText) const { return Hints.contains({aKind, aText}); }
};

struct TFactoryRig {
  TFactoryRecorder Host;
  TManualClock Clock;
  TExchangeCore Core{Host, Clock};
  TFakeDriver Driver;
  TPollCycle Poll{Core};
  TFakeFactoryWeb Web;
  TFactoryFlows Flows{Core, Poll, Host, Host, Web};
  TStatusDecoderV1 Decoder{Core, Host};
  std::unique_ptr<TPortInfo> Port;

  explicit TFactoryRig(const QString& aType = QStringLiteral("303")) {
    Host.Flows = &Flows;
    Host.Poll = &Poll;
    Core.SetVersion(vtVersion1);
    Decoder.Install();
    Port = std::make_unique<TPortInfo>(Core);
    Driver.Connect();
    Port->SetCom(&Driver);
    Host.Port = Port.get();
    Port->SetDevicePassword(Port->UserPassword());
    Port->SetDeviceVer(aType);
    Port->SetDeviceName(QStringLiteral("0"));
    Port->SetDeviceIMEI(QStringLiteral("359254060123456"));
    Port->SetDeviceICCID(QStringLiteral("89701010000000000001"));
    Port->SetDeviceMAC(QStringLiteral("C8F09E000000"));
    Port->SetDeviceSOFT(QStringLiteral("3.14|0107 build"));
    Driver.Written.clear();
    Host.Hints.clear();
  }

  // One tick of the update timer, as its time-out would run it; false when it was not armed.
  bool Tick() {
    if (!Poll.UpdateTimer().isActive())
      return false;
    Poll.OnUpdateTimeout();
    return true;
  }
  int Interval() { return Poll.UpdateTimer().interval(); }
  void Receive(const QByteArray& aBytes) {
    Core.QReceiveData(nullptr, aBytes.constData(), int(aBytes.size()));
  }
  QList<QByteArray> Sent() const { return Driver.Written; }
  QByteArray LastSent() const { return Driver.Written.isEmpty() ? QByteArray() : Driver.Written.back(); }
};
