#include "platform/file_date.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#ifdef Q_OS_WIN
#include <windows.h>
#endif

bool SetFileDate(const QString& aFileName, const QDateTime& aLocal) {
  if (!aLocal.isValid())
    return false;
  QFile file(aFileName);
  // Opening for append leaves the contents alone; the time is set through the open handle.
  if (!file.open(QIODevice::ReadWrite | QIODevice::Append))
    return false;
  return file.setFileTime(aLocal, QFileDevice::FileModificationTime);
}

QDateTime FileDate(const QString& aFileName) {
  const QFileInfo info(aFileName);
  if (!info.exists())
    return QDateTime();
  return info.fileTime(QFileDevice::FileModificationTime).toLocalTime();
}

bool ReplaceFile(const QString& aFrom, const QString& aTo, QString* aError) {
#ifdef Q_OS_WIN
  // QFile::rename refuses an existing target; remove-then-rename would leave a gap.
  const bool ok =
      ::MoveFileExW(reinterpret_cast<LPCWSTR>(aFrom.utf16()), reinterpret_cast<LPCWSTR>(aTo.utf16()),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok && aError)
    *aError = QStringLiteral("rename failed");
  return ok;
#else
  if (std::rename(QFile::encodeName(aFrom).constData(), QFile::encodeName(aTo).constData()) == 0)
    return true;
  if (aError)
    *aError = QString::fromLocal8Bit(std::strerror(errno));
  return false;
#endif
}
