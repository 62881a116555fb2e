// Installing the device access rules: the archive the program carries, its safe extraction, the
// elevated run and how its end is reported, and the installer script itself run unprivileged
// against a temporary rules folder.

#include "core/drivers_installer.h"
#include "core/port_list.h"
#include "core/zip_extract.h"
#include "platform/elevated_runner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

Q_DECLARE_METATYPE(TDriversResult)
using TEntries = QList<QPair<QString, QByteArray>>;

namespace {

// Answers every run with a scripted result, or runs the program for real (unprivileged) with
// extra arguments, and remembers what it was asked and what the working folder held.
class TFakeRunner : public IElevatedRunner {
public:
  TElevatedResult Answer{true, 0};
  bool Execute = false;
  QStringList ExtraArguments;
  QStringList Calls;
  QString Folder;
  QFile::Permissions ParentPermissions;
  QStringList FolderFiles;
  QByteArray Output;

  void Run(const QString& aProgram, const QStringList& aArguments, const QString& aWorkingFolder,
           std::function<void(TElevatedResult)> aDone) override {
    Calls << aProgram + QLatin1Char(' ') + aArguments.join(QLatin1Char(' '));
    Folder = aWorkingFolder;
    ParentPermissions = QFileInfo(QFileInfo(aWorkingFolder).absolutePath()).permissions();
    FolderFiles = QDir(aWorkingFolder).entryList(QDir::Files, QDir::Name);
    TElevatedResult result = Answer;
    if (Execute) {
      QProcess p;
      p.setProcessChannelMode(QProcess::MergedChannels);
      p.start(aProgram, aArguments + ExtraArguments);
      result = {p.waitForFinished(30000), p.exitCode()};
      Output = p.readAll();
    }
    // Like the real one: the answer comes on a later turn of the event loop.
    QTimer::singleShot(0, [aDone, result] { aDone(result); });
  }
};

void MakeZip(const QString& aPath, const TEntries& aEntries) {
  QuaZip zip(aPath);
  QVERIFY(zip.open(QuaZip::mdCreate));
  for (const auto& [name, data] : aEntries) {
    QuaZipFile f(&zip);
    QVERIFY(f.open(QIODevice::WriteOnly, QuaZipNewInfo(name)));
    f.write(data);
    f.close();
  }
  zip.close();
}

QByteArray ReadFile(const QString& aPath) {
  QFile f(aPath);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A file of the package the program carries.
QByteArray CarriedFile(const QString& aName) {
  QTemporaryDir dir;
  const QString zip = dir.filePath(QStringLiteral("DRIVERS.zip"));
  if (!QFile::copy(QStringLiteral(":/velmora/DRIVERS"), zip))
    return QByteArray();
  QString error;
  if (!ExtractZipSafely(zip, dir.path(), &error))
    return QByteArray();
  return ReadFile(dir.filePath(aName));
}

TDriversResult RunInstaller(TDriversInstaller& aInstaller) {
  QSignalSpy finished(&aInstaller, &TDriversInstaller::Finished);
  aInstaller.Start();
  if (!finished.wait(30000))
    return {doFailed, QStringLiteral("no answer")};
  return finished.at(0).at(0).value<TDriversResult>();
}

} // namespace

class TstDriversInstaller : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void initTestCase() { qRegisterMetaType<TDriversResult>(); }
  void extractionRefusesEntriesLeavingTheFolder_data();
  void extractionRefusesEntriesLeavingTheFolder();
  void extractionOfTrickyArchives();
  void exitStatusDecidesTheOutcome_data();
  void exitStatusDecidesTheOutcome();
  void brokenPackagesStopBeforeAnythingRuns_data();
  void brokenPackagesStopBeforeAnythingRuns();
  void carriedPackageInstallsRulesFile();
  void rulesCoverEveryDeviceThePortListAccepts();
};

