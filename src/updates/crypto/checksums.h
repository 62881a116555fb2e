#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Checksums and text encodings. All of them are pure functions of their input.

// CRC-8/MAXIM (Dallas 1-Wire).
quint8 Crc8(const QByteArray& aBytes);
// The bytes followed by their CRC-8 byte.
QByteArray AppendCrc8(const QByteArray& aBytes);

// CRC-16/CCITT-FALSE over aBytes[aFirst..aLast], both ends included. An empty range (aLast < aFirst)
// gives the initial value 0xFFFF whatever the indexes; any other range that does not lie inside
// the array throws std::out_of_range rather than reading past it.
quint16 Crc16(const QByteArray& aBytes, int aFirst, int aLast);
// The same over a raw buffer, for callers that keep their bytes in one large block.
quint16 Crc16(const char* aData, qsizetype aSize);

// CRC-32/ISO-HDLC (the zip/PNG one). Empty input gives 0.
quint32 Crc32(const char* aData, qsizetype aSize);
quint32 Crc32Stream(const QByteArray& aStreamBytes);
// The CRC-32 of the text's UTF-8 bytes.
quint32 Crc32Text(const QString& aText);

// Standard Base64 alphabet with "=" padding and no line breaks.
QString Base64Encode(const QByteArray& aBytes);
// Strict decoding: any character outside the alphabet, whitespace, missing or misplaced padding
// makes the whole text invalid; then *aOk is false and the result is empty.
QByteArray Base64Decode(const QString& aText, bool* aOk = nullptr);
