#include "core/core_fixture.h"
#include "device/poll_cycle.h"

#include <QSignalSpy>
#include <QTest>

class TstPollCycle : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void requestsByType_data();
  void requestsByType();
  void stopsOnceIdentityIsComplete();
  void waitsWithoutAsking_data();
  void waitsWithoutAsking();
  void idleTickCleansUp();
};

void TstPollCycle::requestsByType_data() {
  QTest::addColumn<QString>("type");
  QTest::addColumn<QList<QByteArray>>("sent");
  QTest::newRow("tracker") << "303" << QList<QByteArray>{">I 0\r\n", ">I 7\r\n"};
  QTest::newRow("type 99 asks once") << "99" << QList<QByteArray>{">I 36\r\n"};
  QTest::newRow("type 82 asks once") << "82" << QList<QByteArray>{">I 36\r\n"};
  // 2026-01-01 12:00 local: 56 years of days since 1970 plus half a day, as local seconds.
  QTest::newRow("clock device gets the time")
      << "90" << QList<QByteArray>{">I 0\r\n", ">I 7\r\n", ">UNIX=1767268800\r\n"};
}

void TstPollCycle::requestsByType() {
  QFETCH(QString, type);
  QFETCH(QList<QByteArray>, sent);
  TCoreRig rig;
  rig.Core.SetVersion(vtVersion1);
  rig.Port->SetActive(true);
  rig.Port->SetDeviceVer(type);
  rig.Driver.Written.clear();
  TPollCycle poll(rig.Core);
  poll.StartCheckNameTimer();
  QVERIFY(poll.CheckNameTimer().isActive());
  QCOMPARE(poll.CheckNameTimer().interval(), 30000);
  QCOMPARE(rig.Driver.Written, sent);
}

void TstPollCycle::stopsOnceIdentityIsComplete() {
  TCoreRig rig;
  rig.Core.SetVersion(vtVersion1);
  rig.Port->SetActive(true);
  TPollCycle poll(rig.Core);
  poll.StartCheckNameTimer();
  rig.Port->SetDeviceName(QStringLiteral("1001"));
  rig.Port->SetDeviceVer(QStringLiteral("303"));
  rig.Port->SetDeviceSOFT(QStringLiteral("303|2.14"));
  rig.Driver.Written.clear();
  poll.CheckNameTimerTimer(); // the IMEI has not come yet: ask again
  QCOMPARE(rig.Driver.Written.size(), 2);
  QVERIFY(poll.CheckNameTimer().isActive());
  rig.Port->SetDeviceIMEI(QStringLiteral("350000000000001"));
  rig.Driver.Written.clear();
  poll.CheckNameTimerTimer();
  QVERIFY(rig.Driver.Written.isEmpty());
  QVERIFY(!poll.CheckNameTimer().isActive());
}

void TstPollCycle::waitsWithoutAsking_data() {
  QTest::addColumn<int>("version");
  QTest::addColumn<bool>("serviceAdapter");
  QTest::newRow("sensor generation") << int(vtVersion3) << false;
  QTest::newRow("legacy generation") << int(vtVersion2) << false;
  QTest::newRow("service adapter") << int(vtVersion1) << true;
}

void TstPollCycle::waitsWithoutAsking() {
  QFETCH(int, version);
  QFETCH(bool, serviceAdapter);
  TCoreRig rig;
  rig.Core.SetVersion(TVersionType(version));
  rig.Port->SetActive(true);
  if (serviceAdapter) {
    rig.Port->SetDevicePID_VID(QStringLiteral("USB\\VID_0483&PID_5742"));
    rig.Port->SetDeviceName(QStringLiteral("7")); // the adapter: type "1", waiting for a typed password
  }
  rig.Driver.Written.clear();
  TPollCycle poll(rig.Core);
  poll.StartCheckNameTimer();
  QVERIFY(rig.Driver.Written.isEmpty());
  QVERIFY(poll.CheckNameTimer().isActive()); // keeps waiting
}

void TstPollCycle::idleTickCleansUp() {
  TCoreRig rig;
  TPollCycle poll(rig.Core);
  QSignalSpy cleanup(&poll, &TPollCycle::UpdateCleanup);
  poll.SetUpdateStage(3);
  poll.OnUpdateTimeout();
  QCOMPARE(cleanup.size(), 1);
  QCOMPARE(int(poll.UpdateStage()), 0);
  QVERIFY(!poll.UpdateTimer().isActive());
}

QTEST_GUILESS_MAIN(TstPollCycle)
#include "tst_poll_cycle.moc"
