#include "device/identity_idents.h"

#include "device/port_info.h"

#include <QHash>

namespace {

enum TIdentityTarget { itName, itType, itSubVer, itSoft, itImei, itMac, itIccid0, itIccid1, itIdHex, itWifi };

const QHash<QString, TIdentityTarget>& IdentityIdents() {
  static const QHash<QString, TIdentityTarget> idents{
      {QStringLiteral("_deviceid"), itName},         {QStringLiteral("_devicetype"), itType},
      {QStringLiteral("_devicesubver"), itSubVer},   {QStringLiteral("_softversion"), itSoft},
      {QStringLiteral("_deviceimei"), itImei},       {QStringLiteral("_bluetoothmac"), itMac},
      {QStringLiteral("_modemsimiccid0"), itIccid0}, {QStringLiteral("_modemsimiccid1"), itIccid1},
      {QStringLiteral("_deviceidhex"), itIdHex},     {QStringLiteral("_modulewifiap"), itWifi},
  };
  return idents;
}

} // namespace

bool IsIdentityIdent(const QString& aLowerIdent) {
  return IdentityIdents().contains(aLowerIdent);
}

bool ApplyIdentityValue(TPortInfo& aPort, const QString& aIdent, const QString& aText) {
  const auto it = IdentityIdents().constFind(aIdent.toLower());
  if (it == IdentityIdents().cend())
    return false;
  TDeviceData print = aPort.DataPrint();
  switch (*it) {
  case itName:
    aPort.SetDeviceName(aText);
    break;
  case itType:
    aPort.SetDeviceVer(aText);
    break;
  case itSubVer:
    aPort.SetDeviceSubVer(aText);
    break;
  case itSoft:
    aPort.SetDeviceSOFT(aText);
    break;
  case itImei:
    aPort.SetDeviceIMEI(aText);
    break;
  case itMac:
    aPort.SetDeviceMAC(aText);
    break;
  case itIccid0:
    aPort.SetDeviceICCID(aText);
    print = aPort.DataPrint();
    print.ICCID1 = aText;
    aPort.SetDataPrint(print);
    break;
  case itIccid1:
    print.ICCID2 = aText;
    aPort.SetDataPrint(print);
    break;
  case itIdHex:
    print.ID_HEX = aText;
    aPort.SetDataPrint(print);
    break;
  case itWifi:
    print.WiFiAC = aText;
    aPort.SetDataPrint(print);
    break;
  }
  return true;
}
