#pragma once

#include "updates/service_hosts.h"
#include "updates/update_info.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class TWebClient;
class TWebTransfer;

// Whether a module's text is a settings schema the settings page can be built from: it parses
// and builds without error, as when it is loaded, and holds at least one setting. aWhy says why not.
bool IsSettingsSchema(const QByteArray& aText, QString* aWhy = nullptr);

// Why a module was not installed.
enum class TModuleFailure { None, Download, NotSchema, Write };

// Writes a downloaded module as the module of aType, dated aCreatedAt: through
// "<type>.json.download", then one rename over the old file. A body that is not a settings schema
// installs nothing and the old module stays. False with aError (and aFailure) set when nothing was
// installed.
bool InstallModuleFile(const QString& aFolder, int aType, const QByteArray& aDownload,
                       const QDateTime& aCreatedAt, QString* aError = nullptr,
                       TModuleFailure* aFailure = nullptr);

// Downloads and installs every module of a module list that is newer than the local copy, one
// after the other, without blocking the caller.
class TModuleInstaller : public QObject {
  Q_OBJECT
public:
  static constexpr qint64 kMaxModuleBytes = 8 * 1024 * 1024;

  TModuleInstaller(TWebClient& aClient, QObject* aParent = nullptr);
  ~TModuleInstaller() override;

  bool Running() const { return FRunning; }
  // False (and nothing starts) while a run is going on, or when there is no service address.
  bool Start(const TServiceHosts& aHosts, const QString& aModuleList, const QString& aFolder);
  static QString ModulePath(int aType);
  // Why each type of the last run failed, with the details, in list order.
  struct TFailure {
    int Type = 0;
    TModuleFailure Kind = TModuleFailure::None;
    QString Detail;
  };
  const QList<TFailure>& Failures() const { return FFailures; }
  // "v305: <why>" for each module the service answered with something that is not a schema,
  // joined by "; "; empty when there is none.
  QString RefusedNotes(const std::function<QString(const QString&)>& aTranslate) const;

Q_SIGNALS:
  void ModuleInstalled(int aType);
  // Installed and failed types in list order.
  void Finished(const QList<int>& aInstalled, const QList<int>& aFailed);

private:
  void Next();

  TWebClient& FClient;
  TServiceHosts FHosts;
  QString FFolder;
  QList<TModuleEntry> FQueue;
  QList<int> FInstalled;
  QList<int> FFailed;
  QList<TFailure> FFailures;
  QPointer<TWebTransfer> FTransfer;
  bool FRunning = false;
};
