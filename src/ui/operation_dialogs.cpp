#include "ui/operation_dialogs.h"

#include <QFileDialog>

QStringList DialogFilters(const QString& aFilter) {
  const QStringList parts = aFilter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString patterns = QLatin1Char('(') +
                             QString(parts.at(i + 1)).replace(QLatin1Char(';'), QLatin1Char(' ')) +
                             QLatin1Char(')');
    filters << (parts.at(i).endsWith(patterns) ? parts.at(i) : parts.at(i) + QLatin1Char(' ') + patterns);
  }
  return filters;
}

QString TFileDialogs::OpenFile(QWidget* aParent, const QString& aFilter) {
  return QFileDialog::getOpenFileName(aParent, FTitle(QStringLiteral("dlg_OpenFile")), QString(), aFilter);
}

QString TFileDialogs::SaveFile(QWidget* aParent, const QString& aProposedName, const QString& aDefaultSuffix,
                               const QString& aFilter) {
  QFileDialog dialog(aParent, FTitle(QStringLiteral("dlg_SaveFile")), QString(), aFilter);
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
