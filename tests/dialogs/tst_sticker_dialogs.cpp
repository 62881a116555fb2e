// The sticker dialog (templates, list printing as a step machine, failures) and the vehicle
// selection dialog over a small vehicle list.

#include "platform/app_paths.h"
#include "platform/printing/sticker_printer.h"
#include "platform/registry.h"
#include "dialogs/car_list.h"
#include "dialogs/car_select_form.h"
#include "dialogs/print_sticker_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

namespace {

// Records every job; fails the job numbered FailAt (from 1).
class TRecordingPrinter : public IStickerPrinter {
public:
  struct TJob {
    QSize Image;
    QPoint Offset;
    int Scale;
  };
  QList<TJob> Jobs;
  int FailAt = 0;
  TPrintResult Failure = prFailed;
  QString Error = QStringLiteral("paper jam");
  TPrintOutcome PrintSticker(const QImage& aImage, const QPoint& aOffset, int aScalePercent) override {
    if (int(Jobs.size()) + 1 == FailAt)
      return {Failure, Error};
    Jobs << TJob{aImage.size(), aOffset, aScalePercent};
    return {prDone, {}};
  }
};

QString WriteFile(const QTemporaryDir& aDir, const QString& aName, const QByteArray& aBytes) {
  const QString path = aDir.filePath(aName);
  QFile f(path);
  if (f.open(QIODevice::WriteOnly))
    f.write(aBytes);
  return path;
}

// Answers the question box the dialog has open.
void Answer(QWidget& aDialog, QMessageBox::StandardButton aButton) {
  for (QMessageBox* box : aDialog.findChildren<QMessageBox*>())
    if (box->isVisible() && box->button(aButton)) {
      box->button(aButton)->click();
      return;
    }
  QFAIL("no question is open");
}

const QByteArray kCars = R"({
  "types": {"305": 3, "306": "2", "900": 1000000, "901": -4, "902": true},
  "cars": [
    {"brand": "Lada", "model": "Vesta", "year": "2019", "prog": "17", "RPM": 1, "SPEED": "2",
     "MILEAGE": 3, "can1_info": "pins 6/14", "can3_info": "under the dash", "info": "check fuse"},
    {"brand": "Lada", "model": "Vesta", "year": "2019", "prog": 99},
    {"brand": "Lada", "model": "Niva", "year": "2020", "prog": 21, "RPM": [1]},
    "not a car",
    {"brand": "Kamaz", "model": "5490", "year": "2018", "prog": 17, "TEMP": 2},
    {"brand": "Lada", "model": "Vesta", "year": "2021", "prog": "x"}
  ]
})";

int Row(const QString& aKey) {
  const auto params = CarParameters();
  for (size_t i = 0; i < params.size(); ++i)
    if (QString::fromLatin1(params[i].Key) == aKey)
      return int(i);
  return -1;
}

} // namespace

class TstStickerDialogs : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void init();
  void constructionPicksLastTemplateOverCurrent();
  void saveOverwriteDeleteTemplates();
  void captionRefusesSeparator();
  void importExportAndResetThroughTheDialog();
  void previewIsOneToOneOrStretched();
  void copiesAreSeparateJobs();
  void listPrintsEveryItemAndCopy();
  void listPauseStopAndClose();
  void listStopsAtFirstFailure();
  void failuresAreReported_data();
  void failuresAreReported();
  void qrOverflowRefusesToPrint();
  void automaticPrintingClosesWithoutMessages();

  void vehicleColumnsFitTheirText();
  void carListErrors_data();
  void carListErrors();
  void canColumnsPerType_data();
  void canColumnsPerType();
  void carCascadeAndMarks();
  void entryPointReadsTheDataFolder();

private:
  TRegistry FRegistry;
};

void TstStickerDialogs::init() {
  FRegistry.DeleteKey(QStringLiteral("StickerPrinter"));
}

