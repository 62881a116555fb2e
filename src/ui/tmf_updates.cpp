// The window side of the web updates: answers of the downloads, the welcome page with its update
// bar and browser, the module and program updates.

#include "base/build_info.h"
#include "core/port_list.h"
#include "device/poll_cycle.h"
#include "device/port_info.h"
#include "platform/app_paths.h"
#include "ui/tmf.h"
#include "ui/welcome_browser.h"
#include "updates/module_installer.h"
#include "updates/self_updater.h"
#include "updates/update_center.h"
#include "updates/web_client.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QHostAddress>
#include <QLabel>
#include <QMessageBox>
#include <QNetworkInformation>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

void TMF::SetupUpdates() {
  FProgramPath = QCoreApplication::applicationFilePath();
  FWellcome = std::make_unique<TWellcomeView>();
  FWebClient = std::make_unique<TWebClient>();
  FUpdateCenter = std::make_unique<TUpdateCenter>(*FWebClient, TServiceHosts::Load(FRegistry),
                                                  [this](const QString& aKey) { return Translate(aKey); });
  FModuleInstaller = std::make_unique<TModuleInstaller>(*FWebClient);
  FSelfUpdater = std::make_unique<TSelfUpdater>(*FWebClient);
  // The old program is kept beside the application data folder, in a folder of its own.
  FSelfUpdater->SetTarget(FProgramPath, QDir::cleanPath(AppDataFolder() + QStringLiteral("/../Morvane")),
                          BuildDate());
  connect(FUpdateCenter.get(), &TUpdateCenter::InfoExternal, this, &TMF::InfoExternal);
  connect(FModuleInstaller.get(), &TModuleInstaller::ModuleInstalled, this, [this](int aType) {
    // The settings page of the connected device shows the new schema at once.
    if (TPortInfo* port = Q(); port && port->DeviceVer() == QString::number(aType))
      ControlsLoadSettings(port->DeviceVer());
  });
  connect(FModuleInstaller.get(), &TModuleInstaller::Finished, this, &TMF::ModulesFinished);
  connect(FSelfUpdater.get(), &TSelfUpdater::Verified, this, &TMF::ProgramVerified);
  connect(FSelfUpdater.get(), &TSelfUpdater::Failed, this, [this](const QString& aWhy) {
    MainHintShow(0, Translate(QStringLiteral("mes_updatefailed")) + QStringLiteral(": ") + aWhy);
    UpdateWellcome();
  });
  connect(FBrowser, &TWelcomeBrowser::Loaded, this, [this](const QUrl& aUrl, bool aOk) {
    if (aUrl.toString() != FBrowserURL)
      return;
    FBrowsed = aOk;
    // Only the layout: a failed page is tried again by the next refresh, not in a loop from here.
    LayoutBrowser();
  });
  FUpdateCenter->StartRequests(BuildDate());
}

void TMF::InfoExternal(int aIdent, const QString& aText) {
  switch (aIdent) {
  case uiProgram:
    FWellcomeFile = aText;
    break;
  case uiModules:
    FAdditionFile = aText;
    FModulesAutoInstalled = false;
    break;
  case uiDevice:
    FDeviceFile = aText;
    break;
  default:
    MainHintShow(aIdent, aText);
    return;
  }
  UpdateWellcome();
}

