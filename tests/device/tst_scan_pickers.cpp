// The pickers' logic without a window: the tracker's scan commands, the refresh and fall-back
// timing by an injected clock, the rows kept as copies, their order and the selection kept by key,
// and the PC's radios played by fakes.

#include "base/clock.h"
#include "device/scan_picker.h"
#include "i18n/dictionary.h"
#include "radio_fixture.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>
#include <limits>

namespace {

// A ZRK sensor: the shortest data that decodes, with an optional name.
QByteArray ZRK(const QByteArray& aName = {}) {
  QByteArray d = QByteArray::fromHex("03160FBC");
  if (!aName.isEmpty())
    d += char(aName.size() + 1) + QByteArray("\x09") + aName;
  return d;
}

QString ZRK64(const QByteArray& aName = {}) {
  return QString::fromLatin1(ZRK(aName).toBase64());
}

const QString kNoDecode = QStringLiteral("AgEG"); // flags only

struct TRig {
  TManualClock Clock;
  TDictionary Dictionary;
  QList<QByteArray> Sent;
  TBLEDeviceList BLE;
  TWiFiList WiFi;
  TLBSList LBS;
  TFakeBLEScanner* BLERadio = nullptr;
  TFakeWiFiScanner* WiFiRadio = nullptr;
  std::unique_ptr<TScanPicker> Picker;

  TScanPicker::TSend Send() {
    return [this](const QByteArray& aLine) { Sent << aLine; };
  }
  TScanPicker& Make(const QString& aKind, bool aRadio = true) {
    if (aKind == QLatin1String("ble")) {
      auto radio = std::make_unique<TFakeBLEScanner>(aRadio);
      BLERadio = radio.get();
      Picker =
          std::make_unique<TBLEPicker>(BLE, Clock, Send(), std::move(radio),
                                       [this](const QString& aKey) { return Dictionary.Translate(aKey); });
    } else if (aKind == QLatin1String("wifi")) {
      auto radio = std::make_unique<TFakeWiFiScanner>(aRadio);
      WiFiRadio = radio.get();
      Picker =
          std::make_unique<TWiFiPicker>(WiFi, Clock, Send(), std::move(radio), QStringLiteral("[hidden]"));
    } else {
      Picker = std::make_unique<TLBSPicker>(LBS, Clock, Send());
    }
    return *Picker;
  }
  void Advance(qint64 aMs) {
    Clock.Advance(aMs);
    Picker->Tick();
  }
  QStringList Keys() const {
    QStringList keys;
    for (int i = 0; i < Picker->rowCount(); ++i)
      keys << Picker->Row(i).Key;
    return keys;
  }
  int RowOf(const QString& aKey) const { return int(Keys().indexOf(aKey)); }
};

QByteArray On(const char* aScan) {
  return QByteArray(">D ") + aScan + ";1\r\n";
}
QByteArray Off(const char* aScan) {
  return QByteArray(">D ") + aScan + ";0\r\n";
}

} // namespace

class TstScanPickers : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void fallsBackAfterFiveSilentSeconds_data();
  void fallsBackAfterFiveSilentSeconds();
  void trackerReportsKeepThePCRadioOff();
  void scanButtonAndClosing_data();
  void scanButtonAndClosing();
  void refreshKeepsTheSelectionByKey();
  void pcRowStaysSelected();
  void rowsOutliveTheirEntries();
  void sorting_data();
  void sorting();
  void cellsKeepTheirOrder();
  void confirmYieldsTheValue_data();
  void confirmYieldsTheValue();
  void pcAdapterFeedsTheBLEList();
  void bleValuesInTheLanguageShown_data();
  void bleValuesInTheLanguageShown();
  void pcNetworks_data();
  void pcNetworks();
  void pcWiFiScansOnEveryRefresh();
  void modelIsConsistent();
};

void TstScanPickers::fallsBackAfterFiveSilentSeconds_data() {
  QTest::addColumn<QString>("kind");
  QTest::addColumn<bool>("radio");
  QTest::addColumn<int>("status");
  QTest::addColumn<QList<QByteArray>>("sent");
  QTest::newRow("ble, adapter") << "ble" << true << int(psPCAdapter) << QList<QByteArray>{On("20")};
  QTest::newRow("ble, none") << "ble" << false << int(psNoBluetooth)
                             << QList<QByteArray>{On("20"), Off("20")};
  QTest::newRow("wifi, service") << "wifi" << true << int(psPCAdapter) << QList<QByteArray>{On("21")};
  QTest::newRow("wifi, none") << "wifi" << false << int(psNoWiFi) << QList<QByteArray>{On("21"), Off("21")};
}

