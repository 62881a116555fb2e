#include "settings/settings_errors.h"

TSettingsErrors::TAction TSettingsErrors::Set(int aNumber, const QString& aText, bool aBannerShown) {
  if (FErrors.value(aNumber) == aText)
    return eaNone;
  if (aText.isEmpty())
    FErrors.remove(aNumber);
  else
    FErrors.insert(aNumber, aText);
  FCurrent = aNumber;
  if (!aText.isEmpty())
    return eaShowBanner;
  if (!aBannerShown)
    return eaNone;
  // The lowest number still in error takes the banner over.
  FCurrent = FErrors.isEmpty() ? -1 : FErrors.firstKey();
  return FCurrent < 0 ? eaRemoveBanner : eaShowBanner;
}

bool TSettingsErrors::Keep(const QSet<int>& aNumbers) {
  bool dropped = false;
  for (auto it = FErrors.begin(); it != FErrors.end();) {
    if (aNumbers.contains(it.key())) {
      ++it;
    } else {
      it = FErrors.erase(it);
      dropped = true;
    }
  }
  if (!FErrors.contains(FCurrent))
    FCurrent = FErrors.isEmpty() ? -1 : FErrors.firstKey();
  return dropped;
}
