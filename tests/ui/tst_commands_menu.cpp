// The commands menu in the window: rebuilt for the device, the language and every refill, lines
// from an older menu ignored, and the dialogs behind the custom-command and lot rows.

#include "core/exchange_core.h"
#include "device/commands.h"
#include "device/port_info.h"
#include "dialogs/app_prompts.h"
#include "platform/registry.h"
#include "ui/command_dialogs.h"
#include "ui/hint_stack.h"
#include "ui/tmf.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

// Answers the window's questions from a script, writing down what was asked.
class TScriptedPrompts : public IAppPrompts {
public:
  QList<bool> Answers; // No when none is left
  QStringList Asked;
  void Confirm(QWidget*, const QString& aText, std::function<void(bool)> aAnswer) override {
    Asked << aText;
    aAnswer(!Answers.isEmpty() && Answers.takeFirst());
  }
  void AskPassword(QWidget*, const QString&, const QString&, std::function<void(const QString&)>) override {}
  void Inform(QWidget*, const QString&) override {}
};

// A window whose selected port is a replay of a one-line log; the test sets the device type.
struct TMenuRig {
  QTemporaryDir Dir;
  TRegistry Registry;
  std::unique_ptr<TMF> Window;

  TMenuRig() {
    Registry.DeleteKey(QStringLiteral("Forms"));
    Registry.DeleteKey(QStringLiteral("CustomCommands"));
    Registry.DeleteKey(QStringLiteral("Param"));
    Registry.Sync();
    const QString log = Dir.filePath(QStringLiteral("one.log"));
    QFile file(log);
    if (file.open(QIODevice::WriteOnly))
      file.write("12:00:00.000\t>TW=1;2\r\n");
    file.close();
    Window = std::make_unique<TMF>(Registry, [] { return false; });
    Window->resize(1024, 700);
    Window->show();
    Window->OpenReplay(log);
  }

  TMF& W() { return *Window; }
  void SetType(const QString& aType) { W().Q()->SetDeviceVer(aType); }

  // Visible lines, "-" for separators.
  QStringList Lines() const {
    QStringList lines;
    for (QAction* item : Window->CommandsMenu()->actions())
      if (item->isVisible())
        lines << (item->isSeparator() ? QStringLiteral("-") : item->text());
    return lines;
  }
  QAction* Item(const QString& aText) const {
    for (QAction* item : Window->CommandsMenu()->actions())
      if (item->text() == aText)
        return item;
    return nullptr;
  }
  QStringList Sent() {
    QStringList out;
    TExchangeCore& core = W().Core();
    for (const TPacket& p : core.PacketIndex())
      if (p.State == psSent)
        out << core.TrafficLog().AsText(p.Position, p.Size);
    return out;
  }
  QString LastHint() {
    const QList<QLabel*> hints = W().Hints().Hints();
    return hints.isEmpty() ? QString() : hints.last()->text();
  }
  // Pictures of the menu for looking at, when asked for.
  void Shoot(const QString& aName) {
    const QString dir = qEnvironmentVariable("VELMORA_SHOTS");
    if (dir.isEmpty())
      return;
    QMenu* menu = W().CommandsMenu();
    W().btn_CommandsClick();
    QTest::qWait(50);
    QDir().mkpath(dir);
    menu->grab().save(dir + QLatin1Char('/') + aName + QStringLiteral(".png"));
    menu->hide();
  }
};

TCommandDialog* OpenDialog(const QString& aName) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == aName && w->isVisible())
      return qobject_cast<TCommandDialog*>(w);
  return nullptr;
}

void Press(TCommandDialog* aDialog, const char* aButton) {
  QTest::mouseClick(aDialog->findChild<QPushButton*>(QString::fromLatin1(aButton)), Qt::LeftButton);
}

} // namespace

class TstCommandsMenu : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void menuFollowsDeviceAndLanguage();
  void lineFromAnOlderMenuDoesNothing();
  void menuOpensUnderTheButton();
  void deleteDialogProposesTheLastCommand();
  void lotDialog();
  void erasingAsksFirstAndSendingIsAnswered();
};

