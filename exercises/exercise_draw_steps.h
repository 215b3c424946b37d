// What drawExercises draws, as a plain list of steps: colours, point sizes,
// line segments, Bezier turns, points and label blocks, in drawing order.
//
// Kept free of GL so the tests can check every vertex and label; the GL layer
// (exercise_draw.cpp) is a thin loop replaying the steps. Only exercises with
// geometry are listed; unknown kinds give nothing.
#pragma once

#include <string>
#include <vector>

#include "ifr_exercise_set.h"

enum class DrawOp {
  Color,      // color
  PointSize,  // size
  Lines,      // points: pairs of segment ends, one GL_LINES block
  Bezier,     // points: the four control points of one cubic turn
  Points,     // points: one GL_POINTS block
  Labels,     // labels: one text block (black, textured, point size `size`)
};

struct DrawLabel {
  float x, y;
  std::string text;
};

struct ExerciseDrawStep {
  DrawOp op = DrawOp::Color;
  float color[3] = {0, 0, 0};
  float size = 0;
  std::vector<ExercisePoint> points;
  std::vector<DrawLabel> labels;
};

// Colours and sizes of the exercise layer.
extern const float kCourseLineColor[3];
extern const float kBearingWaypointColor[3];
extern const float kCoordinateWaypointColor[3];
constexpr float kLabelPointSize = 0.375f;
constexpr float kWaypointPointSize = 5.0f;
constexpr int kBezierSegments = 15;  // 16 evaluated points per turn

std::vector<ExerciseDrawStep> exerciseDrawSteps(const IfrExerciseSet& set);
// The steps of one exercise, appended; each exercise sets every colour and point
// size it draws with, so its steps look the same drawn alone.
void appendExerciseSteps(const IfrExercise& e, std::vector<ExerciseDrawStep>* steps);

// "QDM : %6.2lf" / "QDR : %6.2lf".
std::string qdmLabel(double qdm);
std::string qdrLabel(double qdr);
