#include "demo_flight.h"

#include <algorithm>
#include <cmath>

namespace {

const double kPi = 3.14159265358979323846;
const double kRad = kPi / 180.0;
const double kTurnRate = 3.0;  // degrees per second: a standard-rate turn

double clampAbs(double v, double limit) { return std::max(-limit, std::min(limit, v)); }

// The aircraft: moves one second at a time toward a commanded heading,
// altitude and speed.
struct Aircraft {
  GeoPos pos;
  double heading = 0, altitude = 0, speed = 0;
  double wantHeading = 0, wantAltitude = 0, wantSpeed = 0;
  double climbRate = 800, descentRate = 600;  // ft per minute
  double acceleration = 1.5;                  // kt per second
  int forcedTurn = 0;                         // +1 right, -1 left, 0 the shorter way
  std::vector<FlightTick>* out = nullptr;

  void step() {
    double diff = wrap180(wantHeading - heading);
    if (forcedTurn > 0 && diff < 0 && diff < -kTurnRate) diff += 360.0;
    if (forcedTurn < 0 && diff > 0 && diff > kTurnRate) diff -= 360.0;
    heading = wrap360(heading + clampAbs(diff, kTurnRate));
    const double dv = wantSpeed - speed;
    speed += clampAbs(dv, acceleration);
    const double dh = wantAltitude - altitude;
    altitude += dh > 0 ? std::min(dh, climbRate / 60.0) : std::max(dh, -descentRate / 60.0);
    pos = geoDestination(pos, speed / 3600.0, heading);
    out->push_back({pos, altitude, speed, heading});
  }
};

}  // namespace

