// The station beside the window's own work: it takes the ports the window does not drive, never
// the one it does, and the window cannot take one of the station's.

#include "device/port_info.h"
#include "jobs/station.h"
#include "sim_window_fixture.h"
#include "ui/station_page.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTableView>
#include <QTest>

namespace {

struct TStationRig : TSimWindowBase {
  QProcess Second;

  ~TStationRig() {
    Window.reset();
    Second.terminate();
    Second.waitForFinished(5000);
  }
  QString SecondLink() const { return Dir.filePath(QStringLiteral("sim1")); }
  QString Trace(int aIndex) const { return Dir.filePath(QStringLiteral("trace%1.txt").arg(aIndex)); }
  QByteArray Traced(int aIndex) const {
    QFile file(Trace(aIndex));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  bool StartSecond() {
    Second.start(qEnvironmentVariable("VELMORA_BIN_DIR") + QStringLiteral("/velmora-devsim"),
                 {QStringLiteral("--gen"), QStringLiteral("1"), QStringLiteral("--type"),
                  QStringLiteral("216"), QStringLiteral("--id"), QStringLiteral("902"),
                  QStringLiteral("--rate"), QStringLiteral("300"), QStringLiteral("--trace"), Trace(1),
                  QStringLiteral("--link"), SecondLink()});
    return Second.waitForStarted(5000) &&
           QTest::qWaitFor([&] { return QFileInfo::exists(SecondLink()); }, 5000);
  }
};

} // namespace

class TstStationWindowE2E : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void stationLeavesTheWindowsPortAlone();
};

void TstStationWindowE2E::stationLeavesTheWindowsPortAlone() {
  if (!QFileInfo::exists(qEnvironmentVariable("VELMORA_BIN_DIR") + QStringLiteral("/velmora-devsim")))
    QSKIP("velmora-devsim is not built");
  TStationRig rig;
  QVERIFY(rig.StartSimulator({QStringLiteral("--gen"), QStringLiteral("1"), QStringLiteral("--type"),
                              QStringLiteral("216"), QStringLiteral("--id"), QStringLiteral("901"),
                              QStringLiteral("--rate"), QStringLiteral("300"), QStringLiteral("--trace"),
                              rig.Trace(0)}));
  qputenv("VELMORA_EXTRA_PORTS", (rig.Link() + QLatin1Char('=') + kSimTrackerHardwareId + QLatin1Char(',') +
                                  rig.SecondLink() + QLatin1Char('=') + kSimTrackerHardwareId)
                                     .toLocal8Bit());
  TMF& w = rig.CreateWindow();
  w.show();
  // The only device is the window's, as always.
  QTRY_VERIFY_WITH_TIMEOUT(w.Q() && w.Q()->DeviceName() == QStringLiteral("901"), 10000);

  TJobPlan plan;
  plan.Steps = {{skCommand, QStringLiteral("act_Reboot")}};
  plan.Language = 1;
  w.act_PageStation();
  TStation& station = w.Station();
  station.Start(plan);
  QVERIFY(rig.StartSecond());

  // The device plugged in later is the station's: its job runs there, the window stays on its own.
  QTRY_COMPARE_WITH_TIMEOUT(station.RowCount(), 2, 10000);
  auto stateOf = [&station](const QString& aPort) {
    for (int i = 0; i < station.RowCount(); ++i)
      if (station.Row(i).Port == aPort)
        return station.Row(i).State;
    return TStation::ssGone;
  };
  QTRY_COMPARE_WITH_TIMEOUT(stateOf(QStringLiteral("sim1")), TStation::ssDone, 20000);
  QCOMPARE(stateOf(QStringLiteral("sim0")), TStation::ssWindow);
  QVERIFY(QTest::qWaitFor([&] { return rig.Traced(1).contains(">D 1\\r"); }, 5000));
  QCOMPARE(w.Q()->PortName(), QStringLiteral("sim0"));
  QVERIFY(w.Core().Version() == vtVersion1);

  // The window cannot take the station's port while it runs.
  TPortDiscovery& discovery = w.Discovery();
  const int second = discovery.List().IndexByName(QStringLiteral("sim1"));
  QVERIFY(second >= 0);
  discovery.PortPressed(second);
  QCOMPARE(w.Q()->PortName(), QStringLiteral("sim0"));
  QVERIFY(rig.HintShown(QStringLiteral("This port is busy with the preparation station")));
  QVERIFY(!rig.Traced(0).contains(">D 1\\r"));

  // The table shows the device as its run learned it.
  QTableView* table = w.StationPage().Table();
  const QModelIndex id = table->model()->index(1, TStationModel::scId);
  QCOMPARE(table->model()->data(id).toString(), QStringLiteral("902"));
  QCOMPARE(w.StationPage().Summary(), QStringLiteral("Done: 1, failed: 0, running: 0"));

  // Stopped, the station lets go: the window may take the port again.
  station.Stop();
  discovery.PortPressed(second);
  QTRY_COMPARE_WITH_TIMEOUT(w.Q()->PortName(), QStringLiteral("sim1"), 5000);
}

QTEST_MAIN(TstStationWindowE2E)
#include "tst_station_window_e2e.moc"
