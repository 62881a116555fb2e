#include "platform/printing/sticker_printer.h"

#include <QDir>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>
#include <cmath>

QRect StickerPrintRect(const QSize& aImage, int aPrinterDpi, int aScalePercent, const QPoint& aOffset) {
  const double scale = std::clamp(aScalePercent, 10, 500) / 100.0;
  const int w = int(std::lround(aImage.width() / 300.0 * aPrinterDpi * scale));
  const int h = int(std::lround(aImage.height() / 300.0 * aPrinterDpi * scale));
  return QRect(aOffset, QSize(w, h));
}

namespace {

// Draws one page on a printer that is set up; the job ends with the painter.
TPrintOutcome PrintOn(QPrinter& aPrinter, const QImage& aImage, const QPoint& aOffset, int aScalePercent) {
  aPrinter.setFullPage(true); // offsets count from the paper's corner
  QPainter painter;
  if (!painter.begin(&aPrinter))
    return {prNoJob,
            aPrinter.outputFileName().isEmpty() ? aPrinter.printerName() : aPrinter.outputFileName()};
  const QRect target = StickerPrintRect(aImage.size(), aPrinter.resolution(), aScalePercent, aOffset);
  painter.drawImage(target, aImage);
  if (aPrinter.printerState() == QPrinter::Error) {
    aPrinter.abort();
    painter.end();
    return {prFailed, QStringLiteral("printer error")};
  }
  if (!painter.end() || aPrinter.printerState() == QPrinter::Error ||
      aPrinter.printerState() == QPrinter::Aborted)
    return {prFailed, QStringLiteral("printer error")};
  return {prDone, {}};
}

class TDefaultStickerPrinter : public IStickerPrinter {
public:
  TPrintOutcome PrintSticker(const QImage& aImage, const QPoint& aOffset, int aScalePercent) override {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
      return {prNoJob, {}};
    QPrinter printer(info, QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Sticker"));
    if (!printer.isValid())
      return {prNoJob, info.printerName()};
    return PrintOn(printer, aImage, aOffset, aScalePercent);
  }
};

} // namespace

std::unique_ptr<IStickerPrinter> NewDefaultStickerPrinter() {
  return std::make_unique<TDefaultStickerPrinter>();
}

TPdfStickerPrinter::TPdfStickerPrinter(const QString& aFolder, int aDpi) : FFolder(aFolder), FDpi(aDpi) {}

QString TPdfStickerPrinter::JobFile(int aJob) const {
  return QDir(FFolder).filePath(QStringLiteral("sticker-%1.pdf").arg(aJob, 3, 10, QLatin1Char('0')));
}

TPrintOutcome TPdfStickerPrinter::PrintSticker(const QImage& aImage, const QPoint& aOffset,
                                               int aScalePercent) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setResolution(FDpi);
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageMargins(QMarginsF(0, 0, 0, 0));
  printer.setOutputFileName(JobFile(FJobs + 1));
  const TPrintOutcome outcome = PrintOn(printer, aImage, aOffset, aScalePercent);
  if (outcome.Result == prDone)
    ++FJobs;
  return outcome;
}
