// The application settings dialog on the real window, off-screen: the first-run offer, the
// switches and what they change, the administrator mode, the device access rules, reset and the
// custom commands, with every question answered by a script.

#include "core/admin_mode.h"
#include "dialogs/app_settings_form.h"
#include "dialogs/toggle_switch.h"
#include "platform/registry.h"
#include "ui/hint_stack.h"
#include "ui/tmf.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

const QString kPassword = QStringLiteral("Kv7Rm4Qz");

class TScriptedPrompts : public IAppPrompts {
public:
  QList<bool> Answers;   // Yes/No answers, in order; No when none is left
  QStringList Passwords; // typed passwords, in order; Cancel when none is left
  QStringList Asked;
  QStringList Informed;

  void Confirm(QWidget*, const QString& aText, std::function<void(bool)> aAnswer) override {
    Asked << aText;
    aAnswer(!Answers.isEmpty() && Answers.takeFirst());
  }
  void AskPassword(QWidget*, const QString& aCaption, const QString& aPrompt,
                   std::function<void(const QString&)> aAnswer) override {
    Asked << aCaption + QLatin1Char('|') + aPrompt;
    if (!Passwords.isEmpty())
      aAnswer(Passwords.takeFirst());
  }
  void Inform(QWidget*, const QString& aText) override { Informed << aText; }
};

class TFixedIdentity : public IMachineIdentity {
public:
  QString Serial = QStringLiteral("0A1B2C3D");
  QString SerialNumber() const override { return Serial; }
};

class TScriptedRunner : public IElevatedRunner {
public:
  TElevatedResult Answer{true, 0};
  int Runs = 0;
  void Run(const QString&, const QStringList&, const QString&,
           std::function<void(TElevatedResult)> aDone) override {
    ++Runs;
    QTimer::singleShot(0, [aDone, result = Answer] { aDone(result); });
  }
};

// A window with scripted questions, a fixed machine identity and a scripted elevated runner.
struct TRig {
  TRegistry Registry;
  TMF Window{Registry, [] { return false; }};
  TScriptedPrompts* Prompts = new TScriptedPrompts;
  TFixedIdentity* Identity = new TFixedIdentity;
  TScriptedRunner* Runner = new TScriptedRunner;

  explicit TRig(const QString& aSerial = QStringLiteral("0A1B2C3D")) {
    Identity->Serial = aSerial;
    Window.SetOptionsServices({std::unique_ptr<IMachineIdentity>(Identity),
                               std::unique_ptr<IElevatedRunner>(Runner),
                               std::unique_ptr<IAppPrompts>(Prompts)});
  }
  TAppSettingsForm* Open() {
    Window.ShowSettingsDialog();
    return Window.findChild<TAppSettingsForm*>();
  }
  template <class T> T* Find(const char* aName) {
    auto* form = Window.findChild<TAppSettingsForm*>();
    return form ? form->findChild<T*>(QString::fromLatin1(aName)) : nullptr;
  }
  QStringList HintTexts() const {
    QStringList texts;
    for (QLabel* l : const_cast<TMF&>(Window).Hints().Hints())
      texts << l->text();
    return texts;
  }
  QString T(const char* aKey) { return Window.Translate(QString::fromLatin1(aKey)); }
};

void Click(QWidget* aWidget) {
  QVERIFY(aWidget);
  QVERIFY(aWidget->isVisible());
  QTest::mouseClick(aWidget, Qt::LeftButton);
}

} // namespace

class TstAppSettings : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void init();
  void firstRunOffersRulesThenShowsDialog_data();
  void firstRunOffersRulesThenShowsDialog();
  void switchesSetOptionsAndTheirEffects_data();
  void switchesSetOptionsAndTheirEffects();
  void administratorPasswordTurnsModeOnAndOff();
  void administratorModeFollowsTheMachine();
  void themeCyclesAndTextsFollowLanguage();
  void defaultSettingsAfterYesOnly();
  void clearCustomCommandsEmptiesTheStore();
  void lotNumberButtonOpensTheLotDialog();
  void driversButtonReportsHowTheInstallEnded_data();
  void driversButtonReportsHowTheInstallEnded();
  void looksInBothThemes_data();
  void looksInBothThemes();
};

