// The settings table from a schema: storage types and bounds, rows per view, failing views and
// rows that cannot be stored, translations, and which schema a device type gets.

#include "base/build_info.h"
#include "settings/settings_errors.h"
#include "settings/settings_files.h"
#include "settings/settings_model.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>
#include <ctime>

namespace {

// A schema with one section and one sub-section listing aAliases, views and dictionaries as given.
QJsonObject Schema(const QJsonArray& aViews, const QStringList& aAliases,
                   const QJsonArray& aDictionaries = {}) {
  QJsonObject sub{
      {"id", "sub1"}, {"name", "sub.name"}, {"settingViewAliasList", QJsonArray::fromStringList(aAliases)}};
  QJsonObject section{{"id", "s"}, {"name", "section.name"}, {"subSectionList", QJsonArray{sub}}};
  QJsonObject data{{"sectionList", QJsonArray{section}},
                   {"settingViewList", aViews},
                   {"settingDictionaryList", aDictionaries}};
  return QJsonObject{{"data", data}};
}

QJsonObject View(const QString& aAlias, const QString& aType, int aNumber, const QString& aStorage,
                 const QJsonValue& aLength, const QJsonObject& aExtra = {}) {
  QJsonObject v{{"alias", aAlias},
                {"type", aType},
                {"textBefore", "setting_view." + aAlias},
                {"textAfter", ""},
                {"defaultValue", "0"},
                {"setting", QJsonObject{{"number", aNumber}, {"type", aStorage}, {"length", aLength}}}};
  for (auto it = aExtra.begin(); it != aExtra.end(); ++it)
    v.insert(it.key(), it.value());
  return v;
}

} // namespace

class TstSettingsModel : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void initTestCase();
  void storageTypes_data();
  void storageTypes();
  void controlBounds_data();
  void controlBounds();
  void rowsFollowTheSubSections();
  void unstorableRowsAreSkippedAndReported();
  void buildErrorKeepsWhatWasBuilt();
  void scanButtonsByVersion_data();
  void scanButtonsByVersion();
  void translations();
  void cachedOrEmbedded_data();
  void cachedOrEmbedded();
  void errorsAndBanner();
};

void TstSettingsModel::initTestCase() {
  // The build date is a local midnight: one fixed zone, whatever the machine's.
  qputenv("TZ", "Asia/Yekaterinburg");
  tzset();
}

void TstSettingsModel::storageTypes_data() {
  QTest::addColumn<QString>("type");
  QTest::addColumn<QString>("length");
  QTest::addColumn<int>("varType");
  QTest::addColumn<qint64>("min");
  QTest::addColumn<qint64>("max");
  QTest::newRow("string") << "string"
                          << "33" << 256 << qint64(0) << qint64(255);
  QTest::newRow("String any case") << "STRING"
                                   << "" << 256 << qint64(0) << qint64(255);
  QTest::newRow("int 1") << "int"
                         << "1" << 17 << qint64(0) << qint64(255);
  QTest::newRow("int 2") << "int"
                         << "2" << 18 << qint64(0) << qint64(65535);
  QTest::newRow("int 4") << "Int"
                         << "4" << 19 << qint64(0) << qint64(4294967295LL);
  QTest::newRow("signInt 1") << "signInt"
                             << "1" << 16 << qint64(-127) << qint64(127);
  QTest::newRow("signInt 2") << "signint"
                             << "2" << 2 << qint64(-32767) << qint64(32767);
  QTest::newRow("signInt 4") << "signInt"
                             << "4" << 3 << qint64(-2147483647LL) << qint64(2147483647LL);
  QTest::newRow("int 3") << "int"
                         << "3" << 0 << qint64(0) << qint64(0);
  QTest::newRow("length compared as text") << "int"
                                           << "01" << 0 << qint64(0) << qint64(0);
  QTest::newRow("unknown type") << "float"
                                << "4" << 0 << qint64(0) << qint64(0);
}

