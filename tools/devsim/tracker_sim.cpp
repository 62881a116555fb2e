#include "tracker_sim.h"

#include "base/clock.h"
#include "updates/crypto/checksums.h"

#include <QDir>
#include <QList>
#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace {

constexpr qsizetype kMaxLine = 4096;      // longer input without a line end is noise
constexpr qint64 kUptimeAtStart = 4000;   // the device has been running for a while
constexpr int kMemoryWriteAtStart = 1200; // blocks already recorded
constexpr int kSecondsPerBlock = 15;
constexpr int kSoftMajor = 2;
constexpr int kSoftMinor = 14;
constexpr int kSubVersion = 0;
constexpr const char* kHardVersion = "1.3";
constexpr int kFileHeaderAt = TTrackerSim::kBlockSize; // the first block of the file storage stays erased

// Types whose settings image uses the second layout.
const QList<int> kLayout2Types = {35, 82, 99, 235, 305, 306};

QByteArray Num(qint64 aValue) {
  return QByteArray::number(aValue);
}

QByteArray Fields(std::initializer_list<QByteArray> aFields) {
  return QByteArrayList(aFields).join(';');
}

QByteArray Record(const QByteArray& aKey, const QByteArray& aValue) {
  return '>' + aKey + '=' + aValue + "\r\n";
}

char LuhnDigit(const QByteArray& aDigits) {
  int sum = 0;
  bool twice = true; // the digit next to the check digit is doubled
  for (qsizetype i = aDigits.size() - 1; i >= 0; --i) {
    int d = aDigits.at(i) - '0';
    if (twice) {
      d *= 2;
      if (d > 9)
        d -= 9;
    }
    sum += d;
    twice = !twice;
  }
  return static_cast<char>('0' + (10 - sum % 10) % 10);
}

QByteArray WithLuhn(const QByteArray& aDigits) {
  return aDigits + LuhnDigit(aDigits);
}

QByteArray Padded(quint64 aValue, int aWidth) {
  return QByteArray::number(aValue).rightJustified(aWidth, '0', true);
}

int Wrap(int aPointer, int aSize) {
  return aSize > 0 ? ((aPointer % aSize) + aSize) % aSize : 0;
}

bool IsDigits(const QByteArray& aText) {
  return !aText.isEmpty() &&
         std::all_of(aText.cbegin(), aText.cend(), [](char c) { return c >= '0' && c <= '9'; });
}

// Everything one status record set is computed from.
struct TStatus {
  TVehicleState V;
  qint64 DeviceTime;
  qint64 Uptime;
  double Elapsed;
  int Tick;
  int MemoryWrite;
  int FileWrite;
  const TStorageGeometry* Storage;
};

using TStatusValue = QByteArray (*)(const TStatus&);

struct TStatusRecord {
  const char* Key;
  TStatusValue Value;
};

struct TSelfTest {
  const char* Name;
  const char* Result;
};

// The factory self-test as the device reports it; one result rides along with every status set.
const TSelfTest kSelfTests[] = {
    {"MEM", "OK"}, {"FRAM", "OK"},  {"ACC", "OK"},   {"RTC", "OK"}, {"GNSS", "OK"},
    {"GSM", "OK"}, {"SIM1", "OK"},  {"SIM2", "OK"},  {"BLE", "OK"}, {"CAN", "OK"},
    {"ADC", "OK"}, {"RS485", "OK"}, {"1WIRE", "OK"}, {"BAT", "OK"}, {"WIFI", "OK"},
};

constexpr int Bit(int aBit) {
  return 1 << aBit;
}

// Memory, RTC, modem powered and answering, SIM 1 fitted without PIN, navigation, accelerometer,
// SIM 2 fitted without PIN; SIM 1 in use.
constexpr int kDeviceStatus = Bit(0) | Bit(1) | Bit(2) | Bit(3) | Bit(4) | Bit(5) | Bit(6) | Bit(8) | Bit(9) |
                              Bit(10) | Bit(11) | Bit(16) | Bit(18);

int DeviceStatus2(const TStatus& s) {
  return 3                            // satellites found
         | 4 << 2                     // internet active
         | 1 << 6 | 1 << 9            // both SIMs in the home network, SIM 1 in use
         | 2 << 12 | 2 << 14          // in contact with the web server and server 1
         | 2 << 16                    // and with server 2; server 3 is not used
         | (s.V.Moving ? 1 : 0) << 20 // in motion / parked
         | 1 << 25;                   // Bluetooth on
}

