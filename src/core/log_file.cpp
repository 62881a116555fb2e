#include "core/log_file.h"

#include "base/build_info.h"
#include "core/memory_stream_ex.h"
#include "platform/save_file.h"

#include <QDir>
#include <QSaveFile>
#include <QStringDecoder>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr char kCodePage[] = "windows-1251";
constexpr qint64 kMsPerDay = 86400000;
// Lines are gathered and written in blocks of about this size: a long log is not held twice.
constexpr qsizetype kWriteBlock = 1 << 20;

// Code of every UTF-16 unit in the devices' code page, "?" where it has none.
const std::vector<char>& CodeTable() {
  static const std::vector<char> table = [] {
    std::vector<char> t(0x10000, '?');
    QByteArray all(256, '\0');
    for (int i = 0; i < 256; ++i)
      all[i] = char(i);
    const QString chars = FromLogCodePage(all);
    if (chars.size() == 256)
      for (int i = 0; i < 256; ++i)
        t[chars[i].unicode()] = char(i);
    return t;
  }();
  return table;
}

void AppendTwoDigits(char* aOut, int aValue) {
  aOut[0] = char('0' + aValue / 10);
  aOut[1] = char('0' + aValue % 10);
}

void AppendLine(QByteArray& aOut, const TMemoryStreamEx& aLog, const TPacket& aEntry, bool aHEX) {
  // Checked first: a bad entry must not leave half a line behind.
  QByteArrayView bytes = aLog.View(aEntry.Position, aEntry.Size);
  aOut += LogStamp(aEntry);
  aOut += '\t';
  if (aHEX) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const qsizetype start = aOut.size();
    aOut.resize(start + bytes.size() * 3);
    char* out = aOut.data() + start;
    for (const char c : bytes) {
      const auto b = quint8(c);
      *out++ = kDigits[b >> 4];
      *out++ = kDigits[b & 0x0F];
      *out++ = ' ';
    }
    return;
  }
  // Only the line end of the entry goes: the file's own line break stands for it. Dropping the
  // first CR LF wherever it sits would glue together two lines that arrived in one chunk. Bytes are
  // copied as they are; in the devices' code page every byte is its own character.
  if (bytes.endsWith("\r\n"))
    bytes.chop(2);
  aOut.append(bytes);
}

bool Fail(QString* aError, const QString& aFileName, const QString& aReason) {
  if (aError)
    *aError = QStringLiteral("Cannot save the log file \"%1\": %2")
                  .arg(QDir::toNativeSeparators(aFileName), aReason);
  return false;
}

// The locale's long time format names the time zone; a file name has no use for it.
QString TimeFormatWithoutZone(const QString& aFormat) {
  QString out;
  bool quoted = false;
  for (const QChar c : aFormat) {
    if (c == u'\'')
      quoted = !quoted;
    else if (!quoted && c == u't')
      continue;
    out += c;
  }
  return out.trimmed();
}

} // namespace

QString FromLogCodePage(QByteArrayView aBytes) {
  QStringDecoder decoder(kCodePage);
  return decoder.decode(aBytes);
}

std::optional<QByteArray> Utf8ToLogCodePage(QByteArrayView aUtf8) {
  QByteArray out(aUtf8.size(), Qt::Uninitialized);
  const std::optional<qsizetype> size = Utf8ToLogCodePage(aUtf8, out.data());
  if (!size)
    return std::nullopt;
  out.truncate(*size);
  return out;
}

std::optional<qsizetype> Utf8ToLogCodePage(QByteArrayView aUtf8, char* aOut) {
  const std::vector<char>& table = CodeTable();
  const auto* p = reinterpret_cast<const unsigned char*>(aUtf8.data());
  const auto* const end = p + aUtf8.size();
  char* o = aOut;
  const auto continuation = [](unsigned char c) { return (c & 0xC0) == 0x80; };
  while (p < end) {
    // Runs of ASCII, the bulk of any log, are copied as they are.
    const unsigned char* ascii = p;
    while (ascii < end && *ascii < 0x80)
      ++ascii;
    std::memcpy(o, p, size_t(ascii - p));
    o += ascii - p;
    p = ascii;
    if (p == end)
      break;
    const unsigned char c = *p;
    char32_t code = 0;
    qsizetype length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
      length = 2;
      code = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      length = 3;
      code = c & 0x0F;
      // No overlong forms, no surrogates.
      if (c == 0xE0)
        low = 0xA0;
      else if (c == 0xED)
        high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      length = 4;
      code = c & 0x07;
      if (c == 0xF0)
        low = 0x90;
      else if (c == 0xF4)
        high = 0x8F;
    } else {
      return std::nullopt;
    }
    if (end - p < length || p[1] < low || p[1] > high)
      return std::nullopt;
    for (qsizetype i = 1; i < length; ++i) {
      if (!continuation(p[i]))
        return std::nullopt;
      code = (code << 6) | (p[i] & 0x3F);
    }
    // A character beyond the first 65536 is one unknown character.
    *o++ = code < 0x10000 ? table[code] : '?';
    p += length;
  }
  return o - aOut;
}

