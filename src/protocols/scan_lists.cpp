#include "protocols/scan_lists.h"

#include "updates/crypto/checksums.h"

#include <QByteArray>
#include <QLocale>
#include <algorithm>
#include <cstring>

namespace {

// "%.1f" and friends: the locale's decimal separator, no group separators.
QString Fixed(double aValue, int aDecimals) {
  QLocale locale;
  locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
  return locale.toString(aValue, 'f', aDecimals);
}

QString Tenths(int aByte) {
  return Fixed(aByte / 10.0, 1);
}

TBLEText Worded(const char* aKey, QStringList aArgs = {}) {
  return TBLEText{QString::fromLatin1(aKey), std::move(aArgs)};
}

TBLEText Plain(const QString& aText) {
  return TBLEText{QString(), {aText}};
}

TBLEText TenthsVolts(int aByte) {
  return Worded("ble_volts", {Tenths(aByte)});
}

QString SignedCelsius(int aByte) {
  return QString::number(qint8(quint8(aByte))) + QStringLiteral("°C");
}

QString Percent(int aByte) {
  return QString::number(aByte) + QLatin1Char('%');
}

TBLEText Level(int aRaw, int aFullScale) {
  return Worded("ble_level", {Fixed(double(aRaw) / aFullScale * 100.0, 1)});
}

TBLEText MagnetAndWire(int aWord) {
  return Worded("ble_magnet_wire", {QString::number((aWord >> 14) & 1), QString::number((aWord >> 15) & 1)});
}

TBLEText ModeText(int aMode, qint16 aValue) {
  const QStringList value{QString::number(aValue)};
  switch (aMode) {
  case 0:
    return Worded("ble_mode_storage");
  case 4:
  case 5:
    return Worded("ble_turns", value);
  case 6:
  case 9:
  case 10:
    return Worded("ble_angle", value);
  case 32:
    return Worded("ble_rpm", value);
  default:
    return Worded("ble_value", value);
  }
}

// Blanks and control characters off both ends.
QString TrimControls(const QString& aText) {
  qsizetype first = 0;
  qsizetype last = aText.size();
  while (first < last && aText[first].unicode() <= 0x20)
    ++first;
  while (last > first && aText[last - 1].unicode() <= 0x20)
    --last;
  return aText.mid(first, last - first);
}

TBLEDeviceType TypeOfCode(int aCode) {
  switch (aCode) {
  case 1:
  case 97:
    return dtZRA;
  case 3:
  case 99:
    return dtZRE;
  case 4:
  case 101:
    return dtZRI;
  case 103:
    return dtZRO;
  case 8:
  case 104:
    return dtZRU;
  case 100:
    return dtZRY;
  case 188:
    return dtZRK;
  default:
    return dtUnknown;
  }
}

// Sensor payload of code aCode whose frame begins at aFrame; false when too short.
bool DecodeSensor(const QByteArray& d, qsizetype aFrame, int aCode, TBLEAdvertisement& a) {
  const qsizetype n = d.size();
  // Payload byte k; 0 where the data ends (callers check the minimum length first).
  const auto b = [&](int k) { return aFrame + 4 + k < n ? int(quint8(d[aFrame + 4 + k])) : 0; };
  const auto atLeast = [&](qsizetype aMinimum) { return n >= aFrame + aMinimum; };
  const QString none = QStringLiteral("---");
  switch (aCode) {
  case 1:
  case 8: {
    if (!atLeast(6))
      return false;
    // The 10-bit sensors mark themselves with a 0 in payload byte 10.
    const bool tenBit = aFrame + 4 + 10 < n && b(10) == 0;
    a.MainParam = Level(b(0) + 256 * b(1), tenBit ? 1023 : 4095);
    a.Temperature = SignedCelsius(b(3));
    a.Version = Tenths(b(4));
    a.Voltage = TenthsVolts(b(2));
    return true;
  }
  case 97:
  case 104:
    if (!atLeast(6))
      return false;
    a.MainParam = Level(b(0) + 256 * b(1), 4095);
    a.Temperature = SignedCelsius(b(3));
    a.Version = none;
    a.Voltage = aCode == 97 ? Plain(Percent(b(2))) : TenthsVolts(b(2));
    return true;
  case 3:
  case 99:
    if (!atLeast(aCode == 3 ? 8 : 9))
      return false;
    a.Temperature = Fixed((b(0) + 256 * b(1)) / 10.0, 1) + QStringLiteral("°C");
    if (aCode == 3) {
      a.MainParam = MagnetAndWire(b(2) + 256 * b(3));
      a.Version = Tenths(b(5));
      a.Voltage = TenthsVolts(b(4));
    } else {
      a.MainParam = MagnetAndWire(b(3) + 256 * b(4));
      a.Version = none;
      a.Voltage = Plain(Percent(b(2)));
    }
    return true;
  case 4:
  case 101:
    if (!atLeast(aCode == 4 ? 13 : 8))
      return false;
    a.MainParam = ModeText(b(0), qint16(quint16(b(2) + 256 * b(3))));
    if (aCode == 4) {
      a.Temperature = SignedCelsius(b(4));
      a.Version = Tenths(b(10));
      a.Voltage = TenthsVolts(b(9));
    } else {
      a.Temperature = SignedCelsius(b(9));
      a.Version = none;
      a.Voltage = Plain(Percent(b(8)));
    }
    return true;
  case 103: {
    if (!atLeast(12))
      return false;
    float latitude;
    float longitude;
    const QByteArray raw = d.mid(aFrame + 4, 8);
    std::memcpy(&latitude, raw.constData(), 4);
    std::memcpy(&longitude, raw.constData() + 4, 4);
    a.MainParam = Plain(Fixed(latitude, 6) + QStringLiteral(", ") + Fixed(longitude, 6));
    a.Temperature = none;
    a.Version = none;
    a.Voltage = Plain(Percent(b(8)));
    return true;
  }
  case 100:
    a.MainParam = Worded(b(0) != 0 ? "ble_input_open" : "ble_input_closed");
    a.Temperature = none;
    a.Version = Tenths(b(2));
    a.Voltage = TenthsVolts(b(1));
    return true;
  default: // 188
    a.MainParam = Plain(none);
    a.Temperature = none;
    a.Version = none;
    a.Voltage = Plain(none);
    return true;
  }
}

std::optional<TBLEAdvertisement> DecodeBeacon(const QByteArray& d) {
  const qsizetype n = d.size();
  for (qsizetype p = 0; p < n - 5; ++p) {
    if (quint8(d[p]) != 0xFF || quint8(d[p + 1]) != 0x1A || quint8(d[p + 2]) != 0x4C || d[p + 3] != 0)
      continue;
    if (n < p + 27)
      return std::nullopt;
    const auto u = [&](qsizetype k) { return int(quint8(d[p + k])); };
    const QString hex = QString::fromLatin1(d.mid(p + 6, 16).toHex().toUpper());
    TBLEAdvertisement a;
    a.DeviceType = dtIBeacon;
    a.Name = hex.mid(0, 8) + QLatin1Char('-') + hex.mid(8, 4) + QLatin1Char('-') + hex.mid(12, 4) +
             QLatin1Char('-') + hex.mid(16, 4) + QLatin1Char('-') + hex.mid(20, 12);
    a.MainParam = Plain(QStringLiteral("Major: %1, Minor: %2, TX: %3 dBm")
                            .arg(u(22) + 256 * u(23))
                            .arg(u(24) + 256 * u(25))
                            .arg(qint8(quint8(d[p + 26]))));
    return a;
  }
  return std::nullopt;
}

} // namespace

