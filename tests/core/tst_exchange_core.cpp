#include "core_fixture.h"
#include "updates/crypto/checksums.h"

#include <QTest>

class TstExchangeCore : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void readers_data();
  void readers();
  void readersRejectRangesOutsideTheLog_data();
  void readersRejectRangesOutsideTheLog();
  void searches_data();
  void searches();

  void framing_data();
  void framing();
  void longOpenLineClosesOnceAcrossManyChunks();
  void gen3ReplyAtLogEndReleasesNextRequest();

  void detection_data();
  void detection();
  void detectionKeepsSendsAndDecodesAgain();
  void nextDeviceIsJudgedByItsOwnPackets_data();
  void nextDeviceIsJudgedByItsOwnPackets();
  void requestSentWhileSwitchingToSensorStaysInView();

  void replyTexts();
  void awaitedReplyNamesItsCommand_data();
  void awaitedReplyNamesItsCommand();
  void operationHandOff();
  void clearKeepsPositions();
  void failedWriteLogsNothing();
  void sensorProbe();
};

void TstExchangeCore::readers_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("reader");
  QTest::addColumn<qint64>("pos");
  QTest::addColumn<QString>("expected");
  const QByteArray b = QByteArray::fromHex("00FF3412785634128000803F4142");
  QTest::newRow("byte") << b << "AsByte" << qint64(1) << "255";
  QTest::newRow("shortint") << b << "AsShortInt" << qint64(1) << "-1";
  QTest::newRow("word little-endian") << b << "AsWord" << qint64(2) << "4660";
  QTest::newRow("cardinal") << b << "AsCardinal" << qint64(4) << "305419896";
  QTest::newRow("integer negative") << QByteArray::fromHex("FEFFFFFF") << "AsInteger" << qint64(0) << "-2";
  QTest::newRow("single") << b << "AsSingle" << qint64(8) << "1.00002";
  QTest::newRow("double") << QByteArray::fromHex("000000000000F03F") << "AsDouble" << qint64(0) << "1";
  QTest::newRow("text one char per byte") << QByteArray("\x41\xE9\x42", 3) << "AsText" << qint64(0)
                                          << QString::fromLatin1("A\xE9"
                                                                 "B");
  QTest::newRow("hex with separator") << b << "AsHEX" << qint64(0) << "00 FF 34";
  QTest::newRow("hex descending") << b << "AsHEXdesc" << qint64(0) << "34FF00";
}

void TstExchangeCore::readers() {
  QFETCH(QByteArray, bytes);
  QFETCH(QString, reader);
  QFETCH(qint64, pos);
  QFETCH(QString, expected);
  TMemoryStreamEx s;
  s.Write(bytes);
  QString got;
  if (reader == u"AsByte")
    got = QString::number(s.AsByte(pos));
  else if (reader == u"AsShortInt")
    got = QString::number(s.AsShortInt(pos));
  else if (reader == u"AsWord")
    got = QString::number(s.AsWord(pos));
  else if (reader == u"AsCardinal")
    got = QString::number(s.AsCardinal(pos));
  else if (reader == u"AsInteger")
    got = QString::number(s.AsInteger(pos));
  else if (reader == u"AsSingle")
    got = QString::number(s.AsSingle(pos));
  else if (reader == u"AsDouble")
    got = QString::number(s.AsDouble(pos));
  else if (reader == u"AsText")
    got = s.AsText(pos, bytes.size());
  else if (reader == u"AsHEX")
    got = s.AsHEX(pos, 3, QStringLiteral(" "));
  else
    got = s.AsHEX(pos, 3, QString(), true);
  QCOMPARE(got, expected);
  QCOMPARE(s.AsText(0, 0), QString());
  QCOMPARE(s.AsHEX(0, -1, QStringLiteral(" ")), QString());
}

void TstExchangeCore::readersRejectRangesOutsideTheLog_data() {
  QTest::addColumn<qint64>("pos");
  QTest::addColumn<qint64>("length");
  QTest::newRow("word over the end") << qint64(3) << qint64(2);
  QTest::newRow("negative position") << qint64(-1) << qint64(1);
  QTest::newRow("text past the end") << qint64(2) << qint64(3);
  QTest::newRow("huge length") << qint64(1) << qint64(0x7FFFFFFFFFFFFFFF);
}

