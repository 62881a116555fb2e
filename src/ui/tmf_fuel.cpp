// Fuel-sensor masters in the window: the fuel page, the debug switch that offers it, the
// settings-page fields the write-back reads and the search results it shows.

#include "core/comm_port_driver.h"
#include "device/port_info.h"
#include "monitor/caption_class.h"
#include "monitor/item_class.h"
#include "protocols/fuel_writer.h"
#include "protocols/gen3_decoder.h"
#include "settings/controls/control_class.h"
#include "ui/sensor_result_item.h"
#include "ui/tmf.h"

#include <QAction>
#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QWidget* FuelPanel(const QString& aName, QWidget* aParent) {
  auto* w = new QWidget(aParent);
  w->setObjectName(aName);
  w->setAttribute(Qt::WA_StyledBackground);
  return w;
}

} // namespace

QWidget* TMF::BuildFuelPage() {
  QWidget* page = FuelPanel(QStringLiteral("FuelPanel"), this);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* top = new QHBoxLayout;
  top->setContentsMargins(0, 0, 0, 0);
  top->setSpacing(0);
  top->addWidget(FuelPanel(QStringLiteral("PanelF1"), page), 1);
  QWidget* right = FuelPanel(QStringLiteral("PanelF2"), page);
  top->addWidget(right);
  layout->addLayout(top, 1);
  layout->addWidget(FuelPanel(QStringLiteral("PanelFF"), page));

  auto* buttons = new QVBoxLayout(right);
  buttons->setContentsMargins(8, 8, 8, 8);
  for (const char* name : {"act_FonDark", "act_FonLight"}) {
    auto* button = new QToolButton(right);
    button->setObjectName(QStringLiteral("btn") + QString::fromLatin1(name));
    QAction* action = NewAction(QString::fromLatin1(name), 0, nullptr);
    const int mode = QByteArray(name) == "act_FonDark" ? tmDark : tmLight;
    connect(action, &QAction::triggered, this, [this, mode] { SetStyleMode(mode); });
    button->setDefaultAction(action);
    buttons->addWidget(button);
  }
  auto* master = new QToolButton(right);
  master->setObjectName(QStringLiteral("btnMaster"));
  master->setDefaultAction(NewAction(QStringLiteral("act_FuelMaster"), 0, &TMF::btnMasterClick));
  buttons->addWidget(master);
  buttons->addStretch(1);

  // The page is offered only on demand: Ctrl+Shift+Q, taken with the window's other keys.
  NewAction(QStringLiteral("act_debug"), -2, &TMF::act_debug);
  return page;
}

void TMF::act_debug() {
  FPageActions[pgFuel]->setVisible(!FPageActions[pgFuel]->isVisible());
}

void TMF::btnMasterClick() {
  TPortInfo* port = Q();
  // Without a port there is nothing to talk text to, and nothing to switch.
  if (!port)
    return;
  FCore.SetVersion(vtVersion1);
  port->SendAnsiString(">I 7\r\n");
}

std::optional<TFuelField> TMF::FuelField(const QString& aIdent) {
  TBaseClass* element = FVisualIndex.Find(aIdent);
  // Monitor lines and sections are not settings.
  if (!element || qobject_cast<TItemClass*>(element) || qobject_cast<TCaptionClass*>(element))
    return std::nullopt;
  TFuelField field;
  field.Caption = element->Caption();
  // What the technician sees in the editor now; the stored value is only what the program put
  // there, so comparing that with itself would never find a change.
  QVariant current = element->Value();
  bool controlSet = true;
  if (auto* control = qobject_cast<TControlClass*>(element)) {
    control->GetValue(current);
    controlSet = control->IsSet();
  }
  field.Text = current.toString();
  const auto given = FProgramValues.constFind(aIdent.toLower());
  // An emptied element is not set, whatever it once held.
  field.IsSet = controlSet && given != FProgramValues.cend();
  field.Changed = field.IsSet && *given != current;
  return field;
}

bool TMF::ClearSensorResults() {
  auto* section = qobject_cast<TCaptionClass*>(FVisualIndex.Find(QStringLiteral("SensorResult")));
  // Last first, as they were stacked.
  while (!FSensorResults.isEmpty()) {
    QPointer<TBaseClass> result = FSensorResults.takeLast();
    delete result.data();
  }
  if (!section)
    return false;
  section->UpdateHeight();
  section->LayoutBody();
  return true;
}

void TMF::AddSensorResult(const QString& aIdent, const QString& aCaption, const QString& aValue) {
  auto* section = qobject_cast<TCaptionClass*>(FVisualIndex.Find(QStringLiteral("SensorResult")));
  if (!section)
    return;
  auto* item = new TSensorResultItem(FMonitorContext, section->Body());
  item->SetIdent(aIdent);
  item->SetCaption(aCaption);
  item->SetColor(ColorToColorRef(FTheme.Value));
  item->SetValue(aValue);
  item->show();
  FSensorResults.append(item);
  item->UpdateHeight();
  section->UpdateHeight();
  section->LayoutBody();
}

bool TMF::FuelApplySettings() {
  TPortInfo* port = Q();
  if (!port)
    return false;
  const TFuelWriter::TResult result =
      TFuelWriter::Build(*this, [this](const QString& aKey) { return Translate(aKey); });
  if (!result.Error.isEmpty()) {
    MainHintShow(0, result.Error);
    return false;
  }
  // Each request waits in the port's queue until the master has answered the one before.
  for (const QByteArray& request : result.Requests)
    port->SendAnsiString(request);
  // What was written shows with the master's information asked afresh (its uptime has moved on).
  if (!result.Requests.isEmpty())
    port->SendAnsiString(Gen3::Request(Gen3::kMasterInfo));
  return true;
}
