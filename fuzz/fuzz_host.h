#pragma once

// What every fuzz target shares: a window stand-in that answers every hook the decoders call, a
// core with a selected port on a driver that writes nowhere, and the input helpers.

#include "base/clock.h"
#include "core/comm_port_driver.h"
#include "core/exchange_core.h"
#include "core/exchange_host.h"
#include "device/port_info.h"
#include "protocols/fuel_host.h"
#include "protocols/gen2_decoder.h"
#include "protocols/gen3_decoder.h"
#include "protocols/scan_lists.h"
#include "protocols/status_decoder.h"
#include "protocols/status_host.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <cstddef>
#include <cstdint>
#include <memory>

// Creates the application object once per process (queued calls need its event loop). With
// aWidgets a QApplication on the offscreen platform: widgets are made, no window is shown.
void FuzzInitApplication(bool aWidgets = false);
// Runs what the decoders queued to the event loop, as the window would after each read.
void FuzzProcessEvents();
// The input as the bytes it is; libFuzzer keeps it alive for the call.
inline QByteArray FuzzBytes(const uint8_t* aData, std::size_t aSize) {
  return QByteArray::fromRawData(reinterpret_cast<const char*>(aData), qsizetype(aSize));
}
// Writes the input to a file of the process's own and returns its path (the readers under test
// take file names).
QString FuzzWriteFile(const QByteArray& aBytes, const QString& aSuffix);

// Answers every hook. Values are checked the way the window would take them (the scan reports go
// into real scan lists, settings images and firmware frames into their real decoders), so a
// decoder's output is exercised too, not only its parsing.
class TFuzzHost : public IExchangeHost, public IStatusHost, public IFuelHost {
public:
  TPortInfo* Port = nullptr;
  quint8 Operation = 0;
  quint8 Stage = 0;
  TBLEDeviceList BLE;
  TWiFiList WiFi;
  TLBSList LBS;
  qint64 Touched = 0;

  // IExchangeHost
  TPortInfo* Q() override { return Port; }
  bool VisualSetValue(const QString& aName, const QVariant& aValue, int aAction, const QString& aValueAlter,
                      TColorRef aColor) override;
  QString Translate(const QString& aKey) override { return aKey; }
  void MainHintShow(int aKind, const QString& aText) override { Touched += aKind + aText.size(); }
  void PostLogChange() override { ++Touched; }
  void StartCheckNameTimer(QObject*) override { ++Touched; }
  void QOperationData2(int aIndex) override { Touched += aIndex; }
  void QOperationData7(int aIndex) override { Touched += aIndex; }
  void ClearVisualValues() override { ++Touched; }
  void LogViewClear() override { ++Touched; }
  void LogViewSetHex(bool) override { ++Touched; }
  void LogViewSetRowCount(int aRows) override { Touched += aRows; }
  void SetFollow(bool) override { ++Touched; }
  void OpenSettingsPage() override { ++Touched; }
  void ControlsLoadSettings(const QString& aDeviceType) override { Touched += aDeviceType.size(); }
  void CommandsUpdate() override { ++Touched; }
  void CommandsExec(const QString& aCommand) override { Touched += aCommand.size(); }
  void RefreshCaption() override { ++Touched; }
  void SetSettingsVersionLabel(const QString& aText) override { Touched += aText.size(); }
  void PasswordEditChange() override { ++Touched; }
  void UpdateTypeInfo() override { ++Touched; }
  void ShowSettingsLocked(bool) override { ++Touched; }
  // Operations are refused: their own target drives their parsers, and a refused start is a
  // path the window takes too.
  bool StartOperation(TPortInfo*, quint8) override { return false; }
  bool InternetConnected() override { return false; }
  void StartDeviceInfoRequest(TPortInfo*, const QString& aPathAndQuery) override {
    Touched += aPathAndQuery.size();
  }

  // IStatusHost
  quint8 UpdateOperation() const override { return Operation; }
  // Kept, so the stage guards of the decoders see what they set.
  void SetUpdateStage(quint8 aStage) override { Stage = aStage; }
  quint8 UpdateStage() const override { return Stage; }
  bool SetValueOut(bool aValue) override { return aValue; }
  TColorRef LinkColor() const override { return 0xFF9900; }
  void SetDynamicItem(const TDynamicItem& aItem) override;
  void AddOrUpdateBLEDevice(const QString& aMAC, const QString& aRSSI, const QString& aDataBase64) override;
  void AddOrUpdateWiFi(const QString& aMAC, const QString& aRSSI, const QString& aSSID) override;
  void AddOrUpdateLBS(const QString& aMCC, const QString& aMNC, const QString& aRSSI, const QString& aCID,
                      const QString& aLAC) override;
  void ApplySettingsImage(const QString& aBase64) override;
  void FirmwareTransferFrame(const QString& aValue) override;

  // IFuelHost
  std::optional<TFuelField> FuelField(const QString& aIdent) override;
  bool ClearSensorResults() override { return true; }
  void AddSensorResult(const QString& aIdent, const QString& aCaption, const QString& aValue) override {
    Touched += aIdent.size() + aCaption.size() + aValue.size();
  }
};

class TFuzzDriver : public TCommPortDriver {
public:
  qint64 Written = 0;
  bool Connect() override { return true; }
  void Disconnect() override {}
  bool Connected() const override { return true; }
  bool SendData(const char*, int aDataSize) override {
    Written += aDataSize;
    return true;
  }
};

// A core with a selected port and the decoders of all three generations installed, as the
// window has them.
struct TFuzzRig {
  TFuzzHost Host;
  TManualClock Clock;
  TExchangeCore Core{Host, Clock};
  TFuzzDriver Driver;
  std::unique_ptr<TPortInfo> Port;
  TStatusDecoderV1 Gen1{Core, Host};
  TGen2Decoder Gen2{Core, Host};
  TGen3Decoder Gen3{Core, Host};

  explicit TFuzzRig(TVersionType aVersion, bool aWithPort = true);
  ~TFuzzRig();
  void Receive(const QByteArray& aBytes);
};

// Splits a byte stream into chunks as a serial port would hand them over: sizes and the sends
// between chunks come from a generator seeded by the input, so one input always splits alike.
class TChunker {
public:
  explicit TChunker(quint8 aSeed) : FState(0x9E3779B9u ^ (quint32(aSeed) * 0x01000193u)) {}
  // 1 to aMax bytes, small sizes far more often than large ones.
  int NextSize(int aMax);
  // A number from 0 to aBound - 1.
  quint32 Next(quint32 aBound);

private:
  quint32 FState;
};
