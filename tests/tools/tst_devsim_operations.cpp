// The simulated tracker's side of the long operations: storage geometry, block faults, the
// firmware exchange (played against the program's own answers) and the loader disk.

#include "base/clock.h"
#include "protocols/firmware_transfer.h"
#include "tracker_sim.h"
#include "updates/crypto/checksums.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The value between the quotes of the first record with this key, or of the whole answer.
QByteArray Quoted(const QByteArray& aRecord) {
  const qsizetype open = aRecord.indexOf('"');
  const qsizetype close = aRecord.indexOf('"', open + 1);
  return open < 0 || close < 0 ? QByteArray() : aRecord.mid(open + 1, close - open - 1);
}

QByteArray FirstRecord(const QByteArray& aOutput, const QByteArray& aKey) {
  for (const QByteArray& line : aOutput.split('\n'))
    if (line.startsWith('>' + aKey + '='))
      return line.trimmed();
  return {};
}

// Plays the program: answers the device's firmware requests from aImage until it stops asking.
// aSpoil changes the n-th answer's bytes after its CRC was computed.
QByteArray PlayProgram(TTrackerSim& aDevice, const QByteArray& aImage, int aSpoil = -1,
                       int* aAnswers = nullptr) {
  QByteArray output = aDevice.Feed(">D 3;0\r\n");
  int answers = 0;
  for (QByteArray request = FirstRecord(output, "UPD"); !request.isEmpty();) {
    const auto parsed =
        FirmwareTransfer::ParseRequest(FirmwareTransfer::DecodeValue(QString::fromLatin1(Quoted(request))));
    if (!parsed)
      break;
    const auto answer = FirmwareTransfer::Answer(*parsed, {aImage, QStringLiteral("1"), QStringLiteral("2")});
    if (!answer)
      break;
    QByteArray frame = answer->Frame;
    if (answers++ == aSpoil)
      frame[frame.size() - 2] = char(frame[frame.size() - 2] ^ 1);
    output = aDevice.Feed("111111*UPD*" + Base64Encode(frame).toLatin1() + "\r\n");
    request = FirstRecord(output, "UPD");
  }
  if (aAnswers)
    *aAnswers = answers;
  return output;
}

QByteArray Image(int aSize) {
  QByteArray bytes(aSize, '\0');
  for (int i = 0; i < aSize; ++i)
    bytes[i] = char(i * 11 + 7);
  return bytes;
}

} // namespace

class TstDevsimOperations : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void geometryIsReported();
  void blockFaultsPlayOnce_data();
  void blockFaultsPlayOnce();
  void firmwareExchange_data();
  void firmwareExchange();
  void stallAndSilence();
  void loaderDiskAppears();
};

void TstDevsimOperations::geometryIsReported() {
  TManualClock clock;
  TTrackerOperationOptions operations;
  operations.Storage = {100, 50, 3, 9000, 4, QByteArray(700, 'z')};
  TTrackerSim device({303, 1, {}, "111111"}, clock, operations);
  clock.Advance(60000); // a fixed recording does not grow
  const QByteArray records = device.Stream();
  QCOMPARE(FirstRecord(records, "RW1").split(';').mid(1), (QList<QByteArray>{"3", "50", "100"}));
  QCOMPARE(FirstRecord(records, "FS1"), QByteArray(">FS1=3;3;4;9000"));
  // The file image is served as it is, erased flash after it.
  const QByteArray block = Base64Decode(QString::fromLatin1(Quoted(device.Feed(">D 18;9002\r\n"))));
  QCOMPARE(block.left(256), QByteArray(188, 'z') + QByteArray(68, '\xFF'));
  QVERIFY(device.Feed(">D 18;9004\r\n").isEmpty());
  QVERIFY(!device.Feed(">D 18;102\r\n").isEmpty());
  QCOMPARE(Base64Decode(QString::fromLatin1(Quoted(device.Feed(">D 18;103\r\n")))).left(256),
           QByteArray(256, '\xFF'));
}

void TstDevsimOperations::blockFaultsPlayOnce_data() {
  QTest::addColumn<QString>("fault");
  QTest::addColumn<bool>("answered");
  QTest::addColumn<QByteArray>("number");
  QTest::addColumn<bool>("crcGood");
  QTest::newRow("wrong crc") << "crc:101" << true << QByteArray("101") << false;
  QTest::newRow("wrong number") << "number:101" << true << QByteArray("102") << true;
  QTest::newRow("dropped") << "drop:101" << false << QByteArray() << false;
}

