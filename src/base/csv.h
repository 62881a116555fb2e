#pragma once

#include <QByteArray>
#include <QString>

// One field of a CSV line (RFC 4180): always quoted, quotes doubled, UTF-8.
//
// With aText from a device or the line (names, IDs, messages), a field a spreadsheet would run as
// a formula ("=", "+", "-", "@", a tab or CR first) gets an apostrophe in front: opening a report
// must never run what a device sent.
inline QByteArray CsvField(QString aText, bool aForeign = false) {
  if (aForeign && !aText.isEmpty() && QStringView(u"=+-@\t\r").contains(aText.front()))
    aText.prepend(QLatin1Char('\''));
  aText.replace(QLatin1Char('"'), QLatin1String("\"\""));
  return '"' + aText.toUtf8() + '"';
}
