#include "chart_draw.h"

#include <GL/gl.h>

#include "chart_grid.h"
#include "chart_lists.h"

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

void drawTrack(const std::vector<TrackPoint>& points) {
  glLineStipple(1, 0x1C47);
  glColor3f(1, 0.2f, 0);
  glBegin(GL_LINES);
  for (size_t i = 1; i + 1 < points.size(); ++i) {
    glVertex2d(points[i].longitude, points[i].latitude);
    glVertex2d(points[i + 1].longitude, points[i + 1].latitude);
  }
  glEnd();
}

void drawChart(const ChartView& view, bool namesVisible, const MapDataSet& data,
               ChartOverlay overlay) {
  const ChartLayers layers = layersForZoom(view.zoom, namesVisible);
  const float magnification = static_cast<float>(view.zoom + 1);

  glPushMatrix();
  glScalef(magnification, magnification, 1);
  glTranslatef(static_cast<float>(-view.centreX), static_cast<float>(-view.centreY), 0);
  glDisable(GL_TEXTURE_2D);

  if (layers.gridMesh == 900) {
    drawGrid900();
    glPointSize(1);
    glCallList(kAirportList);
  } else if (layers.gridMesh == 36) {
    glLineWidth(3);
    glCallList(kRunwayList);
    drawGrid36(view.meridianFactor);
    glPointSize(2);
    glCallList(kNavaidList);
  } else {
    glLineWidth(3);
    glCallList(kRunwayList);
    drawGrid3(view.meridianFactor);
    drawNavaidSymbols(data.database);
  }

  glLineWidth(1);
  glCallList(kCoastlineList);
  glCallList(kRiverList);

  glEnable(GL_LINE_STIPPLE);
  if (data.loaded) drawTrack(data.points);
  glDisable(GL_LINE_STIPPLE);

  if (overlay) overlay();

  if (layers.names == NameLists::Small) {
    glCallList(kAirportNamesSmall);
    glCallList(kNavaidNamesSmall);
  } else if (layers.names == NameLists::Large) {
    glCallList(kAirportNamesLarge);
    glCallList(kNavaidNamesLarge);
  }
  glPopMatrix();
}
