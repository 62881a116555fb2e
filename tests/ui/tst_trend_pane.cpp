// Trends in the window: the monitor line's menu, the pane under the monitor, the legend, zoom,
// pan and follow, the cursor, export, theme and language.

#include "base/clock.h"
#include "monitor/item_class.h"
#include "monitor/trend_chart.h"
#include "one_port_fixture.h"
#include "platform/registry.h"
#include "platform/serial_enumerator.h"
#include "ui/tmf.h"
#include "ui/trend_controller.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

namespace {

struct TRig {
  TRegistry Registry;
  TManualClock Clock{QDateTime(QDate(2026, 3, 1), QTime(8, 0))};
  std::unique_ptr<TMF> Window;
  explicit TRig(int aPoints = 0) {
    Registry.DeleteKey(QStringLiteral("Forms"));
    Registry.DeleteKey(QString::fromLatin1(kTrendsKey));
    if (aPoints > 0)
      Registry.Write(QString::fromLatin1(kTrendsKey), QStringLiteral("Points"), aPoints);
    Window = std::make_unique<TMF>(
        Registry, [] { return false; }, std::make_unique<TOnePort>(), &Clock);
    Window->resize(1280, 800);
    Window->show();
    Window->Core().SetVersion(vtVersion1);
    Window->act_PageInfo();
  }
  TTrendController& Trends() { return Window->Trends(); }
  TTrendChart* Chart() { return Trends().Chart(); }
  TItemClass* Item(const char* aIdent) {
    return qobject_cast<TItemClass*>(Window->VisualFind(QString::fromLatin1(aIdent)));
  }
  // The menu of a monitor line, and its one action.
  QAction* MenuAction(const char* aIdent) {
    QMenu* menu = Trends().MakeItemMenu(Item(aIdent), Window.get());
    menu->deleteLater();
    return menu->actions().value(0);
  }
  // One value a second.
  void Feed(const char* aIdent, const QList<double>& aValues) {
    for (const double v : aValues) {
      Window->VisualSetValue(QString::fromLatin1(aIdent), v);
      Clock.Advance(1000);
    }
  }
  double Now() const { return double(Clock.Now().toMSecsSinceEpoch()) / 1000.0; }
};

QToolButton* LegendButton(TTrendChart* aChart, const char* aIdent) {
  return aChart->findChild<QToolButton*>(QStringLiteral("TrendLegend") + QString::fromLatin1(aIdent));
}

} // namespace

class TstTrendPane : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void menuShowsAndHidesATrend();
  void valuesArriveAtTheirRecordTimes();
  void historyLengthComesFromTheStore();
  void legendZoomPanFollowAndCursor();
  void exportsFollowLanguageAndTheme();
};

void TstTrendPane::menuShowsAndHidesATrend() {
  TRig rig;
  QVERIFY(!rig.Chart()->isVisible());
  rig.Window->VisualSetValue(QStringLiteral("_ModemOperator"), QStringLiteral("Operator"));
  rig.Window->VisualSetValue(QStringLiteral("_ExternalVoltage"), 12.5);

  // A text is no trend.
  QAction* operatorAction = rig.MenuAction("_ModemOperator");
  QCOMPARE(operatorAction->objectName(), QStringLiteral("TrendShow"));
  QVERIFY(!operatorAction->isEnabled());

  QAction* show = rig.MenuAction("_ExternalVoltage");
  QCOMPARE(show->text(), QStringLiteral("Показать тренд"));
  QVERIFY(show->isEnabled());
  show->trigger();
  // The pane appears under the monitor with the value shown now as its first point.
  QVERIFY(rig.Chart()->isVisible());
  const QWidget* columns = rig.Window->findChild<QWidget*>(QStringLiteral("MonitorColumns"));
  QVERIFY(rig.Chart()->geometry().top() > columns->geometry().bottom());
  QVERIFY(columns->height() > 100);
  const TTrend* trend = rig.Trends().Set().Find(QStringLiteral("_ExternalVoltage"));
  QVERIFY(trend);
  QCOMPARE(trend->Series->Size(), qsizetype(1));
  QCOMPARE(trend->Series->At(0).Value, 12.5);
  QCOMPARE(trend->UnitsKey, QStringLiteral("Units_V"));

  QAction* hide = rig.MenuAction("_ExternalVoltage");
  QCOMPARE(hide->objectName(), QStringLiteral("TrendHide"));
  QCOMPARE(hide->text(), QStringLiteral("Скрыть тренд"));
  hide->trigger();
  QVERIFY(!rig.Trends().Set().Contains(QStringLiteral("_ExternalVoltage")));
  QVERIFY(!rig.Chart()->isVisible());

  // Double-click still copies the value.
  QTest::mouseDClick(rig.Item("_ExternalVoltage"), Qt::LeftButton);
  QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("12.5"));
}

