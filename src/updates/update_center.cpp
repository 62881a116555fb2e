#include "updates/update_center.h"

#include "device/port_info.h"
#include "updates/web_client.h"

TUpdateCenter::TUpdateCenter(TWebClient& aClient, const TServiceHosts& aHosts, TTranslate aTranslate,
                             QObject* aParent)
    : QObject(aParent), FClient(aClient), FHosts(aHosts), FTranslate(std::move(aTranslate)) {}

TUpdateCenter::~TUpdateCenter() {
  if (FDeviceTransfer)
    FDeviceTransfer->disconnect(this);
}

QString TUpdateCenter::ProgramInfoPath(const QDate& aRelease) {
  return QStringLiteral("/info_application.php?soft=") + aRelease.toString(QStringLiteral("yyyyMMdd"));
}

QString TUpdateCenter::ModuleListPath() {
  return QStringLiteral("/public-api/v1/device-types/configurations/current");
}

QUrl TUpdateCenter::DefaultPage(int aLanguage) const {
  return FHosts.InfoUrl(aLanguage == 1 ? QStringLiteral("/device_site/0_en.html")
                                       : QStringLiteral("/device_site/0.html"));
}

void TUpdateCenter::StartRequests(const QDate& aRelease) {
  if (!FHosts.InfoSite.isEmpty())
    Fetch(uiProgram, FHosts.InfoUrl(ProgramInfoPath(aRelease)));
  RequestModuleList();
}

void TUpdateCenter::RequestModuleList() {
  if (!FHosts.SettingsService.isEmpty())
    Fetch(uiModules, FHosts.SettingsUrl(ModuleListPath()));
}

void TUpdateCenter::RequestDeviceInfo(TPortInfo* aPort, const QString& aPathAndQuery) {
  if (FDeviceTransfer) {
    FDeviceTransfer->disconnect(this);
    FDeviceTransfer->Abort();
  }
  if (FHosts.InfoSite.isEmpty())
    return;
  FDeviceTransfer = Fetch(uiDevice, FHosts.InfoUrl(aPathAndQuery), aPort);
}

TWebTransfer* TUpdateCenter::Fetch(int aIdent, const QUrl& aUrl, QPointer<TPortInfo> aPort) {
  TWebTransfer* transfer = FClient.Get(aUrl, kMaxInfoBytes);
  connect(transfer, &TWebTransfer::Finished, this, [this, aIdent, aPort](const TWebResult& aResult) {
    if (aResult.Outcome == TWebOutcome::Failed) {
      // The record that asked may ask again; not whichever port happens to be selected now.
      if (aPort)
        aPort->SetUpdating(false);
      Q_EMIT InfoExternal(kUpdateErrorHintKind, FTranslate(QStringLiteral("mes_updatesfailed")));
      return;
    }
    Q_EMIT InfoExternal(aIdent, QString::fromUtf8(aResult.Body));
  });
  return transfer;
}

TWellcomeView ComputeWellcome(const TWellcomeInputs& aIn) {
  TWellcomeView view;
  auto tr = [&aIn](const char* aKey) { return aIn.Translate(QString::fromLatin1(aKey)); };

  // 1. Program information.
  if (!aIn.WellcomeFile.isEmpty())
    view.Program = ParseProgramInfo(aIn.WellcomeFile);
  if (!view.Program.Version.isValid())
    view.Program = TProgramInfo();

  // 2. Device description, or the site's default page.
  const TDeviceDescription description =
      aIn.DeviceFile.isEmpty() ? TDeviceDescription() : ParseDeviceDescription(aIn.DeviceFile, aIn.Language);
  if (description.Valid) {
    view.Caption = description.Caption;
    view.Text = description.Text;
    view.BrowserURL = description.Url;
  } else {
    view.Caption = tr("_WellcomeCaption");
    view.Text = tr("_WellcomeText");
    if (!aIn.InfoSite.isEmpty())
      view.BrowserURL =
          TServiceHosts::Join(aIn.InfoSite, aIn.Language == 1 ? QStringLiteral("/device_site/0_en.html")
                                                              : QStringLiteral("/device_site/0.html"))
              .toString();
  }

  // 3. Modules newer than the local copies.
  QList<TModuleEntry> entries;
  if (!aIn.AdditionFile.isEmpty() && ParseModuleList(aIn.AdditionFile, &entries))
    for (const TModuleEntry& entry : NewerModules(entries, aIn.ModuleFolder))
      view.NewerModules.append(entry.Type);
  view.UpdateModule = ModuleNames(view.NewerModules);

  // 5. The update bar.
  const QString release = aIn.ReleaseDate.toString(QStringLiteral("dd.MM.yyyy"));
  const QString softVersion = tr("_SoftVersion") + QStringLiteral(": ") + release;
  const bool known = view.Program.Version.isValid();
  const bool newer = known && view.Program.Version > QDateTime(aIn.ReleaseDate, QTime(0, 0));
  const QString versionDate =
      known ? view.Program.Version.date().toString(QStringLiteral("dd.MM.yyyy")) : QString();
  if (view.NewerModules.isEmpty()) {
    if (!newer) {
      view.State = known ? upsLatest : upsNoInformation;
      view.Line1 = tr(known ? "mes_versionislast" : "mes_versionempty");
      view.Line2 = softVersion;
      view.Icon = known ? QStringLiteral("E_SET") : QStringLiteral("E_ATTENTION");
      view.Button = ubCheck;
    } else {
      view.State = upsProgram;
      view.Green = true;
      view.Line1 = tr("mes_versionupdate") + QStringLiteral(": ") + versionDate;
      view.Line2 = softVersion;
      view.Icon = QStringLiteral("E_GET");
      view.ButtonVisible = true;
      view.Button = ubProgram;
      view.ProgramUpdateAvailable = true;
    }
  } else {
    view.Green = true;
    view.Icon = QStringLiteral("E_GET");
    view.ButtonVisible = true;
    view.Button = ubModules;
    view.InstallModules = true;
    if (newer) {
      view.State = upsProgramAndModules;
      view.Line1 = tr("mes_versionupdate") + QStringLiteral(": ") + versionDate + QStringLiteral(" (") +
                   softVersion + QStringLiteral(")");
      view.Line2 = tr("mes_moduleupdate") + QStringLiteral(": ") + view.UpdateModule;
      view.ProgramUpdateAvailable = true;
    } else {
      view.State = upsModules;
      view.Line1 = tr("mes_moduleupdate");
      view.Line2 = view.UpdateModule;
    }
  }
  return view;
}
