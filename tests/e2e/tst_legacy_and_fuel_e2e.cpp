// The real window against the simulated generation-2 tracker and fuel-sensor master on
// pseudo-terminals: detection, what the monitor shows, the master's settings page built from a
// schema the web-services simulator serves, and exactly which bytes each device got.

#include "device/port_info.h"
#include "monitor/caption_class.h"
#include "monitor/item_class.h"
#include "platform/app_paths.h"
#include "platform/registry.h"
#include "protocols/gen3_decoder.h"
#include "settings/controls/control_class.h"
#include "settings/controls/tab_panel.h"
#include "sim_window_fixture.h"
#include "ui/hint_stack.h"
#include "ui/tmf.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray Hex(const char* aHex) {
  return QByteArray::fromHex(aHex);
}

struct TSimulatedDevice : TSimWindowBase {
  QString ReceivedFile() const { return Dir.filePath(QStringLiteral("received.bin")); }

  bool Start(const QStringList& aArgs) {
    if (!StartSimulator(aArgs + QStringList{QStringLiteral("--received"), ReceivedFile()}))
      return false;
    CreateWindow().show();
    return true;
  }
  QByteArray Received() const {
    QFile file(ReceivedFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  QString Value(const char* aIdent) {
    auto* item = qobject_cast<TItemClass*>(Window->VisualFind(QString::fromLatin1(aIdent)));
    return item ? item->Value().toString() : QString();
  }
  // The value of a settings control, as its edit box shows it.
  QString Setting(const char* aIdent) {
    auto* control = qobject_cast<TControlClass*>(Window->VisualFind(QString::fromLatin1(aIdent)));
    return control && control->Edit() ? control->Edit()->text() : QStringLiteral("<none>");
  }
  // Kept beside the test's per-user folder, for a look at what the technician would see.
  void Screenshot(const QString& aName) {
    const QString dir = QDir::home().filePath(QStringLiteral("screenshots"));
    QDir().mkpath(dir);
    QVERIFY(Window->grab().save(QDir(dir).filePath(aName)));
  }
};

// The settings web service played by velmora-websim, serving the master's schema that only the
// tests carry.
struct TSettingsService {
  QProcess WebSim;
  ~TSettingsService() {
    WebSim.terminate();
    WebSim.waitForFinished(5000);
    qunsetenv("VELMORA_SETTINGS_SERVICE");
  }
  bool Start() {
    WebSim.start(qEnvironmentVariable("VELMORA_BIN_DIR") + QStringLiteral("/velmora-websim"),
                 {QStringLiteral("--module"),
                  qEnvironmentVariable("VELMORA_SOURCE_DIR") + QStringLiteral("/tests/data/250.json")});
    if (!WebSim.waitForStarted(5000) || !WebSim.waitForReadyRead(5000))
      return false;
    const QByteArray base = WebSim.readLine().trimmed();
    qputenv("VELMORA_SETTINGS_SERVICE", base);
    return base.startsWith("http://127.0.0.1:");
  }
};

QString InstalledSchema() {
  return QDir(AppDataFolder()).filePath(QStringLiteral("250.json"));
}

// Captions and values of the lines in a section's body, in order.
QStringList ResultLines(TCaptionClass* aSection) {
  QStringList lines;
  if (aSection)
    for (QObject* child : aSection->Body()->children())
      if (auto* item = qobject_cast<TItemClass*>(child))
        lines << item->Caption() + QStringLiteral(" = ") + item->Value().toString();
  return lines;
}

// A first start fetches the schema of the master from the settings service; nothing is plugged
// in yet.
bool FetchMasterSchema(TSettingsService& aService) {
  if (!aService.Start())
    return false;
  qunsetenv("VELMORA_EXTRA_PORTS");
  TRegistry registry;
  registry.DeleteKey(QStringLiteral("Forms"));
  TMF first(registry, [] { return false; });
  return QTest::qWaitFor([] { return QFileInfo::exists(InstalledSchema()); }, 15000);
}

bool SimulatorBuilt() {
  return QFileInfo::exists(qEnvironmentVariable("VELMORA_BIN_DIR") + QStringLiteral("/velmora-devsim"));
}

bool WebSimulatorBuilt() {
  return QFileInfo::exists(qEnvironmentVariable("VELMORA_BIN_DIR") + QStringLiteral("/velmora-websim"));
}

// The bytes with every whole ">I 7" line taken out.
QByteArray WithoutTypeRequests(QByteArray aBytes) {
  return aBytes.replace(">I 7\r\n", "");
}

} // namespace

class TstLegacyAndFuelE2E : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void init();
  void legacyTrackerFillsTheMonitor();
  void silentMasterIsProbedOnceAndAnswersInTurn();
  void lostAnswerDoesNotBlockLaterRequests();
  void lateAnswerLeavesEverySlotItsOwnData();
  void masterSettingsPageWritesOneChangedSlot();
};