void TstTrendPane::valuesArriveAtTheirRecordTimes() {
  TRig rig;
  QVERIFY(rig.Trends().ShowTrend(QStringLiteral("_Speed")));
  const double start = rig.Now();
  rig.Feed("_Speed", {10, 20, 30});
  // A text that is a number counts; one that is not ends the line.
  rig.Window->VisualSetValue(QStringLiteral("_Speed"), QStringLiteral("40"));
  rig.Clock.Advance(1000);
  rig.Window->VisualSetValue(QStringLiteral("_Speed"), QStringLiteral("n/a"));
  const TTrendSeries& series = *rig.Trends().Set().Find(QStringLiteral("_Speed"))->Series;
  QCOMPARE(series.Size(), qsizetype(5));
  for (int i = 0; i < 4; ++i) {
    QCOMPARE(series.At(i).Time, start + i);
    QCOMPARE(series.At(i).Value, 10.0 * (i + 1));
  }
  QVERIFY(TTrendSeries::IsGap(series.At(4)));
  // Values of lines without a trend are not kept.
  rig.Feed("_ExternalVoltage", {12});
  QCOMPARE(rig.Trends().Set().Trends().size(), size_t(1));
}

void TstTrendPane::historyLengthComesFromTheStore() {
  TRig rig(5);
  rig.Trends().ShowTrend(QStringLiteral("_Speed"));
  rig.Feed("_Speed", {1, 2, 3, 4, 5, 6, 7, 8});
  const TTrendSeries& series = *rig.Trends().Set().Find(QStringLiteral("_Speed"))->Series;
  QCOMPARE(series.Capacity(), qsizetype(5));
  QCOMPARE(series.At(0).Value, 4.0);
  QCOMPARE(series.Last()->Value, 8.0);
}

