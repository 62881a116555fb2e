// Building the main window: chrome, the left strip and the five pages.

#include "ui/tmf.h"

#include "base/clock.h"
#include "device/commands.h"
#include "device/device_operations.h"
#include "device/port_info.h"
#include "factory/factory_flows.h"
#include "factory/factory_web.h"
#include "jobs/station.h"
#include "monitor/caption_class.h"
#include "monitor/repaint_queue.h"
#include "platform/dark_mode.h"
#include "platform/file_copy.h"
#include "platform/printing/sticker_printer.h"
#include "platform/registry.h"
#include "platform/serial_enumerator.h"
#include "protocols/gen2_decoder.h"
#include "protocols/gen3_decoder.h"
#include "protocols/status_decoder.h"
#include "ui/caption_bar.h"
#include "ui/hint_stack.h"
#include "ui/log_page.h"
#include "ui/operation_dialogs.h"
#include "ui/replay_panel.h"
#include "ui/station_page.h"
#include "ui/trend_controller.h"
#include "ui/welcome_browser.h"
#include "updates/module_installer.h"
#include "updates/self_updater.h"
#include "updates/update_center.h"
#include "updates/web_client.h"

#include <QAction>
#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QScrollArea>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kBorder = 4;
constexpr int kStripWidth = 78;

QWidget* Panel(const QString& aName, QWidget* aParent) {
  auto* w = new QWidget(aParent);
  w->setObjectName(aName);
  w->setAttribute(Qt::WA_StyledBackground);
  return w;
}

QLabel* Label(const QString& aName, QWidget* aParent) {
  auto* l = new QLabel(aParent);
  l->setObjectName(aName);
  return l;
}

QScrollArea* ScrollBox(const QString& aName, QWidget* aContent, QWidget* aParent) {
  auto* box = new QScrollArea(aParent);
  box->setObjectName(aName);
  box->setFrameShape(QFrame::NoFrame);
  box->setWidget(aContent);
  box->setWidgetResizable(false);
  box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  box->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  return box;
}

} // namespace

