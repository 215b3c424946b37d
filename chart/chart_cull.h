// What can be on screen: the chart rectangle a view shows, and the boxes of the
// things drawn on it, for the culled drawing (viewer --fast).
//
// Culling must not change a single pixel, so every test here errs on the side of
// drawing: the view rectangle carries a margin of several pixels (line widths,
// point sizes, float rounding in the transform), each box covers everything its
// item can draw (a symbol's cross, a label's glyphs), and a box that is not a
// number is always drawn, as the full drawing would send it too.
#pragma once

#include <cmath>
#include <limits>

#include "chart_view.h"

// An axis-aligned box in chart units.
struct ChartRect {
  double minX, minY, maxX, maxY;
};

const double kChartInfinity = std::numeric_limits<double>::infinity();
const ChartRect kEverywhere = {-kChartInfinity, -kChartInfinity, kChartInfinity, kChartInfinity};

// Pixels added around the window: wide lines (3), points (5) and rounding.
const double kCullMarginPixels = 8.0;

// The chart rectangle the view shows in a viewport of w by h pixels, widened by
// marginPixels on each side. A view that cannot be worked out (an empty
// viewport, a magnification of 0) gives kEverywhere.
ChartRect visibleRect(const ChartView& view, int viewportWidth, int viewportHeight,
                      double marginPixels = kCullMarginPixels);

inline bool rectIsNumber(const ChartRect& r) {
  return !std::isnan(r.minX) && !std::isnan(r.minY) && !std::isnan(r.maxX) && !std::isnan(r.maxY);
}

// True when the box may touch the view: it overlaps, or it is not a number. An
// empty box (min above max) shows nowhere.
inline bool mayShow(const ChartRect& box, const ChartRect& view) {
  if (!rectIsNumber(box)) return true;
  if (box.minX > box.maxX || box.minY > box.maxY) return false;
  return box.minX <= view.maxX && view.minX <= box.maxX && box.minY <= view.maxY &&
         view.minY <= box.maxY;
}

inline ChartRect pointBox(double x, double y, double radius = 0.0) {
  return {x - radius, y - radius, x + radius, y + radius};
}

inline ChartRect segmentBox(double x1, double y1, double x2, double y2) {
  return {std::fmin(x1, x2), std::fmin(y1, y2), std::fmax(x1, x2), std::fmax(y1, y2)};
}

// fmin/fmax drop a NaN operand; the union keeps it, so the result stays "not a number".
inline ChartRect unite(const ChartRect& a, const ChartRect& b) {
  if (!rectIsNumber(a) || !rectIsNumber(b)) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    return {nan, nan, nan, nan};
  }
  return {std::fmin(a.minX, b.minX), std::fmin(a.minY, b.minY), std::fmax(a.maxX, b.maxX),
          std::fmax(a.maxY, b.maxY)};
}

// Grid lines: a meridian runs from y -9000 to 9000, a parallel from x -18000 to 18000.
inline bool meridianMayShow(double x, const ChartRect& view) {
  return mayShow({x, -9000.0, x, 9000.0}, view);
}
inline bool parallelMayShow(double y, const ChartRect& view) {
  return mayShow({-18000.0, y, 18000.0, y}, view);
}

// Bounds of a texture font's glyphs, in units of the point size, for boxing a text
// before it is drawn. The defaults bound any ordinary font generously; the chart
// widens them with the loaded font's own glyphs.
struct TextMetrics {
  double left = -0.5;     // leftmost glyph edge from the pen
  double right = 1.5;     // rightmost glyph edge from the pen
  double bottom = -0.75;  // lowest glyph edge from the baseline
  double top = 1.5;       // highest glyph edge from the baseline
  double advance = 2.0;   // largest step of the pen per character (gap included)
};

// The box of `text` drawn with its pen starting at (x, y) in chart units with the
// given point size. A newline moves the pen one point size down and back to x.
ChartRect textBox(double x, double y, const char* text, double pointSize,
                  const TextMetrics& metrics);
