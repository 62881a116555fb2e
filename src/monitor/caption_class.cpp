#include "monitor/caption_class.h"

#include "monitor/monitor_context.h"
#include "style/icons.h"
#include "style/theme.h"

#include <QAbstractScrollArea>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>

namespace {
QList<TBaseClass*> Elements(QWidget* aBody) {
  QList<TBaseClass*> out;
  if (!aBody)
    return out;
  for (QObject* child : aBody->children())
    if (auto* e = qobject_cast<TBaseClass*>(child))
      out.append(e);
  return out;
}
} // namespace

// ---- TCaptionClass ----

TCaptionClass::TCaptionClass(TMonitorContext& aContext, QWidget* aParent) : TBaseClass(aContext, aParent) {
  FBody = new TBodyPanel(this);
}

void TCaptionClass::Measure(int& aLines, int& aColumns) const {
  aLines = 0;
  aColumns = 0;
  for (TBaseClass* e : Elements(FBody)) {
    if (qobject_cast<TColumnClass*>(e))
      aColumns = qMax(aColumns, e->FullHeight());
    else
      aLines += e->FullHeight();
  }
}

int TCaptionClass::FullHeight() const {
  int p = 0;
  int q = 0;
  Measure(p, q);
  if (FAutoHide && p + q == 0)
    return 0;
  if (FFlipped)
    return HeaderHeight() + 8;
  return HeaderHeight() + p + q + 16;
}

void TCaptionClass::SetCaption(const QString& aValue) {
  const int before = HeaderHeight();
  TBaseClass::SetCaption(aValue);
  if (HeaderHeight() != before)
    UpdateHeight();
}

void TCaptionClass::SetIconName(const QString& aName) {
  FIconName = aName;
  ReloadIcon();
}

void TCaptionClass::ReloadIcon() {
  if (!FContext.Icons || FIconName.isEmpty()) {
    FImage = QPixmap();
    return;
  }
  // A header icon we do not carry falls back to the default one.
  const QString name = FContext.Icons->Has(FIconName) ? FIconName : QStringLiteral("I_DEFAULT");
  FImage = FContext.Icons->Pixmap(name, 16, devicePixelRatioF());
  update();
}

void TCaptionClass::SetFlipped(bool aValue) {
  if (FFlipped == aValue)
    return;
  FFlipped = aValue;
  UpdateHeight();
  LayoutBody();
}

void TCaptionClass::Toggle() {
  if (FFlipped && FSingle && parentWidget()) {
    for (QObject* sibling : parentWidget()->children())
      if (auto* other = qobject_cast<TCaptionClass*>(sibling);
          other && other != this && other->Single() && !other->Flipped())
        other->SetFlipped(true);
  }
  SetFlipped(!FFlipped);
}

void TCaptionClass::UpdateHeight() {
  TBaseClass::UpdateHeight();
  LayoutBody();
}

void TCaptionClass::resizeEvent(QResizeEvent*) {
  LayoutBody();
}

void TCaptionClass::LayoutBody() {
  if (FLayingOut)
    return;
  FLayingOut = true;
  int p = 0;
  int q = 0;
  Measure(p, q);
  const int header = HeaderHeight();
  const int wanted = FAutoHide && p + q == 0 ? 0 : FullHeight();
  // A column may have stretched this section past its own height; never shrink below the content.
  if (height() < wanted)
    resize(width(), wanted);
  FBody->setVisible(!FFlipped);
  FBody->setGeometry(0, header + 8, width() - 2, qMax(0, height() - header - 16));
  const QList<TBaseClass*> children = Elements(FBody);
  QList<TBaseClass*> columns;
  for (TBaseClass* e : children)
    if (qobject_cast<TColumnClass*>(e))
      columns.append(e);
  if (!columns.isEmpty()) {
    const int n = int(columns.size());
    const int w = (FBody->width() - 24 * n + 24) / n;
    for (int k = 0; k < n; ++k)
      columns[k]->setGeometry((w + 24) * k, p, w, q);
  }
  int top = 0;
  for (TBaseClass* e : children) {
    if (qobject_cast<TColumnClass*>(e))
      continue;
    const int h = e->FullHeight();
    e->setGeometry(0, top, FBody->width() - 1, h);
    e->setVisible(h > 0);
    top += h;
  }
  FLayingOut = false;
  update();
}

