// The BLE, Wi-Fi and cell lists that scan reports feed: advertisement decoding and the
// add-or-update rules.

#include "i18n/dictionary.h"
#include "protocols/scan_lists.h"

#include <QLocale>
#include <QTest>

namespace {

QString B64(const char* aHex) {
  return QString::fromLatin1(QByteArray::fromHex(aHex).toBase64());
}

// A 12-bit level sensor frame without its optional bytes, and an iBeacon frame.
const char* const kLevelFrame = "05160F01FF03";
// The values as the Russian dictionary words them.
QString Russian(const TBLEText& aText) {
  static const TDictionary dictionary;
  return aText.Text([](const QString& aKey) { return dictionary.Translate(TDictionary::lnRussian, aKey); });
}

const char* const kBeaconFrame = "FF1A4C000215"
                                 "00112233445566778899AABBCCDDEEFF"
                                 "01000200C5";

} // namespace

class TestScanLists : public QObject {
  Q_OBJECT

private Q_SLOTS:
  void initTestCase();
  void advertisement_data();
  void advertisement();
  void bleList();
  void wifiList();
  void lbsList();
};

void TestScanLists::initTestCase() {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
}

void TestScanLists::advertisement_data() {
  QTest::addColumn<QString>("data");
  QTest::addColumn<int>("type"); // dtUnknown: the data does not decode
  QTest::addColumn<QString>("mainParam");
  QTest::addColumn<QString>("temperature");
  QTest::addColumn<QString>("version");
  QTest::addColumn<QString>("voltage");
  QTest::addColumn<QString>("name");

  QTest::newRow("10-bit level") << B64("0F160F01FF0324FF0C000000000000") << int(dtZRA)
                                << QStringLiteral("Уровень: 100,0%") << "-1°C"
                                << "1,2" << QStringLiteral("3,6 В") << "";
  QTest::newRow("12-bit level") << B64("0F160F01FF0324FF0C000000000001") << int(dtZRA)
                                << QStringLiteral("Уровень: 25,0%") << "-1°C"
                                << "1,2" << QStringLiteral("3,6 В") << "";
  QTest::newRow("level, optional bytes absent")
      << B64(kLevelFrame) << int(dtZRA) << QStringLiteral("Уровень: 25,0%") << "0°C"
      << "0,0" << QStringLiteral("0,0 В") << "";
  QTest::newRow("code 3 one byte short") << B64("07160F03FB0000") << int(dtUnknown) << ""
                                         << ""
                                         << ""
                                         << ""
                                         << "";
  QTest::newRow("code 3") << B64("07160F03FB0000C0") << int(dtZRE) << QStringLiteral("Магнит: 1, Провод: 1")
                          << "25,1°C"
                          << "0,0" << QStringLiteral("0,0 В") << "";
  QTest::newRow("code 4 signed value")
      << B64("0C160F040500FFFF1400000000") << int(dtZRI) << QStringLiteral("Обороны: -1") << "20°C"
      << "0,0" << QStringLiteral("0,0 В") << "";
  QTest::newRow("code 101 other mode")
      << B64("0C160F6507000100") << int(dtZRI) << QStringLiteral("Значение: 1") << "0°C"
      << "---"
      << "0%"
      << "";
  QTest::newRow("beacon") << B64(kBeaconFrame) << int(dtIBeacon) << "Major: 1, Minor: 2, TX: -59 dBm"
                          << ""
                          << ""
                          << ""
                          << "00112233-4455-6677-8899-AABBCCDDEEFF";
  QTest::newRow("beacon one byte short") << B64("FF1A4C000215"
                                                "00112233445566778899AABBCCDDEEFF"
                                                "01000200")
                                         << int(dtUnknown) << ""
                                         << ""
                                         << ""
                                         << ""
                                         << "";
  QTest::newRow("unknown code before a beacon")
      << QString::fromLatin1((QByteArray::fromHex("03160F50") + QByteArray::fromHex(kBeaconFrame)).toBase64())
      << int(dtUnknown) << ""
      << ""
      << ""
      << ""
      << "";
  QTest::newRow("name") << B64("03160FBC050941626320") << int(dtZRK) << "---"
                        << "---"
                        << "---"
                        << "---"
                        << "Abc ";
  QTest::newRow("name section too long") << B64("03160FBC090941") << int(dtZRK) << "---"
                                         << "---"
                                         << "---"
                                         << "---"
                                         << "";
  QTest::newRow("not Base64") << "%%" << int(dtUnknown) << ""
                              << ""
                              << ""
                              << ""
                              << "";
}

void TestScanLists::advertisement() {
  QFETCH(QString, data);
  QFETCH(int, type);

  const std::optional<TBLEAdvertisement> decoded = DecodeBLEAdvertisement(data);
  QCOMPARE(decoded.has_value(), type != dtUnknown);
  if (!decoded)
    return;
  QCOMPARE(int(decoded->DeviceType), type);
  QTEST(Russian(decoded->MainParam), "mainParam");
  QTEST(decoded->Temperature, "temperature");
  QTEST(decoded->Version, "version");
  QTEST(Russian(decoded->Voltage), "voltage");
  QTEST(decoded->Name, "name");
}