void TstScanPickers::fallsBackAfterFiveSilentSeconds() {
  QFETCH(QString, kind);
  QFETCH(bool, radio);
  QFETCH(int, status);
  QFETCH(QList<QByteArray>, sent);
  TRig rig;
  TScanPicker& p = rig.Make(kind, radio);
  p.Show();
  QCOMPARE(p.Status(), psTracker);
  QVERIFY(p.ScanActive());
  rig.Advance(TScanPicker::kFallbackMs - 1);
  QCoreApplication::processEvents();
  QCOMPARE(rig.BLERadio ? rig.BLERadio->Starts : rig.WiFiRadio->Opens, 0);
  QCOMPARE(p.Status(), psTracker);

  rig.Advance(1);
  if (rig.WiFiRadio)
    QTRY_VERIFY(p.PCActive() || !p.ScanActive());
  QCOMPARE(int(p.Status()), status);
  QCOMPARE(rig.Sent, sent);
  QCOMPARE(p.ScanActive(), radio);
  QCOMPARE(p.PCActive(), radio);
  if (rig.BLERadio) {
    QCOMPARE(rig.BLERadio->Starts, 1);
    QCOMPARE(rig.BLERadio->TimeoutMs, TBLEPicker::kDiscoveryMs);
  } else {
    QCOMPARE(rig.WiFiRadio->Opens, 1);
    QCOMPARE(rig.WiFiRadio->Scans, radio ? 1 : 0);
  }
  // A failed fall-back leaves nothing running: later ticks do nothing.
  rig.Advance(60000);
  QCOMPARE(rig.Sent, sent);
}

void TstScanPickers::trackerReportsKeepThePCRadioOff() {
  TRig rig;
  TScanPicker& p = rig.Make(QStringLiteral("ble"));
  p.Show();
  rig.BLE.AddOrUpdate(QStringLiteral("C8F09E0A0001"), QStringLiteral("-50"), ZRK64());
  QCOMPARE(p.rowCount(), 0); // rows follow the list only at refresh ticks
  rig.Advance(2000);
  QCOMPARE(p.rowCount(), 1);
  rig.Advance(3000);
  QCOMPARE(rig.BLERadio->Starts, 0);
  QCOMPARE(p.Status(), psTracker);
}

void TstScanPickers::scanButtonAndClosing_data() {
  QTest::addColumn<QString>("kind");
  QTest::addColumn<QByteArray>("scan");
  QTest::newRow("ble") << "ble" << QByteArray("20");
  QTest::newRow("wifi") << "wifi" << QByteArray("21");
  QTest::newRow("lbs") << "lbs" << QByteArray("22");
}

void TstScanPickers::scanButtonAndClosing() {
  QFETCH(QString, kind);
  QFETCH(QByteArray, scan);
  TRig rig;
  TScanPicker& p = rig.Make(kind);
  p.Show();
  rig.LBS.AddOrUpdate("250", "01", "-70", "5678", "1234");
  rig.WiFi.AddOrUpdate("AA", "-70", "Net");
  rig.BLE.AddOrUpdate("C8F09E0A0001", "-50", ZRK64());
  rig.Advance(p.RefreshMs());
  QCOMPARE(p.rowCount(), 1);

  p.ToggleScan();
  QVERIFY(!p.ScanActive());
  QCOMPARE(p.Status(), psIdle);
  p.ToggleScan(); // a new scan starts from an empty list
  QCOMPARE(p.rowCount(), 0);
  const int listed = kind == QLatin1String("ble")    ? rig.BLE.Count()
                     : kind == QLatin1String("wifi") ? rig.WiFi.Count()
                                                     : rig.LBS.Count();
  QCOMPARE(listed, 0);
  p.Close();
  p.Close(); // closing twice sends one stop
  const QByteArray on = On(scan.constData());
  const QByteArray off = Off(scan.constData());
  QCOMPARE(rig.Sent, (QList<QByteArray>{on, off, on, off}));
  rig.Advance(60000);
  QCOMPARE(rig.Sent.size(), 4);
}

