#include "jobs/port_session.h"

#include "base/build_info.h"
#include "base/clock.h"
#include "core/admin_mode.h"
#include "core/comm_port_driver.h"
#include "core/log_file.h"
#include "device/commands.h"
#include "device/device_operations.h"
#include "device/identity_idents.h"
#include "device/poll_cycle.h"
#include "device/port_info.h"
#include "platform/app_paths.h"
#include "platform/file_copy.h"
#include "platform/machine_identity.h"
#include "platform/registry.h"
#include "platform/volume_by_label.h"
#include "protocols/gen2_decoder.h"
#include "protocols/gen3_decoder.h"
#include "protocols/status_decoder.h"
#include "settings/settings_files.h"

#include <QDir>
#include <QFileInfo>
#include <exception>

namespace {

// The window keeps its options under this key of the per-user store.
const QString kForms = QStringLiteral("Forms");

// The window's accent colour of the dark theme; values here are never painted.
constexpr TColorRef kLinkColor = 0xFF9900;

bool StoredFlag(const TRegistry& aRegistry, const QString& aName) {
  const QString text = aRegistry.Read(kForms, aName).toString().trimmed().toLower();
  return text == QLatin1String("true") || text == QLatin1String("1");
}

} // namespace

TOnePortEnumerator::TOnePortEnumerator(TSerialPortEntry aEntry, QObject* aParent)
    : ISerialEnumerator(aParent), FEntry(std::move(aEntry)) {}

QList<TSerialPortEntry> TOnePortEnumerator::Enumerate() {
  if (!QFileInfo::exists(FEntry.DevicePath))
    return {};
  return {FEntry};
}

TPortSession::TPortSession(const TSerialPortEntry& aEntry, TRegistry& aRegistry, int aLanguage,
                           const QString& aUserPassword, QObject* aParent)
    : QObject(aParent), FEntry(aEntry), FPortName(PortNameOf(aEntry)), FRegistry(aRegistry),
      FClock(TClock::System()), FCore(*this, FClock), FUserPassword(aUserPassword), FEnumerator(aEntry) {
  FDictionary.SetLanguage(aLanguage);
  FDiscovery = std::make_unique<TPortDiscovery>(FCore, FEnumerator, *this);
  FPoll = std::make_unique<TPollCycle>(FCore);
  FStatusDecoder = std::make_unique<TStatusDecoderV1>(FCore, *this);
  FStatusDecoder->Install();
  FCommands = std::make_unique<TCommands>(*this, FRegistry, FDictionary);
  FOperations = std::make_unique<TDeviceOperations>(FCore, *FPoll, *this);
  FCopyJob = std::make_unique<TFileCopyJob>();
  connect(FCopyJob.get(), &TFileCopyJob::Progress, FOperations.get(), &TDeviceOperations::CopyProgress);
  connect(FCopyJob.get(), &TFileCopyJob::Finished, FOperations.get(), &TDeviceOperations::CopyFinished);
  FGen2Decoder = std::make_unique<TGen2Decoder>(FCore, *this);
  FGen2Decoder->Install();
  FGen3Decoder = std::make_unique<TGen3Decoder>(FCore, *this);
  FGen3Decoder->Install();
  // The same per-user options as the window: the administrator mode and the emulated transfer.
  static TLinuxMachineIdentity identity;
  FAdminMode = std::make_unique<TAdminMode>(FRegistry, identity);
  FAdminMode->Load(FRegistry.Read(kForms, QStringLiteral("Param0")).toString());
  FEmulateUpd = StoredFlag(FRegistry, QStringLiteral("DEBUG_EMULATE_UPD"));
  FDiscovery->SetNoSwitchCOMAuto(StoredFlag(FRegistry, QStringLiteral("NoSwitchCOMAuto")));
  FCommands->Fill();
  FCore.SetVersion(vtDetect);
  // The window's data timer: silent sensors are probed, lost sensor answers given up.
  FDataTimer.setInterval(25);
  connect(&FDataTimer, &QTimer::timeout, this, [this] {
    FCore.ProbeSilentSensor();
    if (TPortInfo* port = Q())
      port->CheckReplyTimeout();
  });
}

