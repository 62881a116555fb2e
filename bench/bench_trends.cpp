// Trends: appending values, and cutting the whole history into 1,000 pixel columns. Cutting must
// cost about the same for a million points as for ten thousand: a day of data draws as fast as
// a few minutes.

#include "i18n/dictionary.h"
#include "monitor/monitor_context.h"
#include "monitor/trend_chart.h"
#include "monitor/trend_series.h"

#include <QApplication>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <cmath>

namespace {

double Wave(qint64 aI) {
  // A slow wave with a spike now and then, so min and max differ in every column.
  return std::sin(double(aI) * 0.001) * 10.0 + (aI % 997 == 0 ? 100.0 : 0.0);
}

void Append(benchmark::State& state) {
  const qint64 points = state.range(0);
  for (auto _ : state) {
    TTrendSeries series(points);
    for (qint64 i = 0; i < points; ++i)
      series.Append(double(i), Wave(i));
    benchmark::DoNotOptimize(series.Size());
  }
  state.SetItemsProcessed(state.iterations() * points);
}
BENCHMARK(Append)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// One redraw's worth of work: the full history at 1,000 px.
void DecimateAll(benchmark::State& state) {
  const qint64 points = state.range(0);
  TTrendSeries series(points);
  for (qint64 i = 0; i < points; ++i)
    series.Append(double(i), Wave(i));
  TTrendDecimation out;
  for (auto _ : state) {
    series.Decimate(0, double(points), 1000, 10, out);
    benchmark::DoNotOptimize(out.Columns.data());
  }
}
BENCHMARK(DecimateAll)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// A ring that has wrapped, as after a long day: the window crosses the ring's seam.
void DecimateWrapped(benchmark::State& state) {
  const qint64 points = state.range(0);
  TTrendSeries series(points);
  for (qint64 i = 0; i < points + points / 3; ++i)
    series.Append(double(i), Wave(i));
  TTrendDecimation out;
  const double t0 = series.At(0).Time;
  const double t1 = series.Last()->Time + 1;
  for (auto _ : state) {
    series.Decimate(t0, t1, 1000, 10, out);
    benchmark::DoNotOptimize(out.Columns.data());
  }
}
BENCHMARK(DecimateWrapped)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMicrosecond);

// What the pane does on every paint: decimate every visible series and draw it, here two
// series over the whole history into a 1,000 px wide plot.
void Redraw(benchmark::State& state) {
  const qint64 points = state.range(0);
  TThemeColors theme = DarkTheme();
  TDictionary dictionary;
  TMonitorContext context;
  context.Theme = &theme;
  context.Dictionary = &dictionary;
  TTrendSet set(points);
  set.Add(QStringLiteral("_ExternalVoltage"), QStringLiteral("Units_V"));
  set.Add(QStringLiteral("_Speed"), QStringLiteral("Units_KMH"));
  for (qint64 i = 0; i < points; ++i) {
    set.Feed(QStringLiteral("_ExternalVoltage"), double(i), Wave(i));
    set.Feed(QStringLiteral("_Speed"), double(i), Wave(i / 3) * 5 + 60);
  }
  set.Zoom(double(points) * 1.05 / set.Span(), set.WindowEnd());
  TTrendChart chart(context, set);
  QImage image(QSize(1116, 360), QImage::Format_ARGB32_Premultiplied);
  const QRect plot = chart.Plot()->PlotRect(image.rect());
  if (plot.width() != 1000) {
    state.SkipWithError("the plot is not 1,000 px wide");
    return;
  }
  for (auto _ : state) {
    QPainter p(&image);
    chart.Plot()->Draw(p, image.rect());
  }
}
BENCHMARK(Redraw)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
