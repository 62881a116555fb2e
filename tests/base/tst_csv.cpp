// CSV fields as the reports write them.

#include "base/csv.h"

#include <QTest>

class TstCsv : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void field_data();
  void field();
};

void TstCsv::field_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("foreign");
  QTest::addColumn<QByteArray>("expected");
  QTest::newRow("plain") << QStringLiteral("sim0") << true << QByteArray("\"sim0\"");
  QTest::newRow("quote and comma") << QStringLiteral("a \"b\", c") << false
                                   << QByteArray("\"a \"\"b\"\", c\"");
  QTest::newRow("line break stays inside") << QStringLiteral("a\r\nb") << false << QByteArray("\"a\r\nb\"");
  QTest::newRow("Cyrillic") << QStringLiteral("Готово") << false << QStringLiteral("\"Готово\"").toUtf8();
  QTest::newRow("formula from a device")
      << QStringLiteral("=HYPERLINK(1)") << true << QByteArray("\"'=HYPERLINK(1)\"");
  QTest::newRow("plus, minus, at from a device") << QStringLiteral("@SUM") << true << QByteArray("\"'@SUM\"");
  QTest::newRow("own text is left as it is") << QStringLiteral("-5") << false << QByteArray("\"-5\"");
  QTest::newRow("empty") << QString() << true << QByteArray("\"\"");
}

void TstCsv::field() {
  QFETCH(QString, text);
  QFETCH(bool, foreign);
  QFETCH(QByteArray, expected);
  QCOMPARE(CsvField(text, foreign), expected);
}

QTEST_APPLESS_MAIN(TstCsv)
#include "tst_csv.moc"