void TstDriversInstaller::extractionRefusesEntriesLeavingTheFolder_data() {
  QTest::addColumn<QString>("entry");
  QTest::addColumn<bool>("accepted");
  QTest::newRow("plain") << QStringLiteral("install_drivers.sh") << true;
  QTest::newRow("subfolder") << QStringLiteral("rules/70-velmora.rules") << true;
  QTest::newRow("dot-dot inside") << QStringLiteral("rules/../70-velmora.rules") << true;
  QTest::newRow("parent") << QStringLiteral("../escape.sh") << false;
  QTest::newRow("deep parent") << QStringLiteral("a/../../escape.sh") << false;
  QTest::newRow("backslash parent") << QStringLiteral("..\\escape.sh") << false;
  QTest::newRow("absolute") << QStringLiteral("/tmp/escape.sh") << false;
  QTest::newRow("drive") << QStringLiteral("C:/escape.sh") << false;
}

void TstDriversInstaller::extractionRefusesEntriesLeavingTheFolder() {
  QFETCH(QString, entry);
  QFETCH(bool, accepted);
  QTemporaryDir dir;
  const QString zip = dir.filePath(QStringLiteral("p.zip"));
  // The good entry comes first: a refused archive writes nothing at all.
  MakeZip(zip, {{QStringLiteral("first.txt"), "1"}, {entry, "payload"}});
  QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("out/inner")));
  const QString out = dir.filePath(QStringLiteral("out/inner"));
  QString error;
  QCOMPARE(ExtractZipSafely(zip, out, &error), accepted);
  if (accepted) {
    QCOMPARE(ReadFile(QDir(out).filePath(QDir::cleanPath(entry))), QByteArray("payload"));
    QCOMPARE(ReadFile(QDir(out).filePath(QStringLiteral("first.txt"))), QByteArray("1"));
  } else {
    QVERIFY(error.contains(entry));
    QVERIFY(QDir(out).isEmpty());
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("out/escape.sh"))));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("escape.sh"))));
  }
}

// Archives that stay inside the folder and still try something: a link, a name given twice, an
// entry that inflates far beyond what is allowed.
void TstDriversInstaller::extractionOfTrickyArchives() {
  QTemporaryDir dir;
  const QString out = dir.filePath(QStringLiteral("out"));
  QVERIFY(QDir().mkpath(out));
  QString error;

  // A symbolic link's entry is written as a plain file holding its target, never as a link.
  const QString links = dir.filePath(QStringLiteral("links.zip"));
  {
    QuaZip zip(links);
    QVERIFY(zip.open(QuaZip::mdCreate));
    QuaZipFile f(&zip);
    QuaZipNewInfo info(QStringLiteral("passwd"));
    info.externalAttr = quint32(0120777) << 16;
    QVERIFY(f.open(QIODevice::WriteOnly, info));
    f.write("/etc/passwd");
    f.close();
    zip.close();
  }
  QVERIFY2(ExtractZipSafely(links, out, &error), qPrintable(error));
  QVERIFY(!QFileInfo(QDir(out).filePath(QStringLiteral("passwd"))).isSymLink());
  QCOMPARE(ReadFile(QDir(out).filePath(QStringLiteral("passwd"))), QByteArray("/etc/passwd"));

  // A name given twice keeps the last.
  const QString twice = dir.filePath(QStringLiteral("twice.zip"));
  MakeZip(twice, {{QStringLiteral("same.txt"), "first"}, {QStringLiteral("same.txt"), "second"}});
  QVERIFY2(ExtractZipSafely(twice, out, &error), qPrintable(error));
  QCOMPARE(ReadFile(QDir(out).filePath(QStringLiteral("same.txt"))), QByteArray("second"));

  // 4 MiB of zeros packs into a few KB; unpacking stops at the limit and leaves no part of it.
  const QString bomb = dir.filePath(QStringLiteral("bomb.zip"));
  MakeZip(bomb,
          {{QStringLiteral("small.txt"), "ok"}, {QStringLiteral("zeros.bin"), QByteArray(4 << 20, '\0')}});
  QVERIFY(QFileInfo(bomb).size() < 64 * 1024);
  QVERIFY(!ExtractZipSafely(bomb, out, &error, 1 << 20));
  QVERIFY2(error.contains(QStringLiteral("zeros.bin")), qPrintable(error));
  QVERIFY(!QFile::exists(QDir(out).filePath(QStringLiteral("zeros.bin"))));
  QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden | QDir::System),
           (QStringList{QStringLiteral("passwd"), QStringLiteral("same.txt"), QStringLiteral("small.txt")}));
}

