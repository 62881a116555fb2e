#pragma once

#include <QAbstractButton>
#include <QColor>

// An on/off switch: a rounded track with a knob, coloured with the on colour when checked.
class TToggleSwitch : public QAbstractButton {
  Q_OBJECT
public:
  explicit TToggleSwitch(QWidget* aParent = nullptr);

  void SetColors(const QColor& aOn, const QColor& aOff, const QColor& aKnob);
  QColor TrackColor() const { return isChecked() ? FOn : FOff; }
  QSize sizeHint() const override { return QSize(44, 22); }

protected:
  void paintEvent(QPaintEvent* aEvent) override;

private:
  QColor FOn{90, 183, 98};
  QColor FOff{75, 86, 92};
  QColor FKnob{Qt::white};
};
