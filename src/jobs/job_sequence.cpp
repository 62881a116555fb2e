#include "jobs/job_sequence.h"

#include "core/comm_port_driver.h"
#include "jobs/port_session.h"

#include <QDir>
#include <QTimer>

namespace {

TJobCommand CommandOf(TStepKind aKind) {
  switch (aKind) {
  case skReadSettings:
    return jcReadSettings;
  case skWriteSettings:
    return jcWriteSettings;
  case skFirmware:
    return jcFirmware;
  case skCommand:
    return jcCommand;
  case skDumpMemory:
    return jcDumpMemory;
  case skReadFiles:
    return jcReadFiles;
  case skPrintSticker:
    break;
  }
  return jcIdentify;
}

} // namespace

const char* StepKindKey(TStepKind aKind) {
  switch (aKind) {
  case skReadSettings:
    return "station_readsettings";
  case skWriteSettings:
    return "station_writesettings";
  case skFirmware:
    return "station_firmware";
  case skCommand:
    return "station_command";
  case skDumpMemory:
    return "station_dumpmemory";
  case skReadFiles:
    return "station_readfiles";
  case skPrintSticker:
    return "station_printsticker";
  }
  return "";
}

QString DeviceFileName(const QString& aPortName, const QString& aId) {
  QString name = aPortName;
  if (!aId.isEmpty())
    name += QLatin1Char('_') + aId;
  // Whatever a device calls itself, it names a file in the chosen folder and nothing else.
  for (QChar& c : name)
    if (!(c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_') || c == QLatin1Char('.')))
      c = QLatin1Char('_');
  if (name.startsWith(QLatin1Char('.')))
    name.replace(0, 1, QLatin1Char('_'));
  return name;
}

TJobSequence::TJobSequence(const TSerialPortEntry& aEntry, const TJobPlan& aPlan, TRegistry& aRegistry,
                           IStickerHost* aStickers, QObject* aParent)
    : QObject(aParent), FPlan(aPlan), FStickers(aStickers),
      FSession(std::make_unique<TPortSession>(aEntry, aRegistry, aPlan.Language, aPlan.Password)) {
  connect(FSession.get(), &TPortSession::Progress, this, [this](qint64 aPosition, qint64 aCount) {
    if (FDone || aCount < 1)
      return;
    const int percent = int(qBound(qint64(0), aPosition * 100 / aCount, qint64(100)));
    if (percent != FPercent) {
      FPercent = percent;
      Q_EMIT Changed();
    }
  });
  FIdentity.insert(QStringLiteral("port"), FSession->PortName());
}

TJobSequence::~TJobSequence() {
  *FAlive = false;
  // The job goes before the session it watches.
  FJob.reset();
}

void TJobSequence::Start() {
  if (FStarted)
    return;
  FStarted = true;
  TJobRequest identify;
  identify.Command = jcIdentify;
  identify.TimeoutMs = FPlan.TimeoutMs;
  identify.Language = FPlan.Language;
  identify.Password = FPlan.Password;
  RunJob(identify);
}

void TJobSequence::Stop() {
  if (FDone)
    return;
  if (FJob && !FJob->Done()) {
    // Its end comes back through JobFinished, as any other.
    FJob->Stop();
    return;
  }
  Finish(false, FSession->Translate(QStringLiteral("cli_interrupted")));
}

TJobRequest TJobSequence::RequestFor(const TPlanStep& aStep) const {
  TJobRequest request;
  request.Command = CommandOf(aStep.Kind);
  request.TimeoutMs = FPlan.TimeoutMs;
  request.Language = FPlan.Language;
  request.Password = FPlan.Password;
  const QString name = DeviceFileName(FSession->PortName(), FIdentity.value(QStringLiteral("id")).toString());
  switch (aStep.Kind) {
  case skReadSettings:
    request.Path = QDir(aStep.Argument).filePath(name + QStringLiteral(".cfg"));
    break;
  case skDumpMemory:
    request.Path = QDir(aStep.Argument).filePath(name + QStringLiteral(".dump"));
    break;
  case skReadFiles:
    request.Path = QDir(aStep.Argument).filePath(name);
    break;
  case skCommand:
    request.Ident = aStep.Argument;
    break;
  default:
    request.Path = aStep.Argument;
    break;
  }
  return request;
}

void TJobSequence::RunJob(const TJobRequest& aRequest) {
  if ((aRequest.Command == jcReadSettings || aRequest.Command == jcDumpMemory ||
       aRequest.Command == jcReadFiles) &&
      !QDir().mkpath(QFileInfo(aRequest.Path).absolutePath())) {
    Finish(false,
           FSession->Translate(QStringLiteral("mes_filesaveerror")) + QStringLiteral(": ") + aRequest.Path);
    return;
  }
  FPercent = -1;
  FJob = std::make_unique<TPortJob>(*FSession, aRequest);
  // Queued: the job is destroyed by what follows, never inside its own signal.
  connect(FJob.get(), &TPortJob::Finished, this, &TJobSequence::JobFinished, Qt::QueuedConnection);
  Q_EMIT Changed();
  FJob->Start();
}

void TJobSequence::JobFinished() {
  if (!FJob || FDone)
    return;
  const std::unique_ptr<TPortJob> job = std::move(FJob);
  const QJsonObject json = job->ResultJson();
  for (const char* key : {"generation", "type", "id", "imei", "software"})
    if (json.contains(QLatin1String(key)))
      FIdentity.insert(QLatin1String(key), json.value(QLatin1String(key)));
  if (!job->Ok()) {
    Finish(false, job->ResultText());
    return;
  }
  if (FStep >= 0)
    FResults << job->ResultText();
  ++FStep;
  NextStep();
}

void TJobSequence::NextStep() {
  if (FStep >= FPlan.Steps.size()) {
    Finish(true, QString());
    return;
  }
  const TPlanStep& step = FPlan.Steps.at(FStep);
  if (step.Kind != skPrintSticker) {
    RunJob(RequestFor(step));
    return;
  }
  TPortInfo* port = FSession->Q();
  if (!FStickers || !port) {
    Finish(false, FSession->Translate(QStringLiteral("station_noprinter")));
    return;
  }
  FPercent = -1;
  Q_EMIT Changed();
  std::weak_ptr<bool> alive = FAlive;
  FStickers->PrintSticker(port->DataPrint(), [this, alive](bool aOk, const QString& aError) {
    // The answer may come at once: the next step waits for the event loop all the same.
    QTimer::singleShot(0, this, [this, alive, aOk, aError] {
      if (alive.expired() || FDone)
        return;
      if (!aOk) {
        Finish(false, aError);
        return;
      }
      FResults << FSession->Translate(QStringLiteral("station_printed"));
      ++FStep;
      NextStep();
    });
  });
}

void TJobSequence::Finish(bool aOk, const QString& aError) {
  if (FDone)
    return;
  FDone = true;
  FOk = aOk;
  FError = aOk ? QString() : aError;
  FDeviceLost = !aOk && aError == FSession->Translate(QStringLiteral("mes_devicelost"));
  FPercent = -1;
  if (FJob && !FJob->Done())
    FJob->Stop();
  // A device lost mid-run leaves the log that tells most.
  if (!FPlan.LogDir.isEmpty()) {
    QString error;
    if (!FSession->SaveLog(FPlan.LogDir, &error, FIdentity.value(QStringLiteral("id")).toString())) {
      const QString text = FSession->Translate(QStringLiteral("cli_logerror")) + QStringLiteral(": ") + error;
      FOk = false;
      FError = FError.isEmpty() ? text : FError + QStringLiteral("; ") + text;
    }
  }
  // The port is free for whoever comes next as soon as the run is over.
  if (TPortInfo* port = FSession->Q())
    port->Com()->Disconnect();
  Q_EMIT Changed();
  QTimer::singleShot(0, this, [this] { Q_EMIT Finished(); });
}
