#pragma once

// Simulated trackers of type 305 (velmora-devsim on pseudo-terminals behind links "simN") for the
// benchmarks of a box of devices, with one configuration file read from the first of them
// ("box.cfg" in the farm's folder). Per-user state of the runs stays in the temporary folder.

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>
#include <memory>
#include <vector>

struct TFarm {
  QTemporaryDir Dir;
  std::vector<std::unique_ptr<QProcess>> Simulators;
  QProcessEnvironment Env = QProcessEnvironment::systemEnvironment();
  bool Ready = false;
  QString ExtraPorts;

  static QString Bin(const char* aName) {
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(aName);
  }

  explicit TFarm(int aDevices) {
    // Per-user state of these runs stays in the temporary folder.
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "APPDATA"})
      Env.insert(QLatin1String(name), Dir.path());
    QStringList ports;
    for (int i = 0; i < aDevices; ++i) {
      const QString link = Dir.filePath(QStringLiteral("sim%1").arg(i));
      auto sim = std::make_unique<QProcess>();
      sim->start(Bin("velmora-devsim"),
                 {QStringLiteral("--gen"), QStringLiteral("1"), QStringLiteral("--type"),
                  QStringLiteral("305"), QStringLiteral("--id"), QString::number(700 + i),
                  QStringLiteral("--rate"), QStringLiteral("300"), QStringLiteral("--link"), link});
      if (!sim->waitForStarted(5000))
        return;
      Simulators.push_back(std::move(sim));
      for (int k = 0; k < 100 && !QFileInfo::exists(link); ++k)
        QThread::msleep(50);
      ports << link + QStringLiteral("=USB\\VID_0483&PID_5740&REV_0200");
    }
    Env.insert(QStringLiteral("VELMORA_EXTRA_PORTS"), ports.join(QLatin1Char(',')));
    ExtraPorts = ports.join(QLatin1Char(','));
    Ready = Cli(
        {QStringLiteral("read-settings"), QStringLiteral("sim0"), Dir.filePath(QStringLiteral("box.cfg"))});
  }
  ~TFarm() {
    for (const auto& sim : Simulators) {
      sim->terminate();
      sim->waitForFinished(5000);
    }
  }

  bool Cli(const QStringList& aArgs) const {
    QProcess cli;
    cli.setProcessEnvironment(Env);
    cli.start(Bin("velmora-cli"), aArgs);
    return cli.waitForFinished(120000) && cli.exitStatus() == QProcess::NormalExit && cli.exitCode() == 0;
  }
};
