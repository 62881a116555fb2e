// The loader disk on this system: volumes found by label and the copy that the device's loader
// expects.

#include "platform/file_copy.h"
#include "platform/volume_by_label.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray Pattern(int aSize) {
  QByteArray bytes(aSize, '\0');
  for (int i = 0; i < aSize; ++i)
    bytes[i] = char(i * 3 + 1);
  return bytes;
}

bool Write(const QString& aPath, const QByteArray& aBytes) {
  QFile file(aPath);
  return file.open(QIODevice::WriteOnly) && file.write(aBytes) == aBytes.size();
}

} // namespace

class TstLoaderDisk : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void extraVolumes_data();
  void extraVolumes();
  void copyLeavesTheImageUnderItsName();
  void copyFailures_data();
  void copyFailures();
  void jobReportsOnItsOwnThread();
};

void TstLoaderDisk::extraVolumes_data() {
  QTest::addColumn<QString>("entries");
  QTest::addColumn<QString>("label");
  QTest::addColumn<QString>("found"); // folder name under the temporary folder, empty: none
  QTest::newRow("exact") << "LOADER_216=%1/a"
                         << "LOADER_216"
                         << "a";
  QTest::newRow("case and spaces") << " loader_216 =%1/a"
                                   << "LOADER_216 "
                                   << "a";
  QTest::newRow("first of two") << "OTHER=%1/b,LOADER_216=%1/a"
                                << "LOADER_216"
                                << "a";
  QTest::newRow("folder missing") << "LOADER_216=%1/missing"
                                  << "LOADER_216"
                                  << "";
  QTest::newRow("other label") << "LOADER_35=%1/a"
                               << "LOADER_216"
                               << "";
  QTest::newRow("malformed entries") << "=%1/a,LOADER_216=,LOADER_216"
                                     << "LOADER_216"
                                     << "";
}

void TstLoaderDisk::extraVolumes() {
  QFETCH(QString, entries);
  QFETCH(QString, label);
  QFETCH(QString, found);
  QTemporaryDir dir;
  QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("a")));
  QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("b")));
  qputenv("VELMORA_EXTRA_VOLUMES", entries.arg(dir.path()).toLocal8Bit());
  const QString root = FindVolumeByLabel(label);
  qunsetenv("VELMORA_EXTRA_VOLUMES");
  if (found.isEmpty())
    QVERIFY2(!root.startsWith(dir.path()), qPrintable(root));
  else
    QCOMPARE(root, dir.filePath(found));
}

void TstLoaderDisk::copyLeavesTheImageUnderItsName() {
  QTemporaryDir dir;
  const QString source = dir.filePath(QStringLiteral("vt216-2.01.dfw"));
  const QByteArray image = Pattern(200000);
  QVERIFY(Write(source, image));
  const QString disk = dir.filePath(QStringLiteral("disk"));
  QVERIFY(QDir().mkpath(disk));
  // An image of that name from an earlier update is replaced.
  QVERIFY(Write(QDir(disk).filePath(QStringLiteral("vt216-2.01.dfw")), "old"));
  QList<std::pair<qint64, qint64>> progress;
  QVERIFY(CopyFileTo(
      source, disk,
      [&](qint64 aDone, qint64 aTotal) {
        progress.append({aDone, aTotal});
      },
      TCopyOptions{0, 65536}));
  QFile copied(QDir(disk).filePath(QStringLiteral("vt216-2.01.dfw")));
  QVERIFY(copied.open(QIODevice::ReadOnly));
  QCOMPARE(copied.readAll(), image);
  QVERIFY(!QFile::exists(QDir(disk).filePath(QStringLiteral("fw"))));
  QCOMPARE(QFileInfo(QDir(disk).filePath(QStringLiteral("0"))).size(), 5120);
  QCOMPARE(QFileInfo(QDir(disk).filePath(QStringLiteral("1"))).size(), 5120);
  QCOMPARE(progress.first(), (std::pair<qint64, qint64>{0, 200000}));
  QCOMPARE(progress.last(), (std::pair<qint64, qint64>{200000, 200000}));
  QCOMPARE(progress.size(), 1 + 4);
  QCOMPARE(FileSizeOf(source), 200000);
  QCOMPARE(FileSizeOf(dir.filePath(QStringLiteral("none"))), -1);
  QCOMPARE(FileSizeOf(disk), -1);
}

void TstLoaderDisk::copyFailures_data() {
  QTest::addColumn<QString>("failure");
  QTest::newRow("source missing") << "source";
  QTest::newRow("disk missing") << "disk";
  QTest::newRow("disk read-only") << "read-only";
}

void TstLoaderDisk::copyFailures() {
  QFETCH(QString, failure);
  if (failure == QLatin1String("read-only") && ::geteuid() == 0)
    QSKIP("root writes into read-only folders");
  QTemporaryDir dir;
  const QString source = dir.filePath(QStringLiteral("fw-1.0.dfw"));
  if (failure != QLatin1String("source"))
    QVERIFY(Write(source, Pattern(1000)));
  const QString disk = dir.filePath(QStringLiteral("disk"));
  if (failure != QLatin1String("disk"))
    QVERIFY(QDir().mkpath(disk));
  if (failure == QLatin1String("read-only"))
    QVERIFY(QFile::setPermissions(disk, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
  QVERIFY(!CopyFileTo(source, disk, {}, TCopyOptions{0, 4096}));
  QVERIFY(!QFile::exists(QDir(disk).filePath(QStringLiteral("fw-1.0.dfw"))));
}

void TstLoaderDisk::jobReportsOnItsOwnThread() {
  QTemporaryDir dir;
  const QString source = dir.filePath(QStringLiteral("fw-1.0.dfw"));
  QVERIFY(Write(source, Pattern(100000)));
  TFileCopyJob job;
  QList<QThread*> deliveredOn;
  qint64 last = 0;
  int results = 0;
  bool success = false;
  QObject receiver;
  connect(&job, &TFileCopyJob::Progress, &receiver, [&](qint64 aDone, qint64) {
    deliveredOn << QThread::currentThread();
    last = aDone;
  });
  connect(&job, &TFileCopyJob::Finished, &receiver, [&](bool aSuccess) {
    deliveredOn << QThread::currentThread();
    ++results;
    success = aSuccess;
  });
  QVERIFY(job.Start(source, dir.path(), TCopyOptions{0, 32768}));
  QVERIFY(!job.Start(source, dir.path()));
  QTRY_COMPARE_WITH_TIMEOUT(results, 1, 10000);
  QVERIFY(success);
  QCOMPARE(last, 100000);
  // The window's thread gets every report; the copy itself ran elsewhere.
  QCOMPARE(deliveredOn.count(QThread::currentThread()), deliveredOn.size());
}

QTEST_GUILESS_MAIN(TstLoaderDisk)
#include "tst_loader_disk.moc"
