// Reading the web answers: program information, device descriptions, module lists, and which
// modules are newer than the local copies.

#include "platform/file_date.h"
#include "updates/update_center.h"
#include "updates/update_info.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TstUpdateInfo : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void programInfo_data();
  void programInfo();
  void createdAt_data();
  void createdAt();
  void deviceDescription_data();
  void deviceDescription();
  void moduleListSkipsBadEntries();
  void newerModulesByFileDate();
  void panelStates_data();
  void panelStates();
};

void TstUpdateInfo::programInfo_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QDateTime>("version");
  QTest::addColumn<QString>("url");
  const QString url = QStringLiteral("http://site/velmora");
  auto doc = [&url](const QString& aDate) {
    return QStringLiteral("<?xml version=\"1.0\"?>\n<info><version url=\"%1\" date=\"%2\"/></info>")
        .arg(url, aDate);
  };
  QTest::newRow("six digits") << doc("261001") << QDateTime(QDate(2026, 10, 1), QTime(0, 0)) << url;
  QTest::newRow("iso date") << doc("2026-10-01") << QDateTime(QDate(2026, 10, 1), QTime(0, 0)) << url;
  QTest::newRow("with hh:mm") << doc("2026-10-01 14:05") << QDateTime(QDate(2026, 10, 1), QTime(14, 5))
                              << url;
  QTest::newRow("with hh:mm:ss") << doc("2026-10-01 14:05:09")
                                 << QDateTime(QDate(2026, 10, 1), QTime(14, 5, 9)) << url;
  QTest::newRow("text before and after the document")
      << QStringLiteral("HTTP junk <b>x</b>") + doc("261001") + QStringLiteral("<!-- served in 3 ms -->")
      << QDateTime(QDate(2026, 10, 1), QTime(0, 0)) << url;
  QTest::newRow("unreadable date keeps the address") << doc("1 October") << QDateTime() << url;
  QTest::newRow("no month 13") << doc("261301") << QDateTime() << url;
  QTest::newRow("portal page with status 200")
      << QStringLiteral("<html><body>Please log in</body></html>") << QDateTime() << QString();
  QTest::newRow("broken xml") << QStringLiteral("<info><version url=\"x\" date=\"261001\"></info>")
                              << QDateTime() << QString();
  QTest::newRow("empty") << QString() << QDateTime() << QString();
}

void TstUpdateInfo::programInfo() {
  QFETCH(QString, text);
  QFETCH(QDateTime, version);
  QFETCH(QString, url);
  const TProgramInfo info = ParseProgramInfo(text);
  QCOMPARE(info.Version, version);
  QCOMPARE(info.Url, url);
}

void TstUpdateInfo::createdAt_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QDateTime>("expected");
  const QDate d(2026, 9, 20);
  QTest::newRow("Z") << "2026-09-20T10:00:00Z" << QDateTime(d, QTime(10, 0));
  QTest::newRow("plus offset dropped") << "2026-09-20T10:00:00+03:00" << QDateTime(d, QTime(10, 0));
  QTest::newRow("minus offset dropped") << "2026-09-20T10:00:00-05:00" << QDateTime(d, QTime(10, 0));
  QTest::newRow("fraction") << "2026-09-20T10:00:00.250Z" << QDateTime(d, QTime(10, 0, 0, 250));
  QTest::newRow("microseconds and offset")
      << "2026-09-20T10:00:00.123456+03:00" << QDateTime(d, QTime(10, 0, 0, 123));
  QTest::newRow("no seconds") << "2026-09-20T10:07" << QDateTime(d, QTime(10, 7));
  QTest::newRow("date only") << "2026-09-20" << QDateTime(d, QTime(0, 0));
  QTest::newRow("garbage") << "yesterday" << QDateTime();
  QTest::newRow("no such day") << "2026-02-30T10:00:00Z" << QDateTime();
}

void TstUpdateInfo::createdAt() {
  QFETCH(QString, text);
  QFETCH(QDateTime, expected);
  QCOMPARE(ParseCreatedAt(text), expected);
}

void TstUpdateInfo::deviceDescription_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("language");
  QTest::addColumn<bool>("valid");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<QString>("body");
  QTest::addColumn<QString>("url");
  const QString both =
      QStringLiteral("<info><ru name=\"Трекер\" URL=\"http://s/ru.html\">Описание</ru>"
                     "<en name=\"Tracker\" URL=\"https://s/en.html\">Description</en></info>");
  QTest::newRow("russian") << both << 0 << true << "Трекер"
                           << "Описание"
                           << "http://s/ru.html";
  QTest::newRow("english") << both << 1 << true << "Tracker"
                           << "Description"
                           << "https://s/en.html";
  QTest::newRow("no URL attribute: text but no page")
      << "<info><en name=\"T\">D</en></info>" << 1 << true << "T"
      << "D"
      << "";
  QTest::newRow("script address is not a page")
      << "<info><en name=\"T\" URL=\"javascript:alert(1)\">D</en></info>" << 1 << true << "T"
      << "D"
      << "";
  QTest::newRow("file address is not a page")
      << "<info><en name=\"T\" URL=\"file:///etc/passwd\">D</en></info>" << 1 << true << "T"
      << "D"
      << "";
  QTest::newRow("language missing") << "<info><ru name=\"T\">D</ru></info>" << 1 << false << ""
                                    << ""
                                    << "";
  QTest::newRow("not xml") << "Service unavailable" << 0 << false << ""
                           << ""
                           << "";
}