void TstDevsimOperations::blockFaultsPlayOnce() {
  QFETCH(QString, fault);
  QFETCH(bool, answered);
  QFETCH(QByteArray, number);
  QFETCH(bool, crcGood);
  TManualClock clock;
  TTrackerOperationOptions operations;
  operations.Storage.MemoryOffset = 100;
  QVERIFY(ParseBlockFaults(fault, &operations.BlockFaults));
  TTrackerSim device({303, 1, {}, "111111"}, clock, operations);
  const auto crcMatches = [](const QByteArray& aAnswer) {
    const QByteArray bytes = Base64Decode(QString::fromLatin1(Quoted(aAnswer)));
    return bytes.size() == 258 &&
           Crc16(bytes.constData(), 256) == quint16(quint8(bytes[256]) << 8 | quint8(bytes[257]));
  };
  const QByteArray first = device.Feed(">D 18;101\r\n");
  QCOMPARE(!first.isEmpty(), answered);
  if (answered) {
    QVERIFY(first.startsWith(">FD=" + number + ","));
    QCOMPARE(crcMatches(first), crcGood);
  }
  // Asked again, the block comes right.
  const QByteArray second = device.Feed(">D 18;101\r\n");
  QVERIFY(second.startsWith(">FD=101,"));
  QVERIFY(crcMatches(second));
  QVERIFY(!ParseBlockFaults(QStringLiteral("bent:3"), &operations.BlockFaults));
}

void TstDevsimOperations::firmwareExchange_data() {
  QTest::addColumn<int>("size");
  QTest::addColumn<int>("chunk");
  QTest::addColumn<int>("spoil");
  QTest::newRow("5000 bytes") << 5000 << 4096 << -1;
  QTest::newRow("exact chunks") << 8192 << 4096 << -1;
  QTest::newRow("small chunks") << 1000 << 100 << -1;
  QTest::newRow("one chunk spoiled") << 5000 << 4096 << 1;
}

void TstDevsimOperations::firmwareExchange() {
  QFETCH(int, size);
  QFETCH(int, chunk);
  QFETCH(int, spoil);
  QTemporaryDir dir;
  TManualClock clock;
  TTrackerOperationOptions operations;
  operations.Upd.FwOut = dir.filePath(QStringLiteral("received.bin"));
  operations.Upd.Chunk = chunk;
  TTrackerSim device({227, 1, {}, "111111"}, clock, operations);
  const QByteArray image = Image(size);
  int answers = 0;
  const QByteArray last = PlayProgram(device, image, spoil, &answers);
  // Information, every chunk (the spoiled one twice), the end.
  QCOMPARE(answers, 1 + (size + chunk - 1) / chunk + (spoil >= 0 ? 1 : 0) + 1);
  QCOMPARE(last, ">UP=" + QByteArray::number(size) + ';' + QByteArray::number(size) + "\r\n");
  QFile received(operations.Upd.FwOut);
  QVERIFY(received.open(QIODevice::ReadOnly));
  QCOMPARE(received.readAll(), image);
}

void TstDevsimOperations::stallAndSilence() {
  TManualClock clock;
  TTrackerOperationOptions operations;
  operations.Upd.FwOut = QDir::temp().filePath(QStringLiteral("never-written.bin"));
  operations.Upd.StallAfter = 2;
  TTrackerSim stalling({227, 1, {}, "111111"}, clock, operations);
  int answers = 0;
  PlayProgram(stalling, Image(9000), -1, &answers);
  QCOMPARE(answers, 2); // the information and one chunk, then silence
  QVERIFY(!QFile::exists(operations.Upd.FwOut));
  operations.Upd.StallAfter = 0;
  TTrackerSim silent({227, 1, {}, "111111"}, clock, operations);
  QVERIFY(silent.Feed(">D 3;0\r\n").isEmpty());
  // Without --fw-out the device does not take part at all.
  TTrackerSim plain({227, 1, {}, "111111"}, clock);
  QVERIFY(plain.Feed(">D 3;0\r\n").isEmpty());
}

void TstDevsimOperations::loaderDiskAppears() {
  QTemporaryDir dir;
  TManualClock clock;
  TTrackerOperationOptions operations;
  operations.LoaderDir = dir.filePath(QStringLiteral("LOADER_216"));
  TTrackerSim device({216, 1, {}, "111111"}, clock, operations);
  QVERIFY(!QFileInfo::exists(operations.LoaderDir));
  QVERIFY(device.Feed(">D 3;0\r\n").isEmpty());
  QVERIFY(QFileInfo(operations.LoaderDir).isDir());
}

QTEST_GUILESS_MAIN(TstDevsimOperations)
#include "tst_devsim_operations.moc"
