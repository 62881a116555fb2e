#include "core/port_list.h"
#include "core_fixture.h"
#include "platform/serial_enumerator.h"

#include <QTest>

namespace {

class TFakeEnumerator : public ISerialEnumerator {
public:
  QList<TSerialPortEntry> Present;
  QList<TSerialPortEntry> Enumerate() override { return Present; }
  void Plug(const QString& aName, const QString& aId = QStringLiteral("USB\\VID_0483&PID_5740&REV_0200")) {
    Present.append({aId, QStringLiteral("USB Serial Device (%1)").arg(aName), QStringLiteral("/dev/") + aName,
                    QString()});
  }
  void Unplug(const QString& aName) {
    Present.removeIf([&](const TSerialPortEntry& e) { return e.FriendlyName.contains(aName); });
  }
};

struct TDiscoveryRig {
  TRecorderHost Host;
  TManualClock Clock;
  TExchangeCore Core{Host, Clock};
  TFakeEnumerator Enumerator;
  TListHost ListHost;
  TPortDiscovery Discovery{Core, Enumerator, ListHost, [] { return new TFakeDriver; }};

  TDiscoveryRig() {
    // The window answers "which port is selected" from the discovery.
    Host.Port = nullptr;
  }
  void Sync() { Host.Port = Discovery.Q(); }
  TFakeDriver* Driver(int aIndex) { return static_cast<TFakeDriver*>(Discovery.List().Get(aIndex)->Com()); }
  QStringList Present() {
    QStringList names;
    for (int i = 0; i < Discovery.List().Count(); ++i)
      if (Discovery.List().Get(i)->Exist())
        names << Discovery.List().Get(i)->PortName();
    return names;
  }
};

} // namespace

class TstPortDiscovery : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void portNames_data();
  void portNames();
  void filter_data();
  void filter();
  void returningPortReusesItsRecord();
  void singlePortSelectedPastVanishedOnes();
  void firstPortToSpeakIsSelected();
  void selectionWaitsForTheImei();
  void noAutoSwitchReturnsToLastPortOnly();
  void lostPortIsReported();
  void pauseAndResume();
  void heldSensorRequestsGoWithTheirDevice_data();
  void heldSensorRequestsGoWithTheirDevice();
  void extraPorts_data();
  void extraPorts();
};

void TstPortDiscovery::portNames_data() {
  QTest::addColumn<QString>("friendly");
  QTest::addColumn<QString>("name");
  QTest::newRow("usb serial") << "USB Serial Device (ttyACM12)"
                              << "ttyACM12";
  QTest::newRow("port zero is a port") << "Tracker (ttyUSB0)"
                                       << "ttyUSB0";
  QTest::newRow("brackets in the description") << "Board (rev B) (ttyACM3)"
                                               << "ttyACM3";
  QTest::newRow("extra port") << "Serial Device (velmora-sim0)"
                              << "velmora-sim0";
  QTest::newRow("no number") << "Tracker (ttyACMx)"
                             << "";
  QTest::newRow("space inside") << "Tracker (tty ACM1)"
                                << "";
  QTest::newRow("no brackets") << "Tracker ttyACM1"
                               << "";
  QTest::newRow("empty brackets") << "Tracker ()"
                                  << "";
}

void TstPortDiscovery::portNames() {
  QFETCH(QString, friendly);
  QFETCH(QString, name);
  QCOMPARE(PortNameFromFriendlyName(friendly), name);
}

void TstPortDiscovery::filter_data() {
  QTest::addColumn<QString>("id");
  QTest::addColumn<bool>("accepted");
  QTest::newRow("main tracker id") << "USB\\VID_0483&PID_5740&REV_0200" << true;
  QTest::newRow("main id needs the usb bus") << "BTH\\VID_0483&PID_5740" << false;
  QTest::newRow("service adapter") << "USB\\VID_0483&PID_5742&MI_00" << true;
  QTest::newRow("modem interface 04") << "USB\\VID_1E0E&PID_9011&REV_0100&MI_04" << true;
  QTest::newRow("modem interface 02") << "USB\\VID_1E0E&PID_9011&REV_0100&MI_02" << false;
  QTest::newRow("ch340-like bridge") << "USB\\VID_1A86&PID_8040&REV_0254" << true;
  QTest::newRow("unknown") << "USB\\VID_1234&PID_5678" << false;
}

