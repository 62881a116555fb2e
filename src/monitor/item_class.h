#pragma once

#include "monitor/elements.h"

#include <QPixmap>

// One value line: caption on the left, then the value (with its icon and units) in the value
// column, joined by a dotted leader.
class TItemClass : public TBaseClass {
  Q_OBJECT
public:
  static constexpr int kLineHeight = 22;

  TItemClass(TMonitorContext& aContext, QWidget* aParent);

  int FullHeight() const override;
  void Retranslate() override;

  QString _Units() const { return F_Units; }
  void Set_Units(const QString& aValue);
  QString Units() const { return FUnits; }
  QString IconName() const { return FIconName; }
  void SetIconName(const QString& aValue) {
    FIconName = aValue;
    FIconLoaded = false;
  }
  QString IconPrefix() const { return FIconPrefix; }
  // Reloads the icon: prefix + name, else the name alone, else the default icon.
  void SetIconPrefix(const QString& aValue);
  // When the last value came, on the clock's steady timeline (ms); -1 before any value.
  qint64 LastUpdateTime() const { return FLastUpdateTime; }
  void SetLastUpdateTime(qint64 aMonotonicMs) { FLastUpdateTime = aMonotonicMs; }
  bool HasIcon() const { return !FIcon.isNull(); }
  // What is painted: the value with its units, or the "no data" text.
  QString DisplayText() const;
  // The DisplayText of the last paint (what is on the screen, unless cut to fit).
  QString PaintedText() const { return FPaintedText; }
  // Of the row's width, the share in percent that a caption keeps however long the value is.
  static constexpr int kCaptionShare = 60;
  // The caption as it fits the current width: whole, or cut with an ellipsis when it is wider than
  // its share of the row and the value does not fit beside it.
  QString ShownCaption() const;
  // True when the value does not fit beside the caption and is cut (the tooltip has it whole).
  bool ValueElided() const;
  void ReloadIcon();
  // A value as a line shows it, without units (the packet inspector shows values the same way).
  static QString ValueText(const QVariant& aValue);

protected:
  void paintEvent(QPaintEvent* aEvent) override;
  void enterEvent(QEnterEvent* aEvent) override;
  void leaveEvent(QEvent* aEvent) override;
  void mouseDoubleClickEvent(QMouseEvent* aEvent) override;
  void contextMenuEvent(QContextMenuEvent* aEvent) override;

private:
  struct TGeometry {
    int ValueX;
    QString Caption;
    bool Shortened;
    bool ValueElided;
  };
  TGeometry Measure(const QString& aValueText) const;

  QString F_Units;
  QString FUnits;
  qint64 FLastUpdateTime = -1;
  QPixmap FIcon;
  QString FIconName;
  QString FIconPrefix;
  QString FPaintedText;
  // The icon is the one of the current prefix and name (ReloadIcon ran since they were set).
  bool FIconLoaded = false;
};
