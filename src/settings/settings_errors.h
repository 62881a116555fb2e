#pragma once

#include <QMap>
#include <QSet>
#include <QString>

// Validation messages of the settings page by setting number. The window shows the current one in
// its banner; applying settings waits until there are none.
class TSettingsErrors {
public:
  enum TAction {
    eaNone,         // nothing to show or change
    eaShowBanner,   // show (or move) the banner with CurrentMessage()
    eaRemoveBanner, // the last message went: remove the banner
  };

  // Records aText for aNumber (an empty text clears it). aBannerShown: whether a banner is up.
  TAction Set(int aNumber, const QString& aText, bool aBannerShown);
  bool HasErrors() const { return !FErrors.isEmpty(); }
  int Current() const { return FCurrent; }
  QString CurrentMessage() const { return FErrors.value(FCurrent); }
  QString Message(int aNumber) const { return FErrors.value(aNumber); }
  void Clear() {
    FErrors.clear();
    FCurrent = -1;
  }
  // Forgets the messages of numbers no row of the new page has. True when any went.
  bool Keep(const QSet<int>& aNumbers);

private:
  // Only numbers with a message are kept.
  QMap<int, QString> FErrors;
  int FCurrent = -1;
};