TMF::TMF(TRegistry& aRegistry, TDarkModeQuery aDarkMode, std::unique_ptr<ISerialEnumerator> aEnumerator,
         const TClock* aClock, QWidget* aParent)
    : QWidget(aParent, Qt::Window | Qt::FramelessWindowHint), FRegistry(aRegistry),
      FDarkMode(aDarkMode ? std::move(aDarkMode) : TDarkModeQuery(&DarkModeIsEnabled)),
      FClock(aClock ? *aClock : TClock::System()), FCore(*this, FClock),
      FEnumerator(aEnumerator ? std::move(aEnumerator) : std::make_unique<TUdevSerialEnumerator>()) {
  FDiscovery = std::make_unique<TPortDiscovery>(FCore, *FEnumerator, *this);
  // The station drives the ports the window does not: discovery leaves them alone while it does.
  FStation = std::make_unique<TStation>(*FEnumerator, FRegistry, FClock, this);
  FStation->SetWindowPort([this] {
    const TPortInfo* port = FDiscovery->Q();
    return port && port != FDiscovery->VirtualPort() ? port->PortName() : QString();
  });
  FDiscovery->SetClaimed(
      [this](const QString& aPortName) { return FStation && FStation->Claims(aPortName); });
  connect(FStation.get(), &TStation::ClaimsChanged, this, [this] { FDiscovery->UpdatePortListUSB(); });
  FPoll = std::make_unique<TPollCycle>(FCore);
  FStatusDecoder = std::make_unique<TStatusDecoderV1>(FCore, *this);
  FStatusDecoder->Install();
  FCommands = std::make_unique<TCommands>(*this, FRegistry, FDictionary);
  InitOperations();
  InitFactory();
  FGen2Decoder = std::make_unique<TGen2Decoder>(FCore, *this);
  FGen2Decoder->Install();
  FGen3Decoder = std::make_unique<TGen3Decoder>(FCore, *this);
  FGen3Decoder->Install();
  // Read once at start: whether ports that are not selected listen and switch by themselves.
  FDiscovery->SetNoSwitchCOMAuto(
      FRegistry.Read(QString::fromLatin1(kFormsKey), QStringLiteral("NoSwitchCOMAuto")).toBool());
  setObjectName(QStringLiteral("MF"));
  setMinimumSize(640, 480);
  resize(640, 480);
  setAttribute(Qt::WA_StyledBackground);
  FHints = new THintStack(this);
  InitOptions();
  FTrends = std::make_unique<TTrendController>(*this, FRegistry, FClock);
  FCommandsMenu = new QMenu(this);
  FCommandsMenu->setObjectName(QStringLiteral("CommandsMenu"));

  BuildWindow();
  connect(FPasswordEdit, &QLineEdit::textChanged, this, &TMF::PasswordEditChange);
  InitSettingsPage();
  WireReplayPanel();
  Commands_Fill();
  connect(FPoll.get(), &TPollCycle::UpdateCleanup, this, [this] {
    FProgressLabel->clear();
    SetLanguageIndicator(0, 0);
  });
  FCore.SetVersion(vtDetect);

  qApp->installEventFilter(this);
  FTimer1.setInterval(30);
  connect(&FTimer1, &QTimer::timeout, this, &TMF::AnimateEmptyColumn);
  FTimer2.setInterval(10);
  connect(&FTimer2, &QTimer::timeout, this, &TMF::StartupTick);

  FMonitorContext.Dictionary = &FDictionary;
  FMonitorContext.Icons = &FIcons;
  FMonitorContext.Theme = &FTheme;
  FMonitorContext.Clock = &FClock;
  FMonitorContext.Index = &FVisualIndex;
  FMonitorContext.Repaint = new TRepaintQueue(this);
  FMonitorContext.FitPanel = [this](QWidget* aPanel) {
    for (int i = 0; i < 5; ++i)
      if (FMonitorPanels[i] == aPanel)
        UpdatePanelHeight(aPanel, FMonitorBoxes[i]);
    // The fourth and fifth columns come and go with their content.
    if (MonitorColumnCount() != FShownColumns)
      LayoutMonitorColumns();
  };
  FMonitorContext.Hint = [this](int aKind, const QString& aText) { MainHintShow(aKind, aText); };
  FMonitorContext.ItemMenu = [this](TItemClass* aItem, const QPoint& aGlobal) {
    FTrends->ShowItemMenu(aItem, aGlobal);
  };
  FMonitorPanels[2]->installEventFilter(this);
  FPagePanels[pgInfo]->installEventFilter(this);
  FTimer3.setInterval(5000);
  connect(&FTimer3, &QTimer::timeout, this, &TMF::Timer3Timer);
  FTimer3.start();

  FDataTimer.setInterval(25);
  connect(&FDataTimer, &QTimer::timeout, this, [this] {
    FLogPage->UpdateDataLabel(FDataLabel);
    FCore.ProbeSilentSensor();
    if (TPortInfo* port = Q()) {
      port->CheckReplyTimeout();
      port->ReleaseHeldText();
    }
  });
  FDataTimer.start();

  SetupUpdates();
  SetLanguage(0);
  ShowPage(pgWellcome);
  ControlsLoadMonitor();
  FDiscovery->UpdatePortListUSB();
  if (!FDiscovery->Q())
    for (int i = 0; i < FDiscovery->List().Count(); ++i)
      if (FDiscovery->List().Get(i)->Exist()) {
        FDiscovery->SetPortIndex(i);
        break;
      }
  LoadState();
  StyleApply();
  FTimer2.start();
}

TMF::~TMF() {
  qApp->removeEventFilter(this);
  FreeSettingsPage();
  // Page elements report their going to the index and read the monitor context, both members of
  // this window; QWidget would delete them only after the members are gone.
  QList<QPointer<TBaseClass>> elements;
  for (TBaseClass* element : findChildren<TBaseClass*>())
    elements << element;
  for (const QPointer<TBaseClass>& element : elements)
    delete element.data();    // null when its section went first
  delete FStickerForm.data(); // it prints through FStickerPrinter
}

