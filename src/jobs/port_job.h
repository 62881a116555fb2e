#pragma once

#include "platform/serial_enumerator.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <memory>

class TPortSession;
class TRegistry;

enum TJobCommand {
  jcList,
  jcIdentify,
  jcMonitor,
  jcReadSettings,
  jcWriteSettings,
  jcDiffSettings,
  jcCommand,
  jcDumpMemory,
  jcReadFiles,
  jcFirmware,
};

// What one run of the command line asks of every port it serves.
struct TJobRequest {
  TJobCommand Command = jcIdentify;
  // The file or folder argument, already made per port where --all needs it.
  QString Path;
  // The command table row of "command".
  QString Ident;
  bool Json = false;
  // "monitor": how long to watch; 0 until stopped.
  int Seconds = 0;
  // Without progress for this long the port fails.
  int TimeoutMs = 15000;
  // The password typed in the window's password field.
  QString Password;
  // Exchange logs go here when set.
  QString LogDir;
  int Language = 0;
};

// One command on one port: a step machine over a session, ended by its own time-out.
class TPortJob : public QObject {
  Q_OBJECT
public:
  // A job of its own: it opens the port, and at its end saves the log and gives the port back.
  TPortJob(const TSerialPortEntry& aEntry, const TJobRequest& aRequest, TRegistry& aRegistry,
           QObject* aParent = nullptr);
  // One step of a longer run on a session that outlives the job: the port stays open and the
  // log is the run's to save (aRequest.LogDir is not used).
  TPortJob(TPortSession& aSession, const TJobRequest& aRequest, QObject* aParent = nullptr);
  ~TPortJob() override;

  void Start();
  // Ends a job that runs until stopped (monitor) as done; any other as failed.
  void Stop();

  bool Done() const { return FDone; }
  bool Ok() const { return FOk; }
  QString PortName() const;
  // The result for the report: a text and the same as JSON.
  QString ResultText() const { return FResult; }
  QJsonObject ResultJson() const { return FJson; }
  TPortSession& Session() { return *FSession; }

Q_SIGNALS:
  void Finished();
  // A line for standard output as it comes (monitor values).
  void Output(const QString& aLine);
  // A line for standard error (progress, warnings).
  void Note(const QString& aLine);

private:
  enum TStage { stIdentity, stSettings, stStorage, stRunning, stVerify, stWatching };
  void Step();
  void OnHint(int aKind, const QString& aText);
  void FilesHint(int aKind, const QString& aText);
  void OnProgress(qint64 aPosition, qint64 aCount);
  void OnValue(const QString& aIdent, const QString& aCaption, const QString& aText);
  bool Identified() const;
  void Identity();
  void StartWork();
  void SettingsArrived();
  void WriteSettings();
  void DiffSettings();
  void RunCommand();
  void StartOperationRow(const QString& aRow);
  void Finish(bool aOk, const QString& aText);
  void Fail(const QString& aText) { Finish(false, aText); }
  void Kick();
  QString Text(const char* aKey) const;

  void Wire(const TSerialPortEntry& aEntry);

  TJobRequest FRequest;
  std::unique_ptr<TPortSession> FOwnSession;
  TPortSession* FSession = nullptr;
  TStage FStage = stIdentity;
  QTimer FStepTimer;
  QTimer FWatchdog;
  QTimer FMonitorEnd;
  bool FDone = false;
  bool FOk = false;
  QString FResult;
  QJsonObject FJson;
  int FImagesSeen = 0;
  QByteArray FSentImage;
  // The password the written image gives the device, when it changes it.
  QString FNewPassword;
  bool FSaved = false;
  bool FCommandSent = false;
  int FLastPercent = -1;
  QStringList FFileErrors;
  QString FFileSummary;
  bool FFilesEndPosted = false;
};
