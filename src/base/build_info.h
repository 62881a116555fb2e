#pragma once

#include <QDate>
#include <QString>

// The build date: shown in the window caption, dates the embedded settings schemas and goes with
// the program update query.
inline QDate BuildDate() {
  return QDate(2026, 9, 7);
}

// " [yymmdd]".
inline QString BuildDateSuffix() {
  return QStringLiteral(" [%1]").arg(BuildDate().toString(QStringLiteral("yyMMdd")));
}