TPortSession::~TPortSession() {
  FDataTimer.stop();
  // The port goes before what it reports to.
  FDiscovery.reset();
}

bool TPortSession::Start() {
  FDiscovery->UpdatePortListUSB();
  // With the automatic switch off (the window's option), the only port is selected by hand.
  if (!FDiscovery->Q() && FDiscovery->List().Count() == 1)
    FDiscovery->SetPortIndex(0);
  TPortInfo* port = Q();
  if (!port || !port->Com()->Connected())
    return false;
  FDataTimer.start();
  return true;
}

int TPortSession::Layout() const {
  const TPortInfo* port = FDiscovery ? FDiscovery->Q() : nullptr;
  return port ? port->SettingsVersion() : 0;
}

void TPortSession::SetOperationFiles(const QString& aOpen, const QString& aSave, const QString& aFolder) {
  FOpenFile = aOpen;
  FSaveFile = aSave;
  FFolder = aFolder;
}

bool TPortSession::SaveLog(const QString& aFolder, QString* aError, const QString& aDeviceId) {
  if (!QDir().mkpath(aFolder)) {
    *aError = aFolder;
    return false;
  }
  const TPortInfo* port = Q();
  QString device = PortName();
  if (port && !port->DeviceName().isEmpty())
    device += QLatin1Char(' ') + port->DeviceName();
  else if (!aDeviceId.isEmpty())
    device += QLatin1Char(' ') + aDeviceId;
  const QString name = ProposedLogFileName(device, FClock.Now()) + QStringLiteral(".log");
  return SaveLogFile(QDir(aFolder).filePath(name), FCore.TrafficLog(), FCore.PacketIndex(), false, aError);
}

// ---- IExchangeHost ----

TPortInfo* TPortSession::Q() {
  return FDiscovery ? FDiscovery->Q() : nullptr;
}

bool TPortSession::VisualSetValue(const QString& aName, const QVariant& aValue, int, const QString&,
                                  TColorRef) {
  if (FCore.Version() == vtDetect)
    return false;
  if (TPortInfo* port = Q())
    ApplyIdentityValue(*port, aName, aValue.toString());
  // An invalid value clears an element: nothing to report.
  if (aValue.isValid() && !aValue.isNull())
    Q_EMIT Value(aName, Translate(aName), aValue.toString());
  Q_EMIT Changed();
  return true;
}

void TPortSession::MainHintShow(int aKind, const QString& aText) {
  Q_EMIT Hint(aKind, aText);
}

void TPortSession::PostLogChange() {
  // No log view: the exchange is saved as a whole at the end (--log).
  Q_EMIT Changed();
}

void TPortSession::StartCheckNameTimer(QObject*) {
  FPoll->StartCheckNameTimer();
}

void TPortSession::QOperationData2(int aIndex) {
  FOperations->QOperationData2(aIndex);
}

void TPortSession::QOperationData7(int aIndex) {
  FOperations->QOperationData7(aIndex);
}

void TPortSession::ClearVisualValues() {
  // A new detection starts from an empty page, as in the window.
  FPage = TSettingsPageValues(FModel);
}

void TPortSession::LogViewClear() {
  // No log view.
}

void TPortSession::LogViewSetHex(bool) {
  // No log view.
}

void TPortSession::LogViewSetRowCount(int) {
  // No log view.
}

void TPortSession::SetFollow(bool) {
  // No log view.
}

void TPortSession::OpenSettingsPage() {
  // No pages to switch.
}

