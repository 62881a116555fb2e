// The settings page in the window, off-screen: the embedded schemas and the page built from them,
// the controls' validation, input history and its pop-up, language switches.

#include "base/build_info.h"
#include "i18n/dictionary.h"
#include "monitor/caption_class.h"
#include "platform/app_paths.h"
#include "platform/registry.h"
#include "settings/controls/choice_classes.h"
#include "settings/controls/edit_classes.h"
#include "settings/controls/history_popup.h"
#include "settings/controls/settings_context.h"
#include "settings/controls/tab_panel.h"
#include "settings/input_history.h"
#include "settings/settings_model.h"
#include "settings/storage_type.h"
#include "ui/hint_stack.h"
#include "ui/operation_dialogs.h"
#include "ui/tmf.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSet>
#include <QTest>

namespace {

QJsonObject Embedded(const QString& aType) {
  QFile file(QStringLiteral(":/velmora/Resource_") + aType);
  if (!file.open(QIODevice::ReadOnly))
    return {};
  return ParseSettingsSchema(file.readAll()).value_or(QJsonObject());
}

// The window's settings context for controls made outside a page.
struct TControlRig {
  TDictionary Dictionary;
  TThemeColors Theme = DarkTheme();
  TMonitorContext Monitor;
  TRegistry Registry;
  TSettingsContext Context;
  QList<QPair<int, QString>> Errors;
  QList<QPair<int, QString>> Hints;
  QWidget Parent;

  TControlRig() {
    Dictionary.SetLanguage(1);
    Monitor.Dictionary = &Dictionary;
    Monitor.Theme = &Theme;
    Monitor.Hint = [this](int aKind, const QString& aText) { Hints.append({aKind, aText}); };
    Context.Monitor = &Monitor;
    Context.Registry = &Registry;
    Context.SettingsError = [this](int aNumber, const QString& aText, const QObject*) {
      Errors.append({aNumber, aText});
    };
    Parent.resize(600, 100);
  }
};

} // namespace

class TstSettingsPage : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void init();
  void embeddedSchemasFollowTheFormat_data();
  void embeddedSchemasFollowTheFormat();
  void embeddedSchemasBuildThePage_data();
  void embeddedSchemasBuildThePage();
  void typeWithoutSchema();
  void actionsNeedAPort();
  void brokenSchemaStillGivesAPage();
  void languageSwitchRecaptions();
  void validationMessages_data();
  void validationMessages();
  void stringLengthLimitWhileTyping();
  void devicesOwnValueIsMarkedNotRefused();
  void valuesInAndOut();
  void historyGroups_data();
  void historyGroups();
  void historyAddDedupeCapDelete();
  void historyPopupOneAtATime();
  void notSetNoticeAndColorize();
  void confirmFlashes();
  void fileDialogFilters_data();
  void fileDialogFilters();
};

void TstSettingsPage::fileDialogFilters_data() {
  QTest::addColumn<QString>("filter");
  QTest::addColumn<QStringList>("shown");
  QTest::newRow("name without patterns")
      << "Configuration files|*.cfg|Firmware files|*.fwr;*.dfw;*.bin"
      << QStringList{"Configuration files (*.cfg)", "Firmware files (*.fwr *.dfw *.bin)"};
  QTest::newRow("name that shows its patterns")
      << "Log files (*.log)|*.log|Configuration files (*.cfg)|*.cfg"
      << QStringList{"Log files (*.log)", "Configuration files (*.cfg)"};
  QTest::newRow("name showing other patterns keeps its own")
      << "Dumps (*.bin)|*.dump" << QStringList{"Dumps (*.bin) (*.dump)"};
}

void TstSettingsPage::fileDialogFilters() {
  QFETCH(QString, filter);
  QTEST(DialogFilters(filter), "shown");
}

void TstSettingsPage::init() {
  TRegistry registry;
  registry.DeleteKey(QStringLiteral("InputHistory"));
  registry.Sync();
}

void TstSettingsPage::embeddedSchemasFollowTheFormat_data() {
  QTest::addColumn<QString>("type");
  QTest::newRow("305") << "305";
  QTest::newRow("306") << "306";
}

