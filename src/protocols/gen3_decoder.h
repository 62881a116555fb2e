#pragma once

#include "protocols/quiet_host.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class IDecodeObserver;
class IFuelHost;
class TExchangeCore;

// The fuel-sensor master's request frames: 31 10, the command, its parameters, and the CRC-8 of
// everything before it.
namespace Gen3 {
constexpr quint8 kMasterInfo = 0xB0;
constexpr quint8 kSlotList = 0xB1;
constexpr quint8 kWriteSlot = 0xB2;
constexpr quint8 kSensorData = 0xB4;
constexpr quint8 kWriteSensor = 0xB5;
constexpr quint8 kRestart = 0xB7;
constexpr quint8 kSearch = 0xB8;
constexpr int kSlots = 3;

QByteArray Request(quint8 aCommand, const QByteArray& aParameters = QByteArray());
// True for bytes that are a request frame of this protocol (they begin 31 10).
bool IsRequest(QByteArrayView aBytes);
// The dictionary key of a write or restart status code; empty for a code that shows nothing.
// aPositive tells the hint's kind.
QString StatusKey(quint8 aCode, bool* aPositive);
// The name a search gives a sensor type ("type #" and the number for one it does not know).
QString SensorTypeName(quint8 aType);
} // namespace Gen3

// The decoder of the master's answers. Values go to the settings page of device type 250 through
// VisualSetValue; search results through IFuelHost; write and restart statuses become hints.
// After the slot list it asks for the data of the sensor in each slot, one request per answer.
class TGen3Decoder {
public:
  TGen3Decoder(TExchangeCore& aCore, IFuelHost& aFuelHost);
  TGen3Decoder(const TGen3Decoder&) = delete;
  TGen3Decoder& operator=(const TGen3Decoder&) = delete;

  // Makes this the generation-3 decoder of the core; the decoder must outlive the installation.
  void Install();

  // Decodes entry aIndex of the generation-3 index when its State is 1: State 2 for an answer it
  // handles, 1 for any other command (and for sensor data that no request of ours asked for).
  void OnPacketEventV3(int aIndex);
  // Told where each value comes from and why an answer is left undecoded; none by default.
  void SetObserver(IDecodeObserver* aObserver) { FObserver = aObserver; }

private:
  // While the generation is being detected, decoding changes nothing and sends nothing: the
  // answers that decide are decoded again for real once it is known.
  bool Quiet() const;
  IExchangeHost& Host() const;
  // aAt and aSize: the bytes the value comes from, from the first byte of the answer.
  void Set(const QString& aIdent, const QVariant& aValue, qint64 aAt, qint64 aSize);
  void MasterInfo(qint64 p);
  void SlotList(qint64 p);
  bool SensorData(int aIndex, qint64 p);
  void Status(qint64 p);
  void Search(qint64 p, qint64 aSize);

  TExchangeCore& FCore;
  IFuelHost& FFuelHost;
  mutable TQuietHost FQuiet;
  IDecodeObserver* FObserver = nullptr;
};
