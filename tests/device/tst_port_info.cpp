#include "core/core_fixture.h"
#include "device/device_types.h"

#include <QTest>

class TstPortInfo : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void displayNames_data();
  void displayNames();
  void modelTableShape();
  void settingsGeneration_data();
  void settingsGeneration();
  void deviceVerChangeRunsItsEffectsOnce();
  void newRecordIsWriteLockedUntilPasswordsMatch();
  void serviceAdapterIsTypeOne();
  void unlockReadsSettingsOnlyAfterALock();
  void deviceInfoRequestedOncePerRecord();
  void noInternetLeavesTheRequestOpen();
  void waitInfoAndActivation();
  void stopDisconnectsTheDriver();
};

void TstPortInfo::displayNames_data() {
  QTest::addColumn<QString>("type");
  QTest::addColumn<QString>("sub");
  QTest::addColumn<QString>("expected");
  QTest::newRow("exact row") << "303" << "0" << "VT-303";
  QTest::newRow("variant row") << "227" << "2" << "VT-227 Plus";
  QTest::newRow("unknown variant falls back to sub-version 0") << "227" << "5" << "VT-227";
  QTest::newRow("type without a row") << "999" << "0" << "v. 999";
  QTest::newRow("unknown variant of unknown type") << "999" << "3" << "v. 999";
  QTest::newRow("empty type") << "" << "0" << "...";
  QTest::newRow("not a number") << "abc" << "0" << "...";
  QTest::newRow("zero") << "0" << "0" << "...";
  QTest::newRow("sensor") << "250" << "" << "VL-250 Fuel";
}

void TstPortInfo::displayNames() {
  QFETCH(QString, type);
  QFETCH(QString, sub);
  QFETCH(QString, expected);
  QCOMPARE(DeviceDisplayName(type, sub), expected);
}

void TstPortInfo::modelTableShape() {
  // 52 models, ordered by type code, every name distinct.
  QCOMPARE(DeviceTypeNameCount, 52);
  QSet<QString> names;
  for (int i = 0; i < DeviceTypeNameCount; ++i) {
    names.insert(QString::fromUtf8(DeviceTypeNames[i].Name));
    if (i > 0)
      QVERIFY(QByteArray(DeviceTypeNames[i - 1].Type).toInt() <= QByteArray(DeviceTypeNames[i].Type).toInt());
  }
  QCOMPARE(names.size(), DeviceTypeNameCount);
}

void TstPortInfo::settingsGeneration_data() {
  QTest::addColumn<QString>("type");
  QTest::addColumn<int>("version");
  for (const char* t : {"35", "82", "99", "235", "305", "306"})
    QTest::newRow(t) << QString::fromLatin1(t) << 2;
  for (const char* t : {"303", "1", "250", "3050", ""})
    QTest::newRow(qPrintable(QStringLiteral("other %1").arg(QLatin1String(t)))) << QString::fromLatin1(t) << 1;
}

void TstPortInfo::settingsGeneration() {
  QFETCH(QString, type);
  QFETCH(int, version);
  TCoreRig rig;
  rig.Port->SetDeviceVer(type);
  QCOMPARE(int(rig.Port->SettingsVersion()), version);
  QCOMPARE(rig.Host.Calls.filter(QStringLiteral("Label:")).last(), QStringLiteral("Label:v%1").arg(version));
}

void TstPortInfo::deviceVerChangeRunsItsEffectsOnce() {
  TCoreRig rig;
  rig.Port->SetDeviceSubVer(QStringLiteral("3"));
  rig.Port->SetDeviceVer(QStringLiteral("227"));
  rig.Port->SetDeviceVer(QStringLiteral("227"));
  QCOMPARE(rig.Host.Count("LoadSettings:227"), 1);
  QCOMPARE(rig.Host.Count("UpdateTypeInfo"), 1);
  QCOMPARE(rig.Host.Count("CommandsUpdate"), 1);
  QCOMPARE(rig.Port->DataPrint().DeviceName, QStringLiteral("VT-227 CAN"));
  QCOMPARE(rig.Port->DataPrint().DeviceVer, QStringLiteral("227"));
  // Clearing the type clears the settings page first.
  rig.Port->SetDeviceVer(QString());
  QCOMPARE(rig.Host.Count("LoadSettings:"), 2);
}

void TstPortInfo::newRecordIsWriteLockedUntilPasswordsMatch() {
  TCoreRig rig;
  QVERIFY(rig.Port->WriteLocked());
  QVERIFY(!rig.Port->ReadLocked()); // only type "1" is ever read-locked
  rig.Port->SetUserPassword(QStringLiteral("000123"));
  rig.Port->SetDevicePassword(QStringLiteral("000123"));
  QVERIFY(!rig.Port->WriteLocked());
  rig.Port->SetUserPassword(QStringLiteral("000124"));
  QVERIFY(rig.Port->WriteLocked());
  rig.Port->SetUserPassword(QStringLiteral("000123"));
  rig.Port->SetReadLocked(true);
  QVERIFY(rig.Port->WriteLocked());
}

