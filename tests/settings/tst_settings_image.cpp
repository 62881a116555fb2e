// The settings image in both layouts: built from the page's values, checked and applied back,
// including the images a faulty device or a damaged file would give.

#include "core/log_file.h"
#include "settings/settings_files.h"
#include "settings/settings_image.h"
#include "updates/crypto/checksums.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

TSetting Row(const QString& aAlias, qint32 aControl, qint32 aNumber, quint16 aVarType, qint32 aBit = -1) {
  TSetting r;
  r.Alias = aAlias;
  r.Control = aControl;
  r.Number = aNumber;
  r.VarType = aVarType;
  r.Bit = aBit;
  return r;
}

// Page values by alias; an alias missing here has no element on the page.
using TPage = QMap<QString, TRowValue>;

TRowValue Set(const QVariant& aValue) {
  return TRowValue{true, true, aValue.isValid(), aValue};
}

QString Build(int aLayout, const QList<TSetting>& aRows, const TPage& aPage, int* aEntries = nullptr) {
  const TBuiltImage built =
      BuildSettingsImage(aLayout, aRows, [&](const TSetting& aRow) { return aPage.value(aRow.Alias); });
  if (aEntries)
    *aEntries = built.Entries;
  return Base64Encode(built.Image);
}

// Layout-2 image of raw entries with a valid header and CRC.
QByteArray Layout2(const QByteArray& aEntries) {
  QByteArray image = "\x01" + QByteArray(2, '\0') + aEntries + QByteArray(2, '\0');
  const qsizetype length = image.size() - 5;
  image[1] = char(length & 0xFF);
  image[2] = char(length >> 8);
  const quint16 crc = Crc16(image, 0, int(image.size()) - 3);
  image[image.size() - 2] = char(crc >> 8);
  image[image.size() - 1] = char(crc & 0xFF);
  return image;
}

QByteArray Layout1(const QByteArray& aEntries) {
  QByteArray image = QByteArray(4, '\0') + aEntries;
  const qsizetype length = image.size() - 4;
  image[0] = char(length >> 8);
  image[1] = char(length & 0xFF);
  const quint16 crc = Crc16(image, 4, int(image.size()) - 1);
  image[2] = char(crc >> 8);
  image[3] = char(crc & 0xFF);
  return image;
}

const QList<TSetting> kRows{
    Row("pw", ckString, 5, varString),     Row("f1", ckFlag, 49152, varWord, 1),
    Row("f2", ckFlag, 49152, varWord, 2),  Row("byte", ckInteger, 7, varByte),
    Row("s16", ckInteger, 8, varSmallint), Row("u32", ckInteger, 9, varLongWord),
    Row("list", ckList, 3, varByte),       Row("name", ckString, 6, varString),
};

} // namespace

Q_DECLARE_METATYPE(TPage)
Q_DECLARE_METATYPE(TImageEntries)

class TstSettingsImage : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void build_data();
  void build();
  void flagsOfOneAliasCountOnce();
  void startsFromTheDevicesBytes_data();
  void startsFromTheDevicesBytes();
  void roundTrip_data();
  void roundTrip();
  void codePageRoundTripOfEveryByte();
  void checkRejects_data();
  void checkRejects();
  void truncatedEntryEndsTheWalk();
  void entryOfTheWrongWidthLeavesItsRowUnset();
  void passwordEntries();
  void configFiles();
};

