#include "monitor/trend_chart.h"

#include "monitor/monitor_context.h"
#include "platform/save_file.h"
#include "style/theme.h"

#include <QBuffer>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <array>
#include <cmath>

namespace {

constexpr int kAxisWidth = 58;
constexpr int kNoAxisWidth = 8;
constexpr int kTimeAxisHeight = 20;
constexpr int kTop = 8;

// Bright on the dark theme, deeper on the light one; the same order in both.
constexpr std::array<QRgb, TTrendSet::kPaletteSize> kDarkColors{0xFF9900, 0x33A8FF, 0x62D26A, 0xFF5A6A,
                                                                0xB98CFF, 0x33D6D6, 0xF2D63D, 0xFF70B8};
constexpr std::array<QRgb, TTrendSet::kPaletteSize> kLightColors{0xB86200, 0x0060C0, 0x2E7D32, 0xC62828,
                                                                 0x6A3DB8, 0x00838F, 0x8A6D00, 0xC2185B};

// A step of 1, 2 or 5 times a power of ten at least aRaw.
double NiceStep(double aRaw) {
  if (!(aRaw > 0) || !std::isfinite(aRaw))
    return 1;
  const double power = std::pow(10.0, std::floor(std::log10(aRaw)));
  for (const double m : {1.0, 2.0, 5.0, 10.0})
    if (m * power >= aRaw)
      return m * power;
  return 10 * power;
}

// Time steps people read: seconds, minutes, hours.
double TimeStep(double aRaw) {
  static constexpr double steps[] = {1,   2,   5,    10,   15,   30,    60,    120,   300,
                                     600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400};
  for (const double s : steps)
    if (s >= aRaw)
      return s;
  return 86400 * std::ceil(aRaw / 86400);
}

struct TAxisRange {
  bool Used = false;
  double Min = 0;
  double Max = 1;
  QString Units;
};

QString CaptionOf(const TMonitorContext& aContext, const QString& aIdent) {
  const QString text = aContext.Translate(aIdent);
  const qsizetype bar = text.indexOf(QLatin1Char('|'));
  return bar >= 0 ? text.left(bar) : text;
}

QString NumberText(double aValue) {
  QLocale locale;
  locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
  return locale.toString(aValue, 'g', 6);
}

} // namespace

// ---- chart ----

