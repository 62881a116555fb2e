// The real window against the simulated tracker on a pseudo-terminal: reading the memory and the
// stored files, loading firmware over the line and onto the loader disk, and the watchdog.

#include "device/device_operations.h"
#include "device/port_info.h"
#include "platform/registry.h"
#include "sim_window_fixture.h"
#include "ui/hint_stack.h"
#include "ui/operation_dialogs.h"
#include "ui/tmf.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

namespace {

// Answers the operation dialogs as a technician would, without a modal dialog.
class TScriptedDialogs : public IOperationDialogs {
public:
  QString Open;
  QString Save;
  QString FolderAnswer;
  QString OpenFile(QWidget*, const QString&) override { return Open; }
  QString SaveFile(QWidget*, const QString&, const QString&, const QString&) override { return Save; }
  QString Folder(QWidget*, const QString&) override { return FolderAnswer; }
};

struct TSimulatedWindow : TSimWindowBase {
  TScriptedDialogs* Dialogs = nullptr;
  QStringList SeenHints;

  bool Start(const QStringList& aArgs) {
    if (!StartSimulator(aArgs + QStringList{QStringLiteral("--gen"), QStringLiteral("1"),
                                            QStringLiteral("--rate"), QStringLiteral("300")}))
      return false;
    TMF& window = CreateWindow();
    auto dialogs = std::make_unique<TScriptedDialogs>();
    Dialogs = dialogs.get();
    window.SetOperationDialogs(std::move(dialogs));
    window.show();
    return true;
  }
  // Hints go after a few seconds: every check keeps what it has seen.
  bool HintShown(const QString& aText) {
    for (QLabel* l : Window->Hints().Hints())
      if (!SeenHints.contains(l->text()))
        SeenHints << l->text();
    return SeenHints.contains(aText);
  }
  QString Text(const char* aKey) { return Window->Translate(QString::fromLatin1(aKey)); }
  // The tracker is detected and has reported its identity and storages.
  bool Identified(const QString& aName) {
    TMF& w = *Window;
    // The whole identity: until the IMEI is in, the port's selection is still settling.
    if (!QTest::qWaitFor(
            [&] {
              return w.Q() && w.Q()->DeviceName() == aName && !w.Q()->DeviceIMEI().isEmpty() &&
                     w.Q()->FMemoryOffset != 0;
            },
            15000))
      return false;
    // Reading the settings tells the password; here the password is the one typed.
    w.Q()->SetDevicePassword(w.Q()->UserPassword());
    return true;
  }
  QByteArray WriteFile(const QString& aName, const QByteArray& aBytes) {
    QFile file(Dir.filePath(aName));
    if (file.open(QIODevice::WriteOnly))
      file.write(aBytes);
    return aBytes;
  }
};

bool SimulatorBuilt() {
  return QFileInfo::exists(qEnvironmentVariable("VELMORA_BIN_DIR") + QStringLiteral("/velmora-devsim"));
}

QByteArray ReadAll(const QString& aPath) {
  QFile file(aPath);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray Firmware(int aSize) {
  QByteArray bytes(aSize, '\0');
  for (int i = 0; i < aSize; ++i)
    bytes[i] = char((i * 37) ^ (i >> 8));
  return bytes;
}

} // namespace

class TstOperationsE2E : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void readsTheMemory();
  void readsTheStoredFiles();
  void loadsFirmwareOverTheLine();
  void copiesFirmwareToTheLoaderDisk();
  void silentDeviceTimesOut();
  void deviceLostMidDumpEndsTheReading_data();
  void deviceLostMidDumpEndsTheReading();
};

void TstOperationsE2E::readsTheMemory() {
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  TSimulatedWindow sim;
  QVERIFY(sim.Start({QStringLiteral("--type"), QStringLiteral("216"), QStringLiteral("--id"),
                     QStringLiteral("4242"), QStringLiteral("--memory-offset"), QStringLiteral("100"),
                     QStringLiteral("--memory-write"), QStringLiteral("3"), QStringLiteral("--block-fault"),
                     QStringLiteral("crc:101")}));
  QVERIFY(sim.Identified(QStringLiteral("4242")));
  TMF& w = *sim.Window;
  QTRY_COMPARE_WITH_TIMEOUT(w.Q()->FMemoryWrite, 3, 5000);
  const QString file = sim.Dir.filePath(QStringLiteral("memory.dump"));
  sim.Dialogs->Save = file;
  // Started from its row of the commands menu, as the technician does.
  QAction* row = nullptr;
  for (QAction* item : w.CommandsMenu()->actions())
    if (item->isVisible() && item->text() == sim.Text("MemoryRead"))
      row = item;
  QVERIFY(row);
  row->trigger();
  QCOMPARE(int(w.Q()->Operation()), 2);
  QTRY_VERIFY_WITH_TIMEOUT(sim.HintShown(sim.Text("mes_filesave")), 15000);
  QCOMPARE(int(w.Q()->Operation()), 0);
  QByteArray expected;
  for (int block = 0; block < 3; ++block)
    for (int i = 0; i < 256; ++i)
      expected.append(char((block * 31 + i * 7) & 0xFF));
  QCOMPARE(ReadAll(file), expected);
  // The block whose CRC came wrong was asked for again.
  QCOMPARE(sim.Sent().count(QStringLiteral(">D 18;101\r\n")), 2);
  QCOMPARE(sim.Sent().count(QStringLiteral(">D 18;102\r\n")), 1);
}

