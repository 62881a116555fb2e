// Inputs, outputs, external sensors, scans, factory tests and command answers of the
// generation-1 status records.

#include "core/exchange_core.h"
#include "core/exchange_host.h"
#include "device/port_info.h"
#include "protocols/status_decoder.h"
#include "protocols/status_host.h"
#include "updates/crypto/checksums.h"

#include <QMetaObject>
#include <QSet>
#include <cmath>

using namespace StatusText;

namespace {

const QString kCelsius = QStringLiteral(" °C");

// "00.00": at least two digits before the decimal separator.
QString TwoDigitFixed(double aValue) {
  QString text = LocaleFixed(std::fabs(aValue), 2);
  const qsizetype integerDigits = text.size() - 3;
  if (integerDigits < 2)
    text.prepend(QString(2 - integerDigits, u'0'));
  return aValue < 0 ? QLatin1Char('-') + text : text;
}

QString BusName(qint64 aBus) {
  static const QString names[] = {QStringLiteral("232"), QStringLiteral("485"), QStringLiteral("BLE"),
                                  QStringLiteral("ZRA")};
  return names[aBus];
}

} // namespace

template <typename F> void TStatusDecoderV1::Queue(F&& aCall) {
  QMetaObject::invokeMethod(&FQueue, std::forward<F>(aCall), Qt::QueuedConnection);
}

void TStatusDecoderV1::AddSensorKeys(TTable& t) {
  t.insert(QStringLiteral("MBR"), {&TStatusDecoderV1::OnMBR});
  t.insert(QStringLiteral("LLS"), {&TStatusDecoderV1::OnLLS});
  t.insert(QStringLiteral("ZRE"), {&TStatusDecoderV1::OnZRE, 0});
  t.insert(QStringLiteral("ZREM"), {&TStatusDecoderV1::OnZRE, 1});
  t.insert(QStringLiteral("OWT"), {&TStatusDecoderV1::OnOWT});
  t.insert(QStringLiteral("ZRM"), {&TStatusDecoderV1::OnZRM});
  t.insert(QStringLiteral("RLE"), {&TStatusDecoderV1::OnSwitch, 0});
  t.insert(QStringLiteral("UPC"), {&TStatusDecoderV1::OnSwitch, 1});
  t.insert(QStringLiteral("OWK"), {&TStatusDecoderV1::OnOWK});
  t.insert(QStringLiteral("ADK"), {&TStatusDecoderV1::OnADK});
  t.insert(QStringLiteral("BLE"), {&TStatusDecoderV1::OnBLE});
  t.insert(QStringLiteral("BLESCAN"), {&TStatusDecoderV1::OnBLESCAN});
  t.insert(QStringLiteral("WIFISCAN"), {&TStatusDecoderV1::OnWIFISCAN});
  t.insert(QStringLiteral("LBSSCAN"), {&TStatusDecoderV1::OnLBSSCAN});
  t.insert(QStringLiteral("TEST"), {&TStatusDecoderV1::OnTEST});
  t.insert(QStringLiteral("SR"), {&TStatusDecoderV1::OnSR});
  t.insert(QStringLiteral("SF"), {&TStatusDecoderV1::OnSF});
  t.insert(QStringLiteral("UP"), {&TStatusDecoderV1::OnUP});
  t.insert(QStringLiteral("UPD"), {&TStatusDecoderV1::OnUPD, 0, false});
}

void TStatusDecoderV1::SetSensorItem(const QString& aSection, const QString& aIdent, const QString& aCaption,
                                     const QString& aValue) {
  TDynamicItem item;
  item.Section = aSection;
  item.Ident = aIdent;
  item.Caption = aCaption;
  item.Value = aValue;
  StatusHost().SetDynamicItem(item);
}

