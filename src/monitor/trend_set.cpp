#include "monitor/trend_set.h"

#include "base/csv.h"

#include <QDateTime>
#include <QTime>
#include <algorithm>
#include <cmath>

std::optional<double> TTrendSet::Numeric(const QVariant& aValue) {
  switch (aValue.typeId()) {
  case QMetaType::Double:
  case QMetaType::Float:
  case QMetaType::Int:
  case QMetaType::UInt:
  case QMetaType::LongLong:
  case QMetaType::ULongLong:
  case QMetaType::Short:
  case QMetaType::UShort:
  case QMetaType::Long:
  case QMetaType::ULong: {
    const double v = aValue.toDouble();
    return std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
  }
  case QMetaType::QString: {
    QString text = aValue.toString().trimmed();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok && std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
  }
  default:
    return std::nullopt;
  }
}

int TTrendSet::IndexOf(const QString& aIdent) const {
  for (size_t i = 0; i < FTrends.size(); ++i)
    if (FTrends[i].Ident.compare(aIdent, Qt::CaseInsensitive) == 0)
      return int(i);
  return -1;
}

const TTrend* TTrendSet::Find(const QString& aIdent) const {
  const int i = IndexOf(aIdent);
  return i >= 0 ? &FTrends[size_t(i)] : nullptr;
}

QStringList TTrendSet::Idents() const {
  QStringList idents;
  for (const TTrend& t : FTrends)
    idents << t.Ident;
  return idents;
}

bool TTrendSet::Add(const QString& aIdent, const QString& aUnitsKey) {
  if (Contains(aIdent))
    return false;
  TTrend trend;
  trend.Ident = aIdent;
  trend.UnitsKey = aUnitsKey;
  // The first colour no shown series has, so a series put back does not take a neighbour's.
  for (int c = 0; c < kPaletteSize * 2; ++c) {
    const bool taken = std::any_of(FTrends.begin(), FTrends.end(),
                                   [&](const TTrend& t) { return t.Color == c % kPaletteSize; });
    trend.Color = c % kPaletteSize;
    if (!taken || c >= kPaletteSize)
      break;
  }
  const auto sameUnits = [&](const TTrend& t) { return t.UnitsKey == aUnitsKey; };
  if (FTrends.empty())
    trend.Axis = 0;
  else if (const auto same = std::find_if(FTrends.begin(), FTrends.end(), sameUnits); same != FTrends.end())
    trend.Axis = same->Axis;
  else
    trend.Axis =
        std::any_of(FTrends.begin(), FTrends.end(), [](const TTrend& t) { return t.Axis == 0; }) ? 1 : 0;
  trend.Series = std::make_unique<TTrendSeries>(FCapacity);
  FTrends.push_back(std::move(trend));
  return true;
}

bool TTrendSet::Remove(const QString& aIdent) {
  const int i = IndexOf(aIdent);
  if (i < 0)
    return false;
  FTrends.erase(FTrends.begin() + i);
  return true;
}

void TTrendSet::SetVisible(const QString& aIdent, bool aVisible) {
  const int i = IndexOf(aIdent);
  if (i >= 0)
    FTrends[size_t(i)].Visible = aVisible;
}

bool TTrendSet::Feed(const QString& aIdent, double aTime, const QVariant& aValue) {
  const int i = IndexOf(aIdent);
  if (i < 0)
    return false;
  TTrendSeries& series = *FTrends[size_t(i)].Series;
  if (const std::optional<double> v = Numeric(aValue))
    series.Append(aTime, *v);
  else
    series.AppendGap(aTime);
  return true;
}

void TTrendSet::ClearPoints() {
  for (TTrend& t : FTrends)
    t.Series->Clear();
}

std::optional<double> TTrendSet::LatestTime() const {
  std::optional<double> latest;
  for (const TTrend& t : FTrends)
    if (const std::optional<TTrendPoint> last = t.Series->Last())
      latest = latest ? std::max(*latest, last->Time) : last->Time;
  return latest;
}

double TTrendSet::WindowEnd() const {
  if (!FFollow)
    return FEnd;
  // A little room on the right, so the newest value is not drawn on the edge.
  const std::optional<double> latest = LatestTime();
  return latest ? *latest + FSpan * 0.02 : FSpan;
}

void TTrendSet::Follow() {
  FFollow = true;
}

void TTrendSet::Zoom(double aFactor, double aAnchor) {
  if (!(aFactor > 0))
    return;
  const double end = WindowEnd();
  const double span = std::clamp(FSpan * aFactor, kMinSpan, kMaxSpan);
  // Zooming while following keeps the newest value in view; elsewhere the anchor stays put.
  if (!FFollow)
    FEnd = aAnchor + (end - aAnchor) * span / FSpan;
  FSpan = span;
}

void TTrendSet::Pan(double aSeconds) {
  FEnd = WindowEnd() + aSeconds;
  FFollow = false;
}

QString TTrendSet::TimeText(double aTime, bool aWithMs) const {
  const QString format = aWithMs ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss");
  const qint64 ms = qint64(std::llround(aTime * 1000.0));
  if (FTimeBase == TTrendTimeBase::Wall)
    return QDateTime::fromMSecsSinceEpoch(ms).toString(format);
  constexpr qint64 kDayMs = 24 * 3600 * 1000;
  return QTime::fromMSecsSinceStartOfDay(int(((ms % kDayMs) + kDayMs) % kDayMs)).toString(format);
}

QByteArray TTrendSet::Csv(const QStringList& aHeaders) const {
  const double t0 = WindowStart();
  const double t1 = WindowEnd();
  struct TCursor {
    const TTrendSeries* Series;
    qsizetype Index;
    qsizetype End;
  };
  QList<TCursor> cursors;
  QByteArray out = "time";
  for (size_t i = 0; i < FTrends.size(); ++i) {
    const TTrend& t = FTrends[i];
    if (!t.Visible)
      continue;
    cursors.append({t.Series.get(), t.Series->LowerBound(t0), t.Series->LowerBound(t1)});
    out += ',' + CsvField(i < size_t(aHeaders.size()) ? aHeaders[qsizetype(i)] : t.Ident);
  }
  out += "\r\n";
  // The series are each in time order: merge them, one row per distinct time.
  while (true) {
    double next = 0;
    bool any = false;
    for (const TCursor& c : cursors)
      if (c.Index < c.End && (!any || c.Series->At(c.Index).Time < next)) {
        next = c.Series->At(c.Index).Time;
        any = true;
      }
    if (!any)
      break;
    // Live rows carry their date: a day's recording passes midnight.
    QByteArray row = (FTimeBase == TTrendTimeBase::Wall
                          ? QDateTime::fromMSecsSinceEpoch(qint64(std::llround(next * 1000.0)))
                                .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz"))
                          : TimeText(next, true))
                         .toLatin1();
    bool values = false;
    for (TCursor& c : cursors) {
      row += ',';
      // Several values at one time: the last one is the one the monitor showed.
      std::optional<double> value;
      while (c.Index < c.End && c.Series->At(c.Index).Time == next) {
        const TTrendPoint p = c.Series->At(c.Index++);
        value = TTrendSeries::IsGap(p) ? std::nullopt : std::optional<double>(p.Value);
      }
      if (value) {
        row += QByteArray::number(*value, 'g', 15);
        values = true;
      }
    }
    if (values) // a row of gaps alone says nothing
      out += row + "\r\n";
  }
  return out;
}
