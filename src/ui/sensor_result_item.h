#pragma once

#include "monitor/item_class.h"

// One sensor a search found, in the "SensorResult" section: its caption is built from what the
// master reported (type and signal level), so a language switch leaves it as it is instead of
// looking the ident up in the dictionary. Its own class keeps it out of value lookups and ageing:
// it lives until the next search.
class TSensorResultItem : public TItemClass {
  Q_OBJECT
public:
  using TItemClass::TItemClass;
  void Retranslate() override { update(); }
};