void TestScanLists::bleList() {
  const QString level = B64(kLevelFrame);
  const QString beacon = B64(kBeaconFrame);
  const QString junk = B64("0011");
  TBLEDeviceList list;

  QVERIFY(list.AddOrUpdate(QStringLiteral("AA:BB"), QStringLiteral("-60"), level));
  // The same address in other letters is the same device.
  const TBLEDevice* entry = list.AddOrUpdate(QStringLiteral("aa:bb"), QStringLiteral("x"), beacon);
  QVERIFY(entry);
  QCOMPARE(list.Count(), 1);
  QCOMPARE(entry->MAC, QStringLiteral("AA:BB"));
  QCOMPARE(entry->RSSI, -999);
  QCOMPARE(entry->DeviceType, dtIBeacon);
  QCOMPARE(entry->DataHex, beacon);

  // Data that does not decode: a new address is not added, a known one leaves the list.
  QVERIFY(!list.AddOrUpdate(QStringLiteral("CC"), QStringLiteral("-1"), junk));
  QCOMPARE(list.Count(), 1);
  QVERIFY(!list.AddOrUpdate(QStringLiteral("AA:BB"), QStringLiteral("-50"), junk));
  QCOMPARE(list.Count(), 0);
  // Back again it is one entry, found by the next report; after Clear it starts anew.
  QVERIFY(list.AddOrUpdate(QStringLiteral("AA:BB"), QStringLiteral("-61"), level));
  QCOMPARE(list.AddOrUpdate(QStringLiteral("Aa:bB"), QStringLiteral("-62"), level)->RSSI, -62);
  QCOMPARE(list.Count(), 1);
  list.Clear();
  QVERIFY(list.AddOrUpdate(QStringLiteral("aa:bb"), QStringLiteral("-63"), level));
  QCOMPARE(list.Count(), 1);
  QCOMPARE(list.At(0).MAC, QStringLiteral("aa:bb"));
  list.Clear();

  // The PC adapter's name fills only a name the advertisement did not carry.
  QCOMPARE(list.AddOrUpdate(QStringLiteral("DD"), -40, level, QStringLiteral("Sensor"))->Name,
           QStringLiteral("Sensor"));
  QCOMPARE(list.AddOrUpdate(QStringLiteral("EE"), -40, B64("03160FBC050941626320"), QStringLiteral("Sensor"))
               ->Name,
           QStringLiteral("Abc"));

  // A failed update keeps what the device showed before, only its type is lost.
  TBLEDevice device(QStringLiteral("X"), -1, level);
  device.UpdateFromData(-2, junk);
  QCOMPARE(device.DeviceType, dtUnknown);
  QCOMPARE(device.RSSI, -2);
  QCOMPARE(Russian(device.MainParam), QStringLiteral("Уровень: 25,0%"));
  QCOMPARE(device.DataHex, level);
}

void TestScanLists::wifiList() {
  TWiFiList list;
  list.AddOrUpdate(QStringLiteral("AA:bb"), QStringLiteral("-50"), QStringLiteral("Home"));
  list.AddOrUpdate(QStringLiteral("aa:BB"), QStringLiteral("x"), QStringLiteral("Work"));
  QCOMPARE(list.Count(), 1);
  QCOMPARE(list.At(0).MAC, QStringLiteral("AA:bb"));
  QCOMPARE(list.At(0).RSSI, -999);
  QCOMPARE(list.At(0).SSID, QStringLiteral("Work"));
  list.AddOrUpdate(QStringLiteral("CC"), QStringLiteral("-40"), QStringLiteral("Work"));
  QCOMPARE(list.Count(), 2);
  QCOMPARE(list.At(1).RSSI, -40);
  list.AddOrUpdate(QStringLiteral("cc"), QStringLiteral("-41"), QStringLiteral("Work"));
  QCOMPARE(list.At(1).RSSI, -41);
  list.Clear();
  list.AddOrUpdate(QStringLiteral("cc"), QStringLiteral("-42"), QStringLiteral("Away"));
  QCOMPARE(list.Count(), 1);
  QCOMPARE(list.At(0).SSID, QStringLiteral("Away"));
}

void TestScanLists::lbsList() {
  TLBSList list;
  list.AddOrUpdate(QStringLiteral("250"), QStringLiteral("01"), QStringLiteral("-70"), QStringLiteral("1234"),
                   QStringLiteral("5678"));
  list.AddOrUpdate(QStringLiteral("250"), QStringLiteral("01"), QStringLiteral("-65"), QStringLiteral("1234"),
                   QStringLiteral("5678"));
  QCOMPARE(list.Count(), 1);
  QCOMPARE(list.At(0).RSSI, -65);
  QCOMPARE(list.At(0).LAC, QStringLiteral("5678"));
  QCOMPARE(list.At(0).CID, QStringLiteral("1234"));
  // Every part of the key counts, compared exactly.
  list.AddOrUpdate(QStringLiteral("250"), QStringLiteral("01"), QStringLiteral("-60"), QStringLiteral("1234"),
                   QStringLiteral("9999"));
  list.AddOrUpdate(QStringLiteral("250"), QStringLiteral("1"), QStringLiteral("-60"), QStringLiteral("1234"),
                   QStringLiteral("5678"));
  QCOMPARE(list.Count(), 3);
  // Parts that would run together are still different cells.
  list.AddOrUpdate(QStringLiteral("25"), QStringLiteral("001"), QStringLiteral("-60"), QStringLiteral("1234"),
                   QStringLiteral("5678"));
  list.AddOrUpdate(QStringLiteral("2"), QStringLiteral("5:001"), QStringLiteral("-60"),
                   QStringLiteral("1234"), QStringLiteral("5678"));
  QCOMPARE(list.Count(), 5);
  list.AddOrUpdate(QStringLiteral("25"), QStringLiteral("001"), QStringLiteral("-55"), QStringLiteral("1234"),
                   QStringLiteral("5678"));
  QCOMPARE(list.Count(), 5);
  QCOMPARE(list.At(3).RSSI, -55);
}

QTEST_GUILESS_MAIN(TestScanLists)
#include "tst_scan_lists.moc"
