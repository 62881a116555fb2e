#include "platform/machine_identity.h"

#include <QDir>
#include <QFile>
#include <sys/stat.h>
#include <sys/sysmacros.h>

TLinuxMachineIdentity::TLinuxMachineIdentity(QString aMachineIdFile, QString aMountInfoFile,
                                             QString aByUuidFolder)
    : FMachineIdFile(std::move(aMachineIdFile)), FMountInfoFile(std::move(aMountInfoFile)),
      FByUuidFolder(std::move(aByUuidFolder)) {}

QString TLinuxMachineIdentity::SerialFrom(const QString& aText) {
  QString digits;
  for (const QChar c : aText.trimmed()) {
    if (c == QLatin1Char('-'))
      continue;
    if (!isxdigit(c.toLatin1()) || c.unicode() > 0x7F)
      return QString();
    digits += c.toUpper();
    if (digits.size() == 8)
      return digits;
  }
  return QString();
}

QString TLinuxMachineIdentity::SerialNumber() const {
  QFile id(FMachineIdFile);
  if (id.open(QIODevice::ReadOnly)) {
    const QString serial = SerialFrom(QString::fromLatin1(id.readLine(64)));
    if (!serial.isEmpty())
      return serial;
  }
  return SerialFrom(RootFileSystemUuid());
}

QString TLinuxMachineIdentity::RootFileSystemUuid() const {
  // The root mount's device number, then the by-uuid link that points at that device.
  QFile mounts(FMountInfoFile);
  if (!mounts.open(QIODevice::ReadOnly))
    return QString();
  unsigned rootMajor = 0, rootMinor = 0;
  bool found = false;
  while (!mounts.atEnd()) {
    const QList<QByteArray> fields = mounts.readLine().simplified().split(' ');
    if (fields.size() < 5 || fields[4] != "/")
      continue;
    const QList<QByteArray> numbers = fields[2].split(':');
    bool okMajor = false, okMinor = false;
    if (numbers.size() == 2) {
      rootMajor = numbers[0].toUInt(&okMajor);
      rootMinor = numbers[1].toUInt(&okMinor);
    }
    found = okMajor && okMinor;
  }
  if (!found)
    return QString();
  const QDir links(FByUuidFolder);
  for (const QString& name : links.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
    struct stat st {};
    if (::stat(QFile::encodeName(links.filePath(name)).constData(), &st) != 0)
      continue;
    if (major(st.st_rdev) == rootMajor && minor(st.st_rdev) == rootMinor)
      return name;
  }
  return QString();
}
