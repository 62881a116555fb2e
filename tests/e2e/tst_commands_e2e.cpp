// The commands menu of the real window against the simulated devices on a pseudo-terminal: what
// a click sends is read back from the simulator's own trace of the lines it received.

#include "device/custom_commands.h"
#include "device/port_info.h"
#include "platform/registry.h"
#include "sim_window_fixture.h"
#include "ui/command_dialogs.h"
#include "ui/hint_stack.h"
#include "ui/tmf.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

const QString kTracker = QStringLiteral("USB\\VID_0483&PID_5740&REV_0200");
const QString kServiceAdapter = QStringLiteral("USB\\VID_0483&PID_5742&REV_0200");

struct TSimulatedWindow : TSimWindowBase {
  QString TracePath() const { return Dir.filePath(QStringLiteral("trace.txt")); }

  bool Start(const QStringList& aArgs, const QString& aHardwareId = kTracker) {
    if (!StartSimulator(aArgs + QStringList{QStringLiteral("--rate"), QStringLiteral("300"),
                                            QStringLiteral("--trace"), TracePath()},
                        aHardwareId))
      return false;
    CreateWindow().show();
    return true;
  }

  // The lines the simulator received, as its trace writes them (C escapes, no stamps).
  QStringList Trace() const {
    QFile file(TracePath());
    QStringList lines;
    if (!file.open(QIODevice::ReadOnly))
      return lines;
    for (const QByteArray& line : file.readAll().split('\n'))
      if (!line.isEmpty())
        lines << QString::fromLatin1(line.mid(line.indexOf('\t') + 1));
    return lines;
  }
  QAction* MenuItem(const QString& aCaption) const {
    for (QAction* item : Window->CommandsMenu()->actions())
      if (item->isVisible() && item->text() == aCaption)
        return item;
    return nullptr;
  }
  bool Click(const QString& aCaption) {
    QAction* item = MenuItem(aCaption);
    if (!item)
      return false;
    item->trigger();
    return true;
  }
  // Clicks the line until the window logs aBytes as sent. Under heavy load Qt 6.4 can report a
  // spurious read error on the terminal; the driver then drops what is sent until it has opened the
  // port again, and the window's log says so. What matters here is what the device then receives.
  bool ClickUntilSent(const QString& aCaption, const QString& aBytes) {
    for (int attempt = 0; attempt < 3; ++attempt) {
      if (!Click(aCaption))
        return false;
      if (QTest::qWaitFor([&] { return Sent().contains(aBytes); }, 3000))
        return true;
    }
    return false;
  }
  bool HintShown(const QString& aText) const {
    for (QLabel* l : Window->Hints().Hints())
      if (l->text() == aText)
        return true;
    return false;
  }
  // Uptimes of the status records received after the last sent entry equal to aSent.
  QList<qint64> UptimesAfter(const QByteArray& aSent) {
    TExchangeCore& core = Window->Core();
    const TPacketArray& index = core.PacketIndex();
    qsizetype from = -1;
    for (qsizetype i = 0; i < qsizetype(index.size()); ++i)
      if (index[size_t(i)].State == psSent &&
          core.TrafficLog().AsText(index[size_t(i)].Position, index[size_t(i)].Size).toLatin1() == aSent)
        from = i;
    QList<qint64> uptimes;
    if (from < 0)
      return uptimes;
    QByteArray received;
    for (size_t i = size_t(from) + 1; i < index.size(); ++i)
      if (index[i].State != psSent)
        received += core.TrafficLog().AsText(index[i].Position, index[i].Size).toLatin1();
    for (const QByteArray& line : received.split('\n'))
      if (line.startsWith(">TW="))
        uptimes << line.trimmed().split(';').value(1).toLongLong();
    return uptimes;
  }
};

bool SimulatorBuilt() {
  return QFileInfo::exists(qEnvironmentVariable("VELMORA_BIN_DIR") + QStringLiteral("/velmora-devsim"));
}

