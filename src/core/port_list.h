#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class IExchangeHost;
class ISerialEnumerator;
class TCommPortDriver;
class TExchangeCore;
class TPortInfo;
struct TSerialPortEntry;

// What the port column needs from the window.
class IPortListHost {
public:
  virtual ~IPortListHost() = default;
  // A record was created: give it its button.
  virtual void PortCreated(TPortInfo* aPort, int aIndex) = 0;
  // No present port: the column shows its empty state.
  virtual void ShowEmptyState(bool aEmpty) = 0;
  virtual void RealignPorts() = 0;
  virtual void ReloadMonitorLayout() = 0;
  virtual void ClearSettingsErrors() = 0;
  // After the selection changed (index -1: none): page switching, password field.
  virtual void PortSelectionChanged(int aIndex) = 0;
};

// Accepted USB devices.
bool QualifiesAsDevice(const QString& aHardwareId);
// The port name in brackets at the end of a friendly name, or empty when it is not a well-formed
// port name (non-empty, no spaces or brackets, ending in a whole number).
QString PortNameFromFriendlyName(const QString& aFriendlyName);
// The name a present port is listed by: the one the system gave, else the one in its friendly name.
QString PortNameOf(const TSerialPortEntry& aEntry);
// The present ports the port column would list: accepted identities with a name.
QList<TSerialPortEntry> DevicePorts(ISerialEnumerator& aEnumerator);

// Every port ever seen, in discovery order; a record keeps its index for the run.
class TPortInfoList {
public:
  using TDriverFactory = std::function<TCommPortDriver*()>;

  TPortInfoList(TExchangeCore& aCore, TDriverFactory aFactory);
  ~TPortInfoList();

  int Count() const { return int(FPorts.size()); }
  TPortInfo* Get(int aIndex) const;
  int IndexOf(const TPortInfo* aPort) const;
  // Ignoring case; -1 when none.
  int IndexByName(const QString& aName) const;
  int PortCount() const;
  // Creates a record with its driver (opening aDevicePath) and appends it.
  int New(const QString& aPortName, const QString& aDevicePath);
  // Appends a record around a driver made elsewhere (the replay port).
  int Adopt(const QString& aPortName, std::unique_ptr<TCommPortDriver> aDriver);
  // Only the replay port is ever removed.
  void Remove(int aIndex);

private:
  struct TEntry {
    std::unique_ptr<TPortInfo> Port;
    // Declared after the record, so it goes first: no delivery reaches a record being destroyed.
    std::unique_ptr<TCommPortDriver> Driver;
  };
  TExchangeCore& FCore;
  TDriverFactory FFactory;
  std::vector<TEntry> FPorts;
};

// Finding, listening to and selecting device ports. Exactly one port is the selected one: its
// driver delivers to the receive entry and every command goes to it.
class TPortDiscovery : public QObject {
  Q_OBJECT
public:
  TPortDiscovery(TExchangeCore& aCore, ISerialEnumerator& aEnumerator, IPortListHost& aHost,
                 TPortInfoList::TDriverFactory aFactory = {}, QObject* aParent = nullptr);
  ~TPortDiscovery() override;

  TPortInfoList& List() { return FList; }
  TPortInfo* Q() const;
  int PortIndex() const { return FPortIndex; }
  void SetPortIndex(int aValue);
  QString LastPortName() const { return FLastPortName; }
  bool NoSwitchCOMAuto() const { return FNoSwitchCOMAuto; }
  void SetNoSwitchCOMAuto(bool aValue) { FNoSwitchCOMAuto = aValue; }
  bool PortInUse() const { return FPortInUse; }
  void SetPortInUse(bool aValue) { FPortInUse = aValue; }

  // Ports another part of the program drives on its own (the station): discovery neither listens
  // to them nor selects them, so two owners never write to one device.
  using TClaimed = std::function<bool(const QString& aPortName)>;
  void SetClaimed(TClaimed aClaimed) { FClaimed = std::move(aClaimed); }
  bool Claimed(const TPortInfo* aPort) const;

  void UpdatePortListUSB();
  void act_PortExecute(TPortInfo* aSender);
  // Receive event of ports that are not selected.
  void QWaitData(TCommPortDriver* Sender, const char* DataPtr, int DataSize);
  void UpdateTypeInfo();
  // A press on a port button: select, pause or resume.
  void PortPressed(int aIndex);

  // The replay port: one at most, named "VIRTUAL", present until closed.
  int AddVirtualPort(std::unique_ptr<TCommPortDriver> aDriver, const QString& aHint);
  void CloseVirtualPort();
  TPortInfo* VirtualPort() const { return FVirtual; }

private:
  void ListenTo(TPortInfo* aPort);
  void ClearIdentity(TPortInfo* aPort);
  void DriverLost();

  TExchangeCore& FCore;
  IExchangeHost& FExchangeHost;
  ISerialEnumerator& FEnumerator;
  IPortListHost& FHost;
  TPortInfoList FList;
  int FPortIndex = -1;
  QString FLastPortName;
  bool FNoSwitchCOMAuto = false;
  bool FPortInUse = false;
  bool FRescanQueued = false;
  TPortInfo* FVirtual = nullptr;
  TClaimed FClaimed;
};
