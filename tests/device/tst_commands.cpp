// The command table, running commands on a port, custom commands in the per-user store and the
// lot number, without a window.

#include "core/core_fixture.h"
#include "device/command_host.h"
#include "device/commands.h"
#include "i18n/dictionary.h"
#include "platform/registry.h"

#include <QElapsedTimer>
#include <QTest>

namespace {

class TCommandRecorder : public ICommandHost {
public:
  TPortInfo* Port = nullptr;
  QList<QPair<int, QString>> Hints;
  QList<int> Operations;
  QStringList Awaited;
  int Updates = 0;

  TPortInfo* Q() override { return Port; }
  void MainHintShow(int aKind, const QString& aText) override { Hints.append({aKind, aText}); }
  void CommandsUpdate() override { ++Updates; }
  void CommandsStartOperation(TPortInfo& aPort, int aOperation) override {
    QCOMPARE(&aPort, Port);
    Operations.append(aOperation);
  }
  void CommandsAwaitReply(const QString& aCommand) override { Awaited.append(aCommand); }
};

// Lock states a port can be put in: the service adapter waiting for its password (-1), accepted
// (0) and refused (1); any other value: an ordinary device.
constexpr int kOrdinary = 9;

struct TCommandsRig {
  TCoreRig Core;
  TRegistry Registry;
  TDictionary Dictionary;
  TCommandRecorder Host;
  TCommands Commands{Host, Registry, Dictionary};

  TCommandsRig() {
    Registry.DeleteKey(QStringLiteral("CustomCommands"));
    Registry.DeleteKey(QStringLiteral("Param"));
    Host.Port = Core.Port.get();
  }

  void SetType(const QString& aType, int aLock = kOrdinary) {
    TPortInfo& port = *Core.Port;
    if (aLock == kOrdinary) {
      port.SetDeviceVer(aType);
    } else {
      port.SetDevicePID_VID(QStringLiteral("USB\\VID_0483&PID_5742&REV_0200"));
      port.SetDeviceName(QStringLiteral("5")); // the adapter now waits for its password
      if (aLock == 0)
        port.SetReadLocked(false);
      else if (aLock == 1)
        port.SetReadLocked(true);
    }
    Commands.Fill();
    Core.Driver.Written.clear();
  }

  // Menu lines as "caption" ("[caption]" when hidden, "-" for a separator), joined by " | ".
  QString Menu(int aLanguage) const {
    QStringList lines;
    for (const TCommandMenuItem& item : Commands.Table().MenuFor(Core.Port.get(), aLanguage)) {
      const QString text = item.Separator ? QStringLiteral("-") : item.Caption;
      lines << (item.Visible ? text : QLatin1Char('[') + text + QLatin1Char(']'));
    }
    return lines.join(QStringLiteral(" | "));
  }

  // Runs the row shown with this English caption, or the command of this name.
  void Run(const QString& aCommand) {
    for (const TCommandMenuItem& item : Commands.Table().MenuFor(Core.Port.get(), TDictionary::lnEnglish)) {
      if (item.Caption == aCommand) {
        Commands.Do(item.Index);
        return;
      }
    }
    Commands.Exec(aCommand);
  }

  QByteArray Sent() const { return Core.Driver.Written.join(); }
};

const QString kManage = QStringLiteral(" | - |  + Add Custom Command |  - Del Custom Command");

} // namespace

class TstCommands : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void menuByDeviceType_data();
  void menuByDeviceType();
  void bytesSent_data();
  void bytesSent();
  void operationRowsHandOver();
  void clicksFromAnOlderMenuAreIgnored();
  void sentClickIsAnswered_data();
  void sentClickIsAnswered();
  void customCommandsRoundTrip();
  void addRefusals_data();
  void addRefusals();
  void addChangesTheShownTypesList();
  void deleteNumbersAreTheMenusNumbers_data();
  void deleteNumbersAreTheMenusNumbers();
  void damagedStoreIsReadSafely();
  void lotNumber_data();
  void lotNumber();
};

