#include "ui/operation_dialogs.h"

#include <QFileDialog>

QString TFileDialogs::OpenFile(QWidget* aParent, const QString& aFilter) {
  return QFileDialog::getOpenFileName(aParent, QString(), QString(), aFilter);
}

QString TFileDialogs::SaveFile(QWidget* aParent, const QString& aProposedName, const QString& aDefaultSuffix,
                               const QString& aFilter) {
  QFileDialog dialog(aParent, QString(), QString(), aFilter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(aDefaultSuffix);
  dialog.selectFile(aProposedName);
  return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
             ? dialog.selectedFiles().constFirst()
             : QString();
}

QString TFileDialogs::Folder(QWidget* aParent, const QString& aTitle) {
  return QFileDialog::getExistingDirectory(aParent, aTitle);
}
