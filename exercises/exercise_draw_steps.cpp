#include "exercise_draw_steps.h"

#include <cstdio>

const float kCourseLineColor[3] = {0.647f, 0.686f, 0.647f};
const float kBearingWaypointColor[3] = {1.0f, 0.5f, 0.0f};
const float kCoordinateWaypointColor[3] = {1.0f, 1.0f, 0.0f};

std::string qdmLabel(double qdm) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "QDM : %6.2lf", qdm);
  return buf;
}

std::string qdrLabel(double qdr) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "QDR : %6.2lf", qdr);
  return buf;
}

namespace {

ExerciseDrawStep step(DrawOp op) {
  ExerciseDrawStep s;
  s.op = op;
  return s;
}

ExerciseDrawStep color(const float (&c)[3]) {
  ExerciseDrawStep s = step(DrawOp::Color);
  for (int i = 0; i < 3; ++i) s.color[i] = c[i];
  return s;
}

ExerciseDrawStep pointSize(float size) {
  ExerciseDrawStep s = step(DrawOp::PointSize);
  s.size = size;
  return s;
}

ExerciseDrawStep withPoints(DrawOp op, std::vector<ExercisePoint> points) {
  ExerciseDrawStep s = step(op);
  s.points = std::move(points);
  return s;
}

ExerciseDrawStep labels(const IfrExercise& e, ExercisePoint qdmAt, ExercisePoint qdrAt) {
  ExerciseDrawStep s = step(DrawOp::Labels);
  s.size = kLabelPointSize;
  s.labels.push_back({static_cast<float>(qdmAt.x), static_cast<float>(qdmAt.y), qdmLabel(e.qdm)});
  s.labels.push_back({static_cast<float>(qdrAt.x), static_cast<float>(qdrAt.y), qdrLabel(e.qdr)});
  return s;
}

}  // namespace

std::vector<ExerciseDrawStep> exerciseDrawSteps(const IfrExerciseSet& set) {
  std::vector<ExerciseDrawStep> steps;
  for (int32_t i = 0; i < set.count(); ++i) appendExerciseSteps(set.entry(i), &steps);
  return steps;
}

void appendExerciseSteps(const IfrExercise& e, std::vector<ExerciseDrawStep>* out) {
  std::vector<ExerciseDrawStep>& steps = *out;
  if (e.geometryValid != 1) return;
  const auto courseLines = [&e] {
    return withPoints(DrawOp::Lines, {e.qdmLineFrom, e.qdmLineTo, e.qdrLineFrom, e.qdrLineTo});
  };
  switch (e.kind) {
    case NavaidPoint:
      steps.push_back(color(kCourseLineColor));
      steps.push_back(courseLines());
      steps.push_back(labels(e, e.qdmLineFrom, e.qdrLineTo));
      break;
    case HoldingPattern:
      steps.push_back(color(kCourseLineColor));
      steps.push_back(courseLines());
      // The doubled first control point makes each turn leave along the line
      // to the third one.
      steps.push_back(withPoints(DrawOp::Bezier, {e.qdmLineTo, e.qdmLineTo, e.turnControl1, e.qdrLineFrom}));
      steps.push_back(withPoints(DrawOp::Bezier, {e.qdmLineFrom, e.qdmLineFrom, e.turnControl2, e.qdrLineTo}));
      steps.push_back(labels(e, e.qdmLineTo, e.qdrLineTo));
      break;
    case BearingWaypoint:
      steps.push_back(pointSize(kWaypointPointSize));
      steps.push_back(color(kCourseLineColor));
      steps.push_back(courseLines());
      steps.push_back(color(kBearingWaypointColor));
      steps.push_back(withPoints(DrawOp::Points, {e.qdmLineTo}));
      steps.push_back(labels(e, e.qdmLineFrom, e.qdrLineTo));
      break;
    case CoordinateWaypoint:
      steps.push_back(color(kCourseLineColor));
      steps.push_back(courseLines());
      steps.push_back(pointSize(kWaypointPointSize));
      steps.push_back(color(kCoordinateWaypointColor));
      steps.push_back(withPoints(DrawOp::Points, {{e.longitude, e.latitude}}));
      break;
    default:
      break;
  }
}