void TstSettingsImage::build_data() {
  QTest::addColumn<int>("layout");
  QTest::addColumn<TPage>("page");
  QTest::addColumn<QByteArray>("image");
  QTest::addColumn<int>("entries");
  QTest::newRow("empty layout 1") << 1 << TPage() << QByteArray::fromBase64("AAD//w==") << 0;
  QTest::newRow("empty layout 2") << 2 << TPage() << QByteArray::fromBase64("AQAA+6w=") << 0;
  QTest::newRow("bits 1 and 2 give 6")
      << 2 << TPage{{"f1", Set(1)}, {"f2", Set(1)}} << Layout2(QByteArray("\x00\xC0\x02\x06\x00", 5)) << 1;
  QTest::newRow("layout 1 skips numbers above 255")
      << 1 << TPage{{"f1", Set(1)}, {"f2", Set(1)}, {"byte", Set(200)}}
      << Layout1(QByteArray("\x23\x07\x01\xC8", 4)) << 1;
  QTest::newRow("7-character password left out") << 2 << TPage{{"pw", Set("1234567")}, {"byte", Set(1)}}
                                                 << Layout2(QByteArray("\x07\x00\x01\x01", 4)) << 1;
  QTest::newRow("6-character password written") << 1 << TPage{{"pw", Set("abc123")}}
                                                << Layout1(QByteArray("\x23\x05\x06"
                                                                      "abc123",
                                                                      9))
                                                << 1;
  QTest::newRow("list without selection left out")
      << 2 << TPage{{"list", TRowValue{true, true, false, QVariant()}}, {"byte", Set(3)}}
      << Layout2(QByteArray("\x07\x00\x01\x03", 4)) << 1;
  QTest::newRow("unset element left out")
      << 2 << TPage{{"byte", TRowValue{true, false, true, 5}}} << QByteArray::fromBase64("AQAA+6w=") << 0;
  QTest::newRow("integers by width and endianness")
      << 1 << TPage{{"s16", Set(-2)}, {"u32", Set(qint64(4294967295LL))}}
      << Layout1(QByteArray("\x23\x08\x02\xFF\xFE\x23\x09\x04\xFF\xFF\xFF\xFF", 12)) << 2;
  QTest::newRow("little-endian in layout 2") << 2 << TPage{{"u32", Set(qint64(0x01020304))}}
                                             << Layout2(QByteArray("\x09\x00\x04\x04\x03\x02\x01", 7)) << 1;
  QTest::newRow("string in the code page") << 2 << TPage{{"name", Set(QString::fromUtf8("Ёж"))}}
                                           << Layout2(QByteArray("\x06\x00\x02\xA8\xE6", 5)) << 1;
}

void TstSettingsImage::build() {
  QFETCH(int, layout);
  QFETCH(TPage, page);
  QFETCH(QByteArray, image);
  QFETCH(int, entries);
  int count = -1;
  QCOMPARE(QByteArray::fromBase64(Build(layout, kRows, page, &count).toLatin1()).toHex(' '),
           image.toHex(' '));
  QCOMPARE(count, entries);
  QVERIFY(BuildSettingsImage(3, kRows, [](const TSetting&) { return TRowValue(); }).Image.isEmpty());
}

void TstSettingsImage::startsFromTheDevicesBytes_data() {
  QTest::addColumn<TPage>("page");
  QTest::addColumn<TImageEntries>("device");
  QTest::addColumn<QByteArray>("image");
  QTest::addColumn<QString>("refused");
  const QByteArray c5("\xC5\x00", 2); // bits 0, 2, 6 and 7: only 1 and 2 have flags
  QTest::newRow("bits without a flag kept")
      << TPage{{"f1", Set(0)}, {"f2", Set(1)}} << TImageEntries{{49152, c5}}
      << Layout2(QByteArray("\x00\xC0\x02\xC5\x00", 5)) << QString();
  QTest::newRow("a flag clears its own bit only")
      << TPage{{"f1", Set(0)}, {"f2", Set(0)}} << TImageEntries{{49152, c5}}
      << Layout2(QByteArray("\x00\xC0\x02\xC1\x00", 5)) << QString();
  QTest::newRow("list value without an item kept")
      << TPage{{"list", TRowValue{true, true, false, QVariant()}}}
      << TImageEntries{{3, QByteArray("\x09", 1)}} << Layout2(QByteArray("\x03\x00\x01\x09", 4)) << QString();
  QTest::newRow("unchanged text goes back byte for byte")
      << TPage{{"name", Set(QStringLiteral("abc"))}} << TImageEntries{{6, QByteArray("abc\0", 4)}}
      << Layout2(QByteArray("\x06\x00\x04"
                            "abc\0",
                            7))
      << QString();
  QTest::newRow("byte above 255 refused, never cut")
      << TPage{{"byte", Set(256)}, {"u32", Set(1)}} << TImageEntries() << QByteArray() << "byte";
  QTest::newRow("70000 in two signed bytes refused")
      << TPage{{"s16", Set(70000)}} << TImageEntries{{8, c5}} << QByteArray() << "s16";
  QTest::newRow("signed two bytes take -32768")
      << TPage{{"s16", Set(-32768)}} << TImageEntries() << Layout2(QByteArray("\x08\x00\x02\x00\x80", 5))
      << QString();
}

void TstSettingsImage::startsFromTheDevicesBytes() {
  QFETCH(TPage, page);
  QFETCH(TImageEntries, device);
  QFETCH(QByteArray, image);
  QFETCH(QString, refused);
  const TBuiltImage built = BuildSettingsImage(
      2, kRows, [&](const TSetting& aRow) { return page.value(aRow.Alias); }, device);
  QCOMPARE(built.Refused() ? kRows.at(built.RefusedRow).Alias : QString(), refused);
  if (!built.Refused())
    QCOMPARE(built.Image.toHex(' '), image.toHex(' '));
}