void TstPortInfo::serviceAdapterIsTypeOne() {
  TCoreRig rig;
  rig.Port->SetDevicePID_VID(QStringLiteral("USB\\VID_0483&PID_5742&REV_0200"));
  rig.Port->SetDeviceVer(QStringLiteral("303"));
  QCOMPARE(rig.Port->DeviceVer(), QStringLiteral("1"));
  rig.Port->SetDeviceName(QStringLiteral("123456"));
  QCOMPARE(rig.Port->ReadLockState(), -1);
  QCOMPARE(rig.Host.Count("LoadSettings:1"), 1);
  QVERIFY(rig.Port->ReadLocked());
  rig.Port->SetUserPassword(QStringLiteral("777777"));
  rig.Port->SetDevicePassword(QStringLiteral("777777"));
  QVERIFY(!rig.Port->ReadLocked());
}

void TstPortInfo::unlockReadsSettingsOnlyAfterALock() {
  TCoreRig rig;
  rig.Port->SetReadLocked(false);
  QCOMPARE(rig.Host.Count("Exec:SettingsGet"), 0);
  rig.Port->SetReadLocked(true);
  rig.Port->SetReadLocked(false);
  QCOMPARE(rig.Host.Count("Exec:SettingsGet"), 1);
  rig.Port->SetReadLocked(false);
  QCOMPARE(rig.Host.Count("Exec:SettingsGet"), 1);
  // With the settings already read there is nothing to fetch.
  rig.Port->SetHaveSettings(true);
  rig.Port->SetReadLocked(true);
  rig.Port->SetReadLocked(false);
  QCOMPARE(rig.Host.Count("Exec:SettingsGet"), 1);
}

void TstPortInfo::deviceInfoRequestedOncePerRecord() {
  TCoreRig rig;
  rig.Port->SetDeviceName(QStringLiteral("10#01"));
  rig.Port->SetDeviceVer(QStringLiteral("303"));
  rig.Port->SetDeviceSOFT(QStringLiteral("A|0412 x&y"));
  QCOMPARE(rig.Host.Calls.filter(QStringLiteral("Info:")).size(), 0);
  rig.Port->SetDeviceIMEI(QStringLiteral("350000000000001"));
  // Each value percent-encoded: a "#" would cut the query, an "&" would split it.
  QCOMPARE(rig.Host.Calls.filter(QStringLiteral("Info:")),
           QStringList{"Info:/info_device.php?idsn=10%2301&type=303&imei=350000000000001&soft=A%7C0412%20x%26y"});
  rig.Port->SetDeviceIMEI(QStringLiteral("350000000000002"));
  QCOMPARE(rig.Host.Calls.filter(QStringLiteral("Info:")).size(), 1);
}

void TstPortInfo::noInternetLeavesTheRequestOpen() {
  TCoreRig rig;
  rig.Host.Online = false;
  rig.Port->SetDeviceName(QStringLiteral("1001"));
  rig.Port->SetDeviceVer(QStringLiteral("303"));
  rig.Port->SetDeviceSOFT(QStringLiteral("S"));
  rig.Port->SetDeviceIMEI(QStringLiteral("1"));
  QCOMPARE(rig.Host.Hints, (QList<QPair<int, QString>>{{0, QStringLiteral("mes_nointernet")}}));
  QVERIFY(!rig.Port->Updating());
  rig.Host.Online = true;
  rig.Port->SetDeviceIMEI(QStringLiteral("2"));
  QCOMPARE(rig.Host.Calls.filter(QStringLiteral("Info:")).size(), 1);
}

void TstPortInfo::waitInfoAndActivation() {
  TCoreRig rig;
  rig.Port->SetOperation(5);
  rig.Port->SetActive(true);
  QCOMPARE(int(rig.Port->Operation()), 0);
  QCOMPARE(rig.Port->ActiveTime(), rig.Clock.Now());
  rig.Port->SetDeviceName(QStringLiteral("1"));
  rig.Port->SetDeviceVer(QStringLiteral("303"));
  rig.Port->SetDeviceSOFT(QStringLiteral("S"));
  QVERIFY(rig.Port->WaitInfo()); // the IMEI has not come yet
  rig.Port->SetDeviceIMEI(QStringLiteral("35"));
  QVERIFY(!rig.Port->WaitInfo());
  // Staying active keeps the running operation and the activation time.
  rig.Port->SetOperation(5);
  rig.Clock.Advance(1000);
  rig.Port->SetActive(true);
  QCOMPARE(int(rig.Port->Operation()), 5);
  QVERIFY(!rig.Port->WaitInfo());
  rig.Port->SetActive(false);
  QCOMPARE(int(rig.Port->Operation()), 0);
  QVERIFY(rig.Port->WaitInfo());
}

void TstPortInfo::stopDisconnectsTheDriver() {
  TCoreRig rig;
  rig.Driver.Connect();
  rig.Port->SetStoped(true);
  QVERIFY(!rig.Driver.FConnected);
  rig.Port->SetStoped(false);
  QVERIFY(rig.Driver.FConnected);
}

QTEST_GUILESS_MAIN(TstPortInfo)
#include "tst_port_info.moc"
