#include "monitor/visual_index.h"

#include "monitor/elements.h"

#include <QSet>
#include <QWidget>

bool TVisualIndex::IsFindableClass(const QWidget* aWidget) {
  static const QSet<QByteArray> classes{"TStringClass",  "TStringWithButtonClass",
                                        "TIntegerClass", "TIntegerWithButtonClass",
                                        "TFlagClass",    "TListClass",
                                        "TItemClass",    "TCaptionClass"};
  return classes.contains(QByteArray(aWidget->metaObject()->className()));
}

namespace {
QList<QWidget*> WidgetChildren(QWidget* aParent) {
  QList<QWidget*> out;
  for (QObject* child : aParent->children())
    if (child->isWidgetType())
      out.append(static_cast<QWidget*>(child));
  return out;
}
} // namespace

TBaseClass* TVisualIndex::Walk(QWidget* aParent, const QString& aIdent) {
  const QList<QWidget*> children = WidgetChildren(aParent);
  for (QWidget* child : children)
    if (IsFindableClass(child)) {
      auto* element = static_cast<TBaseClass*>(child);
      if (element->Ident().compare(aIdent, Qt::CaseInsensitive) == 0)
        return element;
    }
  for (QWidget* child : children)
    if (TBaseClass* found = Walk(child, aIdent))
      return found;
  return nullptr;
}

void TVisualIndex::Visit(QWidget* aNode, QList<TBaseClass*>& aOut) {
  const QList<QWidget*> children = WidgetChildren(aNode);
  for (QWidget* child : children)
    if (IsFindableClass(child))
      aOut.append(static_cast<TBaseClass*>(child));
  for (QWidget* child : children)
    Visit(child, aOut);
}

void TVisualIndex::Rebuild() {
  FElements.clear();
  FByIdent.clear();
  FBySpelling.clear();
  Visit(FRoot, FElements);
  // The walk looks at a container's direct children before its nested ones; visiting in the same
  // order and keeping the first element of each ident gives the walk's answer for every ident.
  for (TBaseClass* element : FElements) {
    const QString key = element->Ident().toLower();
    if (!FByIdent.contains(key))
      FByIdent.insert(key, element);
  }
  FDirty = false;
}

TBaseClass* TVisualIndex::FindLower(const QString& aLowerIdent) {
  if (FDirty)
    Rebuild();
  return FByIdent.value(aLowerIdent, nullptr);
}

TVisualIndex::TLookup TVisualIndex::Lookup(const QString& aIdent) {
  if (FDirty)
    Rebuild();
  auto it = FBySpelling.constFind(aIdent);
  if (it == FBySpelling.cend()) {
    // Bounded: the spellings are the decoders' idents, plus what a device names in its values.
    if (FBySpelling.size() >= kMaxSpellings)
      FBySpelling.clear();
    QString lower = aIdent.toLower();
    TBaseClass* element = FByIdent.value(lower, nullptr);
    it = FBySpelling.insert(aIdent, TLookup{std::move(lower), element});
  }
  return *it;
}

const QList<TBaseClass*>& TVisualIndex::Elements() {
  if (FDirty)
    Rebuild();
  return FElements;
}