void TstScanPickers::refreshKeepsTheSelectionByKey() {
  TRig rig;
  TScanPicker& p = rig.Make(QStringLiteral("ble"));
  p.Show();
  rig.BLE.AddOrUpdate("AAAA", "-70", ZRK64());
  rig.BLE.AddOrUpdate("BBBB", "-50", ZRK64());
  p.Refresh();
  QCOMPARE(rig.Keys(), (QStringList{"BBBB", "AAAA"}));
  p.SetSelectedRow(1);

  // A stronger newcomer moves the selected row down: the selection follows the device.
  QSignalSpy selected(&p, &TScanPicker::SelectRow);
  rig.BLE.AddOrUpdate("CCCC", "-40", ZRK64());
  p.Refresh();
  QCOMPARE(rig.Keys(), (QStringList{"CCCC", "BBBB", "AAAA"}));
  QCOMPARE(p.SelectedRow(), 2);
  QCOMPARE(selected.last().at(0).toInt(), 2);
  QCOMPARE(p.SavedKey(), QStringLiteral("AAAA"));

  // The same device reported in lower case with data that no longer decodes leaves the list, and
  // the selection with it.
  rig.BLE.AddOrUpdate("aaaa", "-70", kNoDecode);
  p.Refresh();
  QCOMPARE(rig.Keys(), (QStringList{"CCCC", "BBBB"}));
  QCOMPARE(p.SelectedRow(), -1);
  QCOMPARE(p.SavedKey(), QString());
}

void TstScanPickers::pcRowStaysSelected() {
  // PC rows show "---" for an address; two of them must still be told apart.
  TRig rig;
  TScanPicker& p = rig.Make(QStringLiteral("wifi"));
  p.Show();
  rig.WiFi.AddOrUpdatePC("PC_00:11:22:33:44:01", -60, "HomeA");
  rig.WiFi.AddOrUpdatePC("PC_00:11:22:33:44:02", -55, "HomeB");
  rig.WiFi.AddOrUpdate("AC:84:C6:12:34:01", "-50", "HomeA");
  p.Refresh();
  QCOMPARE(p.rowCount(), 3);
  const int pcRow = rig.RowOf("PC_00:11:22:33:44:01");
  QCOMPARE(p.Row(pcRow).Cells.first(), QStringLiteral("---"));
  QCOMPARE(p.data(p.index(rig.RowOf("AC:84:C6:12:34:01"), 0)).toString(),
           QStringLiteral("AC:84:C6:12:34:01"));
  p.SetSelectedRow(pcRow);
  rig.WiFi.AddOrUpdatePC("PC_00:11:22:33:44:01", -90, "HomeA"); // now the weakest
  p.Refresh();
  QCOMPARE(p.SelectedRow(), 2);
  QCOMPARE(p.Row(2).Key, QStringLiteral("PC_00:11:22:33:44:01"));
  QCOMPARE(p.Confirm(), QStringLiteral("HomeA"));
}

void TstScanPickers::rowsOutliveTheirEntries() {
  TRig rig;
  TScanPicker& ble = rig.Make(QStringLiteral("ble"));
  ble.Show();
  rig.BLE.AddOrUpdate("C8F09E0A0001", "-50", ZRK64());
  ble.Refresh();
  ble.SetSelectedRow(0);
  rig.BLE.AddOrUpdate("C8F09E0A0001", "-50", kNoDecode); // the entry is freed
  QCOMPARE(rig.BLE.Count(), 0);
  QCOMPARE(ble.Confirm(), QStringLiteral("C8F09E0A0001"));

  TScanPicker& wifi = rig.Make(QStringLiteral("wifi"));
  wifi.Show();
  rig.WiFi.AddOrUpdate("AA", "-50", "First");
  wifi.Refresh();
  wifi.SetSelectedRow(0);
  for (int i = 0; i < 1000; ++i) // the items move as the list grows
    rig.WiFi.AddOrUpdate(QString::number(i), "-60", QStringLiteral("Net %1").arg(i));
  QCOMPARE(wifi.Confirm(), QStringLiteral("First"));
}