QAction* TMF::NewAction(const QString& aName, int aTag, void (TMF::*aSlot)()) {
  auto* action = new QAction(this);
  action->setObjectName(aName);
  // Tag -1: an icon-only face that takes only a hint from the dictionary.
  action->setProperty("tag", aTag);
  if (aSlot)
    connect(action, &QAction::triggered, this, aSlot);
  addAction(action);
  return action;
}

QToolButton* TMF::NewPageButton(const QString& aName, QAction* aAction) {
  auto* b = new QToolButton(FLPanel);
  b->setObjectName(aName);
  b->setAutoRaise(true);
  b->setIconSize(QSize(24, 24));
  b->setFixedSize(kStripWidth, 48);
  b->setFocusPolicy(Qt::NoFocus);
  if (aAction)
    b->setDefaultAction(aAction);
  return b;
}

void TMF::BuildWindow() {
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(0);

  FBorderT = new TResizeBorder(Qt::TopEdge, this);
  FBorderT->setObjectName(QStringLiteral("BorderT"));
  FBorderT->setFixedHeight(kBorder);
  FLangLabel = Panel(QStringLiteral("LangLabel"), FBorderT);
  FLangLabel->setGeometry(0, 0, 0, 2);
  FBorderB = new TResizeBorder(Qt::BottomEdge, this);
  FBorderB->setObjectName(QStringLiteral("BorderB"));
  FBorderB->setFixedHeight(kBorder);
  FDataLabel = Panel(QStringLiteral("DataLabel"), FBorderB);
  FDataLabel->setGeometry(0, 0, 0, 2);
  FBorderL = new TResizeBorder(Qt::LeftEdge, this);
  FBorderL->setObjectName(QStringLiteral("BorderL"));
  FBorderL->setFixedWidth(kBorder);
  FPageLabel = Panel(QStringLiteral("PageLabel"), FBorderL);
  FPageLabel->setGeometry(0, 0, kBorder, 48);
  FBorderR = new TResizeBorder(Qt::RightEdge, this);
  FBorderR->setObjectName(QStringLiteral("BorderR"));
  FBorderR->setFixedWidth(kBorder);

  FCaption = new TCaptionBar(this);
  connect(FCaption, &TCaptionBar::ToggleMaximized, this,
          [this] { isMaximized() ? showNormal() : showMaximized(); });
  connect(FCaption->MinimizeButton(), &QToolButton::clicked, this, &QWidget::showMinimized);
  connect(FCaption->NormalizeButton(), &QToolButton::clicked, this,
          [this] { isMaximized() ? showNormal() : showMaximized(); });
  connect(FCaption->CloseButton(), &QToolButton::clicked, this, &QWidget::close);
  connect(FCaption->AdvanceButton(), &QToolButton::clicked, this, &TMF::ShowSettingsDialog);
  connect(FCaption->ButtonRU(), &QToolButton::clicked, this, [this] { ChooseLanguage(0); });
  connect(FCaption->ButtonEN(), &QToolButton::clicked, this, [this] { ChooseLanguage(1); });

  auto* main = Panel(QStringLiteral("MainPanel"), this);
  auto* mainLayout = new QVBoxLayout(main);
  mainLayout->setContentsMargins(0, 0, 0, 0);
  mainLayout->setSpacing(0);
  FReplayPanel = new TReplayPanel(main);
  FReplayPanel->hide();
  mainLayout->addWidget(FReplayPanel);
  FPages = new QStackedWidget(main);
  FPages->setObjectName(QStringLiteral("Pages"));
  FPagePanels = {BuildWelcomePage(), BuildMonitorPage(), BuildSettingsPage(),
                 BuildLogPage(),     BuildFuelPage(),    BuildStationPage()};
  for (QWidget* page : FPagePanels)
    FPages->addWidget(page);
  mainLayout->addWidget(FPages, 1);

  FProgressPanel = Panel(QStringLiteral("ProgressPanel"), main);
  auto* progress = new QHBoxLayout(FProgressPanel);
  progress->setContentsMargins(12, 4, 12, 4);
  FProgressLabel = Label(QStringLiteral("ProgressLabel"), FProgressPanel);
  FPercentLabel = Label(QStringLiteral("PercentLabel"), FProgressPanel);
  progress->addWidget(FProgressLabel, 1);
  progress->addWidget(FPercentLabel);
  FProgressPanel->hide();
  mainLayout->addWidget(FProgressPanel);

  auto corner = [this](Qt::Edges aEdges, const char* aName) {
    auto* b = new TResizeBorder(aEdges, this);
    b->setObjectName(QString::fromLatin1(aName));
    b->setFixedSize(kBorder, kBorder);
    return b;
  };
  grid->addWidget(corner(Qt::TopEdge | Qt::LeftEdge, "BorderTL"), 0, 0);
  grid->addWidget(FBorderT, 0, 1, 1, 2);
  grid->addWidget(corner(Qt::TopEdge | Qt::RightEdge, "BorderTR"), 0, 3);
  grid->addWidget(FBorderL, 1, 0, 2, 1);
  grid->addWidget(FCaption, 1, 1, 1, 2);
  grid->addWidget(BuildLeftStrip(), 2, 1);
  grid->addWidget(main, 2, 2);
  grid->addWidget(FBorderR, 1, 3, 2, 1);
  grid->addWidget(corner(Qt::BottomEdge | Qt::LeftEdge, "BorderBL"), 3, 0);
  grid->addWidget(FBorderB, 3, 1, 1, 2);
  grid->addWidget(corner(Qt::BottomEdge | Qt::RightEdge, "BorderBR"), 3, 3);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(2, 1);
}

