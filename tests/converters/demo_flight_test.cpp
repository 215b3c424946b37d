// The demo sortie generator: the flight must really fly the procedures the
// demo's exercises draw, with turns an aircraft can make.
#include <gtest/gtest.h>

#include <cmath>

#include "demo_flight.h"
#include "test_dir.h"

TEST(DemoFlight, FliesTheProceduresItClaims) {
  const DemoPlaces pl;
  const std::vector<FlightTick> t = flyDemoSortie(pl);
  ASSERT_GT(t.size(), 600u);
  ASSERT_LT(t.size(), 20000u);  // it ended by landing, not by running out of ticks

  double nearVor = 1e9, nearNdb = 1e9, top = 0;
  size_t onArc = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    nearVor = std::min(nearVor, geoDistanceNm(t[i].pos, pl.vor));
    nearNdb = std::min(nearNdb, geoDistanceNm(t[i].pos, pl.ndb));
    top = std::max(top, t[i].altitude);
    const double d = geoDistanceNm(t[i].pos, pl.vor);
    if (d > 11.7 && d < 12.3 && t[i].pos.lat > pl.vor.lat) ++onArc;
    if (i > 0) {
      const double turn = std::fabs(std::remainder(t[i].heading - t[i - 1].heading, 360.0));
      ASSERT_LE(turn, 3.0 + 1e-9) << "tick " << i;  // standard rate at most
      ASSERT_LE(std::fabs(t[i].altitude - t[i - 1].altitude), 15.0 + 1e-9) << "tick " << i;
    }
  }
  EXPECT_LT(nearVor, 0.5);
  EXPECT_LT(nearNdb, 0.5);
  EXPECT_GT(onArc, 300u);  // several minutes on the 12 NM arc
  EXPECT_NEAR(top, 3000, 1);
  // Starts and ends on the runway, stopped, at field elevation.
  EXPECT_LT(geoDistanceNm(t.front().pos, pl.threshold31R), 0.1);
  EXPECT_LT(geoDistanceNm(t.back().pos, pl.threshold31R), 2.0);
  EXPECT_DOUBLE_EQ(t.back().speedKt, 0);
  EXPECT_NEAR(t.back().altitude, pl.fieldElevation, 1e-9);
}

TEST(DemoFlight, ScriptLinesAreHostTicks) {
  ScopedTestDir dir;
  std::vector<FlightTick> ticks = {{{43.5, -1.25}, 1000, 120, 0}, {{-33.9, 151.2}, 50.5, 0, 0}};
  ASSERT_TRUE(writeHostScript(dir.file("s.txt"), ticks, 1.0));
  std::FILE* f = std::fopen(dir.file("s.txt").c_str(), "r");
  ASSERT_NE(f, nullptr);
  char line[256];
  ASSERT_NE(std::fgets(line, sizeof line, f), nullptr);
  EXPECT_EQ(line[0], '#');
  double lat, lon, alt, v, x, dt;
  ASSERT_NE(std::fgets(line, sizeof line, f), nullptr);
  ASSERT_EQ(std::sscanf(line, "%lf %lf %lf %lf %lf %lf", &lat, &lon, &alt, &v, &x, &dt), 6);
  EXPECT_NEAR(lat, 156600, 1e-3);
  EXPECT_NEAR(lon, 1296000 - 4500, 1e-3);  // west: eastward from 0
  EXPECT_NEAR(alt, 1000, 1e-9);
  EXPECT_NEAR(v, 120 * 6076.12 / 3600, 0.01);  // ft/s
  EXPECT_EQ(dt, 1);
  ASSERT_NE(std::fgets(line, sizeof line, f), nullptr);
  ASSERT_EQ(std::sscanf(line, "%lf %lf", &lat, &lon), 2);
  EXPECT_NEAR(lat, -122040, 1e-3);
  EXPECT_NEAR(lon, 544320, 1e-3);
  std::fclose(f);
}
