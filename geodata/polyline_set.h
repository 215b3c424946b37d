// Coastline and river files: a header line, then blocks of a segment header and its
// point lines (longitude, latitude in degrees), read whole into memory once.
//
// The file's own lexical rules hold: the blank is the only separator (a tab is part
// of a field), fields convert like atoi/atof, and lines are read through a 512-byte
// buffer so a longer line is split and its rest read as the next line. Counts in the
// file are never trusted for allocation: segments are added as their blocks are
// actually read, and a segment's point count is capped by what the rest of the file
// could hold (one byte per point line).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PolylinePoint {
  double x, y;  // longitude, latitude in degrees
};

struct Polyline {
  int32_t id;
  double extent[4];  // as read, file order
  uint32_t pointCount;
  std::vector<PolylinePoint> points;
};

class PolylineSet {
 public:
  // Reads the file at once; `loaded` tells whether it could be opened.
  explicit PolylineSet(const char* path);
  virtual ~PolylineSet();
  PolylineSet(const PolylineSet&) = delete;
  PolylineSet& operator=(const PolylineSet&) = delete;

  bool load();

  std::string path;
  uint32_t segmentCount;
  std::vector<Polyline> segments;
  bool loaded;
};