// Pin records: I or O, the pin type, then the pin number ("IA3", "O12").
void TStatusDecoderV1::OnPin(const TStatusRecord& r) {
  const QString& key = r.Key();
  const QChar direction = key[0];
  const QChar type = key[1];
  const QString pin = key.mid(2);
  const QString& state = r.F(0);
  if (key == QLatin1String("O10"))
    StatusHost().SetValueOut(state == QLatin1String("1"));

  TDynamicItem item;
  item.Section = QStringLiteral("_InputOutput");
  item.Ident = pin + QLatin1String(" _InOut");
  item.Caption = QLatin1String("PIN ") + pin + QLatin1String(". ") + Text(QLatin1String("iod_") + direction) +
                 QLatin1Char(' ') + Text(QLatin1String("iot_") + type);
  item.CaptionAlways = true;
  item.Value = state;
  // Switch-like pins show their state by icon alone.
  if (QStringView(u"123A").contains(type)) {
    if (state == QLatin1String("0")) {
      item.Value = QStringLiteral("");
      item.IconPrefix = QStringLiteral("D_");
    } else if (state == QLatin1String("1")) {
      item.Value = QStringLiteral("");
      item.IconPrefix = QStringLiteral("E_");
    } else if (state == QLatin1String("2")) {
      item.Value = QStringLiteral("ожидание");
      item.Color = clYellow;
      item.IconPrefix = QStringLiteral("Y_");
    }
  }
  item.SetUnits = true;
  if (type == u'A')
    item.Units = Text(QStringLiteral("UnitsA"));
  else if (type == u'F')
    item.Units = Text(QStringLiteral("UnitsF"));
  StatusHost().SetDynamicItem(item);
}

void TStatusDecoderV1::OnMBR(const TStatusRecord& r, int) {
  for (const QChar c : r.F(0))
    if (c < u'0' || c > u'2')
      return;
  const qint64 bus = ToNumber(r.F(0));
  if (bus > 2 || !DigitsOnly(r.F(1)) || !DigitsOnly(r.F(2)))
    return;
  const QString& address = r.F(2);
  if (ToNumber(address) >= 65536 || !DigitsOnly(r.F(3)))
    return;
  const QString prefix = QLatin1Char('[') + BusName(bus) + QLatin1String("] ");
  SetSensorItem(QStringLiteral("_SensorMB"), prefix + QLatin1String(" MBR ") + address,
                prefix + Text(QLatin1String("MBR ") + address), r.F(3));
}

void TStatusDecoderV1::OnLLS(const TStatusRecord& r, int) {
  const qint64 bus = ToNumber(r.F(0));
  if (bus < 0 || bus > 3)
    return;
  const QString& number = r.F(1);
  if (ToNumber(number) < 0 || number.size() > 2 || !DigitsOnly(number) || !DigitsOnly(r.F(2)) ||
      ToNumber(r.F(2)) >= 65536)
    return;
  const qint64 temperature = ToNumber(r.F(3));
  if (temperature >= 256 || !DigitsOnly(r.F(4)))
    return;
  const qint64 reading = ToNumber(r.F(4));
  if (reading >= 65536)
    return;

  QString readingText;
  if (bus == 2)
    readingText = LocaleFixed(double(reading) / 10.0, 1) + QLatin1Char(' ') + Text(QStringLiteral("Units_V"));
  else if (bus == 3)
    readingText = QString::number(reading) + QLatin1String(" %");
  else
    readingText = r.F(4) + QLatin1Char(' ') + Text(QStringLiteral("UnitsF"));
  // The sensor sends its temperature as one byte: 128 and above are below zero.
  const qint64 celsius = temperature < 128 ? temperature : temperature - 256;
  const QString prefix = QLatin1Char('[') + BusName(bus) + QLatin1String("] ");
  SetSensorItem(QStringLiteral("_SensorDUT"), prefix + QLatin1String("FLS ") + number,
                prefix + Text(QLatin1String("FLS ") + number),
                r.F(2) + QLatin1String(" | ") + readingText + QLatin1String(" | ") +
                    QString::number(celsius) + kCelsius);
}

void TStatusDecoderV1::OnZRE(const TStatusRecord& r, int aPercent) {
  const QString& number = r.F(0);
  if (number.size() != 1 || !DigitsOnly(number) || !DigitsOnly(r.F(1)))
    return;
  const qint64 middle = ToNumber(r.F(1));
  if (!DigitsOnly(r.F(3)))
    return;
  const QString middleText =
      aPercent ? QString::number(middle) + QLatin1String(" %")
               : LocaleFixed(double(middle) / 10.0, 1) + QLatin1Char(' ') + Text(QStringLiteral("Units_V"));
  const QString wire =
      Text(r.F(3) == QLatin1String("0") ? QStringLiteral("Units_CW1") : QStringLiteral("Units_CW0"));
  const QString prefix = aPercent ? QStringLiteral("[ZREm]") : QStringLiteral("[ZRE]");
  SetSensorItem(QStringLiteral("_SensorOWT"), prefix + QLatin1String(" FLS ") + number,
                prefix + QLatin1Char(' ') + Text(QLatin1String("FLS ") + number),
                r.F(2) + kCelsius + QLatin1String(" | ") + middleText + QLatin1String(" | ") + wire);
}

