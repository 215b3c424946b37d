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

TEST(Grid, PoleAndBeyondSkipOnlyUnplaceableMeridians) {
  // At the pole the factor is about -2.3e7: only the central meridian stays in reach.
  Lines b = grid36(meridianFactor(9000));
  ASSERT_EQ(b.meridians.size(), 1u);
  EXPECT_EQ(b.meridians[0], 0);
  EXPECT_EQ(b.parallels.size(), 301u);
  Lines c = grid3(meridianFactor(-9000));
  EXPECT_EQ(c.meridians.size(), 1u);
  EXPECT_EQ(c.parallels.size(), 3601u);

  // Beyond the pole the mesh is mirrored but every meridian stays drawable.
  Lines m = grid36(meridianFactor(13500));
  ASSERT_EQ(m.meridians.size(), 601u);
  EXPECT_GT(m.meridians.front(), 25000);
  EXPECT_LT(m.meridians.back(), -25000);

  // Non-finite factors draw no meridian at all, and never reach an int conversion.
  EXPECT_TRUE(grid36(std::nan("")).meridians.empty());
  EXPECT_TRUE(grid3(INFINITY).meridians.empty());
  // Near the pole only the meridians within reach are kept, symmetric about 0.
  Lines n = grid36(meridianFactor(8990));
  EXPECT_GT(n.meridians.size(), 1u);
  EXPECT_LT(n.meridians.size(), 601u);
  EXPECT_EQ(n.meridians.size() % 2, 1u);
  for (double x : n.meridians) EXPECT_LE(std::fabs(x), kGridMeridianLimit);
}