int CanFlags(const TStatus& s) {
  return Bit(7) | Bit(12) | Bit(13) | (s.V.SpeedKmh > 55 ? Bit(1) : 0); // belt, lights, cruise control
}

int CanSecurity(const TStatus& s) {
  return Bit(14) | Bit(16) | Bit(19) | (s.V.Braking ? Bit(13) : 0) | (s.V.Moving ? 0 : Bit(12));
}

// Send pointer (lagging behind the write pointer by aLag blocks), write pointer, size, first block.
QByteArray MemoryPointers(const TStatus& s, int aLag) {
  return Fields({Num(Wrap(s.MemoryWrite - aLag, s.Storage->MemoryBlocks)), Num(s.MemoryWrite),
                 Num(s.Storage->MemoryBlocks), Num(s.Storage->MemoryOffset)});
}

QByteArray FilePointers(const TStatus& s, int aLag) {
  return Fields({Num(qMax(0, s.FileWrite - aLag)), Num(s.FileWrite), Num(s.Storage->FileBlocks),
                 Num(s.Storage->FileOffset)});
}

int LlsLevel(const TStatus& s) {
  return static_cast<int>(s.V.FuelLitres / TVehicleModel::kTankLitres * 4095);
}

// One status record set, in the order the device sends it.
const TStatusRecord kStatusRecords[] = {
    {"TW",
     [](const TStatus& s) {
       return Fields({Num(s.DeviceTime), Num(s.Uptime)});
     }},
    {"GK",
     [](const TStatus& s) {
       return Fields({QByteArray::number(s.V.Latitude, 'f', 6), QByteArray::number(s.V.Longitude, 'f', 6)});
     }},
    {"GS",
     [](const TStatus& s) {
       return Fields({Num(s.V.Satellites), Num(std::lround(s.V.SpeedKmh)), Num(std::lround(s.V.AltitudeM)),
                      Num(s.V.Hdop10), Num(std::lround(s.V.AzimuthDeg) % 360), "1"});
     }},
    {"TM",
     [](const TStatus& s) {
       return Fields({s.V.Moving ? "0" : "3", Num(s.V.RestSeconds)});
     }},
    {"PB",
     [](const TStatus& s) {
       return Fields({Num(s.V.SupplyMv), Num(s.V.BatteryMv)});
     }},
    {"DS", [](const TStatus&) { return Num(kDeviceStatus); }},
    {"DS2", [](const TStatus& s) { return Num(DeviceStatus2(s)); }},
    {"MS", [](const TStatus&) { return QByteArray("6"); }},
    {"ML",
     [](const TStatus& s) {
       return Fields({Num(s.V.Signal), "250", "01"});
     }},
    {"SMS", [](const TStatus&) { return QByteArray("3;3;1"); }},
    {"MD0", [](const TStatus&) { return QByteArray("web.example.net;8089;1"); }},
    {"MD1", [](const TStatus&) { return QByteArray("gw1.example.net;20144;TCP"); }},
    {"MD2", [](const TStatus&) { return QByteArray("gw2.example.org;20332;TCP"); }},
    {"MD3", [](const TStatus&) { return QByteArray(";0;0"); }},
    {"MD4", [](const TStatus&) { return QByteArray(";0;0"); }},
    // Server 1 keeps up within a block or two, server 2 lags further; 3 and 4 are not configured.
    {"RW1", [](const TStatus& s) { return MemoryPointers(s, static_cast<int>(s.Elapsed / 5) % 3); }},
    {"RW2", [](const TStatus& s) { return MemoryPointers(s, 4 + static_cast<int>(s.Elapsed / 7) % 5); }},
    {"RW3", [](const TStatus& s) { return MemoryPointers(s, 0); }},
    {"RW4", [](const TStatus& s) { return MemoryPointers(s, 0); }},
    {"FS1", [](const TStatus& s) { return FilePointers(s, 0); }},
    {"FS2", [](const TStatus& s) { return FilePointers(s, 1); }},
    {"FS3", [](const TStatus& s) { return FilePointers(s, 0); }},
    {"FS4", [](const TStatus& s) { return FilePointers(s, 0); }},
    // Vehicle bus: engine hours and mileage in hundredths, fuel in tenths.
    {"CA", [](const TStatus& s) { return Num(184325 + static_cast<qint64>(s.Elapsed / 36)); }},
    {"CC", [](const TStatus& s) { return Num(15234567 + static_cast<qint64>(s.V.DistanceKm * 100)); }},
    {"CE", [](const TStatus& s) { return Num(123456 + static_cast<qint64>(s.V.FuelUsedLitres * 10)); }},
    {"CG",
     [](const TStatus& s) {
       return Num(static_cast<qint64>(s.V.FuelLitres / TVehicleModel::kTankLitres * 1000));
     }},
    {"CQ", [](const TStatus& s) { return Num(std::lround(s.V.FuelRateLph * 10)); }},
    {"CH", [](const TStatus& s) { return Num(s.V.EngineRpm); }},
    {"CI", [](const TStatus& s) { return Num(s.V.EngineTempC); }},
    {"CJ", [](const TStatus& s) { return Num(std::lround(s.V.SpeedKmh)); }},
    {"CK", [](const TStatus& s) { return Num(1350 + (s.V.Braking && s.V.Moving ? 120 : 0)); }},
    {"CU", [](const TStatus&) { return QByteArray("62"); }},
    {"CV", [](const TStatus&) { return QByteArray("112"); }},
    {"CXA", [](const TStatus& s) { return Num(s.V.PedalPct); }},
    {"CXB", [](const TStatus& s) { return Num(s.V.EngineLoadPct); }},
    {"CP", [](const TStatus& s) { return Num(CanFlags(s)); }},
    {"CS", [](const TStatus& s) { return Num(CanSecurity(s)); }},
    // Inputs: analog level gauge, ignition wire, odometer pulses, tachometer; output 0 off.
    {"IA1", [](const TStatus& s) { return Num(500 + LlsLevel(s)); }},
    {"ID2", [](const TStatus&) { return QByteArray("1"); }},
    {"II3", [](const TStatus& s) { return Num(static_cast<qint64>(s.V.DistanceKm * 1000)); }},
    {"IF4", [](const TStatus& s) { return Num(s.V.EngineRpm / 30); }},
    {"O10", [](const TStatus&) { return QByteArray("0"); }},
    // A wired fuel-level sensor on RS-485: level, temperature byte, frequency.
    {"LLS",
     [](const TStatus& s) {
       return Fields({"1", "1", Num(LlsLevel(s)), Num(s.V.DeviceTempC - 8), Num(500 + LlsLevel(s) / 4)});
     }},
    {"TEST",
     [](const TStatus& s) {
       const TSelfTest& test = kSelfTests[s.Tick % std::size(kSelfTests)];
       return Fields({test.Name, test.Result});
     }},
    {"IG", [](const TStatus&) { return QByteArray("1"); }},
    {"TMP", [](const TStatus& s) { return Num(s.V.DeviceTempC); }},
    {"ACC",
     [](const TStatus& s) {
       return Fields({"1004", "3", s.V.Braking ? "-180" : "60", "12"});
     }},
};

