#pragma once

#include <QPoint>
#include <QWidget>

class QLabel;
class QToolButton;

// The window's own caption bar: page icon, caption, settings and the three window buttons.
// Dragging it moves the window; a double click toggles maximized and normal.
class TCaptionBar : public QWidget {
  Q_OBJECT
public:
  explicit TCaptionBar(QWidget* aParent);

  QLabel* Image() const { return FImage; }
  QLabel* Label() const { return FLabel; }
  QToolButton* AdvanceButton() const { return FAdvance; }
  QToolButton* MinimizeButton() const { return FMinimize; }
  QToolButton* NormalizeButton() const { return FNormalize; }
  QToolButton* CloseButton() const { return FClose; }
  QToolButton* ButtonRU() const { return FButtonRU; }
  QToolButton* ButtonEN() const { return FButtonEN; }

Q_SIGNALS:
  void ToggleMaximized();

protected:
  void mousePressEvent(QMouseEvent* aEvent) override;
  void mouseMoveEvent(QMouseEvent* aEvent) override;
  void mouseReleaseEvent(QMouseEvent* aEvent) override;
  void mouseDoubleClickEvent(QMouseEvent* aEvent) override;

private:
  QLabel* FImage;
  QLabel* FLabel;
  QToolButton* FAdvance;
  QToolButton* FMinimize;
  QToolButton* FNormalize;
  QToolButton* FClose;
  QToolButton* FButtonRU;
  QToolButton* FButtonEN;
  bool FMoving = false;
  bool FIgnoreMove = false;
  QPoint FPos;
  QPoint FMove;
};

// A resize border along one or two edges of a frameless window.
class TResizeBorder : public QWidget {
  Q_OBJECT
public:
  TResizeBorder(Qt::Edges aEdges, QWidget* aParent);

protected:
  void mousePressEvent(QMouseEvent* aEvent) override;
  void mouseMoveEvent(QMouseEvent* aEvent) override;
  void mouseReleaseEvent(QMouseEvent* aEvent) override;

private:
  Qt::Edges FEdges;
  bool FResizing = false;
  QRect FStartGeometry;
  QPoint FStartPointer;
};
