// The window's side of the device operations: the dialogs behind their seam, the progress panel,
// the loader disk and the copy on its worker.

#include "device/device_operations.h"
#include "factory/factory_flows.h"
#include "platform/file_copy.h"
#include "platform/volume_by_label.h"
#include "ui/operation_dialogs.h"
#include "ui/tmf.h"

#include <QLabel>
#include <QTimer>

void TMF::InitOperations() {
  FOperationDialogs = std::make_unique<TFileDialogs>([this](const QString& aKey) { return Translate(aKey); });
  FOperations = std::make_unique<TDeviceOperations>(FCore, *FPoll, *this);
  FCopyJob = std::make_unique<TFileCopyJob>();
  connect(FCopyJob.get(), &TFileCopyJob::Progress, FOperations.get(), &TDeviceOperations::CopyProgress);
  connect(FCopyJob.get(), &TFileCopyJob::Finished, FOperations.get(), &TDeviceOperations::CopyFinished);
}

void TMF::SetOperationDialogs(std::unique_ptr<IOperationDialogs> aDialogs) {
  FOperationDialogs = std::move(aDialogs);
}

bool TMF::StartOperation(TPortInfo* aPort, quint8 aValue) {
  // Ports made before the operations exist only ever start with none.
  if (aValue == 6 || aValue == 8 || aValue == 9)
    return FFactory && FFactory->Start(aPort, aValue);
  return !FOperations || FOperations->Start(aPort, aValue);
}

void TMF::QOperationData2(int aIndex) {
  FOperations->QOperationData2(aIndex);
}

void TMF::QOperationData7(int aIndex) {
  FOperations->QOperationData7(aIndex);
}

void TMF::FirmwareTransferFrame(const QString& aValue) {
  FOperations->FirmwareTransferFrame(aValue);
}

QString TMF::OperationOpenFile(const QString& aFilter) {
  return FOperationDialogs->OpenFile(this, aFilter);
}

QString TMF::OperationSaveFile(const QString& aProposedName, const QString& aDefaultSuffix,
                               const QString& aFilter) {
  return FOperationDialogs->SaveFile(this, aProposedName, aDefaultSuffix, aFilter);
}

QString TMF::OperationFolder(const QString& aTitle) {
  return FOperationDialogs->Folder(this, aTitle);
}

void TMF::SetProgressText(const QString& aText) {
  FProgressLabel->setText(aText);
}

QString TMF::ProgressText() const {
  return FProgressLabel->text();
}

bool TMF::EmulateUpd() const {
  return FState.EmulateUpd;
}

QString TMF::FindVolumeByLabel(const QString& aLabel) {
  return ::FindVolumeByLabel(aLabel);
}

void TMF::StartCopyFileTo(const QString& aFileName, const QString& aDrive) {
  if (!FCopyJob->Start(aFileName, aDrive))
    FOperations->CopyFinished(false);
}

void TMF::ScheduleLater(int aDelayMs, std::function<void()> aCall) {
  QTimer::singleShot(aDelayMs, this, std::move(aCall));
}
