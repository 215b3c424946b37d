#include "great_circle.h"

#include <algorithm>
#include <cmath>

namespace {
const double kPi = 3.14159265358979323846;
const double kRad = kPi / 180.0;
const double kNmPerRadian = 60.0 / kRad;
}  // namespace

double wrap360(double a) {
  a = std::fmod(a, 360.0);
  if (a < 0) a += 360.0;
  return a >= 360.0 ? 0.0 : a;  // -1e-20 + 360 rounds to 360
}

double wrap180(double a) {
  a = wrap360(a);
  return a > 180.0 ? a - 360.0 : a;
}

GeoPos geoDestination(GeoPos from, double distanceNm, double bearingDegTrue) {
  const double p1 = from.lat * kRad, l1 = from.lon * kRad, t = bearingDegTrue * kRad;
  const double d = distanceNm / kNmPerRadian;
  const double a = std::max(-1.0, std::min(1.0, std::sin(p1) * std::cos(d) + std::cos(p1) * std::sin(d) * std::cos(t)));
  const double p2 = std::asin(a);
  const double l2 = l1 + std::atan2(std::sin(t) * std::sin(d) * std::cos(p1), std::cos(d) - std::sin(p1) * std::sin(p2));
  return {p2 / kRad, wrap180(l2 / kRad)};
}

double geoBearing(GeoPos from, GeoPos to) {
  const double p1 = from.lat * kRad, p2 = to.lat * kRad, dl = (to.lon - from.lon) * kRad;
  const double y = std::sin(dl) * std::cos(p2);
  const double x = std::cos(p1) * std::sin(p2) - std::sin(p1) * std::cos(p2) * std::cos(dl);
  if (y == 0 && x == 0) return 0;
  return wrap360(std::atan2(y, x) / kRad);
}

double geoDistanceNm(GeoPos from, GeoPos to) {
  const double p1 = from.lat * kRad, p2 = to.lat * kRad, dl = (to.lon - from.lon) * kRad;
  const double s1 = std::sin((p2 - p1) / 2), s2 = std::sin(dl / 2);
  const double h = s1 * s1 + std::cos(p1) * std::cos(p2) * s2 * s2;
  return 2 * std::asin(std::min(1.0, std::sqrt(h))) * kNmPerRadian;
}

double geoCrossTrackNm(GeoPos fix, double courseDegTrue, GeoPos p) {
  const double d = geoDistanceNm(fix, p) / kNmPerRadian;
  const double theta = (geoBearing(fix, p) - courseDegTrue) * kRad;
  return std::asin(std::sin(d) * std::sin(theta)) * kNmPerRadian;
}

double geoAlongTrackNm(GeoPos fix, double courseDegTrue, GeoPos p) {
  const double d = geoDistanceNm(fix, p) / kNmPerRadian;
  const double theta = (geoBearing(fix, p) - courseDegTrue) * kRad;
  // Right spherical triangle: tan(along) = tan(d) cos(theta); atan2 keeps the sign
  // (behind the fix is negative) and stays exact at right angles.
  return std::atan2(std::sin(d) * std::cos(theta), std::cos(d)) * kNmPerRadian;
}

GeoPos geoInterpolate(GeoPos a, GeoPos b, double f) {
  // On unit vectors: the weights of the two ends along the arc between them.
  const double pa = a.lat * kRad, la = a.lon * kRad, pb = b.lat * kRad, lb = b.lon * kRad;
  const double ax = std::cos(pa) * std::cos(la), ay = std::cos(pa) * std::sin(la), az = std::sin(pa);
  const double bx = std::cos(pb) * std::cos(lb), by = std::cos(pb) * std::sin(lb), bz = std::sin(pb);
  const double cx = ay * bz - az * by, cy = az * bx - ax * bz, cz = ax * by - ay * bx;
  const double sinD = std::sqrt(cx * cx + cy * cy + cz * cz);
  const double cosD = ax * bx + ay * by + az * bz;
  if (sinD < 1e-15) return {a.lat, wrap180(a.lon)};  // the same point, or antipodes
  const double d = std::atan2(sinD, cosD);
  const double wa = std::sin((1 - f) * d) / sinD, wb = std::sin(f * d) / sinD;
  const double x = wa * ax + wb * bx, y = wa * ay + wb * by, z = wa * az + wb * bz;
  return {std::atan2(z, std::sqrt(x * x + y * y)) / kRad, wrap180(std::atan2(y, x) / kRad)};
}

ChartUnitsPos chartUnitsDestination(ChartUnitsPos from, double distanceNm, double bearingRad, double pi) {
  const double lambda1 = from.x * pi / 18000;
  const double phi1 = from.y * pi / 18000;
  const double delta = pi * distanceNm / 10800;

  double a = std::sin(phi1) * std::cos(delta) + std::cos(phi1) * std::sin(delta) * std::cos(bearingRad);
  if (a > 1) a = 1;
  if (a < -1) a = -1;
  const double phi2 = std::asin(a);
  const double dLambda = std::atan2(std::sin(bearingRad) * std::sin(delta) * std::cos(phi1),
                                    std::cos(delta) - std::sin(phi1) * std::sin(phi2));
  double lambda2 = std::fmod(dLambda + lambda1 + pi, 2 * pi) - pi;
  if (lambda2 > pi) {
    lambda2 -= 2 * pi;
  } else if (lambda2 < -pi) {
    lambda2 += 2 * pi;
  }
  return {lambda2 * 18000 / pi, phi2 * 18000 / pi};
}