void TstSettingsPage::embeddedSchemasFollowTheFormat() {
  QFETCH(QString, type);
  const QJsonObject data = Embedded(type).value("data").toObject();
  QVERIFY(!data.isEmpty());
  QHash<QString, QPair<QString, QString>> texts;
  for (const QJsonValue& t : data.value("translations").toArray()) {
    QString ru, en;
    for (const QJsonValue& l : t.toObject().value("translationList").toArray())
      (l.toObject().value("lang").toString() == "ru" ? ru : en) = l.toObject().value("text").toString();
    texts.insert(t.toObject().value("key").toString(), {ru, en});
  }
  QSet<QString> used;
  auto translated = [&](const QString& aKey) {
    used.insert(aKey);
    return texts.contains(aKey) && !texts.value(aKey).first.isEmpty() && !texts.value(aKey).second.isEmpty();
  };
  QSet<QString> placed;
  for (const QJsonValue& s : data.value("sectionList").toArray()) {
    QVERIFY2(translated(s.toObject().value("name").toString()),
             qPrintable(s.toObject().value("name").toString()));
    for (const QJsonValue& ss : s.toObject().value("subSectionList").toArray()) {
      QVERIFY(translated(ss.toObject().value("name").toString()));
      for (const QJsonValue& a : ss.toObject().value("settingViewAliasList").toArray())
        placed.insert(a.toString());
    }
  }
  QHash<QString, int> dictionaries;
  for (const QJsonValue& d : data.value("settingDictionaryList").toArray())
    ++dictionaries[d.toObject().value("settingView").toString()];
  QSet<QString> aliases;
  bool password = false;
  for (const QJsonValue& vv : data.value("settingViewList").toArray()) {
    const QJsonObject v = vv.toObject();
    const QString alias = v.value("alias").toString();
    QVERIFY2(!aliases.contains(alias), qPrintable(alias));
    aliases.insert(alias);
    QVERIFY2(placed.contains(alias), qPrintable(alias));
    const QJsonObject s = v.value("setting").toObject();
    const int number = s.value("number").toInt();
    QVERIFY(alias.startsWith(type + "_" + QString::number(number) + "_"));
    const TStorageType storage =
        StorageTypeOf(s.value("type").toString(), QString::number(s.value("length").toInt()));
    QVERIFY2(storage.VarType != varEmpty, qPrintable(alias));
    for (const char* key : {"textBefore", "textAfter"})
      if (!v.value(key).toString().isEmpty())
        QVERIFY2(translated(v.value(key).toString()), qPrintable(v.value(key).toString()));
    const QString kind = v.value("type").toString();
    if (number == 5) {
      password = true;
      QCOMPARE(kind, QString("string"));
      QCOMPARE(s.value("length").toInt(), 6);
      QVERIFY(v.value("textBefore").toString().isEmpty());
    }
    if (kind == "flag") {
      const int bit = v.value("bit").toInt(-1);
      QVERIFY2(bit >= 0 && bit < VarTypeWidth(storage.VarType) * 8 && !VarTypeIsSigned(storage.VarType),
               qPrintable(alias));
    }
    if (v.contains("min")) {
      QVERIFY2(v.value("min").toInteger() >= storage.Min && v.value("max").toInteger() <= storage.Max,
               qPrintable(alias));
      QVERIFY(v.value("min").toInteger() <= v.value("max").toInteger());
    }
    QCOMPARE(dictionaries.value(alias), kind == "dictionary" ? 1 : 0);
  }
  QVERIFY(password);
  for (const QJsonValue& d : data.value("settingDictionaryList").toArray()) {
    const QString alias = d.toObject().value("settingView").toString();
    QVERIFY(aliases.contains(alias));
    for (const QJsonValue& item : d.toObject().value("items").toArray()) {
      const int n = item.toObject().value("number").toInt(-1);
      QVERIFY2(n >= 0 && n <= 255, qPrintable(alias));
      QVERIFY(translated(item.toObject().value("name").toString()));
    }
  }
  // Every text the schema carries is used by it.
  QCOMPARE(QSet<QString>(texts.keyBegin(), texts.keyEnd()), used);
}

