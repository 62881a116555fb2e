#include "updates/crypto/aes128ctr.h"
#include "updates/crypto/checksums.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <climits>
#include <stdexcept>

namespace {

// Bit-at-a-time forms of the two hand-built CRCs, straight from their definitions, so that every
// entry of the lookup tables is checked against something computed another way.
quint8 BitwiseCrc8(quint8 aByte) {
  unsigned crc = aByte;
  for (int bit = 0; bit < 8; ++bit) {
    crc = (crc & 1u) != 0 ? (crc >> 1) ^ 0x8Cu : crc >> 1;
  }
  return static_cast<quint8>(crc);
}

quint16 BitwiseCrc16(quint8 aByte) {
  unsigned crc = 0xFFFFu ^ (unsigned{aByte} << 8);
  for (int bit = 0; bit < 8; ++bit) {
    crc = (crc & 0x8000u) != 0 ? (crc << 1) ^ 0x1021u : crc << 1;
  }
  return static_cast<quint16>(crc);
}

// The same encryption done by the openssl command-line tool, Base64-encoded.
QString OpensslAes128Ctr(const QString& aProgram, const QByteArray& aPlain, const QByteArray& aKeyHex,
                         const QByteArray& aIvHex, QString* aError) {
  QProcess process;
  process.start(aProgram, {"enc", "-aes-128-ctr", "-K", QString::fromLatin1(aKeyHex), "-iv",
                           QString::fromLatin1(aIvHex), "-nosalt"});
  if (!process.waitForStarted(10000)) {
    *aError = "openssl did not start: " + process.errorString();
    return {};
  }
  process.write(aPlain);
  process.closeWriteChannel();
  if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit ||
      process.exitCode() != 0) {
    *aError = "openssl failed: " + QString::fromLocal8Bit(process.readAllStandardError());
    return {};
  }
  return QString::fromLatin1(process.readAllStandardOutput().toBase64());
}

} // namespace

class TstChecksums : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void crc8_data();
  void crc8();
  void appendCrc8_data();
  void appendCrc8();
  void crcTablesMatchBitwiseDefinition();
  void crc16_data();
  void crc16();
  void crc16RejectsRangeOutsideArray_data();
  void crc16RejectsRangeOutsideArray();
  void crc32_data();
  void crc32();

  void base64RoundTrip_data();
  void base64RoundTrip();
  void base64HasNoLineBreaks();
  void base64RejectsMalformedText_data();
  void base64RejectsMalformedText();

  void cipherTextKeepsPlainTextLength();
  void cipherMatchesOpenssl_data();
  void cipherMatchesOpenssl();
};

void TstChecksums::crc8_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<quint8>("expected");
  QTest::newRow("check value") << QByteArray("123456789") << quint8(0xA1);
  QTest::newRow("empty") << QByteArray() << quint8(0x00);
}

void TstChecksums::crc8() {
  QFETCH(QByteArray, bytes);
  QFETCH(quint8, expected);
  QCOMPARE(Crc8(bytes), expected);
}

void TstChecksums::appendCrc8_data() {
  QTest::addColumn<QByteArray>("command");
  QTest::addColumn<QByteArray>("expected");
  QTest::newRow("3 bytes") << QByteArray::fromHex("3110B1") << QByteArray::fromHex("3110B1F5");
  QTest::newRow("5 bytes with zero") << QByteArray::fromHex("3110B70001")
                                     << QByteArray::fromHex("3110B70001E9");
}

void TstChecksums::appendCrc8() {
  QFETCH(QByteArray, command);
  QFETCH(QByteArray, expected);
  QCOMPARE(AppendCrc8(command), expected);
}

void TstChecksums::crcTablesMatchBitwiseDefinition() {
  // A single byte reaches table entry b (CRC-8) and 0xFF ^ b (CRC-16): all 256 entries of each.
  for (int value = 0; value < 256; ++value) {
    const auto byte = static_cast<quint8>(value);
    const QByteArray one(1, static_cast<char>(byte));
    QCOMPARE(Crc8(one), BitwiseCrc8(byte));
    QCOMPARE(Crc16(one, 0, 0), BitwiseCrc16(byte));
  }
}

void TstChecksums::crc16_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<int>("first");
  QTest::addColumn<int>("last");
  QTest::addColumn<quint16>("expected");
  QTest::newRow("check value") << QByteArray("123456789") << 0 << 8 << quint16(0x29B1);
  // Neighbours that would change the answer if one end were off by one.
  QTest::newRow("slice inside larger array") << QByteArray("ab123456789cd") << 2 << 10 << quint16(0x29B1);
  QTest::newRow("empty range at start") << QByteArray("abc") << 0 << -1 << quint16(0xFFFF);
  QTest::newRow("empty range reversed") << QByteArray("abc") << 2 << 1 << quint16(0xFFFF);
  QTest::newRow("empty range, negative indexes") << QByteArray("abc") << -3 << -7 << quint16(0xFFFF);
  QTest::newRow("empty range past the end") << QByteArray("abc") << 40 << 30 << quint16(0xFFFF);
  QTest::newRow("empty range of empty array") << QByteArray() << 0 << -1 << quint16(0xFFFF);
}

