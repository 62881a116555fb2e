#pragma once

#include "monitor/trend_chart.h"
#include "monitor/trend_set.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QMenu;
class QPoint;
class QWidget;
class TClock;
class TItemClass;
class TMF;
class TRegistry;

// Trends of monitor values in the main window: the "Show trend" / "Hide trend" menu of a monitor
// line, the chart pane under the monitor, the values fed at the time of their record (the clock's
// time live, the log's own time while replaying), and the chosen values kept per device type in
// the per-user store under "Trends" (one value a type; "Points" there sets how many values each
// series keeps).
class TTrendController : public QObject {
  Q_OBJECT
public:
  TTrendController(TMF& aWindow, TRegistry& aRegistry, const TClock& aClock);
  ~TTrendController() override;

  // The chart pane, hidden until a first series is shown.
  TTrendChart* CreatePane(QWidget* aParent);
  TTrendChart* Chart() const { return FChart; }
  const TTrendSet& Set() const { return FSet; }

  // The context menu of a monitor line; the caller shows it.
  QMenu* MakeItemMenu(TItemClass* aItem, QWidget* aParent);
  void ShowItemMenu(TItemClass* aItem, const QPoint& aGlobal);
  // A monitor line's value as a trend; false when it is shown already or has no line.
  bool ShowTrend(const QString& aIdent);
  bool HideTrend(const QString& aIdent);

  // A value reached the monitor line aIdent (lower case).
  void ValueSet(const QString& aIdent, const QVariant& aValue);
  // The time of the record being shown, in seconds of the current time base.
  double RecordTime() const;
  void Retranslate();

private:
  // Another port or another device type: histories start over, the type's choice comes back.
  void CheckSource();
  void Changed();
  void Save() const;

  TMF& FWindow;
  TRegistry& FRegistry;
  const TClock& FClock;
  TTrendSet FSet;
  QPointer<TTrendChart> FChart;
  const void* FSource = nullptr;
  bool FReplaying = false;
  QString FDeviceType;
};

inline constexpr char kTrendsKey[] = "Trends";
