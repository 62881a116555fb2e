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

void TMF::QOperationData2(int /*aIndex*/) {
  // Memory reading consumes these packets once device operations are wired to the window.
}

void TMF::QOperationData7(int /*aIndex*/) {
  // Stored-file reading consumes these packets once device operations are wired to the window.
}

void TMF::OperationChanged(TPortInfo* /*aPort*/) {
  // The progress display follows the port's operation once device operations are wired in.
}

void TMF::FirmwareTransferFrame(const QString& /*aValue*/) {
  // Answered by the firmware transfer once it is wired to the window.
}

void TMF::ClearSettingsErrors() {
  FErrors.Clear();
  RemoveBanner();
  UpdateSettingsActions();
}

bool TMF::InternetConnected() {
  // Answered by the web client once it exists; until then no request is made, so none is refused.
  return true;
}

void TMF::StartDeviceInfoRequest(TPortInfo* /*aPort*/, const QString& /*aPathAndQuery*/) {
  // Asks the device information site once the web client exists.
}
