#pragma once

#include "core/admin_mode.h"
#include "core/drivers_installer.h"
#include "core/exchange_core.h"
#include "core/exchange_host.h"
#include "core/port_list.h"
#include "device/command_host.h"
#include "device/operations_host.h"
#include "device/poll_cycle.h"
#include "dialogs/app_prompts.h"
#include "factory/factory_host.h"
#include "i18n/dictionary.h"
#include "i18n/language_locale.h"
#include "jobs/job_sequence.h"
#include "monitor/monitor_context.h"
#include "monitor/visual_index.h"
#include "platform/elevated_runner.h"
#include "platform/machine_identity.h"
#include "platform/serial_enumerator.h"
#include "protocols/fuel_host.h"
#include "protocols/scan_lists.h"
#include "protocols/status_host.h"
#include "settings/controls/settings_context.h"
#include "settings/settings_errors.h"
#include "settings/settings_image.h"
#include "settings/settings_model.h"
#include "style/icons.h"
#include "style/theme.h"
#include "ui/form_state.h"

#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QScrollArea;
class QStackedWidget;
class QToolButton;
class QLineEdit;
class ISerialEnumerator;
class TCaptionBar;
class THintStack;
class TClock;
class TRegistry;
class TWebClient;
class TUpdateCenter;
class TModuleInstaller;
class TSelfUpdater;
class TWelcomeBrowser;
struct TWellcomeView;

enum TPage { pgWellcome, pgInfo, pgSettings, pgLog, pgFuel, pgStation };
enum TMoveStyle { moveNone, MoveLeft, MoveRight, MoveBottom, MoveTop, moveCaption };

// The main window: its own chrome, the left strip with the page buttons and the port column, and
// the five pages. It owns the exchange state for the run and answers the core's hooks.
class TStatusDecoderV1;
class TGen2Decoder;
class TGen3Decoder;
class TReplayPanel;
class TLogPage;
class TVirtualCommDriver;
class TCommands;
class IStickerPrinter;
class TPrintStickerForm;
struct TDeviceData;
class TDeviceOperations;
class TFactoryFlows;
class IFactoryWeb;
class TFileCopyJob;
class IOperationDialogs;
class TTabPanel;
class TControlClass;
class TScanSelectForm;
class IBLEScanner;
class IWiFiScanner;
class QJsonObject;
class TTrendController;
class TStation;
class TStationPage;

