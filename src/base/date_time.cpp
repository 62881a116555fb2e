#include "base/date_time.h"

#include <cmath>

namespace {
const QDate kEpoch(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;
} // namespace

TDateTime ToTDateTime(const QDateTime& aLocal) {
  const QDateTime local = aLocal.toLocalTime();
  return double(kEpoch.daysTo(local.date())) + local.time().msecsSinceStartOfDay() / kMsPerDay;
}

QDateTime FromTDateTime(TDateTime aValue) {
  const double days = std::floor(aValue);
  // Round to the millisecond so a value written and read back lands on the same instant.
  qint64 ms = std::llround((aValue - days) * kMsPerDay);
  qint64 wholeDays = qint64(days);
  if (ms >= qint64(kMsPerDay)) {
    ms -= qint64(kMsPerDay);
    ++wholeDays;
  }
  return QDateTime(kEpoch.addDays(wholeDays), QTime::fromMSecsSinceStartOfDay(int(ms)));
}