void TstExchangeCore::readersRejectRangesOutsideTheLog() {
  QFETCH(qint64, pos);
  QFETCH(qint64, length);
  TMemoryStreamEx s;
  s.Write(QByteArray("ABCD"));
  QVERIFY_THROWS_EXCEPTION(TStreamRangeError, s.AsText(pos, length));
  QVERIFY_THROWS_EXCEPTION(TStreamRangeError, s.AsHEX(pos, length));
  if (length == 2)
    QVERIFY_THROWS_EXCEPTION(TStreamRangeError, s.AsWord(pos));
  QVERIFY_THROWS_EXCEPTION(TStreamRangeError, s.AsDouble(0));
}

void TstExchangeCore::searches_data() {
  QTest::addColumn<qint64>("pos");
  QTest::addColumn<qint64>("size");
  QTest::addColumn<QByteArray>("sign");
  QTest::addColumn<qint64>("expected");
  // log: "xx>ab\r\n>c"
  QTest::newRow("first of two") << qint64(0) << qint64(10) << QByteArray(">") << qint64(2);
  QTest::newRow("from inside") << qint64(3) << qint64(7) << QByteArray(">") << qint64(7);
  QTest::newRow("sign at the very end of the range")
      << qint64(0) << qint64(7) << QByteArray("\r\n") << qint64(5);
  QTest::newRow("sign cut by the range") << qint64(0) << qint64(6) << QByteArray("\r\n") << qint64(-1);
  QTest::newRow("sign longer than range") << qint64(2) << qint64(1) << QByteArray(">a") << qint64(-1);
  QTest::newRow("negative size") << qint64(5) << qint64(-3) << QByteArray(">") << qint64(-1);
  QTest::newRow("range past the log") << qint64(8) << qint64(100) << QByteArray("c") << qint64(8);
  QTest::newRow("absent") << qint64(0) << qint64(9) << QByteArray("zz") << qint64(-1);
}

void TstExchangeCore::searches() {
  QFETCH(qint64, pos);
  QFETCH(qint64, size);
  QFETCH(QByteArray, sign);
  QFETCH(qint64, expected);
  TMemoryStreamEx s;
  s.Write(QByteArray("xx>ab\r\n>c"));
  QCOMPARE(s.StringPosition(pos, size, sign), expected);
  QCOMPARE(s.ArrayPosition(pos, size, sign.constData(), int(sign.size())), expected);
}

void TstExchangeCore::framing_data() {
  QTest::addColumn<int>("generation");
  QTest::addColumn<QStringList>("chunks");
  QTest::addColumn<QString>("index");
  QTest::addColumn<int>("decoded");

  // Generation 1: text lines ">key=value\r\n".
  QTest::newRow("line split after its third byte") << 1 << QStringList{"3E413D", "310D0A"} << "0:6:2" << 1;
  QTest::newRow("two lines in one chunk")
      << 1 << QStringList{"3E413D310D0A3E423D320D0A"} << "0:6:2 6:6:2" << 2;
  QTest::newRow("stray bytes before a line") << 1 << QStringList{"58583E413D310D0A"} << "0:2:0 2:6:2" << 1;
  QTest::newRow("line without = never decoded")
      << 1 << QStringList{"3E413D310D0A", "3E4F4B0D0A"} << "0:6:2 6:5:0" << 1;
  QTest::newRow("CR and LF in separate chunks")
      << 1 << QStringList{"3E41", "3D", "31", "0D", "0A"} << "0:6:2" << 1;
  QTest::newRow("stray bytes over chunks")
      << 1 << QStringList{"5858", "583E41", "3D310D0A"} << "0:3:0 3:6:2" << 1;
  QTest::newRow("line without = joins open bytes, next line decoded")
      << 1 << QStringList{"583E4F4B0D0A", "3E413D310D0A"} << "0:6:0 6:6:2" << 1;
  QTest::newRow("second > inside the line") << 1 << QStringList{"583E413E423D310D0A"} << "0:3:0 3:6:2" << 1;
  QTest::newRow("rest after a line stays open") << 1 << QStringList{"3E413D310D0A3E42"} << "0:6:2 6:2:0" << 1;

  // Generation 2: 55 AA, header with the body length at offsets 6-7, body, two trailing bytes.
  QTest::newRow("empty body is 10 bytes") << 2 << QStringList{"55AA01020304000011 22"} << "0:10:2" << 1;
  QTest::newRow("header split after 7 bytes waits")
      << 2 << QStringList{"55AA0102030402", "00AABB1122"} << "0:12:2" << 1;
  QTest::newRow("header split, still incomplete")
      << 2 << QStringList{"55AA0102030402", "00AA"} << "0:9:0" << 0;
  QTest::newRow("junk then two packets")
      << 2 << QStringList{"0155AA0102030400001122", "55AA010203040100FF1122"} << "0:1:0 1:10:2 11:11:2" << 2;

  // Generation 3: 3E 10, command, body by command, one trailing byte.
  QTest::newRow("B2 reply is 5 bytes") << 3 << QStringList{"3E10B20011"} << "0:5:2" << 1;
  QTest::newRow("B8 with N=2 is 21 bytes")
      << 3 << QStringList{"3E10B802" + QString("00").repeated(16), "00"} << "0:21:2" << 1;
  QTest::newRow("unknown command is 4 bytes") << 3 << QStringList{"3E10C7AA"} << "0:4:2" << 1;
  QTest::newRow("junk then reply split") << 3 << QStringList{"AA3E", "10B2", "0011"} << "0:1:0 1:5:2" << 1;
}

