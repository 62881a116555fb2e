// The sticker dialog: its controls, the settings they hold, the sticker drawn from them, its
// messages and how it closes. Printing and templates have files of their own.

#include "dialogs/print_sticker_form.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr int kPreviewSide = 400;

QLabel* NewLabel(const QString& aText, QWidget* aParent) {
  return new QLabel(aText, aParent);
}

} // namespace

TPrintStickerForm::TPrintStickerForm(TRegistry& aRegistry, IStickerPrinter& aPrinter, bool aAutoPrint,
                                     QWidget* aParent)
    : QDialog(aParent), FRegistry(aRegistry), FTemplates(aRegistry), FPrinter(aPrinter),
      FAutoPrint(aAutoPrint) {
  setObjectName(QStringLiteral("PrintStickerForm"));
  setWindowTitle(QStringLiteral("Печать наклейки"));
  FStepTimer.setSingleShot(true);
  connect(&FStepTimer, &QTimer::timeout, this, &TPrintStickerForm::RunNextStep);
  BuildControls();

  // The last chosen template wins over the state of the last closed dialog.
  const QString last = FTemplates.LastTemplate();
  FillTemplateList(QString());
  if (!last.isEmpty() && FTemplates.Names().contains(last)) {
    FillTemplateList(last);
    TStickerSettings s;
    s.FromText(FTemplates.Text(last));
    SetSettings(s);
    edTemplateName->setText(last);
  } else {
    TStickerSettings s;
    s.FromText(FTemplates.Current());
    SetSettings(s);
  }
  FReady = true;
  UpdateEnabling();
  if (!FAutoPrint)
    Generate();
}

TPrintStickerForm::~TPrintStickerForm() = default;

QSpinBox* TPrintStickerForm::NewSpin(int aMin, int aMax, const QString& aName) {
  auto* s = new QSpinBox(this);
  s->setObjectName(aName);
  s->setRange(aMin, aMax);
  s->setKeyboardTracking(false);
  connect(s, &QSpinBox::valueChanged, this, &TPrintStickerForm::Changed);
  return s;
}

void TPrintStickerForm::BuildControls() {
  auto* root = new QVBoxLayout(this);
  FBody = new QWidget(this);
  auto* body = new QVBoxLayout(FBody);
  body->setContentsMargins(0, 0, 0, 0);
  auto* top = new QHBoxLayout;
  top->addWidget(BuildLines(), 1);
  top->addWidget(BuildSideColumn());
  body->addLayout(top);
  body->addWidget(BuildBottom());
  root->addWidget(FBody);

  // Only these stay enabled while printing.
  auto* run = new QHBoxLayout;
  lblPrinted = NewLabel(QString(), this);
  lblPrinted->setObjectName(QStringLiteral("lblPrinted"));
  btnPause = new QPushButton(QStringLiteral("Пауза"), this);
  btnPause->setObjectName(QStringLiteral("btnPause"));
  btnPause->setEnabled(false);
  connect(btnPause, &QPushButton::clicked, this, &TPrintStickerForm::btnPauseClick);
  btnStop = new QPushButton(QStringLiteral("Стоп"), this);
  btnStop->setObjectName(QStringLiteral("btnStop"));
  btnStop->setEnabled(false);
  connect(btnStop, &QPushButton::clicked, this, &TPrintStickerForm::btnStopClick);
  run->addWidget(lblPrinted, 1);
  run->addWidget(btnPause);
  run->addWidget(btnStop);
  root->addLayout(run);
  UpdateListLabels();
}

