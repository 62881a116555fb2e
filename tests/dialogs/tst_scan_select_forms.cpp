// The picker dialogs as the user sees them: their fixed layout and captions in both languages,
// OK, double click, Esc and header clicks. With VELMORA_SHOTS_DIR set, pictures of the dialogs on
// the real window, filled from the simulated tracker's script, in both languages and themes.

#include "base/clock.h"
#include "device/radio_fixture.h"
#include "i18n/dictionary.h"
#include "platform/app_paths.h"
#include "platform/registry.h"
#include "scan_streams.h"
#include "settings/controls/edit_classes.h"
#include "dialogs/scan_select_forms.h"
#include "ui/tmf.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QToolTip>

namespace {

struct TFormRig {
  TManualClock Clock;
  TDictionary Dictionary;
  QList<QByteArray> Sent;
  TBLEDeviceList BLE;
  TWiFiList WiFi;
  TLBSList LBS;

  TPickerServices Services() {
    TPickerServices s;
    s.Clock = &Clock;
    s.Send = [this](const QByteArray& aLine) { Sent << aLine; };
    s.Translate = [this](const QString& aKey) { return Dictionary.Translate(aKey); };
    return s;
  }
  TScanSelectForm* Make(const QString& aKind) {
    if (aKind == QLatin1String("ble"))
      return new TBLEDeviceSelectForm(BLE, std::make_unique<TFakeBLEScanner>(false), Services());
    if (aKind == QLatin1String("wifi"))
      return new TWiFiSelectForm(WiFi, std::make_unique<TFakeWiFiScanner>(false), Services());
    return new TLBSSelectForm(LBS, Services());
  }
};

// The simulated tracker's scan reports, as the decoder hands them to the window.
void FeedScript(TMF& aWindow) {
  for (int step = 0; step < 4; ++step) {
    const QByteArray records =
        TScanStreams::BLEReports(step) + TScanStreams::WiFiReports(step) + TScanStreams::LBSReports(step);
    for (const QByteArray& line : records.split('\n')) {
      const QByteArray record = line.trimmed();
      const qsizetype eq = record.indexOf('=');
      if (eq < 0)
        continue;
      const QByteArray key = record.mid(1, eq - 1);
      const QStringList f = QString::fromLatin1(record.mid(eq + 1)).split(QLatin1Char(';'));
      if (key == "BLESCAN")
        aWindow.AddOrUpdateBLEDevice(f.value(0), f.value(1), f.value(2));
      else if (key == "WIFISCAN" && !f.value(2).isEmpty())
        aWindow.AddOrUpdateWiFi(f.value(0), f.value(1),
                                QString::fromUtf8(QByteArray::fromBase64(f.value(2).toLatin1())));
      else if (key == "LBSSCAN")
        aWindow.AddOrUpdateLBS(f.value(0), f.value(1), f.value(2), f.value(3), f.value(4));
    }
  }
}

} // namespace

class TstScanSelectForms : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void layout_data();
  void layout();
  void okWaitsForASelection();
  void escapeStopsTheScan();
  void headerClicksSort();
  void settingsButtonOpensItsPicker_data();
  void settingsButtonOpensItsPicker();
  void longCellGivesWayNotTheOtherColumns();
  void screenshots();
};

void TstScanSelectForms::layout_data() {
  QTest::addColumn<QString>("kind");
  QTest::addColumn<int>("language");
  QTest::addColumn<QSize>("size");
  QTest::addColumn<QString>("title");
  QTest::addColumn<QStringList>("headers");
  QTest::addColumn<QString>("cancel");
  QTest::newRow("ble, Russian") << "ble" << 0 << QSize(730, 450) << "Выбор BLE устройства"
                                << QStringList{"MAC",   "Имя",       "Тип",        "Версия",
                                               "Темп.", "Параметры", "Напряжение", "RSSI"}
                                << "Отмена";
  QTest::newRow("ble, English") << "ble" << 1 << QSize(730, 450) << "BLE device selection"
                                << QStringList{"MAC",   "Name",       "Type",    "Version",
                                               "Temp.", "Parameters", "Voltage", "RSSI"}
                                << "Cancel";
  QTest::newRow("wifi, Russian") << "wifi" << 0 << QSize(600, 450) << "Выбор Wi-Fi сети"
                                 << QStringList{"MAC", "SSID", "RSSI"} << "Отмена";
  QTest::newRow("cells, Russian") << "lbs" << 0 << QSize(500, 400) << "Выбор соты (LBS)"
                                  << QStringList{"MCC", "MNC", "LAC", "CID", "RSSI"} << "Отмена";
}

