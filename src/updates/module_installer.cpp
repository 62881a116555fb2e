#include "updates/module_installer.h"

#include "platform/file_date.h"
#include "platform/save_file.h"
#include "settings/settings_model.h"
#include "updates/module_format.h"
#include "updates/web_client.h"

#include <QFile>
#include <QTimer>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

bool IsSettingsSchema(const QByteArray& aText, QString* aWhy) {
  auto no = [aWhy](const QString& aReason) {
    if (aWhy)
      *aWhy = aReason;
    return false;
  };
  QString error;
  const std::optional<QJsonObject> root = ParseSettingsSchema(aText, &error);
  if (!root)
    return no(error);
  const TSettingsModel model = BuildSettingsModel(*root, 1);
  if (!model.Error.isEmpty())
    return no(model.Error);
  if (model.Rows.isEmpty())
    return no(QStringLiteral("the schema has no settings"));
  return true;
}

bool InstallModuleFile(const QString& aFolder, int aType, const QByteArray& aDownload,
                       const QDateTime& aCreatedAt, QString* aError, TModuleFailure* aFailure) {
  TModuleFailure kind = TModuleFailure::Write;
  auto fail = [aError, aFailure, &kind](const QString& aWhy) {
    if (aError)
      *aError = aWhy;
    if (aFailure)
      *aFailure = kind;
    return false;
  };
  // Any JSON object is not a module: a service in trouble answers {"error":...} with status 200,
  // and that must not replace a module that works.
  const QByteArray text = PrepareModule(aDownload);
  QString why;
  if (text.isEmpty() || !IsSettingsSchema(text, &why)) {
    kind = TModuleFailure::NotSchema;
    return fail(why.isEmpty() ? QStringLiteral("not a JSON object") : why);
  }
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
  FFailures.clear();
  FRunning = true;
  // Always finish from the event loop, so a caller sees Finished after Start returned.
  QTimer::singleShot(0, this, &TModuleInstaller::Next);
  return true;
}

QString TModuleInstaller::RefusedNotes(const std::function<QString(const QString&)>& aTranslate) const {
  QStringList notes;
  for (const TFailure& failure : FFailures)
    if (failure.Kind == TModuleFailure::NotSchema)
      notes << QStringLiteral("v%1: %2 (%3)")
                   .arg(failure.Type)
                   .arg(aTranslate(QStringLiteral("mes_modulenotschema")), failure.Detail);
  return notes.join(QStringLiteral("; "));
}

void TModuleInstaller::Next() {
  if (FQueue.isEmpty()) {
    FRunning = false;
    Q_EMIT Finished(FInstalled, FFailed);
    return;
  }
  const TModuleEntry entry = FQueue.takeFirst();
  FTransfer = FClient.Get(FHosts.SettingsUrl(ModulePath(entry.Type)), kMaxModuleBytes, TWebKind::Module);
  connect(FTransfer, &TWebTransfer::Finished, this, [this, entry](const TWebResult& aResult) {
    FTransfer = nullptr;
    TFailure failure{entry.Type, TModuleFailure::Download, aResult.Error};
    if (aResult.Outcome == TWebOutcome::Ok &&
        InstallModuleFile(FFolder, entry.Type, aResult.Body, entry.CreatedAt, &failure.Detail,
                          &failure.Kind)) {
      FInstalled.append(entry.Type);
      Q_EMIT ModuleInstalled(entry.Type);
    } else {
      FFailed.append(entry.Type);
      FFailures.append(failure);
    }
    Next();
  });
}
