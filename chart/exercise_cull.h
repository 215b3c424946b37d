// What the culled drawing needs to know of the exercises' draw steps: the box of
// everything a list of steps draws, and the colour and point size it leaves current.
//
// The culled drawing compiles each exercise's steps (appendExerciseSteps) into a
// display list of its own, indexes the lists by these boxes, and calls those that
// may touch the view, in their order. Every exercise sets the colour and point
// size it draws with, so one drawn alone looks as it does among the others; after
// the lists, the chart makes current what the full list would have left.
#pragma once

#include <vector>

#include "chart_cull.h"
#include "exercise_draw_steps.h"

// Segments, turns (held by their control points), dots and labels; a list that
// draws nothing gets a box that shows nowhere.
ChartRect exerciseStepsBox(const std::vector<ExerciseDrawStep>& steps, const TextMetrics& metrics);

struct ExerciseEndState {
  bool hasColor = false;  // false: the steps set no colour
  float color[3] = {0, 0, 0};
  bool hasSize = false;
  float size = 0;
};
// A label block draws in black and leaves black current.
ExerciseEndState exerciseEndState(const std::vector<ExerciseDrawStep>& steps);
