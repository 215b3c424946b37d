#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "exercise_test_util.h"
#include "ifr_exercise_set.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

// Four decimals, as the reference values are given.
void expectPoint(ExercisePoint p, double x, double y, const char* what) {
  EXPECT_NEAR(p.x, x, 5e-5) << what;
  EXPECT_NEAR(p.y, y, 5e-5) << what;
}

const std::string kVorAbc = navaidXml("ABC", "VOR", "ALPHA");

// A set loaded from `exercises` with the navaid ABC "ALPHA" at (x, y).
struct Resolved {
  Resolved(ExerciseFileTest* t, const std::string& exercises, double x = 0, double y = 0, double variation = 0)
      : set(t->writeXmlPublic(setXml("T", exercises)).c_str()) {
    vors.push_back(navaid("ABC", "ALPHA", variation, x, y));
    ok = set.resolve(vors, ndbs);
  }
  IfrExerciseSet set;
  std::vector<NavaidRecord> vors, ndbs;
  bool ok;
};

}  // namespace

class GeometryTest : public ExerciseFileTest {};

TEST(DestinationPoint, ReferenceRows) {
  const double deg = kDegToRad;
  // Zero distance returns the start, whatever the bearing.
  expectPoint(destinationPoint({1234.5, -678.9}, 0, 1.0), 1234.5, -678.9, "D = 0");
  // One degree of arc east from near the antimeridian wraps to the west.
  EXPECT_NEAR(destinationPoint({17990, 0}, 60, 90 * deg).x, -17910, 1e-6);
  // Across the north pole: latitude comes back down on the far meridian.
  // asin folds back with the true pi while the chart conversion uses pi in
  // single precision, so the result lies 18000 (1 - pi / pi_f) = 0.0005 units short.
  const ExercisePoint pole = destinationPoint({0, 8990}, 60, 0);
  EXPECT_NEAR(pole.y, 8910, 1e-3);
  EXPECT_NEAR(pole.y, 18000 * M_PI / kExercisePi - 9090, 1e-7);
  EXPECT_NEAR(std::fabs(pole.x), 18000, 1e-3);
  // Across the south pole the same way.
  const ExercisePoint south = destinationPoint({9000, -8990}, 60, 180 * deg);
  EXPECT_NEAR(south.y, -8910, 1e-3);
  EXPECT_NEAR(south.x, -9000, 2e-3);
  // A negative distance goes backwards along the bearing.
  const ExercisePoint back = destinationPoint({100, 200}, -30, 45 * deg);
  const ExercisePoint ahead = destinationPoint({100, 200}, 30, 225 * deg);
  expectPoint(back, ahead.x, ahead.y, "negative distance");
  // Due north on the equator: 6 nm is exactly 10 chart units of latitude.
  expectPoint(destinationPoint({0, 0}, 6, 0), 0, 10, "north");
  // West across the antimeridian the other way.
  EXPECT_NEAR(destinationPoint({-17990, 0}, 60, 270 * deg).x, 17910, 1e-6);
  // Results always stay on the chart.
  for (double b = 0; b < 360; b += 7.5) {
    const ExercisePoint p = destinationPoint({17999, 8999}, 5000, b * deg);
    EXPECT_LE(std::fabs(p.x), 18000 + 1e-9);
    EXPECT_LE(std::fabs(p.y), 9000 + 1e-9);
  }
}

TEST_F(GeometryTest, HoldingPatternReference) {
  const std::string hold = kVorAbc + "<NAV><QDM>90</QDM></NAV><FORM><TYPE>HIPP</TYPE></FORM>";
  Resolved right(this, exerciseXml(0, hold));
  ASSERT_TRUE(right.ok);
  const IfrExercise& e = right.set.entry(0);
  EXPECT_EQ(e.geometryValid, 1);
  EXPECT_FLOAT_EQ(e.legLength, 3.6666667f);
  EXPECT_NEAR(2 * std::sqrt(e.ias / (60 * kExercisePi)), 2.1606816, 5e-8);
  expectPoint(e.qdmLineTo, 0, 0, "fix");
  expectPoint(e.qdmLineFrom, -6.1111, 0, "inbound start");
  expectPoint(e.qdrLineFrom, 0, -3.6011, "outbound start");
  expectPoint(e.qdrLineTo, -6.1111, -3.6011, "outbound end");
  expectPoint(e.turnControl1, 3.1187, -1.8006, "turn 1");
  expectPoint(e.turnControl2, -9.2298, -1.8006, "turn 2");

  Resolved left(this, exerciseXml(0, kVorAbc + "<NAV><QDM>90</QDM></NAV><FORM><TYPE>HIPP</TYPE><TURN>LEFT</TURN></FORM>"));
  const IfrExercise& l = left.set.entry(0);
  expectPoint(l.qdmLineFrom, -6.1111, 0, "left inbound start");
  expectPoint(l.qdrLineFrom, 0, 3.6011, "left outbound start");
  expectPoint(l.qdrLineTo, -6.1111, 3.6011, "left outbound end");
  expectPoint(l.turnControl1, 3.1187, 1.8006, "left turn 1");
  expectPoint(l.turnControl2, -9.2298, 1.8006, "left turn 2");
}

