// The tracker on the line: its commands and their answers, identity, clock, storage and firmware
// reception. The status records and the settings image have files of their own.

#include "tracker_sim.h"

#include "base/clock.h"
#include "tracker_sim_common.h"

#include <QDir>
#include <QList>
#include <algorithm>
#include <cmath>

using namespace TrackerSim;

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

bool IsDigits(const QByteArray& aText) {
  return !aText.isEmpty() &&
         std::all_of(aText.cbegin(), aText.cend(), [](char c) { return c >= '0' && c <= '9'; });
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
