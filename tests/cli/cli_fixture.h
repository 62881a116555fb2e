#pragma once

// Several simulated devices at once, each velmora-devsim on a pseudo-terminal of its own behind a
// link "simN", and velmora-cli run against them as a technician runs it from a shell.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <vector>

inline const QString kCliTrackerHardwareId = QStringLiteral("USB\\VID_0483&PID_5740&REV_0200");

struct TCliRun {
  int ExitCode = -1;
  QString Out;
  QString Err;
  // Lines of standard output.
  QStringList Lines() const { return Out.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
};

class TSimFarm {
public:
  TSimFarm();
  ~TSimFarm();
  TSimFarm(const TSimFarm&) = delete;
  TSimFarm& operator=(const TSimFarm&) = delete;

  static bool Built();
  QString Dir() const { return FDir.path(); }
  QString Path(const QString& aName) const { return FDir.filePath(aName); }

  // Starts a simulator on link "sim<N>" (N counts from 0), or on aLinkName when given, and lists
  // it; false when its terminal does not appear.
  bool AddSimulator(const QStringList& aArgs, const QString& aLinkName = QString());
  // The process id of the N-th simulator started.
  qint64 SimulatorPid(int aIndex) const { return FSimulators.at(size_t(aIndex))->processId(); }
  // Lists a port that nobody answers on.
  void AddPort(const QString& aPath);
  QString ExtraPorts() const { return FPorts.join(QLatin1Char(',')); }
  // Starts velmora-websim serving the settings modules of aModules and points the runs at it;
  // false when it does not start.
  bool StartSettingsService(const QString& aModules);

  // Later runs may not make any file larger than aBytes, as on a full disk: writes past it fail
  // (EFBIG, SIGXFSZ ignored). Below 0: no limit.
  void LimitFileSize(qint64 aBytes) { FFileSizeLimit = aBytes; }

  // Runs velmora-cli with the listed ports, in English; waits at most aWaitMs.
  TCliRun Cli(const QStringList& aArgs, int aWaitMs = 120000) const;
  // The same, started and left running; CliWait collects the result (killing it after aWaitMs).
  std::unique_ptr<QProcess> CliStart(const QStringList& aArgs) const;
  static TCliRun CliWait(QProcess& aCli, int aWaitMs);

private:
  QTemporaryDir FDir;
  std::vector<std::unique_ptr<QProcess>> FSimulators;
  QStringList FPorts;
  QString FSettingsService;
  qint64 FFileSizeLimit = -1;
};

// The same bytes in aFileName, or empty when it cannot be read.
QByteArray ReadAll(const QString& aFileName);
bool WriteAll(const QString& aFileName, const QByteArray& aBytes);