void TstExchangeCore::framing() {
  QFETCH(int, generation);
  QFETCH(QStringList, chunks);
  QFETCH(QString, index);
  QFETCH(int, decoded);
  TCoreRig rig;
  rig.Core.SetVersion(TVersionType(vtVersion0 + generation));
  for (const QString& c : chunks)
    rig.ReceiveHex(c.toLatin1());
  QCOMPARE(Describe(rig.Core.GenIndex(generation)), index);
  QCOMPARE(rig.Decoded[generation - 1].size(), decoded);
  // Each closed packet is handed off exactly once.
  QSet<int> unique(rig.Decoded[generation - 1].cbegin(), rig.Decoded[generation - 1].cend());
  QCOMPARE(unique.size(), decoded);
}

void TstExchangeCore::longOpenLineClosesOnceAcrossManyChunks() {
  TCoreRig rig;
  rig.Core.SetVersion(vtVersion1);
  rig.Receive(">LONG=");
  const QByteArray piece(64, 'x');
  for (int i = 0; i < 200; ++i)
    rig.Receive(piece);
  rig.Receive("\r");
  QCOMPARE(rig.Decoded[0].size(), 0);
  rig.Receive("\n>B=1\r\n");
  QCOMPARE(Describe(rig.Core.Gen1Index()), QStringLiteral("0:12808:2 12808:6:2"));
  QCOMPARE(rig.Decoded[0], (QList<int>{0, 1}));
}

void TstExchangeCore::gen3ReplyAtLogEndReleasesNextRequest() {
  TCoreRig rig;
  rig.Core.SetVersion(vtVersion3);
  rig.Port->SetDeviceVer(QStringLiteral("250"));
  const QByteArray r1 = QByteArray::fromHex("3110B0AB");
  const QByteArray r2 = QByteArray::fromHex("3110B1F5");
  const QByteArray r3 = QByteArray::fromHex("3110B869");
  rig.Port->SendAnsiString(r1);
  rig.Port->SendAnsiString(r2);
  rig.Port->SendAnsiString(r3);
  QCOMPARE(rig.Driver.Written, (QList<QByteArray>{r1}));
  QCOMPARE(rig.Port->QueuedCount(), 2);
  // Two replies in one chunk: only the one that ends the log releases the next request.
  rig.ReceiveHex("3E10B200113E10B20022");
  QCOMPARE(rig.Driver.Written, (QList<QByteArray>{r1, r2}));
  QCOMPARE(Describe(rig.Core.Gen3Index()), QStringLiteral("0:4:255 4:5:2 9:5:2 14:4:255"));
  rig.ReceiveHex("3E10B20033");
  QCOMPARE(rig.Driver.Written, (QList<QByteArray>{r1, r2, r3}));
  QCOMPARE(rig.Port->QueuedCount(), 0);
}

void TstExchangeCore::detection_data() {
  QTest::addColumn<QStringList>("chunks");
  QTest::addColumn<int>("version");
  QTest::addColumn<QString>("index");

  QTest::newRow("generation 1 at the first recognised line")
      << QStringList{"3E413D", "310D0A"} << int(vtVersion1) << "0:6:2";
  QTest::newRow("generation 2") << QStringList{"55AA0102030400001122"} << int(vtVersion2) << "0:10:2";
  QTest::newRow("generation 3") << QStringList{"3E10B20011"} << int(vtVersion3) << "0:5:2";
  QTest::newRow("a tie decides nothing") << QStringList{"3E413D310D0A3E10B20011"} << int(vtDetect) << "";
  QTest::newRow("junk decides nothing") << QStringList{"0102030405"} << int(vtDetect) << "";
}

