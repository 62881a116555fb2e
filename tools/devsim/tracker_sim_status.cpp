// The status record set the tracker streams (one set per request or tick, computed from the
// vehicle model and the storage pointers) and the factory self-test whose results ride along.

#include "base/clock.h"
#include "tracker_sim.h"
#include "tracker_sim_common.h"

#include <cmath>

using namespace TrackerSim;

namespace {

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

} // namespace

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