constexpr int kPasswordSetting = 5;
constexpr int kPasswordSetting2 = 0x5400; // the second layout keeps the password twice

QByteArray IntegerBytes(qint64 aValue, int aSize, bool aBigEndian) {
  QByteArray bytes(aSize, '\0');
  for (int i = 0; i < aSize; ++i) {
    const int shift = 8 * (aBigEndian ? aSize - 1 - i : i);
    bytes[i] = static_cast<char>((aValue >> shift) & 0xFF);
  }
  return bytes;
}

quint16 BigEndian16(const QByteArray& aBytes, qsizetype aAt) {
  const auto high = static_cast<quint8>(aBytes.at(aAt));
  const auto low = static_cast<quint8>(aBytes.at(aAt + 1));
  return static_cast<quint16>(high << 8 | low);
}

quint16 LittleEndian16(const QByteArray& aBytes, qsizetype aAt) {
  const auto low = static_cast<quint8>(aBytes.at(aAt));
  const auto high = static_cast<quint8>(aBytes.at(aAt + 1));
  return static_cast<quint16>(high << 8 | low);
}

// The file storage holds one stored file, a short trip log, behind a header in its second block
// (the first stays erased).
QByteArray BuildTripLog(const TVehicleModel& aVehicle) {
  constexpr int kBlock = TTrackerSim::kBlockSize;
  QByteArray contents = "time;latitude;longitude;speed\n";
  for (int minute = 0; minute < 12; ++minute) {
    const TVehicleState s = aVehicle.At(minute * 60.0);
    contents += Fields({Num(1767268800 + minute * 60), QByteArray::number(s.Latitude, 'f', 6),
                        QByteArray::number(s.Longitude, 'f', 6), Num(std::lround(s.SpeedKmh))}) +
                '\n';
  }
  const QByteArray name = "TRIP0001";
  const QByteArray extension = "CSV";
  QByteArray header(kBlock, '\0');
  header.replace(1, 4, QByteArray("\xAA\x81\x5C\x9A", 4));
  header.replace(9, 4, IntegerBytes(contents.size(), 4, false));
  header[13] = static_cast<char>(2 + name.size() + extension.size());
  header[14] = static_cast<char>(name.size());
  header.replace(15, name.size(), name);
  header[15 + name.size()] = static_cast<char>(extension.size());
  header.replace(16 + name.size(), extension.size(), extension);
  return QByteArray(kFileHeaderAt, '\xFF') + header + contents;
}

} // namespace

