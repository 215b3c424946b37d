#include "polyline_set.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "simpath.h"

namespace {

constexpr int kLineBuffer = 512;
constexpr int kMaxFields = 6;  // no line kind uses more

// Splits a line in place at blanks (the only separator) and at its line end; a tab
// stays inside its field. Returns the number of fields, at most kMaxFields.
int splitFields(char* line, char* fields[kMaxFields]) {
  char* nl = std::strchr(line, '\n');
  if (nl) *nl = '\0';
  int n = 0;
  char* p = line;
  while (n < kMaxFields) {
    while (*p == ' ') ++p;
    if (*p == '\0') break;
    fields[n++] = p;
    while (*p != ' ' && *p != '\0') ++p;
    if (*p == '\0') break;
    *p++ = '\0';
  }
  return n;
}

int intField(char* const fields[], int n, int i) { return i < n ? std::atoi(fields[i]) : 0; }
double decimalField(char* const fields[], int n, int i) { return i < n ? std::atof(fields[i]) : 0.0; }

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

  long fileSize = 0;
  if (std::fseek(f, 0, SEEK_END) == 0) fileSize = std::ftell(f);
  std::fseek(f, 0, SEEK_SET);
  if (fileSize < 0) fileSize = 0;

  char line[kLineBuffer];
  char* fields[kMaxFields];

  // The header's count is a limit on what is stored, not an allocation size: a
  // negative count reads as the huge unsigned number it becomes, and segments are
  // added only as their blocks are actually read.
  uint64_t declared = 0;
  if (std::fgets(line, sizeof line, f)) {
    int n = splitFields(line, fields);
    declared = static_cast<uint32_t>(intField(fields, n, 0));
    // Fields 2 and 3 carry nothing the chart uses.
  }

  while (segments.size() < declared && std::fgets(line, sizeof line, f)) {
    int n = splitFields(line, fields);
    Polyline seg;
    seg.id = intField(fields, n, 0);
    for (int i = 0; i < 4; ++i) seg.extent[i] = decimalField(fields, n, 1 + i);
    int count = intField(fields, n, 5);
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
      int m = splitFields(line, fields);
      seg.points.push_back({decimalField(fields, m, 0), decimalField(fields, m, 1)});
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
