#include "debrief.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "geo_units.h"

namespace {

// Stretches are cut into pieces no longer than this when a state along them (in or
// out of a tolerance) is followed; each change found is then bisected.
constexpr double kPieceNm = 0.05;
constexpr int kMaxPieces = 2000;
constexpr int kBisections = 40;

GeoPos chartToDegrees(ExercisePoint p) { return geoFromChartUnits(p.x, p.y); }
GeoPos exerciseReference(const IfrExercise& e) { return geoFromChartUnits(e.longitude, e.latitude); }

// The fraction in (lo, hi) where pred changes, pred(lo) != pred(hi) assumed.
template <class Pred>
double bisect(Pred pred, double lo, double hi) {
  const bool atLo = pred(lo);
  for (int i = 0; i < kBisections; ++i) {
    const double mid = 0.5 * (lo + hi);
    if (pred(mid) == atLo) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  return 0.5 * (lo + hi);
}

// Time during which `pred` holds for the aircraft's position, followed along each
// stretch between points. Stretches whose time does not run forward add nothing.
template <class Pred>
double timeWhere(const std::vector<TrackSample>& track, Pred pred) {
  double total = 0;
  for (size_t k = 0; k + 1 < track.size(); ++k) {
    const TrackSample& a = track[k];
    const TrackSample& b = track[k + 1];
    const double dt = b.t - a.t;
    if (!(dt > 0)) continue;
    const double len = geoDistanceNm(a.pos, b.pos);
    const int pieces = std::max(1, static_cast<int>(std::min<double>(kMaxPieces, std::ceil(len / kPieceNm))));
    auto at = [&](double f) { return pred(geoInterpolate(a.pos, b.pos, f)); };
    double f0 = 0;
    bool s0 = at(0);
    for (int i = 1; i <= pieces; ++i) {
      const double f1 = static_cast<double>(i) / pieces;
      const bool s1 = at(f1);
      if (s0 && s1) {
        total += (f1 - f0) * dt;
      } else if (s0 != s1) {
        const double fc = bisect(at, f0, f1);
        total += (s0 ? fc - f0 : f1 - fc) * dt;
      }
      f0 = f1;
      s0 = s1;
    }
  }
  return total;
}

double segmentCourse(const TrackSample& a, const TrackSample& b) { return geoBearing(a.pos, b.pos); }
bool moves(const TrackSample& a, const TrackSample& b) { return geoDistanceNm(a.pos, b.pos) > 1e-9; }

Stat statOfLine(const std::vector<LineSample>& samples, bool angular) {
  std::vector<double> v;
  v.reserve(samples.size());
  for (const LineSample& s : samples) v.push_back(angular ? s.angularDeg : s.crossNm);
  return statOf(v);
}

}  // namespace

std::vector<TrackSample> trackSamples(const std::vector<TrackPoint>& points, size_t* skipped) {
  std::vector<TrackSample> out;
  out.reserve(points.size());
  size_t bad = 0;
  for (const TrackPoint& p : points) {
    const double lat = latitudeDegrees(p.rawLatitude);
    const double lon = longitudeDegrees(p.rawLongitude);
    if (!std::isfinite(lat) || !std::isfinite(lon) || !std::isfinite(p.elapsed) || std::fabs(lat) > 90) {
      ++bad;
      continue;
    }
    out.push_back({{lat, wrap180(lon)}, p.elapsed});
  }
  if (skipped) *skipped = bad;
  return out;
}

TrackSample interpolateSample(const TrackSample& a, const TrackSample& b, double f) {
  return {geoInterpolate(a.pos, b.pos, f), a.t + f * (b.t - a.t)};
}

Approach closestApproach(const std::vector<TrackSample>& track, GeoPos target) {
  Approach best;
  auto consider = [&](double nm, double t) {
    if (!best.valid() || nm < best.nm) best = {nm, t};
  };
  if (track.empty()) return best;
  double da = geoDistanceNm(track[0].pos, target);
  consider(da, track[0].t);
  for (size_t k = 0; k + 1 < track.size(); ++k) {
    const TrackSample& a = track[k];
    const TrackSample& b = track[k + 1];
    const double db = geoDistanceNm(b.pos, target);
    const double len = geoDistanceNm(a.pos, b.pos);
    // No point of the stretch comes nearer than (da + db - len) / 2 (triangle
    // inequality): most stretches end here without the perpendicular.
    if (len > 1e-9 && (da + db - len) / 2 < best.nm) {
      // The foot of the perpendicular from the target onto the stretch's great circle.
      const double along = geoAlongTrackNm(a.pos, segmentCourse(a, b), target);
      if (along > 0 && along < len) {
        const TrackSample p = interpolateSample(a, b, along / len);
        consider(geoDistanceNm(p.pos, target), p.t);
      }
    }
    consider(db, b.t);
    da = db;
  }
  return best;
}

Stat statOf(const std::vector<double>& values) {
  Stat s;
  double sumSq = 0;
  for (double v : values) {
    if (!std::isfinite(v)) continue;
    if (s.count == 0 || std::fabs(v) > s.maxAbs) {
      s.maxAbs = std::fabs(v);
      s.extreme = v;
    }
    sumSq += v * v;
    ++s.count;
  }
  if (s.count > 0) s.rms = std::sqrt(sumSq / s.count);
  return s;
}

std::vector<LineSample> lineSamples(const std::vector<TrackSample>& track, const CourseLine& line) {
  std::vector<LineSample> out;
  for (size_t i = 0; i < track.size(); ++i) {
    const GeoPos p = track[i].pos;
    const double along = geoAlongTrackNm(line.ref, line.courseTrue, p);
    if (!(along >= line.alongMin && along <= line.alongMax)) continue;  // a NaN length holds nothing
    // Measured at the reference point, where the course is given (as a VOR gives
    // its radials): the bearing to it is the reciprocal of the bearing from it, so
    // a point on the line reads 0 however far meridians converge along it.
    const double from = geoBearing(line.ref, p);
    const double bearing = line.inbound ? from + 180 : from;
    const double angular = wrap180(bearing - line.courseTrue);
    if (std::fabs(angular) > kLineAngularLimitDeg) continue;
    out.push_back({i, track[i].t, geoCrossTrackNm(line.ref, line.courseTrue, p), angular});
  }
  return out;
}

bool inSector(const DmeArc& arc, GeoPos p) {
  return wrap360(geoBearing(arc.navaid, p) - arc.startTrue) <= arc.spanDeg + 1e-9;
}

std::vector<ArcSample> arcSamples(const std::vector<TrackSample>& track, const DmeArc& arc) {
  std::vector<ArcSample> out;
  for (size_t i = 0; i < track.size(); ++i) {
    if (!inSector(arc, track[i].pos)) continue;
    out.push_back({i, track[i].t, geoDistanceNm(arc.navaid, track[i].pos) - arc.radiusNm});
  }
  return out;
}

double timeOutsideArc(const std::vector<TrackSample>& track, const DmeArc& arc, double toleranceNm) {
  return timeWhere(track, [&](GeoPos p) {
    return inSector(arc, p) && std::fabs(geoDistanceNm(arc.navaid, p) - arc.radiusNm) > toleranceNm;
  });
}

std::vector<FixCrossing> fixCrossings(const std::vector<TrackSample>& track, const Hold& hold) {
  std::vector<FixCrossing> out;
  const double width = crossingRadiusNm(hold);
  auto along = [&](GeoPos p) { return geoAlongTrackNm(hold.fix, hold.inboundTrue, p); };
  for (size_t k = 0; k + 1 < track.size(); ++k) {
    const TrackSample& a = track[k];
    const TrackSample& b = track[k + 1];
    if (!(along(a.pos) < 0 && along(b.pos) >= 0) || !moves(a, b)) continue;
    if (std::fabs(wrap180(segmentCourse(a, b) - hold.inboundTrue)) > kCrossingAngleDeg) continue;
    const double f = bisect([&](double x) { return along(geoInterpolate(a.pos, b.pos, x)) >= 0; }, 0.0, 1.0);
    const TrackSample c = interpolateSample(a, b, f);
    const double cross = geoCrossTrackNm(hold.fix, hold.inboundTrue, c.pos);
    if (std::fabs(cross) > width) continue;
    out.push_back({c.t, cross, k});
  }
  return out;
}

double rollOutTime(const std::vector<TrackSample>& track, const Hold& hold, const FixCrossing& from,
                   const FixCrossing& to) {
  // Deviation of the course from the inbound course at the middle of each moving
  // stretch of the lap; the crossing stretches themselves included.
  struct Mid {
    double t, dev;
  };
  std::vector<Mid> mids;
  for (size_t k = from.segment; k <= to.segment && k + 1 < track.size(); ++k) {
    const TrackSample& a = track[k];
    const TrackSample& b = track[k + 1];
    if (!moves(a, b)) continue;
    mids.push_back({0.5 * (a.t + b.t), std::fabs(wrap180(segmentCourse(a, b) - hold.inboundTrue))});
  }
  size_t turn = mids.size();
  for (size_t i = mids.size(); i-- > 0;) {
    if (mids[i].dev > 90) {
      turn = i;
      break;
    }
  }
  if (turn == mids.size()) return kNoValue;
  // Rolled out once the course stays within the band up to the fix: an overshoot
  // that swings back out of it is still part of the turn's correction.
  size_t last = turn;
  for (size_t j = turn + 1; j < mids.size(); ++j)
    if (mids[j].dev > kRollOutAngleDeg) last = j;
  if (last + 1 >= mids.size()) return kNoValue;
  const Mid& p = mids[last];
  const Mid& q = mids[last + 1];
  if (!(q.t > p.t)) return std::min(q.t, to.t);
  const double rate = (p.dev - q.dev) / (q.t - p.t);  // degrees a second of closing
  double t;
  if (rate >= kRollOutTurnRateDegS)
    t = p.t + p.dev / rate;  // still turning: on at that rate until it meets the course
  else
    t = p.t + (p.dev - kRollOutAngleDeg) / rate;  // wings level: where it entered the band
  return std::max(p.t, std::min(t, to.t));
}

double crossingRadiusNm(const Hold& hold) { return hold.widthNm >= 1 ? hold.widthNm : 1; }

bool holdEnteredAtFix(const std::vector<TrackSample>& track, const Hold& hold, const FixCrossing& first,
                      FixCrossing* arrival) {
  const double radius = crossingRadiusNm(hold);
  auto near = [&](size_t i) { return geoDistanceNm(track[i].pos, hold.fix) <= radius; };
  // Back from the crossing: over the approach that leads to it, over the time away
  // from the fix, to the last passage over it before.
  size_t i = std::min(first.segment, track.size() - 1) + 1;
  while (i > 0 && near(i - 1)) --i;
  while (i > 0 && !near(i - 1)) --i;
  if (i == 0) return false;
  size_t best = i - 1;
  for (size_t k = i - 1; k > 0 && near(k - 1); --k)
    if (geoDistanceNm(track[k - 1].pos, hold.fix) < geoDistanceNm(track[best].pos, hold.fix)) best = k - 1;
  *arrival = {track[best].t, geoCrossTrackNm(hold.fix, hold.inboundTrue, track[best].pos), best};
  return true;
}

HoldResult measureHold(const std::vector<TrackSample>& track, const Hold& hold) {
  HoldResult r;
  r.crossings = fixCrossings(track, hold);
  if (r.crossings.empty()) return r;
  // Each lap ends at a crossing and starts at the one before; the first crossing
  // ends a lap too when the hold was entered over the fix.
  std::vector<FixCrossing> starts;
  FixCrossing arrival{};
  if (holdEnteredAtFix(track, hold, r.crossings[0], &arrival)) starts.push_back(arrival);
  starts.insert(starts.end(), r.crossings.begin(), r.crossings.end() - 1);
  const size_t firstEnd = r.crossings.size() - starts.size();
  // Right of the inbound course is the holding side of right turns.
  const double holdingSide = hold.turnLeft ? -1 : 1;
  for (size_t j = 0; j < starts.size(); ++j) {
    const FixCrossing& from = starts[j];
    const FixCrossing& to = r.crossings[firstEnd + j];
    Lap lap;
    lap.fixTime = to.t;
    lap.rollOut = rollOutTime(track, hold, from, to);
    lap.inboundLegS = lap.fixTime - lap.rollOut;
    std::vector<double> leg;
    double excursion = std::max({0.0, -holdingSide * from.crossNm, -holdingSide * to.crossNm});
    for (size_t i = from.segment + 1; i <= to.segment && i < track.size(); ++i) {
      const double cross = geoCrossTrackNm(hold.fix, hold.inboundTrue, track[i].pos);
      excursion = std::max(excursion, -holdingSide * cross);
      if (lap.rollOut == lap.rollOut && track[i].t >= lap.rollOut) leg.push_back(cross);
    }
    if (lap.rollOut == lap.rollOut) leg.push_back(to.crossNm);
    lap.crossTrack = statOf(leg);
    lap.excursionNm = excursion;
    r.excursionNm = r.laps.empty() ? excursion : std::max(r.excursionNm, excursion);
    r.laps.push_back(lap);
  }
  return r;
}

namespace {

void measureLines(ExerciseDebrief& d, const std::vector<TrackSample>& track) {
  std::vector<double> cross, angular;
  for (LineResult& l : d.lines) {
    l.samples = lineSamples(track, l.line);
    l.crossTrack = statOfLine(l.samples, false);
    l.angular = statOfLine(l.samples, true);
    for (const LineSample& s : l.samples) {
      cross.push_back(s.crossNm);
      angular.push_back(s.angularDeg);
    }
  }
  d.crossTrack = statOf(cross);
  d.angular = statOf(angular);
}

std::string courseLabel(const char* what, double magnetic) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%s %03.0f", what, wrap360(std::round(magnetic)) + 0.0);  // never "-00"
  return buf;
}

ExerciseDebrief describe(const IfrExercise& e, int32_t index) {
  ExerciseDebrief d;
  d.index = index;
  d.form = e.form;
  d.navaidId = e.navaidId;
  d.navaidType = e.navaidType;
  d.navaidName = e.navaidName;
  d.qdm = e.qdm;
  d.qdr = e.qdr;
  d.variation = e.variation;
  d.resolved = e.geometryValid != 0;
  return d;
}

}  // namespace

