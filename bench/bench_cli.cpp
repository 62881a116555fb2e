// Settings for a box of devices: velmora-cli writes one configuration file to 10 simulated trackers
// (velmora-devsim on pseudo-terminals) with --all, against 10 runs one port after the other. Each
// run waits for every device's answer and reads the settings back. The concurrent run should take
// little more than one sequential run.

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

namespace {

constexpr int kDevices = 10;

struct TFarm {
  QTemporaryDir Dir;
  std::vector<std::unique_ptr<QProcess>> Simulators;
  QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
  bool Ready = false;

  static QString Bin(const char* aName) {
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(aName);
  }

  TFarm() {
    // Per-user state of these runs stays in the temporary folder.
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "APPDATA"})
      Env.insert(QLatin1String(name), Dir.path());
    QStringList ports;
    for (int i = 0; i < kDevices; ++i) {
      const QString link = Dir.filePath(QStringLiteral("sim%1").arg(i));
      auto sim = std::make_unique<QProcess>();
      sim->start(Bin("velmora-devsim"),
                 {QStringLiteral("--gen"), QStringLiteral("1"), QStringLiteral("--type"),
                  QStringLiteral("305"), QStringLiteral("--id"), QString::number(700 + i),
                  QStringLiteral("--rate"), QStringLiteral("300"), QStringLiteral("--link"), link});
      if (!sim->waitForStarted(5000))
        return;
      Simulators.push_back(std::move(sim));
      for (int k = 0; k < 100 && !QFileInfo::exists(link); ++k)
        QThread::msleep(50);
      ports << link + QStringLiteral("=USB\\VID_0483&PID_5740&REV_0200");
    }
    Env.insert(QStringLiteral("VELMORA_EXTRA_PORTS"), ports.join(QLatin1Char(',')));
    Ready = Cli(
        {QStringLiteral("read-settings"), QStringLiteral("sim0"), Dir.filePath(QStringLiteral("box.cfg"))});
  }
  ~TFarm() {
    for (const auto& sim : Simulators) {
      sim->terminate();
      sim->waitForFinished(5000);
    }
  }

  bool Cli(const QStringList& aArgs) const {
    QProcess cli;
    cli.setProcessEnvironment(Env);
    cli.start(Bin("velmora-cli"), aArgs);
    return cli.waitForFinished(120000) && cli.exitStatus() == QProcess::NormalExit && cli.exitCode() == 0;
  }
};

TFarm& Farm() {
  static TFarm farm;
  return farm;
}

void BM_WriteSettingsAll(benchmark::State& aState) {
  TFarm& farm = Farm();
  if (!farm.Ready) {
    aState.SkipWithError("the simulators did not start");
    return;
  }
  const QString file = farm.Dir.filePath(QStringLiteral("box.cfg"));
  for (auto _ : aState)
    if (!farm.Cli({QStringLiteral("write-settings"), QStringLiteral("--all"), file})) {
      aState.SkipWithError("write-settings --all failed");
      return;
    }
  aState.counters["devices"] = kDevices;
}

void BM_WriteSettingsSequential(benchmark::State& aState) {
  TFarm& farm = Farm();
  if (!farm.Ready) {
    aState.SkipWithError("the simulators did not start");
    return;
  }
  const QString file = farm.Dir.filePath(QStringLiteral("box.cfg"));
  for (auto _ : aState)
    for (int i = 0; i < kDevices; ++i)
      if (!farm.Cli({QStringLiteral("write-settings"), QStringLiteral("sim%1").arg(i), file})) {
        aState.SkipWithError("write-settings failed");
        return;
      }
  aState.counters["devices"] = kDevices;
}

} // namespace

BENCHMARK(BM_WriteSettingsAll)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_WriteSettingsSequential)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