void TstTrendPane::legendZoomPanFollowAndCursor() {
  TRig rig;
  rig.Trends().ShowTrend(QStringLiteral("_ExternalVoltage"));
  rig.Trends().ShowTrend(QStringLiteral("_Speed"));
  const TTrendSet& set = rig.Trends().Set();
  // Volts on the left, km/h on the right.
  QCOMPARE(set.Find(QStringLiteral("_ExternalVoltage"))->Axis, 0);
  QCOMPARE(set.Find(QStringLiteral("_Speed"))->Axis, 1);
  const double start = rig.Now();
  for (int i = 0; i < 120; ++i) {
    rig.Window->VisualSetValue(QStringLiteral("_ExternalVoltage"), 12.0 + i * 0.01);
    rig.Window->VisualSetValue(QStringLiteral("_Speed"), double(i));
    rig.Clock.Advance(1000);
  }
  TTrendChart* chart = rig.Chart();
  TTrendPlot* plot = chart->Plot();
  QVERIFY(set.Following());
  QVERIFY(chart->FollowButton()->isChecked());

  // The cursor reads each visible series at its time.
  chart->SetCursorTime(start + 50.5);
  QCOMPARE(chart->CursorValues(), (QList<std::optional<double>>{12.5, 50.0}));
  LegendButton(chart, "_Speed")->click();
  QVERIFY(!set.Find(QStringLiteral("_Speed"))->Visible);
  QCOMPARE(chart->CursorValues(), (QList<std::optional<double>>{12.5}));
  LegendButton(chart, "_Speed")->click();
  QVERIFY(set.Find(QStringLiteral("_Speed"))->Visible);

  // Wheel: one notch in, around the pointer; still following the newest value.
  const double span = set.Span();
  const QPointF at(plot->width() / 2.0, plot->height() / 2.0);
  QWheelEvent wheel(at, plot->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(plot, &wheel);
  QCOMPARE(set.Span(), span * 0.8);
  QVERIFY(set.Following());

  // Drag to the right: earlier times come into view and following stops.
  const double end = set.WindowEnd();
  const QRect r = plot->PlotRect(plot->rect());
  const auto mouse = [&](QEvent::Type aType, int aX, Qt::MouseButtons aButtons) {
    const QPointF p(aX, r.center().y());
    QMouseEvent e(aType, p, plot->mapToGlobal(p), aType == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                  aButtons, Qt::NoModifier);
    QApplication::sendEvent(plot, &e);
  };
  mouse(QEvent::MouseButtonPress, r.left() + 100, Qt::LeftButton);
  mouse(QEvent::MouseMove, r.left() + 100 + r.width() / 4, Qt::LeftButton);
  mouse(QEvent::MouseButtonRelease, r.left() + 100 + r.width() / 4, Qt::NoButton);
  QVERIFY(!set.Following());
  QVERIFY(!chart->FollowButton()->isChecked());
  QVERIFY(qAbs(set.WindowEnd() - (end - set.Span() / 4)) < set.Span() / 100);
  // New values do not move a window the user has placed.
  const double placed = set.WindowEnd();
  rig.Feed("_Speed", {1, 2, 3});
  QCOMPARE(set.WindowEnd(), placed);
  // The follow button brings the newest values back.
  chart->FollowButton()->click();
  QVERIFY(set.Following());
  QVERIFY(set.WindowEnd() > *set.LatestTime());
  QVERIFY(set.WindowStart() < *set.LatestTime());
}

void TstTrendPane::exportsFollowLanguageAndTheme() {
  TRig rig;
  QTemporaryDir dir;
  rig.Trends().ShowTrend(QStringLiteral("_ExternalVoltage"));
  rig.Trends().ShowTrend(QStringLiteral("_Speed"));
  rig.Feed("_ExternalVoltage", {12.25, 12.5});
  rig.Feed("_Speed", {61});
  rig.Window->SetLanguage(1);
  TTrendChart* chart = rig.Chart();
  QCOMPARE(LegendButton(chart, "_ExternalVoltage")->text(), QStringLiteral("External voltage, V"));
  QCOMPARE(rig.MenuAction("_Speed")->text(), QStringLiteral("Hide trend"));

  QString asked;
  chart->SetSaveDialog([&](const QString& aFilter, const QString&) {
    asked = aFilter;
    return dir.filePath(aFilter.startsWith(QStringLiteral("CSV")) ? QStringLiteral("t.csv")
                                                                  : QStringLiteral("t.png"));
  });
  chart->findChild<QToolButton*>(QStringLiteral("TrendCsv"))->click();
  QFile csv(dir.filePath(QStringLiteral("t.csv")));
  QVERIFY(csv.open(QIODevice::ReadOnly));
  // One row per time; a series without a value at that time leaves its cell empty.
  QCOMPARE(QString::fromUtf8(csv.readAll()), QStringLiteral("time,\"External voltage, V\",\"Speed, km/h\"\r\n"
                                                            "2026-03-01 08:00:00.000,12.25,\r\n"
                                                            "2026-03-01 08:00:01.000,12.5,\r\n"
                                                            "2026-03-01 08:00:02.000,,61\r\n"));
  // Hidden series stay out of the file.
  LegendButton(chart, "_Speed")->click();
  chart->ExportCsv(dir.filePath(QStringLiteral("t.csv")));
  csv.close();
  QVERIFY(csv.open(QIODevice::ReadOnly));
  QVERIFY(!csv.readAll().contains("Speed"));

  // PNG: the pane as shown, in the theme's colours.
  chart->findChild<QToolButton*>(QStringLiteral("TrendPng"))->click();
  QImage dark(dir.filePath(QStringLiteral("t.png")));
  QCOMPARE(dark.size(), chart->size());
  const QPoint inPlot = chart->Plot()->geometry().topLeft() + QPoint(2, 2);
  QCOMPARE(dark.pixelColor(inPlot), rig.Window->Theme().Window);
  rig.Window->SetStyleMode(2);
  rig.Window->StyleApply();
  QVERIFY(!rig.Window->Theme().Dark);
  const QImage light = chart->Render(chart->size());
  QCOMPARE(light.pixelColor(inPlot), rig.Window->Theme().Window);
  QVERIFY(light.pixelColor(inPlot) != dark.pixelColor(inPlot));
}

QTEST_MAIN(TstTrendPane)
#include "tst_trend_pane.moc"
