// Zip extraction, as the driver package and downloaded archives are unpacked: whatever the archive
// holds (names that climb out or start at the root, links, sizes it lies about, names given twice),
// nothing appears outside the target folder, no link is made, and the bytes written stay within
// the limit asked for.

#include "core/zip_extract.h"
#include "fuzz_host.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace {

constexpr qint64 kLimit = 1024 * 1024;

QString Root() {
  static const QString root =
      (QFileInfo(QStringLiteral("/dev/shm")).isWritable() ? QStringLiteral("/dev/shm") : QDir::tempPath()) +
      QStringLiteral("/velmora-fuzz-zip-%1").arg(QCoreApplication::applicationPid());
  return root;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzInitApplication();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  const QString root = Root();
  QDir(root).removeRecursively();
  // The folder the archive is unpacked into lies two levels down, so a name that climbs out by
  // one or two levels would still land inside the root, where it is seen.
  const QString target = root + QStringLiteral("/out/inner");
  if (!QDir().mkpath(target))
    abort();
  const QString archive = root + QStringLiteral("/input.zip");
  {
    QFile file(archive);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(aData), qint64(aSize)) != qint64(aSize))
      abort();
  }
  QString error;
  ExtractZipSafely(archive, target, &error, kLimit);

  qint64 written = 0;
  QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    const QFileInfo info = it.fileInfo();
    if (info.isSymLink())
      __builtin_trap();
    if (path == archive || path == root + QStringLiteral("/out") || path == target)
      continue;
    if (!path.startsWith(target + QLatin1Char('/')))
      __builtin_trap();
    if (info.isFile())
      written += info.size();
  }
  if (written > kLimit)
    __builtin_trap();
  return 0;
}