void TstSettingsPage::embeddedSchemasBuildThePage_data() {
  QTest::addColumn<QString>("type");
  QTest::addColumn<int>("tabs");
  QTest::addColumn<int>("subSections");
  QTest::addColumn<QList<int>>("kinds"); // string, integer, flag, list
  QTest::addColumn<int>("translations");
  QTest::newRow("305") << "305" << 5 << 13 << QList<int>{1, 11, 32, 20} << 99;
  QTest::newRow("306") << "306" << 4 << 4 << QList<int>{1, 3, 2, 4} << 33;
}

void TstSettingsPage::embeddedSchemasBuildThePage() {
  QFETCH(QString, type);
  QFETCH(int, tabs);
  QFETCH(int, subSections);
  QFETCH(QList<int>, kinds);
  QFETCH(int, translations);
  TRegistry registry;
  TMF w(registry, [] { return false; });
  w.resize(1000, 700);
  w.ControlsLoadSettings(type);
  QVERIFY(w.CanShowSettings());
  QCOMPARE(w.SettingsTabs().size(), tabs);
  QCOMPARE(w.Dictionary().SchemaTranslations().size(), translations);
  QList<int> counted{0, 0, 0, 0};
  int controls = 0;
  for (const TSetting& row : w.SettingsTable()) {
    if (row.Control >= ckString && row.Control <= ckList)
      ++counted[row.Control - 1];
    auto* control = qobject_cast<TControlClass*>(row.WinControl.data());
    QVERIFY(control);
    QCOMPARE(control->Ident(), row.Alias);
    QCOMPARE(control->Settings(), row.Number);
    QVERIFY(!control->IsSet());
    // No field without a name: the schema gives the device password none, the dictionary does.
    QVERIFY2(!control->Caption().isEmpty(), qPrintable(row.Alias));
    if (row.Number == 5)
      QCOMPARE(control->Caption(), QString::fromUtf8("Пароль устройства"));
    ++controls;
  }
  QCOMPARE(counted, kinds);
  w.SetLanguage(1);
  for (const TSetting& row : w.SettingsTable())
    if (row.Number == 5)
      QCOMPARE(qobject_cast<TControlClass*>(row.WinControl.data())->Caption(),
               QStringLiteral("Device password"));
  w.SetLanguage(0);
  QCOMPARE(controls, kinds[0] + kinds[1] + kinds[2] + kinds[3]);
  int captions = 0;
  for (TTabPanel* tab : w.SettingsTabs())
    for (QObject* child : tab->WinControl()->findChildren<TCaptionClass*>())
      captions += child->property("Tag").toInt() == -1;
  QCOMPARE(captions, subSections);
  // The first tab shows its column; the others are hidden.
  QVERIFY(w.SettingsTabs().first()->Checked());
  QVERIFY(!w.SettingsTabs().first()->WinControl()->isHidden());
  QVERIFY(w.SettingsTabs().last()->WinControl()->isHidden());
  w.SettingsTabs().last()->SetChecked(true);
  QVERIFY(w.SettingsTabs().first()->WinControl()->isHidden());
  QVERIFY(!w.SettingsTabs().first()->Checked());
  // An empty type clears everything.
  w.ControlsLoadSettings(QString());
  QVERIFY(!w.CanShowSettings());
  QVERIFY(w.SettingsTabs().isEmpty());
  QVERIFY(w.SettingsTable().isEmpty());
}

void TstSettingsPage::typeWithoutSchema() {
  TRegistry registry;
  TMF w(registry, [] { return false; });
  w.SetLanguage(1);
  w.ControlsLoadSettings("303");
  QVERIFY(!w.CanShowSettings());
  QVERIFY(w.SettingsTabs().isEmpty());
  QCOMPARE(w.Hints().Hints().last()->text(), w.Translate("mes_settingsnoversion") + " 303");
}

void TstSettingsPage::actionsNeedAPort() {
  TRegistry registry;
  TMF w(registry, [] { return false; });
  w.SetLanguage(1);
  w.ControlsLoadSettings("306");
  for (const char* name : {"act_SetCFG", "act_OpenCFG", "act_SaveCFG", "act_GetCFG"})
    QVERIFY2(!w.findChild<QAction*>(name)->isEnabled(), name);
  // Reached anyway (a shortcut, a script): each says so and does nothing.
  const auto last = [&w] { return w.Hints().Hints().last()->text(); };
  w.act_SetCFG();
  QCOMPARE(last(), w.Translate("mes_settingsnodevice"));
  w.Hints().HideOldest();
  w.act_OpenCFG();
  QCOMPARE(last(), w.Translate("mes_settingsnodevice"));
  w.Hints().HideOldest();
  w.act_SaveCFG();
  QCOMPARE(last(), w.Translate("mes_settingsnodevice"));
  QVERIFY(w.ConfigToString().isEmpty());
}

