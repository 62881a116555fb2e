#pragma once

#include "base/color_ref.h"
#include "protocols/quiet_host.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QVarLengthArray>
#include <QVariant>
#include <array>
#include <optional>
#include <stdexcept>

class IDecodeObserver;
class IExchangeHost;
class IStatusHost;
class TExchangeCore;
class TPortInfo;

// A field that a record promises as a number is not one (or does not fit).
class TStatusValueError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// One generation-1 status record: "KEY=F0;F1;...". Fields are split only at ";"; a field that
// opens with a double quote runs to its closing quote (a doubled quote inside stands for one),
// and a ";" at the very end gives a last, empty field.
class TStatusRecord {
public:
  // aText is the record as received, one character per byte, with or without its leading ">".
  // False when there is no "=" (no record at all).
  bool Parse(const QString& aText);

  const QString& Key() const { return FKey; }
  // Everything after "=", without the line end.
  const QString& Value() const { return FValue; }
  int Count() const { return int(FFields.size()); }
  // A field that does not exist is empty.
  const QString& F(int aIndex) const;

private:
  QString FKey;
  QString FValue;
  QVarLengthArray<QString, 8> FFields;
};

// Text helpers shared by the record handlers; pure functions.
namespace StatusText {
// Every character is "0" to "9" (an empty text passes).
bool DigitsOnly(QStringView aText);
// The text as a decimal integer, 0 when it is not one.
qint64 AsInteger(QStringView aText);
// The text as a decimal integer; throws TStatusValueError when it is not one.
qint64 ToNumber(QStringView aText);
// At least aDigits digits, zero-padded after the sign.
QString PadInt(qint64 aValue, int aDigits);
// Fixed decimals with the default locale's decimal separator and no group separators.
QString LocaleFixed(double aValue, int aDecimals);
// [DD ]HH:MM:SS; the day part only from one day on.
QString DurationText(qint64 aSeconds);
// aWidth characters, "|" for the first aLevel positions and "." for the rest.
QString Gauge(qint64 aLevel, int aWidth);
// The device clock (seconds since 1970 UTC) as the locale's short date and long time, in UTC.
QString DeviceClockText(qint64 aSeconds);
// Share of a ring buffer already sent to a server (w write pointer, s send pointer, c size), as
// "0.00 %"; nothing when the size is 0.
std::optional<QString> SentShare(qint64 aWrite, qint64 aSend, qint64 aSize);
// Share of the stored files already sent; nothing when a divisor it needs is 0.
std::optional<QString> FileShare(qint64 aWrite, qint64 aSend, qint64 aSize);
} // namespace StatusText

// The decoder of generation-1 status records: turns each record the framer closes into monitor
// values, port identity and counters, scan list entries, hints and factory steps.
//
// Its own state (server addresses, the low-voltage flag, the identity refresh counters) is
// program-wide: it lives as long as the decoder, across ports and detections.
class TStatusDecoderV1 {
public:
  TStatusDecoderV1(TExchangeCore& aCore, IStatusHost& aStatusHost);
  ~TStatusDecoderV1();
  TStatusDecoderV1(const TStatusDecoderV1&) = delete;
  TStatusDecoderV1& operator=(const TStatusDecoderV1&) = delete;

  // Makes this the generation-1 decoder of the core; the decoder must outlive the installation.
  void Install();

  // Decodes entry aIndex of the generation-1 index when its State is 1: State 2 for a known key,
  // 1 for an unknown one, for "UPD" and after any error in the handler.
  void OnPacketEventV1(int aIndex);
  // Told why a record's handler gave up; none by default.
  void SetObserver(IDecodeObserver* aObserver) { FObserver = aObserver; }
  // Hands over now the scan reports queued so far, rather than from the event loop (a describer
  // that owns this decoder reads them before it lets go of it). Only this decoder's reports move.
  void DeliverQueued();
  // The key has a handler ("UPD" included, though it leaves its record unrecognised).
  static bool Handles(const QString& aKey);
  // Pin records: I or O, the pin type, then the pin number ("IA3", "O12").
  static bool IsPinKey(const QString& aKey);

  // "WEB" for 0 at start, "-" for a server that is not configured.
  const QString& ServerAddress(int aServer) const { return FServerAddress.at(std::size_t(aServer)); }
  bool LowVoltage() const { return FLowVoltage; }
  int TimeRecordCounter() const { return FTimeRecordCounter; }
  qint64 UptimeThreshold() const { return FUptimeThreshold; }

private:
  using THandler = void (TStatusDecoderV1::*)(const TStatusRecord&, int);
  struct TEntry {
    THandler Handler = nullptr;
    int Arg = 0;
    // "UPD" is handled but leaves its packet unrecognised.
    bool Recognises = true;
  };
  using TTable = QHash<QString, TEntry>;

