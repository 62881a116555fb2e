#include "protocols/firmware_transfer.h"
#include "updates/crypto/checksums.h"

#include <QTest>

using namespace FirmwareTransfer;

namespace {

QByteArray Image(qsizetype aSize) {
  QByteArray bytes(aSize, '\0');
  for (qsizetype i = 0; i < aSize; ++i)
    bytes[i] = char(i * 5 + 1);
  return bytes;
}

QByteArray Big32(quint32 aValue) {
  QByteArray bytes;
  for (int i = 3; i >= 0; --i)
    bytes.append(char((aValue >> (8 * i)) & 0xFF));
  return bytes;
}

QByteArray ChunkAnswer(const QByteArray& aImage, qsizetype aFirst, qsizetype aSize) {
  const QByteArray chunk = aImage.mid(aFirst, aSize);
  const quint16 crc = Crc16(chunk.constData(), chunk.size());
  QByteArray frame("[");
  frame.append(char((aSize + 4) >> 8)).append(char((aSize + 4) & 0xFF)).append('\0').append('\4');
  frame.append(char(crc >> 8)).append(char(crc & 0xFF)).append(chunk).append(']');
  return frame;
}

} // namespace

class TstFirmwareTransfer : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void answers_data();
  void answers();
  void frameChecks_data();
  void frameChecks();
  void valueSkipsForeignCharacters();
};

void TstFirmwareTransfer::answers_data() {
  QTest::addColumn<QByteArray>("image");
  QTest::addColumn<QString>("major");
  QTest::addColumn<quint8>("code");
  QTest::addColumn<QByteArray>("payload");
  QTest::addColumn<QByteArray>("answer"); // empty: no answer
  const QByteArray image = Image(5000);
  QByteArray info = QByteArray::fromHex("5b00120003020ad802") + Big32(5000) + Big32(Crc32Stream(image)) + "]";
  QTest::newRow("image information") << image << "2" << quint8(3) << QByteArray() << info;
  QByteArray noVersion = info;
  noVersion[5] = char(0xFF);
  QTest::newRow("version not a number") << image << "beta" << quint8(3) << QByteArray() << noVersion;
  QTest::newRow("information of an empty image")
      << QByteArray() << "2" << quint8(3) << QByteArray() << QByteArray();
  QTest::newRow("information with a payload")
      << image << "2" << quint8(3) << QByteArray(1, '\0') << QByteArray();
  QTest::newRow("first chunk") << image << "2" << quint8(4) << ChunkPayload(2, 10, 216, 2, 0, 4095)
                               << ChunkAnswer(image, 0, 4096);
  QTest::newRow("last bytes") << image << "2" << quint8(4) << ChunkPayload(2, 10, 216, 2, 4096, 4999)
                              << ChunkAnswer(image, 4096, 904);
  QTest::newRow("one byte past the end")
      << image << "2" << quint8(4) << ChunkPayload(2, 10, 216, 2, 4096, 5000) << QByteArray();
  QTest::newRow("empty chunk") << image << "2" << quint8(4) << ChunkPayload(2, 10, 216, 2, 100, 99)
                               << QByteArray();
  // A first offset near 2^32 must not wrap round to a small one.
  QTest::newRow("offset wraps in 32 bits")
      << image << "2" << quint8(4) << ChunkPayload(2, 10, 216, 2, 0xFFFFFF00u, 0x0000000Fu) << QByteArray();
  const QByteArray large = Image(70000);
  QTest::newRow("largest chunk") << large << "2" << quint8(4) << ChunkPayload(2, 10, 216, 2, 0, 65530)
                                 << ChunkAnswer(large, 0, 65531);
  QTest::newRow("chunk too long for its length field")
      << large << "2" << quint8(4) << ChunkPayload(2, 10, 216, 2, 0, 65531) << QByteArray();
  QTest::newRow("chunk payload too short")
      << image << "2" << quint8(4) << QByteArray(11, '\0') << QByteArray();
  QTest::newRow("image written") << image << "2" << quint8(6) << QByteArray(1, '\1')
                                 << QByteArray::fromHex("5b00030006015d");
  QTest::newRow("done with another flag") << image << "2" << quint8(6) << QByteArray(1, '\2') << QByteArray();
  QTest::newRow("unknown code") << image << "2" << quint8(5) << QByteArray() << QByteArray();
}

void TstFirmwareTransfer::answers() {
  QFETCH(QByteArray, image);
  QFETCH(QString, major);
  QFETCH(quint8, code);
  QFETCH(QByteArray, payload);
  QFETCH(QByteArray, answer);
  const std::optional<TRequest> request = ParseRequest(BuildRequest(359254060123456ULL, 216, code, payload));
  QVERIFY(request);
  QCOMPARE(request->Byte14, quint8(216));
  const std::optional<TAnswer> got = Answer(*request, TImage{image, major, QStringLiteral("10")});
  QCOMPARE(got ? got->Frame : QByteArray(), answer);
}

void TstFirmwareTransfer::frameChecks_data() {
  QTest::addColumn<QByteArray>("frame");
  QTest::addColumn<bool>("valid");
  const QByteArray good = BuildRequest(1, 216, 3, {});
  QTest::newRow("good") << good << true;
  QByteArray length = good;
  length[3] = char(length[3] + 1);
  QTest::newRow("length field off by one") << length << false;
  QTest::newRow("no closing bracket") << good.chopped(1) + "}" << false;
  QTest::newRow("no opening bracket") << "(" + good.mid(1) << false;
  QByteArray version = good;
  version[1] = 2;
  QTest::newRow("frame version 2") << version << false;
  QTest::newRow("too short") << good.left(19) << false;
  QTest::newRow("empty") << QByteArray() << false;
}

void TstFirmwareTransfer::frameChecks() {
  QFETCH(QByteArray, frame);
  QFETCH(bool, valid);
  QCOMPARE(ParseRequest(frame).has_value(), valid);
}

void TstFirmwareTransfer::valueSkipsForeignCharacters() {
  const QByteArray frame = BuildRequest(1, 216, 3, {});
  QString text = Base64Encode(frame);
  text.insert(4, QStringLiteral("\r\n ;"));
  QCOMPARE(DecodeValue(QLatin1Char('"') + text + QLatin1Char('"')), frame);
  QVERIFY(DecodeValue(QStringLiteral("\"AAA\"")).isEmpty());
}

QTEST_GUILESS_MAIN(TstFirmwareTransfer)
#include "tst_firmware_transfer.moc"
