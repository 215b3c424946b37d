// Draws the exercises with geometry over the chart, inside the chart's view
// transform (chart units). Called every frame after the track; the 1-D
// evaluator it uses for the holding turns is enabled by the chart's set-up.
#pragma once

#include <plib/fnt.h>

#include <vector>

#include "exercise_draw_steps.h"
#include "ifr_exercise_set.h"

// Labels are skipped when either text pointer is null.
void drawExercises(const IfrExerciseSet& set, fntRenderer* text, fntTexFont* font);

// Replays steps made by exerciseDrawSteps, or a part of them (the culled drawing).
void drawExerciseSteps(const std::vector<ExerciseDrawStep>& steps, fntRenderer* text, fntTexFont* font);