void TstExchangeCore::detection() {
  QFETCH(QStringList, chunks);
  QFETCH(int, version);
  QFETCH(QString, index);
  TCoreRig rig;
  for (const QString& c : chunks)
    rig.ReceiveHex(c.toLatin1());
  QCOMPARE(int(rig.Core.Version()), version);
  if (version == vtDetect) {
    QVERIFY(rig.Core.ViewIsPacketIndex());
    QCOMPARE(rig.Host.Count("CheckNameTimer"), 0);
    QVERIFY(rig.Host.Hints.isEmpty());
    return;
  }
  const int generation = version - vtVersion0;
  QCOMPARE(&rig.Core.ViewIndex(), &rig.Core.GenIndex(generation));
  QCOMPARE(Describe(rig.Core.ViewIndex()), index);
  QCOMPARE(rig.Host.Count("CheckNameTimer"), 1);
  QCOMPARE(rig.Host.Hints, (QList<QPair<int, QString>>{{3, QStringLiteral("mes_devicestart")}}));
  QCOMPARE(rig.Host.Count(generation == 1 ? "Text" : "HEX"), 1);
  if (generation == 3) {
    QCOMPARE(rig.Port->DeviceVer(), QStringLiteral("250"));
    QCOMPARE(rig.Port->DevicePassword(), QString::fromLatin1(kDefaultDevicePassword));
    QCOMPARE(rig.Host.Count("OpenSettings"), 1);
  }
}

void TstExchangeCore::detectionKeepsSendsAndDecodesAgain() {
  TCoreRig rig;
  rig.Port->SendAnsiString("PING");
  rig.Receive(">A=1\r\n");
  QCOMPARE(Describe(rig.Core.Gen1Index()), QStringLiteral("0:4:255 4:6:2"));
  // Once to count it while the generation was open, once more for real after the decision (the
  // packet now sits behind the send the re-framing copied in).
  QCOMPARE(rig.Decoded[0], (QList<int>{0, 1}));
  // Later sends land in the view as copies.
  rig.Port->SendAnsiString("X");
  QCOMPARE(Describe(rig.Core.Gen1Index()), QStringLiteral("0:4:255 4:6:2 10:1:255"));
}

void TstExchangeCore::nextDeviceIsJudgedByItsOwnPackets_data() {
  QTest::addColumn<QByteArray>("first"); // hex, many packets of the first device
  QTest::addColumn<QByteArray>("tail");  // hex, what the first device sent last
  QTest::addColumn<QByteArray>("next");  // hex, one packet of the next device
  QTest::addColumn<int>("version");
  QTest::newRow("tracker then sensor master")
      << QByteArray("3E413D310D0A") << QByteArray() << QByteArray("3E10B20011") << int(vtVersion3);
  QTest::newRow("legacy then tracker")
      << QByteArray("55AA0102030400001122") << QByteArray() << QByteArray("3E413D310D0A") << int(vtVersion1);
  QTest::newRow("tracker then legacy")
      << QByteArray("3E413D310D0A") << QByteArray() << QByteArray("55AA0102030400001122") << int(vtVersion2);
  // The first device's last record was cut off by the switch (it announced 255 body bytes); it
  // must not swallow the next device's first one.
  QTest::newRow("half a legacy record, then another legacy device")
      << QByteArray("55AA0102030400001122") << QByteArray("55AA01020304FF00")
      << QByteArray("55AA0102030400003344") << int(vtVersion2);
}

