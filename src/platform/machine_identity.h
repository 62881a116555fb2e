#pragma once

#include <QString>

// An 8-digit upper-case hexadecimal number that names this machine and stays the same across
// restarts: what the administrator mode is tied to. Empty when the machine has none we can read.
class IMachineIdentity {
public:
  virtual ~IMachineIdentity() = default;
  virtual QString SerialNumber() const = 0;
};

// Linux: the first 8 hex digits of the systemd machine id, else those of the root file system's
// UUID (a FAT volume's "1A2B-3C4D" reads as the volume serial "1A2B3C4D"). The paths are the
// system's by default; tests point them at fixtures.
class TLinuxMachineIdentity : public IMachineIdentity {
public:
  explicit TLinuxMachineIdentity(QString aMachineIdFile = QStringLiteral("/etc/machine-id"),
                                 QString aMountInfoFile = QStringLiteral("/proc/self/mountinfo"),
                                 QString aByUuidFolder = QStringLiteral("/dev/disk/by-uuid"));
  QString SerialNumber() const override;

  // The first 8 hex digits of aText (dashes skipped), upper-case; empty when there are fewer.
  static QString SerialFrom(const QString& aText);

private:
  QString RootFileSystemUuid() const;

  QString FMachineIdFile;
  QString FMountInfoFile;
  QString FByUuidFolder;
};
