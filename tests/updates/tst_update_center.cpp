// The three web answers reaching the window: no address, no request; a description download that
// breaks off frees the record that asked, not whichever port is selected by then.

#include "core/core_fixture.h"
#include "updates/update_center.h"
#include "updates/web_client.h"
#include "web_sim.h"

#include <QSignalSpy>
#include <QTest>

class TstUpdateCenter : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void noAddressNoRequest();
  void startAsksForProgramAndModules();
  void brokenDescriptionFreesTheAskingRecord();
  void newerDescriptionRequestReplacesTheOlder();
};

namespace {

TUpdateCenter::TTranslate Keys() {
  return [](const QString& aKey) { return aKey; };
}

// The information site played with one fault switched on.
struct TFaultySite {
  TWebSim Sim;
  TServiceHosts Hosts;
  explicit TFaultySite(const QString& aFault) : Sim(Options(aFault)) {
    Hosts.InfoSite = TServiceHosts::Normalize(Sim.Start());
  }
  static TWebSimOptions Options(const QString& aFault) {
    TWebFault fault;
    QString why;
    if (!TWebFault::Parse(aFault, &fault, &why))
      qFatal("bad fault in the test: %s", qPrintable(why));
    TWebSimOptions options;
    options.Faults = {fault};
    return options;
  }
};

} // namespace

void TstUpdateCenter::noAddressNoRequest() {
  TWebClient client;
  TUpdateCenter center(client, TServiceHosts(), Keys());
  QSignalSpy spy(&center, &TUpdateCenter::InfoExternal);
  center.StartRequests(QDate(2026, 9, 7));
  center.RequestModuleList();
  TCoreRig rig;
  center.RequestDeviceInfo(rig.Port.get(), QStringLiteral("/info_device.php?idsn=1&type=2&imei=3&soft=4"));
  QTest::qWait(50);
  QVERIFY(spy.isEmpty());
  QVERIFY(center.DefaultPage(1).isEmpty());
}

void TstUpdateCenter::startAsksForProgramAndModules() {
  TWebSim sim(TWebSimOptions{});
  const QString base = sim.Start();
  TWebClient client;
  TServiceHosts hosts;
  hosts.InfoSite = TServiceHosts::Normalize(base);
  hosts.SettingsService = TServiceHosts::Normalize(base, kSettingsServicePort);
  TUpdateCenter center(client, hosts, Keys());
  QSignalSpy spy(&center, &TUpdateCenter::InfoExternal);
  center.StartRequests(QDate(2026, 9, 7));
  QTRY_COMPARE_WITH_TIMEOUT(spy.size(), 2, 10000);
  QList<int> idents{spy[0][0].toInt(), spy[1][0].toInt()};
  std::sort(idents.begin(), idents.end());
  QCOMPARE(idents, (QList<int>{uiProgram, uiModules}));
  for (const QList<QVariant>& answer : spy)
    QVERIFY(!answer[1].toString().isEmpty());
  QCOMPARE(center.DefaultPage(1).toString(), base + QStringLiteral("/device_site/0_en.html"));
}

void TstUpdateCenter::brokenDescriptionFreesTheAskingRecord() {
  TFaultySite site(QStringLiteral("/info_device.php=truncate"));
  TWebClient client;
  TUpdateCenter center(client, site.Hosts, Keys());
  QSignalSpy spy(&center, &TUpdateCenter::InfoExternal);
  TCoreRig asking;
  TCoreRig selected;
  asking.Port->SetUpdating(true);
  selected.Port->SetUpdating(true);
  center.RequestDeviceInfo(asking.Port.get(),
                           QStringLiteral("/info_device.php?idsn=1&type=303&imei=2&soft=3"));
  QTRY_COMPARE_WITH_TIMEOUT(spy.size(), 1, 10000);
  QCOMPARE(spy[0][0].toInt(), kUpdateErrorHintKind);
  QCOMPARE(spy[0][1].toString(), QStringLiteral("mes_updatesfailed"));
  QVERIFY(!asking.Port->Updating());
  QVERIFY(selected.Port->Updating());
}

void TstUpdateCenter::newerDescriptionRequestReplacesTheOlder() {
  TFaultySite site(QStringLiteral("/info_device.php=delay:400"));
  TWebClient client;
  TUpdateCenter center(client, site.Hosts, Keys());
  QSignalSpy spy(&center, &TUpdateCenter::InfoExternal);
  TCoreRig first;
  TCoreRig second;
  first.Port->SetUpdating(true);
  center.RequestDeviceInfo(first.Port.get(),
                           QStringLiteral("/info_device.php?idsn=1&type=303&imei=2&soft=3"));
  center.RequestDeviceInfo(second.Port.get(),
                           QStringLiteral("/info_device.php?idsn=9&type=306&imei=2&soft=3"));
  QTRY_COMPARE_WITH_TIMEOUT(spy.size(), 1, 10000);
  QTest::qWait(600);
  QCOMPARE(spy.size(), 1);
  QCOMPARE(spy[0][0].toInt(), int(uiDevice));
  QVERIFY(spy[0][1].toString().contains(QStringLiteral("No. 9")));
  // Dropping a request is not a failure of the record that made it.
  QVERIFY(first.Port->Updating());
}

QTEST_GUILESS_MAIN(TstUpdateCenter)
#include "tst_update_center.moc"
