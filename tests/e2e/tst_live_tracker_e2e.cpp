// The real window against the simulated tracker on a pseudo-terminal: detection, identity poll,
// and the monitor filling with what the device reports.

#include "core/comm_port_driver.h"
#include "core/pty_fixture.h"
#include "device/port_info.h"
#include "monitor/item_class.h"
#include "platform/registry.h"
#include "sim_window_fixture.h"
#include "ui/hint_stack.h"
#include "ui/tmf.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

struct TSimulatedWindow : TSimWindowBase {
  bool Start(const QStringList& aArgs) {
    if (!StartSimulator(aArgs + QStringList{QStringLiteral("--rate"), QStringLiteral("300")}))
      return false;
    CreateWindow().show();
    return true;
  }
  QString Value(const char* aIdent) {
    auto* item = qobject_cast<TItemClass*>(Window->VisualFind(QString::fromLatin1(aIdent)));
    return item ? item->Value().toString() : QString();
  }
};

// A device scripted by the test on a pseudo-terminal of its own, for exact first chunks.
struct TScriptedWindow {
  QTemporaryDir Dir;
  TPtyPeer Device;
  TRegistry Registry;
  std::unique_ptr<TMF> Window;

  // Opens the window on the terminal and waits until the port is selected and open.
  bool Start(const QString& aHardwareId = QStringLiteral("USB\\VID_0483&PID_5740&REV_0200")) {
    const QString link = Dir.filePath(QStringLiteral("dev0"));
    if (!Device.IsOpen() || !QFile::link(Device.SlavePath(), link))
      return false;
    qputenv("VELMORA_EXTRA_PORTS", (link + QLatin1Char('=') + aHardwareId).toLocal8Bit());
    Registry.DeleteKey(QStringLiteral("Forms"));
    Window = std::make_unique<TMF>(Registry, [] { return false; });
    Window->resize(1280, 800);
    Window->show();
    return QTest::qWaitFor([this] { return Window->Q() && Window->Q()->Com()->Connected(); }, 10000);
  }
  // Every line the window has sent to the device.
  QList<QByteArray> Lines() { return Device.Received().split('\n'); }
};

bool SimulatorBuilt() {
  return QFileInfo::exists(qEnvironmentVariable("VELMORA_BIN_DIR") + QStringLiteral("/velmora-devsim"));
}

} // namespace

class TstLiveTrackerE2E : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void trackerFillsTheMonitor();
  void typeNinetyNineIsAskedOnce();
  void freshDeviceStartsTheFactoryStep();
  void identityInTheFirstChunkIsKept();
  void clockDeviceIsSetAtDetection();
  void typedPasswordGoesInTheDevicesCodePage();
  void languageChoiceAsksForTheType();
};

void TstLiveTrackerE2E::trackerFillsTheMonitor() {
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  TSimulatedWindow sim;
  QVERIFY(sim.Start({QStringLiteral("--gen"), QStringLiteral("1"), QStringLiteral("--type"),
                     QStringLiteral("303"), QStringLiteral("--id"), QStringLiteral("12345")}));
  TMF& w = *sim.Window;
  QTRY_COMPARE_WITH_TIMEOUT(w.Core().Version(), vtVersion1, 10000);
  QVERIFY(sim.HintShown(w.Translate(QStringLiteral("mes_devicestart"))));
  QCOMPARE(w.CurrentPage(), pgInfo);
  // Identity, asked for by the poll and reported by the device.
  QTRY_COMPARE_WITH_TIMEOUT(w.Q()->DeviceName(), QStringLiteral("12345"), 10000);
  QTRY_VERIFY_WITH_TIMEOUT(!w.Q()->DeviceIMEI().isEmpty(), 10000);
  QCOMPARE(w.Q()->DeviceVer(), QStringLiteral("303"));
  QCOMPARE(w.Q()->DataPrint().DeviceName, QStringLiteral("VT-303"));
  // Asked for: by the port's type request before detection, and by the poll when the answer had
  // not completed the identity by then.
  QVERIFY(sim.Sent().contains(QStringLiteral(">I 7\r\n")));
  QVERIFY(w.windowTitle().startsWith(QStringLiteral("VT-303 - 12345 - ")));
  // Position, power, modem, servers, storage, CAN and pins.
  for (const char* ident : {"_Latitude", "_Longitude", "_Speed", "_ExternalVoltage", "_ModemOperator",
                            "_Server1", "_StrorageSendServer1", "_CanSpeed", "_CanMileage", "1 _InOut"})
    QTRY_VERIFY2_WITH_TIMEOUT(!sim.Value(ident).isEmpty(), ident, 5000);
  // The poll stops at its next tick once the identity is complete (at detection already, when
  // the answer to the type request completed it).
  QTRY_VERIFY_WITH_TIMEOUT(!w.Q()->WaitInfo(), 10000);
  w.Poll().CheckNameTimerTimer();
  QVERIFY(!w.Poll().CheckNameTimer().isActive());
}

