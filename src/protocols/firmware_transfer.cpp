#include "protocols/firmware_transfer.h"

#include "updates/crypto/checksums.h"

namespace FirmwareTransfer {

namespace {

constexpr char kOpen = '[';
constexpr char kClose = ']';

void PutBig(QByteArray& aBytes, quint64 aValue, int aSize) {
  for (int i = aSize - 1; i >= 0; --i)
    aBytes.append(char((aValue >> (8 * i)) & 0xFF));
}

quint32 ReadBig(const QByteArray& aBytes, qsizetype aAt, int aSize) {
  quint32 value = 0;
  for (int i = 0; i < aSize; ++i)
    value = value << 8 | quint8(aBytes.at(aAt + i));
  return value;
}

bool IsBase64Char(QChar c) {
  const char16_t u = c.unicode();
  return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9') || u == '+' || u == '/' ||
         u == '=';
}

} // namespace

QByteArray DecodeValue(const QString& aValue) {
  QString text;
  text.reserve(aValue.size());
  for (const QChar c : aValue)
    if (IsBase64Char(c))
      text.append(c);
  bool ok = false;
  const QByteArray bytes = Base64Decode(text, &ok);
  return ok ? bytes : QByteArray();
}

std::optional<TRequest> ParseRequest(const QByteArray& aFrame, QString* aWhy) {
  const qsizetype size = aFrame.size();
  const auto refuse = [aWhy](const char* aReason) {
    if (aWhy)
      *aWhy = QString::fromLatin1(aReason);
    return std::nullopt;
  };
  if (size < kMinFrame)
    return refuse("insp_stop_short");
  if (aFrame.front() != kOpen || aFrame.back() != kClose)
    return refuse("insp_upd_brackets");
  if (aFrame.at(1) != 1)
    return refuse("insp_upd_version");
  if (qsizetype(ReadBig(aFrame, 2, 2)) != size - 5)
    return refuse("insp_upd_length");
  TRequest request;
  request.Byte14 = quint8(aFrame.at(14));
  request.Byte15 = quint8(aFrame.at(15));
  request.Code = quint8(aFrame.at(kCodeAt));
  request.Payload = aFrame.mid(kPayloadAt, size - kPayloadAt - 1);
  return request;
}

quint8 VersionByte(const QString& aText) {
  bool ok = false;
  const uint value = aText.toUInt(&ok);
  return ok && value <= 255 ? quint8(value) : quint8(255);
}

std::optional<TAnswer> Answer(const TRequest& aRequest, const TImage& aImage) {
  const QByteArray& image = aImage.Bytes;
  TAnswer answer;
  QByteArray& frame = answer.Frame;
  frame.append(kOpen);
  switch (aRequest.Code) {
  case fcInfo:
    if (!aRequest.Payload.isEmpty() || image.isEmpty())
      return std::nullopt;
    answer.Code = fcInfo;
    // This answer's length field carries its whole length, unlike the others: the device
    // expects it so.
    PutBig(frame, 18, 2);
    PutBig(frame, fcInfo, 2);
    frame.append(char(VersionByte(aImage.VerMajor)));
    frame.append(char(VersionByte(aImage.VerMinor)));
    frame.append(char(aRequest.Byte14));
    frame.append(char(aRequest.Byte15));
    PutBig(frame, quint64(image.size()), 4);
    PutBig(frame, Crc32Stream(image), 4);
    break;
  case fcChunk: {
    if (aRequest.Payload.size() != 12)
      return std::nullopt;
    const quint64 first = ReadBig(aRequest.Payload, 4, 4);
    const quint32 lastLow = ReadBig(aRequest.Payload, 10, 2);
    const quint64 n = (quint64(lastLow) - first + 1) & 0xFFFF;
    if (n == 0 || n > quint64(kMaxChunk) || first + n > quint64(image.size()))
      return std::nullopt;
    const QByteArray chunk = image.mid(qsizetype(first), qsizetype(n));
    answer.Code = fcChunk;
    answer.ChunkEnd = qint64(first + n);
    PutBig(frame, n + 4, 2);
    PutBig(frame, fcChunk, 2);
    PutBig(frame, Crc16(chunk.constData(), chunk.size()), 2);
    frame.append(chunk);
    break;
  }
  case fcDone:
    if (aRequest.Payload.size() != 1 || aRequest.Payload.at(0) != 1)
      return std::nullopt;
    answer.Code = fcDone;
    PutBig(frame, 3, 2);
    PutBig(frame, fcDone, 2);
    frame.append(char(1));
    break;
  default:
    return std::nullopt;
  }
  frame.append(kClose);
  return answer;
}

QByteArray BuildRequest(quint64 aImei, quint8 aDeviceType, quint8 aCode, const QByteArray& aPayload) {
  QByteArray frame;
  frame.append(kOpen);
  frame.append(char(1));
  PutBig(frame, quint64(kMinFrame + aPayload.size() - 5), 2);
  for (int i = 0; i < 8; ++i)
    frame.append(char((aImei >> (8 * i)) & 0xFF));
  frame.append(char(2));
  frame.append('U');
  frame.append(char(aDeviceType));
  frame.append(char(2));
  frame.append(char(0));
  frame.append(char(0));
  frame.append(char(aCode));
  frame.append(aPayload);
  frame.append(kClose);
  return frame;
}

QByteArray ChunkPayload(quint8 aMajor, quint8 aMinor, quint8 aByte14, quint8 aByte15, quint32 aFirst,
                        quint32 aLast) {
  QByteArray payload;
  payload.append(char(aMajor));
  payload.append(char(aMinor));
  payload.append(char(aByte14));
  payload.append(char(aByte15));
  PutBig(payload, aFirst, 4);
  PutBig(payload, aLast, 4);
  return payload;
}

std::optional<TParsedAnswer> ParseAnswer(const QByteArray& aFrame) {
  if (aFrame.size() < 6 || aFrame.front() != kOpen || aFrame.back() != kClose)
    return std::nullopt;
  TParsedAnswer answer;
  answer.Code = quint8(ReadBig(aFrame, 3, 2));
  answer.Body = aFrame.mid(5, aFrame.size() - 6);
  return answer;
}

} // namespace FirmwareTransfer
