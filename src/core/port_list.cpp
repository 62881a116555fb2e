#include "core/port_list.h"

#include "core/comm_port_driver.h"
#include "core/exchange_core.h"
#include "core/exchange_host.h"
#include "device/port_info.h"
#include "platform/serial_enumerator.h"

#include <QTimer>

namespace {

// Identifier parts of the devices we serve; the first also needs a "USB" bus prefix.
const char* const kAcceptedIds[] = {
    "VID_2E3C&PID_5740", "VID_303A&PID_1001", "VID_0E8D&PID_0003", "VID_1E0E&PID_9011&REV_0100&MI_04",
    "VID_1A86&PID_8040", "VID_0483&PID_5742", "VID_1CBE&PID_0009",
};

} // namespace

bool QualifiesAsDevice(const QString& aHardwareId) {
  if (aHardwareId.startsWith(QLatin1String("USB")) &&
      aHardwareId.contains(QLatin1String("VID_0483&PID_5740")))
    return true;
  for (const char* id : kAcceptedIds)
    if (aHardwareId.contains(QLatin1String(id)))
      return true;
  return false;
}

QString PortNameFromFriendlyName(const QString& aFriendlyName) {
  const qsizetype open = aFriendlyName.lastIndexOf(QLatin1Char('('));
  if (open < 0)
    return QString();
  QString name = aFriendlyName.mid(open + 1);
  const qsizetype close = name.indexOf(QLatin1Char(')'));
  if (close >= 0)
    name.truncate(close);
  if (name.isEmpty() || !name.back().isDigit())
    return QString();
  for (QChar c : name)
    if (c.isSpace() || c == QLatin1Char('(') || c == QLatin1Char(')'))
      return QString();
  return name;
}

QString PortNameOf(const TSerialPortEntry& aEntry) {
  return aEntry.PortName.isEmpty() ? PortNameFromFriendlyName(aEntry.FriendlyName) : aEntry.PortName;
}

QList<TSerialPortEntry> DevicePorts(ISerialEnumerator& aEnumerator) {
  QList<TSerialPortEntry> out;
  for (const TSerialPortEntry& entry : aEnumerator.Enumerate())
    if (QualifiesAsDevice(entry.HardwareId) && !PortNameOf(entry).isEmpty())
      out.append(entry);
  return out;
}

// ---- TPortInfoList ----

TPortInfoList::TPortInfoList(TExchangeCore& aCore, TDriverFactory aFactory)
    : FCore(aCore), FFactory(aFactory ? std::move(aFactory) : [] { return new TCommPortDriver; }) {}

TPortInfoList::~TPortInfoList() = default;

TPortInfo* TPortInfoList::Get(int aIndex) const {
  return aIndex >= 0 && aIndex < Count() ? FPorts[size_t(aIndex)].Port.get() : nullptr;
}

int TPortInfoList::IndexOf(const TPortInfo* aPort) const {
  for (int i = 0; i < Count(); ++i)
    if (FPorts[size_t(i)].Port.get() == aPort)
      return i;
  return -1;
}

int TPortInfoList::IndexByName(const QString& aName) const {
  for (int i = 0; i < Count(); ++i)
    if (FPorts[size_t(i)].Port->PortName().compare(aName, Qt::CaseInsensitive) == 0)
      return i;
  return -1;
}

int TPortInfoList::PortCount() const {
  int n = 0;
  for (const TEntry& e : FPorts)
    if (e.Port->Exist())
      ++n;
  return n;
}

int TPortInfoList::New(const QString& aPortName, const QString& aDevicePath) {
  TEntry entry;
  entry.Port = std::make_unique<TPortInfo>(FCore);
  entry.Driver.reset(FFactory());
  entry.Driver->SetPort(aDevicePath);
  entry.Port->SetCom(entry.Driver.get());
  entry.Port->SetExist(true);
  entry.Port->SetPortName(aPortName);
  entry.Port->SetCaption(aPortName);
  entry.Port->SetHint(aPortName);
  FPorts.push_back(std::move(entry));
  return Count() - 1;
}

