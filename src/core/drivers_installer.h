#pragma once

#include <QObject>
#include <QString>
#include <memory>

class IElevatedRunner;
class QTemporaryDir;

// How a driver installation ended.
enum TDriversOutcome {
  doInstalled, // the installer ran and exited 0
  doDismissed, // the user dismissed the administrator password dialog
  doFailed,    // anything else; Error says what
};

// Where a run is: the archive being written out, then unpacked and installed.
enum TDriversStage { dsIdle, dsLoading, dsInstalling };

struct TDriversResult {
  TDriversOutcome Outcome = doFailed;
  QString Error;
};

// Installs the device access rules: the archive the program carries is written into a private
// temporary folder, unpacked there, and its installer is run with administrator rights. The
// folder and everything in it are gone when the run ends. Runs as a chain of event-loop turns;
// nothing here waits.
class TDriversInstaller : public QObject {
  Q_OBJECT
public:
  static constexpr char kInstallerName[] = "install_drivers.sh";
  static constexpr char kArchiveName[] = "driver_download.zip";

  // aArchive: the path of the ZIP to install from (the program's own by default).
  explicit TDriversInstaller(IElevatedRunner& aRunner, QString aArchive = QStringLiteral(":/velmora/DRIVERS"),
                             QObject* aParent = nullptr);
  ~TDriversInstaller() override;

  bool Running() const { return FStage != dsIdle; }
  TDriversStage Stage() const { return FStage; }
  // Starts on the next turn of the event loop; ignored while a run is going on.
  void Start();

Q_SIGNALS:
  // The archive is written and the installer is about to be unpacked and started.
  void Installing();
  void Finished(const TDriversResult& aResult);

private:
  void Unpack();
  void Done(TDriversOutcome aOutcome, const QString& aError = QString());

  IElevatedRunner& FRunner;
  QString FArchive;
  std::unique_ptr<QTemporaryDir> FFolder;
  TDriversStage FStage = dsIdle;
};
