#pragma once

#include "base/color_ref.h"

#include <QList>
#include <QPair>
#include <QVariant>
#include <QWidget>

struct TMonitorContext;
class TRepaintQueue;

// The root of every element of the monitor and settings pages: a custom-painted control with an
// ident (the key values find it by), a caption from the dictionary, a value, and auto-hide (no
// height while it has no value).
class TBaseClass : public QWidget {
  Q_OBJECT
public:
  TBaseClass(TMonitorContext& aContext, QWidget* aParent);
  ~TBaseClass() override;

  QString Ident() const { return FIdent; }
  virtual void SetIdent(const QString& aValue);
  bool AutoHide() const { return FAutoHide; }
  virtual void SetAutoHide(bool aValue);
  bool VisibleFlag() const { return FVisible; }
  virtual void SetVisibleFlag(bool aValue);
  QString Caption() const { return FCaption; }
  // Keeps only the text before the first "|".
  virtual void SetCaption(const QString& aValue);
  virtual int FullHeight() const;
  QVariant Value() const { return FValue; }
  virtual void SetValue(const QVariant& aValue);
  QVariant ValueAlter() const { return FValueAlter; }
  void SetValueAlter(const QVariant& aValue) { FValueAlter = aValue; }
  QVariant BackValue() const { return FBackValue; }
  QString Dict() const { return FDict; }
  void SetDict(const QString& aValue) { FDict = aValue; }
  TColorRef Color() const { return FColor; }
  virtual void SetColor(TColorRef aColor);
  QWidget* Body() const { return FBody; }
  virtual void Init() {}
  // Takes its full height and tells the container or page panel it lives in.
  virtual void UpdateHeight();
  // Lays out the body after a size change of a child.
  virtual void LayoutBody() {}
  // Caption and units again in the current language.
  virtual void Retranslate();

  // "No value at all", as opposed to an empty text.
  static bool IsEmptyValue(const QVariant& aValue) { return !aValue.isValid() || aValue.isNull(); }
  // The same value of the same type, shown the same (0.0 and -0.0 differ; NaN differs from itself).
  static bool SameValue(const QVariant& aA, const QVariant& aB);

  // Repaints at the next refresh of the context's repaint queue (at once without a queue).
  void RequestRepaint();
  // True while the element waits in the repaint queue.
  bool RepaintQueued() const { return FRepaintQueued; }

protected:
  TMonitorContext& FContext;
  QList<QPair<int, QString>> FValues;
  QVariant FValue;
  QVariant FBackValue;
  QVariant FValueAlter;
  QVariant FShowValue;
  TColorRef FColor = clValuePlaceholder;
  QWidget* FHeader = nullptr;
  QWidget* FBody = nullptr;
  QString FCaption;
  QString FFormat;
  int FSize = 0;
  bool FVisible = true;
  QString FIdent;
  QString FDict;
  bool FAutoHide = false;

private:
  friend class TRepaintQueue;
  bool FRepaintQueued = false;
};

// An 8 px gap between groups of lines.
class TSeparatorClass : public TBaseClass {
  Q_OBJECT
public:
  TSeparatorClass(TMonitorContext& aContext, QWidget* aParent);
};

// The body of a container: its size changes lay the container out again.
class TBodyPanel : public QWidget {
  Q_OBJECT
public:
  explicit TBodyPanel(TBaseClass* aOwner);
  TBaseClass* Owner() const { return FOwner; }

private:
  TBaseClass* FOwner;
};