void TstCommandsMenu::menuFollowsDeviceAndLanguage() {
  TMenuRig rig;
  QVERIFY(rig.W().Commands().Store().Save(QStringLiteral("303"), {QStringLiteral("R&D@rd")}));
  rig.W().Commands_Fill();
  rig.SetType(QStringLiteral("303"));
  // An "&" of a caption is shown, not taken for a mnemonic.
  QCOMPARE(rig.Lines(), (QStringList{"Рестарт устройства", "Запуск теста", "Ввод номера партии", "-",
                                     "1: R&&D", "-", " + Добавить команду", " - Удалить команду"}));
  rig.Shoot(QStringLiteral("menu_303_ru"));
  rig.W().SetLanguage(1);
  QCOMPARE(rig.Lines().first(), QStringLiteral("Reboot device"));
  rig.Shoot(QStringLiteral("menu_303_en"));
  rig.Item(QStringLiteral("1: R&&D"))->trigger();
  QCOMPARE(rig.Sent().last(), QStringLiteral("rd\r\n"));

  rig.SetType(QStringLiteral("250"));
  // Qt folds the runs of separators on screen; the lines are all there.
  QCOMPARE(rig.Lines(), (QStringList{"-", "Reboot device", "-", "-", "-", "Get info about master",
                                     "Get sensor list", "Find additional sensors", "-", "-",
                                     " + Add Custom Command", " - Del Custom Command"}));
  QAction* hidden = rig.Item(QStringLiteral("Read settings from device"));
  QVERIFY(hidden && !hidden->isVisible());
  QVERIFY(rig.W().findChild<QToolButton*>(QStringLiteral("btn_Commands"))->isVisible());
  rig.Shoot(QStringLiteral("menu_250_en"));
  rig.W().SetLanguage(0);
  QVERIFY(rig.Lines().contains(QStringLiteral("Получить информацию о мастере")));
  rig.Shoot(QStringLiteral("menu_250_ru"));
}

void TstCommandsMenu::lineFromAnOlderMenuDoesNothing() {
  TMenuRig rig;
  rig.W().SetLanguage(1);
  rig.SetType(QStringLiteral("303"));
  QPointer<QAction> old = rig.Item(QStringLiteral("Entering Lot Number"));
  QVERIFY(old);
  // A schema load refills the table while the menu is open; with a port now selected the table
  // gains its password row, and every row after it moves down by one.
  rig.W().Commands_Fill();
  QVERIFY(!rig.W().CommandsMenu()->actions().contains(old.data()));
  const QStringList sent = rig.Sent();
  const qsizetype hints = rig.W().Hints().Hints().size();
  if (old)
    old->trigger();
  QCOMPARE(rig.Sent(), sent);
  QCOMPARE(rig.W().Hints().Hints().size(), hints); // the factory test it now points at did not start
  QVERIFY(!OpenDialog(QStringLiteral("LotNumberDialog")));
  rig.Item(QStringLiteral("Reboot device"))->trigger();
  QCOMPARE(rig.Sent(), sent + QStringList{QStringLiteral("rst\r\n")});
}

void TstCommandsMenu::menuOpensUnderTheButton() {
  TMenuRig rig;
  rig.SetType(QStringLiteral("303"));
  auto* button = rig.W().findChild<QToolButton*>(QStringLiteral("btn_Commands"));
  rig.W().btn_CommandsClick();
  QMenu* menu = rig.W().CommandsMenu();
  QTRY_VERIFY(menu->isVisible());
  QCOMPARE(menu->pos(), button->mapToGlobal(QPoint(0, button->height())));
  menu->hide();
  // Ctrl+5 opens it too.
  QTest::keyClick(&rig.W(), Qt::Key_5, Qt::ControlModifier);
  QTRY_VERIFY(menu->isVisible());
  menu->hide();
}