QWidget* TPrintStickerForm::BuildLines() {
  auto* box = new QGroupBox(QStringLiteral("Строки наклейки"), this);
  auto* grid = new QGridLayout(box);
  grid->setHorizontalSpacing(6);
  const QStringList heads = {
      QStringLiteral("QR"),    QStringLiteral("Подп. QR"), QStringLiteral("Текст"),
      QStringLiteral("Подп."), QStringLiteral("Источник"), QStringLiteral("Подпись / текст"),
      QStringLiteral("X"),     QStringLiteral("Y"),        QStringLiteral("Шрифт")};
  for (int c = 0; c < heads.size(); ++c)
    grid->addWidget(NewLabel(heads[c], box), 0, c + 1);
  // Neither ";" nor a line break may enter a caption: the settings text is ";"-joined.
  const QRegularExpression captionRule(QStringLiteral("[^;\\r\\n]*"));
  for (int i = 0; i < kStickerLines; ++i) {
    TLineControls& l = FLines[size_t(i)];
    const QString n = QString::number(i + 1);
    const int row = i + 1;
    grid->addWidget(NewLabel(n, box), row, 0);
    l.chkLine = new QCheckBox(box);
    l.chkLine->setObjectName(QStringLiteral("chkLine") + n);
    l.chkLine->setToolTip(QStringLiteral("Включить в QR"));
    l.chkCaptionQR = new QCheckBox(box);
    l.chkCaptionQR->setObjectName(QStringLiteral("chkCaptionQR") + n);
    l.chkCaptionQR->setToolTip(QStringLiteral("Выводить подпись в QR"));
    l.chkShowText = new QCheckBox(box);
    l.chkShowText->setObjectName(QStringLiteral("chkShowText") + n);
    l.chkShowText->setToolTip(QStringLiteral("Показывать на наклейке"));
    l.chkCaption = new QCheckBox(box);
    l.chkCaption->setObjectName(QStringLiteral("chkCaption") + n);
    l.chkCaption->setToolTip(QStringLiteral("Выводить подпись на наклейке"));
    for (QCheckBox* c : {l.chkLine, l.chkCaptionQR, l.chkShowText, l.chkCaption})
      connect(c, &QCheckBox::toggled, this, &TPrintStickerForm::Changed);
    l.cmbLine = new QComboBox(box);
    l.cmbLine->setObjectName(QStringLiteral("cmbLine") + n);
    l.cmbLine->addItems(StickerSourceCaptions());
    connect(l.cmbLine, &QComboBox::currentIndexChanged, this, &TPrintStickerForm::Changed);
    l.edCustomText = new QLineEdit(box);
    l.edCustomText->setObjectName(QStringLiteral("edCustomText") + n);
    l.edCustomText->setValidator(new QRegularExpressionValidator(captionRule, l.edCustomText));
    connect(l.edCustomText, &QLineEdit::textChanged, this, &TPrintStickerForm::Changed);
    l.edLineX = NewSpin(kPositionMin, kPositionMax, QStringLiteral("edLineX") + n);
    l.edLineY = NewSpin(kPositionMin, kPositionMax, QStringLiteral("edLineY") + n);
    l.edFontSize = NewSpin(kFontMin, kFontMax, QStringLiteral("edFontSize") + n);
    int c = 1;
    for (QWidget* w :
         std::initializer_list<QWidget*>{l.chkLine, l.chkCaptionQR, l.chkShowText, l.chkCaption, l.cmbLine,
                                         l.edCustomText, l.edLineX, l.edLineY, l.edFontSize})
      grid->addWidget(w, row, c++);
  }
  grid->setColumnStretch(6, 1);
  grid->setRowStretch(kStickerLines + 1, 1); // rows stay together at the top beside the tall preview
  return box;
}

QWidget* TPrintStickerForm::BuildSideColumn() {
  auto* side = new QWidget(this);
  auto* v = new QVBoxLayout(side);
  v->setContentsMargins(0, 0, 0, 0);
  FPreview = new QLabel(side);
  FPreview->setObjectName(QStringLiteral("imgPreview"));
  FPreview->setFixedSize(kPreviewSide, kPreviewSide);
  FPreview->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  FPreview->setFrameShape(QFrame::Box);
  v->addWidget(FPreview);
  chkStretch = new QCheckBox(QStringLiteral("Растянуть предпросмотр"), side);
  chkStretch->setObjectName(QStringLiteral("chkStretch"));
  connect(chkStretch, &QCheckBox::toggled, this, &TPrintStickerForm::UpdatePreview);
  v->addWidget(chkStretch);
  FQRStatus = NewLabel(QString(), side);
  FQRStatus->setObjectName(QStringLiteral("lblQRStatus"));
  FQRStatus->setStyleSheet(QStringLiteral("color: rgb(255, 0, 0);"));
  FQRStatus->setWordWrap(true);
  v->addWidget(FQRStatus);
  v->addWidget(NewLabel(QStringLiteral("QR строка:"), side));
  edQRText = new QPlainTextEdit(side);
  edQRText->setObjectName(QStringLiteral("edQRText"));
  edQRText->setReadOnly(true);
  edQRText->setFixedHeight(70);
  v->addWidget(edQRText);
  return side;
}

