#include "ui/trend_controller.h"

#include "base/clock.h"
#include "core/virtual_comm_driver.h"
#include "device/port_info.h"
#include "monitor/item_class.h"
#include "monitor/trend_chart.h"
#include "platform/registry.h"
#include "ui/tmf.h"

#include <QFileDialog>
#include <QMenu>
#include <QSplitter>

namespace {
// How many values each series keeps: "Points" under "Trends", else a day at one a second.
qsizetype StoredCapacity(const TRegistry& aRegistry) {
  const qlonglong points =
      aRegistry.Read(QString::fromLatin1(kTrendsKey), QStringLiteral("Points")).toLongLong();
  return points > 0 ? qsizetype(qMin<qlonglong>(points, 50'000'000)) : TTrendSeries::kDefaultCapacity;
}
} // namespace

TTrendController::TTrendController(TMF& aWindow, TRegistry& aRegistry, const TClock& aClock)
    : FWindow(aWindow), FRegistry(aRegistry), FClock(aClock), FSet(StoredCapacity(aRegistry)) {}

TTrendController::~TTrendController() {
  // The pane reads the set, which goes with this object; the window would delete the pane later.
  delete FChart.data();
}

TTrendChart* TTrendController::CreatePane(QWidget* aParent) {
  FChart = new TTrendChart(FWindow.MonitorContext(), FSet, aParent);
  FChart->SetSaveDialog([this](const QString& aFilter, const QString& aProposed) {
    return QFileDialog::getSaveFileName(&FWindow, QString(), aProposed, aFilter);
  });
  FChart->hide();
  return FChart;
}

QMenu* TTrendController::MakeItemMenu(TItemClass* aItem, QWidget* aParent) {
  auto* menu = new QMenu(aParent);
  menu->setObjectName(QStringLiteral("TrendMenu"));
  const QString ident = aItem->Ident();
  if (FSet.Contains(ident)) {
    QAction* hide = menu->addAction(FWindow.Translate(QStringLiteral("TrendHide")));
    hide->setObjectName(QStringLiteral("TrendHide"));
    connect(hide, &QAction::triggered, this, [this, ident] { HideTrend(ident); });
  } else {
    QAction* show = menu->addAction(FWindow.Translate(QStringLiteral("TrendShow")));
    show->setObjectName(QStringLiteral("TrendShow"));
    // Only a number draws; a line without a value yet may still get one.
    show->setEnabled(TBaseClass::IsEmptyValue(aItem->Value()) || TTrendSet::Numeric(aItem->Value()));
    connect(show, &QAction::triggered, this, [this, ident] { ShowTrend(ident); });
  }
  return menu;
}

void TTrendController::ShowItemMenu(TItemClass* aItem, const QPoint& aGlobal) {
  QMenu* menu = MakeItemMenu(aItem, &FWindow);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(aGlobal);
}

bool TTrendController::ShowTrend(const QString& aIdent) {
  CheckSource();
  auto* item = qobject_cast<TItemClass*>(FWindow.VisualFind(aIdent));
  if (!item || !FSet.Add(item->Ident(), item->_Units()))
    return false;
  // The value shown now is the first point.
  if (!TBaseClass::IsEmptyValue(item->Value()))
    FSet.Feed(item->Ident(), RecordTime(), item->Value());
  Changed();
  Save();
  return true;
}

bool TTrendController::HideTrend(const QString& aIdent) {
  if (!FSet.Remove(aIdent))
    return false;
  Changed();
  Save();
  return true;
}

void TTrendController::Changed() {
  if (!FChart)
    return;
  FChart->Rebuild();
  const bool show = !FSet.Trends().empty();
  if (show != FChart->isHidden())
    return;
  FChart->setVisible(show);
  // Appearing, the pane takes two fifths of the page; the user's splitter position stays after.
  if (auto* splitter = qobject_cast<QSplitter*>(FChart->parentWidget()); splitter && show) {
    const int total = splitter->height() > 0 ? splitter->height() : 600;
    if (splitter->sizes().value(1) < total / 5)
      splitter->setSizes({total - total * 2 / 5, total * 2 / 5});
  }
}

void TTrendController::ValueSet(const QString& aIdent, const QVariant& aValue) {
  CheckSource();
  if (FSet.Trends().empty())
    return;
  if (FSet.Feed(aIdent, RecordTime(), aValue) && FChart && FChart->isVisible())
    FChart->Refresh();
}

double TTrendController::RecordTime() const {
  if (const TVirtualCommDriver* replay = FWindow.ReplayDriver())
    return double(replay->FirstStampMs()) / 1000.0 + replay->EntryTime();
  return double(FClock.Now().toMSecsSinceEpoch()) / 1000.0;
}

void TTrendController::CheckSource() {
  TPortInfo* port = FWindow.Q();
  const bool replaying = FWindow.ReplayDriver() != nullptr;
  if (port != FSource || replaying != FReplaying) {
    FSource = port;
    FReplaying = replaying;
    FSet.ClearPoints();
    FSet.SetTimeBase(replaying ? TTrendTimeBase::LogDay : TTrendTimeBase::Wall);
    FSet.Follow();
  }
  const QString type = port ? port->DeviceVer() : QString();
  if (type.isEmpty() || type == FDeviceType)
    return;
  FDeviceType = type;
  if (!FRegistry.ValueExists(QString::fromLatin1(kTrendsKey), type)) {
    Save(); // what is shown now becomes this type's choice
    return;
  }
  const QStringList chosen = FRegistry.Read(QString::fromLatin1(kTrendsKey), type).toStringList();
  for (const QString& ident : FSet.Idents())
    if (!chosen.contains(ident, Qt::CaseInsensitive))
      FSet.Remove(ident);
  for (const QString& ident : chosen) {
    auto* item = qobject_cast<TItemClass*>(FWindow.VisualFind(ident));
    FSet.Add(ident, item ? item->_Units() : QString());
  }
  Changed();
}

void TTrendController::Save() const {
  if (FDeviceType.isEmpty())
    return;
  FRegistry.Write(QString::fromLatin1(kTrendsKey), FDeviceType, FSet.Idents());
}

void TTrendController::Retranslate() {
  if (FChart)
    FChart->Retranslate();
}