void TstStickerDialogs::constructionPicksLastTemplateOverCurrent() {
  TStickerSettings current;
  current.QRSize = 300;
  TStickerSettings tpl;
  tpl.QRSize = 444;
  TStickerTemplates t(FRegistry);
  t.SetCurrent(current.ToText());
  t.Save(QStringLiteral("A"), TStickerSettings().ToText());
  t.Save(QStringLiteral("B"), tpl.ToText());
  TRecordingPrinter printer;
  {
    t.SetLastTemplate(QStringLiteral("B"));
    TPrintStickerForm form(FRegistry, printer, false);
    QCOMPARE(form.Settings().QRSize, 444);
    QCOMPARE(form.TemplateName(), QStringLiteral("B"));
    QCOMPARE(form.TemplateNames(), QStringList({QStringLiteral("A"), QStringLiteral("B")}));
    QVERIFY(!form.Sticker().Image.isNull());
  }
  {
    t.SetLastTemplate(QStringLiteral("gone"));
    TPrintStickerForm form(FRegistry, printer, false);
    QCOMPARE(form.Settings().QRSize, 300);
    QVERIFY(form.TemplateName().isEmpty());
    // Cancel keeps the state for next time.
    TStickerSettings s = form.Settings();
    s.Copies = 7;
    form.SetSettings(s);
    form.reject();
  }
  TStickerSettings stored;
  stored.FromText(t.Current());
  QCOMPARE(stored.Copies, 7);
}

void TstStickerDialogs::saveOverwriteDeleteTemplates() {
  TRecordingPrinter printer;
  TPrintStickerForm form(FRegistry, printer, false);
  form.SetTemplateName(QStringLiteral("a=b"));
  form.btnSaveTemplateClick();
  QCOMPARE(form.LastMessage(), QStringLiteral("Введите корректное имя шаблона"));
  form.SetTemplateName(QStringLiteral(" Label "));
  form.btnSaveTemplateClick();
  QCOMPARE(form.LastMessage(), QStringLiteral("Шаблон сохранён"));
  QCOMPARE(form.TemplateNames(), QStringList({QStringLiteral("Label")}));

  TStickerSettings s = form.Settings();
  s.QRSize = 321;
  form.SetSettings(s);
  form.btnSaveTemplateClick();
  QCOMPARE(form.LastMessage(), QStringLiteral("Шаблон с именем \"Label\" уже существует. Перезаписать?"));
  Answer(form, QMessageBox::No);
  TStickerTemplates t(FRegistry);
  TStickerSettings stored;
  stored.FromText(t.Text(QStringLiteral("Label")));
  QCOMPARE(stored.QRSize, 200);
  form.btnSaveTemplateClick();
  Answer(form, QMessageBox::Yes);
  stored.FromText(t.Text(QStringLiteral("Label")));
  QCOMPARE(stored.QRSize, 321);
  QCOMPARE(t.LastTemplate(), QStringLiteral("Label"));

  form.btnDeleteTemplateClick();
  QCOMPARE(form.LastMessage(), QStringLiteral("Удалить шаблон \"Label\"?"));
  Answer(form, QMessageBox::Yes);
  QVERIFY(form.TemplateNames().isEmpty());
  QVERIFY(form.TemplateName().isEmpty());
  QVERIFY(!FRegistry.ValueExists(QStringLiteral("StickerPrinter"), QStringLiteral("LastTemplate")));
}

void TstStickerDialogs::captionRefusesSeparator() {
  TRecordingPrinter printer;
  TPrintStickerForm form(FRegistry, printer, false);
  auto* caption = form.findChild<QLineEdit*>(QStringLiteral("edCustomText1"));
  QVERIFY(caption);
  // A value source takes a caption only once a caption box is ticked.
  QVERIFY(!caption->isEnabled());
  form.findChild<QCheckBox*>(QStringLiteral("chkCaption1"))->setChecked(true);
  QVERIFY(caption->isEnabled());
  QTest::keyClicks(caption, QStringLiteral("SN;: "));
  QCOMPARE(caption->text(), QStringLiteral("SN: "));
  QCOMPARE(form.Settings().ToText().split(QLatin1Char(';')).size(), kStickerFields);
}

