// The station on a box of devices: one configuration file written to 10 simulated trackers, all
// at once as the station runs them, against the same runs one device after the other. Each run
// identifies the device, writes, waits for its answer and reads the settings back. The station
// should keep the command line's ratio (velmora-cli --all against one port at a time).

#include "base/clock.h"
#include "core/port_list.h"
#include "jobs/station.h"
#include "platform/registry.h"
#include "sim_farm.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kDevices = 10;

// Runs the event loop until aDone holds; false after aMs.
template <typename F> bool WaitFor(F aDone, int aMs) {
  const QDeadlineTimer deadline(aMs);
  while (!aDone()) {
    if (deadline.hasExpired())
      return false;
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
  }
  return true;
}

TFarm& Farm() {
  static TFarm farm(kDevices);
  return farm;
}

TJobPlan WritePlan(const TFarm& aFarm) {
  TJobPlan plan;
  plan.Steps = {{skWriteSettings, aFarm.Dir.filePath(QStringLiteral("box.cfg"))}};
  plan.Password = QStringLiteral("111111");
  plan.Language = 1;
  return plan;
}

// The station reads the extra ports and the per-user store from this process's environment.
void UseFarmEnvironment(const TFarm& aFarm) {
  for (const char* name : {"HOME", "XDG_CONFIG_HOME", "APPDATA"})
    qputenv(name, aFarm.Dir.path().toLocal8Bit());
  qputenv("VELMORA_EXTRA_PORTS", aFarm.ExtraPorts.toLocal8Bit());
}

// The farm, ready and in this process's environment; null (the benchmark skipped) otherwise.
TFarm* ReadyFarm(benchmark::State& aState) {
  TFarm& farm = Farm();
  if (!farm.Ready) {
    aState.SkipWithError("the simulators did not start");
    return nullptr;
  }
  UseFarmEnvironment(farm);
  return &farm;
}

void BM_StationWriteSettings(benchmark::State& aState) {
  TFarm* ready = ReadyFarm(aState);
  if (!ready)
    return;
  TFarm& farm = *ready;
  TUdevSerialEnumerator enumerator;
  TRegistry registry;
  for (auto _ : aState) {
    TStation station(enumerator, registry, TClock::System(), nullptr);
    station.Start(WritePlan(farm));
    if (!WaitFor([&] { return station.Count(TStation::ssRunning) == 0; }, 120000) ||
        station.Count(TStation::ssDone) != kDevices) {
      aState.SkipWithError("a device did not take the settings");
      return;
    }
    station.Stop();
  }
  aState.counters["devices"] = kDevices;
}

void BM_StationOneByOne(benchmark::State& aState) {
  TFarm* ready = ReadyFarm(aState);
  if (!ready)
    return;
  TFarm& farm = *ready;
  TUdevSerialEnumerator enumerator;
  TRegistry registry;
  const QList<TSerialPortEntry> ports = DevicePorts(enumerator);
  for (auto _ : aState)
    for (const TSerialPortEntry& entry : ports) {
      TJobSequence run(entry, WritePlan(farm), registry, nullptr);
      bool finished = false;
      QObject::connect(&run, &TJobSequence::Finished, [&finished] { finished = true; });
      run.Start();
      if (!WaitFor([&] { return finished; }, 60000) || !run.Ok()) {
        aState.SkipWithError("a device did not take the settings");
        return;
      }
    }
  aState.counters["devices"] = kDevices;
}

} // namespace

BENCHMARK(BM_StationWriteSettings)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_StationOneByOne)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
