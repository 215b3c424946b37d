// One chart frame below the panel: the view transform and every layer in order.
//
// drawChart applies the transform (scale by zoom + 1, translate by minus the
// centre), then draws by zoom the grid and the airport, runway and navaid layers,
// the coastlines and rivers, the track, the overlay the caller hands in (the IFR
// exercises), and the names; then it undoes the transform. The layer choice comes
// from layersForZoom, so the thresholds are tested without a window.
#pragma once

#include <vector>

#include "chart_view.h"
#include "map_data_set.h"

// Drawn after the track and before the names, inside the view transform.
typedef void (*ChartOverlay)();

void drawChart(const ChartView& view, bool namesVisible, const MapDataSet& data,
               ChartOverlay overlay);

// The track as separate stippled segments from the second point to the last; the
// caller enables GL_LINE_STIPPLE around it.
void drawTrack(const std::vector<TrackPoint>& points);