QWidget* TPrintStickerForm::BuildBottom() {
  auto* w = new QWidget(this);
  auto* grid = new QGridLayout(w);
  grid->setContentsMargins(0, 0, 0, 0);
  int c = 0;
  const auto add = [&](const QString& aCaption, QWidget* aControl, int aRow) {
    grid->addWidget(NewLabel(aCaption, w), aRow, c);
    grid->addWidget(aControl, aRow, c + 1);
    c += 2;
  };
  cmbQRLevel = new QComboBox(w);
  cmbQRLevel->setObjectName(QStringLiteral("cmbQRLevel"));
  cmbQRLevel->addItems(StickerQRLevels());
  connect(cmbQRLevel, &QComboBox::currentIndexChanged, this, &TPrintStickerForm::Changed);
  edQRSize = NewSpin(kQRSizeMin, kQRSizeMax, QStringLiteral("edQRSize"));
  edQRX = NewSpin(kPositionMin, kPositionMax, QStringLiteral("edQRX"));
  edQRY = NewSpin(kPositionMin, kPositionMax, QStringLiteral("edQRY"));
  edQRVersion = NewSpin(0, kQRVersionMax, QStringLiteral("edQRVersion"));
  cmbSeparator = new QComboBox(w);
  cmbSeparator->setObjectName(QStringLiteral("cmbSeparator"));
  cmbSeparator->addItems(StickerSeparatorCaptions());
  connect(cmbSeparator, &QComboBox::currentIndexChanged, this, &TPrintStickerForm::Changed);
  add(QStringLiteral("Уровень QR"), cmbQRLevel, 0);
  add(QStringLiteral("Размер QR"), edQRSize, 0);
  add(QStringLiteral("QR X"), edQRX, 0);
  add(QStringLiteral("QR Y"), edQRY, 0);
  add(QStringLiteral("Версия QR"), edQRVersion, 0);
  add(QStringLiteral("Разделитель"), cmbSeparator, 0);
  c = 0;
  edPrintScale = NewSpin(kScaleMin, kScaleMax, QStringLiteral("edPrintScale"));
  edOffsetX = NewSpin(kPositionMin, kPositionMax, QStringLiteral("edOffsetX"));
  edOffsetY = NewSpin(kPositionMin, kPositionMax, QStringLiteral("edOffsetY"));
  edCopies = NewSpin(kCopiesMin, kCopiesMax, QStringLiteral("edCopies"));
  add(QStringLiteral("Масштаб, %"), edPrintScale, 1);
  add(QStringLiteral("Сдвиг X"), edOffsetX, 1);
  add(QStringLiteral("Сдвиг Y"), edOffsetY, 1);
  add(QStringLiteral("Копии"), edCopies, 1);

  const auto button = [w](const QString& aText, const QString& aName) {
    auto* b = new QPushButton(aText, w);
    b->setObjectName(aName);
    b->setAutoDefault(false);
    return b;
  };
  // Templates.
  auto* templates = new QHBoxLayout;
  templates->addWidget(NewLabel(QStringLiteral("Шаблон"), w));
  cmbTemplates = new QComboBox(w);
  cmbTemplates->setObjectName(QStringLiteral("cmbTemplates"));
  cmbTemplates->setMinimumWidth(160);
  connect(cmbTemplates, &QComboBox::activated, this, &TPrintStickerForm::TemplateChosen);
  templates->addWidget(cmbTemplates);
  edTemplateName = new QLineEdit(w);
  edTemplateName->setObjectName(QStringLiteral("edTemplateName"));
  templates->addWidget(edTemplateName, 1);
  QPushButton* save = button(QStringLiteral("Сохранить"), QStringLiteral("btnSaveTemplate"));
  connect(save, &QPushButton::clicked, this, &TPrintStickerForm::btnSaveTemplateClick);
  QPushButton* del = button(QStringLiteral("Удалить"), QStringLiteral("btnDeleteTemplate"));
  connect(del, &QPushButton::clicked, this, &TPrintStickerForm::btnDeleteTemplateClick);
  QPushButton* toFile = button(QStringLiteral("В файл"), QStringLiteral("btnExport"));
  connect(toFile, &QPushButton::clicked, this, &TPrintStickerForm::ExportClick);
  QPushButton* fromFile = button(QStringLiteral("Из файла"), QStringLiteral("btnImport"));
  connect(fromFile, &QPushButton::clicked, this, &TPrintStickerForm::ImportClick);
  for (QPushButton* b : {save, del, toFile, fromFile})
    templates->addWidget(b);
  grid->addLayout(templates, 2, 0, 1, 12);

  // List and print.
  auto* list = new QHBoxLayout;
  QPushButton* loadList = button(QStringLiteral("Загрузить список"), QStringLiteral("btnLoadList"));
  connect(loadList, &QPushButton::clicked, this, &TPrintStickerForm::LoadListClick);
  QPushButton* printList = button(QStringLiteral("Напечатать список"), QStringLiteral("btnPrintList"));
  connect(printList, &QPushButton::clicked, this, &TPrintStickerForm::btnPrintListClick);
  lblListTotal = NewLabel(QString(), w);
  lblListTotal->setObjectName(QStringLiteral("lblListTotal"));
  lblListCurrent = NewLabel(QString(), w);
  lblListCurrent->setObjectName(QStringLiteral("lblListCurrent"));
  list->addWidget(loadList);
  list->addWidget(printList);
  list->addWidget(lblListTotal);
  list->addWidget(lblListCurrent, 1);
  grid->addLayout(list, 3, 0, 1, 12);

  auto* buttons = new QHBoxLayout;
  QPushButton* reset = button(QStringLiteral("Сброс настроек"), QStringLiteral("btnReset"));
  connect(reset, &QPushButton::clicked, this, &TPrintStickerForm::btnResetClick);
  QPushButton* print = button(QStringLiteral("Печать"), QStringLiteral("btnPrint"));
  connect(print, &QPushButton::clicked, this, &TPrintStickerForm::btnPrintClick);
  QPushButton* cancel = button(QStringLiteral("Отмена"), QStringLiteral("btnCancel"));
  connect(cancel, &QPushButton::clicked, this, &TPrintStickerForm::reject);
  buttons->addWidget(reset);
  buttons->addStretch(1);
  buttons->addWidget(print);
  buttons->addWidget(cancel);
  grid->addLayout(buttons, 4, 0, 1, 12);
  return w;
}

