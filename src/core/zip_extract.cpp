#include "core/zip_extract.h"

#include "platform/save_file.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

namespace {

// An entry's path relative to the target folder, or empty when it must not be written there.
QString SafeRelativePath(const QString& aEntryName) {
  QString name = aEntryName;
  name.replace(QLatin1Char('\\'), QLatin1Char('/'));
  if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.contains(QLatin1Char(':')))
    return QString();
  const QString clean = QDir::cleanPath(name);
  if (clean == QLatin1String(".") || clean == QLatin1String("..") || clean.startsWith(QLatin1String("../")))
    return QString();
  return clean;
}

bool Fail(QString* aError, const QString& aText) {
  if (aError)
    *aError = aText;
  return false;
}

} // namespace

bool ExtractZipSafely(const QString& aArchiveFile, const QString& aFolder, QString* aError,
                      qint64 aMaxBytes) {
  QuaZip zip(aArchiveFile);
  if (!zip.open(QuaZip::mdUnzip))
    return Fail(aError,
                QStringLiteral("cannot open archive %1 (error %2)").arg(aArchiveFile).arg(zip.getZipError()));
  const QStringList names = zip.getFileNameList();
  for (const QString& name : names)
    if (SafeRelativePath(name).isEmpty())
      return Fail(aError, QStringLiteral("archive entry leaves the folder: %1").arg(name));

  const QDir target(aFolder);
  qint64 total = 0;
  for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile()) {
    const QString name = zip.getCurrentFileName();
    const QString path = target.filePath(SafeRelativePath(name));
    if (name.endsWith(QLatin1Char('/')) || name.endsWith(QLatin1Char('\\'))) {
      if (!QDir().mkpath(path))
        return Fail(aError, QStringLiteral("cannot create folder %1").arg(path));
      continue;
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
      return Fail(aError, QStringLiteral("cannot create folder for %1").arg(path));
    QuaZipFile entry(&zip);
    if (!entry.open(QIODevice::ReadOnly))
      return Fail(aError, QStringLiteral("cannot read archive entry %1").arg(name));
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
      return Fail(aError, QStringLiteral("cannot write %1: %2").arg(path, out.errorString()));
    char buffer[64 * 1024];
    qint64 got = 0;
    QString reason;
    while ((got = entry.read(buffer, sizeof buffer)) > 0) {
      total += got;
      if (total > aMaxBytes) {
        DiscardSaveFile(out);
        return Fail(aError,
                    QStringLiteral("archive unpacks to more than %1 bytes at %2").arg(aMaxBytes).arg(name));
      }
      if (!WriteThrough(out, QByteArrayView(buffer, got), &reason)) {
        DiscardSaveFile(out);
        return Fail(aError, QStringLiteral("cannot write %1: %2").arg(path, reason));
      }
    }
    // A damaged entry shows as a read error or a failed CRC check when it is closed.
    if (got < 0) {
      DiscardSaveFile(out);
      return Fail(aError, QStringLiteral("cannot read archive entry %1").arg(name));
    }
    entry.close();
    if (entry.getZipError() != UNZ_OK) {
      DiscardSaveFile(out);
      return Fail(aError, QStringLiteral("archive entry %1 is damaged").arg(name));
    }
    if (!CommitSaveFile(out, &reason))
      return Fail(aError, QStringLiteral("cannot write %1: %2").arg(path, reason));
  }
  if (zip.getZipError() != UNZ_OK)
    return Fail(aError,
                QStringLiteral("cannot read archive %1 (error %2)").arg(aArchiveFile).arg(zip.getZipError()));
  return true;
}