std::vector<ExerciseDebrief> debriefExercises(const IfrExerciseSet& set, const std::vector<TrackSample>& track) {
  std::vector<ExerciseDebrief> out;
  for (int32_t i = 0; i < set.count();) {
    const IfrExercise& e = set.entry(i);
    ExerciseDebrief d = describe(e, i);
    // An arc is its first entry and every entry after it that names it.
    if (e.form == FormAdme) {
      while (i + d.entries < set.count() && set.entry(i + d.entries).form == FormAdme &&
             set.entry(i + d.entries).arcFirst == i)
        ++d.entries;
      for (int32_t k = 0; k < d.entries; ++k) d.resolved = d.resolved && set.entry(i + k).geometryValid != 0;
    }
    i += d.entries;
    if (!d.resolved) {
      out.push_back(d);
      continue;
    }

    const GeoPos ref = exerciseReference(e);
    const double inboundTrue = wrap360(e.qdm + e.variation);
    switch (e.form) {
      case FormLine:
        d.lines.push_back({courseLabel("QDM", e.qdm), {ref, inboundTrue, -6, 0, true}, {}, {}, {}});
        d.lines.push_back({courseLabel("QDR", e.qdr), {ref, wrap360(e.qdr + e.variation), 0, 6, false}, {}, {}, {}});
        d.closest = closestApproach(track, ref);
        break;
      case FormHipp: {
        const double width = 2 * std::sqrt(e.ias / (60 * kExercisePi));
        d.hold = {ref, inboundTrue, e.legLength, std::isfinite(width) ? width : 0, e.turnLeft != 0};
        d.legTimeS = 60.0 * e.tri;
        d.lines.push_back({courseLabel("inbound", e.qdm), {ref, inboundTrue, -e.legLength, 0, true}, {}, {}, {}});
        d.closest = closestApproach(track, ref);
        break;
      }
      case FormRely:
      case FormCoor:
      case FormAdme:
        if (e.form == FormAdme) {
          const IfrExercise& last = set.entry(d.index + d.entries - 1);
          d.arc = {ref, e.userDistance, wrap360(e.userHeading + e.variation), wrap360(last.userHeading - e.userHeading)};
        }
        for (int32_t k = 0; k < d.entries; ++k) {
          const IfrExercise& w = set.entry(d.index + k);
          const GeoPos pos = chartToDegrees(w.qdmLineTo);
          const Approach a = closestApproach(track, pos);
          d.waypoints.push_back({d.index + k, w.userHeading, pos, a});
          if (a.valid() && (!d.closest.valid() || a.nm < d.closest.nm)) d.closest = a;
        }
        break;
      default:
        break;
    }
    d.flown = d.closest.valid() && d.closest.nm <= kFlownWithinNm;
    if (d.flown) {
      measureLines(d, track);
      if (e.form == FormHipp) d.holdResult = measureHold(track, d.hold);
      if (e.form == FormAdme) {
        d.arcPoints = arcSamples(track, d.arc);
        std::vector<double> err;
        for (const ArcSample& s : d.arcPoints) err.push_back(s.errorNm);
        d.dmeError = statOf(err);
        d.outsideS = timeOutsideArc(track, d.arc, kDmeBandNm);
      }
    }
    out.push_back(d);
  }
  return out;
}