TTrackerSim::TTrackerSim(const TTrackerOptions& aOptions, const TClock& aClock,
                         const TTrackerOperationOptions& aOperations)
    : FClock(aClock), FType(aOptions.Type), FId(aOptions.Id),
      FImei(aOptions.Imei.isEmpty() ? DefaultImei(aOptions.Id) : aOptions.Imei), FPassword(aOptions.Password),
      FCorrupt(aOptions.Corrupt), FStartMs(aClock.MonotonicMs()), FBootMs(FStartMs - kUptimeAtStart * 1000),
      FMemoryWriteBase(aOperations.Storage.MemoryWrite >= 0 ? aOperations.Storage.MemoryWrite
                                                            : kMemoryWriteAtStart),
      FMemoryGrows(aOperations.Storage.MemoryWrite < 0),
      FStorage(aOperations.Storage, BuildTripLog(FVehicle), aOperations.BlockFaults),
      FUpd(aOperations.Upd, FImei.toULongLong(), aOptions.Type, aOptions.Password),
      FLoaderDir(aOperations.LoaderDir), FScans(aOptions.Scan) {
  FSettings = FactorySettings(FType, SettingsLayout() == 1);
  FSettings.insert(aOptions.Settings);
  FSettings[kPasswordSetting] = FPassword;
  FSelfTest = aOperations.SelfTest;
  FSelfTestDelayMs = aOperations.SelfTestDelayMs;
  if (SettingsLayout() == 2)
    FSettings[kPasswordSetting2] = FPassword;
}

QByteArray TTrackerSim::DefaultImei(quint64 aId) {
  return WithLuhn("35925406" + Padded(aId % 1000000, 6));
}

int TTrackerSim::SettingsLayout() const {
  return kLayout2Types.contains(FType) ? 2 : 1;
}

double TTrackerSim::ElapsedSeconds() const {
  return double(FClock.MonotonicMs() - FStartMs) / 1000.0;
}

qint64 TTrackerSim::UptimeSeconds() const {
  return (FClock.MonotonicMs() - FBootMs) / 1000;
}

qint64 TTrackerSim::DeviceTime() const {
  return FClock.Now().toSecsSinceEpoch() + FClockOffset;
}

qint64 TTrackerSim::MemoryWritten() const {
  if (!FMemoryGrows)
    return FMemoryWriteBase;
  return FMemoryWriteBase + static_cast<qint64>((ElapsedSeconds() - FMemorySince) / kSecondsPerBlock);
}

int TTrackerSim::MemoryWritePointer() const {
  const int blocks = FStorage.Geometry().MemoryBlocks;
  return Wrap(static_cast<int>(MemoryWritten() % blocks), blocks);
}

void TTrackerSim::ClearMemory() {
  FMemoryWriteBase = 0;
  FMemorySince = ElapsedSeconds();
}

QByteArray TTrackerSim::Feed(const QByteArray& aBytes) {
  FInput += aBytes;
  QByteArray answers;
  for (;;) {
    const auto end =
        std::find_if(FInput.cbegin(), FInput.cend(), [](char c) { return c == '\r' || c == '\n'; });
    if (end == FInput.cend())
      break;
    const qsizetype length = end - FInput.cbegin();
    const QByteArray line = FInput.left(length).trimmed();
    FInput.remove(0, length + 1);
    if (!line.isEmpty())
      answers += Answer(line);
  }
  if (FInput.size() > kMaxLine)
    FInput.clear();
  return answers;
}

