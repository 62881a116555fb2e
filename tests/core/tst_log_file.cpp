#include "base/build_info.h"
#include "core/log_file.h"
#include "core/virtual_comm_driver.h"
#include "core_fixture.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray ReadAll(const QString& aFileName) {
  QFile file(aFileName);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool WriteFile(const QString& aFileName, const QByteArray& aContent) {
  QFile file(aFileName);
  return file.open(QIODevice::WriteOnly) && file.write(aContent) == aContent.size();
}

// A core that logs what it is given, one entry per chunk, on a manual clock.
struct TLogRig {
  TRecorderHost Host;
  TManualClock Clock{QDateTime(QDate(2026, 3, 1), QTime(9, 15, 0))};
  TExchangeCore Core{Host, Clock};

  TLogRig() { Core.SetVersion(vtVersion0); }
  void Receive(const QByteArray& aBytes) {
    Core.QReceiveData(nullptr, aBytes.constData(), int(aBytes.size()));
  }
};

} // namespace

class TstLogFile : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void lines_data();
  void lines();
  void savedFileHoldsEveryEntry();
  void savedTextReplaysEveryEntry_data();
  void savedTextReplaysEveryEntry();
  void failedSaveLeavesNoFile_data();
  void failedSaveLeavesNoFile();
  void failedSaveKeepsEarlierFile();
  void proposedName_data();
  void proposedName();
  void codePageKeepsEveryByte();
  void utf8MatchesTheDecoder_data();
  void utf8MatchesTheDecoder();
};

void TstLogFile::lines_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<int>("state");
  QTest::addColumn<bool>("hex");
  QTest::addColumn<double>("time");
  QTest::addColumn<QByteArray>("line");
  const double t = ToTDateTime(QDateTime(QDate(2026, 3, 1), QTime(12, 34, 56, 789)));
  QTest::newRow("text drops the line end")
      << QByteArray("> OK\r\n") << 1 << false << t << QByteArray("12:34:56.789\t> OK");
  QTest::newRow("two lines of one chunk stay apart")
      << QByteArray("A\r\nB\r\n") << 2 << false << t << QByteArray("12:34:56.789\tA\r\nB");
  QTest::newRow("line end inside only is kept")
      << QByteArray("A\r\nB") << 1 << false << t << QByteArray("12:34:56.789\tA\r\nB");
  QTest::newRow("chunk without line end")
      << QByteArray("AB") << 0 << false << t << QByteArray("12:34:56.789\tAB");
  QTest::newRow("8-bit and control bytes as they are")
      << QByteArray("\xCF\x98\xFF\x00\t", 5) << 1 << false << t
      << QByteArray("12:34:56.789\t\xCF\x98\xFF\x00\t", 18);
  QTest::newRow("sent") << QByteArray(">CMD\r\n") << 255 << false << t << QByteArray("PC > DEVICE\t>CMD");
  QTest::newRow("hexadecimal") << QByteArray("\x3E\x0D\x0A\xAF") << 1 << true << t
                               << QByteArray("12:34:56.789\t3E 0D 0A AF ");
  QTest::newRow("sent in hexadecimal")
      << QByteArray("\x3E\x0D\x0A") << 255 << true << t << QByteArray("PC > DEVICE\t3E 0D 0A ");
  QTest::newRow("just after midnight")
      << QByteArray("A") << 1 << false << ToTDateTime(QDateTime(QDate(2026, 3, 1), QTime(0, 0, 0, 5)))
      << QByteArray("00:00:00.005\tA");
  QTest::newRow("a hair before midnight rounds up")
      << QByteArray("A") << 1 << false << 46000.0 + 0.9999999999 << QByteArray("00:00:00.000\tA");
}

void TstLogFile::lines() {
  QFETCH(QByteArray, bytes);
  QFETCH(int, state);
  QFETCH(bool, hex);
  QFETCH(double, time);
  QFETCH(QByteArray, line);
  TMemoryStreamEx log;
  log.Write("xx", 2);
  log.Write(bytes);
  const TPacket entry{time, 2, bytes.size(), quint8(state)};
  QCOMPARE(LogFileLine(log, entry, hex), line);
}

