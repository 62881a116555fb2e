#include "i18n/language_locale.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>
#include <optional>

namespace {

std::optional<int> gDateLanguage;

struct TQtText {
  const char* Context;
  const char* Source;
  const char16_t* Russian;
};

// Texts Qt 6 moved to a context of its own that Qt's Russian catalogue does not carry yet: the
// file dialog's type column ("Folder") would be the one English word in a Russian dialog.
constexpr TQtText kRussianGaps[] = {
    {"QAbstractFileIconProvider", "Folder", u"Папка"},
    {"QAbstractFileIconProvider", "Drive", u"Диск"},
    {"QAbstractFileIconProvider", "File", u"Файл"},
    {"QAbstractFileIconProvider", "%1 File", u"Файл %1"},
    {"QAbstractFileIconProvider", "Unknown", u"Неизвестно"},
};

// Qt's catalogue of a language, with the texts it lacks filled in from our own table.
class TQtTranslator : public QTranslator {
public:
  QString translate(const char* aContext, const char* aSource, const char* aDisambiguation = nullptr,
                    int aN = -1) const override {
    QString text = QTranslator::translate(aContext, aSource, aDisambiguation, aN);
    if (!text.isEmpty() || !aContext || !aSource)
      return text;
    for (const TQtText& gap : kRussianGaps)
      if (qstrcmp(gap.Context, aContext) == 0 && qstrcmp(gap.Source, aSource) == 0)
        return QString::fromUtf16(gap.Russian);
    return text;
  }
};

} // namespace

QLocale LanguageLocale(int aLanguage) {
  // British English keeps the day first and a 24-hour clock, as the Russian texts do.
  return aLanguage == 0 ? QLocale(QLocale::Russian, QLocale::Russia)
                        : QLocale(QLocale::English, QLocale::UnitedKingdom);
}

void SetDateLanguage(int aLanguage) {
  if (aLanguage == 0 || aLanguage == 1)
    gDateLanguage = aLanguage;
  else
    gDateLanguage.reset();
}

QLocale DateLocale() {
  return gDateLanguage ? LanguageLocale(*gDateLanguage) : QLocale();
}

TQtCatalogue::~TQtCatalogue() {
  Remove();
}

void TQtCatalogue::Remove() {
  if (!FTranslator)
    return;
  QCoreApplication::removeTranslator(FTranslator);
  delete FTranslator;
  FTranslator = nullptr;
}

bool TQtCatalogue::Switch(int aLanguage) {
  Remove();
  if (aLanguage != 0)
    return aLanguage == 1;
  auto translator = std::make_unique<TQtTranslator>();
  // "qt_ru" pulls in the catalogues of the Qt modules (qtbase_ru and the others) beside it.
  if (!translator->load(LanguageLocale(aLanguage), QStringLiteral("qt"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return false;
  FTranslator = translator.release();
  QCoreApplication::installTranslator(FTranslator);
  return true;
}
