// The real window against the simulated generation-2 tracker and fuel-sensor master on
// pseudo-terminals: detection, what the monitor shows, and exactly which bytes each device got.

#include "device/port_info.h"
#include "monitor/caption_class.h"
#include "monitor/item_class.h"
#include "platform/registry.h"
#include "protocols/gen3_decoder.h"
#include "sim_window_fixture.h"
#include "ui/hint_stack.h"
#include "ui/tmf.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
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
  // Kept beside the test's per-user folder, for a look at what the technician would see.
  void Screenshot(const QString& aName) {
    const QString dir = QDir::home().filePath(QStringLiteral("screenshots"));
    QDir().mkpath(dir);
    QVERIFY(Window->grab().save(QDir(dir).filePath(aName)));
  }
};

bool SimulatorBuilt() {
  return QFileInfo::exists(qEnvironmentVariable("VELMORA_BIN_DIR") + QStringLiteral("/velmora-devsim"));
}

// The bytes with every whole ">I 7" line taken out.
QByteArray WithoutTypeRequests(QByteArray aBytes) {
  return aBytes.replace(">I 7\r\n", "");
}

} // namespace

class TstLegacyAndFuelE2E : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void legacyTrackerFillsTheMonitor();
  void silentMasterIsProbedOnceAndAnswersInTurn();
  void lostAnswerDoesNotBlockLaterRequests();
};

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
  QCOMPARE(WithoutTypeRequests(sim.Received()), Hex("3110B0AB"));

  // The slot list, asked for as the settings page or the command menu asks: the data of each
  // slot follows, one request per answer.
  w.Q()->SendAnsiString(Gen3::Request(Gen3::kSlotList));
  const QByteArray expected =
      Hex("3110B0AB") + Hex("3110B1F5") + Gen3::Request(Gen3::kSensorData, Hex("00")) +
      Gen3::Request(Gen3::kSensorData, Hex("01")) + Gen3::Request(Gen3::kSensorData, Hex("02"));
  QTRY_COMPARE_WITH_TIMEOUT(WithoutTypeRequests(sim.Received()).toHex(), expected.toHex(), 5000);
  QTRY_COMPARE_WITH_TIMEOUT(w.Q()->QueuedCount(), 0, 5000);
  // Nothing of the text protocol went to the master once it was known, whatever repainted. (The
  // window may ask an undetected port for its type before the probe; that is taken out above.)
  w.SetLanguage(0);
  w.SetLanguage(1);
  w.repaint();
  QTest::qWait(2500);
  QCOMPARE(WithoutTypeRequests(sim.Received()).toHex(), expected.toHex());
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
  QTRY_COMPARE_WITH_TIMEOUT(WithoutTypeRequests(sim.Received()).toHex(),
                            (info + restart + restart + info).toHex(), 10000);
  QTRY_VERIFY_WITH_TIMEOUT(sim.HintShown(w.Translate(QStringLiteral("mes_SUCCESS"))), 5000);
  QCOMPARE(port->QueuedCount(), 0);
}

QTEST_MAIN(TstLegacyAndFuelE2E)
#include "tst_legacy_and_fuel_e2e.moc"
