#include "i18n/dictionary.h"

#include "i18n/ascii_case.h"
#include "i18n/dictionary_rows.h"

#include <array>
#include <initializer_list>
#include <vector>

namespace {

const std::vector<TDictionaryRow>& JoinedRows() {
  static const std::vector<TDictionaryRow> rows = [] {
    std::vector<TDictionaryRow> joined;
    for (const std::span<const TDictionaryRow> part : {DictionaryRowsMessages(), DictionaryRowsStatus(),
                                                       DictionaryRowsMonitor(), DictionaryRowsSensors()}) {
      joined.insert(joined.end(), part.begin(), part.end());
    }
    return joined;
  }();
  return rows;
}

// Rows beyond the compiled-in table of the devices' tools, looked up after it.
std::vector<TDictionaryRow> AddedRows() {
  std::vector<TDictionaryRow> rows;
  for (const std::span<const TDictionaryRow> part :
       {DictionaryRowsAdded(), DictionaryRowsUpdates(), DictionaryRowsLegacy(), DictionaryRowsSettings(),
        DictionaryRowsFactory(), DictionaryRowsInspector(), DictionaryRowsCli(), DictionaryRowsPickers(),
        DictionaryRowsWindow(), DictionaryRowsTrends(), DictionaryRowsStation()})
    rows.insert(rows.end(), part.begin(), part.end());
  return rows;
}

// Russian and English text of one key, indexed by language.
using TFixedTexts = std::array<QString, 2>;

// Every caption of every page goes through here, and a language switch repaints them all: the table is
// hashed and its texts converted once, on first use.
const QHash<QString, TFixedTexts>& FixedIndex() {
  static const QHash<QString, TFixedTexts> index = [] {
    QHash<QString, TFixedTexts> built;
    built.reserve(static_cast<qsizetype>(JoinedRows().size()));
    for (const TDictionaryRow& row : JoinedRows()) {
      const QString key = FoldAsciiCase(QString::fromUtf16(row.Key));
      if (!built.contains(key)) {
        built.insert(key, TFixedTexts{QString::fromUtf16(row.Ru), QString::fromUtf16(row.En)});
      }
    }
    for (const TDictionaryRow& row : AddedRows()) {
      const QString key = FoldAsciiCase(QString::fromUtf16(row.Key));
      if (!built.contains(key))
        built.insert(key, TFixedTexts{QString::fromUtf16(row.Ru), QString::fromUtf16(row.En)});
    }
    return built;
  }();
  return index;
}

// The text of aKey in the fixed table, or aKey itself when the table does not have it.
QString FixedText(int aLanguage, const QString& aKey) {
  const QHash<QString, TFixedTexts>& index = FixedIndex();
  const auto found = index.constFind(FoldAsciiCase(aKey));
  return found == index.constEnd() ? aKey : (*found)[static_cast<std::size_t>(aLanguage)];
}

bool IsNonNegativeDecimal(const QString& aText) {
  if (aText.isEmpty()) {
    return false;
  }
  for (const QChar c : aText) {
    if (c < u'0' || c > u'9') {
      return false;
    }
  }
  return true;
}

} // namespace

std::span<const TDictionaryRow> FixedDictionary() {
  return JoinedRows();
}

void TDictionary::SetSchemaTranslations(QList<TTranslation> aTranslations) {
  FSchema = std::move(aTranslations);
  FSchemaIndex.clear();
  FSchemaIndex.reserve(FSchema.size());
  for (qsizetype i = 0; i < FSchema.size(); ++i) {
    const QString key = FoldAsciiCase(FSchema.at(i).Key);
    // A schema may repeat a key; its first record is the one that counts.
    if (!FSchemaIndex.contains(key)) {
      FSchemaIndex.insert(key, i);
    }
  }
}

QString TDictionary::Translate(int aLanguage, const QString& aKey) const {
  if (aLanguage != lnRussian && aLanguage != lnEnglish) {
    return aKey;
  }
  if (!FSchemaIndex.isEmpty()) {
    const auto found = FSchemaIndex.constFind(FoldAsciiCase(aKey));
    if (found != FSchemaIndex.constEnd()) {
      const TTranslation& record = FSchema.at(*found);
      return aLanguage == lnRussian ? record.Ru : record.En;
    }
  }

  // Captions of items made on the fly are a key and a suffix ("FLS 2", "RELAY_OFF "), and pin items are
  // "<pin> _InOut": each half is translated on its own, from the fixed table only.
  const qsizetype space = aKey.indexOf(u' ');
  QString head = space < 0 ? aKey : aKey.left(space);
  const QString tail = space < 0 ? QString() : aKey.mid(space + 1);
  if (tail == u"_InOut" && IsNonNegativeDecimal(head)) {
    head = QStringLiteral("PIN ") + head + u'.';
  }
  head = FixedText(aLanguage, head);
  if (tail.isEmpty()) {
    return head;
  }
  return head + u' ' + FixedText(aLanguage, tail);
}