TStickerSettings TPrintStickerForm::Settings() const {
  TStickerSettings s;
  for (int i = 0; i < kStickerLines; ++i) {
    const TLineControls& c = FLines[size_t(i)];
    TStickerLine& l = s.Lines[size_t(i)];
    l.InQR = c.chkLine->isChecked();
    l.CaptionInQR = c.chkCaptionQR->isChecked();
    l.ShowText = c.chkShowText->isChecked();
    l.Caption = c.chkCaption->isChecked();
    l.Source = c.cmbLine->currentIndex();
    l.CustomText = CleanCaption(c.edCustomText->text());
    l.X = c.edLineX->value();
    l.Y = c.edLineY->value();
    l.FontSize = c.edFontSize->value();
  }
  s.QRLevel = cmbQRLevel->currentIndex();
  s.QRSize = edQRSize->value();
  s.QRX = edQRX->value();
  s.QRY = edQRY->value();
  s.QRVersion = edQRVersion->value();
  s.Separator = cmbSeparator->currentIndex();
  s.PrintScale = edPrintScale->value();
  s.OffsetX = edOffsetX->value();
  s.OffsetY = edOffsetY->value();
  s.Copies = edCopies->value();
  s.Clamp();
  return s;
}

void TPrintStickerForm::SetSettings(const TStickerSettings& aSettings) {
  TStickerSettings s = aSettings;
  s.Clamp();
  FLoading = true;
  for (int i = 0; i < kStickerLines; ++i) {
    const TLineControls& c = FLines[size_t(i)];
    const TStickerLine& l = s.Lines[size_t(i)];
    c.chkLine->setChecked(l.InQR);
    c.chkCaptionQR->setChecked(l.CaptionInQR);
    c.chkShowText->setChecked(l.ShowText);
    c.chkCaption->setChecked(l.Caption);
    c.cmbLine->setCurrentIndex(l.Source);
    c.edCustomText->setText(CleanCaption(l.CustomText));
    c.edLineX->setValue(l.X);
    c.edLineY->setValue(l.Y);
    c.edFontSize->setValue(l.FontSize);
  }
  cmbQRLevel->setCurrentIndex(s.QRLevel);
  edQRSize->setValue(s.QRSize);
  edQRX->setValue(s.QRX);
  edQRY->setValue(s.QRY);
  edQRVersion->setValue(s.QRVersion);
  cmbSeparator->setCurrentIndex(s.Separator);
  edPrintScale->setValue(s.PrintScale);
  edOffsetX->setValue(s.OffsetX);
  edOffsetY->setValue(s.OffsetY);
  edCopies->setValue(s.Copies);
  FLoading = false;
  Changed();
}

void TPrintStickerForm::SetDeviceData(const TDeviceData& aData) {
  FDeviceData = aData;
  if (FReady)
    Generate();
}

void TPrintStickerForm::Changed() {
  if (FLoading)
    return;
  UpdateEnabling();
  if (FReady)
    Generate();
}

