#pragma once

#include "device/port_info.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <optional>
#include <utility>

class IOperationsHost;
class TExchangeCore;
class TPollCycle;

// The long jobs a technician runs on the current device: reading its memory or its stored files
// block by block into local files, and loading firmware over the line or onto its loader disk.
// The port's Operation setter starts them here; the device's answers come back through the
// receive path, and the update timer supervises the firmware flows.
class TDeviceOperations : public QObject {
  Q_OBJECT
public:
  // A reading asks for the current block again after this long without progress (noticed when
  // some packet arrives), and gives up after the longer time: when a packet arrives that late, or
  // when the device falls silent altogether.
  static constexpr qint64 kReRequestMs = 3000;
  static constexpr qint64 kGiveUpMs = 15000;
  // The device must ask for firmware this soon after entering reception, and keep asking.
  static constexpr int kFirstRequestMs = 10000;
  static constexpr int kTransferWatchdogMs = 30000;
  // How long the last message of a flow stays before the cleanup tick.
  static constexpr int kLastMessageMs = 5000;
  static constexpr int kDiskFirstLookMs = 5000;
  static constexpr int kDiskLookMs = 1000;
  static constexpr int kDiskLooks = 20;
  // Emulated device: its pause before a chunk request and before the final frame, and the
  // chunk it asks for.
  static constexpr int kEmulatedFirstRequestMs = 500;
  static constexpr int kEmulatedRequestMs = 300;
  static constexpr int kEmulatedDoneMs = 500;
  static constexpr int kEmulatedChunk = 4096;

  TDeviceOperations(TExchangeCore& aCore, TPollCycle& aPoll, IOperationsHost& aHost,
                    QObject* aParent = nullptr);
  ~TDeviceOperations() override;

  // The work of a port's Operation setter: false when the operation was refused or its dialog
  // cancelled (the port then keeps its operation).
  bool Start(TPortInfo* aPort, quint8 aValue);

  // Block readers: one generation-1 packet while a memory (2, 3) or file (7) reading runs.
  void QOperationData2(int aIndex);
  void QOperationData7(int aIndex);

  // The value of a "UPD" record: restarts the transfer watchdog and answers the device's frame.
  void FirmwareTransferFrame(const QString& aValue);

  // The copy to the loader disk reports back here.
  void CopyProgress(qint64 aDone, qint64 aTotal);
  void CopyFinished(bool aSuccess);

  const QByteArray& Firmware() const { return FFirmware; }
  QString FirmwareVerMajor() const { return FFirmwareVerMajor; }
  QString FirmwareVerMinor() const { return FFirmwareVerMinor; }
  QString UpdateFilePath() const { return FUpdateFilePath; }
  QString UpdateDiskLabel() const { return FUpdateDiskLabel; }
  bool HasBlockBuffer() const { return FBlockBuffer.has_value(); }
  bool Reading() const { return !FReadingPort.isNull(); }
  // How long a reading waits for its block before it gives up (kGiveUpMs unless a test shortens it).
  void SetGiveUpMs(int aMs) { FGiveUpMs = aMs; }

  // Major and minor from a firmware file's name ("abc-3.14.dfw": 3 and 14); "255" both when the
  // name carries no version.
  static std::pair<QString, QString> VersionFromFileName(const QString& aFileName);
  // The volume label of the device type's loader disk.
  static QString LoaderDiskLabel(const QString& aDeviceType);
  // IMEI, device name, date and time, ".dump"; characters a file name cannot hold become "-".
  static QString DumpFileName(const QString& aImei, const QString& aDeviceName, const QDateTime& aAt);

private:
  bool StartReading(TPortInfo* aPort, quint8 aValue);
  bool StartFirmware(TPortInfo* aPort, quint8 aValue);
  // No port or a write-locked one: hint and true.
  bool Refused(TPortInfo* aPort);
  void ReadBlock(int aIndex, bool aFiles);
  void RequestBlock(TPortInfo* aPort, qint64 aNumber);
  void FinishMemory(TPortInfo* aPort);
  void FinishFiles(TPortInfo* aPort);
  // "Error saving file." followed by why.
  QString SaveError(const QString& aReason) const;
  QString FirmwareMessage(qint64 aSize, const TPortInfo* aPort) const;
  void FirmwareOverLineTick();
  void LoaderDiskTick();
  void Cleanup();
  void EndProgress();
  // The reading no longer waits for blocks: its watchdog stops and ending its operation is no
  // longer an interruption.
  void EndReading();
  void ReadingInterrupted();
  void ReadingTimedOut();
  // The emulated device's next request, injected into the receive path after aDelayMs.
  void EmulateRequest(int aDelayMs, quint8 aCode, const QByteArray& aPayload);

  void Hint(int aKind, const QString& aText);
  QString Text(const char* aKey) const;
  qint64 Now() const;

  TExchangeCore& FCore;
  TPollCycle& FPoll;
  IOperationsHost& FHost;
  QByteArray FFirmware;
  QString FFirmwareVerMajor;
  QString FFirmwareVerMinor;
  QString FUpdateFilePath;
  QString FUpdateDiskLabel;
  // Created at the first good block, saved and released at the end of a reading.
  std::optional<QByteArray> FBlockBuffer;
  // The port whose reading runs, and the watchdog re-armed at every block request: a device that
  // falls silent sends no packet that would let the reading notice.
  QPointer<TPortInfo> FReadingPort;
  QTimer FReadingWatchdog;
  int FGiveUpMs = int(kGiveUpMs);
  bool FCopying = false;
  qint64 FCopySize = 0;
};
