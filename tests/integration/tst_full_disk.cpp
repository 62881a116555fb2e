// Every file the program writes, on a disk that runs out of room: the write is refused with an
// error, the file that was there keeps its bytes and no temporary file is left beside it. The
// writers run in a child process whose files may not grow past a few hundred bytes (with
// SIGXFSZ ignored, writes past the limit fail with EFBIG), so no root and no mount is needed.

#include "core/log_file.h"
#include "core/memory_stream_ex.h"
#include "core/zip_extract.h"
#include "device/stored_files.h"
#include "dialogs/sticker_templates.h"
#include "settings/settings_files.h"
#include "updates/module_installer.h"
#include "updates/self_updater.h"
#include "updates/update_info.h"
#include "updates/web_client.h"

#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <functional>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Below Qt's 16 KB write buffer: such a write is only buffered and reports the whole count.
constexpr rlim_t kLimit = 700;
constexpr qsizetype kNewSize = 8000;

QByteArray Pattern(qsizetype aSize, int aSeed) {
  QByteArray bytes(aSize, '\0');
  for (qsizetype i = 0; i < aSize; ++i)
    bytes[i] = char('A' + (i * 7 + aSeed) % 26);
  return bytes;
}

// The old file: larger than the limit, so a writer that truncated it in place would show.
const QByteArray kOld = Pattern(1500, 3);
const QByteArray kNew = Pattern(kNewSize, 11);

QByteArray ReadAll(const QString& aPath) {
  QFile file(aPath);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& aPath, const QByteArray& aBytes) {
  QFile file(aPath);
  return file.open(QIODevice::WriteOnly) && file.write(aBytes) == aBytes.size() && file.flush();
}

QStringList FilesUnder(const QString& aFolder) {
  QStringList files;
  QDirIterator it(aFolder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
  while (it.hasNext())
    files << QDir(aFolder).relativeFilePath(it.next());
  files.sort();
  return files;
}

struct TOutcome {
  bool Exited = false;
  bool Refused = false; // the writer said it failed
  QString Error;
};

// Runs aWrite in a child process with the file-size limit; what it said comes back over a pipe.
TOutcome RunLimited(const std::function<bool(QString*)>& aWrite) {
  TOutcome outcome;
  int channel[2];
  if (::pipe(channel) != 0)
    return outcome;
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(channel[0]);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = kLimit;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    QString error;
    const bool ok = aWrite(&error);
    const QByteArray text = error.toUtf8();
    [[maybe_unused]] const ssize_t sent = ::write(channel[1], text.constData(), std::size_t(text.size()));
    ::_exit(ok ? 1 : 0);
  }
  ::close(channel[1]);
  if (child < 0) {
    ::close(channel[0]);
    return outcome;
  }
  QByteArray said;
  char buffer[512];
  for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;)
    said.append(buffer, got);
  ::close(channel[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  outcome.Exited = WIFEXITED(status);
  outcome.Refused = outcome.Exited && WEXITSTATUS(status) == 0;
  outcome.Error = QString::fromUtf8(said);
  return outcome;
}

// One writer: the file it replaces (relative to its folder) and how it writes there. aError gets
// the writer's own words where it has any.
struct TWriter {
  const char* Name;
  const char* Target;
  bool HasReason;
  std::function<bool(const QString& aFolder, QString* aError)> Write;
};

QString Sample(const char* aName) {
  return qEnvironmentVariable("VELMORA_SOURCE_DIR") + QLatin1String(aName);
}

const std::vector<TWriter>& Writers() {
  static const std::vector<TWriter> writers{
      {"stored files", "TRIP0001.CSV", true,
       [](const QString& aFolder, QString* aError) {
         const StoredFiles::TWriteResult result = StoredFiles::WriteAll(
             {TStoredFile{0, QStringLiteral("TRIP0001"), QStringLiteral("CSV"), kNew}}, aFolder);
         *aError = result.Error;
         return result.Failed.isEmpty() && !result.Written.isEmpty();
       }},
      {"settings file", "device.cfg", false,
       [](const QString& aFolder, QString*) {
         return WriteConfigFile(QDir(aFolder).filePath(QStringLiteral("device.cfg")),
                                QString::fromLatin1(kNew));
       }},
      {"exchange log", "exchange.log", true,
       [](const QString& aFolder, QString* aError) {
         TMemoryStreamEx log;
         log.Write(kNew);
         TPacketArray index;
         for (qint64 at = 0; at < log.Size(); at += 100)
           index.push_back(TPacket{46000.5, at, 100, psComplete});
         return SaveLogFile(QDir(aFolder).filePath(QStringLiteral("exchange.log")), log, index, false,
                            aError);
       }},
      {"sticker template", "stickers.ptp", true,
       [](const QString& aFolder, QString* aError) {
         return WriteTemplateFile(QDir(aFolder).filePath(QStringLiteral("stickers.ptp")),
                                  QString::fromLatin1(kNew), aError);
       }},
      {"archive extraction", "rules/70-velmora.rules", true,
       [](const QString& aFolder, QString* aError) {
         return ExtractZipSafely(aFolder + QStringLiteral("/../archive.zip"), aFolder, aError);
       }},
      {"settings module", "303.json", true,
       [](const QString& aFolder, QString* aError) {
         QFile sample(Sample("/tools/websim/modules/303.json"));
         if (!sample.open(QIODevice::ReadOnly)) {
           *aError = QStringLiteral("no sample module");
           return true;
         }
         return InstallModuleFile(aFolder, 303, sample.readAll(), QDateTime(QDate(2026, 9, 20), QTime(10, 0)),
                                  aError);
       }},
      {"program backup", "bin/velmora", true,
       [](const QString& aFolder, QString* aError) {
         TWebClient client;
         TSelfUpdater updater(client);
         updater.SetTarget(QDir(aFolder).filePath(QStringLiteral("bin/velmora")),
                           QDir(aFolder).filePath(QStringLiteral("backup")), QDate(2026, 9, 7));
         // A verified download, small enough to fit: only keeping the old program must fail.
         if (!WriteAll(updater.DownloadPath(), "new"))
           return true;
         return updater.Install(aError);
       }},
  };
  return writers;
}

// The old file every writer must leave as it was, and the archive the extraction reads.
bool Prepare(const QTemporaryDir& aDir, const QString& aTarget) {
  if (!QDir().mkpath(QFileInfo(aTarget).absolutePath()) || !WriteAll(aTarget, kOld))
    return false;
  QuaZip zip(aDir.filePath(QStringLiteral("archive.zip")));
  if (!zip.open(QuaZip::mdCreate))
    return false;
  QuaZipFile entry(&zip);
  if (!entry.open(QIODevice::WriteOnly, QuaZipNewInfo(QStringLiteral("rules/70-velmora.rules"))))
    return false;
  const bool written = entry.write(kNew) == kNew.size();
  entry.close();
  zip.close();
  return written && entry.getZipError() == ZIP_OK && zip.getZipError() == ZIP_OK;
}

} // namespace