void TStatusDecoderV1::OnOWT(const TStatusRecord& r, int) {
  SetSensorItem(QStringLiteral("_SensorOWT"), QLatin1String("[OWT] FLS ") + r.F(0),
                QLatin1String("[OWT] ") + Text(QLatin1String("FLS ") + r.F(0)),
                r.F(2) + kCelsius + QLatin1String(" | ") + r.F(1));
}

void TStatusDecoderV1::OnZRM(const TStatusRecord& r, int) {
  if (r.F(0).isEmpty() || r.F(1).isEmpty())
    return;
  const QString beacon = QLatin1String("MA: ") + PadInt(AsInteger(r.F(0)), 5) + QLatin1String(", MI: ") +
                         PadInt(AsInteger(r.F(1)), 5);
  const qint64 millimetres = AsInteger(r.F(2));
  const QString value = millimetres == 0 ? beacon
                                         : QLatin1Char('(') + TwoDigitFixed(double(millimetres) / 1000.0) +
                                               QStringLiteral(" м) ") + beacon;
  SetSensorItem(QStringLiteral("_SensorOWK"), QLatin1String("[ZRM] ") + r.F(0) + QLatin1Char(':') + r.F(1),
                QStringLiteral("iBeacon"), value);
}

void TStatusDecoderV1::OnSwitch(const TStatusRecord& r, int aUpc) {
  const QString name = aUpc ? QStringLiteral("UPC") : QStringLiteral("RELAY");
  const bool on = r.F(1) == QLatin1String("1");
  SetSensorItem(aUpc ? QStringLiteral("_SensorUPC") : QStringLiteral("_SensorRELAY"), name + r.F(0),
                Text(QLatin1Char('_') + name) + QLatin1Char(' ') + r.F(0),
                Text(name + (on ? QLatin1String("_ON") : QLatin1String("_OFF "))));
}

void TStatusDecoderV1::OnOWK(const TStatusRecord& r, int) {
  SetSensorItem(QStringLiteral("_SensorOWK"), QLatin1String("OWK") + r.F(0),
                Text(QStringLiteral("_OWK")) + QLatin1Char(' ') + r.F(0), r.F(1));
}

void TStatusDecoderV1::OnADK(const TStatusRecord& r, int) {
  Set(QStringLiteral("_SensorADM"), r.F(0) + QLatin1String(" | ") + r.F(1));
}

void TStatusDecoderV1::OnBLE(const TStatusRecord& r, int) {
  const qint64 slot = AsInteger(r.F(0));
  if (slot >= 1 && slot <= 10)
    Set(QStringLiteral("_BLE") + QString::number(slot),
        r.F(1) + QLatin1String(" [") + r.F(2) + QLatin1String(" dBm]"));
}

// The scan reports are queued with copies of their fields, so the lists change only between
// records, never while a dialog's refresh walks them.
void TStatusDecoderV1::OnBLESCAN(const TStatusRecord& r, int) {
  if (r.F(2).size() < 2)
    return;
  Queue([host = &StatusHost(), mac = r.F(0), rssi = r.F(1), data = r.F(2)] {
    host->AddOrUpdateBLEDevice(mac, rssi, data);
  });
}

void TStatusDecoderV1::OnWIFISCAN(const TStatusRecord& r, int) {
  const QString ssid = QString::fromUtf8(Base64Decode(r.F(2)));
  if (r.F(0).isEmpty() || r.F(1).isEmpty() || ssid.isEmpty())
    return;
  Queue([host = &StatusHost(), mac = r.F(0), rssi = r.F(1), ssid] { host->AddOrUpdateWiFi(mac, rssi, ssid); });
}

void TStatusDecoderV1::OnLBSSCAN(const TStatusRecord& r, int) {
  if (r.F(0).isEmpty() || r.F(1).isEmpty() || r.F(2).isEmpty() || r.F(3).isEmpty())
    return;
  Queue([host = &StatusHost(), mcc = r.F(0), mnc = r.F(1), rssi = r.F(2), cid = r.F(3), lac = r.F(4)] {
    host->AddOrUpdateLBS(mcc, mnc, rssi, cid, lac);
  });
}

