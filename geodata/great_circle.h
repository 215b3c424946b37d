// Great-circle arithmetic on a sphere on which one nautical mile is one minute of
// arc: the measure every flight-path computation of the tools shares (the demo's
// aircraft, the debrief, the exercise checker's distances).
//
// Positions are degrees (latitude north, longitude east positive), bearings degrees
// true measured clockwise from north, distances nautical miles. Pure functions: no
// state, no allocation. The exercises' destination point in chart units is here too,
// with the value of pi as a parameter: their stored drawings follow single precision.
#pragma once

#include "geo_units.h"

struct GeoPos {
  double lat, lon;  // degrees, north and east positive
};

// The place of a chart position (x, y in chart units).
inline GeoPos geoFromChartUnits(double x, double y) { return {degreesFromChartUnits(y), degreesFromChartUnits(x)}; }

// Wrapped into [0, 360) and (-180, 180].
double wrap360(double degrees);
double wrap180(double degrees);

// The point reached after distanceNm (negative goes backwards) on the great circle
// that leaves `from` with the true bearing given; longitude wrapped into (-180, 180].
GeoPos geoDestination(GeoPos from, double distanceNm, double bearingDegTrue);
// Initial true bearing from `from` to `to`, [0, 360); 0 when they coincide.
double geoBearing(GeoPos from, GeoPos to);
double geoDistanceNm(GeoPos from, GeoPos to);
// Signed distance of p from the great circle through `fix` along the course (NM,
// positive right of the course as flown along it).
double geoCrossTrackNm(GeoPos fix, double courseDegTrue, GeoPos p);
// Distance along that great circle from `fix` to the foot of p's perpendicular
// (NM, negative behind the fix).
double geoAlongTrackNm(GeoPos fix, double courseDegTrue, GeoPos p);
// The point a fraction f of the way from `a` to `b` along the shorter great circle
// between them (f outside 0..1 goes on beyond them): where an aircraft flying from a
// to b at constant speed is at that fraction of the time. `a` when they coincide;
// antipodal points have no one great circle between them and give `a` too.
GeoPos geoInterpolate(GeoPos a, GeoPos b, double fraction);

// geoDestination in chart units (x east, y north, hundredths of a degree) with the
// bearing in radians and the value of pi given, the way the exercises draw: x wraps
// into -18000..18000.
struct ChartUnitsPos {
  double x, y;
};
ChartUnitsPos chartUnitsDestination(ChartUnitsPos from, double distanceNm, double bearingRad, double pi);