QString TBLEText::Text(const TTranslate& aTranslate) const {
  if (Key.isEmpty())
    return Args.value(0);
  QString text = aTranslate(Key);
  for (const QString& arg : Args)
    text = text.arg(arg);
  return text;
}

QString BLEDeviceTypeText(TBLEDeviceType aType) {
  static const char* const texts[] = {"???", "ZRA", "ZRE", "ZRI", "ZRO", "ZRU", "ZRY", "ZRK", "iBeacon"};
  return aType <= dtIBeacon ? QLatin1String(texts[aType]) : QStringLiteral("???");
}

std::optional<TBLEAdvertisement> DecodeBLEAdvertisement(const QString& aBase64) {
  bool ok = false;
  const QByteArray d = Base64Decode(aBase64, &ok);
  if (!ok)
    return std::nullopt;
  const qsizetype n = d.size();

  // A service-data section (type 0x16) whose identifier begins with 0x0F is a sensor frame; only
  // the first one counts.
  qsizetype frame = -1;
  for (qsizetype i = 0; i < n - 2; ++i) {
    if (d[i + 1] == 0x16 && d[i + 2] == 0x0F) {
      frame = i;
      break;
    }
  }
  if (frame < 0)
    return DecodeBeacon(d);
  if (frame + 3 >= n)
    return std::nullopt;
  const int code = quint8(d[frame + 3]);
  TBLEAdvertisement a;
  a.DeviceType = TypeOfCode(code);
  if (a.DeviceType == dtUnknown || !DecodeSensor(d, frame, code, a))
    return std::nullopt;

  // The complete local name (type 0x09) whose section fits in the data.
  for (qsizetype j = frame + 1; j < n - 1; ++j) {
    if (d[j] != 0x09)
      continue;
    const int length = quint8(d[j - 1]);
    if (j + length > n)
      continue;
    if (length > 1)
      a.Name = QString::fromUtf8(d.mid(j + 1, length - 1));
    break;
  }
  return a;
}

