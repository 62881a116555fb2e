#include "base/clock.h"

#include "base/date_time.h"

#include <QElapsedTimer>

QDateTime TClock::Now() const {
  return QDateTime::currentDateTime();
}

double TClock::NowStamp() const {
  if (this != &System())
    return ToTDateTime(Now());
  // The offset from UTC changes at most a few times a year; look it up once a minute instead of
  // converting every stamp through the time-zone rules.
  static qint64 cachedMinute = -1;
  static qint64 offsetMs = 0;
  const qint64 utcMs = QDateTime::currentMSecsSinceEpoch();
  if (utcMs / 60000 != cachedMinute) {
    cachedMinute = utcMs / 60000;
    offsetMs = qint64(QDateTime::fromMSecsSinceEpoch(utcMs).offsetFromUtc()) * 1000;
  }
  constexpr double kUnixEpochDays = 25569.0; // 1970-01-01 counted from 1899-12-30
  return kUnixEpochDays + double(utcMs + offsetMs) / 86400000.0;
}

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
