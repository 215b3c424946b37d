// The NMEA bridge's reading path: bytes split into lines, each line parsed, the
// used ones assembled into epochs and turned into the samples the plug-in gets.
#include <cmath>

#include "fuzz_entries.h"
#include "nmea_epoch.h"
#include "nmea_sentence.h"
#include "nmea_source.h"

namespace {

std::string checkFix(const NmeaFix& f) {
  if (!(f.latitude >= -90 && f.latitude <= 90) || !(f.longitude >= -180 && f.longitude <= 180))
    return "position out of range";
  if (f.timeMs < 0 || f.timeMs > 86401000) return "time of day out of range";
  if (f.date < -1) return "negative date";
  if (f.hasCourse && !(f.courseDegrees >= 0 && f.courseDegrees <= 360)) return "course out of range";
  if ((f.hasSpeed && !(std::isfinite(f.speedKnots) && f.speedKnots >= 0)) ||
      (f.hasAltitude && !std::isfinite(f.altitudeMetres)))
    return "speed or altitude not a finite number";
  return "";
}

std::string checkStep(const TimelineStep& s) {
  const FlightSample& x = s.sample;
  if (!(x.latitude >= -324000 && x.latitude <= 324000) || !(x.longitude >= 0 && x.longitude <= 1296000))
    return "sample position out of range";
  if (s.kind == TimelineStep::Tick && !(x.elapsed > 0 && x.elapsed <= kMaxGapSeconds))
    return "tick with an elapsed time out of (0, 600]";
  if (s.kind != TimelineStep::Tick && x.elapsed != 0) return "no tick but an elapsed time";
  if (!(x.aux >= 0 && x.aux <= kMaxTurnRate)) return "rate of turn out of [0, 3]";
  if (!std::isfinite(x.speed) || !std::isfinite(x.altitude)) return "speed or altitude not finite";
  if (s.kind == TimelineStep::Skip && s.reason != NmeaOutcome::Backwards && s.reason != NmeaOutcome::Jump)
    return "skip without a time reason";
  return "";
}

}  // namespace

std::string fuzzNmea(const uint8_t* data, size_t size) {
  std::vector<std::string> lines;
  LineSplitter splitter;
  splitter.push(reinterpret_cast<const char*>(data), size, &lines);
  splitter.flush(&lines);
  EpochAssembler assembler;
  FixTimeline timeline(20796);
  NmeaEpoch epoch;
  for (const std::string& line : lines) {
    if (line.size() > LineSplitter::kKeep) return "a line longer than the splitter keeps";
    NmeaFix fix;
    if (parseNmeaLine(line, &fix) != NmeaOutcome::Used) continue;
    std::string bad = checkFix(fix);
    if (bad.empty() && assembler.add(fix, &epoch)) bad = checkStep(timeline.next(epoch));
    if (!bad.empty()) return bad + ": " + line;
  }
  if (assembler.finish(&epoch)) return checkStep(timeline.next(epoch));
  return "";
}