void TstSettingsPage::brokenSchemaStillGivesAPage() {
  // A cached schema whose second section is damaged: the first one is built, the page opens,
  // and the damage is told.
  const QString path = AppDataFolder() + "/305.json";
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(
      R"({"data":{"settingViewList":[{"alias":"305_7_1","type":"int","textBefore":"t","setting":{"number":7,"type":"int","length":1}}],
    "sectionList":[{"name":"one","subSectionList":[{"id":"s1","name":"n1","settingViewAliasList":["305_7_1"]}]},{"name":"two"}]}})");
  file.close();
  QVERIFY(file.open(QIODevice::ReadOnly));
  QVERIFY(
      file.setFileTime(QDateTime(BuildDate().addDays(1), QTime(0, 0)), QFileDevice::FileModificationTime));
  file.close();
  TRegistry registry;
  TMF w(registry, [] { return false; });
  w.SetLanguage(1);
  w.ControlsLoadSettings("305");
  QFile::remove(path);
  QVERIFY(w.CanShowSettings());
  QCOMPARE(w.SettingsTabs().size(), 2);
  QCOMPARE(w.SettingsTable().size(), 1);
  QVERIFY(w.SettingsTabs().first()->Checked());
  QVERIFY(w.findChild<QLineEdit*>("PasswordEdit")->isEnabled());
  bool told = false;
  for (QLabel* hint : w.Hints().Hints())
    told = told || hint->text().startsWith(w.Translate("mes_settingsbuilderror"));
  QVERIFY(told);
}

void TstSettingsPage::languageSwitchRecaptions() {
  TRegistry registry;
  TMF w(registry, [] { return false; });
  w.SetLanguage(0);
  w.ControlsLoadSettings("306");
  TTabPanel* tab = w.SettingsTabs().at(1);
  QCOMPARE(tab->Caption(), QString("Зуммер"));
  auto* caption = tab->WinControl()->findChild<TCaptionClass*>();
  QCOMPARE(caption->Caption(), QString("Зуммер"));
  auto* volume = qobject_cast<TListClass*>(w.VisualFind("306_49161_1"));
  QVERIFY(volume);
  QCOMPARE(volume->Caption(), QString("Громкость"));
  QCOMPARE(volume->Combo()->itemText(2), QString("Громко"));
  auto* filter = qobject_cast<TIntegerClass*>(w.VisualFind("306_49154_1"));
  QCOMPARE(filter->Units(), QString("мс"));
  w.SetLanguage(1);
  QCOMPARE(tab->Caption(), QString("Buzzer"));
  QCOMPARE(caption->Caption(), QString("Buzzer"));
  QCOMPARE(volume->Caption(), QString("Volume"));
  QCOMPARE(volume->Combo()->itemText(2), QString("Loud"));
  QCOMPARE(filter->Units(), QString("ms"));
}