void TstPortDiscovery::filter() {
  QFETCH(QString, id);
  QFETCH(bool, accepted);
  QCOMPARE(QualifiesAsDevice(id), accepted);
}

void TstPortDiscovery::returningPortReusesItsRecord() {
  TDiscoveryRig rig;
  rig.Enumerator.Plug(QStringLiteral("ttyACM5"));
  rig.Enumerator.Present.append({QStringLiteral("USB\\VID_1234&PID_0001"), QStringLiteral("Other (ttyACM9)"),
                                 QStringLiteral("/dev/ttyACM9"), QString()});
  rig.Discovery.UpdatePortListUSB();
  QCOMPARE(rig.Present(), QStringList{"ttyACM5"});
  rig.Enumerator.Unplug(QStringLiteral("ttyACM5"));
  rig.Discovery.UpdatePortListUSB();
  QCOMPARE(rig.Present(), QStringList{});
  QVERIFY(rig.ListHost.Empty);
  rig.Enumerator.Plug(QStringLiteral("TTYacm5"));
  rig.Discovery.UpdatePortListUSB();
  QCOMPARE(rig.Discovery.List().Count(), 1);
  QCOMPARE(rig.ListHost.Created, 1);
  QVERIFY(rig.Discovery.List().Get(0)->Exist());
  QVERIFY(!rig.ListHost.Empty);
}

void TstPortDiscovery::singlePortSelectedPastVanishedOnes() {
  TDiscoveryRig rig;
  rig.Enumerator.Plug(QStringLiteral("ttyACM0"));
  rig.Enumerator.Plug(QStringLiteral("ttyACM1"));
  rig.Discovery.UpdatePortListUSB();
  QCOMPARE(rig.Discovery.PortIndex(), -1); // two ports: both listen
  QVERIFY(rig.Driver(0)->FConnected && rig.Driver(1)->FConnected);
  rig.Enumerator.Unplug(QStringLiteral("ttyACM0"));
  rig.Discovery.UpdatePortListUSB();
  QCOMPARE(rig.Discovery.PortIndex(), 1);
  QVERIFY(rig.Discovery.List().Get(1)->Active());
  QVERIFY(!rig.Driver(0)->FConnected);
}

void TstPortDiscovery::firstPortToSpeakIsSelected() {
  TDiscoveryRig rig;
  rig.Enumerator.Plug(QStringLiteral("ttyACM0"));
  rig.Enumerator.Plug(QStringLiteral("ttyACM1"));
  rig.Discovery.UpdatePortListUSB();
  rig.Driver(1)->Feed(">A=1\r\n");
  rig.Sync();
  QCOMPARE(rig.Discovery.PortIndex(), 1);
  QVERIFY(!rig.Driver(0)->FConnected); // selecting closes the others
  // The very bytes that made the choice are logged and framed.
  QCOMPARE(rig.Core.TrafficLog().AsText(0, 6), QStringLiteral(">A=1\r\n"));
  QCOMPARE(Describe(rig.Core.PacketIndex()), QStringLiteral("0:6:1"));
  QCOMPARE(Describe(rig.Core.Gen1Index()), QStringLiteral("0:6:1"));
  // From now on the selected port delivers straight to the receive entry.
  rig.Driver(1)->Feed(">B=2\r\n");
  QCOMPARE(rig.Core.PacketIndex().size(), size_t(2));
}

void TstPortDiscovery::selectionWaitsForTheImei() {
  TDiscoveryRig rig;
  rig.Enumerator.Plug(QStringLiteral("ttyACM0"));
  rig.Discovery.UpdatePortListUSB();
  rig.Sync();
  TPortInfo* port = rig.Discovery.Q();
  QVERIFY(port);
  port->SetDeviceName(QStringLiteral("12345"));
  port->SetDeviceVer(QStringLiteral("303"));
  port->SetDeviceSOFT(QStringLiteral("1.2"));
  // Name, type and software are known, but the device has not reported its IMEI yet.
  QVERIFY(port->WaitInfo());
  port->SetDeviceIMEI(QStringLiteral("861234567890123"));
  QVERIFY(!port->WaitInfo());
}

