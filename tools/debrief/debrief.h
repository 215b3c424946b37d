// Debrief: how well each exercise was flown, measured on the recorded track.
//
// Plain functions over a track of timed positions (degrees, elapsed seconds) and
// the resolved exercise table; no GL and no files, so tests call them directly.
// The model: the earth is a sphere on which one nautical mile is one minute of arc
// (geodata/great_circle.h); between two track points the aircraft moves along the
// great circle at constant speed, so closest approaches, fix crossings and the time
// spent outside a tolerance are interpolated between points. Statistics of course
// lines and arcs are taken at the track points themselves. Bearings are true
// (magnetic + the navaid's variation) unless a name says otherwise.
#pragma once

#include <cstddef>
#include <limits>
#include <string>
#include <vector>

#include "great_circle.h"
#include "track_file.h"
#include "ifr_exercise_set.h"

struct TrackSample {
  GeoPos pos;  // degrees
  double t;    // elapsed seconds from the file's start
};

// The track file's points in degrees, from their arc-seconds (longitude eastward
// 0..1296000), with the running elapsed seconds. Points with a number that is not
// finite or a latitude beyond a pole cannot be placed and are left out; `skipped`
// (when given) receives how many.
std::vector<TrackSample> trackSamples(const std::vector<TrackPoint>& points, size_t* skipped = nullptr);

// Where the aircraft is a fraction f of the way (in time) from a to b.
TrackSample interpolateSample(const TrackSample& a, const TrackSample& b, double f);

constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

struct Approach {
  double nm = kNoValue;  // closest distance
  double t = kNoValue;   // elapsed time at it
  bool valid() const { return nm == nm; }
};

// Closest approach of the track to a point, interpolated along each stretch
// between two points; the earliest one when several are equally close.
Approach closestApproach(const std::vector<TrackSample>& track, GeoPos target);

struct Stat {
  size_t count = 0;
  double maxAbs = kNoValue;   // the largest absolute value
  double extreme = kNoValue;  // that value with its sign
  double rms = kNoValue;
};
Stat statOf(const std::vector<double>& values);

// A drawn course line: the great circle through `ref` along `courseTrue`, drawn
// from alongMin to alongMax NM along it (negative behind ref). An inbound line's
// needle reads the bearing to ref, an outbound line's the bearing from it.
struct CourseLine {
  GeoPos ref;
  double courseTrue;
  double alongMin, alongMax;
  bool inbound;
};

struct LineSample {
  size_t index;       // into the track
  double t;
  double crossNm;     // positive right of the course
  double angularDeg;  // needle: bearing to (inbound) or from (outbound) ref minus the course,
                     // both measured at ref: "to" is the reciprocal of "from"
};

constexpr double kLineAngularLimitDeg = 30;

// The track points that count for the line: within its drawn length along the
// course and within 30 degrees of angular deviation.
std::vector<LineSample> lineSamples(const std::vector<TrackSample>& track, const CourseLine& line);

// A DME arc: the sector runs clockwise from startTrue over spanDeg.
struct DmeArc {
  GeoPos navaid;
  double radiusNm;
  double startTrue, spanDeg;
};
bool inSector(const DmeArc& arc, GeoPos p);

struct ArcSample {
  size_t index;
  double t;
  double errorNm;  // distance from the navaid minus the radius
};
// The track points whose bearing from the navaid lies within the sector.
std::vector<ArcSample> arcSamples(const std::vector<TrackSample>& track, const DmeArc& arc);
// Time spent within the sector with the DME error beyond +-toleranceNm,
// interpolated between points.
double timeOutsideArc(const std::vector<TrackSample>& track, const DmeArc& arc, double toleranceNm);

// A holding pattern as the chart draws it: the inbound leg ends at the fix, the
// outbound leg lies widthNm to the side of the turns.
struct Hold {
  GeoPos fix;
  double inboundTrue;
  double legNm;
  double widthNm;
  bool turnLeft;
};

constexpr double kCrossingAngleDeg = 30;  // heading inbound: within this of the inbound course
constexpr double kRollOutAngleDeg = 10;
// A course still closing this fast (degrees a second) at the band is still turning.
constexpr double kRollOutTurnRateDegS = 1;

