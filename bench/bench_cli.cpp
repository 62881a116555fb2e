// Settings for a box of devices: velmora-cli writes one configuration file to 10 simulated trackers
// (velmora-devsim on pseudo-terminals) with --all, against 10 runs one port after the other. Each
// run waits for every device's answer and reads the settings back. The concurrent run should take
// little more than one sequential run.

#include "sim_farm.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

namespace {

constexpr int kDevices = 10;

TFarm& Farm() {
  static TFarm farm(kDevices);
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
