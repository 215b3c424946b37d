// The coastline/river converter: joining of bin pieces on small hand-made
// pieces, and the real low-resolution files read back through PolylineSet.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "gshhg_convert.h"
#include "polyline_set.h"
#include "test_dir.h"

namespace {

const int64_t S = 65535;  // grid steps per bin side

GridPiece piece(std::vector<std::pair<int64_t, int64_t>> pts, int level = 1) {
  GridPiece p;
  p.level = level;
  for (auto& xy : pts) {
    p.x.push_back(xy.first);
    p.y.push_back(xy.second);
  }
  return p;
}

// Smallest distance in km from (lon, lat) to any point of the set.
double nearestKm(const PolylineSet& set, double lon, double lat) {
  double best = 1e9;
  for (const Polyline& s : set.segments)
    for (const PolylinePoint& p : s.points) {
      const double dx = (p.x - lon) * std::cos(lat * M_PI / 180), dy = p.y - lat;
      best = std::min(best, std::sqrt(dx * dx + dy * dy) * 111.2);
    }
  return best;
}

bool exists(const char* path) {
  std::FILE* f = std::fopen(path, "rb");
  if (f) std::fclose(f);
  return f != nullptr;
}

}  // namespace

TEST(GshhgJoin, PiecesMeetingExactlyBecomeOneLine) {
  const double step = 10.0 / S;  // 10-degree bins
  std::vector<GridPiece> pieces = {
      piece({{S / 2, 100}, {S, 200}}),                 // ends on the bin's east edge
      piece({{2 * S, 300}, {S + 10, 250}, {S, 200}}),  // next bin, drawn the other way
      piece({{S / 2, 50}, {S / 2, 100}}),              // runs into the first piece's start
      piece({{10, 10}, {20, 10}, {20, 20}, {10, 10}}), // a closed island
  };
  std::vector<GeoLine> lines = joinPieces(pieces, step);
  ASSERT_EQ(lines.size(), 2u);
  const GeoLine& l = lines[0];
  ASSERT_EQ(l.lon.size(), 5u);  // 2 + 3 + 2 points, two shared
  EXPECT_NEAR(l.lon.front(), (S / 2) * step, 1e-9);
  EXPECT_NEAR(l.lat.front(), -90 + 50 * step, 1e-9);
  EXPECT_NEAR(l.lon[2], 10.0, 1e-9);  // the bin edge, once
  EXPECT_NEAR(l.lon.back(), 20.0, 1e-9);
  EXPECT_EQ(lines[1].lon.size(), 4u);
}

TEST(GshhgJoin, NeverAcrossTheAntimeridian) {
  const double step = 10.0 / S;
  const int64_t east = 18 * S;  // +180 from the column west of it, -180 from the one east of it
  std::vector<GridPiece> pieces = {
      piece({{east - 5, 7}, {east, 9}}),
      piece({{-east, 9}, {-east + 5, 11}}),
      piece({{-S, 3}, {0, 4}}),  // crossing the prime meridian joins as usual
      piece({{0, 4}, {S, 5}}),
  };
  std::vector<GeoLine> lines = joinPieces(pieces, step);
  ASSERT_EQ(lines.size(), 3u);
  for (const GeoLine& l : lines)
    for (size_t k = 1; k < l.lon.size(); ++k) EXPECT_LT(std::fabs(l.lon[k] - l.lon[k - 1]), 180.0);
  EXPECT_NEAR(lines[0].lon.back(), 180.0, 1e-9);
  EXPECT_NEAR(lines[1].lon.front(), -180.0, 1e-9);
  EXPECT_EQ(lines[2].lon.size(), 3u);
}