QWidget* TMF::BuildLeftStrip() {
  FLPanel = Panel(QStringLiteral("LPanel"), this);
  FLPanel->setFixedWidth(kStripWidth);
  auto* layout = new QVBoxLayout(FLPanel);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  FPageActions[pgWellcome] = NewAction(QStringLiteral("act_PageWellcome"), -1, &TMF::act_PageWellcome);
  FPageActions[pgInfo] = NewAction(QStringLiteral("act_PageInfo"), -1, &TMF::act_PageInfo);
  FPageActions[pgSettings] = NewAction(QStringLiteral("act_PageSettings"), -1, &TMF::act_PageSettings);
  FPageActions[pgLog] = NewAction(QStringLiteral("act_PageLog"), -1, &TMF::act_PageLog);
  FPageActions[pgFuel] = NewAction(QStringLiteral("act_PageFuel"), -1, &TMF::act_PageFuel);
  FPageActions[pgFuel]->setVisible(false); // the fuel page is offered only for fuel sensors
  FPageActions[pgStation] = NewAction(QStringLiteral("act_PageStation"), -1, &TMF::act_PageStation);

  // Creation order is the order on screen.
  FPageButtons[pgInfo] = NewPageButton(QStringLiteral("btnInfo"), FPageActions[pgInfo]);
  FPageButtons[pgLog] = NewPageButton(QStringLiteral("BtnLog"), FPageActions[pgLog]);
  FCommandsButton = NewPageButton(QStringLiteral("btn_Commands"), nullptr);
  connect(FCommandsButton, &QToolButton::clicked, this, &TMF::btn_CommandsClick);
  FPageButtons[pgSettings] = NewPageButton(QStringLiteral("BtnCONFIG"), FPageActions[pgSettings]);
  FPageButtons[pgWellcome] = NewPageButton(QStringLiteral("btnWellcome"), FPageActions[pgWellcome]);
  FPageButtons[pgFuel] = NewPageButton(QStringLiteral("btnFuel"), FPageActions[pgFuel]);
  // A tool button shows even when its action is hidden; keep the fuel button in step.
  FPageButtons[pgFuel]->setVisible(FPageActions[pgFuel]->isVisible());
  connect(FPageActions[pgFuel], &QAction::changed, this,
          [this] { FPageButtons[pgFuel]->setVisible(FPageActions[pgFuel]->isVisible()); });
  FPageButtons[pgStation] = NewPageButton(QStringLiteral("btnStation"), FPageActions[pgStation]);
  FPrintButton = NewPageButton(QStringLiteral("btnPrint"), nullptr);
  FPrintButton->hide();
  connect(FPrintButton, &QToolButton::clicked, this, &TMF::btnPrintClick);
  for (QToolButton* b :
       {FPageButtons[pgInfo], FPageButtons[pgLog], FCommandsButton, FPageButtons[pgSettings],
        FPageButtons[pgWellcome], FPageButtons[pgFuel], FPageButtons[pgStation], FPrintButton})
    layout->addWidget(b);

  FPortsPanel = Panel(QStringLiteral("PortsPanel"), FLPanel);
  auto* portsLayout = new QVBoxLayout(FPortsPanel);
  portsLayout->setContentsMargins(0, 0, 0, 0);
  portsLayout->setSpacing(0);
  portsLayout->addStretch(1);
  FPortsScrollBox = ScrollBox(QStringLiteral("PortsScrollBox"), FPortsPanel, FLPanel);
  FPortsScrollBox->setWidgetResizable(true);
  layout->addWidget(FPortsScrollBox, 1);

  FEmptyPanel = Panel(QStringLiteral("EmptyPanel"), FLPanel);
  auto* empty = new QVBoxLayout(FEmptyPanel);
  empty->setContentsMargins(4, 8, 4, 8);
  auto* noDevice = Label(QStringLiteral("Label_noDevice"), FEmptyPanel);
  noDevice->setAlignment(Qt::AlignCenter);
  noDevice->setWordWrap(true);
  empty->addWidget(noDevice);
  empty->addStretch(1);
  // The picture floats over the strip and is moved by the animation.
  FEmptyImage = Label(QStringLiteral("EmptyImage"), FLPanel);
  FEmptyImage->setFixedSize(kStripWidth, 48);
  FEmptyImage->setAlignment(Qt::AlignCenter);
  layout->addWidget(FEmptyPanel, 1);
  return FLPanel;
}