void TPortSession::ControlsLoadSettings(const QString& aDeviceType) {
  // Reached from inside the status decoder (a new device type): nothing may escape into it.
  FSchemaLoaded = false;
  FModel = TSettingsModel();
  FPage = TSettingsPageValues();
  if (aDeviceType.isEmpty())
    return;
  bool built = false;
  try {
    TPortInfo* port = Q();
    const std::optional<TSchemaChoice> schema = ChooseSettingsSchema(
        aDeviceType, AppDataFolder(), QDateTime(BuildDate(), QTime(0, 0)), &EmbeddedSettingsSchema);
    QString error;
    const std::optional<QJsonObject> root = schema ? ParseSettingsSchema(schema->Text, &error) : std::nullopt;
    if (!root) {
      FSchemaError = Translate(QStringLiteral("mes_settingsnoversion")) + QLatin1Char(' ') + aDeviceType;
      MainHintShow(0, FSchemaError);
    } else {
      FModel = BuildSettingsModel(*root, port ? port->SettingsVersion() : 1);
      if (FModel.HasTranslations)
        FDictionary.SetSchemaTranslations(FModel.Translations);
      FPage = TSettingsPageValues(FModel);
      if (!FModel.Error.isEmpty())
        MainHintShow(0,
                     Translate(QStringLiteral("mes_settingsbuilderror")) + QLatin1Char(' ') + FModel.Error);
      if (!FModel.Skipped.isEmpty())
        MainHintShow(0, Translate(QStringLiteral("mes_settingsskipped")) + QLatin1Char(' ') +
                            FModel.Skipped.join(QStringLiteral(", ")));
      FSchemaError.clear();
      built = true;
    }
  } catch (const std::exception& e) {
    FSchemaError = QString::fromLocal8Bit(e.what());
    MainHintShow(0, FSchemaError);
  } catch (...) {
    FSchemaError = Translate(QStringLiteral("mes_settingsnoversion")) + QLatin1Char(' ') + aDeviceType;
    MainHintShow(0, FSchemaError);
  }
  if (built) {
    FSchemaLoaded = true;
    PasswordEditChange();
    CommandsExec(QStringLiteral("SettingsGet"));
  }
  FCommands->LoadCustomCommands(aDeviceType);
  FCommands->Fill();
  Q_EMIT Changed();
}

void TPortSession::CommandsUpdate() {
  // No menu: the table is read when a command is run.
}

void TPortSession::CommandsExec(const QString& aCommand) {
  if (FCommands)
    FCommands->Exec(aCommand);
}

void TPortSession::RefreshCaption() {
  // No caption.
}

void TPortSession::SetSettingsVersionLabel(const QString&) {
  // No label: the layout is read from the port record.
}

void TPortSession::PasswordEditChange() {
  TPortInfo* port = Q();
  if (!port)
    return;
  port->SetUserPassword(FUserPassword);
  // The service adapter takes its password as a typed line, in the devices' code page.
  if (port->ReadLocked() && FUserPassword.size() == 6)
    port->SendAnsiString(ToLogCodePage(FUserPassword) + "\r\n");
  Q_EMIT Changed();
}

void TPortSession::UpdateTypeInfo() {
  FDiscovery->UpdateTypeInfo();
}

void TPortSession::ShowSettingsLocked(bool) {
  // Nothing shown; the job reads the port's locks itself.
  Q_EMIT Changed();
}

bool TPortSession::StartOperation(TPortInfo* aPort, quint8 aValue) {
  // Ports made before the operations exist only ever start with none.
  return !FOperations || FOperations->Start(aPort, aValue);
}

bool TPortSession::InternetConnected() {
  // The device description is the welcome page's; the command line never asks for it, so no
  // "no connection" notice must come of the question either.
  return true;
}

void TPortSession::StartDeviceInfoRequest(TPortInfo*, const QString&) {
  // Dropped: the description would only be shown on the welcome page.
}

void TPortSession::CommandsAwaitReply(const QString& aCommand) {
  FCore.AwaitReply(aCommand);
}

void TPortSession::CommandsStartOperation(TPortInfo& aPort, int aOperation) {
  switch (aOperation) {
  case 2:
  case 3:
  case 4:
  case 5:
  case 7:
    aPort.SetOperation(quint8(aOperation));
    return;
  default:
    break;
  }
  // The factory flows need the window's dialogs and printer.
  MainHintShow(0, Translate(QStringLiteral("cli_windowonly")));
}

// ---- IPortListHost: no port column ----

void TPortSession::PortCreated(TPortInfo*, int) {}

