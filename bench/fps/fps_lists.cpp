// fps_lists [--fast] [--panel] [--zoom Z] [--centre X Y]: the viewer's frames with
// nothing but their display lists, for the frame-rate benchmark's "lists alone"
// figure; with --panel also the viewer's panel and status line, so that the
// benchmark can tell the panel's share of the rest from the chart's.
//
// Run in a simulator folder, it loads the map data as the viewer does and opens
// the same two windows at the same places and sizes, driven the same way (each
// display posts its own redisplay, the profile window's display is also the idle
// function). A chart frame clears the window and calls, under the view transform,
// exactly the lists the viewer's frame calls at that view (with --fast the tiles
// and exercise lists in view); the grids, symbols, track, the exercises drawn per
// frame, the names drawn per frame and the panel are left out. The profile window draws what the viewer's does. Frames are
// counted from outside, by the same buffer-swap counter as the viewer's.
#include <GL/gl.h>
#include <GL/glu.h>
#include <plib/fnt.h>
#include <plib/pu.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "chart_draw.h"
#include "chart_lists.h"
#include "chart_text.h"
#include "chart_view.h"
#include "ifr_exercise_set.h"
#include "map_data_set.h"
#include "profile_draw.h"
#include "simpath.h"
#include "tiled_chart.h"
#include "viewer_layout.h"