void TstOperationsE2E::readsTheStoredFiles() {
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  TSimulatedWindow sim;
  QVERIFY(sim.Start({QStringLiteral("--type"), QStringLiteral("216"), QStringLiteral("--id"),
                     QStringLiteral("4243"), QStringLiteral("--file-blocks"), QStringLiteral("8")}));
  QVERIFY(sim.Identified(QStringLiteral("4243")));
  TMF& w = *sim.Window;
  QTRY_COMPARE_WITH_TIMEOUT(w.Q()->FFileCount, 8, 5000);
  const QString folder = sim.Dir.filePath(QStringLiteral("files"));
  QVERIFY(QDir().mkpath(folder));
  sim.Dialogs->FolderAnswer = folder;
  w.Q()->SetOperation(7);
  QTRY_VERIFY_WITH_TIMEOUT(sim.HintShown(sim.Text("mes_devicefileok") + QStringLiteral(" 1")), 15000);
  const QByteArray trip = ReadAll(QDir(folder).filePath(QStringLiteral("TRIP0001.CSV")));
  QVERIFY(trip.startsWith("time;latitude;longitude;speed\n"));
  QCOMPARE(trip.count('\n'), 13);
  // Outside the administrator mode the raw dump is not kept.
  QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("TRIP0001.CSV")});
}

void TstOperationsE2E::loadsFirmwareOverTheLine() {
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  TSimulatedWindow sim;
  const QString received = sim.Dir.filePath(QStringLiteral("received.bin"));
  QVERIFY(sim.Start({QStringLiteral("--type"), QStringLiteral("227"), QStringLiteral("--id"),
                     QStringLiteral("4244"), QStringLiteral("--fw-out"), received}));
  QVERIFY(sim.Identified(QStringLiteral("4244")));
  TMF& w = *sim.Window;
  const QByteArray image = sim.WriteFile(QStringLiteral("vt227-3.15.dfw"), Firmware(5000));
  sim.Dialogs->Open = sim.Dir.filePath(QStringLiteral("vt227-3.15.dfw"));
  w.Q()->SetOperation(4);
  QTRY_VERIFY_WITH_TIMEOUT(sim.Sent().contains(QStringLiteral(">D 3;0\r\n")), 5000);
  QTRY_VERIFY_WITH_TIMEOUT(sim.HintShown(sim.Text("mes_deviceupdatecomplete")), 15000);
  QCOMPARE(ReadAll(received), image);
  QCOMPARE(int(w.Q()->Operation()), 0);
  QCOMPARE(w.ProgressText(), sim.Text("mes_deviceupdatecomplete"));
  // The cleanup tick comes 5 s later and releases the image.
  QVERIFY(w.Operations().Firmware().isEmpty());
}

void TstOperationsE2E::copiesFirmwareToTheLoaderDisk() {
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  TSimulatedWindow sim;
  const QString disk = sim.Dir.filePath(QStringLiteral("media/LOADER_216"));
  qputenv("VELMORA_EXTRA_VOLUMES", (QStringLiteral("LOADER_216=") + disk).toLocal8Bit());
  QVERIFY(sim.Start({QStringLiteral("--type"), QStringLiteral("216"), QStringLiteral("--id"),
                     QStringLiteral("4245"), QStringLiteral("--loader-dir"), disk}));
  QVERIFY(sim.Identified(QStringLiteral("4245")));
  TMF& w = *sim.Window;
  const QByteArray image = sim.WriteFile(QStringLiteral("vt216-2.01.dfw"), Firmware(300000));
  sim.Dialogs->Open = sim.Dir.filePath(QStringLiteral("vt216-2.01.dfw"));
  w.Q()->SetOperation(5);
  QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(disk).isDir(), 5000);
  QTRY_VERIFY_WITH_TIMEOUT(sim.HintShown(sim.Text("mes_deviceupdatecomplete")), 20000);
  QCOMPARE(ReadAll(QDir(disk).filePath(QStringLiteral("vt216-2.01.dfw"))), image);
  QVERIFY(!QFileInfo::exists(QDir(disk).filePath(QStringLiteral("fw"))));
  QCOMPARE(QFileInfo(QDir(disk).filePath(QStringLiteral("0"))).size(), 5120);
  QCOMPARE(QFileInfo(QDir(disk).filePath(QStringLiteral("1"))).size(), 5120);
  qunsetenv("VELMORA_EXTRA_VOLUMES");
}