TEST_F(GeometryTest, NavaidPointAndVariation) {
  Resolved r(this, exerciseXml(0, kVorAbc + "<NAV><QDM>0</QDM><QDR>90</QDR></NAV>"), 0, 4500);
  const IfrExercise& e = r.set.entry(0);
  expectPoint(e.qdmLineTo, 0, 4500, "to");
  expectPoint(e.qdmLineFrom, 0, 4490, "qdm from");
  expectPoint(e.qdrLineFrom, 0, 4500, "qdr from");
  expectPoint(e.qdrLineTo, 14.1421, 4499.9913, "qdr to");

  // Variation turns magnetic into true: QDR 80 with +10 variation points east.
  Resolved v(this, exerciseXml(0, kVorAbc + "<NAV><QDM>350</QDM><QDR>80</QDR></NAV>"), 0, 0, 10);
  EXPECT_DOUBLE_EQ(v.set.entry(0).variation, 10);
  expectPoint(v.set.entry(0).qdrLineTo, 10, 0, "true east");
  expectPoint(v.set.entry(0).qdmLineFrom, 0, -10, "back along true north");
}

TEST_F(GeometryTest, WaypointsByBearingAndByCoordinates) {
  Resolved r(this,
             exerciseXml(0, kVorAbc + "<NAV><QDM>0</QDM><QDR>0</QDR></NAV>"
                                      "<FORM><TYPE>RELY</TYPE><USER_DST>6</USER_DST><USER_HEADING>90</USER_HEADING></FORM>") +
                 exerciseXml(1, navaidXml("", "", "PT") + "<NAV><QDM>90</QDM><QDR>0</QDR></NAV>"
                                "<FORM><TYPE>COOR</TYPE><USER_LAT>N-10*0</USER_LAT><USER_LON>W-20*30</USER_LON></FORM>"));
  ASSERT_TRUE(r.ok);
  const IfrExercise& w = r.set.entry(0);
  expectPoint(w.qdmLineTo, 10, 0, "waypoint 6 nm east");
  expectPoint(w.qdrLineFrom, 10, 0, "qdr from the waypoint");
  expectPoint(w.qdrLineTo, 10, 10, "qdr north of the waypoint");
  expectPoint(w.qdmLineFrom, 10, -10, "qdm line from the south");

  const IfrExercise& c = r.set.entry(1);
  EXPECT_EQ(c.geometryValid, 1);
  EXPECT_EQ(c.variation, 0);
  expectPoint(c.qdmLineTo, -2050, 1000, "coordinate point");
  expectPoint(c.qdmLineFrom, -2060, 1000, "flat 10 units west");
  expectPoint(c.qdrLineTo, -2050, 1010, "flat 10 units north");
  int32_t x = 0, y = 0;
  EXPECT_TRUE(r.set.exercisePosition(1, &x, &y));
  EXPECT_EQ(x, -2050);
  EXPECT_EQ(y, 1000);
}

TEST_F(GeometryTest, LookupNeedsIdentifierNameAndTheRightList) {
  IfrExerciseSet set(writeXmlPublic(setXml("T", exerciseXml(0, navaidXml("XY", "NDB", "XRAY")))).c_str());
  std::vector<NavaidRecord> vors{navaid("XY", "XRAY", 0, 5, 5)};
  std::vector<NavaidRecord> ndbs{navaid("XY", "OTHER", 0, 1, 1, 8)};
  CaptureStdout();
  EXPECT_FALSE(set.resolve(vors, ndbs));  // only in vors, and another name in ndbs
  EXPECT_EQ(GetCapturedStdout(), "\n\nMESSAGE ERROR : CAN'T FIND SELECTED NAVAID\n\n");
  EXPECT_EQ(set.entry(0).geometryValid, 0);

  // The first of several matching records supplies the position.
  ndbs = {navaid("XY", "xray", 0, 1, 1, 8), navaid("XY", "XRAY", 2, 30, 40, 8), navaid("XY", "XRAY", 3, 50, 60, 8)};
  EXPECT_TRUE(set.resolve(vors, ndbs));
  EXPECT_DOUBLE_EQ(set.entry(0).longitude, 30);
  EXPECT_DOUBLE_EQ(set.entry(0).variation, 2);
}

