#pragma once

#include <optional>

// Exchange log files: what the log page saves and the replay driver plays back. One line per index
// entry: a stamp, a tab and the entry's bytes as text or hexadecimal, lines ending in CR LF, in the
// devices' 8-bit code page (Windows-1251) and without a byte order mark.

#include "core/packet.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringView>

class TMemoryStreamEx;

// The stamp of entries the program sent; the replay driver reads it as 00:00:00.000.
inline constexpr char kLogSentStamp[] = "PC > DEVICE";

// Text of the devices' code page; every byte has a character, so bytes survive a round trip.
QString FromLogCodePage(QByteArrayView aBytes);
// Characters without a code in the devices' code page become "?".
QByteArray ToLogCodePage(QStringView aText);
// The same from UTF-8 text, in one pass; nothing when the bytes are not valid UTF-8.
std::optional<QByteArray> Utf8ToLogCodePage(QByteArrayView aUtf8);
// The same into aOut, which has room for aUtf8.size() bytes; the number of bytes written.
std::optional<qsizetype> Utf8ToLogCodePage(QByteArrayView aUtf8, char* aOut);

// kLogSentStamp for a sent entry, else the entry's time of day as "hh:mm:ss.zzz".
QByteArray LogStamp(const TPacket& aEntry);

// One line of a log file without its line end: stamp, tab, data. In text mode the CR LF that ends
// the entry is left to the file's own line break; in hexadecimal mode every byte is two upper-case
// digits and a space. Throws TStreamRangeError when the entry does not lie inside aLog.
QByteArray LogFileLine(const TMemoryStreamEx& aLog, const TPacket& aEntry, bool aHEX);

// Writes every entry of aIndex, in order, to aFileName. The file appears whole or not at all: an
// earlier file of that name stays as it was when anything fails. On failure returns false and puts
// a message for the user into aError.
bool SaveLogFile(const QString& aFileName, const TMemoryStreamEx& aLog, const TPacketArray& aIndex, bool aHEX,
                 QString* aError = nullptr);

// "<device> <short date> <time with - for :>  [yymmdd]", the name the save dialog proposes. Path
// separators become "-" as well, so that a device name cannot point the dialog into another folder.
QString ProposedLogFileName(const QString& aDeviceName, const QDateTime& aNow,
                            const QLocale& aLocale = QLocale::system());