void TstSettingsModel::storageTypes() {
  QFETCH(QString, type);
  QFETCH(QString, length);
  QFETCH(int, varType);
  QFETCH(qint64, min);
  QFETCH(qint64, max);
  const TStorageType t = StorageTypeOf(type, length);
  QCOMPARE(int(t.VarType), varType);
  QCOMPARE(t.HasBounds, varType != 0);
  if (t.HasBounds) {
    QCOMPARE(t.Min, min);
    QCOMPARE(t.Max, max);
  }
}

void TstSettingsModel::controlBounds_data() {
  QTest::addColumn<QJsonObject>("view");
  QTest::addColumn<qint64>("min");
  QTest::addColumn<qint64>("max");
  QTest::newRow("storage bounds") << View("a", "int", 7, "int", 2) << qint64(0) << qint64(65535);
  QTest::newRow("JSON length as text") << View("a", "int", 7, "int", "2") << qint64(0) << qint64(65535);
  QTest::newRow("view narrows") << View("a", "int", 7, "int", 2, {{"min", 10}, {"max", 600}}) << qint64(10)
                                << qint64(600);
  // 70000 in a 2-byte setting would be written as 4464.
  QTest::newRow("view cannot widen") << View("a", "int", 7, "int", 2, {{"min", -5}, {"max", 70000}})
                                     << qint64(0) << qint64(65535);
  QTest::newRow("signed one byte") << View("a", "signint", 7, "signInt", 1) << qint64(-127) << qint64(127);
  QTest::newRow("string length") << View("a", "string", 7, "string", 33) << qint64(-1) << qint64(33);
  // The image keeps a string's length in one byte.
  QTest::newRow("string over 255") << View("a", "string", 7, "string", 1000) << qint64(-1) << qint64(255);
  QTest::newRow("string without length")
      << View("a", "string", 7, "string", QJsonValue()) << qint64(-1) << qint64(255);
}

void TstSettingsModel::controlBounds() {
  QFETCH(QJsonObject, view);
  QFETCH(qint64, min);
  QFETCH(qint64, max);
  const TSettingsModel m = BuildSettingsModel(Schema({view}, {"a"}), 2);
  QCOMPARE(m.Rows.size(), 1);
  QVERIFY(m.Error.isEmpty());
  const TControlShape& c = m.Controls.at(0);
  QCOMPARE(c.Min.value_or(-1), min);
  QCOMPARE(c.Max.value_or(-1), max);
}

void TstSettingsModel::rowsFollowTheSubSections() {
  const QJsonArray views{View("305_7_1", "int", 7, "int", 1),
                         View("305_9_1", "flag", 9, "int", 1, {{"bit", 3}}),
                         View("305_11_1", "dictionary", 11, "int", 1),
                         View("305_12_1", "dictionary", 12, "int", 1),
                         View("305_13_1", "slider", 13, "int", 1),
                         View("305_14_1", "button", 14, "int", 1),
                         QJsonObject{{"alias", "305_15_1"}, {"type", "int"}}}; // no setting: fails
  const QJsonArray dictionaries{
      QJsonObject{{"settingView", "305_11_1"},
                  {"items", QJsonArray{QJsonObject{{"number", 0}, {"name", "off"}},
                                       QJsonObject{{"number", 2}, {"name", "on"}}}}},
      QJsonObject{{"settingView", "305_11_1"},
                  {"items", QJsonArray{QJsonObject{{"number", 9}, {"name", "x"}}}}}};
  const TSettingsModel m =
      BuildSettingsModel(Schema(views,
                                {"305_7_1", "305_15_1", "305_9_1", "305_11_1", "305_12_1", "305_13_1",
                                 "305_14_1", "305_7_1", "unknown"},
                                dictionaries),
                         2);
  QVERIFY(m.Error.isEmpty());
  QStringList aliases;
  for (const TSetting& r : m.Rows)
    aliases << r.Alias;
  // The failing view and the unknown alias are skipped; the alias listed twice gives two rows.
  QCOMPARE(aliases,
           QStringList({"305_7_1", "305_9_1", "305_11_1", "305_12_1", "305_13_1", "305_14_1", "305_7_1"}));
  QCOMPARE(m.Sections.size(), 1);
  QCOMPARE(m.Sections[0].SubSections[0].Rows, QList<int>({0, 1, 2, 3, 4, 5, 6}));
  QCOMPARE(m.Rows[1].Control, qint32(ckFlag));
  QCOMPARE(m.Rows[1].Bit, 3);
  QCOMPARE(m.Rows[0].Bit, -1);
  // The first dictionary of the view fills the list; a list without one is empty.
  QCOMPARE(m.Controls[2].Items, (QList<QPair<int, QString>>{{0, "off"}, {2, "on"}}));
  QVERIFY(m.Controls[3].Items.isEmpty());
  QCOMPARE(m.Rows[4].Control, qint32(ckNone));
  QCOMPARE(m.Rows[5].Control, qint32(ckButton));
  QCOMPARE(m.Rows[0].TextBefore, QString("setting_view.305_7_1"));
  QCOMPARE(m.Rows[0].Number, 7);
}