  static const TTable& Table();
  static void AddIdentityKeys(TTable& aTable);
  static void AddStatusKeys(TTable& aTable);
  static void AddStorageKeys(TTable& aTable);
  static void AddCanKeys(TTable& aTable);
  static void AddSensorKeys(TTable& aTable);

  // While the generation is being detected, decoding changes nothing (see Quiet()).
  bool Quiet() const;
  IExchangeHost& Host() const;
  IStatusHost& StatusHost() const;
  TPortInfo* Port() const;
  // The port's device type, empty without a port.
  QString DeviceType() const;
  QString Text(const QString& aKey) const;
  void Set(const QString& aIdent, const QVariant& aValue, TColorRef aColor = clValuePlaceholder,
           int aAction = 1, const QString& aAlter = QString());
  void Clear(const QString& aIdent);
  // Runs aCall from the event loop, after the record that asked for it.
  template <typename F> void Queue(F&& aCall);

  // Position and identity.
  void OnGK(const TStatusRecord& r, int);
  void OnGS(const TStatusRecord& r, int);
  void OnDN(const TStatusRecord& r, int);
  void OnDI(const TStatusRecord& r, int aFull);
  void OnVersionText(const TStatusRecord& r, int aHardware);
  void OnUSR(const TStatusRecord& r, int);
  void OnMN(const TStatusRecord& r, int);
  void OnSID(const TStatusRecord& r, int aSim);
  void OnBTM(const TStatusRecord& r, int);
  void OnWiFiIdentity(const TStatusRecord& r, int aAccessPoint);
  // aAfterSim: the step after "SID0", else the one after "BTM".
  void FactoryStep(bool aAfterSim);

  // Status words, time, power and modem.
  void OnDS(const TStatusRecord& r, int);
  void OnDS2(const TStatusRecord& r, int);
  void OnMS(const TStatusRecord& r, int);
  void OnDF(const TStatusRecord& r, int);
  void OnWS(const TStatusRecord& r, int);
  void OnTW(const TStatusRecord& r, int);
  void OnSYS(const TStatusRecord& r, int);
  void OnTM(const TStatusRecord& r, int);
  void OnTMP(const TStatusRecord& r, int);
  void OnACC(const TStatusRecord& r, int);
  void OnPB(const TStatusRecord& r, int);
  void OnML(const TStatusRecord& r, int);
  void OnMO(const TStatusRecord& r, int);
  void OnSMS(const TStatusRecord& r, int);
  void OnAPN(const TStatusRecord& r, int);
  void OnIG(const TStatusRecord& r, int);

  // Servers and stored data.
  void OnMD(const TStatusRecord& r, int aServer);
  void OnRW(const TStatusRecord& r, int);
  void OnRWn(const TStatusRecord& r, int aServer);
  void OnFSn(const TStatusRecord& r, int aServer);
  void OnWholeValue(const TStatusRecord& r, int aWhich);

  // Vehicle bus.
  void OnCanSingle(const TStatusRecord& r, int aRow);
  void OnCanFlags(const TStatusRecord& r, int aSecurity);
  void OnCBS(const TStatusRecord& r, int);
  void OnCBR(const TStatusRecord& r, int);
  void OnCAN(const TStatusRecord& r, int);
  void OnVELODAT(const TStatusRecord& r, int);

  // Inputs, outputs, sensors, scans, tests and answers.
  void OnPin(const TStatusRecord& r);
  void OnMBR(const TStatusRecord& r, int);
  void OnLLS(const TStatusRecord& r, int);
  void OnZRE(const TStatusRecord& r, int aPercent);
  void OnOWT(const TStatusRecord& r, int);
  void OnZRM(const TStatusRecord& r, int);
  void OnSwitch(const TStatusRecord& r, int aUpc);
  void OnOWK(const TStatusRecord& r, int);
  void OnADK(const TStatusRecord& r, int);
  void OnBLE(const TStatusRecord& r, int);
  void OnBLESCAN(const TStatusRecord& r, int);
  void OnWIFISCAN(const TStatusRecord& r, int);
  void OnLBSSCAN(const TStatusRecord& r, int);
  void OnTEST(const TStatusRecord& r, int);
  void OnSR(const TStatusRecord& r, int);
  void OnSF(const TStatusRecord& r, int);
  void OnUP(const TStatusRecord& r, int);
  void OnUPD(const TStatusRecord& r, int);
  void SetSensorItem(const QString& aSection, const QString& aIdent, const QString& aCaption,
                     const QString& aValue);

  TExchangeCore& FCore;
  IStatusHost& FStatusHost;
  mutable TQuietHost FQuiet;
  // Context of the queued scan reports: they die with the decoder.
  QObject FQueue;

  std::array<QString, 5> FServerAddress;
  bool FLowVoltage = true;
  int FTimeRecordCounter = 20;
  qint64 FUptimeThreshold = 10;
  IDecodeObserver* FObserver = nullptr;
};
