#include "nmea_sentence.h"

#include <cstdio>
#include <ctime>
#include <vector>

namespace {

// A field as [begin, end) into the line.
struct Field {
  const char* begin;
  const char* end;
  bool empty() const { return begin == end; }
  size_t size() const { return static_cast<size_t>(end - begin); }
};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// digits[.digits]: no sign, exponent, "inf" or "nan", which a receiver never sends.
bool decimal(Field f, double* out) {
  const char* p = f.begin;
  double v = 0;
  int whole = 0;
  while (p < f.end && isDigit(*p)) {
    v = v * 10 + (*p++ - '0');
    ++whole;
  }
  int fraction = 0;
  if (p < f.end && *p == '.') {
    ++p;
    double scale = 0.1;
    while (p < f.end && isDigit(*p)) {
      v += (*p++ - '0') * scale;
      scale /= 10;
      ++fraction;
    }
  }
  if (p != f.end || whole + fraction == 0) return false;
  *out = v;
  return true;
}

int twoDigits(const char* p) { return (p[0] - '0') * 10 + (p[1] - '0'); }

// hhmmss[.s...] to milliseconds of the day.
bool timeOfDay(Field f, int64_t* ms) {
  if (f.size() < 6) return false;
  for (int i = 0; i < 6; ++i)
    if (!isDigit(f.begin[i])) return false;
  const int h = twoDigits(f.begin), m = twoDigits(f.begin + 2), s = twoDigits(f.begin + 4);
  if (h > 23 || m > 59 || s > 60) return false;  // 60: a leap second
  double fraction = 0;
  if (f.size() > 6) {
    if (f.begin[6] != '.' || !decimal(Field{f.begin + 6, f.end}, &fraction)) return false;
  }
  *ms = (static_cast<int64_t>(h) * 3600 + m * 60 + s) * 1000 + static_cast<int64_t>(fraction * 1000 + 0.5);
  return true;
}

// ddmmyy to days since 1970; two-digit years 80..99 are 1980..1999, the rest 2000..2079.
bool dayNumber(Field f, int64_t* days) {
  if (f.size() != 6) return false;
  for (int i = 0; i < 6; ++i)
    if (!isDigit(f.begin[i])) return false;
  const int d = twoDigits(f.begin), m = twoDigits(f.begin + 2), y = twoDigits(f.begin + 4);
  static const int monthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m < 1 || m > 12 || d < 1 || d > monthDays[m - 1]) return false;
  const int year = y >= 80 ? 1900 + y : 2000 + y;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (m == 2 && d == 29 && !leap) return false;
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = m - 1;
  t.tm_mday = d;
  t.tm_hour = 12;  // away from any edge
  *days = static_cast<int64_t>(::timegm(&t)) / 86400;
  return true;
}

// (d)ddmm.mmmm and its hemisphere letter to signed degrees.
bool angle(Field value, Field hemisphere, int maxDegrees, char positive, char negative, double* out) {
  double v;
  if (!decimal(value, &v) || hemisphere.size() != 1) return false;
  const double degrees = static_cast<double>(static_cast<int64_t>(v / 100));
  const double minutes = v - degrees * 100;
  if (minutes >= 60) return false;
  double a = degrees + minutes / 60;
  if (a > maxDegrees) return false;
  if (*hemisphere.begin == negative) {
    a = -a;
  } else if (*hemisphere.begin != positive) {
    return false;
  }
  *out = a;
  return true;
}

bool known(const std::string& type) {
  static const char* const notUsed[] = {"GSA", "GSV", "VTG", "GLL", "ZDA", "GST", "GBS", "GRS",
                                        "GNS", "DTM", "TXT", "HDT", "HDG", "RMB", "RMA", "GBQ"};
  for (const char* t : notUsed)
    if (type == t) return true;
  return false;
}

NmeaOutcome readRmc(const std::vector<Field>& f, NmeaFix* fix) {
  // time, status, lat, N/S, lon, E/W, speed, course, date, variation, E/W [, mode [, nav status]]
  if (f.size() < 10) return NmeaOutcome::Truncated;
  if (f[2].size() != 1) return NmeaOutcome::Malformed;
  if (*f[2].begin == 'V') return NmeaOutcome::Void;
  if (*f[2].begin != 'A') return NmeaOutcome::Malformed;
  if (f.size() > 12 && f[12].size() == 1 && *f[12].begin == 'N') return NmeaOutcome::Void;
  fix->type = NmeaFix::Rmc;
  if (!timeOfDay(f[1], &fix->timeMs)) return NmeaOutcome::Malformed;
  if (!angle(f[3], f[4], 90, 'N', 'S', &fix->latitude) || !angle(f[5], f[6], 180, 'E', 'W', &fix->longitude))
    return NmeaOutcome::Malformed;
  fix->hasSpeed = !f[7].empty();
  if (fix->hasSpeed && !decimal(f[7], &fix->speedKnots)) return NmeaOutcome::Malformed;
  fix->hasCourse = !f[8].empty();
  if (fix->hasCourse && (!decimal(f[8], &fix->courseDegrees) || fix->courseDegrees > 360))
    return NmeaOutcome::Malformed;
  if (!f[9].empty() && !dayNumber(f[9], &fix->date)) return NmeaOutcome::Malformed;
  return NmeaOutcome::Used;
}