QWidget* TMF::BuildWelcomePage() {
  QWidget* page = Panel(QStringLiteral("WellcomePanel"), this);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  FUpdatePanel = Panel(QStringLiteral("UpdatePanel"), page);
  auto* update = new QGridLayout(FUpdatePanel);
  update->setContentsMargins(16, 10, 16, 10);
  auto* image = Label(QStringLiteral("UpdateImage"), FUpdatePanel);
  image->setFixedSize(32, 32);
  auto* line1 = Label(QStringLiteral("UpdateProLabel1"), FUpdatePanel);
  auto* line2 = Label(QStringLiteral("UpdateProLabel2"), FUpdatePanel);
  line1->setWordWrap(true);
  line2->setWordWrap(true);
  auto* check = new QToolButton(FUpdatePanel);
  check->setObjectName(QStringLiteral("UpdateProButton"));
  check->setFixedWidth(126);
  check->setToolButtonStyle(Qt::ToolButtonTextOnly);
  check->setDefaultAction(NewAction(QStringLiteral("act_checkUpdate"), 0, &TMF::act_checkUpdateExecute));
  NewAction(QStringLiteral("act_UpdatePro"), 0, &TMF::act_UpdateProExecute);
  NewAction(QStringLiteral("act_UpdateModule"), 0, &TMF::act_UpdateModuleExecute);
  update->addWidget(image, 0, 0, 2, 1);
  update->addWidget(line1, 0, 1);
  update->addWidget(line2, 1, 1);
  update->addWidget(check, 0, 2, 2, 1);
  update->setColumnStretch(1, 1);
  layout->addWidget(FUpdatePanel);

  auto* text = Panel(QStringLiteral("PanelWC"), page);
  FWellcomeTextPanel = text;
  auto* textLayout = new QVBoxLayout(text);
  textLayout->setContentsMargins(32, 24, 32, 24);
  FWellcomeCaption = Label(QStringLiteral("WellcomeCaption"), text);
  QFont big = FWellcomeCaption->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  FWellcomeCaption->setFont(big);
  FWellcomeText = Label(QStringLiteral("WellcomeText"), text);
  // Caption and text may come from the web: shown as they are, never as markup.
  FWellcomeCaption->setTextFormat(Qt::PlainText);
  FWellcomeText->setTextFormat(Qt::PlainText);
  FWellcomeText->setWordWrap(true);
  FWellcomeText->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  textLayout->addWidget(FWellcomeCaption);
  textLayout->addSpacing(12);
  textLayout->addWidget(FWellcomeText, 1);
  layout->addWidget(text, 1);

  auto* strip = Panel(QStringLiteral("PanelWB"), page);
  auto* stripLayout = new QHBoxLayout(strip);
  stripLayout->setContentsMargins(16, 4, 16, 4);
  stripLayout->addStretch(1);
  FSettingsVersionLabel = Label(QStringLiteral("LabelSettingsVersion"), strip);
  stripLayout->addWidget(FSettingsVersionLabel);
  layout->addWidget(strip);

  FBrowserPanel = Panel(QStringLiteral("BrowserPanel"), page);
  FBrowserPanel->setFixedHeight(5);
  auto* browserLayout = new QVBoxLayout(FBrowserPanel);
  browserLayout->setContentsMargins(0, 0, 0, 0);
  FBrowser = new TWelcomeBrowser(FBrowserPanel);
  browserLayout->addWidget(FBrowser);
  layout->addWidget(FBrowserPanel);
  return page;
}

