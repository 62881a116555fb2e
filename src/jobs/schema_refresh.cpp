#include "jobs/schema_refresh.h"

#include "i18n/dictionary.h"
#include "platform/app_paths.h"
#include "updates/module_installer.h"
#include "updates/service_hosts.h"
#include "updates/update_center.h"
#include "updates/web_client.h"

TSchemaRefresh::TSchemaRefresh(TRegistry& aRegistry, int aLanguage, int aTimeoutMs, QObject* aParent)
    : QObject(aParent), FClient(std::make_unique<TWebClient>()), FLanguage(aLanguage) {
  auto translate = [this](const QString& aKey) {
    TDictionary dictionary;
    dictionary.SetLanguage(FLanguage);
    return dictionary.Translate(aKey);
  };
  FCenter = std::make_unique<TUpdateCenter>(*FClient, TServiceHosts::Load(aRegistry), translate);
  FInstaller = std::make_unique<TModuleInstaller>(*FClient);
  FLimit.setSingleShot(true);
  FLimit.setInterval(aTimeoutMs);
  connect(&FLimit, &QTimer::timeout, this,
          [this, translate] { Done(translate(QStringLiteral("mes_moduleupdatefail"))); });
  connect(FCenter.get(), &TUpdateCenter::InfoExternal, this,
          [this, translate](int aIdent, const QString& aText) {
            if (aIdent != uiModules) {
              Done(aText);
              return;
            }
            if (!FInstaller->Start(FCenter->Hosts(), aText, AppDataFolder()))
              Done(translate(QStringLiteral("mes_moduleupdatefail")));
          });
  connect(FInstaller.get(), &TModuleInstaller::Finished, this,
          [this, translate](const QList<int>&, const QList<int>& aFailed) {
            QStringList failed;
            for (int type : aFailed)
              failed << QString::number(type);
            const QString refused = FInstaller->RefusedNotes(translate);
            Done(failed.isEmpty() ? QString()
                                  : translate(QStringLiteral("mes_moduleupdatefail")) + QStringLiteral(": ") +
                                        failed.join(QStringLiteral(", ")) +
                                        (refused.isEmpty() ? QString() : QStringLiteral(". ") + refused));
          });
}

TSchemaRefresh::~TSchemaRefresh() = default;

void TSchemaRefresh::Start() {
  if (FCenter->Hosts().SettingsService.isEmpty()) {
    QTimer::singleShot(0, this, [this] { Done(QString()); });
    return;
  }
  FLimit.start();
  FCenter->RequestModuleList();
}

void TSchemaRefresh::Done(const QString& aNote) {
  if (FDone)
    return;
  FDone = true;
  FLimit.stop();
  if (!aNote.isEmpty())
    FNotes << aNote;
  QTimer::singleShot(0, this, &TSchemaRefresh::Finished);
}
