// atof, fast: the same value the C library's atof gives for a NUL-terminated field.
//
// A coastline file holds a million decimals and glibc's strtod takes about 120 ns
// each, most of a world load. The files hold short plain decimals ("-12.34567"): up
// to 15 significant digits and a small power of ten are both exact doubles, so one
// multiplication or division of them is correctly rounded, the very double strtod
// gives. Longer forms go to std::from_chars (also correctly rounded); whatever either
// would read differently from atof (leading white space or '+', hex, infinities and
// NaN, out-of-range values, a locale whose decimal point is not '.') goes to atof.
#pragma once

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

inline bool decimalPointIsDot() {
  const std::lconv* lc = std::localeconv();
  return lc && lc->decimal_point && lc->decimal_point[0] == '.' && lc->decimal_point[1] == '\0';
}

namespace decimal_detail {

// Plain decimals of at most 15 digits, no exponent; false for anything else.
inline bool exactDecimal(const char* p, const char* end, double* out, const char** stop) {
  static const double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                  1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  bool negative = p < end && *p == '-';
  if (negative) ++p;
  // Up to 15 digits in all: the mantissa is then below 2^53. More digits may wrap
  // it, but the count refuses them before it is used.
  uint64_t mantissa = 0;
  const char* intStart = p;
  while (p < end && unsigned(*p - '0') < 10) mantissa = mantissa * 10 + unsigned(*p++ - '0');
  size_t digits = size_t(p - intStart);
  size_t scale = 0;
  if (p < end && *p == '.') {
    const char* fracStart = ++p;
    while (p < end && unsigned(*p - '0') < 10) mantissa = mantissa * 10 + unsigned(*p++ - '0');
    scale = size_t(p - fracStart);
  }
  digits += scale;
  if (digits == 0 || digits > 15) return false;
  if (p < end && (*p == 'e' || *p == 'E' || *p == 'x' || *p == 'X')) return false;
  double v = static_cast<double>(mantissa) / kPow10[scale];
  *out = negative ? -v : v;
  *stop = p;
  return true;
}

}  // namespace decimal_detail

// The fast path alone: true, *out set and *stop where the number ends when it can
// answer for atof over [field, end) without a NUL-terminated copy. The range may run
// past the field's end: a number never continues across a blank.
inline bool fastDecimal(const char* field, const char* end, bool dotLocale, double* out,
                        const char** stop) {
  if (!dotLocale || field == end) return false;
  char c = field[0];
  if (!((c >= '0' && c <= '9') || c == '-' || c == '.')) return false;
  if (decimal_detail::exactDecimal(field, end, out, stop)) return true;
  double v;
  std::from_chars_result r = std::from_chars(field, end, v);
  if (r.ec != std::errc() || !std::isfinite(v)) return false;
  if (r.ptr != end && (*r.ptr == 'x' || *r.ptr == 'X')) return false;
  *out = v;
  *stop = r.ptr;
  return true;
}

// atof's value for the NUL-terminated field; `end` is its terminating NUL and
// `dotLocale` is decimalPointIsDot(), asked once per file.
inline double decimalFromField(const char* field, const char* end, bool dotLocale) {
  double v;
  const char* stop;
  if (fastDecimal(field, end, dotLocale, &v, &stop)) return v;
  return std::atof(field);
}
