#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "chart_grid.h"
#include "chart_view.h"

namespace {
struct Lines {
  std::vector<double> meridians, parallels;
};
Lines grid900() {
  Lines l;
  forEachGrid900Line([&](int x) { l.meridians.push_back(x); },
                     [&](int y) { l.parallels.push_back(y); });
  return l;
}
Lines grid36(double k) {
  Lines l;
  forEachGrid36Line(k, [&](int x) { l.meridians.push_back(x); },
                    [&](int y) { l.parallels.push_back(y); });
  return l;
}
Lines grid3(double k) {
  Lines l;
  forEachGrid3Line(k, [&](float x) { l.meridians.push_back(x); },
                   [&](int y) { l.parallels.push_back(y); });
  return l;
}
}  // namespace

TEST(Grid, LineCountsAndEndsAtFactorOne) {
  Lines a = grid900();
  ASSERT_EQ(a.meridians.size(), 25u);
  ASSERT_EQ(a.parallels.size(), 13u);
  EXPECT_EQ(a.meridians.front(), -18000);
  EXPECT_EQ(a.meridians.back(), 18000);
  EXPECT_EQ(a.parallels.front(), -9000);
  EXPECT_EQ(a.parallels.back(), 9000);

  Lines b = grid36(1.0);
  ASSERT_EQ(b.meridians.size(), 601u);
  ASSERT_EQ(b.parallels.size(), 301u);
  EXPECT_EQ(b.meridians[1] - b.meridians[0], 60);

  Lines c = grid3(1.0);
  ASSERT_EQ(c.meridians.size(), 7201u);
  ASSERT_EQ(c.parallels.size(), 3601u);
  EXPECT_EQ(c.meridians.back(), 18000);
  EXPECT_EQ(c.parallels[1] - c.parallels[0], 5);
}

TEST(Grid, MeridiansSpreadByTheFactorAtSixtyNorth) {
  double k = meridianFactor(6000);
  Lines b = grid36(k);
  ASSERT_EQ(b.meridians.size(), 601u);
  // m * k truncated: 120 units apart, the parallels stay 60 apart.
  EXPECT_EQ(b.meridians[300], 0);
  EXPECT_NEAR(b.meridians[301], 120, 1);
  EXPECT_NEAR(b.meridians[600], 36000, 1);
  EXPECT_EQ(b.parallels[1] - b.parallels[0], 60);
  Lines c = grid3(k);
  EXPECT_NEAR(c.meridians[3601] - c.meridians[3600], 10.0, 1e-3);
}

TEST(Grid, NearThePolesEveryMeridianInTheIntegerRangeIsDrawn) {
  // Positions computed apart from the code (Python, double precision): the 36 NM
  // meridian m lies at m * k truncated, the 3 NM one at m * k rounded to a float.
  // A single-precision meridian factor puts many of these one or more units off.
  const struct {
    int y;
    int m;
    int x36;
  } rows[] = {{8000, 15960, 91909}, {8000, 17100, 98474},     {8897, 60, 3337},
              {8897, 18000, 1001341}, {8897, -17940, -998004}, {8999, 60, 343860},
              {8999, 17940, 102814375}, {8999, 18000, 103158236}};
  for (int sign : {1, -1}) {
    for (const auto& r : rows) {
      const Lines b = grid36(meridianFactor(sign * r.y));
      ASSERT_EQ(b.meridians.size(), 601u) << "centre y " << sign * r.y;
      EXPECT_EQ(b.meridians[(r.m + 18000) / 60], r.x36) << "centre y " << sign * r.y << ", m " << r.m;
    }
    // The whole band from 8897 to 8999 keeps every meridian of both grids.
    for (int y = 8897; y <= 8999; ++y) {
      const double k = meridianFactor(sign * y);
      ASSERT_EQ(grid36(k).meridians.size(), 601u) << "centre y " << sign * y;
      ASSERT_EQ(grid3(k).meridians.size(), 7201u) << "centre y " << sign * y;
    }
    const Lines c = grid3(meridianFactor(sign * 8999));
    EXPECT_FLOAT_EQ(c.meridians.back(), 103158240.0f);
    EXPECT_FLOAT_EQ(c.meridians[3601], 28655.06640625f);  // m = 5
  }
}

TEST(Grid, AtAndBeyondThePoleOnlyUndrawableMeridiansAreSkipped) {
  // At the pole k is -22877332.4: the meridians within the 32-bit range remain,
  // m = -60, 0, 60 of the 36 NM grid and the 37 of the 3 NM grid with |m| <= 90.
  for (int y : {9000, -9000}) {
    const Lines b = grid36(meridianFactor(y));
    EXPECT_EQ(b.meridians, (std::vector<double>{1372639945, 0, -1372639945})) << "centre y " << y;
    EXPECT_EQ(b.parallels.size(), 301u);
    const Lines c = grid3(meridianFactor(y));
    ASSERT_EQ(c.meridians.size(), 37u);
    EXPECT_FLOAT_EQ(c.meridians.front(), 2058959872.0f);
    EXPECT_FLOAT_EQ(c.meridians.back(), -2058959872.0f);
    EXPECT_EQ(c.parallels.size(), 3601u);
  }
  // Beyond the pole the mesh is mirrored and every meridian stays drawable.
  const Lines m = grid36(meridianFactor(13500));
  ASSERT_EQ(m.meridians.size(), 601u);
  EXPECT_EQ(m.meridians.front(), 25455);
  EXPECT_EQ(m.meridians.back(), -25455);
  // Non-finite factors draw no meridian at all and never reach an int conversion;
  // a position just past the integer range is skipped, one inside it kept.
  EXPECT_TRUE(grid36(std::nan("")).meridians.empty());
  EXPECT_TRUE(grid3(INFINITY).meridians.empty());
  EXPECT_FALSE(gridMeridianDrawable(2147483648.0));
  EXPECT_TRUE(gridMeridianDrawable(2147483647.0));
  EXPECT_TRUE(gridMeridianDrawable(-2147483648.0));
  EXPECT_FALSE(gridMeridianDrawable(-2147483649.0));
}
