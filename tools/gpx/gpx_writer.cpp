#include "gpx_writer.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

bool leapYear(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int64_t y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && leapYear(y) ? 29 : days[m - 1];
}

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
int64_t daysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int64_t* y, int* m, int* d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *y = yoe + era * 400 + (*m <= 2);
}

bool digits(const std::string& s, size_t at, size_t count, int* value) {
  if (at + count > s.size()) return false;
  int v = 0;
  for (size_t i = at; i < at + count; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
  }
  *value = v;
  return true;
}

// Length of the UTF-8 sequence starting at s[i], or 0 when it is not one.
size_t utf8Length(const std::string& s, size_t i) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  size_t n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c <= 0xDF ? 2 : 0;
  if (c >= 0xF5 || n == 0 || i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
  const unsigned char c1 = static_cast<unsigned char>(s[i + 1]);
  if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 >= 0xA0) || (c == 0xF0 && c1 < 0x90) || (c == 0xF4 && c1 >= 0x90))
    return 0;  // overlong forms, surrogates, beyond U+10FFFF
  return n;
}

}  // namespace

bool parseIsoTime(const std::string& s, UtcTime* out) {
  int year, month, day, hour, minute, second = 0;
  if (!digits(s, 0, 4, &year) || s.size() < 16 || s[4] != '-' || !digits(s, 5, 2, &month) || s[7] != '-' ||
      !digits(s, 8, 2, &day) || (s[10] != 'T' && s[10] != 't' && s[10] != ' ') || !digits(s, 11, 2, &hour) ||
      s[13] != ':' || !digits(s, 14, 2, &minute))
    return false;
  size_t at = 16;
  int centiseconds = 0;
  if (at < s.size() && s[at] == ':') {
    if (!digits(s, at + 1, 2, &second)) return false;
    at += 3;
    if (at < s.size() && (s[at] == '.' || s[at] == ',')) {
      size_t first = ++at;
      double fraction = 0, scale = 0.1;
      while (at < s.size() && s[at] >= '0' && s[at] <= '9') {
        fraction += (s[at] - '0') * scale;
        scale /= 10;
        ++at;
      }
      if (at == first) return false;
      centiseconds = static_cast<int>(std::lround(fraction * 100));
    }
  }
  int offsetMinutes = 0;
  if (at < s.size()) {
    if ((s[at] == 'Z' || s[at] == 'z') && at + 1 == s.size()) {
      at += 1;
    } else if ((s[at] == '+' || s[at] == '-') && at + 6 == s.size() && s[at + 3] == ':') {
      int oh, om;
      if (!digits(s, at + 1, 2, &oh) || !digits(s, at + 4, 2, &om) || oh > 23 || om > 59) return false;
      offsetMinutes = (oh * 60 + om) * (s[at] == '-' ? -1 : 1);
      at += 6;
    } else {
      return false;
    }
  }
  if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 || minute > 59 ||
      second > 59)
    return false;
  int64_t seconds = daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second -
                    static_cast<int64_t>(offsetMinutes) * 60;
  *out = addSeconds(UtcTime{seconds, 0}, centiseconds / 100.0);
  return true;
}

UtcTime addSeconds(const UtcTime& start, double seconds) {
  int64_t total = start.centiseconds + static_cast<int64_t>(std::llround(seconds * 100.0));
  int64_t whole = total / 100, rest = total % 100;
  if (rest < 0) {
    rest += 100;
    whole -= 1;
  }
  return UtcTime{start.seconds + whole, static_cast<int>(rest)};
}

std::string formatIsoTime(const UtcTime& t) {
  int64_t days = t.seconds / 86400, inDay = t.seconds % 86400;
  if (inDay < 0) {
    inDay += 86400;
    days -= 1;
  }
  int64_t y;
  int m, d;
  civilFromDays(days, &y, &m, &d);
  char text[64];
  int n = std::snprintf(text, sizeof text, "%04lld-%02d-%02dT%02d:%02d:%02d", static_cast<long long>(y), m, d,
                        static_cast<int>(inDay / 3600), static_cast<int>(inDay / 60 % 60),
                        static_cast<int>(inDay % 60));
  if (t.centiseconds) std::snprintf(text + n, sizeof text - n, ".%02d", t.centiseconds);
  return std::string(text) + "Z";
}


std::string xmlText(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      size_t n = utf8Length(text, i);
      if (n) {
        out.append(text, i, n);
        i += n;
      } else {
        out += '?';
        ++i;
      }
      continue;
    }
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default:
        if (c >= 0x20 || c == '\t') out += static_cast<char>(c);
    }
    ++i;
  }
  return out;
}

GpxResult trackToGpx(const std::vector<TrackPoint>& points, const std::string& name, const UtcTime* start) {
  GpxResult result;
  std::string& doc = result.document;
  const std::string title = xmlText(name);
  doc +=
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<gpx version=\"1.1\" creator=\"track2gpx\" xmlns=\"http://www.topografix.com/GPX/1/1\"\n"
      "     xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"\n"
      "     xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 "
      "http://www.topografix.com/GPX/1/1/gpx.xsd\">\n";
  doc += "  <metadata>\n    <name>" + title + "</name>\n";
  if (start) doc += "    <time>" + formatIsoTime(*start) + "</time>\n";
  doc += "  </metadata>\n  <trk>\n    <name>" + title + "</name>\n    <trkseg>\n";
  char line[160];
  for (const TrackPoint& p : points) {
    const double lat = latitudeDegrees(p.rawLatitude);
    const double lon = longitudeDegrees(p.rawLongitude);
    if (!std::isfinite(lat) || !std::isfinite(lon) || !std::isfinite(p.altitude) || !std::isfinite(p.elapsed) ||
        lat < -90.0 || lat > 90.0) {
      result.skipped++;
      continue;
    }
    // -0.000000 is valid but reads oddly in a map program's info panel.
    std::snprintf(line, sizeof line, "      <trkpt lat=\"%.6f\" lon=\"%.6f\">\n", lat == 0 ? 0.0 : lat,
                  lon == 0 ? 0.0 : lon);
    doc += line;
    std::snprintf(line, sizeof line, "        <ele>%.2f</ele>\n", p.altitude * 0.3048);
    doc += line;
    if (start) doc += "        <time>" + formatIsoTime(addSeconds(*start, p.elapsed)) + "</time>\n";
    doc += "      </trkpt>\n";
    result.written++;
  }
  doc += "    </trkseg>\n  </trk>\n</gpx>\n";
  return result;
}
