#include "device/port_info.h"
#include "dialogs/scan_select_forms.h"
#include "ui/tmf.h"

TScanSelectForm* TMF::ShowScanPicker(TScanList aList, std::function<void(const QString&)> aChosen) {
  TPickerServices services;
  services.Clock = &FClock;
  // Whichever port is selected when the command goes; none, nothing is sent.
  services.Send = [this](const QByteArray& aLine) {
    if (TPortInfo* port = Q())
      port->SendAnsiString(aLine);
  };
  services.Translate = [this](const QString& aKey) { return Translate(aKey); };
  TScanSelectForm* form = nullptr;
  switch (aList) {
  case slBLE:
    form = new TBLEDeviceSelectForm(FBLEDevices, FRadios.BLE ? FRadios.BLE() : CreateSystemBLEScanner(),
                                    services, this);
    break;
  case slWiFi:
    form = new TWiFiSelectForm(FWiFiNetworks, FRadios.WiFi ? FRadios.WiFi() : CreateNetworkManagerScanner(),
                               services, this);
    break;
  case slCellTower:
    form = new TLBSSelectForm(FCellTowers, services, this);
    break;
  case slNone:
    return nullptr;
  }
  return OpenScanSelect(form, std::move(aChosen));
}

void TMF::SetRadios(TRadios aRadios) {
  FRadios = std::move(aRadios);
}
