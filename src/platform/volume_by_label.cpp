#include "platform/volume_by_label.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <QVariantMap>

namespace {

constexpr char kService[] = "org.freedesktop.UDisks2";
constexpr char kBlock[] = "org.freedesktop.UDisks2.Block";
constexpr char kFilesystem[] = "org.freedesktop.UDisks2.Filesystem";
// The search runs on the window's thread once a second: a hung daemon must not freeze it.
constexpr int kDBusTimeoutMs = 500;

bool SameLabel(const QString& aFound, const QString& aWanted) {
  return !aWanted.trimmed().isEmpty() &&
         aFound.trimmed().compare(aWanted.trimmed(), Qt::CaseInsensitive) == 0;
}

QVariant Property(const QString& aPath, const char* aInterface, const char* aName) {
  QDBusInterface properties(QString::fromLatin1(kService), aPath,
                            QStringLiteral("org.freedesktop.DBus.Properties"), QDBusConnection::systemBus());
  properties.setTimeout(kDBusTimeoutMs);
  const QDBusReply<QDBusVariant> reply =
      properties.call(QStringLiteral("Get"), QString::fromLatin1(aInterface), QString::fromLatin1(aName));
  return reply.isValid() ? reply.value().variant() : QVariant();
}

// MountPoints is an array of NUL-terminated byte strings.
QString FirstMountPoint(const QVariant& aValue) {
  if (!aValue.canConvert<QDBusArgument>())
    return QString();
  const QDBusArgument argument = aValue.value<QDBusArgument>();
  QList<QByteArray> points;
  argument >> points;
  for (QByteArray point : points) {
    while (point.endsWith('\0'))
      point.chop(1);
    if (!point.isEmpty())
      return QFile::decodeName(point);
  }
  return QString();
}

QString FindWithUDisks(const QString& aLabel) {
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected() || !bus.interface() ||
      !bus.interface()->isServiceRegistered(QString::fromLatin1(kService)))
    return QString();
  QDBusInterface manager(QString::fromLatin1(kService), QStringLiteral("/org/freedesktop/UDisks2/Manager"),
                         QStringLiteral("org.freedesktop.UDisks2.Manager"), bus);
  manager.setTimeout(kDBusTimeoutMs);
  const QDBusReply<QList<QDBusObjectPath>> devices =
      manager.call(QStringLiteral("GetBlockDevices"), QVariantMap());
  if (!devices.isValid())
    return QString();
  for (const QDBusObjectPath& device : devices.value()) {
    const QString path = device.path();
    if (!SameLabel(Property(path, kBlock, "IdLabel").toString(), aLabel))
      continue;
    const QString mounted = FirstMountPoint(Property(path, kFilesystem, "MountPoints"));
    if (!mounted.isEmpty())
      return mounted;
    QDBusInterface filesystem(QString::fromLatin1(kService), path, QString::fromLatin1(kFilesystem), bus);
    filesystem.setTimeout(kDBusTimeoutMs * 4);
    const QDBusReply<QString> mount = filesystem.call(QStringLiteral("Mount"), QVariantMap());
    if (mount.isValid() && !mount.value().isEmpty())
      return mount.value();
  }
  return QString();
}

} // namespace

QList<TExtraVolume> ParseExtraVolumes(const QString& aValue) {
  QList<TExtraVolume> volumes;
  for (const QString& entry : aValue.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
    const qsizetype equals = entry.indexOf(QLatin1Char('='));
    if (equals <= 0 || equals == entry.size() - 1)
      continue;
    volumes.append({entry.left(equals).trimmed(), entry.mid(equals + 1).trimmed()});
  }
  return volumes;
}

QString FindVolumeByLabel(const QString& aLabel) {
  for (const TExtraVolume& volume : ParseExtraVolumes(qEnvironmentVariable("VELMORA_EXTRA_VOLUMES")))
    if (SameLabel(volume.Label, aLabel) && QFileInfo(volume.Root).isDir())
      return volume.Root;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
    if (volume.isValid() && volume.isReady() && SameLabel(volume.name(), aLabel))
      return volume.rootPath();
  return FindWithUDisks(aLabel);
}
