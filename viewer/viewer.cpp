// The viewer's process frame: the data built before the windows, the chart window
// with its PUI panel and input handlers, the altitude profile window, and GLUT's
// main loop. Everything after start-up runs in GLUT and PUI callbacks on the one
// thread; the arithmetic they apply lives in chart_view.h and viewer_layout.h.
#include <GL/gl.h>
#include <GL/glu.h>
#include <plib/fnt.h>
#include <plib/pu.h>
#include <plib/puAux.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "chart_draw.h"
#include "chart_lists.h"
#include "chart_text.h"
#include "chart_view.h"
#include "exercise_draw.h"
#include "follow_mode.h"
#include "ifr_exercise_set.h"
#include "map_data_set.h"
#include "profile_draw.h"
#include "simpath.h"
#include "tiled_chart.h"
#include "viewer_layout.h"
#include "viewer_options.h"

// Line-buffered stdout before anything prints (the track reader may, during the
// construction below), so a reader on a pipe sees each message as it comes.
static const bool stdoutLineBuffered = (std::setvbuf(stdout, nullptr, _IOLBF, 0), true);

// Built in this order before main; destroyed in reverse at exit.
MapDataSet theMapData("data\\__ORVANDEL.dat");
IfrExerciseSet theExercises("DATA\\IFR_EXERCISES.xml");

static int chartWindow = 0;
static int profileWindow = 0;
static fntRenderer* chartText = nullptr;
static fntTexFont* chartFont = nullptr;
static fntRenderer* profileText = nullptr;
static fntTexFont* profileFont = nullptr;

static puButton* exitButton = nullptr;
static puOneShot* userButton = nullptr;
static puButton* idButton = nullptr;
static puOneShot* ifrButton = nullptr;
static puOneShot* loadButton = nullptr;
static puSlider* longSlider = nullptr;
static puSlider* latSlider = nullptr;
static puSlider* zoomSlider = nullptr;
static puText* statusText = nullptr;
static puText* coordText = nullptr;
static puaFileSelector* fileSelector = nullptr;

// --fast: the culled drawing (tiled_chart.h), the same picture for less work.
static TiledChart* tiledChart = nullptr;

static int chartListsPending = 1;
static int profilePending = 1;
static unsigned char namesVisible = 1;
static char statusLine[kStatusLineSize] = "data";

static double meridianFactorValue = 1.0;
static ClickPosition clickPosition;
// The widget PUI reported active at the last release (see mouseInput).
static puObject* rememberedWidget = nullptr;
static FollowMode followMode;  // key 'f'; off by default

static ChartView currentView() {
  ChartView v;
  v.centreX = longSlider->getIntegerValue();
  v.centreY = latSlider->getIntegerValue();
  v.zoom = zoomSlider->getIntegerValue();
  v.meridianFactor = meridianFactorValue;
  return v;
}

static void updateMeridianFactor() { meridianFactorValue = meridianFactor(latSlider->getIntegerValue()); }

static void drawExerciseOverlay() { drawExercises(theExercises, chartText, chartFont); }

// ---- PUI callbacks ----

static void exitPressed(puObject*) {
  std::fprintf(stderr, "Exiting program.\n");
  std::exit(1);
}

static void userPressed(puObject*) {
  int x, y;
  if (!theMapData.loaded || !userCentre(theMapData.points, &x, &y)) return;
  longSlider->setValue(x);
  latSlider->setValue(y);
  updateMeridianFactor();
  glutPostRedisplay();
}

static void idToggled(puObject* button) { namesVisible = button->getIntegerValue() == 0 ? 1 : 0; }

static void ifrPressed(puObject*) {
  int x = 0, y = 0;
  if (theExercises.count() > 0 && theExercises.exercisePosition(0, &x, &y)) {
    longSlider->setValue(x);
    latSlider->setValue(y);
    zoomSlider->setValue(1225);  // setValue runs no callback: the ranges stay
    updateMeridianFactor();
  }
  glutPostRedisplay();
}

static void fileChosen(puObject* selector) {
  char* value = nullptr;
  selector->getValue(&value);
  std::string path = value ? value : "";
  puDeleteObject(selector);
  fileSelector = nullptr;
  // The remembered widget may be one of the selector's children: forget it so a
  // later press never calls back into a deleted widget.
  rememberedWidget = nullptr;
  glutSetWindow(chartWindow);
  if (!path.empty()) {
    std::printf("Load File:\n%s\n", path.c_str());
    std::fflush(stdout);
    theMapData.reload(path.c_str());
  } else {
    std::printf("Load canceled\n");
    std::fflush(stdout);
  }
}

static void loadPressed(puObject*) {
  if (fileSelector) return;  // one selector at a time
  int h = glutGet(GLUT_WINDOW_HEIGHT);
  static std::string startFolder;
  startFolder = simpath::resolve("data");
  fileSelector = new puaFileSelector(10, 10, h, h - 20, startFolder.c_str(), "Pick a file");
  fileSelector->setCallback(fileChosen);
  fileSelector->setChildStyle(PUCLASS_ONESHOT, PUSTYLE_BOXED);
  fileSelector->setChildBorderThickness(PUCLASS_ONESHOT, 5);
  fileSelector->setChildColour(PUCLASS_SLIDER, PUCOL_FOREGROUND, 0.5f, 0.5f, 0.5f, 1.0f);
}

