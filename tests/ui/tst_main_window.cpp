#include "platform/registry.h"
#include "protocols/status_decoder.h"
#include "ui/form_state.h"
#include "ui/hint_stack.h"
#include "ui/tmf.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProperty>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QToolButton>

class TstMainWindow : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void init();
  void hintsStackAndExpire();
  void persistedState_data();
  void persistedState();
  void resetDeletesHistoryAndWritesDefaults();
  void windowStateRoundTrip();
  void pagesRefuseWithoutDevice();
  void shortcutsSwitchPages_data();
  void shortcutsSwitchPages();
  void languageSwitchRetranslates();
  void qtTextsAndDatesFollowTheLanguage();
  void progressIndicator_data();
  void progressIndicator();
  void pageGlyphFollowsShownPage();
  void themeModes_data();
  void themeModes();
  void captionCarriesBuildDate();

private:
  void WriteForms(const QVariantMap& aValues);
};

void TstMainWindow::init() {
  // Every case starts from an empty per-user store.
  TRegistry registry;
  registry.DeleteKey(QStringLiteral("Forms"));
  registry.DeleteKey(QStringLiteral("InputHistory"));
  registry.Sync();
}

void TstMainWindow::WriteForms(const QVariantMap& aValues) {
  TRegistry registry;
  for (auto it = aValues.cbegin(); it != aValues.cend(); ++it)
    registry.Write(QStringLiteral("Forms"), it.key(), it.value());
  registry.Sync();
}

void TstMainWindow::hintsStackAndExpire() {
  QWidget host;
  host.resize(800, 600);
  THintStack hints(&host);
  for (int i = 1; i <= 6; ++i)
    hints.Show(i % 4, QStringLiteral("hint %1").arg(i));
  QCOMPARE(hints.Count(), 5);
  QCOMPARE(hints.Hints().first()->text(), QStringLiteral("hint 2"));
  // Oldest at the bottom, 110 px above the bottom edge, 16 px from the right; 8 px apart.
  QLabel* oldest = hints.Hints().first();
  QCOMPARE(oldest->geometry().bottom() + 1, 600 - 110);
  QCOMPARE(oldest->geometry().right() + 1, 800 - 16);
  QCOMPARE(hints.Hints().at(1)->geometry().bottom() + 1, oldest->geometry().top() - 8);
  QVERIFY(hints.Timer().isActive());
  QCOMPARE(hints.Timer().interval(), 5000);
  // Hints that keep coming do not hold the oldest back: the running timer is left to tick.
  int timerRestarts = 0;
  const QPropertyNotifier watch = hints.Timer().bindableActive().addNotifier([&] { ++timerRestarts; });
  hints.Show(2, QStringLiteral("hint 7"));
  QCOMPARE(timerRestarts, 0);
  QCOMPARE(hints.Hints().first()->text(), QStringLiteral("hint 3"));

  hints.HideOldest(); // a tick of the timer
  QCOMPARE(hints.Count(), 4);
  QCOMPARE(hints.Hints().first()->text(), QStringLiteral("hint 4"));
  QCOMPARE(hints.Hints().first()->geometry().bottom() + 1, 600 - 110);
  for (int i = 0; i < 4; ++i)
    hints.HideOldest();
  QCOMPARE(hints.Count(), 0);
  QVERIFY(!hints.Timer().isActive());
}

void TstMainWindow::persistedState_data() {
  QTest::addColumn<QVariantMap>("stored");
  QTest::addColumn<int>("language");
  QTest::addColumn<int>("style");
  QTest::addColumn<int>("left");
  QTest::addColumn<bool>("firstRun");
  QTest::newRow("nothing stored") << QVariantMap{} << 0 << 1 << -1 << true;
  QTest::newRow("language 7 ignored, style 2 kept")
      << QVariantMap{{"Language", 7}, {"Style", 2}} << 0 << 2 << -1 << false;
  QTest::newRow("english") << QVariantMap{{"Language", 1}} << 1 << 1 << -1 << false;
  QTest::newRow("left off screen is centred")
      << QVariantMap{{"Left", 5000}, {"Width", 1000}} << 0 << 1 << 460 << false;
  QTest::newRow("left on screen kept") << QVariantMap{{"Left", 300}} << 0 << 1 << 300 << false;
}

