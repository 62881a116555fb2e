#pragma once

#include <QWidget>

class TMF;
class TPortInfo;

// The button of one device port in the left column: its name, the device's ID and model, and its
// state in colour (selected, paused, under the pointer).
class TPortButton : public QWidget {
  Q_OBJECT
public:
  static constexpr int kHeight = 78;

  TPortButton(TMF& aWindow, TPortInfo* aPort, QWidget* aParent);
  TPortInfo* Port() const { return FPort; }
  // The colour of the frame around the square, by state.
  QColor FrameColor() const;

protected:
  void paintEvent(QPaintEvent* aEvent) override;
  void enterEvent(QEnterEvent* aEvent) override;
  void leaveEvent(QEvent* aEvent) override;
  void mousePressEvent(QMouseEvent* aEvent) override;

private:
  TMF& FWindow;
  TPortInfo* FPort;
  qint64 FLastTypeRequest = -1;
  bool FOldFirmwareShown = false;
};
