// The simulator's service side: the service commands a tracker answers, the service adapter that
// takes its password as a line, and the trace of every line received.

#include "adapter_sim.h"
#include "base/clock.h"
#include "line_trace.h"
#include "tracker_sim.h"
#include "updates/crypto/checksums.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The value of the first record with the key in tracker output; empty when there is none.
QByteArray Value(const QByteArray& aOutput, const QByteArray& aKey) {
  for (const QByteArray& line : aOutput.split('\n')) {
    if (line.startsWith('>' + aKey + '='))
      return line.mid(aKey.size() + 2).trimmed();
  }
  return {};
}

QByteArray Field(const QByteArray& aValue, int aIndex) {
  return aValue.split(';').value(aIndex);
}

} // namespace

class TstDevsimService : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void trackerServiceCommands_data();
  void trackerServiceCommands();
  void adapterTakesItsPasswordFirst();
  void adapterConsoleWords_data();
  void adapterConsoleWords();
  void traceRecordsEveryLine();
};

void TstDevsimService::trackerServiceCommands_data() {
  QTest::addColumn<QByteArray>("command");
  QTest::addColumn<bool>("statusAtOnce");
  QTest::addColumn<qint64>("uptimeAfter");      // -1: keeps running
  QTest::addColumn<qint64>("memoryWriteAfter"); // -1: keeps its pointer

  QTest::newRow(">D 4;1 sends a status set") << QByteArray(">D 4;1") << true << qint64(-1) << qint64(-1);
  QTest::newRow("*SERV*1.1 sends a status set")
      << QByteArray("111111*SERV*1.1") << true << qint64(-1) << qint64(-1);
  QTest::newRow("*SERV*1.7 restarts") << QByteArray("111111*SERV*1.7") << false << qint64(0) << qint64(-1);
  QTest::newRow("a wrong password is ignored")
      << QByteArray("222222*SERV*1.7") << false << qint64(-1) << qint64(-1);
  QTest::newRow("no password is ignored") << QByteArray("*SERV*1.1") << false << qint64(-1) << qint64(-1);
  QTest::newRow(">D 8;0 erases the memory") << QByteArray(">D 8;0") << false << qint64(-1) << qint64(0);
  QTest::newRow("CAN log is taken silently")
      << QByteArray("111111*SERV*42") << false << qint64(-1) << qint64(-1);
}

void TstDevsimService::trackerServiceCommands() {
  QFETCH(QByteArray, command);
  QFETCH(bool, statusAtOnce);
  QFETCH(qint64, uptimeAfter);
  QFETCH(qint64, memoryWriteAfter);

  TManualClock clock;
  TTrackerSim sim({}, clock);
  clock.Advance(60000);
  const QByteArray before = sim.Stream();
  const qint64 uptimeBefore = Field(Value(before, "TW"), 1).toLongLong();
  const QByteArray writeBefore = Field(Value(before, "RW1"), 1);
  QVERIFY(uptimeBefore > 60);
  QVERIFY(writeBefore.toLongLong() > 0);

  const QByteArray answer = sim.Feed(command + "\r\n");
  QCOMPARE(!Value(answer, "TW").isEmpty(), statusAtOnce);
  if (statusAtOnce)
    QCOMPARE(Value(answer, "GK"), Value(before, "GK")); // the same moment, sent at once

  const QByteArray after = sim.Stream();
  QCOMPARE(Field(Value(after, "TW"), 1).toLongLong(), uptimeAfter < 0 ? uptimeBefore : uptimeAfter);
  QCOMPARE(Field(Value(after, "RW1"), 1),
           memoryWriteAfter < 0 ? writeBefore : QByteArray::number(memoryWriteAfter));
}