void TMF::UpdateWellcome() {
  if (!FWellcome || !FUpdateCenter)
    return;
  TWellcomeInputs inputs;
  inputs.WellcomeFile = FWellcomeFile;
  inputs.AdditionFile = FAdditionFile;
  inputs.DeviceFile = FDeviceFile;
  inputs.Language = Language();
  inputs.ReleaseDate = BuildDate();
  inputs.ModuleFolder = AppDataFolder();
  inputs.InfoSite = FUpdateCenter->Hosts().InfoSite;
  inputs.Translate = [this](const QString& aKey) { return Translate(aKey); };
  *FWellcome = ComputeWellcome(inputs);
  const TWellcomeView& view = *FWellcome;

  FWellcomeCaption->setText(view.Caption);
  FWellcomeText->setText(view.Text);
  if (view.BrowserURL != FBrowserURL)
    SetBrowserURL(view.BrowserURL);
  else
    UpdateBrowser();
  findChild<QLabel*>(QStringLiteral("UpdateProLabel1"))->setText(view.Line1);
  findChild<QLabel*>(QStringLiteral("UpdateProLabel2"))->setText(view.Line2);
  FUpdateIcon = view.Icon;
  findChild<QAction*>(QStringLiteral("act_UpdatePro"))->setEnabled(view.ProgramUpdateAvailable);
  if (view.ProgramUpdateAvailable != FUpdateAvailable)
    SetUpdateAvailable(view.ProgramUpdateAvailable); // restyles, which repaints the bar
  else
    ApplyUpdatePanel();

  // Newer modules are installed without a click, but once per module list: a module that keeps
  // failing would otherwise be fetched again and again.
  if (view.InstallModules && !FModulesAutoInstalled && !FModuleInstaller->Running()) {
    FModulesAutoInstalled = true;
    QMetaObject::invokeMethod(this, &TMF::act_UpdateModuleExecute, Qt::QueuedConnection);
  }
}

void TMF::ApplyUpdatePanel() {
  if (!FWellcome)
    return;
  const TWellcomeView& view = *FWellcome;
  auto* button = findChild<QToolButton*>(QStringLiteral("UpdateProButton"));
  const char* action = view.Button == ubProgram   ? "act_UpdatePro"
                       : view.Button == ubModules ? "act_UpdateModule"
                                                  : "act_checkUpdate";
  // A tool button keeps every action it was ever given and offers the others as a menu.
  for (QAction* old : button->actions())
    button->removeAction(old);
  button->setDefaultAction(findChild<QAction*>(QString::fromLatin1(action)));
  button->setVisible(view.ButtonVisible);
  const QString green = ColorRefToColor(clValuePlaceholder).name();
  FUpdatePanel->setStyleSheet(
      view.Green ? QStringLiteral("#UpdatePanel { background: %1; } QLabel { color: white; } "
                                  "QToolButton { color: white; border: 1px solid white; border-radius: 4px; "
                                  "padding: 2px 8px; }")
                       .arg(green)
                 : QStringLiteral("#UpdateProLabel2 { color: %1; }").arg(FTheme.Accent.name()));
  QPixmap icon = FIcons.Pixmap(FUpdateIcon, 32, devicePixelRatioF());
  if (view.Green && !icon.isNull()) {
    // The accent tint would vanish on the green bar; the icon goes white like the lines.
    QPainter painter(&icon);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(icon.rect(), Qt::white);
  }
  findChild<QLabel*>(QStringLiteral("UpdateImage"))->setPixmap(icon);
}

void TMF::act_checkUpdateExecute() {
  if (FAdditionFile.isEmpty())
    FUpdateCenter->RequestModuleList();
  UpdateWellcome();
}

void TMF::act_UpdateModuleExecute() {
  if (FModuleInstaller->Running())
    return;
  if (FAdditionFile.isEmpty() ||
      !FModuleInstaller->Start(FUpdateCenter->Hosts(), FAdditionFile, AppDataFolder())) {
    MainHintShow(0, Translate(QStringLiteral("mes_moduleupdatefail")));
    UpdateWellcome();
  }
}

void TMF::ModulesFinished(const QList<int>& aInstalled, const QList<int>& aFailed) {
  if (!aInstalled.isEmpty())
    MainHintShow(1, Translate(QStringLiteral("mes_moduleupdatesucces")) + QStringLiteral(": ") +
                        ModuleNames(aInstalled));
  if (!aFailed.isEmpty()) {
    QString text =
        Translate(QStringLiteral("mes_moduleupdatefail")) + QStringLiteral(": ") + ModuleNames(aFailed);
    const QString refused =
        FModuleInstaller->RefusedNotes([this](const QString& aKey) { return Translate(aKey); });
    if (!refused.isEmpty())
      text += QStringLiteral(". ") + refused;
    MainHintShow(0, text);
  }
  UpdateWellcome();
}

bool TMF::DeviceOperationRunning() {
  if (FPoll->UpdateOperation() != 0)
    return true;
  TPortInfoList& list = FDiscovery->List();
  for (int i = 0; i < list.Count(); ++i)
    if (list.Get(i)->Operation() != 0)
      return true;
  return false;
}

