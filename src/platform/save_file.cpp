#include "platform/save_file.h"

#include <QFile>
#include <QSaveFile>
#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <unistd.h>
#endif

namespace {

constexpr qint64 kCopyChunk = 1 << 20;

bool Fail(QString* aError, const QString& aReason) {
  if (aError)
    *aError = aReason;
  return false;
}

QString Reason(const QFileDevice& aFile) {
  return aFile.errorString();
}

} // namespace

bool WriteThrough(QFileDevice& aFile, QByteArrayView aBytes, QString* aError) {
  if (!aFile.isOpen())
    return Fail(aError, Reason(aFile));
  qint64 done = 0;
  while (done < aBytes.size()) {
    const qint64 written = aFile.write(aBytes.data() + done, aBytes.size() - done);
    if (written <= 0)
      return Fail(aError, Reason(aFile));
    done += written;
  }
  if (!aFile.flush() || aFile.error() != QFileDevice::NoError)
    return Fail(aError, Reason(aFile));
  return true;
}

void DiscardSaveFile(QSaveFile& aFile) {
  if (!aFile.isOpen())
    return;
  aFile.cancelWriting();
  // A cancelled commit removes the temporary file at once instead of at destruction.
  aFile.commit();
}

bool CommitSaveFile(QSaveFile& aFile, QString* aError) {
  if (!aFile.isOpen())
    return Fail(aError, Reason(aFile));
  if (!aFile.flush() || aFile.error() != QFileDevice::NoError) {
    const QString reason = Reason(aFile);
    DiscardSaveFile(aFile);
    return Fail(aError, reason);
  }
#ifdef Q_OS_UNIX
  // commit() syncs too but ignores the outcome; a file system that reports the lack of room only
  // now must not get the old file replaced.
  if (aFile.handle() >= 0 && ::fsync(aFile.handle()) != 0 && errno != EINVAL && errno != EROFS) {
    const QString reason = QString::fromLocal8Bit(std::strerror(errno));
    DiscardSaveFile(aFile);
    return Fail(aError, reason);
  }
#endif
  if (!aFile.commit())
    return Fail(aError, Reason(aFile));
  return true;
}

bool SaveFileAtomically(const QString& aFileName, QByteArrayView aBytes, QString* aError) {
  QSaveFile file(aFileName);
  if (!file.open(QIODevice::WriteOnly))
    return Fail(aError, Reason(file));
  QString reason;
  if (!WriteThrough(file, aBytes, &reason)) {
    DiscardSaveFile(file);
    return Fail(aError, reason);
  }
  return CommitSaveFile(file, aError);
}

bool CopyFileAtomically(const QString& aFrom, const QString& aTo, QString* aError) {
  QFile source(aFrom);
  if (!source.open(QIODevice::ReadOnly))
    return Fail(aError, Reason(source));
  QSaveFile target(aTo);
  if (!target.open(QIODevice::WriteOnly))
    return Fail(aError, Reason(target));
  QString reason;
  for (;;) {
    const QByteArray chunk = source.read(kCopyChunk);
    if (source.error() != QFileDevice::NoError)
      reason = Reason(source);
    if (!reason.isEmpty() || chunk.isEmpty() || !WriteThrough(target, chunk, &reason))
      break;
  }
  if (!reason.isEmpty()) {
    DiscardSaveFile(target);
    return Fail(aError, reason);
  }
  target.setPermissions(source.permissions());
  return CommitSaveFile(target, aError);
}