void TstSettingsModel::unstorableRowsAreSkippedAndReported() {
  const QJsonArray views{
      View("bit8", "flag", 9, "int", 1, {{"bit", 8}}),        // byte has bits 0-7
      View("bit7", "flag", 9, "int", 1, {{"bit", 7}}),        // fits
      View("signed", "flag", 10, "signInt", 2, {{"bit", 1}}), // a bit of a signed value
      View("list", "dictionary", 11, "int", 1),
      View("empty", "int", 12, "int", 2, {{"min", 500}, {"max", 100}}),
      View("nonumber", "int", 0, "int", 2),
  };
  QJsonArray viewsWithText = views;
  QJsonObject v = viewsWithText.at(5).toObject();
  QJsonObject s = v.value("setting").toObject();
  s.insert("number", "abc");
  v.insert("setting", s);
  viewsWithText.replace(5, v);
  const QJsonArray dictionaries{
      QJsonObject{{"settingView", "list"},
                  {"items", QJsonArray{QJsonObject{{"number", 1}, {"name", "a"}},
                                       QJsonObject{{"number", 256}, {"name", "b"}},
                                       QJsonObject{{"number", "x"}, {"name", "c"}}}}}};
  const TSettingsModel m = BuildSettingsModel(
      Schema(viewsWithText, {"bit8", "bit7", "signed", "list", "empty", "nonumber"}, dictionaries), 1);
  QStringList aliases;
  for (const TSetting& r : m.Rows)
    aliases << r.Alias;
  QCOMPARE(aliases, QStringList({"bit7", "list", "nonumber"}));
  QCOMPARE(m.Skipped, QStringList({"bit8", "signed", "list=256", "list=-1", "empty"}));
  QCOMPARE(m.Controls[1].Items, (QList<QPair<int, QString>>{{1, "a"}}));
  QCOMPARE(m.Rows[2].Number, -1);
}

void TstSettingsModel::buildErrorKeepsWhatWasBuilt() {
  QJsonObject root = Schema({View("a", "int", 7, "int", 1)}, {"a"});
  QJsonObject data = root.value("data").toObject();
  QJsonArray sections = data.value("sectionList").toArray();
  sections.append(QJsonObject{{"name", "broken"}}); // no sub-sections
  data.insert("sectionList", sections);
  root.insert("data", data);
  const TSettingsModel m = BuildSettingsModel(root, 2);
  QVERIFY(!m.Error.isEmpty());
  QCOMPARE(m.Sections.size(), 2);
  QCOMPARE(m.Rows.size(), 1);

  QVERIFY(!BuildSettingsModel(QJsonObject{{"nodata", 1}}, 2).Error.isEmpty());
  QVERIFY(!BuildSettingsModel(QJsonObject{{"data", QJsonObject{{"settingViewList", QJsonArray{}}}}}, 2)
               .Error.isEmpty());
  QVERIFY(!ParseSettingsSchema("[1,2]"));
  QVERIFY(!ParseSettingsSchema("{oops"));
  QVERIFY(ParseSettingsSchema("\xEF\xBB\xBF{\"data\":{}}"));
}

