#include "sensor_sim.h"

#include "base/clock.h"
#include "updates/crypto/checksums.h"

namespace {

constexpr char kRequestSign[] = {'\x31', '\x10'};
constexpr char kAnswerSign[] = {'\x3E', '\x10'};
constexpr int kMaxInput = 4096;
// A request arrives in one go; bytes left over from before such a pause are a broken request.
constexpr qint64 kRequestGapMs = 200;

constexpr quint8 kSuccess = 0;
constexpr quint8 kNotSupported = 250;
constexpr quint8 kInvalidHandle = 251;

QByteArray Bytes(std::initializer_list<quint8> aBytes) {
  QByteArray bytes;
  for (const quint8 b : aBytes)
    bytes += static_cast<char>(b);
  return bytes;
}

QByteArray LittleEndian(quint32 aValue, int aSize) {
  QByteArray bytes;
  for (int i = 0; i < aSize; ++i)
    bytes += static_cast<char>((aValue >> (8 * i)) & 0xFF);
  return bytes;
}

// Addresses are kept in stored order, as they travel on the line.
const QByteArray kMasterAddress = Bytes({0x5A, 0x31, 0x07, 0x22, 0x10, 0xC4});
const QByteArray kMasterVersion = "1.07";
const QByteArray kSensorAddresses[] = {
    Bytes({0x11, 0x4F, 0x2B, 0x90, 0x3A, 0xE2}),
    Bytes({0x27, 0x81, 0x5C, 0x90, 0x3A, 0xE2}),
    Bytes({0x3C, 0x06, 0xD1, 0x45, 0x7B, 0xF0}),
    Bytes({0x05, 0xEE, 0x12, 0x88, 0x61, 0xD7}),
};

struct TSearchHit {
  quint8 Type;
  int Address; // index into kSensorAddresses
  qint8 LevelDb;
};

// What a search finds: the two fitted level sensors, a thermometer nearby and something of a type
// this program does not know.
const TSearchHit kSearchHits[] = {{1, 0, -61}, {1, 1, -67}, {4, 2, -74}, {9, 3, -88}};

QByteArray SlotRecord(const QByteArray& aAddress, quint8 aParameter2, quint8 aParameter3) {
  return aAddress + static_cast<char>(aParameter2) + static_cast<char>(aParameter3) + QByteArray(8, '\0');
}

QByteArray SensorRecord(quint8 aMode, quint16 aValue5, quint16 aValue6, quint32 aValue7, quint32 aValue8) {
  return static_cast<char>(aMode) + LittleEndian(aValue5, 2) + LittleEndian(aValue6, 2) +
         LittleEndian(aValue7, 4) + LittleEndian(aValue8, 4) + QByteArray(19, '\0');
}

} // namespace

TSensorSim::TSensorSim(const TClock& aClock, const TSensorIdentity& aIdentity)
    : FClock(aClock), FIdentity(aIdentity), FBootMs(aClock.MonotonicMs() - aIdentity.UptimeAtStart * 1000),
      FLastInputMs(aClock.MonotonicMs()) {
  FSlotRecords = {SlotRecord(kSensorAddresses[0], 1, 10), SlotRecord(kSensorAddresses[1], 1, 20),
                  QByteArray(kSlotRecordSize, '\0')};
  FSensorRecords = {SensorRecord(1, 4095, 60, 600, 1000), SensorRecord(1, 4095, 80, 800, 1000),
                    QByteArray(kSensorRecordSize, '\0')};
}

int TSensorSim::RequestParameterLength(quint8 aCommand) {
  struct TRequest {
    quint8 Command;
    int Parameters;
  };
  static const TRequest kRequests[] = {
      {0xB0, 0}, {0xB1, 0}, {0xB2, 1 + kSlotRecordSize}, {0xB4, 1}, {0xB5, 1 + kSensorRecordSize},
      {0xB7, 2}, {0xB8, 0}};
  for (const TRequest& request : kRequests) {
    if (request.Command == aCommand)
      return request.Parameters;
  }
  return -1;
}

QByteArray TSensorSim::Feed(const QByteArray& aBytes) {
  const qint64 now = FClock.MonotonicMs();
  if (now - FLastInputMs > kRequestGapMs)
    FInput.clear();
  FLastInputMs = now;
  FInput += aBytes;
  QByteArray answers;
  for (;;) {
    const qsizetype sign = FInput.indexOf(QByteArrayView(kRequestSign, 2));
    if (sign < 0) {
      // Keep a last 31: it may be the first half of a sign.
      FInput = FInput.endsWith(kRequestSign[0]) ? QByteArray(1, kRequestSign[0]) : QByteArray();
      break;
    }
    FInput.remove(0, sign);
    if (FInput.size() < 3)
      break;
    const quint8 command = static_cast<quint8>(FInput.at(2));
    const int parameters = RequestParameterLength(command);
    if (parameters < 0) {
      FInput.remove(0, 1);
      continue;
    }
    const qsizetype size = 3 + parameters + 1;
    if (FInput.size() < size)
      break;
    if (static_cast<quint8>(FInput.at(size - 1)) != Crc8(FInput.left(size - 1))) {
      FInput.remove(0, 1);
      continue;
    }
    answers += Execute(command, FInput.mid(3, parameters));
    FInput.remove(0, size);
  }
  // A sign followed by a long request that never completes must not hold the input for ever.
  if (FInput.size() > kMaxInput)
    FInput.clear();
  return answers;
}

