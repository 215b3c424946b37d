#include "exercise_cull.h"

#include <algorithm>

ChartRect exerciseStepsBox(const std::vector<ExerciseDrawStep>& steps, const TextMetrics& metrics) {
  ChartRect box = {kChartInfinity, kChartInfinity, -kChartInfinity, -kChartInfinity};
  for (const ExerciseDrawStep& step : steps) {
    switch (step.op) {
      case DrawOp::Lines:
        for (size_t k = 0; k + 1 < step.points.size(); k += 2)
          box = unite(box, segmentBox(step.points[k].x, step.points[k].y, step.points[k + 1].x,
                                      step.points[k + 1].y));
        break;
      case DrawOp::Bezier:
        if (step.points.size() != 4) break;  // drawn only with four control points
        for (const ExercisePoint& p : step.points) box = unite(box, pointBox(p.x, p.y));
        break;
      case DrawOp::Points:
        for (const ExercisePoint& p : step.points) box = unite(box, pointBox(p.x, p.y));
        break;
      case DrawOp::Labels:
        for (const DrawLabel& l : step.labels) box = unite(box, textBox(l.x, l.y, l.text.c_str(), step.size, metrics));
        break;
      default:
        break;
    }
  }
  return box;
}

ExerciseEndState exerciseEndState(const std::vector<ExerciseDrawStep>& steps) {
  ExerciseEndState s;
  for (const ExerciseDrawStep& step : steps) {
    if (step.op == DrawOp::Color) {
      s.hasColor = true;
      std::copy(step.color, step.color + 3, s.color);
    } else if (step.op == DrawOp::Labels) {
      s.hasColor = true;
      std::fill(s.color, s.color + 3, 0.0f);
    } else if (step.op == DrawOp::PointSize) {
      s.hasSize = true;
      s.size = step.size;
    }
  }
  return s;
}