void TstCommands::menuByDeviceType_data() {
  QTest::addColumn<QString>("type");
  QTest::addColumn<int>("lock");
  QTest::addColumn<int>("language");
  QTest::addColumn<QStringList>("custom"); // "type:entry"
  QTest::addColumn<QString>("menu");

  QTest::newRow("sensor master") << "250" << kOrdinary << 1 << QStringList()
                                 << "- | Reboot device | - | - | - | [Read settings from device] | "
                                    "Get info about master | Get sensor list | Find additional sensors" +
                                        kManage;
  QTest::newRow("sensor master in Russian")
      << "250" << kOrdinary << 0 << QStringList()
      << QStringLiteral("- | Рестарт устройства | - | - | - | [Прочитать настройки из устройства] | "
                        "Получить информацию о мастере | Получить список датчиков | Найти дополнительные "
                        "датчики | - |  + Добавить команду |  - Удалить команду");
  QTest::newRow("303 with its factory rows")
      << "303" << kOrdinary << 1 << QStringList()
      << "Reboot device | Running test | Entering Lot Number" + kManage;
  QTest::newRow("35 updates to its loader disk")
      << "35" << kOrdinary << 1 << QStringList()
      << "- | Reboot device | - | Update software locally | Update software over Internet | "
         "Update settings over Internet | - | Clear memory | Download all memory | "
         "Download only recorded memory | Save all files from device | - | Send packet with coordinates | "
         "[Read settings from device]" +
             kManage;
  QTest::newRow("99 also updates its CAN program")
      << "99" << kOrdinary << 1 << QStringList()
      << "- | Reboot device | - | Update software locally | Update CAN program locally | "
         "Update software over Internet | Update settings over Internet | - | Clear memory | "
         "Download all memory | Download only recorded memory | Save all files from device | - | "
         "Send packet with coordinates | [Read settings from device]" +
             kManage;
  QTest::newRow("service adapter")
      << "1" << -1 << 1 << QStringList()
      << "[Enter device password] | - | Reboot device | - | Update software locally | "
         "Update software over Internet | Update settings over Internet | - | Clear memory | - | "
         "Send packet with coordinates | [Read settings from device]" +
             kManage;
  QTest::newRow("306 calibrates its tilt")
      << "306" << kOrdinary << 1 << QStringList()
      << "Reboot device | [Read settings from device] | Tilt angle calibration" + kManage;
  QTest::newRow("type zero sees only separators and the custom rows")
      << "0" << kOrdinary << 1 << QStringList() << "- | - | - | -" + kManage;
  QTest::newRow("a type that is not a number sees nothing")
      << "abc" << kOrdinary << 1 << QStringList() << QString();
  QTest::newRow("custom command on its own type")
      << "227" << kOrdinary << 1
      << QStringList{QStringLiteral("227:Ping@ping"), QStringLiteral("303:Rst@rst")}
      << "- | Reboot device | - | Update software locally | Update software over Internet | "
         "Update settings over Internet | - | Clear memory | - | Send packet with coordinates | "
         "[Read settings from device] | - | 1: Ping | -" +
             kManage;
  QTest::newRow("another type's custom command is not shown")
      << "303" << kOrdinary << 1 << QStringList{QStringLiteral("227:Ping@ping")}
      << "Reboot device | Running test | Entering Lot Number | -" + kManage;
  QTest::newRow("a name with | or & is shown as typed")
      << "303" << kOrdinary << 0 << QStringList{QStringLiteral("303:R&D|x@rd")}
      << QStringLiteral(
             "Рестарт устройства | Запуск теста | Ввод номера партии | - | 1: R&D|x | - |  + Добавить "
             "команду |  - Удалить команду");
}

