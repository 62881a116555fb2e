#include "base/clock.h"
#include "core/virtual_comm_driver.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cmath>

namespace {

// A replay driver on a manual clock that records what it delivers and when.
struct TReplayRig {
  TManualClock Clock;
  TVirtualCommDriver Driver{Clock};
  QTemporaryDir Dir;
  QList<QByteArray> Got;
  QList<qint64> Times;
  bool ForeignSender = false;
  int Steps = 0;

  TReplayRig() {
    Driver.SetOnReceiveData([this](TCommPortDriver* aSender, const char* aData, int aSize) {
      ForeignSender = ForeignSender || aSender != &Driver;
      Got << QByteArray(aData, aSize);
      Times << Clock.MonotonicMs();
    });
    Driver.SetOnStep([this](TVirtualCommDriver*) { ++Steps; });
  }

  bool Load(const QByteArray& aContent, QString* aError = nullptr) {
    QFile file(Dir.filePath(QStringLiteral("replay.log")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(aContent) != aContent.size())
      return false;
    file.close();
    return Driver.LoadFromFile(file.fileName(), aError);
  }

  // Lets aMs pass, firing the replay timer each time it falls due.
  void Run(qint64 aMs) {
    const qint64 until = Clock.MonotonicMs() + aMs;
    for (qint64 due = Driver.TimerDue(); due >= 0 && due <= until; due = Driver.TimerDue()) {
      Clock.Advance(due - Clock.MonotonicMs());
      Driver.TimerTick();
    }
    Clock.Advance(until - Clock.MonotonicMs());
  }

  qint64 Now() const { return Clock.MonotonicMs(); }
};

QByteArray Describe(const std::vector<TLogEntry>& aEntries) {
  QByteArrayList parts;
  for (const TLogEntry& e : aEntries)
    parts << QByteArray::number(e.TimeOffset) + ':' + e.Data.toByteArray();
  return parts.join('|');
}

QByteArray Utf16(const QString& aText, QStringConverter::Encoding aEncoding, const QByteArray& aBom) {
  QStringEncoder encoder(aEncoding);
  return aBom + QByteArray(encoder.encode(aText));
}

bool Near(qint64 aActual, qint64 aExpected) {
  return std::abs(aActual - aExpected) <= 2;
}

const QByteArray kTwoLines10sApart("10:00:00.000\tA\r\n10:00:10.000\tB\r\n");

} // namespace

class TstVirtualCommDriver : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void loading_data();
  void loading();
  void encodings_data();
  void encodings();
  void badFileFailsAndKeepsLoadedLog_data();
  void badFileFailsAndKeepsLoadedLog();
  void nothingToPlay();

  void speedScalesGapsWithOneTimerPerGap();
  void pauseHoldsAndResumesInPlace();
  void speedChangeKeepsReplayTime_data();
  void speedChangeKeepsReplayTime();
  void speedNotAboveZeroIsTenth_data();
  void speedNotAboveZeroIsTenth();
  void loopFollowsWithoutPause();
  void endWithoutLoopStopsAndCanRestart();

  void stepOnStoppedReplay();
  void stepBackAfterThree_data();
  void stepBackAfterThree();
  void stepOntoSentLineKeepsPosition();
  void pauseFromReceiveEventEndsTick();
  void longEntryArrivesWholeInBufferSizedPieces();
};