void TstMainWindow::persistedState() {
  QFETCH(QVariantMap, stored);
  QFETCH(int, language);
  QFETCH(int, style);
  QFETCH(int, left);
  QFETCH(bool, firstRun);
  WriteForms(stored);
  TRegistry registry;
  TFormState state;
  state.Load(registry, QRect(0, 0, 1920, 1080));
  QCOMPARE(state.FirstRun, firstRun);
  QCOMPARE(state.Language, language);
  QCOMPARE(state.Style, style);
  QCOMPARE(state.Left, left);
}

void TstMainWindow::resetDeletesHistoryAndWritesDefaults() {
  TRegistry registry;
  registry.Write(QStringLiteral("InputHistory"), QStringLiteral("Server"), QStringLiteral("a;b"));
  registry.Write(QStringLiteral("Forms"), QStringLiteral("Style"), 2);
  registry.Write(QStringLiteral("Forms"), QStringLiteral("btnPrintVisible"), true);
  TFormState state;
  state.Load(registry, QRect(0, 0, 1920, 1080));
  state.Reset(registry, QRect(0, 0, 1920, 1080));
  QVERIFY(!registry.KeyExists(QStringLiteral("InputHistory")));
  TFormState reread;
  reread.Load(registry, QRect(0, 0, 1920, 1080));
  QCOMPARE(reread.Style, 1);
  QCOMPARE(reread.PrintVisible, false);
  QCOMPARE(reread.Width, 800);
  QCOMPARE(reread.Left, (1920 - 800) / 2);
  QCOMPARE(reread.SendPanelHeight, 60);
}

void TstMainWindow::windowStateRoundTrip() {
  {
    TRegistry registry;
    TMF window(registry, [] { return false; });
    window.SetLanguage(1);
    window.SetStyleMode(tmLight);
    window.resize(900, 700);
    window.move(120, 80);
    window.close();
  }
  TRegistry registry;
  TMF window(registry, [] { return false; });
  QCOMPARE(window.Language(), 1);
  QCOMPARE(window.StyleMode(), int(tmLight));
  QVERIFY(!window.Theme().Dark);
  QCOMPARE(window.size(), QSize(900, 700));
  QVERIFY(!window.State().FirstRun);
}

void TstMainWindow::pagesRefuseWithoutDevice() {
  TRegistry registry;
  TMF window(registry, [] { return false; });
  window.SetLanguage(1);
  window.act_PageInfo();
  QCOMPARE(window.CurrentPage(), pgWellcome);
  window.act_PageSettings();
  QCOMPARE(window.CurrentPage(), pgWellcome);
  const QList<QLabel*> hints = window.Hints().Hints();
  QCOMPARE(hints.size(), 2);
  QCOMPARE(hints.at(0)->text(), window.Dictionary().Translate(1, QStringLiteral("mes_infonodevice")));
  QCOMPARE(hints.at(1)->text(), window.Dictionary().Translate(1, QStringLiteral("mes_settingsnodevice")));
  QVERIFY(hints.at(0)->text() != QStringLiteral("mes_infonodevice"));
}

void TstMainWindow::shortcutsSwitchPages_data() {
  QTest::addColumn<int>("key");
  QTest::addColumn<int>("page");
  QTest::newRow("Ctrl+4 data log") << int(Qt::Key_4) << int(pgLog);
  QTest::newRow("Ctrl+1 welcome") << int(Qt::Key_1) << int(pgWellcome);
  QTest::newRow("Ctrl+2 needs a device") << int(Qt::Key_2) << int(pgLog);
}