struct FixCrossing {
  double t;
  double crossNm;  // where the fix's abeam line was crossed, right of the inbound course positive
  size_t segment;  // the stretch from track point `segment` to the next
};

// How near the fix a crossing must pass: the racetrack's width, at least 1 NM.
double crossingRadiusNm(const Hold& hold);

// Crossings of the fix heading inbound: the line through the fix square to the
// inbound course crossed in the inbound direction, on a stretch whose course is
// within 30 degrees of the inbound course, within crossingRadiusNm of the fix.
std::vector<FixCrossing> fixCrossings(const std::vector<TrackSample>& track, const Hold& hold);

// Whether the hold was entered over the fix before its first crossing: before the
// approach that leads to that crossing, the track had been within crossingRadiusNm
// of the fix and gone farther away. `arrival` is then the nearest point of that
// last passage, where the first lap begins.
bool holdEnteredAtFix(const std::vector<TrackSample>& track, const Hold& hold, const FixCrossing& first,
                      FixCrossing* arrival);

// Rolling out inbound before the crossing `to`, after the crossing `from`: after
// the last stretch heading more than 90 degrees off the inbound course, the first
// stretch within 10 degrees of it; the course, taken at the middle of each stretch
// and interpolated between them, is followed on at the rate it closed in to where
// it meets the inbound course. NaN when the lap has no such turn.
double rollOutTime(const std::vector<TrackSample>& track, const Hold& hold, const FixCrossing& from,
                   const FixCrossing& to);

struct Lap {
  double fixTime;      // the crossing that ends the lap
  double rollOut;      // NaN when not established inbound
  double inboundLegS;  // fixTime - rollOut
  Stat crossTrack;     // the points of this inbound leg, from roll-out to the fix
  double excursionNm;  // beyond the racetrack on the non-holding side, >= 0
};

struct HoldResult {
  std::vector<FixCrossing> crossings;
  std::vector<Lap> laps;  // one per crossing but the first, and one for it when the hold was entered over the fix
  double excursionNm = kNoValue;  // the farthest of the laps; NaN without a lap
};
HoldResult measureHold(const std::vector<TrackSample>& track, const Hold& hold);

// ---- per exercise ----

constexpr double kFlownWithinNm = 5;
constexpr double kCrossTrackBandNm = 1;
constexpr double kAngularBandDeg = 5;
constexpr double kDmeBandNm = 1;

struct LineResult {
  std::string label;  // "QDM 233", "QDR 300", "inbound 135"
  CourseLine line;
  std::vector<LineSample> samples;
  Stat crossTrack, angular;
};

struct WaypointResult {
  int32_t index;      // table index of the entry
  double bearingMag;  // from the navaid, arc entries only
  GeoPos pos;
  Approach closest;
};

struct ExerciseDebrief {
  int32_t index = 0;    // table index (an arc's first entry)
  int32_t entries = 1;  // table entries it covers (an arc's count)
  ExerciseForm form = FormUnknown;
  std::string navaidId, navaidType, navaidName;
  double qdm = 0, qdr = 0, variation = 0;
  bool resolved = false;
  bool flown = false;
  Approach closest;

  // LINE (QDM and QDR lines) and HIPP (its inbound leg).
  std::vector<LineResult> lines;
  Stat crossTrack, angular;  // every counted point of every line

  // RELY, COOR and each ADME entry.
  std::vector<WaypointResult> waypoints;

  // ADME.
  DmeArc arc{};
  std::vector<ArcSample> arcPoints;
  Stat dmeError;
  double outsideS = 0;

  // HIPP.
  Hold hold{};
  double legTimeS = 0;  // TRI in seconds
  HoldResult holdResult;
};

// Measures every exercise of a resolved set in table order; an arc's entries make
// one element. Exercises without geometry are listed as not resolved; those the
// track never came within 5 NM of as not flown, with only their closest approach.
std::vector<ExerciseDebrief> debriefExercises(const IfrExerciseSet& set, const std::vector<TrackSample>& track);
