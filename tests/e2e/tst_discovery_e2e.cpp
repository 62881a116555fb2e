// The simulator on a real pseudo-terminal, found through VELMORA_EXTRA_PORTS, selected, and its
// bytes logged and framed; then unplugged and plugged in again.

#include "core/core_fixture.h"
#include "core/port_list.h"
#include "platform/serial_enumerator.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Starts the simulator and waits for its terminal to appear behind aLink.
bool StartSimulator(QProcess& aProcess, const QString& aLink) {
  const QString bin = qEnvironmentVariable("VELMORA_BIN_DIR") + QStringLiteral("/velmora-devsim");
  aProcess.start(bin, {QStringLiteral("--gen"), QStringLiteral("1"), QStringLiteral("--rate"),
                       QStringLiteral("200"), QStringLiteral("--id"), QStringLiteral("4242"),
                       QStringLiteral("--link"), aLink});
  if (!aProcess.waitForStarted(5000))
    return false;
  for (int i = 0; i < 100 && !QFileInfo::exists(aLink); ++i)
    QTest::qWait(50);
  return QFileInfo::exists(aLink);
}

} // namespace

class TstDiscoveryE2E : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void simulatorIsFoundSelectedAndFramed();
};

void TstDiscoveryE2E::simulatorIsFoundSelectedAndFramed() {
  if (!QFileInfo::exists(qEnvironmentVariable("VELMORA_BIN_DIR") + QStringLiteral("/velmora-devsim")))
    QSKIP("velmora-devsim is not built");
  QTemporaryDir dir;
  const QString link = dir.filePath(QStringLiteral("sim0"));
  qputenv("VELMORA_EXTRA_PORTS", (link + QStringLiteral("=USB\\VID_0483&PID_5740&REV_0200")).toLocal8Bit());

  QProcess simulator;
  QVERIFY(StartSimulator(simulator, link));

  TRecorderHost host;
  TExchangeCore core(host, TClock::System());
  // Stands in for the status decoder: every key=value line is taken.
  core.SetDecoder(1, [&core](int i) { core.Gen1Index()[i].State = psRecognised; });
  TUdevSerialEnumerator enumerator;
  TListHost buttons;
  TPortDiscovery discovery(core, enumerator, buttons);
  discovery.UpdatePortListUSB();
  host.Port = discovery.Q();
  QVERIFY(host.Port);
  QCOMPARE(host.Port->PortName(), QStringLiteral("sim0"));
  QVERIFY(host.Port->Com()->Connected());

  // The tracker streams by itself: detection decides for generation 1 and lines are framed.
  QTRY_COMPARE_WITH_TIMEOUT(core.Version(), vtVersion1, 10000);
  QVERIFY(core.InByteTotal() > 0);
  QVERIFY(!core.Gen1Index().empty());
  QCOMPARE(core.TrafficLog().AsText(core.Gen1Index().front().Position, 1), QStringLiteral(">"));
  // Asking works too: the identity request is answered with the ID we gave.
  host.Port->SendAnsiString(">I 0\r\n");
  QTRY_VERIFY_WITH_TIMEOUT(
      core.TrafficLog().AsText(0, core.TrafficLog().Size()).contains(QStringLiteral("4242")), 5000);

  // Unplugged: reported once, nothing selected.
  simulator.terminate();
  QVERIFY(simulator.waitForFinished(5000));
  QTRY_VERIFY_WITH_TIMEOUT(host.Hints.contains({0, QStringLiteral("mes_devicelost")}), 5000);
  QTRY_COMPARE_WITH_TIMEOUT(discovery.PortIndex(), -1, 5000);
  QCOMPARE(discovery.List().PortCount(), 0);

  // Plugged in again: the same record is shown and selected, and bytes flow again.
  QProcess again;
  QVERIFY(StartSimulator(again, link));
  QTRY_COMPARE_WITH_TIMEOUT(discovery.PortIndex(), 0, 5000);
  QCOMPARE(discovery.List().Count(), 1);
  const qint64 before = core.InByteTotal();
  QTRY_VERIFY_WITH_TIMEOUT(core.InByteTotal() > before, 5000);
  again.terminate();
  again.waitForFinished(5000);
}

QTEST_GUILESS_MAIN(TstDiscoveryE2E)
#include "tst_discovery_e2e.moc"