std::vector<FlightTick> flyDemoSortie(const DemoPlaces& pl, size_t maxTicks) {
  std::vector<FlightTick> ticks;
  Aircraft ac;
  ac.out = &ticks;
  const double runway = geoBearing(pl.threshold31R, pl.threshold13L);  // landing and take-off course of 31R
  ac.pos = pl.threshold31R;
  ac.heading = ac.wantHeading = runway;
  ac.altitude = ac.wantAltitude = pl.fieldElevation;
  ac.speed = ac.wantSpeed = 0;
  auto budget = [&] { return ticks.size() < maxTicks; };

  // Steering onto a course through a fix: intercept at up to 45 degrees.
  auto courseSteer = [&](GeoPos fix, double course) {
    return wrap360(course - clampAbs(geoCrossTrackNm(fix, course, ac.pos) * 35.0, 45.0));
  };
  // Distance still to go to the fix along the course (negative once passed).
  auto alongToGo = [&](GeoPos fix, double course) {
    return geoDistanceNm(ac.pos, fix) * std::cos((geoBearing(ac.pos, fix) - course) * kRad);
  };
  auto flyCourseToFix = [&](GeoPos fix, double course) {
    while (budget() && alongToGo(fix, course) > 0) {
      ac.wantHeading = courseSteer(fix, course);
      ac.step();
    }
  };
  auto flyTurn = [&](double heading, int direction) {
    ac.forcedTurn = direction;
    ac.wantHeading = wrap360(heading);
    while (budget() && std::fabs(wrap180(ac.heading - ac.wantHeading)) > 0.5) ac.step();
    ac.forcedTurn = 0;
  };

  // Take-off on 31R: roll, lift off at 110 kt, climb straight ahead to 800 ft above the field.
  ac.acceleration = 4.0;
  ac.wantSpeed = 140;
  while (budget() && ac.speed < 110) ac.step();
  ac.wantAltitude = 3000;
  while (budget() && ac.altitude < pl.fieldElevation + 800) {
    ac.wantHeading = courseSteer(pl.threshold31R, runway);
    ac.step();
  }
  ac.acceleration = 1.0;
  ac.wantSpeed = 160;

  // To the VOR on the 233 inbound course (magnetic), then out on the 300 radial.
  const double vorInbound = wrap360(233 + pl.vorVariation), vorOutbound = wrap360(300 + pl.vorVariation);
  flyCourseToFix(pl.vor, vorInbound);
  const double arcRadius = 12.0, turnRadius = 160.0 / (20 * kPi);  // standard rate: r = V / (20 pi)
  while (budget() && geoDistanceNm(pl.vor, ac.pos) < arcRadius - turnRadius) {
    ac.wantHeading = wrap360(vorOutbound - clampAbs(geoCrossTrackNm(pl.vor, vorOutbound, ac.pos) * 35.0, 45.0));
    ac.step();
  }
  // The 12 NM arc, clockwise to the 030 radial.
  const double arcEnd = wrap360(30 + pl.vorVariation);
  double turned = 0, lastRadial = geoBearing(pl.vor, ac.pos);
  const double arcSpan = wrap360(arcEnd - lastRadial);
  while (budget() && turned < arcSpan) {
    const double radial = geoBearing(pl.vor, ac.pos);
    turned += wrap180(radial - lastRadial);
    lastRadial = radial;
    const double error = geoDistanceNm(pl.vor, ac.pos) - arcRadius;  // outside: turn in, to the right
    ac.wantHeading = wrap360(radial + 90 + clampAbs(error * 40.0, 45.0));
    ac.step();
  }
  // From the arc's end to the NDB, descending to 2500 ft, then the hold:
  // 135 inbound, right turns, one-minute legs, two laps, down to 2000 ft.
  ac.wantAltitude = 2500;
  const double toNdb = geoBearing(geoDestination(pl.vor, arcRadius, arcEnd), pl.ndb);
  flyCourseToFix(pl.ndb, toNdb);
  const double holdInbound = wrap360(135 + pl.ndbVariation);
  ac.wantAltitude = 2000;
  for (int lap = 0; lap < 2 && budget(); ++lap) {
    flyTurn(holdInbound + 180, +1);
    for (int s = 0; s < 60 && budget(); ++s) ac.step();
    flyTurn(holdInbound - 30, +1);
    flyCourseToFix(pl.ndb, holdInbound);
  }
  // Outbound on 135 for 7 NM, the teardrop turn right onto the final course, and
  // a 3-degree glide to the 31R threshold at 130 kt.
  ac.wantSpeed = 140;
  ac.wantAltitude = 1600;
  while (budget() && geoDistanceNm(pl.ndb, ac.pos) < 7.0) {
    ac.wantHeading = courseSteer(pl.ndb, holdInbound);
    ac.step();
  }
  flyTurn(runway + 40, +1);
  ac.wantSpeed = 130;
  ac.descentRate = 900;
  while (budget() && alongToGo(pl.threshold31R, runway) > 0) {
    ac.wantHeading = courseSteer(pl.threshold31R, runway);
    const double glide = pl.fieldElevation + 50 +
                         alongToGo(pl.threshold31R, runway) * 6076.0 * std::tan(3.0 * kRad);
    ac.wantAltitude = std::min(glide, 1600.0);
    ac.step();
  }
  // Touch down and roll out to a stop.
  ac.wantAltitude = pl.fieldElevation;
  ac.descentRate = 600;
  ac.acceleration = 3.0;
  ac.wantSpeed = 0;
  while (budget() && ac.speed > 0) {
    ac.wantHeading = courseSteer(pl.threshold31R, runway);
    ac.step();
  }
  for (int s = 0; s < 5 && budget(); ++s) ac.step();
  return ticks;
}

bool writeHostScript(const std::string& path, const std::vector<FlightTick>& ticks, double aux) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (!f) return false;
  std::fprintf(f, "# lat lon alt v x dt: arc-seconds (lon eastward 0..1296000), ft, ft/s, aux, s\n");
  for (const FlightTick& t : ticks) {
    std::fprintf(f, "%.3f %.3f %.1f %.2f %.2f 1\n", latitudeArcSeconds(t.pos.lat),
                 eastwardLongitudeArcSeconds(t.pos.lon), t.altitude, feetPerSecondFromKnots(t.speedKt), aux);
  }
  const bool ok = !std::ferror(f);
  return std::fclose(f) == 0 && ok;
}