void TstScanSelectForms::layout() {
  QFETCH(QString, kind);
  QFETCH(int, language);
  QFETCH(QSize, size);
  QFETCH(QString, title);
  QFETCH(QStringList, headers);
  QFETCH(QString, cancel);
  TFormRig rig;
  rig.Dictionary.SetLanguage(language);
  std::unique_ptr<TScanSelectForm> form(rig.Make(kind));
  form->show();
  QCOMPARE(form->size(), size);
  QCOMPARE(form->minimumSize(), size);
  QCOMPARE(form->maximumSize(), size);
  QCOMPARE(form->windowTitle(), title);
  QCOMPARE(form->List()->geometry(), QRect(10, 10, size.width() - 40, size.height() - 100));
  QStringList shown;
  // Every header whole in the desktop's font ("Напряжение", not "апряжени"), and the columns
  // filling the row with no empty strip on the right.
  QHeaderView* header = form->List()->horizontalHeader();
  const auto total = [&] {
    int sum = 0;
    for (int c = 0; c < header->count(); ++c)
      sum += header->sectionSize(c);
    return sum;
  };
  QTRY_COMPARE(total(), form->List()->viewport()->width());
  const QFontMetrics metrics(header->font());
  for (int c = 0; c < form->Picker().columnCount(); ++c) {
    const QString text = form->Picker().headerData(c, Qt::Horizontal).toString();
    shown << text;
    QVERIFY2(header->sectionSize(c) >= metrics.horizontalAdvance(text), qPrintable(text));
  }
  QCOMPARE(shown, headers);
  const int top = size.height() - 40;
  QCOMPARE(form->ScanButton()->geometry(), QRect(size.width() - 270, top, 75, 25));
  QCOMPARE(form->OKButton()->geometry(), QRect(size.width() - 180, top, 75, 25));
  QCOMPARE(form->CancelButton()->geometry(), QRect(size.width() - 90, top, 75, 25));
  QVERIFY(form->OKButton()->isDefault());
  QCOMPARE(form->CancelButton()->text(), cancel);
  QCOMPARE(form->ScanButton()->text(), language == 0 ? QStringLiteral("Стоп") : QStringLiteral("Stop"));
  QCOMPARE(form->StatusLabel()->pos(), QPoint(20, size.height() - 80));
  QVERIFY(form->StatusLabel()->font().bold() && form->StatusLabel()->font().italic());
}

void TstScanSelectForms::okWaitsForASelection() {
  TFormRig rig;
  std::unique_ptr<TScanSelectForm> form(rig.Make(QStringLiteral("ble")));
  QSignalSpy accepted(form.get(), &QDialog::accepted);
  form->show();
  rig.BLE.AddOrUpdate(QStringLiteral("C8F09E0A000B"), QStringLiteral("-50"), QStringLiteral("AxYPvA=="));
  rig.Clock.Advance(2000);
  form->Picker().Tick();
  QCOMPARE(form->Picker().rowCount(), 1);
  // A double click beside the rows selects nothing: the dialog stays.
  QTest::mouseDClick(form->List()->viewport(), Qt::LeftButton, {},
                     QPoint(5, form->List()->viewport()->height() - 5));
  QVERIFY(form->isVisible());
  QCOMPARE(accepted.size(), 0);
  // OK waits for a chosen row: with nothing chosen it would empty the setting.
  QVERIFY(!form->OKButton()->isEnabled());
  form->OKButton()->click();
  QCOMPARE(accepted.size(), 0);
  QVERIFY(form->isVisible());
  form->List()->selectRow(0);
  QVERIFY(form->OKButton()->isEnabled());
  form->OKButton()->click();
  QCOMPARE(accepted.size(), 1);
  QCOMPARE(form->Selected(), QStringLiteral("C8F09E0A000B"));
  QCOMPARE(rig.Sent, (QList<QByteArray>{">D 20;1\r\n", ">D 20;0\r\n"}));
}