void TstVirtualCommDriver::loading_data() {
  QTest::addColumn<QByteArray>("file");
  QTest::addColumn<QByteArray>("entries");
  QTest::newRow("stamped lines") << QByteArray("10:00:00.000\tA\r\n10:00:10.500\tB\r\n")
                                 << QByteArray("0:A\r\n|10.5:B\r\n");
  QTest::newRow("continuation line joins its entry")
      << QByteArray("10:00:00.000\t>A=1\r\n>B=2\r\n10:00:01.000\tC\r\n")
      << QByteArray("0:>A=1\r\n>B=2\r\n|1:C\r\n");
  QTest::newRow("blank line inside an entry stays")
      << QByteArray("10:00:00.000\tA\r\n\r\nB\r\n") << QByteArray("0:A\r\n\r\nB\r\n");
  QTest::newRow("text before the first stamp")
      << QByteArray("\r\nhello\r\n10:00:02.000\tA") << QByteArray("0:hello\r\n|0:A\r\n");
  QTest::newRow("short line with a tab continues")
      << QByteArray("10:00:00.000\tA\r\nx\ty\r\n") << QByteArray("0:A\r\nx\ty\r\n");
  QTest::newRow("tab line of 12 characters starts an entry")
      << QByteArray("PC > DEVICE\t") << QByteArray("0:\r\n");
  QTest::newRow("sent line comes right after the one before")
      << QByteArray("10:00:00.000\tA\r\n10:00:08.000\tB\r\nPC > DEVICE\t>C\r\n10:00:10.000\tD\r\n")
      << QByteArray("0:A\r\n|8:B\r\n|8:>C\r\n|10:D\r\n");
  QTest::newRow("sent line first") << QByteArray("PC > DEVICE\t>C\r\n10:00:10.000\tD\r\n10:00:11.000\tE")
                                   << QByteArray("0:>C\r\n|0:D\r\n|1:E\r\n");
  QTest::newRow("past midnight") << QByteArray("23:59:59.000\tA\r\n00:00:01.500\tB\r\n00:00:02.000\tC\r\n")
                                 << QByteArray("0:A\r\n|2.5:B\r\n|3:C\r\n");
  QTest::newRow("stamp going back keeps the offset before it")
      << QByteArray("10:00:05.000\tA\r\n10:00:09.000\tB\r\n10:00:07.000\tC\r\n10:00:10.000\tD")
      << QByteArray("0:A\r\n|4:B\r\n|4:C\r\n|5:D\r\n");
  QTest::newRow("parts that are no number count as 0")
      << QByteArray("10:xx:05.000\tA\r\n10:00:06\tBBBB\r\n") << QByteArray("0:A\r\n|1:BBBB\r\n");
  QTest::newRow("lone CR and LF are data")
      << QByteArray("10:00:00.000\tA\nB\rC\r\n") << QByteArray("0:A\nB\rC\r\n");
  QTest::newRow("file without CR LF is read by LF")
      << QByteArray("10:00:00.000\tA\n10:00:01.000\tB\n>C=1\n10:00:02.000\tD")
      << QByteArray("0:A\r\n|1:B\r\n>C=1\r\n|2:D\r\n");
  QTest::newRow("blank lines of an LF file are skipped")
      << QByteArray("\n10:00:00.000\tA\n\n\nB\n\n") << QByteArray("0:A\r\nB\r\n");
  QTest::newRow("lone CR in an LF file is data")
      << QByteArray("10:00:00.000\tA\rB\n") << QByteArray("0:A\rB\r\n");
  QTest::newRow("8-bit bytes unchanged")
      << QByteArray("10:00:00.000\t\xCF\xF0\xE8\x98\xFF\r\n") << QByteArray("0:\xCF\xF0\xE8\x98\xFF\r\n");
  QTest::newRow("hexadecimal line replays its digits")
      << QByteArray("10:00:00.000\t3E 0D 0A \r\n") << QByteArray("0:3E 0D 0A \r\n");
  QTest::newRow("empty file") << QByteArray() << QByteArray();
}

void TstVirtualCommDriver::loading() {
  QFETCH(QByteArray, file);
  QFETCH(QByteArray, entries);
  TReplayRig rig;
  QString error;
  QVERIFY2(rig.Load(file, &error), qPrintable(error));
  QCOMPARE(Describe(rig.Driver.LogEntries()), entries);
}

void TstVirtualCommDriver::encodings_data() {
  QTest::addColumn<QByteArray>("file");
  QTest::addColumn<QByteArray>("data");
  const QString line = QStringLiteral("10:00:00.000\t") + QString::fromUtf8("Привет");
  const QByteArray cp1251("\xCF\xF0\xE8\xE2\xE5\xF2\r\n");
  QTest::newRow("8-bit without mark") << QByteArray("10:00:00.000\t\xCF\xF0\xE8\xE2\xE5\xF2") << cp1251;
  QTest::newRow("UTF-8 mark") << QByteArray("\xEF\xBB\xBF") + line.toUtf8() << cp1251;
  QTest::newRow("UTF-16LE mark") << Utf16(line, QStringConverter::Utf16LE, "\xFF\xFE") << cp1251;
  QTest::newRow("UTF-16BE mark") << Utf16(line, QStringConverter::Utf16BE, "\xFE\xFF") << cp1251;
  QTest::newRow("UTF-8 without mark is 8-bit text")
      << line.toUtf8() << QByteArray("\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\r\n");
  QTest::newRow("characters outside the code page")
      << QByteArray("\xEF\xBB\xBF") + QString::fromUtf8("10:00:00.000\t中€😀.").toUtf8()
      << QByteArray("?\x88?.\r\n");
}

