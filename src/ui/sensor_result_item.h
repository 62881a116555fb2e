#pragma once

#include "monitor/item_class.h"

// One sensor a search found, in the "SensorResult" section: its caption is built from what the
// master reported (type and signal level), so a language switch leaves it as it is instead of
// looking the ident up in the dictionary. Its own class keeps it out of value lookups and ageing:
// it lives until the next search.
//
// It sits among the settings rows of the master's page and lines up with them: the caption right
// aligned in the captions' share of the row, the value where the editors' texts begin.
class TSensorResultItem : public TItemClass {
  Q_OBJECT
public:
  using TItemClass::TItemClass;
  void Retranslate() override { update(); }
  int FullHeight() const override;

  // Where the caption ends and the value begins, as the settings rows of the same width place
  // their caption label and the text inside their editor.
  int CaptionRight() const;
  int ValueLeft() const;

protected:
  void paintEvent(QPaintEvent* aEvent) override;
};