void TstChecksums::crc16() {
  QFETCH(QByteArray, bytes);
  QFETCH(int, first);
  QFETCH(int, last);
  QFETCH(quint16, expected);
  QCOMPARE(Crc16(bytes, first, last), expected);
  if (last >= first) {
    const QByteArray slice = bytes.mid(first, last - first + 1);
    QCOMPARE(Crc16(slice.constData(), slice.size()), expected);
  }
}

void TstChecksums::crc16RejectsRangeOutsideArray_data() {
  QTest::addColumn<int>("first");
  QTest::addColumn<int>("last");
  // The array is "123456789": indexes 0..8.
  QTest::newRow("first negative") << -1 << 3;
  QTest::newRow("last one past the end") << 0 << 9;
  QTest::newRow("whole range past the end") << 9 << 9;
  QTest::newRow("last huge") << 2 << INT_MAX;
  QTest::newRow("first most negative") << INT_MIN << 0;
}

void TstChecksums::crc16RejectsRangeOutsideArray() {
  QFETCH(int, first);
  QFETCH(int, last);
  const QByteArray bytes("123456789");
  QVERIFY_THROWS_EXCEPTION(std::out_of_range, Crc16(bytes, first, last));
}

void TstChecksums::crc32_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<quint32>("expected");
  QTest::newRow("check value") << QStringLiteral("123456789") << quint32(0xCBF43926);
  QTest::newRow("empty") << QString() << quint32(0);
  // Hashed as UTF-8; Latin-1 or UTF-16 bytes give another value.
  QTest::newRow("Cyrillic") << QStringLiteral("Привет, мир") << quint32(0x1A880EE4);
}

void TstChecksums::crc32() {
  QFETCH(QString, text);
  QFETCH(quint32, expected);
  const QByteArray utf8 = text.toUtf8();
  QCOMPARE(Crc32Text(text), expected);
  QCOMPARE(Crc32Stream(utf8), expected);
  QCOMPARE(Crc32(utf8.constData(), utf8.size()), expected);
}

void TstChecksums::base64RoundTrip_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("text");
  QTest::newRow("empty") << QByteArray() << QString();
  QTest::newRow("f") << QByteArray("f") << QStringLiteral("Zg==");
  QTest::newRow("fo") << QByteArray("fo") << QStringLiteral("Zm8=");
  QTest::newRow("foo") << QByteArray("foo") << QStringLiteral("Zm9v");
  QTest::newRow("foob") << QByteArray("foob") << QStringLiteral("Zm9vYg==");
  QTest::newRow("fooba") << QByteArray("fooba") << QStringLiteral("Zm9vYmE=");
  QTest::newRow("foobar") << QByteArray("foobar") << QStringLiteral("Zm9vYmFy");
  // The two characters where the standard and URL alphabets differ.
  QTest::newRow("standard alphabet") << QByteArray::fromHex("FBEFFF") << QStringLiteral("++//");
}

void TstChecksums::base64RoundTrip() {
  QFETCH(QByteArray, bytes);
  QFETCH(QString, text);
  QCOMPARE(Base64Encode(bytes), text);
  bool ok = false;
  QCOMPARE(Base64Decode(text, &ok), bytes);
  QVERIFY(ok);
}

void TstChecksums::base64HasNoLineBreaks() {
  // Long enough that a MIME-style encoder would wrap it at 76 characters.
  const QByteArray bytes(100, '\xA5');
  const QString text = Base64Encode(bytes);
  QCOMPARE(text.size(), 136);
  QVERIFY(!text.contains(QLatin1Char('\n')));
  QVERIFY(!text.contains(QLatin1Char('\r')));
}

void TstChecksums::base64RejectsMalformedText_data() {
  QTest::addColumn<QString>("text");
  QTest::newRow("one padding too few") << QStringLiteral("Zg=");
  QTest::newRow("lone character") << QStringLiteral("Z");
  QTest::newRow("padding left off") << QStringLiteral("Zg");
  QTest::newRow("padding left off after a group") << QStringLiteral("Zm9vYg");
  QTest::newRow("character outside alphabet") << QStringLiteral("Zm9v!A==");
  QTest::newRow("URL alphabet minus") << QStringLiteral("Zm-9");
  QTest::newRow("URL alphabet underscore") << QStringLiteral("Zm_9");
  QTest::newRow("inner space") << QStringLiteral("Zm 9v");
  QTest::newRow("trailing line break") << QStringLiteral("Zm9v\n");
  QTest::newRow("padding in the middle") << QStringLiteral("Zg==Zg==");
  QTest::newRow("non-ASCII letter") << QStringLiteral("Zм9v");
}