void TstSettingsModel::scanButtonsByVersion_data() {
  QTest::addColumn<int>("version");
  QTest::addColumn<int>("number");
  QTest::addColumn<int>("list");
  QTest::addColumn<bool>("vehicle");
  QTest::newRow("v2 BLE") << 2 << 201 << int(slBLE) << false;
  QTest::newRow("v2 BLE last") << 2 << 210 << int(slBLE) << false;
  QTest::newRow("v2 Wi-Fi") << 2 << 193 << int(slWiFi) << false;
  QTest::newRow("v2 cell") << 2 << 151 << int(slCellTower) << false;
  QTest::newRow("v2 vehicle") << 2 << 10 << int(slNone) << true;
  QTest::newRow("v1 BLE") << 1 << 235 << int(slBLE) << false;
  QTest::newRow("v1 Wi-Fi") << 1 << 106 << int(slWiFi) << false;
  QTest::newRow("v1 cell") << 1 << 46 << int(slCellTower) << false;
  QTest::newRow("v1 vehicle") << 1 << 51 << int(slNone) << true;
  QTest::newRow("v1 number of v2") << 1 << 201 << int(slNone) << false;
  QTest::newRow("v2 number of v1") << 2 << 51 << int(slNone) << false;
}

void TstSettingsModel::scanButtonsByVersion() {
  QFETCH(int, version);
  QFETCH(int, number);
  QFETCH(int, list);
  QFETCH(bool, vehicle);
  QCOMPARE(int(ScanListOf(version, number)), list);
  QCOMPARE(IsVehicleSetting(version, number), vehicle);
}

void TstSettingsModel::translations() {
  QJsonObject root = Schema({}, {});
  QJsonObject data = root.value("data").toObject();
  data.insert(
      "translations",
      QJsonArray{QJsonObject{{"key", "k1"},
                             {"translationList", QJsonArray{QJsonObject{{"lang", "RU"}, {"text", "один"}},
                                                            QJsonObject{{"lang", "en"}, {"text", "one"}},
                                                            QJsonObject{{"lang", "de"}, {"text", "eins"}}}}},
                 QJsonObject{{"key", "k2"},
                             {"translationList", QJsonArray{QJsonObject{{"lang", "en"}, {"text", "two"}}}}},
                 QJsonObject{{"key", "k3"}, {"translationList", 5}}});
  root.insert("data", data);
  const TSettingsModel m = BuildSettingsModel(root, 2);
  QVERIFY(m.HasTranslations);
  QCOMPARE(m.Translations.size(), 3);
  QCOMPARE(m.Translations[0].Ru, QString("один"));
  QCOMPARE(m.Translations[0].En, QString("one"));
  QCOMPARE(m.Translations[1].Ru, QString());
  QCOMPARE(m.Translations[2].Key, QString("k3"));
  QVERIFY(!BuildSettingsModel(Schema({}, {}), 2).HasTranslations);
}

