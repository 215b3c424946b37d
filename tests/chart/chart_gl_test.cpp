// The display lists and immediate-mode layers, checked through GL feedback mode:
// every primitive a list or pass emits comes back in window coordinates, so the
// tests see exactly the geometry the chart would draw. Needs an X display (ctest
// runs this binary under xvfb-run).
#include <gtest/gtest.h>

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <GL/glu.h>
#include <plib/fnt.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "chart_draw.h"
#include "chart_lists.h"
#include "txf_font.h"

namespace {

struct Line {
  float x1, y1, x2, y2;
};
struct Feedback {
  std::vector<Line> lines;
  std::vector<std::pair<float, float>> points;
  int polygons = 0;
};

// Runs draw() in feedback mode under gluOrtho2D(l, r, b, t) on a 400 by 400
// viewport, and returns the primitives in the chart units of that box.
template <class F>
Feedback capture(double l, double r, double b, double t, F draw) {
  static std::vector<GLfloat> buffer(1 << 22);
  glViewport(0, 0, 400, 400);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluOrtho2D(l, r, b, t);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_2D, buffer.data());
  glRenderMode(GL_FEEDBACK);
  draw();
  GLint n = glRenderMode(GL_RENDER);
  EXPECT_GE(n, 0) << "feedback buffer overflow";
  auto cx = [&](float wx) { return static_cast<float>(l + wx / 400.0 * (r - l)); };
  auto cy = [&](float wy) { return static_cast<float>(b + wy / 400.0 * (t - b)); };
  Feedback f;
  for (GLint i = 0; i < n;) {
    GLfloat token = buffer[i++];
    if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
      f.lines.push_back({cx(buffer[i]), cy(buffer[i + 1]), cx(buffer[i + 2]), cy(buffer[i + 3])});
      i += 4;
    } else if (token == GL_POINT_TOKEN) {
      f.points.push_back({cx(buffer[i]), cy(buffer[i + 1])});
      i += 2;
    } else if (token == GL_POLYGON_TOKEN) {
      int count = static_cast<int>(buffer[i++]);
      i += 2 * count;
      f.polygons++;
    } else {
      i += token == GL_PASS_THROUGH_TOKEN ? 1 : 2;  // bitmap/pixel tokens carry one vertex
    }
  }
  return f;
}

bool hasLine(const Feedback& f, float x1, float y1, float x2, float y2, float tol) {
  for (const Line& l : f.lines) {
    bool same = std::fabs(l.x1 - x1) < tol && std::fabs(l.y1 - y1) < tol &&
                std::fabs(l.x2 - x2) < tol && std::fabs(l.y2 - y2) < tol;
    bool reversed = std::fabs(l.x1 - x2) < tol && std::fabs(l.y1 - y2) < tol &&
                    std::fabs(l.x2 - x1) < tol && std::fabs(l.y2 - y1) < tol;
    if (same || reversed) return true;
  }
  return false;
}

NavaidRecord navaid(const char* ident, double x, double y, double variation) {
  NavaidRecord n{};
  std::snprintf(n.ident, sizeof n.ident, "%s", ident);
  n.longitude = x;
  n.latitude = y;
  n.variation = variation;
  return n;
}

AirportRecord airport(const char* ident, const char* shortIdent, double x, double y) {
  AirportRecord a{};
  std::snprintf(a.ident, sizeof a.ident, "%s", ident);
  std::snprintf(a.shortIdent, sizeof a.shortIdent, "%s", shortIdent);
  a.longitude = x;
  a.latitude = y;
  return a;
}

// One window, one empty map data set built in an empty folder (nothing loads),
// filled by each test.
class ChartGl : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static char name[] = "chart_gl_tests";
    static char* argv[] = {name, nullptr};
    int argc = 1;
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE);
    glutInitWindowSize(400, 400);
    glutCreateWindow("chart_gl_tests");
    std::snprintf(folder, sizeof folder, "%s", "/tmp/chart_gl_XXXXXX");
    ASSERT_NE(mkdtemp(folder), nullptr);
    ASSERT_EQ(chdir(folder), 0);
    data = new MapDataSet("data\\__ORVANDEL.dat");
    TxfFont txf;
    std::string error;
    ASSERT_TRUE(renderTxfFont(defaultTtfPath(), 16, &txf, &error)) << error;
    ASSERT_TRUE(writeTxfFont("font.txf", txf, &error)) << error;
    font = new fntTexFont;
    ASSERT_EQ(font->load("font.txf"), TRUE);
    text = new fntRenderer;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  }
  static void TearDownTestSuite() {
    std::remove("font.txf");
    if (chdir("/") == 0) rmdir(folder);
  }
  static char folder[64];
  static MapDataSet* data;
  static fntTexFont* font;
  static fntRenderer* text;
};
char ChartGl::folder[64];
MapDataSet* ChartGl::data = nullptr;
fntTexFont* ChartGl::font = nullptr;
fntRenderer* ChartGl::text = nullptr;

}  // namespace

