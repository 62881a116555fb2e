// The BLE, Wi-Fi and cell pickers of the real window against the simulated tracker: what the
// dialogs send, the rows the streamed reports become, what OK and Cancel give back, and the PC's
// radios (fakes here) when the tracker does not scan.

#include "device/port_info.h"
#include "device/radio_fixture.h"
#include "dialogs/scan_select_forms.h"
#include "platform/ble_scanner.h"
#include "sim_window_fixture.h"

#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>

namespace {

struct TPickerWindow : TSimWindowBase {
  // The dialog owns its radio: gone once the dialog is.
  QPointer<TFakeBLEScanner> BLERadio;
  QPointer<TFakeWiFiScanner> WiFiRadio;
  QList<TWiFiNetwork> Networks;
  QList<TBLEReport> Adverts;

  // The tracker on the line, identity known, and the PC's radios as the test says.
  bool Start(const QStringList& aArgs, bool aBluetooth = false, bool aWiFi = false) {
    if (!StartSimulator(aArgs + QStringList{QStringLiteral("--rate"), QStringLiteral("300")}))
      return false;
    TMF& w = CreateWindow();
    w.SetRadios(TMF::TRadios{[this, aBluetooth]() -> std::unique_ptr<IBLEScanner> {
                               auto radio = std::make_unique<TFakeBLEScanner>(aBluetooth);
                               BLERadio = radio.get();
                               return radio;
                             },
                             [this, aWiFi]() -> std::unique_ptr<IWiFiScanner> {
                               auto radio = std::make_unique<TFakeWiFiScanner>(aWiFi);
                               radio->Networks = Networks;
                               WiFiRadio = radio.get();
                               return radio;
                             }});
    w.show();
    return QTest::qWaitFor(
        [&] { return w.Q() && w.Q()->DeviceVer() == QLatin1String("303") && !w.Q()->WaitInfo(); }, 15000);
  }
  int SentCount(const QString& aLine) const { return int(Sent().count(aLine)); }
};

// Row texts by the first column's text.
QStringList RowOf(const TScanSelectForm& aForm, const QString& aFirst) {
  const TScanPicker& p = aForm.Picker();
  for (int r = 0; r < p.rowCount(); ++r)
    if (p.Row(r).Cells.first() == aFirst)
      return p.Row(r).Cells;
  return {};
}

int RowIndexOf(const TScanSelectForm& aForm, int aColumn, const QString& aText) {
  const TScanPicker& p = aForm.Picker();
  for (int r = 0; r < p.rowCount(); ++r)
    if (p.Row(r).Cells.value(aColumn) == aText)
      return r;
  return -1;
}

QString SelectedText(const TScanSelectForm& aForm, int aColumn) {
  const QModelIndexList rows = aForm.List()->selectionModel()->selectedRows(aColumn);
  return rows.isEmpty() ? QString() : rows.first().data().toString();
}

bool SimulatorBuilt() {
  return QFileInfo::exists(qEnvironmentVariable("VELMORA_BIN_DIR") + QStringLiteral("/velmora-devsim"));
}

} // namespace

class TstPickersE2E : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void init();
  void bleSensorsFromTheTracker();
  void wifiNetworksFromTheTracker();
  void cellsFromTheTracker();
  void fallbackWithoutRadios_data();
  void fallbackWithoutRadios();
  void pcAdapterFillsTheBLEList();
  void pcNetworksStayApartAndSelected();
};

void TstPickersE2E::init() {
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  QLocale::setDefault(QLocale::c());
}