TTrendChart::TTrendChart(TMonitorContext& aContext, TTrendSet& aSet, QWidget* aParent)
    : QWidget(aParent), FContext(aContext), FSet(aSet) {
  setObjectName(QStringLiteral("TrendChart"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  FBar = new QWidget(this);
  FBar->setObjectName(QStringLiteral("TrendBar"));
  auto* bar = new QHBoxLayout(FBar);
  bar->setContentsMargins(8, 2, 8, 2);
  FLegend = new QHBoxLayout();
  FLegend->setSpacing(4);
  bar->addLayout(FLegend);
  bar->addStretch(1);
  const auto button = [this, bar](const char* aName) {
    auto* b = new QToolButton(FBar);
    b->setObjectName(QString::fromLatin1(aName));
    b->setAutoRaise(true);
    bar->addWidget(b);
    return b;
  };
  FFollowButton = button("TrendFollow");
  FFollowButton->setCheckable(true);
  FCsvButton = button("TrendCsv");
  FPngButton = button("TrendPng");
  connect(FFollowButton, &QToolButton::clicked, this, [this] {
    FSet.Follow();
    UpdateFollowButton();
    FPlot->update();
  });
  connect(FCsvButton, &QToolButton::clicked, this, &TTrendChart::ExportCsvClicked);
  connect(FPngButton, &QToolButton::clicked, this, &TTrendChart::ExportPngClicked);
  layout->addWidget(FBar);
  FPlot = new TTrendPlot(*this);
  layout->addWidget(FPlot, 1);
  Rebuild();
}

QColor TTrendChart::SeriesColor(int aIndex) const {
  const bool dark = !FContext.Theme || FContext.Theme->Dark;
  const auto& colors = dark ? kDarkColors : kLightColors;
  return QColor::fromRgb(colors[size_t(aIndex) % colors.size()]);
}

QString TTrendChart::SeriesTitle(const TTrend& aTrend) const {
  QString title = CaptionOf(FContext, aTrend.Ident);
  if (!aTrend.UnitsKey.isEmpty())
    title += QStringLiteral(", ") + FContext.Translate(aTrend.UnitsKey);
  return title;
}

void TTrendChart::Rebuild() {
  while (QLayoutItem* item = FLegend->takeAt(0)) {
    delete item->widget();
    delete item;
  }
  for (const TTrend& t : FSet.Trends()) {
    auto* b = new QToolButton(FBar);
    b->setObjectName(QStringLiteral("TrendLegend") + t.Ident);
    b->setProperty("ident", t.Ident);
    b->setCheckable(true);
    b->setChecked(t.Visible);
    b->setAutoRaise(true);
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    const QString ident = t.Ident;
    connect(b, &QToolButton::toggled, this, [this, ident](bool aOn) {
      FSet.SetVisible(ident, aOn);
      StyleBar();
      FPlot->update();
      Q_EMIT VisibilityChanged();
    });
    FLegend->addWidget(b);
  }
  Retranslate();
}

void TTrendChart::Retranslate() {
  for (int i = 0; i < FLegend->count(); ++i)
    if (auto* b = qobject_cast<QToolButton*>(FLegend->itemAt(i)->widget()))
      if (const TTrend* t = FSet.Find(b->property("ident").toString()))
        b->setText(SeriesTitle(*t));
  FFollowButton->setText(FContext.Translate(QStringLiteral("TrendFollow")));
  FFollowButton->setToolTip(FContext.Translate(QStringLiteral("TrendFollowHint")));
  FCsvButton->setText(QStringLiteral("CSV"));
  FCsvButton->setToolTip(FContext.Translate(QStringLiteral("TrendCsvHint")));
  FPngButton->setText(QStringLiteral("PNG"));
  FPngButton->setToolTip(FContext.Translate(QStringLiteral("TrendPngHint")));
  StyleBar();
  FPlot->update();
}

void TTrendChart::StyleBar() {
  UpdateFollowButton();
  for (int i = 0; i < FLegend->count(); ++i) {
    auto* b = qobject_cast<QToolButton*>(FLegend->itemAt(i)->widget());
    const TTrend* t = b ? FSet.Find(b->property("ident").toString()) : nullptr;
    if (!t)
      continue;
    // A swatch of the series' colour; hollow while the series is off.
    QPixmap swatch(12, 12);
    swatch.fill(Qt::transparent);
    QPainter p(&swatch);
    p.setPen(QPen(SeriesColor(t->Color), 2));
    p.setBrush(t->Visible ? SeriesColor(t->Color) : QColor(Qt::transparent));
    p.drawRect(1, 1, 10, 10);
    p.end();
    b->setIcon(QIcon(swatch));
    QFont f = b->font();
    f.setStrikeOut(!t->Visible);
    b->setFont(f);
  }
}

void TTrendChart::Refresh() {
  UpdateFollowButton();
  FPlot->update();
}

void TTrendChart::UpdateFollowButton() {
  FFollowButton->setChecked(FSet.Following());
}

void TTrendChart::changeEvent(QEvent* aEvent) {
  QWidget::changeEvent(aEvent);
  if (aEvent->type() == QEvent::PaletteChange) {
    StyleBar();
    FPlot->update();
  }
}

void TTrendChart::SetCursorTime(std::optional<double> aTime) {
  FCursorTime = aTime;
  FPlot->update();
}

QList<std::optional<double>> TTrendChart::CursorValues() const {
  QList<std::optional<double>> values;
  for (const TTrend& t : FSet.Trends())
    if (t.Visible)
      values << (FCursorTime ? t.Series->ValueAt(*FCursorTime, TTrendSet::kMaxJoinSeconds) : std::nullopt);
  return values;
}

QImage TTrendChart::Render(QSize aSize) const {
  QImage image(aSize, QImage::Format_ARGB32_Premultiplied);
  image.fill(FContext.Theme ? FContext.Theme->Panel : QColor(Qt::black));
  QPainter p(&image);
  // The legend as the pane shows it, then the plot below it.
  const int barHeight = FBar->isVisible() ? FBar->height() : FBar->sizeHint().height();
  FBar->render(&p, QPoint(0, 0), QRegion(0, 0, aSize.width(), barHeight));
  FPlot->Draw(p, QRect(0, barHeight, aSize.width(), aSize.height() - barHeight));
  return image;
}

bool TTrendChart::ExportCsv(const QString& aFileName, QString* aError) const {
  QStringList headers;
  for (const TTrend& t : FSet.Trends())
    headers << SeriesTitle(t);
  return SaveFileAtomically(aFileName, FSet.Csv(headers), aError);
}

bool TTrendChart::ExportPng(const QString& aFileName, QString* aError) const {
  const QImage image = Render(size().isEmpty() ? QSize(1000, 400) : size());
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) {
    if (aError)
      *aError = QStringLiteral("The chart could not be encoded as PNG");
    return false;
  }
  return SaveFileAtomically(aFileName, bytes, aError);
}

void TTrendChart::ExportCsvClicked() {
  if (!FSaveDialog)
    return;
  const QString file = FSaveDialog(QStringLiteral("CSV (*.csv)"), QStringLiteral("trends.csv"));
  if (file.isEmpty())
    return;
  QString error;
  const bool ok = ExportCsv(file, &error);
  if (FContext.Hint)
    FContext.Hint(ok ? 1 : 0, ok ? FContext.Translate(QStringLiteral("mes_trendsaved")) + QLatin1Char(' ') +
                                       QFileInfo(file).fileName()
                                 : error);
}

void TTrendChart::ExportPngClicked() {
  if (!FSaveDialog)
    return;
  const QString file = FSaveDialog(QStringLiteral("PNG (*.png)"), QStringLiteral("trends.png"));
  if (file.isEmpty())
    return;
  QString error;
  const bool ok = ExportPng(file, &error);
  if (FContext.Hint)
    FContext.Hint(ok ? 1 : 0, ok ? FContext.Translate(QStringLiteral("mes_trendsaved")) + QLatin1Char(' ') +
                                       QFileInfo(file).fileName()
                                 : error);
}

// ---- plot ----

TTrendPlot::TTrendPlot(TTrendChart& aChart) : QWidget(&aChart), FChart(aChart) {
  setObjectName(QStringLiteral("TrendPlot"));
  setMouseTracking(true);
  setMinimumHeight(80);
}

QRect TTrendPlot::PlotRect(const QRect& aRect) const {
  bool right = false;
  for (const TTrend& t : FChart.FSet.Trends())
    right = right || (t.Visible && t.Axis == 1);
  return aRect.adjusted(kAxisWidth, kTop, -(right ? kAxisWidth : kNoAxisWidth), -kTimeAxisHeight);
}

double TTrendPlot::TimeAtX(int aX) const {
  const QRect r = PlotRect(rect());
  const TTrendSet& set = FChart.FSet;
  return set.WindowStart() + double(aX - r.left()) * set.Span() / qMax(1, r.width());
}

int TTrendPlot::XAtTime(double aTime) const {
  const QRect r = PlotRect(rect());
  const TTrendSet& set = FChart.FSet;
  return r.left() + int(std::lround((aTime - set.WindowStart()) * r.width() / set.Span()));
}

void TTrendPlot::Draw(QPainter& aPainter, const QRect& aRect) const {
  const TMonitorContext& context = FChart.FContext;
  const TTrendSet& set = FChart.FSet;
  const TThemeColors theme = context.Theme ? *context.Theme : DarkTheme();
  const QRect r = PlotRect(aRect);
  aPainter.save();
  aPainter.fillRect(aRect, theme.Window);
  if (r.width() < 2 || r.height() < 2) {
    aPainter.restore();
    return;
  }
  const double t0 = set.WindowStart();
  const double t1 = set.WindowEnd();
  const int columns = r.width();

  // Decimate every visible series once; the axes take their ranges from the columns.
  std::vector<TTrendDecimation> cuts(set.Trends().size());
  std::array<TAxisRange, 2> axes;
  for (size_t i = 0; i < set.Trends().size(); ++i) {
    const TTrend& t = set.Trends()[i];
    if (!t.Visible)
      continue;
    t.Series->Decimate(t0, t1, columns, TTrendSet::kMaxJoinSeconds, cuts[i]);
    TAxisRange& axis = axes[size_t(t.Axis)];
    // An axis shared by other units names them all.
    const QString units = t.UnitsKey.isEmpty() ? QString() : context.Translate(t.UnitsKey);
    if (!units.isEmpty() && !axis.Units.split(QStringLiteral(", ")).contains(units))
      axis.Units = axis.Units.isEmpty() ? units : axis.Units + QStringLiteral(", ") + units;
    for (const TTrendColumn& c : cuts[i].Columns) {
      if (!c.HasData)
        continue;
      axis.Min = axis.Used ? std::min(axis.Min, c.Min) : c.Min;
      axis.Max = axis.Used ? std::max(axis.Max, c.Max) : c.Max;
      axis.Used = true;
    }
  }
  for (TAxisRange& axis : axes) {
    if (!axis.Used)
      continue;
    const double span = axis.Max - axis.Min;
    const double pad = span > 0 ? span * 0.08 : std::max(std::abs(axis.Max) * 0.05, 0.5);
    axis.Min -= pad;
    axis.Max += pad;
  }
  const auto yOf = [&](const TAxisRange& aAxis, double aValue) {
    return r.bottom() - (aValue - aAxis.Min) * (r.height() - 1) / (aAxis.Max - aAxis.Min);
  };

  QColor grid = theme.Muted;
  grid.setAlpha(70);
  const QFontMetrics fm(aPainter.font());
  // Value axes: the left one draws the grid.
  for (int side = 0; side < 2; ++side) {
    const TAxisRange& axis = axes[size_t(side)];
    if (!axis.Used)
      continue;
    const double step = NiceStep((axis.Max - axis.Min) / std::max(2, r.height() / 40));
    for (double v = std::ceil(axis.Min / step) * step; v <= axis.Max; v += step) {
      const int y = int(std::lround(yOf(axis, v)));
      if (side == 0 || !axes[0].Used) {
        aPainter.setPen(grid);
        aPainter.drawLine(r.left(), y, r.right(), y);
      }
      aPainter.setPen(theme.Text);
      const QString text = NumberText(std::abs(v) < step * 1e-9 ? 0.0 : v);
      const QRect box = side == 0 ? QRect(aRect.left(), y - 8, kAxisWidth - 6, 16)
                                  : QRect(r.right() + 6, y - 8, kAxisWidth - 6, 16);
      aPainter.drawText(box, (side == 0 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter, text);
    }
    if (!axis.Units.isEmpty()) {
      aPainter.setPen(theme.Muted);
      const QRect box = side == 0 ? QRect(aRect.left(), aRect.top(), kAxisWidth - 6, kTop + 4)
                                  : QRect(r.right() + 6, aRect.top(), kAxisWidth - 6, kTop + 4);
      aPainter.drawText(box, (side == 0 ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop, axis.Units);
    }
  }
  // Time axis.
  const double tStep = TimeStep(set.Span() * 90 / std::max(1, r.width()));
  for (double t = std::ceil(t0 / tStep) * tStep; t < t1; t += tStep) {
    const int x = r.left() + int(std::lround((t - t0) * r.width() / set.Span()));
    aPainter.setPen(grid);
    aPainter.drawLine(x, r.top(), x, r.bottom());
    aPainter.setPen(theme.Text);
    const QString text = set.TimeText(t, false);
    const int w = fm.horizontalAdvance(text);
    aPainter.drawText(QRect(x - w / 2 - 2, r.bottom() + 3, w + 4, kTimeAxisHeight - 3), Qt::AlignCenter,
                      text);
  }
  aPainter.setPen(theme.Muted);
  aPainter.drawRect(r.adjusted(0, 0, -1, -1));

  // Series: one vertical stroke per column (min to max) and a line from each value to the next
  // one it is joined to. Separate lines, not one polyline: a dense series zig-zags over the whole
  // height in every column, and stroking that as one path costs far more than the lines do.
  aPainter.setClipRect(r);
  const auto xOf = [&](double aTime) { return r.left() + (aTime - t0) * r.width() / set.Span(); };
  QList<QLineF> strokes;
  QList<QLineF> joins;
  QList<QPointF> lone;
  for (size_t i = 0; i < set.Trends().size(); ++i) {
    const TTrend& t = set.Trends()[i];
    if (!t.Visible)
      continue;
    const TAxisRange& axis = axes[size_t(t.Axis)];
    const TTrendDecimation& cut = cuts[i];
    strokes.clear();
    joins.clear();
    lone.clear();
    std::optional<QPointF> previous;
    if (cut.Before)
      previous = QPointF(xOf(cut.Before->Time), yOf(axis, cut.Before->Value));
    int lastColumn = -1;
    for (int c = 0; c < columns; ++c) {
      const TTrendColumn& col = cut.Columns[size_t(c)];
      if (!col.HasData)
        continue;
      const double x = r.left() + c + 0.5;
      const QPointF first(x, yOf(axis, col.First));
      if (col.Joined && previous)
        joins << QLineF(*previous, first);
      if (col.Min < col.Max)
        strokes << QLineF(x, yOf(axis, col.Min), x, yOf(axis, col.Max));
      else if (!col.Joined && !(c + 1 < columns && cut.Columns[size_t(c + 1)].Joined))
        lone << first; // a value alone between gaps
      previous = QPointF(x, yOf(axis, col.Last));
      lastColumn = c;
    }
    if (cut.After) {
      const QPointF after(xOf(cut.After->Time), yOf(axis, cut.After->Value));
      if (lastColumn >= 0 && previous)
        joins << QLineF(*previous, after);
      else if (cut.Before)
        joins << QLineF(QPointF(xOf(cut.Before->Time), yOf(axis, cut.Before->Value)), after);
    }
    const QColor color = FChart.SeriesColor(t.Color);
    aPainter.setPen(QPen(color, 1.5));
    aPainter.setRenderHint(QPainter::Antialiasing, true);
    aPainter.drawLines(joins);
    aPainter.setBrush(color);
    for (const QPointF& p : lone)
      aPainter.drawEllipse(p, 1.5, 1.5);
    aPainter.setBrush(Qt::NoBrush);
    aPainter.setRenderHint(QPainter::Antialiasing, false);
    aPainter.setPen(QPen(color, 1));
    aPainter.drawLines(strokes);
  }
  aPainter.setClipping(false);

  // Cursor: a line and the values at its time.
  if (const std::optional<double> cursor = FChart.FCursorTime; cursor && *cursor >= t0 && *cursor < t1) {
    const int x = r.left() + int(std::lround((*cursor - t0) * r.width() / set.Span()));
    aPainter.setPen(QPen(theme.Text, 1, Qt::DashLine));
    aPainter.drawLine(x, r.top(), x, r.bottom());
    QStringList lines{set.TimeText(*cursor, true)};
    QList<QColor> colors{theme.Text};
    const QList<std::optional<double>> values = FChart.CursorValues();
    qsizetype k = 0;
    for (const TTrend& t : set.Trends()) {
      if (!t.Visible)
        continue;
      const std::optional<double> v = values[k++];
      QString line = CaptionOf(context, t.Ident) + QStringLiteral(": ");
      line += v ? NumberText(*v) +
                      (t.UnitsKey.isEmpty() ? QString() : QLatin1Char(' ') + context.Translate(t.UnitsKey))
                : QStringLiteral("—");
      lines << line;
      colors << FChart.SeriesColor(t.Color);
    }
    int w = 0;
    for (const QString& line : lines)
      w = std::max(w, fm.horizontalAdvance(line));
    const int h = fm.height() * int(lines.size()) + 8;
    QRect box(x + 8, r.top() + 6, w + 12, h);
    if (box.right() > r.right())
      box.moveRight(x - 8);
    QColor back = theme.Panel;
    back.setAlpha(230);
    aPainter.fillRect(box, back);
    aPainter.setPen(theme.Muted);
    aPainter.drawRect(box.adjusted(0, 0, -1, -1));
    for (qsizetype j = 0; j < lines.size(); ++j) {
      aPainter.setPen(colors[j]);
      aPainter.drawText(QRect(box.left() + 6, box.top() + 4 + int(j) * fm.height(), w, fm.height()),
                        Qt::AlignLeft | Qt::AlignVCenter, lines[j]);
    }
  }
  aPainter.restore();
}

void TTrendPlot::paintEvent(QPaintEvent*) {
  QPainter p(this);
  Draw(p, rect());
}

void TTrendPlot::wheelEvent(QWheelEvent* aEvent) {
  const int delta = aEvent->angleDelta().y();
  if (delta == 0)
    return;
  // One notch zooms in or out by a fifth, around the time under the pointer.
  FChart.FSet.Zoom(std::pow(0.8, delta / 120.0), TimeAtX(int(aEvent->position().x())));
  FChart.Refresh();
  aEvent->accept();
}

void TTrendPlot::mousePressEvent(QMouseEvent* aEvent) {
  if (aEvent->button() == Qt::LeftButton)
    FDragX = int(aEvent->position().x());
}

void TTrendPlot::mouseMoveEvent(QMouseEvent* aEvent) {
  const int x = int(aEvent->position().x());
  if (FDragX && (aEvent->buttons() & Qt::LeftButton)) {
    const QRect r = PlotRect(rect());
    // The chart follows the pointer: dragging to the right shows earlier times.
    FChart.FSet.Pan(-double(x - *FDragX) * FChart.FSet.Span() / qMax(1, r.width()));
    FDragX = x;
    FChart.Refresh();
  }
  const bool inside = PlotRect(rect()).contains(aEvent->position().toPoint());
  FChart.SetCursorTime(inside ? std::optional<double>(TimeAtX(x)) : std::nullopt);
}

void TTrendPlot::mouseReleaseEvent(QMouseEvent*) {
  FDragX.reset();
}

void TTrendPlot::leaveEvent(QEvent*) {
  FChart.SetCursorTime(std::nullopt);
}
