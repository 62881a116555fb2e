// The simulated tracker's scan reports: on and off by command, streamed at every tick while on,
// and never with --scan none.

#include "base/clock.h"
#include "tracker_sim.h"

#include <QTest>

namespace {

int Count(const QByteArray& aBytes, const QByteArray& aKey) {
  return int(aBytes.count(">" + aKey + "="));
}

} // namespace

class TstDevsimScans : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void commandsTurnStreamsOnAndOff_data();
  void commandsTurnStreamsOnAndOff();
  void olderFirmwareIgnoresThem();
};

void TstDevsimScans::commandsTurnStreamsOnAndOff_data() {
  QTest::addColumn<QByteArray>("scan");
  QTest::addColumn<QByteArray>("key");
  QTest::addColumn<int>("perTick");
  QTest::newRow("BLE") << QByteArray("20") << QByteArray("BLESCAN") << 13;
  QTest::newRow("Wi-Fi") << QByteArray("21") << QByteArray("WIFISCAN") << 4;
  QTest::newRow("cells") << QByteArray("22") << QByteArray("LBSSCAN") << 4;
}

void TstDevsimScans::commandsTurnStreamsOnAndOff() {
  QFETCH(QByteArray, scan);
  QFETCH(QByteArray, key);
  QFETCH(int, perTick);
  TManualClock clock;
  TTrackerSim sim({}, clock);
  QCOMPARE(Count(sim.Stream(), key), 0);
  const QByteArray first = sim.Feed(">D " + scan + ";1\r\n");
  QCOMPARE(Count(first, key), perTick);
  QCOMPARE(Count(first, "TW"), 0); // only the reports
  QCOMPARE(Count(sim.Stream(), key), perTick);
  QCOMPARE(sim.Feed(">D " + scan + ";0\r\n"), QByteArray());
  QCOMPARE(Count(sim.Stream(), key), 0);
}

void TstDevsimScans::olderFirmwareIgnoresThem() {
  TManualClock clock;
  TTrackerOptions options;
  options.Scan = smNone;
  TTrackerSim sim(options, clock);
  QCOMPARE(sim.Feed(">D 20;1\r\n>D 21;1\r\n>D 22;1\r\n"), QByteArray());
  const QByteArray tick = sim.Stream();
  QVERIFY(Count(tick, "TW") > 0);
  QVERIFY(!tick.contains("SCAN="));
}

QTEST_GUILESS_MAIN(TstDevsimScans)
#include "tst_devsim_scans.moc"
