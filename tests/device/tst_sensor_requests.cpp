// Requests to a fuel-sensor master: one at a time, no text of the line protocol, a lost answer
// asked once more and then given up, the queue dropped with the port; and the probe that finds a
// silent master whatever the program sent before it.

#include "core/core_fixture.h"
#include "updates/crypto/checksums.h"

#include <QTest>

namespace {

QByteArray Hex(const char* aHex) {
  return QByteArray::fromHex(aHex);
}

const QByteArray kInfo = Hex("3110B0AB");
const QByteArray kSlots = Hex("3110B1F5");
const QByteArray kSearch = Hex("3110B869");
const QByteArray kTypeRequest = ">I 7\r\n";

// A "250" port on a generation-3 core, as after detection.
struct TMasterRig : TCoreRig {
  TMasterRig() {
    Port->SetActive(true);
    Core.SetVersion(vtVersion3);
    Port->SetDeviceVer(QStringLiteral("250"));
    Host.Hints.clear();
  }
  void Answer() { ReceiveHex("3E10B200AA"); }
  void Tick(qint64 aMs) {
    Clock.Advance(aMs);
    Port->CheckReplyTimeout();
  }
};

} // namespace

class TstSensorRequests : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void textNeverReachesAMaster();
  void lostAnswerIsAskedAgainThenGivenUp();
  void retriedRequestSettlesBeforeTheNextGoes_data();
  void retriedRequestSettlesBeforeTheNextGoes();
  void deselectingDropsTheQueue();
  void probeIgnoresWhatTheProgramSent();
  void repeatedQuestionIsAskedOnce();
  void automaticTextWaitsForTheProbe_data();
  void automaticTextWaitsForTheProbe();
};

void TstSensorRequests::textNeverReachesAMaster() {
  TMasterRig rig;
  // The type request, a language switch or a resume sends text: none of it goes, none of it
  // closes the gate.
  rig.Port->SendAnsiString(kTypeRequest);
  rig.Port->SendAnsiString(kInfo);
  rig.Port->SendAnsiString("settings get\r\n");
  rig.Port->SendAnsiString(kSlots);
  QCOMPARE(rig.Driver.Written, QList<QByteArray>{kInfo});
  rig.Answer();
  QCOMPARE(rig.Driver.Written, (QList<QByteArray>{kInfo, kSlots}));
  rig.Answer();
  QCOMPARE(rig.Port->QueuedCount(), 0);

  // The fuel page's debug switch talks text to the master on purpose, in the text generation.
  rig.Core.SetVersion(vtVersion1);
  rig.Port->SendAnsiString(kTypeRequest);
  QCOMPARE(rig.Driver.Written.last(), kTypeRequest);
}

void TstSensorRequests::lostAnswerIsAskedAgainThenGivenUp() {
  TMasterRig rig;
  rig.Port->SendAnsiString(kInfo);
  rig.Port->SendAnsiString(kSlots);
  rig.Tick(TPortInfo::kReplyTimeoutMs - 1);
  QCOMPARE(rig.Driver.Written, QList<QByteArray>{kInfo});
  rig.Tick(1);
  QCOMPARE(rig.Driver.Written, (QList<QByteArray>{kInfo, kInfo}));
  QVERIFY(rig.Host.Hints.isEmpty());
  rig.Tick(TPortInfo::kReplyTimeoutMs);
  // Given up: said so, and the next request goes.
  QCOMPARE(rig.Host.Hints, (QList<QPair<int, QString>>{{0, QStringLiteral("mes_sensornoreply")}}));
  QCOMPARE(rig.Driver.Written, (QList<QByteArray>{kInfo, kInfo, kSlots}));
  // The next one is answered as usual.
  rig.Answer();
  rig.Port->SendAnsiString(kSearch);
  QCOMPARE(rig.Driver.Written.last(), kSearch);
  rig.Tick(TPortInfo::kReplyTimeoutMs);
  rig.Tick(TPortInfo::kReplyTimeoutMs);
  QCOMPARE(rig.Driver.Written.mid(3), (QList<QByteArray>{kSearch, kSearch}));
  QCOMPARE(rig.Host.Hints.size(), 2); // the search went unanswered too
}

void TstSensorRequests::retriedRequestSettlesBeforeTheNextGoes_data() {
  QTest::addColumn<int>("answers");    // answers to the retried request: the late one, the retry's
  QTest::addColumn<qint64>("quietMs"); // waited after them
  QTest::addColumn<bool>("nextGoes");
  QTest::newRow("both answers in: the next goes at once") << 2 << qint64(0) << true;
  QTest::newRow("one answer: the next waits for the second")
      << 1 << qint64(TPortInfo::kReplyTimeoutMs / 2) << false;
  QTest::newRow("one answer, then quiet: the next goes") << 1 << qint64(TPortInfo::kReplyTimeoutMs) << true;
}

void TstSensorRequests::retriedRequestSettlesBeforeTheNextGoes() {
  QFETCH(int, answers);
  QFETCH(qint64, quietMs);
  QFETCH(bool, nextGoes);
  TMasterRig rig;
  const QByteArray slot0 = AppendCrc8(Hex("3110B400"));
  const QByteArray slot1 = AppendCrc8(Hex("3110B401"));
  rig.Port->SendAnsiString(slot0);
  rig.Port->SendAnsiString(slot1);
  rig.Tick(TPortInfo::kReplyTimeoutMs); // no answer in time: asked again
  QCOMPARE(rig.Driver.Written, (QList<QByteArray>{slot0, slot0}));
  for (int i = 0; i < answers; ++i)
    rig.Answer();
  rig.Tick(quietMs);
  QCOMPARE(rig.Driver.Written.size(), nextGoes ? 3 : 2);
  if (!nextGoes)
    return;
  QCOMPARE(rig.Driver.Written.last(), slot1);
  // Whatever came for the retried request lies before the next request: an answer after it is
  // the next request's own.
  QCOMPARE(rig.Core.Gen3Index().back().State, quint8(psSent));
  rig.Answer();
  rig.Tick(10 * TPortInfo::kReplyTimeoutMs);
  QVERIFY(rig.Host.Hints.isEmpty());
  QCOMPARE(rig.Driver.Written.size(), 3);
}