class TMF : public QWidget,
            public IExchangeHost,
            public IPortListHost,
            public IStatusHost,
            public ICommandHost,
            public IOperationsHost,
            public IFuelHost,
            public IFactoryHost,
            public IStickerHost {
  Q_OBJECT
public:
  using TDarkModeQuery = std::function<bool()>;

  // Without an enumerator the window lists the system's serial ports.
  // Without a clock the window reads the system's.
  explicit TMF(TRegistry& aRegistry, TDarkModeQuery aDarkMode = {},
               std::unique_ptr<ISerialEnumerator> aEnumerator = nullptr, const TClock* aClock = nullptr,
               QWidget* aParent = nullptr);
  ~TMF() override;

  TExchangeCore& Core() { return FCore; }
  TDictionary& Dictionary() { return FDictionary; }
  const TIcons& Icons() const { return FIcons; }
  const TThemeColors& Theme() const { return FTheme; }
  TFormState& State() { return FState; }
  THintStack& Hints() { return *FHints; }
  QMenu* CommandsMenu() const { return FCommandsMenu; }

  // IExchangeHost, ICommandHost
  TPortInfo* Q() override { return FDiscovery->Q(); }
  QString Translate(const QString& aKey) override { return FDictionary.Translate(aKey); }
  void MainHintShow(int aKind, const QString& aText) override;
  void RefreshCaption() override { UpdateCaption(); }
  bool VisualSetValue(const QString& aName, const QVariant& aValue, int aAction = 1,
                      const QString& aValueAlter = QString(), TColorRef aColor = clValuePlaceholder) override;
  // The element with ident aName, as the walk from the window finds it (through the index).
  TBaseClass* VisualFind(const QString& aName) { return FVisualIndex.Find(aName); }
  TVisualIndex& VisualIndex() { return FVisualIndex; }
  TMonitorContext& MonitorContext() { return FMonitorContext; }
  bool SetValueOut(bool aValue) override;
  bool ValueOut() const { return FValueOut; }
  // Rebuilds the monitor page from its layout; all values are lost.
  void ControlsLoadMonitor();
  void ReloadMonitorLayout() override { ControlsLoadMonitor(); }
  // Ageing of one value line: greys it after a minute; true when its value must go.
  bool CheckParameterLifetime(TBaseClass* aElement);
  void Timer3Timer();
  // The output switch behind a click on the inputs and outputs column.
  void SwitchOutput();
  QWidget* MonitorPanel(int aIndex) const { return FMonitorPanels[size_t(aIndex)]; }
  // Trends of monitor values, in a pane under the monitor.
  TTrendController& Trends() { return *FTrends; }

  // Replay of a saved log into the VIRTUAL port.
  void ShowReplayPanel(bool aShow);
  bool ReplayPanelVisible() const;
  // Loads the log into a new VIRTUAL port, selects it and waits paused at its beginning.
  bool OpenReplay(const QString& aFileName);
  void CloseReplay();
  // The replay driver of the selected port, when it is the VIRTUAL one.
  TVirtualCommDriver* ReplayDriver() const;
  void ReplayPlay();
  void ReplayPause();
  void ReplayStop();

  // Device connection: identity poll, password field, settings lock display.
  TPollCycle& Poll() { return *FPoll; }
  void StartCheckNameTimer(QObject* aSender) override;
  void PasswordEditChange() override;
  void PasswordChanged();
  void ShowSettingsLocked(bool aLocked) override;

  // Settings page: built from the device type's schema, filled from the device or a file.
  // The Base64 text of the settings image built from the page; empty without a known layout.
  QString ConfigToString();
  void act_GetCFG();
  void act_SetCFG();
  void act_OpenCFG();
  void act_SaveCFG();
  // A validating control reports its setting number and message (empty: valid). Messages are kept
  // per control (aSource): two controls of one setting each keep their own.
  void SettingsError(int aNumber, const QString& aText, const QObject* aSource = nullptr);
  const QList<TSetting>& SettingsTable() const { return FSettingsTable; }
  QList<TTabPanel*> SettingsTabs() const;
  const TSettingsErrors& Errors() const { return FErrors; }
  QLabel* InfoPanel() const { return FInfoPanel; }
  // Asks for a file name with the given filter ("Name|patterns|...") and proposed name; empty
  // when the user cancels. Tests give paths instead of dialogs.
  using TFileDialog = std::function<QString(const QString& aFilter, const QString& aProposed)>;
  void SetFileDialogs(TFileDialog aOpen, TFileDialog aSave);

  // IStatusHost
  quint8 UpdateOperation() const override { return FPoll->UpdateOperation(); }
  quint8 UpdateStage() const override { return FPoll->UpdateStage(); }
  void SetUpdateStage(quint8 aStage) override { FPoll->SetUpdateStage(aStage); }
  TColorRef LinkColor() const override { return ColorToColorRef(FTheme.Accent2); }
  void SetDynamicItem(const TDynamicItem& aItem) override;
  void AddOrUpdateBLEDevice(const QString& aMAC, const QString& aRSSI, const QString& aDataBase64) override;
  void AddOrUpdateWiFi(const QString& aMAC, const QString& aRSSI, const QString& aSSID) override;
  void AddOrUpdateLBS(const QString& aMCC, const QString& aMNC, const QString& aRSSI, const QString& aCID,
                      const QString& aLAC) override;
  const TBLEDeviceList& BLEDevices() const { return FBLEDevices; }
  const TWiFiList& WiFiNetworks() const { return FWiFiNetworks; }
  const TLBSList& CellTowers() const { return FCellTowers; }
  // The pickers of the settings page's "..." buttons (tmf_pickers.cpp): the dialog of aList over
  // the window's list, open without blocking; aChosen receives the confirmed text.
  TScanSelectForm* ShowScanPicker(TScanList aList, std::function<void(const QString&)> aChosen);
  // The PC's radios the pickers fall back to; the system's unless others are given.
  struct TRadios {
    std::function<std::unique_ptr<IBLEScanner>()> BLE;
    std::function<std::unique_ptr<IWiFiScanner>()> WiFi;
  };
  void SetRadios(TRadios aRadios);
  void SetSettingsVersionLabel(const QString& aText) override;
  void PostLogChange() override;
  void LogViewClear() override;
  void LogViewSetHex(bool aHex) override;
  void LogViewSetRowCount(int aRows) override;
  void SetFollow(bool aFollow) override;
  TLogPage& LogPage() { return *FLogPage; }
  // Port buttons repaint: the log page's MODEM toggle goes back to off.
  void ResetModemToggle();

  int Language() const { return FDictionary.Language(); }
  void SetLanguage(int aLanguage);
  // The RU and EN buttons: the language, then the command menu and the selected device follow it.
  void ChooseLanguage(int aLanguage);
  void SetLanguageIndicator(qint64 aPosition, qint64 aCount) override;

  // Device operations (memory and file reading, firmware loading).
  TDeviceOperations& Operations() { return *FOperations; }
  void SetOperationDialogs(std::unique_ptr<IOperationDialogs> aDialogs);
  bool StartOperation(TPortInfo* aPort, quint8 aValue) override;
  void QOperationData2(int aIndex) override;
  void QOperationData7(int aIndex) override;
  void FirmwareTransferFrame(const QString& aValue) override;
  QString OperationOpenFile(const QString& aFilter) override;
  QString OperationSaveFile(const QString& aProposedName, const QString& aDefaultSuffix,
                            const QString& aFilter) override;
  QString OperationFolder(const QString& aTitle) override;
  void SetProgressText(const QString& aText) override;
  QString ProgressText() const;
  bool EmulateUpd() const override;
  QString FindVolumeByLabel(const QString& aLabel) override;
  void StartCopyFileTo(const QString& aFileName, const QString& aDrive) override;
  void ScheduleLater(int aDelayMs, std::function<void()> aCall) override;

  // IFactoryHost
  TFactoryConfig FactoryConfig() const override;
  quint16 LotNumber() const override;
  bool LotConfirmed() const override;
  void AskLotNumber(std::function<void()> aDone) override;
  void ShowSticker(const TPortInfo& aPort) override;
  void FactoryMessage(const QString& aText) override;

  TPage CurrentPage() const { return FPage; }
  void act_PageWellcome();
  void act_PageInfo();
  void act_PageSettings();
  void act_PageLog();
  void act_PageFuel();
  void act_PageStation();
  TStation& Station() { return *FStation; }
  TStationPage& StationPage() { return *FStationPage; }
  // IStickerHost: the station's stickers, one at a time, printed as the Print button's automatic
  // print does.
  void PrintSticker(const TDeviceData& aData,
                    std::function<void(bool aOk, const QString& aError)> aDone) override;
  void ShowCommandsMenu();

  // Service commands (tmf_commands.cpp). Other parts of the window run a command by its name
  // through Commands_Exec, e.g. Commands_Exec("SettingsGet") to read the device's settings.
  TCommands& Commands() { return *FCommands; }
  void Commands_Fill();
  void Commands_Update();
  void Commands_MenuClick(QAction* aItem);
  void Commands_Exec(const QString& aName);
  void Commands_Do(int aIndex);
  void btn_CommandsClick();
  // The lot number dialog; aDone learns whether a lot was taken (false on Cancel or bad input).
  void EnterLotNumberCommandDialog(std::function<void(bool)> aDone = {});
  void ClearCustomCommands();
  void LoadCustomCommands(const QString& aType);
  const QStringList& CustomCommands() const;
  void CommandsUpdate() override { Commands_Update(); }
  void CommandsExec(const QString& aCommand) override { Commands_Exec(aCommand); }
  void CommandsStartOperation(TPortInfo& aPort, int aOperation) override;
  void CommandsAwaitReply(const QString& aCommand) override;
  void UpdateFolders();

  int StyleMode() const { return FState.Style; }
  void SetStyleMode(int aMode);
  void StyleApply();

  QString CaptionText() const;
  void UpdateCaption();

  void LoadState();
  void SaveState();
  void ResetToDefaults();

  TPortDiscovery& Discovery() { return *FDiscovery; }
  bool PortInUse() const { return FDiscovery->PortInUse(); }
  void UpdateTypeInfo() override { FDiscovery->UpdateTypeInfo(); }
  void PortPressed(TPortInfo* aPort);

  // IPortListHost
  void PortCreated(TPortInfo* aPort, int aIndex) override;
  void ShowEmptyState(bool aEmpty) override;
  void RealignPorts() override;
  void PortSelectionChanged(int aIndex) override;
  bool CanShowSettings() const { return FCanShowSettings; }
  void SetCanShowSettings(bool aValue) { FCanShowSettings = aValue; }
  bool UpdateAvailable() const { return FUpdateAvailable; }
  void SetUpdateAvailable(bool aValue);

  void UpdatePanelHeight(QWidget* aPanel, QScrollArea* aScrollBox);
  void ScrollBoxResize();
  // Three columns, four when the fourth panel shows something, five with the CAN flags option.
  int MonitorColumnCount() const;
  void LayoutMonitorColumns();

  QString BrowserURL() const { return FBrowserURL; }
  void SetBrowserURL(const QString& aUrl);
  void UpdateBrowser();

  // The application settings dialog and the options behind it (tmf_options.cpp).
  void ShowSettingsDialog();
  // First start: offer the device access rules, then show the dialog.
  void FirstRunOffer();
  struct TOptionsServices {
    std::unique_ptr<IMachineIdentity> Identity;
    std::unique_ptr<IElevatedRunner> Runner;
    std::unique_ptr<IAppPrompts> Prompts;
  };
  // Replaces what the options talk to outside the program (tests script them); the
  // administrator mode is decided again from the stored marker.
  void SetOptionsServices(TOptionsServices aServices);
  bool AdminMode() const override { return FAdminMode && FAdminMode->On(); }
  // Off when on; otherwise asks for the administrator password.
  void ToggleAdminMode();
  void SetAdvanceCAN(bool aValue);
  void SetNoSwitchCOMAuto(bool aValue);
  void SetAutoPrint(bool aValue);
  void SetPrintVisible(bool aValue);
  // Theme mode 0 -> 1 -> 2 -> 0.
  void CycleStyleMode();
  void ToggleReplayPanel();
  const TDriversInstaller& DriversInstaller() const { return *FDriversInstaller; }
  // After a Yes: install the device access rules in the background.
  void AskInstallDrivers();
  void AskDefaultSettings();
  void AskClearCustomCommands();
  void OpenLotNumber();
  void OpenPrintSettings();

  // Hooks of the exchange core, the port list and the status decoder that the window answers in
  // tmf_hooks.cpp; where a page still to come owns the work, its body says so.
  void ClearVisualValues() override;
  void OpenSettingsPage() override;
  void ControlsLoadSettings(const QString& aDeviceType) override;
  void ClearSettingsErrors() override;
  void ApplySettingsImage(const QString& aBase64) override;

  // Web updates (tmf_updates.cpp). Answers of the downloads arrive here: 200 program information,
  // 201 module list, 202 device description; any other identifier is a hint kind with its text.
  void InfoExternal(int aIdent, const QString& aText);
  void UpdateWellcome();
  void act_checkUpdateExecute();
  void act_UpdateModuleExecute();
  void act_UpdateProExecute();
  bool InternetConnected() override;
  void StartDeviceInfoRequest(TPortInfo* aPort, const QString& aPathAndQuery) override;
  const TWellcomeView& WellcomeView() const { return *FWellcome; }
  TUpdateCenter& Updates() { return *FUpdateCenter; }
  TSelfUpdater& SelfUpdater() { return *FSelfUpdater; }
  TModuleInstaller& ModuleInstaller() { return *FModuleInstaller; }
  TWelcomeBrowser* WelcomeBrowser() const { return FBrowser; }
  // The browser shows BrowserURL.
  bool Browsed() const { return FBrowsed; }
  // The program was replaced: start it again, with the same arguments, once the window is gone.
  bool RestartRequested() const { return FRestartRequested; }
  QString ProgramPath() const { return FProgramPath; }

  // Sticker printing (tmf_print.cpp). The Print button and Ctrl+P: the selected port's identity,
  // or sample data without a port. The factory flows call ShowStickerDialog with the port's data.
  void btnPrintClick();
  TPrintStickerForm* ShowStickerDialog(const TDeviceData& aData, bool aAutoPrint);
  TPrintStickerForm* StickerDialog() const;
  // Where stickers go; the system's default printer unless another is given.
  void SetStickerPrinter(std::unique_ptr<IStickerPrinter> aPrinter);

  // Fuel-sensor masters (tmf_fuel.cpp).
  std::optional<TFuelField> FuelField(const QString& aIdent) override;
  bool ClearSensorResults() override;
  void AddSensorResult(const QString& aIdent, const QString& aCaption, const QString& aValue) override;
  // Writes the master's changed slots and sensors from the settings page; what applying the
  // settings does for a fuel-sensor master. False (with a hint) when a value is refused.
  bool FuelApplySettings();
  // Shows or hides the fuel page's button.
  void act_debug();
  // The fuel page's button for a master that speaks text: back to the text protocol.
  void btnMasterClick();

Q_SIGNALS:
  void PageChanged(TPage aPage);
  // Theme, language, an option, the administrator mode or the driver installation changed.
  void OptionsChanged();

protected:
  bool eventFilter(QObject* aWatched, QEvent* aEvent) override;
  void closeEvent(QCloseEvent* aEvent) override;
  void resizeEvent(QResizeEvent* aEvent) override;
  void changeEvent(QEvent* aEvent) override;
  void showEvent(QShowEvent* aEvent) override;

private:
  void BuildWindow();
  QWidget* BuildLeftStrip();
  QWidget* BuildWelcomePage();
  QWidget* BuildMonitorPage();
  QWidget* BuildSettingsPage();
  QWidget* BuildLogPage();
  QWidget* BuildFuelPage();
  QWidget* BuildStationPage();
  void PumpStationPrints();
  QAction* NewAction(const QString& aName, int aTag, void (TMF::*aSlot)());
  QToolButton* NewPageButton(const QString& aName, QAction* aAction);
  void ShowPage(TPage aPage);
  void UpdatePageMarker();
  void WireReplayPanel();
  void RetranslateTree(QObject* aRoot);
  void ApplyGeometryFromState();
  void StartupTick();
  void AnimateEmptyColumn();
  void InitSettingsPage();
  void FreeSettingsPage();
  void ClearSettingsPage(bool aTabs);
  void BuildSettingsFromSchema(const QJsonObject& aSchema, int aSettingsVersion);
  TControlClass* MakeSettingControl(TSetting& aRow, const TControlShape& aShape, QWidget* aBody);
  void RealignSettings();
  void RetranslateSettings();
  void StyleSettings();
  void UpdateSettingsActions();
  int SettingsLayout() const;
  TBuiltImage BuildImage();
  void ApplyImageText(const QString& aBase64, bool aFromDevice);
  void ShowBanner(const QString& aText);
  void RemoveBanner();
  void BannerStep();
  void PickSettingValue(TControlClass* aControl);
  void AddCustomCommandDialog();
  void DelCustomCommandDialog();
  void InitOptions();
  QWidget* PromptParent();
  // Runs a menu line's row once any question about it was answered yes.
  void RunMenuCommand(quint64 aGeneration, int aIndex);
  void DriversFinished(const TDriversResult& aResult);
  void SetupUpdates();
  void LayoutBrowser();
  void ApplyUpdatePanel();
  void ModulesFinished(const QList<int>& aInstalled, const QList<int>& aFailed);
  void ProgramVerified();
  bool DeviceOperationRunning();
  void InitOperations();
  void InitFactory();

  bool HandleKey(QKeyEvent* aEvent);
  bool HandleWheel(QWheelEvent* aEvent);
  QRect VirtualScreen() const;

  TRegistry& FRegistry;
  TDarkModeQuery FDarkMode;
  const TClock& FClock;
  TExchangeCore FCore;
  TDictionary FDictionary;
  TQtCatalogue FQtCatalogue;
  TIcons FIcons;
  TThemeColors FTheme = DarkTheme();
  TFormState FState;
  THintStack* FHints = nullptr;
  std::unique_ptr<ISerialEnumerator> FEnumerator;
  std::unique_ptr<TPortDiscovery> FDiscovery;
  std::unique_ptr<TPollCycle> FPoll;
  std::unique_ptr<TStatusDecoderV1> FStatusDecoder;
  std::unique_ptr<TCommands> FCommands;
  QList<QAction*> FCommandItems; // the menu lines the last update made
  std::unique_ptr<IOperationDialogs> FOperationDialogs;
  std::unique_ptr<TDeviceOperations> FOperations;
  std::unique_ptr<TWebClient> FFactoryClient;
  std::unique_ptr<IFactoryWeb> FFactoryWeb;
  std::unique_ptr<TFactoryFlows> FFactory;
  // Destroyed first: it waits for a copy still running.
  std::unique_ptr<TFileCopyJob> FCopyJob;
  std::unique_ptr<TGen2Decoder> FGen2Decoder;
  std::unique_ptr<TGen3Decoder> FGen3Decoder;
  // What a search for sensors put on the page; the next search removes exactly these.
  QList<QPointer<TBaseClass>> FSensorResults;
  // The value the program last put on each settings element (by lower-case ident), so that a
  // user's edit shows as a change.
  QHash<QString, QVariant> FProgramValues;
  TBLEDeviceList FBLEDevices;
  TWiFiList FWiFiNetworks;
  TLBSList FCellTowers;
  TRadios FRadios;

  TPage FPage = pgWellcome;
  bool FCanShowSettings = false;
  bool FUpdateAvailable = false;
  QString FBrowserURL;
  bool FBrowsed = false;

  // Chrome and strip.
  TCaptionBar* FCaption = nullptr;
  QWidget* FBorderT = nullptr;
  QWidget* FBorderB = nullptr;
  QWidget* FBorderL = nullptr;
  QWidget* FBorderR = nullptr;
  QWidget* FLangLabel = nullptr;
  QWidget* FPageLabel = nullptr;
  QWidget* FDataLabel = nullptr;
  QWidget* FLPanel = nullptr;
  QScrollArea* FPortsScrollBox = nullptr;
  QWidget* FPortsPanel = nullptr;
  QWidget* FEmptyPanel = nullptr;
  QLabel* FEmptyImage = nullptr;
  QStackedWidget* FPages = nullptr;
  QWidget* FProgressPanel = nullptr;
  TReplayPanel* FReplayPanel = nullptr;
  TLogPage* FLogPage = nullptr;
  TStationPage* FStationPage = nullptr;
  bool FLogChangePosted = false;
  QLabel* FProgressLabel = nullptr;
  QLabel* FPercentLabel = nullptr;
  QMenu* FCommandsMenu = nullptr;
  std::array<QToolButton*, 6> FPageButtons{};
  std::array<QAction*, 6> FPageActions{};
  QToolButton* FCommandsButton = nullptr;
  QToolButton* FPrintButton = nullptr;

  // Pages.
  std::array<QWidget*, 6> FPagePanels{};
  std::array<QScrollArea*, 5> FMonitorBoxes{};
  std::array<QWidget*, 5> FMonitorPanels{};
  std::array<int, 5> FPrevPanelHeights{};
  int FPrevPanelWidth = 0;
  QLabel* FSettingsVersionLabel = nullptr;
  QWidget* FLockedPanel = nullptr;
  QLineEdit* FPasswordEdit = nullptr;
  QWidget* FUpdatePanel = nullptr;
  QWidget* FBrowserPanel = nullptr;
  QLabel* FWellcomeCaption = nullptr;
  QLabel* FWellcomeText = nullptr;

  // Web updates.
  std::unique_ptr<TWebClient> FWebClient;
  std::unique_ptr<TUpdateCenter> FUpdateCenter;
  std::unique_ptr<TModuleInstaller> FModuleInstaller;
  std::unique_ptr<TSelfUpdater> FSelfUpdater;
  std::unique_ptr<TWellcomeView> FWellcome;
  QString FWellcomeFile;
  QString FAdditionFile;
  QString FDeviceFile;
  bool FModulesAutoInstalled = false; // once per module list: a failing module must not loop
  QString FUpdateIcon = QStringLiteral("E_ATTENTION");
  TWelcomeBrowser* FBrowser = nullptr;
  QWidget* FWellcomeTextPanel = nullptr;
  QString FProgramPath;
  bool FRestartRequested = false;

  QTimer FTimer1;    // empty port column animation
  QTimer FTimer2;    // start-up steps, then the monitor panel size watch
  QTimer FDataTimer; // the probe for silent sensors
  QTimer FTimer3;    // ageing of monitor values
  TVisualIndex FVisualIndex{this};
  TMonitorContext FMonitorContext;
  std::unique_ptr<TTrendController> FTrends;
  std::unique_ptr<TStation> FStation;
  bool FValueOut = false;
  // Settings page.
  QList<TSetting> FSettingsTable;
  // Bounds and list items of each row, as the page's check of a file needs them.
  QList<TControlShape> FSettingsShapes;
  // What the device sent last, by setting number: every value written starts from it.
  TImageEntries FDeviceEntries;
  // The password a write on its way gives the device; the device's once it has saved.
  QString FPendingPassword;
  QMetaObject::Connection FSavedConnection;
  QList<QPointer<TTabPanel>> FTabs;
  TSettingsContext FSettingsContext;
  TSettingsErrors FErrors;
  bool FSettingsLoading = false;
  QLabel* FInfoPanel = nullptr;
  QTimer FBannerTimer;
  int FBannerStep = 0;
  int FBannerStart = 0;
  int FBannerRest = 0;
  TFileDialog FOpenDialog;
  TFileDialog FSaveDialog;
  // Elements of a page that was replaced, until they are freed.
  QWidget* FSettingsGraveyard = nullptr;
  int FShownColumns = 0;
  int FTimer2Stage = 0;
  int FTimer1Tag = 0;

  // Application options.
  TOptionsServices FOptions;
  std::unique_ptr<TAdminMode> FAdminMode;
  std::unique_ptr<TDriversInstaller> FDriversInstaller;
  std::unique_ptr<IStickerPrinter> FStickerPrinter;
  QPointer<QWidget> FStickerForm;
  // Automatic prints asked for while a sticker dialog was busy, printed in turn once it closes.
  QList<std::shared_ptr<TDeviceData>> FStickerQueue;
  struct TStationPrint {
    TDeviceData Data;
    std::function<void(bool, const QString&)> Done;
  };
  QList<TStationPrint> FStationPrints;
  bool FStationPrinting = false;
};