static void latitudeChanged(puObject*) { updateMeridianFactor(); }

static void zoomChanged(puObject*) {
  SliderRanges r;
  if (!rangesForZoom(zoomSlider->getIntegerValue(), longSlider->getIntegerValue(),
                     latSlider->getIntegerValue(), &r))
    return;
  longSlider->setMinValue(r.longMin);
  longSlider->setMaxValue(r.longMax);
  latSlider->setMinValue(r.latMin);
  latSlider->setMaxValue(r.latMax);
  glutPostRedisplay();
}

// ---- follow mode ----

static void centreOnLastPoint() {
  int x, y;
  if (!theMapData.loaded || !followCentre(theMapData.points, &x, &y)) return;
  longSlider->setValue(x);
  latSlider->setValue(y);
  updateMeridianFactor();
}

// Once a second while following: re-read the track when it changed, then centre.
static void followStep() {
  if (!followMode.due(glutGet(GLUT_ELAPSED_TIME) / 1000.0)) return;
  const std::string path = theMapData.fileName;  // reload copies into fileName
  if (!followMode.changed(fileStamp(path))) return;
  theMapData.reload(path.c_str());
  centreOnLastPoint();
}

// ---- GLUT input ----

static void keyboardInput(unsigned char key, int, int) {
  if (!puKeyboard(key, PU_DOWN) && key == 'f') {
    followMode.toggle();
    std::printf(followMode.on() ? "Follow on\n" : "Follow off\n");
    std::fflush(stdout);
  }
  glutPostRedisplay();
}

static void specialInput(int key, int, int) {
  puKeyboard(key + PU_KEY_GLUT_SPECIAL_OFFSET, PU_DOWN);
  glutPostRedisplay();
}

static void mouseInput(int button, int state, int x, int y) {
  if (state == GLUT_UP) rememberedWidget = puActiveWidget();
  if (!puMouse(button, state, x, y)) {
    int w = glutGet(GLUT_WINDOW_WIDTH);
    int h = glutGet(GLUT_WINDOW_HEIGHT);
    const int zoom = zoomSlider->getIntegerValue();
    if (rememberedWidget) {
      rememberedWidget->invokeActiveCallback();
      puSetActiveWidget(rememberedWidget, 0, 0);
    }
    int cx, cy;
    chartMouseEvent(&clickPosition, state == GLUT_DOWN, zoom, x, y, w, h, &cx, &cy);
    longSlider->setValue(cx);
    latSlider->setValue(cy);
    updateMeridianFactor();
  }
  glutPostRedisplay();
}

static void motionInput(int x, int y) {
  puMouse(x, y);
  glutPostRedisplay();
}

static void chartReshape(int w, int h) {
  const PanelLayout p = panelLayout(w, h);
  longSlider->setSize(p.longWidth, p.longHeight);
  latSlider->setSize(p.latWidth, p.latHeight);
  latSlider->setPosition(p.latX, p.latY);
  zoomSlider->setSize(p.zoomWidth, p.zoomHeight);
  puObject* buttons[kButtonCount] = {exitButton, userButton, idButton, ifrButton, loadButton};
  for (int i = 0; i < kButtonCount; ++i)
    if (buttons[i]) buttons[i]->setPosition(buttonLeft(i), p.buttonY);
}

// ---- frames ----

static void enableBlending() {
  glEnable(GL_BLEND);
  glAlphaFunc(GL_GREATER, 0.1f);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

// PUI restores the viewport it sets for its widgets, and the reshape handlers leave
// it alone, so each frame fits it to the window: a resized window (or the profile
// window, created at the chart's size and then reshaped) shows its whole drawing.
static void fitViewport() {
  glViewport(0, 0, glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT));
}

