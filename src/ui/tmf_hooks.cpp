// The window's answers to the hooks of the exchange core, the port list and the status decoder.

#include "monitor/caption_class.h"
#include "monitor/elements.h"
#include "ui/tmf.h"

void TMF::ClearVisualValues() {
  // A new detection starts from an empty page: nothing of the previous device may linger.
  const QList<TBaseClass*> elements = FVisualIndex.Elements();
  for (TBaseClass* element : elements) {
    if (qobject_cast<TCaptionClass*>(element) || TBaseClass::IsEmptyValue(element->Value()))
      continue;
    element->SetValue(QVariant());
  }
}

void TMF::OpenSettingsPage() {
  act_PageSettings();
}

void TMF::ControlsLoadSettings(const QString& /*aDeviceType*/) {
  // Builds the settings page from the type's schema once the settings page exists.
}

void TMF::ClearSettingsErrors() {
  // Settings validation errors live with the settings page once it exists.
}

void TMF::ApplySettingsImage(const QString& /*aBase64*/) {
  // Applied to the settings page's controls once that page exists.
}
