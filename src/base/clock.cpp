#include "base/clock.h"

#include <QElapsedTimer>

QDateTime TClock::Now() const { return QDateTime::currentDateTime(); }

qint64 TClock::MonotonicMs() const {
  static const QElapsedTimer start = [] {
    QElapsedTimer t;
    t.start();
    return t;
  }();
  return start.elapsed();
}

const TClock& TClock::System() {
  static const TClock clock;
  return clock;
}

TManualClock::TManualClock(const QDateTime& aStart) : FNow(aStart) {}

void TManualClock::Advance(qint64 aMs) {
  FNow = FNow.addMSecs(aMs);
  FMonotonic += aMs;
}
