// The window's answers to the hooks of the exchange core, the port list and the status decoder.

#include "monitor/caption_class.h"
#include "monitor/elements.h"
#include "settings/controls/control_class.h"
#include "ui/tmf.h"

void TMF::ClearVisualValues() {
  // A new detection starts from an empty page: nothing of the previous device may linger.
  const QList<TBaseClass*> elements = FVisualIndex.Elements();
  for (TBaseClass* element : elements) {
    if (auto* control = qobject_cast<TControlClass*>(element)) {
      // An emptied setting is not a value the device gave: it must not be written back as 0.
      control->ClearValue();
      continue;
    }
    if (qobject_cast<TCaptionClass*>(element) || TBaseClass::IsEmptyValue(element->Value()))
      continue;
    element->SetValue(QVariant());
  }
}

void TMF::OpenSettingsPage() {
  act_PageSettings();
}

void TMF::ClearSettingsErrors() {
  FErrors.Clear();
  RemoveBanner();
  UpdateSettingsActions();
}
