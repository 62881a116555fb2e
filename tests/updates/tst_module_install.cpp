// Settings modules as written to disk: the reformatting byte for byte, the escape expansion and
// where it must hold back, and the install that never loses the old module.

#include "platform/file_date.h"
#include "updates/module_format.h"
#include "updates/module_installer.h"
#include "updates/web_client.h"
#include "web_sim.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray ReadAll(const QString& aFileName) {
  QFile f(aFileName);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// The smallest module a settings page can be built from: one section with one setting.
QByteArray Schema(int aNumber, const QByteArray& aCaption = "caption") {
  return R"({"data":{"sectionList":[{"id":"s","name":"S","subSectionList":[{"id":"ss","name":"SS",)"
         R"("settingViewAliasList":["a"]}]}],"settingViewList":[{"alias":"a","type":"int","defaultValue":"0",)"
         R"("textBefore":")" +
         aCaption + R"(","textAfter":"","setting":{"number":)" + QByteArray::number(aNumber) +
         R"(,"type":"int","length":"2","defaultValue":"0"}}]}})";
}

} // namespace

class TstModuleInstall : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void reformat_data();
  void reformat();
  void reformatIsBounded();
  void escapes_data();
  void escapes();
  void preparedModuleKeepsItsMeaning();
  void installWritesAndDates();
  void badDownloadKeepsTheOldModule_data();
  void badDownloadKeepsTheOldModule();
  void installerGoesOnPastAFailedModule();
};

void TstModuleInstall::reformat_data() {
  QTest::addColumn<QString>("input");
  QTest::addColumn<QString>("expected");
  QTest::newRow("objects and arrays")
      << R"({"a":[1,2],"b":{"c":"x,y:{z}"}})"
      << "{\r\n  \"a\": [\r\n    1,\r\n    2\r\n  ],\r\n  \"b\": {\r\n    \"c\": \"x,y:{z}\"\r\n  }\r\n}";
  QTest::newRow("escaped quote stays inside the string") << R"({"q":"say \"a,b\""})"
                                                         << "{\r\n  \"q\": \"say \\\"a,b\\\"\"\r\n}";
  // A string ending in an escaped backslash ends there; what follows is structure again.
  QTest::newRow("string ending in a backslash")
      << R"({"p":"C:\\","n":[1]})"
      << "{\r\n  \"p\": \"C:\\\\\",\r\n  \"n\": [\r\n    1\r\n  ]\r\n}";
  QTest::newRow("white space outside strings is kept") << "{ \"a\" :1}"
                                                       << "{\r\n   \"a\" : 1\r\n}";
}

void TstModuleInstall::reformat() {
  QFETCH(QString, input);
  QString out;
  QVERIFY(ReformatJson(input, &out));
  QTEST(out, "expected");
}

void TstModuleInstall::reformatIsBounded() {
  // 200 levels deep, then 90000 commas: every comma would write 400 spaces, 36 MB from 180 kB.
  const QString deep = QString(200, QLatin1Char('[')) + QStringLiteral("1,").repeated(90000) +
                       QStringLiteral("1") + QString(200, QLatin1Char(']'));
  QString out = QStringLiteral("untouched");
  QVERIFY(!ReformatJson(deep, &out, 1024 * 1024));
  QCOMPARE(out, QStringLiteral("untouched"));
  // The served module is then installed as it came.
  const QByteArray module = "{\"x\":" + deep.toUtf8() + "}";
  QCOMPARE(PrepareModule(module).size(), module.size());
}