void TStatusDecoderV1::OnTEST(const TStatusRecord& r, int) {
  static const QSet<QString> names = {
      QStringLiteral("ERR"),       QStringLiteral("MEM"),     QStringLiteral("FRAM"),
      QStringLiteral("ACC"),       QStringLiteral("RTC"),     QStringLiteral("GNSS"),
      QStringLiteral("GSM"),       QStringLiteral("MODEM"),   QStringLiteral("GPRS"),
      QStringLiteral("SIM"),       QStringLiteral("SIM1"),    QStringLiteral("SIM2"),
      QStringLiteral("SIMCHIP"),   QStringLiteral("WIFI"),    QStringLiteral("BLE"),
      QStringLiteral("IO"),        QStringLiteral("SWITCH"),  QStringLiteral("PINS"),
      QStringLiteral("ADC"),       QStringLiteral("BAT"),     QStringLiteral("CODEC"),
      QStringLiteral("AMPLIFIER"), QStringLiteral("RS232"),   QStringLiteral("RS232D"),
      QStringLiteral("RS485"),     QStringLiteral("1WIRE"),   QStringLiteral("CAN"),
      QStringLiteral("SW"),        QStringLiteral("WD"),      QStringLiteral("WDHI"),
      QStringLiteral("WDLO"),      QStringLiteral("WEB"),     QStringLiteral("MIC"),
      QStringLiteral("SPK"),       QStringLiteral("MIFARE"),  QStringLiteral("EMMARINE"),
      QStringLiteral("VIN"),       QStringLiteral("1-Wire"),  QStringLiteral("ICCID"),
      QStringLiteral("NBIOT"),     QStringLiteral("ACCEL"),   QStringLiteral("MOTION"),
      QStringLiteral("INA237"),    QStringLiteral("BQ25619"), QStringLiteral("VAC"),
      QStringLiteral("VLED"),      QStringLiteral("ILED"),    QStringLiteral("TEMP"),
      QStringLiteral("SDCARD"),    QStringLiteral("INFO")};
  const QString& name = r.F(0);
  const QString& result = r.F(1);
  if (!names.contains(name))
    return;
  const bool ok = result == QLatin1String("OK");
  const TColorRef color = ok ? clValuePlaceholder : result == QLatin1String("ERROR") ? clRed : clLightGrey;
  Set(name == QLatin1String("1-Wire") ? QStringLiteral("_Test1WIRE2") : QLatin1String("_Test") + name, result,
      color);

  // The device passed its self-test: the factory flow goes on to registration.
  if (name != QLatin1String("INFO") || !ok)
    return;
  const QString type = DeviceType();
  const quint8 operation = StatusHost().UpdateOperation();
  // Only a flow that is waiting for its test moves on: a late or repeated result (flow 9 asks for
  // the test twice) must not register the device a second time.
  if (StatusHost().UpdateStage() != 2)
    return;
  if ((type == QLatin1String("304") && operation == 8) ||
      ((type == QLatin1String("305") || type == QLatin1String("306")) && operation == 9))
    StatusHost().SetUpdateStage(3);
}

void TStatusDecoderV1::OnSR(const TStatusRecord& r, int) {
  TPortInfo* port = Port();
  if (!port)
    return;
  port->ReportSettingsSaved(r.F(0) == QLatin1String("1"));
  if (r.F(0) == QLatin1String("1")) {
    Host().MainHintShow(1, Text(QStringLiteral("SR1")));
    // Read back what the device stored, so the page shows it.
    port->SendAnsiString(QByteArrayLiteral(">D 15;0\r\n"));
  } else {
    Host().MainHintShow(0, Text(QStringLiteral("SR0")));
  }
}

void TStatusDecoderV1::OnSF(const TStatusRecord& r, int) {
  TPortInfo* port = Port();
  if (!port)
    return;
  FCore.SetSettingsReady(true);
  // The settings answer arrived, valid or not: the page must not wait for it any longer.
  try {
    StatusHost().ApplySettingsImage(r.F(0));
  } catch (...) {
    port->SetHaveSettings(true);
    throw;
  }
  port->SetHaveSettings(true);
}

void TStatusDecoderV1::OnUP(const TStatusRecord& r, int) {
  const qint64 done = AsInteger(r.F(0));
  const qint64 total = AsInteger(r.F(1));
  if (total == 0)
    return;
  Set(QStringLiteral("_UPD_progress"), Gauge(qRound64(double(done) * 50.0 / double(total)), 50));
  Set(QStringLiteral("_UPD_load"), LocaleFixed(double(done) / 1024.0, 1) + QLatin1Char('/') +
                                       LocaleFixed(double(total) / 1024.0, 1) + QLatin1String(" KB"));
}

void TStatusDecoderV1::OnUPD(const TStatusRecord& r, int) {
  if (Port())
    StatusHost().FirmwareTransferFrame(r.Value());
}
