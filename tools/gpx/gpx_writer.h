// Turns a recorded track into a GPX 1.1 track, so a flight can be shown in any
// map program.
//
// The track comes from the viewer's own reader (TrackFile), so the same lines
// count as data. Positions go from arc-seconds (longitude eastward 0..1296000) to
// decimal degrees in -180..180, altitudes from feet to metres, and each point's
// time is the start time plus the seconds accumulated up to it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "geo_units.h"
#include "track_file.h"

// A UTC instant to the hundredth of a second.
struct UtcTime {
  int64_t seconds = 0;  // since 1970-01-01T00:00:00Z
  int centiseconds = 0;
};

// "YYYY-MM-DDTHH:MM[:SS[.fff]]" with "Z", "+HH:MM" or "-HH:MM" (the instant is
// kept in UTC) or no zone (taken as UTC). False for anything else, including
// dates that do not exist.
bool parseIsoTime(const std::string& text, UtcTime* out);
// "2026-12-09T01:00:02Z", with ".50" before the Z when there are hundredths.
std::string formatIsoTime(const UtcTime& time);
// start plus a number of seconds, rounded to the hundredth.
UtcTime addSeconds(const UtcTime& start, double seconds);

// Degrees from the track's arc-seconds: latitudeDegrees and longitudeDegrees of
// geo_units.h (longitude wrapped into [-180, 180)).

// Text for XML character data and attributes: & < > " ' escaped, control
// characters dropped, bytes that are not UTF-8 replaced by '?'.
std::string xmlText(const std::string& text);

struct GpxResult {
  std::string document;
  int written = 0;  // trkpt elements
  int skipped = 0;  // points with a latitude beyond the poles or a value that is not a number
};

// The whole document. No start time: points carry no <time>.
GpxResult trackToGpx(const std::vector<TrackPoint>& points, const std::string& name, const UtcTime* start);