void TstModuleInstall::escapes_data() {
  QTest::addColumn<QString>("input");
  QTest::addColumn<QString>("expected");
  QTest::newRow("cyrillic") << R"("\u041f\u0440\u0438")" << QStringLiteral("\"При\"");
  QTest::newRow("quote stays escaped") << R"("a\u0022b")"
                                       << R"("a\u0022b")";
  QTest::newRow("backslash stays escaped") << R"("a\u005Cb")"
                                           << R"("a\u005Cb")";
  QTest::newRow("control character stays escaped") << R"("a\u000ab")"
                                                   << R"("a\u000ab")";
  QTest::newRow("escaped backslash is not an escape") << R"("\\u0041")"
                                                      << R"("\\u0041")";
  QTest::newRow("surrogate pair") << R"("\ud83d\ude00")" << QStringLiteral("\"\U0001F600\"");
  QTest::newRow("half a pair stays") << R"("\ud83dx")"
                                     << R"("\ud83dx")";
  QTest::newRow("not hex") << R"("\u00zz")"
                           << R"("\u00zz")";
  QTest::newRow("too short at the end") << R"(\u41)"
                                        << R"(\u41)";
  QTest::newRow("other escapes kept") << R"("a\nb\tc")"
                                      << R"("a\nb\tc")";
}

void TstModuleInstall::escapes() {
  QFETCH(QString, input);
  QTEST(ExpandUnicodeEscapes(input), "expected");
}

void TstModuleInstall::preparedModuleKeepsItsMeaning() {
  QFile sample(qEnvironmentVariable("VELMORA_SOURCE_DIR") + QStringLiteral("/tools/websim/modules/303.json"));
  QVERIFY(sample.open(QIODevice::ReadOnly));
  const QByteArray served = sample.readAll();
  const QByteArray prepared = PrepareModule(served);
  QVERIFY(!prepared.startsWith("\xEF\xBB\xBF"));
  QVERIFY(!prepared.contains("\\u04"));
  QVERIFY(prepared.contains(QStringLiteral("Пароль «устройства»").toUtf8()));
  QVERIFY(prepared.contains("\r\n"));
  QCOMPARE(QJsonDocument::fromJson(prepared), QJsonDocument::fromJson(served));
  // A byte-order mark from the service is dropped on the way.
  QCOMPARE(PrepareModule("\xEF\xBB\xBF" + served), prepared);
}

void TstModuleInstall::installWritesAndDates() {
  QTemporaryDir dir;
  const QString target = ModuleFileName(dir.path(), 305);
  QFile old(target);
  QVERIFY(old.open(QIODevice::WriteOnly));
  old.write("{\"old\":true}");
  old.close();
  const QDateTime created(QDate(2026, 9, 20), QTime(10, 0, 0, 250));
  const QByteArray body = Schema(7, "\\u0410");
  QString error;
  QVERIFY2(InstallModuleFile(dir.path(), 305, body, created, &error), qPrintable(error));
  QCOMPARE(ReadAll(target), PrepareModule(body));
  QVERIFY(ReadAll(target).contains("\"textBefore\": \"\xD0\x90\""));
  QCOMPARE(FileDate(target), created);
  QVERIFY(!QFile::exists(target + QStringLiteral(".download")));
}

void TstModuleInstall::badDownloadKeepsTheOldModule_data() {
  QTest::addColumn<QByteArray>("body");
  QTest::newRow("html error page") << QByteArray("<html><body>502 Bad Gateway</body></html>");
  QTest::newRow("cut short") << QByteArray(R"({"data":{"sectionList":[1,2)");
  QTest::newRow("array, not an object") << QByteArray("[1,2,3]");
  QTest::newRow("empty") << QByteArray();
  // JSON objects that are not schemas: a service in trouble still answers with status 200.
  QTest::newRow("the service's error") << QByteArray(R"({"error":"maintenance"})");
  QTest::newRow("no settings") << QByteArray(R"({"data":{"sectionList":[],"settingViewList":[]}})");
  QTest::newRow("a section that is no object") << QByteArray(R"({"data":{"sectionList":[1]}})");
}