void TstScanSelectForms::escapeStopsTheScan() {
  TFormRig rig;
  std::unique_ptr<TScanSelectForm> form(rig.Make(QStringLiteral("lbs")));
  QSignalSpy rejected(form.get(), &QDialog::rejected);
  form->show();
  QTest::keyClick(form.get(), Qt::Key_Escape);
  QCOMPARE(rejected.size(), 1);
  QCOMPARE(rig.Sent, (QList<QByteArray>{">D 22;1\r\n", ">D 22;0\r\n"}));
}

void TstScanSelectForms::headerClicksSort() {
  TFormRig rig;
  rig.Dictionary.SetLanguage(1);
  std::unique_ptr<TScanSelectForm> form(rig.Make(QStringLiteral("wifi")));
  form->show();
  rig.WiFi.AddOrUpdate(QStringLiteral("01"), QStringLiteral("-80"), QStringLiteral("beta"));
  rig.WiFi.AddOrUpdate(QStringLiteral("02"), QStringLiteral("-40"), QStringLiteral("Alpha"));
  form->Picker().Refresh();
  QHeaderView* header = form->List()->horizontalHeader();
  QCOMPARE(header->sortIndicatorSection(), 2);
  QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
  const auto click = [header](int aSection) {
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(aSection) + 5, header->height() / 2));
  };
  click(1);
  QCOMPARE(form->Picker().Row(0).Cells.at(1), QStringLiteral("Alpha"));
  QCOMPARE(header->sortIndicatorSection(), 1);
  QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
  form->List()->selectRow(0);
  click(1);
  QCOMPARE(form->Picker().Row(0).Cells.at(1), QStringLiteral("beta"));
  // The selection followed its row.
  QCOMPARE(form->List()->selectionModel()->selectedRows(1).value(0).data().toString(),
           QStringLiteral("Alpha"));
}

void TstScanSelectForms::settingsButtonOpensItsPicker_data() {
  QTest::addColumn<int>("number");
  QTest::addColumn<QString>("dialog");
  QTest::addColumn<QString>("value");
  // Without a port the page is built as the first settings version.
  QTest::newRow("BLE sensor") << 230 << "BLEDeviceSelectForm"
                              << "C8F09E0A0008";
  QTest::newRow("Wi-Fi network") << 106 << "WiFiSelectForm"
                                 << "Velmora-Office";
  QTest::newRow("cell") << 46 << "LBSSelectForm"
                        << "1234;5678";
}

void TstScanSelectForms::settingsButtonOpensItsPicker() {
  QFETCH(int, number);
  QFETCH(QString, dialog);
  QFETCH(QString, value);
  const QString path = AppDataFolder() + "/305.json";
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(
      QStringLiteral(R"({"data":{"settingViewList":[{"alias":"305_%1_1","type":"string","textBefore":"t",
      "setting":{"number":%1,"type":"string","length":32}}],
      "sectionList":[{"name":"one","subSectionList":[{"id":"s1","name":"n1","settingViewAliasList":["305_%1_1"]}]}]}})")
          .arg(number)
          .toUtf8());
  file.close();
  QVERIFY(file.open(QIODevice::ReadOnly));
  QVERIFY(file.setFileTime(QDateTime(QDate(2100, 1, 1), QTime(0, 0)), QFileDevice::FileModificationTime));
  file.close();
  TRegistry registry;
  TMF window(registry, [] { return false; });
  window.SetRadios(TMF::TRadios{[] { return std::make_unique<TFakeBLEScanner>(false); },
                                [] { return std::make_unique<TFakeWiFiScanner>(false); }});
  window.SetLanguage(1);
  window.ControlsLoadSettings("305");
  QFile::remove(path);
  window.show();
  auto* control = window.findChild<TStringWithButtonClass*>();
  QVERIFY(control);
  QCOMPARE(control->Settings(), number);
  control->SetValue(QStringLiteral("kept"));
  control->Button()->click();
  QPointer<TScanSelectForm> form = window.findChild<TScanSelectForm*>();
  QVERIFY(form);
  QCOMPARE(form->objectName(), dialog);
  FeedScript(window);
  QTRY_VERIFY_WITH_TIMEOUT(form->Picker().rowCount() > 2, 5000);
  // Nothing chosen: OK waits, and Enter leaves the setting as it was.
  QVERIFY(!form->OKButton()->isEnabled());
  QTest::keyClick(form, Qt::Key_Return);
  QVERIFY(form && form->isVisible());
  QVariant before;
  QVERIFY(control->GetValue(before));
  QCOMPARE(before.toString(), QStringLiteral("kept"));
  form->List()->selectRow(0);
  form->OKButton()->click();
  QTRY_VERIFY(!form);
  QVariant shown;
  QVERIFY(control->GetValue(shown));
  QCOMPARE(shown.toString(), value);
}

