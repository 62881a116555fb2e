// Two devices of different generations on two pseudo-terminals, the second plugged in while the
// window watches the first: each is taken for what it speaks, whatever the first one sent.

#include "core/port_list.h"
#include "device/port_info.h"
#include "monitor/item_class.h"
#include "sim_window_fixture.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

namespace {

bool SimulatorBuilt() {
  return QFileInfo::exists(qEnvironmentVariable("VELMORA_BIN_DIR") + QStringLiteral("/velmora-devsim"));
}

// The first device is the fixture's own; the second starts later behind its own link. Both links
// are listed from the start, so the second appears as a device plugged in.
struct TTwoDevices : TSimWindowBase {
  QProcess Second;

  ~TTwoDevices() {
    Window.reset();
    Second.terminate();
    Second.waitForFinished(5000);
  }

  QString SecondLink() const { return Dir.filePath(QStringLiteral("sim1")); }
  QString SecondReceivedFile() const { return Dir.filePath(QStringLiteral("second.bin")); }

  bool StartFirst(const QStringList& aArgs) {
    if (!StartSimulator(aArgs))
      return false;
    qputenv("VELMORA_EXTRA_PORTS", (Link() + QLatin1Char('=') + kSimTrackerHardwareId + QLatin1Char(',') +
                                    SecondLink() + QLatin1Char('=') + kSimTrackerHardwareId)
                                       .toLocal8Bit());
    CreateWindow().show();
    return true;
  }
  bool StartSecond(const QStringList& aArgs) {
    Second.start(qEnvironmentVariable("VELMORA_BIN_DIR") + QStringLiteral("/velmora-devsim"),
                 aArgs + QStringList{QStringLiteral("--link"), SecondLink(), QStringLiteral("--received"),
                                     SecondReceivedFile()});
    if (!Second.waitForStarted(5000))
      return false;
    for (int i = 0; i < 100 && !QFileInfo::exists(SecondLink()); ++i)
      QTest::qWait(50);
    return QFileInfo::exists(SecondLink());
  }
  // Watches the first device until it is detected and has spoken for a while (enough packets to
  // outweigh the second device's first ones), then plugs in the second; false when a step fails.
  bool FirstThenSecond(const QStringList& aFirst, TVersionType aFirstVersion, const QStringList& aSecond) {
    if (!StartFirst(aFirst))
      return false;
    TExchangeCore& core = Window->Core();
    const int generation = aFirstVersion - vtVersion0;
    return QTest::qWaitFor([&] { return core.Version() == aFirstVersion; }, 10000) &&
           QTest::qWaitFor([&] { return core.RecognisedCount(generation) > 10; }, 10000) &&
           StartSecond(aSecond);
  }
  QByteArray SecondReceived() const {
    QFile file(SecondReceivedFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  TPortInfo* Port(const QString& aName) const {
    TPortDiscovery& discovery = Window->Discovery();
    return discovery.List().Get(discovery.List().IndexByName(aName));
  }
  QString SelectedName() const { return Window->Q() ? Window->Q()->PortName() : QString(); }
  QString Value(const char* aIdent) const {
    auto* item = qobject_cast<TItemClass*>(Window->VisualFind(QString::fromLatin1(aIdent)));
    return item ? item->Value().toString() : QString();
  }
};

const QStringList kLegacyTracker{"--gen", "2", "--fixed", "--rate", "200"};
const QStringList kTracker{"--gen", "1", "--rate", "200", "--id", "4242"};

} // namespace

class TstPortSwitchE2E : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void trackerAfterLegacyDeviceGetsItsIdentityPoll();
  void legacyDeviceAfterTrackerIsNeverAskedAndSurvivesAResume();
  void silentMasterAfterLegacyDeviceIsProbedAndOpened();
};

void TstPortSwitchE2E::trackerAfterLegacyDeviceGetsItsIdentityPoll() {
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  TTwoDevices rig;
  QVERIFY(rig.FirstThenSecond(kLegacyTracker, vtVersion2, kTracker));
  TMF& w = *rig.Window;
  // The tracker talks by itself, so the window turns to it.
  QTRY_COMPARE_WITH_TIMEOUT(rig.SelectedName(), QStringLiteral("sim1"), 10000);
  QTRY_COMPARE_WITH_TIMEOUT(w.Core().Version(), vtVersion1, 10000);
  QTRY_VERIFY_WITH_TIMEOUT(rig.SecondReceived().contains(">I 0\r\n"), 10000);
  QTRY_COMPARE_WITH_TIMEOUT(w.Q()->DeviceName(), QStringLiteral("4242"), 10000);
}

void TstPortSwitchE2E::legacyDeviceAfterTrackerIsNeverAskedAndSurvivesAResume() {
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  TTwoDevices rig;
  QVERIFY(rig.FirstThenSecond(kTracker, vtVersion1, kLegacyTracker));
  TMF& w = *rig.Window;
  QTRY_COMPARE_WITH_TIMEOUT(rig.SelectedName(), QStringLiteral("sim1"), 10000);
  QTRY_COMPARE_WITH_TIMEOUT(w.Core().Version(), vtVersion2, 10000);
  w.act_PageInfo();
  QTRY_COMPARE_WITH_TIMEOUT(rig.Value("_Latitude"), QStringLiteral("55.7512"), 5000);
  // Nothing of the tracker's identity poll went to the legacy device.
  QTest::qWait(1500);
  QVERIFY2(!rig.SecondReceived().contains(">I 0"), rig.SecondReceived().constData());

  // Paused and resumed, it is still what it speaks and its records still reach the monitor.
  TPortInfo* legacy = rig.Port(QStringLiteral("sim1"));
  QVERIFY(legacy);
  w.PortPressed(legacy);
  QVERIFY(legacy->Stoped());
  w.PortPressed(legacy);
  QVERIFY(!legacy->Stoped());
  QTRY_COMPARE_WITH_TIMEOUT(w.Core().Version(), vtVersion2, 5000);
  const size_t before = w.Core().Gen2Index().size();
  QTRY_VERIFY_WITH_TIMEOUT(w.Core().Gen2Index().size() > before + 3, 5000);
  QCOMPARE(w.Core().Version(), vtVersion2);
  QTRY_COMPARE_WITH_TIMEOUT(rig.Value("_Latitude"), QStringLiteral("55.7512"), 5000);
}

void TstPortSwitchE2E::silentMasterAfterLegacyDeviceIsProbedAndOpened() {
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  TTwoDevices rig;
  QVERIFY(rig.FirstThenSecond(kLegacyTracker, vtVersion2, {"--gen", "3", "--address", "0102030405A6"}));
  TMF& w = *rig.Window;
  // A master never speaks first: the technician picks its port.
  QTRY_VERIFY_WITH_TIMEOUT(rig.Port(QStringLiteral("sim1")) && rig.Port(QStringLiteral("sim1"))->Exist(),
                           10000);
  w.PortPressed(rig.Port(QStringLiteral("sim1")));
  QCOMPARE(rig.SelectedName(), QStringLiteral("sim1"));
  QTRY_COMPARE_WITH_TIMEOUT(w.Core().Version(), vtVersion3, 10000);
  QCOMPARE(w.Q()->DeviceVer(), QStringLiteral("250"));
  QVERIFY(rig.SecondReceived().startsWith(QByteArray::fromHex("3110B0AB")));
  QTRY_COMPARE_WITH_TIMEOUT(w.Q()->DeviceName(), QStringLiteral("0102030405A6"), 5000);
}

QTEST_MAIN(TstPortSwitchE2E)
#include "tst_port_switch_e2e.moc"
