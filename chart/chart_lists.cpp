#include "chart_lists.h"

#include <GL/gl.h>
#include <plib/fnt.h>

#include <algorithm>

#include "chart_text.h"
#include "geo_units.h"

namespace {

// The hexagon shared by both symbols: 0.4 chart units across.
const float kHexagon[6][2] = {{-0.1f, 0.2f}, {-0.2f, 0.0f}, {-0.1f, -0.2f},
                              {0.1f, -0.2f}, {0.2f, 0.0f},  {0.1f, 0.2f}};

void hexagon() {
  glBegin(GL_POLYGON);
  for (const auto& v : kHexagon) glVertex2f(v[0], v[1]);
  glEnd();
}

// Names are drawn as text in chart units, so they grow with the map.
void beginNames(int list, fntRenderer* text, fntTexFont* font, float pointSize) {
  glNewList(list, GL_COMPILE);
  glEnable(GL_TEXTURE_2D);
  glColor3f(0, 0, 0);
  text->setFont(font);
  text->setPointSize(pointSize);
  text->begin();
}

void endNames(fntRenderer* text) {
  text->end();
  glDisable(GL_TEXTURE_2D);
  glEndList();
}

}  // namespace

bool buildPolylineList(int list, const PolylineSet& set, const float colour[3], bool* listReady) {
  if (!set.loaded) {
    *listReady = false;
    return false;
  }
  *listReady = true;
  glNewList(list, GL_COMPILE);
  glBegin(GL_LINES);
  glColor3f(colour[0], colour[1], colour[2]);
  for (const Polyline& seg : set.segments) {
    // Never trust the count beyond the points actually held.
    size_t n = std::min<size_t>(seg.pointCount, seg.points.size());
    for (size_t j = 0; j + 1 < n; ++j) {
      glVertex2f(static_cast<float>(chartUnitsFromDegrees(seg.points[j].x)),
                 static_cast<float>(chartUnitsFromDegrees(seg.points[j].y)));
      glVertex2f(static_cast<float>(chartUnitsFromDegrees(seg.points[j + 1].x)),
                 static_cast<float>(chartUnitsFromDegrees(seg.points[j + 1].y)));
    }
  }
  glEnd();
  glEndList();
  return true;
}

bool buildAirportList(const NavDatabase& db) {
  if (!db.airportsLoaded) return false;
  glNewList(kAirportList, GL_COMPILE);
  glBegin(GL_POINTS);
  glColor3f(kAirportColour[0], kAirportColour[1], kAirportColour[2]);
  for (const AirportRecord& a : db.airports) glVertex2d(a.longitude, a.latitude);
  glEnd();
  glEndList();
  return true;
}

bool buildRunwayList(const NavDatabase& db) {
  if (!db.runwaysLoaded) return false;
  glNewList(kRunwayList, GL_COMPILE);
  glBegin(GL_LINES);
  glColor3f(kAirportColour[0], kAirportColour[1], kAirportColour[2]);
  for (const RunwayRecord& r : db.runways) {
    glVertex2d(chartXFromArcSeconds(r.longitude1), chartYFromArcSeconds(r.latitude1));
    glVertex2d(chartXFromArcSeconds(r.longitude2), chartYFromArcSeconds(r.latitude2));
  }
  glEnd();
  glEndList();
  return true;
}

bool buildNavaidList(const NavDatabase& db) {
  if (!db.navaidsLoaded) return false;
  glNewList(kNavaidList, GL_COMPILE);
  glBegin(GL_POINTS);
  glColor3f(kNavaidColour[0], kNavaidColour[1], kNavaidColour[2]);
  for (const NavaidRecord& n : db.navaids) glVertex2d(n.longitude, n.latitude);
  glEnd();
  glEndList();
  return true;
}

bool buildVorSymbol() {
  glNewList(kVorSymbolList, GL_COMPILE);
  glColor3f(1, 1, 0);
  glLineWidth(2);
  hexagon();
  glColor3f(1, 1, 0.784f);
  glLineWidth(1);
  glBegin(GL_LINES);
  glVertex2f(0, -1);
  glVertex2f(0, 1);
  glVertex2f(1, 0);
  glVertex2f(-1, 0);
  glEnd();
  glEndList();
  return true;
}

bool buildNdbSymbol() {
  glNewList(kNdbSymbolList, GL_COMPILE);
  glColor3f(0.47f, 0.745f, 0.784f);
  glLineWidth(2);
  hexagon();
  glEndList();
  return true;
}

bool buildAirportNames(int list, const NavDatabase& db, fntRenderer* text, fntTexFont* font,
                       float pointSize) {
  if (!db.airportsLoaded) return false;
  beginNames(list, text, font, pointSize);
  for (const AirportRecord& a : db.airports) {
    text->start2f(static_cast<float>(a.longitude + 1), static_cast<float>(a.latitude - 1));
    text->puts(airportLabel(a.ident, a.shortIdent));
  }
  endNames(text);
  return true;
}

bool buildNavaidNames(int list, const NavDatabase& db, fntRenderer* text, fntTexFont* font,
                      float pointSize) {
  if (!db.navaidsLoaded) return false;
  beginNames(list, text, font, pointSize);
  for (const NavaidRecord& n : db.navaids) {
    text->start2f(static_cast<float>(n.longitude), static_cast<float>(n.latitude + 1));
    text->puts(n.ident);
  }
  endNames(text);
  return true;
}

void buildChartLists(MapDataSet& data, fntRenderer* text, fntTexFont* font) {
  const NavDatabase& db = data.database;
  buildPolylineList(kCoastlineList, data.coastlines, kCoastlineColour, &data.coastlineListReady);
  buildPolylineList(kRiverList, data.rivers, kRiverColour, &data.riverListReady);
  buildAirportList(db);
  buildAirportNames(kAirportNamesSmall, db, text, font, kSmallNameSize);
  buildNavaidNames(kNavaidNamesSmall, db, text, font, kSmallNameSize);
  buildAirportNames(kAirportNamesLarge, db, text, font, kLargeNameSize);
  buildNavaidNames(kNavaidNamesLarge, db, text, font, kLargeNameSize);
  buildRunwayList(db);
  buildNavaidList(db);
  if (db.navaidsLoaded) {
    buildVorSymbol();
    buildNdbSymbol();
  }
}

void drawNavaidSymbols(const NavDatabase& db) {
  if (!db.navaidsLoaded) return;
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  for (const NavaidRecord& v : db.vors) {
    glPushMatrix();
    glTranslated(v.longitude, v.latitude, 0);
    glRotated(-v.variation, 0, 0, 1);
    glCallList(kVorSymbolList);
    glPopMatrix();
  }
  for (const NavaidRecord& n : db.ndbs) {
    glPushMatrix();
    glTranslated(n.longitude, n.latitude, 0);
    glCallList(kNdbSymbolList);
    glPopMatrix();
  }
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}
