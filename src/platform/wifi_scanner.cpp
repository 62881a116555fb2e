#include "platform/wifi_scanner.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QMetaObject>
#include <functional>

namespace {

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kDevice = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString kWireless = QStringLiteral("org.freedesktop.NetworkManager.Device.Wireless");
const QString kAccessPoint = QStringLiteral("org.freedesktop.NetworkManager.AccessPoint");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
constexpr uint kDeviceTypeWiFi = 2;
// NetworkManager answers at once; a bus that hangs must not leave the dialog waiting for long.
constexpr int kCallTimeoutMs = 5000;

class TNetworkManagerScanner : public IWiFiScanner {
public:
  TNetworkManagerScanner(const QDBusConnection& aBus, QObject* aParent) : IWiFiScanner(aParent), FBus(aBus) {}

  void Open() override {
    Close();
    const int generation = FGeneration;
    if (!FBus.isConnected()) {
      QMetaObject::invokeMethod(
          this, [this, generation] { Answer(generation, false); }, Qt::QueuedConnection);
      return;
    }
    QDBusMessage hasOwner = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    hasOwner << kService;
    Call(hasOwner, [this, generation](const QDBusMessage& aReply) {
      if (aReply.type() != QDBusMessage::ReplyMessage || aReply.arguments().value(0).toBool() != true) {
        Answer(generation, false);
        return;
      }
      Call(QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("GetDevices")),
           [this, generation](const QDBusMessage& aDevices) { DevicesListed(generation, aDevices); });
    });
  }

  void Scan() override {
    const int generation = FGeneration;
    if (FDevices.isEmpty()) {
      QMetaObject::invokeMethod(
          this, [this, generation] { Deliver(generation, {}); }, Qt::QueuedConnection);
      return;
    }
    // One round: every interface's access points, each read whole; the round ends when the last
    // answer is in.
    auto round = std::make_shared<TRound>();
    round->Pending = int(FDevices.size());
    for (const QString& device : FDevices) {
      // Too frequent requests are refused (NotAllowed); the list held is what counts.
      QDBusMessage request =
          QDBusMessage::createMethodCall(kService, device, kWireless, QStringLiteral("RequestScan"));
      request << QVariantMap();
      Call(request, [](const QDBusMessage&) {});
      Call(QDBusMessage::createMethodCall(kService, device, kWireless, QStringLiteral("GetAllAccessPoints")),
           [this, generation, round](const QDBusMessage& aReply) {
             const QList<QDBusObjectPath> points = ObjectPaths(aReply);
             round->Pending += int(points.size()) - 1;
             for (const QDBusObjectPath& point : points) {
               QDBusMessage get = QDBusMessage::createMethodCall(kService, point.path(), kProperties,
                                                                 QStringLiteral("GetAll"));
               get << kAccessPoint;
               Call(get, [this, generation, round](const QDBusMessage& aProperties) {
                 if (aProperties.type() == QDBusMessage::ReplyMessage)
                   round->Networks.append(
                       AccessPointFromProperties(qdbus_cast<QVariantMap>(aProperties.arguments().value(0))));
                 if (--round->Pending == 0)
                   Deliver(generation, round->Networks);
               });
             }
             if (round->Pending == 0)
               Deliver(generation, round->Networks);
           });
    }
  }

  void Close() override {
    // Answers still on their way belong to an older opening.
    ++FGeneration;
    FDevices.clear();
  }

private:
  struct TRound {
    int Pending = 0;
    QList<TWiFiNetwork> Networks;
  };

  void Call(const QDBusMessage& aMessage, std::function<void(const QDBusMessage&)> aDone) {
    auto* watcher = new QDBusPendingCallWatcher(FBus.asyncCall(aMessage, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [watcher, done = std::move(aDone)](QDBusPendingCallWatcher*) {
              watcher->deleteLater();
              done(watcher->reply());
            });
  }

  static QList<QDBusObjectPath> ObjectPaths(const QDBusMessage& aReply) {
    if (aReply.type() != QDBusMessage::ReplyMessage || aReply.arguments().isEmpty())
      return {};
    return qdbus_cast<QList<QDBusObjectPath>>(aReply.arguments().first());
  }

  void DevicesListed(int aGeneration, const QDBusMessage& aReply) {
    const QList<QDBusObjectPath> devices = ObjectPaths(aReply);
    if (devices.isEmpty()) {
      Answer(aGeneration, false);
      return;
    }
    auto pending = std::make_shared<int>(int(devices.size()));
    auto wireless = std::make_shared<QStringList>();
    for (const QDBusObjectPath& device : devices) {
      QDBusMessage get =
          QDBusMessage::createMethodCall(kService, device.path(), kProperties, QStringLiteral("Get"));
      get << kDevice << QStringLiteral("DeviceType");
      Call(get, [this, aGeneration, pending, wireless, path = device.path()](const QDBusMessage& aType) {
        if (aType.type() == QDBusMessage::ReplyMessage &&
            qdbus_cast<QDBusVariant>(aType.arguments().value(0)).variant().toUInt() == kDeviceTypeWiFi)
          wireless->append(path);
        if (--*pending > 0)
          return;
        if (aGeneration == FGeneration)
          FDevices = *wireless;
        Answer(aGeneration, !wireless->isEmpty());
      });
    }
  }

  void Answer(int aGeneration, bool aAvailable) {
    if (aGeneration == FGeneration)
      Q_EMIT Opened(aAvailable);
  }

  void Deliver(int aGeneration, const QList<TWiFiNetwork>& aNetworks) {
    if (aGeneration == FGeneration)
      Q_EMIT Scanned(aNetworks);
  }

  QDBusConnection FBus;
  QStringList FDevices;
  int FGeneration = 0;
};

} // namespace

TWiFiNetwork AccessPointFromProperties(const QVariantMap& aProperties) {
  TWiFiNetwork network;
  const QVariant ssid = aProperties.value(QStringLiteral("Ssid"));
  if (ssid.metaType() == QMetaType::fromType<QByteArray>())
    network.Ssid = ssid.toByteArray();
  bool ok = false;
  const uint strength = aProperties.value(QStringLiteral("Strength")).toUInt(&ok);
  network.Strength = ok ? int(qMin(strength, 100u)) : 0;
  network.Bssid = aProperties.value(QStringLiteral("HwAddress")).toString();
  return network;
}

std::unique_ptr<IWiFiScanner> CreateNetworkManagerScanner(const QDBusConnection& aBus, QObject* aParent) {
  return std::make_unique<TNetworkManagerScanner>(aBus, aParent);
}
