#include "vehicle_model.h"

#include <QList>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kCentreLat = 55.7558;
constexpr double kCentreLon = 37.6173;
constexpr double kRadiusKm = 6.0;
constexpr double kKmPerDegLat = 110.574;
constexpr double kKmPerDegLonAtEquator = 111.32;
constexpr int kLoopPoints = 72;
// The model starts in the middle of a run, so the first seconds of a demo already show motion.
constexpr double kStartPhase = 90;
constexpr double kPeakKmh = 60;
constexpr double kRunSeconds = 180;
constexpr double kIdleLph = 0.8;
constexpr double kLitresPerKm = 0.09;

struct TLoopPoint {
  double Lat;
  double Lon;
  double Km; // from the first point along the loop
};

double SegmentKm(double aLat1, double aLon1, double aLat2, double aLon2) {
  const double midLat = (aLat1 + aLat2) / 2 * kPi / 180;
  const double dx = (aLon2 - aLon1) * std::cos(midLat) * kKmPerDegLonAtEquator;
  const double dy = (aLat2 - aLat1) * kKmPerDegLat;
  return std::hypot(dx, dy);
}

// Ring roads are not circles: a wobbly ellipse, closed (the last point repeats the first).
const QList<TLoopPoint>& Loop() {
  static const QList<TLoopPoint> loop = [] {
    QList<TLoopPoint> points;
    const double lonScale = 1.0 / std::cos(kCentreLat * kPi / 180);
    double km = 0;
    for (int i = 0; i <= kLoopPoints; ++i) {
      const double theta = 2 * kPi * (i % kLoopPoints) / kLoopPoints;
      const double r = kRadiusKm * (1 + 0.1 * std::sin(5 * theta));
      const double lat = kCentreLat + r * std::sin(theta) / kKmPerDegLat;
      const double lon = kCentreLon + 1.3 * r * std::cos(theta) * lonScale / kKmPerDegLonAtEquator;
      if (!points.isEmpty())
        km += SegmentKm(points.last().Lat, points.last().Lon, lat, lon);
      points.append({lat, lon, km});
    }
    return points;
  }();
  return loop;
}

// Distance of one drive phase up to aTau seconds: the integral of the speed profile
// kPeakKmh * sin^2(pi * tau / kRunSeconds).
double DriveKm(double aTau) {
  const double tau = std::min(aTau, TVehicleModel::kDriveSeconds);
  const double a = kPi / kRunSeconds;
  return kPeakKmh / 3600 * (tau / 2 - std::sin(2 * a * tau) / (4 * a));
}

double CumulativeKm(double aT) {
  const double cycles = std::floor(aT / TVehicleModel::kCycleSeconds);
  return cycles * DriveKm(TVehicleModel::kDriveSeconds) + DriveKm(aT - cycles * TVehicleModel::kCycleSeconds);
}

int Wave(double aMean, double aAmplitude, double aArgument) {
  return static_cast<int>(std::lround(aMean + aAmplitude * std::sin(aArgument)));
}

} // namespace

double TVehicleModel::LoopKm() {
  return Loop().last().Km;
}

TVehicleState TVehicleModel::At(double aSeconds) const {
  const double t = std::max(0.0, aSeconds);
  const double tAbs = t + kStartPhase;
  const double tau = std::fmod(tAbs, kCycleSeconds);

  TVehicleState s;
  s.Moving = tau < kDriveSeconds;
  const double phase = kPi * tau / kRunSeconds;
  s.SpeedKmh = s.Moving ? kPeakKmh * std::sin(phase) * std::sin(phase) : 0;
  s.Braking = !s.Moving || std::sin(2 * phase) < 0;
  s.RestSeconds = s.Moving ? 0 : static_cast<qint64>(tau - kDriveSeconds);
  s.DistanceKm = CumulativeKm(tAbs) - CumulativeKm(kStartPhase);

  // Position along the loop, with the course of the segment the vehicle is on.
  const QList<TLoopPoint>& loop = Loop();
  const double along = std::fmod(s.DistanceKm, LoopKm());
  const auto next = std::upper_bound(loop.cbegin() + 1, loop.cend() - 1, along,
                                     [](double aKm, const TLoopPoint& aPoint) { return aKm < aPoint.Km; });
  const TLoopPoint& b = *next;
  const TLoopPoint& a = *(next - 1);
  const double f = (along - a.Km) / (b.Km - a.Km);
  s.Latitude = a.Lat + f * (b.Lat - a.Lat);
  s.Longitude = a.Lon + f * (b.Lon - a.Lon);
  const double east = (b.Lon - a.Lon) * std::cos(s.Latitude * kPi / 180);
  const double north = b.Lat - a.Lat;
  s.AzimuthDeg = std::fmod(std::atan2(east, north) * 180 / kPi + 360, 360);
  s.AltitudeM = 150 + 25 * std::sin(3 * 2 * kPi * along / LoopKm());

  s.Satellites = Wave(11, 3, t / 47);
  s.Hdop10 = Wave(9, 3, t / 31 + 1);
  s.Signal = Wave(21, 5, t / 53);

  const bool accelerating = s.Moving && !s.Braking;
  s.FuelRateLph = kIdleLph + kLitresPerKm * s.SpeedKmh * (accelerating ? 1.5 : 1.0);
  s.FuelUsedLitres = kIdleLph * t / 3600 + kLitresPerKm * s.DistanceKm;
  // Refuelled to 45 l whenever the tank gets down to 10 l.
  s.FuelLitres = 45 - std::fmod(s.FuelUsedLitres, 35);
  s.EngineRpm = static_cast<int>(800 + 30 * s.SpeedKmh);
  s.EngineTempC = std::min(90, static_cast<int>(45 + t / 10)) + Wave(0, 1, t / 40);
  s.EngineLoadPct = static_cast<int>(20 + s.SpeedKmh / 2 + (accelerating ? 25 : 0));
  s.PedalPct = accelerating ? static_cast<int>(15 + s.SpeedKmh / 3) : 0;

  s.SupplyMv = Wave(13900, 250, t / 97) + Wave(0, 60, t / 9.7);
  s.BatteryMv = Wave(4150, 25, t / 600);
  s.DeviceTempC = Wave(28, 3, t / 400);
  return s;
}