void TstDriversInstaller::exitStatusDecidesTheOutcome_data() {
  QTest::addColumn<bool>("started");
  QTest::addColumn<int>("exitCode");
  QTest::addColumn<int>("outcome");
  QTest::addColumn<QString>("error");
  QTest::newRow("installed") << true << 0 << int(doInstalled) << QString();
  QTest::newRow("dialog dismissed") << true << 126 << int(doDismissed) << QString();
  QTest::newRow("not authorised") << true << 127 << int(doFailed)
                                  << QStringLiteral("installer exit status 127");
  QTest::newRow("script failed") << true << 2 << int(doFailed) << QStringLiteral("installer exit status 2");
  QTest::newRow("crashed") << true << -1 << int(doFailed) << QStringLiteral("installer exit status -1");
  QTest::newRow("not started") << false << -1 << int(doFailed)
                               << QStringLiteral("Не удалось запустить установку с правами администратора");
}

void TstDriversInstaller::exitStatusDecidesTheOutcome() {
  QFETCH(bool, started);
  QFETCH(int, exitCode);
  QFETCH(int, outcome);
  QFETCH(QString, error);
  TFakeRunner runner;
  runner.Answer = {started, exitCode};
  TDriversInstaller installer(runner);
  QSignalSpy installing(&installer, &TDriversInstaller::Installing);
  const TDriversResult result = RunInstaller(installer);
  QCOMPARE(int(result.Outcome), outcome);
  QCOMPARE(result.Error, error);
  QCOMPARE(installing.count(), 1);
  QVERIFY(!installer.Running());
  // The carried package: the script run by the shell from a folder nobody else can write to.
  QCOMPARE(runner.Calls.size(), 1);
  QVERIFY(runner.Calls[0].startsWith(QStringLiteral("/bin/sh ") + runner.Folder +
                                     QStringLiteral("/install_drivers.sh")));
  QVERIFY(QFileInfo(runner.Folder)
              .fileName()
              .contains(QRegularExpression(QStringLiteral("^driver_unpack_\\{[0-9a-f-]{36}\\}$"))));
  QCOMPARE(runner.FolderFiles,
           (QStringList{QStringLiteral("70-velmora.rules"), QStringLiteral("install_drivers.sh")}));
  QCOMPARE(runner.ParentPermissions & (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                       QFile::ReadOther | QFile::WriteOther | QFile::ExeOther),
           QFile::Permissions());
  // Whatever the end, nothing is left behind.
  QVERIFY(!QFileInfo::exists(QFileInfo(runner.Folder).absolutePath()));
}

void TstDriversInstaller::brokenPackagesStopBeforeAnythingRuns_data() {
  QTest::addColumn<TEntries>("entries");
  QTest::addColumn<QString>("error");
  QTest::newRow("no installer") << TEntries{{QStringLiteral("70-velmora.rules"), "x"}}
                                << QStringLiteral("install_drivers.sh не найден.");
  QTest::newRow("installer in a subfolder") << TEntries{{QStringLiteral("sub/install_drivers.sh"), "exit 0"}}
                                            << QStringLiteral("install_drivers.sh не найден.");
  QTest::newRow("entry leaves the folder")
      << TEntries{{QStringLiteral("install_drivers.sh"), "exit 0"},
                  {QStringLiteral("../../install_drivers.sh"), "rm -rf /"}}
      << QStringLiteral("archive entry leaves the folder: ../../install_drivers.sh");
  QTest::newRow("not an archive") << TEntries() << QString();
}

void TstDriversInstaller::brokenPackagesStopBeforeAnythingRuns() {
  QFETCH(TEntries, entries);
  QFETCH(QString, error);
  QTemporaryDir dir;
  const QString zip = dir.filePath(QStringLiteral("DRIVERS"));
  if (entries.isEmpty()) {
    QFile f(zip);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("PK\x03\x04 this is no archive");
  } else {
    MakeZip(zip, entries);
  }
  TFakeRunner runner;
  TDriversInstaller installer(runner, zip);
  const TDriversResult result = RunInstaller(installer);
  QCOMPARE(int(result.Outcome), int(doFailed));
  if (!error.isEmpty())
    QCOMPARE(result.Error, error);
  else
    QVERIFY(result.Error.startsWith(QStringLiteral("cannot open archive")));
  QVERIFY(runner.Calls.isEmpty());
}

