// A recorded session of the simulated tracker, saved as a log file and played back into the
// VIRTUAL port, shows the same monitor values as the live session did.

#include "core/log_file.h"
#include "core/virtual_comm_driver.h"
#include "device/port_info.h"
#include "monitor/item_class.h"
#include "platform/registry.h"
#include "ui/port_button.h"
#include "ui/tmf.h"

#include <QAbstractSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

namespace {
QString Value(TMF& aWindow, const char* aIdent) {
  auto* item = qobject_cast<TItemClass*>(aWindow.VisualFind(QString::fromLatin1(aIdent)));
  return item ? item->Value().toString() : QString();
}
} // namespace

class TstReplayE2E : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void recordedSessionPlaysBack();
  void typedSpeedReachesTheReplay_data();
  void typedSpeedReachesTheReplay();
};

void TstReplayE2E::recordedSessionPlaysBack() {
  const QString bin = qEnvironmentVariable("VELMORA_BIN_DIR") + QStringLiteral("/velmora-devsim");
  if (!QFileInfo::exists(bin))
    QSKIP("velmora-devsim is not built");
  QTemporaryDir dir;
  const QString link = dir.filePath(QStringLiteral("sim0"));
  const QString logFile = dir.filePath(QStringLiteral("session.log"));
  QString liveLatitude;
  QString liveId;
  {
    QProcess simulator;
    simulator.start(bin, {QStringLiteral("--gen"), QStringLiteral("1"), QStringLiteral("--id"),
                          QStringLiteral("5151"), QStringLiteral("--rate"), QStringLiteral("200"),
                          QStringLiteral("--link"), link});
    QVERIFY(simulator.waitForStarted(5000));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(link), 5000);
    qputenv("VELMORA_EXTRA_PORTS", (link + QStringLiteral("=USB\\VID_0483&PID_5740")).toLocal8Bit());
    TRegistry registry;
    TMF live(registry, [] { return false; });
    QTRY_COMPARE_WITH_TIMEOUT(live.Core().Version(), vtVersion1, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!Value(live, "_Latitude").isEmpty(), 10000);
    QTest::qWait(1000); // a few status sets: the vehicle moves between them
    // Read and save in one go, so the log ends with what the monitor shows.
    liveLatitude = Value(live, "_Latitude");
    liveId = live.Q()->DeviceName();
    QString error;
    QVERIFY2(SaveLogFile(logFile, live.Core().TrafficLog(), live.Core().ViewIndex(), false, &error),
             qPrintable(error));
    simulator.terminate();
    simulator.waitForFinished(5000);
  }
  QCOMPARE(liveId, QStringLiteral("5151"));

  qunsetenv("VELMORA_EXTRA_PORTS");
  TRegistry registry;
  TMF replay(registry, [] { return false; });
  QVERIFY(replay.OpenReplay(logFile));
  QVERIFY(replay.ReplayDriver());
  QCOMPARE(replay.Q()->PortName(), QStringLiteral("VIRTUAL"));
  QVERIFY(replay.findChildren<TPortButton*>().size() >= 1);
  replay.ReplayDriver()->SetSpeedFactor(20);
  replay.ReplayPlay();
  QTRY_COMPARE_WITH_TIMEOUT(replay.Core().Version(), vtVersion1, 10000);
  QTRY_COMPARE_WITH_TIMEOUT(Value(replay, "_DeviceID"), QStringLiteral("5151"), 10000);
  // At the end of the log the monitor shows what it showed live when the log was saved.
  QTRY_VERIFY_WITH_TIMEOUT(!replay.ReplayDriver()->Playing(), 20000);
  QCOMPARE(Value(replay, "_Latitude"), liveLatitude);

  // Closing takes the VIRTUAL port and its button away.
  const int buttons = int(replay.findChildren<TPortButton*>().size());
  replay.CloseReplay();
  QVERIFY(!replay.Discovery().VirtualPort());
  QTRY_COMPARE(int(replay.findChildren<TPortButton*>().size()), buttons - 1);
  QCOMPARE(replay.Discovery().PortIndex(), -1);
}

void TstReplayE2E::typedSpeedReachesTheReplay_data() {
  QTest::addColumn<QLocale>("locale");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<double>("factor");
  const QLocale ru(QLocale::Russian, QLocale::Russia);
  const QLocale en(QLocale::English, QLocale::UnitedStates);
  QTest::newRow("half speed, decimal comma") << ru << "0,5" << 0.5;
  QTest::newRow("one and a half") << en << "1.5" << 1.5;
  QTest::newRow("whole number") << en << "7" << 7.0;
  QTest::newRow("faster than the arrows go") << en << "32" << 32.0;
  QTest::newRow("zero is not a speed") << en << "0" << 1.0;
}

void TstReplayE2E::typedSpeedReachesTheReplay() {
  QFETCH(QLocale, locale);
  QFETCH(QString, typed);
  QFETCH(double, factor);
  const QLocale before;
  QLocale::setDefault(locale);
  const auto restore = qScopeGuard([&] { QLocale::setDefault(before); });
  QTemporaryDir dir;
  const QString logFile = dir.filePath(QStringLiteral("short.log"));
  QFile file(logFile);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write("10:00:00.000\t>A=1\r\n10:00:10.000\t>A=2\r\n");
  file.close();
  TRegistry registry;
  TMF window(registry, [] { return false; });
  window.ShowReplayPanel(true);
  QVERIFY(window.OpenReplay(logFile));
  auto* speed = window.findChild<QAbstractSpinBox*>(QStringLiteral("VirtualSpeed"));
  QVERIFY(speed);
  QCOMPARE(speed->text(), QStringLiteral("1"));
  QCOMPARE(window.ReplayDriver()->SpeedFactor(), 1.0);
  // The arrows step whole speeds and stop at 1.
  QTest::keyClick(speed, Qt::Key_Up);
  QCOMPARE(window.ReplayDriver()->SpeedFactor(), 2.0);
  QTest::keyClick(speed, Qt::Key_Down);
  QTest::keyClick(speed, Qt::Key_Down);
  QCOMPARE(speed->text(), QStringLiteral("1"));
  speed->selectAll();
  QTest::keyClicks(speed, typed);
  QCOMPARE(window.ReplayDriver()->SpeedFactor(), factor);
}

QTEST_MAIN(TstReplayE2E)
#include "tst_replay_e2e.moc"
