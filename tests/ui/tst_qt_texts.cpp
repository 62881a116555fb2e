// Qt's own texts in the program's language: what the file dialogs show beside our own words.

#include "i18n/language_locale.h"

#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QTemporaryDir>
#include <QTest>

class TstQtTexts : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void fileDialogTypeColumn_data();
  void fileDialogTypeColumn();
};

void TstQtTexts::fileDialogTypeColumn_data() {
  QTest::addColumn<int>("language");
  QTest::addColumn<QString>("folder");
  QTest::newRow("Russian") << 0 << QStringLiteral("Папка");
  QTest::newRow("English") << 1 << QStringLiteral("Folder");
}

void TstQtTexts::fileDialogTypeColumn() {
  QFETCH(int, language);
  QFETCH(QString, folder);
  TQtCatalogue catalogue;
  if (!catalogue.Switch(language))
    QSKIP("Qt's Russian catalogue is not installed");
  QTemporaryDir dir;
  QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("logs")));

  // The dialog the program opens (Qt's own, not the desktop's), listing a folder.
  QFileDialog dialog(nullptr, QString(), dir.path());
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.show();
  auto* model = dialog.findChild<QFileSystemModel*>();
  QVERIFY(model);
  const QModelIndex logs = model->index(QDir(dir.path()).filePath(QStringLiteral("logs")), 2);
  QVERIFY(logs.isValid());
  QTRY_COMPARE(model->data(logs).toString(), folder);
  // Switching back leaves no Russian word behind.
  QVERIFY(catalogue.Switch(1));
  QCOMPARE(QCoreApplication::translate("QAbstractFileIconProvider", "Folder", "All other platforms"),
           QStringLiteral("Folder"));
}

QTEST_MAIN(TstQtTexts)
#include "tst_qt_texts.moc"
