#include "upd_device_sim.h"

#include "updates/crypto/checksums.h"

#include <QSaveFile>

namespace {

constexpr quint8 kInfo = 3;
constexpr quint8 kChunk = 4;
constexpr quint8 kDone = 6;

void PutBig(QByteArray& aBytes, quint64 aValue, int aSize) {
  for (int i = aSize - 1; i >= 0; --i)
    aBytes.append(char((aValue >> (8 * i)) & 0xFF));
}

quint32 Big(const QByteArray& aBytes, qsizetype aAt, int aSize) {
  quint32 value = 0;
  for (int i = 0; i < aSize; ++i)
    value = value << 8 | quint8(aBytes.at(aAt + i));
  return value;
}

} // namespace

TUpdDeviceSim::TUpdDeviceSim(const TUpdOptions& aOptions, quint64 aImei, int aType, QByteArray aPassword)
    : FOptions(aOptions), FImei(aImei), FType(quint8(aType & 0xFF)), FPassword(std::move(aPassword)) {
  FOptions.Chunk = qBound(1, FOptions.Chunk, 0xFFFF - 4);
}

QByteArray TUpdDeviceSim::Request(quint8 aCode, const QByteArray& aPayload) {
  if (FOptions.StallAfter >= 0 && FRequests >= FOptions.StallAfter)
    return {};
  ++FRequests;
  QByteArray frame("[");
  frame.append(char(1));
  PutBig(frame, quint64(15 + aPayload.size()), 2);
  for (int i = 0; i < 8; ++i)
    frame.append(char((FImei >> (8 * i)) & 0xFF));
  frame.append(char(2)).append('U').append(char(FType)).append(char(2)).append(char(0)).append(char(0));
  frame.append(char(aCode)).append(aPayload).append(']');
  return ">UPD=\"" + Base64Encode(frame).toLatin1() + "\"\r\n";
}

QByteArray TUpdDeviceSim::Begin() {
  if (!Enabled())
    return {};
  FActive = true;
  FFinished = false;
  FImage.clear();
  FRequests = 0;
  return Request(kInfo, {});
}

QByteArray TUpdDeviceSim::RequestChunk() {
  const quint32 first = quint32(FImage.size());
  const quint32 last = quint32(qMin<qint64>(qint64(first) + FOptions.Chunk, FSize) - 1);
  QByteArray payload;
  payload.append(char(FMajor)).append(char(FMinor)).append(char(FType)).append(char(2));
  PutBig(payload, first, 4);
  PutBig(payload, last, 4);
  // The device shows its own progress as it goes.
  return ">UP=" + QByteArray::number(FImage.size()) + ';' + QByteArray::number(FSize) + "\r\n" +
         Request(kChunk, payload);
}

QByteArray TUpdDeviceSim::Answer(const QByteArray& aLine) {
  const qsizetype mark = aLine.indexOf("*UPD*");
  if (!FActive || mark < 0 || aLine.left(mark) != FPassword)
    return {};
  bool ok = false;
  const QByteArray frame = Base64Decode(QString::fromLatin1(aLine.mid(mark + 5)), &ok);
  if (!ok || frame.size() < 7 || frame.front() != '[' || frame.back() != ']')
    return {};
  switch (Big(frame, 3, 2)) {
  case kInfo:
    return OnInfo(frame);
  case kChunk:
    return OnChunk(frame);
  case kDone:
    if (frame == QByteArray::fromHex("5b00030006015d")) {
      FActive = false;
      FFinished = true;
      return ">UP=" + QByteArray::number(FSize) + ';' + QByteArray::number(FSize) + "\r\n";
    }
    return {};
  default:
    return {};
  }
}

QByteArray TUpdDeviceSim::OnInfo(const QByteArray& aFrame) {
  // The information answer's length field is its whole length.
  if (aFrame.size() != 18 || Big(aFrame, 1, 2) != 18) {
    ++FRejected;
    return Request(kInfo, {});
  }
  FMajor = quint8(aFrame.at(5));
  FMinor = quint8(aFrame.at(6));
  FSize = Big(aFrame, 9, 4);
  FCrc32 = Big(aFrame, 13, 4);
  FImage.clear();
  if (FSize == 0)
    return {};
  return RequestChunk();
}

QByteArray TUpdDeviceSim::OnChunk(const QByteArray& aFrame) {
  const qint64 expected = qMin<qint64>(FOptions.Chunk, qint64(FSize) - FImage.size());
  const QByteArray data = aFrame.mid(7, aFrame.size() - 8);
  if (aFrame.size() < 8 || Big(aFrame, 1, 2) != quint32(aFrame.size() - 4) || data.size() != expected ||
      Big(aFrame, 5, 2) != Crc16(data.constData(), data.size())) {
    ++FRejected;
    return RequestChunk();
  }
  FImage.append(data);
  if (FImage.size() < qint64(FSize))
    return RequestChunk();
  return Complete();
}

QByteArray TUpdDeviceSim::Complete() {
  if (Crc32(FImage.constData(), FImage.size()) != FCrc32) {
    // The whole image is wrong: start over.
    ++FRejected;
    FImage.clear();
    return RequestChunk();
  }
  QSaveFile out(FOptions.FwOut);
  if (!(out.open(QIODevice::WriteOnly) && out.write(FImage) == FImage.size() && out.flush() && out.commit()))
    return {};
  return Request(kDone, QByteArray(1, '\1'));
}
