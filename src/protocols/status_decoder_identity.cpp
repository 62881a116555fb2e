// Position and identity keys of the generation-1 status records, and the factory flow that a fresh
// device's radio identity starts.

#include "device/port_info.h"
#include "protocols/status_decoder.h"
#include "protocols/status_host.h"

using namespace StatusText;

void TStatusDecoderV1::AddIdentityKeys(TTable& t) {
  t.insert(QStringLiteral("GK"), {&TStatusDecoderV1::OnGK});
  t.insert(QStringLiteral("GS"), {&TStatusDecoderV1::OnGS});
  t.insert(QStringLiteral("DN"), {&TStatusDecoderV1::OnDN});
  t.insert(QStringLiteral("DI"), {&TStatusDecoderV1::OnDI, 1});
  t.insert(QStringLiteral("UVI"), {&TStatusDecoderV1::OnDI, 0});
  t.insert(QStringLiteral("USW"), {&TStatusDecoderV1::OnVersionText, 0});
  t.insert(QStringLiteral("UHW"), {&TStatusDecoderV1::OnVersionText, 1});
  t.insert(QStringLiteral("USR"), {&TStatusDecoderV1::OnUSR});
  t.insert(QStringLiteral("MN"), {&TStatusDecoderV1::OnMN});
  t.insert(QStringLiteral("SID0"), {&TStatusDecoderV1::OnSID, 0});
  t.insert(QStringLiteral("SID1"), {&TStatusDecoderV1::OnSID, 1});
  t.insert(QStringLiteral("BTM"), {&TStatusDecoderV1::OnBTM});
  t.insert(QStringLiteral("WFM"), {&TStatusDecoderV1::OnWiFiIdentity, 0});
  t.insert(QStringLiteral("WAP"), {&TStatusDecoderV1::OnWiFiIdentity, 1});
}

void TStatusDecoderV1::OnGK(const TStatusRecord& r, int) {
  static const QString noFix = QStringLiteral("0.000000");
  if (r.F(0) == noFix && r.F(1) == noFix) {
    Clear(QStringLiteral("_Latitude"));
    Clear(QStringLiteral("_Longitude"));
  } else {
    Set(QStringLiteral("_Latitude"), r.F(0));
    Set(QStringLiteral("_Longitude"), r.F(1));
  }
}

void TStatusDecoderV1::OnGS(const TStatusRecord& r, int) {
  Set(QStringLiteral("_Satellites"), r.F(0));
  Set(QStringLiteral("_Speed"), r.F(1));
  Set(QStringLiteral("_Altitude"), r.F(2));
  Set(QStringLiteral("_HDOP"), double(AsInteger(r.F(3))) / 10.0);
  Set(QStringLiteral("_Azimuth"), r.F(4));
  const qint64 source = r.Count() > 5 ? AsInteger(r.F(5)) : -1;
  const QString ident = QStringLiteral("_DataSource");
  switch (source) {
  case 1:
    Set(ident, Text(QStringLiteral("GS_1_1")));
    break;
  case 2:
    Set(ident, Text(QStringLiteral("GS_1_2")), StatusHost().LinkColor());
    break;
  case 3:
    Set(ident, Text(QStringLiteral("GS_1_3")), StatusHost().LinkColor());
    break;
  default:
    break;
  }
}

void TStatusDecoderV1::OnDN(const TStatusRecord& r, int) {
  const QString& id = r.F(0);
  if (!DigitsOnly(id))
    return;
  Set(QStringLiteral("_DeviceID"), id);
  const QString type = DeviceType();
  if (type != QLatin1String("303") && type != QLatin1String("304"))
    return;
  bool ok = false;
  const quint64 value = id.toULongLong(&ok);
  if (!ok)
    throw TStatusValueError("device ID is not a 64-bit number");
  Set(QStringLiteral("_DeviceIDHEX"), QString::number(value, 16).toUpper().rightJustified(4, u'0'));
}

void TStatusDecoderV1::OnDI(const TStatusRecord& r, int aFull) {
  const QString& type = r.F(0);
  // A run of digits too long for a number is above 65535 all the same.
  bool ok = false;
  const qint64 typeNumber = type.isEmpty() ? 0 : type.toLongLong(&ok);
  if (!DigitsOnly(type) || (!type.isEmpty() && !ok) || typeNumber >= 65536)
    return;
  const qint64 subVersion = AsInteger(r.F(3));
  Set(QStringLiteral("_DeviceSubVer"), QString::number(subVersion));
  Set(QStringLiteral("_DeviceType"), type);
  if (!aFull)
    return;
  Set(QStringLiteral("_SoftVersion"),
      QString::number(typeNumber) + QLatin1Char(':') + QString::number(subVersion) + QLatin1Char('|') +
          QString::number(AsInteger(r.F(1))) + QLatin1Char('.') + PadInt(AsInteger(r.F(2)), 2));
}

void TStatusDecoderV1::OnVersionText(const TStatusRecord& r, int aHardware) {
  const QString& version = r.F(0);
  for (const QChar c : version)
    if ((c < u'0' || c > u'9') && c != u'.')
      return;
  Set(aHardware ? QStringLiteral("_HardVersion") : QStringLiteral("_SoftVersion"), version);
}

void TStatusDecoderV1::OnUSR(const TStatusRecord& r, int) {
  const TPortInfo* port = Port();
  if (!port || !DigitsOnly(r.F(0)))
    return;
  Set(QStringLiteral("_SoftVersion"), port->DeviceSOFT() + QLatin1String(" | ") + r.F(0));
}

void TStatusDecoderV1::OnMN(const TStatusRecord& r, int) {
  if (r.F(0).size() == 15 && DigitsOnly(r.F(0)))
    Set(QStringLiteral("_DeviceIMEI"), r.F(0));
}

void TStatusDecoderV1::OnSID(const TStatusRecord& r, int aSim) {
  if (!DigitsOnly(r.F(0)))
    return;
  Set(aSim ? QStringLiteral("_ModemSIMICCID1") : QStringLiteral("_ModemSIMICCID0"), r.F(0));
  if (aSim == 0)
    FactoryStep(true);
}

void TStatusDecoderV1::OnBTM(const TStatusRecord& r, int) {
  if (r.F(0).isEmpty())
    return;
  Set(QStringLiteral("_BluetoothMAC"), r.F(0));
  FactoryStep(false);
}

void TStatusDecoderV1::OnWiFiIdentity(const TStatusRecord& r, int aAccessPoint) {
  if (!r.F(0).isEmpty())
    Set(aAccessPoint ? QStringLiteral("_ModuleWiFiAP") : QStringLiteral("_ModuleWiFiMAC"), r.F(0));
}

// A fresh device (no ID yet) that reports its radio identity starts its factory flow by itself,
// unless another supervised operation is running.
void TStatusDecoderV1::FactoryStep(bool aAfterSim) {
  TPortInfo* port = Port();
  if (!port || StatusHost().UpdateOperation() != 0 || port->DeviceName() != QLatin1String("0"))
    return;
  const QString type = port->DeviceVer();
  if (aAfterSim) {
    if (type == QLatin1String("304") && !port->DeviceIMEI().isEmpty() && !port->DeviceICCID().isEmpty())
      port->SetOperation(8);
  } else if (type == QLatin1String("303")) {
    port->SetOperation(6);
  } else if (type == QLatin1String("305") || type == QLatin1String("306")) {
    port->SetOperation(9);
  }
}
