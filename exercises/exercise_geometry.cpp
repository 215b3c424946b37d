// Navaid lookup and the drawing geometry of each exercise.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "great_circle.h"
#include "ifr_exercise_set.h"

namespace {

// Toward zero; a position read from a file can be anything, and a cast of a
// value outside int32 would be undefined.
int32_t truncateToInt32(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(v);
}

}  // namespace

ExercisePoint destinationPoint(ExercisePoint from, double distanceNm, double bearingRad) {
  const ChartUnitsPos to = chartUnitsDestination({from.x, from.y}, distanceNm, bearingRad, kExercisePi);
  return {to.x, to.y};
}

bool IfrExerciseSet::findNavaid(const std::vector<NavaidRecord>& list, int32_t i) {
  if (i < 0 || i >= entryCount) return false;
  IfrExercise& e = entries[i];
  // A cut identifier or name would match a navaid the file did not name.
  if ((e.textOverflow & (NavaidIdTooLong | NavaidNameTooLong)) == 0) {
    for (const NavaidRecord& n : list) {
      if (std::strncmp(n.ident, e.navaidId, sizeof n.ident) == 0 &&
          std::strncmp(n.name, e.navaidName, sizeof n.name) == 0) {
        e.variation = n.variation;
        e.longitude = n.longitude;
        e.latitude = n.latitude;
        return true;
      }
    }
  }
  e.geometryValid = 0;
  return false;
}

bool IfrExerciseSet::resolve(const std::vector<NavaidRecord>& vors, const std::vector<NavaidRecord>& ndbs) {
  for (int32_t i = 0; i < entryCount; ++i) {
    IfrExercise& e = entries[i];
    const NavaidClass type = navaidClass(e);
    if (type == NavaidClass::Vor || type == NavaidClass::Ndb) {
      if (!findNavaid(type == NavaidClass::Vor ? vors : ndbs, i)) {
        if (messages) std::fprintf(messages, "\n\nMESSAGE ERROR : CAN'T FIND SELECTED NAVAID\n\n");
        e.geometryValid = 0;
        return false;
      }
    } else if (type == NavaidClass::User) {
      e.variation = 0;
    } else {
      if (messages) std::fprintf(messages, "\n\nMESSAGE ERROR : NAVAID TYPE = VOR or NDB\n\n");
      e.geometryValid = 0;
      return false;
    }
    computeGeometry(i);
  }
  if (entryCount == 0) {
    if (messages) std::fprintf(messages, "NO IFR EXERCISES XML FILE FOUND\n\n");
    return false;
  }
  return true;
}

void IfrExerciseSet::computeGeometry(int32_t i) {
  if (i < 0 || i >= entryCount) return;
  IfrExercise& e = entries[i];
  const ExercisePoint p0{e.longitude, e.latitude};
  const double r = (e.qdm + e.variation - 180) * kDegToRad;  // back along the inbound course
  const double s = (e.qdr + e.variation) * kDegToRad;        // outbound radial

  switch (e.kind) {
    case NavaidPoint:
      e.qdmLineTo = p0;
      e.qdmLineFrom = destinationPoint(p0, 6, r);
      e.qdrLineFrom = p0;
      e.qdrLineTo = destinationPoint(p0, 6, s);
      break;
    case HoldingPattern: {
      const double leg = e.legLength;
      // Turn width: the square root, doubled, of ias / (60 pi).
      const double w = 2 * std::sqrt(e.ias / (60 * kExercisePi));
      e.qdmLineTo = p0;
      e.qdmLineFrom = destinationPoint(p0, leg, r);
      if (e.turnLeft == 0) {
        e.qdrLineFrom = destinationPoint(p0, w, r - kQuarterTurn);
        e.qdrLineTo = destinationPoint(e.qdrLineFrom, leg, s);
        e.turnControl1 = destinationPoint(p0, -w, r + kTwelfthTurn);
        e.turnControl2 = destinationPoint(e.qdrLineTo, w, r + kTwelfthTurn);
      } else {
        e.qdrLineFrom = destinationPoint(p0, -w, r - kQuarterTurn);
        e.qdrLineTo = destinationPoint(e.qdrLineFrom, leg, s);
        e.turnControl1 = destinationPoint(p0, -w, r - kTwelfthTurn);
        e.turnControl2 = destinationPoint(e.qdrLineTo, w, r - kTwelfthTurn);
      }
      break;
    }
    case BearingWaypoint: {
      const double h = (e.userHeading + e.variation) * kDegToRad;
      const ExercisePoint pw = destinationPoint(p0, static_cast<float>(e.userDistance), h);
      e.qdmLineTo = pw;
      e.qdmLineFrom = destinationPoint(pw, 6, r);
      e.qdrLineFrom = pw;
      e.qdrLineTo = destinationPoint(pw, 6, s);
      break;
    }
    case CoordinateWaypoint:
      // Flat, in chart units: a coordinate waypoint has no navaid to be near.
      e.qdmLineTo = p0;
      e.qdmLineFrom = {p0.x + 10 * std::sin(r), p0.y + 10 * std::cos(r)};
      e.qdrLineFrom = p0;
      e.qdrLineTo = {p0.x + 10 * std::sin(s), p0.y + 10 * std::cos(s)};
      break;
    default:
      return;  // an unknown form has nothing to compute and stays without geometry
  }
  e.geometryValid = 1;
}

bool IfrExerciseSet::exercisePosition(int32_t i, int32_t* x, int32_t* y) const {
  if (i < 0 || i >= entryCount || entries[i].geometryValid == 0) return false;
  if (x) *x = truncateToInt32(entries[i].longitude);
  if (y) *y = truncateToInt32(entries[i].latitude);
  return true;
}