void TstCommands::menuByDeviceType() {
  QFETCH(QString, type);
  QFETCH(int, lock);
  QFETCH(int, language);
  QFETCH(QStringList, custom);
  QFETCH(QString, menu);

  TCommandsRig rig;
  QHash<QString, QStringList> byType;
  for (const QString& entry : custom)
    byType[entry.section(QLatin1Char(':'), 0, 0)] << entry.section(QLatin1Char(':'), 1);
  for (auto it = byType.cbegin(); it != byType.cend(); ++it)
    QVERIFY(rig.Commands.Store().Save(it.key(), it.value()));
  rig.SetType(type, lock);
  QCOMPARE(rig.Menu(language), menu);
}

void TstCommands::bytesSent_data() {
  QTest::addColumn<QString>("type");
  QTest::addColumn<int>("lock");
  QTest::addColumn<QString>("password");
  QTest::addColumn<QString>("command"); // English caption, or a command name
  QTest::addColumn<QByteArray>("sent");

  const QString standard = QString::fromLatin1(kDefaultDevicePassword);
  QTest::newRow("35 reboot") << "35" << kOrdinary << standard << "Reboot device" << QByteArray(">D 1\r\n");
  QTest::newRow("90 reboot carries the password")
      << "90" << kOrdinary << standard << "Reboot device" << QByteArray("111111*SERV*1.7\r\n");
  QTest::newRow("99 reboot carries the typed password")
      << "99" << kOrdinary << "abc123"
      << "Reboot device" << QByteArray("abc123*SERV*1.7\r\n");
  QTest::newRow("password in the devices' code page")
      << "82" << kOrdinary << QStringLiteral("пароль") << "Send packet with coordinates"
      << QByteArray("\xEF\xE0\xF0\xEE\xEB\xFC*SERV*1.1\r\n");
  QTest::newRow("303 reboot") << "303" << kOrdinary << standard << "Reboot device" << QByteArray("rst\r\n");
  QTest::newRow("217 CAN log") << "217" << kOrdinary << standard << "Write CAN log"
                               << QByteArray("111111*SERV*42\r\n");
  QTest::newRow("305 tilt") << "305" << kOrdinary << standard << "Tilt angle calibration"
                            << QByteArray(">T 2\r\n");
  QTest::newRow("35 packet") << "35" << kOrdinary << standard << "Send packet with coordinates"
                             << QByteArray(">D 4;1\r\n");
  QTest::newRow("sensor reboot frame")
      << "250" << kOrdinary << standard << "Reboot device" << QByteArray::fromHex("3110B70001E9");
  QTest::newRow("sensor settings frame")
      << "250" << kOrdinary << standard << "SettingsGet" << QByteArray::fromHex("3110B1F5");
  QTest::newRow("sensor master info frame")
      << "250" << kOrdinary << standard << "Get info about master" << QByteArray::fromHex("3110B0AB");
  QTest::newRow("sensor search frame")
      << "250" << kOrdinary << standard << "Find additional sensors" << QByteArray::fromHex("3110B869");
  QTest::newRow("99 reads its settings")
      << "99" << kOrdinary << standard << "SettingsGet" << QByteArray(">D 15;0\r\n");
  QTest::newRow("303 has no settings row") << "303" << kOrdinary << standard << "SettingsGet" << QByteArray();
  QTest::newRow("a name is compared exactly")
      << "99" << kOrdinary << standard << "settingsget" << QByteArray();
  QTest::newRow("adapter waiting: the typed password instead")
      << "1" << -1 << QStringLiteral("654321") << "Reboot device" << QByteArray("654321\r\n");
  QTest::newRow("adapter waiting: also for hidden rows")
      << "1" << -1 << standard << "SettingsGet" << QByteArray("111111\r\n");
  QTest::newRow("adapter accepted") << "1" << 0 << standard << "Reboot device" << QByteArray("restart\r\n");
  QTest::newRow("adapter refused: nothing") << "1" << 1 << standard << "Reboot device" << QByteArray();
  QTest::newRow("adapter accepted reads settings")
      << "1" << 0 << standard << "SettingsGet" << QByteArray("settings get\r\n");
  QTest::newRow("a row that only opens a dialog sends nothing")
      << "303" << kOrdinary << standard << "AddCustomCommand" << QByteArray();
}

