#pragma once

#include "base/clock.h"
#include "core/comm_port_driver.h"

#include <QByteArray>
#include <QString>
#include <QTimer>
#include <functional>
#include <vector>

// One entry of a loaded exchange log.
struct TLogEntry {
  // Seconds after the first time-stamped line. Never below the entry before: a line stamped
  // earlier (a sent line, a clock set back) comes right after its predecessor, and stepping onto
  // it does not wind the replay back to the start.
  double TimeOffset = 0;
  // The bytes to deliver: every line of the entry followed by CR LF. They live in the driver's copy
  // of the log, until the next load.
  QByteArrayView Data;
};

// Plays a saved exchange log into the receive event as if a device were sending it, at the pace it
// was recorded, faster or slower by SpeedFactor. Sends succeed and go nowhere.
//
// All times come from the clock given at construction (its steady timeline, so a change of the
// wall clock does not stall or rush a replay). One single-shot timer is armed for exactly the time
// until the next entry; entries that are due together go in one tick. Deliveries pass through
// DeliverReceived, cut by PortInBufSize and EndByte like bytes read from a port. The receive event
// and the step event may call back into the driver (pause, stop, step, reload).
class TVirtualCommDriver : public TCommPortDriver {
  Q_OBJECT
public:
  using TNotifyEvent = std::function<void(TVirtualCommDriver* Sender)>;

  explicit TVirtualCommDriver(const TClock& aClock = TClock::System(), QObject* aParent = nullptr);
  ~TVirtualCommDriver() override;

  // Reads a log file (a byte order mark decides its encoding, else the devices' code page) and
  // stops any replay. On failure returns false with a message for the user in aError and keeps
  // the log loaded before.
  bool LoadFromFile(const QString& Filename, QString* aError = nullptr);
  const std::vector<TLogEntry>& LogEntries() const { return FLogEntries; }

  // Starts the replay from the first entry; true when already playing, false with nothing loaded.
  bool Connect() override;
  void Disconnect() override;
  bool SendData(const char* DataPtr, int DataSize) override;

  // Starts a stopped replay, resumes a paused one.
  void Play();
  void Pause();
  // Back to the first entry.
  void Stop();
  // Holds the replay and delivers the next entry (starting a stopped replay first).
  void Step();
  // Holds the replay and delivers the last delivered entry again; it stays the next one.
  void StepBack();

  double SpeedFactor() const { return FSpeedFactor; }
  // Recorded seconds per real second; 0.1 for anything not above 0. Playing on keeps its place.
  void SetSpeedFactor(double aValue);
  bool LoopEnabled() const { return FLoopEnabled; }
  void SetLoopEnabled(bool aValue) { FLoopEnabled = aValue; }

  bool Playing() const { return FPlaying; }
  // A replay is "connected" while it plays (paused included).
  bool Connected() const override { return FPlaying; }
  bool Paused() const { return FPaused; }
  // Index of the next entry to deliver.
  int CurrentIdx() const { return FCurrentIdx; }
  // Recorded seconds since the first entry; 0 when stopped.
  double ReplayTime() const;
  // The recorded time (seconds after the first stamp) of the entry being delivered, or of the last
  // one delivered: the time of the values it carries.
  double EntryTime() const { return FEntryTime; }
  // The first stamp's time of day in milliseconds (0 in a log without stamps).
  qint64 FirstStampMs() const { return FFirstStampMs; }

  // Called after every delivered entry and step, on pause, on stop and when the replay ends.
  const TNotifyEvent& OnStep() const { return FOnStep; }
  void SetOnStep(TNotifyEvent aEvent) { FOnStep = std::move(aEvent); }

  // The timer's handler. Public so that a test driving the clock can stand in for the timer.
  void TimerTick();
  // The clock's MonotonicMs at which the timer fires, -1 while it is off.
  qint64 TimerDue() const { return FTimerDue; }

private:
  // Recorded milliseconds.
  double ReplayMs() const;
  double NowMs() const;
  void Arm(qint64 aMs);
  void Disarm();
  void Hold();
  void Resume();
  void StepForward();
  void StepBackward();
  // Makes entry aIndex the replay position, as if the replay had just reached it.
  void PlaceAt(int aIndex);
  // Hands entry aIndex to the receive event.
  void Deliver(int aIndex);
  void Notify();

  const TClock& FClock;
  int FCurrentIdx = 0;
  // The clock's MonotonicMs that corresponds to replay time 0 at the current speed.
  double FStartTime = 0;
  // Replay time in recorded seconds at the last pause or step.
  double FLastElapsed = 0;
  double FEntryTime = 0;
  qint64 FFirstStampMs = 0;
  QTimer FTimer;
  qint64 FTimerDue = -1;
  double FSpeedFactor = 1.0;
  bool FPlaying = false;
  bool FPaused = false;
  // Counts starts, stops, pauses and resumes, so a tick notices one made from a callback.
  quint64 FRun = 0;
  TNotifyEvent FOnStep;
  bool FLoopEnabled = false;
  std::vector<TLogEntry> FLogEntries;
  // The bytes of every entry, one after the other.
  QByteArray FLogBuffer;
};