TEST_F(GeometryTest, FirstFailureStopsTheRest) {
  const std::string good = exerciseXml(0, kVorAbc);
  // Unknown navaid type second: the first keeps its geometry, the rest get none.
  Resolved badType(this, good + exerciseXml(1, navaidXml("ABC", "TAC", "ALPHA")) + exerciseXml(2, kVorAbc));
  EXPECT_FALSE(badType.ok);
  EXPECT_EQ(badType.set.entry(0).geometryValid, 1);
  EXPECT_EQ(badType.set.entry(1).geometryValid, 0);
  EXPECT_EQ(badType.set.entry(2).geometryValid, 0);
  int32_t x, y;
  EXPECT_FALSE(badType.set.exercisePosition(2, &x, &y));

  CaptureStdout();
  Resolved lost(this, good + exerciseXml(1, navaidXml("ZZZ", "VOR", "NOWHERE")) + exerciseXml(2, kVorAbc));
  EXPECT_EQ(GetCapturedStdout(), "\n\nMESSAGE ERROR : CAN'T FIND SELECTED NAVAID\n\n");
  EXPECT_EQ(lost.set.entry(2).geometryValid, 0);

  CaptureStdout();
  Resolved typeMsg(this, exerciseXml(0, navaidXml("ABC", "vor", "ALPHA")));
  EXPECT_EQ(GetCapturedStdout(), "\n\nMESSAGE ERROR : NAVAID TYPE = VOR or NDB\n\n");

  // Texts that did not fit never match a navaid: the cut "ABC" of "ABCD" and
  // the cut "VOR" of "VORTAC" are rejected, not taken for ABC and VOR.
  CaptureStdout();
  Resolved cutId(this, exerciseXml(0, navaidXml("ABCD", "VOR", "ALPHA")));
  Resolved cutType(this, exerciseXml(0, navaidXml("ABC", "VORTAC", "ALPHA")));
  const std::string out = GetCapturedStdout();
  EXPECT_FALSE(cutId.ok);
  EXPECT_FALSE(cutType.ok);
  EXPECT_NE(out.find("CAN'T FIND SELECTED NAVAID"), std::string::npos);
  EXPECT_NE(out.find("NAVAID TYPE = VOR or NDB"), std::string::npos);

  CaptureStdout();
  Resolved empty(this, "");
  EXPECT_FALSE(empty.ok);
  EXPECT_EQ(GetCapturedStdout(), "NO IFR EXERCISES XML FILE FOUND\n\n");
}

TEST_F(GeometryTest, UnknownFormsGetNoGeometryButDoNotStopTheRest) {
  Resolved r(this, exerciseXml(0, kVorAbc + "<FORM><TYPE>ORBIT</TYPE></FORM>") + exerciseXml(1, kVorAbc), 12, 34);
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.set.entry(0).geometryValid, 0);
  EXPECT_EQ(r.set.entry(1).geometryValid, 1);
}

TEST_F(GeometryTest, ExercisePositionTruncatesTowardZero) {
  Resolved r(this, exerciseXml(0, kVorAbc), -123.9, 4567.8);
  int32_t x = 0, y = 0;
  ASSERT_TRUE(r.set.exercisePosition(0, &x, &y));
  EXPECT_EQ(x, -123);
  EXPECT_EQ(y, 4567);
  x = 7;
  EXPECT_FALSE(r.set.exercisePosition(1, &x, &y));
  EXPECT_FALSE(r.set.exercisePosition(-1, &x, &y));
  EXPECT_EQ(x, 7);

  // A position no chart holds still gives a defined answer.
  Resolved far(this, exerciseXml(0, navaidXml("", "", "P") +
                                        "<FORM><TYPE>COOR</TYPE><USER_LON>E-1*1e300</USER_LON></FORM>"));
  ASSERT_TRUE(far.set.exercisePosition(0, &x, &y));
  EXPECT_EQ(x, INT32_MAX);
}
