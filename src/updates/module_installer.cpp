#include "updates/module_installer.h"

#include "platform/file_date.h"
#include "platform/save_file.h"
#include "updates/module_format.h"
#include "updates/web_client.h"

#include <QFile>
#include <QTimer>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

bool InstallModuleFile(const QString& aFolder, int aType, const QByteArray& aDownload,
                       const QDateTime& aCreatedAt, QString* aError) {
  auto fail = [aError](const QString& aWhy) {
    if (aError)
      *aError = aWhy;
    return false;
  };
  const QByteArray text = PrepareModule(aDownload);
  if (text.isEmpty())
    return fail(QStringLiteral("not a settings module"));
  const QString target = ModuleFileName(aFolder, aType);
  const QString download = target + QStringLiteral(".download");
  QFile file(download);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
    return fail(file.errorString());
  bool written = WriteThrough(file, text);
#ifdef Q_OS_UNIX
  written = written && ::fsync(file.handle()) == 0;
#endif
  file.close();
  QString error;
  if (!written || !SetFileDate(download, aCreatedAt) || !ReplaceFile(download, target, &error)) {
    QFile::remove(download);
    return fail(error.isEmpty() ? QStringLiteral("cannot write %1").arg(download) : error);
  }
  return true;
}

TModuleInstaller::TModuleInstaller(TWebClient& aClient, QObject* aParent)
    : QObject(aParent), FClient(aClient) {}

TModuleInstaller::~TModuleInstaller() {
  if (FTransfer)
    FTransfer->disconnect(this);
}

QString TModuleInstaller::ModulePath(int aType) {
  return QStringLiteral("/public-api/v1/device-types/%1/configuration/with-translations").arg(aType);
}

bool TModuleInstaller::Start(const TServiceHosts& aHosts, const QString& aModuleList,
                             const QString& aFolder) {
  if (FRunning || aHosts.SettingsService.isEmpty())
    return false;
  FHosts = aHosts;
  FFolder = aFolder;
  QList<TModuleEntry> entries;
  ParseModuleList(aModuleList, &entries);
  FQueue = NewerModules(entries, aFolder);
  FInstalled.clear();
  FFailed.clear();
  FRunning = true;
  // Always finish from the event loop, so a caller sees Finished after Start returned.
  QTimer::singleShot(0, this, &TModuleInstaller::Next);
  return true;
}

void TModuleInstaller::Next() {
  if (FQueue.isEmpty()) {
    FRunning = false;
    Q_EMIT Finished(FInstalled, FFailed);
    return;
  }
  const TModuleEntry entry = FQueue.takeFirst();
  FTransfer = FClient.Get(FHosts.SettingsUrl(ModulePath(entry.Type)), kMaxModuleBytes);
  connect(FTransfer, &TWebTransfer::Finished, this, [this, entry](const TWebResult& aResult) {
    FTransfer = nullptr;
    if (aResult.Outcome == TWebOutcome::Ok &&
        InstallModuleFile(FFolder, entry.Type, aResult.Body, entry.CreatedAt)) {
      FInstalled.append(entry.Type);
      Q_EMIT ModuleInstalled(entry.Type);
    } else {
      FFailed.append(entry.Type);
    }
    Next();
  });
}
