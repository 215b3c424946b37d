// Names of the sources to the archives' Latin-1.
#include <cstdint>
#include <string>
#include <vector>

#include "navconv.h"

namespace {

// Base letters of U+0100..U+017F, for names outside Latin-1.
const char kLatinExtA[] =
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIiIiJjKkkLlLlLlLlLlNnNnNnnNnOoOo"
    "OoOoRrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZzs";
static_assert(sizeof(kLatinExtA) == 129, "one letter per code point U+0100..U+017F");

// Decodes UTF-8; false when the bytes are not valid UTF-8.
bool decodeUtf8(const std::string& s, std::vector<uint32_t>* out) {
  out->clear();
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = s[i];
    int len;
    uint32_t cp;
    if (c < 0x80) { len = 1; cp = c; }
    else if ((c & 0xE0) == 0xC0) { len = 2; cp = c & 0x1F; }
    else if ((c & 0xF0) == 0xE0) { len = 3; cp = c & 0x0F; }
    else if ((c & 0xF8) == 0xF0) { len = 4; cp = c & 0x07; }
    else return false;
    if (i + len > s.size()) return false;
    for (int k = 1; k < len; ++k) {
      const unsigned char d = s[i + k];
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    static const uint32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < minimum[len] || cp > 0x10FFFF) return false;  // overlong or out of range
    out->push_back(cp);
    i += len;
  }
  return true;
}

char latin1For(uint32_t cp) {
  if (cp < 0x100) return static_cast<char>(cp);
  if (cp >= 0x100 && cp < 0x180) return kLatinExtA[cp - 0x100];
  switch (cp) {
    case 0x2018: case 0x2019: case 0x201B: case 0x2032: return '\'';
    case 0x201C: case 0x201D: return '"';
    case 0x2010: case 0x2011: case 0x2012: case 0x2013: case 0x2014: return '-';
    case 0x0218: return 'S'; case 0x0219: return 's';  // comma-below forms
    case 0x021A: return 'T'; case 0x021B: return 't';
    default: return '?';
  }
}

}  // namespace

std::string toLatin1(const std::string& text) {
  std::vector<uint32_t> cps;
  if (!decodeUtf8(text, &cps)) return text;  // already Latin-1 (or close enough)
  std::string out;
  out.reserve(cps.size());
  for (uint32_t cp : cps) {
    if (cp >= 0x300 && cp < 0x370) continue;  // combining accents: keep the base letter
    out.push_back(latin1For(cp));
  }
  return out;
}