void TCaptionClass::paintEvent(QPaintEvent*) {
  const int header = HeaderHeight();
  if (header == 0)
    return;
  QPainter p(this);
  if (!FImage.isNull())
    p.drawPixmap(QRect(4, 4, 16, 16), FImage);
  QFont bold = font();
  bold.setBold(true);
  p.setFont(bold);
  p.setPen(FContext.Theme->Text);
  const int labelWidth = QFontMetrics(bold).horizontalAdvance(FCaption);
  p.drawText(QRect(28, 4, labelWidth + 4, 18), Qt::AlignLeft | Qt::AlignTop, FCaption);
  p.setPen(QColor(0xC0, 0xC0, 0xC0, FContext.Theme->Dark ? 90 : 160));
  p.drawLine(labelWidth + 40, 11, width(), 11);
}

void TCaptionClass::mousePressEvent(QMouseEvent* aEvent) {
  // The icon is the handle; the caption next to it answers too, as people expect.
  const int labelWidth = QFontMetrics(font()).horizontalAdvance(FCaption) + 40;
  if (aEvent->button() == Qt::LeftButton && QRect(0, 0, labelWidth, HeaderHeight()).contains(aEvent->pos()))
    Toggle();
}

// ---- TColumnClass ----

TColumnClass::TColumnClass(TMonitorContext& aContext, QWidget* aParent) : TBaseClass(aContext, aParent) {
  FBody = new TBodyPanel(this);
}

int TColumnClass::FullHeight() const {
  int sum = 0;
  for (TBaseClass* e : Elements(FBody))
    sum += e->FullHeight();
  return sum;
}

int TColumnClass::AvailableHeight() const {
  // The visible height of the page: the scroll box's viewport when the column sits on a page
  // panel, else the container it sits in.
  for (QWidget* w = parentWidget(); w; w = w->parentWidget())
    if (auto* box = qobject_cast<QAbstractScrollArea*>(w))
      return box->viewport()->height();
  return parentWidget() ? parentWidget()->height() : height();
}

void TColumnClass::UpdateHeight() {
  TBaseClass::UpdateHeight();
  LayoutBody();
}

void TColumnClass::resizeEvent(QResizeEvent*) {
  LayoutBody();
}

void TColumnClass::LayoutBody() {
  if (FLayingOut)
    return;
  FLayingOut = true;
  const QList<TBaseClass*> children = Elements(FBody);
  QList<int> heights;
  int m = 0;
  for (TBaseClass* e : children) {
    heights.append(e->FullHeight());
    if (heights.last() > 0)
      ++m;
  }
  if (m > 0 && FEquil) {
    // The page panel adds 32 px below its content; stretching to 32 px less than the visible
    // height fills the page without a scroll bar for nothing.
    const int a = AvailableHeight() - 32;
    const int s = a / m;
    int b = 0;
    int k = 0;
    for (int h : heights) {
      if (h > s)
        b += h;
      else if (h > 0)
        ++k;
    }
    if (k > 0) {
      const int share = (a - b) / k;
      for (int& h : heights)
        if (h > 0 && h <= s)
          h = qMax(h, share);
    }
  }
  int top = 0;
  for (int i = 0; i < children.size(); ++i) {
    children[i]->setGeometry(0, top, width(), heights[i]);
    children[i]->setVisible(heights[i] > 0);
    top += heights[i];
  }
  FBody->setGeometry(0, 0, width(), top);
  if (height() != top)
    resize(width(), top);
  FLayingOut = false;
  if (QWidget* panel = parentWidget(); panel && panel->property("pagePanel").toBool() && FContext.FitPanel)
    FContext.FitPanel(panel);
}

// ---- TPagePanel ----

TPagePanel::TPagePanel(const QString& aName, QWidget* aParent) : QWidget(aParent) {
  setObjectName(aName);
  setAttribute(Qt::WA_StyledBackground);
  setProperty("pagePanel", true);
}

void TPagePanel::resizeEvent(QResizeEvent*) {
  int top = 0;
  for (QObject* child : children())
    if (auto* e = qobject_cast<TBaseClass*>(child); e && !e->isHidden()) {
      e->setGeometry(0, top, width(), e->height());
      top += e->height();
    }
}
