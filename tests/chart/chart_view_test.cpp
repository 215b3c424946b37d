#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "chart_view.h"

TEST(ChartLayers, ZoomBandsSwitchAtTheirThresholds) {
  struct Row {
    int zoom;
    int mesh;
    bool airports, runways, navaidPoints, symbols;
    NameLists names;
  } rows[] = {
      {0, 900, true, false, false, false, NameLists::None},
      {100, 900, true, false, false, false, NameLists::None},
      {101, 36, false, true, true, false, NameLists::None},
      {250, 36, false, true, true, false, NameLists::None},
      {251, 36, false, true, true, false, NameLists::Large},
      {350, 36, false, true, true, false, NameLists::Large},
      {351, 3, false, true, false, true, NameLists::Large},
      {1000, 3, false, true, false, true, NameLists::Large},
      {1001, 3, false, true, false, true, NameLists::Small},
      {2500, 3, false, true, false, true, NameLists::Small},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.zoom);
    ChartLayers l = layersForZoom(r.zoom, true);
    EXPECT_EQ(l.gridMesh, r.mesh);
    EXPECT_EQ(meshSizeNm(r.zoom), r.mesh);
    EXPECT_EQ(l.airportPoints, r.airports);
    EXPECT_EQ(l.runways, r.runways);
    EXPECT_EQ(l.navaidPoints, r.navaidPoints);
    EXPECT_EQ(l.navaidSymbols, r.symbols);
    EXPECT_EQ(l.names, r.names);
    // Hidden names hide every name list and nothing else.
    ChartLayers hidden = layersForZoom(r.zoom, false);
    EXPECT_EQ(hidden.names, NameLists::None);
    EXPECT_EQ(hidden.gridMesh, r.mesh);
  }
}

TEST(ZoomRanges, NarrowAroundTheCentre) {
  SliderRanges r{};
  EXPECT_FALSE(rangesForZoom(0, 100, 200, &r));

  ASSERT_TRUE(rangesForZoom(4, 0, 0, &r));
  EXPECT_FLOAT_EQ(r.longMin, -4500);
  EXPECT_FLOAT_EQ(r.longMax, 4500);
  EXPECT_FLOAT_EQ(r.latMin, -3375);
  EXPECT_FLOAT_EQ(r.latMax, 3375);

  // Longitude halves use integer division, latitude halves floating point.
  ASSERT_TRUE(rangesForZoom(7, 1000, -500, &r));
  EXPECT_FLOAT_EQ(r.longMin, 1000 - 2571);
  EXPECT_FLOAT_EQ(r.longMax, 1000 + 2571);
  EXPECT_NEAR(r.latMin, -500 - 13500.0 / 7, 1e-3);
  EXPECT_NEAR(r.latMax, -500 + 13500.0 / 7, 1e-3);
}

TEST(MeridianFactor, CosineOfTheCentreLatitudeInDoublePrecision) {
  // 1 / cos(y * pi / 18000) with pi = 3.1415927 rounded to single precision and the
  // rest in double, computed apart from the code (Python). A product formed in single
  // precision misses these by up to 7e-2 relative at the pole.
  const struct {
    int y;
    double k;
  } rows[] = {{0, 1.0},
              {4500, 1.4142135932817164},
              {8000, 5.758771752118995},
              {8897, 55.6301003664948},
              {8999, 5731.01314063086},
              {9000, -22877332.428856485},
              {13500, -1.4142134696472435}};  // beyond the pole: mirrored
  for (const auto& r : rows) {
    EXPECT_NEAR(meridianFactor(r.y), r.k, std::fabs(r.k) * 1e-12) << "centre y " << r.y;
    EXPECT_NEAR(meridianFactor(-r.y), r.k, std::fabs(r.k) * 1e-12) << "centre y " << -r.y;
  }
}