void TMF::act_UpdateProExecute() {
  if (FSelfUpdater->Running())
    return;
  const TSelfUpdater::TRefusal refusal =
      FSelfUpdater->Start(QUrl(FWellcome->Program.Url), FWellcome->Program.Version.date(),
                          FWellcome->Program.Sha256, DeviceOperationRunning());
  switch (refusal) {
  case TSelfUpdater::srNone:
    MainHintShow(3, Translate(QStringLiteral("mes_updateloading")));
    break;
  case TSelfUpdater::srBusy:
    MainHintShow(0, Translate(QStringLiteral("mes_updatebusy")));
    break;
  case TSelfUpdater::srReadOnly:
    MainHintShow(0, Translate(QStringLiteral("mes_updatereadonly")));
    break;
  case TSelfUpdater::srBadAddress:
    MainHintShow(0, Translate(QStringLiteral("mes_updatefailed")));
    break;
  case TSelfUpdater::srRunning:
    break;
  }
  UpdateWellcome();
}

void TMF::ProgramVerified() {
  // An operation may have begun while the download ran.
  if (DeviceOperationRunning()) {
    FSelfUpdater->Discard();
    MainHintShow(0, Translate(QStringLiteral("mes_updatebusy")));
    UpdateWellcome();
    return;
  }
  TPortInfo* port = Q();
  const bool wasStopped = port && port->Stoped();
  if (port)
    port->SetStoped(true);
  QString error;
  if (!FSelfUpdater->Install(&error)) {
    if (port)
      port->SetStoped(wasStopped);
    // Not exec(): the ports and timers keep running behind the box.
    auto* box = new QMessageBox(QMessageBox::Critical, Translate(QStringLiteral("Error")),
                                Translate(QStringLiteral("mes_nodiraccess")), QMessageBox::Ok, this);
    box->setInformativeText(error);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    UpdateWellcome();
    return;
  }
  FRestartRequested = true;
  showMinimized();
  close();
}

bool TMF::InternetConnected() {
  // A service on this machine is always within reach.
  const QHostAddress host(FUpdateCenter->Hosts().InfoSite.host());
  if (host.isLoopback() || FUpdateCenter->Hosts().InfoSite.host() == QLatin1String("localhost"))
    return true;
  static const bool backend = QNetworkInformation::loadDefaultBackend();
  if (!backend || !QNetworkInformation::instance())
    return true;
  return QNetworkInformation::instance()->reachability() != QNetworkInformation::Reachability::Disconnected;
}

void TMF::StartDeviceInfoRequest(TPortInfo* aPort, const QString& aPathAndQuery) {
  FUpdateCenter->RequestDeviceInfo(aPort, aPathAndQuery);
}

// ---- welcome page browser ----

void TMF::SetBrowserURL(const QString& aUrl) {
  FBrowserURL = aUrl;
  FBrowsed = false;
  UpdateBrowser();
}

void TMF::LayoutBrowser() {
  auto* layout = static_cast<QVBoxLayout*>(FPagePanels[pgWellcome]->layout());
  const bool shown = FBrowsed && !FBrowserURL.isEmpty();
  // With a page in, the text moves up and the browser takes the rest; else the text fills the page.
  if (shown) {
    FBrowserPanel->setMinimumHeight(0);
    FBrowserPanel->setMaximumHeight(QWIDGETSIZE_MAX);
  } else {
    FBrowserPanel->setFixedHeight(5);
  }
  layout->setStretchFactor(FWellcomeTextPanel, shown ? 0 : 1);
  layout->setStretchFactor(FBrowserPanel, shown ? 1 : 0);
}

void TMF::UpdateBrowser() {
  LayoutBrowser();
  if (FBrowsed && !FBrowserURL.isEmpty())
    return;
  if (!FBrowserURL.isEmpty() && FPage == pgWellcome && isVisible() &&
      (!FBrowser->Loading() || FBrowser->Url() != QUrl(FBrowserURL)))
    FBrowser->Navigate(QUrl(FBrowserURL));
}
