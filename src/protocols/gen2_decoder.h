#pragma once

#include "protocols/quiet_host.h"

#include <QString>
#include <QVariant>
#include <QtGlobal>

class IDecodeObserver;
class IExchangeHost;
class IStatusHost;
class TExchangeCore;
class TMemoryStreamEx;

// The decoder of generation-2 records (55 AA, type, body length, body, two trailing bytes): puts
// position, time, modem, power and input/output states on the monitor. It only listens.
//
// Values the monitor layout has no line for (signal level, country, operator, SMS counts, the
// input and output bits) become lines made on the fly, as generation-1 pins do.
class TGen2Decoder {
public:
  static constexpr quint32 kPosition = 0x00010010;
  static constexpr quint32 kTime = 0x00020001;
  static constexpr quint32 kModem = 0x00020002;
  static constexpr quint32 kPower = 0x00030001;
  static constexpr quint32 kInputsOutputs = 0x00200009;

  TGen2Decoder(TExchangeCore& aCore, IStatusHost& aStatusHost);
  TGen2Decoder(const TGen2Decoder&) = delete;
  TGen2Decoder& operator=(const TGen2Decoder&) = delete;

  // Makes this the generation-2 decoder of the core; the decoder must outlive the installation.
  void Install();

  // Decodes entry aIndex of the generation-2 index when its State is 1: State 2 for a known record
  // type whose body holds all its fields, 1 otherwise.
  void OnPacketEventV2(int aIndex);
  // Told where each value comes from and why a record is left undecoded; none by default.
  void SetObserver(IDecodeObserver* aObserver) { FObserver = aObserver; }

  // The registration state text of a modem record, empty for a code that has none.
  static QString ModemStateText(quint8 aState);
  // A floating value of the line as the shortest decimal that reads back as the same float.
  static double ShortestDouble(float aValue);
  // Rounded to the nearest integer, halves to even; nothing for NaN, infinities and values beyond
  // the 32-bit range.
  static bool RoundHalfEven(double aValue, qint64* aResult);

private:
  // While the generation is being detected, decoding changes nothing: the records that decide
  // are decoded again for real once it is known.
  bool Quiet() const;
  IExchangeHost& Host() const;
  IStatusHost& StatusHost() const;
  // aAt and aSize: the bytes the value comes from, from the first byte of the record.
  void Set(const QString& aIdent, const QVariant& aValue, qint64 aAt, qint64 aSize);
  void SetLine(const QString& aSection, const QString& aIdent, const QVariant& aValue, qint64 aAt,
               qint64 aSize);
  bool DecodePosition(const TMemoryStreamEx& aLog, qint64 p);
  bool DecodeTime(const TMemoryStreamEx& aLog, qint64 p);
  bool DecodeModem(const TMemoryStreamEx& aLog, qint64 p);
  bool DecodePower(const TMemoryStreamEx& aLog, qint64 p);
  bool DecodeInputsOutputs(const TMemoryStreamEx& aLog, qint64 p);

  TExchangeCore& FCore;
  IStatusHost& FStatusHost;
  mutable TQuietHost FQuiet;
  IDecodeObserver* FObserver = nullptr;
};