void TstSettingsPage::validationMessages_data() {
  QTest::addColumn<bool>("integer");
  QTest::addColumn<int>("setting");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<qint64>("min");
  QTest::addColumn<qint64>("max");
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("message");
  const qint64 none = -999;
  QTest::newRow("password 3 characters") << false << 5 << "" << none << qint64(6) << "abc"
                                         << "Password must contain exactly 6 characters";
  QTest::newRow("password empty") << false << 5 << "" << none << qint64(6) << ""
                                  << "";
  QTest::newRow("password 6") << false << 5 << "" << none << qint64(6) << "abcdef"
                              << "";
  QTest::newRow("string too long") << false << 7 << "APN" << none << qint64(3) << "abcd"
                                   << "Maximum length of value parameter \"APN\": 3";
  QTest::newRow("string too short") << false << 7 << "" << qint64(2) << qint64(9) << "a"
                                    << "Minimum length of value parameter: 2";
  QTest::newRow("4-byte top") << true << 9 << "Period" << qint64(0) << qint64(4294967295LL) << "4294967295"
                              << "";
  QTest::newRow("4-byte above") << true << 9 << "Period" << qint64(0) << qint64(4294967295LL) << "4294967296"
                                << "Maximum value parameter \"Period\": 4294967295";
  // An emptied field or a sign alone is no number: it must not go out as 0.
  QTest::newRow("emptied") << true << 9 << "Period" << qint64(60) << qint64(86400) << ""
                           << "No value given for parameter \"Period\"";
  QTest::newRow("minus alone") << true << 9 << "Period" << qint64(0) << qint64(10) << "-"
                               << "Invalid characters in value parameter \"Period\"";
  QTest::newRow("plus alone") << true << 9 << "" << qint64(0) << qint64(10) << "+"
                              << "Invalid characters in value parameter \"\"";
  QTest::newRow("not a number, empty caption") << true << 9 << "" << qint64(0) << qint64(10) << "12a"
                                               << "Invalid characters in value parameter \"\"";
  QTest::newRow("signed byte -128") << true << 9 << "T" << qint64(-127) << qint64(127) << "-128"
                                    << "Minimum value parameter \"T\": -127";
}

void TstSettingsPage::validationMessages() {
  QFETCH(bool, integer);
  QFETCH(int, setting);
  QFETCH(QString, caption);
  QFETCH(qint64, min);
  QFETCH(qint64, max);
  QFETCH(QString, text);
  QFETCH(QString, message);
  TControlRig rig;
  TControlClass* c = integer ? static_cast<TControlClass*>(new TIntegerClass(rig.Context, &rig.Parent))
                             : new TStringClass(rig.Context, &rig.Parent);
  c->SetSettings(setting);
  c->SetCaption(caption);
  if (min != -999)
    c->SetMin(min);
  c->SetMax(max);
  c->SetValue("x1");
  rig.Errors.clear();
  c->Edit()->setText(text);
  QCOMPARE(rig.Errors.size(), 1);
  QCOMPARE(rig.Errors.last(), qMakePair(setting, QString(message).replace("\\\"", "\"")));
  if (integer && message.isEmpty()) {
    QVariant v;
    QVERIFY(c->GetValue(v));
    QCOMPARE(v.toLongLong(), text.toLongLong());
  }
}

void TstSettingsPage::devicesOwnValueIsMarkedNotRefused() {
  TControlRig rig;
  // A device whose password is four characters long: the page would want six.
  auto* password = new TStringClass(rig.Context, &rig.Parent);
  password->SetSettings(5);
  password->SetDeviceValue(QStringLiteral("1234"));
  QCOMPARE(rig.Errors.last(), qMakePair(5, QString()));
  QVERIFY(password->OwnValueMarked());
  // What the technician types is checked as ever; the device's own value again is not.
  password->Edit()->setText(QStringLiteral("12345"));
  QCOMPARE(rig.Errors.last(), qMakePair(5, QStringLiteral("Password must contain exactly 6 characters")));
  QVERIFY(!password->OwnValueMarked());
  password->Edit()->setText(QStringLiteral("1234"));
  QCOMPARE(rig.Errors.last(), qMakePair(5, QString()));
  QVERIFY(password->OwnValueMarked());
  // A file's value is not the device's own.
  auto* period = new TIntegerClass(rig.Context, &rig.Parent);
  period->SetSettings(49174);
  period->SetMin(60);
  period->SetDeviceValue(3600);
  period->SetValue(10);
  QVERIFY(rig.Errors.last().second.startsWith(QStringLiteral("Minimum value parameter")));
  QVERIFY(!period->OwnValueMarked());
}

void TstSettingsPage::stringLengthLimitWhileTyping() {
  TControlRig rig;
  auto* c = new TStringClass(rig.Context, &rig.Parent);
  c->SetSettings(7);
  c->SetCaption("APN");
  c->SetMax(3);
  c->SetValue("ab");
  QTest::keyClicks(c->Edit(), "cd");
  QCOMPARE(c->Edit()->text(), QString("abc"));
  QCOMPARE(rig.Errors.last().second, QString("Maximum length of value parameter \"APN\"3"));
  QTest::keyClick(c->Edit(), Qt::Key_Backspace);
  QCOMPARE(c->Edit()->text(), QString("ab"));
  QCOMPARE(rig.Errors.last().second, QString());
}

