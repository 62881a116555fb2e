// The preparation station against a box of simulated devices: one job for all of them, each on
// its own port, every outcome in the table and in the report.

#include "base/clock.h"
#include "cli_fixture.h"
#include "jobs/station.h"
#include "platform/registry.h"
#include "settings/settings_files.h"

#include <QDir>
#include <QTest>
#include <csignal>

namespace {

QStringList Tracker(int aId) {
  return {QStringLiteral("--gen"), QStringLiteral("1"),  QStringLiteral("--type"), QStringLiteral("227"),
          QStringLiteral("--id"),  QString::number(aId), QStringLiteral("--rate"), QStringLiteral("300")};
}

QByteArray Firmware(int aSize) {
  QByteArray bytes(aSize, '\0');
  for (int i = 0; i < aSize; ++i)
    bytes[i] = char((i * 31) ^ (i >> 7));
  return bytes;
}

// The station's row of a port, or null.
const TStation::TRow* RowOf(const TStation& aStation, const QString& aPort) {
  for (int i = 0; i < aStation.RowCount(); ++i)
    if (aStation.Row(i).Port == aPort)
      return &aStation.Row(i);
  return nullptr;
}

// Every row as one line, for a failure's message.
QByteArray Describe(const TStation& aStation) {
  QStringList out;
  for (int i = 0; i < aStation.RowCount(); ++i) {
    const TStation::TRow& r = aStation.Row(i);
    out << QStringLiteral("%1 state %2 step %3 %4% %5")
               .arg(r.Port)
               .arg(r.State)
               .arg(r.Step)
               .arg(r.Percent)
               .arg(r.Result);
  }
  return out.join(QStringLiteral("; ")).toUtf8();
}

TStation::TState StateOf(const TStation& aStation, const QString& aPort) {
  const TStation::TRow* row = RowOf(aStation, aPort);
  return row ? row->State : TStation::ssGone;
}

} // namespace

class TstStationE2E : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void init();
  void settingsAndFirmwareOnABoxWithMixedOutcomes();
};

void TstStationE2E::init() {
  if (!TSimFarm::Built())
    QSKIP("velmora-devsim or velmora-cli is not built");
}

