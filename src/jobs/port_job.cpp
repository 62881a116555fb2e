#include "jobs/port_job.h"

#include "core/comm_port_driver.h"
#include "core/log_file.h"
#include "device/commands.h"
#include "device/port_info.h"
#include "jobs/port_session.h"
#include "settings/settings_files.h"
#include "updates/crypto/checksums.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

constexpr int kStepMs = 50;

QString Generation(TVersionType aVersion) {
  switch (aVersion) {
  case vtVersion0:
    return QStringLiteral("0");
  case vtVersion1:
    return QStringLiteral("1");
  case vtVersion2:
    return QStringLiteral("2");
  case vtVersion3:
    return QStringLiteral("3");
  default:
    return QString();
  }
}

// "message: path", without the full stop some messages end in.
QString WithPath(QString aText, const QString& aPath) {
  if (aText.endsWith(QLatin1Char('.')))
    aText.chop(1);
  return aText + QStringLiteral(": ") + aPath;
}

} // namespace

TPortJob::TPortJob(const TSerialPortEntry& aEntry, const TJobRequest& aRequest, TRegistry& aRegistry,
                   QObject* aParent)
    : QObject(aParent), FRequest(aRequest),
      FOwnSession(std::make_unique<TPortSession>(aEntry, aRegistry, aRequest.Language, aRequest.Password)),
      FSession(FOwnSession.get()) {
  Wire(aEntry);
}

TPortJob::TPortJob(TPortSession& aSession, const TJobRequest& aRequest, QObject* aParent)
    : QObject(aParent), FRequest(aRequest), FSession(&aSession) {
  FRequest.LogDir.clear();
  Wire(aSession.Entry());
}

void TPortJob::Wire(const TSerialPortEntry& aEntry) {
  FStepTimer.setInterval(kStepMs);
  connect(&FStepTimer, &QTimer::timeout, this, &TPortJob::Step);
  FWatchdog.setSingleShot(true);
  connect(&FWatchdog, &QTimer::timeout, this, [this] {
    const QString seconds = QString::number(FRequest.TimeoutMs / 1000.0);
    Fail((FStage == stIdentity ? Text("cli_noanswer") : Text("cli_timeout")).arg(seconds));
  });
  FMonitorEnd.setSingleShot(true);
  connect(&FMonitorEnd, &QTimer::timeout, this, &TPortJob::Stop);
  // The next step is taken as soon as the session has news, but never inside the decoder that
  // brought it; the step timer covers what changes without news (the send queue emptying).
  connect(FSession, &TPortSession::Changed, this, &TPortJob::Step, Qt::QueuedConnection);
  connect(FSession, &TPortSession::Hint, this, &TPortJob::OnHint);
  connect(FSession, &TPortSession::Progress, this, &TPortJob::OnProgress);
  connect(FSession, &TPortSession::Value, this, &TPortJob::OnValue);
  FJson.insert(QStringLiteral("port"), PortName());
  FJson.insert(QStringLiteral("hardwareId"), aEntry.HardwareId);
}

TPortJob::~TPortJob() = default;

QString TPortJob::PortName() const {
  return FSession->PortName();
}

QString TPortJob::Text(const char* aKey) const {
  return FSession->Translate(QString::fromLatin1(aKey));
}

void TPortJob::Kick() {
  FWatchdog.start(FRequest.TimeoutMs);
}

void TPortJob::Start() {
  // Stopped before it began (a signal while the schemas were being fetched).
  if (FDone)
    return;
  Kick();
  if (!FSession->Started() && !FSession->Start()) {
    Fail(Text("cli_openfailed"));
    return;
  }
  FStepTimer.start();
}

void TPortJob::Stop() {
  if (FRequest.Command == jcMonitor && FStage == stWatching)
    Finish(true, QString());
  else
    Fail(Text("cli_interrupted"));
}

bool TPortJob::Identified() const {
  const TPortInfo* port = FSession->Q();
  if (!port)
    return false;
  switch (FSession->Core().Version()) {
  case vtVersion1:
    return !port->WaitInfo();
  case vtVersion3:
    return !port->DeviceVer().isEmpty();
  case vtVersion0:
  case vtVersion2:
    return true;
  default:
    return false;
  }
}

