#include "tiled_chart.h"

#include <plib/fnt.h>

#include <algorithm>
#include <cmath>

#include "chart_text.h"
#include "exercise_draw.h"
#include "geo_units.h"

namespace {

// Primitives per tile: at the highest zooms a frame calls a few tiles of at most
// this many lines or points; at zoom 0 a world-wide layer is a few hundred calls.
const uint32_t kTileCapacity = 1024;

// A symbol's cross reaches one chart unit from its navaid, however it is turned.
const double kSymbolRadius = 1.0;

// The vertices the full drawing sends for line j of a polyline: floats of chart units.
struct PolylineLine {
  float x1, y1, x2, y2;
};
PolylineLine polylineLine(const Polyline& seg, size_t j) {
  return {static_cast<float>(chartUnitsFromDegrees(seg.points[j].x)),
          static_cast<float>(chartUnitsFromDegrees(seg.points[j].y)),
          static_cast<float>(chartUnitsFromDegrees(seg.points[j + 1].x)),
          static_cast<float>(chartUnitsFromDegrees(seg.points[j + 1].y))};
}
size_t lineCount(const Polyline& seg) {
  // Never trust the count beyond the points actually held.
  const size_t n = std::min<size_t>(seg.pointCount, seg.points.size());
  return n > 1 ? n - 1 : 0;
}

struct RunwayEnds {
  double x1, y1, x2, y2;
};
RunwayEnds runwayEnds(const RunwayRecord& r) {
  return {chartXFromArcSeconds(r.longitude1), chartYFromArcSeconds(r.latitude1),
          chartXFromArcSeconds(r.longitude2), chartYFromArcSeconds(r.latitude2)};
}

// Where the name lists start each label, and what they write.
float airportNameX(const AirportRecord& a) { return static_cast<float>(a.longitude + 1); }
float airportNameY(const AirportRecord& a) { return static_cast<float>(a.latitude - 1); }
float navaidNameX(const NavaidRecord& n) { return static_cast<float>(n.longitude); }
float navaidNameY(const NavaidRecord& n) { return static_cast<float>(n.latitude + 1); }

}  // namespace

TextMetrics fontMetrics(fntTexFont* font) {
  TextMetrics m;
  if (font == nullptr) return m;
  double widest = std::fabs(font->getWidth());
  for (int c = 1; c < 256; ++c) {
    float wid = 0, left = 0, right = 0, bottom = 0, top = 0;
    if (!font->getGlyph(static_cast<char>(c), &wid, nullptr, nullptr, nullptr, nullptr, &left, &right,
                        &bottom, &top))
      continue;
    m.left = std::min<double>(m.left, left);
    m.right = std::max<double>(m.right, right);
    m.bottom = std::min<double>(m.bottom, bottom);
    m.top = std::max<double>(m.top, top);
    widest = std::max({widest, std::fabs(static_cast<double>(wid)), std::fabs(static_cast<double>(left)),
                       std::fabs(static_cast<double>(right))});
  }
  m.advance = std::max(m.advance, std::fabs(font->getGap()) + widest);
  return m;
}

void TiledChart::planLayers() {
  const MapDataSet& data = *data_;
  const NavDatabase& db = data.database;
  auto add = [this](ChartList list, GLenum mode, const float colour[3], std::vector<Tile> tiles) {
    Layer l;
    l.list = list;
    l.mode = mode;
    std::copy(colour, colour + 3, l.color);
    l.tiles = std::move(tiles);
    layers_.push_back(std::move(l));
  };
  auto polylines = [](const PolylineSet& set) {
    TilePlanner planner(kTileCapacity);
    for (int pass = 0; pass < 2; ++pass)
      for (size_t s = 0; s < set.segments.size(); ++s)
        for (size_t j = 0; j < lineCount(set.segments[s]); ++j) {
          const PolylineLine l = polylineLine(set.segments[s], j);
          const double mx = (static_cast<double>(l.x1) + l.x2) / 2, my = (static_cast<double>(l.y1) + l.y2) / 2;
          if (pass == 0)
            planner.count(mx, my);
          else
            planner.add(static_cast<uint32_t>(s), static_cast<uint32_t>(j), mx, my,
                        segmentBox(l.x1, l.y1, l.x2, l.y2));
        }
    return planner.finish();
  };
  // Points of a table: one tile run per stretch of neighbouring records.
  auto points = [](size_t n, auto position) {
    TilePlanner planner(kTileCapacity);
    for (size_t i = 0; i < n; ++i) {
      const auto p = position(i);
      planner.count(p.first, p.second);
    }
    for (size_t i = 0; i < n; ++i) {
      const auto p = position(i);
      planner.add(0, static_cast<uint32_t>(i), p.first, p.second, pointBox(p.first, p.second));
    }
    return planner.finish();
  };

  if (data.coastlines.loaded) add(kCoastlineList, GL_LINES, kCoastlineColour, polylines(data.coastlines));
  if (data.rivers.loaded) add(kRiverList, GL_LINES, kRiverColour, polylines(data.rivers));
  if (db.airportsLoaded)
    add(kAirportList, GL_POINTS, kAirportColour, points(db.airports.size(), [&db](size_t i) {
          return std::make_pair(db.airports[i].longitude, db.airports[i].latitude);
        }));
  if (db.runwaysLoaded) {
    TilePlanner planner(kTileCapacity);
    for (const RunwayRecord& r : db.runways) {
      const RunwayEnds e = runwayEnds(r);
      planner.count((e.x1 + e.x2) / 2, (e.y1 + e.y2) / 2);
    }
    for (size_t i = 0; i < db.runways.size(); ++i) {
      const RunwayEnds e = runwayEnds(db.runways[i]);
      planner.add(0, static_cast<uint32_t>(i), (e.x1 + e.x2) / 2, (e.y1 + e.y2) / 2,
                  segmentBox(e.x1, e.y1, e.x2, e.y2));
    }
    add(kRunwayList, GL_LINES, kAirportColour, planner.finish());
  }
  if (db.navaidsLoaded)
    add(kNavaidList, GL_POINTS, kNavaidColour, points(db.navaids.size(), [&db](size_t i) {
          return std::make_pair(db.navaids[i].longitude, db.navaids[i].latitude);
        }));
}

