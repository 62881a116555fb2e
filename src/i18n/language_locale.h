#pragma once

#include <QLocale>

class QTranslator;

// The locale of one of the program's languages (0 Russian, 1 English): dates and month names are
// written the way the chosen language writes them, whatever the environment's LANG says.
QLocale LanguageLocale(int aLanguage);

// The language dates are written in for this run. The window and the command line set it with
// their language; until then (and for a language we do not know) the environment's locale stands.
void SetDateLanguage(int aLanguage);
QLocale DateLocale();

// Qt's own texts (standard buttons, file and input dialogs) in the program's language. One
// instance installs at most one catalogue into the application and takes it out again when it
// goes; switching installs the new language's catalogue in place of the old.
class TQtCatalogue {
public:
  TQtCatalogue() = default;
  TQtCatalogue(const TQtCatalogue&) = delete;
  TQtCatalogue& operator=(const TQtCatalogue&) = delete;
  ~TQtCatalogue();

  // English needs no catalogue (Qt's texts are English); Russian loads Qt's "qt_ru" from Qt's
  // translations folder, with the few texts it lacks filled in. False when that catalogue is not
  // installed: Qt's texts then stay English.
  bool Switch(int aLanguage);

private:
  void Remove();

  QTranslator* FTranslator = nullptr;
};