QByteArray TTrackerSim::Answer(const QByteArray& aLine) {
  enum TMatch { mExact, mPrefix, mInside };
  struct TLineCommand {
    const char* Text;
    TMatch Match;
    QByteArray (TTrackerSim::*Handler)(const QByteArray&);
  };
  static const TLineCommand kCommands[] = {
      {">I 0", mExact, &TTrackerSim::IdentityRecords},
      {">I 7", mExact, &TTrackerSim::IdentityRecords},
      {">I 36", mExact, &TTrackerSim::IdentityRecords},
      {">UNIX=", mPrefix, &TTrackerSim::SetClock},
      {">D 15;0", mExact, &TTrackerSim::ReadSettings},
      {">D 18;", mPrefix, &TTrackerSim::ReadBlock},
      {">D 1", mExact, &TTrackerSim::Restart},
      {"rst", mExact, &TTrackerSim::Restart},
      {"*CONF*", mInside, &TTrackerSim::WriteSettings},
      {">T 1", mExact, &TTrackerSim::RunSelfTest},
      {"fct run", mExact, &TTrackerSim::RunSelfTest},
      {"fct ", mPrefix, &TTrackerSim::SetFactoryId},
      {"sn ", mPrefix, &TTrackerSim::SetSerial},
      {">D 4;1", mExact, &TTrackerSim::StatusAtOnce},
      {">D 8;0", mExact, &TTrackerSim::EraseMemory},
      {"*SERV*", mInside, &TTrackerSim::ServiceString},
      {">D 3;0", mExact, &TTrackerSim::EnterFirmwareReception},
      {"*UPD*", mInside, &TTrackerSim::FirmwareAnswer},
  };
  QByteArray scanReports;
  if (FScans.Command(aLine, &scanReports))
    return scanReports;
  for (const TLineCommand& command : kCommands) {
    const bool matches = command.Match == mExact    ? aLine == command.Text
                         : command.Match == mPrefix ? aLine.startsWith(command.Text)
                                                    : aLine.contains(command.Text);
    if (matches)
      return (this->*command.Handler)(aLine);
  }
  return {};
}

QByteArray TTrackerSim::IdentityValue(const QByteArray& aKey) const {
  struct TIdentityField {
    const char* Key;
    QByteArray (*Value)(const TTrackerSim&);
  };
  static const TIdentityField kFields[] = {
      {"DI",
       [](const TTrackerSim& t) {
         return Fields({Num(t.FType), Num(kSoftMajor), Num(kSoftMinor), Num(kSubVersion)});
       }},
      {"UVI",
       [](const TTrackerSim& t) {
         return Fields({Num(t.FType), Num(kSoftMajor), Num(kSoftMinor), Num(kSubVersion)});
       }},
      {"USW", [](const TTrackerSim&) { return Num(kSoftMajor) + '.' + Num(kSoftMinor); }},
      {"UHW", [](const TTrackerSim&) { return QByteArray(kHardVersion); }},
      {"DN", [](const TTrackerSim& t) { return QByteArray::number(t.FId); }},
      {"MN", [](const TTrackerSim& t) { return t.FImei; }},
      {"SID0", [](const TTrackerSim& t) { return WithLuhn("8970101" + Padded(t.FId, 11)); }},
      {"SID1", [](const TTrackerSim& t) { return WithLuhn("8970199" + Padded(t.FId, 11)); }},
      {"BTM",
       [](const TTrackerSim& t) {
         return "C8F09E" + QByteArray::number(t.FId & 0xFFFFFF, 16).toUpper().rightJustified(6, '0');
       }},
      {"WFM",
       [](const TTrackerSim& t) {
         return "C8F09F" + QByteArray::number(t.FId & 0xFFFFFF, 16).toUpper().rightJustified(6, '0');
       }},
  };
  for (const TIdentityField& field : kFields) {
    if (aKey == field.Key)
      return field.Value(*this);
  }
  return {};
}

