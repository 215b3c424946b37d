#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "viewer_layout.h"

TEST(PanelLayout, StartBoxesAndReshape) {
  const int lefts[kButtonCount] = {18, 71, 124, 177, 230};
  for (int i = 0; i < kButtonCount; ++i) {
    WidgetBox b = buttonBoxAtStart(i);
    EXPECT_EQ(b.left, lefts[i]);
    EXPECT_EQ(b.right, lefts[i] + 50);
    EXPECT_EQ(b.bottom, 462);
    EXPECT_EQ(b.top, 480);
  }
  PanelLayout p = panelLayout(800, 600);
  EXPECT_EQ(p.latX, 782);
  EXPECT_EQ(p.latY, 0);
  EXPECT_EQ(p.latHeight, 600);
  EXPECT_EQ(p.latWidth, 18);
  EXPECT_EQ(p.buttonY, 582);
  EXPECT_EQ(p.longWidth, 764);
  EXPECT_EQ(p.longHeight, 18);
  EXPECT_EQ(p.zoomWidth, 18);
  EXPECT_EQ(p.zoomHeight, 600);
  // The start size reproduces the creation geometry.
  PanelLayout s = panelLayout(640, 480);
  EXPECT_EQ(s.latX, kLatSliderStart.x);
  EXPECT_EQ(s.longWidth, kLongSliderStart.length);
  EXPECT_EQ(s.buttonY, buttonBoxAtStart(0).bottom);
}

namespace {
TrackPoint point(double latSec, double lonSec, double elapsed) {
  TrackPoint p{};
  p.rawLatitude = latSec;
  p.rawLongitude = lonSec;
  p.elapsed = elapsed;
  return p;
}
}  // namespace

TEST(ProfileLabels, TopOfScaleAndEndOfTime) {
  char alt[kProfileLabelSize], time[kProfileLabelSize];
  std::vector<TrackPoint> pts = {point(0, 0, 0), point(0, 0, 900.2), point(0, 0, 1800.7)};
  profileLabels(alt, time, 4500, pts);
  EXPECT_STREQ(alt, " 5500 ft");
  EXPECT_STREQ(time, " 1800 sec");
  // A reload that left no point shows 0 seconds.
  profileLabels(alt, time, 0, {});
  EXPECT_STREQ(alt, " 1000 ft");
  EXPECT_STREQ(time, "    0 sec");
  // Values beyond int stay printable and inside the buffer.
  profileLabels(alt, time, 1e300, {point(0, 0, -1e300)});
  EXPECT_STREQ(alt, "2147483647 ft");
  EXPECT_STREQ(time, "-2147483648 sec");
}

TEST(UserCentre, SecondPointInChartUnits) {
  int x = 7, y = 7;
  EXPECT_FALSE(userCentre({}, &x, &y));
  EXPECT_FALSE(userCentre({point(0, 0, 0)}, &x, &y));
  EXPECT_EQ(x, 7);
  // 43.5 N, 5.25 E, then a western longitude (1296000 - 36 arc-seconds = -1 unit).
  std::vector<TrackPoint> pts = {point(0, 0, 0), point(156600, 18900, 1), point(0, 1295964, 2)};
  ASSERT_TRUE(userCentre(pts, &x, &y));
  EXPECT_EQ(x, 525);
  EXPECT_EQ(y, 4350);
  pts.erase(pts.begin());
  ASSERT_TRUE(userCentre(pts, &x, &y));
  EXPECT_EQ(x, -1);
  EXPECT_EQ(y, 0);
  // Truncation toward zero, not rounding down, on the southern side.
  std::vector<TrackPoint> south = {point(0, 0, 0), point(-36 * 1.5, 1296000 - 54, 1)};
  ASSERT_TRUE(userCentre(south, &x, &y));
  EXPECT_EQ(x, -1);
  EXPECT_EQ(y, -1);
}
