#include "platform/serial_enumerator.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <libudev.h>
#include <sys/stat.h>

QList<TExtraPort> ParseExtraPorts(const QString& aValue) {
  QList<TExtraPort> out;
  for (const QString& item : aValue.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
    const qsizetype eq = item.indexOf(QLatin1Char('='));
    if (eq <= 0)
      continue;
    TExtraPort port;
    port.Path = item.left(eq).trimmed();
    port.HardwareId = item.mid(eq + 1).trimmed();
    port.PortName = ExtraPortName(port.Path);
    if (!port.Path.isEmpty() && !port.PortName.isEmpty())
      out.append(port);
  }
  return out;
}

QString ExtraPortName(const QString& aPath) {
  const QStringList parts = aPath.split(QLatin1Char('/'), Qt::SkipEmptyParts);
  if (parts.isEmpty())
    return QString();
  const QString last = parts.last();
  // The name also names files (a settings backup per port), so it may not lead out of a folder.
  if (last == QLatin1String(".") || last == QLatin1String(".."))
    return QString();
  bool digits = !last.isEmpty();
  for (QChar c : last)
    digits = digits && c.isDigit();
  if (digits && parts.size() >= 2)
    return parts.at(parts.size() - 2) + last;
  return last;
}

QString UsbHardwareId(const QString& aVendor, const QString& aProduct, const QString& aRevision,
                      const QString& aInterface) {
  QString id = QStringLiteral("USB\\VID_%1&PID_%2").arg(aVendor.toUpper(), aProduct.toUpper());
  if (!aRevision.isEmpty())
    id += QStringLiteral("&REV_") + aRevision.toUpper();
  if (!aInterface.isEmpty())
    id += QStringLiteral("&MI_") + aInterface.toUpper();
  return id;
}

struct TUdevSerialEnumerator::TUdev {
  udev* Context = nullptr;
  udev_monitor* Monitor = nullptr;
  QSocketNotifier* Notifier = nullptr;
  ~TUdev() {
    if (Monitor)
      udev_monitor_unref(Monitor);
    if (Context)
      udev_unref(Context);
  }
};

namespace {
QString Attr(udev_device* aDevice, const char* aName) {
  const char* value = aDevice ? udev_device_get_sysattr_value(aDevice, aName) : nullptr;
  return value ? QString::fromLatin1(value).trimmed() : QString();
}
} // namespace

namespace {
// What an extra path points at now: a quick unplug and replug between two polls gives a new
// terminal (another target, another inode) under the same path.
QString Signature(const QString& aPath) {
  const QByteArray path = QFile::encodeName(aPath);
  struct stat target {};
  struct stat link {};
  if (::stat(path.constData(), &target) != 0 || ::lstat(path.constData(), &link) != 0)
    return QString();
  return QStringLiteral("%1|%2|%3|%4|%5")
      .arg(aPath, QFileInfo(aPath).canonicalFilePath())
      .arg(qulonglong(target.st_ino))
      .arg(qulonglong(link.st_ino))
      .arg(qlonglong(link.st_ctim.tv_sec) * 1000000000 + link.st_ctim.tv_nsec);
}

QSet<QString> Signatures(const QList<TExtraPort>& aPorts) {
  QSet<QString> present;
  for (const TExtraPort& p : aPorts)
    if (const QString signature = Signature(p.Path); !signature.isEmpty())
      present.insert(signature);
  return present;
}
} // namespace

TUdevSerialEnumerator::TUdevSerialEnumerator(QObject* aParent)
    : ISerialEnumerator(aParent), FUdev(std::make_unique<TUdev>()) {
  FUdev->Context = udev_new();
  if (FUdev->Context) {
    // The monitor runs before the first enumeration, so nothing plugged in between is missed.
    FUdev->Monitor = udev_monitor_new_from_netlink(FUdev->Context, "udev");
    if (FUdev->Monitor &&
        udev_monitor_filter_add_match_subsystem_devtype(FUdev->Monitor, "tty", nullptr) >= 0 &&
        udev_monitor_enable_receiving(FUdev->Monitor) >= 0) {
      FUdev->Notifier = new QSocketNotifier(udev_monitor_get_fd(FUdev->Monitor), QSocketNotifier::Read, this);
      connect(FUdev->Notifier, &QSocketNotifier::activated, this, &TUdevSerialEnumerator::ReadMonitor);
    }
  }
  FExtra = ParseExtraPorts(qEnvironmentVariable("VELMORA_EXTRA_PORTS"));
  if (!FExtra.isEmpty()) {
    FExtraPresent = Signatures(FExtra);
    FExtraPoll.setInterval(500);
    connect(&FExtraPoll, &QTimer::timeout, this, &TUdevSerialEnumerator::PollExtraPorts);
    FExtraPoll.start();
  }
}

TUdevSerialEnumerator::~TUdevSerialEnumerator() = default;

void TUdevSerialEnumerator::ReadMonitor() {
  bool changed = false;
  while (udev_device* device = udev_monitor_receive_device(FUdev->Monitor)) {
    changed = true;
    udev_device_unref(device);
  }
  if (changed)
    Q_EMIT DevicesChanged();
}

void TUdevSerialEnumerator::PollExtraPorts() {
  const QSet<QString> present = Signatures(FExtra);
  if (present != FExtraPresent) {
    FExtraPresent = present;
    Q_EMIT DevicesChanged();
  }
}

QList<TSerialPortEntry> TUdevSerialEnumerator::Enumerate() {
  QList<TSerialPortEntry> out;
  if (FUdev->Context) {
    udev_enumerate* enumerate = udev_enumerate_new(FUdev->Context);
    udev_enumerate_add_match_subsystem(enumerate, "tty");
    udev_enumerate_scan_devices(enumerate);
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
      udev_device* device = udev_device_new_from_syspath(FUdev->Context, udev_list_entry_get_name(entry));
      if (!device)
        continue;
      const char* node = udev_device_get_devnode(device);
      // Parents belong to the child device and are released with it.
      udev_device* usb = udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device");
      udev_device* usbInterface =
          udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_interface");
      if (node && usb) {
        TSerialPortEntry port;
        port.DevicePath = QString::fromLocal8Bit(node);
        port.HardwareId = UsbHardwareId(Attr(usb, "idVendor"), Attr(usb, "idProduct"), Attr(usb, "bcdDevice"),
                                        Attr(usbInterface, "bInterfaceNumber"));
        QString description = Attr(usb, "product");
        if (description.isEmpty())
          description = QStringLiteral("USB Serial Device");
        port.FriendlyName = QStringLiteral("%1 (%2)").arg(
            description, QString::fromLocal8Bit(udev_device_get_sysname(device)));
        out.append(port);
      }
      udev_device_unref(device);
    }
    udev_enumerate_unref(enumerate);
  }
  for (const TExtraPort& p : FExtra)
    if (QFileInfo::exists(p.Path))
      out.append({p.HardwareId, QStringLiteral("Serial Device (%1)").arg(p.PortName), p.Path, p.PortName});
  // The poll compares against what the caller has seen last, so a change that happens between
  // this call and the next poll is still announced.
  FExtraPresent = Signatures(FExtra);
  return out;
}
