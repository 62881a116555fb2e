#include "updates/crypto/checksums.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>
#include <zlib.h>

namespace {

// The reflected form of the polynomial 0x31.
constexpr quint8 kCrc8Polynomial = 0x8C;
constexpr quint16 kCrc16Polynomial = 0x1021;
constexpr quint16 kCrc16Initial = 0xFFFF;

// zlib counts lengths in uInt; feeding it at most this much per call keeps every cast exact.
constexpr qsizetype kZlibChunk = qsizetype(1) << 30;

constexpr std::array<quint8, 256> MakeCrc8Table() {
  std::array<quint8, 256> table{};
  for (unsigned i = 0; i < table.size(); ++i) {
    unsigned crc = i;
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 1u) != 0 ? (crc >> 1) ^ kCrc8Polynomial : crc >> 1;
    }
    table[i] = static_cast<quint8>(crc);
  }
  return table;
}

constexpr std::array<quint16, 256> MakeCrc16Table() {
  std::array<quint16, 256> table{};
  for (unsigned i = 0; i < table.size(); ++i) {
    unsigned crc = i << 8;
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 0x8000u) != 0 ? (crc << 1) ^ kCrc16Polynomial : crc << 1;
    }
    table[i] = static_cast<quint16>(crc);
  }
  return table;
}

constexpr auto kCrc8Table = MakeCrc8Table();
constexpr auto kCrc16Table = MakeCrc16Table();

// First entries of the well-known tables: a wrong polynomial or bit order fails the build.
static_assert(kCrc8Table[1] == 0x5E && kCrc8Table[128] == 0x8C);
static_assert(kCrc16Table[1] == 0x1021 && kCrc16Table[255] == 0x1EF0);

} // namespace

quint8 Crc8(const QByteArray& aBytes) {
  quint8 crc = 0;
  for (const char byte : aBytes) {
    crc = kCrc8Table[crc ^ static_cast<quint8>(byte)];
  }
  return crc;
}

QByteArray AppendCrc8(const QByteArray& aBytes) {
  QByteArray result = aBytes;
  result.append(static_cast<char>(Crc8(aBytes)));
  return result;
}

quint16 Crc16(const char* aData, qsizetype aSize) {
  quint16 crc = kCrc16Initial;
  for (qsizetype i = 0; i < aSize; ++i) {
    const auto index = static_cast<quint8>((crc >> 8) ^ static_cast<quint8>(aData[i]));
    crc = static_cast<quint16>((crc << 8) ^ kCrc16Table[index]);
  }
  return crc;
}

quint16 Crc16(const QByteArray& aBytes, int aFirst, int aLast) {
  if (aLast < aFirst) {
    return kCrc16Initial;
  }
  if (aFirst < 0 || aLast >= aBytes.size()) {
    throw std::out_of_range("Crc16: range " + std::to_string(aFirst) + ".." + std::to_string(aLast) +
                            " is outside the " + std::to_string(aBytes.size()) + " bytes given");
  }
  return Crc16(aBytes.constData() + aFirst, qsizetype(aLast) - aFirst + 1);
}

quint32 Crc32(const char* aData, qsizetype aSize) {
  uLong crc = crc32(0L, Z_NULL, 0);
  while (aSize > 0) {
    const qsizetype piece = std::min(aSize, kZlibChunk);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(aData), static_cast<uInt>(piece));
    aData += piece;
    aSize -= piece;
  }
  return static_cast<quint32>(crc);
}

quint32 Crc32Stream(const QByteArray& aStreamBytes) {
  return Crc32(aStreamBytes.constData(), aStreamBytes.size());
}

quint32 Crc32Text(const QString& aText) {
  return Crc32Stream(aText.toUtf8());
}

QString Base64Encode(const QByteArray& aBytes) {
  return QString::fromLatin1(aBytes.toBase64(QByteArray::Base64Encoding));
}

QByteArray Base64Decode(const QString& aText, bool* aOk) {
  // Qt's strict mode still accepts text whose padding is left off ("Zg", even a lone "Z"); padded
  // text always comes in groups of four, so anything else is malformed.
  if (aText.size() % 4 != 0) {
    if (aOk != nullptr) {
      *aOk = false;
    }
    return {};
  }
  // Characters beyond ASCII become bytes above 0x7F, which the strict decoder rejects.
  auto result = QByteArray::fromBase64Encoding(aText.toUtf8(), QByteArray::Base64Encoding |
                                                                   QByteArray::AbortOnBase64DecodingErrors);
  const bool ok = result.decodingStatus == QByteArray::Base64DecodingStatus::Ok;
  if (aOk != nullptr) {
    *aOk = ok;
  }
  return ok ? result.decoded : QByteArray();
}
