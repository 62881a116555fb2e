// What the PC's adapter reports comes in pieces (service data by UUID, manufacturer data by
// company, the name); rebuilt into advertisement sections, it must decode as the tracker's own
// reports of the same sensor do.

#include "i18n/dictionary.h"
#include "platform/ble_scanner.h"
#include "protocols/scan_lists.h"

#include <QBluetoothAddress>
#include <QBluetoothDeviceInfo>
#include <QBluetoothUuid>
#include <QLocale>
#include <QTest>

namespace {

QByteArray Hex(const char* aHex) {
  return QByteArray::fromHex(aHex);
}

// The values as the Russian dictionary words them.
QString Russian(const TBLEText& aText) {
  static const TDictionary dictionary;
  return aText.Text([](const QString& aKey) { return dictionary.Translate(TDictionary::lnRussian, aKey); });
}

// A sensor's service data: the 16-bit UUID carries the type code in its high byte.
QBluetoothUuid SensorUuid(int aCode) {
  return QBluetoothUuid(quint16(aCode << 8 | 0x0F));
}

} // namespace

class TstAdvertRebuild : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void initTestCase() { QLocale::setDefault(QLocale::c()); }
  void sectionsInFixedOrder();
  void overlongSectionKeepsWhatFits();
  void beaconFromTheAdapterDecodes();
  void adapterPiecesDecode_data();
  void adapterPiecesDecode();
};

void TstAdvertRebuild::sectionsInFixedOrder() {
  TAdvertPieces pieces;
  pieces.Name = "N";
  pieces.ManufacturerData = {{0x0159, Hex("AA")}, {0x004C, Hex("0215")}};
  pieces.ServiceData = {{Hex("0F03"), Hex("01")},
                        {Hex("00112233445566778899AABBCCDDEEFF"), Hex("02")},
                        {Hex("0F01"), Hex("03")},
                        {Hex("78563412"), Hex("04")}};
  // 16-bit, then 32-bit, then 128-bit UUIDs, each by value; companies by number (type byte
  // first, as the trackers pass them on); the name last.
  QCOMPARE(RebuildAdvertisement(pieces).toHex(' '),
           QByteArray("04 16 0f 01 03 04 16 0f 03 01 06 20 78 56 34 12 04 "
                      "12 21 00 11 22 33 44 55 66 77 88 99 aa bb cc dd ee ff 02 "
                      "ff 05 4c 00 02 15 ff 04 59 01 aa 02 09 4e"));
  QCOMPARE(RebuildAdvertisement(TAdvertPieces{}), QByteArray());
}

void TstAdvertRebuild::overlongSectionKeepsWhatFits() {
  TAdvertPieces pieces;
  pieces.ServiceData = {{Hex("0F01"), QByteArray(400, 'x')}};
  pieces.Name = QByteArray(300, 'n');
  const QByteArray d = RebuildAdvertisement(pieces);
  QCOMPARE(quint8(d[0]), quint8(255));
  QCOMPARE(d.mid(1, 3), Hex("160F01"));
  QCOMPARE(quint8(d[256]), quint8(255));
  QCOMPARE(d[257], '\x09');
  QCOMPARE(d.size(), 512);
}

void TstAdvertRebuild::beaconFromTheAdapterDecodes() {
  // An iBeacon as the adapter reports it: Apple's company number and the beacon frame.
  QBluetoothDeviceInfo info(QBluetoothAddress(QStringLiteral("C8:F0:9E:0A:00:0C")), QString(), 0);
  info.setCoreConfigurations(QBluetoothDeviceInfo::LowEnergyCoreConfiguration);
  info.setManufacturerData(0x004C, Hex("0215E2C56DB5DFFB48D2B060D0F5A71096E001000200C5"));
  const QByteArray data = RebuildAdvertisement(AdvertPiecesOf(info));
  QCOMPARE(data.left(4), Hex("FF1A4C00"));
  const std::optional<TBLEAdvertisement> a = DecodeBLEAdvertisement(QString::fromLatin1(data.toBase64()));
  QVERIFY(a);
  QCOMPARE(int(a->DeviceType), int(dtIBeacon));
  QCOMPARE(a->Name, QStringLiteral("E2C56DB5-DFFB-48D2-B060-D0F5A71096E0"));
  QCOMPARE(Russian(a->MainParam), QStringLiteral("Major: 1, Minor: 2, TX: -59 dBm"));
}

void TstAdvertRebuild::adapterPiecesDecode_data() {
  QTest::addColumn<int>("code");
  QTest::addColumn<QByteArray>("payload");
  QTest::addColumn<QString>("name");
  QTest::addColumn<int>("type");
  QTest::addColumn<QString>("mainParam");
  QTest::addColumn<QString>("temperature");
  QTest::addColumn<QString>("voltage");
  QTest::newRow("ZRA, 10 bits") << 1 << Hex("FF03241700000000000000") << "ZRA-1" << int(dtZRA)
                                << "Уровень: 100.0%"
                                << "23°C"
                                << "3.6 В";
  QTest::newRow("ZRE") << 3 << Hex("FB000040210F") << "ZRE-3" << int(dtZRE) << "Магнит: 1, Провод: 0"
                       << "25.1°C"
                       << "3.3 В";
  QTest::newRow("ZRI, angle") << 4 << Hex("0600F1FF14000000001E15") << "" << int(dtZRI) << "Угол: -15°"
                              << "20°C"
                              << "3.0 В";
  QTest::newRow("ZRY") << 100 << Hex("01780A") << "" << int(dtZRY) << "Вход: разомкнут"
                       << "---"
                       << "12.0 В";
  QTest::newRow("ZRK, name only from the advert") << 188 << QByteArray() << "ZRK-11" << int(dtZRK) << "---"
                                                  << "---"
                                                  << "---";
  QTest::newRow("unknown code") << 0x42 << Hex("01020304") << "X" << int(dtUnknown) << ""
                                << ""
                                << "";
}

void TstAdvertRebuild::adapterPiecesDecode() {
  QFETCH(int, code);
  QFETCH(QByteArray, payload);
  QFETCH(QString, name);
  QFETCH(int, type);
  QFETCH(QString, mainParam);
  QFETCH(QString, temperature);
  QFETCH(QString, voltage);
  QBluetoothDeviceInfo info(QBluetoothAddress(QStringLiteral("C8:F0:9E:0A:00:01")), name, 0);
  info.setCoreConfigurations(QBluetoothDeviceInfo::LowEnergyCoreConfiguration);
  info.setServiceData(SensorUuid(code), payload);
  // A maker's data beside the sensor frame does not disturb it.
  info.setManufacturerData(0x0059, Hex("0102"));
  const QByteArray data = RebuildAdvertisement(AdvertPiecesOf(info));
  const std::optional<TBLEAdvertisement> a = DecodeBLEAdvertisement(QString::fromLatin1(data.toBase64()));
  if (type == dtUnknown) {
    QVERIFY(!a);
    return;
  }
  QVERIFY(a);
  QCOMPARE(int(a->DeviceType), type);
  QCOMPARE(a->Name, name);
  QCOMPARE(Russian(a->MainParam), mainParam);
  QCOMPARE(a->Temperature, temperature);
  QCOMPARE(Russian(a->Voltage), voltage);
}

QTEST_GUILESS_MAIN(TstAdvertRebuild)
#include "tst_advert_rebuild.moc"