void TstDevsimService::adapterTakesItsPasswordFirst() {
  TManualClock clock;
  TServiceAdapterSim adapter({303, 4242, {}, "123456"}, clock);
  QVERIFY(!adapter.Unlocked());
  // Identity is told whatever the lock: the window learns it is talking to the adapter.
  QCOMPARE(Field(Value(adapter.Feed(">I 0\r\n"), "DI"), 0), QByteArray("1"));
  QCOMPARE(adapter.Feed("restart\r\n"), QByteArray("DEVICE PASSWORD ERROR\r\n"));
  QCOMPARE(adapter.Feed("111111\r\n"), QByteArray("DEVICE PASSWORD ERROR\r\n"));
  QVERIFY(!adapter.Unlocked());
  QCOMPARE(adapter.Feed("123456\r\n"), QByteArray("DEVICE PASSWORD OK\r\n"));
  QVERIFY(adapter.Unlocked());
  QCOMPARE(adapter.Feed("restart\r\n"), QByteArray("OK\r\n"));
  QCOMPARE(Field(Value(adapter.Stream(), "TW"), 1), QByteArray("0"));
  // Unknown words are not answered once unlocked, as on the real line.
  QCOMPARE(adapter.Feed("hello\r\n"), QByteArray());
}

void TstDevsimService::adapterConsoleWords_data() {
  QTest::addColumn<QByteArray>("line");
  QTest::addColumn<QByteArray>("answerStart");

  QTest::newRow("sendpacket") << QByteArray("sendpacket") << QByteArray(">TW=");
  QTest::newRow("settings get") << QByteArray("settings get") << QByteArray(">SF=\"");
  QTest::newRow("settings set, bad image")
      << QByteArray("settings set AAAA") << QByteArray("Settings write Error EXTFLASH\r\n");
  QTest::newRow("settings set, not Base64")
      << QByteArray("settings set ***") << QByteArray("Settings write Error EXTFLASH\r\n");
  QTest::newRow("storage clear") << QByteArray("storage clear") << QByteArray("OK\r\n");
  QTest::newRow("upgrade extflash") << QByteArray("upgrade extflash") << QByteArray("OK\r\n");
  QTest::newRow("remotix getfw") << QByteArray("remotix getfw") << QByteArray("OK\r\n");
  QTest::newRow("remotix getconf") << QByteArray("remotix getconf") << QByteArray("OK\r\n");
}

void TstDevsimService::adapterConsoleWords() {
  QFETCH(QByteArray, line);
  QFETCH(QByteArray, answerStart);

  TManualClock clock;
  TServiceAdapterSim adapter({}, clock);
  QCOMPARE(adapter.Feed("111111\r\n"), QByteArray("DEVICE PASSWORD OK\r\n"));
  QVERIFY2(adapter.Feed(line + "\r\n").startsWith(answerStart), line.constData());
}

void TstDevsimService::traceRecordsEveryLine() {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("trace.txt"));
  TManualClock clock;
  clock.Advance(1000); // stamps count from the trace's start, not the clock's
  TLineTrace trace(clock);
  QString error;
  QVERIFY2(trace.Open(path, &error), qPrintable(error));
  trace.Feed("rst\r");
  clock.Advance(5);
  trace.Feed("\n>D 1\r\nsett");
  clock.Advance(20);
  trace.Feed("ings get\r\n");
  QVERIFY(!trace.HasPending());
  trace.Feed(QByteArray::fromHex("3110B0AB"));
  QVERIFY(trace.HasPending());
  clock.Advance(50);
  trace.Flush();
  trace.Feed("back\\slash\xC0\n");

  QFile file(path);
  QVERIFY(file.open(QIODevice::ReadOnly)); // readable while the trace is still open
  QCOMPARE(file.readAll(), QByteArray("5\trst\\r\\n\n"
                                      "5\t>D 1\\r\\n\n"
                                      "25\tsettings get\\r\\n\n"
                                      "75\t1\\x10\\xB0\\xAB\n"
                                      "75\tback\\\\slash\\xC0\\n\n"));
}

QTEST_GUILESS_MAIN(TstDevsimService)
#include "tst_devsim_service.moc"