void TstSettingsModel::cachedOrEmbedded_data() {
  QTest::addColumn<QDateTime>("fileTime");
  QTest::addColumn<bool>("hasEmbedded");
  QTest::addColumn<QByteArray>("cached");
  QTest::addColumn<QByteArray>("expected");
  const QDateTime build(BuildDate(), QTime(0, 0));
  QTest::newRow("older than the build: embedded")
      << build.addSecs(-1) << true << QByteArray("{\"c\":1}") << QByteArray("{\"e\":1}");
  QTest::newRow("day before the build") << QDateTime(BuildDate().addDays(-1), QTime(12, 0)) << true
                                        << QByteArray("{\"c\":1}") << QByteArray("{\"e\":1}");
  QTest::newRow("at the build: cached")
      << build << true << QByteArray("{\"c\":1}") << QByteArray("{\"c\":1}");
  QTest::newRow("no embedded: any date")
      << build.addYears(-3) << false << QByteArray("{\"c\":1}") << QByteArray("{\"c\":1}");
  QTest::newRow("broken cached: embedded")
      << build.addDays(3) << true << QByteArray("{broken") << QByteArray("{\"e\":1}");
  QTest::newRow("broken and no embedded") << build.addDays(3) << false << QByteArray("[]") << QByteArray();
}

void TstSettingsModel::cachedOrEmbedded() {
  QFETCH(QDateTime, fileTime);
  QFETCH(bool, hasEmbedded);
  QFETCH(QByteArray, cached);
  QFETCH(QByteArray, expected);
  QTemporaryDir dir;
  QFile file(dir.filePath("305.json"));
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(cached);
  file.close();
  // Dated after the writing, which would stamp it with the time of the test.
  QVERIFY(file.open(QIODevice::ReadOnly));
  QVERIFY(file.setFileTime(fileTime, QFileDevice::FileModificationTime));
  file.close();
  const auto embedded = [hasEmbedded](const QString& aType) -> std::optional<QByteArray> {
    if (hasEmbedded && aType == "305")
      return QByteArray("{\"e\":1}");
    return std::nullopt;
  };
  const auto choice = ChooseSettingsSchema("305", dir.path(), QDateTime(BuildDate(), QTime(0, 0)), embedded);
  QCOMPARE(choice ? choice->Text : QByteArray(), expected);
  // Without a cached file only the embedded one counts.
  QVERIFY(file.remove());
  QCOMPARE(bool(ChooseSettingsSchema("305", dir.path(), QDateTime(BuildDate(), QTime(0, 0)), embedded)),
           hasEmbedded);
}

void TstSettingsModel::errorsAndBanner() {
  TSettingsErrors e;
  QCOMPARE(e.Set(7, "seven", false), TSettingsErrors::eaShowBanner);
  QCOMPARE(e.Set(3, "three", true), TSettingsErrors::eaShowBanner);
  QCOMPARE(e.Set(3, "three", true), TSettingsErrors::eaNone);
  QCOMPARE(e.CurrentMessage(), QString("three"));
  // Clearing 7 brings 3's message back; clearing 3 removes the banner.
  QCOMPARE(e.Set(7, "", true), TSettingsErrors::eaShowBanner);
  QCOMPARE(e.CurrentMessage(), QString("three"));
  QVERIFY(e.HasErrors());
  QCOMPARE(e.Set(3, "", true), TSettingsErrors::eaRemoveBanner);
  QVERIFY(!e.HasErrors());
  // Numbers outside the device's range are kept like any other, not written out of bounds.
  QCOMPARE(e.Set(-1, "bad", false), TSettingsErrors::eaShowBanner);
  QCOMPARE(e.Set(70000, "worse", true), TSettingsErrors::eaShowBanner);
  QVERIFY(e.Keep({5}));
  QVERIFY(!e.HasErrors());
  QCOMPARE(e.Current(), -1);
  // One setting on two controls: the valid one does not clear the other's message.
  QCOMPARE(e.Set(49174, "too big", false, 1), TSettingsErrors::eaShowBanner);
  QCOMPARE(e.Set(49174, "", true, 2), TSettingsErrors::eaNone);
  QVERIFY(e.HasErrors());
  QCOMPARE(e.CurrentMessage(), QString("too big"));
  QCOMPARE(e.Set(49174, "", true, 1), TSettingsErrors::eaRemoveBanner);
}

QTEST_GUILESS_MAIN(TstSettingsModel)
#include "tst_settings_model.moc"