void TstCommands::bytesSent() {
  QFETCH(QString, type);
  QFETCH(int, lock);
  QFETCH(QString, password);
  QFETCH(QString, command);
  QFETCH(QByteArray, sent);

  TCommandsRig rig;
  rig.Core.Port->SetUserPassword(password);
  rig.SetType(type, lock);
  rig.Run(command);
  QCOMPARE(rig.Sent(), sent);
  QVERIFY(rig.Host.Operations.isEmpty());
  // What was sent is logged as sent, once.
  int sentEntries = 0;
  for (const TPacket& p : rig.Core.Core.PacketIndex())
    sentEntries += p.State == psSent ? 1 : 0;
  QCOMPARE(sentEntries, sent.isEmpty() ? 0 : 1);
}

void TstCommands::operationRowsHandOver() {
  TCommandsRig rig;
  const QList<QPair<QString, QList<int>>> cases = {
      {QStringLiteral("216"), {5, 3, 2, 7}},
      {QStringLiteral("227"), {4}},
      {QStringLiteral("99"), {5, 5, 3, 2, 7}},
      {QStringLiteral("303"), {6}},
      {QStringLiteral("304"), {8}},
  };
  for (const auto& [type, operations] : cases) {
    rig.SetType(type);
    rig.Host.Operations.clear();
    for (const TCommandMenuItem& item : rig.Commands.Table().MenuFor(rig.Core.Port.get(), 1))
      rig.Commands.Do(item.Index);
    QCOMPARE(rig.Host.Operations, operations);
  }
  // On 304 only the reboot sends: the test starts an operation and the lot row opens a dialog.
  QCOMPARE(rig.Sent(), QByteArray("rst\r\n"));
  // Without a port nothing runs at all.
  rig.Host.Port = nullptr;
  rig.Host.Operations.clear();
  rig.Commands.Do(0);
  rig.Commands.Exec(QStringLiteral("act_Reboot"));
  QVERIFY(rig.Host.Operations.isEmpty());
}

void TstCommands::clicksFromAnOlderMenuAreIgnored() {
  TCommandsRig rig;
  rig.SetType(QStringLiteral("303"));
  const quint64 before = rig.Commands.Table().Generation();
  const int reboot = rig.Commands.Table().Find(QStringLiteral("act_Reboot"), rig.Core.Port.get());
  QVERIFY(reboot >= 0);
  const int updatesBefore = rig.Host.Updates;
  // A custom command of this type is stored: the refill shifts the rows after it.
  QVERIFY(
      rig.Commands.AddCustomCommand(QStringLiteral("303"), QStringLiteral("Ping"), QStringLiteral("ping")));
  QVERIFY(rig.Commands.Table().Generation() != before);
  QCOMPARE(rig.Host.Updates, updatesBefore + 1); // every refill rebuilds the menu
  QCOMPARE(rig.Commands.Click(before, reboot), ccIgnored);
  QCOMPARE(rig.Sent(), QByteArray());
  const quint64 now = rig.Commands.Table().Generation();
  QCOMPARE(rig.Commands.Click(now, reboot), ccRan);
  QCOMPARE(rig.Sent(), QByteArray("rst\r\n"));

  // A line left from another device's menu.
  rig.SetType(QStringLiteral("35"));
  int lot = -1;
  for (int i = 0; i < rig.Commands.Table().Count(); ++i)
    if (rig.Commands.Table().Rows().at(i).Ident == QLatin1String("EnterLotNumber"))
      lot = i;
  QCOMPARE(rig.Commands.Click(rig.Commands.Table().Generation(), lot), ccIgnored);
  QCOMPARE(rig.Commands.Click(rig.Commands.Table().Generation(), rig.Commands.Table().Count()), ccIgnored);
  QCOMPARE(rig.Commands.Click(rig.Commands.Table().Generation(), -1), ccIgnored);

  // The rows that open dialogs.
  rig.SetType(QStringLiteral("303"));
  const TCommandTable& table = rig.Commands.Table();
  const quint64 gen = table.Generation();
  QCOMPARE(rig.Commands.Click(gen, table.Find(QStringLiteral("EnterLotNumber"), rig.Core.Port.get())),
           ccLotDialog);
  QCOMPARE(rig.Commands.Click(gen, table.Find(QStringLiteral("AddCustomCommand"), rig.Core.Port.get())),
           ccAddDialog);
  QCOMPARE(rig.Commands.Click(gen, table.Find(QStringLiteral("DelCustomCommand"), rig.Core.Port.get())),
           ccDeleteDialog);
  rig.SetType(QStringLiteral("35")); // no custom commands there: no delete dialog
  QCOMPARE(rig.Commands.Click(table.Generation(),
                              table.Find(QStringLiteral("DelCustomCommand"), rig.Core.Port.get())),
           ccIgnored);
}

