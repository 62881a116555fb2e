#pragma once

#include "scan_streams.h"
#include "settings_store.h"
#include "sim_device.h"
#include "storage_sim.h"
#include "upd_device_sim.h"
#include "vehicle_model.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <utility>

class TClock;

struct TTrackerOptions {
  int Type = 303;
  quint64 Id = 12345; // 0: a fresh device that has not been given its ID yet
  QByteArray Imei;    // 15 digits; empty: derived from the ID
  QByteArray Password = "111111";
  // Spoils every settings image sent, for tests of the receiving side.
  TCorruptImage Corrupt = ciNone;
  // Whether the BLE, Wi-Fi and cell scan commands are served.
  TScanMode Scan = smScripted;
  // Settings held in place of the factory ones: value bytes by number, as they sit in the image.
  QMap<int, QByteArray> Settings = {};
};

// The tracker's storages and how it takes part in the firmware operations.
enum TSelfTestResult { stPass, stFail, stSilent };

struct TTrackerOperationOptions {
  TStorageGeometry Storage;
  QList<TBlockFault> BlockFaults;
  TUpdOptions Upd;
  // Loader-disk mode: on ">D 3;0" this folder appears, as the device's loader disk would.
  QString LoaderDir;
  // How the self-test ends, and how long it takes.
  TSelfTestResult SelfTest = stPass;
  int SelfTestDelayMs = 0;
};

// A generation-1 tracker: answers identity requests, settings reads and writes and memory block
// requests with text records, and streams a status record set at every tick. Requests are lines
// ended by CR, LF or both; anything it does not understand gets no answer, as on the real line.
class TTrackerSim : public TSimDevice {
public:
  static constexpr int kBlockSize = TStorageSim::kBlockSize;

  TTrackerSim(const TTrackerOptions& aOptions, const TClock& aClock,
              const TTrackerOperationOptions& aOperations = {});

  QByteArray Feed(const QByteArray& aBytes) override;
  // One status record set, with the values of the clock's current time.
  QByteArray Stream() override;
  QByteArray Due() override;

protected:
  // The answer to one request line (without its line end); empty when there is none.
  virtual QByteArray Answer(const QByteArray& aLine);
  QByteArray Restart(const QByteArray& aLine);
  QByteArray ReadSettings(const QByteArray& aLine);
  bool ApplySettingsImage(const QByteArray& aImage);
  // Erases the recorded memory: the write pointer starts again from block 0.
  void ClearMemory();
  const QByteArray& Password() const { return FPassword; }

private:
  // 1 or 2: the settings image layout this device type uses.
  int SettingsLayout() const;
  // The settings image as the SF record carries it (before Base64).
  QByteArray SettingsImage() const;
  // A valid IMEI (Luhn check digit included) that is stable for one device ID.
  static QByteArray DefaultImei(quint64 aId);

  QByteArray IdentityRecords(const QByteArray& aLine);
  QByteArray SetClock(const QByteArray& aLine);
  QByteArray WriteSettings(const QByteArray& aLine);
  QByteArray ReadBlock(const QByteArray& aLine);
  QByteArray RunSelfTest(const QByteArray& aLine);
  QByteArray SetSerial(const QByteArray& aLine);
  QByteArray SetFactoryId(const QByteArray& aLine);
  QByteArray StatusAtOnce(const QByteArray& aLine);
  QByteArray EraseMemory(const QByteArray& aLine);
  QByteArray ServiceString(const QByteArray& aLine);
  QByteArray EnterFirmwareReception(const QByteArray& aLine);
  QByteArray FirmwareAnswer(const QByteArray& aLine);

  QByteArray IdentityValue(const QByteArray& aKey) const;
  double ElapsedSeconds() const;
  qint64 UptimeSeconds() const;
  qint64 DeviceTime() const;
  int MemoryWritePointer() const;
  // Blocks recorded since the memory was last erased (or since start), not wrapped.
  qint64 MemoryWritten() const;

  const TClock& FClock;
  TVehicleModel FVehicle;
  int FType;
  quint64 FId;
  QByteArray FImei;
  QByteArray FPassword;
  TCorruptImage FCorrupt;
  qint64 FStartMs;
  qint64 FBootMs;
  qint64 FClockOffset = 0; // seconds the device clock was set away from the true time
  int FTick = 0;
  TSelfTestResult FSelfTest = stPass;
  int FSelfTestDelayMs = 0;
  // Answers that take their time: when they are due and what they are.
  QList<std::pair<qint64, QByteArray>> FLater;
  int FMemoryWriteBase;     // blocks recorded when the memory was last erased or the device started
  bool FMemoryGrows = true; // a fixed recording (set on the command line) does not grow
  double FMemorySince = 0;  // elapsed seconds at that moment
  QByteArray FInput;
  // Setting number -> value bytes exactly as they travel in the image.
  QMap<int, QByteArray> FSettings;
  TStorageSim FStorage;
  TUpdDeviceSim FUpd;
  QString FLoaderDir;
  TScanStreams FScans;
};
