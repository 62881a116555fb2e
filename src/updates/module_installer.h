#pragma once

#include "updates/service_hosts.h"
#include "updates/update_info.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class TWebClient;
class TWebTransfer;

// Writes a downloaded module as the module of aType, dated aCreatedAt: through
// "<type>.json.download", then one rename over the old file. A body that is not a JSON object
// installs nothing and the old module stays. False with aError set when nothing was installed.
bool InstallModuleFile(const QString& aFolder, int aType, const QByteArray& aDownload,
                       const QDateTime& aCreatedAt, QString* aError = nullptr);

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
  QPointer<TWebTransfer> FTransfer;
  bool FRunning = false;
};