void TstDriversInstaller::carriedPackageInstallsRulesFile() {
  // The real script from the carried package, run without privileges into a rules folder of the
  // test's own.
  QTemporaryDir rules;
  TFakeRunner runner;
  runner.Execute = true;
  runner.ExtraArguments = {rules.filePath(QStringLiteral("rules.d"))};
  TDriversInstaller installer(runner);
  const TDriversResult result = RunInstaller(installer);
  QVERIFY2(result.Outcome == doInstalled, runner.Output.constData());
  const QString installed = rules.filePath(QStringLiteral("rules.d/70-velmora.rules"));
  const QByteArray carried = CarriedFile(QStringLiteral("70-velmora.rules"));
  QVERIFY(!carried.isEmpty());
  QCOMPARE(ReadFile(installed), carried);
  // 0644, whatever the umask of whoever runs it.
  QCOMPARE(QFileInfo(installed).permissions() & 0x7077,
           QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
  QCOMPARE(QDir(rules.filePath(QStringLiteral("rules.d")))
               .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
           QStringList{QStringLiteral("70-velmora.rules")});
}

void TstDriversInstaller::rulesCoverEveryDeviceThePortListAccepts() {
  const QString text = QString::fromUtf8(CarriedFile(QStringLiteral("70-velmora.rules")));
  QVERIFY(text.contains(QStringLiteral("SUBSYSTEM!=\"tty\", GOTO=\"velmora_end\"")));
  QVERIFY(text.contains(QStringLiteral("LABEL=\"velmora_end\"")));
  const QRegularExpression rule(
      QStringLiteral("^ATTRS\\{idVendor\\}==\"([0-9a-f]{4})\", ATTRS\\{idProduct\\}==\"([0-9a-f]{4})\", "
                     "(?:ENV\\{ID_USB_INTERFACE_NUM\\}==\"([0-9]{2})\", )?TAG\\+=\"uaccess\", "
                     "ENV\\{ID_MM_DEVICE_IGNORE\\}=\"1\"$"));
  QStringList covered;
  for (const QString& line : text.split(QLatin1Char('\n'))) {
    if (!line.startsWith(QStringLiteral("ATTRS")))
      continue;
    const auto m = rule.match(line);
    QVERIFY2(m.hasMatch(), qPrintable(line));
    // The hardware id the port list sees for such a port (sysfs hex is lower-case, ids upper).
    QString id = QStringLiteral("USB\\VID_%1&PID_%2").arg(m.captured(1).toUpper(), m.captured(2).toUpper());
    if (!m.captured(3).isEmpty())
      id += QStringLiteral("&REV_0100&MI_") + m.captured(3);
    QVERIFY2(QualifiesAsDevice(id), qPrintable(id));
    covered << id;
  }
  // Every device the port list serves has its rule; interface 04 is the only one of 1e0e:9011.
  const QStringList expected = {
      QStringLiteral("USB\\VID_0483&PID_5740"), QStringLiteral("USB\\VID_0483&PID_5742"),
      QStringLiteral("USB\\VID_2E3C&PID_5740"), QStringLiteral("USB\\VID_303A&PID_1001"),
      QStringLiteral("USB\\VID_0E8D&PID_0003"), QStringLiteral("USB\\VID_1A86&PID_8040"),
      QStringLiteral("USB\\VID_1CBE&PID_0009"), QStringLiteral("USB\\VID_1E0E&PID_9011&REV_0100&MI_04")};
  QCOMPARE(covered, expected);
  QVERIFY(!QualifiesAsDevice(QStringLiteral("USB\\VID_1E0E&PID_9011&REV_0100&MI_02")));
}

QTEST_GUILESS_MAIN(TstDriversInstaller)
#include "tst_drivers_installer.moc"
