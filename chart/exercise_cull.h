// The exercise layer's draw steps reduced to what can touch a view, for the
// culled drawing (viewer --fast).
//
// The steps (exercise_draw_steps.h) are made once, after the exercises' geometry
// is resolved, and their parts indexed: each course-line segment, each turn
// (boxed by its control points, which hold the curve), each waypoint dot and each
// label. For a view, visibleSteps gives the parts that may show, in their order,
// each preceded by the colour and point size the full list has in effect there,
// and ends in the colour and point size the full list leaves behind. Replayed
// through drawExerciseSteps, the picture is the one drawExercises makes.
#pragma once

#include <cstdint>
#include <vector>

#include "chart_cull.h"
#include "exercise_draw_steps.h"
#include "spatial_index.h"

class ExerciseCuller {
 public:
  ExerciseCuller() = default;
  ExerciseCuller(std::vector<ExerciseDrawStep> steps, const TextMetrics& metrics);

  std::vector<ExerciseDrawStep> visibleSteps(const ChartRect& view) const;

  size_t partCount() const { return parts_.size(); }

 private:
  struct Part {
    uint32_t step;
    uint32_t item;  // segment, point or label within the step (a turn: 0)
  };
  // Colour and point size in effect, as the full list leaves them after a step.
  struct State {
    bool hasColor = false;
    float color[3] = {0, 0, 0};
    bool hasSize = false;
    float size = 0;
  };

  std::vector<ExerciseDrawStep> steps_;
  std::vector<State> before_;  // in effect when each step starts
  State end_;
  std::vector<Part> parts_;
  SpatialIndex index_;
};