void TstLogFile::savedFileHoldsEveryEntry() {
  TLogRig rig;
  rig.Receive(">A=1\r\n");
  rig.Clock.Advance(1500);
  rig.Core.LogSent(">CMD\r\n");
  rig.Clock.Advance(250);
  rig.Receive("\xCF\r\n");
  QTemporaryDir dir;
  const QString text = dir.filePath(QStringLiteral("text.log"));
  const QString hex = dir.filePath(QStringLiteral("hex.log"));
  QString error;
  QVERIFY2(SaveLogFile(text, rig.Core.TrafficLog(), rig.Core.ViewIndex(), false, &error), qPrintable(error));
  QVERIFY2(SaveLogFile(hex, rig.Core.TrafficLog(), rig.Core.ViewIndex(), true, &error), qPrintable(error));
  QCOMPARE(ReadAll(text), QByteArray("09:15:00.000\t>A=1\r\nPC > DEVICE\t>CMD\r\n09:15:01.750\t\xCF\r\n"));
  QCOMPARE(ReadAll(hex), QByteArray("09:15:00.000\t3E 41 3D 31 0D 0A \r\nPC > DEVICE\t3E 43 4D 44 0D 0A \r\n"
                                    "09:15:01.750\tCF 0D 0A \r\n"));
}

void TstLogFile::savedTextReplaysEveryEntry_data() {
  QTest::addColumn<QByteArrayList>("chunks");
  QTest::addColumn<QByteArray>("sent"); // 's' where the chunk is a send
  QTest::newRow("status lines") << QByteArrayList{">SV=1;2\r\n", ">DS=3\r\n", ">SV=2;2\r\n"}
                                << QByteArray("rrr");
  QTest::newRow("lines sharing a chunk") << QByteArrayList{">A=1\r\n>B=2\r\n", ">C\r\n"} << QByteArray("rr");
  QTest::newRow("blank lines inside a chunk")
      << QByteArrayList{"HELP\r\n\r\n  list\r\n\r\n", "X\r\n"} << QByteArray("rr");
  QTest::newRow("command and answer")
      << QByteArrayList{"READY\r\n", ">PASS 1\r\n", "DEVICE PASSWORD OK\r\n"} << QByteArray("rsr");
  QTest::newRow("8-bit text, stray CR and LF")
      << QByteArrayList{"\xCF\xF0\xE8\r\n", "a\rb\nc\r\n", QByteArray("\x98\xFF\x00\x01\r\n", 6)}
      << QByteArray("rrr");
  QTest::newRow("bare line end") << QByteArrayList{"\r\n", "X\r\n"} << QByteArray("rr");
}

void TstLogFile::savedTextReplaysEveryEntry() {
  QFETCH(QByteArrayList, chunks);
  QFETCH(QByteArray, sent);
  TLogRig rig;
  for (qsizetype i = 0; i < chunks.size(); ++i) {
    if (sent[i] == 's')
      rig.Core.LogSent(chunks[i]);
    else
      rig.Receive(chunks[i]);
    rig.Clock.Advance(1250);
  }
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("round.log"));
  QString error;
  QVERIFY2(SaveLogFile(path, rig.Core.TrafficLog(), rig.Core.ViewIndex(), false, &error), qPrintable(error));

  TManualClock clock;
  TVirtualCommDriver driver(clock);
  QList<QByteArray> got;
  QList<qint64> times;
  driver.SetOnReceiveData([&](TCommPortDriver*, const char* aData, int aSize) {
    got << QByteArray(aData, aSize);
    times << clock.MonotonicMs();
  });
  QVERIFY2(driver.LoadFromFile(path, &error), qPrintable(error));
  QVERIFY(driver.Connect());
  while (driver.TimerDue() >= 0) {
    clock.Advance(driver.TimerDue() - clock.MonotonicMs());
    driver.TimerTick();
  }
  QCOMPARE(got, chunks);
  for (qsizetype i = 1; i < chunks.size(); ++i)
    if (sent[i] == 'r' && sent[i - 1] == 'r')
      QVERIFY2(qAbs(times[i] - times[i - 1] - 1250) <= 1,
               qPrintable(QString::number(times[i] - times[i - 1])));
}

void TstLogFile::failedSaveLeavesNoFile_data() {
  QTest::addColumn<QString>("target"); // inside a folder that holds a file "blocker" and a folder "sub"
  QTest::newRow("folder is a file") << "blocker/out.log";
  QTest::newRow("folder missing") << "missing/out.log";
  QTest::newRow("target is a folder") << "sub";
}

void TstLogFile::failedSaveKeepsEarlierFile() {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("old.log"));
  QVERIFY(WriteFile(path, "old\r\n"));
  // More than one write block of good entries, then one that is not in the log.
  TMemoryStreamEx log;
  log.Write(QByteArray(3 << 20, 'x'));
  TPacketArray index;
  for (qint64 pos = 0; pos < log.Size(); pos += 1024)
    index.push_back(TPacket{46000.5, pos, 1024, psComplete});
  index.push_back(TPacket{46000.5, log.Size() - 10, 20, psComplete});

  QString error;
  QVERIFY(!SaveLogFile(path, log, index, true, &error));
  QVERIFY2(error.contains(QStringLiteral("old.log")) &&
               error.contains(QStringLiteral("entry %1").arg(index.size())),
           qPrintable(error));
  QCOMPARE(ReadAll(path), QByteArray("old\r\n"));
  QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
           QStringList{QStringLiteral("old.log")});
}

