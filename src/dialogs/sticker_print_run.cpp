#include "dialogs/sticker_print_run.h"

#include <algorithm>

void TStickerPrintRun::Start(int aItems, int aCopies) {
  FItems = std::max(aItems, 0);
  FCopies = std::max(aCopies, 1);
  FItem = 0;
  FCopy = 0;
  FFirst = true;
  FActive = true;
}

bool TStickerPrintRun::JobDone() {
  if (!FActive)
    return false;
  ++FPrinted;
  FFirst = false;
  if (++FCopy < FCopies)
    return true;
  FCopy = 0;
  if (FItems > 0 && ++FItem < FItems)
    return true;
  FActive = false;
  return false;
}