int TPortInfoList::Adopt(const QString& aPortName, std::unique_ptr<TCommPortDriver> aDriver) {
  TEntry entry;
  entry.Port = std::make_unique<TPortInfo>(FCore);
  entry.Driver = std::move(aDriver);
  entry.Port->SetCom(entry.Driver.get());
  entry.Port->SetExist(true);
  entry.Port->SetPortName(aPortName);
  entry.Port->SetCaption(aPortName);
  FPorts.push_back(std::move(entry));
  return Count() - 1;
}

void TPortInfoList::Remove(int aIndex) {
  if (aIndex >= 0 && aIndex < Count())
    FPorts.erase(FPorts.begin() + aIndex);
}

// ---- TPortDiscovery ----

TPortDiscovery::TPortDiscovery(TExchangeCore& aCore, ISerialEnumerator& aEnumerator, IPortListHost& aHost,
                               TPortInfoList::TDriverFactory aFactory, QObject* aParent)
    : QObject(aParent), FCore(aCore), FExchangeHost(aCore.Host()), FEnumerator(aEnumerator), FHost(aHost),
      FList(aCore, std::move(aFactory)) {
  connect(&FEnumerator, &ISerialEnumerator::DevicesChanged, this, &TPortDiscovery::UpdatePortListUSB);
}

TPortDiscovery::~TPortDiscovery() = default;

TPortInfo* TPortDiscovery::Q() const {
  return FList.Get(FPortIndex);
}

void TPortDiscovery::ListenTo(TPortInfo* aPort) {
  TCommPortDriver* driver = aPort->Com();
  driver->SetOnReceiveData(
      [this](TCommPortDriver* aSender, const char* aData, int aSize) { QWaitData(aSender, aData, aSize); });
}

bool TPortDiscovery::Claimed(const TPortInfo* aPort) const {
  return aPort && aPort != FVirtual && FClaimed && FClaimed(aPort->PortName());
}

void TPortDiscovery::ClearIdentity(TPortInfo* aPort) {
  aPort->ClearIdentity();
}

void TPortDiscovery::DriverLost() {
  // A vanished device shows up as a failed driver before (or without) a device-change notice.
  if (FRescanQueued)
    return;
  FRescanQueued = true;
  QTimer::singleShot(0, this, [this] {
    FRescanQueued = false;
    UpdatePortListUSB();
  });
}

