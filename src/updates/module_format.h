#pragma once

#include <QByteArray>
#include <QString>

// Settings modules are stored reformatted, one member per line, with "\u" escapes turned into
// their characters so the files read well in an editor.

// Indents by two spaces per level, CR LF line breaks; text inside strings is untouched. False
// (and aOut untouched) when the result would pass aMaxChars: deep nesting times many commas
// grows without bound.
bool ReformatJson(const QString& aText, QString* aOut, qsizetype aMaxChars = 32 * 1024 * 1024);
// "\uXXXX" becomes its character, except where that would change the JSON: a quote, a backslash, a
// control character or half a surrogate pair stay escaped. An escaped backslash is never the start
// of an escape.
QString ExpandUnicodeEscapes(const QString& aText);
// The module as it is written to disk: reformatted and expanded when the result still parses to
// the same document, else the download exactly as it came. Empty when the download is not a JSON
// object (such a module is never installed).
QByteArray PrepareModule(const QByteArray& aDownload);