void TstAppSettings::init() {
  TRegistry registry;
  for (const char* key : {"Forms", "InputHistory", "CustomCommands", "Param"})
    registry.DeleteKey(QString::fromLatin1(key));
  registry.Sync();
}

void TstAppSettings::firstRunOffersRulesThenShowsDialog_data() {
  QTest::addColumn<bool>("firstRun");
  QTest::addColumn<bool>("yes");
  QTest::newRow("first run, yes") << true << true;
  QTest::newRow("first run, no") << true << false;
  QTest::newRow("later run") << false << true;
}

void TstAppSettings::firstRunOffersRulesThenShowsDialog() {
  QFETCH(bool, firstRun);
  QFETCH(bool, yes);
  if (!firstRun) {
    TRegistry registry;
    registry.Write(QStringLiteral("Forms"), QStringLiteral("Style"), 1);
    registry.Sync();
  }
  TRig rig;
  rig.Prompts->Answers = {yes};
  rig.Window.show();
  // The start-up steps run on the window's own timer: 10 ms, then a second later the offer.
  QTest::qWait(1500);
  if (!firstRun) {
    QVERIFY(rig.Prompts->Asked.isEmpty());
    QVERIFY(!rig.Window.findChild<TAppSettingsForm*>());
    return;
  }
  QCOMPARE(rig.Prompts->Asked, QStringList{rig.T("_ConfirmDriver")});
  auto* form = rig.Window.findChild<TAppSettingsForm*>();
  QVERIFY(form);
  QVERIFY(form->isVisible());
  QVERIFY(form->isModal());
  QTRY_VERIFY(!rig.Window.DriversInstaller().Running());
  QCOMPARE(rig.Runner->Runs, yes ? 1 : 0);
  QCOMPARE(rig.Prompts->Informed, yes ? QStringList{rig.T("mes_driversinstall")} : QStringList());
  QCOMPARE(rig.HintTexts().contains(rig.T("mes_driversinstall")), yes);
}

void TstAppSettings::switchesSetOptionsAndTheirEffects_data() {
  QTest::addColumn<QString>("toggle");
  QTest::addColumn<QString>("stored");
  QTest::newRow("no COM switch") << QStringLiteral("ToggleSwitchAuto") << QStringLiteral("NoSwitchCOMAuto");
  QTest::newRow("CAN flags") << QStringLiteral("ToggleAdvanceCAN") << QStringLiteral("AdvanceCAN");
  QTest::newRow("auto print") << QStringLiteral("ToggleAutoPrint") << QStringLiteral("AutoPrint");
  QTest::newRow("Print button") << QStringLiteral("ToggleBtnPrint") << QStringLiteral("btnPrintVisible");
}

void TstAppSettings::switchesSetOptionsAndTheirEffects() {
  QFETCH(QString, toggle);
  QFETCH(QString, stored);
  TRig rig;
  rig.Window.show();
  rig.Prompts->Passwords = {kPassword};
  rig.Window.ToggleAdminMode(); // the print switches live on the administrator panel
  QVERIFY(rig.Window.AdminMode());
  QVERIFY(rig.Open());
  auto* sw = rig.Find<TToggleSwitch>(toggle.toLatin1().constData());
  auto option = [&](const TFormState& s) {
    return stored == QLatin1String("NoSwitchCOMAuto") ? s.NoSwitchCOMAuto
           : stored == QLatin1String("AdvanceCAN")    ? s.AdvanceCAN
           : stored == QLatin1String("AutoPrint")     ? s.AutoPrint
                                                      : s.PrintVisible;
  };
  auto* printButton = rig.Window.findChild<QToolButton*>(QStringLiteral("btnPrint"));
  QVERIFY(printButton);
  QVERIFY(!option(rig.Window.State()));
  QCOMPARE(sw->TrackColor(), QColor(75, 86, 92));
  Click(sw);
  QVERIFY(sw->isChecked());
  QVERIFY(option(rig.Window.State()));
  QCOMPARE(sw->TrackColor(), rig.Window.Theme().Accent);
  // The effects that go with some options.
  QCOMPARE(rig.Window.Discovery().NoSwitchCOMAuto(), stored == QLatin1String("NoSwitchCOMAuto"));
  QCOMPARE(printButton->isVisible(), stored == QLatin1String("btnPrintVisible"));

  Click(sw);
  QVERIFY(!sw->isChecked());
  QVERIFY(!option(rig.Window.State()));
  QVERIFY(!printButton->isVisible());
  QVERIFY(!rig.Window.Discovery().NoSwitchCOMAuto());

  // Written when the window closes, read back by the next one.
  Click(sw);
  rig.Window.close();
  QCOMPARE(rig.Registry.Read(QStringLiteral("Forms"), stored).toBool(), true);
  TRegistry again;
  TMF next(again, [] { return false; });
  QVERIFY(option(next.State()));
}

