// velmora-cli and the ports it is given: any name will do, and a device that vanishes ends the run.

#include "cli_fixture.h"

#include <QTest>
#include <csignal>
#include <sys/types.h>
#include <thread>

class TstCliPortsE2E : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void init();
  void portNamedWithoutNumberIsFound();
  void monitorEndsWhenTheDeviceVanishes();
};

void TstCliPortsE2E::init() {
  if (!TSimFarm::Built())
    QSKIP("velmora-devsim or velmora-cli is not built");
}

void TstCliPortsE2E::portNamedWithoutNumberIsFound() {
  TSimFarm farm;
  QVERIFY(farm.AddSimulator({"--gen", "1", "--id", "777", "--rate", "300"}, QStringLiteral("tracker")));
  const TCliRun run = farm.Cli({"identify", "tracker"});
  QVERIFY2(run.ExitCode == 0, qPrintable(run.Err));
  QVERIFY2(run.Out.contains(QStringLiteral("777")), qPrintable(run.Out));
}

void TstCliPortsE2E::monitorEndsWhenTheDeviceVanishes() {
  TSimFarm farm;
  QVERIFY(farm.AddSimulator({"--gen", "1", "--id", "778", "--rate", "200"}));
  const pid_t simulator = pid_t(farm.SimulatorPid(0));
  // Pulled out while it is being watched (the run itself blocks this thread).
  std::thread unplug([simulator] {
    std::this_thread::sleep_for(std::chrono::seconds(4));
    ::kill(simulator, SIGKILL);
  });
  const TCliRun run = farm.Cli({"monitor", "sim0", "--seconds", "60"}, 40000);
  unplug.join();
  QVERIFY2(run.ExitCode != 0 && run.ExitCode != -1, qPrintable(run.Err));
  QVERIFY2(run.Err.contains(QStringLiteral("Connection to device lost")), qPrintable(run.Err));
  // It watched before it ended.
  QVERIFY(!run.Out.isEmpty());
}

QTEST_MAIN(TstCliPortsE2E)
#include "tst_cli_ports_e2e.moc"
