// From NMEA fixes to the ticks the plug-in's recorder gets.
//
// A receiver sends several sentences per fix (an RMC and a GGA of the same
// second), and FlightGear stamps whole seconds, so above 1 Hz several fixes share
// one time. Sentences that carry the same UTC time are one epoch; the last of them
// gives its position. EpochAssembler closes an epoch when a sentence with another
// time arrives or the source ends.
//
// FixTimeline turns each closed epoch into what the host reports to the plug-in
// (FlightSample): position in arc-seconds with the longitude eastward 0..1296000,
// altitude in feet, ground speed v in feet per second, rate of turn x in units of
// the standard rate (3 degrees per second) and the elapsed time since the previous
// epoch, taken from the fixes' UTC times and never from the wall clock, so that a
// replayed log records the same track as the live flight. The first epoch starts
// the recording; an epoch whose time goes backwards or jumps ahead more than ten
// minutes gives no tick and starts afresh.
#pragma once

#include <cstdint>

#include "geo_units.h"
#include "nmea_sentence.h"
#include "stand_in_host.h"

struct NmeaEpoch {
  int64_t timeMs = 0;  // UTC time of day
  int64_t date = -1;   // days since 1970 from an RMC of the epoch, -1 when none had one
  double latitude = 0, longitude = 0;  // degrees, from the epoch's last sentence
  bool hasAltitude = false;
  double altitudeMetres = 0;
  bool hasSpeed = false;
  double speedKnots = 0;
  bool hasCourse = false;
  double courseDegrees = 0;
  int sentences = 0;
};

class EpochAssembler {
 public:
  // Adds a used sentence. True, with the finished epoch in *done, when the
  // sentence's time differs from the open epoch's (the sentence opens the next).
  bool add(const NmeaFix& fix, NmeaEpoch* done);
  // The source ended: the open epoch, if any, is finished.
  bool finish(NmeaEpoch* done);

 private:
  bool open_ = false;
  NmeaEpoch epoch_;
};

// Limits of the bridge (unit factors: geo_units.h).
const double kStandardRateDegPerSec = 3.0;
const double kMaxGapSeconds = 600.0;   // a longer forward jump starts afresh
const double kTurnMinimumKnots = 30.0;  // slower: no rate of turn (course is noise)
const double kMaxTurnRate = 3.0;        // in standard rates

struct TimelineStep {
  enum Kind { Start, Tick, Skip } kind = Skip;
  FlightSample sample;        // elapsed is the tick's dt (0 for Start and Skip)
  NmeaOutcome reason = NmeaOutcome::Used;  // Backwards or Jump for Skip
  double utcSeconds = 0;      // the epoch's time, seconds since 1970
};

class FixTimeline {
 public:
  // The UTC date to use while no RMC has given one (days since 1970); the
  // bridge passes today's date from the clock.
  explicit FixTimeline(int64_t fallbackDate) : fallbackDate_(fallbackDate) {}

  TimelineStep next(const NmeaEpoch& epoch);

  bool started() const { return started_; }
  double startUtc() const { return startUtc_; }

 private:
  int64_t fallbackDate_;
  bool started_ = false;
  double startUtc_ = 0;
  // The previous epoch, the reference of the next dt.
  int64_t lastDate_ = 0;
  int64_t lastTimeMs_ = 0;
  double lastUtc_ = 0;
  double lastLatitude_ = 0, lastLongitude_ = 0;
  bool lastHasCourse_ = false;
  double lastCourse_ = 0;
  double altitudeFeet_ = 0;  // the last known, for epochs without GGA
};

// Rate of turn x from the course change between two epoch (degrees true) over dt
// seconds at the given ground speed: |wrap180(change)| / (3 dt), capped at 3; 0
// below 30 knots or for a dt that is not positive.
double turnRate(double previousCourse, double course, double dtSeconds, double speedKnots);