TCommandDialog* OpenDialog(const QString& aName) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == aName && w->isVisible())
      return qobject_cast<TCommandDialog*>(w);
  return nullptr;
}

} // namespace

class TstCommandsE2E : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void init();
  void rebootRestartsTheTracker_data();
  void rebootRestartsTheTracker();
  void customCommandBelongsToItsType();
  void masterOffersNoTextCommand();
  void serviceAdapterGetsThePasswordFirst();
};

void TstCommandsE2E::init() {
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  TRegistry registry;
  registry.DeleteKey(QStringLiteral("CustomCommands"));
  registry.Sync();
}

void TstCommandsE2E::rebootRestartsTheTracker_data() {
  QTest::addColumn<QString>("type");
  QTest::addColumn<QString>("traced");
  QTest::newRow("303") << "303"
                       << "rst\\r\\n";
  QTest::newRow("35") << "35"
                      << ">D 1\\r\\n";
}

void TstCommandsE2E::rebootRestartsTheTracker() {
  QFETCH(QString, type);
  QFETCH(QString, traced);

  TSimulatedWindow sim;
  QVERIFY(sim.Start({QStringLiteral("--gen"), QStringLiteral("1"), QStringLiteral("--type"), type}));
  QTRY_COMPARE_WITH_TIMEOUT(sim.Window->Q() ? sim.Window->Q()->DeviceVer() : QString(), type, 10000);
  QTRY_VERIFY_WITH_TIMEOUT(!sim.Window->Q()->WaitInfo(), 10000); // identity complete, the line settled
  QVERIFY(sim.Window->findChild<QToolButton*>(QStringLiteral("btn_Commands"))->isVisible());
  QVERIFY(!sim.Trace().contains(traced));
  const QByteArray sent = traced.toLatin1().replace("\\r\\n", "\r\n");
  QVERIFY(sim.ClickUntilSent(QStringLiteral("Reboot device"), QString::fromLatin1(sent)));
  QTRY_VERIFY2_WITH_TIMEOUT(
      sim.Trace().contains(traced),
      qPrintable(sim.Trace().join(QLatin1Char(' ')) + QStringLiteral(" / sent: ") +
                 sim.Sent().join(QLatin1Char('|')).replace(QLatin1String("\r\n"), QLatin1String("~"))),
      10000);
  QCOMPARE(sim.Trace().count(traced), 1);
  // The device started again: its uptime begins from nothing (it was over an hour). Records
  // already on their way when the command went may still show the old count.
  QTRY_VERIFY_WITH_TIMEOUT(!sim.UptimesAfter(sent).isEmpty() && sim.UptimesAfter(sent).last() < 10, 10000);
}

void TstCommandsE2E::customCommandBelongsToItsType() {
  {
    TSimulatedWindow sim;
    QVERIFY(sim.Start(
        {QStringLiteral("--gen"), QStringLiteral("1"), QStringLiteral("--type"), QStringLiteral("227")}));
    TMF& w = *sim.Window;
    QTRY_COMPARE_WITH_TIMEOUT(w.Q() ? w.Q()->DeviceVer() : QString(), QStringLiteral("227"), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!w.Q()->WaitInfo(), 10000);
    QVERIFY(sim.Click(QStringLiteral(" + Add Custom Command")));
    TCommandDialog* dialog = OpenDialog(QStringLiteral("AddCustomCommandDialog"));
    QVERIFY(dialog);
    QCOMPARE(dialog->size(), QSize(400, 260));
    QCOMPARE(dialog->windowTitle(), QStringLiteral(" + Add Custom Command"));
    QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("HeadingLabel"))->text(),
             QStringLiteral("For device: VT-227"));
    dialog->Edit(0)->setText(QStringLiteral("Ping"));
    dialog->Edit(1)->setText(QStringLiteral("ping"));
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("OKButton")), Qt::LeftButton);
    QVERIFY(sim.HintShown(QStringLiteral("Command added")));
    QVERIFY(sim.ClickUntilSent(QStringLiteral("1: Ping"), QStringLiteral("ping\r\n")));
    QTRY_VERIFY_WITH_TIMEOUT(sim.Trace().contains(QStringLiteral("ping\\r\\n")), 10000);
  }
  TSimulatedWindow other;
  QVERIFY(other.Start(
      {QStringLiteral("--gen"), QStringLiteral("1"), QStringLiteral("--type"), QStringLiteral("303")}));
  QTRY_COMPARE_WITH_TIMEOUT(other.Window->Q() ? other.Window->Q()->DeviceVer() : QString(),
                            QStringLiteral("303"), 10000);
  QVERIFY(other.MenuItem(QStringLiteral("Reboot device")));
  QVERIFY(!other.MenuItem(QStringLiteral("1: Ping")));
}