void TstAppSettings::administratorPasswordTurnsModeOnAndOff() {
  TRig rig;
  rig.Window.show();
  QVERIFY(rig.Open());
  auto* adminSwitch = rig.Find<TToggleSwitch>("ToggleAdminSettings");
  auto* panel = rig.Find<QWidget>("PanelSettingsAdmin");
  QVERIFY(!panel->isVisible());

  // Cancel, then a wrong password: nothing changes.
  Click(adminSwitch);
  QCOMPARE(rig.Prompts->Asked.last(),
           QStringLiteral("Административный доступ|Введите пароль администратора:"));
  QVERIFY(!adminSwitch->isChecked());
  rig.Prompts->Passwords = {kPassword.toLower()};
  Click(adminSwitch);
  QCOMPARE(rig.Prompts->Informed.last(), QStringLiteral("Неверный пароль"));
  QVERIFY(!rig.Window.AdminMode());
  QVERIFY(!adminSwitch->isChecked());
  QVERIFY(!panel->isVisible());
  QVERIFY(!rig.Registry.ValueExists(QStringLiteral("Forms"), QStringLiteral("Param0")));

  rig.Prompts->Passwords = {kPassword};
  Click(adminSwitch);
  QCOMPARE(rig.Prompts->Informed.last(), QStringLiteral("Режим администратора активирован"));
  QVERIFY(rig.Window.AdminMode());
  QVERIFY(adminSwitch->isChecked());
  QVERIFY(panel->isVisible());
  QCOMPARE(rig.Registry.Read(QStringLiteral("Forms"), QStringLiteral("Param0")).toString(),
           AdminScramble(QStringLiteral("0A1B2C3D")));
  for (const char* name :
       {"btn_OpenVirtLog", "btnPrintSettings", "LotNumberButton", "ToggleAutoPrint", "ToggleBtnPrint"})
    QVERIFY2(rig.Find<QWidget>(name)->isVisible(), name);

  // Ctrl+R in the dialog turns it off again, without a question, and forgets the marker.
  const int asked = int(rig.Prompts->Asked.size());
  auto* form = rig.Window.findChild<TAppSettingsForm*>();
  form->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(form));
  QTest::keyClick(form, Qt::Key_R, Qt::ControlModifier);
  QVERIFY(!rig.Window.AdminMode());
  QCOMPARE(rig.Prompts->Asked.size(), asked);
  QVERIFY(!panel->isVisible());
  QVERIFY(!rig.Registry.ValueExists(QStringLiteral("Forms"), QStringLiteral("Param0")));
}