void TstStationE2E::settingsAndFirmwareOnABoxWithMixedOutcomes() {
  TSimFarm farm;
  // Type 227 takes firmware over the line; its settings page is read from a cached schema.
  const QString appData = qEnvironmentVariable("APPDATA") + QStringLiteral("/Quillbay");
  QDir().mkpath(appData);
  const QString cached = appData + QStringLiteral("/227.json");
  QVERIFY(WriteAll(cached, EmbeddedSettingsSchema(QStringLiteral("305")).value()));
  struct TRemove {
    QString File;
    ~TRemove() { QFile::remove(File); }
  } removeCached{cached};

  // sim1 keeps another password than the one the station is given; sim2 is unplugged while its
  // firmware goes in; sim4 is plugged in once the others are done.
  const QStringList extra{QStringLiteral("--password"), QStringLiteral("222222")};
  for (int i = 0; i < 4; ++i)
    QVERIFY(farm.AddSimulator(
        Tracker(501 + i) + (i == 1 ? extra : QStringList()) +
        QStringList{QStringLiteral("--fw-out"), farm.Path(QStringLiteral("in%1.bin").arg(i))}));
  const TCliRun read =
      farm.Cli({QStringLiteral("read-settings"), QStringLiteral("sim0"), QStringLiteral("first.cfg")});
  QVERIFY2(read.ExitCode == 0, qPrintable(read.Err));
  // The file a technician keeps for the box: the first device's settings.
  const QByteArray config = ReadAll(farm.Path(QStringLiteral("first.cfg")));
  QVERIFY(!config.isEmpty());
  QVERIFY(WriteAll(farm.Path(QStringLiteral("box.cfg")), config));
  const QByteArray image = Firmware(300000);
  QVERIFY(WriteAll(farm.Path(QStringLiteral("fw.dfw")), image));

  // The later device's link is listed from the start: present once it exists.
  qputenv("VELMORA_EXTRA_PORTS", (farm.ExtraPorts() + QLatin1Char(',') + farm.Path(QStringLiteral("sim4")) +
                                  QLatin1Char('=') + kCliTrackerHardwareId)
                                     .toLocal8Bit());
  TUdevSerialEnumerator enumerator;
  TRegistry registry;
  TStation station(enumerator, registry, TClock::System(), nullptr);
  station.Refresh();
  QCOMPARE(station.RowCount(), 4);

  TJobPlan plan;
  plan.Steps = {{skWriteSettings, farm.Path(QStringLiteral("box.cfg"))},
                {skFirmware, farm.Path(QStringLiteral("fw.dfw"))}};
  plan.Password = QStringLiteral("111111");
  plan.LogDir = farm.Path(QStringLiteral("logs"));
  plan.Language = 1;
  station.Start(plan);
  QVERIFY(station.Claims(QStringLiteral("sim0")));
  QCOMPARE(station.Count(TStation::ssRunning), 4);

  // Mid-firmware: the second step under way with some of its progress told.
  QVERIFY2(QTest::qWaitFor(
               [&] {
                 const TStation::TRow* row = RowOf(station, QStringLiteral("sim2"));
                 return row->Step == 1 && row->Percent > 0;
               },
               60000),
           Describe(station).constData());
  // Pulled out: the device and its node are gone (the link would otherwise dangle, and point at
  // whichever later device gets the same terminal number).
  ::kill(pid_t(farm.SimulatorPid(2)), SIGKILL);
  QFile::remove(farm.Path(QStringLiteral("sim2")));
  QVERIFY(QTest::qWaitFor([&] { return StateOf(station, QStringLiteral("sim2")) == TStation::ssUnplugged; },
                          15000));

  QVERIFY2(QTest::qWaitFor([&] { return station.Count(TStation::ssRunning) == 0; }, 120000),
           Describe(station).constData());
  QVERIFY2(StateOf(station, QStringLiteral("sim0")) == TStation::ssDone, Describe(station).constData());
  QCOMPARE(StateOf(station, QStringLiteral("sim3")), TStation::ssDone);
  QCOMPARE(StateOf(station, QStringLiteral("sim1")), TStation::ssFailed);
  // Still marked as pulled out mid-job once its port is gone from the list.
  QCOMPARE(StateOf(station, QStringLiteral("sim2")), TStation::ssUnplugged);
  QCOMPARE(RowOf(station, QStringLiteral("sim1"))->Identity.value(QStringLiteral("id")).toString(),
           QStringLiteral("502"));
  QCOMPARE(ReadAll(farm.Path(QStringLiteral("in0.bin"))), image);
  QCOMPARE(ReadAll(farm.Path(QStringLiteral("in3.bin"))), image);
  // The refused device got neither the settings nor the firmware.
  QVERIFY(ReadAll(farm.Path(QStringLiteral("in1.bin"))).isEmpty());

  // Plugged in while the station runs: the same job, without a word from the technician.
  QVERIFY(farm.AddSimulator(Tracker(505) +
                                QStringList{QStringLiteral("--fw-out"), farm.Path(QStringLiteral("in4.bin"))},
                            QStringLiteral("sim4")));
  QVERIFY2(
      QTest::qWaitFor([&] { return StateOf(station, QStringLiteral("sim4")) == TStation::ssDone; }, 60000),
      Describe(station).constData());
  QCOMPARE(ReadAll(farm.Path(QStringLiteral("in4.bin"))), image);
  QCOMPARE(station.Count(TStation::ssDone), 3);
  station.Stop();
  QVERIFY(!station.Claims(QStringLiteral("sim0")));

  // One report line per run, each with its outcome and, for a failure, why.
  const QString report = QString::fromUtf8(station.ReportCsv(1));
  const QStringList lines = report.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
  QCOMPARE(lines.size(), 6);
  QVERIFY(lines.at(0).startsWith(QStringLiteral("\"Time\",\"Port\",\"Type\",\"ID\",\"IMEI\"")));
  auto lineOf = [&lines](const QString& aPort) {
    for (const QString& line : lines)
      if (line.contains(QStringLiteral(",\"") + aPort + QStringLiteral("\",")))
        return line;
    return QString();
  };
  QVERIFY2(lineOf(QStringLiteral("sim0")).contains(QStringLiteral("\"Done\"")), qPrintable(report));
  QVERIFY2(lineOf(QStringLiteral("sim0")).contains(QStringLiteral("\"501\"")), qPrintable(report));
  QVERIFY2(lineOf(QStringLiteral("sim1")).contains(QStringLiteral("\"Failed\"")), qPrintable(report));
  QVERIFY2(lineOf(QStringLiteral("sim1")).contains(QStringLiteral("Write settings: failed")),
           qPrintable(report));
  QVERIFY2(lineOf(QStringLiteral("sim2")).contains(QStringLiteral("\"Failed\"")), qPrintable(report));
  QVERIFY2(lineOf(QStringLiteral("sim2")).contains(QStringLiteral("Firmware: failed")), qPrintable(report));
  QVERIFY2(lineOf(QStringLiteral("sim4")).contains(QStringLiteral("\"505\"")), qPrintable(report));
  QVERIFY(station.SaveReport(farm.Path(QStringLiteral("report.csv")), 1, nullptr));
  QCOMPARE(QString::fromUtf8(ReadAll(farm.Path(QStringLiteral("report.csv")))), report);
  // An exchange log per run, for the replay.
  const QStringList logs = QDir(farm.Path(QStringLiteral("logs"))).entryList({QStringLiteral("*.log")});
  QVERIFY2(logs.size() == 5, qPrintable(logs.join(QStringLiteral(" | "))));
}

QTEST_GUILESS_MAIN(TstStationE2E)
#include "tst_station_e2e.moc"