void TstCommandsE2E::masterOffersNoTextCommand() {
  {
    // Stored for the master by an older version: its send gate would drop the line.
    TRegistry registry;
    QVERIFY(TCustomCommandStore(registry).Save(QStringLiteral("250"), {QStringLiteral("Ping@ping")}));
    registry.Sync();
  }
  TSimulatedWindow sim;
  QVERIFY(sim.Start({QStringLiteral("--gen"), QStringLiteral("3")}));
  TMF& w = *sim.Window;
  QTRY_COMPARE_WITH_TIMEOUT(w.Q() ? w.Q()->DeviceVer() : QString(), QStringLiteral("250"), 15000);
  QTRY_VERIFY_WITH_TIMEOUT(sim.MenuItem(QStringLiteral("Get sensor list")), 10000);
  QVERIFY(!sim.MenuItem(QStringLiteral("1: Ping")));
  // Nor can one be added for it.
  QVERIFY(sim.Click(QStringLiteral(" + Add Custom Command")));
  TCommandDialog* dialog = OpenDialog(QStringLiteral("AddCustomCommandDialog"));
  QVERIFY(dialog);
  dialog->Edit(0)->setText(QStringLiteral("Pong"));
  dialog->Edit(1)->setText(QStringLiteral("pong"));
  QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("OKButton")), Qt::LeftButton);
  QVERIFY(sim.HintShown(QStringLiteral("Error adding command: a fuel-sensor master takes no text commands")));
  QVERIFY(!sim.MenuItem(QStringLiteral("2: Pong")));
  TRegistry registry;
  QCOMPARE(TCustomCommandStore(registry).Entries(QStringLiteral("250")),
           QStringList{QStringLiteral("Ping@ping")});
}

void TstCommandsE2E::serviceAdapterGetsThePasswordFirst() {
  TSimulatedWindow sim;
  QVERIFY(
      sim.Start({QStringLiteral("--gen"), QStringLiteral("1"), QStringLiteral("--type"), QStringLiteral("1")},
                kServiceAdapter));
  TMF& w = *sim.Window;
  QTRY_VERIFY_WITH_TIMEOUT(w.Q() && w.Q()->ReadLockState() == -1, 10000);
  QCOMPARE(w.Q()->DeviceVer(), QStringLiteral("1"));
  // Waiting for its password, the adapter gets the typed one whatever was chosen.
  QVERIFY(sim.Click(QStringLiteral("Reboot device")));
  QTRY_VERIFY_WITH_TIMEOUT(sim.Trace().contains(QStringLiteral("111111\\r\\n")), 10000);
  QTRY_COMPARE_WITH_TIMEOUT(w.Q()->ReadLockState(), 0, 10000);
  // What the adapter answered is named after what went in place of the command.
  QTRY_VERIFY_WITH_TIMEOUT(sim.HintShown(QStringLiteral("Enter device password: DEVICE PASSWORD OK")), 5000);
  QVERIFY(!sim.Trace().contains(QStringLiteral("restart\\r\\n")));
  QVERIFY(sim.Click(QStringLiteral("Reboot device")));
  QTRY_VERIFY_WITH_TIMEOUT(sim.Trace().contains(QStringLiteral("restart\\r\\n")), 10000);
}

QTEST_MAIN(TstCommandsE2E)
#include "tst_commands_e2e.moc"
