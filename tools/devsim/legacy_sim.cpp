#include "legacy_sim.h"

#include "base/clock.h"
#include "updates/crypto/checksums.h"

#include <cmath>
#include <cstring>

namespace {

constexpr qint64 kUptimeAtStart = 4000;

class TRecordBody {
public:
  TRecordBody& U8(int aValue) {
    FBytes += static_cast<char>(aValue & 0xFF);
    return *this;
  }
  TRecordBody& U16(qint64 aValue) { return U8(int(aValue)).U8(int(aValue >> 8)); }
  TRecordBody& U32(qint64 aValue) { return U16(aValue & 0xFFFF).U16((aValue >> 16) & 0xFFFF); }
  TRecordBody& F32(double aValue) {
    const float f = static_cast<float>(aValue);
    quint32 bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    return U32(bits);
  }
  TRecordBody& Zeros(int aCount) {
    FBytes += QByteArray(aCount, '\0');
    return *this;
  }
  QByteArray Bytes() const { return FBytes; }

private:
  QByteArray FBytes;
};

// Header (sign, type, body length), body, and two trailing bytes. Receivers do not check the
// trailing bytes; the device fills them with the CRC-16 of everything before, high byte first.
QByteArray Record(quint32 aType, const QByteArray& aBody) {
  QByteArray record = QByteArray("\x55\xAA", 2) + TRecordBody().U32(aType).U16(aBody.size()).Bytes() + aBody;
  const quint16 crc = Crc16(record, 0, int(record.size()) - 1);
  return record + static_cast<char>(crc >> 8) + static_cast<char>(crc & 0xFF);
}

} // namespace

TLegacyTrackerSim::TLegacyTrackerSim(const TClock& aClock) : FClock(aClock), FStartMs(aClock.MonotonicMs()) {}

QByteArray TLegacyTrackerSim::Feed(const QByteArray&) {
  return {};
}

QByteArray TLegacyTrackerSim::Stream() {
  const double elapsed = double(FClock.MonotonicMs() - FStartMs) / 1000.0;
  const TVehicleState v = FVehicle.At(elapsed);
  const qint64 now = FClock.Now().toSecsSinceEpoch();
  const qint64 uptime = kUptimeAtStart + static_cast<qint64>(elapsed);
  QByteArray records;
  records += Record(kPosition, TRecordBody()
                                   .U32(now)
                                   .F32(v.Latitude)
                                   .F32(v.Longitude)
                                   .F32(v.AltitudeM)
                                   .U16(std::lround(v.SpeedKmh * 100))
                                   .U16(std::lround(v.AzimuthDeg * 100) % 36000)
                                   .U16(v.Hdop10 * 10)
                                   .U8(v.Satellites)
                                   .Zeros(1)
                                   .Bytes());
  records += Record(kTime, TRecordBody().U32(now).U32(uptime).Bytes());
  // Registered in the home network with GPRS up (state 9); operator 250 01.
  records += Record(kModem, TRecordBody().U8(9).U8(v.Signal).U16(25001).Zeros(6).U16(3).U16(1).Bytes());
  records += Record(kPower, TRecordBody().U16(v.SupplyMv).U16(v.BatteryMv).Bytes());
  // Input 0 is the ignition wire, input 2 a door contact closed while driving; no outputs on.
  records += Record(kInputsOutputs, TRecordBody().U16(0x0001 | (v.Moving ? 0x0004 : 0)).U16(0).Bytes());
  return records;
}