QByteArray TTrackerSim::IdentityRecords(const QByteArray& aLine) {
  struct TIdentityRequest {
    const char* Request;
    QList<QByteArray> Keys;
  };
  // ">I 0" names the device; ">I 7" is the full identity in the DI family's words, ">I 36" the
  // same in the words of the family that reports its versions separately.
  static const TIdentityRequest kRequests[] = {
      {">I 0", {"DI", "DN"}},
      {">I 7", {"DI", "DN", "MN", "SID0", "SID1", "BTM", "WFM", "UHW"}},
      {">I 36", {"UVI", "USW", "UHW", "DN", "MN", "SID0", "SID1", "BTM", "WFM"}},
  };
  QByteArray records;
  for (const TIdentityRequest& request : kRequests) {
    if (aLine != request.Request)
      continue;
    for (const QByteArray& key : request.Keys)
      records += Record(key, IdentityValue(key));
  }
  return records;
}

QByteArray TTrackerSim::SetClock(const QByteArray& aLine) {
  // The device takes the seconds as its own clock, whatever time zone they were meant in.
  const QByteArray seconds = aLine.mid(qsizetype(qstrlen(">UNIX=")));
  if (IsDigits(seconds))
    FClockOffset = seconds.toLongLong() - FClock.Now().toSecsSinceEpoch();
  return {};
}

QByteArray TTrackerSim::Restart(const QByteArray&) {
  FBootMs = FClock.MonotonicMs();
  return {};
}

QByteArray TTrackerSim::StatusAtOnce(const QByteArray&) {
  return Stream();
}

QByteArray TTrackerSim::EraseMemory(const QByteArray&) {
  ClearMemory();
  return {};
}

QByteArray TTrackerSim::ServiceString(const QByteArray& aLine) {
  // <password>*SERV*<code>: a wrong password is ignored, as the device ignores it.
  const qsizetype mark = aLine.indexOf("*SERV*");
  if (aLine.left(mark) != FPassword)
    return {};
  const QByteArray code = aLine.mid(mark + 6);
  if (code == "1.7")
    return Restart(aLine);
  if (code == "1.1")
    return Stream();
  return {};
}

QByteArray TTrackerSim::RunSelfTest(const QByteArray&) {
  if (FSelfTest == stSilent)
    return {};
  QByteArray records;
  for (const TSelfTest& test : kSelfTests) {
    const bool broken = FSelfTest == stFail && qstrcmp(test.Name, "GNSS") == 0;
    records += Record("TEST", Fields({test.Name, broken ? QByteArray("ERROR") : QByteArray(test.Result)}));
  }
  records += Record("TEST", FSelfTest == stFail ? "INFO;ERROR" : "INFO;OK");
  if (FSelfTestDelayMs <= 0)
    return records;
  FLater.append({FClock.MonotonicMs() + FSelfTestDelayMs, records});
  return {};
}

QByteArray TTrackerSim::Due() {
  QByteArray out;
  const qint64 now = FClock.MonotonicMs();
  for (qsizetype i = 0; i < FLater.size();) {
    if (FLater[i].first <= now)
      out += FLater.takeAt(i).second;
    else
      ++i;
  }
  return out;
}

QByteArray TTrackerSim::SetSerial(const QByteArray& aLine) {
  const QByteArray number = aLine.mid(3).trimmed();
  if (IsDigits(number))
    FId = number.toULongLong();
  return {};
}

QByteArray TTrackerSim::SetFactoryId(const QByteArray& aLine) {
  const QList<QByteArray> parts = aLine.mid(4).simplified().split(' ');
  if (parts.size() == 2 && IsDigits(parts[0]) && IsDigits(parts[1]))
    FId = parts[0].toULongLong() << 16 | (parts[1].toULongLong() & 0xFFFF);
  return {};
}

QByteArray TTrackerSim::SettingsImage() const {
  QByteArray image;
  if (SettingsLayout() == 1) {
    image = QByteArray(4, '\0');
    for (auto it = FSettings.cbegin(); it != FSettings.cend(); ++it) {
      if (it.key() > 255)
        continue;
      image += '\x23';
      image += static_cast<char>(it.key());
      image += static_cast<char>(it.value().size());
      image += it.value();
    }
    image.replace(0, 2, IntegerBytes(image.size() - 4, 2, true));
    image.replace(2, 2, IntegerBytes(Crc16(image, 4, int(image.size()) - 1), 2, true));
    return image;
  }
  image = QByteArray(3, '\0');
  image[0] = '\x01';
  for (auto it = FSettings.cbegin(); it != FSettings.cend(); ++it) {
    image += IntegerBytes(it.key(), 2, false);
    image += static_cast<char>(it.value().size());
    image += it.value();
  }
  image += QByteArray(2, '\0');
  image.replace(1, 2, IntegerBytes(image.size() - 5, 2, false));
  image.replace(image.size() - 2, 2, IntegerBytes(Crc16(image, 0, int(image.size()) - 3), 2, true));
  return image;
}

