#pragma once

#include "core/exchange_core.h"
#include "core/exchange_host.h"
#include "core/port_list.h"
#include "device/command_host.h"
#include "device/operations_host.h"
#include "i18n/dictionary.h"
#include "platform/serial_enumerator.h"
#include "protocols/fuel_host.h"
#include "protocols/status_host.h"
#include "settings/settings_model.h"
#include "settings/settings_page_values.h"

#include <QObject>
#include <QTimer>
#include <memory>

class TAdminMode;
class TClock;
class TCommands;
class TDeviceOperations;
class TFileCopyJob;
class TGen2Decoder;
class TGen3Decoder;
class TPollCycle;
class TRegistry;
class TStatusDecoderV1;

// The one port a session serves, listed while its path exists: discovery and selection then run
// exactly as in the window, with this port alone in the column.
class TOnePortEnumerator : public ISerialEnumerator {
  Q_OBJECT
public:
  explicit TOnePortEnumerator(TSerialPortEntry aEntry, QObject* aParent = nullptr);
  QList<TSerialPortEntry> Enumerate() override;

private:
  TSerialPortEntry FEntry;
};

// One device port driven without a window: its own exchange state, decoders, identity poll,
// command table and operations, answering every hook the window answers. What a window shows
// comes out as signals; what only a window has (pages, menus, the log view) is dropped here.
class TPortSession : public QObject,
                     public IExchangeHost,
                     public IPortListHost,
                     public IStatusHost,
                     public ICommandHost,
                     public IOperationsHost,
                     public IFuelHost {
  Q_OBJECT
public:
  TPortSession(const TSerialPortEntry& aEntry, TRegistry& aRegistry, int aLanguage,
               const QString& aUserPassword, QObject* aParent = nullptr);
  ~TPortSession() override;

  // Lists, opens and selects the port; false when it cannot be opened.
  bool Start();
  bool Started() const { return FDataTimer.isActive(); }

  QString PortName() const { return FEntry.FriendlyName.isEmpty() ? FEntry.DevicePath : FPortName; }
  const TSerialPortEntry& Entry() const { return FEntry; }
  TExchangeCore& Core() { return FCore; }
  TCommands& Commands() { return *FCommands; }
  TDictionary& Dictionary() { return FDictionary; }

  // The settings page of the device's type, as far as it is known.
  bool SchemaLoaded() const { return FSchemaLoaded; }
  // The last reason the type's page could not be built (empty: none).
  QString SchemaError() const { return FSchemaError; }
  const TSettingsModel& Model() const { return FModel; }
  TSettingsPageValues& Page() { return FPage; }
  int Layout() const;
  // Settings answers of the device so far, and what the last one gave.
  int DeviceImages() const { return FDeviceImages; }
  const QString& LastDeviceImage() const { return FLastDeviceImage; }
  const TSettingsPageValues::TApplied& LastDeviceApplied() const { return FLastDeviceApplied; }

  // Where the operations save, read and write: the command line names them instead of dialogs.
  void SetOperationFiles(const QString& aOpen, const QString& aSave, const QString& aFolder);

  // The exchange as a log file in aFolder, as the log page saves it; false with aError on failure.
  // aDeviceId names the device when the port no longer does (it went away).
  bool SaveLog(const QString& aFolder, QString* aError, const QString& aDeviceId = QString());

  // IExchangeHost, ICommandHost
  TPortInfo* Q() override;
  bool VisualSetValue(const QString& aName, const QVariant& aValue, int aAction = 1,
                      const QString& aValueAlter = QString(), TColorRef aColor = clValuePlaceholder) override;
  QString Translate(const QString& aKey) override { return FDictionary.Translate(aKey); }
  void MainHintShow(int aKind, const QString& aText) override;
  void PostLogChange() override;
  void StartCheckNameTimer(QObject* aSender) override;
  void QOperationData2(int aIndex) override;
  void QOperationData7(int aIndex) override;
  void ClearVisualValues() override;
  void LogViewClear() override;
  void LogViewSetHex(bool aHex) override;
  void LogViewSetRowCount(int aRows) override;
  void SetFollow(bool aFollow) override;
  void OpenSettingsPage() override;
  void ControlsLoadSettings(const QString& aDeviceType) override;
  void CommandsUpdate() override;
  void CommandsExec(const QString& aCommand) override;
  void RefreshCaption() override;
  void SetSettingsVersionLabel(const QString& aText) override;
  void PasswordEditChange() override;
  void UpdateTypeInfo() override;
  void ShowSettingsLocked(bool aLocked) override;
  bool StartOperation(TPortInfo* aPort, quint8 aValue) override;
  bool InternetConnected() override;
  void StartDeviceInfoRequest(TPortInfo* aPort, const QString& aPathAndQuery) override;
  void CommandsStartOperation(TPortInfo& aPort, int aOperation) override;
  void CommandsAwaitReply(const QString& aCommand) override;

  // IPortListHost
  void PortCreated(TPortInfo* aPort, int aIndex) override;
  void ShowEmptyState(bool aEmpty) override;
  void RealignPorts() override;
  void ReloadMonitorLayout() override;
  void ClearSettingsErrors() override;
  void PortSelectionChanged(int aIndex) override;

  // IStatusHost
  quint8 UpdateOperation() const override;
  void SetUpdateStage(quint8 aStage) override;
  quint8 UpdateStage() const override;
  bool SetValueOut(bool aValue) override;
  TColorRef LinkColor() const override;
  void SetDynamicItem(const TDynamicItem& aItem) override;
  void AddOrUpdateBLEDevice(const QString& aMAC, const QString& aRSSI, const QString& aDataBase64) override;
  void AddOrUpdateWiFi(const QString& aMAC, const QString& aRSSI, const QString& aSSID) override;
  void AddOrUpdateLBS(const QString& aMCC, const QString& aMNC, const QString& aRSSI, const QString& aCID,
                      const QString& aLAC) override;
  void ApplySettingsImage(const QString& aBase64) override;
  void FirmwareTransferFrame(const QString& aValue) override;

  // IOperationsHost
  QString OperationOpenFile(const QString& aFilter) override;
  QString OperationSaveFile(const QString& aProposedName, const QString& aDefaultSuffix,
                            const QString& aFilter) override;
  QString OperationFolder(const QString& aTitle) override;
  void SetProgressText(const QString& aText) override;
  void SetLanguageIndicator(qint64 aPosition, qint64 aCount) override;
  bool AdminMode() const override;
  bool EmulateUpd() const override;
  QString FindVolumeByLabel(const QString& aLabel) override;
  void StartCopyFileTo(const QString& aFileName, const QString& aDrive) override;
  void ScheduleLater(int aDelayMs, std::function<void()> aCall) override;

  // IFuelHost
  std::optional<TFuelField> FuelField(const QString& aIdent) override;
  bool ClearSensorResults() override;
  void AddSensorResult(const QString& aIdent, const QString& aCaption, const QString& aValue) override;

Q_SIGNALS:
  // Something the running job may be waiting for has changed (identity, settings, counters).
  void Changed();
  void Hint(int aKind, const QString& aText);
  // A decoded value: its ident, its caption in the session's language and its text.
  void Value(const QString& aIdent, const QString& aCaption, const QString& aText);
  void Progress(qint64 aPosition, qint64 aCount);

private:
  TSerialPortEntry FEntry;
  QString FPortName;
  TRegistry& FRegistry;
  const TClock& FClock;
  TDictionary FDictionary;
  TExchangeCore FCore;
  QString FUserPassword;
  TOnePortEnumerator FEnumerator;
  std::unique_ptr<TPortDiscovery> FDiscovery;
  std::unique_ptr<TPollCycle> FPoll;
  std::unique_ptr<TStatusDecoderV1> FStatusDecoder;
  std::unique_ptr<TGen2Decoder> FGen2Decoder;
  std::unique_ptr<TGen3Decoder> FGen3Decoder;
  std::unique_ptr<TCommands> FCommands;
  std::unique_ptr<TDeviceOperations> FOperations;
  std::unique_ptr<TFileCopyJob> FCopyJob;
  std::unique_ptr<TAdminMode> FAdminMode;
  bool FEmulateUpd = false;
  bool FValueOut = false;
  QTimer FDataTimer;

  bool FSchemaLoaded = false;
  QString FSchemaError;
  TSettingsModel FModel;
  TSettingsPageValues FPage;
  int FDeviceImages = 0;
  QString FLastDeviceImage;
  TSettingsPageValues::TApplied FLastDeviceApplied;

  QString FOpenFile;
  QString FSaveFile;
  QString FFolder;
};