void TstVirtualCommDriver::encodings() {
  QFETCH(QByteArray, file);
  QFETCH(QByteArray, data);
  TReplayRig rig;
  QString error;
  QVERIFY2(rig.Load(file, &error), qPrintable(error));
  QCOMPARE(rig.Driver.LogEntries().size(), std::size_t(1));
  QCOMPARE(rig.Driver.LogEntries()[0].Data.toByteArray(), data);
}

void TstVirtualCommDriver::badFileFailsAndKeepsLoadedLog_data() {
  QTest::addColumn<QByteArray>("file");
  QTest::addColumn<QString>("reason");
  QTest::newRow("hours above 23") << QByteArray("10:00:00.000\tA\r\n24:00:00.000\tB\r\n")
                                  << "the time stamp \"24:00:00.000\" on line 2 is out of range";
  QTest::newRow("minutes above 59") << QByteArray("10:60:00.000\tA") << "\"10:60:00.000\" on line 1";
  QTest::newRow("seconds above 59") << QByteArray("x\r\n10:00:75.000\tA") << "\"10:00:75.000\" on line 2";
  QTest::newRow("broken UTF-8 after a mark") << QByteArray("\xEF\xBB\xBF"
                                                           "10:00:00.000\t\xC3(")
                                             << "UTF-8";
  // Read line by line, a UTF-8 file still fails as text first: a bad stamp before the broken text
  // does not hide it.
  QTest::newRow("broken UTF-8 after a bad stamp") << QByteArray("\xEF\xBB\xBF"
                                                                "24:00:00.000\tA\r\n"
                                                                "10:00:00.000\t\xC3(")
                                                  << "UTF-8";
  QTest::newRow("bad stamp in UTF-8") << QByteArray("\xEF\xBB\xBF"
                                                    "10:00:00.000\t\xC3\xA9\r\n"
                                                    "24:00:00.000\t\xD0\x96\r\n")
                                      << "the time stamp \"24:00:00.000\" on line 2 is out of range";
  QTest::newRow("UTF-16 cut in half")
      << Utf16(QStringLiteral("10:00:00.000\tA"), QStringConverter::Utf16LE, "\xFF\xFE") + 'B' << "UTF-16";
}

void TstVirtualCommDriver::badFileFailsAndKeepsLoadedLog() {
  QFETCH(QByteArray, file);
  QFETCH(QString, reason);
  TReplayRig rig;
  QVERIFY(rig.Load(kTwoLines10sApart));
  QString error;
  QVERIFY(!rig.Load(file, &error));
  QVERIFY2(error.contains(reason) && error.contains(QStringLiteral("replay.log")), qPrintable(error));
  QCOMPARE(Describe(rig.Driver.LogEntries()), QByteArray("0:A\r\n|10:B\r\n"));
}

void TstVirtualCommDriver::nothingToPlay() {
  TReplayRig rig;
  QString error;
  QVERIFY(!rig.Driver.LoadFromFile(rig.Dir.filePath(QStringLiteral("missing.log")), &error));
  QVERIFY2(error.contains(QStringLiteral("missing.log")), qPrintable(error));

  QVERIFY(rig.Load("\r\n\r\n"));
  QVERIFY(!rig.Driver.Connect());
  rig.Driver.Step();
  rig.Driver.Play();
  rig.Run(1000);
  QVERIFY(!rig.Driver.Playing());
  QVERIFY(rig.Got.isEmpty());
  QVERIFY(rig.Driver.SendData(">X\r\n", 4));
}

void TstVirtualCommDriver::speedScalesGapsWithOneTimerPerGap() {
  TReplayRig rig;
  QVERIFY(rig.Load(kTwoLines10sApart));
  rig.Driver.SetSpeedFactor(2);
  rig.Driver.Play();
  rig.Run(1);
  QCOMPARE(rig.Got, QList<QByteArray>{"A\r\n"});

  // One single-shot timer for the whole gap, not a poll.
  QTimer* armed = nullptr;
  for (QTimer* t : rig.Driver.findChildren<QTimer*>())
    if (t->isActive()) {
      QVERIFY(!armed);
      armed = t;
    }
  QVERIFY(armed && armed->isSingleShot());
  QCOMPARE(armed->interval(), 5000);
  QCOMPARE(rig.Driver.TimerDue() - rig.Now(), qint64(5000));

  rig.Run(4999);
  QCOMPARE(rig.Got.size(), 1);
  rig.Run(1);
  QCOMPARE(rig.Got, (QList<QByteArray>{"A\r\n", "B\r\n"}));
  QCOMPARE(rig.Times[1] - rig.Times[0], qint64(5000));
  QVERIFY(!rig.ForeignSender);
}

