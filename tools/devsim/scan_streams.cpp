#include "scan_streams.h"

#include <QList>
#include <cstring>

namespace {

QByteArray Record(const QByteArray& aKey, const QByteArray& aValue) {
  return '>' + aKey + '=' + aValue + "\r\n";
}

QByteArray Section(quint8 aType, const QByteArray& aData) {
  return char(1 + aData.size()) + QByteArray(1, char(aType)) + aData;
}

QByteArray Bytes(std::initializer_list<int> aBytes) {
  QByteArray out;
  for (int b : aBytes)
    out += char(b);
  return out;
}

// Flags, then the sensor's service data (identifier 0x0F, type code, payload), then its name.
QByteArray SensorAdvert(int aCode, const QByteArray& aPayload, const QByteArray& aName = QByteArray()) {
  QByteArray d = Section(0x01, Bytes({0x06})) + Section(0x16, Bytes({0x0F, aCode}) + aPayload);
  if (!aName.isEmpty())
    d += Section(0x09, aName);
  return d;
}

QByteArray FloatBytes(float aValue) {
  QByteArray out(4, '\0');
  std::memcpy(out.data(), &aValue, 4);
  return out;
}

QByteArray BeaconAdvert() {
  // The beacon's marker as these trackers pass it on: type byte first, then the length.
  return Bytes({0xFF, 0x1A, 0x4C, 0x00, 0x02, 0x15}) +
         QByteArray::fromHex("E2C56DB5DFFB48D2B060D0F5A71096E0") + Bytes({0x01, 0x00, 0x02, 0x00, 0xC5});
}

struct TBLEScript {
  const char* MAC;
  int RSSI;
  QByteArray Data;
};

QList<TBLEScript> BLEDevices() {
  return {
      // Level sensors: 10-bit (byte 10 is 0, full level), 12-bit percent, volts.
      {"C8F09E0A0001", -52, SensorAdvert(1, Bytes({0xFF, 0x03, 36, 23, 12, 0, 0, 0, 0, 0, 0}), "ZRA-1")},
      {"C8F09E0A0002", -61, SensorAdvert(97, Bytes({0x00, 0x08, 87, 0xFE}))},
      {"C8F09E0A0003", -58, SensorAdvert(3, Bytes({0xFB, 0x00, 0x00, 0x40, 33, 15}), "ZRE-3")},
      {"C8F09E0A0004", -77, SensorAdvert(99, Bytes({0xE8, 0x00, 76, 0x00, 0x80}))},
      {"C8F09E0A0005", -66, SensorAdvert(4, Bytes({6, 0, 0xF1, 0xFF, 20, 0, 0, 0, 0, 30, 21}))},
      {"C8F09E0A0006", -70, SensorAdvert(101, Bytes({32, 0, 0xDC, 0x05, 0, 0, 0, 0, 64, 5}))},
      {"C8F09E0A0007", -80,
       SensorAdvert(103, FloatBytes(55.751244f) + FloatBytes(37.618423f) + Bytes({91}), "ZRO-7")},
      {"C8F09E0A0008", -49, SensorAdvert(8, Bytes({0xFF, 0x0F, 37, 0x19, 11}))},
      {"C8F09E0A0009", -73, SensorAdvert(104, Bytes({0x00, 0x04, 37, 0x15}))},
      {"C8F09E0A000A", -90, SensorAdvert(100, Bytes({1, 120, 10}))},
      {"C8F09E0A000B", -84, SensorAdvert(188, QByteArray(), "ZRK-11")},
      {"C8F09E0A000C", -59, BeaconAdvert()},
      // A type the program does not know: never listed.
      {"C8F09E0A000D", -40, SensorAdvert(0x42, Bytes({1, 2, 3, 4}))},
  };
}

QByteArray BLERecord(const QByteArray& aMAC, const QByteArray& aRSSI, const QByteArray& aData) {
  return Record("BLESCAN", aMAC + ';' + aRSSI + ';' + aData.toBase64());
}

QByteArray WiFiRecord(const QByteArray& aMAC, const QByteArray& aRSSI, const QByteArray& aSSID) {
  return Record("WIFISCAN", aMAC + ';' + aRSSI + ';' + aSSID.toBase64());
}

} // namespace

bool ParseScanMode(const QString& aText, TScanMode* aMode) {
  if (aText == QLatin1String("scripted"))
    *aMode = smScripted;
  else if (aText == QLatin1String("none"))
    *aMode = smNone;
  else
    return false;
  return true;
}

bool TScanStreams::Command(const QByteArray& aLine, QByteArray* aAnswer) {
  static const char* const kCommands[kStreams] = {">D 20;", ">D 21;", ">D 22;"};
  for (int s = 0; s < kStreams; ++s) {
    if (!aLine.startsWith(kCommands[s]))
      continue;
    const QByteArray state = aLine.mid(qsizetype(std::strlen(kCommands[s])));
    if (state != "0" && state != "1")
      return false;
    // A firmware without scanning takes the command and says nothing.
    if (FMode == smNone)
      return true;
    FOn[s] = state == "1";
    FStep[s] = 0;
    if (FOn[s])
      *aAnswer = Reports(s);
    return true;
  }
  return false;
}

QByteArray TScanStreams::Stream() {
  QByteArray out;
  for (int s = 0; s < kStreams; ++s)
    if (FOn[s])
      out += Reports(s);
  return out;
}

QByteArray TScanStreams::Reports(int aStream) {
  const int step = FStep[aStream]++;
  switch (aStream) {
  case kBLE:
    return BLEReports(step);
  case kWiFi:
    return WiFiReports(step);
  default:
    return LBSReports(step);
  }
}

QByteArray TScanStreams::BLEReports(int aStep) {
  QByteArray out;
  const QList<TBLEScript> devices = BLEDevices();
  for (const TBLEScript& d : devices) {
    const QByteArray mac(d.MAC);
    // From the fourth report on, the ZRK sensor sends data that no longer decodes.
    if (mac.endsWith("0B") && aStep >= 3) {
      out += BLERecord(mac, QByteArray::number(d.RSSI), Bytes({0x02, 0x01, 0x06}));
      continue;
    }
    // The ZRY sensor's level never comes as a number.
    const QByteArray rssi = mac.endsWith("0A") ? QByteArray("n/a") : QByteArray::number(d.RSSI - aStep % 3);
    // The first sensor is repeated in lower case: the same device.
    out += BLERecord(mac.endsWith("01") && aStep % 2 == 1 ? mac.toLower() : mac, rssi, d.Data);
  }
  return out;
}

QByteArray TScanStreams::WiFiReports(int aStep) {
  QByteArray out;
  out += WiFiRecord(aStep % 2 == 1 ? "ac84c6123401" : "AC84C6123401", QByteArray::number(-48 - aStep % 3),
                    "Velmora-Office");
  out += WiFiRecord("AC84C6123402", "-71", QStringLiteral("Гостевая").toUtf8());
  out += WiFiRecord("AC84C6123403", "weak", "Lab");
  // A network without a name is not reported on.
  out += WiFiRecord("AC84C6123404", "-60", QByteArray());
  return out;
}

QByteArray TScanStreams::LBSReports(int aStep) {
  QByteArray out;
  out += Record("LBSSCAN", "250;01;" + QByteArray::number(-71 - aStep % 3) + ";5678;1234");
  out += Record("LBSSCAN", "250;01;-85;5679;1234");
  out += Record("LBSSCAN", "250;02;-93;20011;77");
  out += Record("LBSSCAN", "250;99;x;1;2");
  return out;
}