class TstFullDisk : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void failedWriteKeepsTheOldFile_data();
  void failedWriteKeepsTheOldFile();
  void writersSucceedWithRoom();
};

void TstFullDisk::failedWriteKeepsTheOldFile_data() {
  QTest::addColumn<int>("writer");
  for (std::size_t i = 0; i < Writers().size(); ++i)
    QTest::newRow(Writers()[i].Name) << int(i);
}

void TstFullDisk::failedWriteKeepsTheOldFile() {
  QFETCH(int, writer);
  const TWriter& w = Writers()[std::size_t(writer)];
  QTemporaryDir dir;
  const QString folder = dir.filePath(QStringLiteral("target"));
  const QString target = QDir(folder).filePath(QLatin1String(w.Target));
  QVERIFY(Prepare(dir, target));
  const QStringList before = FilesUnder(folder);

  const TOutcome outcome = RunLimited([&](QString* aError) { return w.Write(folder, aError); });
  QVERIFY(outcome.Exited);
  QVERIFY2(outcome.Refused, "the writer reported success");
  if (w.HasReason)
    QVERIFY2(!outcome.Error.isEmpty(), "the writer gave no reason");
  QVERIFY(ReadAll(target) == kOld);
  QCOMPARE(FilesUnder(folder), before);
}

void TstFullDisk::writersSucceedWithRoom() {
  // The same writers without the limit: the failures above come from the lack of room alone.
  for (const TWriter& w : Writers()) {
    if (QLatin1String(w.Name) == QLatin1String("program backup"))
      continue; // swaps in a program that is not one; its own test covers the success
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("target"));
    const QString target = QDir(folder).filePath(QLatin1String(w.Target));
    QVERIFY(Prepare(dir, target));
    QString error;
    QVERIFY2(w.Write(folder, &error), qPrintable(QLatin1String(w.Name) + QStringLiteral(": ") + error));
    QVERIFY2(ReadAll(target) != kOld, w.Name);
    QCOMPARE(FilesUnder(folder), QStringList{QLatin1String(w.Target)});
  }
}

QTEST_GUILESS_MAIN(TstFullDisk)
#include "tst_full_disk.moc"