void TstExchangeCore::nextDeviceIsJudgedByItsOwnPackets() {
  QFETCH(QByteArray, first);
  QFETCH(QByteArray, tail);
  QFETCH(QByteArray, next);
  QFETCH(int, version);
  TCoreRig rig;
  for (int i = 0; i < 5; ++i)
    rig.ReceiveHex(first.constData());
  if (!tail.isEmpty())
    rig.ReceiveHex(tail.constData());
  QVERIFY(rig.Core.Version() != vtDetect);
  const qint64 switchedAt = rig.Core.TrafficLog().Size();
  rig.Core.SetVersion(vtDetect); // another device selected, no Clear
  rig.ReceiveHex(next.constData());
  QCOMPARE(int(rig.Core.Version()), version);
  const int generation = version - vtVersion0;
  QCOMPARE(rig.Core.RecognisedCount(generation), 1);
  // The packet in view is the next device's own, whole.
  const TPacket& last = rig.Core.GenIndex(generation).back();
  QCOMPARE(last.Position, switchedAt);
  QCOMPARE(last.State, quint8(psRecognised));
  // The first device's traffic stays in the log.
  QCOMPARE(rig.Core.PacketIndex().size(), size_t(tail.isEmpty() ? 6 : 7));
}

void TstExchangeCore::requestSentWhileSwitchingToSensorStaysInView() {
  TCoreRig rig;
  rig.Host.SendTypeRequest = true;
  rig.ReceiveHex("3E10B20011");
  QCOMPARE(rig.Core.Version(), vtVersion3);
  // The type request the switch asks for is text, which a sensor master never gets; the reply is
  // framed once (and decoded again after the decision) and the send gate is open.
  QCOMPARE(Describe(rig.Core.Gen3Index()), QStringLiteral("0:5:2"));
  QVERIFY(rig.Driver.Written.isEmpty());
  QCOMPARE(rig.Decoded[2].size(), 2);
  const QByteArray next = QByteArray::fromHex("3110B1F5");
  rig.Port->SendAnsiString(next);
  QCOMPARE(rig.Driver.Written, QList<QByteArray>{next});
}

void TstExchangeCore::replyTexts() {
  TCoreRig rig;
  rig.Port->SetDevicePID_VID(QStringLiteral("USB\\VID_0483&PID_5742&MI_00"));
  rig.Port->SetUserPassword(QStringLiteral("424242"));
  rig.Receive("DEVICE PASSWORD ERROR\r\nDEVICE PASSWORD OK\r\nSettings write OK EXTFLASH");
  QCOMPARE(rig.Host.Hints,
           (QList<QPair<int, QString>>{{1, QStringLiteral("mes_passwordneed")}, {1, QStringLiteral("SR1")}}));
  QCOMPARE(rig.Port->ReadLockState(), 0);
  QCOMPARE(rig.Port->DevicePassword(), QStringLiteral("424242"));
  QVERIFY(!rig.Port->ReadLocked());

  // A reply cut over two reads still counts, once; one already seen does not count again.
  TCoreRig split;
  split.Port->SetDevicePID_VID(QStringLiteral("USB\\VID_0483&PID_5742&MI_00"));
  split.Port->SetUserPassword(QStringLiteral("424242"));
  split.Port->SetReadLocked(true);
  split.Receive("DEVICE PASSWORD O");
  QVERIFY(split.Port->ReadLocked());
  split.Receive("K\r\n");
  QVERIFY(!split.Port->ReadLocked());
  split.Receive("Settings write OK EXT");
  split.Receive("FLASH");
  split.Receive("\r\n");
  QCOMPARE(split.Host.Hints, (QList<QPair<int, QString>>{{1, QStringLiteral("SR1")}}));

  // Other devices: the texts mean nothing.
  TCoreRig sensor;
  sensor.Port->SetDeviceVer(QStringLiteral("250"));
  sensor.Receive("DEVICE PASSWORD OK");
  QVERIFY(sensor.Host.Hints.isEmpty());
  QCOMPARE(sensor.Port->DevicePassword(), QString::fromLatin1(kUnknownPassword));
}

using THints = QList<QPair<int, QString>>;

void TstExchangeCore::awaitedReplyNamesItsCommand_data() {
  QTest::addColumn<QString>("hardwareId");
  QTest::addColumn<qint64>("waitMs");
  QTest::addColumn<QByteArrayList>("chunks");
  QTest::addColumn<THints>("hints");
  const QString adapter = QStringLiteral("USB\\VID_0483&PID_5742&MI_00");
  QTest::newRow("accepted") << adapter << qint64(0) << QByteArrayList{"READY\r\nDEVICE PASSWORD OK\r\n"}
                            << THints{{3, QStringLiteral("Unlock: DEVICE PASSWORD OK")}};
  // Only the first reply answers the command; a refusal is an error, next to its own notice.
  QTest::newRow("refused, then a second reply")
      << adapter << qint64(0)
      << QByteArrayList{"DEVICE PASS", "WORD ERROR\r\n", "Settings write OK EXTFLASH\r\n"}
      << THints{{1, QStringLiteral("mes_passwordneed")},
                {0, QStringLiteral("Unlock: DEVICE PASSWORD ERROR")},
                {1, QStringLiteral("SR1")}};
  QTest::newRow("too late") << adapter << TExchangeCore::kReplyWaitMs + 1
                            << QByteArrayList{"DEVICE PASSWORD OK\r\n"} << THints{};
  QTest::newRow("not a service adapter")
      << QString() << qint64(0) << QByteArrayList{"DEVICE PASSWORD OK\r\n"} << THints{};
}

