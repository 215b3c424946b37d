// atof, fast: the same value the C library's atof gives for a NUL-terminated field.
//
// A coastline file holds a million decimals and glibc's strtod takes about 120 ns
// each, most of a world load. std::from_chars rounds correctly as strtod does, so for
// the plain decimal forms the files hold ("-12.34567", "3e1") it yields the same
// double at a fifth of the cost. Whatever it would read differently from atof
// (leading white space or '+', hex, infinities and NaN, out-of-range values, a
// locale whose decimal point is not '.') goes to atof itself.
#pragma once

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>

inline bool decimalPointIsDot() {
  const std::lconv* lc = std::localeconv();
  return lc && lc->decimal_point && lc->decimal_point[0] == '.' && lc->decimal_point[1] == '\0';
}

// `end` is the field's terminating NUL; `dotLocale` is decimalPointIsDot(), asked
// once per file.
inline double decimalFromField(const char* field, const char* end, bool dotLocale) {
  char c = field[0];
  if (dotLocale && ((c >= '0' && c <= '9') || c == '-' || c == '.')) {
    double v;
    std::from_chars_result r = std::from_chars(field, end, v);
    if (r.ec == std::errc() && *r.ptr != 'x' && *r.ptr != 'X' && std::isfinite(v)) return v;
  }
  return std::atof(field);
}
