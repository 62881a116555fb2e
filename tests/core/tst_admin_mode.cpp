// The administrator mode: the scramble, the machine identity it is tied to, and entering, keeping
// and leaving the mode.

#include "core/admin_mode.h"
#include "platform/machine_identity.h"
#include "platform/registry.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

class TFixedIdentity : public IMachineIdentity {
public:
  QString Serial;
  QString SerialNumber() const override { return Serial; }
};

void WriteFile(const QString& aPath, const QByteArray& aText) {
  QFile f(aPath);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(aText);
}

const QString kPassword = QStringLiteral("Kv7Rm4Qz");

} // namespace

class TstAdminMode : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void init();
  void scramble_data();
  void scramble();
  void identityFromFiles_data();
  void identityFromFiles();
  void passwordTurnsModeOnAndMarkerSurvivesRestart();
  void markerOfAnotherMachineKeepsModeOff();
  void wrongPasswordChangesNothing();
  void machineWithoutIdentityCannotKeepTheMode();
};

void TstAdminMode::init() {
  TRegistry().DeleteKey(QStringLiteral("Forms"));
}

void TstAdminMode::scramble_data() {
  QTest::addColumn<QString>("plain");
  QTest::addColumn<QString>("scrambled");
  // Position i moves up by i + 6.
  QTest::newRow("digits") << QStringLiteral("1A2B3C4D") << QStringLiteral("7H:K=N@Q");
  QTest::newRow("empty") << QString() << QString();
  // 16-bit arithmetic: the top of the range wraps instead of failing.
  QTest::newRow("wraps") << QString(QChar(char16_t(0xFFFC))) << QString(QChar(char16_t(0x0002)));
}

void TstAdminMode::scramble() {
  QFETCH(QString, plain);
  QFETCH(QString, scrambled);
  QCOMPARE(AdminScramble(plain), scrambled);
  QCOMPARE(AdminUnscramble(scrambled), plain);
}

void TstAdminMode::identityFromFiles_data() {
  QTest::addColumn<QByteArray>("machineId");
  QTest::addColumn<bool>("rootUuid");
  QTest::addColumn<QString>("serial");
  QTest::newRow("machine id") << QByteArray("3f9a0c1be2d84e55a1b2c3d4e5f60718\n") << true
                              << QStringLiteral("3F9A0C1B");
  // A broken or empty machine id falls back to the root file system (a FAT-style serial here).
  QTest::newRow("uuid after bad id") << QByteArray("not-hex-at-all\n") << true << QStringLiteral("1A2B3C4D");
  QTest::newRow("uuid without id") << QByteArray() << true << QStringLiteral("1A2B3C4D");
  QTest::newRow("none") << QByteArray() << false << QString();
}

void TstAdminMode::identityFromFiles() {
  QFETCH(QByteArray, machineId);
  QFETCH(bool, rootUuid);
  QFETCH(QString, serial);
  QTemporaryDir dir;
  const QString idFile = dir.filePath(QStringLiteral("machine-id"));
  if (!machineId.isEmpty())
    WriteFile(idFile, machineId);
  // The root mount sits on device 1:3; a by-uuid link to /dev/null (also 1:3) stands for its disk.
  const QString mountInfo = dir.filePath(QStringLiteral("mountinfo"));
  WriteFile(mountInfo, "22 1 8:2 / /boot rw - ext4 /dev/sda2 rw\n"
                       "21 0 1:3 / / rw,relatime - ext4 /dev/root rw\n");
  QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("by-uuid")));
  const QString byUuid = dir.filePath(QStringLiteral("by-uuid"));
  QVERIFY(QFile::link(QStringLiteral("/dev/zero"), byUuid + QStringLiteral("/0000-FFFF")));
  if (rootUuid)
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), byUuid + QStringLiteral("/1a2b-3c4d")));
  TLinuxMachineIdentity identity(idFile, mountInfo, byUuid);
  QCOMPARE(identity.SerialNumber(), serial);
}

void TstAdminMode::passwordTurnsModeOnAndMarkerSurvivesRestart() {
  TRegistry registry;
  TFixedIdentity machine;
  machine.Serial = QStringLiteral("1A2B3C4D");
  TAdminMode mode(registry, machine);
  mode.Load(QString());
  QVERIFY(!mode.On());
  QVERIFY(mode.Enter(kPassword));
  QVERIFY(mode.On());
  QVERIFY(mode.Kept());
  const QString marker = registry.Read(QStringLiteral("Forms"), QStringLiteral("Param0")).toString();
  QCOMPARE(marker, QStringLiteral("7H:K=N@Q"));

  TAdminMode restarted(registry, machine);
  restarted.Load(marker);
  QVERIFY(restarted.On());

  restarted.TurnOff();
  QVERIFY(!restarted.On());
  QVERIFY(!registry.ValueExists(QStringLiteral("Forms"), QStringLiteral("Param0")));
}

void TstAdminMode::markerOfAnotherMachineKeepsModeOff() {
  TRegistry registry;
  TFixedIdentity machine;
  machine.Serial = QStringLiteral("1A2B3C4D");
  TAdminMode mode(registry, machine);
  mode.Load(AdminScramble(QStringLiteral("1A2B3C4E")));
  QVERIFY(!mode.On());
  // The marker unscrambled, not the plain number, is what must match.
  mode.Load(QStringLiteral("1A2B3C4D"));
  QVERIFY(!mode.On());
}

void TstAdminMode::wrongPasswordChangesNothing() {
  TRegistry registry;
  TFixedIdentity machine;
  machine.Serial = QStringLiteral("1A2B3C4D");
  TAdminMode mode(registry, machine);
  for (const QString& wrong : {QString(), kPassword.left(7), kPassword + QLatin1Char('x'),
                               kPassword.toLower(), AdminScramble(kPassword)}) {
    QVERIFY2(!mode.Enter(wrong), qPrintable(wrong));
    QVERIFY(!mode.On());
  }
  QVERIFY(!registry.ValueExists(QStringLiteral("Forms"), QStringLiteral("Param0")));
}

void TstAdminMode::machineWithoutIdentityCannotKeepTheMode() {
  TRegistry registry;
  TFixedIdentity machine; // no identity
  TAdminMode mode(registry, machine);
  QVERIFY(mode.Enter(kPassword));
  QVERIFY(mode.On());
  QVERIFY(!mode.Kept());
  QVERIFY(!registry.ValueExists(QStringLiteral("Forms"), QStringLiteral("Param0")));
  // An empty marker never matches an empty identity.
  mode.Load(QString());
  QVERIFY(!mode.On());
}

QTEST_GUILESS_MAIN(TstAdminMode)
#include "tst_admin_mode.moc"
