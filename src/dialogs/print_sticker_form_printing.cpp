// Sticker printing: one sticker's copies or a whole list, one job at a time, with pause and stop,
// and the list the "Из списка" lines take their values from.

#include "platform/printing/sticker_printer.h"
#include "dialogs/print_sticker_form.h"

#include <QFileDialog>
#include <QPushButton>

void TPrintStickerForm::btnPrintClick() {
  if (FRun.Active())
    return;
  if (FSticker.Image.isNull()) {
    Say(QStringLiteral("Сначала создайте изображение для печати."));
    if (FAutoPrint)
      close();
    return;
  }
  StartRun(0);
}

void TPrintStickerForm::btnPrintListClick() {
  if (FRun.Active())
    return;
  if (FList.isEmpty()) {
    Say(QStringLiteral("Сначала загрузите список."));
    return;
  }
  if (!Settings().UsesList()) {
    Say(QStringLiteral("Ни одна строка не использует пункт \"Из списка\". Печать списка отменена."));
    return;
  }
  FRun.ResetPrinted();
  StartRun(int(FList.size()));
}

void TPrintStickerForm::StartRun(int aItems) {
  FPaused = false;
  FRun.Start(aItems, Settings().Copies);
  SetBusy(true);
  FStepTimer.start(FRun.NextDelay());
}

void TPrintStickerForm::RunNextStep() {
  FStepTimer.stop();
  if (!FRun.Active() || FPaused)
    return;
  if (FRun.ForList()) {
    FCurrentListIndex = FRun.Item();
    UpdateListLabels();
  }
  Generate();
  QString failure;
  if (!FSticker.QRError.isEmpty()) {
    failure = QStringLiteral("Текст не помещается в QR-код. Печать отменена.");
  } else {
    const TStickerSettings s = Settings();
    const TPrintOutcome outcome =
        FPrinter.PrintSticker(FSticker.Image, QPoint(s.OffsetX, s.OffsetY), s.PrintScale);
    switch (outcome.Result) {
    case prDone:
      break;
    case prNoJob:
      failure =
          QStringLiteral("Не удалось начать печать.") + QLatin1Char(' ') +
          (outcome.Error.isEmpty() ? QStringLiteral("Принтер по умолчанию не настроен.")
                                   : QStringLiteral("Принтер \"%1\" не принял задание.").arg(outcome.Error));
      break;
    case prStartFailed:
      failure = QStringLiteral("Ошибка начала печати: ") + outcome.Error;
      break;
    case prFailed:
      failure = QStringLiteral("Ошибка печати: ") + outcome.Error;
      break;
    }
  }
  if (!failure.isEmpty()) {
    // A list stops at the first job that failed, and says which one.
    if (FRun.ForList())
      failure += QStringLiteral("\nПечать списка остановлена на пункте %1 из %2 (копия %3).")
                     .arg(FRun.Item() + 1)
                     .arg(FRun.Items())
                     .arg(FRun.Copy() + 1);
    FRun.Stop();
    FinishRun();
    Say(failure, QMessageBox::Critical);
    return;
  }
  const bool more = FRun.JobDone();
  UpdateListLabels();
  if (more) {
    FStepTimer.start(FRun.NextDelay());
    return;
  }
  const bool list = FRun.Items() > 0;
  FinishRun();
  if (list)
    Say(QStringLiteral("Печать списка завершена."));
}

void TPrintStickerForm::FinishRun() {
  FStepTimer.stop();
  FPaused = false;
  btnPause->setText(QStringLiteral("Пауза"));
  SetBusy(false);
  Q_EMIT PrintingFinished();
  if (FAutoPrint)
    close();
}

void TPrintStickerForm::btnPauseClick() {
  if (!FRun.Active())
    return;
  FPaused = !FPaused;
  btnPause->setText(FPaused ? QStringLiteral("Продолжить") : QStringLiteral("Пауза"));
  if (FPaused)
    FStepTimer.stop();
  else
    FStepTimer.start(FRun.NextDelay());
}

void TPrintStickerForm::btnStopClick() {
  if (!FRun.Active())
    return;
  const bool list = FRun.ForList();
  FRun.Stop();
  FinishRun();
  if (list)
    Say(QStringLiteral("Печать списка остановлена."));
}

void TPrintStickerForm::SetBusy(bool aBusy) {
  FBody->setEnabled(!aBusy);
  btnPause->setEnabled(aBusy && FRun.ForList());
  btnStop->setEnabled(aBusy);
}

// The list of values for "Из списка".

bool TPrintStickerForm::LoadList(const QString& aFileName) {
  if (FRun.Active())
    return false;
  QString text;
  QString error;
  if (!ReadTextFile(aFileName, &text, &error)) {
    Say(error);
    return false;
  }
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QStringList items = text.split(QLatin1Char('\n'));
  if (!items.isEmpty() && items.last().isEmpty())
    items.removeLast(); // the line break that ends the file starts no item
  FList = items;
  FCurrentListIndex = FList.isEmpty() ? -1 : 0;
  FRun.ResetPrinted();
  Say(QStringLiteral("Загружено %1 элементов.").arg(FList.size()));
  UpdateListLabels();
  Generate();
  return true;
}

void TPrintStickerForm::LoadListClick() {
  auto* dlg = new QFileDialog(this, QStringLiteral("Загрузить список"), QString(),
                              QStringLiteral("Текстовые файлы (*.txt);;Все файлы (*.*)"));
  dlg->setAttribute(Qt::WA_DeleteOnClose);
  dlg->setFileMode(QFileDialog::ExistingFile);
  connect(dlg, &QFileDialog::fileSelected, this, [this](const QString& aFile) { LoadList(aFile); });
  dlg->open();
}