qint32 RSSIFromText(const QString& aText) {
  bool ok = false;
  const int value = aText.toInt(&ok);
  return ok ? value : -999;
}

TBLEDevice::TBLEDevice(const QString& AMAC, qint32 ARSSI, const QString& ADataHex)
    : MAC(AMAC), RSSI(ARSSI), DataHex(ADataHex) {
  UpdateFromData(ARSSI, ADataHex);
}

void TBLEDevice::UpdateFromData(qint32 ARSSI, const QString& ADataHex) {
  RSSI = ARSSI;
  const std::optional<TBLEAdvertisement> decoded = DecodeBLEAdvertisement(ADataHex);
  if (!decoded) {
    DeviceType = dtUnknown;
    return;
  }
  DeviceType = decoded->DeviceType;
  Name = TrimControls(decoded->Name);
  Version = decoded->Version;
  Temperature = decoded->Temperature;
  MainParam = decoded->MainParam;
  Voltage = decoded->Voltage;
  DataHex = ADataHex;
}

TBLEDevice* TBLEDeviceList::AddOrUpdate(const QString& aMAC, const QString& aRSSI,
                                        const QString& aDataBase64) {
  return AddOrUpdate(aMAC, RSSIFromText(aRSSI), aDataBase64);
}

TBLEDevice* TBLEDeviceList::AddOrUpdate(const QString& aMAC, qint32 aRSSI, const QString& aDataBase64,
                                        const QString& aAdapterName) {
  const QString key = aMAC.toCaseFolded();
  TBLEDevice* entry = FByMAC.value(key);
  if (entry) {
    entry->UpdateFromData(aRSSI, aDataBase64);
    // A device whose latest advertisement no longer decodes leaves the list.
    if (entry->DeviceType == dtUnknown) {
      FByMAC.remove(key);
      FItems.erase(
          std::find_if(FItems.begin(), FItems.end(),
                       [entry](const std::unique_ptr<TBLEDevice>& aItem) { return aItem.get() == entry; }));
      return nullptr;
    }
  } else {
    auto created = std::make_unique<TBLEDevice>(aMAC, aRSSI, aDataBase64);
    if (created->DeviceType == dtUnknown)
      return nullptr;
    entry = created.get();
    FItems.push_back(std::move(created));
    FByMAC.insert(key, entry);
  }
  if (entry->Name.isEmpty() && !aAdapterName.isEmpty())
    entry->Name = aAdapterName;
  return entry;
}

void TWiFiList::AddOrUpdate(const QString& aMAC, const QString& aRSSI, const QString& aSSID) {
  const qint32 rssi = RSSIFromText(aRSSI);
  const QString key = aMAC.toCaseFolded();
  if (const auto found = FByMAC.constFind(key); found != FByMAC.cend()) {
    TWiFiDevice& item = FItems[*found];
    item.RSSI = rssi;
    item.SSID = aSSID;
    return;
  }
  FByMAC.insert(key, FItems.size());
  FItems.push_back(TWiFiDevice{aMAC, rssi, aSSID});
}

void TWiFiList::AddOrUpdatePC(const QString& aKey, qint32 aRSSI, const QString& aSSID) {
  for (TWiFiDevice& item : FItems) {
    const bool sameKey = item.MAC.compare(aKey, Qt::CaseInsensitive) == 0;
    const bool sameName = item.MAC.startsWith(QLatin1String("PC_"), Qt::CaseInsensitive) &&
                          item.SSID.compare(aSSID, Qt::CaseInsensitive) == 0;
    if (sameKey || sameName) {
      item.RSSI = aRSSI;
      item.SSID = aSSID;
      return;
    }
  }
  FItems.push_back(TWiFiDevice{aKey, aRSSI, aSSID});
}

void TLBSList::AddOrUpdate(const QString& aMCC, const QString& aMNC, const QString& aRSSI,
                           const QString& aCID, const QString& aLAC) {
  const qint32 rssi = RSSIFromText(aRSSI);
  QString key;
  for (const QString* part : {&aMCC, &aMNC, &aLAC, &aCID})
    key += QString::number(part->size()) + QLatin1Char(':') + *part;
  if (const auto found = FByCell.constFind(key); found != FByCell.cend()) {
    FItems[*found].RSSI = rssi;
    return;
  }
  FByCell.insert(key, FItems.size());
  FItems.push_back(TLBSRecord{aMCC, aMNC, aLAC, aCID, rssi});
}