void TstCommands::sentClickIsAnswered_data() {
  QTest::addColumn<QString>("type");
  QTest::addColumn<int>("lock");
  QTest::addColumn<int>("language");
  QTest::addColumn<QString>("command"); // the menu line's caption in that language
  QTest::addColumn<QString>("hint");    // empty: none
  QTest::addColumn<QString>("awaited"); // whose reply is named when it comes; empty: none
  QTest::newRow("reboot, Russian") << "35" << kOrdinary << 0 << QString::fromUtf8("Рестарт устройства")
                                   << QString::fromUtf8("Команда отправлена: Рестарт устройства")
                                   << QString::fromUtf8("Рестарт устройства");
  QTest::newRow("own captions, English") << "35" << kOrdinary << 1 << "Send packet with coordinates"
                                         << "Command sent: Send packet with coordinates"
                                         << "Send packet with coordinates";
  QTest::newRow("custom command") << "303" << kOrdinary << 1 << "1: Ping"
                                  << "Command sent: 1: Ping"
                                  << "1: Ping";
  QTest::newRow("password refused: nothing went")
      << "1" << 1 << 1 << "Reboot device" << QString() << QString();
  // The password went in place of the command: its answer is the one to name.
  QTest::newRow("adapter waiting for its password")
      << "1" << -1 << 1 << "Reboot device" << QString() << "Enter device password";
  QTest::newRow("an operation answers for itself")
      << "216" << kOrdinary << 1 << "Download all memory" << QString() << QString();
}

void TstCommands::sentClickIsAnswered() {
  QFETCH(QString, type);
  QFETCH(int, lock);
  QFETCH(int, language);
  QFETCH(QString, command);
  QFETCH(QString, hint);
  QFETCH(QString, awaited);
  TCommandsRig rig;
  rig.Dictionary.SetLanguage(language);
  rig.SetType(type, lock);
  if (type == QLatin1String("303"))
    QVERIFY(rig.Commands.AddCustomCommand(type, QStringLiteral("Ping"), QStringLiteral("ping")));
  rig.Host.Hints.clear();
  int index = -1;
  for (const TCommandMenuItem& item : rig.Commands.Table().MenuFor(rig.Core.Port.get(), language))
    if (item.Caption == command)
      index = item.Index;
  QVERIFY2(index >= 0, qPrintable(rig.Menu(language)));
  QCOMPARE(rig.Commands.Click(rig.Commands.Table().Generation(), index), ccRan);
  if (hint.isEmpty())
    QVERIFY(rig.Host.Hints.isEmpty());
  else
    QCOMPARE(rig.Host.Hints, (QList<QPair<int, QString>>{{3, hint}}));
  QCOMPARE(rig.Host.Awaited, awaited.isEmpty() ? QStringList() : QStringList{awaited});
}

