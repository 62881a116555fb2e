#include "platform/elevated_runner.h"

#include <QProcess>
#include <memory>

void TPkexecRunner::Run(const QString& aProgram, const QStringList& aArguments, const QString& aWorkingFolder,
                        std::function<void(TElevatedResult)> aDone) {
  auto* process = new QProcess();
  process->setProgram(QStringLiteral("pkexec"));
  process->setArguments(QStringList{aProgram} + aArguments);
  process->setWorkingDirectory(aWorkingFolder);
  process->setProcessChannelMode(QProcess::ForwardedChannels);
  // Either signal may come first or both may come; the caller hears once.
  auto done = std::make_shared<std::function<void(TElevatedResult)>>(std::move(aDone));
  auto report = [process, done](TElevatedResult aResult) {
    if (!*done)
      return;
    auto callback = std::move(*done);
    *done = nullptr;
    process->deleteLater();
    callback(aResult);
  };
  QObject::connect(process, &QProcess::errorOccurred, process,
                   [process, report](QProcess::ProcessError aError) {
                     if (aError == QProcess::FailedToStart)
                       report({false, -1});
                     else if (process->state() == QProcess::NotRunning)
                       report({true, -1});
                   });
  QObject::connect(process, &QProcess::finished, process, [report](int aCode, QProcess::ExitStatus aStatus) {
    report({true, aStatus == QProcess::NormalExit ? aCode : -1});
  });
  process->start();
}
