#pragma once

#include <QString>

// Keys and codes match without regard to the case of ASCII letters only: Cyrillic keys must match
// exactly, so QString::toLower (which folds every script) would widen the match.
inline QString FoldAsciiCase(const QString& aText) {
  QString folded = aText;
  for (qsizetype i = 0; i < folded.size(); ++i) {
    const char16_t c = folded.at(i).unicode();
    if (c >= u'A' && c <= u'Z') {
      folded[i] = QChar(static_cast<char16_t>(c + (u'a' - u'A')));
    }
  }
  return folded;
}
