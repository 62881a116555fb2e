#include "settings/settings_errors.h"

TSettingsErrors::TAction TSettingsErrors::Set(int aNumber, const QString& aText, bool aBannerShown,
                                              quintptr aSource) {
  const TKey key(aNumber, aSource);
  if (FErrors.value(key) == aText)
    return eaNone;
  if (aText.isEmpty())
    FErrors.remove(key);
  else
    FErrors.insert(key, aText);
  FCurrent = key;
  if (!aText.isEmpty())
    return eaShowBanner;
  if (!aBannerShown)
    return eaNone;
  // The lowest number still in error takes the banner over.
  FCurrent = FErrors.isEmpty() ? TKey(-1, 0) : FErrors.firstKey();
  return FErrors.isEmpty() ? eaRemoveBanner : eaShowBanner;
}

QString TSettingsErrors::Message(int aNumber) const {
  for (auto it = FErrors.cbegin(); it != FErrors.cend(); ++it)
    if (it.key().first == aNumber)
      return it.value();
  return QString();
}

bool TSettingsErrors::Keep(const QSet<int>& aNumbers) {
  bool dropped = false;
  for (auto it = FErrors.begin(); it != FErrors.end();) {
    if (aNumbers.contains(it.key().first)) {
      ++it;
    } else {
      it = FErrors.erase(it);
      dropped = true;
    }
  }
  if (!FErrors.contains(FCurrent))
    FCurrent = FErrors.isEmpty() ? TKey(-1, 0) : FErrors.firstKey();
  return dropped;
}
