#pragma once

#include "monitor/trend_series.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <memory>
#include <optional>
#include <vector>

// How a record's time (seconds) reads: live values carry the clock's time (seconds since 1970,
// shown in local time); a replayed log carries its own stamps, times of day without a date
// (seconds since the midnight before its first line; a log that passes midnight goes on past
// 86,400).
enum class TTrendTimeBase { Wall, LogDay };

// A monitor value on the chart.
struct TTrend {
  QString Ident;
  QString UnitsKey; // the dictionary key (or text) of its units, as the monitor line has it
  int Color = 0;    // index into the chart's palette
  int Axis = 0;     // 0 left, 1 right
  bool Visible = true;
  std::unique_ptr<TTrendSeries> Series;
};

// The values shown as trends, their histories, and the chart's time window: everything of the
// trend pane that is not a widget.
class TTrendSet {
public:
  // Two values joined by a line are at most this far apart; longer silences show as gaps.
  static constexpr double kMaxJoinSeconds = 60;
  static constexpr double kDefaultSpan = 300;
  static constexpr double kMinSpan = 1;
  static constexpr double kMaxSpan = 7 * 24 * 3600;
  static constexpr int kPaletteSize = 8;

  explicit TTrendSet(qsizetype aCapacity = TTrendSeries::kDefaultCapacity) : FCapacity(aCapacity) {}

  // A value of a monitor line as a number: numbers, and texts that are one (with "." or ",").
  static std::optional<double> Numeric(const QVariant& aValue);

  // False when aIdent is shown already. The first units take the left axis, other units the
  // right one (a third kind of units shares the right axis).
  bool Add(const QString& aIdent, const QString& aUnitsKey);
  bool Remove(const QString& aIdent);
  bool Contains(const QString& aIdent) const { return IndexOf(aIdent) >= 0; }
  int IndexOf(const QString& aIdent) const;
  const std::vector<TTrend>& Trends() const { return FTrends; }
  const TTrend* Find(const QString& aIdent) const;
  QStringList Idents() const;
  void SetVisible(const QString& aIdent, bool aVisible);

  // A value arrived for aIdent at aTime; a value that is no number ends the line. False when
  // aIdent is not shown.
  bool Feed(const QString& aIdent, double aTime, const QVariant& aValue);
  // Every history starts over (another device, another log).
  void ClearPoints();
  TTrendTimeBase TimeBase() const { return FTimeBase; }
  void SetTimeBase(TTrendTimeBase aBase) { FTimeBase = aBase; }
  // The newest time of any series, none before the first value.
  std::optional<double> LatestTime() const;

  // The time window [T0, T1): while following it ends at the newest value.
  double Span() const { return FSpan; }
  bool Following() const { return FFollow; }
  double WindowEnd() const;
  double WindowStart() const { return WindowEnd() - FSpan; }
  void Follow();
  // Zooms by aFactor (< 1 in, > 1 out) keeping aAnchor where it is on the axis.
  void Zoom(double aFactor, double aAnchor);
  // Moves the window by aSeconds (negative: back in time); stops following.
  void Pan(double aSeconds);

  // The time as the axis and the export show it.
  QString TimeText(double aTime, bool aWithMs) const;
  // The visible series inside the window as CSV: a header (time, then each caption with its
  // units in brackets) and one row per time at which any of them has a value; a series without a
  // value at that time leaves its cell empty. Numbers with "." whatever the locale.
  QByteArray Csv(const QStringList& aHeaders) const;

private:
  qsizetype FCapacity;
  std::vector<TTrend> FTrends;
  TTrendTimeBase FTimeBase = TTrendTimeBase::Wall;
  double FSpan = kDefaultSpan;
  bool FFollow = true;
  double FEnd = 0; // the window's end while not following
};
