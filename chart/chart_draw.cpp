#include "chart_draw.h"

#include <GL/gl.h>

#include "chart_grid.h"
#include "chart_lists.h"
#include "tiled_chart.h"

namespace {

void gridLook() {
  glLineWidth(1);
  glColor3f(0.47f, 0.5f, 0.45f);
}

// Every grid line is its own GL_LINES block, drawn immediately each frame.
void meridianLine(int x) {
  glBegin(GL_LINES);
  glVertex2i(x, -9000);
  glVertex2i(x, 9000);
  glEnd();
}

void parallelLine(int y) {
  glBegin(GL_LINES);
  glVertex2i(-18000, y);
  glVertex2i(18000, y);
  glEnd();
}

}  // namespace

void drawGrid900() {
  gridLook();
  forEachGrid900Line(meridianLine, parallelLine);
}

void drawGrid36(double meridianFactor) {
  gridLook();
  forEachGrid36Line(meridianFactor, meridianLine, parallelLine);
}

void drawGrid3(double meridianFactor) {
  gridLook();
  forEachGrid3Line(
      meridianFactor,
      [](float x) {
        glBegin(GL_LINES);
        glVertex2f(x, -9000);
        glVertex2f(x, 9000);
        glEnd();
      },
      parallelLine);
}

namespace {

// The culled drawing sends the grid lines in view as one GL_LINES block: the same
// segments, so the same pixels, in one draw instead of one per line.
void drawGridInOneBlock(int mesh, double meridianFactor, const ChartRect& view) {
  gridLook();
  glBegin(GL_LINES);
  const auto meridian = [](int x) {
    glVertex2i(x, -9000);
    glVertex2i(x, 9000);
  };
  const auto parallel = [](int y) {
    glVertex2i(-18000, y);
    glVertex2i(18000, y);
  };
  if (mesh == 900) {
    forEachGrid900Line(meridiansIn(view, meridian), parallelsIn(view, parallel));
  } else if (mesh == 36) {
    forEachGrid36Line(meridianFactor, meridiansIn(view, meridian), parallelsIn(view, parallel));
  } else {
    const auto meridianF = [](float x) {
      glVertex2f(x, -9000);
      glVertex2f(x, 9000);
    };
    forEachGrid3Line(meridianFactor, meridiansIn(view, meridianF), parallelsIn(view, parallel));
  }
  glEnd();
}

}  // namespace

void drawTrack(const std::vector<TrackPoint>& points, const ChartRect& view) {
  glLineStipple(1, 0x1C47);
  glColor3f(1, 0.2f, 0);
  glBegin(GL_LINES);
  for (size_t i = 1; i + 1 < points.size(); ++i) {
    const TrackPoint& a = points[i];
    const TrackPoint& b = points[i + 1];
    if (!mayShow(segmentBox(a.longitude, a.latitude, b.longitude, b.latitude), view)) continue;
    glVertex2d(a.longitude, a.latitude);
    glVertex2d(b.longitude, b.latitude);
  }
  glEnd();
}

void drawChart(const ChartView& view, bool namesVisible, const MapDataSet& data,
               ChartOverlay overlay, const TiledChart* tiled, ChartParts parts) {
  const ChartLayers layers = layersForZoom(view.zoom, namesVisible);
  const float magnification = static_cast<float>(view.zoom + 1);
  const bool all = parts == ChartParts::All;

  glPushMatrix();
  glScalef(magnification, magnification, 1);
  glTranslatef(static_cast<float>(-view.centreX), static_cast<float>(-view.centreY), 0);
  glDisable(GL_TEXTURE_2D);

  const ChartRect rect = tiled ? tiled->viewRect(view) : kEverywhere;
  const auto layer = [tiled, &rect](ChartList list) {
    if (tiled)
      tiled->callLayer(list, rect);
    else
      glCallList(list);
  };

  const auto grid = [&] {
    if (!all) return;
    if (tiled)
      drawGridInOneBlock(layers.gridMesh, view.meridianFactor, rect);
    else if (layers.gridMesh == 900)
      drawGrid900();
    else if (layers.gridMesh == 36)
      drawGrid36(view.meridianFactor);
    else
      drawGrid3(view.meridianFactor);
  };

  if (layers.gridMesh == 900) {
    grid();
    glPointSize(1);
    layer(kAirportList);
  } else if (layers.gridMesh == 36) {
    glLineWidth(3);
    layer(kRunwayList);
    grid();
    glPointSize(2);
    layer(kNavaidList);
  } else {
    glLineWidth(3);
    layer(kRunwayList);
    grid();
    if (all) {
      if (tiled)
        tiled->drawSymbols(rect);
      else
        drawNavaidSymbols(data.database);
    }
  }

  glLineWidth(1);
  layer(kCoastlineList);
  layer(kRiverList);

  if (all) {
    glEnable(GL_LINE_STIPPLE);
    if (data.loaded) drawTrack(data.points, rect);
    glDisable(GL_LINE_STIPPLE);
  }
  // The culled drawing's exercises are display lists of their own.
  if (tiled)
    tiled->drawExercises(rect);
  else if (all && overlay)
    overlay();

  if (tiled) {
    if (all) tiled->drawNames(layers.names, rect);  // drawn per frame, not from lists
  } else if (layers.names == NameLists::Small) {
    glCallList(kAirportNamesSmall);
    glCallList(kNavaidNamesSmall);
  } else if (layers.names == NameLists::Large) {
    glCallList(kAirportNamesLarge);
    glCallList(kNavaidNamesLarge);
  }
  glPopMatrix();
}
