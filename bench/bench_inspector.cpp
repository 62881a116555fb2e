// The packet inspector: from a click on a row to the panel showing that packet taken apart must
// cost the same with a million entries in the log as with a thousand, and describing one packet
// must cost what decoding that packet costs.

#include "base/clock.h"
#include "base/date_time.h"
#include "core/exchange_core.h"
#include "i18n/dictionary.h"
#include "platform/registry.h"
#include "protocols/gen3_decoder.h"
#include "protocols/packet_describer.h"
#include "protocols/quiet_host.h"
#include "style/icons.h"
#include "ui/log_model.h"
#include "ui/log_page.h"
#include "ui/packet_inspector.h"
#include "updates/crypto/checksums.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>
#include <vector>

namespace {

// Records as generation-1 trackers send them; the log cycles through them.
const QList<QByteArray> kLines{">GS=9;42;156;12;270;2\r\n", ">GK=55.751244;37.618423\r\n",
                               ">DS=1;0;1;0;1;0;0;1\r\n", ">IA3=1\r\n"};

struct TInspectRig {
  TQuietHost Host;
  TManualClock Clock;
  TExchangeCore Core{Host, Clock};
  TDictionary Dictionary;
  TIcons Icons;
  TRegistry Registry;
  TLogPage Page{Core, Dictionary, Icons, Registry, {}, {}};

  explicit TInspectRig(int aEntries) {
    Core.SetVersion(vtVersion1);
    TPacketArray& index = Core.Gen1Index();
    index.reserve(size_t(aEntries));
    const TDateTime start = ToTDateTime(Clock.Now());
    for (int i = 0; i < aEntries; ++i) {
      const QByteArray& line = kLines[i % kLines.size()];
      index.push_back({start + i / 86400000.0, Core.TrafficLog().Size(), line.size(), quint8(psRecognised)});
      Core.TrafficLog().Write(line);
    }
    Page.resize(1200, 700);
    Page.SetInspectorVisible(true);
    Page.show();
    Page.LogChange();
    QCoreApplication::processEvents();
  }

  void Select(int aRow) {
    Page.List().selectionModel()->setCurrentIndex(Page.Model().index(aRow),
                                                  QItemSelectionModel::ClearAndSelect);
  }
};

double Fastest(const std::vector<double>& aRuns) {
  return *std::min_element(aRuns.begin(), aRuns.end());
}

TInspectRig& Rig(int aEntries) {
  static std::map<int, std::unique_ptr<TInspectRig>> rigs;
  std::unique_ptr<TInspectRig>& rig = rigs[aEntries];
  if (!rig)
    rig = std::make_unique<TInspectRig>(aEntries);
  return *rig;
}

// A click on a row near the start, the middle and the end in turn, each through to the painted
// panel.
void SelectRowToPanelShown(benchmark::State& state) {
  TInspectRig& rig = Rig(int(state.range(0)));
  const int rows = rig.Page.Model().rowCount();
  const int picks[] = {1, rows / 2, rows - 2};
  int k = 0;
  for (auto _ : state) {
    rig.Select(picks[k++ % 3]);
    QCoreApplication::processEvents();
  }
  state.counters["rows"] = rows;
  state.counters["fields"] = rig.Page.Inspector().Tree().topLevelItemCount();
}
BENCHMARK(SelectRowToPanelShown)
    ->Arg(1000)
    ->Arg(1000000)
    ->Unit(benchmark::kMicrosecond)
    ->ComputeStatistics("min", Fastest);

// Describing alone, per generation, for packets of growing size: time follows the packet.
void Describe(benchmark::State& state) {
  static TDictionary dictionary;
  const TPacketDescriber describer(dictionary);
  TPacketInput input;
  switch (state.range(0)) {
  case 1:
    input = {">GS=9;42;156;12;270;2\r\n", false, 1, {}};
    break;
  case 2: {
    // Power record: 55 AA, type, body length, body, trailer.
    input = {QByteArray::fromHex("55AA010003000400393064100000"), false, 2, {}};
    break;
  }
  case 3:
    input = {AppendCrc8(QByteArray("\x3E\x10\xB8", 3) + char(30) + QByteArray(8 * 30, '\1')), false, 3, {}};
    break;
  default:
    // A long unknown record: its fields are listed one by one.
    input = {">ZZ=" + QByteArray("1;").repeated(int(state.range(1))) + "\r\n", false, 1, {}};
    break;
  }
  for (auto _ : state) {
    TPacketDescription d = describer.Describe(input);
    benchmark::DoNotOptimize(d);
  }
  state.counters["bytes"] = double(input.Bytes.size());
}
BENCHMARK(Describe)
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({3, 0})
    ->Args({0, 100})
    ->Args({0, 1000})
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