TEST(ReCentring, PressMovesTheCentreByPixelsOverZoom) {
  // 64 px right of the centre of a 640-wide window: 36 degrees east at zoom 0
  // and at zoom 1 alike (the divisor is the zoom value, not the magnification).
  for (int zoom : {0, 1}) {
    ClickPosition c;
    addPress(&c, zoom, 320 + 64, 240, 640, 480);
    int cx, cy;
    centreFromClick(c, 640, 480, &cx, &cy);
    EXPECT_EQ(cx, 3600) << zoom;
    EXPECT_EQ(cy, 0) << zoom;
  }
  // Upward in the window is north; zoom 4 divides the pixel offsets.
  ClickPosition c;
  addPress(&c, 4, 320 - 41, 240 - 40, 640, 480);
  EXPECT_EQ(c.x, -10);  // -41 / 4 truncates toward zero
  EXPECT_EQ(c.y, 10);
  int cx, cy;
  centreFromClick(c, 640, 480, &cx, &cy);
  EXPECT_EQ(cx, -562);  // -10 * 36000 / 640 = -562.5, truncated
  EXPECT_EQ(cy, 562);
}

TEST(ReCentring, PressAtTheCentreReturnsToTheClickedPlace) {
  ClickPosition c;
  addPress(&c, 0, 400, 100, 640, 480);
  int x1, y1, x2, y2;
  centreFromClick(c, 640, 480, &x1, &y1);
  addPress(&c, 0, 320, 240, 640, 480);
  centreFromClick(c, 640, 480, &x2, &y2);
  EXPECT_EQ(x1, x2);
  EXPECT_EQ(y1, y2);
  EXPECT_EQ(x1, 80 * 36000 / 640);
  EXPECT_EQ(y1, 140 * 27000 / 480);
}

TEST(ReCentring, ReleaseReappliesTheLastPressWithoutMoving) {
  ClickPosition c;
  int cx = 0, cy = 0;
  chartMouseEvent(&c, true, 0, 384, 240, 640, 480, &cx, &cy);
  EXPECT_EQ(cx, 3600);
  // A release far away (a slider moved the view meanwhile) restores the clicked centre.
  chartMouseEvent(&c, false, 0, 10, 10, 640, 480, &cx, &cy);
  EXPECT_EQ(cx, 3600);
  EXPECT_EQ(cy, 0);
  EXPECT_EQ(c.x, 64);
  EXPECT_EQ(c.y, 0);
  // Presses accumulate: the next one re-centres relative to the previous clicks.
  chartMouseEvent(&c, true, 2, 384, 200, 640, 480, &cx, &cy);
  EXPECT_EQ(c.x, 96);
  EXPECT_EQ(c.y, 20);
  EXPECT_EQ(cx, 5400);
  EXPECT_EQ(cy, 1125);
}

TEST(ReCentring, FarWanderingClickNeitherOverflowsNorWraps) {
  ClickPosition c;
  // Beyond 2^31 / 36000 pixels the 32-bit product would wrap to the wrong side.
  c.x = 100000;
  int cx, cy;
  centreFromClick(c, 640, 480, &cx, &cy);
  EXPECT_EQ(cx, 5625000);
  c.x = -100000;
  centreFromClick(c, 640, 480, &cx, &cy);
  EXPECT_EQ(cx, -5625000);
  // A result beyond int clamps instead of wrapping.
  c.x = int64_t(1) << 40;
  c.y = -(int64_t(1) << 40);
  centreFromClick(c, 640, 480, &cx, &cy);
  EXPECT_EQ(cx, INT_MAX);
  EXPECT_EQ(cy, INT_MIN);
  // Odd window sizes: integer halves of the width and height.
  ClickPosition d;
  addPress(&d, 0, 0, 0, 641, 481);
  EXPECT_EQ(d.x, -320);
  EXPECT_EQ(d.y, 240);
  centreFromClick(d, 0, 0, &cx, &cy);
  EXPECT_EQ(cx, 0);
  EXPECT_EQ(cy, 0);
}
