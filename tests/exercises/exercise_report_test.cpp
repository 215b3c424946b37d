#include <gtest/gtest.h>

#include <string>

#include "exercise_test_util.h"
#include "ifr_exercise_set.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

const std::string kData = EXERCISE_TEST_DATA;

std::vector<NavaidRecord> goldenVors() { return {navaid("ABC", "ALPHA", -2.5, 250, 4800)}; }
std::vector<NavaidRecord> goldenNdbs() { return {navaid("XY", "XRAY", 1.0, -120, 4700, 8)}; }

}  // namespace

// One exercise of every kind, an arc across north, an arc of one entry, a
// coordinate waypoint, an unknown form, a failed lookup in the middle and a gap
// in the numbering: the table, the messages and the report as a whole.
TEST(ExerciseGolden, EveryKindTableAndReport) {
  IfrExerciseSet set((kData + "/all_kinds.xml").c_str());
  ASSERT_EQ(set.count(), 12);
  const ExerciseKind kinds[] = {NavaidPoint, HoldingPattern, BearingWaypoint, BearingWaypoint,
                                BearingWaypoint, BearingWaypoint, BearingWaypoint, BearingWaypoint,
                                CoordinateWaypoint, UnknownKind, NavaidPoint, NavaidPoint};
  for (int32_t i = 0; i < set.count(); ++i) EXPECT_EQ(set.entry(i).kind, kinds[i]) << i;
  EXPECT_DOUBLE_EQ(set.entry(0).angle, 30);
  EXPECT_STREQ(set.entry(4).navaidName, "ALPHA");  // arc entry, not DATA04's navaid

  CaptureStdout();
  EXPECT_FALSE(set.resolve(goldenVors(), goldenNdbs()));
  EXPECT_EQ(GetCapturedStdout(), "\n\nMESSAGE ERROR : CAN'T FIND SELECTED NAVAID\n\n");
  for (int32_t i = 0; i < set.count(); ++i) {
    const bool drawn = i < 10 && set.entry(i).kind != UnknownKind;
    EXPECT_EQ(set.entry(i).geometryValid, drawn ? 1 : 0) << i;
  }
  EXPECT_DOUBLE_EQ(set.entry(1).variation, 1.0);
  EXPECT_DOUBLE_EQ(set.entry(3).variation, -2.5);
  EXPECT_DOUBLE_EQ(set.entry(8).variation, 0.0);

  EXPECT_EQ(reportOf(set), readFile(kData + "/all_kinds.report"));
}

TEST(ExerciseReport, EmptySetPrintsOnlyTheTitle) {
  IfrExerciseSet set("/nonexistent/exercises.xml");
  EXPECT_EQ(reportOf(set), "IFR EXERCICE  : NO IFR EXERCISE\n");
}

TEST(ExerciseReport, DefaultStreamIsStdout) {
  IfrExerciseSet set("/nonexistent/exercises.xml");
  CaptureStdout();
  set.printReport();
  EXPECT_EQ(GetCapturedStdout(), "IFR EXERCICE  : NO IFR EXERCISE\n");
}