bool TTrackerSim::ApplySettingsImage(const QByteArray& aImage) {
  QMap<int, QByteArray> entries;
  if (SettingsLayout() == 1) {
    if (aImage.size() < 4 || BigEndian16(aImage, 0) != aImage.size() - 4 ||
        BigEndian16(aImage, 2) != Crc16(aImage, 4, int(aImage.size()) - 1))
      return false;
    for (qsizetype at = 4; at < aImage.size();) {
      if (at + 3 > aImage.size() || aImage.at(at) != '\x23')
        return false;
      const int length = static_cast<quint8>(aImage.at(at + 2));
      if (at + 3 + length > aImage.size())
        return false;
      entries[static_cast<quint8>(aImage.at(at + 1))] = aImage.mid(at + 3, length);
      at += 3 + length;
    }
  } else {
    if (aImage.size() < 5 || aImage.at(0) != '\x01' || LittleEndian16(aImage, 1) + 5 != aImage.size() ||
        BigEndian16(aImage, aImage.size() - 2) != Crc16(aImage, 0, int(aImage.size()) - 3))
      return false;
    for (qsizetype at = 3; at < aImage.size() - 2;) {
      if (at + 3 > aImage.size() - 2)
        return false;
      const int length = static_cast<quint8>(aImage.at(at + 2));
      if (at + 3 + length > aImage.size() - 2)
        return false;
      entries[LittleEndian16(aImage, at)] = aImage.mid(at + 3, length);
      at += 3 + length;
    }
  }
  // A value of the wrong width for its setting would be taken for another value.
  for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
    const int width = SettingWidth(FType, it.key());
    if (width > 0 && it.value().size() != width)
      return false;
  }
  for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
    const bool password = it.key() == kPasswordSetting || it.key() == kPasswordSetting2;
    if (!password) {
      FSettings[it.key()] = it.value();
    } else if (!it.value().isEmpty() && it.value().size() <= 6) {
      // One password, wherever the image put it.
      FPassword = it.value();
      FSettings[kPasswordSetting] = FPassword;
      if (SettingsLayout() == 2)
        FSettings[kPasswordSetting2] = FPassword;
    }
  }
  return true;
}

QByteArray TTrackerSim::ReadSettings(const QByteArray&) {
  if (FCorrupt != ciNone)
    return Record("SF", '"' + CorruptedImageText(SettingsImage(), SettingsLayout(), FCorrupt) + '"');
  return Record("SF", '"' + Base64Encode(SettingsImage()).toLatin1() + '"');
}

QByteArray TTrackerSim::WriteSettings(const QByteArray& aLine) {
  const qsizetype mark = aLine.indexOf("*CONF*");
  const QByteArray password = aLine.left(mark);
  bool decoded = false;
  const QByteArray image = Base64Decode(QString::fromLatin1(aLine.mid(mark + 6)), &decoded);
  const bool saved = password == FPassword && decoded && ApplySettingsImage(image);
  return Record("SR", saved ? "1" : "0");
}

QByteArray TTrackerSim::ReadBlock(const QByteArray& aLine) {
  return FStorage.Answer(aLine, MemoryWritten());
}

QByteArray TTrackerSim::EnterFirmwareReception(const QByteArray&) {
  if (FUpd.Enabled())
    return FUpd.Begin();
  // The loader disk appears; the device says nothing more.
  if (!FLoaderDir.isEmpty())
    QDir().mkpath(FLoaderDir);
  return {};
}

QByteArray TTrackerSim::FirmwareAnswer(const QByteArray& aLine) {
  FUpd.SetPassword(FPassword);
  return FUpd.Answer(aLine);
}

QByteArray TTrackerSim::Stream() {
  const double elapsed = ElapsedSeconds();
  const TStatus status{FVehicle.At(elapsed), DeviceTime(),         UptimeSeconds(),     elapsed, FTick,
                       MemoryWritePointer(), FStorage.FileWrite(), &FStorage.Geometry()};
  ++FTick;
  QByteArray records;
  for (const TStatusRecord& record : kStatusRecords)
    records += Record(record.Key, record.Value(status));
  return records + FScans.Stream();
}