void TstAppSettings::administratorModeFollowsTheMachine() {
  {
    TRig rig;
    rig.Prompts->Passwords = {kPassword};
    rig.Window.ToggleAdminMode();
    QVERIFY(rig.Window.AdminMode());
    rig.Window.close();
  }
  {
    // Restarted on the same machine: the dialog opens with the administrator panel.
    TRig rig;
    QVERIFY(rig.Window.AdminMode());
    rig.Window.show();
    QVERIFY(rig.Open());
    QVERIFY(rig.Find<QWidget>("PanelSettingsAdmin")->isVisible());
    rig.Window.close();
  }
  {
    TRig rig(QStringLiteral("0A1B2C3E")); // another machine, or its identity changed
    QVERIFY(!rig.Window.AdminMode());
  }
  {
    TRig rig{QString()}; // no identity: the mode can be entered but not kept
    rig.Registry.DeleteValue(QStringLiteral("Forms"), QStringLiteral("Param0"));
    QVERIFY(!rig.Window.AdminMode());
    rig.Prompts->Passwords = {kPassword};
    rig.Window.ToggleAdminMode();
    QVERIFY(rig.Window.AdminMode());
    QVERIFY(!rig.Registry.ValueExists(QStringLiteral("Forms"), QStringLiteral("Param0")));
  }
}

void TstAppSettings::themeCyclesAndTextsFollowLanguage() {
  TRig rig;
  rig.Window.show();
  QVERIFY(rig.Open());
  auto* theme = rig.Find<QToolButton>("ButtonFon");
  QCOMPARE(rig.Window.StyleMode(), int(tmDark));
  QCOMPARE(theme->text(), rig.T("act_FonDark"));
  Click(theme);
  QCOMPARE(rig.Window.StyleMode(), int(tmLight));
  QVERIFY(!rig.Window.Theme().Dark);
  QCOMPARE(theme->text(), rig.T("act_FonLight"));
  Click(theme);
  QCOMPARE(rig.Window.StyleMode(), int(tmSystem));
  QCOMPARE(theme->text(), rig.T("act_FonSys"));
  Click(theme);
  QCOMPARE(rig.Window.StyleMode(), int(tmDark));
  QVERIFY(rig.Window.Theme().Dark);

  auto* form = rig.Window.findChild<TAppSettingsForm*>();
  QCOMPARE(form->windowTitle(), QStringLiteral("Настройки Velmora"));
  Click(rig.Find<QToolButton>("ButtonEN"));
  QCOMPARE(rig.Window.Language(), 1);
  QCOMPARE(form->windowTitle(), QStringLiteral("Velmora settings"));
  QCOMPARE(rig.Find<QToolButton>("OKButton")->text(), QStringLiteral("Close"));
  QCOMPARE(rig.Find<QToolButton>("DriversButton")->text(), QStringLiteral("Install drivers"));
  QCOMPARE(rig.Find<QLabel>("LabelSwitchAuto")->text(),
           rig.Window.Dictionary().Translate(1, QStringLiteral("act_NoSwitchCOMAuto")));
  QCOMPARE(theme->text(), QStringLiteral("Dark"));
  // The replay bar button names what it will do.
  rig.Prompts->Passwords = {kPassword};
  rig.Window.ToggleAdminMode();
  auto* replay = rig.Find<QToolButton>("btn_OpenVirtLog");
  QCOMPARE(replay->text(), QStringLiteral("Open play log panel"));
  Click(replay);
  QVERIFY(rig.Window.ReplayPanelVisible());
  QCOMPARE(replay->text(), QStringLiteral("Close play log panel"));

  // Escape closes the dialog as cancelled; OK closes it as well.
  QTest::keyClick(form, Qt::Key_Escape);
  QTRY_VERIFY(!rig.Window.findChild<TAppSettingsForm*>());
  QVERIFY(rig.Open());
  Click(rig.Find<QToolButton>("OKButton"));
  QTRY_VERIFY(!rig.Window.findChild<TAppSettingsForm*>());
}

