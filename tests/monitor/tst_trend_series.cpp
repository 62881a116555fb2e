// The history behind a trend: bounded, in time order, and cut into pixel columns without losing a
// spike or bridging a gap.

#include "monitor/trend_series.h"

#include <QList>
#include <QTest>
#include <cmath>
#include <limits>

namespace {

constexpr double kGap = std::numeric_limits<double>::quiet_NaN();

struct TSample {
  double Time;
  double Value;
};
using TSamples = QList<TSample>;

// What a column must hold, found the slow way: every sample looked at.
struct TExpected {
  bool HasData = false;
  double Min = 0, Max = 0, First = 0, Last = 0;
  bool Joined = false;
};

// Column c spans [t0 + c * step, t0 + (c + 1) * step), the last one up to t1.
int ColumnOf(double aTime, double aT0, double aT1, int aColumns) {
  const double step = (aT1 - aT0) / aColumns;
  int c = qBound(0, int((aTime - aT0) / step), aColumns - 1);
  while (c > 0 && aTime < aT0 + c * step)
    --c;
  while (c < aColumns - 1 && aTime >= aT0 + (c + 1) * step)
    ++c;
  return c;
}

QList<TExpected> Reference(const TSamples& aSamples, double aT0, double aT1, int aColumns, double aMaxJoin) {
  QList<TExpected> columns(aColumns);
  for (qsizetype k = 0; k < aSamples.size(); ++k) {
    const TSample& s = aSamples[k];
    if (std::isnan(s.Value) || s.Time < aT0 || s.Time >= aT1)
      continue;
    const int c = ColumnOf(s.Time, aT0, aT1, aColumns);
    TExpected& e = columns[c];
    if (!e.HasData) {
      e.HasData = true;
      e.Min = e.Max = e.First = s.Value;
      e.Joined = k > 0 && !std::isnan(aSamples[k - 1].Value) && s.Time - aSamples[k - 1].Time <= aMaxJoin;
    }
    e.Min = qMin(e.Min, s.Value);
    e.Max = qMax(e.Max, s.Value);
    e.Last = s.Value;
  }
  return columns;
}

TSamples Ramp(int aCount, double aFrom = 0) {
  TSamples samples;
  for (int i = 0; i < aCount; ++i)
    samples.append({aFrom + i, aFrom + i});
  return samples;
}

} // namespace

class TTrendSeriesTest : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void decimationKeepsSpikesAndGaps_data();
  void decimationKeepsSpikesAndGaps();
  void ringKeepsTheNewestInOrder();
  void jumpBackDropsWhatLiesAhead();
  void cursorReadsTheValueShownAtATime();
};