void TPortJob::Identity() {
  const TPortInfo* port = FSession->Q();
  FJson.insert(QStringLiteral("generation"), Generation(FSession->Core().Version()));
  FJson.insert(QStringLiteral("type"), port->DeviceVer());
  FJson.insert(QStringLiteral("id"), port->DeviceName());
  FJson.insert(QStringLiteral("imei"), port->DeviceIMEI());
  FJson.insert(QStringLiteral("software"), port->DeviceSOFT());
}

void TPortJob::Step() {
  if (FDone)
    return;
  TPortInfo* port = FSession->Q();
  switch (FStage) {
  case stIdentity:
    if (!Identified())
      return;
    Identity();
    StartWork();
    return;
  case stSettings:
    if (!port)
      return;
    if (!FSession->SchemaLoaded() && !FSession->SchemaError().isEmpty()) {
      // Without the type's page the window cannot read the password either.
      if (FRequest.Command == jcFirmware)
        StartOperationRow(QStringLiteral("act_UpdateSoftLocal"));
      else
        Fail(FSession->SchemaError());
      return;
    }
    if (port->ReadLockState() == 1) {
      Fail(Text("cli_readlocked"));
      return;
    }
    if (FSession->SchemaLoaded() && FSession->DeviceImages() > FImagesSeen)
      SettingsArrived();
    return;
  case stStorage:
    if (port && (port->FMemoryOffset != 0 || port->FFileOffset != 0)) {
      if (FRequest.Command == jcDumpMemory)
        StartOperationRow(QStringLiteral("MemoryRead"));
      else
        StartOperationRow(QStringLiteral("FilereadAll"));
    }
    return;
  case stRunning:
    if (FRequest.Command == jcCommand && port) {
      if (port->ReadLockState() == -1)
        return; // the service adapter still waits for its typed password
      if (!FCommandSent) {
        RunCommand();
        return;
      }
      if (port->QueuedCount() == 0)
        Finish(true, Text("cli_sent") + QStringLiteral(": ") + FRequest.Ident);
    }
    return;
  case stVerify:
    if (FSaved && FSession->DeviceImages() > FImagesSeen) {
      // The bytes the device reads back, not a page rebuilt from them: what the page cannot
      // describe would be rebuilt the same way and hide a loss.
      bool decoded = false;
      const TDecodedImage readBack = DecodeSettingsImage(
          FSession->Layout(), Base64Decode(FSession->LastDeviceImage().trimmed(), &decoded));
      const TImageEntries stored = EntriesByNumber(readBack.Entries);
      const TImageEntries sent = EntriesByNumber(DecodeSettingsImage(FSession->Layout(), FSentImage).Entries);
      bool same = decoded && readBack.Valid && !readBack.Truncated;
      for (auto it = sent.cbegin(); same && it != sent.cend(); ++it)
        same = stored.contains(it.key()) && stored.value(it.key()) == it.value();
      if (!same)
        Fail(Text("cli_verifyfailed"));
      else if (!FNewPassword.isEmpty())
        Finish(true, Text("cli_settingswritten") + QStringLiteral("; ") + Text("cli_passwordchanged"));
      else
        Finish(true, Text("cli_settingswritten"));
    }
    return;
  case stWatching:
    return;
  }
}

void TPortJob::StartWork() {
  Kick();
  TPortInfo* port = FSession->Q();
  switch (FRequest.Command) {
  case jcList:
  case jcIdentify:
    Finish(true, QString());
    return;
  case jcMonitor:
    FStage = stWatching;
    // Watching has no end of its own: only the time asked for, or a signal, ends it.
    FWatchdog.stop();
    if (FRequest.Seconds > 0)
      FMonitorEnd.start(FRequest.Seconds * 1000);
    return;
  case jcReadSettings:
  case jcWriteSettings:
  case jcDiffSettings:
    if (port->DeviceVer() == QLatin1String("250")) {
      Fail(Text("cli_fuelmaster"));
      return;
    }
    FStage = stSettings;
    Step();
    return;
  case jcFirmware:
    FStage = stSettings;
    Step();
    return;
  case jcCommand:
    FStage = stRunning;
    Step();
    return;
  case jcDumpMemory:
  case jcReadFiles:
    FStage = stStorage;
    Step();
    return;
  }
}

