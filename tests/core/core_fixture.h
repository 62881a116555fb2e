#pragma once

// A window stand-in that records what the core asks of it, and a driver that writes nowhere.

#include "base/clock.h"
#include "core/comm_port_driver.h"
#include "core/exchange_core.h"
#include "core/exchange_host.h"
#include "core/port_list.h"
#include "device/port_info.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QStringList>
#include <memory>

class TRecorderHost : public IExchangeHost {
public:
  TPortInfo* Port = nullptr;
  QList<QPair<int, QString>> Hints;
  QStringList Calls;
  int LogChanges = 0;
  bool Online = true;

  TPortInfo* Q() override { return Port; }
  bool VisualSetValue(const QString& aName, const QVariant& aValue, int, const QString&, TColorRef) override {
    ViewCalls << aName + QLatin1Char('=') + aValue.toString();
    return true;
  }
  QString Translate(const QString& aKey) override { return aKey; }
  void MainHintShow(int aKind, const QString& aText) override { Hints.append({aKind, aText}); }
  void PostLogChange() override { ++LogChanges; }
  void StartCheckNameTimer(QObject*) override { Calls << QStringLiteral("CheckNameTimer"); }
  void QOperationData2(int aIndex) override { Calls << QStringLiteral("Op2:%1").arg(aIndex); }
  void QOperationData7(int aIndex) override { Calls << QStringLiteral("Op7:%1").arg(aIndex); }
  // What the window's pages were told, kept apart so that Calls stays about the device.
  QStringList ViewCalls;
  void ClearVisualValues() override { ViewCalls << QStringLiteral("ClearValues"); }
  void LogViewClear() override { ViewCalls << QStringLiteral("LogClear"); }
  void LogViewSetRowCount(int aRows) override { ViewCalls << QStringLiteral("Rows:%1").arg(aRows); }
  void SetFollow(bool aFollow) override { ViewCalls << QStringLiteral("Follow:%1").arg(int(aFollow)); }
  void RefreshCaption() override { ViewCalls << QStringLiteral("Caption"); }
  void PasswordEditChange() override { ViewCalls << QStringLiteral("PasswordEdit"); }
  void ShowSettingsLocked(bool aLocked) override {
    ViewCalls << QStringLiteral("Locked:%1").arg(int(aLocked));
  }
  // Every operation starts; the operations' own tests use their own host.
  bool StartOperation(TPortInfo*, quint8) override {
    ViewCalls << QStringLiteral("OperationChanged");
    return true;
  }
  void LogViewSetHex(bool aHex) override { Calls << (aHex ? QStringLiteral("HEX") : QStringLiteral("Text")); }
  void OpenSettingsPage() override { Calls << QStringLiteral("OpenSettings"); }
  void ControlsLoadSettings(const QString& aType) override {
    Calls << QStringLiteral("LoadSettings:") + aType;
  }
  void CommandsUpdate() override { Calls << QStringLiteral("CommandsUpdate"); }
  void CommandsExec(const QString& aCommand) override { Calls << QStringLiteral("Exec:") + aCommand; }
  void SetSettingsVersionLabel(const QString& aText) override { Calls << QStringLiteral("Label:") + aText; }
  // The window asks a device for its type when the type changes; with this set the recorder does too.
  bool SendTypeRequest = false;
  void UpdateTypeInfo() override {
    Calls << QStringLiteral("UpdateTypeInfo");
    if (SendTypeRequest && Port)
      Port->SendAnsiString(">I 7\r\n");
  }
  bool InternetConnected() override { return Online; }
  void StartDeviceInfoRequest(TPortInfo*, const QString& aPath) override {
    Calls << QStringLiteral("Info:") + aPath;
  }

  int Count(const QString& aCall) const { return int(Calls.count(aCall)); }
};

// The port column's stand-in: counts buttons and remembers the empty state and the selection.
class TListHost : public IPortListHost {
public:
  int Created = 0;
  bool Empty = false;
  int Selected = -1;
  int Realigned = 0;
  int LayoutReloads = 0;
  int ErrorClears = 0;
  void PortCreated(TPortInfo*, int) override { ++Created; }
  void ShowEmptyState(bool aEmpty) override { Empty = aEmpty; }
  void RealignPorts() override { ++Realigned; }
  void ReloadMonitorLayout() override { ++LayoutReloads; }
  void ClearSettingsErrors() override { ++ErrorClears; }
  void PortSelectionChanged(int aIndex) override { Selected = aIndex; }
};

class TFakeDriver : public TCommPortDriver {
public:
  QList<QByteArray> Written;
  bool Fail = false;
  bool FConnected = false;

  bool Connect() override {
    FConnected = true;
    return true;
  }
  void Disconnect() override { FConnected = false; }
  bool SendData(const char* DataPtr, int DataSize) override {
    if (Fail || !FConnected)
      return false;
    Written.append(QByteArray(DataPtr, DataSize));
    return true;
  }
  // Bytes from the device, as the port would deliver them.
  void Feed(const QByteArray& aBytes) { DeliverReceived(aBytes.constData(), int(aBytes.size())); }
};

// A core with a selected port on a fake driver, and decoders that accept every packet.
struct TCoreRig {
  TRecorderHost Host;
  TManualClock Clock;
  TExchangeCore Core{Host, Clock};
  TFakeDriver Driver;
  std::unique_ptr<TPortInfo> Port = std::make_unique<TPortInfo>(Core);
  QList<int> Decoded[3];
  bool Accept[3] = {true, true, true};

  TCoreRig() {
    Driver.Connect();
    Port->SetCom(&Driver);
    Host.Port = Port.get();
    for (int g = 1; g <= 3; ++g)
      Core.SetDecoder(g, [this, g](int i) {
        Decoded[g - 1].append(i);
        if (Accept[g - 1])
          Core.GenIndex(g)[i].State = psRecognised;
      });
  }

  void Receive(const QByteArray& aBytes) {
    Core.QReceiveData(nullptr, aBytes.constData(), int(aBytes.size()));
  }
  void ReceiveHex(const char* aHex) { Receive(QByteArray::fromHex(aHex)); }
};

// "pos:size:state" per entry, for compact comparisons.
inline QString Describe(const TPacketArray& aIndex) {
  QStringList parts;
  for (const TPacket& p : aIndex)
    parts << QStringLiteral("%1:%2:%3").arg(p.Position).arg(p.Size).arg(p.State);
  return parts.join(QLatin1Char(' '));
}