void TstScanPickers::sorting_data() {
  QTest::addColumn<QList<int>>("clicks");
  QTest::addColumn<QStringList>("order");
  QTest::addColumn<bool>("ascending");
  // Levels at both ends of the range: their difference does not fit in 32 bits.
  QTest::newRow("strongest first at start") << QList<int>{} << QStringList{"02", "01", "04", "03"} << false;
  QTest::newRow("RSSI again: weakest first") << QList<int>{7} << QStringList{"03", "04", "01", "02"} << true;
  QTest::newRow("name: A to Z, any case") << QList<int>{1} << QStringList{"02", "01", "04", "03"} << true;
  QTest::newRow("name twice: Z to A") << QList<int>{1, 1} << QStringList{"03", "04", "01", "02"} << false;
  QTest::newRow("name, then RSSI: strongest first")
      << QList<int>{1, 7} << QStringList{"02", "01", "04", "03"} << false;
  QTest::newRow("address") << QList<int>{0} << QStringList{"01", "02", "03", "04"} << true;
  QTest::newRow("outside the columns") << QList<int>{8, -1} << QStringList{"02", "01", "04", "03"} << false;
}

void TstScanPickers::sorting() {
  QFETCH(QList<int>, clicks);
  QFETCH(QStringList, order);
  QFETCH(bool, ascending);
  TRig rig;
  TScanPicker& p = rig.Make(QStringLiteral("ble"));
  p.Show();
  rig.BLE.AddOrUpdate("01", "-70", ZRK64("beta"));
  rig.BLE.AddOrUpdate("02", "2147483647", ZRK64("Alpha"));
  rig.BLE.AddOrUpdate("03", "-2147483648", ZRK64("gamma"));
  rig.BLE.AddOrUpdate("04", "n/a", ZRK64("Delta"));
  p.Refresh();
  for (int column : clicks)
    p.HeaderClicked(column);
  QCOMPARE(rig.Keys(), order);
  QCOMPARE(p.SortAscending(), ascending);
}

void TstScanPickers::cellsKeepTheirOrder() {
  TRig rig;
  TScanPicker& p = rig.Make(QStringLiteral("lbs"));
  p.Show();
  rig.LBS.AddOrUpdate("250", "01", "-90", "1", "10");
  rig.LBS.AddOrUpdate("250", "01", "x", "2", "10");
  rig.LBS.AddOrUpdate("250", "02", "-60", "3", "10");
  rig.Advance(1000);
  QCOMPARE(rig.Keys(), (QStringList{"250;02;10;3", "250;01;10;1", "250;01;10;2"}));
  p.HeaderClicked(0);
  QCOMPARE(rig.Keys(), (QStringList{"250;02;10;3", "250;01;10;1", "250;01;10;2"}));
  QCOMPARE(p.Row(2).Cells.last(), QStringLiteral("-999"));
}

void TstScanPickers::confirmYieldsTheValue_data() {
  QTest::addColumn<QString>("kind");
  QTest::addColumn<bool>("select");
  QTest::addColumn<QString>("value");
  QTest::newRow("ble: the address") << "ble" << true << "C8F09E0A0001";
  QTest::newRow("wifi: the name") << "wifi" << true << "Гостевая";
  QTest::newRow("cell: area and cell") << "lbs" << true << "1234;5678";
  QTest::newRow("nothing selected") << "ble" << false << "";
}

void TstScanPickers::confirmYieldsTheValue() {
  QFETCH(QString, kind);
  QFETCH(bool, select);
  QFETCH(QString, value);
  TRig rig;
  TScanPicker& p = rig.Make(kind);
  p.Show();
  rig.BLE.AddOrUpdate("C8F09E0A0001", "-50", ZRK64());
  rig.WiFi.AddOrUpdate("AC:84:C6:12:34:02", "-71", QStringLiteral("Гостевая"));
  rig.LBS.AddOrUpdate("250", "01", "-71", "5678", "1234");
  p.Refresh();
  QCOMPARE(p.rowCount(), 1);
  if (select)
    p.SetSelectedRow(0);
  QCOMPARE(p.Confirm(), value);
  QCOMPARE(p.SavedKey().isEmpty(), !select);
}

