// The chart's view state and the arithmetic around it, free of OpenGL.
//
// Every map object is drawn in chart units (hundredths of a degree, x east,
// y north; the world is -18000..18000 by -9000..9000) under one transform:
// scale by the magnification zoom + 1, then translate by minus the view centre.
// The panel's sliders hold the centre and the zoom; the functions here turn those
// values into what the frame draws (which layers, which mesh), into the slider
// ranges after a zoom change and into a new centre after a mouse press. The GL
// layer (chart_draw.h) and the viewer's callbacks only call them.
#pragma once

#include <cstdint>

// The view as one frame sees it: slider values (truncated) and the meridian factor.
struct ChartView {
  int centreX = 0;
  int centreY = 0;
  int zoom = 0;                // magnification is zoom + 1
  double meridianFactor = 1.0; // 1 / cos(centre latitude); the grids only
};

// The projection loaded once: the window shows this many chart units at zoom 0.
const double kChartHalfWidth = 18000.0;
const double kChartHalfHeight = 13500.0;

enum class NameLists { None, Large, Small };

// What drawChart shows at a zoom value; mirrors the thresholds table.
struct ChartLayers {
  int gridMesh;          // 900, 36 or 3 (nautical miles)
  bool airportPoints;    // list 4
  bool runways;          // list 5
  bool navaidPoints;     // list 6
  bool navaidSymbols;    // the per-frame symbol pass
  NameLists names;       // lists 14/15 (Large) or 12/13 (Small)
};
ChartLayers layersForZoom(int zoom, bool namesVisible);

// Mesh size for the status line: 900, 36 above zoom 100, 3 above zoom 350.
int meshSizeNm(int zoom);

// 1 / cos(centreY * 3.1415927 / 18000): pi rounded to single precision, the product,
// division and cosine in double. Not guarded: at and beyond the poles it is huge or
// negative, and the grids cope with that.
double meridianFactor(int centreY);

// Slider ranges after the zoom slider moved. False for zoom 0, when the ranges stay.
struct SliderRanges {
  float longMin, longMax;
  float latMin, latMax;
};
bool rangesForZoom(int zoom, int centreX, int centreY, SliderRanges* out);

// The view centre as reached by mouse presses, in window pixels at magnification 1.
// Kept in 64 bits: presses toward one side keep adding to it without bound.
struct ClickPosition {
  int64_t x = 0;
  int64_t y = 0;
};

// A press at window pixel (mx, my), my counted from the top, in a w by h window.
void addPress(ClickPosition* click, int zoom, int mx, int my, int w, int h);

// A mouse event on the chart that no widget took: a press adds its offset to the
// click position, a release only re-applies it; either way the result is the new
// view centre. Every button behaves alike.
void chartMouseEvent(ClickPosition* click, bool press, int zoom, int mx, int my, int w, int h,
                     int* centreX, int* centreY);

// The view centre a click position stands for (the sliders get these values).
// Results beyond the int range are clamped, so a far-wandered click never
// overflows; a zero-sized window leaves the centre at 0.
void centreFromClick(const ClickPosition& click, int w, int h, int* centreX, int* centreY);