void TTrendSeriesTest::decimationKeepsSpikesAndGaps_data() {
  QTest::addColumn<TSamples>("samples");
  QTest::addColumn<qsizetype>("capacity");
  QTest::addColumn<double>("t0");
  QTest::addColumn<double>("t1");
  QTest::addColumn<int>("columns");
  QTest::addColumn<double>("maxJoin");
  // Samples that some column must show as its max (value > 0) or min (value < 0).
  QTest::addColumn<TSamples>("spikes");
  // Time ranges [from, to) in which no column may hold data.
  QTest::addColumn<QList<QPair<double, double>>>("empty");

  TSamples constant;
  for (int i = 0; i < 1000; ++i)
    constant.append({double(i), 5.0});
  QTest::newRow("constant") << constant << qsizetype(2000) << 0.0 << 1000.0 << 100 << 10.0 << TSamples{}
                            << QList<QPair<double, double>>{};

  // More points than columns, and a column count that does not divide them.
  QTest::newRow("ramp") << Ramp(10000) << qsizetype(20000) << 0.0 << 10000.0 << 37 << 10.0 << TSamples{}
                        << QList<QPair<double, double>>{};
  // Fewer points than columns: most columns are empty, the line still joins the points.
  QTest::newRow("sparse ramp") << Ramp(50) << qsizetype(100) << 0.0 << 50.0 << 1000 << 10.0 << TSamples{}
                               << QList<QPair<double, double>>{};

  // One-sample spikes among 100k flat samples at 1000 px: 100 samples a column.
  TSamples flat;
  for (int i = 0; i < 100000; ++i)
    flat.append({i * 0.5, 1.0});
  flat[24690].Value = 50;  // inside a block of the summary
  flat[77777].Value = -30; // the last sample of a column
  flat[16].Value = 9;      // the first sample of a block
  QTest::newRow("spikes") << flat << qsizetype(100000) << 0.0 << 50000.0 << 1000 << 10.0
                          << TSamples{{24690 * 0.5, 50}, {77777 * 0.5, -30}, {16 * 0.5, 9}}
                          << QList<QPair<double, double>>{};

  // The value went away at 300 and came back at 600.
  TSamples gap = Ramp(300);
  gap.append({300, kGap});
  gap.append(Ramp(400, 600));
  QTest::newRow("gap marker") << gap << qsizetype(1000) << 0.0 << 1000.0 << 200 << 1000.0 << TSamples{}
                              << QList<QPair<double, double>>{{300.5, 600}};

  // Nothing for 400 s: longer than a line may bridge.
  TSamples silent = Ramp(100);
  silent.append(Ramp(100, 500));
  QTest::newRow("silence") << silent << qsizetype(1000) << 0.0 << 600.0 << 120 << 10.0 << TSamples{}
                           << QList<QPair<double, double>>{{100, 500}};

  // The ring has wrapped twice; its oldest points are gone, a spike in what remains is not.
  TSamples wrapped = Ramp(2500);
  wrapped[2200].Value = 1e6;
  QTest::newRow("wrapped ring") << wrapped << qsizetype(1000) << 0.0 << 2500.0 << 250 << 10.0
                                << TSamples{{2200, 1e6}} << QList<QPair<double, double>>{{0, 1500}};

  // A window in the middle of the history, with spikes just inside both edges.
  TSamples edges = Ramp(1000);
  edges[200].Value = 5000;
  edges[299].Value = -5000;
  QTest::newRow("window inside") << edges << qsizetype(1000) << 200.0 << 300.0 << 7 << 10.0
                                 << TSamples{{200, 5000}, {299, -5000}} << QList<QPair<double, double>>{};
}

void TTrendSeriesTest::decimationKeepsSpikesAndGaps() {
  QFETCH(TSamples, samples);
  QFETCH(qsizetype, capacity);
  QFETCH(double, t0);
  QFETCH(double, t1);
  QFETCH(int, columns);
  QFETCH(double, maxJoin);
  QFETCH(TSamples, spikes);
  using TRanges = QList<QPair<double, double>>;
  QFETCH(TRanges, empty);

  TTrendSeries series(capacity);
  for (const TSample& s : samples)
    series.Append(s.Time, s.Value);
  TTrendDecimation out;
  series.Decimate(t0, t1, columns, maxJoin, out);
  QCOMPARE(out.Columns.size(), size_t(columns));

  // The ring kept only the newest samples; the reference sees the same ones.
  const TSamples kept = samples.mid(qMax<qsizetype>(0, samples.size() - capacity));
  const QList<TExpected> expected = Reference(kept, t0, t1, columns, maxJoin);
  for (int c = 0; c < columns; ++c) {
    const TTrendColumn& got = out.Columns[size_t(c)];
    const TExpected& want = expected[c];
    QVERIFY2(got.HasData == want.HasData, qPrintable(QStringLiteral("column %1").arg(c)));
    if (!want.HasData)
      continue;
    QCOMPARE(got.Min, want.Min);
    QCOMPARE(got.Max, want.Max);
    QCOMPARE(got.First, want.First);
    QCOMPARE(got.Last, want.Last);
    QVERIFY2(got.Joined == want.Joined, qPrintable(QStringLiteral("column %1").arg(c)));
  }

  const double step = (t1 - t0) / columns;
  for (const TSample& spike : spikes) {
    const TTrendColumn& column = out.Columns[size_t(ColumnOf(spike.Time, t0, t1, columns))];
    QVERIFY(column.HasData);
    QCOMPARE(spike.Value > 0 ? column.Max : column.Min, spike.Value);
  }
  for (const auto& [from, to] : empty) {
    for (int c = 0; c < columns; ++c) {
      const double begin = t0 + c * step;
      if (begin >= from && begin + step <= to)
        QVERIFY2(!out.Columns[size_t(c)].HasData, qPrintable(QStringLiteral("column %1").arg(c)));
    }
    // The first value after the empty stretch starts a new line.
    const int after = int(std::ceil((to - t0) / step));
    if (after < columns && out.Columns[size_t(after)].HasData)
      QVERIFY(!out.Columns[size_t(after)].Joined);
  }

  // The line runs on beyond the window's edges to the values just outside it.
  const qsizetype firstInside = series.LowerBound(t0);
  if (firstInside > 0 && firstInside < series.Size()) {
    QVERIFY(out.Before.has_value());
    QCOMPARE(out.Before->Time, series.At(firstInside - 1).Time);
  }
  const qsizetype firstAfter = series.LowerBound(t1);
  if (firstAfter > 0 && firstAfter < series.Size()) {
    QVERIFY(out.After.has_value());
    QCOMPARE(out.After->Time, series.At(firstAfter).Time);
  }
}

