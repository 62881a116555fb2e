#pragma once

#include <QMap>
#include <QPair>
#include <QSet>
#include <QString>

// Validation messages of the settings page, kept per control: two controls of one setting (a
// setting placed twice) each keep their own, so a valid value in one never clears the other's.
// The window shows the current one in its banner; applying settings waits until there are none.
class TSettingsErrors {
public:
  enum TAction {
    eaNone,         // nothing to show or change
    eaShowBanner,   // show (or move) the banner with CurrentMessage()
    eaRemoveBanner, // the last message went: remove the banner
  };

  // Records aText for aNumber as reported by aSource (an empty text clears it). aBannerShown:
  // whether a banner is up.
  TAction Set(int aNumber, const QString& aText, bool aBannerShown, quintptr aSource = 0);
  bool HasErrors() const { return !FErrors.isEmpty(); }
  int Current() const { return FCurrent.first; }
  QString CurrentMessage() const { return FErrors.value(FCurrent); }
  // The first message of a setting number, from whichever control.
  QString Message(int aNumber) const;
  void Clear() {
    FErrors.clear();
    FCurrent = {-1, 0};
  }
  // Forgets the messages of numbers no row of the new page has. True when any went.
  bool Keep(const QSet<int>& aNumbers);

private:
  using TKey = QPair<int, quintptr>;
  // Only controls with a message are kept, ordered by setting number.
  QMap<TKey, QString> FErrors;
  TKey FCurrent{-1, 0};
};
