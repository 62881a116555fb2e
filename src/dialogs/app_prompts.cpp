#include "dialogs/app_prompts.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace {

QString Title() {
  return QApplication::applicationDisplayName();
}

} // namespace

void TDialogPrompts::Confirm(QWidget* aParent, const QString& aText, std::function<void(bool)> aAnswer) {
  auto* box =
      new QMessageBox(QMessageBox::Question, Title(), aText, QMessageBox::Yes | QMessageBox::No, aParent);
  box->setObjectName(QStringLiteral("ConfirmBox"));
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setDefaultButton(QMessageBox::No);
  QObject::connect(box, &QMessageBox::finished, box,
                   [box, aAnswer](int) { aAnswer(box->clickedButton() == box->button(QMessageBox::Yes)); });
  box->open();
}

void TDialogPrompts::AskPassword(QWidget* aParent, const QString& aCaption, const QString& aPrompt,
                                 std::function<void(const QString&)> aAnswer) {
  auto* input = new QInputDialog(aParent);
  input->setObjectName(QStringLiteral("PasswordBox"));
  input->setAttribute(Qt::WA_DeleteOnClose);
  input->setWindowTitle(aCaption);
  input->setLabelText(aPrompt);
  input->setTextEchoMode(QLineEdit::Password);
  QObject::connect(input, &QInputDialog::textValueSelected, input,
                   [aAnswer](const QString& aText) { aAnswer(aText); });
  input->open();
}

void TDialogPrompts::Inform(QWidget* aParent, const QString& aText) {
  auto* box = new QMessageBox(QMessageBox::Information, Title(), aText, QMessageBox::Ok, aParent);
  box->setObjectName(QStringLiteral("InformBox"));
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}