void TstUpdateInfo::deviceDescription() {
  QFETCH(QString, text);
  QFETCH(int, language);
  QFETCH(bool, valid);
  const TDeviceDescription d = ParseDeviceDescription(text, language);
  QCOMPARE(d.Valid, valid);
  if (!valid)
    return;
  QTEST(d.Caption, "caption");
  QTEST(d.Text, "body");
  QTEST(d.Url, "url");
}

void TstUpdateInfo::moduleListSkipsBadEntries() {
  QList<TModuleEntry> entries;
  QVERIFY(ParseModuleList(QStringLiteral(R"({"data":[
      {"deviceTypeId":305,"createdAt":"2026-09-20T10:00:00Z"},
      {"deviceTypeId":"x","createdAt":"2026-09-20T10:00:00Z"},
      {"deviceTypeId":306,"createdAt":"not a date"},
      {"deviceTypeId":"307","createdAt":"2026-09-21T11:30:15.5+03:00"}]})"),
                          &entries));
  QCOMPARE(entries.size(), 2);
  QCOMPARE(entries[0].Type, 305);
  QCOMPARE(entries[1].Type, 307);
  QCOMPARE(entries[1].CreatedAt, QDateTime(QDate(2026, 9, 21), QTime(11, 30, 15, 500)));
  QVERIFY(!ParseModuleList(QStringLiteral("[1,2]"), &entries));
  QVERIFY(!ParseModuleList(QStringLiteral("<html>"), &entries));
  QVERIFY(entries.isEmpty());
}

void TstUpdateInfo::newerModulesByFileDate() {
  QTemporaryDir dir;
  const QDateTime c(QDate(2026, 9, 20), QTime(10, 0, 0, 250));
  auto place = [&dir](int aType, const QDateTime& aDate) {
    QFile f(ModuleFileName(dir.path(), aType));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("{}");
    f.close();
    QVERIFY(SetFileDate(f.fileName(), aDate));
  };
  place(305, c);               // same date: up to date
  place(307, c.addSecs(-1));   // older: newer on the server
  place(308, c.addSecs(3600)); // newer locally: nothing to do
  const QList<TModuleEntry> newer =
      NewerModules({{305, c}, {306, c}, {307, c}, {308, c}}, dir.path()); // 306 is missing
  QList<int> types;
  for (const TModuleEntry& e : newer)
    types << e.Type;
  QCOMPARE(types, (QList<int>{306, 307}));
  QCOMPARE(ModuleNames(types), QStringLiteral("v306; v307"));
}

void TstUpdateInfo::panelStates_data() {
  QTest::addColumn<QString>("programDate");
  QTest::addColumn<bool>("modules");
  QTest::addColumn<int>("state");
  QTest::addColumn<int>("button");
  QTest::addColumn<QString>("line1");
  QTest::addColumn<QString>("line2");
  QTest::newRow("nothing known") << "" << false << int(upsNoInformation) << int(ubCheck) << "mes_versionempty"
                                 << "_SoftVersion: 07.09.2026";
  QTest::newRow("release day is the latest")
      << "260907" << false << int(upsLatest) << int(ubCheck) << "mes_versionislast"
      << "_SoftVersion: 07.09.2026";
  QTest::newRow("later program") << "261001" << false << int(upsProgram) << int(ubProgram)
                                 << "mes_versionupdate: 01.10.2026"
                                 << "_SoftVersion: 07.09.2026";
  QTest::newRow("later program and modules")
      << "261001" << true << int(upsProgramAndModules) << int(ubModules)
      << "mes_versionupdate: 01.10.2026 (_SoftVersion: 07.09.2026)"
      << "mes_moduleupdate: v305; v306";
  QTest::newRow("modules only") << "260907" << true << int(upsModules) << int(ubModules) << "mes_moduleupdate"
                                << "v305; v306";
  QTest::newRow("modules, no program information")
      << "" << true << int(upsModules) << int(ubModules) << "mes_moduleupdate"
      << "v305; v306";
}

void TstUpdateInfo::panelStates() {
  QFETCH(QString, programDate);
  QFETCH(bool, modules);
  QTemporaryDir dir;
  TWellcomeInputs in;
  if (!programDate.isEmpty())
    in.WellcomeFile =
        QStringLiteral("<info><version url=\"http://s/p\" date=\"%1\"/></info>").arg(programDate);
  if (modules)
    in.AdditionFile = QStringLiteral(R"({"data":[{"deviceTypeId":305,"createdAt":"2026-09-20T10:00:00Z"},
                                                 {"deviceTypeId":306,"createdAt":"2026-09-20T10:00:00Z"}]})");
  in.ReleaseDate = QDate(2026, 9, 7);
  in.ModuleFolder = dir.path();
  in.Translate = [](const QString& aKey) { return aKey; };
  const TWellcomeView view = ComputeWellcome(in);
  QTEST(int(view.State), "state");
  QTEST(int(view.Button), "button");
  QTEST(view.Line1, "line1");
  QTEST(view.Line2, "line2");
  QCOMPARE(view.InstallModules, modules);
  QCOMPARE(view.Green, view.State >= upsProgram);
  QCOMPARE(view.ButtonVisible, view.State >= upsProgram);
  // Without a description the page shows its own texts and no site page.
  QCOMPARE(view.Caption, QStringLiteral("_WellcomeCaption"));
  QVERIFY(view.BrowserURL.isEmpty());
}

QTEST_GUILESS_MAIN(TstUpdateInfo)
#include "tst_update_info.moc"
