// The program's self-update against a copy of a program in a temporary folder, served by the
// web-services simulator: only a good, complete program of this machine that starts is swapped
// in; anything else leaves the installed program as it was.

#include "stand_in_fixture.h"
#include "updates/self_updater.h"
#include "updates/web_client.h"
#include "web_sim.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// The build date the update information announced.
const QDate kAnnounced(2026, 10, 1);

QByteArray ReadAll(const QString& aFileName) {
  QFile f(aFileName);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteAll(const QString& aFileName, const QByteArray& aBytes) {
  QFile f(aFileName);
  return f.open(QIODevice::WriteOnly) && f.write(aBytes) == aBytes.size();
}

// Root writes anywhere; to see a folder as the user would, the test drops that privilege while
// it looks, and takes it back afterwards.
class TNoDacOverride {
public:
  TNoDacOverride() {
    if (::geteuid() != 0)
      return;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    if (::syscall(SYS_capget, &header, FData) != 0)
      return;
    __user_cap_data_struct reduced[2] = {FData[0], FData[1]};
    reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    FDropped = ::syscall(SYS_capset, &header, reduced) == 0;
  }
  ~TNoDacOverride() {
    if (!FDropped)
      return;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    ::syscall(SYS_capset, &header, FData);
  }

private:
  __user_cap_data_struct FData[2]{};
  bool FDropped = false;
};

struct TRig {
  QTemporaryDir Dir;
  QString Program = Dir.filePath(QStringLiteral("bin/velmora"));
  QString Backups = Dir.filePath(QStringLiteral("data/Morvane"));
  QByteArray Installed;
  std::unique_ptr<TWebSim> Sim;
  TWebClient Client;
  TSelfUpdater Updater{Client};

  // The installed program is a copy of a system program; aServed is what the site serves.
  bool Setup(const QByteArray& aServed, const QString& aFault = QString()) {
    QDir().mkpath(Dir.filePath(QStringLiteral("bin")));
    Installed = ReadAll(QStringLiteral("/bin/true"));
    if (!WriteAll(Program, Installed))
      return false;
    QFile::setPermissions(Program, QFile::permissions(QStringLiteral("/bin/true")));
    const QString served = Dir.filePath(QStringLiteral("served"));
    if (!WriteAll(served, aServed))
      return false;
    TWebSimOptions options;
    options.ProgramFile = served;
    if (!aFault.isEmpty()) {
      TWebFault fault;
      QString why;
      if (!TWebFault::Parse(QStringLiteral("/download=") + aFault, &fault, &why))
        return false;
      options.Faults.append(fault);
    }
    Sim = std::make_unique<TWebSim>(options);
    Client.SetLimits({2000, 2000});
    Updater.SetTarget(Program, Backups, QDate(2026, 9, 7));
    return !Sim->Start().isEmpty();
  }
  QUrl Url() const { return QUrl(Sim->BaseUrl() + QStringLiteral("/download/velmora")); }
  bool Untouched() const {
    return ReadAll(Program) == Installed && !QFile::exists(Updater.DownloadPath()) &&
           !QFile::exists(Updater.BackupPath());
  }
};

QByteArray OtherMachine(QByteArray aElf) {
  // e_machine of a 64-bit ARM program.
  aElf[18] = char(183);
  aElf[19] = 0;
  return aElf;
}

} // namespace

class TstSelfUpdater : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void swapsInAGoodProgram();
  void refusesBadDownloads_data();
  void refusesBadDownloads();
  void refusesBeforeDownloading();
  void readOnlyInstallIsLeftToThePackageManager();
};

void TstSelfUpdater::swapsInAGoodProgram() {
  TRig rig;
  const QByteArray served = StandInProgram("velmora 2026-10-01");
  QVERIFY2(!served.isEmpty(), "velmora-stand-in is not built");
  QVERIFY(rig.Setup(served));
  QSignalSpy verified(&rig.Updater, &TSelfUpdater::Verified);
  QSignalSpy failed(&rig.Updater, &TSelfUpdater::Failed);
  const QString sha =
      QString::fromLatin1(QCryptographicHash::hash(served, QCryptographicHash::Sha256).toHex());
  QCOMPARE(int(rig.Updater.Start(rig.Url(), kAnnounced, sha, false)), int(TSelfUpdater::srNone));
  QVERIFY(verified.wait(15000));
  QVERIFY(failed.isEmpty());
  // Verified but not yet swapped: the installed program is still the old one.
  QCOMPARE(ReadAll(rig.Program), rig.Installed);
  QString error;
  QVERIFY2(rig.Updater.Install(&error), qPrintable(error));
  QCOMPARE(ReadAll(rig.Program), served);
  QVERIFY(QFileInfo(rig.Program).isExecutable());
  QCOMPARE(rig.Updater.BackupPath(), rig.Backups + QStringLiteral("/velmora_260907"));
  QCOMPARE(ReadAll(rig.Updater.BackupPath()), rig.Installed);
  QVERIFY(!QFile::exists(rig.Updater.DownloadPath()));
}