void TstLegacyAndFuelE2E::init() {
  // Only the test that downloads the master's schema has one.
  QFile::remove(InstalledSchema());
}

void TstLegacyAndFuelE2E::legacyTrackerFillsTheMonitor() {
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  TSimulatedDevice sim;
  // Records split into 7-byte pieces on the line.
  QVERIFY(sim.Start({"--gen", "2", "--fixed", "--rate", "300", "--chunk", "7", "--chunk-gap", "2"}));
  TMF& w = *sim.Window;
  QTRY_COMPARE_WITH_TIMEOUT(w.Core().Version(), vtVersion2, 10000);
  w.act_PageInfo();
  // Values decided during detection are shown from the next period on.
  QTRY_COMPARE_WITH_TIMEOUT(sim.Value("OD7"), QStringLiteral("1"), 5000);
  QTRY_COMPARE_WITH_TIMEOUT(sim.Value("_Latitude"), QStringLiteral("55.7512"), 5000);
  QTRY_COMPARE_WITH_TIMEOUT(sim.Value("_Longitude"), QStringLiteral("37.6184"), 5000);
  // The position without altitude that follows each good one leaves the altitude shown.
  QTRY_COMPARE_WITH_TIMEOUT(sim.Value("_Altitude"), QStringLiteral("152"), 5000);
  QTRY_COMPARE_WITH_TIMEOUT(sim.Value("_Speed"), QStringLiteral("45.12"), 5000);
  QTRY_COMPARE_WITH_TIMEOUT(sim.Value("_Satellites"), QStringLiteral("9"), 5000);
  QTRY_COMPARE_WITH_TIMEOUT(sim.Value("_Uptime"), QStringLiteral("01 01:01:01"), 5000);
  QTRY_VERIFY_WITH_TIMEOUT(!sim.Value("_InternalTtime").isEmpty(), 5000);
  QTRY_COMPARE_WITH_TIMEOUT(sim.Value("_ModemStatus"), QStringLiteral("GPRS активирован в домашней сети"),
                            5000);
  QTRY_COMPARE_WITH_TIMEOUT(sim.Value("ML2"), QStringLiteral("MTS"), 5000);
  QTRY_COMPARE_WITH_TIMEOUT(sim.Value("_ModemInSMS"), QStringLiteral("3"), 5000);
  QTRY_COMPARE_WITH_TIMEOUT(sim.Value("_ExternalVoltage"), QStringLiteral("12.345"), 5000);
  QTRY_COMPARE_WITH_TIMEOUT(sim.Value("_BatteryVoltage"), QStringLiteral("4.1"), 5000);
  QTRY_COMPARE_WITH_TIMEOUT(sim.Value("ID0"), QStringLiteral("1"), 5000);
  QTRY_COMPARE_WITH_TIMEOUT(sim.Value("ID1"), QStringLiteral("0"), 5000);
  // The lines made on the fly sit in their sections.
  auto* modem = qobject_cast<TCaptionClass*>(w.VisualFind(QStringLiteral("_GSMModem")));
  QVERIFY(modem && w.VisualFind(QStringLiteral("ML"))->parentWidget() == modem->Body());
  QVERIFY(sim.HintShown(w.Translate(QStringLiteral("mes_devicestart"))));
  QTest::qWait(1000);
  sim.Screenshot(QStringLiteral("legacy_tracker_monitor.png"));
  w.SetLanguage(0);
  QTest::qWait(300);
  sim.Screenshot(QStringLiteral("legacy_tracker_monitor_ru.png"));
  w.SetStyleMode(w.StyleMode() == tmLight ? tmDark : tmLight);
  QTest::qWait(300);
  sim.Screenshot(QStringLiteral("legacy_tracker_monitor_ru_other_theme.png"));
  // The tracker only talks: nothing reached it but the window's occasional type request.
  QCOMPARE(WithoutTypeRequests(sim.Received()), QByteArray());
}

