#include "device/block_reading.h"

#include "updates/crypto/checksums.h"

namespace BlockReading {

QByteArray BlockRequest(qint64 aNumber) {
  return ">D 18;" + QByteArray::number(aNumber) + "\r\n";
}

TBlockAnswer ParseBlockAnswer(QStringView aText) {
  static const QLatin1String kPrefix(">FD=");
  TBlockAnswer answer;
  if (!aText.startsWith(kPrefix))
    return answer;
  answer.IsAnswer = true;
  const QStringView rest = aText.mid(kPrefix.size());
  const qsizetype comma = rest.indexOf(u',');
  if (comma < 0)
    return answer;
  bool ok = false;
  const qint64 number = rest.left(comma).toLongLong(&ok);
  if (!ok)
    return answer;
  answer.Number = number;
  const qsizetype open = rest.indexOf(u'"', comma + 1);
  if (open < 0)
    return answer;
  const qsizetype close = rest.indexOf(u'"', open + 1);
  const QStringView base64 = close < 0 ? rest.mid(open + 1) : rest.mid(open + 1, close - open - 1);
  bool decoded = false;
  const QByteArray bytes = Base64Decode(base64.toString(), &decoded);
  if (!decoded)
    return answer;
  answer.DecodedSize = bytes.size();
  if (bytes.size() != kAnswerSize)
    return answer;
  const quint16 crc = Crc16(bytes.constData(), kBlockSize);
  const quint16 stored = quint16(quint8(bytes.at(kBlockSize)) << 8 | quint8(bytes.at(kBlockSize + 1)));
  answer.StoredCrc = stored;
  answer.DataCrc = crc;
  if (crc == stored)
    answer.Data = bytes.left(kBlockSize);
  return answer;
}

} // namespace BlockReading