void TPrintStickerForm::UpdateEnabling() {
  for (const TLineControls& c : FLines) {
    const int source = c.cmbLine->currentIndex();
    c.chkCaptionQR->setEnabled(c.chkLine->isChecked());
    c.chkCaption->setEnabled(c.chkShowText->isChecked());
    c.cmbLine->setEnabled(c.chkLine->isChecked() || c.chkShowText->isChecked());
    const bool ownText = source == ssText || source == ssList;
    const bool captioned =
        source >= ssID && source <= ssWiFiAC && (c.chkCaptionQR->isChecked() || c.chkCaption->isChecked());
    c.edCustomText->setEnabled(ownText || captioned);
  }
}

void TPrintStickerForm::Generate() {
  const bool listItem = FCurrentListIndex >= 0 && FCurrentListIndex < FList.size();
  const QString item = listItem ? FList[FCurrentListIndex] : QString();
  const TStickerSettings s = Settings();
  FSticker = RenderSticker(s, ComposeSticker(s, FDeviceData, listItem ? &item : nullptr));
  edQRText->setPlainText(FSticker.QRText);
  FQRStatus->setText(FSticker.QRError.isEmpty()
                         ? QString()
                         : QStringLiteral("Текст не помещается в QR-код: ") + FSticker.QRError);
  UpdatePreview();
}

QString TPrintStickerForm::QRText() const {
  return edQRText->toPlainText();
}

void TPrintStickerForm::UpdatePreview() {
  if (FSticker.Image.isNull()) {
    FPreview->clear();
    return;
  }
  const QImage shown =
      chkStretch->isChecked()
          ? FSticker.Image.scaled(kPreviewSide, kPreviewSide, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
          : FSticker.Image.copy(0, 0, kPreviewSide, kPreviewSide);
  FPreview->setPixmap(QPixmap::fromImage(shown));
}

void TPrintStickerForm::UpdateListLabels() {
  lblListTotal->setText(FList.isEmpty() ? QString() : QStringLiteral("Всего: %1").arg(FList.size()));
  if (FCurrentListIndex >= 0 && FCurrentListIndex < FList.size())
    lblListCurrent->setText(
        QStringLiteral("Текущий (%1): %2").arg(FCurrentListIndex + 1).arg(FList[FCurrentListIndex]));
  else
    lblListCurrent->clear();
  lblPrinted->setText(QStringLiteral("Напечатано: %1").arg(FRun.Printed()));
}

// Messages.

void TPrintStickerForm::Say(const QString& aText, QMessageBox::Icon aIcon) {
  FLastMessage = aText;
  if (FAutoPrint)
    return;
  auto* box = new QMessageBox(aIcon, windowTitle(), aText, QMessageBox::Ok, this);
  box->setObjectName(QStringLiteral("StickerMessage"));
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

void TPrintStickerForm::Ask(const QString& aText, std::function<void()> aOnYes) {
  FLastMessage = aText;
  auto* box =
      new QMessageBox(QMessageBox::Question, windowTitle(), aText, QMessageBox::Yes | QMessageBox::No, this);
  box->setAttribute(Qt::WA_DeleteOnClose);
  connect(box, &QMessageBox::finished, this, [onYes = std::move(aOnYes)](int aResult) {
    if (aResult == QMessageBox::Yes)
      onYes();
  });
  box->open();
}

// Closing: a running print stops after the job in hand (jobs are never interrupted).

void TPrintStickerForm::reject() {
  if (FRun.Active())
    return; // Cancel is disabled while printing; Escape is too
  if (!FAutoPrint)
    FTemplates.SetCurrent(Settings().ToText());
  QDialog::reject();
}

void TPrintStickerForm::closeEvent(QCloseEvent* aEvent) {
  if (FRun.Active()) {
    FRun.Stop();
    FStepTimer.stop();
    SetBusy(false);
  }
  if (!FAutoPrint)
    FTemplates.SetCurrent(Settings().ToText());
  QDialog::closeEvent(aEvent);
}

TPrintStickerForm* ShowStickerDialog(const TDeviceData& aData, bool aAutoPrint, TRegistry& aRegistry,
                                     IStickerPrinter& aPrinter, QWidget* aParent) {
  auto* form = new TPrintStickerForm(aRegistry, aPrinter, aAutoPrint, aParent);
  form->setAttribute(Qt::WA_DeleteOnClose);
  form->SetDeviceData(aData);
  if (aAutoPrint) {
    form->Generate();
    form->btnPrintClick();
  } else {
    form->setWindowModality(Qt::ApplicationModal);
    form->show();
  }
  return form;
}