void TPortDiscovery::UpdatePortListUSB() {
  // The replay port is present until it is closed; discovery leaves it alone.
  for (int i = 0; i < FList.Count(); ++i)
    FList.Get(i)->SetExist(FList.Get(i) == FVirtual);

  for (const TSerialPortEntry& entry : FEnumerator.Enumerate()) {
    if (!QualifiesAsDevice(entry.HardwareId))
      continue;
    const QString name = PortNameOf(entry);
    if (name.isEmpty())
      continue;
    int index = FList.IndexByName(name);
    if (index >= 0) {
      FList.Get(index)->SetExist(true);
      // The same port may come back under another path (a new pseudo-terminal, say).
      if (!FList.Get(index)->Com()->Connected())
        FList.Get(index)->Com()->SetPort(entry.DevicePath);
    } else {
      index = FList.New(name, entry.DevicePath);
      TPortInfo* port = FList.Get(index);
      port->SetHint(entry.FriendlyName);
      port->SetDeviceName(QString());
      connect(port, &TPortInfo::Executed, this, &TPortDiscovery::act_PortExecute);
      connect(port->Com(), &TCommPortDriver::ConnectionLost, this, &TPortDiscovery::DriverLost);
      ListenTo(port);
      FHost.PortCreated(port, index);
      if (!FNoSwitchCOMAuto && !Claimed(port))
        port->Com()->Connect();
    }
    FList.Get(index)->SetDevicePID_VID(entry.HardwareId);
  }

  for (int i = 0; i < FList.Count(); ++i) {
    TPortInfo* port = FList.Get(i);
    // A claimed port is given up even while it is listened to, before its new owner opens it.
    if (!port->Exist() || (i != FPortIndex && Claimed(port)))
      port->Com()->Disconnect();
    port->SetVisible(port->Exist());
  }
  TPortInfo* const replay = FVirtual;
  FHost.ShowEmptyState(FList.PortCount() == 0);

  TPortInfo* selected = Q();
  if (selected && !selected->Exist()) {
    FExchangeHost.MainHintShow(0, FExchangeHost.Translate(QStringLiteral("mes_devicelost")));
    FPortInUse = false;
  }

  if (FNoSwitchCOMAuto && FPortIndex < 0 && !FLastPortName.isEmpty()) {
    for (int i = 0; i < FList.Count(); ++i)
      if (FList.Get(i)->Exist() && FList.Get(i)->PortName() == FLastPortName) {
        SetPortIndex(i);
        break;
      }
  }

  selected = Q();
  if (selected && selected->Exist()) {
    // A port the user paused stays paused whatever else is plugged in.
    if (!selected->Stoped()) {
      const bool wasConnected = selected->Com()->Connected();
      selected->Com()->Connect();
      FPortInUse = true;
      if (FNoSwitchCOMAuto && !wasConnected && selected->Com()->Connected() &&
          !selected->DeviceVer().isEmpty()) {
        FHost.ReloadMonitorLayout();
        FExchangeHost.ControlsLoadSettings(selected->DeviceVer());
        UpdateTypeInfo();
        FExchangeHost.RefreshCaption();
        FExchangeHost.CommandsUpdate();
      }
    }
  } else if (FNoSwitchCOMAuto) {
    for (int i = 0; i < FList.Count(); ++i)
      if (FList.Get(i)->Exist() && FList.Get(i) != replay)
        FList.Get(i)->Com()->Disconnect();
  } else {
    // Listening means connecting; a replay connected this way would start playing by itself.
    for (int i = 0; i < FList.Count(); ++i)
      if (TPortInfo* port = FList.Get(i); port->Exist() && port != replay && !Claimed(port)) {
        ListenTo(port);
        port->Com()->Connect();
      }
  }

  if (FList.PortCount() == 0)
    SetPortIndex(-1);
  if (!FNoSwitchCOMAuto && FList.PortCount() == 1) {
    for (int i = 0; i < FList.Count(); ++i)
      // Selecting the port that is already selected would wipe its identity on every device notice.
      if (FList.Get(i)->Exist() && i != FPortIndex && !Claimed(FList.Get(i)))
        SetPortIndex(i);
  }
  FHost.RealignPorts();
}

void TPortDiscovery::SetPortIndex(int aValue) {
  if (aValue >= 0)
    FPortInUse = true;
  for (int i = 0; i < FList.Count(); ++i)
    FList.Get(i)->SetActive(i == aValue);
  if (aValue != FPortIndex) {
    if (TPortInfo* previous = Q())
      previous->Com()->Disconnect();
    if (aValue >= 0)
      FCore.SetVersion(vtDetect);
  }
  for (int i = 0; i < FList.Count(); ++i) {
    TPortInfo* port = FList.Get(i);
    if (i == aValue) {
      port->Com()->SetOnReceiveData([this](TCommPortDriver* aSender, const char* aData, int aSize) {
        FCore.QReceiveData(aSender, aData, aSize);
      });
      port->Com()->Connect();
    } else {
      port->Com()->Disconnect();
      ListenTo(port);
      FHost.ClearSettingsErrors();
    }
    ClearIdentity(port);
  }
  FExchangeHost.ControlsLoadSettings(QString());
  FExchangeHost.RefreshCaption();
  if (aValue != FPortIndex) {
    FPortIndex = aValue;
    if (TPortInfo* port = Q())
      FLastPortName = port->PortName();
    FHost.PortSelectionChanged(aValue);
  }
  FExchangeHost.CommandsUpdate();
}