void TPortJob::SettingsArrived() {
  FImagesSeen = FSession->DeviceImages();
  const TSettingsPageValues::TApplied& applied = FSession->LastDeviceApplied();
  if (!applied.Valid) {
    Fail(Text("mes_deviceimagedamaged"));
    return;
  }
  for (const auto& error : applied.Errors)
    Q_EMIT Note(PortName() + QStringLiteral(": ") + QString::number(error.first) + QStringLiteral(": ") +
                error.second);
  if (FRequest.Command == jcFirmware) {
    StartOperationRow(QStringLiteral("act_UpdateSoftLocal"));
    return;
  }
  // What a damaged image did not carry (the password among it) is not the technician's error.
  if (!applied.Errors.isEmpty()) {
    Fail(Text("mes_deviceimagedamaged") + QStringLiteral(": ") +
         QString::number(applied.Errors.first().first) + QStringLiteral(": ") +
         applied.Errors.first().second);
    return;
  }
  TPortInfo* port = FSession->Q();
  // The window offers opening, saving and writing only once the password is the device's.
  if (port->WriteLocked()) {
    Fail(Text("cli_writelocked"));
    return;
  }
  if (FRequest.Command == jcWriteSettings) {
    WriteSettings();
    return;
  }
  if (FRequest.Command == jcDiffSettings) {
    DiffSettings();
    return;
  }
  const int layout = FSession->Layout();
  const auto error =
      FSession->Page().FirstError([this](const QString& aKey) { return FSession->Translate(aKey); });
  if (error) {
    Fail(error->second);
    return;
  }
  const TBuiltImage built = layout == 1 || layout == 2 ? FSession->Page().Build(layout) : TBuiltImage();
  if (built.Refused()) {
    Fail(RefusedValueText(FSession->Model().Rows.at(built.RefusedRow),
                          [this](const QString& aKey) { return FSession->Translate(aKey); }));
    return;
  }
  // Saved as the device holds them; said, as the page marks them.
  const auto translate = [this](const QString& aKey) { return FSession->Translate(aKey); };
  const QList<TSetting>& rows = FSession->Model().Rows;
  for (int i = 0; i < rows.size(); ++i)
    if (FSession->Page().HoldsOwnValueOutside(i, translate))
      Q_EMIT Note(PortName() + QStringLiteral(": ") + QString::number(rows.at(i).Number) +
                  QStringLiteral(": ") + FSession->Page().ShownText(i) + QStringLiteral(": ") +
                  Text("mes_ownvalue"));
  const QString text = built.Image.isEmpty() ? QString() : Base64Encode(built.Image);
  if (!text.isEmpty() && WriteConfigFile(FRequest.Path, text))
    Finish(true, WithPath(Text("mes_filesave"), FRequest.Path));
  else
    Fail(WithPath(Text("mes_filesaveerror"), FRequest.Path));
}

void TPortJob::WriteSettings() {
  TPortInfo* port = FSession->Q();
  const int layout = FSession->Layout();
  const std::optional<QString> text = ReadConfigFile(FRequest.Path);
  if (!text) {
    Fail(WithPath(Text("mes_fileopenerror"), FRequest.Path));
    return;
  }
  const auto translate = [this](const QString& aKey) { return FSession->Translate(aKey); };
  const TSettingsPageValues::TApplied applied = FSession->Page().ApplyFile(layout, *text, translate);
  if (applied.Fault) {
    Fail(WithPath(FileFaultText(*applied.Fault, translate), FRequest.Path));
    return;
  }
  if (!applied.Valid || !applied.Errors.isEmpty() || applied.Given == 0) {
    Fail(WithPath(Text("mes_filedataerror"), FRequest.Path));
    return;
  }
  const auto error = FSession->Page().FirstError(translate);
  if (error) {
    Fail(error->second);
    return;
  }
  if (port->WriteLocked()) {
    Fail(Text("cli_writelocked"));
    return;
  }
  const QString password = port->UserPassword();
  if (password.isEmpty()) {
    Fail(Text("mes_passwordempty"));
    return;
  }
  const TBuiltImage built = layout == 1 || layout == 2 ? FSession->Page().Build(layout) : TBuiltImage();
  if (built.Refused()) {
    Fail(RefusedValueText(FSession->Model().Rows.at(built.RefusedRow), translate));
    return;
  }
  // An image without entries would tell the device nothing and still be answered as saved.
  if (built.Entries == 0) {
    Fail(Text("mes_settingsempty"));
    return;
  }
  // The file's password is one value among the others: it goes out under the device's current
  // one and is the device's only once the device has taken it.
  FNewPassword.clear();
  for (const TImageEntry& e : DecodeSettingsImage(layout, built.Image).Entries)
    if (e.Number == kPasswordSetting && FromLogCodePage(e.Value) != port->DevicePassword())
      FNewPassword = FromLogCodePage(e.Value);
  FSentImage = built.Image;
  FImagesSeen = FSession->DeviceImages();
  FStage = stVerify;
  Kick();
  const QByteArray line = Base64Encode(built.Image).toLatin1();
  if (port->DeviceVer() == QLatin1String("1"))
    port->SendAnsiString("settings set " + line + "\r\n");
  else
    port->SendAnsiString(ToLogCodePage(password) + "*CONF*" + line + "\r\n");
}