void TstPickersE2E::bleSensorsFromTheTracker() {
  TPickerWindow sim;
  QVERIFY(sim.Start({QStringLiteral("--gen"), QStringLiteral("1")}));
  QElapsedTimer opened;
  opened.start();
  QPointer<TScanSelectForm> form = sim.Window->ShowScanPicker(slBLE, {});
  QVERIFY(form);
  QCOMPARE(form->windowTitle(), QStringLiteral("BLE device selection"));
  QCOMPARE(form->StatusLabel()->text(), QStringLiteral("Scanning by the tracker"));
  QCOMPARE(form->ScanButton()->text(), QStringLiteral("Stop"));
  QTRY_COMPARE_WITH_TIMEOUT(sim.SentCount(QStringLiteral(">D 20;1\r\n")), 1, 5000);
  QTRY_VERIFY_WITH_TIMEOUT(form->Picker().rowCount() > 0, 10000);
  qInfo("first rows %lld ms after the dialog opened", opened.elapsed());

  // Every known type decoded; the beacon by its identity; the unknown type never listed.
  QCOMPARE(RowOf(*form, QStringLiteral("C8F09E0A0001")).mid(1, 6),
           (QStringList{"ZRA-1", "ZRA", "1.2", "23°C", "Level: 100.0%", "3.6 V"}));
  QCOMPARE(RowOf(*form, QStringLiteral("C8F09E0A0003")).mid(1, 6),
           (QStringList{"ZRE-3", "ZRE", "1.5", "25.1°C", "Magnet: 1, Wire: 0", "3.3 V"}));
  QCOMPARE(RowOf(*form, QStringLiteral("C8F09E0A0005")).mid(2, 5),
           (QStringList{"ZRI", "2.1", "20°C", "Angle: -15°", "3.0 V"}));
  QCOMPARE(RowOf(*form, QStringLiteral("C8F09E0A0006")).value(5), QStringLiteral("RPM: 1500"));
  QCOMPARE(RowOf(*form, QStringLiteral("C8F09E0A0007")).value(5), QStringLiteral("55.751244, 37.618423"));
  QCOMPARE(RowOf(*form, QStringLiteral("C8F09E0A0009")).value(2), QStringLiteral("ZRU"));
  QCOMPARE(RowOf(*form, QStringLiteral("C8F09E0A000A")).mid(2, 6),
           (QStringList{"ZRY", "1.0", "---", "Input: open", "12.0 V", "-999"}));
  QCOMPARE(RowOf(*form, QStringLiteral("C8F09E0A000C")).mid(1, 2),
           (QStringList{"E2C56DB5-DFFB-48D2-B060-D0F5A71096E0", "iBeacon"}));
  QVERIFY(RowOf(*form, QStringLiteral("C8F09E0A000D")).isEmpty());
  // The ZRK sensor's data stops decoding: it leaves the list. The address repeated in lower case
  // stays one row.
  QTRY_VERIFY_WITH_TIMEOUT(RowOf(*form, QStringLiteral("C8F09E0A000B")).isEmpty(), 10000);
  QCOMPARE(form->Picker().rowCount(), 11);
  // Strongest first.
  QCOMPARE(form->Picker().Row(0).Cells.first(), QStringLiteral("C8F09E0A0008"));

  form->CancelButton()->click();
  QTRY_VERIFY(!form);
  QCOMPARE(sim.SentCount(QStringLiteral(">D 20;0\r\n")), 1);
}

void TstPickersE2E::wifiNetworksFromTheTracker() {
  TPickerWindow sim;
  QVERIFY(sim.Start({QStringLiteral("--gen"), QStringLiteral("1")}));
  QString chosen = QStringLiteral("(nothing)");
  QPointer<TScanSelectForm> form =
      sim.Window->ShowScanPicker(slWiFi, [&chosen](const QString& aValue) { chosen = aValue; });
  QVERIFY(form);
  QTRY_COMPARE_WITH_TIMEOUT(sim.SentCount(QStringLiteral(">D 21;1\r\n")), 1, 5000);
  QTRY_COMPARE_WITH_TIMEOUT(form->Picker().rowCount(), 3, 10000);
  QCOMPARE(RowOf(*form, QStringLiteral("AC84C6123402")), (QStringList{"AC84C6123402", "Гостевая", "-71"}));
  QCOMPARE(RowOf(*form, QStringLiteral("AC84C6123403")).value(2), QStringLiteral("-999"));
  // The lower-case repeat updated its network rather than adding one.
  QTRY_VERIFY_WITH_TIMEOUT(form->Picker().rowCount() == 3 && sim.Window->WiFiNetworks().Count() == 3, 5000);

  const int row = RowIndexOf(*form, 1, QStringLiteral("Гостевая"));
  QVERIFY(row >= 0);
  form->List()->selectRow(row);
  form->OKButton()->click();
  QTRY_VERIFY(!form);
  QCOMPARE(chosen, QStringLiteral("Гостевая"));
  QCOMPARE(sim.SentCount(QStringLiteral(">D 21;0\r\n")), 1);
}

