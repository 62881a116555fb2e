#pragma once

// A window stand-in for the device operations that answers the dialogs as told, records the
// progress display and the loader disk, and runs scheduled calls only when the test says so;
// and a rig with a generation-1 core, a selected port on a fake driver and the operations.

#include "core/core_fixture.h"
#include "device/block_reading.h"
#include "device/device_operations.h"
#include "device/operations_host.h"
#include "device/poll_cycle.h"
#include "protocols/status_decoder.h"
#include "protocols/status_host.h"
#include "updates/crypto/checksums.h"

#include <QTemporaryDir>
#include <functional>
#include <utility>

class TOperationsRecorder : public TRecorderHost, public IOperationsHost, public IStatusHost {
public:
  TDeviceOperations* Operations = nullptr;
  // What the dialogs answer; empty cancels.
  QString OpenAnswer;
  QString SaveAnswer;
  QString FolderAnswer;
  QStringList Dialogs;
  QString ProgressText;
  qint64 Position = 0;
  qint64 Count = 0;
  bool Admin = false;
  bool Emulate = false;
  QString Volume;
  QStringList VolumeLookups;
  QStringList Copies;
  QList<std::pair<int, std::function<void()>>> Scheduled;

  bool StartOperation(TPortInfo* aPort, quint8 aValue) override {
    return !Operations || Operations->Start(aPort, aValue);
  }
  void QOperationData2(int aIndex) override { Operations->QOperationData2(aIndex); }
  void QOperationData7(int aIndex) override { Operations->QOperationData7(aIndex); }
  void FirmwareTransferFrame(const QString& aValue) override { Operations->FirmwareTransferFrame(aValue); }
  // The status decoder's other hooks: these tests feed no record that reaches them.
  quint8 UpdateOperation() const override { return 0; }
  void SetUpdateStage(quint8) override {}
  quint8 UpdateStage() const override { return 0; }
  bool SetValueOut(bool) override { return true; }
  TColorRef LinkColor() const override { return 0xFF9900; }
  void SetDynamicItem(const TDynamicItem&) override {}
  void AddOrUpdateBLEDevice(const QString&, const QString&, const QString&) override {}
  void AddOrUpdateWiFi(const QString&, const QString&, const QString&) override {}
  void AddOrUpdateLBS(const QString&, const QString&, const QString&, const QString&,
                      const QString&) override {}
  void ApplySettingsImage(const QString&) override {}

  QString OperationOpenFile(const QString& aFilter) override {
    Dialogs << QStringLiteral("open ") + aFilter;
    return OpenAnswer;
  }
  QString OperationSaveFile(const QString& aProposed, const QString& aSuffix,
                            const QString& aFilter) override {
    Dialogs << QStringLiteral("save %1 %2 %3").arg(aProposed, aSuffix, aFilter);
    return SaveAnswer;
  }
  QString OperationFolder(const QString& aTitle) override {
    Dialogs << QStringLiteral("folder ") + aTitle;
    return FolderAnswer;
  }
  void SetProgressText(const QString& aText) override { ProgressText = aText; }
  void SetLanguageIndicator(qint64 aPosition, qint64 aCount) override {
    Position = aPosition;
    Count = aCount;
  }
  bool AdminMode() const override { return Admin; }
  bool EmulateUpd() const override { return Emulate; }
  QString FindVolumeByLabel(const QString& aLabel) override {
    VolumeLookups << aLabel;
    return Volume;
  }
  void StartCopyFileTo(const QString& aFileName, const QString& aDrive) override {
    Copies << aFileName + QStringLiteral(" -> ") + aDrive;
  }
  void ScheduleLater(int aDelayMs, std::function<void()> aCall) override {
    Scheduled.append({aDelayMs, std::move(aCall)});
  }
  // Runs the oldest scheduled call; its delay, or -1 when none was waiting.
  int RunScheduled() {
    if (Scheduled.isEmpty())
      return -1;
    auto [delay, call] = Scheduled.takeFirst();
    call();
    return delay;
  }
  bool HasHint(int aKind, const QString& aText) const { return Hints.contains({aKind, aText}); }
  bool HasHintStarting(int aKind, const QString& aText) const {
    for (const auto& hint : Hints)
      if (hint.first == aKind && hint.second.startsWith(aText))
        return true;
    return false;
  }
};

struct TOperationsRig {
  TOperationsRecorder Host;
  TManualClock Clock;
  TExchangeCore Core{Host, Clock};
  TFakeDriver Driver;
  TPollCycle Poll{Core};
  TDeviceOperations Operations{Core, Poll, Host};
  TStatusDecoderV1 Decoder{Core, Host};
  std::unique_ptr<TPortInfo> Port;
  QTemporaryDir Dir;

  TOperationsRig() {
    Host.Operations = &Operations;
    Core.SetVersion(vtVersion1);
    Decoder.Install();
    Port = std::make_unique<TPortInfo>(Core);
    Driver.Connect();
    Port->SetCom(&Driver);
    Host.Port = Port.get();
    // The password the device has is the one typed: not write-locked.
    Port->SetDevicePassword(Port->UserPassword());
    Port->SetDeviceIMEI(QStringLiteral("359254060123456"));
    Port->SetDeviceName(QStringLiteral("12345"));
    Port->SetDeviceVer(QStringLiteral("216"));
    Host.Calls.clear();
  }

  // Receives the bytes and returns the state of the first packet they made.
  int Receive(const QByteArray& aBytes) {
    const std::size_t at = Core.Gen1Index().size();
    Core.QReceiveData(nullptr, aBytes.constData(), int(aBytes.size()));
    return at < Core.Gen1Index().size() ? Core.Gen1Index()[at].State : -1;
  }
  QByteArray LastSent() const { return Driver.Written.isEmpty() ? QByteArray() : Driver.Written.back(); }
  QString Path(const QString& aName) const { return Dir.filePath(aName); }
};

// Block n of a test storage: 256 bytes that differ per block.
inline QByteArray TestBlock(qint64 aNumber) {
  QByteArray data(BlockReading::kBlockSize, '\0');
  for (int i = 0; i < data.size(); ++i)
    data[i] = char((aNumber * 31 + i * 7) & 0xFF);
  return data;
}

// The device's answer to a block request, with its CRC as it should be unless told otherwise.
inline QByteArray BlockAnswer(qint64 aNumber, const QByteArray& aData, bool aSwapCrc = false) {
  const quint16 crc = Crc16(aData.constData(), aData.size());
  QByteArray payload = aData;
  payload.append(char(aSwapCrc ? crc & 0xFF : crc >> 8));
  payload.append(char(aSwapCrc ? crc >> 8 : crc & 0xFF));
  return ">FD=" + QByteArray::number(aNumber) + ",\"" + Base64Encode(payload).toLatin1() + "\"\r\n";
}
