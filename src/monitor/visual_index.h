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
  // What a value's ident leads to: the ident in lower case and the element Find gives for it.
  struct TLookup {
    QString Lower;
    TBaseClass* Element = nullptr;
  };
  // The same as Find, for an ident as a decoder spells it: kept by that spelling, so that the
  // thousands of values a second a device sends under a few hundred idents are looked up without
  // lowering each ident again.
  TLookup Lookup(const QString& aIdent);
  // The same for an ident already in lower case.
  TBaseClass* FindLower(const QString& aLowerIdent);
  // Every value item, in walk order (for ageing and retranslation).
  const QList<TBaseClass*>& Elements();

  // The walk itself, without the index: what Find must agree with.
  static TBaseClass* Walk(QWidget* aParent, const QString& aIdent);
  static bool IsFindableClass(const QWidget* aWidget);

private:
  static constexpr qsizetype kMaxSpellings = 4096;
  void Rebuild();
  static void Visit(QWidget* aNode, QList<TBaseClass*>& aOut);

  QWidget* FRoot;
  bool FDirty = true;
  QHash<QString, TBaseClass*> FByIdent;
  QHash<QString, TLookup> FBySpelling;
  QList<TBaseClass*> FElements;
};