void TPortSession::ShowEmptyState(bool) {}

void TPortSession::RealignPorts() {}

void TPortSession::ReloadMonitorLayout() {}

void TPortSession::ClearSettingsErrors() {}

void TPortSession::PortSelectionChanged(int) {
  Q_EMIT Changed();
}

// ---- IStatusHost ----

quint8 TPortSession::UpdateOperation() const {
  return FPoll->UpdateOperation();
}

void TPortSession::SetUpdateStage(quint8 aStage) {
  FPoll->SetUpdateStage(aStage);
}

quint8 TPortSession::UpdateStage() const {
  return FPoll->UpdateStage();
}

bool TPortSession::SetValueOut(bool aValue) {
  FValueOut = aValue;
  return true;
}

TColorRef TPortSession::LinkColor() const {
  return kLinkColor;
}

void TPortSession::SetDynamicItem(const TDynamicItem& aItem) {
  if (!aItem.Value.isValid() || aItem.Value.isNull())
    return;
  Q_EMIT Value(aItem.Ident, aItem.Caption.isEmpty() ? Translate(aItem.Ident) : aItem.Caption,
               aItem.Value.toString());
}

void TPortSession::AddOrUpdateBLEDevice(const QString&, const QString&, const QString&) {
  // The scan lists feed the window's pickers only.
}

void TPortSession::AddOrUpdateWiFi(const QString&, const QString&, const QString&) {
  // The scan lists feed the window's pickers only.
}

void TPortSession::AddOrUpdateLBS(const QString&, const QString&, const QString&, const QString&,
                                  const QString&) {
  // The scan lists feed the window's pickers only.
}

void TPortSession::ApplySettingsImage(const QString& aBase64) {
  TPortInfo* port = Q();
  const int layout = Layout();
  FLastDeviceImage = aBase64;
  FLastDeviceApplied = FPage.ApplyDeviceImage(layout, aBase64);
  if (!FLastDeviceApplied.Valid)
    MainHintShow(0, Translate(QStringLiteral("mes_filedataerror")));
  else if (FLastDeviceApplied.HasPassword && port)
    port->SetDevicePassword(FLastDeviceApplied.Password);
  ++FDeviceImages;
  Q_EMIT Changed();
}

void TPortSession::FirmwareTransferFrame(const QString& aValue) {
  FOperations->FirmwareTransferFrame(aValue);
}

// ---- IOperationsHost ----

QString TPortSession::OperationOpenFile(const QString&) {
  return FOpenFile;
}

QString TPortSession::OperationSaveFile(const QString&, const QString&, const QString&) {
  return FSaveFile;
}

QString TPortSession::OperationFolder(const QString&) {
  return FFolder;
}

void TPortSession::SetProgressText(const QString&) {
  // The job reports progress by numbers; the texts also come as hints.
}

void TPortSession::SetLanguageIndicator(qint64 aPosition, qint64 aCount) {
  Q_EMIT Progress(aPosition, aCount);
}

bool TPortSession::AdminMode() const {
  return FAdminMode && FAdminMode->On();
}

bool TPortSession::EmulateUpd() const {
  return FEmulateUpd;
}

QString TPortSession::FindVolumeByLabel(const QString& aLabel) {
  return ::FindVolumeByLabel(aLabel);
}

void TPortSession::StartCopyFileTo(const QString& aFileName, const QString& aDrive) {
  if (!FCopyJob->Start(aFileName, aDrive))
    FOperations->CopyFinished(false);
}

void TPortSession::ScheduleLater(int aDelayMs, std::function<void()> aCall) {
  QTimer::singleShot(aDelayMs, this, std::move(aCall));
}

// ---- IFuelHost: no settings page for the sensor master ----

std::optional<TFuelField> TPortSession::FuelField(const QString&) {
  return std::nullopt;
}

bool TPortSession::ClearSensorResults() {
  return false;
}

void TPortSession::AddSensorResult(const QString& aIdent, const QString& aCaption, const QString& aValue) {
  Q_EMIT Value(aIdent, aCaption, aValue);
}
