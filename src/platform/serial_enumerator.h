#pragma once

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>
#include <memory>

// One serial port the system presents.
struct TSerialPortEntry {
  // "USB\VID_xxxx&PID_xxxx&REV_xxxx&MI_xx" (upper-case hex; REV and MI only when known).
  QString HardwareId;
  // "<description> (<port name>)".
  QString FriendlyName;
  // What the driver opens.
  QString DevicePath;
  // The name the port goes by when the system names it directly (the extra ports, whose names
  // may be anything); empty when it is cut out of FriendlyName.
  QString PortName = QString();
};

// The present serial ports with their USB identity, and a notice when the set may have changed.
class ISerialEnumerator : public QObject {
  Q_OBJECT
public:
  using QObject::QObject;
  virtual QList<TSerialPortEntry> Enumerate() = 0;

Q_SIGNALS:
  void DevicesChanged();
};

// Parses VELMORA_EXTRA_PORTS: comma-separated "PATH=HARDWARE_ID" entries.
struct TExtraPort {
  QString Path;
  QString HardwareId;
  QString PortName;
};
QList<TExtraPort> ParseExtraPorts(const QString& aValue);
// The last component of the path, with its folder's name in front when it is only digits; empty
// for a path that names no file of its own ("/", "..").
QString ExtraPortName(const QString& aPath);
// "USB\VID_0483&PID_5740&REV_0200&MI_00" from sysfs values; empty parts are left out.
QString UsbHardwareId(const QString& aVendor, const QString& aProduct, const QString& aRevision,
                      const QString& aInterface);

// Linux: tty devices with a USB parent, read through libudev, plus the extra ports of
// VELMORA_EXTRA_PORTS; hot-plug from a udev monitor and a short poll of the extra paths.
class TUdevSerialEnumerator : public ISerialEnumerator {
  Q_OBJECT
public:
  explicit TUdevSerialEnumerator(QObject* aParent = nullptr);
  ~TUdevSerialEnumerator() override;

  QList<TSerialPortEntry> Enumerate() override;

private:
  void PollExtraPorts();
  void ReadMonitor();

  struct TUdev;
  std::unique_ptr<TUdev> FUdev;
  QList<TExtraPort> FExtra;
  // Signatures of the extra paths present at the last poll.
  QSet<QString> FExtraPresent;
  QTimer FExtraPoll;
};
