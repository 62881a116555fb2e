// Sticker printing from the window: the Print button, Ctrl+P and the factory flows.

#include "device/port_info.h"
#include "platform/printing/sticker_printer.h"
#include "tools/print_sticker_form.h"
#include "ui/tmf.h"

void TMF::btnPrintClick() {
  if (TPortInfo* port = Q())
    ShowStickerDialog(port->DataPrint(), FState.AutoPrint);
  else
    ShowStickerDialog(SampleDeviceData(), false);
}

TPrintStickerForm* TMF::ShowStickerDialog(const TDeviceData& aData, bool aAutoPrint) {
  // One sticker dialog at a time: a second request while one is open goes to that one.
  if (TPrintStickerForm* open = StickerDialog()) {
    if (!open->Printing())
      open->SetDeviceData(aData);
    open->raise();
    return open;
  }
  if (!FStickerPrinter)
    FStickerPrinter = NewDefaultStickerPrinter();
  TPrintStickerForm* form = ::ShowStickerDialog(aData, aAutoPrint, FRegistry, *FStickerPrinter, this);
  FStickerForm = form;
  return form;
}

TPrintStickerForm* TMF::StickerDialog() const {
  return qobject_cast<TPrintStickerForm*>(FStickerForm.data());
}

void TMF::SetStickerPrinter(std::unique_ptr<IStickerPrinter> aPrinter) {
  FStickerPrinter = std::move(aPrinter);
}
