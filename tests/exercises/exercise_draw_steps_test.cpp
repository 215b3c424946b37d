#include <gtest/gtest.h>

#include <string>

#include "exercise_draw_steps.h"
#include "exercise_test_util.h"

namespace {

const std::string kData = EXERCISE_TEST_DATA;

void expectColor(const ExerciseDrawStep& s, const float (&c)[3]) {
  ASSERT_EQ(s.op, DrawOp::Color);
  EXPECT_FLOAT_EQ(s.color[0], c[0]);
  EXPECT_FLOAT_EQ(s.color[1], c[1]);
  EXPECT_FLOAT_EQ(s.color[2], c[2]);
}

void expectSame(ExercisePoint a, ExercisePoint b) {
  EXPECT_DOUBLE_EQ(a.x, b.x);
  EXPECT_DOUBLE_EQ(a.y, b.y);
}

}  // namespace

TEST(ExerciseLabels, Formats) {
  EXPECT_EQ(qdmLabel(270), "QDM : 270.00");
  EXPECT_EQ(qdrLabel(5.5), "QDR :   5.50");
  EXPECT_EQ(qdrLabel(-12.345), "QDR : -12.35");
}

TEST(ExerciseDrawSteps, EveryKindInDrawingOrder) {
  IfrExerciseSet set((kData + "/all_kinds.xml").c_str());
  testing::internal::CaptureStdout();
  set.resolve({navaid("ABC", "ALPHA", -2.5, 250, 4800)}, {navaid("XY", "XRAY", 1.0, -120, 4700, 8)});
  testing::internal::GetCapturedStdout();

  const std::vector<ExerciseDrawStep> steps = exerciseDrawSteps(set);
  // 0 line (3 steps), 1 holding (5), 2..7 six bearing waypoints (6 each), 8
  // coordinate (5); 9 unknown, 10 and 11 after the failure: nothing.
  ASSERT_EQ(steps.size(), 3u + 5u + 6 * 6u + 5u);

  const IfrExercise& line = set.entry(0);
  expectColor(steps[0], kCourseLineColor);
  ASSERT_EQ(steps[1].op, DrawOp::Lines);
  ASSERT_EQ(steps[1].points.size(), 4u);
  expectSame(steps[1].points[0], line.qdmLineFrom);
  expectSame(steps[1].points[1], line.qdmLineTo);
  expectSame(steps[1].points[2], line.qdrLineFrom);
  expectSame(steps[1].points[3], line.qdrLineTo);
  ASSERT_EQ(steps[2].op, DrawOp::Labels);
  EXPECT_FLOAT_EQ(steps[2].size, 0.375f);
  ASSERT_EQ(steps[2].labels.size(), 2u);
  EXPECT_EQ(steps[2].labels[0].text, "QDM : 270.00");
  EXPECT_FLOAT_EQ(steps[2].labels[0].x, static_cast<float>(line.qdmLineFrom.x));
  EXPECT_EQ(steps[2].labels[1].text, "QDR :  45.00");
  EXPECT_FLOAT_EQ(steps[2].labels[1].y, static_cast<float>(line.qdrLineTo.y));

  const IfrExercise& hold = set.entry(1);
  expectColor(steps[3], kCourseLineColor);
  ASSERT_EQ(steps[4].op, DrawOp::Lines);
  ASSERT_EQ(steps[5].op, DrawOp::Bezier);
  ASSERT_EQ(steps[5].points.size(), 4u);
  expectSame(steps[5].points[0], hold.qdmLineTo);
  expectSame(steps[5].points[1], hold.qdmLineTo);
  expectSame(steps[5].points[2], hold.turnControl1);
  expectSame(steps[5].points[3], hold.qdrLineFrom);
  ASSERT_EQ(steps[6].op, DrawOp::Bezier);
  expectSame(steps[6].points[0], hold.qdmLineFrom);
  expectSame(steps[6].points[1], hold.qdmLineFrom);
  expectSame(steps[6].points[2], hold.turnControl2);
  expectSame(steps[6].points[3], hold.qdrLineTo);
  ASSERT_EQ(steps[7].op, DrawOp::Labels);
  EXPECT_FLOAT_EQ(steps[7].labels[0].x, static_cast<float>(hold.qdmLineTo.x));  // at the fix
  EXPECT_EQ(steps[7].labels[1].text, "QDR : 270.00");

  const IfrExercise& rely = set.entry(2);
  ASSERT_EQ(steps[8].op, DrawOp::PointSize);
  EXPECT_FLOAT_EQ(steps[8].size, 5.0f);
  expectColor(steps[9], kCourseLineColor);
  ASSERT_EQ(steps[10].op, DrawOp::Lines);
  expectColor(steps[11], kBearingWaypointColor);
  ASSERT_EQ(steps[12].op, DrawOp::Points);
  ASSERT_EQ(steps[12].points.size(), 1u);
  expectSame(steps[12].points[0], rely.qdmLineTo);
  EXPECT_EQ(steps[13].labels[0].text, "QDM :  10.00");

  const size_t c = 3 + 5 + 6 * 6;
  const IfrExercise& coor = set.entry(8);
  expectColor(steps[c], kCourseLineColor);
  ASSERT_EQ(steps[c + 1].op, DrawOp::Lines);
  ASSERT_EQ(steps[c + 2].op, DrawOp::PointSize);
  expectColor(steps[c + 3], kCoordinateWaypointColor);
  ASSERT_EQ(steps[c + 4].op, DrawOp::Points);
  EXPECT_DOUBLE_EQ(steps[c + 4].points[0].x, coor.longitude);
  EXPECT_DOUBLE_EQ(steps[c + 4].points[0].y, coor.latitude);
}

TEST(ExerciseDrawSteps, NothingWithoutGeometry) {
  IfrExerciseSet none("/nonexistent/exercises.xml");
  EXPECT_TRUE(exerciseDrawSteps(none).empty());
  IfrExerciseSet unresolved((kData + "/all_kinds.xml").c_str());
  EXPECT_TRUE(exerciseDrawSteps(unresolved).empty());  // loaded, never resolved
}
