#include "check_text.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "navconv.h"

namespace checktext {

bool isUtf8(const std::string& s) {
  size_t i = 0;
  while (i < s.size()) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    size_t more;
    uint32_t cp;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      more = 1;
      cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      more = 2;
      cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      more = 3;
      cp = c & 0x07;
    } else {
      return false;
    }
    if (i + more >= s.size()) return false;
    for (size_t k = 1; k <= more; ++k) {
      const unsigned char d = static_cast<unsigned char>(s[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    // overlong forms, surrogates and values past Unicode
    if ((more == 2 && cp < 0x800) || (more == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += more + 1;
  }
  return true;
}

std::string latin1ToUtf8(const std::string& latin1) {
  std::string out;
  out.reserve(latin1.size());
  for (unsigned char c : latin1) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::string display(const std::string& bytes) {
  const std::string text = isUtf8(bytes) ? bytes : latin1ToUtf8(bytes);
  std::string out;
  for (unsigned char c : text) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

std::string quoted(const std::string& bytes) { return "\"" + display(bytes) + "\""; }

std::string fold(const std::string& bytes) {
  // Latin-1 letters 0xC0..0xFF without their accents, upper case.
  static const char* const kFold[64] = {
      "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I", "I",
      "D", "N", "O", "O", "O", "O", "O", "x", "O", "U", "U", "U", "U", "Y", "TH", "SS",
      "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I", "I",
      "D", "N", "O", "O", "O", "O", "O", "/", "O", "U", "U", "U", "U", "Y", "TH", "Y"};
  const std::string latin1 = isUtf8(bytes) ? toLatin1(bytes) : bytes;
  std::string out;
  out.reserve(latin1.size());
  for (unsigned char c : latin1) {
    if (c >= 0xC0) {
      out += kFold[c - 0xC0];
    } else if (c >= 'a' && c <= 'z') {
      out.push_back(static_cast<char>(c - 'a' + 'A'));
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

size_t editDistance(const std::string& a, const std::string& b, size_t limit) {
  const size_t n = a.size(), m = b.size();
  if ((n > m ? n - m : m - n) > limit) return limit + 1;
  // Three rows (the one before the last is needed for a swap), on the stack for
  // names of ordinary length: a search measures thousands of them.
  constexpr size_t kSmall = 64;
  size_t small[3][kSmall + 1];
  std::vector<size_t> large;
  size_t *before = small[0], *last = small[1], *row = small[2];
  if (m > kSmall) {
    large.resize(3 * (m + 1));
    before = large.data();
    last = before + m + 1;
    row = last + m + 1;
  }
  for (size_t j = 0; j <= m; ++j) last[j] = j;
  for (size_t i = 1; i <= n; ++i) {
    row[0] = i;
    size_t best = row[0];
    for (size_t j = 1; j <= m; ++j) {
      const size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      size_t d = std::min({last[j] + 1, row[j - 1] + 1, last[j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) d = std::min(d, before[j - 2] + 1);
      row[j] = d;
      best = std::min(best, d);
    }
    if (best > limit) return limit + 1;
    std::swap(before, last);
    std::swap(last, row);
  }
  return last[m] > limit ? limit + 1 : last[m];
}

std::string number(double v) {
  if (!std::isfinite(v)) return std::isnan(v) ? "nan" : (v < 0 ? "-inf" : "inf");
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.6g", v);
  if (std::strcmp(buf, "-0") == 0) return "0";
  return buf;
}

std::string coordinate(double degrees, bool latitude) {
  const char letter = latitude ? (degrees < 0 ? 'S' : 'N') : (degrees < 0 ? 'W' : 'E');
  if (!std::isfinite(degrees) || std::fabs(degrees) > 1e6) return std::string(1, letter) + "-?";
  const long long hundredths = std::llround(std::fabs(degrees) * 6000.0);  // of a minute
  char buf[48];
  std::snprintf(buf, sizeof buf, "%c-%lld*%05.2f", letter, hundredths / 6000,
                static_cast<double>(hundredths % 6000) / 100.0);
  return buf;
}

std::string position(double latDegrees, double lonDegrees) {
  return coordinate(latDegrees, true) + " " + coordinate(lonDegrees, false);
}

bool parseDegrees(const std::string& text, bool latitude, double* degrees) {
  const double limit = latitude ? 90.0 : 180.0;
  double v;
  if (!text.empty() && std::strchr("NSEW", text[0]) != nullptr) {
    // The coordinate syntax, strictly: letter of the right axis, '-', digits, '*', minutes.
    const bool axisOk = latitude ? (text[0] == 'N' || text[0] == 'S') : (text[0] == 'E' || text[0] == 'W');
    int deg = 0, used = 0;
    double minutes = 0;
    char dash = 0, star = 0;
    if (!axisOk || std::sscanf(text.c_str() + 1, "%c%d%c%lf%n", &dash, &deg, &star, &minutes, &used) != 4 ||
        dash != '-' || star != '*' || static_cast<size_t>(used) + 1 != text.size() || deg < 0 || minutes < 0 ||
        minutes >= 60)
      return false;
    v = deg + minutes / 60.0;
    if (text[0] == 'S' || text[0] == 'W') v = -v;
  } else {
    char* end = nullptr;
    errno = 0;
    v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(v)) return false;
  }
  if (std::fabs(v) > limit) return false;
  *degrees = v;
  return true;
}

}  // namespace checktext