void TPortJob::DiffSettings() {
  const int layout = FSession->Layout();
  const std::optional<QString> text = ReadConfigFile(FRequest.Path);
  if (!text) {
    Fail(WithPath(Text("mes_fileopenerror"), FRequest.Path));
    return;
  }
  TSettingsPageValues file(FSession->Model());
  const TSettingsPageValues::TApplied applied = file.ApplyImage(layout, *text);
  if (!applied.Valid) {
    Fail(WithPath(Text("mes_filedataerror"), FRequest.Path));
    return;
  }
  const TSettingsPageValues& device = FSession->Page();
  const QList<TSetting>& rows = FSession->Model().Rows;
  QJsonArray differences;
  for (int i = 0; i < rows.size(); ++i) {
    // What writing the file would change: a setting the file leaves alone stays as it is.
    if (!file.HoldsValue(i) || file.ShownText(i) == device.ShownText(i))
      continue;
    const QString caption = FSession->Translate(rows.at(i).TextBefore);
    QJsonObject d;
    d.insert(QStringLiteral("number"), rows.at(i).Number);
    d.insert(QStringLiteral("caption"), caption);
    d.insert(QStringLiteral("device"), device.ShownText(i));
    d.insert(QStringLiteral("file"), file.ShownText(i));
    differences.append(d);
    if (FRequest.Json)
      Q_EMIT Output(QString::fromUtf8(QJsonDocument(d).toJson(QJsonDocument::Compact)));
    else
      Q_EMIT Output(QString::number(rows.at(i).Number) + QLatin1Char('\t') + caption + QLatin1Char('\t') +
                    device.ShownText(i) + QLatin1Char('\t') + file.ShownText(i));
  }
  FJson.insert(QStringLiteral("differences"), differences);
  Finish(true, Text("cli_differences") + QStringLiteral(": ") + QString::number(differences.size()));
}

void TPortJob::RunCommand() {
  TPortInfo* port = FSession->Q();
  TCommands& commands = FSession->Commands();
  commands.Fill();
  const int index = commands.Table().Find(FRequest.Ident, port);
  if (index < 0) {
    Fail(Text("cli_nocommand").arg(FRequest.Ident));
    return;
  }
  if (commands.Table().Rows().at(index).Operation >= 1) {
    Fail(Text("cli_operationrow").arg(FRequest.Ident));
    return;
  }
  // The device refused the password: it would refuse the command too.
  if (port->ReadLockState() == 1) {
    Fail(Text("cli_readlocked"));
    return;
  }
  commands.Do(index);
  // The step ends the job once the queue has gone out.
  FCommandSent = true;
  Step();
}

void TPortJob::StartOperationRow(const QString& aRow) {
  TPortInfo* port = FSession->Q();
  TCommands& commands = FSession->Commands();
  commands.Fill();
  const int index = commands.Table().Find(aRow, port);
  const int operation = index >= 0 ? commands.Table().Rows().at(index).Operation : 0;
  if (operation < 1) {
    Fail(Text("cli_nooperation"));
    return;
  }
  switch (FRequest.Command) {
  case jcDumpMemory:
    FSession->SetOperationFiles(QString(), FRequest.Path, QString());
    break;
  case jcReadFiles:
    FSession->SetOperationFiles(QString(), QString(), FRequest.Path);
    break;
  default:
    FSession->SetOperationFiles(FRequest.Path, QString(), QString());
    break;
  }
  FStage = stRunning;
  Kick();
  QString refusal;
  auto keep = connect(FSession, &TPortSession::Hint, this,
                      [&refusal](int, const QString& aText) { refusal = aText; });
  commands.Do(index);
  disconnect(keep);
  if (!FDone && port->Operation() != operation)
    Fail(refusal.isEmpty() ? Text("cli_nooperation") : refusal);
}

