#include "device/device_operations.h"
#include "device/stored_files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A header at aAt of aDump for a file of aLength bytes; aDescriptor 0 means the exact length.
void PutHeader(QByteArray& aDump, qsizetype aAt, const QByteArray& aName, const QByteArray& aExt,
               quint32 aLength, int aDescriptor = 0) {
  QByteArray header(256, '\0');
  header.replace(1, 4, QByteArray("\xAA\x81\x5C\x9A", 4));
  for (int i = 0; i < 4; ++i)
    header[9 + i] = char((aLength >> (8 * i)) & 0xFF);
  header[13] = char(aDescriptor ? aDescriptor : 2 + aName.size() + aExt.size());
  header[14] = char(aName.size());
  header.replace(15, aName.size(), aName);
  header[15 + aName.size()] = char(aExt.size());
  header.replace(16 + aName.size(), aExt.size(), aExt);
  aDump.replace(aAt, qMin<qsizetype>(256, aDump.size() - aAt), header.left(aDump.size() - aAt));
}

QByteArray Pattern(qsizetype aSize) {
  QByteArray bytes(aSize, '\0');
  for (qsizetype i = 0; i < aSize; ++i)
    bytes[i] = char(i * 7 + 3);
  return bytes;
}

} // namespace

class TstStoredFiles : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void extract_data();
  void extract();
  void unsafeNamesAreSkipped_data();
  void unsafeNamesAreSkipped();
  void writeFailuresAreCounted();
  void sameNameKeepsBoth();
  void linkInTheFolderIsNotWrittenThrough();
  void names_data();
  void names();
  void dumpNameHoldsNoSeparators();
};

void TstStoredFiles::extract_data() {
  QTest::addColumn<QByteArray>("dump");
  QTest::addColumn<QStringList>("files");
  QTest::addColumn<QList<QByteArray>>("contents");

  QByteArray plain = Pattern(2048);
  PutHeader(plain, 256, "TRIP", "CSV", 100);
  QTest::newRow("one file") << plain << QStringList{"TRIP.CSV"} << QList<QByteArray>{plain.mid(512, 100)};

  // 600 bytes whose header lies 300 bytes before the end of a 2048-byte dump: 44 bytes from
  // the end, then 556 from the start.
  QByteArray ring = Pattern(2048);
  PutHeader(ring, 1748, "LOG", "BIN", 600);
  QTest::newRow("wraps around") << ring << QStringList{"LOG.BIN"}
                                << QList<QByteArray>{ring.mid(2004) + ring.left(556)};

  QByteArray atEnd = Pattern(1024);
  PutHeader(atEnd, 768, "END", "TXT", 10);
  QTest::newRow("header at the very end")
      << atEnd << QStringList{"END.TXT"} << QList<QByteArray>{atEnd.left(10)};

  QByteArray cut = Pattern(1024);
  PutHeader(cut, 800, "CUT", "TXT", 10);
  QTest::newRow("header cut by the end") << cut << QStringList{} << QList<QByteArray>{};

  // The byte before the signature belongs to the header: a signature at 0 has no header.
  QByteArray first = Pattern(1024);
  first.replace(0, 4, QByteArray("\xAA\x81\x5C\x9A", 4));
  QTest::newRow("signature at the first byte") << first << QStringList{} << QList<QByteArray>{};

  QByteArray longName = Pattern(1024);
  PutHeader(longName, 256, "NAME", "EXT", 10, 6);
  QTest::newRow("name and extension past the descriptor") << longName << QStringList{} << QList<QByteArray>{};

  QByteArray bigDescriptor = Pattern(1024);
  PutHeader(bigDescriptor, 256, "NAME", "EXT", 10, 243);
  QTest::newRow("descriptor past the header") << bigDescriptor << QStringList{} << QList<QByteArray>{};

  QByteArray tooLong = Pattern(1024);
  PutHeader(tooLong, 256, "BIG", "BIN", 1025);
  QTest::newRow("longer than the dump") << tooLong << QStringList{} << QList<QByteArray>{};

  QByteArray noExt = Pattern(1024);
  PutHeader(noExt, 256, "NOEXT", "", 10);
  QTest::newRow("empty extension") << noExt << QStringList{} << QList<QByteArray>{};

  // Headers are not skipped over: one inside another file's contents is found too.
  QByteArray nested = Pattern(2048);
  PutHeader(nested, 256, "OUTER", "BIN", 1000);
  PutHeader(nested, 768, "INNER", "TXT", 5);
  QTest::newRow("header inside a file") << nested << QStringList{"OUTER.BIN", "INNER.TXT"}
                                        << QList<QByteArray>{nested.mid(512, 1000), nested.mid(1024, 5)};
}