void TstCommands::customCommandsRoundTrip() {
  TCommandsRig rig;
  rig.SetType(QStringLiteral("227"));
  QVERIFY(rig.Commands.AddCustomCommand(QStringLiteral("227"), QStringLiteral("  Ping "),
                                        QStringLiteral(" ping ")));
  QVERIFY(rig.Commands.AddCustomCommand(QStringLiteral("227"), QStringLiteral("Мотор"),
                                        QStringLiteral("out 1 on")));
  QCOMPARE(rig.Host.Hints.last(), qMakePair(1, QStringLiteral("Команда добавлена")));
  // Stored as the per-user store keeps them, read back by a store of its own.
  TRegistry other;
  QCOMPARE(other.Read(QStringLiteral("CustomCommands\\227"), QStringLiteral("Count")).toInt(), 2);
  QCOMPARE(other.Read(QStringLiteral("CustomCommands\\227"), QStringLiteral("Command0")).toString(),
           QStringLiteral("Ping@ping"));
  QCOMPARE(TCustomCommandStore(other).Load(QStringLiteral("227")),
           (QStringList{QStringLiteral("Ping@ping"), QStringLiteral("Мотор@out 1 on")}));
  QCOMPARE(rig.Commands.CustomCommands(), TCustomCommandStore(other).Load(QStringLiteral("227")));
  QVERIFY(rig.Menu(1).contains(QStringLiteral("1: Ping | 2: Мотор")));
  rig.Run(QStringLiteral("1: Ping"));
  QCOMPARE(rig.Sent(), QByteArray("ping\r\n"));

  QCOMPARE(rig.Commands.LastCustomNumber(QStringLiteral("227")), 2);
  QVERIFY(rig.Commands.DeleteCustomCommand(QStringLiteral("227"), QStringLiteral(" 1 ")));
  QCOMPARE(rig.Host.Hints.last(), qMakePair(1, QStringLiteral("Команда удалена")));
  QCOMPARE(rig.Commands.Store().Load(QStringLiteral("227")), QStringList{QStringLiteral("Мотор@out 1 on")});
  QVERIFY(rig.Menu(1).contains(QStringLiteral("1: Мотор")));

  QVERIFY(rig.Commands.Store().Save(QStringLiteral("303"), {QStringLiteral("Rst@rst")}));
  const int updates = rig.Host.Updates;
  rig.Commands.ClearCustomCommands();
  QCOMPARE(rig.Host.Updates, updates + 1);
  QVERIFY(rig.Commands.CustomCommands().isEmpty());
  QVERIFY(rig.Commands.Store().All().isEmpty());
  QVERIFY(!rig.Menu(1).contains(QStringLiteral("1: ")));
}

void TstCommands::addRefusals_data() {
  QTest::addColumn<QString>("shownType");
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("withPort");

  QTest::newRow("name holds @") << "227"
                                << "a@b"
                                << "ping" << true;
  QTest::newRow("empty name") << "227"
                              << "   "
                              << "ping" << true;
  QTest::newRow("empty text") << "227"
                              << "Ping"
                              << "  " << true;
  QTest::newRow("line break in the text") << "227"
                                          << "Ping"
                                          << "ping\r\nrst" << true;
  QTest::newRow("the device changed meanwhile") << "303"
                                                << "Ping"
                                                << "ping" << true;
  QTest::newRow("no device") << "Unknown"
                             << "Ping"
                             << "ping" << false;
}

void TstCommands::addRefusals() {
  QFETCH(QString, shownType);
  QFETCH(QString, name);
  QFETCH(QString, text);
  QFETCH(bool, withPort);

  TCommandsRig rig;
  rig.SetType(QStringLiteral("227"));
  QVERIFY(rig.Commands.Store().Save(QStringLiteral("227"), {QStringLiteral("Old@old")}));
  if (!withPort)
    rig.Host.Port = nullptr;
  QVERIFY(!rig.Commands.AddCustomCommand(shownType, name, text));
  QCOMPARE(rig.Host.Hints.last(), qMakePair(0, QStringLiteral("Ошибка добавления команды")));
  QCOMPARE(rig.Commands.Store().Entries(QStringLiteral("227")), QStringList{QStringLiteral("Old@old")});
  QCOMPARE(rig.Commands.Store().All().size(), 1);
}