TEST_F(ChartGl, PolylineListsJoinPointsWithinSegmentsOnly) {
  ASSERT_FALSE(data->rivers.loaded);
  bool ready = true;
  EXPECT_FALSE(buildPolylineList(kRiverList, data->rivers, kRiverColour, &ready));
  EXPECT_FALSE(ready);
  EXPECT_EQ(glIsList(kRiverList), GL_FALSE);

  PolylineSet& coast = data->coastlines;
  coast.segments.clear();
  auto segment = [](std::vector<PolylinePoint> pts) {
    Polyline p{};
    p.pointCount = static_cast<uint32_t>(pts.size());
    p.points = pts;
    return p;
  };
  coast.segments.push_back(segment({}));
  coast.segments.push_back(segment({{0.1, 0.1}}));
  coast.segments.push_back(segment({{0.1, 0.2}, {0.3, 0.4}, {-0.5, 0.6}}));
  coast.segments.push_back(segment({{0.7, -0.7}, {0.8, -0.8}}));
  coast.segmentCount = 4;
  coast.loaded = true;
  ready = false;
  EXPECT_TRUE(buildPolylineList(kCoastlineList, coast, kCoastlineColour, &ready));
  EXPECT_TRUE(ready);
  Feedback f = capture(-100, 100, -100, 100, [] { glCallList(kCoastlineList); });
  ASSERT_EQ(f.lines.size(), 3u);  // 0 + 0 + 2 + 1: no line from one segment to the next
  EXPECT_TRUE(hasLine(f, 10, 20, 30, 40, 0.6f));
  EXPECT_TRUE(hasLine(f, 30, 40, -50, 60, 0.6f));
  EXPECT_TRUE(hasLine(f, 70, -70, 80, -80, 0.6f));
  EXPECT_FALSE(hasLine(f, -50, 60, 70, -70, 0.6f));
}

TEST_F(ChartGl, RunwayEndsConvertFromArcSecondsWithTheWesternWrap) {
  NavDatabase& db = data->database;
  db.runways.clear();
  RunwayRecord r{};
  // 0.5 N / 0.5 W to 0.25 S / 0.75 E: chart units (-50, 50) to (75, -25).
  r.latitude1 = 1800;
  r.longitude1 = 1296000 - 1800;
  r.latitude2 = -900;
  r.longitude2 = 2700;
  db.runways.push_back(r);
  db.runwaysLoaded = true;
  ASSERT_TRUE(buildRunwayList(db));
  Feedback f = capture(-100, 100, -100, 100, [] { glCallList(kRunwayList); });
  ASSERT_EQ(f.lines.size(), 1u);
  EXPECT_TRUE(hasLine(f, -50, 50, 75, -25, 0.6f));
}

