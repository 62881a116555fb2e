#include "ui/caption_bar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>
#include <QWindow>

namespace {
QToolButton* CaptionButton(const QString& aName, QWidget* aParent) {
  auto* b = new QToolButton(aParent);
  b->setObjectName(aName);
  b->setAutoRaise(true);
  b->setFixedSize(40, 32);
  b->setIconSize(QSize(16, 16));
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}
} // namespace

TCaptionBar::TCaptionBar(QWidget* aParent) : QWidget(aParent) {
  setObjectName(QStringLiteral("CaptionPanel"));
  setAttribute(Qt::WA_StyledBackground);
  setFixedHeight(32);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(10, 0, 0, 0);
  layout->setSpacing(8);
  FImage = new QLabel(this);
  FImage->setObjectName(QStringLiteral("CaptionImage"));
  FImage->setFixedSize(16, 16);
  FLabel = new QLabel(this);
  FLabel->setObjectName(QStringLiteral("CaptionLabel"));
  FButtonRU = CaptionButton(QStringLiteral("ButtonRU"), this);
  FButtonRU->setText(QStringLiteral("RU"));
  FButtonRU->hide();
  FButtonEN = CaptionButton(QStringLiteral("ButtonEN"), this);
  FButtonEN->setText(QStringLiteral("EN"));
  FButtonEN->hide();
  FAdvance = CaptionButton(QStringLiteral("AdvanceButton"), this);
  FMinimize = CaptionButton(QStringLiteral("MinimizeButton"), this);
  FNormalize = CaptionButton(QStringLiteral("NormalizeButton"), this);
  FClose = CaptionButton(QStringLiteral("CloseButton"), this);
  layout->addWidget(FImage);
  layout->addWidget(FLabel, 1);
  layout->addWidget(FButtonRU);
  layout->addWidget(FButtonEN);
  layout->addWidget(FAdvance);
  layout->addSpacing(8);
  layout->addWidget(FMinimize);
  layout->addWidget(FNormalize);
  layout->addWidget(FClose);
  layout->setSpacing(0);
}

void TCaptionBar::mousePressEvent(QMouseEvent* aEvent) {
  if (aEvent->button() != Qt::LeftButton || FIgnoreMove)
    return;
  QWidget* w = window();
  // Let the window manager move the window where it can: it snaps and follows the pointer exactly.
  if (w->windowHandle() && !w->isMaximized() && w->windowHandle()->startSystemMove())
    return;
  FMoving = true;
  FPos = w->pos();
  FMove = aEvent->globalPosition().toPoint();
}

void TCaptionBar::mouseMoveEvent(QMouseEvent* aEvent) {
  if (FMoving && !FIgnoreMove)
    window()->move(FPos + (aEvent->globalPosition().toPoint() - FMove));
}

void TCaptionBar::mouseReleaseEvent(QMouseEvent*) {
  FMoving = false;
  FIgnoreMove = false;
}

void TCaptionBar::mouseDoubleClickEvent(QMouseEvent* aEvent) {
  if (aEvent->button() != Qt::LeftButton)
    return;
  FMoving = false;
  FIgnoreMove = true; // no drag until the button is released
  Q_EMIT ToggleMaximized();
}

TResizeBorder::TResizeBorder(Qt::Edges aEdges, QWidget* aParent) : QWidget(aParent), FEdges(aEdges) {
  setAttribute(Qt::WA_StyledBackground);
  const bool horizontal = aEdges & (Qt::LeftEdge | Qt::RightEdge);
  const bool vertical = aEdges & (Qt::TopEdge | Qt::BottomEdge);
  if (horizontal && vertical)
    setCursor((aEdges == (Qt::LeftEdge | Qt::TopEdge) || aEdges == (Qt::RightEdge | Qt::BottomEdge))
                  ? Qt::SizeFDiagCursor
                  : Qt::SizeBDiagCursor);
  else
    setCursor(horizontal ? Qt::SizeHorCursor : Qt::SizeVerCursor);
}

void TResizeBorder::mousePressEvent(QMouseEvent* aEvent) {
  QWidget* w = window();
  if (aEvent->button() != Qt::LeftButton || w->isMaximized())
    return;
  if (w->windowHandle() && w->windowHandle()->startSystemResize(FEdges))
    return;
  FResizing = true;
  FStartGeometry = w->geometry();
  FStartPointer = aEvent->globalPosition().toPoint();
}

void TResizeBorder::mouseMoveEvent(QMouseEvent* aEvent) {
  if (!FResizing)
    return;
  QWidget* w = window();
  const QPoint p = aEvent->globalPosition().toPoint();
  QRect g = FStartGeometry;
  const QSize minimum = w->minimumSize();
  if (FEdges & Qt::RightEdge)
    g.setWidth(qMax(minimum.width(), p.x() - g.left()));
  if (FEdges & Qt::BottomEdge)
    g.setHeight(qMax(minimum.height(), p.y() - g.top()));
  if (FEdges & Qt::LeftEdge) {
    const int width = qMax(minimum.width(), FStartGeometry.width() + FStartPointer.x() - p.x());
    g.setLeft(FStartGeometry.right() + 1 - width);
  }
  if (FEdges & Qt::TopEdge) {
    const int height = qMax(minimum.height(), FStartGeometry.height() + FStartPointer.y() - p.y());
    g.setTop(FStartGeometry.bottom() + 1 - height);
  }
  w->setGeometry(g);
}

void TResizeBorder::mouseReleaseEvent(QMouseEvent*) {
  FResizing = false;
}