void TstCommands::addChangesTheShownTypesList() {
  // The list in memory is the 303's (its settings were loaded last); the device shown is a type
  // whose own list must be extended, not replaced by the 303's.
  TCommandsRig rig;
  QVERIFY(rig.Commands.Store().Save(QStringLiteral("303"), {QStringLiteral("Rst@rst")}));
  QVERIFY(rig.Commands.Store().Save(QStringLiteral("35"), {QStringLiteral("Old@old")}));
  rig.Commands.LoadCustomCommands(QStringLiteral("303"));
  rig.SetType(QStringLiteral("35"));
  QVERIFY(rig.Commands.AddCustomCommand(QStringLiteral("35"), QStringLiteral("New"), QStringLiteral("new")));
  QCOMPARE(rig.Commands.Store().Load(QStringLiteral("35")),
           (QStringList{QStringLiteral("Old@old"), QStringLiteral("New@new")}));
  QCOMPARE(rig.Commands.Store().Load(QStringLiteral("303")), QStringList{QStringLiteral("Rst@rst")});

  // A type that is not a number never addresses the store: an empty one would be every type.
  TCustomCommandStore& store = rig.Commands.Store();
  for (const QString& bad :
       {QString(), QStringLiteral("-1"), QStringLiteral("Unknown"), QStringLiteral("3 5")})
    QVERIFY(!store.Save(bad, {}));
  QCOMPARE(store.All().size(), 2);
  rig.Core.Port->SetDeviceVer(QString());
  QVERIFY(!rig.Commands.AddCustomCommand(QString(), QStringLiteral("X"), QStringLiteral("x")));
  QCOMPARE(store.All().size(), 2);
}

void TstCommands::deleteNumbersAreTheMenusNumbers_data() {
  QTest::addColumn<QString>("number");
  QTest::addColumn<QStringList>("left"); // nothing deleted: empty

  // Stored: 1 "A@a", 2 "junk" (never shown), 3 "B@b"; the menu shows 1: A and 3: B.
  QTest::newRow("the last one shown") << "3" << QStringList{"A@a", "junk"};
  QTest::newRow("the first one") << "1" << QStringList{"junk", "B@b"};
  QTest::newRow("a number the menu does not show") << "2" << QStringList();
  QTest::newRow("zero") << "0" << QStringList();
  QTest::newRow("negative") << "-1" << QStringList();
  QTest::newRow("past the end") << "4" << QStringList();
  QTest::newRow("not a number") << "x" << QStringList();
}

void TstCommands::deleteNumbersAreTheMenusNumbers() {
  QFETCH(QString, number);
  QFETCH(QStringList, left);

  TCommandsRig rig;
  const QStringList stored{QStringLiteral("A@a"), QStringLiteral("junk"), QStringLiteral("B@b")};
  QVERIFY(rig.Commands.Store().Save(QStringLiteral("5"), stored));
  rig.SetType(QStringLiteral("5"));
  QVERIFY(rig.Menu(1).contains(QStringLiteral("- | 1: A | 3: B | -")));
  QCOMPARE(rig.Commands.LastCustomNumber(QStringLiteral("5")), 3);
  const bool deleted = rig.Commands.DeleteCustomCommand(QStringLiteral("5"), number);
  QCOMPARE(deleted, !left.isEmpty());
  QCOMPARE(rig.Commands.Store().Entries(QStringLiteral("5")), deleted ? left : stored);
  QCOMPARE(rig.Host.Hints.last().first, deleted ? 1 : 0);
}