void TstVirtualCommDriver::pauseHoldsAndResumesInPlace() {
  TReplayRig rig;
  QVERIFY(rig.Load(kTwoLines10sApart));
  rig.Driver.Play();
  rig.Run(3000);
  rig.Driver.Pause();
  QVERIFY(rig.Driver.Paused());
  QCOMPARE(rig.Driver.TimerDue(), qint64(-1));
  QCOMPARE(rig.Driver.ReplayTime(), 3.0);

  rig.Run(60000);
  QCOMPARE(rig.Got.size(), 1);
  const qint64 resumed = rig.Now();
  rig.Driver.Play();
  rig.Run(20000);
  QCOMPARE(rig.Got.size(), 2);
  QVERIFY2(Near(rig.Times[1] - resumed, 7000), qPrintable(QString::number(rig.Times[1] - resumed)));
}

void TstVirtualCommDriver::speedChangeKeepsReplayTime_data() {
  QTest::addColumn<bool>("paused");
  QTest::newRow("while playing") << false;
  QTest::newRow("while paused") << true;
}

void TstVirtualCommDriver::speedChangeKeepsReplayTime() {
  QFETCH(bool, paused);
  TReplayRig rig;
  QVERIFY(rig.Load("10:00:00.000\tA\r\n10:00:12.000\tB\r\n10:00:20.000\tC\r\n"));
  rig.Driver.Play();
  rig.Run(10000);
  if (paused)
    rig.Driver.Pause();
  rig.Driver.SetSpeedFactor(4);
  if (paused)
    rig.Driver.Play();
  QCOMPARE(rig.Driver.ReplayTime(), 10.0);

  const qint64 changed = rig.Now();
  rig.Run(5000);
  QCOMPARE(rig.Got, (QList<QByteArray>{"A\r\n", "B\r\n", "C\r\n"}));
  QVERIFY2(Near(rig.Times[1] - changed, 500), qPrintable(QString::number(rig.Times[1] - changed)));
  QVERIFY2(Near(rig.Times[2] - changed, 2500), qPrintable(QString::number(rig.Times[2] - changed)));
}

void TstVirtualCommDriver::speedNotAboveZeroIsTenth_data() {
  QTest::addColumn<double>("speed");
  QTest::newRow("zero") << 0.0;
  QTest::newRow("negative") << -3.0;
  QTest::newRow("not a number") << std::nan("");
}

void TstVirtualCommDriver::speedNotAboveZeroIsTenth() {
  QFETCH(double, speed);
  TReplayRig rig;
  QVERIFY(rig.Load("10:00:00.000\tA\r\n10:00:01.000\tB\r\n"));
  rig.Driver.Play();
  rig.Run(1);
  rig.Driver.SetSpeedFactor(speed);
  QCOMPARE(rig.Driver.SpeedFactor(), 0.1);
  // One recorded second takes ten.
  rig.Run(9900);
  QCOMPARE(rig.Got.size(), 1);
  rig.Run(200);
  QCOMPARE(rig.Got.size(), 2);
}

void TstVirtualCommDriver::loopFollowsWithoutPause() {
  TReplayRig rig;
  QVERIFY(rig.Load(kTwoLines10sApart));
  rig.Driver.SetLoopEnabled(true);
  rig.Driver.Play();
  rig.Run(20002);
  QCOMPARE(rig.Got, (QList<QByteArray>{"A\r\n", "B\r\n", "A\r\n", "B\r\n"}));
  QVERIFY(rig.Times[2] - rig.Times[1] <= 1);
  QVERIFY(Near(rig.Times[3] - rig.Times[2], 10000));
  QVERIFY(rig.Driver.Playing());
}

void TstVirtualCommDriver::endWithoutLoopStopsAndCanRestart() {
  TReplayRig rig;
  QVERIFY(rig.Load(kTwoLines10sApart));
  rig.Driver.Play();
  rig.Run(60000);
  QCOMPARE(rig.Got.size(), 2);
  QVERIFY(!rig.Driver.Playing());
  QCOMPARE(rig.Driver.TimerDue(), qint64(-1));
  QCOMPARE(rig.Steps, 3); // two entries and the end

  rig.Driver.Play();
  rig.Run(10);
  QCOMPARE(rig.Got.size(), 3);
  QCOMPARE(rig.Got.last(), QByteArray("A\r\n"));
}