void TstLegacyAndFuelE2E::silentMasterIsProbedOnceAndAnswersInTurn() {
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  TSimulatedDevice sim;
  QVERIFY(sim.Start({"--gen", "3", "--address", "0102030405A6", "--noise", "07"}));
  TMF& w = *sim.Window;
  QTRY_COMPARE_WITH_TIMEOUT(w.Core().Version(), vtVersion3, 10000);
  QCOMPARE(w.Q()->DeviceVer(), QStringLiteral("250"));
  QTRY_COMPARE_WITH_TIMEOUT(w.Q()->DeviceName(), QStringLiteral("0102030405A6"), 5000);
  // The probe was the first and only thing the master heard: the window's own type requests to
  // the new port waited for it, and were dropped once the answer made it a master.
  QCOMPARE(sim.Received(), Hex("3110B0AB"));

  // The slot list, asked for as the settings page or the command menu asks: the data of each
  // slot follows, one request per answer.
  w.Q()->SendAnsiString(Gen3::Request(Gen3::kSlotList));
  const QByteArray expected = Hex("3110B0AB") + Hex("3110B1F5") +
                              Gen3::Request(Gen3::kSensorData, Hex("00")) +
                              Gen3::Request(Gen3::kSensorData, Hex("01")) +
                              Gen3::Request(Gen3::kSensorData, Hex("02")) + Hex("3110B0AB");
  QTRY_COMPARE_WITH_TIMEOUT(sim.Received().toHex(), expected.toHex(), 5000);
  QTRY_COMPARE_WITH_TIMEOUT(w.Q()->QueuedCount(), 0, 5000);
  // Nothing of the text protocol went to the master once it was known, whatever repainted.
  w.SetLanguage(0);
  w.SetLanguage(1);
  w.repaint();
  QTest::qWait(2500);
  QCOMPARE(sim.Received().toHex(), expected.toHex());
  sim.Screenshot(QStringLiteral("fuel_master_detected.png"));
}

void TstLegacyAndFuelE2E::lostAnswerDoesNotBlockLaterRequests() {
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  TSimulatedDevice sim;
  // The answer to the second request (the restart) never comes.
  QVERIFY(sim.Start({"--gen", "3", "--drop", "2"}));
  TMF& w = *sim.Window;
  QTRY_COMPARE_WITH_TIMEOUT(w.Core().Version(), vtVersion3, 10000);
  TPortInfo* port = w.Q();
  const QByteArray restart = Gen3::Request(Gen3::kRestart, Hex("0001"));
  const QByteArray info = Gen3::Request(Gen3::kMasterInfo);
  port->SendAnsiString(restart);
  port->SendAnsiString(info);
  // The restart is asked once more, answered, and the request queued behind it goes out.
  QTRY_COMPARE_WITH_TIMEOUT(sim.Received().toHex(), (info + restart + restart + info).toHex(), 10000);
  QTRY_VERIFY_WITH_TIMEOUT(sim.HintShown(w.Translate(QStringLiteral("mes_SUCCESS"))), 5000);
  QCOMPARE(port->QueuedCount(), 0);
}

void TstLegacyAndFuelE2E::lateAnswerLeavesEverySlotItsOwnData() {
  if (!SimulatorBuilt() || !WebSimulatorBuilt())
    QSKIP("the simulators are not built");
  TSettingsService service;
  QVERIFY(FetchMasterSchema(service));
  TSimulatedDevice sim;
  // Answers: 1 the probe, 2 the slot list, 3 the first slot's data, late enough that it was asked
  // again; the answer to that retry (4) comes a little after it, and everything behind waits.
  QVERIFY(sim.Start({"--gen", "3", "--late", "3:2200,4:1000"}));
  TMF& w = *sim.Window;
  QTRY_COMPARE_WITH_TIMEOUT(w.Core().Version(), vtVersion3, 10000);
  // The settings page asks for the slot list and then for each slot's data.
  const QByteArray slot0 = Gen3::Request(Gen3::kSensorData, Hex("00"));
  const QByteArray slot1 = Gen3::Request(Gen3::kSensorData, Hex("01"));
  const QByteArray slot2 = Gen3::Request(Gen3::kSensorData, Hex("02"));
  // The first slot asked twice, then each of the others once, in turn (the master's own
  // information is asked again after the read).
  const QByteArray read = Hex("3110B0AB") + Hex("3110B1F5") + slot0 + slot0 + slot1 + slot2;
  QTRY_VERIFY2_WITH_TIMEOUT(sim.Received().startsWith(read), sim.Received().toHex().constData(), 15000);
  QTRY_COMPARE_WITH_TIMEOUT(w.Q()->QueuedCount(), 0, 5000);
  // The simulated master's sensors read 60 and 80 in that field, the third slot is empty.
  QTRY_COMPARE_WITH_TIMEOUT(sim.Setting("sensor_3_8"), QStringLiteral("0"), 5000);
  QTest::qWait(500);
  QCOMPARE(sim.Setting("sensor_1_6"), QStringLiteral("60"));
  QCOMPARE(sim.Setting("sensor_2_6"), QStringLiteral("80"));
  QCOMPARE(sim.Setting("sensor_2_7"), QStringLiteral("800"));
  QCOMPARE(sim.Setting("sensor_3_6"), QStringLiteral("0"));
}