void TstStoredFiles::extract() {
  QFETCH(QByteArray, dump);
  QFETCH(QStringList, files);
  QFETCH(QList<QByteArray>, contents);
  const QList<TStoredFile> found = StoredFiles::Extract(dump);
  QStringList names;
  QList<QByteArray> bytes;
  for (const TStoredFile& file : found) {
    names << file.Name + QLatin1Char('.') + file.Extension;
    bytes << file.Contents;
  }
  QCOMPARE(names, files);
  QCOMPARE(bytes, contents);
}

void TstStoredFiles::unsafeNamesAreSkipped_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("extension");
  QTest::addColumn<bool>("written");
  QTest::newRow("plain") << "TRIP0001"
                         << "CSV" << true;
  QTest::newRow("parent folder") << "../evil"
                                 << "sh" << false;
  QTest::newRow("absolute") << "/tmp/evil"
                            << "sh" << false;
  QTest::newRow("backslash") << "..\\evil"
                             << "sh" << false;
  QTest::newRow("dot dot") << ".."
                           << "x" << false;
  QTest::newRow("control character") << "a\nb"
                                     << "txt" << false;
  QTest::newRow("separator in extension") << "a"
                                          << "b/c" << false;
  QTest::newRow("NUL") << QStringLiteral("a") + QChar(0) + QStringLiteral("b") << "txt" << false;
  QTest::newRow("backslash path") << "C:\\Windows\\evil"
                                  << "dll" << false;
}

void TstStoredFiles::unsafeNamesAreSkipped() {
  QFETCH(QString, name);
  QFETCH(QString, extension);
  QFETCH(bool, written);
  QTemporaryDir dir;
  const QString folder = dir.filePath(QStringLiteral("a/b"));
  const StoredFiles::TWriteResult result =
      StoredFiles::WriteAll({TStoredFile{0, name, extension, "data"}}, folder);
  QCOMPARE(result.Written.size(), written ? 1 : 0);
  // A refused name is reported, shown so that even a NUL can be read.
  QCOMPARE(result.Refused,
           written ? QStringList() : QStringList{StoredFiles::ShownName({0, name, extension, {}})});
  if (!written)
    QVERIFY(!result.Refused.first().contains(QChar(0)) &&
            !result.Refused.first().contains(QLatin1Char('\n')));
  // Nothing lands anywhere but the chosen folder.
  QStringList everything;
  QDir root(dir.path());
  for (const QFileInfo& info : root.entryInfoList(QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden))
    everything << info.fileName();
  QVERIFY(everything.isEmpty());
  if (written) {
    QFile file(QDir(folder).filePath(name + QLatin1Char('.') + extension));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("data"));
  }
}

void TstStoredFiles::writeFailuresAreCounted() {
  QTemporaryDir dir;
  // The chosen "folder" is a file: nothing can be written into it.
  const QString blocker = dir.filePath(QStringLiteral("blocker"));
  QFile file(blocker);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.close();
  const StoredFiles::TWriteResult result =
      StoredFiles::WriteAll({TStoredFile{0, "A", "TXT", "x"}, TStoredFile{0, "B", "TXT", "y"}}, blocker);
  QVERIFY(result.Written.isEmpty());
  QCOMPARE(result.Failed, (QStringList{QStringLiteral("A.TXT"), QStringLiteral("B.TXT")}));
  QVERIFY(!result.Error.isEmpty());
}

