// The numbers the viewer's windows are laid out by, free of OpenGL and PUI.
//
// Widget boxes at creation (window pixels, origin bottom-left, for the 640 by 480
// start size), where chartReshape moves them for another size, the profile's
// labels, and the view centre the "User" button takes from the track. The PUI and
// GLUT wiring in viewer.cpp only applies these values.
#pragma once

#include <cstddef>
#include <vector>

#include "track_file.h"

struct WidgetBox {
  int left, bottom, right, top;
};

// The top row of buttons, 50 by 18 pixels, 3 apart, starting 18 from the left.
const int kButtonCount = 5;  // Exit, User, ID, IFR, Load
const int kButtonWidth = 50;
const int kPanelThickness = 18;
int buttonLeft(int index);
WidgetBox buttonBoxAtStart(int index);

// Sliders at creation: position and length.
struct SliderPlace {
  int x, y, length;
  bool vertical;
};
const SliderPlace kLongSliderStart = {18, 0, 604, false};
const SliderPlace kLatSliderStart = {622, 0, 480, true};
const SliderPlace kZoomSliderStart = {0, 0, 480, true};
const int kStatusTextX = 20, kStatusTextY = 20;
const int kCoordTextX = 340, kCoordTextY = 20;

// Where chartReshape puts the widgets for a w by h window. The "Long" slider keeps
// its position and changes only its size; the texts do not move.
struct PanelLayout {
  int longWidth, longHeight;
  int latX, latY, latWidth, latHeight;
  int zoomWidth, zoomHeight;
  int buttonY;
};
PanelLayout panelLayout(int w, int h);

// The profile's labels: "%5d ft" for maxAltitude + 1000 and "%5d sec" for the last
// point's elapsed time (0 when the track holds no point), both truncated.
const size_t kProfileLabelSize = 32;
void profileLabels(char* altitudeLabel, char* timeLabel, double maxAltitude,
                   const std::vector<TrackPoint>& points);

// The view centre for "User": the track's second point in chart units, truncated.
// False when the track has fewer than two points.
bool userCentre(const std::vector<TrackPoint>& points, int* x, int* y);