void TstModuleInstall::badDownloadKeepsTheOldModule() {
  QFETCH(QByteArray, body);
  QTemporaryDir dir;
  const QString target = ModuleFileName(dir.path(), 306);
  QFile old(target);
  QVERIFY(old.open(QIODevice::WriteOnly));
  old.write("{\"old\":true}");
  old.close();
  const QDateTime oldDate(QDate(2026, 8, 1), QTime(9, 0));
  QVERIFY(SetFileDate(target, oldDate));
  QString error;
  TModuleFailure failure = TModuleFailure::None;
  QVERIFY(!InstallModuleFile(dir.path(), 306, body, QDateTime(QDate(2026, 9, 20), QTime(10, 0)), &error,
                             &failure));
  QVERIFY(!error.isEmpty());
  QCOMPARE(int(failure), int(TModuleFailure::NotSchema));
  QCOMPARE(ReadAll(target), QByteArray("{\"old\":true}"));
  QCOMPARE(FileDate(target), oldDate);
  QVERIFY(!QFile::exists(target + QStringLiteral(".download")));
}

void TstModuleInstall::installerGoesOnPastAFailedModule() {
  // Four modules on the service: 305 answers an error page, 306 is good, 307 is current locally,
  // 308 answers the service's own error object in place of the schema.
  QTemporaryDir served;
  QTemporaryDir local;
  for (int type : {305, 306, 307, 308}) {
    QFile f(ModuleFileName(served.path(), type));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(type == 308 ? QByteArray(R"({"error":"maintenance"})") : Schema(type));
    f.close();
  }
  const QString createdAt = QStringLiteral("2026-09-20T10:00:00+03:00");
  const QDateTime created(QDate(2026, 9, 20), QTime(10, 0));
  for (int type : {307, 308}) {
    QFile current(ModuleFileName(local.path(), type));
    QVERIFY(current.open(QIODevice::WriteOnly));
    current.write("{\"mine\":1}");
    current.close();
  }
  QVERIFY(SetFileDate(ModuleFileName(local.path(), 307), created));
  QVERIFY(SetFileDate(ModuleFileName(local.path(), 308), QDateTime(QDate(2026, 8, 1), QTime(9, 0))));

  TWebFault fault;
  QString why;
  QVERIFY(TWebFault::Parse(TModuleInstaller::ModulePath(305) + QStringLiteral("=html"), &fault, &why));
  TWebSimOptions options;
  options.ModulesFolder = served.path();
  options.CreatedAt = createdAt;
  options.Faults = {fault};
  TWebSim sim(options);
  TServiceHosts hosts;
  hosts.SettingsService = TServiceHosts::Normalize(sim.Start());
  TWebClient client;
  TModuleInstaller installer(client);
  QSignalSpy finished(&installer, &TModuleInstaller::Finished);
  const QString list = QStringLiteral(R"({"data":[{"deviceTypeId":305,"createdAt":"%1"},
      {"deviceTypeId":306,"createdAt":"%1"},{"deviceTypeId":307,"createdAt":"%1"},
      {"deviceTypeId":308,"createdAt":"%1"}]})")
                           .arg(createdAt);
  QVERIFY(installer.Start(hosts, list, local.path()));
  QVERIFY(!installer.Start(hosts, list, local.path())); // one run at a time
  QVERIFY(finished.wait(10000));
  QCOMPARE(finished[0][0].value<QList<int>>(), QList<int>{306});
  QCOMPARE(finished[0][1].value<QList<int>>(), (QList<int>{305, 308}));
  QVERIFY(!QFile::exists(ModuleFileName(local.path(), 305)));
  QCOMPARE(FileDate(ModuleFileName(local.path(), 306)), created);
  QCOMPARE(ReadAll(ModuleFileName(local.path(), 307)), QByteArray("{\"mine\":1}"));
  // The working module stays, and the note says why the answer was not taken.
  QCOMPARE(ReadAll(ModuleFileName(local.path(), 308)), QByteArray("{\"mine\":1}"));
  // The error page came with status 200: it is refused for what it is, like the error object.
  QCOMPARE(installer.RefusedNotes([](const QString& aKey) { return aKey; }),
           QStringLiteral("v305: mes_modulenotschema (not a JSON object); "
                          "v308: mes_modulenotschema (the schema has no data)"));
  QVERIFY(!installer.Running());
}

QTEST_GUILESS_MAIN(TstModuleInstall)
#include "tst_module_install.moc"