void TstScanPickers::bleValuesInTheLanguageShown_data() {
  QTest::addColumn<QByteArray>("data");
  QTest::addColumn<QStringList>("russian"); // parameters and voltage
  QTest::addColumn<QStringList>("english");
  QTest::newRow("level") << QByteArray::fromHex("0F160F01FF0324FF0C000000000001")
                         << QStringList{QStringLiteral("Уровень: 25.0%"), QStringLiteral("3.6 В")}
                         << QStringList{"Level: 25.0%", "3.6 V"};
  QTest::newRow("magnet and wire") << QByteArray::fromHex("07160F03FB0000C0")
                                   << QStringList{QStringLiteral("Магнит: 1, Провод: 1"),
                                                  QStringLiteral("0.0 В")}
                                   << QStringList{"Magnet: 1, Wire: 1", "0.0 V"};
  QTest::newRow("storage mode, percent")
      << QByteArray::fromHex("0C160F650000010000000000") << QStringList{QStringLiteral("Режим: Склад"), "0%"}
      << QStringList{"Mode: Storage", "0%"};
  QTest::newRow("input") << QByteArray::fromHex("06160F64012A0C")
                         << QStringList{QStringLiteral("Вход: разомкнут"), QStringLiteral("4.2 В")}
                         << QStringList{"Input: open", "4.2 V"};
}

void TstScanPickers::bleValuesInTheLanguageShown() {
  QFETCH(QByteArray, data);
  QFETCH(QStringList, russian);
  QFETCH(QStringList, english);
  QLocale::setDefault(QLocale::c());
  TRig rig;
  TScanPicker& p = rig.Make(QStringLiteral("ble"));
  p.Show();
  QVERIFY(rig.BLE.AddOrUpdate(QStringLiteral("AA:BB:CC:DD:EE:01"), QStringLiteral("-60"),
                              QString::fromLatin1(data.toBase64())));
  // The entry arrived while the program spoke Russian; the rows follow a switch made later.
  p.Refresh();
  QCOMPARE((QStringList{p.Row(0).Cells.at(5), p.Row(0).Cells.at(6)}), russian);
  rig.Dictionary.SetLanguage(TDictionary::lnEnglish);
  p.Refresh();
  QCOMPARE((QStringList{p.Row(0).Cells.at(5), p.Row(0).Cells.at(6)}), english);
}

void TstScanPickers::pcAdapterFeedsTheBLEList() {
  TRig rig;
  TScanPicker& p = rig.Make(QStringLiteral("ble"));
  p.Show();
  rig.BLERadio->Report("AA:BB:CC:DD:EE:01", -60, ZRK()); // before the fall-back: not ours
  QCOMPARE(rig.BLE.Count(), 0);
  rig.Advance(TScanPicker::kFallbackMs);
  QVERIFY(p.PCActive());
  rig.BLERadio->Report("AA:BB:CC:DD:EE:01", -60, ZRK(), "Sensor-1");
  rig.BLERadio->Report("AA:BB:CC:DD:EE:02", -61, ZRK("Own name"), "Adapter name");
  rig.BLERadio->Report("AA:BB:CC:DD:EE:03", -62, QByteArray::fromHex("020106"), "Not a sensor");
  rig.BLERadio->Report("", -63, ZRK(), "No address");
  rig.Advance(2000);
  QCOMPARE(rig.Keys(), (QStringList{"AABBCCDDEE01", "AABBCCDDEE02"}));
  QCOMPARE(p.Row(0).Cells.at(1), QStringLiteral("Sensor-1"));
  QCOMPARE(p.Row(1).Cells.at(1), QStringLiteral("Own name"));
  QCOMPARE(p.Row(0).Cells.at(2), QStringLiteral("ZRK"));

  // The adapter giving up later ends the scan as a missing one would.
  Q_EMIT rig.BLERadio->Failed(QStringLiteral("powered off"));
  QCOMPARE(p.Status(), psNoBluetooth);
  QVERIFY(!p.ScanActive());
  QCOMPARE(rig.Sent, (QList<QByteArray>{On("20"), Off("20")}));
}