void TstCommands::damagedStoreIsReadSafely() {
  TCommandsRig rig;
  TRegistry& registry = rig.Registry;
  const QString key = QStringLiteral("CustomCommands\\227");
  // A count of 2^31 and more: only the values that are there are read, at once.
  registry.Write(key, QStringLiteral("Count"), QStringLiteral("2147483648"));
  registry.Write(key, QStringLiteral("Command0"), QStringLiteral("Ping@ping"));
  registry.Write(key, QStringLiteral("Command5"), QStringLiteral("Five@five"));
  registry.Write(key, QStringLiteral("Command05"), QStringLiteral("Padded@no"));
  registry.Write(key, QStringLiteral("Command-1"), QStringLiteral("Negative@no"));
  registry.Write(key, QStringLiteral("Command2"), QString());
  // Keys that are not type numbers are not types at all.
  registry.Write(QStringLiteral("CustomCommands\\abc"), QStringLiteral("Count"), 1);
  registry.Write(QStringLiteral("CustomCommands\\abc"), QStringLiteral("Command0"), QStringLiteral("X@x"));
  registry.Write(QStringLiteral("CustomCommands\\303"), QStringLiteral("Count"), QStringLiteral("two"));
  registry.Write(QStringLiteral("CustomCommands\\303"), QStringLiteral("Command0"), QStringLiteral("Y@y"));
  registry.Write(QStringLiteral("CustomCommands\\35"), QStringLiteral("Count"), 1);
  registry.Write(QStringLiteral("CustomCommands\\35"), QStringLiteral("Command1"),
                 QStringLiteral("Past@count"));
  QElapsedTimer timer;
  timer.start();
  rig.SetType(QStringLiteral("227"));
  QVERIFY(timer.elapsed() < 5000);
  QCOMPARE(rig.Commands.Store().Entries(QStringLiteral("227")),
           (QStringList{QStringLiteral("Ping@ping"), QStringLiteral("Five@five")}));
  QVERIFY(rig.Menu(1).contains(QStringLiteral("- | 1: Ping | 2: Five | -")));
  QVERIFY(rig.Commands.Store().Entries(QStringLiteral("303")).isEmpty());
  QVERIFY(rig.Commands.Store().Entries(QStringLiteral("35")).isEmpty());
  QCOMPARE(rig.Commands.Store().All().size(), 3); // 227, 303 and 35; not "abc"
}

void TstCommands::lotNumber_data() {
  QTest::addColumn<QString>("typed");
  QTest::addColumn<int>("stored"); // -1: refused

  QTest::newRow("highest lot") << "FFFE" << 65534;
  QTest::newRow("trimmed, lower case") << " 1a " << 0x1A;
  QTest::newRow("zero is a lot") << "0" << 0;
  QTest::newRow("erased value") << "FFFF" << -1;
  QTest::newRow("beyond 16 bits") << "10000" << -1;
  QTest::newRow("not hexadecimal") << "12G" << -1;
  QTest::newRow("empty") << "" << -1;
  QTest::newRow("negative") << "-1" << -1;
}

void TstCommands::lotNumber() {
  QFETCH(QString, typed);
  QFETCH(int, stored);

  TCommandsRig rig;
  TLotNumber& lot = rig.Commands.LotNumber();
  rig.Registry.Write(QStringLiteral("Param"), QStringLiteral("LotNumber"), 0x1234);
  QCOMPARE(lot.Value(), quint16(0x1234));
  QCOMPARE(TLotNumber::Text(lot.Value()), QStringLiteral("1234"));
  QVERIFY(!lot.Confirmed());
  const bool taken = rig.Commands.EnterLotNumber(typed);
  QCOMPARE(taken, stored >= 0);
  QCOMPARE(lot.Confirmed(), taken);
  QCOMPARE(int(lot.Value()), taken ? stored : 0x1234);
  QCOMPARE(TRegistry().Read(QStringLiteral("Param"), QStringLiteral("LotNumber")).toInt(), int(lot.Value()));
  if (taken)
    QCOMPARE(rig.Host.Hints.last(),
             qMakePair(3, QStringLiteral("Номер партии: ") + TLotNumber::Text(quint16(stored))));
  else
    QVERIFY(rig.Host.Hints.isEmpty());
}

QTEST_GUILESS_MAIN(TstCommands)
#include "tst_commands.moc"
