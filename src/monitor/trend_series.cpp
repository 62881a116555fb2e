#include "monitor/trend_series.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
} // namespace

TTrendSeries::TTrendSeries(qsizetype aCapacity) {
  const qsizetype capacity = qMax<qsizetype>(aCapacity, 1);
  FTime.assign(size_t(capacity), 0.0);
  FValue.assign(size_t(capacity), kNaN);
  const qsizetype blocks = (capacity + kBlock - 1) / kBlock;
  while (FLeaves < blocks)
    FLeaves *= 2;
  FMin.assign(size_t(2 * FLeaves), kInf);
  FMax.assign(size_t(2 * FLeaves), -kInf);
}

bool TTrendSeries::IsGap(const TTrendPoint& aPoint) {
  return std::isnan(aPoint.Value);
}

TTrendPoint TTrendSeries::At(qsizetype aIndex) const {
  const size_t s = size_t(Slot(aIndex));
  return TTrendPoint{FTime[s], FValue[s]};
}

std::optional<TTrendPoint> TTrendSeries::Last() const {
  if (FSize == 0)
    return std::nullopt;
  return At(FSize - 1);
}

void TTrendSeries::Append(double aTime, double aValue) {
  if (std::isnan(aValue)) {
    AppendGap(aTime);
    return;
  }
  // What lies after aTime belongs to a future the replay has left; a value at the same time as the
  // last one (an entry replayed again) takes its place.
  while (FSize > 0 && (TimeAt(FSize - 1) > aTime ||
                       (TimeAt(FSize - 1) == aTime && !std::isnan(ValueAtIndex(FSize - 1))))) {
    const qsizetype slot = Slot(FSize - 1);
    FValue[size_t(slot)] = kNaN;
    --FSize;
    UpdateBlock(slot);
  }
  if (FSize == Capacity()) {
    const qsizetype slot = FHead;
    FHead = Slot(1);
    Put(slot, aTime, aValue);
    return;
  }
  Put(Slot(FSize), aTime, aValue);
  ++FSize;
}

void TTrendSeries::AppendGap(double aTime) {
  while (FSize > 0 && TimeAt(FSize - 1) > aTime) {
    const qsizetype slot = Slot(FSize - 1);
    FValue[size_t(slot)] = kNaN;
    --FSize;
    UpdateBlock(slot);
  }
  // One marker ends a line; a second one, or one before any value, says nothing more.
  if (FSize == 0 || std::isnan(ValueAtIndex(FSize - 1)))
    return;
  if (FSize == Capacity()) {
    const qsizetype slot = FHead;
    FHead = Slot(1);
    Put(slot, aTime, kNaN);
    return;
  }
  Put(Slot(FSize), aTime, kNaN);
  ++FSize;
}

void TTrendSeries::Clear() {
  std::fill(FValue.begin(), FValue.end(), kNaN);
  std::fill(FMin.begin(), FMin.end(), kInf);
  std::fill(FMax.begin(), FMax.end(), -kInf);
  FHead = 0;
  FSize = 0;
}

void TTrendSeries::Put(qsizetype aSlot, double aTime, double aValue) {
  FTime[size_t(aSlot)] = aTime;
  FValue[size_t(aSlot)] = aValue;
  UpdateBlock(aSlot);
}

void TTrendSeries::UpdateBlock(qsizetype aSlot) {
  const qsizetype block = aSlot / kBlock;
  const qsizetype from = block * kBlock;
  const qsizetype to = qMin(from + kBlock, Capacity());
  double mn = kInf;
  double mx = -kInf;
  for (qsizetype s = from; s < to; ++s) {
    const double v = FValue[size_t(s)];
    if (std::isnan(v))
      continue;
    mn = std::min(mn, v);
    mx = std::max(mx, v);
  }
  qsizetype node = FLeaves + block;
  FMin[size_t(node)] = mn;
  FMax[size_t(node)] = mx;
  for (node /= 2; node >= 1; node /= 2) {
    FMin[size_t(node)] = std::min(FMin[size_t(2 * node)], FMin[size_t(2 * node + 1)]);
    FMax[size_t(node)] = std::max(FMax[size_t(2 * node)], FMax[size_t(2 * node + 1)]);
  }
}

void TTrendSeries::SlotsMinMax(qsizetype aFrom, qsizetype aTo, double& aMin, double& aMax) const {
  const auto scan = [&](qsizetype aA, qsizetype aB) {
    for (qsizetype s = aA; s < aB; ++s) {
      const double v = FValue[size_t(s)];
      if (std::isnan(v))
        continue;
      aMin = std::min(aMin, v);
      aMax = std::max(aMax, v);
    }
  };
  const qsizetype firstFull = (aFrom + kBlock - 1) / kBlock;
  const qsizetype endFull = aTo / kBlock;
  if (firstFull >= endFull) {
    scan(aFrom, aTo);
    return;
  }
  scan(aFrom, firstFull * kBlock);
  scan(endFull * kBlock, aTo);
  for (qsizetype l = firstFull + FLeaves, r = endFull + FLeaves; l < r; l /= 2, r /= 2) {
    if (l & 1) {
      aMin = std::min(aMin, FMin[size_t(l)]);
      aMax = std::max(aMax, FMax[size_t(l)]);
      ++l;
    }
    if (r & 1) {
      --r;
      aMin = std::min(aMin, FMin[size_t(r)]);
      aMax = std::max(aMax, FMax[size_t(r)]);
    }
  }
}