void TstScanPickers::pcNetworks_data() {
  QTest::addColumn<QList<TWiFiNetwork>>("networks");
  QTest::addColumn<QStringList>("items"); // key | name | level
  const auto net = [](const QByteArray& aSsid, int aStrength, const QString& aBssid) {
    return TWiFiNetwork{aSsid, aStrength, aBssid};
  };
  QTest::newRow("names of one length and first letter")
      << QList<TWiFiNetwork>{net("HomeA", 80, "00:11:22:33:44:01"), net("HomeB", 60, "00:11:22:33:44:02")}
      << QStringList{"PC_00:11:22:33:44:01|HomeA|-60", "PC_00:11:22:33:44:02|HomeB|-70"};
  QTest::newRow("signal quality to level")
      << QList<TWiFiNetwork>{net("Full", 100, "01"), net("None", 0, "02"), net("Odd", 51, "03")}
      << QStringList{"PC_01|Full|-50", "PC_02|None|-100", "PC_03|Odd|-75"};
  QTest::newRow("hidden network") << QList<TWiFiNetwork>{net("", 40, "a0:b1:c2:d3:e4:f5")}
                                  << QStringList{"PC_A0:B1:C2:D3:E4:F5|[hidden]|-80"};
  QTest::newRow("8-bit name") << QList<TWiFiNetwork>{net("\xCF\xF0\xE8\xE2\xE5\xF2", 50, "01")}
                              << QStringList{"PC_01|Привет|-75"};
  QTest::newRow("UTF-8 name") << QList<TWiFiNetwork>{net("Привет", 50, "01")}
                              << QStringList{"PC_01|Привет|-75"};
  QTest::newRow("one name on two access points, any case")
      << QList<TWiFiNetwork>{net("Office", 20, "01"), net("OFFICE", 90, "02")}
      << QStringList{"PC_01|OFFICE|-55"};
  QTest::newRow("no address: keyed by the name")
      << QList<TWiFiNetwork>{net("Alpha", 20, ""), net("Beta", 20, "")}
      << QStringList{"PC_Alpha|Alpha|-90", "PC_Beta|Beta|-90"};
}

void TstScanPickers::pcNetworks() {
  QFETCH(QList<TWiFiNetwork>, networks);
  QFETCH(QStringList, items);
  TWiFiList list;
  list.AddOrUpdate("AC:84:C6:12:34:01", "-40", "HomeA"); // the tracker's own stays apart
  AddPCNetworks(list, networks, QStringLiteral("[hidden]"));
  AddPCNetworks(list, networks, QStringLiteral("[hidden]")); // a second scan updates
  QStringList got;
  for (int i = 1; i < list.Count(); ++i)
    got << QStringLiteral("%1|%2|%3").arg(list.At(i).MAC, list.At(i).SSID).arg(list.At(i).RSSI);
  QCOMPARE(got, items);
  QCOMPARE(list.At(0).MAC, QStringLiteral("AC:84:C6:12:34:01"));
}

void TstScanPickers::pcWiFiScansOnEveryRefresh() {
  TRig rig;
  TScanPicker& p = rig.Make(QStringLiteral("wifi"));
  rig.WiFiRadio->Networks = {TWiFiNetwork{"Home", 70, "00:11:22:33:44:01"}};
  p.Show();
  rig.Advance(TScanPicker::kFallbackMs);
  QTRY_COMPARE(rig.WiFiRadio->Scans, 1);
  QTRY_COMPARE(rig.WiFi.Count(), 1);
  rig.Advance(2000);
  QCOMPARE(rig.WiFiRadio->Scans, 2);
  QCOMPARE(p.rowCount(), 1);
  QCOMPARE(p.Row(0).Cells, (QStringList{"---", "Home", "-65"}));
  p.Close();
  QVERIFY(rig.WiFiRadio->Closes > 0);
  // A scan answer after closing changes nothing.
  rig.WiFiRadio->Networks = {TWiFiNetwork{"Late", 70, "02"}};
  rig.WiFiRadio->Scan();
  QTest::qWait(10);
  QCOMPARE(rig.WiFi.Count(), 1);
}

void TstScanPickers::modelIsConsistent() {
  TRig rig;
  TScanPicker& p = rig.Make(QStringLiteral("ble"));
  QAbstractItemModelTester tester(&p, QAbstractItemModelTester::FailureReportingMode::QtTest);
  p.Show();
  for (int i = 0; i < 20; ++i)
    rig.BLE.AddOrUpdate(QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0')), QString::number(-i), ZRK64());
  rig.Advance(2000);
  QCOMPARE(p.rowCount(), 20);
  QCOMPARE(p.columnCount(), 8);
  p.HeaderClicked(3);
  rig.BLE.Clear();
  rig.Advance(2000);
  QCOMPARE(p.rowCount(), 0);
}

QTEST_GUILESS_MAIN(TstScanPickers)
#include "tst_scan_pickers.moc"