void TstMainWindow::shortcutsSwitchPages() {
  QFETCH(int, key);
  QFETCH(int, page);
  TRegistry registry;
  TMF window(registry, [] { return false; });
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  window.act_PageLog();
  QTest::keyClick(&window, Qt::Key(key), Qt::ControlModifier);
  QCOMPARE(int(window.CurrentPage()), page);
  // Escape never reaches the controls.
  QLineEdit* password = window.findChild<QLineEdit*>(QStringLiteral("PasswordEdit"));
  QVERIFY(password);
  QTest::keyClick(password, Qt::Key_Escape);
  QCOMPARE(int(window.CurrentPage()), page);
}

void TstMainWindow::languageSwitchRetranslates() {
  TRegistry registry;
  TMF window(registry, [] { return false; });
  auto* noDevice = window.findChild<QLabel*>(QStringLiteral("Label_noDevice"));
  QVERIFY(noDevice);
  QCOMPARE(noDevice->text(), QString::fromUtf8("Устройства не найдены"));
  auto* settings = window.findChild<QAction*>(QStringLiteral("act_PageSettings"));
  QCOMPARE(settings->property("hint").toString(), QString::fromUtf8("Настройки"));
  auto* apply = window.findChild<QAction*>(QStringLiteral("act_SetCFG"));
  window.SetLanguage(1);
  QCOMPARE(noDevice->text(), QStringLiteral("Device not found"));
  QCOMPARE(settings->property("hint").toString(), QStringLiteral("Settings"));
  // Icon-only actions keep an empty face; the others take the part before "|" as caption.
  QVERIFY(settings->text().isEmpty());
  QCOMPARE(apply->text(), QString());
  QCOMPARE(apply->toolTip(), QStringLiteral("Apply"));
  auto* fromFile = window.findChild<QAction*>(QStringLiteral("act_OpenCFG"));
  QCOMPARE(fromFile->toolTip(), QStringLiteral("From\nfile"));
  // What is shown later speaks the current language.
  window.act_PageInfo();
  QCOMPARE(window.Hints().Hints().last()->text(),
           window.Dictionary().Translate(1, QStringLiteral("mes_infonodevice")));
}

void TstMainWindow::qtTextsAndDatesFollowTheLanguage() {
  // The environment speaks neither language (LANG=C.UTF-8): only the chosen one may decide.
  QLocale::setDefault(QLocale::c());
  TRegistry registry;
  TMF window(registry, [] { return false; });
  // A box made before the switch follows it too.
  QDialogButtonBox buttons(QDialogButtonBox::Yes | QDialogButtonBox::Cancel);
  // 14 November 2023, 10:00:00 on the device's clock.
  constexpr qint64 kClock = 1699956000;

  window.SetLanguage(0);
  QTRY_COMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QString::fromUtf8("Отмена"));
  QCOMPARE(buttons.button(QDialogButtonBox::Yes)->text(), QString::fromUtf8("&Да"));
  QCOMPARE(StatusText::DeviceClockText(kClock), QStringLiteral("14.11.2023 10:00:00"));

  // A question open over the window keeps its text through a switch; its buttons follow.
  QMessageBox question(QMessageBox::Question, QString(), QStringLiteral("Clear memory?"),
                       QMessageBox::Yes | QMessageBox::No, &window);
  window.SetLanguage(1);
  QTRY_COMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Cancel"));
  QCOMPARE(question.text(), QStringLiteral("Clear memory?"));
  QTRY_COMPARE(question.button(QMessageBox::No)->text(), QStringLiteral("&No"));
  QCOMPARE(buttons.button(QDialogButtonBox::Yes)->text(), QStringLiteral("&Yes"));
  QCOMPARE(StatusText::DeviceClockText(kClock), QStringLiteral("14/11/2023 10:00:00"));
}

