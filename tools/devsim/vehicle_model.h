#pragma once

#include <QtGlobal>

// What a simulated vehicle and its tracker measure at one moment. Both tracker generations report
// from the same vehicle, so their streams agree with each other.
struct TVehicleState {
  double Latitude = 0;  // degrees, north positive
  double Longitude = 0; // degrees, east positive
  double AltitudeM = 0;
  double SpeedKmh = 0;
  double AzimuthDeg = 0; // course over ground, 0 = north, clockwise
  int Satellites = 0;
  int Hdop10 = 0;      // HDOP times ten
  bool Moving = false; // false while the vehicle waits at its stop
  bool Braking = false;
  qint64 RestSeconds = 0; // since the vehicle came to its stop; 0 while moving
  double DistanceKm = 0;  // driven since the simulation started
  double FuelLitres = 0;  // in the tank
  double FuelUsedLitres = 0;
  double FuelRateLph = 0; // instantaneous consumption, litres per hour
  int EngineRpm = 0;
  int EngineTempC = 0;
  int EngineLoadPct = 0;
  int PedalPct = 0;
  int SupplyMv = 0;  // vehicle supply at the tracker's power input
  int BatteryMv = 0; // the tracker's own backup cell
  int Signal = 0;    // modem signal level, 0..31
  int DeviceTempC = 0;
};

// The vehicle drives a closed loop around a city centre, over and over: three runs between traffic
// lights, then a minute at a stop with the engine idling. Everything is a pure function of the
// seconds since the simulation started, so a test that moves its clock sees the same vehicle as a
// live run.
class TVehicleModel {
public:
  static constexpr double kCycleSeconds = 600;
  static constexpr double kDriveSeconds = 540;
  static constexpr double kTankLitres = 60;

  TVehicleState At(double aSeconds) const;
  // Length of the loop in kilometres.
  static double LoopKm();
};
