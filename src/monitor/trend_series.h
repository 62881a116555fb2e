#pragma once

#include <QtGlobal>
#include <optional>
#include <vector>

// One sample of a trend: a value at a record's time (seconds). A value that is not a number marks
// a gap: the line stops there and starts again at the next value.
struct TTrendPoint {
  double Time = 0;
  double Value = 0;
};

// What falls into one pixel column of a trend chart.
struct TTrendColumn {
  bool HasData = false;
  double Min = 0;
  double Max = 0;
  // The first and last values in the column, in time order, and their times.
  double First = 0;
  double Last = 0;
  double FirstTime = 0;
  double LastTime = 0;
  // A line joins the first value to the value before it (no gap between them).
  bool Joined = false;
};

struct TTrendDecimation {
  std::vector<TTrendColumn> Columns;
  // The last value before the window, when the first value inside it is joined to it.
  std::optional<TTrendPoint> Before;
  // The first value after the window, when it is joined to the last value inside it.
  std::optional<TTrendPoint> After;
};

// The recent history of one monitor value: a ring of points in time order that keeps the newest
// Capacity() points, and a summary of it by blocks so that any time window can be cut into pixel
// columns (min and max per column) at a cost that depends on the number of columns, not on the
// number of points: a day of one record a second draws as fast as a minute.
class TTrendSeries {
public:
  // A day of one record a second.
  static constexpr qsizetype kDefaultCapacity = 24 * 60 * 60;

  explicit TTrendSeries(qsizetype aCapacity = kDefaultCapacity);

  // Adds a value at aTime. Time only moves forward: a time earlier than the last point's (a
  // replay stepped or looped back) first drops every point after it, and a value at the last
  // value's time replaces it. A full ring forgets its oldest point.
  void Append(double aTime, double aValue);
  // The line stops at aTime (the value went away); nothing is added after a gap or to nothing.
  void AppendGap(double aTime);
  void Clear();

  qsizetype Size() const { return FSize; }
  qsizetype Capacity() const { return qsizetype(FTime.size()); }
  // aIndex 0 is the oldest point.
  TTrendPoint At(qsizetype aIndex) const;
  std::optional<TTrendPoint> Last() const;
  static bool IsGap(const TTrendPoint& aPoint);

  // The index of the first point whose time is aTime or later (Size() when none).
  qsizetype LowerBound(double aTime) const;
  // The value shown at aTime: the last one at or before it, unless a gap follows it or it is more
  // than aMaxJoin seconds old.
  std::optional<double> ValueAt(double aTime, double aMaxJoin) const;

  // Cuts [aT0, aT1) into aColumns equal columns. Two neighbouring values are joined unless a gap
  // lies between them or they are more than aMaxJoin seconds apart. Every value in the window
  // counts towards its column's min and max, so no spike is lost.
  void Decimate(double aT0, double aT1, int aColumns, double aMaxJoin, TTrendDecimation& aOut) const;

private:
  static constexpr qsizetype kBlock = 16;

  qsizetype Slot(qsizetype aIndex) const {
    const qsizetype s = FHead + aIndex;
    return s >= Capacity() ? s - Capacity() : s;
  }
  double TimeAt(qsizetype aIndex) const { return FTime[size_t(Slot(aIndex))]; }
  double ValueAtIndex(qsizetype aIndex) const { return FValue[size_t(Slot(aIndex))]; }
  qsizetype LowerBound(double aTime, qsizetype aFrom) const;
  void Put(qsizetype aSlot, double aTime, double aValue);
  void UpdateBlock(qsizetype aSlot);
  // Min and max of the values at indexes [aFrom, aTo); min > max when none is a number.
  void RangeMinMax(qsizetype aFrom, qsizetype aTo, double& aMin, double& aMax) const;
  void SlotsMinMax(qsizetype aFrom, qsizetype aTo, double& aMin, double& aMax) const;
  bool JoinedToPrevious(qsizetype aIndex, double aMaxJoin) const;

  std::vector<double> FTime;
  std::vector<double> FValue; // NaN in free slots and at gaps
  qsizetype FHead = 0;
  qsizetype FSize = 0;
  // A tree over the blocks of kBlock slots: node 1 is the root, leaves start at FLeaves.
  qsizetype FLeaves = 1;
  std::vector<double> FMin;
  std::vector<double> FMax;
};