void TstStickerDialogs::importExportAndResetThroughTheDialog() {
  QTemporaryDir dir;
  TStickerSettings wide;
  wide.QRSize = 600;
  const QString file = WriteFile(dir, QStringLiteral("in.ptp"),
                                 "First=" + TStickerSettings().ToText().toUtf8() +
                                     "\r\nWide=" + wide.ToText().toUtf8() + "\r\nbroken line\r\n");
  TRecordingPrinter printer;
  TPrintStickerForm form(FRegistry, printer, false);
  // A file beyond any set of templates is not read at all; the templates stay as they were.
  const QString huge = WriteFile(dir, QStringLiteral("huge.ptp"),
                                 "Huge=" + QByteArray(TStickerTemplates::kMaxFileBytes, '1') + "\r\n");
  QVERIFY(!form.ImportTemplates(huge));
  QCOMPARE(form.LastMessage(), QStringLiteral("Файл слишком велик: ") + huge);
  QVERIFY(form.TemplateNames().isEmpty());
  QVERIFY(form.ImportTemplates(file));
  QCOMPARE(form.LastMessage(), QStringLiteral("Шаблоны загружены из файла. Пропущено строк: 1."));
  QCOMPARE(form.TemplateNames(), QStringList({QStringLiteral("First"), QStringLiteral("Wide")}));
  QCOMPARE(form.TemplateName(), QStringLiteral("Wide")); // the last entry is loaded
  QCOMPARE(form.Settings().QRSize, 600);
  const QString out = dir.filePath(QStringLiteral("out.ptp"));
  QVERIFY(form.ExportTemplates(out));
  QString text;
  QVERIFY(ReadTextFile(out, &text, nullptr));
  QCOMPARE(text, QStringLiteral("First=") + TStickerSettings().ToText() + QStringLiteral("\r\nWide=") +
                     wide.ToText() + QStringLiteral("\r\n"));

  form.btnResetClick();
  QCOMPARE(form.LastMessage(), QStringLiteral("Сбросить все настройки и удалить все шаблоны?"));
  Answer(form, QMessageBox::Yes);
  QCOMPARE(form.LastMessage(), QStringLiteral("Настройки сброшены к значениям по умолчанию."));
  QVERIFY(form.TemplateNames().isEmpty());
  QVERIFY(form.Settings() == TStickerSettings());
  QCOMPARE(FRegistry.Read(QStringLiteral("StickerPrinter"), QStringLiteral("Templates")).toString(),
           QString());
  QVERIFY(!FRegistry.ValueExists(QStringLiteral("StickerPrinter"), QStringLiteral("Template_Wide")));
}

void TstStickerDialogs::previewIsOneToOneOrStretched() {
  TRecordingPrinter printer;
  TPrintStickerForm form(FRegistry, printer, false);
  TStickerSettings s = form.Settings();
  s.QRX = 1000; // outside the top left corner: only the stretched preview shows it
  s.QRY = 1000;
  form.SetSettings(s);
  auto* preview = form.findChild<QLabel*>(QStringLiteral("imgPreview"));
  const auto darkPixels = [preview] {
    const QImage img = preview->pixmap().toImage();
    int n = 0;
    for (int y = 150; y < 250; ++y)
      for (int x = 150; x < 250; ++x)
        n += qGray(img.pixel(x, y)) < 128;
    return n;
  };
  QCOMPARE(preview->pixmap().size(), QSize(400, 400));
  QCOMPARE(darkPixels(), 0);
  form.findChild<QCheckBox*>(QStringLiteral("chkStretch"))->setChecked(true);
  QCOMPARE(preview->pixmap().size(), QSize(400, 400));
  QVERIFY(darkPixels() > 100);
}

void TstStickerDialogs::copiesAreSeparateJobs() {
  TRecordingPrinter printer;
  TPrintStickerForm form(FRegistry, printer, false);
  TStickerSettings s = form.Settings();
  s.Copies = 3;
  s.OffsetX = 15;
  s.PrintScale = 150;
  form.SetSettings(s);
  form.btnPrintClick();
  QVERIFY(form.Printing());
  QCOMPARE(form.PendingDelay(), 0);
  form.RunNextStep();
  QCOMPARE(form.PendingDelay(), 200);
  form.RunNextStep();
  form.RunNextStep();
  QVERIFY(!form.Printing());
  QCOMPARE(printer.Jobs.size(), 3);
  QCOMPARE(printer.Jobs[2].Offset, QPoint(15, 0));
  QCOMPARE(printer.Jobs[2].Scale, 150);
  QCOMPARE(printer.Jobs[2].Image, QSize(2400, 2400));
}

