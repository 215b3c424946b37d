// Arc-seconds to chart units: the one conversion every reader and layer shares.
//
// The simulator's tables and the track file store positions in arc-seconds, latitude
// north positive and longitude running eastward from 0 to 1296000 (so anything above
// 648000 is west). The chart works in hundredths of a degree, east and north positive.
// Computed as multiplication before division so results match to the last bit
// wherever they are compared.
#pragma once

// Chart y (hundredths of a degree, north positive) from a latitude in arc-seconds.
inline double chartYFromArcSeconds(double latitudeSeconds) {
  return latitudeSeconds * 90 / 3240;
}

// Chart x (hundredths of a degree, east positive) from an eastward longitude in
// arc-seconds; exactly 648000 stays +18000, anything above it wraps to the west.
inline double chartXFromArcSeconds(double longitudeSeconds) {
  if (longitudeSeconds <= 648000) return longitudeSeconds * 180 / 6480;
  return (longitudeSeconds - 1296000) * 180 / 6480;
}
