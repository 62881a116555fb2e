#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <memory>

// How one print job ended.
enum TPrintResult {
  prDone,
  prNoJob,       // no job could be opened: Error is empty when no printer is configured, else it
                 // names the printer that refused to start one
  prStartFailed, // starting the job failed with Error
  prFailed       // the job started but failed while printing (Error); it was aborted
};

struct TPrintOutcome {
  TPrintResult Result = prNoJob;
  QString Error;
};

// Where a sticker image lands on the page: at the offset, sized for the printer's dots per inch
// from the image's nominal 300, times the scale in percent (limited to 10 to 500).
QRect StickerPrintRect(const QSize& aImage, int aPrinterDpi, int aScalePercent, const QPoint& aOffset);

// One print job per call: the sticker image drawn stretched into StickerPrintRect on one page.
class IStickerPrinter {
public:
  virtual ~IStickerPrinter() = default;
  virtual TPrintOutcome PrintSticker(const QImage& aImage, const QPoint& aOffset, int aScalePercent) = 0;
};

// The system's default printer (CUPS).
std::unique_ptr<IStickerPrinter> NewDefaultStickerPrinter();

// Every job becomes a PDF file "sticker-NNN.pdf" (numbered from 1) in a folder, at the given
// resolution: for looking at stickers without a printer, and for tests.
class TPdfStickerPrinter : public IStickerPrinter {
public:
  explicit TPdfStickerPrinter(const QString& aFolder, int aDpi = 300);
  TPrintOutcome PrintSticker(const QImage& aImage, const QPoint& aOffset, int aScalePercent) override;
  int Jobs() const { return FJobs; }
  QString JobFile(int aJob) const;

private:
  QString FFolder;
  int FDpi;
  int FJobs = 0;
};