void TstSettingsImage::flagsOfOneAliasCountOnce() {
  // One flag alias placed in two sub-sections is two rows of the table but one bit.
  const QList<TSetting> rows{Row("f1", ckFlag, 49152, varWord, 1), Row("f1", ckFlag, 49152, varWord, 1)};
  QCOMPARE(QByteArray::fromBase64(Build(2, rows, TPage{{"f1", Set(1)}}).toLatin1()),
           Layout2(QByteArray("\x00\xC0\x02\x02\x00", 5)));
}

void TstSettingsImage::roundTrip_data() {
  QTest::addColumn<int>("layout");
  QTest::addColumn<TPage>("page");
  QTest::newRow("layout 1")
      << 1 << TPage{{"byte", Set(255)}, {"s16", Set(-32767)}, {"list", Set(2)}, {"pw", Set("secret")}};
  QTest::newRow("layout 2")
      << 2 << TPage{{"f1", Set(1)},          {"f2", Set(0)},        {"u32", Set(qint64(4294967295LL))},
                    {"name", Set("Привет")}, {"pw", Set("111111")}, {"s16", Set(-1)}};
}

void TstSettingsImage::roundTrip() {
  QFETCH(int, layout);
  QFETCH(TPage, page);
  const QByteArray image = QByteArray::fromBase64(Build(layout, kRows, page).toLatin1());
  const TDecodedImage decoded = DecodeSettingsImage(layout, image);
  QVERIFY(decoded.Valid);
  QVERIFY(!decoded.Truncated);
  const TAppliedImage applied = ApplySettingsEntries(layout, kRows, decoded.Entries);
  QVERIFY(applied.Errors.isEmpty());
  TPage back;
  for (const TRowAssignment& a : applied.Assignments)
    back.insert(kRows.at(a.Row).Alias, Set(a.Value));
  QCOMPARE(back.keys(), page.keys());
  for (auto it = page.cbegin(); it != page.cend(); ++it)
    QCOMPARE(back.value(it.key()).Value.toString(), it.value().Value.toString());
  QVERIFY(applied.HasPassword);
  QCOMPARE(applied.Password, page.value("pw").Value.toString());
}

void TstSettingsImage::codePageRoundTripOfEveryByte() {
  QByteArray all;
  for (int i = 1; i < 256; ++i)
    all += char(i);
  for (int layout : {1, 2}) {
    const QList<TSetting> rows{Row("s", ckString, 6, varString)};
    const QString text = DecodeSettingValue(layout, varString, all, nullptr).toString();
    bool ok = false;
    QCOMPARE(EncodeSettingValue(layout, varString, text, &ok), all);
    QVERIFY(ok);
    const QByteArray image = QByteArray::fromBase64(Build(layout, rows, TPage{{"s", Set(text)}}).toLatin1());
    const TAppliedImage applied =
        ApplySettingsEntries(layout, rows, DecodeSettingsImage(layout, image).Entries);
    QCOMPARE(applied.Assignments.size(), 1);
    QCOMPARE(applied.Assignments[0].Value.toString(), text);
  }
  // Layout 2 drops one zero byte at the end of a string.
  QCOMPARE(DecodeSettingValue(2, varString, QByteArray("ab\0", 3), nullptr).toString(), QString("ab"));
  QCOMPARE(DecodeSettingValue(1, varString, QByteArray("ab\0", 3), nullptr).toString().size(), 3);
}

void TstSettingsImage::checkRejects_data() {
  QTest::addColumn<int>("layout");
  QTest::addColumn<QByteArray>("image");
  const QByteArray good2 = Layout2(QByteArray("\x07\x00\x01\x05", 4));
  QByteArray flipped = good2;
  flipped[5] = char(flipped[5] ^ 0x01);
  QByteArray badCrc1 = Layout1(QByteArray("\x23\x07\x01\x05", 4));
  badCrc1[3] = char(badCrc1[3] ^ 0xFF);
  QByteArray wrongLength = good2;
  wrongLength[1] = char(wrongLength[1] + 1);
  QByteArray wrongMarker = good2;
  wrongMarker[0] = 0x02;
  QTest::newRow("layout 2 one byte changed") << 2 << flipped;
  QTest::newRow("layout 2 wrong length") << 2 << wrongLength;
  QTest::newRow("layout 2 wrong first byte") << 2 << wrongMarker;
  QTest::newRow("layout 2 too short") << 2 << QByteArray("\x01\x00", 2);
  QTest::newRow("layout 1 bad CRC") << 1 << badCrc1;
  QTest::newRow("layout 1 too short") << 1 << QByteArray("\xFF\xFF", 2);
  QTest::newRow("empty") << 1 << QByteArray();
  QTest::newRow("no such layout") << 0 << good2;
}