void TstStickerDialogs::listPrintsEveryItemAndCopy() {
  QTemporaryDir dir;
  TRecordingPrinter printer;
  TPrintStickerForm form(FRegistry, printer, false);
  form.btnPrintListClick();
  QCOMPARE(form.LastMessage(), QStringLiteral("Сначала загрузите список."));
  QVERIFY(form.LoadList(WriteFile(dir, QStringLiteral("l.txt"), "A-1\r\nA-2\r\nA-3\r\n")));
  QCOMPARE(form.LastMessage(), QStringLiteral("Загружено 3 элементов."));
  QCOMPARE(form.CurrentListIndex(), 0);
  form.btnPrintListClick();
  QCOMPARE(form.LastMessage(),
           QStringLiteral("Ни одна строка не использует пункт \"Из списка\". Печать списка отменена."));

  TStickerSettings s = form.Settings();
  s.Lines[1].Source = ssList;
  s.Copies = 2;
  form.SetSettings(s);
  form.btnPrintListClick();
  QVERIFY(form.Printing());
  // While printing only the pause and stop buttons work.
  QVERIFY(!form.findChild<QPushButton*>(QStringLiteral("btnPrint"))->isEnabled());
  QVERIFY(!form.findChild<QPushButton*>(QStringLiteral("btnLoadList"))->isEnabled());
  QVERIFY(!form.findChild<QPushButton*>(QStringLiteral("btnCancel"))->isEnabled());
  QVERIFY(form.findChild<QPushButton*>(QStringLiteral("btnPause"))->isEnabled());
  QList<int> delays;
  QStringList qr;
  while (form.Printing()) {
    delays << form.PendingDelay();
    form.RunNextStep();
    qr << form.QRText();
  }
  QCOMPARE(delays, QList<int>({0, 200, 500, 200, 500, 200}));
  QCOMPARE(printer.Jobs.size(), 6);
  QCOMPARE(form.Printed(), 6);
  QVERIFY(qr[0].contains(QStringLiteral("A-1")) && qr[5].contains(QStringLiteral("A-3")));
  QCOMPARE(form.LastMessage(), QStringLiteral("Печать списка завершена."));
  QVERIFY(!form.findChild<QPushButton*>(QStringLiteral("btnPause"))->isEnabled());
  QVERIFY(form.findChild<QPushButton*>(QStringLiteral("btnPrint"))->isEnabled());
}

void TstStickerDialogs::listPauseStopAndClose() {
  QTemporaryDir dir;
  TRecordingPrinter printer;
  auto* form = new TPrintStickerForm(FRegistry, printer, false);
  QPointer<TPrintStickerForm> alive(form);
  form->setAttribute(Qt::WA_DeleteOnClose);
  form->show();
  TStickerSettings s = form->Settings();
  s.Lines[0].Source = ssList;
  form->SetSettings(s);
  QVERIFY(form->LoadList(WriteFile(dir, QStringLiteral("l.txt"), "1\n2\n3\n4\n")));
  form->btnPrintListClick();
  form->RunNextStep();
  form->btnPauseClick();
  QVERIFY(form->Paused());
  QCOMPARE(form->findChild<QPushButton*>(QStringLiteral("btnPause"))->text(), QStringLiteral("Продолжить"));
  form->RunNextStep(); // a tick that arrives while paused prints nothing
  QCOMPARE(printer.Jobs.size(), 1);
  // A second press of "print list", or a new list, while a run is going changes nothing.
  form->btnPrintListClick();
  QVERIFY(!form->LoadList(WriteFile(dir, QStringLiteral("other.txt"), "x\n")));
  QCOMPARE(form->List().size(), 4);
  form->btnPauseClick();
  QTRY_COMPARE(printer.Jobs.size(), 2); // the timer drives the run again
  // Closing ends the run after the job in hand and the dialog goes away.
  form->close();
  QTRY_VERIFY(alive.isNull());
  const qsizetype printed = printer.Jobs.size();
  QTest::qWait(700);
  QCOMPARE(printer.Jobs.size(), printed);
}

