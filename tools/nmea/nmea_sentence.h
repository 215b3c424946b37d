// One NMEA 0183 line read into the few values a track needs, or the reason it
// was refused.
//
// A GPS receiver, a simulator's NMEA output or a log of either is a stream of
// text lines, many of which a track cannot use: other sentence types, fixes the
// receiver itself marks void, lines damaged on the wire. Each line gets exactly
// one outcome here, so the bridge can count what it skipped and why. Only RMC
// and GGA carry what is needed (time, position, altitude, speed, course, date);
// other well-known types are accepted as "not used", anything else is refused.
// Pure functions on plain text: no I/O, no state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Why a line was not used. Blank and NotUsed are not faults and are not
// reported as skipped; Backwards and Jump belong to whole epochs (see
// nmea_epoch.h) but are counted in the same table.
enum class NmeaOutcome {
  Used,
  Blank,      // empty line
  NotUsed,    // a well-formed sentence of a type the track does not need (GSA, GSV, VTG, ...)
  Checksum,   // the *hh checksum does not match
  Void,       // RMC status V (or mode N), GGA quality 0
  Unknown,    // a sentence type this reader does not know, or a proprietary $P... sentence
  Talker,     // a talker other than GP, GN, GL, GA, GB
  Truncated,  // no checksum, or fewer fields than the sentence has
  TooLong,    // over 82 characters (the line ending not counted)
  Noise,      // not a sentence: does not start with '$', or holds bytes that are not printable text
  Malformed,  // a field that is not what it must be (a time of 25 h, a latitude of 95 degrees)
  Backwards,  // (epochs) time earlier than or equal to the previous epoch's
  Jump,       // (epochs) time more than 10 minutes after the previous epoch's
  Count
};

// Short name for the summary: "checksum", "void", "time backwards", ...
const char* nmeaOutcomeName(NmeaOutcome outcome);

// What one RMC or GGA sentence says. Fields that the sentence leaves empty (or
// that its type does not carry) have their has-flag false.
struct NmeaFix {
  enum Type { Rmc, Gga } type = Rmc;
  int64_t timeMs = 0;  // UTC time of day, milliseconds
  int64_t date = -1;   // days since 1970-01-01 (RMC), -1 when absent
  double latitude = 0, longitude = 0;  // degrees, north and east positive
  bool hasAltitude = false;
  double altitudeMetres = 0;  // GGA, above mean sea level
  bool hasSpeed = false;
  double speedKnots = 0;  // RMC, over ground
  bool hasCourse = false;
  double courseDegrees = 0;  // RMC, true, over ground
};

const size_t kNmeaMaxLine = 82;

// Reads one line (without its line ending). Used fills *fix; every other outcome
// leaves it unspecified.
NmeaOutcome parseNmeaLine(const std::string& line, NmeaFix* fix);

// The checksum of a sentence body (the characters between '$' and '*'), for
// writing test and benchmark input.
unsigned nmeaChecksum(const std::string& body);
// "$" + body + "*HH".
std::string nmeaSentence(const std::string& body);
