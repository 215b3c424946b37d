// The distance grids behind the map: where their lines go, and drawing them.
//
// Three meshes, chosen by zoom: a 15-degree graticule (900 NM), a 0.6-degree mesh
// (36 NM) and a 0.05-degree mesh (3 NM). The two finer ones space their meridians
// by the meridian factor so that the mesh is square in nautical miles at the
// centre's latitude. Near and beyond a pole that factor is enormous or negative,
// and the meridians land far off the world; they are drawn wherever they can be.
// Only a position that is not finite or lies outside the 32-bit integer range is
// skipped, so no such value is ever converted to an integer. The forEach functions
// give the positions, so tests can check them without a GL context.
#pragma once

#include <cmath>

#include "chart_cull.h"

// The largest and smallest positions a meridian can be drawn at: the 36 NM grid
// sends integer vertices.
const double kGridMeridianMax = 2147483647.0;
const double kGridMeridianMin = -2147483648.0;

inline bool gridMeridianDrawable(double x) {
  return std::isfinite(x) && x <= kGridMeridianMax && x >= kGridMeridianMin;
}

// 900 NM: meridians every 1500 units from -18000 to 18000, parallels every 1500
// from -9000 to 9000; the meridian factor is not used.
template <class Meridian, class Parallel>
void forEachGrid900Line(Meridian meridian, Parallel parallel) {
  for (int m = -18000; m <= 18000; m += 1500) meridian(m);
  for (int m = -9000; m <= 9000; m += 1500) parallel(m);
}

// 36 NM: meridians at m * k truncated to an integer for m = -18000..18000 step 60,
// parallels every 60 from -9000 to 9000.
template <class Meridian, class Parallel>
void forEachGrid36Line(double k, Meridian meridian, Parallel parallel) {
  for (int m = -18000; m <= 18000; m += 60) {
    double x = m * k;
    if (gridMeridianDrawable(x)) meridian(static_cast<int>(x));
  }
  for (int m = -9000; m <= 9000; m += 60) parallel(m);
}

// 3 NM: a single-precision counter m from -18000 in steps of 5 (7201 values), the
// meridian at m * k in double precision handed on as a float; parallels every 5.
template <class Meridian, class Parallel>
void forEachGrid3Line(double k, Meridian meridian, Parallel parallel) {
  for (float m = -18000.0f; m <= 18000.0f; m += 5.0f) {
    double x = static_cast<double>(m) * k;
    if (gridMeridianDrawable(x)) meridian(static_cast<float>(x));
  }
  for (int m = -9000; m <= 9000; m += 5) parallel(m);
}

// The culled drawing hands the forEach functions these wrappers: the same lines
// in the same order, less those that cannot touch the view.
template <class Meridian>
auto meridiansIn(const ChartRect& view, Meridian meridian) {
  return [&view, meridian](auto x) {
    if (meridianMayShow(x, view)) meridian(x);
  };
}
template <class Parallel>
auto parallelsIn(const ChartRect& view, Parallel parallel) {
  return [&view, parallel](int y) {
    if (parallelMayShow(y, view)) parallel(y);
  };
}

// GL: each line its own glBegin(GL_LINES)..glEnd, line width 1, grid colour.
void drawGrid900();
void drawGrid36(double meridianFactor);
void drawGrid3(double meridianFactor);