TEST_F(ChartGl, VorSymbolTurnsClockwiseByVariationNdbNever) {
  NavDatabase& db = data->database;
  db.vors = {navaid("VOR", 10, 20, 10)};
  db.ndbs = {navaid("NDB", -10, -20, 25)};
  db.navaids = {db.vors[0], db.ndbs[0]};
  db.navaidsLoaded = true;
  ASSERT_TRUE(buildVorSymbol());
  ASSERT_TRUE(buildNdbSymbol());

  Feedback v = capture(8, 12, 18, 22, [] { drawNavaidSymbols(data->database); });
  const float s = std::sin(10 * M_PI / 180), c = std::cos(10 * M_PI / 180);
  // The north arm of the cross leans east: turned clockwise by 10 degrees.
  EXPECT_TRUE(hasLine(v, 10 - s, 20 - c, 10 + s, 20 + c, 0.02f))
      << "cross not turned clockwise by the variation";
  EXPECT_TRUE(hasLine(v, 10 + c, 20 - s, 10 - c, 20 + s, 0.02f));
  // The hexagon is an outline (polygon mode line), not a filled polygon.
  EXPECT_EQ(v.polygons, 0);
  EXPECT_GE(v.lines.size(), 2u + 6u);

  Feedback n = capture(-12, -8, -22, -18, [] { drawNavaidSymbols(data->database); });
  // The NDB hexagon keeps its corners unturned, e.g. the edge (0.1, -0.2)-(0.2, 0).
  EXPECT_TRUE(hasLine(n, -10 + 0.1f, -20 - 0.2f, -10 + 0.2f, -20, 0.01f));
  EXPECT_TRUE(hasLine(n, -10 - 0.1f, -20 + 0.2f, -10 + 0.1f, -20 + 0.2f, 0.01f));

  // Without a navaid table there is no symbol at all.
  db.navaidsLoaded = false;
  Feedback none = capture(-30, 30, -30, 30, [] { drawNavaidSymbols(data->database); });
  EXPECT_TRUE(none.lines.empty());
  db.navaidsLoaded = true;
}

TEST_F(ChartGl, NameListsUseTheShortIdentForKzOnly) {
  NavDatabase& db = data->database;
  db.airportsLoaded = true;
  // What a label of three and of four letters emits, measured on plain idents.
  auto primitives = [&](const char* ident, const char* shortIdent) {
    db.airports = {airport(ident, shortIdent, 0, 0)};
    EXPECT_TRUE(buildAirportNames(kAirportNamesLarge, db, text, font, 5));
    return capture(-20, 20, -20, 20, [] { glCallList(kAirportNamesLarge); }).polygons;
  };
  const int three = primitives("ABC", "XX");
  const int four = primitives("ABCD", "XX");
  ASSERT_GT(three, 0);
  ASSERT_GT(four, three);
  EXPECT_EQ(primitives("KZ", "LFML"), four);   // exactly "KZ": the short ident
  EXPECT_EQ(primitives("KZA", "LFML"), three); // only begins with it: its own ident

  db.airportsLoaded = false;
  glDeleteLists(kAirportNamesSmall, 1);
  EXPECT_FALSE(buildAirportNames(kAirportNamesSmall, db, text, font, 5));
  EXPECT_EQ(glIsList(kAirportNamesSmall), GL_FALSE);
}

TEST_F(ChartGl, TrackStartsAtTheSecondPoint) {
  auto pt = [](double x, double y) {
    TrackPoint p{};
    p.longitude = x;
    p.latitude = y;
    return p;
  };
  std::vector<TrackPoint> three = {pt(-50, -50), pt(10, 10), pt(40, 20)};
  Feedback f = capture(-100, 100, -100, 100, [&] { drawTrack(three); });
  ASSERT_EQ(f.lines.size(), 1u);
  EXPECT_TRUE(hasLine(f, 10, 10, 40, 20, 0.6f));
  std::vector<TrackPoint> two = {pt(-50, -50), pt(10, 10)};
  EXPECT_TRUE(capture(-100, 100, -100, 100, [&] { drawTrack(two); }).lines.empty());
  EXPECT_TRUE(capture(-100, 100, -100, 100, [&] { drawTrack({}); }).lines.empty());
}

TEST_F(ChartGl, DrawChartAppliesTheViewTransformAndSkipsAnUnloadedTrack) {
  // Centre (1000, 500), zoom 3: chart point (1010, 510) lands 40 units right and up
  // of the centre in the magnified view.
  data->points = {TrackPoint{}, TrackPoint{}, TrackPoint{}};
  data->points[1].longitude = 1000;
  data->points[1].latitude = 500;
  data->points[2].longitude = 1010;
  data->points[2].latitude = 510;
  data->loaded = true;
  ChartView view;
  view.centreX = 1000;
  view.centreY = 500;
  view.zoom = 3;
  auto draw = [&] { drawChart(view, false, *data, nullptr); };
  Feedback f = capture(-100, 100, -100, 100, draw);
  EXPECT_TRUE(hasLine(f, 0, 0, 40, 40, 0.6f));
  data->loaded = false;
  Feedback g = capture(-100, 100, -100, 100, draw);
  EXPECT_FALSE(hasLine(g, 0, 0, 40, 40, 0.6f));
}
