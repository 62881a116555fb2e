#include "cli_fixture.h"

#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QTest>
#include <csignal>
#include <sys/resource.h>

namespace {

QString Bin(const char* aName) {
  return qEnvironmentVariable("VELMORA_BIN_DIR") + QLatin1Char('/') + QLatin1String(aName);
}

} // namespace

TSimFarm::TSimFarm() = default;

TSimFarm::~TSimFarm() {
  for (const auto& sim : FSimulators) {
    sim->terminate();
    sim->waitForFinished(5000);
  }
}

bool TSimFarm::Built() {
  return QFileInfo::exists(Bin("velmora-devsim")) && QFileInfo::exists(Bin("velmora-cli"));
}

bool TSimFarm::AddSimulator(const QStringList& aArgs, const QString& aLinkName) {
  const QString link =
      FDir.filePath(aLinkName.isEmpty() ? QStringLiteral("sim%1").arg(FSimulators.size()) : aLinkName);
  auto sim = std::make_unique<QProcess>();
  sim->start(Bin("velmora-devsim"), aArgs + QStringList{QStringLiteral("--link"), link});
  FSimulators.push_back(std::move(sim));
  if (!FSimulators.back()->waitForStarted(5000) ||
      !QTest::qWaitFor([&] { return QFileInfo::exists(link); }, 5000))
    return false;
  AddPort(link);
  return true;
}

bool TSimFarm::StartSettingsService(const QString& aModules) {
  auto web = std::make_unique<QProcess>();
  web->start(Bin("velmora-websim"), {QStringLiteral("--modules"), aModules});
  FSimulators.push_back(std::move(web));
  QProcess& started = *FSimulators.back();
  if (!started.waitForStarted(5000) || !QTest::qWaitFor(
                                           [&] {
                                             started.waitForReadyRead(50);
                                             return started.canReadLine();
                                           },
                                           5000))
    return false;
  FSettingsService = QString::fromLocal8Bit(started.readLine()).trimmed();
  return !FSettingsService.isEmpty();
}

void TSimFarm::AddPort(const QString& aPath) {
  FPorts << aPath + QLatin1Char('=') + kCliTrackerHardwareId;
}

TCliRun TSimFarm::Cli(const QStringList& aArgs, int aWaitMs) const {
  const std::unique_ptr<QProcess> cli = CliStart(aArgs);
  return CliWait(*cli, aWaitMs);
}

std::unique_ptr<QProcess> TSimFarm::CliStart(const QStringList& aArgs) const {
  auto cli = std::make_unique<QProcess>();
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("VELMORA_EXTRA_PORTS"), ExtraPorts());
  if (!FSettingsService.isEmpty())
    env.insert(QStringLiteral("VELMORA_SETTINGS_SERVICE"), FSettingsService);
  cli->setProcessEnvironment(env);
  cli->setWorkingDirectory(FDir.path());
  if (FFileSizeLimit >= 0) {
    const rlim_t bytes = rlim_t(FFileSizeLimit);
    cli->setChildProcessModifier([bytes] {
      // Both survive the exec: the program runs as on a disk that is full past aBytes.
      ::signal(SIGXFSZ, SIG_IGN);
      rlimit limit{};
      ::getrlimit(RLIMIT_FSIZE, &limit);
      limit.rlim_cur = bytes;
      ::setrlimit(RLIMIT_FSIZE, &limit);
    });
  }
  cli->start(Bin("velmora-cli"), aArgs + QStringList{QStringLiteral("--lang"), QStringLiteral("en")});
  return cli;
}

TCliRun TSimFarm::CliWait(QProcess& aCli, int aWaitMs) {
  TCliRun run;
  if (!aCli.waitForFinished(aWaitMs)) {
    aCli.kill();
    aCli.waitForFinished(5000);
    run.Err = QStringLiteral("velmora-cli did not finish");
    return run;
  }
  run.ExitCode = aCli.exitStatus() == QProcess::NormalExit ? aCli.exitCode() : -1;
  run.Out = QString::fromLocal8Bit(aCli.readAllStandardOutput());
  run.Err = QString::fromLocal8Bit(aCli.readAllStandardError());
  return run;
}

QByteArray ReadAll(const QString& aFileName) {
  QFile file(aFileName);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& aFileName, const QByteArray& aBytes) {
  QFile file(aFileName);
  return file.open(QIODevice::WriteOnly) && file.write(aBytes) == aBytes.size();
}
