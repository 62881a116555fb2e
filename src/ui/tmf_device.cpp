// The device side of the window: identity poll, password field and settings locks, the lines the
// status records make on the fly, and the scan lists.

#include "base/clock.h"
#include "core/log_file.h"
#include "device/port_info.h"
#include "monitor/caption_class.h"
#include "monitor/item_class.h"
#include "settings/controls/control_class.h"
#include "ui/tmf.h"

#include <QAction>
#include <QLineEdit>
#include <QScrollArea>
#include <QVariantAnimation>

void TMF::StartCheckNameTimer(QObject*) {
  FPoll->StartCheckNameTimer();
}

void TMF::PasswordEditChange() {
  TPortInfo* port = Q();
  if (!port)
    return;
  const QString text = FPasswordEdit->text();
  port->SetUserPassword(text);
  // The service adapter takes its password as a typed line, in the devices' code page like every
  // line the technician types.
  if (port->ReadLocked() && text.size() == 6)
    port->SendAnsiString(ToLogCodePage(text) + "\r\n");
  PasswordChanged();
}

void TMF::PasswordChanged() {
  TPortInfo* port = Q();
  const bool writeLocked = port && port->WriteLocked();
  const bool readLocked = port && port->ReadLocked();
  findChild<QWidget*>(QStringLiteral("SettingsPasswordPanel"))->setVisible(writeLocked);
  UpdateSettingsActions();
  for (const char* name : {"PanelP1", "PanelP2"})
    if (auto* panel = findChild<QWidget*>(QString::fromLatin1(name)))
      panel->setEnabled(!writeLocked);
  for (const TSetting& row : FSettingsTable)
    if (auto* control = qobject_cast<TControlClass*>(row.WinControl.data()); control && row.Number == 5)
      if (QLineEdit* edit = control->Edit())
        edit->setEchoMode(writeLocked ? QLineEdit::Password : QLineEdit::Normal);
  // The tool bar eases to its new height; the window stays responsive meanwhile.
  auto* bar = findChild<QWidget*>(QStringLiteral("SettingsToolsPanel"));
  const int target = readLocked ? 1 : 56;
  bar->setVisible(!readLocked);
  if (bar->maximumHeight() != target) {
    auto* ease = new QVariantAnimation(bar);
    ease->setStartValue(qMin(bar->height(), 56));
    ease->setEndValue(target);
    ease->setDuration(225);
    ease->setEasingCurve(QEasingCurve::InOutSine);
    connect(ease, &QVariantAnimation::valueChanged, bar,
            [bar](const QVariant& aHeight) { bar->setMaximumHeight(aHeight.toInt()); });
    ease->start(QAbstractAnimation::DeleteWhenStopped);
  }
}

void TMF::ShowSettingsLocked(bool aLocked) {
  FLockedPanel->setVisible(aLocked);
  if (auto* box = findChild<QScrollArea*>(QStringLiteral("T1ScrollBox")))
    box->setVisible(!aLocked);
}

void TMF::SetDynamicItem(const TDynamicItem& aItem) {
  TBaseClass* element = FVisualIndex.Find(aItem.Ident);
  auto* item = qobject_cast<TItemClass*>(element);
  if (!element) {
    auto* section = qobject_cast<TCaptionClass*>(FVisualIndex.Find(aItem.Section));
    if (!section)
      return;
    item = new TItemClass(FMonitorContext, section->Body());
    item->SetIdent(aItem.Ident);
    item->SetAutoHide(true);
    item->SetCaption(aItem.Caption);
  } else if (item && aItem.CaptionAlways) {
    item->SetCaption(aItem.Caption);
  }
  if (!item)
    return;
  item->SetColor(aItem.Color == clValuePlaceholder ? ColorToColorRef(FTheme.Value) : aItem.Color);
  if (aItem.SetUnits)
    item->Set_Units(aItem.Units);
  if (!aItem.IconPrefix.isEmpty()) {
    // Lines made on the fly show the state icon their records ask for.
    if (item->IconName().isEmpty())
      item->SetIconName(QStringLiteral("ACTION"));
    item->SetIconPrefix(aItem.IconPrefix);
  }
  item->SetValue(aItem.Value);
  item->SetLastUpdateTime(FClock.MonotonicMs());
}

void TMF::AddOrUpdateBLEDevice(const QString& aMAC, const QString& aRSSI, const QString& aDataBase64) {
  FBLEDevices.AddOrUpdate(aMAC, aRSSI, aDataBase64);
}

void TMF::AddOrUpdateWiFi(const QString& aMAC, const QString& aRSSI, const QString& aSSID) {
  FWiFiNetworks.AddOrUpdate(aMAC, aRSSI, aSSID);
}

void TMF::AddOrUpdateLBS(const QString& aMCC, const QString& aMNC, const QString& aRSSI, const QString& aCID,
                         const QString& aLAC) {
  FCellTowers.AddOrUpdate(aMCC, aMNC, aRSSI, aCID, aLAC);
}
