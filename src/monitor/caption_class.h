#pragma once

#include "monitor/elements.h"

#include <QPixmap>

// A section: a header with icon, caption and a hairline, and a body of lines and columns. It
// collapses to its header on a click on the header icon; sections marked "single" form an
// accordion with their siblings.
class TCaptionClass : public TBaseClass {
  Q_OBJECT
public:
  static constexpr int kHeaderHeight = 24;

  TCaptionClass(TMonitorContext& aContext, QWidget* aParent);

  int FullHeight() const override;
  void SetCaption(const QString& aValue) override;
  void LayoutBody() override;
  void UpdateHeight() override;

  void SetIconName(const QString& aName);
  QString IconName() const { return FIconName; }
  bool Flipped() const { return FFlipped; }
  void SetFlipped(bool aValue);
  bool Single() const { return FSingle; }
  void SetSingle(bool aValue) { FSingle = aValue; }
  // Collapses or expands as a click on the header icon does.
  void Toggle();
  int HeaderHeight() const { return FCaption.isEmpty() ? 0 : kHeaderHeight; }
  void ReloadIcon();

protected:
  void paintEvent(QPaintEvent* aEvent) override;
  void resizeEvent(QResizeEvent* aEvent) override;
  void mousePressEvent(QMouseEvent* aEvent) override;

private:
  // Sum of the lines' full heights and the tallest column.
  void Measure(int& aLines, int& aColumns) const;

  QPixmap FImage;
  QString FIconName;
  bool FFlipped = false;
  bool FSingle = false;
  bool FLayingOut = false;
};

// A column of sections: children stacked, and short ones stretched so the column fills the page.
class TColumnClass : public TBaseClass {
  Q_OBJECT
public:
  TColumnClass(TMonitorContext& aContext, QWidget* aParent);

  int FullHeight() const override;
  void LayoutBody() override;
  void UpdateHeight() override;
  bool Equil() const { return FEquil; }
  void SetEquil(bool aValue) { FEquil = aValue; }

protected:
  void resizeEvent(QResizeEvent* aEvent) override;

private:
  int AvailableHeight() const;
  bool FEquil = true;
  bool FLayingOut = false;
};

// A page panel (the monitor's and settings' top-level panels): its elements take its full width.
class TPagePanel : public QWidget {
  Q_OBJECT
public:
  explicit TPagePanel(const QString& aName, QWidget* aParent);

protected:
  void resizeEvent(QResizeEvent* aEvent) override;
};