void TstExchangeCore::awaitedReplyNamesItsCommand() {
  QFETCH(QString, hardwareId);
  QFETCH(qint64, waitMs);
  QFETCH(QByteArrayList, chunks);
  QFETCH(THints, hints);
  TCoreRig rig;
  if (hardwareId.isEmpty())
    rig.Port->SetDeviceVer(QStringLiteral("35"));
  else
    rig.Port->SetDevicePID_VID(hardwareId);
  // What an earlier chunk held does not answer a command sent after it.
  rig.Receive("DEVICE PASSWORD OK\r\n");
  rig.Host.Hints.clear();
  rig.Core.AwaitReply(QStringLiteral("Unlock"));
  rig.Clock.Advance(waitMs);
  for (const QByteArray& chunk : chunks)
    rig.Receive(chunk);
  QCOMPARE(rig.Host.Hints, hints);
}

void TstExchangeCore::operationHandOff() {
  TCoreRig rig;
  rig.Core.SetVersion(vtVersion1);
  rig.Receive(">A=1\r\n>B");
  rig.Port->SetOperation(2);
  rig.Host.Calls.clear();
  // The open line from before counts: the reading sees it once it closes.
  rig.Receive("=2\r\n>C=3\r\n");
  QCOMPARE(rig.Host.Calls, (QStringList{"Op2:1", "Op2:2"}));
  rig.Port->SetOperation(7);
  rig.Host.Calls.clear();
  rig.Receive(">D=4\r\n");
  QCOMPARE(rig.Host.Calls, (QStringList{"Op7:3"}));
}

void TstExchangeCore::clearKeepsPositions() {
  TCoreRig rig;
  rig.Receive("abc");
  rig.Port->SendAnsiString("de");
  QCOMPARE(rig.Core.InByteTotal(), 3);
  QCOMPARE(rig.Core.OutByteTotal(), 2);
  rig.Core.Clear();
  QCOMPARE(rig.Core.InByteTotal(), 0);
  QVERIFY(rig.Core.PacketIndex().empty());
  rig.Receive("f");
  QCOMPARE(Describe(rig.Core.PacketIndex()), QStringLiteral("5:1:1"));
  QCOMPARE(rig.Core.TrafficLog().AsText(0, 6), QStringLiteral("abcdef"));
}

void TstExchangeCore::failedWriteLogsNothing() {
  TCoreRig rig;
  rig.Driver.Fail = true;
  rig.Port->SendAnsiString("lost");
  QVERIFY(rig.Core.PacketIndex().empty());
  QCOMPARE(rig.Core.OutByteTotal(), 0);
  QCOMPARE(rig.Host.LogChanges, 0);
  QCOMPARE(rig.Port->QueuedCount(), 0);
}

void TstExchangeCore::sensorProbe() {
  TCoreRig rig;
  rig.Port->SetActive(true);
  rig.Clock.Advance(2000);
  QVERIFY(!rig.Core.ProbeSilentSensor()); // not yet more than 2 s
  rig.Clock.Advance(1);
  QVERIFY(rig.Core.ProbeSilentSensor());
  const QByteArray probe = QByteArray::fromHex("3110B0");
  QCOMPARE(rig.Driver.Written, (QList<QByteArray>{probe + char(Crc8(probe))}));
  QVERIFY(!rig.Core.ProbeSilentSensor()); // logged: once until Clear
  rig.Core.Clear();
  QVERIFY(rig.Core.ProbeSilentSensor());

  TCoreRig busy;
  busy.Port->SetActive(true);
  busy.Clock.Advance(5000);
  busy.Receive("x");
  QVERIFY(!busy.Core.ProbeSilentSensor());
}

QTEST_GUILESS_MAIN(TstExchangeCore)
#include "tst_exchange_core.moc"