QWidget* TMF::BuildMonitorPage() {
  QWidget* page = Panel(QStringLiteral("InfoPanel"), this);
  // The columns above, the trends below once there are any.
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* splitter = new QSplitter(Qt::Vertical, page);
  splitter->setObjectName(QStringLiteral("MonitorSplitter"));
  splitter->setChildrenCollapsible(false);
  layout->addWidget(splitter);
  QWidget* columns = Panel(QStringLiteral("MonitorColumns"), splitter);
  // Columns are placed by LayoutMonitorColumns, not by a layout: their widths follow their own rule.
  for (int i = 0; i < 5; ++i) {
    FMonitorPanels[i] = new TPagePanel(QStringLiteral("PanelS%1").arg(i + 1), columns);
    FMonitorPanels[i]->resize(200, 32);
    FMonitorBoxes[i] = ScrollBox(QStringLiteral("S%1ScrollBox").arg(i + 1), FMonitorPanels[i], columns);
    FPrevPanelHeights[i] = FMonitorPanels[i]->height();
  }
  splitter->addWidget(columns);
  splitter->addWidget(FTrends->CreatePane(splitter));
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 2);
  return page;
}

QWidget* TMF::BuildSettingsPage() {
  QWidget* page = Panel(QStringLiteral("SettingsPanel"), this);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  auto* bar = Panel(QStringLiteral("PanelT0"), page);
  auto* barLayout = new QHBoxLayout(bar);
  barLayout->setContentsMargins(8, 4, 8, 4);
  auto* tools = Panel(QStringLiteral("SettingsToolsPanel"), bar);
  auto* toolsLayout = new QHBoxLayout(tools);
  toolsLayout->setContentsMargins(0, 0, 0, 0);
  const struct {
    const char* Button;
    const char* Action;
  } buttons[] = {{"btnSave", "act_SaveCFG"},
                 {"btnOpen", "act_OpenCFG"},
                 {"btnGet", "act_GetCFG"},
                 {"btnSet", "act_SetCFG"}};
  for (const auto& b : buttons) {
    auto* button = new QToolButton(tools);
    button->setObjectName(QString::fromLatin1(b.Button));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setIconSize(QSize(24, 24));
    button->setAutoRaise(true);
    button->setDefaultAction(NewAction(QString::fromLatin1(b.Action), 0, nullptr));
    toolsLayout->addWidget(button);
  }
  barLayout->addWidget(tools);
  barLayout->addStretch(1);
  auto* password = Panel(QStringLiteral("SettingsPasswordPanel"), bar);
  auto* passwordLayout = new QHBoxLayout(password);
  passwordLayout->setContentsMargins(0, 0, 0, 0);
  passwordLayout->addWidget(Label(QStringLiteral("Label_password"), password));
  FPasswordEdit = new QLineEdit(QString::fromLatin1(kDefaultDevicePassword), password);
  FPasswordEdit->setObjectName(QStringLiteral("PasswordEdit"));
  FPasswordEdit->setMaximumWidth(120);
  passwordLayout->addWidget(FPasswordEdit);
  barLayout->addWidget(password);
  layout->addWidget(bar);

  // Sections are a column of tabs on the left of the settings.
  auto* row = new QWidget(page);
  auto* rowLayout = new QHBoxLayout(row);
  rowLayout->setContentsMargins(0, 0, 0, 0);
  rowLayout->setSpacing(0);
  auto* tabs = Panel(QStringLiteral("PanelT2"), page);
  tabs->setFixedSize(200, 48);
  auto* tabBox = ScrollBox(QStringLiteral("T2ScrollBox"), tabs, row);
  tabBox->setFixedWidth(200);
  tabBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  tabBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  rowLayout->addWidget(tabBox);

  auto* body = Panel(QStringLiteral("PanelT11"), row);
  auto* bodyLayout = new QVBoxLayout(body);
  bodyLayout->setContentsMargins(0, 0, 0, 0);
  FLockedPanel = Panel(QStringLiteral("LockedPanel"), body);
  auto* lockedLayout = new QVBoxLayout(FLockedPanel);
  auto* locked = Label(QStringLiteral("mes_locked"), FLockedPanel);
  locked->setAlignment(Qt::AlignCenter);
  locked->setWordWrap(true);
  lockedLayout->addWidget(locked);
  bodyLayout->addWidget(FLockedPanel, 1);
  auto* sections = new TPagePanel(QStringLiteral("PanelP1"), body);
  auto* hidden = new TPagePanel(QStringLiteral("PanelP2"), sections);
  hidden->hide();
  auto* sectionsBox = ScrollBox(QStringLiteral("T1ScrollBox"), sections, body);
  sectionsBox->hide();
  bodyLayout->addWidget(sectionsBox, 1);
  rowLayout->addWidget(body, 1);
  layout->addWidget(row, 1);
  return page;
}