void TstScanSelectForms::longCellGivesWayNotTheOtherColumns() {
  TRegistry registry;
  TMF window(registry, [] { return false; });
  window.SetRadios(TMF::TRadios{[] { return std::make_unique<TFakeBLEScanner>(false); },
                                [] { return std::make_unique<TFakeWiFiScanner>(false); }});
  window.SetLanguage(0);
  QPointer<TScanSelectForm> form = window.ShowScanPicker(slBLE, {});
  QVERIFY(form);
  FeedScript(window);
  QTRY_VERIFY_WITH_TIMEOUT(form->Picker().rowCount() > 2, 5000);
  QTableView* list = form->List();
  QHeaderView* header = list->horizontalHeader();
  // The beacon's long name would push the columns after it out of sight; the row keeps them all.
  const auto total = [&] {
    int sum = 0;
    for (int c = 0; c < header->count(); ++c)
      sum += header->sectionSize(c);
    return sum;
  };
  QTRY_COMPARE(total(), list->viewport()->width());
  const QFontMetrics metrics(header->font());
  QModelIndex cut;
  for (int c = 0; c < header->count(); ++c) {
    const QString text = form->Picker().headerData(c, Qt::Horizontal).toString();
    QVERIFY2(header->sectionSize(c) >= metrics.horizontalAdvance(text), qPrintable(text));
    for (int r = 0; r < form->Picker().rowCount() && !cut.isValid(); ++r) {
      const QModelIndex index = form->Picker().index(r, c);
      if (list->sizeHintForIndex(index).width() > header->sectionSize(c))
        cut = index;
    }
  }
  // A cell that is still cut tells its whole text on hovering.
  QVERIFY(cut.isValid());
  const QRect cell = list->visualRect(cut);
  QHelpEvent help(QEvent::ToolTip, cell.center(), list->viewport()->mapToGlobal(cell.center()));
  QApplication::sendEvent(list->viewport(), &help);
  QTRY_COMPARE(QToolTip::text(), cut.data().toString());
  form->reject();
}

void TstScanSelectForms::screenshots() {
  const QString dir = qEnvironmentVariable("VELMORA_SHOTS_DIR");
  if (dir.isEmpty())
    QSKIP("VELMORA_SHOTS_DIR is not set");
  QVERIFY(QDir().mkpath(dir));
  TRegistry registry;
  TMF window(registry, [] { return false; });
  window.SetRadios(TMF::TRadios{[] { return std::make_unique<TFakeBLEScanner>(false); },
                                [] { return std::make_unique<TFakeWiFiScanner>(false); }});
  window.resize(1280, 800);
  window.show();
  for (int theme : {1, 2}) { // dark, light
    window.SetStyleMode(theme);
    for (int language : {0, 1}) {
      window.SetLanguage(language);
      for (TScanList list : {slBLE, slWiFi, slCellTower}) {
        QPointer<TScanSelectForm> form = window.ShowScanPicker(list, {});
        QVERIFY(form);
        FeedScript(window);
        QTRY_VERIFY_WITH_TIMEOUT(form->Picker().rowCount() > 2, 5000);
        if (list == slWiFi)
          form->List()->selectRow(1);
        const QString name = QStringLiteral("%1/%2_%3_%4.png")
                                 .arg(dir,
                                      list == slBLE    ? QStringLiteral("ble")
                                      : list == slWiFi ? QStringLiteral("wifi")
                                                       : QStringLiteral("cells"),
                                      language == 0 ? QStringLiteral("ru") : QStringLiteral("en"),
                                      theme == 1 ? QStringLiteral("dark") : QStringLiteral("light"));
        QVERIFY(form->grab().save(name));
        form->reject();
        QTRY_VERIFY(!form);
      }
    }
  }
}

QTEST_MAIN(TstScanSelectForms)
#include "tst_scan_select_forms.moc"
