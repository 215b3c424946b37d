// Converts the binned shoreline and river files (netCDF, as shipped in
// /usr/share/gmt-gshhg) into the chart's polyline text files.
//
// The binned files cut every line at every bin edge; the chart draws each
// polyline as connected lines and never needs the bins, so the pieces are
// joined again wherever their ends meet exactly. Joining works on the files'
// own integer grid (65535 steps per bin side), so "exactly" is exact. Pieces
// are never joined at the antimeridian, where one side is +180 and the other
// -180 and a joined polyline would draw a line across the whole world.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct GeoLine {
  int32_t id = 0;                 // shoreline level or river class
  std::vector<double> lon, lat;   // degrees, east/north positive, lon -180..180
};

struct GeoLineStats {
  size_t pieces = 0;     // segments read from the file that passed the filter
  size_t lines = 0;      // polylines after joining
  size_t points = 0;     // points after joining
};

// Which segments to keep. Shoreline files: levels (1 ocean/land, 2 lake, ...;
// Antarctica's grounding line is level 6 and its ice front level 1).
// River files: WDBII classes 0..10.
struct GeoLineFilter {
  bool riverFile = false;
  std::vector<int> levels;   // keep a segment whose level is in this list
};

// One segment as cut by the bins, in the file's integer grid: X = bin column ×
// 65535 + raw longitude (columns east of 180 shifted by a full turn so the
// result runs -180..180), Y likewise from the south pole.
struct GridPiece {
  int32_t level = 0;
  std::vector<int64_t> x, y;
};

// Reads the pieces of a binned file. Returns false with a message in *error
// when the file cannot be opened or lacks a variable the layout needs.
bool readBinnedPieces(const std::string& path, const GeoLineFilter& filter,
                      std::vector<GridPiece>* pieces, double* stepDegrees,
                      std::string* error);

// Joins pieces whose ends meet exactly (end to start, or reversed when only
// that fits), closes nothing that is not closed, and converts to degrees.
std::vector<GeoLine> joinPieces(const std::vector<GridPiece>& pieces, double stepDegrees);

// Writes the polyline text file: header "N P 0" (P the total point count), then per line the header
// "id lonMin lonMax latMin latMax n" and n lines "lon lat". Long polylines are
// fine (one point per line); every line stays far below the reader's 510
// characters. Returns false when the file cannot be written.
bool writePolylineFile(const std::string& path, const std::vector<GeoLine>& lines,
                       GeoLineStats* stats);

// Convenience: read, join, write. On failure *error says why.
bool convertBinnedFile(const std::string& in, const GeoLineFilter& filter,
                       const std::string& out, GeoLineStats* stats, std::string* error);