QWidget* TMF::BuildStationPage() {
  FStationPage = new TStationPage(
      *FStation, FDictionary, [this](int aKind, const QString& aText) { MainHintShow(aKind, aText); },
      [this](QStringList& aCaptions, QStringList& aIdents) {
        // The rows that send a line; the operations (readings, firmware) have steps of their own.
        for (const TCommand& row : FCommands->Table().Rows())
          if (row.Operation == 0 && !row.Ident.isEmpty() && !aIdents.contains(row.Ident)) {
            aCaptions << Translate(row.Ident) + QStringLiteral(" (") + row.Ident + QLatin1Char(')');
            aIdents << row.Ident;
          }
      },
      this);
  return FStationPage;
}

QWidget* TMF::BuildLogPage() {
  QWidget* page = Panel(QStringLiteral("LogPanel"), this);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  FLogPage = new TLogPage(
      FCore, FDictionary, FIcons, FRegistry, [this] { return FDiscovery ? FDiscovery->Q() : nullptr; },
      [this](int aKind, const QString& aText) { MainHintShow(aKind, aText); }, page);
  FLogPage->SetCommandSource([this] { return FCommands ? &FCommands->Table() : nullptr; });
  FLogPage->SetMonitorCaption([this](const QString& aIdent) {
    const TBaseClass* element = FVisualIndex.Find(aIdent);
    return element ? element->Caption() : QString();
  });
  layout->addWidget(FLogPage);
  return page;
}
