// What the viewer will draw for each exercise, in words and numbers: the kind,
// the reference point, the magnetic and true courses, the hold's turn side and
// leg length, every fix and arc waypoint in the coordinate syntax. All of it is
// read from the entries the viewer's loader made and the geometry its own
// computation gave them; the printed report of the viewer leaves it out.
#pragma once

#include <string>

#include "exercise_check.h"

std::string explainExercises(const CheckedFile& file);
