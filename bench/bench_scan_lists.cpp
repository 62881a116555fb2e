// The scan lists under a flood of reports from distinct senders: each report must cost about the
// same however long the list already is (the time per list grows linearly, not with its square).

#include "protocols/scan_lists.h"

#include <QStringList>
#include <benchmark/benchmark.h>

namespace {

QString Address(int aIndex) {
  return QStringLiteral("%1:%2:%3")
      .arg(aIndex >> 16, 2, 16, QLatin1Char('0'))
      .arg((aIndex >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
      .arg(aIndex & 0xFF, 2, 16, QLatin1Char('0'));
}

void WiFiFlood(benchmark::State& state) {
  const int count = int(state.range(0));
  for (auto _ : state) {
    TWiFiList list;
    for (int i = 0; i < count; ++i)
      list.AddOrUpdate(Address(i), QStringLiteral("-50"), QStringLiteral("net"));
    benchmark::DoNotOptimize(list.Count());
  }
  state.SetComplexityN(count);
}
BENCHMARK(WiFiFlood)->RangeMultiplier(4)->Range(1 << 10, 1 << 16)->Complexity();

void CellFlood(benchmark::State& state) {
  const int count = int(state.range(0));
  for (auto _ : state) {
    TLBSList list;
    for (int i = 0; i < count; ++i)
      list.AddOrUpdate(QStringLiteral("250"), QStringLiteral("01"), QStringLiteral("-80"), QString::number(i),
                       QString::number(i % 100));
    benchmark::DoNotOptimize(list.Count());
  }
  state.SetComplexityN(count);
}
BENCHMARK(CellFlood)->RangeMultiplier(4)->Range(1 << 10, 1 << 16)->Complexity();

} // namespace

BENCHMARK_MAIN();
