#include "chart_view.h"

#include <climits>
#include <cmath>

ChartLayers layersForZoom(int zoom, bool namesVisible) {
  ChartLayers l{};
  l.gridMesh = meshSizeNm(zoom);
  l.airportPoints = zoom <= 100;
  l.runways = zoom > 100;
  l.navaidPoints = zoom > 100 && zoom <= 350;
  l.navaidSymbols = zoom > 350;
  if (!namesVisible)
    l.names = NameLists::None;
  else if (zoom > 1000)
    l.names = NameLists::Small;
  else if (zoom > 250)
    l.names = NameLists::Large;
  else
    l.names = NameLists::None;
  return l;
}

int meshSizeNm(int zoom) {
  int n = 900;
  if (zoom > 100) n = 36;
  if (zoom > 350) n = 3;
  return n;
}

double meridianFactor(int centreY) {
  // pi as the chart has always rounded it (single precision), everything else in
  // double: a float product is off by up to 2e-3 at the poles, which moves meridians.
  const double pi = static_cast<double>(3.1415927f);
  return 1.0 / std::cos(static_cast<double>(centreY) * pi / 18000.0);
}

bool rangesForZoom(int zoom, int centreX, int centreY, SliderRanges* out) {
  if (zoom == 0) return false;
  int halfWidth = 18000 / zoom;
  out->longMin = static_cast<float>(centreX - halfWidth);
  out->longMax = static_cast<float>(centreX + halfWidth);
  float halfHeight = 13500.0f / static_cast<float>(zoom);
  out->latMin = static_cast<float>(centreY) - halfHeight;
  out->latMax = static_cast<float>(centreY) + halfHeight;
  return true;
}

void addPress(ClickPosition* click, int zoom, int mx, int my, int w, int h) {
  int64_t dx = static_cast<int64_t>(mx) - w / 2;
  int64_t dy = static_cast<int64_t>(h / 2) - my;
  if (zoom != 0) {
    dx /= zoom;
    dy /= zoom;
  }
  click->x += dx;
  click->y += dy;
}

namespace {
int clampToInt(double v) {
  if (!(v == v)) return 0;
  if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(v);
}
}  // namespace

void centreFromClick(const ClickPosition& click, int w, int h, int* centreX, int* centreY) {
  if (w <= 0 || h <= 0) {
    *centreX = 0;
    *centreY = 0;
    return;
  }
  // x: an integer product and division, in 64 bits so the product cannot overflow
  // (|click.x| stays far below 2^63 / 36000 for any number of presses a user makes).
  int64_t x = click.x * 36000 / w;
  if (x > INT_MAX) x = INT_MAX;
  if (x < INT_MIN) x = INT_MIN;
  *centreX = static_cast<int>(x);
  // y: single precision, truncated toward zero.
  float y = static_cast<float>(click.y) * 27000.0f / static_cast<float>(h);
  *centreY = clampToInt(std::trunc(static_cast<double>(y)));
}

void chartMouseEvent(ClickPosition* click, bool press, int zoom, int mx, int my, int w, int h,
                     int* centreX, int* centreY) {
  if (press) addPress(click, zoom, mx, my, w, h);
  centreFromClick(*click, w, h, centreX, centreY);
}