QByteArray TSensorSim::Execute(quint8 aCommand, const QByteArray& aParameters) {
  struct THandler {
    quint8 Command;
    QByteArray (TSensorSim::*Body)(const QByteArray&);
  };
  static const THandler kHandlers[] = {
      {0xB0, &TSensorSim::MasterInfo}, {0xB1, &TSensorSim::SlotList},    {0xB2, &TSensorSim::WriteSlot},
      {0xB4, &TSensorSim::SensorData}, {0xB5, &TSensorSim::WriteSensor}, {0xB7, &TSensorSim::Restart},
      {0xB8, &TSensorSim::Search},
  };
  for (const THandler& handler : kHandlers) {
    if (handler.Command != aCommand)
      continue;
    const QByteArray answer =
        QByteArray(kAnswerSign, 2) + static_cast<char>(aCommand) + (this->*handler.Body)(aParameters);
    return AppendCrc8(answer);
  }
  return {};
}

QByteArray TSensorSim::MasterInfo(const QByteArray&) {
  const auto seconds = static_cast<quint32>((FClock.MonotonicMs() - FBootMs) / 1000);
  const QByteArray address = FIdentity.Address.size() == 6 ? FIdentity.Address : kMasterAddress;
  return address + kMasterVersion + static_cast<char>(kSlots) + LittleEndian(seconds, 4) +
         QByteArray(17, '\0');
}

QByteArray TSensorSim::SlotList(const QByteArray&) {
  QByteArray body;
  for (const QByteArray& record : FSlotRecords)
    body += record;
  return body;
}

QByteArray TSensorSim::WriteSlot(const QByteArray& aParameters) {
  const quint8 slot = static_cast<quint8>(aParameters.at(0));
  if (slot >= kSlots)
    return QByteArray(1, static_cast<char>(kInvalidHandle));
  // The reserved tail is the master's own business, whatever the request carried.
  FSlotRecords[slot] = aParameters.mid(1, 8) + QByteArray(8, '\0');
  return QByteArray(1, static_cast<char>(kSuccess));
}

QByteArray TSensorSim::SensorData(const QByteArray& aParameters) {
  const quint8 slot = static_cast<quint8>(aParameters.at(0));
  // The answer has no room for an error: an unknown slot reads as an empty one.
  return slot < kSlots ? FSensorRecords[slot] : QByteArray(kSensorRecordSize, '\0');
}

QByteArray TSensorSim::WriteSensor(const QByteArray& aParameters) {
  const quint8 slot = static_cast<quint8>(aParameters.at(0));
  if (slot >= kSlots)
    return QByteArray(1, static_cast<char>(kInvalidHandle));
  FSensorRecords[slot] = aParameters.mid(1, 13) + QByteArray(19, '\0');
  return QByteArray(1, static_cast<char>(kSuccess));
}

QByteArray TSensorSim::Restart(const QByteArray& aParameters) {
  if (aParameters != Bytes({0x00, 0x01}))
    return Bytes({kNotSupported, 0});
  FBootMs = FClock.MonotonicMs();
  return Bytes({kSuccess, 0});
}

QByteArray TSensorSim::Search(const QByteArray&) {
  if (FIdentity.SearchCount < 0) {
    QByteArray body(1, static_cast<char>(std::size(kSearchHits)));
    for (const TSearchHit& hit : kSearchHits)
      body += static_cast<char>(hit.Type) + kSensorAddresses[hit.Address] + static_cast<char>(hit.LevelDb);
    return body;
  }
  // A crowded yard: the known hits over again, each copy with its own last address byte and a
  // weaker signal.
  const int count = qMin(FIdentity.SearchCount, 255);
  QByteArray body(1, static_cast<char>(count));
  for (int i = 0; i < count; ++i) {
    const TSearchHit& hit = kSearchHits[i % std::size(kSearchHits)];
    QByteArray address = kSensorAddresses[hit.Address];
    address[0] = static_cast<char>(address.at(0) + i / int(std::size(kSearchHits)));
    body += static_cast<char>(hit.Type) + address + static_cast<char>(qMax(-128, hit.LevelDb - i / 4));
  }
  return body;
}
