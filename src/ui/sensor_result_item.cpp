#include "ui/sensor_result_item.h"

#include "monitor/monitor_context.h"
#include "settings/controls/control_class.h"
#include "style/theme.h"

#include <QPainter>
#include <cmath>

namespace {

// The settings rows give their caption 60 % of the row less 24 px, then a 12 px gap before the
// editor, whose text starts after its frame and padding.
constexpr double kRowCaptionShare = 0.6;
constexpr int kRowMargin = 24;
constexpr int kGap = 12;
constexpr int kEditorTextInset = 9;

} // namespace

int TSensorResultItem::FullHeight() const {
  return TControlClass::kHeight;
}

int TSensorResultItem::CaptionRight() const {
  return int(std::lround(kRowCaptionShare * (width() - kRowMargin)));
}

int TSensorResultItem::ValueLeft() const {
  return CaptionRight() + kGap + kEditorTextInset;
}

void TSensorResultItem::paintEvent(QPaintEvent*) {
  const TThemeColors& theme = *FContext.Theme;
  const QFontMetrics fm(font());
  QPainter p(this);
  const QRect captionRect(0, 2, CaptionRight(), height() - 2);
  const QRect valueRect(ValueLeft(), 2, qMax(0, width() - ValueLeft() - 2), height() - 2);
  const QString caption = fm.elidedText(Caption(), Qt::ElideRight, captionRect.width());
  const QString value = fm.elidedText(DisplayText(), Qt::ElideRight, valueRect.width());
  QStringList tip;
  if (caption != Caption())
    tip << Caption();
  if (value != DisplayText())
    tip << DisplayText();
  setToolTip(tip.join(QLatin1Char('\n')));
  // Coloured as the settings captions beside it.
  p.setPen(theme.Accent);
  p.drawText(captionRect, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, caption);
  p.setPen(ReadableColor(theme, Color()));
  p.drawText(valueRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, value);
}
