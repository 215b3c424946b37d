// One chart frame below the panel: the view transform and every layer in order.
//
// drawChart applies the transform (scale by zoom + 1, translate by minus the
// centre), then draws by zoom the grid and the airport, runway and navaid layers,
// the coastlines and rivers, the track, the overlay the caller hands in (the IFR
// exercises), and the names; then it undoes the transform. The layer choice comes
// from layersForZoom, so the thresholds are tested without a window.
//
// Handed a TiledChart (viewer --fast), the same frame is drawn culled: the tiles
// and exercise lists in view (the tiled chart's exercises replace the overlay)
// instead of whole layer lists, and only the grid lines, symbols, track segments
// and names that may touch the view. ChartParts::ListsOnly leaves out everything
// that is not a display list; the frame-rate benchmark measures the lists alone
// with it.
#pragma once

#include <vector>

#include "chart_cull.h"
#include "chart_view.h"
#include "map_data_set.h"

class TiledChart;

// Drawn after the track and before the names, inside the view transform.
typedef void (*ChartOverlay)();

enum class ChartParts { All, ListsOnly };

void drawChart(const ChartView& view, bool namesVisible, const MapDataSet& data,
               ChartOverlay overlay, const TiledChart* tiled = nullptr,
               ChartParts parts = ChartParts::All);

// The track as separate stippled segments from the second point to the last; the
// caller enables GL_LINE_STIPPLE around it. With a view, only the segments that
// may touch it (each segment restarts the stipple, so the others look the same).
void drawTrack(const std::vector<TrackPoint>& points, const ChartRect& view = kEverywhere);
