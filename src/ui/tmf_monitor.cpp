// The monitor page: building it, putting values on it, ageing them, the output switch.

#include "base/clock.h"
#include "device/identity_idents.h"
#include "device/port_info.h"
#include "monitor/caption_class.h"
#include "monitor/item_class.h"
#include "monitor/monitor_builder.h"
#include "ui/tmf.h"
#include "ui/trend_controller.h"

#include <QFile>
#include <QScrollArea>
#include <QSet>
#include <limits>

namespace {

// These never age: they are what the device is, not how it is doing.
bool NeverAges(const QString& aIdent) {
  static const QSet<QString> idents{QStringLiteral("_deviceid"),       QStringLiteral("_deviceimei"),
                                    QStringLiteral("_softversion"),    QStringLiteral("_modemsimiccid0"),
                                    QStringLiteral("_modemsimiccid1"), QStringLiteral("_modulewifimac"),
                                    QStringLiteral("_bluetoothmac")};
  return idents.contains(aIdent.toLower());
}

} // namespace

void TMF::ControlsLoadMonitor() {
  for (QWidget* panel : FMonitorPanels)
    ClearPagePanel(panel);
  QFile resource(QStringLiteral(":/velmora/Resource_XML"));
  if (!resource.open(QIODevice::ReadOnly))
    return; // no layout: the panels stay empty
  QString error;
  const bool built = BuildMonitorLayout(
      FMonitorContext, resource.readAll(),
      [this](const QString& aName) -> QWidget* {
        for (QWidget* panel : FMonitorPanels)
          if (panel->objectName().compare(aName, Qt::CaseInsensitive) == 0)
            return panel;
        return nullptr;
      },
      &error);
  if (!built)
    MainHintShow(0, error);
  LayoutMonitorColumns();
}

bool TMF::VisualSetValue(const QString& aName, const QVariant& aValue, int aAction,
                         const QString& aValueAlter, TColorRef aColor) {
  if (aColor == clValuePlaceholder)
    aColor = ColorToColorRef(FTheme.Value);
  if (FCore.Version() == vtDetect)
    return false;
  const TVisualIndex::TLookup found = FVisualIndex.Lookup(aName);
  const QString& key = found.Lower;
  TBaseClass* element = found.Element;
  if (TPortInfo* port = Q(); port && IsIdentityIdent(key)) {
    ApplyIdentityValue(*port, key, aValue.toString());
    // What the port record does with its identity may change the pages: the element is asked again.
    element = FVisualIndex.Lookup(aName).Element;
  }
  if (!element)
    return false;
  if (auto* item = qobject_cast<TItemClass*>(element);
      item && item->metaObject() == &TItemClass::staticMetaObject) {
    item->SetColor(aColor);
    item->SetValue(aValue);
    item->SetValueAlter(aValueAlter);
    const QString prefix = aAction == 1 ? QStringLiteral("E_") : QStringLiteral("D_");
    if (!item->IconName().isEmpty() && item->IconPrefix() != prefix)
      item->SetIconPrefix(prefix);
    item->SetLastUpdateTime(FClock.MonotonicMs());
    FTrends->ValueSet(key, aValue);
    return true;
  }
  if (qobject_cast<TCaptionClass*>(element))
    return false;
  // A settings element: the value only.
  element->SetValue(aValue);
  FProgramValues.insert(key, element->Value());
  return true;
}

bool TMF::SetValueOut(bool aValue) {
  FValueOut = aValue;
  return true;
}

void TMF::SwitchOutput() {
  TPortInfo* port = Q();
  if (!port) {
    // Nothing to switch without a device; say so rather than do nothing.
    MainHintShow(2, Translate(QStringLiteral("mes_infonodevice")));
    return;
  }
  const QByteArray password(kDefaultDevicePassword);
  if (FValueOut) {
    port->SendAnsiString(password + "*SERV*8.0.0\r\n");
    MainHintShow(1, Translate(QStringLiteral("_OUT0_OFF")));
    FValueOut = false;
  } else {
    port->SendAnsiString(password + "*SERV*8.0.1\r\n");
    MainHintShow(1, Translate(QStringLiteral("_OUT0_ON")));
    FValueOut = true;
  }
}

bool TMF::CheckParameterLifetime(TBaseClass* aElement) {
  auto* item = qobject_cast<TItemClass*>(aElement);
  if (!item || item->metaObject() != &TItemClass::staticMetaObject || NeverAges(item->Ident()))
    return false;
  const qint64 last = item->LastUpdateTime();
  const qint64 s = last >= 0 ? (FClock.MonotonicMs() - last) / 1000 : std::numeric_limits<qint64>::max();
  if (s > 300) {
    if (!item->AutoHide())
      return false;
    item->SetColor(0);
    return true;
  }
  if (s > 60)
    item->SetColor(clAgedValue);
  return false;
}

void TMF::Timer3Timer() {
  // Copy: clearing a value may change what the index holds.
  const QList<TBaseClass*> elements = FVisualIndex.Elements();
  for (TBaseClass* element : elements)
    if (CheckParameterLifetime(element) && !TBaseClass::IsEmptyValue(element->Value()))
      element->SetValue(QVariant());
}