void TPortJob::OnHint(int aKind, const QString& aText) {
  if (FDone)
    return;
  // A device that vanished answers nothing more, whatever the job waits for; watching included,
  // which has no time-out of its own.
  if (aKind == 0 && aText == Text("mes_devicelost")) {
    Fail(aText);
    return;
  }
  if (FStage == stVerify) {
    if (aText == Text("SR0"))
      Fail(aText);
    else if (aText == Text("SR1")) {
      FSaved = true;
      Kick();
    }
    return;
  }
  if (FStage != stRunning || FRequest.Command == jcCommand)
    return;
  if (FRequest.Command == jcReadFiles) {
    FilesHint(aKind, aText);
    return;
  }
  if (aKind == 0) {
    Fail(aText);
    return;
  }
  switch (FRequest.Command) {
  case jcDumpMemory:
    if (aText == Text("mes_filesave"))
      Finish(true, WithPath(aText, FRequest.Path));
    break;
  case jcFirmware:
    if (aKind == 1 && aText == Text("mes_deviceupdatecomplete"))
      Finish(true, aText);
    break;
  default:
    break;
  }
}

void TPortJob::FilesHint(int aKind, const QString& aText) {
  // The end of a file reading tells what was not written and what was in several hints, one
  // right after another: the result holds all of them, and any failure fails the port.
  if (aKind == 0)
    FFileErrors << aText;
  else if (aText.startsWith(Text("mes_devicefileok")) || aText == Text("mes_devicefileempty"))
    FFileSummary = aText;
  else
    return;
  if (FFilesEndPosted)
    return;
  FFilesEndPosted = true;
  QTimer::singleShot(0, this, [this] {
    if (FFileErrors.isEmpty())
      Finish(true, FFileSummary);
    else
      Fail((FFileSummary.isEmpty() ? FFileErrors : FFileErrors + QStringList(FFileSummary))
               .join(QStringLiteral("; ")));
  });
}

void TPortJob::OnProgress(qint64 aPosition, qint64 aCount) {
  if (FDone || aCount < 1)
    return;
  Kick();
  const int percent = int(qBound(qint64(0), aPosition * 100 / aCount, qint64(100)));
  if (percent == FLastPercent)
    return;
  FLastPercent = percent;
  Q_EMIT Note(PortName() + QStringLiteral(": ") + QString::number(percent) + QLatin1Char('%'));
}

void TPortJob::OnValue(const QString& aIdent, const QString& aCaption, const QString& aText) {
  if (FDone || FRequest.Command != jcMonitor)
    return;
  if (FRequest.Json) {
    QJsonObject value;
    value.insert(QStringLiteral("port"), PortName());
    value.insert(QStringLiteral("ident"), aIdent);
    value.insert(QStringLiteral("caption"), aCaption);
    value.insert(QStringLiteral("value"), aText);
    Q_EMIT Output(QString::fromUtf8(QJsonDocument(value).toJson(QJsonDocument::Compact)));
  } else {
    Q_EMIT Output(aIdent + QLatin1Char('\t') + aCaption + QLatin1Char('\t') + aText);
  }
}

void TPortJob::Finish(bool aOk, const QString& aText) {
  if (FDone)
    return;
  FDone = true;
  FOk = aOk;
  // Some operations end their progress display before their last step reports: done is all of it.
  if (aOk && FLastPercent >= 0 && FLastPercent < 100)
    Q_EMIT Note(PortName() + QStringLiteral(": 100%"));
  FResult = aText;
  FStepTimer.stop();
  FWatchdog.stop();
  FMonitorEnd.stop();
  // The rest waits for the event loop: this may run inside the port's own receive path.
  QTimer::singleShot(0, this, [this] {
    if (!FRequest.LogDir.isEmpty()) {
      QString error;
      if (!FSession->SaveLog(FRequest.LogDir, &error)) {
        FOk = false;
        FResult = Text("cli_logerror") + QStringLiteral(": ") + error;
      }
    }
    // The port is given back at once: a script may open it again right after. A step of a longer
    // run leaves that to the run.
    if (TPortInfo* port = FSession->Q(); port && FOwnSession)
      port->Com()->Disconnect();
    FJson.insert(QStringLiteral("ok"), FOk);
    if (!FResult.isEmpty())
      FJson.insert(FOk ? QStringLiteral("result") : QStringLiteral("error"), FResult);
    Q_EMIT Finished();
  });
}