void TstSelfUpdater::refusesBadDownloads_data() {
  QTest::addColumn<QByteArray>("served");
  QTest::addColumn<QString>("fault");
  QTest::addColumn<QString>("sha");
  QTest::addColumn<QString>("why");
  const QByteArray echo = ReadAll(QStringLiteral("/bin/echo"));
  const QByteArray good = StandInProgram("velmora 2026-10-01");
  QByteArray corrupt(4096, '\0');
  for (int i = 0; i < corrupt.size(); ++i)
    corrupt[i] = char((i * 131) ^ 0x5a);
  QTest::newRow("corrupt") << corrupt << ""
                           << ""
                           << "not an executable";
  QTest::newRow("truncated") << echo << "truncate"
                             << ""
                             << "";
  QTest::newRow("wrong architecture") << OtherMachine(echo) << ""
                                      << ""
                                      << "another machine";
  QTest::newRow("a script, not a program") << QByteArray("#!/bin/sh\nexit 0\n") << ""
                                           << ""
                                           << "";
  QTest::newRow("checksum differs") << good << "" << QString(64, QLatin1Char('0')) << "checksum";
  // A program of this machine that fails to start: it would not come back after the swap.
  QTest::newRow("does not start") << ReadAll(QStringLiteral("/bin/false")) << ""
                                  << ""
                                  << "does not start";
  // Starting and ending well is not enough: it must be this program, in the announced build.
  QTest::newRow("tells nothing") << ReadAll(QStringLiteral("/bin/true")) << ""
                                 << ""
                                 << "not Velmora";
  QTest::newRow("another program") << echo << ""
                                   << ""
                                   << "not Velmora";
  QTest::newRow("another name") << StandInProgram("velmoraX 2026-10-01") << ""
                                << ""
                                << "not Velmora";
  QTest::newRow("another build") << StandInProgram("velmora 2026-09-07") << ""
                                 << ""
                                 << "announced";
  QTest::newRow("a build with more to say") << StandInProgram("velmora 2026-10-01-rc") << ""
                                            << ""
                                            << "announced";
  QTest::newRow("not found") << echo << "status:404"
                             << ""
                             << "";
  QTest::newRow("empty") << QByteArray() << ""
                         << ""
                         << "";
}

void TstSelfUpdater::refusesBadDownloads() {
  QFETCH(QByteArray, served);
  QFETCH(QString, fault);
  QFETCH(QString, sha);
  QFETCH(QString, why);
  TRig rig;
  QVERIFY(rig.Setup(served, fault));
  QSignalSpy verified(&rig.Updater, &TSelfUpdater::Verified);
  QSignalSpy failed(&rig.Updater, &TSelfUpdater::Failed);
  QCOMPARE(int(rig.Updater.Start(rig.Url(), kAnnounced, sha, false)), int(TSelfUpdater::srNone));
  QVERIFY(failed.wait(15000));
  QVERIFY(verified.isEmpty());
  QVERIFY2(failed.first().first().toString().contains(why), qPrintable(failed.first().first().toString()));
  QVERIFY(rig.Untouched());
  QVERIFY(!rig.Updater.Running());
}

void TstSelfUpdater::refusesBeforeDownloading() {
  TRig rig;
  QVERIFY(rig.Setup(ReadAll(QStringLiteral("/bin/echo"))));
  // A firmware transfer must not lose its port half way.
  QCOMPARE(int(rig.Updater.Start(rig.Url(), kAnnounced, QString(), true)), int(TSelfUpdater::srBusy));
  QCOMPARE(int(rig.Updater.Start(QUrl(QStringLiteral("file:///bin/echo")), kAnnounced, QString(), false)),
           int(TSelfUpdater::srBadAddress));
  QCOMPARE(
      int(rig.Updater.Start(QUrl(QStringLiteral("ftp://127.0.0.1/velmora")), kAnnounced, QString(), false)),
      int(TSelfUpdater::srBadAddress));
  // Without an announced build there is nothing to hold the download to.
  QCOMPARE(int(rig.Updater.Start(rig.Url(), QDate(), QString(), false)), int(TSelfUpdater::srBadAddress));
  QVERIFY(rig.Untouched());
}

void TstSelfUpdater::readOnlyInstallIsLeftToThePackageManager() {
  TRig rig;
  QVERIFY(rig.Setup(ReadAll(QStringLiteral("/bin/echo"))));
  const QString folder = QFileInfo(rig.Program).absolutePath();
  QVERIFY(
      QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup));
  QVERIFY(QFile::setPermissions(rig.Program, QFile::ReadOwner | QFile::ExeOwner));
  TSelfUpdater::TRefusal refusal;
  {
    TNoDacOverride asUser;
    refusal = rig.Updater.Start(rig.Url(), kAnnounced, QString(), false);
  }
  QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  QCOMPARE(int(refusal), int(TSelfUpdater::srReadOnly));
  QVERIFY(rig.Untouched());
}

QTEST_GUILESS_MAIN(TstSelfUpdater)
#include "tst_self_updater.moc"