void TstVirtualCommDriver::stepOnStoppedReplay() {
  TReplayRig rig;
  QVERIFY(rig.Load("10:00:00.000\tA\r\n10:00:01.000\tB\r\n10:00:02.000\tC\r\n"));
  rig.Driver.Step();
  QCOMPARE(rig.Got, QList<QByteArray>{"A\r\n"});
  QVERIFY(rig.Driver.Playing() && rig.Driver.Paused());
  QCOMPARE(rig.Driver.CurrentIdx(), 1);
  rig.Run(60000);
  QCOMPARE(rig.Got.size(), 1);
}

void TstVirtualCommDriver::stepBackAfterThree_data() {
  QTest::addColumn<bool>("played");
  QTest::newRow("three steps") << false;
  QTest::newRow("three played") << true;
}

void TstVirtualCommDriver::stepBackAfterThree() {
  QFETCH(bool, played);
  TReplayRig rig;
  QVERIFY(rig.Load("10:00:00.000\tA\r\n10:00:01.000\tB\r\n10:00:02.000\tC\r\n10:00:03.000\tD\r\n"));
  if (played) {
    rig.Driver.Play();
    rig.Run(2500);
  } else {
    for (int i = 0; i < 3; ++i)
      rig.Driver.Step();
  }
  QCOMPARE(rig.Got.size(), 3);
  rig.Driver.StepBack();
  QVERIFY(rig.Driver.Paused());
  QCOMPARE(rig.Driver.CurrentIdx(), 2);
  rig.Driver.Step();
  rig.Run(60000);
  QCOMPARE(rig.Got, (QList<QByteArray>{"A\r\n", "B\r\n", "C\r\n", "C\r\n", "C\r\n"}));
  QCOMPARE(rig.Driver.CurrentIdx(), 3);
}

void TstVirtualCommDriver::stepOntoSentLineKeepsPosition() {
  TReplayRig rig;
  QVERIFY(rig.Load("10:00:00.000\tA\r\n10:00:08.000\tB\r\nPC > DEVICE\t>C\r\n10:00:10.000\tD\r\n"));
  for (int i = 0; i < 3; ++i)
    rig.Driver.Step();
  QCOMPARE(rig.Got.last(), QByteArray(">C\r\n"));
  const qint64 resumed = rig.Now();
  rig.Driver.Play();
  rig.Run(20000);
  QCOMPARE(rig.Got.size(), 4);
  QVERIFY2(Near(rig.Times[3] - resumed, 2000), qPrintable(QString::number(rig.Times[3] - resumed)));
}

void TstVirtualCommDriver::pauseFromReceiveEventEndsTick() {
  TReplayRig rig;
  QVERIFY(rig.Load("10:00:00.000\tA\r\nPC > DEVICE\tB\r\n10:00:05.000\tC\r\n"));
  rig.Driver.SetOnReceiveData([&rig](TCommPortDriver*, const char* aData, int aSize) {
    rig.Got << QByteArray(aData, aSize);
    if (rig.Got.size() == 1)
      rig.Driver.Pause();
  });
  rig.Driver.Play();
  rig.Run(10000);
  QCOMPARE(rig.Got, QList<QByteArray>{"A\r\n"});
  QVERIFY(rig.Driver.Paused());
  QCOMPARE(rig.Driver.TimerDue(), qint64(-1));

  rig.Driver.Play();
  rig.Run(10000);
  QCOMPARE(rig.Got, (QList<QByteArray>{"A\r\n", "B\r\n", "C\r\n"}));
}

void TstVirtualCommDriver::longEntryArrivesWholeInBufferSizedPieces() {
  TReplayRig rig;
  const QByteArray data(100, 'x');
  QVERIFY(rig.Load("10:00:00.000\t" + data + "\r\n"));
  rig.Driver.SetPortInBufSize(16);
  rig.Driver.Step();
  QCOMPARE(rig.Got.size(), 7);
  for (const QByteArray& piece : rig.Got)
    QVERIFY(piece.size() <= 16);
  QCOMPARE(rig.Got.join(), data + "\r\n");
}

QTEST_GUILESS_MAIN(TstVirtualCommDriver)
#include "tst_virtual_comm_driver.moc"