void TstStoredFiles::sameNameKeepsBoth() {
  QTemporaryDir dir;
  const StoredFiles::TWriteResult result = StoredFiles::WriteAll(
      {TStoredFile{0, "TRIP0001", "CSV", "first"}, TStoredFile{0, "TRIP0001", "CSV", "second"},
       TStoredFile{0, "trip0001", "csv", "third"}, TStoredFile{0, "TRIP0001 (2)", "CSV", "fourth"}},
      dir.path());
  const QStringList names{QStringLiteral("TRIP0001.CSV"), QStringLiteral("TRIP0001 (2).CSV"),
                          QStringLiteral("trip0001 (3).csv"), QStringLiteral("TRIP0001 (2) (2).CSV")};
  QCOMPARE(result.Written, names);
  const QList<QByteArray> contents{"first", "second", "third", "fourth"};
  for (int i = 0; i < names.size(); ++i) {
    QFile file(dir.filePath(names.at(i)));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), contents.at(i));
  }
  QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), names.size());
}

void TstStoredFiles::linkInTheFolderIsNotWrittenThrough() {
  QTemporaryDir dir;
  const QString outside = dir.filePath(QStringLiteral("outside.txt"));
  QFile precious(outside);
  QVERIFY(precious.open(QIODevice::WriteOnly));
  precious.write("precious");
  precious.close();
  const QString folder = dir.filePath(QStringLiteral("files"));
  QVERIFY(QDir().mkpath(folder));
  QVERIFY(QFile::link(outside, QDir(folder).filePath(QStringLiteral("TRIP0001.CSV"))));
  // A dangling link would create the file it points to.
  QVERIFY(QFile::link(dir.filePath(QStringLiteral("created.txt")),
                      QDir(folder).filePath(QStringLiteral("LOG.TXT"))));
  const StoredFiles::TWriteResult result = StoredFiles::WriteAll({TStoredFile{0, "TRIP0001", "CSV", "device"},
                                                                  TStoredFile{0, "LOG", "TXT", "device"},
                                                                  TStoredFile{0, "OTHER", "CSV", "device"}},
                                                                 folder);
  QCOMPARE(result.Written, QStringList{QStringLiteral("OTHER.CSV")});
  QCOMPARE(result.Refused, (QStringList{QStringLiteral("TRIP0001.CSV"), QStringLiteral("LOG.TXT")}));
  QVERIFY(precious.open(QIODevice::ReadOnly));
  QCOMPARE(precious.readAll(), QByteArray("precious"));
  QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("created.txt"))));
}

void TstStoredFiles::names_data() {
  QTest::addColumn<QString>("fileName");
  QTest::addColumn<QString>("major");
  QTest::addColumn<QString>("minor");
  QTest::newRow("dash and two dots") << "abc-3.14.dfw"
                                     << "3"
                                     << "14";
  QTest::newRow("upper case") << "/fw/VT216-2.07.DFW"
                              << "2"
                              << "07";
  QTest::newRow("no dash") << "firmware.dfw"
                           << "255"
                           << "255";
  QTest::newRow("dash only in the folder") << "/home/a-1.2/firmware.dfw"
                                           << "255"
                                           << "255";
  QTest::newRow("dash without a dot") << "/x/fw-final"
                                      << "255"
                                      << "255";
  QTest::newRow("one dot after the dash") << "fw-5.dfw"
                                          << "5"
                                          << "dfw";
}

void TstStoredFiles::names() {
  QFETCH(QString, fileName);
  QFETCH(QString, major);
  QFETCH(QString, minor);
  const auto [gotMajor, gotMinor] = TDeviceOperations::VersionFromFileName(fileName);
  QCOMPARE(gotMajor, major);
  QCOMPARE(gotMinor, minor);
}

void TstStoredFiles::dumpNameHoldsNoSeparators() {
  // Dump names from the locale and the device never hold a separator or a drive colon.
  const QString dump =
      TDeviceOperations::DumpFileName(QStringLiteral("359254060123456"), QStringLiteral("a/b:c"),
                                      QDateTime(QDate(2026, 12, 31), QTime(23, 59, 58)));
  QVERIFY(dump.startsWith(QStringLiteral("359254060123456 a-b-c ")));
  QVERIFY(dump.endsWith(QStringLiteral(".dump")));
  for (const char* bad : {"/", ":", "\\"})
    QVERIFY2(!dump.contains(QLatin1String(bad)), qPrintable(dump));
}

QTEST_GUILESS_MAIN(TstStoredFiles)
#include "tst_stored_files.moc"
