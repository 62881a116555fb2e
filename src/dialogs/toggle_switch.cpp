#include "dialogs/toggle_switch.h"

#include <QPainter>

TToggleSwitch::TToggleSwitch(QWidget* aParent) : QAbstractButton(aParent) {
  setCheckable(true);
  setCursor(Qt::PointingHandCursor);
  setFixedSize(sizeHint());
}

void TToggleSwitch::SetColors(const QColor& aOn, const QColor& aOff, const QColor& aKnob) {
  FOn = aOn;
  FOff = aOff;
  FKnob = aKnob;
  update();
}

void TToggleSwitch::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  const QRectF track = QRectF(rect()).adjusted(1, 1, -1, -1);
  p.setBrush(TrackColor());
  p.drawRoundedRect(track, track.height() / 2, track.height() / 2);
  const qreal d = track.height() - 6;
  const qreal x = isChecked() ? track.right() - 3 - d : track.left() + 3;
  p.setBrush(FKnob);
  p.drawEllipse(QRectF(x, track.top() + 3, d, d));
}