void TstStickerDialogs::listStopsAtFirstFailure() {
  QTemporaryDir dir;
  TRecordingPrinter printer;
  printer.FailAt = 3;
  TPrintStickerForm form(FRegistry, printer, false);
  TStickerSettings s = form.Settings();
  s.Lines[0].Source = ssList;
  s.Copies = 2;
  form.SetSettings(s);
  QVERIFY(form.LoadList(WriteFile(dir, QStringLiteral("l.txt"), "a\nb\nc\n")));
  form.btnPrintListClick();
  for (int i = 0; i < 6 && form.Printing(); ++i)
    form.RunNextStep();
  QVERIFY(!form.Printing());
  QCOMPARE(form.Printed(), 2);
  QCOMPARE(printer.Jobs.size(), 2);
  QCOMPARE(form.LastMessage(),
           QStringLiteral("Ошибка печати: paper jam\nПечать списка остановлена на пункте 2 из 3 (копия 1)."));
}

void TstStickerDialogs::failuresAreReported_data() {
  QTest::addColumn<int>("failure");
  QTest::addColumn<QString>("error");
  QTest::addColumn<QString>("message");
  QTest::newRow("no printer configured")
      << int(prNoJob) << QString()
      << QStringLiteral("Не удалось начать печать. Принтер по умолчанию не настроен.");
  QTest::newRow("printer refused the job")
      << int(prNoJob) << QStringLiteral("Zebra-1")
      << QStringLiteral("Не удалось начать печать. Принтер \"Zebra-1\" не принял задание.");
  QTest::newRow("start") << int(prStartFailed) << QStringLiteral("paper jam")
                         << QStringLiteral("Ошибка начала печати: paper jam");
  QTest::newRow("while printing") << int(prFailed) << QStringLiteral("paper jam")
                                  << QStringLiteral("Ошибка печати: paper jam");
}

void TstStickerDialogs::failuresAreReported() {
  QFETCH(int, failure);
  QFETCH(QString, error);
  TRecordingPrinter printer;
  printer.FailAt = 1;
  printer.Failure = TPrintResult(failure);
  printer.Error = error;
  TPrintStickerForm form(FRegistry, printer, false);
  TStickerSettings s = form.Settings();
  s.Copies = 3;
  form.SetSettings(s);
  form.btnPrintClick();
  form.RunNextStep();
  QVERIFY(!form.Printing()); // the remaining copies are not tried
  QTEST(form.LastMessage(), "message");
  QVERIFY(printer.Jobs.isEmpty());
  // A failure looks like one.
  auto* box = form.findChild<QMessageBox*>(QStringLiteral("StickerMessage"));
  QVERIFY(box);
  QCOMPARE(box->icon(), QMessageBox::Critical);
}

void TstStickerDialogs::qrOverflowRefusesToPrint() {
  TRecordingPrinter printer;
  TPrintStickerForm form(FRegistry, printer, false);
  TDeviceData d;
  d.ID = QString(3000, QLatin1Char('9'));
  form.SetDeviceData(d);
  TStickerSettings s = form.Settings();
  s.QRLevel = 3;
  form.SetSettings(s);
  QVERIFY(!form.Sticker().QRError.isEmpty());
  QVERIFY(!form.findChild<QLabel*>(QStringLiteral("lblQRStatus"))->text().isEmpty());
  form.btnPrintClick();
  form.RunNextStep();
  QVERIFY(printer.Jobs.isEmpty());
  QCOMPARE(form.LastMessage(), QStringLiteral("Текст не помещается в QR-код. Печать отменена."));
}

void TstStickerDialogs::automaticPrintingClosesWithoutMessages() {
  TRecordingPrinter printer;
  TDeviceData d;
  d.ID = QStringLiteral("4242");
  QPointer<TPrintStickerForm> form = ShowStickerDialog(d, true, FRegistry, printer, nullptr);
  QVERIFY(form);
  QVERIFY(!form->isVisible());
  QTRY_VERIFY(form.isNull());
  QCOMPARE(printer.Jobs.size(), 1);
  // A failure closes it too, and shows nothing.
  printer.FailAt = 2;
  form = ShowStickerDialog(d, true, FRegistry, printer, nullptr);
  QTRY_VERIFY(form.isNull());
  QCOMPARE(printer.Jobs.size(), 1);
  QVERIFY(!QApplication::activeModalWidget());
}