static void chartDisplay() {
  fitViewport();
  glClearColor(0.43f, 0.47f, 0.41f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  if (chartListsPending) {
    enableBlending();
    glEnable(GL_MAP1_VERTEX_3);
    chartListsPending = 0;
    if (tiledChart)
      tiledChart->build(theMapData, chartText, chartFont);
    else
      buildChartLists(theMapData, chartText, chartFont);
    theExercises.resolve(theMapData.database.vors, theMapData.database.ndbs);
    if (tiledChart) tiledChart->indexExercises(theExercises);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(-kChartHalfWidth, kChartHalfWidth, -kChartHalfHeight, kChartHalfHeight);
    glMatrixMode(GL_MODELVIEW);
    theExercises.printReport(stdout);
    std::fflush(stdout);
  }
  followStep();
  const ChartView view = currentView();
  drawChart(view, namesVisible != 0, theMapData, drawExerciseOverlay, tiledChart);

  char latitude[kLatLonTextSize], longitude[kLatLonTextSize];
  formatLatLon(latitude, longitude, view.centreX, view.centreY);
  composeStatusLine(statusLine, longitude, latitude, meshSizeNm(view.zoom));
  statusText->setLabel(statusLine);

  puDisplay();
  glutSwapBuffers();
  glutPostRedisplay();
}

static void profileDisplay() {
  glutSetWindow(profileWindow);
  fitViewport();
  glClearColor(0.43f, 0.47f, 0.41f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  if (profilePending) {
    enableBlending();
    profilePending = 0;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluOrtho2D(-100, 1100, -100, 1100);
    glMatrixMode(GL_MODELVIEW);
  }
  glPushMatrix();
  glDisable(GL_TEXTURE_2D);
  drawProfile(theMapData, profileText, profileFont);
  glPopMatrix();
  puDisplay();  // the profile window is current: PUI draws its widgets (none)
  glutSwapBuffers();
  glutPostRedisplay();
}

static void profileReshape(int, int) {}

// ---- start-up ----

static void styleButton(puButton* b, const char* legend, puCallback cb) {
  b->setLegend(legend);
  b->setCallback(cb);
  b->setStyle(PUSTYLE_BOXED);
  b->setColourScheme(0.1f, 0.3f, 1.6f, 1.0f);
  b->setLegendPlace(PUPLACE_CENTERED_LEFT);
}

static puSlider* makeSlider(const SliderPlace& place, const char* legend, float minValue,
                            float maxValue, puCallback cb) {
  puSlider* s = new puSlider(place.x, place.y, place.length, place.vertical ? TRUE : FALSE);
  s->setLegend(legend);
  s->setMinValue(minValue);
  s->setMaxValue(maxValue);
  if (cb) s->setCallback(cb);
  s->setValue(0);
  return s;
}

static puText* makeText(int x, int y, const char* label) {
  puText* t = new puText(x, y);
  t->setColour(PUCOL_LABEL, 1, 1, 1, 1);
  t->setLabel(label);
  return t;
}

static fntTexFont* loadFont() {
  // PLIB reports a missing or bad font itself; the text of that window stays empty.
  static std::string path;
  path = simpath::resolve("data\\Helvetica.txf");
  fntTexFont* font = new fntTexFont;
  font->load(path.c_str());
  return font;
}

static void createPanel() {
  WidgetBox b = buttonBoxAtStart(0);
  exitButton = new puButton(b.left, b.bottom, b.right, b.top);
  styleButton(exitButton, "Exit", exitPressed);
  b = buttonBoxAtStart(1);
  userButton = new puOneShot(b.left, b.bottom, b.right, b.top);
  styleButton(userButton, "User", userPressed);
  b = buttonBoxAtStart(2);
  idButton = new puButton(b.left, b.bottom, b.right, b.top);
  styleButton(idButton, " ID ", idToggled);
  b = buttonBoxAtStart(3);
  ifrButton = new puOneShot(b.left, b.bottom, b.right, b.top);
  styleButton(ifrButton, "IFR", ifrPressed);
  longSlider = makeSlider(kLongSliderStart, "Long", -18000, 18000, nullptr);
  latSlider = makeSlider(kLatSliderStart, "LT", -13500, 13500, latitudeChanged);
  zoomSlider = makeSlider(kZoomSliderStart, "ZM", 0, 2500, zoomChanged);
  statusText = makeText(kStatusTextX, kStatusTextY, "data");
  coordText = makeText(kCoordTextX, kCoordTextY, "coord");
}

int main(int argc, char** argv) {
  (void)stdoutLineBuffered;
  if (wantsHelp(argc, argv)) {
    std::fputs(kViewerUsage, stdout);
    return 0;
  }
  // Our one option is taken out before GLUT reads the rest of the command line.
  if (takeFastOption(&argc, argv)) tiledChart = new TiledChart;
  chartListsPending = 1;
  profilePending = 1;
  glutInitWindowPosition(80, 80);
  glutInitWindowSize(640, 480);
  glutInit(&argc, argv);
  glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE);
  chartWindow = glutCreateWindow("TULM_COAST_&_RIVERS_VIEWER");
  glutDisplayFunc(chartDisplay);
  glutKeyboardFunc(keyboardInput);
  glutSpecialFunc(specialInput);
  glutMouseFunc(mouseInput);
  glutMotionFunc(motionInput);
  glutPassiveMotionFunc(motionInput);
  glutIdleFunc(chartDisplay);
  glutReshapeFunc(chartReshape);
  puInit();
  chartText = new fntRenderer;
  chartFont = loadFont();
  createPanel();
  if (theMapData.loaded) {
    WidgetBox b = buttonBoxAtStart(4);
    loadButton = new puOneShot(b.left, b.bottom, b.right, b.top);
    styleButton(loadButton, "Load", loadPressed);
    profileWindow = glutCreateWindow("USER_ALTITUDE_VIEWER");
    glutPositionWindow(80, 100);
    glutReshapeWindow(480, 480);
    glutDisplayFunc(profileDisplay);
    glutReshapeFunc(profileReshape);
    glutIdleFunc(profileDisplay);
    profileText = new fntRenderer;
    profileFont = loadFont();
  }
  glutMainLoop();
  return 0;
}