void TTrendSeries::RangeMinMax(qsizetype aFrom, qsizetype aTo, double& aMin, double& aMax) const {
  aMin = kInf;
  aMax = -kInf;
  if (aTo <= aFrom)
    return;
  const qsizetype s = Slot(aFrom);
  const qsizetype n = aTo - aFrom;
  if (s + n <= Capacity()) {
    SlotsMinMax(s, s + n, aMin, aMax);
  } else {
    SlotsMinMax(s, Capacity(), aMin, aMax);
    SlotsMinMax(0, s + n - Capacity(), aMin, aMax);
  }
}

qsizetype TTrendSeries::LowerBound(double aTime) const {
  return LowerBound(aTime, 0);
}

qsizetype TTrendSeries::LowerBound(double aTime, qsizetype aFrom) const {
  // Galloping from aFrom first: the next column's end lies a column's worth of points ahead, so the
  // search costs the log of that, not of the whole history, and stays near the memory just read.
  qsizetype lo = aFrom;
  qsizetype hi = aFrom;
  for (qsizetype step = 1; hi < FSize && TimeAt(hi) < aTime; step *= 2) {
    lo = hi + 1;
    hi = aFrom + step;
  }
  hi = qMin(hi, FSize);
  while (lo < hi) {
    const qsizetype mid = lo + (hi - lo) / 2;
    if (TimeAt(mid) < aTime)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

bool TTrendSeries::JoinedToPrevious(qsizetype aIndex, double aMaxJoin) const {
  return aIndex > 0 && aIndex < FSize && !std::isnan(ValueAtIndex(aIndex)) &&
         !std::isnan(ValueAtIndex(aIndex - 1)) && TimeAt(aIndex) - TimeAt(aIndex - 1) <= aMaxJoin;
}

std::optional<double> TTrendSeries::ValueAt(double aTime, double aMaxJoin) const {
  qsizetype lo = 0;
  qsizetype hi = FSize;
  while (lo < hi) {
    const qsizetype mid = lo + (hi - lo) / 2;
    if (TimeAt(mid) <= aTime)
      lo = mid + 1;
    else
      hi = mid;
  }
  if (lo == 0)
    return std::nullopt;
  const TTrendPoint p = At(lo - 1);
  if (IsGap(p) || aTime - p.Time > aMaxJoin)
    return std::nullopt;
  return p.Value;
}

void TTrendSeries::Decimate(double aT0, double aT1, int aColumns, double aMaxJoin,
                            TTrendDecimation& aOut) const {
  aOut.Columns.assign(size_t(qMax(aColumns, 0)), TTrendColumn{});
  aOut.Before.reset();
  aOut.After.reset();
  if (aColumns <= 0 || !(aT1 > aT0))
    return;
  const double step = (aT1 - aT0) / aColumns;
  qsizetype i = LowerBound(aT0);
  qsizetype firstData = -1;
  qsizetype lastData = -1;
  for (int c = 0; c < aColumns; ++c) {
    const double end = c == aColumns - 1 ? aT1 : aT0 + (c + 1) * step;
    const qsizetype j = LowerBound(end, i);
    if (j > i) {
      TTrendColumn& column = aOut.Columns[size_t(c)];
      RangeMinMax(i, j, column.Min, column.Max);
      if (column.Min <= column.Max) {
        qsizetype f = i;
        while (std::isnan(ValueAtIndex(f)))
          ++f;
        qsizetype l = j - 1;
        while (std::isnan(ValueAtIndex(l)))
          --l;
        column.HasData = true;
        column.First = ValueAtIndex(f);
        column.FirstTime = TimeAt(f);
        column.Last = ValueAtIndex(l);
        column.LastTime = TimeAt(l);
        column.Joined = JoinedToPrevious(f, aMaxJoin);
        if (firstData < 0)
          firstData = f;
        lastData = l;
      }
    }
    i = j;
  }
  if (firstData < 0) {
    // Nothing inside: a line may still cross the window.
    if (JoinedToPrevious(i, aMaxJoin)) {
      aOut.Before = At(i - 1);
      aOut.After = At(i);
    }
    return;
  }
  if (JoinedToPrevious(firstData, aMaxJoin))
    aOut.Before = At(firstData - 1);
  if (JoinedToPrevious(lastData + 1, aMaxJoin))
    aOut.After = At(lastData + 1);
}