void TstSensorRequests::deselectingDropsTheQueue() {
  TMasterRig rig;
  rig.Port->SendAnsiString(kInfo);
  rig.Port->SendAnsiString(kSlots);
  rig.Port->SendAnsiString(kSearch);
  rig.Port->SetActive(false);
  QCOMPARE(rig.Port->QueuedCount(), 0);
  rig.Tick(10 * TPortInfo::kReplyTimeoutMs);
  QCOMPARE(rig.Driver.Written, QList<QByteArray>{kInfo});
  QVERIFY(rig.Host.Hints.isEmpty());
}

void TstSensorRequests::probeIgnoresWhatTheProgramSent() {
  TCoreRig rig;
  rig.Port->SetActive(true);
  // Painting the port asked for the type at once; the master is probed all the same.
  rig.Port->SendAnsiString(kTypeRequest);
  rig.Clock.Advance(2001);
  QVERIFY(rig.Core.ProbeSilentSensor());
  QCOMPARE(rig.Driver.Written, (QList<QByteArray>{kTypeRequest, kInfo}));
  QVERIFY(!rig.Core.ProbeSilentSensor());
  rig.Clock.Advance(60000);
  QVERIFY(!rig.Core.ProbeSilentSensor());

  // Selected again later: probed again, even with the earlier traffic in the log.
  rig.Port->SetActive(false);
  rig.Port->SetActive(true);
  rig.Clock.Advance(2001);
  QVERIFY(rig.Core.ProbeSilentSensor());

  // A port that has spoken since it became active is no silent sensor.
  TCoreRig busy;
  busy.Port->SetActive(true);
  busy.Receive("x");
  busy.Clock.Advance(5000);
  QVERIFY(!busy.Core.ProbeSilentSensor());
}

void TstSensorRequests::repeatedQuestionIsAskedOnce() {
  TMasterRig rig;
  const QByteArray restart = Hex("3110B70001E9");
  // Loading the page and opening it both ask for the slot list while the first asking is out.
  rig.Port->SendAnsiString(kSlots);
  rig.Port->SendAnsiString(kSlots);
  rig.Port->SendAnsiString(kSearch);
  rig.Port->SendAnsiString(kSearch);
  // A restart asked twice is meant twice.
  rig.Port->SendAnsiString(restart);
  rig.Port->SendAnsiString(restart);
  QCOMPARE(rig.Port->QueuedCount(), 3);
  for (int i = 0; i < 4; ++i)
    rig.Answer();
  QCOMPARE(rig.Driver.Written, (QList<QByteArray>{kSlots, kSearch, restart, restart}));
  // Answered, the same question may be asked again.
  rig.Port->SendAnsiString(kSlots);
  QCOMPARE(rig.Driver.Written.last(), kSlots);
  QCOMPARE(rig.Driver.Written.size(), 5);
}

void TstSensorRequests::automaticTextWaitsForTheProbe_data() {
  QTest::addColumn<bool>("speaksFirst");
  QTest::addColumn<QByteArrayList>("answer"); // chunks after the probe
  QTest::addColumn<QByteArrayList>("written");
  const QByteArray masterInfo = Hex("3E10B0") + QByteArray(32, '\x01') + '\0';
  QTest::newRow("master answers the probe") << false << QByteArrayList{masterInfo} << QByteArrayList{kInfo};
  // The first bytes of the answer are no sign that text may go.
  QTest::newRow("master answers in two pieces")
      << false << QByteArrayList{masterInfo.left(10), masterInfo.mid(10)} << QByteArrayList{kInfo};
  QTest::newRow("silent through the answer time")
      << false << QByteArrayList{} << QByteArrayList{kInfo, kTypeRequest};
  QTest::newRow("device speaks at once") << true << QByteArrayList{} << QByteArrayList{kTypeRequest};
}

void TstSensorRequests::automaticTextWaitsForTheProbe() {
  QFETCH(bool, speaksFirst);
  QFETCH(QByteArrayList, answer);
  QFETCH(QByteArrayList, written);
  TCoreRig rig;
  auto tick = [&](qint64 aMs) {
    rig.Clock.Advance(aMs);
    rig.Core.ProbeSilentSensor();
    rig.Port->ReleaseHeldText();
  };
  rig.Port->SetActive(true);
  // Painting the new port asks for its type.
  rig.Port->SendAutomatic(kTypeRequest);
  tick(25);
  QCOMPARE(rig.Driver.Written, QList<QByteArray>{});
  if (speaksFirst) {
    rig.Receive("$");
    tick(25);
    QCOMPARE(rig.Driver.Written, QList<QByteArray>{kTypeRequest});
  }
  tick(TExchangeCore::kProbeWaitMs);
  for (const QByteArray& chunk : answer) {
    QCOMPARE(rig.Driver.Written.value(0), kInfo);
    rig.Receive(chunk);
    tick(25);
  }
  tick(TPortInfo::kReplyTimeoutMs);
  tick(60000);
  QCOMPARE(rig.Driver.Written, written);
  QCOMPARE(rig.Port->HeldTextCount(), 0);
}

QTEST_GUILESS_MAIN(TstSensorRequests)
#include "tst_sensor_requests.moc"
