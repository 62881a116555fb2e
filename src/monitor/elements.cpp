#include "monitor/elements.h"

#include "i18n/dictionary.h"
#include "monitor/monitor_context.h"
#include "monitor/repaint_queue.h"
#include "monitor/visual_index.h"

#include <cmath>

QString TMonitorContext::Translate(const QString& aKey) const {
  return Dictionary ? Dictionary->Translate(aKey) : aKey;
}

namespace {
// The page panel (a monitor or settings panel) an element lives in, if any.
QWidget* PagePanelOf(QWidget* aWidget) {
  for (QWidget* w = aWidget; w; w = w->parentWidget())
    if (w->property("pagePanel").toBool())
      return w;
  return nullptr;
}
} // namespace

TBaseClass::TBaseClass(TMonitorContext& aContext, QWidget* aParent) : QWidget(aParent), FContext(aContext) {
  if (FContext.Index)
    FContext.Index->MarkDirty();
}

TBaseClass::~TBaseClass() {
  if (FContext.Repaint)
    FContext.Repaint->Remove(this);
  if (FContext.Index)
    FContext.Index->MarkDirty();
}

void TBaseClass::SetIdent(const QString& aValue) {
  FIdent = aValue;
  if (FContext.Index)
    FContext.Index->MarkDirty();
}

void TBaseClass::SetAutoHide(bool aValue) {
  FAutoHide = aValue;
  resize(width(), FullHeight());
}

void TBaseClass::SetVisibleFlag(bool aValue) {
  FVisible = aValue;
  if (QWidget* panel = PagePanelOf(parentWidget()); panel && FContext.FitPanel)
    FContext.FitPanel(panel);
}

void TBaseClass::SetCaption(const QString& aValue) {
  const qsizetype bar = aValue.indexOf(QLatin1Char('|'));
  const QString caption = bar >= 0 ? aValue.left(bar) : aValue;
  if (caption == FCaption && caption.isNull() == FCaption.isNull())
    return;
  FCaption = caption;
  RequestRepaint();
}

int TBaseClass::FullHeight() const {
  return height();
}

bool TBaseClass::SameValue(const QVariant& aA, const QVariant& aB) {
  if (aA.metaType() != aB.metaType())
    return false;
  switch (aA.typeId()) {
  case QMetaType::UnknownType:
    return true;
  case QMetaType::Bool:
  case QMetaType::Int:
  case QMetaType::UInt:
  case QMetaType::LongLong:
  case QMetaType::ULongLong:
    return aA == aB;
  case QMetaType::Double: {
    const double a = aA.toDouble();
    const double b = aB.toDouble();
    return a == b && std::signbit(a) == std::signbit(b);
  }
  case QMetaType::Float: {
    const float a = aA.toFloat();
    const float b = aB.toFloat();
    return a == b && std::signbit(a) == std::signbit(b);
  }
  case QMetaType::QString: {
    const auto* a = static_cast<const QString*>(aA.constData());
    const auto* b = static_cast<const QString*>(aB.constData());
    return a->isNull() == b->isNull() && *a == *b;
  }
  default:
    // Anything else counts as new: a repaint too many costs little.
    return false;
  }
}

void TBaseClass::RequestRepaint() {
  if (FContext.Repaint)
    FContext.Repaint->Request(this);
  else
    update();
}

void TBaseClass::SetValue(const QVariant& aValue) {
  // The same value again changes nothing: no repaint, no height. (Only a shown alternative, on a
  // line under the mouse, gives way to the value.)
  if (SameValue(FValue, aValue) && SameValue(FBackValue, aValue)) {
    if (!SameValue(FShowValue, aValue)) {
      FShowValue = aValue;
      RequestRepaint();
    }
    return;
  }
  FValue = aValue;
  FBackValue = aValue;
  FShowValue = aValue;
  if (FAutoHide && FullHeight() != height())
    UpdateHeight();
  RequestRepaint();
}

void TBaseClass::SetColor(TColorRef aColor) {
  if (FColor == aColor)
    return;
  FColor = aColor;
  RequestRepaint();
}

void TBaseClass::UpdateHeight() {
  const int full = FullHeight();
  if (height() != full)
    resize(width(), full);
  QWidget* parent = parentWidget();
  if (auto* body = qobject_cast<TBodyPanel*>(parent)) {
    body->Owner()->UpdateHeight();
    body->Owner()->LayoutBody();
  } else if (parent && parent->property("pagePanel").toBool() && FContext.FitPanel) {
    FContext.FitPanel(parent);
  }
}

void TBaseClass::Retranslate() {
  const QString key = FDict.isEmpty() ? FIdent : FDict;
  if (!key.isEmpty())
    SetCaption(FContext.Translate(key));
}

TSeparatorClass::TSeparatorClass(TMonitorContext& aContext, QWidget* aParent)
    : TBaseClass(aContext, aParent) {
  resize(width(), 8);
}

TBodyPanel::TBodyPanel(TBaseClass* aOwner) : QWidget(aOwner), FOwner(aOwner) {}
