// Sticker templates: choosing, saving and deleting named layouts, moving them to and from a file,
// and resetting everything to the defaults.

#include "i18n/dictionary.h"
#include "platform/registry.h"
#include "dialogs/print_sticker_form.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QSignalBlocker>

QStringList TPrintStickerForm::TemplateNames() const {
  QStringList out;
  for (int i = 0; i < cmbTemplates->count(); ++i)
    out << cmbTemplates->itemText(i);
  return out;
}

QString TPrintStickerForm::TemplateName() const {
  return edTemplateName->text();
}

void TPrintStickerForm::SetTemplateName(const QString& aName) {
  edTemplateName->setText(aName);
}

void TPrintStickerForm::FillTemplateList(const QString& aSelect) {
  const QSignalBlocker block(cmbTemplates);
  cmbTemplates->clear();
  const QStringList names = FTemplates.Names();
  cmbTemplates->addItems(names);
  if (names.isEmpty())
    return;
  const int at = int(names.indexOf(aSelect));
  cmbTemplates->setCurrentIndex(at >= 0 ? at : 0);
}

void TPrintStickerForm::SelectTemplate(const QString& aName) {
  const int at = int(TemplateNames().indexOf(aName));
  if (at < 0)
    return;
  cmbTemplates->setCurrentIndex(at);
  TemplateChosen(at);
}

void TPrintStickerForm::TemplateChosen(int aIndex) {
  if (aIndex < 0 || aIndex >= cmbTemplates->count())
    return;
  const QString name = cmbTemplates->itemText(aIndex);
  TStickerSettings s = Settings();
  s.FromText(FTemplates.Text(name));
  SetSettings(s);
  edTemplateName->setText(name);
  FTemplates.SetLastTemplate(name);
}

void TPrintStickerForm::btnSaveTemplateClick() {
  const QString name = TStickerTemplates::ValidName(edTemplateName->text());
  if (name.isEmpty()) {
    Say(QStringLiteral("Введите корректное имя шаблона"));
    return;
  }
  if (FTemplates.Contains(name)) {
    Ask(QStringLiteral("Шаблон с именем \"%1\" уже существует. Перезаписать?").arg(name),
        [this, name] { DoSaveTemplate(name); });
    return;
  }
  DoSaveTemplate(name);
}

void TPrintStickerForm::DoSaveTemplate(const QString& aName) {
  FTemplates.Save(aName, Settings().ToText());
  FTemplates.SetLastTemplate(aName);
  FillTemplateList(aName);
  edTemplateName->setText(aName);
  Say(QStringLiteral("Шаблон сохранён"));
}

void TPrintStickerForm::btnDeleteTemplateClick() {
  if (cmbTemplates->currentIndex() < 0)
    return;
  const QString name = cmbTemplates->currentText();
  Ask(QStringLiteral("Удалить шаблон \"%1\"?").arg(name), [this, name] {
    FTemplates.Remove(name);
    const QStringList names = FTemplates.Names();
    FillTemplateList(names.isEmpty() ? QString() : names.last());
    if (names.isEmpty()) {
      FTemplates.ClearLastTemplate();
      edTemplateName->clear();
    } else {
      TemplateChosen(int(names.size()) - 1);
    }
  });
}

bool TPrintStickerForm::ExportTemplates(const QString& aFileName) {
  QString error;
  if (!WriteTemplateFile(aFileName, FTemplates.ExportText(), &error)) {
    Say(error);
    return false;
  }
  return true;
}

bool TPrintStickerForm::ImportTemplates(const QString& aFileName) {
  QString text;
  QString error;
  bool tooLarge = false;
  if (!ReadTextFile(aFileName, &text, &error, TStickerTemplates::kMaxFileBytes, &tooLarge)) {
    if (tooLarge) {
      // The dialog speaks the window's language only here: its other texts are fixed Russian.
      const bool english =
          FRegistry.Read(QStringLiteral("Forms"), QStringLiteral("Language"), 0).toInt() == 1;
      TDictionary dictionary;
      dictionary.SetLanguage(english ? TDictionary::lnEnglish : TDictionary::lnRussian);
      error = dictionary.Translate(QStringLiteral("mes_filetoolarge")) + QStringLiteral(": ") + aFileName;
    }
    Say(error);
    return false;
  }
  int skipped = 0;
  FTemplates.Import(text, &skipped);
  const QStringList names = FTemplates.Names();
  FillTemplateList(names.isEmpty() ? QString() : names.last());
  if (!names.isEmpty())
    TemplateChosen(int(names.size()) - 1);
  QString message = QStringLiteral("Шаблоны загружены из файла.");
  if (skipped > 0)
    message += QStringLiteral(" Пропущено строк: %1.").arg(skipped);
  Say(message);
  return true;
}

void TPrintStickerForm::ExportClick() {
  auto* dlg = new QFileDialog(this, QStringLiteral("В файл"), QString(),
                              QStringLiteral("Файлы шаблонов (*.ptp);;Все файлы (*.*)"));
  dlg->setAttribute(Qt::WA_DeleteOnClose);
  dlg->setAcceptMode(QFileDialog::AcceptSave);
  dlg->setDefaultSuffix(QStringLiteral("ptp"));
  connect(dlg, &QFileDialog::fileSelected, this, [this](const QString& aFile) { ExportTemplates(aFile); });
  dlg->open();
}

void TPrintStickerForm::ImportClick() {
  auto* dlg = new QFileDialog(this, QStringLiteral("Из файла"), QString(),
                              QStringLiteral("Файлы шаблонов (*.ptp);;Все файлы (*.*)"));
  dlg->setAttribute(Qt::WA_DeleteOnClose);
  dlg->setFileMode(QFileDialog::ExistingFile);
  connect(dlg, &QFileDialog::fileSelected, this, [this](const QString& aFile) { ImportTemplates(aFile); });
  dlg->open();
}

void TPrintStickerForm::btnResetClick() {
  Ask(QStringLiteral("Сбросить все настройки и удалить все шаблоны?"), [this] {
    FTemplates.Reset();
    FillTemplateList(QString());
    edTemplateName->clear();
    SetSettings(TStickerSettings());
    Generate();
    Say(QStringLiteral("Настройки сброшены к значениям по умолчанию."));
  });
}
