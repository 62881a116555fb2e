#include "legacy_fixed.h"

#include "legacy_sim.h"

#include <cstring>
#include <limits>

namespace {

class TBody {
public:
  TBody& U8(int aValue) {
    FBytes += static_cast<char>(aValue & 0xFF);
    return *this;
  }
  TBody& U16(qint64 aValue) { return U8(int(aValue)).U8(int(aValue >> 8)); }
  TBody& U32(qint64 aValue) { return U16(aValue & 0xFFFF).U16((aValue >> 16) & 0xFFFF); }
  TBody& F32(float aValue) {
    quint32 bits = 0;
    std::memcpy(&bits, &aValue, sizeof bits);
    return U32(bits);
  }
  QByteArray Bytes() const { return FBytes; }

private:
  QByteArray FBytes;
};

QByteArray Record(quint32 aType, const QByteArray& aBody) {
  return QByteArray("\x55\xAA", 2) + TBody().U32(aType).U16(aBody.size()).Bytes() + aBody +
         QByteArray(2, '\0');
}

QByteArray Position(float aAltitude) {
  return Record(TLegacyTrackerSim::kPosition, TBody()
                                                  .U32(1700000000)
                                                  .F32(55.7512f)
                                                  .F32(37.6184f)
                                                  .F32(aAltitude)
                                                  .U16(4512)
                                                  .U16(18050)
                                                  .U16(120)
                                                  .U8(9)
                                                  .U8(0)
                                                  .Bytes());
}

} // namespace

QByteArray TLegacyFixedSim::Stream() {
  QByteArray records;
  records += Position(151.6f);
  records += Position(std::numeric_limits<float>::quiet_NaN());
  // 2023-11-14 22:13:20 UTC, up one day, one hour, one minute and one second.
  records += Record(TLegacyTrackerSim::kTime, TBody().U32(1700000000).U32(90061).Bytes());
  // GPRS up in the home network, signal 17, operator 250 01, 3 SMS in, 1 out.
  records +=
      Record(TLegacyTrackerSim::kModem, TBody().U8(9).U8(17).U16(25001).U32(0).U16(0).U16(3).U16(1).Bytes());
  records += Record(TLegacyTrackerSim::kPower, TBody().U16(12345).U16(4100).Bytes());
  records += Record(TLegacyTrackerSim::kPower, TBody().U16(9999).Bytes());
  records += Record(0x00020003, TBody().U32(1).U32(2).Bytes());
  // Inputs 0 and 2, output 7.
  records += Record(TLegacyTrackerSim::kInputsOutputs, TBody().U16(0x0005).U16(0x0080).Bytes());
  return records;
}
