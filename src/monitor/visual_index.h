#pragma once

#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>

class QWidget;
class TBaseClass;

// Finds elements by ident the way the window's walk does: the direct children of a container
// before anything nested, containers in order, the first match winning; only the element classes
// that take values count (exact classes, not descendants). The walk is done once and kept until an
// element is created, destroyed or renamed, so a lookup costs the same however big the pages are.
class TVisualIndex {
public:
  explicit TVisualIndex(QWidget* aRoot) : FRoot(aRoot) {}

  void MarkDirty() { FDirty = true; }
  TBaseClass* Find(const QString& aIdent) { return FindLower(aIdent.toLower()); }
  // The same for an ident already in lower case.
  TBaseClass* FindLower(const QString& aLowerIdent);
  // Every value item, in walk order (for ageing and retranslation).
  const QList<TBaseClass*>& Elements();

  // The walk itself, without the index: what Find must agree with.
  static TBaseClass* Walk(QWidget* aParent, const QString& aIdent);
  static bool IsFindableClass(const QWidget* aWidget);

private:
  void Rebuild();
  static void Visit(QWidget* aNode, QList<TBaseClass*>& aOut);

  QWidget* FRoot;
  bool FDirty = true;
  QHash<QString, TBaseClass*> FByIdent;
  QList<TBaseClass*> FElements;
};