TEST(GshhgWrite, FileReadsBackThroughPolylineSet) {
  ScopedTestDir dir;
  GeoLine a;
  a.id = 1;
  a.lon = {5.25, 5.30, -179.99999};
  a.lat = {43.10, 43.12, -89.5};
  GeoLine b;
  b.id = 2;
  b.lon = {1, 2};
  b.lat = {3, 4};
  GeoLineStats stats;
  ASSERT_TRUE(writePolylineFile(dir.file("out.dat"), {a, b}, &stats));
  EXPECT_EQ(stats.lines, 2u);
  EXPECT_EQ(stats.points, 5u);
  PolylineSet set(dir.file("out.dat").c_str());
  ASSERT_TRUE(set.loaded);
  ASSERT_EQ(set.segmentCount, 2u);
  ASSERT_EQ(set.segments[0].pointCount, 3u);
  EXPECT_NEAR(set.segments[0].points[2].x, -179.99999, 1e-9);
  EXPECT_NEAR(set.segments[0].points[2].y, -89.5, 1e-9);
  EXPECT_NEAR(set.segments[0].extent[0], -179.99999, 1e-9);  // lon min, lon max, lat min, lat max
  EXPECT_NEAR(set.segments[0].extent[1], 5.30, 1e-9);
  EXPECT_NEAR(set.segments[0].extent[2], -89.5, 1e-9);
  EXPECT_NEAR(set.segments[0].extent[3], 43.12, 1e-9);
  EXPECT_EQ(set.segments[1].id, 2);

  EXPECT_FALSE(writePolylineFile(dir.file("no/such/folder/out.dat"), {a}, &stats));
  std::string error;
  EXPECT_FALSE(convertBinnedFile(dir.file("missing.nc"), GeoLineFilter(), dir.file("x.dat"), &stats, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(exists(dir.file("x.dat").c_str()));
}

TEST(GshhgReal, LowResolutionCoastAndRiversPassKnownPlaces) {
  const char* coastNc = "/usr/share/gmt-gshhg/binned_GSHHS_l.nc";
  const char* riverNc = "/usr/share/gmt-gshhg/binned_river_l.nc";
  if (!exists(coastNc) || !exists(riverNc)) GTEST_SKIP() << "gmt-gshhg-low is not installed";
  ScopedTestDir dir;

  GeoLineFilter coast;
  coast.levels = {1};
  GeoLineFilter rivers;
  rivers.riverFile = true;
  rivers.levels = {1, 2};
  GeoLineStats cs, rs;
  std::string error;
  ASSERT_TRUE(convertBinnedFile(coastNc, coast, dir.file("world_coast.dat"), &cs, &error)) << error;
  ASSERT_TRUE(convertBinnedFile(riverNc, rivers, dir.file("rivers.dat"), &rs, &error)) << error;
  EXPECT_EQ(cs.pieces, 6858u);       // shoreline level 1 pieces in the low file
  EXPECT_LT(cs.lines, cs.pieces);    // cut pieces were joined
  EXPECT_LT(rs.lines * 3, rs.pieces);

  PolylineSet coastSet(dir.file("world_coast.dat").c_str());
  PolylineSet riverSet(dir.file("rivers.dat").c_str());
  ASSERT_TRUE(coastSet.loaded && riverSet.loaded);
  EXPECT_EQ(coastSet.segmentCount, cs.lines);
  EXPECT_EQ(riverSet.segmentCount, rs.lines);
  size_t points = 0;
  for (const PolylineSet* set : {&coastSet, &riverSet}) {
    for (const Polyline& s : set->segments) {
      points += s.pointCount;
      for (size_t k = 0; k < s.points.size(); ++k) {
        ASSERT_GE(s.points[k].x, -180.0);
        ASSERT_LE(s.points[k].x, 180.0);
        if (k > 0) {
          ASSERT_LT(std::fabs(s.points[k].x - s.points[k - 1].x), 180.0) << "line across the world";
        }
      }
    }
  }
  EXPECT_EQ(points, cs.points + rs.points);

  EXPECT_LT(nearestKm(coastSet, 5.312, 43.362), 1.0);  // Marseille's coast
  EXPECT_LT(nearestKm(coastSet, 5.336, 43.215), 1.0);
  EXPECT_GT(nearestKm(coastSet, 4.83, 45.75), 100.0);  // Lyon is far inland
  EXPECT_LT(nearestKm(riverSet, 4.83, 45.75), 1.5);    // the Rhône at Lyon
  EXPECT_LT(nearestKm(riverSet, 1.10, 49.43), 1.5);    // the Seine at Rouen

  // The reader's line buffer holds 510 characters.
  for (const char* name : {"world_coast.dat", "rivers.dat"}) {
    std::FILE* f = std::fopen(dir.file(name).c_str(), "rb");
    ASSERT_NE(f, nullptr);
    size_t len = 0, longest = 0;
    for (int c; (c = std::fgetc(f)) != EOF;) {
      if (c == '\n') len = 0;
      else longest = std::max(longest, ++len);
    }
    std::fclose(f);
    EXPECT_LE(longest, 510u) << name;
  }
}

TEST(GshhgCli, WritesBothFilesAndRejectsBadOptions) {
  if (!exists("/usr/share/gmt-gshhg/binned_GSHHS_c.nc")) GTEST_SKIP() << "gmt-gshhg-low is not installed";
  ScopedTestDir dir;
  const std::string tool = GSHHG2DAT_PATH;
  EXPECT_EQ(std::system((tool + " --resolution c --rivers 1 --out out/data >/dev/null").c_str()), 0);
  PolylineSet coast("out/data/world_coast.dat");
  PolylineSet rivers("out/data/rivers.dat");
  EXPECT_TRUE(coast.loaded && coast.segmentCount > 100);
  EXPECT_TRUE(rivers.loaded && rivers.segmentCount > 10);
  EXPECT_NE(std::system((tool + " --resolution x 2>/dev/null").c_str()), 0);
  EXPECT_NE(std::system((tool + " --rivers 1,11 2>/dev/null").c_str()), 0);
  EXPECT_NE(std::system((tool + " --gshhg-dir /nonexistent 2>/dev/null").c_str()), 0);
}
