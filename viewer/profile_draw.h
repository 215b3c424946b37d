// The altitude profile: altitude against elapsed time for the whole track.
//
// Drawn every frame in profile units (both axes 0..1000 inside -100..1100): a
// grid, the two axes with their ticks, the labels for the top of the altitude
// scale and the end of the time scale, and the orange curve from the first point.
#pragma once

#include "map_data_set.h"

class fntRenderer;
class fntTexFont;

const float kProfileLabelPointSize = 24.0f;

void drawProfile(const TrackFile& track, fntRenderer* text, fntTexFont* font);
