#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <QtGlobal>

// The block exchange of memory and file readings: the program asks for one 256-byte block at a
// time and the device answers with the block in Base64, followed by its CRC-16.
namespace BlockReading {

inline constexpr int kBlockSize = 256;
// Data bytes and the CRC-16, high byte first.
inline constexpr int kAnswerSize = kBlockSize + 2;

// ">D 18;n" CR LF.
QByteArray BlockRequest(qint64 aNumber);

struct TBlockAnswer {
  // The packet is a block answer at all (begins with ">FD=").
  bool IsAnswer = false;
  // The number before the first ","; -1 when there is none or it is not a number.
  qint64 Number = -1;
  // The 256 data bytes when the answer decoded to 258 bytes whose CRC matches; else empty.
  QByteArray Data;
  // What the quoted text decoded to: -1 when it is not Base64 (or missing), else its byte count.
  qsizetype DecodedSize = -1;
  // The CRC the answer carries and the one its data has; both 0 unless DecodedSize is 258.
  quint16 StoredCrc = 0;
  quint16 DataCrc = 0;
};

// Reads one generation-1 packet (one character per byte). Never reads past the text.
TBlockAnswer ParseBlockAnswer(QStringView aText);

} // namespace BlockReading