void TstStickerDialogs::entryPointReadsTheDataFolder() {
  QFile::remove(QDir(AppDataFolder()).filePath(QStringLiteral("CAN_AUTO.json")));
  QString error;
  QVERIFY(!ShowCarSelect(nullptr, QStringLiteral("305"), {}, &error));
  QCOMPARE(error, QStringLiteral("CAN_AUTO.json not found"));
  QFile file(QDir(AppDataFolder()).filePath(QStringLiteral("CAN_AUTO.json")));
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(kCars);
  file.close();
  int chosen = -1;
  QPointer<TCarSelectFrm> form = ShowCarSelect(
      nullptr, QStringLiteral("305"), [&](int aProg) { chosen = aProg; }, &error);
  QVERIFY(form);
  QVERIFY(form->isVisible());
  QCOMPARE(form->MaxCAN(), 3);
  form->Brands()->setCurrentIndex(1);
  form->Models()->setCurrentIndex(0);
  form->Years()->setCurrentIndex(0);
  form->OKButton()->click();
  QCOMPARE(chosen, 17);
  QTRY_VERIFY(form.isNull());
}

// Vehicle selection.

void TstStickerDialogs::vehicleColumnsFitTheirText() {
  QTemporaryDir dir;
  TCarSelectFrm form;
  QString error;
  QVERIFY(form.LoadCars(WriteFile(dir, QStringLiteral("CAN_AUTO.json"), kCars), &error));
  form.SetDeviceVer(QStringLiteral("305"));
  form.resize(700, 500);
  form.show();
  form.Brands()->setCurrentIndex(form.Brands()->findText(QStringLiteral("Lada")));
  form.Models()->setCurrentIndex(form.Models()->findText(QStringLiteral("Vesta")));
  form.Years()->setCurrentIndex(0);
  QTreeWidget* params = form.Params();
  QVERIFY(params->topLevelItemCount() > 0);
  // The parameter column holds its longest name whole, in whatever font the desktop has, and the
  // columns fill the list with no empty strip after the last.
  const auto total = [&] {
    int sum = 0;
    for (int c = 0; c < params->columnCount(); ++c)
      sum += params->header()->sectionSize(c);
    return sum;
  };
  QTRY_COMPARE(total(), params->viewport()->width());
  const QFontMetrics metrics(params->font());
  int longest = 0;
  for (int i = 0; i < params->topLevelItemCount(); ++i)
    longest = qMax(longest, metrics.horizontalAdvance(params->topLevelItem(i)->text(0)));
  QVERIFY(params->columnWidth(0) >= longest);
  // Every CAN column keeps its header whole.
  for (int c = 1; c < params->columnCount(); ++c)
    QVERIFY(params->columnWidth(c) >= metrics.horizontalAdvance(params->headerItem()->text(c)));
}

void TstStickerDialogs::carListErrors_data() {
  QTest::addColumn<QByteArray>("content");
  QTest::addColumn<bool>("exists");
  QTest::addColumn<QString>("error");
  QTest::newRow("missing") << QByteArray() << false << QStringLiteral("CAN_AUTO.json not found");
  QTest::newRow("not json") << QByteArray("{cars: [") << true << QStringLiteral("Invalid JSON format");
  QTest::newRow("array") << QByteArray("[1, 2]") << true << QStringLiteral("Invalid JSON format");
}

void TstStickerDialogs::carListErrors() {
  QFETCH(QByteArray, content);
  QFETCH(bool, exists);
  QTemporaryDir dir;
  const QString path = exists ? WriteFile(dir, QStringLiteral("CAN_AUTO.json"), content)
                              : dir.filePath(QStringLiteral("CAN_AUTO.json"));
  TCarSelectFrm form;
  QString error;
  QVERIFY(!form.LoadCars(path, &error));
  QTEST(error, "error");
}

void TstStickerDialogs::canColumnsPerType_data() {
  QTest::addColumn<QString>("type");
  QTest::addColumn<int>("columns");
  QTest::newRow("number") << QStringLiteral("305") << 3;
  QTest::newRow("text") << QStringLiteral("306") << 2;
  QTest::newRow("absent") << QStringLiteral("303") << 1;
  QTest::newRow("no port") << QString() << 1;
  QTest::newRow("huge is capped") << QStringLiteral("900") << 8;
  QTest::newRow("negative is 1") << QStringLiteral("901") << 1;
  QTest::newRow("wrong type is 1") << QStringLiteral("902") << 1;
}

