#include "polyline_set.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "decimal_field.h"
#include "simpath.h"

namespace {

constexpr int kLineBuffer = 512;
constexpr int kMaxFields = 6;  // no line kind uses more

// One line's fields, split in place at blanks (the only separator) and at the line
// end; a tab stays inside its field. Only as many fields as a line kind uses.
struct Fields {
  char* start[kMaxFields];
  char* end[kMaxFields];  // each field's terminating NUL
  int count;
  bool dotLocale;

  void split(char* line) {
    count = 0;
    char* p = line;
    while (count < kMaxFields) {
      while (*p == ' ') ++p;
      if (*p == '\0' || *p == '\n') break;
      start[count] = p;
      while (*p != ' ' && *p != '\0' && *p != '\n') ++p;
      end[count++] = p;
      if (*p == '\0') break;
      bool last = *p == '\n';
      *p++ = '\0';
      if (last) break;
    }
  }
  int integer(int i) const { return i < count ? std::atoi(start[i]) : 0; }
  double decimal(int i) const { return i < count ? decimalFromField(start[i], end[i], dotLocale) : 0.0; }
};

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
  // Fewer, larger reads; lines are still taken 511 bytes at most at a time.
  std::vector<char> streamBuffer(1 << 16);
  std::setvbuf(f, streamBuffer.data(), _IOFBF, streamBuffer.size());

  long fileSize = 0;
  if (std::fseek(f, 0, SEEK_END) == 0) fileSize = std::ftell(f);
  std::fseek(f, 0, SEEK_SET);
  if (fileSize < 0) fileSize = 0;

  char line[kLineBuffer];
  Fields fields;
  fields.dotLocale = decimalPointIsDot();

  // The header's count is a limit on what is stored, not an allocation size: a
  // negative count reads as the huge unsigned number it becomes, and segments are
  // added only as their blocks are actually read.
  uint64_t declared = 0;
  if (std::fgets(line, sizeof line, f)) {
    fields.split(line);
    declared = static_cast<uint32_t>(fields.integer(0));
    // Fields 2 and 3 carry nothing the chart uses.
  }

  while (segments.size() < declared && std::fgets(line, sizeof line, f)) {
    fields.split(line);
    Polyline seg;
    seg.id = fields.integer(0);
    for (int i = 0; i < 4; ++i) seg.extent[i] = fields.decimal(1 + i);
    int count = fields.integer(5);
    uint64_t want = count > 0 ? uint64_t(count) : 0;
    // Every point line takes at least one byte, so no more points than bytes left
    // can ever be read; padding a cut segment with (0, 0) stays within that.
    long here = std::ftell(f);
    uint64_t left = here >= 0 && here < fileSize ? uint64_t(fileSize - here) : 0;
    if (want > left) want = left;
    seg.pointCount = static_cast<uint32_t>(want);
    seg.points.reserve(seg.pointCount);
    for (uint32_t i = 0; i < seg.pointCount; ++i) {
      if (!std::fgets(line, sizeof line, f)) break;
      fields.split(line);
      seg.points.push_back({fields.decimal(0), fields.decimal(1)});
    }
    seg.points.resize(seg.pointCount, PolylinePoint{0.0, 0.0});
    segments.push_back(std::move(seg));
  }
  // A file that ends before its declared blocks holds only the blocks read; blocks
  // beyond the declared count are not read at all.
  segmentCount = static_cast<uint32_t>(segments.size());
  std::fclose(f);
  return true;
}
