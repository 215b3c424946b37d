#include "polyline_set.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "decimal_field.h"
#include "line_reader.h"
#include "simpath.h"

namespace {

constexpr int kLineBuffer = 512;
constexpr int kMaxFields = 6;  // no line kind uses more

// One line's fields, found at blanks (the only separator) and at the text's end; a
// tab stays inside its field. Only as many fields as a line kind uses.
struct Fields {
  const char* start[kMaxFields];
  const char* end[kMaxFields];
  int count;
  bool dotLocale;

  void split(const char* p, const char* textEnd) {
    count = 0;
    while (count < kMaxFields) {
      while (p < textEnd && *p == ' ') ++p;
      if (p == textEnd) break;
      start[count] = p;
      while (p < textEnd && *p != ' ') ++p;
      end[count++] = p;
    }
  }
  // The field as a C string, for the C library's own conversions.
  const char* text(int i, char (&buf)[kLineBuffer]) const {
    size_t n = size_t(end[i] - start[i]);
    std::memcpy(buf, start[i], n);
    buf[n] = '\0';
    return buf;
  }
  int integer(int i) const {
    if (i >= count) return 0;
    char buf[kLineBuffer];
    return std::atoi(text(i, buf));
  }
  double decimal(int i) const {
    if (i >= count) return 0.0;
    double v;
    const char* stop;
    if (fastDecimal(start[i], end[i], dotLocale, &v, &stop)) return v;
    char buf[kLineBuffer];
    return std::atof(text(i, buf));
  }
};

// The next field of [*pp, end) converted like atof, *pp moved past it; 0 when the
// line holds no further field. Point lines are a million of the file's lines, so
// their two fields are converted as they are found rather than split first.
double nextDecimalField(const char** pp, const char* end, bool dotLocale) {
  const char* p = *pp;
  while (p < end && *p == ' ') ++p;
  if (p == end) {
    *pp = p;
    return 0.0;
  }
  const char* start = p;
  double v;
  const char* stop;
  bool fast = fastDecimal(start, end, dotLocale, &v, &stop);
  p = fast ? stop : start;
  while (p < end && *p != ' ') ++p;
  *pp = p;
  if (fast) return v;
  char buf[kLineBuffer];
  size_t n = size_t(p - start);
  std::memcpy(buf, start, n);
  buf[n] = '\0';
  return std::atof(buf);
}

}  // namespace

PolylineSet::PolylineSet(const char* p) : path(p ? p : ""), segmentCount(0), loaded(false) {
  loaded = load();
}

PolylineSet::~PolylineSet() = default;

bool PolylineSet::load() {
  segmentCount = 0;
  segments.clear();
  std::FILE* f = simpath::open(path.c_str(), "r");
  if (!f) return false;

  LineReader lines(f);
  const uint64_t fileSize = lines.size();
  const char* begin;
  const char* end;
  Fields fields;
  fields.dotLocale = decimalPointIsDot();

  // The header's count is a limit on what is stored, not an allocation size: a
  // negative count reads as the huge unsigned number it becomes, and segments are
  // added only as their blocks are actually read.
  uint64_t declared = 0;
  if (lines.next(&begin, &end)) {
    fields.split(begin, end);
    declared = static_cast<uint32_t>(fields.integer(0));
    // Fields 2 and 3 carry nothing the chart uses.
  }

  while (segments.size() < declared && lines.next(&begin, &end)) {
    fields.split(begin, end);
    Polyline seg;
    seg.id = fields.integer(0);
    for (int i = 0; i < 4; ++i) seg.extent[i] = fields.decimal(1 + i);
    int count = fields.integer(5);
    uint64_t want = count > 0 ? uint64_t(count) : 0;
    // Every point line takes at least one byte, so no more points than bytes left
    // can ever be read; a cut segment keeps its count up to that, padded with
    // (0, 0), and nothing the counts claim can allocate more than the file holds.
    uint64_t left = fileSize > lines.consumed() ? fileSize - lines.consumed() : 0;
    if (want > left) want = left;
    seg.pointCount = static_cast<uint32_t>(want);
    // Points the file ends before stay (0, 0).
    seg.points.assign(seg.pointCount, PolylinePoint{0.0, 0.0});
    for (PolylinePoint& point : seg.points) {
      if (!lines.next(&begin, &end)) break;
      point.x = nextDecimalField(&begin, end, fields.dotLocale);
      point.y = nextDecimalField(&begin, end, fields.dotLocale);
    }
    segments.push_back(std::move(seg));
  }
  // A file that ends before its declared blocks holds only the blocks read; blocks
  // beyond the declared count are not read at all.
  segmentCount = static_cast<uint32_t>(segments.size());
  std::fclose(f);
  return true;
}