void TstStickerDialogs::canColumnsPerType() {
  QFETCH(QString, type);
  QFETCH(int, columns);
  QTemporaryDir dir;
  TCarSelectFrm form;
  QVERIFY(form.LoadCars(WriteFile(dir, QStringLiteral("CAN_AUTO.json"), kCars), nullptr));
  form.SetDeviceVer(type);
  QCOMPARE(form.MaxCAN(), columns);
  QCOMPARE(form.Params()->columnCount(), columns + 1);
  QCOMPARE(form.Params()->headerItem()->text(columns), QStringLiteral("CAN%1").arg(columns));
}

void TstStickerDialogs::carCascadeAndMarks() {
  QTemporaryDir dir;
  TCarSelectFrm form;
  QVERIFY(form.LoadCars(WriteFile(dir, QStringLiteral("CAN_AUTO.json"), kCars), nullptr));
  form.SetDeviceVer(QStringLiteral("306"));
  QCOMPARE(form.windowTitle(), QStringLiteral("Выберите авто"));
  QCOMPARE(form.Brands()->count(), 2); // the non-object entry counts as absent
  // Distinct names in the order of the file, not sorted.
  QCOMPARE(form.Brands()->itemText(0), QStringLiteral("Lada"));
  QCOMPARE(form.Brands()->itemText(1), QStringLiteral("Kamaz"));
  QVERIFY(!form.OKButton()->isEnabled());
  form.Brands()->setCurrentIndex(0);
  QCOMPARE(form.Models()->count(), 2);
  QCOMPARE(form.Models()->itemText(0), QStringLiteral("Vesta"));
  QCOMPARE(form.Models()->itemText(1), QStringLiteral("Niva"));
  form.Models()->setCurrentIndex(0);
  QCOMPARE(form.Years()->count(), 3); // repeats stay
  QCOMPARE(form.Years()->itemText(1), QStringLiteral("2019"));
  form.Years()->setCurrentIndex(1); // the second "2019" selects the first car
  QCOMPARE(form.SelectedProg(), 17);
  QVERIFY(form.OKButton()->isEnabled());
  QTreeWidget* rows = form.Params();
  QCOMPARE(rows->topLevelItemCount(), 84);
  QCOMPARE(rows->topLevelItem(Row(QStringLiteral("RPM")))->text(1), QStringLiteral("✓"));
  QCOMPARE(rows->topLevelItem(Row(QStringLiteral("SPEED")))->text(2), QStringLiteral("✓"));
  QCOMPARE(rows->topLevelItem(Row(QStringLiteral("SPEED")))->text(1), QString());
  // Bus 3 has no column on a two-bus device.
  for (int c = 1; c <= 2; ++c)
    QCOMPARE(rows->topLevelItem(Row(QStringLiteral("MILEAGE")))->text(c), QString());
  QCOMPARE(rows->topLevelItem(Row(QStringLiteral("FACTORY_ALARM")))->text(0),
           QStringLiteral("Сигнализация \"тревога\""));
  QCOMPARE(form.CanInfoText(), QStringLiteral("CAN1:\npins 6/14\nCAN3:\nunder the dash"));
  QCOMPARE(form.InfoText(), QStringLiteral("check fuse"));
  // A new device type rebuilds the columns and keeps the selection.
  form.SetDeviceVer(QStringLiteral("305"));
  QCOMPARE(rows->topLevelItem(Row(QStringLiteral("MILEAGE")))->text(3), QStringLiteral("✓"));
  // A prog that is not a number is 0 but still a chosen vehicle.
  form.Years()->setCurrentIndex(2);
  QCOMPARE(form.SelectedProg(), 0);
  // A member of the wrong type counts as absent; another brand clears everything.
  form.Models()->setCurrentIndex(1);
  QCOMPARE(form.SelectedProg(), 0);
  QVERIFY(!form.OKButton()->isEnabled());
  QCOMPARE(rows->topLevelItemCount(), 0);
  form.Years()->setCurrentIndex(0);
  QCOMPARE(form.SelectedProg(), 21);
  QCOMPARE(rows->topLevelItem(Row(QStringLiteral("RPM")))->text(1), QString());
  form.Brands()->setCurrentIndex(1);
  QCOMPARE(form.Years()->count(), 0);
  QVERIFY(form.CanInfoText().isEmpty());
  QCOMPARE(form.SelectedProg(), 0);
}

QTEST_MAIN(TstStickerDialogs)
#include "tst_sticker_dialogs.moc"
