#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The firmware transfer carried in "UPD" status records: the device asks for the image piece by
// piece in bracketed binary frames and the program answers each in the same form. The functions
// here are pure: the caller owns the image, the line and the watchdog.
namespace FirmwareTransfer {

inline constexpr int kMinFrame = 20;
// Where a request frame keeps its code and payload, and its two bytes that name the device.
inline constexpr int kCodeAt = 18;
inline constexpr int kPayloadAt = 19;
inline constexpr int kByte14At = 14;
inline constexpr int kByte15At = 15;
// The answer's 16-bit length field holds the chunk size + 4.
inline constexpr int kMaxChunk = 0xFFFF - 4;

enum TCode : quint8 { fcInfo = 3, fcChunk = 4, fcDone = 6 };

struct TRequest {
  quint8 Code = 0;
  quint8 Byte14 = 0; // device type
  quint8 Byte15 = 0;
  QByteArray Payload;
};

struct TImage {
  QByteArray Bytes;
  QString VerMajor;
  QString VerMinor;
};

struct TAnswer {
  TCode Code = fcInfo;
  QByteArray Frame;
  // A chunk answer: the image offset just past the chunk.
  qint64 ChunkEnd = 0;
};

// The record's value: the Base64 text between double quotes, characters outside the alphabet
// skipped. Empty when it does not decode.
QByteArray DecodeValue(const QString& aValue);
// Checks the frame's brackets, version and length field. On a refusal aWhy, when given, receives
// the dictionary key of the reason.
std::optional<TRequest> ParseRequest(const QByteArray& aFrame, QString* aWhy = nullptr);
// Nothing for an unknown code, a payload of another length, a chunk outside the image or an
// empty image.
std::optional<TAnswer> Answer(const TRequest& aRequest, const TImage& aImage);
// A version text as the byte the answer carries: 255 when it is not a number from 0 to 255.
quint8 VersionByte(const QString& aText);

// A request frame as the device builds it (the emulation plays the device with it).
QByteArray BuildRequest(quint64 aImei, quint8 aDeviceType, quint8 aCode, const QByteArray& aPayload);
// Code-4 payload: major, minor, the two request bytes, first and last offset (big-endian).
QByteArray ChunkPayload(quint8 aMajor, quint8 aMinor, quint8 aByte14, quint8 aByte15, quint32 aFirst,
                        quint32 aLast);

// Device-side reading of an answer frame: the code and what follows it up to the closing bracket.
struct TParsedAnswer {
  quint8 Code = 0;
  QByteArray Body;
};
std::optional<TParsedAnswer> ParseAnswer(const QByteArray& aFrame);

} // namespace FirmwareTransfer