void TiledChart::emit(const Layer& layer, const Tile& tile) const {
  const NavDatabase& db = data_->database;
  glBegin(layer.mode);
  glColor3f(layer.color[0], layer.color[1], layer.color[2]);
  for (const TileRun& run : tile.runs) {
    for (uint32_t i = run.first; i < run.first + run.count; ++i) {
      switch (layer.list) {
        case kCoastlineList:
        case kRiverList: {
          const PolylineSet& set = layer.list == kCoastlineList ? data_->coastlines : data_->rivers;
          const PolylineLine l = polylineLine(set.segments[run.group], i);
          glVertex2f(l.x1, l.y1);
          glVertex2f(l.x2, l.y2);
          break;
        }
        case kAirportList:
          glVertex2d(db.airports[i].longitude, db.airports[i].latitude);
          break;
        case kRunwayList: {
          const RunwayEnds e = runwayEnds(db.runways[i]);
          glVertex2d(e.x1, e.y1);
          glVertex2d(e.x2, e.y2);
          break;
        }
        case kNavaidList:
          glVertex2d(db.navaids[i].longitude, db.navaids[i].latitude);
          break;
        default:
          break;
      }
    }
  }
  glEnd();
}

void TiledChart::compile(Layer& layer) {
  if (layer.tiles.empty()) return;
  layer.base = glGenLists(static_cast<GLsizei>(layer.tiles.size()));
  if (layer.base == 0) return;  // no list names to be had: callLayer draws the tiles itself
  for (size_t i = 0; i < layer.tiles.size(); ++i) {
    glNewList(layer.base + static_cast<GLuint>(i), GL_COMPILE);
    emit(layer, layer.tiles[i]);
    glEndList();
  }
}

void TiledChart::build(MapDataSet& data, fntRenderer* text, fntTexFont* font) {
  data_ = &data;
  text_ = text;
  font_ = font;
  metrics_ = fontMetrics(font);
  data.coastlineListReady = data.coastlines.loaded;
  data.riverListReady = data.rivers.loaded;
  const NavDatabase& db = data.database;
  // The symbols keep their fixed numbers; they are compiled first so that the
  // tile lists, named by glGenLists, never take them.
  if (db.navaidsLoaded) {
    buildVorSymbol();
    buildNdbSymbol();
  }
  planLayers();
  for (Layer& l : layers_) compile(l);

  std::vector<ChartRect> boxes;
  for (const NavaidRecord& v : db.vors) boxes.push_back(pointBox(v.longitude, v.latitude, kSymbolRadius));
  vors_ = SpatialIndex(std::move(boxes));
  boxes.clear();
  for (const NavaidRecord& n : db.ndbs) boxes.push_back(pointBox(n.longitude, n.latitude, kSymbolRadius));
  ndbs_ = SpatialIndex(std::move(boxes));
  // Names are indexed by their large boxes, which hold the small ones.
  boxes.clear();
  for (const AirportRecord& a : db.airports)
    boxes.push_back(textBox(airportNameX(a), airportNameY(a), airportLabel(a.ident, a.shortIdent),
                            kLargeNameSize, metrics_));
  airportNames_ = SpatialIndex(std::move(boxes));
  boxes.clear();
  for (const NavaidRecord& n : db.navaids)
    boxes.push_back(textBox(navaidNameX(n), navaidNameY(n), n.ident, kLargeNameSize, metrics_));
  navaidNames_ = SpatialIndex(std::move(boxes));
}

