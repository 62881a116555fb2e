// The PC's radios as the system offers them. NetworkManager is played on a private message bus
// by a service that answers from a recorded reply set; the Bluetooth stack finds no BlueZ there,
// which is the PC without an adapter.

#include "device/scan_picker.h"
#include "platform/ble_scanner.h"
#include "platform/wifi_scanner.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

namespace {

const QString kNM = QStringLiteral("org.freedesktop.NetworkManager");
const QString kRoot = QStringLiteral("/org/freedesktop/NetworkManager");

struct TAccessPoint {
  QString Path;
  QByteArray Ssid;
  uchar Strength;
  QString HwAddress;
};

// NetworkManager as far as the scanner asks it: devices with their types, a Wi-Fi device's
// access points with their properties, and scan requests (answered as refused when told so).
class TFakeNetworkManager : public QDBusVirtualObject {
public:
  QMap<QString, uint> Devices; // path -> DeviceType
  QList<TAccessPoint> Points;
  bool RefuseScans = false;
  int ScanRequests = 0;

  QString introspect(const QString&) const override { return QString(); }
  bool handleMessage(const QDBusMessage& aMessage, const QDBusConnection& aConnection) override {
    const QString member = aMessage.member();
    const QString path = aMessage.path();
    QDBusMessage reply;
    if (member == QLatin1String("GetDevices") && path == kRoot) {
      QList<QDBusObjectPath> paths;
      for (const QString& p : Devices.keys())
        paths << QDBusObjectPath(p);
      reply = aMessage.createReply(QVariant::fromValue(paths));
    } else if (member == QLatin1String("Get") && Devices.contains(path)) {
      reply = aMessage.createReply(QVariant::fromValue(QDBusVariant(Devices.value(path))));
    } else if (member == QLatin1String("RequestScan")) {
      ++ScanRequests;
      reply = RefuseScans ? aMessage.createErrorReply(kNM + QStringLiteral(".Device.NotAllowed"),
                                                      QStringLiteral("Scanning not allowed immediately"))
                          : aMessage.createReply();
    } else if (member == QLatin1String("GetAllAccessPoints")) {
      QList<QDBusObjectPath> paths;
      for (const TAccessPoint& p : Points)
        paths << QDBusObjectPath(p.Path);
      reply = aMessage.createReply(QVariant::fromValue(paths));
    } else if (member == QLatin1String("GetAll")) {
      for (const TAccessPoint& p : Points)
        if (p.Path == path)
          reply =
              aMessage.createReply(QVariantMap{{QStringLiteral("Ssid"), p.Ssid},
                                               {QStringLiteral("Strength"), QVariant::fromValue(p.Strength)},
                                               {QStringLiteral("HwAddress"), p.HwAddress},
                                               {QStringLiteral("Frequency"), 2412u}});
    }
    if (reply.type() == QDBusMessage::InvalidMessage)
      reply = aMessage.createErrorReply(QDBusError::UnknownMethod, member);
    return aConnection.send(reply);
  }
};

} // namespace

class TstPCRadios : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void initTestCase();
  void cleanupTestCase();
  void networkManagerLists_data();
  void networkManagerLists();
  void noWirelessDevice();
  void noService();
  void noBus();
  void bluetoothWithoutBlueZ();

private:
  QDBusConnection Client() { return QDBusConnection(QStringLiteral("client")); }
  bool Serve(TFakeNetworkManager& aService);
  void Unserve();

  QProcess FDaemon;
  QString FAddress;
};

void TstPCRadios::initTestCase() {
  if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
    QSKIP("dbus-daemon is not installed");
  FDaemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                QStringLiteral("--print-address=1")});
  QVERIFY(FDaemon.waitForStarted(5000));
  QTRY_VERIFY_WITH_TIMEOUT(FDaemon.canReadLine(), 10000);
  FAddress = QString::fromLatin1(FDaemon.readLine().trimmed());
  QVERIFY(QDBusConnection::connectToBus(FAddress, QStringLiteral("client")).isConnected());
  QVERIFY(QDBusConnection::connectToBus(FAddress, QStringLiteral("server")).isConnected());
  // The Bluetooth stack looks for BlueZ on the system bus: here, a bus without it.
  qputenv("DBUS_SYSTEM_BUS_ADDRESS", FAddress.toLatin1());
}

void TstPCRadios::cleanupTestCase() {
  QDBusConnection::disconnectFromBus(QStringLiteral("client"));
  QDBusConnection::disconnectFromBus(QStringLiteral("server"));
  FDaemon.terminate();
  FDaemon.waitForFinished(5000);
}

bool TstPCRadios::Serve(TFakeNetworkManager& aService) {
  QDBusConnection server(QStringLiteral("server"));
  return server.registerVirtualObject(kRoot, &aService, QDBusConnection::SubPath) &&
         server.registerService(kNM);
}