namespace {

MapDataSet* data = nullptr;
IfrExerciseSet* exercises = nullptr;
TiledChart* tiled = nullptr;
ChartView view;
int chartWindow = 0, profileWindow = 0;
fntRenderer* chartText = nullptr;
fntTexFont* chartFont = nullptr;
fntRenderer* profileText = nullptr;
fntTexFont* profileFont = nullptr;
bool chartPending = true, profilePending = true;
puText* statusText = nullptr;  // with --panel
char statusLine[kStatusLineSize] = "data";

void enableBlending() {
  glEnable(GL_BLEND);
  glAlphaFunc(GL_GREATER, 0.1f);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void fitViewport() { glViewport(0, 0, glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT)); }

fntTexFont* loadFont() {
  fntTexFont* font = new fntTexFont;
  font->load(simpath::resolve("data\\Helvetica.txf").c_str());
  return font;
}

void chartDisplay() {
  glutSetWindow(chartWindow);
  fitViewport();
  glClearColor(0.43f, 0.47f, 0.41f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  if (chartPending) {
    chartPending = false;
    enableBlending();
    glEnable(GL_MAP1_VERTEX_3);
    if (tiled)
      tiled->build(*data, chartText, chartFont);
    else
      buildChartLists(*data, chartText, chartFont);
    exercises->resolve(data->database.vors, data->database.ndbs);
    if (tiled) tiled->indexExercises(*exercises);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(-kChartHalfWidth, kChartHalfWidth, -kChartHalfHeight, kChartHalfHeight);
    glMatrixMode(GL_MODELVIEW);
    std::printf("fps_lists: lists built\n");
    std::fflush(stdout);
  }
  drawChart(view, true, *data, nullptr, tiled, ChartParts::ListsOnly);
  if (statusText) {
    char latitude[kLatLonTextSize], longitude[kLatLonTextSize];
    formatLatLon(latitude, longitude, view.centreX, view.centreY);
    composeStatusLine(statusLine, longitude, latitude, meshSizeNm(view.zoom));
    statusText->setLabel(statusLine);
    puDisplay();
  }
  glutSwapBuffers();
  glutPostRedisplay();
}

void profileDisplay() {
  glutSetWindow(profileWindow);
  fitViewport();
  glClearColor(0.43f, 0.47f, 0.41f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  if (profilePending) {
    profilePending = false;
    enableBlending();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(-100, 1100, -100, 1100);
    glMatrixMode(GL_MODELVIEW);
  }
  glPushMatrix();
  glDisable(GL_TEXTURE_2D);
  drawProfile(*data, profileText, profileFont);
  glPopMatrix();
  glutSwapBuffers();
  glutPostRedisplay();
}

void noReshape(int, int) {}

// The viewer's panel as it looks at the start size: the same widgets, legends,
// styles and colours (viewer.cpp), without callbacks.
void createPanel(bool withLoad) {
  const char* legends[kButtonCount] = {"Exit", "User", " ID ", "IFR", "Load"};
  for (int i = 0; i < kButtonCount - (withLoad ? 0 : 1); ++i) {
    const WidgetBox b = buttonBoxAtStart(i);
    puButton* button = i == 0 || i == 2 ? new puButton(b.left, b.bottom, b.right, b.top)
                                        : new puOneShot(b.left, b.bottom, b.right, b.top);
    button->setLegend(legends[i]);
    button->setStyle(PUSTYLE_BOXED);
    button->setColourScheme(0.1f, 0.3f, 1.6f, 1.0f);
    button->setLegendPlace(PUPLACE_CENTERED_LEFT);
  }
  const SliderPlace places[3] = {kLongSliderStart, kLatSliderStart, kZoomSliderStart};
  const char* names[3] = {"Long", "LT", "ZM"};
  const float ranges[3][2] = {{-18000, 18000}, {-13500, 13500}, {0, 2500}};
  const float values[3] = {static_cast<float>(view.centreX), static_cast<float>(view.centreY),
                           static_cast<float>(view.zoom)};
  const PanelLayout p = panelLayout(640, 480);  // as the viewer's reshape leaves them
  const int sizes[3][2] = {{p.longWidth, p.longHeight}, {p.latWidth, p.latHeight}, {p.zoomWidth, p.zoomHeight}};
  for (int i = 0; i < 3; ++i) {
    puSlider* s = new puSlider(places[i].x, places[i].y, places[i].length, places[i].vertical ? TRUE : FALSE);
    s->setLegend(names[i]);
    s->setMinValue(ranges[i][0]);
    s->setMaxValue(ranges[i][1]);
    s->setValue(values[i]);
    s->setSize(sizes[i][0], sizes[i][1]);
    if (i == 1) s->setPosition(p.latX, p.latY);
  }
  for (int i = 0; i < 2; ++i) {
    puText* t = new puText(i ? kCoordTextX : kStatusTextX, i ? kCoordTextY : kStatusTextY);
    t->setColour(PUCOL_LABEL, 1, 1, 1, 1);
    t->setLabel(i ? "coord" : "data");
    if (i == 0) statusText = t;
  }
}

int usage() {
  std::fprintf(stderr, "usage: fps_lists [--fast] [--panel] [--zoom Z] [--centre X Y]   (in a simulator folder)\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  bool fast = false, panel = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--fast") {
      fast = true;
    } else if (a == "--panel") {
      panel = true;
    } else if (a == "--zoom" && i + 1 < argc) {
      view.zoom = std::atoi(argv[++i]);
    } else if (a == "--centre" && i + 2 < argc) {
      view.centreX = std::atoi(argv[++i]);
      view.centreY = std::atoi(argv[++i]);
    } else {
      return usage();
    }
  }
  view.meridianFactor = meridianFactor(view.centreY);
  data = new MapDataSet("data\\__ORVANDEL.dat");
  exercises = new IfrExerciseSet("DATA\\IFR_EXERCISES.xml");
  if (fast) tiled = new TiledChart;

  int one = 1;
  char name[] = "fps_lists";
  char* args[] = {name, nullptr};
  glutInitWindowPosition(80, 80);
  glutInitWindowSize(640, 480);
  glutInit(&one, args);
  glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE);
  chartWindow = glutCreateWindow("TULM_COAST_&_RIVERS_VIEWER");
  glutDisplayFunc(chartDisplay);
  glutReshapeFunc(noReshape);
  glutIdleFunc(chartDisplay);
  chartText = new fntRenderer;
  chartFont = loadFont();
  if (panel) {
    puInit();
    createPanel(data->loaded);
  }
  if (data->loaded) {
    profileWindow = glutCreateWindow("USER_ALTITUDE_VIEWER");
    glutPositionWindow(80, 100);
    glutReshapeWindow(480, 480);
    glutDisplayFunc(profileDisplay);
    glutReshapeFunc(noReshape);
    glutIdleFunc(profileDisplay);
    profileText = new fntRenderer;
    profileFont = loadFont();
  }
  glutMainLoop();
  return 0;
}