void TstOperationsE2E::silentDeviceTimesOut() {
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  TSimulatedWindow sim;
  QVERIFY(sim.Start({QStringLiteral("--type"), QStringLiteral("227"), QStringLiteral("--id"),
                     QStringLiteral("4246"), QStringLiteral("--fw-out"),
                     sim.Dir.filePath(QStringLiteral("never.bin")), QStringLiteral("--upd-stall"),
                     QStringLiteral("0")}));
  QVERIFY(sim.Identified(QStringLiteral("4246")));
  TMF& w = *sim.Window;
  sim.WriteFile(QStringLiteral("vt227-3.15.dfw"), Firmware(5000));
  sim.Dialogs->Open = sim.Dir.filePath(QStringLiteral("vt227-3.15.dfw"));
  w.Q()->SetOperation(4);
  QElapsedTimer waited;
  waited.start();
  QTRY_VERIFY_WITH_TIMEOUT(sim.HintShown(sim.Text("mes_deviceupdatefail_timeout")), 15000);
  QVERIFY(waited.elapsed() >= 9500);
  QVERIFY(!QFileInfo::exists(sim.Dir.filePath(QStringLiteral("never.bin"))));
}

void TstOperationsE2E::deviceLostMidDumpEndsTheReading_data() {
  QTest::addColumn<int>("signal");
  QTest::newRow("frozen") << int(SIGSTOP);
  QTest::newRow("killed") << int(SIGKILL);
}

void TstOperationsE2E::deviceLostMidDumpEndsTheReading() {
  QFETCH(int, signal);
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  TSimulatedWindow sim;
  // The device leaves block 120 unanswered once: the reading waits there, half way.
  QVERIFY(sim.Start({QStringLiteral("--type"), QStringLiteral("216"), QStringLiteral("--id"),
                     QStringLiteral("4247"), QStringLiteral("--memory-offset"), QStringLiteral("100"),
                     QStringLiteral("--memory-write"), QStringLiteral("40"), QStringLiteral("--block-fault"),
                     QStringLiteral("drop:120")}));
  QVERIFY(sim.Identified(QStringLiteral("4247")));
  TMF& w = *sim.Window;
  QTRY_COMPARE_WITH_TIMEOUT(w.Q()->FMemoryWrite, 40, 5000);
  const QByteArray previous = sim.WriteFile(QStringLiteral("memory.dump"), "the dump read last week\n");
  sim.Dialogs->Save = sim.Dir.filePath(QStringLiteral("memory.dump"));
  // Shorter than the reading's own 15 s, so the test does not wait that long.
  w.Operations().SetGiveUpMs(4000);
  auto* panel = w.findChild<QWidget*>(QStringLiteral("ProgressPanel"));
  auto* percent = w.findChild<QLabel*>(QStringLiteral("PercentLabel"));
  QVERIFY(panel && percent);
  w.Q()->SetOperation(2);
  QTRY_VERIFY_WITH_TIMEOUT(sim.Sent().contains(QStringLiteral(">D 18;120\r\n")), 10000);
  QVERIFY(panel->isVisible());
  QCOMPARE(percent->text(), QStringLiteral("47%"));
  ::kill(sim.Simulator.processId(), signal);
  QElapsedTimer waited;
  waited.start();
  QTRY_VERIFY_WITH_TIMEOUT(sim.HintShown(sim.Text("mes_filesaveerror")) ||
                               sim.HintShown(sim.Text("mes_readinginterrupted")),
                           10000);
  QVERIFY(!w.Operations().Reading());
  QVERIFY(!panel->isVisible());
  QVERIFY(w.ProgressText().isEmpty());
  QCOMPARE(ReadAll(sim.Dialogs->Save), previous);
  QCOMPARE(QDir(sim.Dir.path()).entryList({QStringLiteral("memory.dump*")}, QDir::Files | QDir::Hidden),
           QStringList{QStringLiteral("memory.dump")});
  if (signal == SIGSTOP) {
    // Frozen, the line stays open: only the watchdog can have ended the reading.
    QVERIFY(waited.elapsed() >= 3000);
    QCOMPARE(int(w.Q()->Operation()), 0);
    ::kill(sim.Simulator.processId(), SIGCONT);
  }
}

QTEST_MAIN(TstOperationsE2E)
#include "tst_operations_e2e.moc"
