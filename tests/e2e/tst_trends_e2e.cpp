// Trends end to end: a replayed log draws its values at the log's own times, and a live tracker's
// external voltage piles up on the chart while it streams; the chosen trends come back for the
// same device type.

#include "core/virtual_comm_driver.h"
#include "device/port_info.h"
#include "monitor/item_class.h"
#include "monitor/trend_chart.h"
#include "platform/registry.h"
#include "sim_window_fixture.h"
#include "ui/trend_controller.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

namespace {

const QString kVoltage = QStringLiteral("_ExternalVoltage");

// The mean height of the pixels near aColor in each pixel column of aRect (-1: none).
QList<double> LineHeights(const QImage& aImage, const QRect& aRect, const QColor& aColor) {
  QList<double> heights;
  for (int x = aRect.left(); x <= aRect.right(); ++x) {
    double sum = 0;
    int n = 0;
    for (int y = aRect.top(); y <= aRect.bottom(); ++y) {
      const QColor c = aImage.pixelColor(x, y);
      if (qAbs(c.red() - aColor.red()) + qAbs(c.green() - aColor.green()) + qAbs(c.blue() - aColor.blue()) <
          60) {
        sum += y;
        ++n;
      }
    }
    heights << (n ? sum / n : -1);
  }
  return heights;
}

} // namespace

class TstTrendsE2E : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void replayedRampDrawsTheRamp();
  void liveVoltageGrowsAndIsRememberedForTheType();
};

void TstTrendsE2E::replayedRampDrawsTheRamp() {
  // 40 records a second apart: the supply rises by 0.1 V each.
  QTemporaryDir dir;
  const QString logFile = dir.filePath(QStringLiteral("ramp.log"));
  QFile file(logFile);
  QVERIFY(file.open(QIODevice::WriteOnly));
  for (int i = 0; i < 40; ++i)
    file.write(QStringLiteral("10:00:%1.000\t>PB=%2;4100\r\n")
                   .arg(i, 2, 10, QLatin1Char('0'))
                   .arg(12000 + 100 * i)
                   .toLatin1());
  file.close();

  TRegistry registry;
  registry.DeleteKey(QString::fromLatin1(kTrendsKey));
  TMF window(registry, [] { return false; });
  window.resize(1280, 800);
  window.show();
  QVERIFY(window.OpenReplay(logFile));
  QVERIFY(window.Trends().ShowTrend(kVoltage));
  TTrendChart* chart = window.Trends().Chart();
  QVERIFY(chart->isVisible());
  window.ReplayDriver()->SetSpeedFactor(20);
  window.ReplayPlay();
  QTRY_VERIFY_WITH_TIMEOUT(!window.ReplayDriver()->Playing(), 20000);

  // Every point sits at its line's time of day with that line's value; only records before the
  // generation was recognised may be missing.
  const TTrendSeries& series = *window.Trends().Set().Find(kVoltage)->Series;
  QVERIFY2(series.Size() >= 35, qPrintable(QString::number(series.Size())));
  for (qsizetype k = 0; k < series.Size(); ++k) {
    const TTrendPoint p = series.At(k);
    const int i = int(std::lround(p.Time - 36000));
    QCOMPARE(p.Time, 36000.0 + i);
    QCOMPARE(p.Value, 12.0 + 0.1 * i);
  }
  QCOMPARE(series.Last()->Time, 36039.0);
  QCOMPARE(window.Trends().Set().TimeText(series.Last()->Time, false), QStringLiteral("10:00:39"));

  // Drawn: the line climbs from left to right across the log's 40 seconds.
  chart->Set().Zoom(45.0 / chart->Set().Span(), chart->Set().WindowEnd());
  const QImage image = chart->Render(chart->size());
  const QRect plot = chart->Plot()->PlotRect(chart->Plot()->geometry());
  const QList<double> heights = LineHeights(image, plot, chart->SeriesColor(0));
  QList<double> drawn;
  for (const double h : heights)
    if (h >= 0)
      drawn << h;
  QVERIFY2(drawn.size() > plot.width() / 2, qPrintable(QString::number(drawn.size())));
  QVERIFY(drawn.first() - drawn.last() > plot.height() * 0.6);
  for (qsizetype k = 1; k < drawn.size(); ++k)
    QVERIFY2(drawn[k] <= drawn[k - 1] + 1.5, qPrintable(QStringLiteral("column %1").arg(k)));

  // A jump back to the start clears what lay ahead of it.
  window.ReplayStop();
  window.ReplayDriver()->Step();
  QCOMPARE(series.Size(), qsizetype(1));
  QCOMPARE(series.At(0).Time, 36000.0);
  QCOMPARE(series.At(0).Value, 12.0);
}

void TstTrendsE2E::liveVoltageGrowsAndIsRememberedForTheType() {
  TSimWindowBase sim;
  QVERIFY(sim.StartSimulator(
      {QStringLiteral("--gen"), QStringLiteral("1"), QStringLiteral("--rate"), QStringLiteral("200")}));
  sim.Registry.DeleteKey(QString::fromLatin1(kTrendsKey));
  {
    TMF& window = sim.CreateWindow();
    window.show();
    QTRY_VERIFY_WITH_TIMEOUT(!window.Q()->DeviceVer().isEmpty(), 15000);
    auto* item = qobject_cast<TItemClass*>(window.VisualFind(kVoltage));
    QTRY_VERIFY_WITH_TIMEOUT(!TBaseClass::IsEmptyValue(item->Value()), 10000);
    QVERIFY(window.Trends().ShowTrend(kVoltage));
    const TTrendSeries& series = *window.Trends().Set().Find(kVoltage)->Series;
    QTRY_VERIFY_WITH_TIMEOUT(series.Size() >= 8, 10000);
    // The clock's times, in order, each the value the line showed.
    const double now = double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
    QVERIFY(qAbs(series.Last()->Time - now) < 5);
    for (qsizetype k = 1; k < series.Size(); ++k)
      QVERIFY(series.At(k).Time > series.At(k - 1).Time);
    QCOMPARE(series.Last()->Value, *TTrendSet::Numeric(item->Value()));
    QVERIFY(series.Last()->Value > 10 && series.Last()->Value < 20);
    const qsizetype before = series.Size();
    QTRY_VERIFY_WITH_TIMEOUT(series.Size() >= before + 3, 5000);
    QCOMPARE(sim.Registry.Read(QString::fromLatin1(kTrendsKey), window.Q()->DeviceVer()).toStringList(),
             QStringList{kVoltage});
  }

  // The same type again: its trend is back without asking.
  sim.Window.reset(); // lets go of the port first
  TMF& again = sim.CreateWindow();
  again.show();
  QTRY_VERIFY_WITH_TIMEOUT(again.Trends().Set().Contains(kVoltage), 15000);
  QTRY_VERIFY_WITH_TIMEOUT(again.Trends().Chart()->isVisible(), 5000);
  QTRY_VERIFY_WITH_TIMEOUT(again.Trends().Set().Find(kVoltage)->Series->Size() >= 2, 10000);
}

QTEST_MAIN(TstTrendsE2E)
#include "tst_trends_e2e.moc"
