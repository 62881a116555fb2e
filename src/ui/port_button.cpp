#include "ui/port_button.h"

#include "base/clock.h"
#include "device/device_types.h"
#include "device/port_info.h"
#include "ui/tmf.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr int kSquare = 72;
constexpr int kCentre = 36;
} // namespace

TPortButton::TPortButton(TMF& aWindow, TPortInfo* aPort, QWidget* aParent)
    : QWidget(aParent), FWindow(aWindow), FPort(aPort) {
  setObjectName(QStringLiteral("PortButton"));
  setFixedHeight(kHeight);
  setMinimumWidth(kSquare + 4);
  setCursor(Qt::PointingHandCursor);
  setToolTip(aPort->Hint());
  connect(aPort, &TPortInfo::RepaintRequested, this, qOverload<>(&QWidget::update));
  connect(aPort, &TPortInfo::VisibleChanged, this, &QWidget::setVisible);
  connect(aPort, &TPortInfo::StyleUpdateRequested, this, qOverload<>(&QWidget::update));
  // The replay port is the one record that goes away; its button goes with it.
  connect(aPort, &QObject::destroyed, this, [this] {
    FPort = nullptr;
    deleteLater();
  });
}

QColor TPortButton::FrameColor() const {
  const TThemeColors& theme = FWindow.Theme();
  if (!FPort)
    return theme.Window;
  if (FPort->Selected())
    return Qt::white;
  if (FPort->Active())
    return FPort->Stoped() ? theme.Alarm : theme.Accent;
  return theme.Window;
}

void TPortButton::paintEvent(QPaintEvent*) {
  if (!FPort)
    return;
  const TThemeColors& theme = FWindow.Theme();
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(rect(), FrameColor());
  const QRect square(2, 2, kSquare, kSquare);
  p.fillRect(square, theme.Panel);

  QFont font = this->font();
  font.setPointSize(8);
  // Names that do not fit get a smaller font, not cut ends.
  auto fit = [](QFont aFont, const QString& aText) {
    while (aFont.pointSize() > 6 && QFontMetrics(aFont).horizontalAdvance(aText) > kSquare - 4)
      aFont.setPointSize(aFont.pointSize() - 1);
    return aFont;
  };
  p.setFont(fit(font, FPort->PortName()));
  p.setPen(QColor(0x80, 0x80, 0x80));
  p.drawText(QRect(2 + kCentre - 40, 2 + 5, 80, 14), Qt::AlignHCenter | Qt::AlignTop, FPort->PortName());

  const QString name = FPort->DeviceName();
  const QString line2 = name.isEmpty() ? QStringLiteral("------") : name;
  font.setPointSize(line2.size() <= 8 ? 12 : line2.size() <= 10 ? 10 : 7);
  font.setBold(true);
  p.setFont(fit(font, line2));
  p.setPen(theme.Accent);
  p.drawText(QRect(2, 2 + 34 - 12, kSquare, 24), Qt::AlignCenter, line2);
  if (name.isEmpty() && FPort->Active()) {
    // Ask the device who it is, but not more than once a minute from here.
    const qint64 now = TClock::System().MonotonicMs();
    if (FLastTypeRequest < 0 || now - FLastTypeRequest > 60000) {
      FLastTypeRequest = now;
      FWindow.UpdateTypeInfo();
    }
  }

  font.setPointSize(8);
  font.setBold(false);
  const QString model = DeviceDisplayName(FPort->DeviceVer(), FPort->DeviceSubVer());
  p.setFont(fit(font, model));
  p.setPen(theme.Text);
  p.drawText(QRect(2, 2 + 52, kSquare, 14), Qt::AlignHCenter | Qt::AlignTop, model);

  FWindow.ResetModemToggle();
  if (FPort->DeviceVer() == QLatin1String("1") && !FOldFirmwareShown) {
    // Once per button, not on every repaint: the hint stack would fill with copies.
    FOldFirmwareShown = true;
    FWindow.MainHintShow(0, FWindow.Translate(QStringLiteral("mes_firmwareold")));
  }
}

void TPortButton::enterEvent(QEnterEvent*) {
  FPort->SetSelected(true);
}

void TPortButton::leaveEvent(QEvent*) {
  FPort->SetSelected(false);
}

void TPortButton::mousePressEvent(QMouseEvent* aEvent) {
  if (aEvent->button() == Qt::LeftButton && FPort)
    FWindow.PortPressed(FPort);
}
