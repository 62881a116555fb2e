// Showing the data log: painting the rows in sight and the refresh after one new chunk while
// following must cost the same with a million entries in view as with a thousand.

#include "base/clock.h"
#include "base/date_time.h"
#include "core/exchange_core.h"
#include "core/exchange_host.h"
#include "protocols/quiet_host.h"
#include "i18n/dictionary.h"
#include "platform/registry.h"
#include "style/icons.h"
#include "ui/log_model.h"
#include "ui/log_page.h"

#include <QApplication>
#include <QPixmap>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>
#include <vector>

namespace {

// A status line as generation-1 trackers send them, about as long as the ones on a real line.
const QByteArray kLine(">S=12,55.751244,37.618423,0,214,9,0.9,142;P=12.6,4.1;M=3,21,25001\r\n");

struct TViewRig {
  TQuietHost Host;
  TManualClock Clock;
  TExchangeCore Core{Host, Clock};
  TDictionary Dictionary;
  TIcons Icons;
  TRegistry Registry;
  TLogPage Page{Core, Dictionary, Icons, Registry, {}, {}};

  explicit TViewRig(int aEntries) {
    Core.SetVersion(vtVersion0);
    Core.TrafficLog().Write(kLine.repeated(aEntries));
    TPacketArray& index = Core.PacketIndex();
    index.reserve(size_t(aEntries) + 1000000);
    const TDateTime start = ToTDateTime(Clock.Now());
    for (int i = 0; i < aEntries; ++i)
      index.push_back({start + i / 86400000.0, qint64(i) * kLine.size(), kLine.size(),
                       i % 5 == 4 ? quint8(psSent) : quint8(psComplete)});
    Page.resize(1000, 700);
    Page.show();
    Page.LogChange();
    QCoreApplication::processEvents();
  }

  // The window posts one refresh per chunk and coalesces them; here every chunk gets its own.
  void Chunk() {
    Core.QReceiveData(nullptr, kLine.constData(), int(kLine.size()));
    Page.LogChange();
    QCoreApplication::processEvents();
  }
};

// With --benchmark_repetitions: the fastest run is the one least disturbed by other work on the
// machine.
double Fastest(const std::vector<double>& aRuns) {
  return *std::min_element(aRuns.begin(), aRuns.end());
}

// Building a million entries takes a while: each size is built once and kept for both benchmarks.
TViewRig& Rig(int aEntries) {
  static std::map<int, std::unique_ptr<TViewRig>> rigs;
  std::unique_ptr<TViewRig>& rig = rigs[aEntries];
  if (!rig)
    rig = std::make_unique<TViewRig>(aEntries);
  return *rig;
}

void PaintVisibleRows(benchmark::State& state) {
  TViewRig& rig = Rig(int(state.range(0)));
  QWidget* viewport = rig.Page.List().viewport();
  for (auto _ : state) {
    QPixmap shot = viewport->grab();
    benchmark::DoNotOptimize(shot);
  }
  state.counters["rows"] = rig.Page.Model().rowCount();
  state.counters["rows_in_sight"] = rig.Page.List().PageRows();
}
BENCHMARK(PaintVisibleRows)
    ->Arg(1000)
    ->Arg(1000000)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", Fastest);

void FollowRefresh(benchmark::State& state) {
  TViewRig& rig = Rig(int(state.range(0)));
  for (auto _ : state)
    rig.Chunk();
  state.counters["rows"] = rig.Page.Model().rowCount();
}
BENCHMARK(FollowRefresh)
    ->Arg(1000)
    ->Arg(1000000)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", Fastest);

} // namespace

int main(int argc, char** argv) {
  QTemporaryDir home;
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