void TPortDiscovery::act_PortExecute(TPortInfo* aSender) {
  const int index = FList.IndexOf(aSender);
  if (index < 0)
    return;
  if (Claimed(aSender)) {
    FExchangeHost.MainHintShow(0, FExchangeHost.Translate(QStringLiteral("mes_stationport")));
    return;
  }
  SetPortIndex(index);
}

void TPortDiscovery::QWaitData(TCommPortDriver* Sender, const char* DataPtr, int DataSize) {
  int index = -1;
  for (int i = 0; i < FList.Count(); ++i)
    if (FList.Get(i)->Com() == Sender)
      index = i;
  // A port claimed since it was last listened to goes to its new owner, bytes in flight included.
  if (index >= 0 && Claimed(FList.Get(index)))
    return;
  if (index >= 0 && !FNoSwitchCOMAuto)
    SetPortIndex(index);
  FCore.QReceiveData(Sender, DataPtr, DataSize);
}

void TPortDiscovery::UpdateTypeInfo() {
  TPortInfo* port = Q();
  if (!port)
    return;
  const QString type = port->DeviceVer();
  port->SendAutomatic(type == QLatin1String("99") || type == QLatin1String("82") ? QByteArray(">I 36\r\n")
                                                                                 : QByteArray(">I 7\r\n"));
}

int TPortDiscovery::AddVirtualPort(std::unique_ptr<TCommPortDriver> aDriver, const QString& aHint) {
  CloseVirtualPort();
  const int index = FList.Adopt(QStringLiteral("VIRTUAL"), std::move(aDriver));
  FVirtual = FList.Get(index);
  FVirtual->SetHint(aHint);
  connect(FVirtual, &TPortInfo::Executed, this, &TPortDiscovery::act_PortExecute);
  FHost.PortCreated(FVirtual, index);
  FHost.ShowEmptyState(false);
  FHost.RealignPorts();
  return index;
}

void TPortDiscovery::CloseVirtualPort() {
  if (!FVirtual)
    return;
  const int index = FList.IndexOf(FVirtual);
  if (index == FPortIndex) {
    SetPortIndex(-1);
    FExchangeHost.MainHintShow(0, FExchangeHost.Translate(QStringLiteral("mes_devicelost")));
    FPortInUse = false;
  }
  FVirtual->Com()->Disconnect();
  FVirtual = nullptr;
  // Records after it move up one place; the selection follows its record, not its old index.
  if (FPortIndex > index)
    --FPortIndex;
  FList.Remove(index);
  UpdatePortListUSB();
}

void TPortDiscovery::PortPressed(int aIndex) {
  TPortInfo* port = FList.Get(aIndex);
  if (!port)
    return;
  if (Claimed(port)) {
    FExchangeHost.MainHintShow(0, FExchangeHost.Translate(QStringLiteral("mes_stationport")));
    return;
  }
  if (aIndex != FPortIndex) {
    SetPortIndex(aIndex);
    return;
  }
  if (port->Stoped()) {
    port->SetStoped(false);
    port->SendAutomatic(">I 0\r\n");
    FHost.ReloadMonitorLayout();
    FExchangeHost.ControlsLoadSettings(port->DeviceVer());
    UpdateTypeInfo();
    FExchangeHost.MainHintShow(1, FExchangeHost.Translate(QStringLiteral("mes_deviceresume")));
  } else {
    port->SetStoped(true);
    FExchangeHost.MainHintShow(0, FExchangeHost.Translate(QStringLiteral("mes_devicepause")));
    FHost.ClearSettingsErrors();
  }
}