QByteArray ToLogCodePage(QStringView aText) {
  const std::vector<char>& table = CodeTable();
  QByteArray out(aText.size(), Qt::Uninitialized);
  qsizetype n = 0;
  for (qsizetype i = 0; i < aText.size(); ++i) {
    const char16_t c = aText[i].unicode();
    // A character beyond the first 65536 is one unknown character, not two.
    if (QChar::isHighSurrogate(c) && i + 1 < aText.size() && QChar::isLowSurrogate(aText[i + 1].unicode()))
      ++i;
    out[n++] = table[c];
  }
  out.truncate(n);
  return out;
}

QByteArray LogStamp(const TPacket& aEntry) {
  if (aEntry.State == psSent)
    return QByteArray(kLogSentStamp);
  qint64 ms = 0;
  if (std::isfinite(aEntry.Time)) {
    // Rounded to the millisecond like every other reading of a stamp; a value a hair before
    // midnight rounds into the next day.
    ms = std::llround((aEntry.Time - std::floor(aEntry.Time)) * double(kMsPerDay));
    if (ms >= kMsPerDay)
      ms -= kMsPerDay;
  }
  QByteArray stamp("00:00:00.000");
  char* s = stamp.data();
  AppendTwoDigits(s, int(ms / 3600000));
  AppendTwoDigits(s + 3, int(ms / 60000 % 60));
  AppendTwoDigits(s + 6, int(ms / 1000 % 60));
  s[9] = char('0' + ms % 1000 / 100);
  AppendTwoDigits(s + 10, int(ms % 100));
  return stamp;
}

QByteArray LogFileLine(const TMemoryStreamEx& aLog, const TPacket& aEntry, bool aHEX) {
  QByteArray line;
  AppendLine(line, aLog, aEntry, aHEX);
  return line;
}

bool SaveLogFile(const QString& aFileName, const TMemoryStreamEx& aLog, const TPacketArray& aIndex, bool aHEX,
                 QString* aError) {
  QSaveFile file(aFileName);
  if (!file.open(QIODevice::WriteOnly))
    return Fail(aError, aFileName, file.errorString());

  QByteArray block;
  block.reserve(kWriteBlock + 4096);
  for (std::size_t i = 0; i < aIndex.size(); ++i) {
    try {
      AppendLine(block, aLog, aIndex[i], aHEX);
    } catch (const TStreamRangeError&) {
      DiscardSaveFile(file);
      return Fail(aError, aFileName, QStringLiteral("entry %1 lies outside the exchange log").arg(i + 1));
    }
    block += "\r\n";
    if (block.size() >= kWriteBlock) {
      QString reason;
      if (!WriteThrough(file, block, &reason)) {
        DiscardSaveFile(file);
        return Fail(aError, aFileName, reason);
      }
      block.resize(0); // keeps the room for the next block
    }
  }
  QString reason;
  if (!WriteThrough(file, block, &reason) || !CommitSaveFile(file, &reason)) {
    DiscardSaveFile(file);
    return Fail(aError, aFileName, reason);
  }
  if (aError)
    aError->clear();
  return true;
}

QString ProposedLogFileName(const QString& aDeviceName, const QDateTime& aNow, const QLocale& aLocale) {
  QString time =
      aLocale.toString(aNow.time(), TimeFormatWithoutZone(aLocale.timeFormat(QLocale::LongFormat)));
  time.replace(u':', u'-');
  // The release-date format begins with a space of its own: two precede the bracket.
  QString name = aDeviceName + u' ' + aLocale.toString(aNow.date(), QLocale::ShortFormat) + u' ' + time +
                 u' ' + BuildDateSuffix();
  name.replace(u'/', u'-');
  name.replace(u'\\', u'-');
  return name;
}