void TstLogFile::failedSaveLeavesNoFile() {
  QFETCH(QString, target);
  QTemporaryDir dir;
  QVERIFY(WriteFile(dir.filePath(QStringLiteral("blocker")), "x"));
  QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
  TLogRig rig;
  rig.Receive(">A\r\n");
  const QString path = dir.filePath(target);
  QString error;
  QVERIFY(!SaveLogFile(path, rig.Core.TrafficLog(), rig.Core.ViewIndex(), false, &error));
  QVERIFY2(error.contains(QDir::toNativeSeparators(path)) && !error.endsWith(QStringLiteral(": ")),
           qPrintable(error));
  QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
           (QStringList{QStringLiteral("blocker"), QStringLiteral("sub")}));
  QVERIFY(QDir(dir.filePath(QStringLiteral("sub"))).isEmpty());
}

void TstLogFile::proposedName_data() {
  QTest::addColumn<QLocale>("locale");
  QTest::addColumn<QString>("device");
  QTest::addColumn<QString>("name");
  const QLocale ru(QLocale::Russian, QLocale::Russia);
  // Two spaces before the bracket: the date format itself begins with one.
  QTest::newRow("Russian") << ru << "TRACKER-303"
                           << QStringLiteral("TRACKER-303 07.09.2026 14-05-33  [260907]");
  QTest::newRow("US English") << QLocale(QLocale::English, QLocale::UnitedStates) << "TRACKER-303"
                              << QStringLiteral("TRACKER-303 9-7-26 2-05-33 PM  [260907]");
  QTest::newRow("path separators in the device name")
      << ru << "../a\\b" << QStringLiteral("..-a-b 07.09.2026 14-05-33  [260907]");
}

void TstLogFile::proposedName() {
  QFETCH(QLocale, locale);
  QFETCH(QString, device);
  QFETCH(QString, name);
  QCOMPARE(ProposedLogFileName(device, QDateTime(QDate(2026, 9, 7), QTime(14, 5, 33)), locale), name);
}

void TstLogFile::codePageKeepsEveryByte() {
  QByteArray all(256, '\0');
  for (int i = 0; i < 256; ++i)
    all[i] = char(i);
  const QString text = FromLogCodePage(all);
  QCOMPARE(text.size(), 256);
  QCOMPARE(QSet<QChar>(text.begin(), text.end()).size(), 256);
  QCOMPARE(ToLogCodePage(text), all);
  QCOMPARE(FromLogCodePage("\xC0\xFF\xB9"), QString::fromUtf8("Ая№"));
  QCOMPARE(ToLogCodePage(QString::fromUtf8("Ая№€")), QByteArray("\xC0\xFF\xB9\x88"));
  QCOMPARE(ToLogCodePage(QString::fromUtf8("中😀.")), QByteArray("??."));
}

void TstLogFile::utf8MatchesTheDecoder_data() {
  QTest::addColumn<QByteArray>("utf8");
  QTest::newRow("ascii") << QByteArray(">A=1\r\n");
  QTest::newRow("cyrillic") << QByteArray("Напряжение 12.5 ёЁ");
  QTest::newRow("no code in the page") << QByteArray("€ ✓ 中");
  QTest::newRow("beyond 65536") << QByteArray("a\xF0\x9F\x98\x80" "b");
  QTest::newRow("overlong") << QByteArray("a\xC0\x80");
  QTest::newRow("overlong of three") << QByteArray("\xE0\x80\xAF");
  QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80");
  QTest::newRow("cut at the end") << QByteArray("ok\xE2\x82");
  QTest::newRow("lone continuation") << QByteArray("\x80");
  QTest::newRow("beyond the last code point") << QByteArray("\xF4\x90\x80\x80");
  QTest::newRow("no such lead byte") << QByteArray("\xF5\x80\x80\x80");
}

// The one-pass conversion of a log with a UTF-8 mark says what the decoder and the code page say.
void TstLogFile::utf8MatchesTheDecoder() {
  QFETCH(QByteArray, utf8);
  QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
  const QString text = decoder.decode(utf8);
  const std::optional<QByteArray> converted = Utf8ToLogCodePage(utf8);
  QCOMPARE(converted.has_value(), !decoder.hasError());
  if (converted)
    QCOMPARE(*converted, ToLogCodePage(text));
}

QTEST_GUILESS_MAIN(TstLogFile)
#include "tst_log_file.moc"
