#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>

// What the device operations need from the main window beyond IExchangeHost: its dialogs, its
// progress display, two program options and the loader disk. The window implements it; tests
// implement it with a recorder.
class IOperationsHost {
public:
  virtual ~IOperationsHost() = default;

  // The file and folder dialogs; an empty result means the user cancelled.
  virtual QString OperationOpenFile(const QString& aFilter) = 0;
  virtual QString OperationSaveFile(const QString& aProposedName, const QString& aDefaultSuffix,
                                    const QString& aFilter) = 0;
  virtual QString OperationFolder(const QString& aTitle) = 0;

  // The progress panel's text, and its position: a count below 1 hides the panel. Byte counts
  // of large files do not fit an int.
  virtual void SetProgressText(const QString& aText) = 0;
  virtual void SetLanguageIndicator(qint64 aPosition, qint64 aCount) = 0;

  // The administrator mode also keeps the raw dump of a file reading.
  virtual bool AdminMode() const = 0;
  // Plays the device's side of a firmware transfer without a device.
  virtual bool EmulateUpd() const = 0;

  // The root folder of the mounted volume with this label, empty when there is none.
  virtual QString FindVolumeByLabel(const QString& aLabel) = 0;
  // Starts copying a firmware file to the loader disk without blocking; the window reports the
  // progress and the end back through TDeviceOperations::CopyProgress and CopyFinished.
  virtual void StartCopyFileTo(const QString& aFileName, const QString& aDrive) = 0;

  // Runs aCall on this thread's event loop after aDelayMs, never inside the caller (the firmware
  // emulation plays the device's pauses with it).
  virtual void ScheduleLater(int aDelayMs, std::function<void()> aCall) = 0;
};