void TstChecksums::base64RejectsMalformedText() {
  QFETCH(QString, text);
  bool ok = true;
  const QByteArray decoded = Base64Decode(text, &ok);
  QVERIFY(!ok);
  QVERIFY(decoded.isEmpty());
}

void TstChecksums::cipherTextKeepsPlainTextLength() {
  const QString plain = QStringLiteral("Velmora-test-1234");
  QCOMPARE(plain.toUtf8().size(), 17);
  const QString cipher = TAES128CTR::Encrypt(plain, QStringLiteral("0123456789abcdef"), QStringLiteral("iv"));
  QCOMPARE(cipher.size(), 24);
  bool ok = false;
  QCOMPARE(Base64Decode(cipher, &ok).size(), 17);
  QVERIFY(ok);
}

void TstChecksums::cipherMatchesOpenssl_data() {
  QTest::addColumn<QString>("plain");
  QTest::addColumn<QString>("key");
  QTest::addColumn<QString>("iv");
  // Key and counter as the UTF-8 bytes the cipher must end up with, written out independently.
  QTest::addColumn<QByteArray>("keyHex");
  QTest::addColumn<QByteArray>("ivHex");

  const QByteArray key16Hex = "30313233343536373839616263646566"; // "0123456789abcdef"
  const QByteArray iv16Hex = "66656463626139383736353433323130";  // "fedcba9876543210"

  QTest::newRow("17 bytes, full key and counter")
      << QStringLiteral("Velmora-test-1234") << QStringLiteral("0123456789abcdef")
      << QStringLiteral("fedcba9876543210") << key16Hex << iv16Hex;
  QTest::newRow("3-character key is zero-filled")
      << QStringLiteral("Velmora-test-1234") << QStringLiteral("abc") << QStringLiteral("fedcba9876543210")
      << QByteArray("61626300000000000000000000000000") << iv16Hex;
  QTest::newRow("long key is cut to 16 bytes")
      << QStringLiteral("Velmora-test-1234") << QStringLiteral("0123456789abcdefXYZ")
      << QStringLiteral("fedcba9876543210") << key16Hex << iv16Hex;
  QTest::newRow("short counter is zero-filled")
      << QStringLiteral("Velmora-test-1234") << QStringLiteral("0123456789abcdef") << QStringLiteral("iv")
      << key16Hex << QByteArray("69760000000000000000000000000000");
  QTest::newRow("Cyrillic plain text") << QStringLiteral("Привет, мир") << QStringLiteral("0123456789abcdef")
                                       << QStringLiteral("fedcba9876543210") << key16Hex << iv16Hex;
  QTest::newRow("Cyrillic key is cut inside a character")
      << QStringLiteral("Velmora-test-1234") << QStringLiteral("ключ-ключ-ключ")
      << QStringLiteral("fedcba9876543210") << QByteArray("d0bad0bbd18ed1872dd0bad0bbd18ed1") << iv16Hex;
  // UTF-8 never yields a 0xFF byte, so the lowest counter byte starts at most at 0xBF ("п" ends in
  // it). 69 blocks take it past 0xFF, which must carry into the byte before (0xD0 -> 0xD1) rather
  // than wrap alone; an increment of the wrong byte order already differs at the second block.
  QTest::newRow("counter carries into the next byte")
      << QStringLiteral("0123456789").repeated(110) << QStringLiteral("0123456789abcdef")
      << QStringLiteral("IV-carry-test:п") << key16Hex << QByteArray("49562d63617272792d746573743ad0bf");
  QTest::newRow("empty plain text") << QString() << QStringLiteral("0123456789abcdef")
                                    << QStringLiteral("fedcba9876543210") << key16Hex << iv16Hex;
}

void TstChecksums::cipherMatchesOpenssl() {
  QFETCH(QString, plain);
  QFETCH(QString, key);
  QFETCH(QString, iv);
  QFETCH(QByteArray, keyHex);
  QFETCH(QByteArray, ivHex);

  const QString openssl = QStandardPaths::findExecutable(QStringLiteral("openssl"));
  if (openssl.isEmpty()) {
    QSKIP("The openssl command-line tool is not installed (scripts/install-deps installs it); "
          "nothing to compare the cipher with.");
  }
  QString error;
  const QString expected = OpensslAes128Ctr(openssl, plain.toUtf8(), keyHex, ivHex, &error);
  QVERIFY2(error.isEmpty(), qPrintable(error));

  const QString cipher = TAES128CTR::Encrypt(plain, key, iv);
  QCOMPARE(cipher, expected);
  QCOMPARE(Base64Decode(cipher).size(), plain.toUtf8().size());
}

QTEST_GUILESS_MAIN(TstChecksums)
#include "tst_checksums.moc"
