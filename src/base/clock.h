#pragma once

#include <QDateTime>

// Everything that depends on "now" (stamps, ageing, replay, time-outs) reads one clock, so tests
// advance time instead of sleeping.
class TClock {
public:
  virtual ~TClock() = default;
  // Local date and time.
  virtual QDateTime Now() const;
  // Now as a stamp (days since 30 December 1899, local). Called for every chunk, so the system
  // clock keeps it cheap.
  virtual double NowStamp() const;
  // Milliseconds on a steady timeline; only differences are meaningful.
  virtual qint64 MonotonicMs() const;

  static const TClock& System();
};

// A clock that moves only when told to.
class TManualClock : public TClock {
public:
  explicit TManualClock(const QDateTime& aStart = QDateTime(QDate(2026, 1, 1), QTime(12, 0)));
  QDateTime Now() const override { return FNow; }
  qint64 MonotonicMs() const override { return FMonotonic; }
  void Advance(qint64 aMs);
  void SetNow(const QDateTime& aNow) { FNow = aNow; }

private:
  QDateTime FNow;
  qint64 FMonotonic = 0;
};
