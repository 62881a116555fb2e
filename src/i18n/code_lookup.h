#pragma once

#include "i18n/ascii_case.h"
#include "i18n/code_tables.h"

#include <QHash>

// Folded code -> name of its first row, so that the status decoders' lookups for every record cost
// one hash probe.
inline QHash<QString, QString> IndexCodeTable(std::span<const TCodeName> aRows) {
  QHash<QString, QString> index;
  index.reserve(static_cast<qsizetype>(aRows.size()));
  for (const TCodeName& row : aRows) {
    const QString code = FoldAsciiCase(QString::fromUtf16(row.Code));
    if (!index.contains(code)) {
      index.insert(code, QString::fromUtf16(row.Name));
    }
  }
  return index;
}

inline QString LookUpCode(const QHash<QString, QString>& aIndex, const QString& aCode) {
  const auto found = aIndex.constFind(FoldAsciiCase(aCode));
  return found == aIndex.constEnd() ? QStringLiteral("#") + aCode : *found;
}