void TstPickersE2E::cellsFromTheTracker() {
  TPickerWindow sim;
  QVERIFY(sim.Start({QStringLiteral("--gen"), QStringLiteral("1")}));
  QString chosen;
  QPointer<TScanSelectForm> form =
      sim.Window->ShowScanPicker(slCellTower, [&chosen](const QString& aValue) { chosen = aValue; });
  QVERIFY(form);
  QCOMPARE(form->windowTitle(), QStringLiteral("Cell selection (LBS)"));
  QTRY_COMPARE_WITH_TIMEOUT(sim.SentCount(QStringLiteral(">D 22;1\r\n")), 1, 5000);
  QTRY_COMPARE_WITH_TIMEOUT(form->Picker().rowCount(), 4, 10000);
  QCOMPARE(form->Picker().Row(3).Cells, (QStringList{"250", "99", "2", "1", "-999"}));
  const int row = RowIndexOf(*form, 3, QStringLiteral("5678"));
  form->List()->selectRow(row);
  // The selection survives the refreshes.
  QSignalSpy refreshed(&form->Picker(), &TScanPicker::SelectRow);
  QTRY_VERIFY_WITH_TIMEOUT(refreshed.size() >= 2, 10000);
  QCOMPARE(SelectedText(*form, 3), QStringLiteral("5678"));
  const QPoint at = form->List()->visualRect(form->Picker().index(form->Picker().SelectedRow(), 3)).center();
  QTest::mouseClick(form->List()->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(form->List()->viewport(), Qt::LeftButton, {}, at);
  QTRY_VERIFY(!form);
  QCOMPARE(chosen, QStringLiteral("1234;5678"));
  QCOMPARE(sim.SentCount(QStringLiteral(">D 22;0\r\n")), 1);
}

void TstPickersE2E::fallbackWithoutRadios_data() {
  QTest::addColumn<int>("list");
  QTest::addColumn<QString>("scan");
  QTest::addColumn<QString>("status");
  QTest::newRow("ble") << int(slBLE) << "20"
                       << "Error:\nThe tracker cannot scan, the PC has no Bluetooth";
  QTest::newRow("wifi") << int(slWiFi) << "21"
                        << "Error:\nThe tracker cannot scan, the PC has no WiFi";
}

void TstPickersE2E::fallbackWithoutRadios() {
  QFETCH(int, list);
  QFETCH(QString, scan);
  QFETCH(QString, status);
  TPickerWindow sim;
  QVERIFY(sim.Start(
      {QStringLiteral("--gen"), QStringLiteral("1"), QStringLiteral("--scan"), QStringLiteral("none")}));
  QElapsedTimer opened;
  opened.start();
  QPointer<TScanSelectForm> form = sim.Window->ShowScanPicker(TScanList(list), {});
  QCOMPARE(form->StatusLabel()->text(), QStringLiteral("Scanning by the tracker"));
  QTRY_COMPARE_WITH_TIMEOUT(sim.SentCount(QStringLiteral(">D %1;1\r\n").arg(scan)), 1, 5000);
  QTRY_COMPARE_WITH_TIMEOUT(form->StatusLabel()->text(), status, 15000);
  // Not before the tracker had its five seconds.
  QVERIFY2(opened.elapsed() >= TScanPicker::kFallbackMs - 50, qPrintable(QString::number(opened.elapsed())));
  QCOMPARE(form->ScanButton()->text(), QStringLiteral("Start"));
  QCOMPARE(sim.SentCount(QStringLiteral(">D %1;0\r\n").arg(scan)), 1);
  QCOMPARE(form->Picker().rowCount(), 0);
  QVERIFY(form->isVisible()); // the dialog stays open
  form->CancelButton()->click();
  QTRY_VERIFY(!form);
  QCOMPARE(sim.SentCount(QStringLiteral(">D %1;0\r\n").arg(scan)), 1);
}

void TstPickersE2E::pcAdapterFillsTheBLEList() {
  TPickerWindow sim;
  QVERIFY(sim.Start(
      {QStringLiteral("--gen"), QStringLiteral("1"), QStringLiteral("--scan"), QStringLiteral("none")},
      true));
  QString chosen;
  QPointer<TScanSelectForm> form =
      sim.Window->ShowScanPicker(slBLE, [&chosen](const QString& aValue) { chosen = aValue; });
  QTRY_COMPARE_WITH_TIMEOUT(form->StatusLabel()->text(),
                            QStringLiteral("Scanning with the PC's adapter\n(no output from the tracker)"),
                            15000);
  QVERIFY(sim.BLERadio && sim.BLERadio->Active);
  // A ZRE sensor as BlueZ gives it: service data 0x030F, the name apart.
  sim.BLERadio->Report(QStringLiteral("C8:F0:9E:0A:00:03"), -58, QByteArray::fromHex("0A160F03FB0000402110"),
                       QStringLiteral("ZRE-3"));
  // A beacon as the adapter gives it: Apple's company number and its frame, rebuilt into sections.
  TAdvertPieces beacon;
  beacon.ManufacturerData = {{0x004C, QByteArray::fromHex("0215E2C56DB5DFFB48D2B060D0F5A71096E001000200C5")}};
  sim.BLERadio->Report(QStringLiteral("C8:F0:9E:0A:00:0C"), -71, RebuildAdvertisement(beacon));
  QTRY_COMPARE_WITH_TIMEOUT(form->Picker().rowCount(), 2, 5000);
  QCOMPARE(form->Picker().Row(0).Cells, (QStringList{"C8F09E0A0003", "ZRE-3", "ZRE", "1.6", "25.1°C",
                                                     "Magnet: 1, Wire: 0", "3.3 V", "-58"}));
  QCOMPARE(form->Picker().Row(1).Cells.mid(0, 3),
           (QStringList{"C8F09E0A000C", "E2C56DB5-DFFB-48D2-B060-D0F5A71096E0", "iBeacon"}));
  // Nothing chosen yet: OK waits, and Enter does not empty the setting.
  QVERIFY(!form->OKButton()->isEnabled());
  QTest::keyClick(form, Qt::Key_Return);
  QVERIFY(form && form->isVisible());
  QVERIFY(chosen.isNull());
  form->List()->selectRow(0);
  QVERIFY(form->OKButton()->isEnabled());
  form->OKButton()->click();
  QTRY_VERIFY(!form);
  QCOMPARE(chosen, QStringLiteral("C8F09E0A0003"));
  QTRY_VERIFY(!sim.BLERadio);
  QCOMPARE(sim.SentCount(QStringLiteral(">D 20;0\r\n")), 1);
}

void TstPickersE2E::pcNetworksStayApartAndSelected() {
  TPickerWindow sim;
  // Two names of one length and first letter, and the same name as another network's.
  sim.Networks = {TWiFiNetwork{"HomeA", 80, QStringLiteral("00:11:22:33:44:01")},
                  TWiFiNetwork{"HomeB", 60, QStringLiteral("00:11:22:33:44:02")},
                  TWiFiNetwork{QByteArray(), 20, QStringLiteral("00:11:22:33:44:03")}};
  QVERIFY(sim.Start(
      {QStringLiteral("--gen"), QStringLiteral("1"), QStringLiteral("--scan"), QStringLiteral("none")}, false,
      true));
  QString chosen;
  QPointer<TScanSelectForm> form =
      sim.Window->ShowScanPicker(slWiFi, [&chosen](const QString& aValue) { chosen = aValue; });
  QTRY_COMPARE_WITH_TIMEOUT(form->Picker().rowCount(), 3, 15000);
  QCOMPARE(form->Picker().Row(0).Cells, (QStringList{"---", "HomeA", "-60"}));
  QCOMPARE(form->Picker().Row(1).Cells, (QStringList{"---", "HomeB", "-70"}));
  QCOMPARE(form->Picker().Row(2).Cells, (QStringList{"---", "[Hidden network]", "-90"}));
  form->List()->selectRow(1);
  const int scans = sim.WiFiRadio->Scans;
  QTRY_VERIFY_WITH_TIMEOUT(sim.WiFiRadio->Scans > scans + 1, 10000); // refreshed at least once
  QCOMPARE(SelectedText(*form, 1), QStringLiteral("HomeB"));
  form->OKButton()->click();
  QTRY_VERIFY(!form);
  QCOMPARE(chosen, QStringLiteral("HomeB"));
  QTRY_VERIFY(!sim.WiFiRadio);
}

QTEST_MAIN(TstPickersE2E)
#include "tst_pickers_e2e.moc"
