// Units and the conversions between them: the one home every reader, the archive
// writer, the chart, the exercises and the tools share.
//
// - arc-seconds: the simulator's tables and the track file. Latitude north positive;
//   longitude running eastward from 0 to 1296000 (anything above 648000 is west).
// - chart units: hundredths of a degree, x east and y north positive; the world is
//   -18000..18000 by -9000..9000. One unit of y is 0.6 nautical miles.
// - degrees: decimal, north and east positive (data sources, GPX, great circles).
// - nautical miles (one minute of arc), feet, knots.
// Computed as multiplication before division, so results match to the last bit
// wherever they are compared.
#pragma once

#include <cmath>

constexpr double kArcSecondsPerDegree = 3600;
constexpr double kArcSecondsPerTurn = 1296000;
constexpr double kArcSecondsHalfTurn = 648000;
constexpr double kChartUnitsPerDegree = 100;
constexpr double kNmPerDegree = 60;
constexpr double kFeetPerNauticalMile = 6076.12;
constexpr double kFeetPerMetre = 3.2808399;

// Chart y (hundredths of a degree, north positive) from a latitude in arc-seconds.
inline double chartYFromArcSeconds(double latitudeSeconds) {
  return latitudeSeconds * 90 / 3240;
}

// Chart x (hundredths of a degree, east positive) from an eastward longitude in
// arc-seconds; exactly 648000 stays +18000, anything above it wraps to the west.
inline double chartXFromArcSeconds(double longitudeSeconds) {
  if (longitudeSeconds <= kArcSecondsHalfTurn) return longitudeSeconds * 180 / 6480;
  return (longitudeSeconds - kArcSecondsPerTurn) * 180 / 6480;
}

// Chart units from signed arc-seconds (east or north positive), without any wrap.
inline double chartUnitsFromArcSeconds(double seconds) { return seconds * 180 / 6480; }

inline double degreesFromChartUnits(double units) { return units / kChartUnitsPerDegree; }
inline double chartUnitsFromDegrees(double degrees) { return degrees * kChartUnitsPerDegree; }

// Arc-seconds of a latitude in degrees; never -0, which would print as "-0.00".
inline double latitudeArcSeconds(double degrees) { return degrees * kArcSecondsPerDegree + 0.0; }

// The eastward 0..1296000 arc-seconds of a longitude in degrees (west ones from
// 1296000 down); never -0.
inline double eastwardLongitudeArcSeconds(double degrees) {
  const double seconds = degrees * kArcSecondsPerDegree;
  return seconds < 0 ? seconds + kArcSecondsPerTurn : seconds + 0.0;
}

// Degrees of signed arc-seconds (east or north positive), without any wrap.
inline double degreesFromArcSeconds(double seconds) { return seconds / kArcSecondsPerDegree; }
inline double latitudeDegrees(double latitudeSeconds) { return degreesFromArcSeconds(latitudeSeconds); }

// Degrees in [-180, 180) of an eastward longitude in arc-seconds, any number of
// turns; wrapped in arc-seconds, so 1296000 - 36 is exactly -0.01.
inline double longitudeDegrees(double eastwardLongitudeSeconds) {
  double seconds = std::fmod(eastwardLongitudeSeconds, kArcSecondsPerTurn);
  if (seconds >= kArcSecondsHalfTurn) seconds -= kArcSecondsPerTurn;
  if (seconds < -kArcSecondsHalfTurn) seconds += kArcSecondsPerTurn;
  return seconds / kArcSecondsPerDegree;
}

inline double feetFromMetres(double metres) { return metres * kFeetPerMetre; }
inline double feetPerSecondFromKnots(double knots) { return knots * kFeetPerNauticalMile / 3600.0; }
