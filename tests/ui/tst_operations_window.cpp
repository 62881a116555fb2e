// The window's side of the device operations: the progress display with byte counts.

#include "platform/registry.h"
#include "ui/tmf.h"

#include <QLabel>
#include <QTest>

class TstOperationsWindow : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void progressTakesLargeByteCounts_data();
  void progressTakesLargeByteCounts();
};

void TstOperationsWindow::progressTakesLargeByteCounts_data() {
  QTest::addColumn<qint64>("position");
  QTest::addColumn<qint64>("count");
  QTest::addColumn<QString>("percent");
  QTest::newRow("blocks") << qint64(1) << qint64(3) << "33%";
  // A 30 MB image: bytes times 100 no longer fit an int.
  QTest::newRow("30 MB image") << qint64(15000000) << qint64(30000000) << "50%";
  QTest::newRow("5 GB copy") << qint64(4) * 1024 * 1024 * 1024 << qint64(5) * 1024 * 1024 * 1024 << "80%";
  QTest::newRow("past the end") << qint64(7) << qint64(5) << "100%";
}

void TstOperationsWindow::progressTakesLargeByteCounts() {
  QFETCH(qint64, position);
  QFETCH(qint64, count);
  QFETCH(QString, percent);
  TRegistry registry;
  TMF window(registry, [] { return false; });
  window.resize(1000, 700);
  window.show();
  window.SetLanguageIndicator(position, count);
  auto* label = window.findChild<QLabel*>(QStringLiteral("PercentLabel"));
  QVERIFY(label);
  QCOMPARE(label->text(), percent);
  auto* panel = window.findChild<QWidget*>(QStringLiteral("ProgressPanel"));
  QVERIFY(panel->isVisible());
  window.SetLanguageIndicator(0, 0);
  QVERIFY(!panel->isVisible());
}

QTEST_MAIN(TstOperationsWindow)
#include "tst_operations_window.moc"