void TTrendSeriesTest::ringKeepsTheNewestInOrder() {
  TTrendSeries series(100);
  for (int i = 0; i < 250; ++i)
    series.Append(i, i * 2.0);
  QCOMPARE(series.Size(), qsizetype(100));
  QCOMPARE(series.Capacity(), qsizetype(100));
  for (qsizetype i = 0; i < series.Size(); ++i) {
    QCOMPARE(series.At(i).Time, double(150 + i));
    QCOMPARE(series.At(i).Value, (150 + i) * 2.0);
  }
  // Gap markers take a place in the ring too, but never two in a row.
  series.AppendGap(250);
  series.AppendGap(251);
  QCOMPARE(series.Size(), qsizetype(100));
  QVERIFY(TTrendSeries::IsGap(*series.Last()));
  QCOMPARE(series.At(0).Time, 151.0);

  // A day at one record a second by default.
  QCOMPARE(TTrendSeries().Capacity(), qsizetype(86400));
}

void TTrendSeriesTest::jumpBackDropsWhatLiesAhead() {
  TTrendSeries series(64);
  for (int i = 0; i < 100; ++i) // wrapped: the drop must cross the ring's seam
    series.Append(i, 1.0);
  series.Append(99.5, 7.0); // a spike that the jump back must take away from the summary too
  series.Append(80, 3.0);
  QCOMPARE(series.Size(), qsizetype(44)); // 37..79 kept, the new 80 in place of the old one
  QCOMPARE(series.Last()->Value, 3.0);
  QCOMPARE(series.At(series.Size() - 2).Time, 79.0);
  TTrendDecimation out;
  series.Decimate(0, 200, 10, 10, out);
  double top = -1;
  for (const TTrendColumn& c : out.Columns)
    if (c.HasData)
      top = qMax(top, c.Max);
  QCOMPARE(top, 3.0);

  // A loop starts over: everything goes.
  series.Append(0, 9.0);
  QCOMPARE(series.Size(), qsizetype(1));
}

void TTrendSeriesTest::cursorReadsTheValueShownAtATime() {
  TTrendSeries series;
  series.Append(10, 1.5);
  series.Append(11, 2.5);
  series.AppendGap(12);
  series.Append(20, 4.0);
  QVERIFY(!series.ValueAt(9.9, 5).has_value());
  QCOMPARE(*series.ValueAt(10.7, 5), 1.5);
  QCOMPARE(*series.ValueAt(11, 5), 2.5);
  QVERIFY(!series.ValueAt(15, 5).has_value()); // in the gap
  QCOMPARE(*series.ValueAt(24, 5), 4.0);
  QVERIFY(!series.ValueAt(26, 5).has_value()); // too old to stand for now
}

QTEST_GUILESS_MAIN(TTrendSeriesTest)
#include "tst_trend_series.moc"
