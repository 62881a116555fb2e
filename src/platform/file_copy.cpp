#include "platform/file_copy.h"

#include "platform/save_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr qint64 kMarkerSize = 5120;

bool SyncPath(const QString& aPath, int aFlags) {
  const int fd = ::open(QFile::encodeName(aPath).constData(), aFlags | O_CLOEXEC);
  if (fd < 0)
    return false;
  const bool ok = ::fsync(fd) == 0;
  return ::close(fd) == 0 && ok;
}

bool CreateMarker(const QString& aPath) {
  QFile marker(aPath);
  // The loader only looks at the size; the contents are never written.
  return marker.open(QIODevice::WriteOnly | QIODevice::Truncate) && marker.resize(kMarkerSize);
}

bool CopyChunks(const QString& aFrom, const QString& aTo, const TCopyProgress& aProgress, qint64 aChunk) {
  QFile source(aFrom);
  QFile target(aTo);
  if (!source.open(QIODevice::ReadOnly) || !target.open(QIODevice::WriteOnly | QIODevice::Truncate))
    return false;
  const qint64 total = source.size();
  qint64 done = 0;
  if (aProgress)
    aProgress(0, total);
  while (!source.atEnd()) {
    const QByteArray bytes = source.read(aChunk);
    if (bytes.isEmpty() || !WriteThrough(target, bytes))
      return false;
    done += bytes.size();
    if (aProgress)
      aProgress(done, total);
  }
  if (!target.flush() || ::fsync(target.handle()) != 0)
    return false;
  target.close();
  return target.error() == QFileDevice::NoError && done == total;
}

} // namespace

qint64 FileSizeOf(const QString& aFileName) {
  const QFileInfo info(aFileName);
  return info.exists() && info.isFile() ? info.size() : -1;
}

bool CopyFileTo(const QString& aFileName, const QString& aDrive, const TCopyProgress& aProgress,
                const TCopyOptions& aOptions) {
  const QFileInfo source(aFileName);
  if (!source.isFile())
    return false;
  const QDir drive(aDrive);
  QThread::msleep(ulong(aOptions.PauseMs));
  if (!CreateMarker(drive.filePath(QStringLiteral("0"))))
    return false;
  QThread::msleep(ulong(aOptions.PauseMs));
  if (!CreateMarker(drive.filePath(QStringLiteral("1"))))
    return false;
  QThread::msleep(ulong(aOptions.PauseMs));
  const QString staging = drive.filePath(QStringLiteral("fw"));
  if (!CopyChunks(source.absoluteFilePath(), staging, aProgress, qMax<qint64>(1, aOptions.ChunkBytes)))
    return false;
  // rename() replaces a file of that name left by an earlier update, in one step.
  const QString target = drive.filePath(source.fileName());
  if (std::rename(QFile::encodeName(staging).constData(), QFile::encodeName(target).constData()) != 0)
    return false;
  return SyncPath(drive.absolutePath(), O_RDONLY | O_DIRECTORY);
}

TFileCopyJob::TFileCopyJob(QObject* aParent) : QObject(aParent) {}

TFileCopyJob::~TFileCopyJob() {
  if (FThread)
    FThread->wait();
}

bool TFileCopyJob::Running() const {
  return FThread && FThread->isRunning();
}

bool TFileCopyJob::Start(const QString& aFileName, const QString& aDrive, const TCopyOptions& aOptions) {
  if (Running())
    return false;
  if (FThread)
    FThread->wait();
  // Signals emitted on the worker reach this job's thread queued.
  FThread.reset(QThread::create([this, aFileName, aDrive, aOptions] {
    const bool ok = CopyFileTo(
        aFileName, aDrive, [this](qint64 aDone, qint64 aTotal) { Q_EMIT Progress(aDone, aTotal); }, aOptions);
    Q_EMIT Finished(ok);
  }));
  FThread->start();
  return true;
}