void TiledChart::indexExercises(const IfrExerciseSet& set) {
  std::vector<ChartRect> boxes;
  std::vector<ExerciseDrawStep> steps;
  exerciseLists_.clear();
  for (int32_t i = 0; i < set.count(); ++i) {
    steps.clear();
    appendExerciseSteps(set.entry(i), &steps);
    if (steps.empty()) continue;
    const GLuint list = glGenLists(1);
    if (list == 0) continue;  // no list name to be had: this exercise is not drawn
    glNewList(list, GL_COMPILE);
    drawExerciseSteps(steps, text_, font_);
    glEndList();
    exerciseLists_.push_back(list);
    boxes.push_back(exerciseStepsBox(steps, metrics_));
  }
  exercises_ = SpatialIndex(std::move(boxes));
  exerciseEnd_ = exerciseEndState(exerciseDrawSteps(set));
}

ChartRect TiledChart::viewRect(const ChartView& view) const {
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  return visibleRect(view, viewport[2], viewport[3]);
}

const TiledChart::Layer* TiledChart::layer(ChartList list) const {
  for (const Layer& l : layers_)
    if (l.list == list) return &l;
  return nullptr;
}

size_t TiledChart::tileCount(ChartList list) const {
  const Layer* l = layer(list);
  return l ? l->tiles.size() : 0;
}

void TiledChart::callLayer(ChartList list, const ChartRect& view) const {
  const Layer* l = layer(list);
  if (l == nullptr) return;  // not loaded: the full drawing's list would be empty too
  visibleTiles(l->tiles, view, &scratch_);
  for (uint32_t i : scratch_) {
    if (l->base != 0)
      glCallList(l->base + i);
    else
      emit(*l, l->tiles[i]);
  }
}

void TiledChart::drawSymbols(const ChartRect& view) const {
  if (!data_->database.navaidsLoaded) return;
  const NavDatabase& db = data_->database;
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  vors_.query(view, &scratch_);
  for (uint32_t i : scratch_) {
    glPushMatrix();
    glTranslated(db.vors[i].longitude, db.vors[i].latitude, 0);
    glRotated(-db.vors[i].variation, 0, 0, 1);
    glCallList(kVorSymbolList);
    glPopMatrix();
  }
  ndbs_.query(view, &scratch_);
  for (uint32_t i : scratch_) {
    glPushMatrix();
    glTranslated(db.ndbs[i].longitude, db.ndbs[i].latitude, 0);
    glCallList(kNdbSymbolList);
    glPopMatrix();
  }
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

void TiledChart::drawNameBlock(const SpatialIndex& index, bool airports, float pointSize,
                               const ChartRect& view) const {
  const NavDatabase& db = data_->database;
  if (airports ? !db.airportsLoaded : !db.navaidsLoaded) return;
  if (text_ == nullptr) return;
  // The same calls as a name list, less the labels that cannot show.
  glEnable(GL_TEXTURE_2D);
  glColor3f(0, 0, 0);
  text_->setFont(font_);
  text_->setPointSize(pointSize);
  text_->begin();
  index.query(view, &scratch_);
  for (uint32_t i : scratch_) {
    float x, y;
    const char* label;
    if (airports) {
      const AirportRecord& a = db.airports[i];
      x = airportNameX(a);
      y = airportNameY(a);
      label = airportLabel(a.ident, a.shortIdent);
    } else {
      const NavaidRecord& n = db.navaids[i];
      x = navaidNameX(n);
      y = navaidNameY(n);
      label = n.ident;
    }
    if (!mayShow(textBox(x, y, label, pointSize, metrics_), view)) continue;
    text_->start2f(x, y);
    text_->puts(label);
  }
  text_->end();
  glDisable(GL_TEXTURE_2D);
}

void TiledChart::drawNames(NameLists names, const ChartRect& view) const {
  if (names == NameLists::None) return;
  const float size = names == NameLists::Small ? kSmallNameSize : kLargeNameSize;
  drawNameBlock(airportNames_, true, size, view);
  drawNameBlock(navaidNames_, false, size, view);
}

void TiledChart::drawExercises(const ChartRect& view) const {
  if (exerciseLists_.empty()) return;
  exercises_.query(view, &scratch_);
  for (uint32_t i : scratch_) glCallList(exerciseLists_[i]);
  // What the full drawing leaves current after the last exercise.
  if (exerciseEnd_.hasColor) glColor3f(exerciseEnd_.color[0], exerciseEnd_.color[1], exerciseEnd_.color[2]);
  if (exerciseEnd_.hasSize) glPointSize(exerciseEnd_.size);
}
