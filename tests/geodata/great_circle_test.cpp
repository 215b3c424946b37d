// Great-circle functions against values computed independently (3-D unit vectors,
// not the formulas of the code), with the hard rows: the antimeridian, a pole,
// zero distance, a path behind the fix.
#include <gtest/gtest.h>

#include <cmath>

#include "great_circle.h"

namespace {

// Longitudes compared on the circle, so 180 and -180 are the same place.
void expectSamePlace(GeoPos got, GeoPos want, double tolDeg) {
  EXPECT_NEAR(got.lat, want.lat, tolDeg);
  EXPECT_NEAR(wrap180(got.lon - want.lon), 0.0, tolDeg) << got.lon << " vs " << want.lon;
}

TEST(GreatCircle, DistanceAndBearing) {
  struct Row {
    GeoPos from, to;
    double nm, bearing;
  } rows[] = {
      {{0, 0}, {0, 1}, 60.0, 90.0},
      {{43.4, 5.2}, {43.9, 5.9}, 42.702699612, 45.128802411},
      {{10, 179.9}, {10.2, -179.7}, 26.500666029, 63.040366388},  // across the antimeridian
      {{89.5, 0}, {89.5, 180}, 60.0, 0.0},                          // over the pole
      {{-33.9, 151.2}, {51.5, -0.1}, 9170.230249664, 319.092802667},
      {{45, -120}, {45, -120}, 0.0, 0.0},                           // the same point
  };
  for (const Row& r : rows) {
    EXPECT_NEAR(geoDistanceNm(r.from, r.to), r.nm, 1e-6) << r.from.lat << "," << r.from.lon;
    EXPECT_NEAR(geoBearing(r.from, r.to), r.bearing, 1e-6) << r.from.lat << "," << r.from.lon;
  }
}

TEST(GreatCircle, Destination) {
  struct Row {
    GeoPos from;
    double nm, bearing;
    GeoPos want;
  } rows[] = {
      {{0, 0}, 60, 90, {0, 1}},
      {{43.4, 5.2}, 12, 300, {43.499751867, 4.961220515}},
      {{10, 179.9}, 60, 90, {9.998461300, -179.084576594}},  // wraps west
      {{89.9, 0}, 60, 0, {89.1, 180}},                        // over the pole
      {{-45, -60}, -30, 45, {-45.352453529, -60.503104412}},  // backwards
      {{0, 0}, 0, 123, {0, 0}},
  };
  for (const Row& r : rows) expectSamePlace(geoDestination(r.from, r.nm, r.bearing), r.want, 1e-9);
  // Out and back along the reverse bearing returns to the start.
  const GeoPos out = geoDestination({43.4, 5.2}, 25, 70);
  expectSamePlace(geoDestination(out, 25, geoBearing(out, {43.4, 5.2})), {43.4, 5.2}, 1e-9);
}

// The exercises' form: chart units, radians, pi rounded to single precision.
TEST(GreatCircle, ChartUnitsDestination) {
  const double pi = static_cast<double>(3.1415927f);
  struct Row {
    ChartUnitsPos from;
    double nm, bearingDeg;
    ChartUnitsPos want;
  } rows[] = {
      {{520, 4340}, 12, 300, {496.122053044, 4349.975189249}},
      // Wraps west by 36000 units, which is 2 x the given pi, not 2 pi radians.
      {{17990, 1000}, 60, 90, {-17908.457659284, 999.846125572}},
      {{-6000, -4500}, -30, 45, {-6050.310443453, -4535.245352148}},  // backwards
      {{0, 0}, 0, 114.6, {0, 0}},
  };
  for (const Row& r : rows) {
    const ChartUnitsPos got = chartUnitsDestination(r.from, r.nm, r.bearingDeg * pi / 180, pi);
    EXPECT_NEAR(got.x, r.want.x, 1e-6) << r.from.x << "," << r.from.y;
    EXPECT_NEAR(got.y, r.want.y, 1e-6) << r.from.x << "," << r.from.y;
  }
}

TEST(GreatCircle, CrossAndAlongTrack) {
  struct Row {
    GeoPos fix;
    double course;
    GeoPos p;
    double cross, along;
  } rows[] = {
      {{0, 0}, 0, {0, 0.5}, 30.0, 0.0},    // right of a northbound course
      {{0, 0}, 0, {0, -0.5}, -30.0, 0.0},  // left of it
      {{43.4, 5.2}, 292.3, {43.5, 5.0}, 2.257946761, 10.334179152},
      {{37.6, -122.4}, 112.3, {37.5, -122.2}, 1.929369290, 11.081110517},
      {{0, 179.5}, 90, {0.2, -179.0}, -12.0, 90.0},  // across the antimeridian
      {{60, 10}, 180, {59, 10.5}, -15.450998156, 59.942210998},
      {{60, 10}, 0, {59, 10.5}, 15.450998156, -59.942210998},  // behind the fix
  };
  for (const Row& r : rows) {
    EXPECT_NEAR(geoCrossTrackNm(r.fix, r.course, r.p), r.cross, 1e-6) << r.fix.lat << "," << r.course;
    EXPECT_NEAR(geoAlongTrackNm(r.fix, r.course, r.p), r.along, 1e-6) << r.fix.lat << "," << r.course;
  }
}

TEST(GreatCircle, Interpolate) {
  // Reference: the start vector turned about the axis a x b by f times the angle
  // between them (Rodrigues' rotation), not the weighted sum of the code.
  struct Row {
    GeoPos a, b;
    double f;
    GeoPos want;
  } rows[] = {
      {{0, 0}, {0, 1}, 0.5, {0, 0.5}},
      {{43.4, 5.2}, {43.9, 5.9}, 0.25, {43.525399295, 5.373909676}},
      {{10, 179.9}, {10.2, -179.7}, 0.5, {10.100060266, -179.900062178}},  // across the antimeridian
      {{89.5, 0}, {89.5, 180}, 0.25, {89.75, 0}},                          // over the pole
      {{89.5, 0}, {89.5, 180}, 0.75, {89.75, 180}},
      {{-33.9, 151.2}, {51.5, -0.1}, 0.3, {3.533064792, 123.116306320}},
      {{37.6, -122.4}, {37.5, -122.2}, 1.5, {37.449873767, -122.100201053}},   // beyond b
      {{37.6, -122.4}, {37.5, -122.2}, -0.5, {37.649873236, -122.500201445}},  // before a
      {{45, -120}, {45, -120}, 0.7, {45, -120}},                               // the same point
      {{43.4, 5.2}, {43.9, 5.9}, 0, {43.4, 5.2}},
      {{43.4, 5.2}, {43.9, 5.9}, 1, {43.9, 5.9}},
  };
  for (const Row& r : rows) expectSamePlace(geoInterpolate(r.a, r.b, r.f), r.want, 1e-9);
}

TEST(GreatCircle, Wrap) {
  const double cases[][3] = {{0, 0, 0},     {360, 0, 0},      {-90, 270, -90}, {180, 180, 180},
                             {-180, 180, 180}, {725, 5, 5}, {-1e-20, 0, -1e-20}};
  for (const auto& c : cases) {
    EXPECT_NEAR(wrap360(c[0]), c[1], 1e-12) << c[0];
    EXPECT_LT(wrap360(c[0]), 360.0);
    EXPECT_NEAR(wrap180(c[0]), c[2], 1e-12) << c[0];
  }
}

}  // namespace