void TstAppSettings::defaultSettingsAfterYesOnly() {
  TRig rig;
  rig.Window.show();
  rig.Prompts->Passwords = {kPassword};
  rig.Window.ToggleAdminMode();
  rig.Window.SetLanguage(1);
  rig.Window.SetStyleMode(tmLight);
  rig.Window.SetPrintVisible(true);
  rig.Window.SetNoSwitchCOMAuto(true);
  QVERIFY(rig.Open());
  auto* button = rig.Find<QToolButton>("DefaultSettingsButton");
  rig.Prompts->Answers = {false};
  Click(button);
  QCOMPARE(rig.Prompts->Asked.last(), rig.T("_Confirm"));
  QCOMPARE(rig.Window.Language(), 1);
  QVERIFY(rig.Window.State().PrintVisible);

  rig.Prompts->Answers = {true};
  Click(button);
  QCOMPARE(rig.Window.Language(), 0);
  QCOMPARE(rig.Window.StyleMode(), int(tmDark));
  QVERIFY(rig.Window.Theme().Dark);
  QVERIFY(!rig.Window.findChild<QToolButton*>(QStringLiteral("btnPrint"))->isVisible());
  QVERIFY(!rig.Window.AdminMode());
  QVERIFY(!rig.Window.Discovery().NoSwitchCOMAuto());
  QVERIFY(!rig.Registry.ValueExists(QStringLiteral("Forms"), QStringLiteral("Param0")));
  // The open dialog shows the new state at once.
  QVERIFY(!rig.Find<QWidget>("PanelSettingsAdmin")->isVisible());
  QVERIFY(!rig.Find<TToggleSwitch>("ToggleSwitchAuto")->isChecked());
  QCOMPARE(rig.Window.findChild<TAppSettingsForm*>()->windowTitle(), QStringLiteral("Настройки Velmora"));
}

void TstAppSettings::clearCustomCommandsEmptiesTheStore() {
  TRig rig;
  rig.Registry.Write(QStringLiteral("CustomCommands\\227"), QStringLiteral("Count"), 1);
  rig.Registry.Write(QStringLiteral("CustomCommands\\227"), QStringLiteral("Command0"),
                     QStringLiteral("Ping@ping"));
  rig.Registry.Write(QStringLiteral("CustomCommands\\303"), QStringLiteral("Count"), 0);
  rig.Window.LoadCustomCommands(QStringLiteral("227"));
  QCOMPARE(rig.Window.CustomCommands(), QStringList{QStringLiteral("Ping@ping")});
  rig.Window.show();
  QVERIFY(rig.Open());
  auto* button = rig.Find<QToolButton>("ClearCmdButton");
  rig.Prompts->Answers = {false};
  Click(button);
  QVERIFY(rig.Registry.KeyExists(QStringLiteral("CustomCommands")));
  rig.Prompts->Answers = {true};
  Click(button);
  QCOMPARE(rig.Prompts->Asked, (QStringList{rig.T("_Confirm"), rig.T("_Confirm")}));
  QVERIFY(!rig.Registry.KeyExists(QStringLiteral("CustomCommands")));
  QVERIFY(!TRegistry().KeyExists(QStringLiteral("CustomCommands\\227")));
  QVERIFY(rig.Window.CustomCommands().isEmpty());
}

void TstAppSettings::lotNumberButtonOpensTheLotDialog() {
  TRig rig;
  rig.Prompts->Passwords = {kPassword};
  rig.Window.ToggleAdminMode();
  rig.Window.show();
  QVERIFY(rig.Open());
  Click(rig.Find<QToolButton>("LotNumberButton"));
  auto* lot = rig.Window.findChild<QDialog*>(QStringLiteral("LotNumberDialog"));
  QVERIFY(lot);
  QTRY_VERIFY(lot->isVisible());
  auto* edit = lot->findChild<QLineEdit*>(QStringLiteral("LotEdit"));
  QVERIFY(edit);
  edit->setText(QStringLiteral("FFFE"));
  lot->accept();
  QCOMPARE(rig.Registry.Read(QStringLiteral("Param"), QStringLiteral("LotNumber")).toInt(), 65534);
}

void TstAppSettings::driversButtonReportsHowTheInstallEnded_data() {
  QTest::addColumn<bool>("started");
  QTest::addColumn<int>("exitCode");
  QTest::addColumn<QString>("hintKey");
  QTest::addColumn<bool>("informed");
  QTest::newRow("installed") << true << 0 << QStringLiteral("mes_driversinstall") << true;
  QTest::newRow("dismissed") << true << 126 << QString() << false;
  QTest::newRow("not authorised") << true << 127 << QStringLiteral("mes_driversinstallerr") << false;
  QTest::newRow("script failed") << true << 1 << QStringLiteral("mes_driversinstallerr") << false;
  QTest::newRow("not started") << false << -1 << QStringLiteral("mes_driversinstallerr") << false;
}