void TstSettingsPage::valuesInAndOut() {
  TControlRig rig;
  auto* flag = new TFlagClass(rig.Context, &rig.Parent);
  QVariant v;
  flag->SetValue(QString("1"));
  QVERIFY(flag->CheckBox()->isChecked());
  flag->SetValue(2);
  QVERIFY(!flag->CheckBox()->isChecked());
  QVERIFY(flag->GetValue(v));
  QCOMPARE(v.toInt(), 0);
  auto* list = new TListClass(rig.Context, &rig.Parent);
  list->AddDicItem(0, "off");
  list->AddDicItem(4, "four");
  list->Init();
  QVERIFY(!list->GetValue(v)); // nothing selected
  list->SetValue(4);
  QVERIFY(list->GetValue(v));
  QCOMPARE(v.toInt(), 4);
  list->SetValue(QVariant());
  QCOMPARE(list->Combo()->currentIndex(), -1);
  // Emptying leaves the element unset, so it is not written back before the device speaks again.
  auto* number = new TIntegerClass(rig.Context, &rig.Parent);
  number->SetValue(12);
  QVERIFY(number->IsSet());
  number->ClearValue();
  QVERIFY(!number->IsSet());
  QCOMPARE(number->Edit()->text(), QString());
}

void TstSettingsPage::historyGroups_data() {
  QTest::addColumn<QString>("key");
  QTest::addColumn<int>("setting");
  QTest::addColumn<QString>("group");
  QTest::newRow("setting view") << "setting_view.sleep_timer-305" << 9 << "sleep_timer";
  QTest::newRow("any case") << "Setting_View.sleep_timer-306" << 9 << "sleep_timer";
  QTest::newRow("units") << "setting_view.units.seconds-305" << 9 << "units";
  QTest::newRow("parameter") << "parameter. apn .x" << 9 << "apn";
  QTest::newRow("other key: the number") << "caption" << 9 << "9";
  QTest::newRow("password without caption") << "" << 5 << "5";
  QTest::newRow("neither") << "" << 0 << "";
}

void TstSettingsPage::historyGroups() {
  QFETCH(QString, key);
  QFETCH(int, setting);
  QFETCH(QString, group);
  QCOMPARE(TInputHistory::GroupOf(TInputHistory::ExtractHistoryKey(key), setting), group);
}

void TstSettingsPage::historyAddDedupeCapDelete() {
  TRegistry registry;
  TInputHistory h(registry, "sleep_timer");
  for (int i = 1; i <= 11; ++i)
    h.Add(QString::number(i));
  QCOMPARE(h.Values().size(), 10);
  QCOMPARE(h.Values().first(), QString("11"));
  QVERIFY(!h.Values().contains("1"));
  h.Add("  5 ");
  QCOMPARE(h.Values().first(), QString("5"));
  QCOMPARE(h.Values().count("5"), 1);
  h.Delete(0);
  // What is stored is what a fresh reader sees, in order.
  TInputHistory again(registry, "sleep_timer");
  again.Load();
  QCOMPARE(again.Values(), h.Values());
  QCOMPARE(again.Values().first(), QString("11"));
  QCOMPARE(registry.Read("InputHistory\\sleep_timer", "0").toString(), QString("11"));
  QVERIFY(!registry.ValueExists("InputHistory\\sleep_timer", "9"));
  QCOMPARE(again.Matching("1"), QStringList({"11", "10"}));
}