void TstLiveTrackerE2E::typeNinetyNineIsAskedOnce() {
  // A device that has said only its type: every poll tick uses the type's own request.
  TScriptedWindow sim;
  QVERIFY(sim.Start());
  TMF& w = *sim.Window;
  QVERIFY(sim.Device.Write(">DI=99;3;7;2\r\n"));
  QTRY_COMPARE_WITH_TIMEOUT(w.Q()->DeviceVer(), QStringLiteral("99"), 10000);
  // One for the type that changed, one from the poll's tick at detection.
  const auto asked = [&] { return sim.Lines().count(QByteArray(">I 36\r")); };
  QTRY_COMPARE_WITH_TIMEOUT(asked(), 2, 2000);
  w.Poll().CheckNameTimerTimer();
  QTRY_COMPARE_WITH_TIMEOUT(asked(), 3, 2000);
  const QList<QByteArray> lines = sim.Lines();
  QVERIFY(!lines.mid(lines.indexOf(QByteArray(">I 36\r"))).contains(QByteArray(">I 7\r")));
}

void TstLiveTrackerE2E::freshDeviceStartsTheFactoryStep() {
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  TSimulatedWindow sim;
  QVERIFY(sim.Start({QStringLiteral("--gen"), QStringLiteral("1"), QStringLiteral("--type"),
                     QStringLiteral("303"), QStringLiteral("--id"), QStringLiteral("0")}));
  QTRY_COMPARE_WITH_TIMEOUT(sim.Window->Q()->DeviceName(), QStringLiteral("0"), 10000);
  // The step reaches the RFID flow, which has no registration service here: it says so and waits.
  QTRY_VERIFY_WITH_TIMEOUT(sim.HintShown(sim.Window->Translate(QStringLiteral("fac_notconfigured"))), 10000);
  QCOMPARE(int(sim.Window->Q()->Operation()), 0);
  QCOMPARE(int(sim.Window->Poll().UpdateOperation()), 0);
}

void TstLiveTrackerE2E::identityInTheFirstChunkIsKept() {
  // The very records that decide detection carry the type: the poll must use the type's own
  // request from its first tick, and the monitor must show what they said.
  TScriptedWindow sim;
  QVERIFY(sim.Start());
  TMF& w = *sim.Window;
  QVERIFY(sim.Device.Write(">DI=99;3;7;2\r\n>DN=4242\r\n>GK=55.751244;37.618423\r\n"));
  QTRY_COMPARE_WITH_TIMEOUT(w.Core().Version(), vtVersion1, 10000);
  QTRY_COMPARE_WITH_TIMEOUT(w.Q()->DeviceVer(), QStringLiteral("99"), 2000);
  QCOMPARE(w.Q()->DeviceName(), QStringLiteral("4242"));
  QTRY_VERIFY_WITH_TIMEOUT(sim.Lines().contains(QByteArray(">I 36\r")), 2000);
  QVERIFY(!sim.Lines().contains(QByteArray(">I 0\r")));
  auto* latitude = qobject_cast<TItemClass*>(w.VisualFind(QStringLiteral("_Latitude")));
  QVERIFY(latitude);
  QCOMPARE(latitude->Value().toString(), QStringLiteral("55.751244"));

  auto* name = qobject_cast<TItemClass*>(w.VisualFind(QStringLiteral("_DeviceID")));
  QVERIFY(name);
  QCOMPARE(name->Value().toString(), QStringLiteral("4242"));

  // A new detection (another device, a replay) starts from an empty page.
  w.Core().SetVersion(vtDetect);
  QVERIFY(TBaseClass::IsEmptyValue(latitude->Value()));
  QVERIFY(TBaseClass::IsEmptyValue(name->Value()));
}

void TstLiveTrackerE2E::clockDeviceIsSetAtDetection() {
  TScriptedWindow sim;
  QVERIFY(sim.Start());
  TMF& w = *sim.Window;
  QVERIFY(sim.Device.Write(">DI=90;1;2;0\r\n>DN=901\r\n"));
  QTRY_COMPARE_WITH_TIMEOUT(w.Core().Version(), vtVersion1, 10000);
  // The identity poll's first tick runs at detection: the clock goes out within a second.
  QTRY_VERIFY_WITH_TIMEOUT(
      [&] {
        for (const QByteArray& line : sim.Lines())
          if (line.startsWith(">UNIX="))
            return true;
        return false;
      }(),
      1000);
}

void TstLiveTrackerE2E::typedPasswordGoesInTheDevicesCodePage() {
  // The service adapter's identity: a read-locked device that takes its password as a typed line.
  TScriptedWindow sim;
  QVERIFY(sim.Start(QStringLiteral("USB\\VID_0483&PID_5742&REV_0200")));
  TMF& w = *sim.Window;
  QVERIFY(w.Q()->ReadLocked());
  w.findChild<QLineEdit*>(QStringLiteral("PasswordEdit"))->setText(QString::fromUtf8("пароль"));
  QTRY_VERIFY_WITH_TIMEOUT(sim.Lines().contains(QByteArray("\xEF\xE0\xF0\xEE\xEB\xFC\r")), 2000);
}

void TstLiveTrackerE2E::languageChoiceAsksForTheType() {
  TScriptedWindow sim;
  QVERIFY(sim.Start());
  const auto typeRequests = [&] { return sim.Lines().count(QByteArray(">I 7\r")); };
  QTest::qWait(100);
  const qsizetype before = typeRequests();
  sim.Window->findChild<QToolButton*>(QStringLiteral("ButtonRU"))->click();
  QTRY_COMPARE_WITH_TIMEOUT(typeRequests(), before + 1, 2000);
}

QTEST_MAIN(TstLiveTrackerE2E)
#include "tst_live_tracker_e2e.moc"
