#include "monitor/item_class.h"

#include "monitor/monitor_context.h"
#include "style/icons.h"
#include "style/theme.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <charconv>
#include <iterator>

namespace {
constexpr TColorRef kNoDataColor = 0x5C564B;
constexpr TColorRef kLeaderColor = 0x5C564B;
} // namespace

TItemClass::TItemClass(TMonitorContext& aContext, QWidget* aParent) : TBaseClass(aContext, aParent) {
  resize(width(), kLineHeight);
}

int TItemClass::FullHeight() const {
  return FAutoHide && IsEmptyValue(FValue) ? 0 : kLineHeight;
}

void TItemClass::Set_Units(const QString& aValue) {
  F_Units = aValue;
  FUnits = aValue.isEmpty() ? QString() : FContext.Translate(aValue);
}

void TItemClass::Retranslate() {
  TBaseClass::Retranslate();
  Set_Units(F_Units);
  RequestRepaint();
}

void TItemClass::SetIconPrefix(const QString& aValue) {
  // A state icon asked for again with every value is loaded once.
  if (FIconLoaded && aValue == FIconPrefix)
    return;
  FIconPrefix = aValue;
  ReloadIcon();
}

void TItemClass::ReloadIcon() {
  FIconLoaded = true;
  if (FIconName.isEmpty() || !FContext.Icons) {
    FIcon = QPixmap();
    return;
  }
  FIcon = FContext.Icons->ItemIcon(FIconPrefix, FIconName, 16, devicePixelRatioF());
  RequestRepaint();
}

namespace {

// A mileage of 1234567.89 km must read as such: every digit the number carries, no exponent, no
// grouping, and the decimal separator of the technician's locale.
QString DecimalText(double aValue) {
  QLocale locale;
  locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
  return locale.toString(aValue, 'f', QLocale::FloatingPointShortest);
}

// A single-precision value carries fewer digits than its double would show (55.1f is
// 55.099998474...): its own shortest text is the value.
double FloatAsDecimal(float aValue) {
  char text[32];
  const std::to_chars_result end = std::to_chars(std::begin(text), std::end(text), aValue);
  return QByteArrayView(text, end.ptr - text).toDouble();
}

} // namespace

QString TItemClass::ValueText(const QVariant& aValue) {
  switch (aValue.typeId()) {
  case QMetaType::Double:
    return DecimalText(aValue.toDouble());
  case QMetaType::Float:
    return DecimalText(FloatAsDecimal(aValue.toFloat()));
  default:
    return aValue.toString();
  }
}

QString TItemClass::DisplayText() const {
  if (IsEmptyValue(FValue))
    return FContext.Translate(QStringLiteral("Nodata"));
  QString text = ValueText(FShowValue);
  if (!FUnits.isEmpty())
    text += QLatin1Char(' ') + FUnits;
  return text;
}

TItemClass::TGeometry TItemClass::Measure(const QString& aValueText) const {
  const QFontMetrics fm(font());
  const int W = width();
  const int room = W - 10;
  const int wc = fm.horizontalAdvance(FCaption);
  const int wv = fm.horizontalAdvance(aValueText) + (FIcon.isNull() ? 0 : 20);
  int x = room * 4 / 6;
  if (x < wc + 12 || wv > room * 2 / 6) {
    x = wc + 12;
    if (wv + wc + 12 > room || wv > room * 2 / 6)
      x = W - wv - 10;
  }
  TGeometry g{x, FCaption, false, false};
  if (wv + wc + 12 <= room)
    return g;
  // A long value gives way to the caption: a caption names the line and a cut one ("A..") says
  // nothing, while the value keeps its start and the rest is in the tooltip. Only a caption wider
  // than its share of the row is cut itself.
  const int captionRoom = qMax(0, room * kCaptionShare / 100 - 12);
  if (wc > captionRoom) {
    g.Caption = fm.elidedText(FCaption, Qt::ElideRight, captionRoom);
    g.Shortened = true;
  }
  g.ValueX = fm.horizontalAdvance(g.Caption) + 12;
  g.ValueElided = g.ValueX + wv > W - 2;
  return g;
}

QString TItemClass::ShownCaption() const {
  return Measure(DisplayText()).Caption;
}

bool TItemClass::ValueElided() const {
  return Measure(DisplayText()).ValueElided;
}

void TItemClass::paintEvent(QPaintEvent*) {
  const TThemeColors& theme = *FContext.Theme;
  const bool noData = IsEmptyValue(FValue);
  const QString text = DisplayText();
  // Painted in the theme shown now, whichever theme was on when the value came.
  const QColor color = ReadableColor(theme, noData ? kNoDataColor : FColor);
  const TGeometry g = Measure(text);
  QStringList tip;
  if (g.Shortened)
    tip << FCaption;
  if (g.ValueElided)
    tip << text;
  setToolTip(tip.join(QLatin1Char('\n')));

  QPainter p(this);
  const QFontMetrics fm(font());
  // The leader runs under the gap between caption and value: every third pixel of the last row.
  p.setPen(ColorRefToColor(kLeaderColor));
  const int bottom = height() - 1;
  for (int x = fm.horizontalAdvance(g.Caption); x < width(); ++x)
    if (x % 3 == 0)
      p.drawPoint(x, bottom);

  // On a narrow column the value would start left of the (shortened) caption and lose its first
  // characters; keep it right of the caption and cut its end instead, visibly.
  const int valueX = qMax(g.ValueX, fm.horizontalAdvance(g.Caption) + 6);
  int x = valueX;
  if (!FIcon.isNull()) {
    p.drawPixmap(QRect(x, (height() - 16) / 2, 16, 16), FIcon);
    x += 20;
  }
  p.setPen(color);
  FPaintedText = text;
  const QString shown = fm.elidedText(text, Qt::ElideRight, qMax(0, width() - x - 2));
  p.drawText(QRect(x, 3, width() - x, height() - 3), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
             shown);
  p.setPen(theme.Text);
  p.drawText(QRect(0, 3, valueX, height() - 3), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, g.Caption);
}

void TItemClass::enterEvent(QEnterEvent*) {
  if (FValueAlter.isValid() && !FValueAlter.toString().isEmpty()) {
    FShowValue = FValueAlter;
    update();
  }
}

void TItemClass::leaveEvent(QEvent*) {
  if (FShowValue != FValue) {
    FShowValue = FValue;
    update();
  }
}

void TItemClass::mouseDoubleClickEvent(QMouseEvent*) {
  const QString value = ValueText(FValue);
  QApplication::clipboard()->setText(value);
  if (FContext.Hint)
    FContext.Hint(2, FContext.Translate(QStringLiteral("mes_copyclipboard")) + QStringLiteral(" \"") + value +
                         QLatin1Char('"'));
}

void TItemClass::contextMenuEvent(QContextMenuEvent* aEvent) {
  if (FContext.ItemMenu)
    FContext.ItemMenu(this, aEvent->globalPos());
}
