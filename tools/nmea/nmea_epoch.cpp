#include "nmea_epoch.h"

#include <cmath>

#include "great_circle.h"

bool EpochAssembler::add(const NmeaFix& fix, NmeaEpoch* done) {
  bool finished = false;
  if (open_ && fix.timeMs != epoch_.timeMs) {
    *done = epoch_;
    finished = true;
    open_ = false;
  }
  if (!open_) {
    epoch_ = NmeaEpoch();
    epoch_.timeMs = fix.timeMs;
    open_ = true;
  }
  epoch_.latitude = fix.latitude;
  epoch_.longitude = fix.longitude;
  ++epoch_.sentences;
  if (fix.type == NmeaFix::Rmc) {
    if (fix.date >= 0) epoch_.date = fix.date;
    epoch_.hasSpeed = fix.hasSpeed;
    epoch_.speedKnots = fix.speedKnots;
    epoch_.hasCourse = fix.hasCourse;
    epoch_.courseDegrees = fix.courseDegrees;
  } else if (fix.hasAltitude) {
    epoch_.hasAltitude = true;
    epoch_.altitudeMetres = fix.altitudeMetres;
  }
  return finished;
}

bool EpochAssembler::finish(NmeaEpoch* done) {
  if (!open_) return false;
  *done = epoch_;
  open_ = false;
  return true;
}

double turnRate(double previousCourse, double course, double dtSeconds, double speedKnots) {
  if (!(dtSeconds > 0) || speedKnots < kTurnMinimumKnots) return 0;
  const double rate = std::fabs(wrap180(course - previousCourse)) / (kStandardRateDegPerSec * dtSeconds);
  return rate > kMaxTurnRate ? kMaxTurnRate : rate;
}


TimelineStep FixTimeline::next(const NmeaEpoch& e) {
  const int64_t dayMs = 86400000;
  // The day: the epoch's own RMC date; else the previous epoch's, one later when
  // the time of day fell by more than half a day (midnight passed between RMCs).
  int64_t date = e.date;
  if (date < 0) {
    date = started_ ? lastDate_ : fallbackDate_;
    if (started_ && e.timeMs < lastTimeMs_ - dayMs / 2) ++date;
  }
  const double utc = static_cast<double>(date) * 86400.0 + static_cast<double>(e.timeMs) / 1000.0;

  TimelineStep step;
  step.utcSeconds = utc;
  const double dt = utc - lastUtc_;
  if (!started_) {
    step.kind = TimelineStep::Start;
    started_ = true;
    startUtc_ = utc;
  } else if (dt <= 0) {
    step.kind = TimelineStep::Skip;
    step.reason = NmeaOutcome::Backwards;
  } else if (dt > kMaxGapSeconds) {
    step.kind = TimelineStep::Skip;
    step.reason = NmeaOutcome::Jump;
  } else {
    step.kind = TimelineStep::Tick;
  }
  const bool tick = step.kind == TimelineStep::Tick;

  if (e.hasAltitude) altitudeFeet_ = feetFromMetres(e.altitudeMetres);
  double knots = 0;
  if (e.hasSpeed) {
    knots = e.speedKnots;
  } else if (tick) {
    // GGA only: the speed between the two fixes.
    knots = geoDistanceNm({lastLatitude_, lastLongitude_}, {e.latitude, e.longitude}) / dt * 3600.0;
  }
  FlightSample& s = step.sample;
  s.latitude = latitudeArcSeconds(e.latitude);
  s.longitude = eastwardLongitudeArcSeconds(e.longitude);
  s.altitude = altitudeFeet_;
  s.speed = static_cast<float>(feetPerSecondFromKnots(knots));
  s.aux = tick && e.hasCourse && lastHasCourse_ ? turnRate(lastCourse_, e.courseDegrees, dt, knots) : 0.0;
  s.elapsed = tick ? static_cast<float>(dt) : 0.0f;

  // Every epoch, skipped or not, is the reference of the next.
  lastDate_ = date;
  lastTimeMs_ = e.timeMs;
  lastUtc_ = utc;
  lastLatitude_ = e.latitude;
  lastLongitude_ = e.longitude;
  lastHasCourse_ = e.hasCourse;
  lastCourse_ = e.courseDegrees;
  return step;
}
