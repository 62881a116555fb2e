#include "core/memory_stream_ex.h"

#include <QString>
#include <QtEndian>
#include <cstring>

void TMemoryStreamEx::Write(const char* aData, qint64 aSize) {
  if (aSize > 0)
    FData.append(aData, aSize);
}

void TMemoryStreamEx::Check(qint64 aPos, qint64 aLength) const {
  if (aPos < 0 || aLength < 0 || aPos > FData.size() || aLength > FData.size() - aPos)
    throw TStreamRangeError("traffic log read out of range: " + std::to_string(aLength) + " bytes at " +
                            std::to_string(aPos) + ", log holds " + std::to_string(FData.size()));
}

QByteArrayView TMemoryStreamEx::View(qint64 aPos, qint64 aLength) const {
  Check(aPos, aLength);
  return QByteArrayView(FData.constData() + aPos, aLength);
}

template <typename T> T TMemoryStreamEx::Read(qint64 aPos) const {
  Check(aPos, sizeof(T));
  T value;
  std::memcpy(&value, FData.constData() + aPos, sizeof(T));
  if constexpr (Q_BYTE_ORDER == Q_BIG_ENDIAN && sizeof(T) > 1)
    value = qFromLittleEndian(value);
  return value;
}

quint8 TMemoryStreamEx::AsByte(qint64 aPos) const {
  return Read<quint8>(aPos);
}
qint8 TMemoryStreamEx::AsShortInt(qint64 aPos) const {
  return Read<qint8>(aPos);
}
quint16 TMemoryStreamEx::AsWord(qint64 aPos) const {
  return Read<quint16>(aPos);
}
qint32 TMemoryStreamEx::AsInteger(qint64 aPos) const {
  return Read<qint32>(aPos);
}
quint32 TMemoryStreamEx::AsCardinal(qint64 aPos) const {
  return Read<quint32>(aPos);
}
float TMemoryStreamEx::AsSingle(qint64 aPos) const {
  return Read<float>(aPos);
}
double TMemoryStreamEx::AsDouble(qint64 aPos) const {
  return Read<double>(aPos);
}

QString TMemoryStreamEx::AsText(qint64 aPos, qint64 aLength) const {
  if (aLength < 1)
    return QString();
  return QString::fromLatin1(View(aPos, aLength));
}

QString TMemoryStreamEx::AsHEX(qint64 aPos, qint64 aLength, const QString& aSeparator, bool aDesc) const {
  if (aLength < 1)
    return QString();
  const QByteArrayView bytes = View(aPos, aLength);
  static const char digits[] = "0123456789ABCDEF";
  QString result;
  result.reserve(aLength * (2 + aSeparator.size()));
  for (qint64 i = 0; i < aLength; ++i) {
    if (i > 0)
      result += aSeparator;
    const auto b = quint8(bytes[aDesc ? aLength - 1 - i : i]);
    result += QLatin1Char(digits[b >> 4]);
    result += QLatin1Char(digits[b & 0x0F]);
  }
  return result;
}

qint64 TMemoryStreamEx::StringPosition(qint64 aPos, qint64 aSize, QByteArrayView aSign) const {
  return ArrayPosition(aPos, aSize, aSign.data(), int(aSign.size()));
}

qint64 TMemoryStreamEx::ArrayPosition(qint64 aPos, qint64 aSize, const char* aSign, int aSignLength) const {
  if (aSignLength < 0 || aSize < aSignLength)
    return -1;
  qint64 begin = aPos;
  qint64 end = aPos + aSize;
  if (begin < 0)
    begin = 0;
  if (end > FData.size())
    end = FData.size();
  if (end - begin < aSignLength)
    return -1;
  if (aSignLength == 0)
    return begin;
  // The framers look for signs of one or two bytes, mostly in the few bytes a chunk brought: the
  // first byte by memchr, then the rest in place, without the set-up of a general search.
  const char* const data = FData.constData();
  const char* from = data + begin;
  const char* const last = data + end - aSignLength; // the last place a sign may start
  const char first = aSign[0];
  while (from <= last) {
    const auto* hit = static_cast<const char*>(std::memchr(from, first, std::size_t(last - from + 1)));
    if (!hit)
      return -1;
    if (std::memcmp(hit + 1, aSign + 1, std::size_t(aSignLength - 1)) == 0)
      return hit - data;
    from = hit + 1;
  }
  return -1;
}
