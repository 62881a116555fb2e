#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <memory>

// One network the PC's wireless adapter sees.
struct TWiFiNetwork {
  QByteArray Ssid;  // the name bytes as broadcast; empty for a hidden network
  int Strength = 0; // signal quality, 0 to 100
  QString Bssid;    // the access point's address
};

// The PC's wireless service. Every answer comes later, on the thread that owns the scanner, and
// never from inside the call that asked for it.
class IWiFiScanner : public QObject {
  Q_OBJECT
public:
  using QObject::QObject;
  // Looks for the service and its wireless interfaces; answers Opened.
  virtual void Open() = 0;
  // Asks every wireless interface for a fresh scan and answers Scanned with the networks it
  // holds now (a scan refused as too frequent still lists what is known).
  virtual void Scan() = 0;
  virtual void Close() = 0;

Q_SIGNALS:
  // False: no service, or no wireless interface.
  void Opened(bool aAvailable);
  void Scanned(const QList<TWiFiNetwork>& aNetworks);
};

// An access point from the properties NetworkManager gives for it ("Ssid", "Strength",
// "HwAddress"); missing or mistyped properties read as empty or 0.
TWiFiNetwork AccessPointFromProperties(const QVariantMap& aProperties);

// NetworkManager over D-Bus; the system bus unless another connection is given.
std::unique_ptr<IWiFiScanner>
CreateNetworkManagerScanner(const QDBusConnection& aBus = QDBusConnection::systemBus(),
                            QObject* aParent = nullptr);
