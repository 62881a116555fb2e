// The vehicle list's brand and model lists against lists of many distinct names: the cost per
// entry must stay about the same however long the list is (10 times the entries, about 10 times
// the time, not 100 times).

#include "dialogs/car_list.h"

#include <QByteArray>
#include <benchmark/benchmark.h>

namespace {

// aCount cars, each of a brand of its own, and one brand with aCount models.
TCarList List(int aCount, bool aOneBrand) {
  QByteArray text = "{\"cars\":[";
  for (int i = 0; i < aCount; ++i) {
    if (i > 0)
      text += ',';
    const QByteArray n = QByteArray::number(i);
    text += "{\"brand\":\"" + (aOneBrand ? QByteArray("Brand") : "Brand " + n) + "\",\"model\":\"Model " + n +
            "\",\"year\":\"2020\",\"prog\":" + n + "}";
  }
  text += "],\"types\":{}}";
  TCarList list;
  QString error;
  list.LoadText(text, &error);
  return list;
}

void Brands(benchmark::State& state) {
  const TCarList list = List(int(state.range(0)), false);
  for (auto _ : state)
    benchmark::DoNotOptimize(list.Brands());
  state.SetComplexityN(state.range(0));
}
BENCHMARK(Brands)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity();

void Models(benchmark::State& state) {
  const TCarList list = List(int(state.range(0)), true);
  for (auto _ : state)
    benchmark::DoNotOptimize(list.Models(QStringLiteral("Brand")));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(Models)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity();

} // namespace

BENCHMARK_MAIN();
