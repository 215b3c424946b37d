#include "viewer_layout.h"

#include <cmath>
#include <cstdio>

#include "geo_units.h"

int buttonLeft(int index) { return 18 + index * (kButtonWidth + 3); }

WidgetBox buttonBoxAtStart(int index) {
  int left = buttonLeft(index);
  return WidgetBox{left, 480 - kPanelThickness, left + kButtonWidth, 480};
}

PanelLayout panelLayout(int w, int h) {
  PanelLayout p{};
  p.longWidth = w - 2 * kPanelThickness;
  p.longHeight = kPanelThickness;
  p.latX = w - kPanelThickness;
  p.latY = 0;
  p.latWidth = kPanelThickness;
  p.latHeight = h;
  p.zoomWidth = kPanelThickness;
  p.zoomHeight = h;
  p.buttonY = h - kPanelThickness;
  return p;
}

namespace {
// Truncation toward zero that never converts a value the int cannot hold.
int truncToInt(double v) {
  if (!std::isfinite(v)) return 0;
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(v);
}
}  // namespace

void profileLabels(char* altitudeLabel, char* timeLabel, double maxAltitude,
                   const std::vector<TrackPoint>& points) {
  std::snprintf(altitudeLabel, kProfileLabelSize, "%5d ft", truncToInt(maxAltitude + 1000));
  int seconds = points.empty() ? 0 : truncToInt(points.back().elapsed);
  std::snprintf(timeLabel, kProfileLabelSize, "%5d sec", seconds);
}

bool userCentre(const std::vector<TrackPoint>& points, int* x, int* y) {
  if (points.size() < 2) return false;
  *x = truncToInt(chartXFromArcSeconds(points[1].rawLongitude));
  *y = truncToInt(chartYFromArcSeconds(points[1].rawLatitude));
  return true;
}
