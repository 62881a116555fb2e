#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <span>

// One row of the compiled-in dictionary. Texts may hold "\r\n" (two-line button captions) and, for
// action keys, a "|" between caption and hint; splitting them is the caller's business.
struct TDictionaryRow {
  const char16_t* Key;
  const char16_t* Ru;
  const char16_t* En;
};

// The compiled-in rows in their table order. One key, _CanPar229, occurs twice with the same texts;
// the first row of a key is the one that lookups find.
std::span<const TDictionaryRow> FixedDictionary();

// One text of a settings schema: the schema may add keys or shadow rows of the fixed table.
struct TTranslation {
  QString Key;
  QString Ru;
  QString En;
};

// Looks texts up by key in the current language: the translations of the loaded settings schema first,
// then the fixed table. The window owns one instance and hands it to whoever shows texts.
class TDictionary {
public:
  enum : int { lnRussian = 0, lnEnglish = 1 };

  // Any number is kept as given: a language other than 0 or 1 makes every lookup return its key,
  // which is what the window shows when the stored language is not one we know.
  void SetLanguage(int aLanguage) { FLanguage = aLanguage; }
  int Language() const { return FLanguage; }

  // Replaces the schema's texts as a whole; an empty list leaves only the fixed table.
  void SetSchemaTranslations(QList<TTranslation> aTranslations);
  const QList<TTranslation>& SchemaTranslations() const { return FSchema; }

  // The text of aKey in the current language.
  QString Translate(const QString& aKey) const { return Translate(FLanguage, aKey); }
  // The text of aKey in aLanguage, whatever the current language is (the command table keeps both
  // captions of every row).
  QString Translate(int aLanguage, const QString& aKey) const;

private:
  int FLanguage = lnRussian;
  QList<TTranslation> FSchema;
  // Key folded to ASCII lower case -> position of its first record in FSchema.
  QHash<QString, qsizetype> FSchemaIndex;
};
