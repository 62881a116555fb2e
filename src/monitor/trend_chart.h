#pragma once

#include "monitor/trend_set.h"

#include <QImage>
#include <QWidget>
#include <functional>
#include <optional>

class QHBoxLayout;
class QToolButton;
struct TMonitorContext;
class TTrendPlot;

// The trend pane: a legend that toggles each series, "follow", CSV and PNG export, and the plot.
//
// The plot is drawn with QPainter, not Qt Charts. After decimation a series is one short vertical
// line (min to max) per pixel column, a thousand points at most: QPainter draws that as one
// polyline, while a chart series would take the points as objects, re-layout them on every change
// and want its own theme and axes kept in step with ours; it would also add a package to the
// program for no gain in what is drawn.
class TTrendChart : public QWidget {
  Q_OBJECT
public:
  TTrendChart(TMonitorContext& aContext, TTrendSet& aSet, QWidget* aParent = nullptr);

  // The series were added or removed: the legend follows.
  void Rebuild();
  // The language changed.
  void Retranslate();
  // New values: redraw (Qt joins the requests into one paint).
  void Refresh();

  // A series' caption with its units, in the current language.
  QString SeriesTitle(const TTrend& aTrend) const;
  // The cursor: a time on the chart, or none.
  void SetCursorTime(std::optional<double> aTime);
  std::optional<double> CursorTime() const { return FCursorTime; }
  // Each visible series' value at the cursor (none in a gap), in the order of the legend.
  QList<std::optional<double>> CursorValues() const;

  // The chart as it is shown, drawn into an image of aSize (the plot area takes what the legend
  // leaves).
  QImage Render(QSize aSize) const;
  bool ExportCsv(const QString& aFileName, QString* aError = nullptr) const;
  bool ExportPng(const QString& aFileName, QString* aError = nullptr) const;
  // Asks for a file name (filter "Name (*.ext)", proposed name); tests give paths instead.
  using TSaveDialog = std::function<QString(const QString& aFilter, const QString& aProposed)>;
  void SetSaveDialog(TSaveDialog aDialog) { FSaveDialog = std::move(aDialog); }
  // The export buttons: ask for a name, save, and report through the hint.
  void ExportCsvClicked();
  void ExportPngClicked();

  TTrendSet& Set() { return FSet; }
  const TMonitorContext& Context() const { return FContext; }
  QColor SeriesColor(int aIndex) const;
  QToolButton* FollowButton() const { return FFollowButton; }
  TTrendPlot* Plot() const { return FPlot; }

Q_SIGNALS:
  // The legend turned a series on or off.
  void VisibilityChanged();

protected:
  void changeEvent(QEvent* aEvent) override;

private:
  void UpdateFollowButton();
  void StyleBar();
  friend class TTrendPlot;

  TMonitorContext& FContext;
  TTrendSet& FSet;
  QWidget* FBar = nullptr;
  QHBoxLayout* FLegend = nullptr;
  QToolButton* FFollowButton = nullptr;
  QToolButton* FCsvButton = nullptr;
  QToolButton* FPngButton = nullptr;
  TTrendPlot* FPlot = nullptr;
  std::optional<double> FCursorTime;
  TSaveDialog FSaveDialog;
};

// The plot area: axes, grid, the series and the cursor; wheel zooms time, a drag pans.
class TTrendPlot : public QWidget {
  Q_OBJECT
public:
  explicit TTrendPlot(TTrendChart& aChart);
  // Draws the chart into aPainter over aRect.
  void Draw(QPainter& aPainter, const QRect& aRect) const;
  // The plot rectangle inside a widget of aSize (what the axes leave).
  QRect PlotRect(const QRect& aRect) const;
  double TimeAtX(int aX) const;
  int XAtTime(double aTime) const;

protected:
  void paintEvent(QPaintEvent* aEvent) override;
  void wheelEvent(QWheelEvent* aEvent) override;
  void mousePressEvent(QMouseEvent* aEvent) override;
  void mouseMoveEvent(QMouseEvent* aEvent) override;
  void mouseReleaseEvent(QMouseEvent* aEvent) override;
  void leaveEvent(QEvent* aEvent) override;

private:
  TTrendChart& FChart;
  std::optional<int> FDragX;
};
