#pragma once

#include <QObject>
#include <QTimer>
#include <array>
#include <functional>

class TExchangeCore;

// The identity poll: once the protocol generation is known, the current generation-1 device is
// asked who it is every 30 s until its identity is complete. Also the supervision timer of long
// operations, whose idle tick clears what the last operation left on screen.
class TPollCycle : public QObject {
  Q_OBJECT
public:
  static constexpr int kCheckNameIntervalMs = 30000;

  explicit TPollCycle(TExchangeCore& aCore, QObject* aParent = nullptr);

  QTimer& CheckNameTimer() { return FCheckNameTimer; }
  // Switched on at detection; the first tick runs at once.
  void StartCheckNameTimer();
  void CheckNameTimerTimer();

  QTimer& UpdateTimer() { return FUpdateTimer; }
  quint8 UpdateOperation() const { return FUpdateOperation; }
  void SetUpdateOperation(quint8 aValue) { FUpdateOperation = aValue; }
  quint8 UpdateStage() const { return FUpdateStage; }
  void SetUpdateStage(quint8 aValue) { FUpdateStage = aValue; }
  void OnUpdateTimeout();
  // The attempt counter of the current stage (the timer's tag).
  int UpdateTag() const;
  void SetUpdateTag(int aValue);
  // Next tick in aMs.
  void ArmUpdateTimer(int aMs);
  // The tick of a supervised operation (4, 5, 6, 8, 9). The tick has already switched the timer
  // off; the flow arms it again when it wants another. A flow that throws ends the supervision.
  using TUpdateFlow = std::function<void()>;
  void SetUpdateFlow(quint8 aOperation, TUpdateFlow aFlow);

Q_SIGNALS:
  // The idle tick: the progress display goes, the operation's leftovers are released.
  void UpdateCleanup();

private:
  TExchangeCore& FCore;
  QTimer FCheckNameTimer;
  QTimer FUpdateTimer;
  quint8 FUpdateOperation = 0;
  quint8 FUpdateStage = 0;
  std::array<TUpdateFlow, 10> FUpdateFlows;
};