void TstSettingsPage::historyPopupOneAtATime() {
  TControlRig rig;
  rig.Parent.show();
  TInputHistory(rig.Registry, "apn").Add("internet");
  TInputHistory(rig.Registry, "apn").Add("internet.beta");
  TInputHistory(rig.Registry, "server").Add("gw1.example.net");
  auto* a = new TStringClass(rig.Context, &rig.Parent);
  a->SetHistoryKey("apn");
  a->SetValue("");
  a->setGeometry(0, 0, 600, 23);
  auto* b = new TStringClass(rig.Context, &rig.Parent);
  b->SetHistoryKey("server");
  b->SetValue("");
  b->setGeometry(0, 30, 600, 23);
  a->ShowHistory();
  QVERIFY(a->HistoryPopup()->isVisible());
  QCOMPARE(a->HistoryPopup()->Entries(), QStringList({"internet.beta", "internet"}));
  QVERIFY(a->HistoryPopup()->width() >= THistoryPopup::kMinWidth);
  QCOMPARE(a->HistoryPopup()->height(), 2 * THistoryPopup::kRowHeight + 4);
  b->ShowHistory();
  QVERIFY(!a->HistoryPopup()->isVisible());
  QVERIFY(b->HistoryPopup()->isVisible());
  // Typing filters; no match hides it.
  b->Edit()->setText("GW1");
  QCOMPARE(b->HistoryPopup()->Entries(), QStringList({"gw1.example.net"}));
  b->Edit()->setText("zzz");
  QVERIFY(!b->HistoryPopup()->isVisible());
  // Down opens it and selects the first row; Enter in the list chooses it.
  a->Edit()->setText("");
  a->Edit()->setFocus();
  QTest::keyClick(a->Edit(), Qt::Key_Down);
  QVERIFY(a->HistoryPopup()->isVisible());
  QCOMPARE(a->HistoryPopup()->List()->currentRow(), 0);
  QTest::keyClick(a->HistoryPopup()->List(), Qt::Key_Down);
  QTest::keyClick(a->HistoryPopup()->List(), Qt::Key_Return);
  QCOMPARE(a->Edit()->text(), QString("internet"));
  QVERIFY(!a->HistoryPopup()->isVisible());
  // Escape closes it; a click elsewhere in the program does too.
  a->ShowHistory();
  a->Edit()->setText("");
  QVERIFY(a->HistoryPopup()->isVisible());
  QTest::keyClick(a->HistoryPopup()->List(), Qt::Key_Escape);
  QVERIFY(!a->HistoryPopup()->isVisible());
  a->ShowHistory();
  QTest::mouseClick(&rig.Parent, Qt::LeftButton, {}, QPoint(5, 90));
  QVERIFY(!a->HistoryPopup()->isVisible());
  // The cross deletes an entry, from the list and the store.
  a->ShowHistory();
  a->HistoryPopup()->ClickRow(0, true);
  QCOMPARE(a->HistoryPopup()->Entries(), QStringList({"internet"}));
  QCOMPARE(TInputHistory::ExtractHistoryKey("x"), QString());
  TInputHistory stored(rig.Registry, "apn");
  stored.Load();
  QCOMPARE(stored.Values(), QStringList({"internet"}));
}

void TstSettingsPage::notSetNoticeAndColorize() {
  TControlRig rig;
  rig.Parent.show();
  auto* flag = new TFlagClass(rig.Context, &rig.Parent);
  flag->SetCaption("Beep");
  flag->setGeometry(0, 0, 600, 23);
  QTest::mouseClick(flag->CheckBox(), Qt::LeftButton);
  QVERIFY(!flag->CheckBox()->isChecked());
  QCOMPARE(
      rig.Hints.last(),
      qMakePair(2, QString("The parameter \"Beep\" is not available for use. Please update your device.")));
  flag->Colorize();
  QVERIFY(flag->Colorized());
  flag->SetValue(1);
  flag->Colorize();
  QVERIFY(!flag->Colorized());
}

void TstSettingsPage::confirmFlashes() {
  TControlRig rig;
  rig.Parent.show();
  auto* c = new TStringClass(rig.Context, &rig.Parent);
  c->SetHistoryKey("apn");
  c->SetValue("internet");
  const QString before = c->Edit()->styleSheet();
  QTest::keyClick(c->Edit(), Qt::Key_Return);
  QVERIFY(c->Flashing());
  QVERIFY(c->Edit()->styleSheet().contains(rig.Theme.Accent.name()));
  // A second confirmation during the flash keeps the colour from before the first.
  QTest::keyClick(c->Edit(), Qt::Key_Return);
  QCOMPARE(TInputHistory(rig.Registry, "apn").Matching(""), QStringList());
  TInputHistory stored(rig.Registry, "apn");
  stored.Load();
  QCOMPARE(stored.Values(), QStringList({"internet"}));
  QTRY_VERIFY_WITH_TIMEOUT(!c->Flashing(), 2000);
  QCOMPARE(c->Edit()->styleSheet(), before);
}

QTEST_MAIN(TstSettingsPage)
#include "tst_settings_page.moc"
