#pragma once

#include <QDate>
#include <QString>

// The build date: shown in the window caption, dates the embedded settings schemas and goes with
// the program update query.
inline QDate BuildDate() {
  return QDate(2026, 9, 7);
}

// What "--version" prints. A downloaded program must say exactly this, with the date the update
// information announced, before it may replace the installed one.
inline QString VersionText(const QDate& aDate) {
  return QStringLiteral("velmora ") + aDate.toString(QStringLiteral("yyyy-MM-dd"));
}

// " [yymmdd]".
inline QString BuildDateSuffix() {
  return QStringLiteral(" [%1]").arg(BuildDate().toString(QStringLiteral("yyMMdd")));
}