void TstSettingsImage::checkRejects() {
  QFETCH(int, layout);
  QFETCH(QByteArray, image);
  const TDecodedImage d = DecodeSettingsImage(layout, image);
  QVERIFY(!d.Valid);
  QVERIFY(d.Entries.isEmpty());
}

void TstSettingsImage::truncatedEntryEndsTheWalk() {
  // The second entry claims 9 bytes but the image ends after 2; nothing past the end is read.
  for (int layout : {1, 2}) {
    const QByteArray entries = layout == 1 ? QByteArray("\x23\x07\x01\x05\x23\x08\x09\xAA\xBB", 9)
                                           : QByteArray("\x07\x00\x01\x05\x08\x00\x09\xAA\xBB", 9);
    const QByteArray image = layout == 1 ? Layout1(entries) : Layout2(entries);
    const TDecodedImage d = DecodeSettingsImage(layout, image);
    QVERIFY(d.Valid);
    QVERIFY(d.Truncated);
    QCOMPARE(d.TruncatedNumber, 8);
    QCOMPARE(d.Entries.size(), 1);
    QCOMPARE(d.Entries[0].Number, 7);
    // A header cut inside an entry's first bytes ends it the same way.
    const QByteArray stub = layout == 1 ? Layout1(QByteArray("\x23", 1)) : Layout2(QByteArray("\x07", 1));
    QVERIFY(DecodeSettingsImage(layout, stub).Truncated);
  }
}

void TstSettingsImage::entryOfTheWrongWidthLeavesItsRowUnset() {
  const QByteArray image = Layout2(QByteArray("\x07\x00\x02\x01\x02\x08\x00\x02\x05\x00", 10));
  const TAppliedImage a = ApplySettingsEntries(2, kRows, DecodeSettingsImage(2, image).Entries);
  QCOMPARE(a.Errors.size(), 1);
  QCOMPARE(a.Errors[0].first, 7);
  QCOMPARE(a.Assignments.size(), 1);
  QCOMPARE(kRows.at(a.Assignments[0].Row).Alias, QString("s16"));
  QCOMPARE(a.Assignments[0].Value.toLongLong(), 5);
  // Reading 2 checks bit 1 and clears bit 2.
  const TAppliedImage flags = ApplySettingsEntries(
      2, kRows, DecodeSettingsImage(2, Layout2(QByteArray("\x00\xC0\x02\x02\x00", 5))).Entries);
  QCOMPARE(flags.Assignments.size(), 2);
  QCOMPARE(flags.Assignments[0].Value.toInt(), 1);
  QCOMPARE(flags.Assignments[1].Value.toInt(), 0);
}

void TstSettingsImage::passwordEntries() {
  // Layout 2 carries the password under 21504 as well; there it is a password even without a row.
  const TAppliedImage a = ApplySettingsEntries(2, {},
                                               DecodeSettingsImage(2, Layout2(QByteArray("\x00\x54\x04"
                                                                                         "4321",
                                                                                         7)))
                                                   .Entries);
  QVERIFY(a.HasPassword);
  QCOMPARE(a.Password, QString("4321"));
  const TAppliedImage b = ApplySettingsEntries(1, {},
                                               DecodeSettingsImage(1, Layout1(QByteArray("\x23\x05\x02"
                                                                                         "77",
                                                                                         5)))
                                                   .Entries);
  QCOMPARE(b.Password, QString("77"));
}

void TstSettingsImage::configFiles() {
  QTemporaryDir dir;
  const QString path = dir.filePath("dev.cfg");
  QVERIFY(WriteConfigFile(path, "AQAA+6w="));
  QFile file(path);
  QVERIFY(file.open(QIODevice::ReadOnly));
  QCOMPARE(file.readAll(), QByteArray("AQAA+6w="));
  file.close();
  QCOMPARE(ReadConfigFile(path).value_or("?"), QString("AQAA+6w="));
  // Only the first line counts, and no more than the longest image's text is read.
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write("AAD//w==\r\nsecond line");
  file.close();
  QCOMPARE(ReadConfigFile(path).value_or("?"), QString("AAD//w=="));
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(QByteArray(kMaxImageBase64 * 3, 'A'));
  file.close();
  QCOMPARE(ReadConfigFile(path).value_or("").size(), kMaxImageBase64 + 2);
  QVERIFY(!ReadConfigFile(dir.filePath("missing.cfg")));
  QVERIFY(!WriteConfigFile(dir.filePath("no/such/folder/x.cfg"), "AAD//w=="));
}

QTEST_GUILESS_MAIN(TstSettingsImage)
#include "tst_settings_image.moc"