void TstPortDiscovery::noAutoSwitchReturnsToLastPortOnly() {
  TDiscoveryRig rig;
  rig.Discovery.SetNoSwitchCOMAuto(true);
  rig.Enumerator.Plug(QStringLiteral("ttyACM0"));
  rig.Discovery.UpdatePortListUSB();
  QCOMPARE(rig.Discovery.PortIndex(), -1);
  QVERIFY(!rig.Driver(0)->FConnected); // nothing listens
  rig.Discovery.SetPortIndex(0);
  QCOMPARE(rig.Discovery.LastPortName(), QStringLiteral("ttyACM0"));
  rig.Discovery.SetPortIndex(-1);

  rig.Enumerator.Unplug(QStringLiteral("ttyACM0"));
  rig.Discovery.UpdatePortListUSB();
  rig.Enumerator.Plug(QStringLiteral("ttyACM7"));
  rig.Discovery.UpdatePortListUSB();
  QCOMPARE(rig.Discovery.PortIndex(), -1); // another port: nothing selected
  rig.Enumerator.Plug(QStringLiteral("ttyACM0"));
  rig.Discovery.UpdatePortListUSB();
  QCOMPARE(rig.Discovery.PortIndex(), 0); // the last used port comes back
  QVERIFY(rig.Driver(0)->FConnected);
  // Bytes on a port that is not selected do not switch.
  rig.Discovery.QWaitData(rig.Driver(1), "x", 1);
  QCOMPARE(rig.Discovery.PortIndex(), 0);
}

void TstPortDiscovery::lostPortIsReported() {
  TDiscoveryRig rig;
  rig.Enumerator.Plug(QStringLiteral("ttyACM0"));
  rig.Enumerator.Plug(QStringLiteral("ttyACM1"));
  rig.Enumerator.Plug(QStringLiteral("ttyACM2"));
  rig.Discovery.UpdatePortListUSB();
  rig.Discovery.SetPortIndex(0);
  QVERIFY(rig.Discovery.PortInUse());
  rig.Enumerator.Unplug(QStringLiteral("ttyACM0"));
  rig.Discovery.UpdatePortListUSB();
  QCOMPARE(rig.Host.Hints, (QList<QPair<int, QString>>{{0, QStringLiteral("mes_devicelost")}}));
  QVERIFY(!rig.Discovery.PortInUse());
  QCOMPARE(rig.Discovery.PortIndex(), 0); // stays selected, hidden, until it returns
  QVERIFY(!rig.Discovery.List().Get(0)->Visible());
  rig.Enumerator.Plug(QStringLiteral("ttyACM0"));
  rig.Discovery.UpdatePortListUSB();
  QVERIFY(rig.Discovery.PortInUse());
  QVERIFY(rig.Discovery.List().Get(0)->Visible());
  QVERIFY(rig.Driver(0)->FConnected);
}

void TstPortDiscovery::pauseAndResume() {
  TDiscoveryRig rig;
  rig.Enumerator.Plug(QStringLiteral("ttyACM0"));
  rig.Discovery.UpdatePortListUSB();
  rig.Sync();
  QCOMPARE(rig.Discovery.PortIndex(), 0);
  rig.Discovery.PortPressed(0);
  QVERIFY(rig.Discovery.List().Get(0)->Stoped());
  QVERIFY(!rig.Driver(0)->FConnected);
  QCOMPARE(rig.Host.Hints.last(), (QPair<int, QString>{0, QStringLiteral("mes_devicepause")}));
  // Another device notice leaves a paused port paused.
  rig.Discovery.UpdatePortListUSB();
  QVERIFY(!rig.Driver(0)->FConnected);
  rig.Discovery.PortPressed(0);
  QVERIFY(rig.Driver(0)->FConnected);
  QCOMPARE(rig.Host.Hints.last(), (QPair<int, QString>{1, QStringLiteral("mes_deviceresume")}));
  // The port has said nothing yet and may be a sensor master: the program's own lines wait until
  // it has had its time to answer the probe, then go in order.
  TPortInfo* port = rig.Discovery.List().Get(0);
  QCOMPARE(rig.Driver(0)->Written, QList<QByteArray>{});
  rig.Clock.Advance(TExchangeCore::kProbeWaitMs + TPortInfo::kReplyTimeoutMs);
  port->ReleaseHeldText();
  QCOMPARE(rig.Driver(0)->Written, QList<QByteArray>{});
  rig.Clock.Advance(1);
  port->ReleaseHeldText();
  QCOMPARE(rig.Driver(0)->Written, (QList<QByteArray>{">I 0\r\n", ">I 7\r\n"}));
}