void TstLegacyAndFuelE2E::masterSettingsPageWritesOneChangedSlot() {
  if (!SimulatorBuilt() || !WebSimulatorBuilt())
    QSKIP("the simulators are not built");
  TSettingsService service;
  QVERIFY(FetchMasterSchema(service));

  TSimulatedDevice sim;
  QVERIFY(sim.Start({"--gen", "3"}));
  TMF& w = *sim.Window;
  QTRY_COMPARE_WITH_TIMEOUT(w.Core().Version(), vtVersion3, 10000);
  QCOMPARE(w.CurrentPage(), pgSettings);
  // The page asks for the slot list; the data of each slot follows, one request per answer, and
  // the master's information (its uptime) once more.
  const QByteArray read = Hex("3110B1F5") + Gen3::Request(Gen3::kSensorData, Hex("00")) +
                          Gen3::Request(Gen3::kSensorData, Hex("01")) +
                          Gen3::Request(Gen3::kSensorData, Hex("02")) + Hex("3110B0AB");
  QTRY_COMPARE_WITH_TIMEOUT(sim.Received().toHex(), (Hex("3110B0AB") + read).toHex(), 10000);
  // The master, its slots and the sensors in them fill the page.
  QTRY_COMPARE_WITH_TIMEOUT(sim.Setting("sensor_3_8"), QStringLiteral("0"), 5000);
  QCOMPARE(sim.Setting("master_1"), QStringLiteral("C4 10 22 07 31 5A"));
  QCOMPARE(sim.Setting("master_2"), QStringLiteral("1.07"));
  QCOMPARE(sim.Setting("master_1_1"), QStringLiteral("E2 3A 90 2B 4F 11"));
  QCOMPARE(sim.Setting("master_1_3"), QStringLiteral("10"));
  QCOMPARE(sim.Setting("master_2_3"), QStringLiteral("20"));
  QCOMPARE(sim.Setting("sensor_2_1"), QStringLiteral("E2 3A 90 5C 81 27"));
  QCOMPARE(sim.Setting("sensor_1_5"), QStringLiteral("4095"));
  QCOMPARE(sim.Setting("sensor_2_6"), QStringLiteral("80"));
  QCOMPARE(sim.Setting("sensor_2_7"), QStringLiteral("800"));
  QVERIFY(qobject_cast<TCaptionClass*>(w.VisualFind(QStringLiteral("SensorResult"))));
  QTest::qWait(500);
  sim.Screenshot(QStringLiteral("master_settings_en_dark.png"));

  // One value of the first slot changed on the page and written: one slot request, nothing more.
  auto* parameter = qobject_cast<TControlClass*>(w.VisualFind(QStringLiteral("master_1_3")));
  QVERIFY(parameter && parameter->Edit());
  parameter->Edit()->setText(QStringLiteral("33"));
  QTest::keyClick(parameter->Edit(), Qt::Key_Return);
  QAction* write = w.findChild<QAction*>(QStringLiteral("act_SetCFG"));
  QVERIFY(write->isEnabled());
  const QString uptimeBefore = sim.Setting("master_4");
  QTest::qWait(1100); // a second on the master's clock, which shows in whole seconds
  write->trigger();
  const QByteArray slot =
      Gen3::Request(Gen3::kWriteSlot, Hex("00114F2B903AE20121") + QByteArray(8, '\0')) + Hex("3110B0AB");
  QTRY_COMPARE_WITH_TIMEOUT(sim.Received().toHex(), (Hex("3110B0AB") + read + slot).toHex(), 5000);
  QTRY_VERIFY_WITH_TIMEOUT(sim.HintShown(w.Translate(QStringLiteral("mes_SUCCESS"))), 5000);
  QTest::qWait(1000);
  QCOMPARE(sim.Received().toHex(), (Hex("3110B0AB") + read + slot).toHex());
  // The master has been up a second or more longer since the page was read: it shows.
  QVERIFY(!uptimeBefore.isEmpty());
  QVERIFY2(sim.Setting("master_4") != uptimeBefore, qPrintable(uptimeBefore));

  // Read back: the master kept the new value and every other one as it was.
  w.act_GetCFG();
  QTRY_COMPARE_WITH_TIMEOUT(sim.Received().toHex(), (Hex("3110B0AB") + read + slot + read).toHex(), 5000);
  QTRY_COMPARE_WITH_TIMEOUT(w.Q()->QueuedCount(), 0, 5000);
  QTest::qWait(300);
  QCOMPARE(sim.Setting("master_1_3"), QStringLiteral("33"));
  QCOMPARE(sim.Setting("master_1_1"), QStringLiteral("E2 3A 90 2B 4F 11"));
  QCOMPARE(sim.Setting("master_1_2"), QStringLiteral("1"));
  QCOMPARE(sim.Setting("master_2_3"), QStringLiteral("20"));
  QCOMPARE(sim.Setting("sensor_1_5"), QStringLiteral("4095"));
  QCOMPARE(sim.Setting("sensor_2_7"), QStringLiteral("800"));

  // A search lists what it found in the schema's results section.
  w.Commands_Exec(QStringLiteral("FindSensors250"));
  const QByteArray all = Hex("3110B0AB") + read + slot + read + Hex("3110B869");
  QTRY_COMPARE_WITH_TIMEOUT(sim.Received().toHex(), all.toHex(), 5000);
  auto* results = qobject_cast<TCaptionClass*>(w.VisualFind(QStringLiteral("SensorResult")));
  QTRY_COMPARE_WITH_TIMEOUT(ResultLines(results).size(), 4, 5000);
  QCOMPARE(ResultLines(results).first(), QStringLiteral("LLS / -61 dB = E2 3A 90 2B 4F 11"));
  QCOMPARE(ResultLines(results).last(), QStringLiteral("type #9 / -88 dB = D7 61 88 12 EE 05"));
  for (TTabPanel* tab : w.findChildren<TTabPanel*>())
    if (tab->Dict() == QLatin1String("section.search-250"))
      QTest::mouseClick(tab, Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(results->isVisible(), 5000);
  QTest::qWait(300);
  sim.Screenshot(QStringLiteral("master_search_en_dark.png"));
  for (TTabPanel* tab : w.findChildren<TTabPanel*>())
    if (tab->Dict() == QLatin1String("section.sensors-250"))
      QTest::mouseClick(tab, Qt::LeftButton);
  QTRY_VERIFY_WITH_TIMEOUT(w.VisualFind(QStringLiteral("sensor_1_5"))->isVisible(), 5000);
  QTest::qWait(300);
  sim.Screenshot(QStringLiteral("master_sensors_en_dark.png"));
  w.act_debug();
  w.act_PageFuel();
  QTest::qWait(300);
  sim.Screenshot(QStringLiteral("fuel_page_en_dark.png"));
  w.act_PageSettings();

  w.SetLanguage(0);
  QTest::qWait(300);
  sim.Screenshot(QStringLiteral("master_settings_ru_dark.png"));
  w.SetStyleMode(tmLight);
  QTest::qWait(300);
  sim.Screenshot(QStringLiteral("master_settings_ru_light.png"));
  w.SetLanguage(1);
  QTest::qWait(300);
  sim.Screenshot(QStringLiteral("master_settings_en_light.png"));
  // Nothing of the text protocol reached the master through all of it, and reopening the page
  // asked for the slot list once more.
  QTRY_COMPARE_WITH_TIMEOUT(sim.Received().toHex(), (all + read).toHex(), 5000);
}

QTEST_MAIN(TstLegacyAndFuelE2E)
#include "tst_legacy_and_fuel_e2e.moc"