void TstAppSettings::driversButtonReportsHowTheInstallEnded() {
  QFETCH(bool, started);
  QFETCH(int, exitCode);
  QFETCH(QString, hintKey);
  QFETCH(bool, informed);
  TRig rig;
  rig.Runner->Answer = {started, exitCode};
  rig.Window.show();
  QVERIFY(rig.Open());
  auto* button = rig.Find<QToolButton>("DriversButton");
  rig.Prompts->Answers = {false};
  Click(button);
  QCOMPARE(rig.Prompts->Asked, QStringList{rig.T("_ConfirmDriver")});
  QVERIFY(!rig.Window.DriversInstaller().Running());

  rig.Prompts->Answers = {true};
  Click(button);
  QCOMPARE(button->text(), QStringLiteral("Загрузка..."));
  QVERIFY(!button->isEnabled());
  QTRY_VERIFY(!rig.Window.DriversInstaller().Running());
  QCOMPARE(rig.Runner->Runs, 1);
  QCOMPARE(button->text(), rig.T("act_DriverInstall"));
  QVERIFY(button->isEnabled());
  const QStringList hints = rig.HintTexts();
  QCOMPARE(hints.size(), 1);
  if (hintKey.isEmpty())
    QCOMPARE(hints.first(), QStringLiteral("Установка драйверов отменена"));
  else
    QCOMPARE(hints.first(), rig.T(hintKey.toLatin1().constData()));
  QCOMPARE(rig.Prompts->Informed, informed ? QStringList{rig.T("mes_driversinstall")} : QStringList());
}

void TstAppSettings::looksInBothThemes_data() {
  QTest::addColumn<int>("mode");
  QTest::addColumn<bool>("admin");
  QTest::newRow("dark") << int(tmDark) << false;
  QTest::newRow("dark administrator") << int(tmDark) << true;
  QTest::newRow("light") << int(tmLight) << false;
  QTest::newRow("light administrator") << int(tmLight) << true;
}

void TstAppSettings::looksInBothThemes() {
  QFETCH(int, mode);
  QFETCH(bool, admin);
  TRig rig;
  rig.Window.SetStyleMode(mode);
  if (admin) {
    rig.Prompts->Passwords = {kPassword};
    rig.Window.ToggleAdminMode();
  }
  rig.Window.show();
  auto* form = rig.Open();
  QVERIFY(form);
  QVERIFY(QTest::qWaitForWindowExposed(form));
  const QImage shot = form->grab().toImage();
  // The main panel in the panel colour, the bottom bar in the window colour.
  auto* panel = rig.Find<QWidget>("PanelSettings");
  auto* bottom = rig.Find<QWidget>("Panel1");
  const qreal dpr = shot.devicePixelRatio();
  auto at = [&](QWidget* aWidget) {
    const QPoint p = aWidget->mapTo(form, QPoint(aWidget->width() - 3, 3));
    return shot.pixelColor(int(p.x() * dpr), int(p.y() * dpr));
  };
  QCOMPARE(at(panel), rig.Window.Theme().Panel);
  QCOMPARE(at(bottom), rig.Window.Theme().Window);
  if (admin)
    QCOMPARE(at(rig.Find<QWidget>("PanelSettingsAdmin")), rig.Window.Theme().Panel);
  // Pictures for people to look at, when asked for.
  const QString dir = qEnvironmentVariable("VELMORA_SHOT_DIR");
  if (!dir.isEmpty()) {
    QDir().mkpath(dir);
    QVERIFY(shot.save(QDir(dir).filePath(
        QStringLiteral("app_settings_%1.png")
            .arg(QString::fromLatin1(QTest::currentDataTag()).replace(QLatin1Char(' '), QLatin1Char('_'))))));
  }
}

QTEST_MAIN(TstAppSettings)
#include "tst_app_settings.moc"
