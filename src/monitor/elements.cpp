#include "monitor/elements.h"

#include "i18n/dictionary.h"
#include "monitor/monitor_context.h"
#include "monitor/visual_index.h"

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
  FCaption = bar >= 0 ? aValue.left(bar) : aValue;
  update();
}

int TBaseClass::FullHeight() const {
  return height();
}

void TBaseClass::SetValue(const QVariant& aValue) {
  FValue = aValue;
  FBackValue = aValue;
  FShowValue = aValue;
  if (FAutoHide && FullHeight() != height())
    UpdateHeight();
  update();
}

void TBaseClass::SetColor(TColorRef aColor) {
  if (FColor == aColor)
    return;
  FColor = aColor;
  update();
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