NmeaOutcome readGga(const std::vector<Field>& f, NmeaFix* fix) {
  // time, lat, N/S, lon, E/W, quality, satellites, hdop, altitude, M, separation, M, ...
  if (f.size() < 10) return NmeaOutcome::Truncated;
  double quality;
  if (f[6].empty()) return NmeaOutcome::Void;
  if (!decimal(f[6], &quality)) return NmeaOutcome::Malformed;
  if (quality == 0) return NmeaOutcome::Void;
  fix->type = NmeaFix::Gga;
  if (!timeOfDay(f[1], &fix->timeMs)) return NmeaOutcome::Malformed;
  if (!angle(f[2], f[3], 90, 'N', 'S', &fix->latitude) || !angle(f[4], f[5], 180, 'E', 'W', &fix->longitude))
    return NmeaOutcome::Malformed;
  fix->hasAltitude = !f[9].empty();
  if (fix->hasAltitude) {
    const bool negative = *f[9].begin == '-';
    if (!decimal(Field{f[9].begin + (negative ? 1 : 0), f[9].end}, &fix->altitudeMetres))
      return NmeaOutcome::Malformed;
    if (negative) fix->altitudeMetres = -fix->altitudeMetres;
    if (f.size() > 10 && !f[10].empty() && !(f[10].size() == 1 && *f[10].begin == 'M'))
      return NmeaOutcome::Malformed;
  }
  return NmeaOutcome::Used;
}

}  // namespace

const char* nmeaOutcomeName(NmeaOutcome outcome) {
  switch (outcome) {
    case NmeaOutcome::Used: return "used";
    case NmeaOutcome::Blank: return "blank";
    case NmeaOutcome::NotUsed: return "not used";
    case NmeaOutcome::Checksum: return "checksum";
    case NmeaOutcome::Void: return "void fix";
    case NmeaOutcome::Unknown: return "unknown sentence";
    case NmeaOutcome::Talker: return "other talker";
    case NmeaOutcome::Truncated: return "truncated";
    case NmeaOutcome::TooLong: return "too long";
    case NmeaOutcome::Noise: return "noise";
    case NmeaOutcome::Malformed: return "bad field";
    case NmeaOutcome::Backwards: return "time backwards";
    case NmeaOutcome::Jump: return "time jump";
    case NmeaOutcome::Count: break;
  }
  return "?";
}

NmeaOutcome parseNmeaLine(const std::string& line, NmeaFix* fix) {
  if (line.empty()) return NmeaOutcome::Blank;
  for (char c : line)
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) return NmeaOutcome::Noise;
  if (line[0] != '$') return NmeaOutcome::Noise;
  if (line.size() > kNmeaMaxLine) return NmeaOutcome::TooLong;

  const size_t star = line.find('*');
  if (star == std::string::npos || star + 3 > line.size()) return NmeaOutcome::Truncated;
  if (star + 3 < line.size()) return NmeaOutcome::Malformed;
  const int high = hexValue(line[star + 1]), low = hexValue(line[star + 2]);
  if (high < 0 || low < 0) return NmeaOutcome::Malformed;
  if (nmeaChecksum(line.substr(1, star - 1)) != static_cast<unsigned>(high * 16 + low))
    return NmeaOutcome::Checksum;

  std::vector<Field> fields;
  const char* p = line.data() + 1;
  const char* end = line.data() + star;
  for (;;) {
    const char* comma = p;
    while (comma < end && *comma != ',') ++comma;
    fields.push_back(Field{p, comma});
    if (comma == end) break;
    p = comma + 1;
  }
  const std::string address(fields[0].begin, fields[0].end);
  if (!address.empty() && address[0] == 'P') return NmeaOutcome::Unknown;  // proprietary
  if (address.size() != 5) return NmeaOutcome::Malformed;
  const std::string talker = address.substr(0, 2), type = address.substr(2);
  if (talker != "GP" && talker != "GN" && talker != "GL" && talker != "GA" && talker != "GB")
    return NmeaOutcome::Talker;
  NmeaFix read;
  NmeaOutcome outcome;
  if (type == "RMC") {
    outcome = readRmc(fields, &read);
  } else if (type == "GGA") {
    outcome = readGga(fields, &read);
  } else {
    return known(type) ? NmeaOutcome::NotUsed : NmeaOutcome::Unknown;
  }
  if (outcome == NmeaOutcome::Used) *fix = read;
  return outcome;
}

unsigned nmeaChecksum(const std::string& body) {
  unsigned sum = 0;
  for (char c : body) sum ^= static_cast<unsigned char>(c);
  return sum;
}

std::string nmeaSentence(const std::string& body) {
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X", nmeaChecksum(body));
  return "$" + body + tail;
}