void TstMainWindow::progressIndicator_data() {
  QTest::addColumn<qint64>("position");
  QTest::addColumn<qint64>("count");
  QTest::addColumn<QString>("percent");
  QTest::newRow("half") << qint64(1) << qint64(2) << "50%";
  QTest::newRow("bytes whose product with the width passes 32 bits")
      << qint64(30000000) << qint64(40000000) << "75%";
  QTest::newRow("firmware beyond 2 GB") << qint64(3000000000) << qint64(4000000000) << "75%";
  QTest::newRow("blocks") << qint64(1) << qint64(3) << "33%";
  QTest::newRow("5 GB copy") << qint64(4) * 1024 * 1024 * 1024 << qint64(5) * 1024 * 1024 * 1024 << "80%";
  QTest::newRow("past the end") << qint64(7) << qint64(5) << "100%";
}

void TstMainWindow::progressIndicator() {
  QFETCH(qint64, position);
  QFETCH(qint64, count);
  QFETCH(QString, percent);
  TRegistry registry;
  TMF window(registry, [] { return false; });
  window.resize(1000, 700);
  window.show();
  window.SetLanguageIndicator(position, count);
  QCOMPARE(window.findChild<QLabel*>(QStringLiteral("PercentLabel"))->text(), percent);
  auto* bar = window.findChild<QWidget*>(QStringLiteral("LangLabel"));
  const qint64 edge = bar->parentWidget()->width();
  QVERIFY(edge > 100);
  QCOMPARE(qint64(bar->width()), qMin(position, count) * edge / count);
  auto* panel = window.findChild<QWidget*>(QStringLiteral("ProgressPanel"));
  QVERIFY(panel->isVisible());
  window.SetLanguageIndicator(0, 0);
  QVERIFY(!panel->isVisible());
}

void TstMainWindow::pageGlyphFollowsShownPage() {
  TRegistry registry;
  TMF window(registry, [] { return false; });
  auto* fuel = window.findChild<QAction*>(QStringLiteral("act_PageFuel"));
  auto* log = window.findChild<QAction*>(QStringLiteral("act_PageLog"));
  QCOMPARE(fuel->property("iconName").toString(), QStringLiteral("D_FUEL"));
  window.act_PageFuel();
  QCOMPARE(fuel->property("iconName").toString(), QStringLiteral("E_FUEL"));
  QCOMPARE(log->property("iconName").toString(), QStringLiteral("D_LOG"));
  QVERIFY(!fuel->toolTip().isEmpty());
  QVERIFY(log->toolTip().isEmpty());
  window.act_PageLog();
  QCOMPARE(fuel->property("iconName").toString(), QStringLiteral("D_FUEL"));
  window.SetUpdateAvailable(true);
  QCOMPARE(window.findChild<QAction*>(QStringLiteral("act_PageWellcome"))->property("iconName").toString(),
           QStringLiteral("U_WELLCOME"));
}

void TstMainWindow::themeModes_data() {
  QTest::addColumn<int>("mode");
  QTest::addColumn<bool>("desktopDark");
  QTest::addColumn<bool>("dark");
  QTest::newRow("dark") << int(tmDark) << false << true;
  QTest::newRow("light") << int(tmLight) << true << false;
  QTest::newRow("system light") << int(tmSystem) << false << false;
  QTest::newRow("system dark") << int(tmSystem) << true << true;
  QTest::newRow("unknown mode is dark") << 9 << false << true;
}

void TstMainWindow::themeModes() {
  QFETCH(int, mode);
  QFETCH(bool, desktopDark);
  QFETCH(bool, dark);
  TRegistry registry;
  TMF window(registry, [desktopDark] { return desktopDark; });
  window.SetStyleMode(mode);
  QCOMPARE(window.Theme().Dark, dark);
  QCOMPARE(QApplication::palette().color(QPalette::Window),
           dark ? QColor(22, 31, 40) : QColor(155, 160, 165));
}

void TstMainWindow::captionCarriesBuildDate() {
  TRegistry registry;
  TMF window(registry, [] { return false; });
  QCOMPARE(window.CaptionText(), QStringLiteral("Velmora [260907]"));
  QCOMPARE(window.windowTitle(), window.CaptionText());
}

QTEST_MAIN(TstMainWindow)
#include "tst_main_window.moc"