void TstPortDiscovery::extraPorts_data() {
  QTest::addColumn<QString>("value");
  QTest::addColumn<QStringList>("names");
  QTest::addColumn<QStringList>("ids");
  QTest::newRow("two entries") << "/tmp/velmora-sim0=USB\\VID_0483&PID_5740,/dev/pts/7=USB\\VID_1A86&PID_8040"
                               << QStringList{"velmora-sim0", "pts7"}
                               << QStringList{"USB\\VID_0483&PID_5740", "USB\\VID_1A86&PID_8040"};
  // Any file name will do; one that leads out of its folder names no port.
  QTest::newRow("name without a number") << "/tmp/sim=USB\\VID_0483&PID_5740,/tmp/..=USB\\X"
                                         << QStringList{"sim"} << QStringList{"USB\\VID_0483&PID_5740"};
  QTest::newRow("malformed entries skipped") << "=USB\\X,,/tmp/a1" << QStringList{} << QStringList{};
  QTest::newRow("empty") << "" << QStringList{} << QStringList{};
}

void TstPortDiscovery::extraPorts() {
  QFETCH(QString, value);
  QFETCH(QStringList, names);
  QFETCH(QStringList, ids);
  QStringList gotNames, gotIds;
  for (const TExtraPort& p : ParseExtraPorts(value)) {
    gotNames << p.PortName;
    gotIds << p.HardwareId;
  }
  QCOMPARE(gotNames, names);
  QCOMPARE(gotIds, ids);
  QCOMPARE(UsbHardwareId("0483", "5740", "0200", "00"),
           QStringLiteral("USB\\VID_0483&PID_5740&REV_0200&MI_00"));
  QCOMPARE(UsbHardwareId("1e0e", "9011", "", "04"), QStringLiteral("USB\\VID_1E0E&PID_9011&MI_04"));
}

void TstPortDiscovery::heldSensorRequestsGoWithTheirDevice_data() {
  QTest::addColumn<int>("next"); // the port selected next; -2: the port stays, its type changes
  QTest::newRow("another port selected") << 1;
  QTest::newRow("no port selected") << -1;
  QTest::newRow("same port, other type") << -2;
}

void TstPortDiscovery::heldSensorRequestsGoWithTheirDevice() {
  QFETCH(int, next);
  TDiscoveryRig rig;
  rig.Enumerator.Plug(QStringLiteral("ttyACM0"));
  rig.Enumerator.Plug(QStringLiteral("ttyACM1"));
  rig.Discovery.UpdatePortListUSB();
  rig.Discovery.SetPortIndex(0);
  rig.Sync();
  TPortInfo* sensor = rig.Discovery.List().Get(0);
  rig.Core.SetVersion(vtVersion3);
  sensor->SetDeviceVer(QStringLiteral("250"));
  // Requests of the sensor protocol (text never goes to a sensor master).
  const QByteArray r1 = QByteArray::fromHex("3110B0AB");
  const QByteArray r2 = QByteArray::fromHex("3110B1F5");
  sensor->SendAnsiString(r1);
  sensor->SendAnsiString(r2); // waits for the reply to r1
  QCOMPARE(rig.Driver(0)->Written, QList<QByteArray>{r1});
  QCOMPARE(sensor->QueuedCount(), 1);

  if (next == -2) {
    sensor->SetDeviceVer(QStringLiteral("303"));
  } else {
    rig.Discovery.SetPortIndex(next);
    rig.Sync();
  }
  QCOMPARE(sensor->QueuedCount(), 0);
  // Whatever sensor answers on the port later, the old request does not go out to it.
  rig.Discovery.SetPortIndex(0);
  rig.Sync();
  rig.Core.SetVersion(vtVersion3);
  sensor->SetDeviceVer(QStringLiteral("250"));
  rig.Driver(0)->Feed(QByteArray::fromHex("3E10B20011"));
  QCOMPARE(rig.Driver(0)->Written, QList<QByteArray>{r1});
}

QTEST_GUILESS_MAIN(TstPortDiscovery)
#include "tst_port_discovery.moc"
