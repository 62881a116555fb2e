#pragma once

#include "device/port_info.h"
#include "jobs/port_job.h"
#include "platform/serial_enumerator.h"

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>

class TPortSession;
class TRegistry;

// What a run may do to a device, in the order the technician lists them.
enum TStepKind {
  skReadSettings,  // into a folder: <name>.cfg
  skWriteSettings, // a .cfg file, under the plan's password
  skFirmware,      // a firmware image over the line
  skCommand,       // a command table row by its Ident
  skDumpMemory,    // into a folder: <name>.dump
  skReadFiles,     // into a folder: <name>/
  skPrintSticker,  // the device's sticker on the default printer
};

struct TPlanStep {
  TStepKind Kind = skReadSettings;
  // The folder, the file or the command's Ident; nothing for the sticker.
  QString Argument;
};

// A job chosen once for every device of a box.
struct TJobPlan {
  QList<TPlanStep> Steps;
  QString Password;
  // Exchange logs, one per device run, when set.
  QString LogDir;
  int TimeoutMs = 15000;
  int Language = 0;
};

// The sticker of a device, printed where the program prints stickers. aDone is called exactly
// once, later or at once.
class IStickerHost {
public:
  virtual ~IStickerHost() = default;
  virtual void PrintSticker(const TDeviceData& aData,
                            std::function<void(bool aOk, const QString& aError)> aDone) = 0;
};

// The name a device's files go by: the port, and the device's ID when it has one, so the devices
// of a box plugged one after another into the same port never overwrite each other's files.
QString DeviceFileName(const QString& aPortName, const QString& aId);

// One device through a whole plan on one session: it is identified first, then each step runs as
// the command line runs that command; the first failure ends the run.
class TJobSequence : public QObject {
  Q_OBJECT
public:
  TJobSequence(const TSerialPortEntry& aEntry, const TJobPlan& aPlan, TRegistry& aRegistry,
               IStickerHost* aStickers, QObject* aParent = nullptr);
  ~TJobSequence() override;

  void Start();
  // Ends the run as failed ("interrupted") after giving the port back.
  void Stop();

  bool Done() const { return FDone; }
  bool Ok() const { return FOk; }
  // -1 while the device is being identified; Steps().size() once done.
  int StepIndex() const { return FStep; }
  // 0..100 of the running step when it reports progress; -1 otherwise.
  int Percent() const { return FPercent; }
  // Port, generation, type, ID, IMEI, software as the command line's identify gives them.
  const QJsonObject& Identity() const { return FIdentity; }
  // The result of every finished step, in order.
  const QStringList& Results() const { return FResults; }
  QString Error() const { return FError; }
  // The run failed because the device went away.
  bool DeviceLost() const { return FDeviceLost; }
  const TJobPlan& Plan() const { return FPlan; }

Q_SIGNALS:
  void Changed();
  void Finished();

private:
  void NextStep();
  void RunJob(const TJobRequest& aRequest);
  void JobFinished();
  void Finish(bool aOk, const QString& aError);
  TJobRequest RequestFor(const TPlanStep& aStep) const;

  TJobPlan FPlan;
  IStickerHost* FStickers;
  std::unique_ptr<TPortSession> FSession;
  std::unique_ptr<TPortJob> FJob;
  QJsonObject FIdentity;
  QStringList FResults;
  QString FError;
  int FStep = -1;
  int FPercent = -1;
  bool FDone = false;
  bool FOk = false;
  bool FStarted = false;
  bool FDeviceLost = false;
  // Bumped at each step so that a printer's late answer to an ended run is dropped.
  std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

// Texts of the step kinds in the dictionary.
const char* StepKindKey(TStepKind aKind);
