#include "i18n/language_locale.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>
#include <optional>

namespace {

std::optional<int> gDateLanguage;

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
  auto translator = std::make_unique<QTranslator>();
  // "qt_ru" pulls in the catalogues of the Qt modules (qtbase_ru and the others) beside it.
  if (!translator->load(LanguageLocale(aLanguage), QStringLiteral("qt"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return false;
  FTranslator = translator.release();
  QCoreApplication::installTranslator(FTranslator);
  return true;
}