void TstPCRadios::Unserve() {
  QDBusConnection server(QStringLiteral("server"));
  server.unregisterObject(kRoot, QDBusConnection::UnregisterTree);
  server.unregisterService(kNM);
}

void TstPCRadios::networkManagerLists_data() {
  QTest::addColumn<bool>("refused");
  QTest::newRow("scan done") << false;
  QTest::newRow("scan refused: the list held") << true;
}

void TstPCRadios::networkManagerLists() {
  QFETCH(bool, refused);
  TFakeNetworkManager nm;
  nm.Devices = {{kRoot + QStringLiteral("/Devices/1"), 1u}, {kRoot + QStringLiteral("/Devices/3"), 2u}};
  nm.Points = {
      {kRoot + QStringLiteral("/AccessPoint/7"), "HomeA", 80, QStringLiteral("00:11:22:33:44:01")},
      {kRoot + QStringLiteral("/AccessPoint/8"), "HomeB", 100, QStringLiteral("00:11:22:33:44:02")},
      {kRoot + QStringLiteral("/AccessPoint/9"), QByteArray(), 30, QStringLiteral("00:11:22:33:44:03")},
      {kRoot + QStringLiteral("/AccessPoint/10"), "\xCF\xF0\xE8\xE2\xE5\xF2", 0,
       QStringLiteral("00:11:22:33:44:04")},
  };
  nm.RefuseScans = refused;
  QVERIFY(Serve(nm));
  std::unique_ptr<IWiFiScanner> scanner = CreateNetworkManagerScanner(Client());
  QSignalSpy opened(scanner.get(), &IWiFiScanner::Opened);
  QSignalSpy scanned(scanner.get(), &IWiFiScanner::Scanned);
  scanner->Open();
  QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 1, 10000);
  QCOMPARE(opened.first().first().toBool(), true);
  scanner->Scan();
  QTRY_COMPARE_WITH_TIMEOUT(scanned.size(), 1, 10000);
  QCOMPARE(nm.ScanRequests, 1); // only the wireless device is asked
  const auto networks = scanned.first().first().value<QList<TWiFiNetwork>>();

  TWiFiList list;
  AddPCNetworks(list, networks, QStringLiteral("[hidden]"));
  QStringList rows;
  for (int i = 0; i < list.Count(); ++i)
    rows << QStringLiteral("%1|%2|%3").arg(list.At(i).MAC, list.At(i).SSID).arg(list.At(i).RSSI);
  rows.sort();
  QCOMPARE(rows, (QStringList{"PC_00:11:22:33:44:01|HomeA|-60", "PC_00:11:22:33:44:02|HomeB|-50",
                              "PC_00:11:22:33:44:03|[hidden]|-85", "PC_00:11:22:33:44:04|Привет|-100"}));
  Unserve();
}

void TstPCRadios::noWirelessDevice() {
  TFakeNetworkManager nm;
  nm.Devices = {{kRoot + QStringLiteral("/Devices/1"), 1u}};
  QVERIFY(Serve(nm));
  std::unique_ptr<IWiFiScanner> scanner = CreateNetworkManagerScanner(Client());
  QSignalSpy opened(scanner.get(), &IWiFiScanner::Opened);
  scanner->Open();
  QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 1, 10000);
  QCOMPARE(opened.first().first().toBool(), false);
  Unserve();
}

void TstPCRadios::noService() {
  std::unique_ptr<IWiFiScanner> scanner = CreateNetworkManagerScanner(Client());
  QSignalSpy opened(scanner.get(), &IWiFiScanner::Opened);
  scanner->Open();
  QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 1, 10000);
  QCOMPARE(opened.first().first().toBool(), false);
}

void TstPCRadios::noBus() {
  const QDBusConnection none =
      QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("none"));
  QVERIFY(!none.isConnected());
  std::unique_ptr<IWiFiScanner> scanner = CreateNetworkManagerScanner(none);
  QSignalSpy opened(scanner.get(), &IWiFiScanner::Opened);
  scanner->Open();
  QCOMPARE(opened.size(), 0); // never from inside the call
  QTRY_COMPARE(opened.size(), 1);
  QCOMPARE(opened.first().first().toBool(), false);
  QDBusConnection::disconnectFromBus(QStringLiteral("none"));
}

void TstPCRadios::bluetoothWithoutBlueZ() {
  std::unique_ptr<IBLEScanner> scanner = CreateSystemBLEScanner();
  QString error;
  QVERIFY(!scanner->Start(60000, &error));
  QVERIFY(!error.isEmpty());
  scanner->Stop();
}

QTEST_GUILESS_MAIN(TstPCRadios)
#include "tst_pc_radios.moc"
