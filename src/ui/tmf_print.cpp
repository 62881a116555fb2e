// Sticker printing from the window: the Print button, Ctrl+P and the factory flows.

#include "device/port_info.h"
#include "dialogs/print_sticker_form.h"
#include "platform/printing/sticker_printer.h"
#include "ui/tmf.h"

#include <QTimer>
#include <memory>

void TMF::btnPrintClick() {
  if (TPortInfo* port = Q())
    ShowStickerDialog(port->DataPrint(), FState.AutoPrint);
  else
    ShowStickerDialog(SampleDeviceData(), false);
}

TPrintStickerForm* TMF::ShowStickerDialog(const TDeviceData& aData, bool aAutoPrint) {
  // One sticker dialog at a time: a second request while one is open goes to that one, except an
  // automatic print, which would be lost there: it waits its turn.
  if (TPrintStickerForm* open = StickerDialog()) {
    if (aAutoPrint) {
      FStickerQueue.append(std::make_shared<TDeviceData>(aData));
      return open;
    }
    if (!open->Printing())
      open->SetDeviceData(aData);
    open->raise();
    return open;
  }
  if (!FStickerPrinter)
    FStickerPrinter = NewDefaultStickerPrinter();
  TPrintStickerForm* form = ::ShowStickerDialog(aData, aAutoPrint, FRegistry, *FStickerPrinter, this);
  FStickerForm = form;
  connect(form, &QObject::destroyed, this, [this] {
    // After the dialog has fully gone, not inside its destruction.
    QTimer::singleShot(0, this, [this] {
      PumpStationPrints();
      if (FStickerQueue.isEmpty() || StickerDialog())
        return;
      const std::shared_ptr<TDeviceData> next = FStickerQueue.takeFirst();
      ShowStickerDialog(*next, true);
    });
  });
  return form;
}

TPrintStickerForm* TMF::StickerDialog() const {
  return qobject_cast<TPrintStickerForm*>(FStickerForm.data());
}

void TMF::SetStickerPrinter(std::unique_ptr<IStickerPrinter> aPrinter) {
  FStickerPrinter = std::move(aPrinter);
}

void TMF::PrintSticker(const TDeviceData& aData, std::function<void(bool aOk, const QString& aError)> aDone) {
  FStationPrints.append({aData, std::move(aDone)});
  PumpStationPrints();
}

void TMF::PumpStationPrints() {
  // One sticker dialog at a time, the technician's own included: the next waits for it to close.
  if (FStationPrinting || FStationPrints.isEmpty() || StickerDialog())
    return;
  TStationPrint job = FStationPrints.takeFirst();
  FStationPrinting = true;
  TPrintStickerForm* form = ShowStickerDialog(job.Data, true);
  auto printed = std::make_shared<bool>(false);
  auto message = std::make_shared<QString>(Translate(QStringLiteral("station_noprinter")));
  connect(form, &TPrintStickerForm::PrintingFinished, this, [form, printed, message] {
    *printed = form->Printed() > 0;
    if (!form->LastMessage().isEmpty())
      *message = form->LastMessage();
  });
  connect(form, &QObject::destroyed, this, [this, printed, message, done = std::move(job.Done)] {
    FStationPrinting = false;
    done(*printed, *printed ? QString() : *message);
  });
}