void TstCommandsMenu::deleteDialogProposesTheLastCommand() {
  TMenuRig rig;
  rig.W().SetLanguage(1);
  QVERIFY(rig.W().Commands().Store().Save(
      QStringLiteral("227"), {QStringLiteral("A@a"), QStringLiteral("broken"), QStringLiteral("B@b")}));
  rig.SetType(QStringLiteral("227"));
  rig.W().Commands_Fill();
  QVERIFY(rig.Lines().contains(QStringLiteral("3: B")));
  rig.Item(QStringLiteral(" - Del Custom Command"))->trigger();
  TCommandDialog* dialog = OpenDialog(QStringLiteral("DelCustomCommandDialog"));
  QVERIFY(dialog);
  QCOMPARE(dialog->size(), QSize(300, 150));
  QCOMPARE(dialog->Value(0), QStringLiteral("3"));
  Press(dialog, "OKButton");
  QCOMPARE(rig.LastHint(), QStringLiteral("Command deleted"));
  QVERIFY(!rig.Lines().contains(QStringLiteral("3: B")));
  QVERIFY(rig.Lines().contains(QStringLiteral("1: A")));

  rig.Item(QStringLiteral(" - Del Custom Command"))->trigger();
  dialog = OpenDialog(QStringLiteral("DelCustomCommandDialog"));
  QVERIFY(dialog);
  dialog->Edit(0)->setText(QStringLiteral("2"));
  Press(dialog, "OKButton");
  QCOMPARE(rig.LastHint(), QStringLiteral("Error deleting command"));
  QVERIFY(rig.Lines().contains(QStringLiteral("1: A")));
}

void TstCommandsMenu::erasingAsksFirstAndSendingIsAnswered() {
  TMenuRig rig;
  auto prompts = std::make_unique<TScriptedPrompts>();
  TScriptedPrompts& asked = *prompts;
  asked.Answers = {false, true};
  TMF::TOptionsServices services;
  services.Prompts = std::move(prompts);
  rig.W().SetOptionsServices(std::move(services));
  rig.W().SetLanguage(1);
  rig.SetType(QStringLiteral("35"));
  const QStringList sent = rig.Sent();

  // The device's memory is not erased on a click: the user is asked, and No leaves it alone.
  rig.Item(QStringLiteral("Clear memory"))->trigger();
  QCOMPARE(asked.Asked, QStringList{QStringLiteral("Clear memory?\nThis cannot be undone.")});
  QCOMPARE(rig.Sent(), sent);
  rig.Item(QStringLiteral("Clear memory"))->trigger();
  QCOMPARE(rig.Sent(), sent + QStringList{QStringLiteral(">D 8;0\r\n")});
  QCOMPARE(rig.LastHint(), QStringLiteral("Command sent: Clear memory"));

  // Commands that take nothing away go at once, and say so.
  rig.Item(QStringLiteral("Reboot device"))->trigger();
  QCOMPARE(asked.Asked.size(), 2);
  QCOMPARE(rig.LastHint(), QStringLiteral("Command sent: Reboot device"));
}

void TstCommandsMenu::lotDialog() {
  TMenuRig rig;
  rig.W().SetLanguage(1);
  rig.SetType(QStringLiteral("303"));
  rig.Item(QStringLiteral("Entering Lot Number"))->trigger();
  TCommandDialog* dialog = OpenDialog(QStringLiteral("LotNumberDialog"));
  QVERIFY(dialog);
  QCOMPARE(dialog->Value(0), QStringLiteral("0000"));
  dialog->Edit(0)->setText(QStringLiteral("fffe"));
  Press(dialog, "OKButton");
  QCOMPARE(rig.LastHint(), QStringLiteral("Lot Number: FFFE"));
  QVERIFY(rig.W().Commands().LotNumber().Confirmed());

  // The operations open it and go on when it closes.
  QList<bool> answers;
  rig.W().EnterLotNumberCommandDialog([&](bool aTaken) { answers << aTaken; });
  dialog = OpenDialog(QStringLiteral("LotNumberDialog"));
  QVERIFY(dialog);
  QCOMPARE(dialog->Value(0), QStringLiteral("FFFE"));
  dialog->Edit(0)->setText(QStringLiteral("FFFF"));
  Press(dialog, "OKButton");
  rig.W().EnterLotNumberCommandDialog([&](bool aTaken) { answers << aTaken; });
  Press(OpenDialog(QStringLiteral("LotNumberDialog")), "CancelButton");
  QCOMPARE(answers, (QList<bool>{false, false}));
  QCOMPARE(rig.W().Commands().LotNumber().Value(), quint16(0xFFFE));
}

QTEST_MAIN(TstCommandsMenu)
#include "tst_commands_menu.moc"
