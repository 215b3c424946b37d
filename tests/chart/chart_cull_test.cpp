// What the culled drawing (viewer --fast) decides without a window: the view
// rectangle, label boxes, the grid lines, tiles and indexed items in view, and the
// exercise steps it replays. Each is checked against a brute-force reference over
// seeded random data and the hard places (date line, poles, not-a-number boxes).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "chart_cull.h"
#include "chart_grid.h"
#include "chart_tiles.h"
#include "exercise_cull.h"
#include "spatial_index.h"
#include "viewer_options.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

bool overlaps(const ChartRect& a, const ChartRect& b) {
  return a.minX <= b.maxX && b.minX <= a.maxX && a.minY <= b.maxY && b.minY <= a.maxY;
}

ChartView viewAt(int x, int y, int zoom) {
  ChartView v;
  v.centreX = x;
  v.centreY = y;
  v.zoom = zoom;
  v.meridianFactor = meridianFactor(y);
  return v;
}

}  // namespace

TEST(ChartCull, VisibleRectIsTheWindowPlusItsMarginInPixels) {
  struct Row {
    int x, y, zoom, w, h;
    double margin;
  } rows[] = {{0, 0, 0, 640, 480, 0}, {3600, -900, 1, 640, 480, 0}, {18000, 9000, 2500, 640, 480, 8},
              {-18000, -13500, 350, 1280, 300, 2}, {506, 4331, 999, 7, 5, 8}};
  for (const Row& r : rows) {
    const ChartRect v = visibleRect(viewAt(r.x, r.y, r.zoom), r.w, r.h, r.margin);
    // The transform: x pixel = w/2 + (x - cx) (zoom + 1) w / 36000; the margin widens it.
    const double unitsX = 36000.0 / ((r.zoom + 1.0) * r.w), unitsY = 27000.0 / ((r.zoom + 1.0) * r.h);
    const double slackX = 1e-6 * (std::fabs(r.x) + 18000.0 / (r.zoom + 1)) + 1e-9;
    const double slackY = 1e-6 * (std::fabs(r.y) + 13500.0 / (r.zoom + 1)) + 1e-9;
    EXPECT_NEAR(v.minX, r.x - (r.w / 2.0 + r.margin) * unitsX, slackX) << r.zoom;
    EXPECT_NEAR(v.maxX, r.x + (r.w / 2.0 + r.margin) * unitsX, slackX) << r.zoom;
    EXPECT_NEAR(v.minY, r.y - (r.h / 2.0 + r.margin) * unitsY, slackY) << r.zoom;
    EXPECT_NEAR(v.maxY, r.y + (r.h / 2.0 + r.margin) * unitsY, slackY) << r.zoom;
  }
  // Nothing to go by: everything shows.
  for (const ChartRect& v : {visibleRect(viewAt(0, 0, 5), 0, 480), visibleRect(viewAt(0, 0, -1), 640, 480)})
    EXPECT_TRUE(std::isinf(v.minX) && std::isinf(v.maxY));
  // A box that is not a number may draw anything, so it always shows.
  EXPECT_TRUE(mayShow({kNaN, 0, 1, 1}, {100, 100, 200, 200}));
  EXPECT_FALSE(mayShow({0, 0, 1, 1}, {100, 100, 200, 200}));
}

TEST(ChartCull, TextBoxHoldsEveryGlyphAndLine) {
  TextMetrics m;  // glyphs reach -0.5..1.5 across, -0.75..1.5 up, pen steps 2
  ChartRect one = textBox(10, 20, "ABC", 0.5, m);
  EXPECT_DOUBLE_EQ(one.maxX, 10 + 2 * 2 * 0.5 + 1.5 * 0.5);  // third pen position plus its glyph
  EXPECT_DOUBLE_EQ(one.minX, 10 - 2 * 2 * 0.5 - 0.5 * 0.5);  // a crafted font may step back
  EXPECT_DOUBLE_EQ(one.minY, 20 - 0.75 * 0.5);
  EXPECT_DOUBLE_EQ(one.maxY, 20 + 1.5 * 0.5);
  ChartRect two = textBox(10, 20, "AB\nC", 0.5, m);  // a newline: one point size down
  EXPECT_DOUBLE_EQ(two.minY, 20 - 0.5 - 0.75 * 0.5);
  EXPECT_LT(two.maxX, one.maxX);
  ChartRect none = textBox(10, 20, "", 0.5, m);
  EXPECT_LE(none.minX, 10);
  EXPECT_GE(none.maxX, 10);
}

// Every grid line that crosses the window itself is kept; every line kept comes
// within the margin of it. Views at the date line and the poles, where the
// meridian factor spreads the meridians far or turns them round.
TEST(ChartCull, GridKeepsExactlyTheLinesNearTheWindow) {
  const ChartView views[] = {viewAt(506, 4331, 500), viewAt(18000, 5006, 2500), viewAt(-18000, 0, 200),
                             viewAt(0, 9000, 700), viewAt(0, -9000, 2500), viewAt(100, 8999, 1500),
                             viewAt(0, 13500, 400), viewAt(7000, -2000, 0)};
  for (const ChartView& view : views) {
    const ChartRect exact = visibleRect(view, 640, 480, 0);
    const ChartRect margin = visibleRect(view, 640, 480);
    std::vector<double> all, kept;
    auto collect = [](std::vector<double>* out) { return [out](auto v) { out->push_back(v); }; };
    forEachGrid3Line(view.meridianFactor, collect(&all), [&](int y) { all.push_back(1e9 + y); });
    forEachGrid3Line(view.meridianFactor, meridiansIn(margin, collect(&kept)),
                     parallelsIn(margin, [&](int y) { kept.push_back(1e9 + y); }));
    size_t k = 0;
    for (double v : all) {
      const bool parallel = v > 5e8;
      const ChartRect line = parallel ? ChartRect{-18000, v - 1e9, 18000, v - 1e9} : ChartRect{v, -9000, v, 9000};
      const bool wanted = overlaps(line, exact);
      const bool near = overlaps(line, margin);
      const bool isKept = k < kept.size() && kept[k] == v;
      if (isKept) ++k;
      EXPECT_TRUE(!wanted || isKept) << "line " << v << " dropped at centre " << view.centreX << ","
                                     << view.centreY << " zoom " << view.zoom;
      EXPECT_TRUE(!isKept || near) << "line " << v << " kept far off the window";
    }
    EXPECT_EQ(k, kept.size()) << "kept lines out of order";
  }
}

// Queries against a brute-force scan of the same boxes, order included, with
// boxes that are huge, infinite or not a number among them.
TEST(ChartCull, SpatialIndexFindsWhatABruteForceScanFinds) {
  std::mt19937 rng(19);
  std::uniform_real_distribution<double> x(-18500, 18500), y(-9500, 9500), size(0, 30);
  for (int n : {0, 1, 7, 3000}) {
    std::vector<ChartRect> boxes;
    for (int i = 0; i < n; ++i) {
      const double bx = x(rng), by = y(rng);
      boxes.push_back({bx, by, bx + size(rng), by + size(rng)});
    }
    if (n > 5) {
      boxes[1] = {-18000, 5000, 18000, 5001};                           // across the world
      boxes[2] = {kNaN, kNaN, kNaN, kNaN};                                // always shows
      boxes[3] = {0, 0, std::numeric_limits<double>::infinity(), 1};      // to infinity
      boxes[4] = {1e12, 1e12, 1e12, 1e12};                                // far off the world
    }
    const SpatialIndex index(boxes);
    std::vector<ChartRect> views = {kEverywhere, {-20, -20, 20, 20}, {17990, 4990, 18100, 5010},
                                    {2e12, 2e12, 3e12, 3e12}};
    for (int v = 0; v < 200; ++v) {
      const double vx = x(rng), vy = y(rng), half = std::pow(10.0, std::uniform_real_distribution<>(0, 4)(rng));
      views.push_back({vx - half, vy - half * 0.75, vx + half, vy + half * 0.75});
    }
    std::vector<uint32_t> got;
    for (const ChartRect& view : views) {
      std::vector<uint32_t> want;
      for (uint32_t i = 0; i < boxes.size(); ++i)
        if (mayShow(boxes[i], view)) want.push_back(i);
      index.query(view, &got);
      ASSERT_EQ(got, want) << n << " boxes, view " << view.minX << "," << view.minY << " .. " << view.maxX
                           << "," << view.maxY;
    }
  }
}

// Tiles hold every primitive once, in drawing order within the tile, bounds
// that hold each primitive whole, and no more than the capacity unless they are
// as small as tiles get; the tiles in a view hold every primitive that shows there.
TEST(ChartCull, TilesHoldEveryPrimitiveOnceAndShowWhereItShows) {
  std::mt19937 rng(7);
  std::normal_distribution<double> dense(500, 300);  // a dense coast near one place
  std::uniform_real_distribution<double> anywhere(-18000, 18000), step(-40, 40);
  struct Line {
    double x1, y1, x2, y2;
  };
  std::vector<Line> lines;
  for (int i = 0; i < 20000; ++i) {
    const double ax = i % 3 ? dense(rng) : anywhere(rng), ay = i % 3 ? dense(rng) + 4000 : anywhere(rng) / 2;
    lines.push_back({ax, ay, ax + step(rng), ay + step(rng)});
  }
  lines[5] = {17990, 5000, -17990, 5000};  // across the date line
  lines[6] = {kNaN, 0, 1, 1};
  lines[7] = {30000, 9500, 30010, 9600};   // off the world
  const uint32_t capacity = 256;
  TilePlanner planner(capacity);
  auto mid = [](const Line& l) { return std::make_pair((l.x1 + l.x2) / 2, (l.y1 + l.y2) / 2); };
  for (const Line& l : lines) planner.count(mid(l).first, mid(l).second);
  for (uint32_t i = 0; i < lines.size(); ++i) {
    const Line& l = lines[i];
    planner.add(i / 100, i % 100, mid(l).first, mid(l).second, segmentBox(l.x1, l.y1, l.x2, l.y2));
  }
  const std::vector<Tile> tiles = planner.finish();

  std::vector<int> tileOf(lines.size(), -1);
  for (size_t t = 0; t < tiles.size(); ++t) {
    uint32_t count = 0, last = 0;
    for (const TileRun& run : tiles[t].runs)
      for (uint32_t k = 0; k < run.count; ++k) {
        const uint32_t i = run.group * 100 + run.first + k;
        ASSERT_LT(i, lines.size());
        EXPECT_EQ(tileOf[i], -1) << "primitive " << i << " in two tiles";
        EXPECT_TRUE(count == 0 || i > last) << "tile " << t << " out of drawing order";
        tileOf[i] = static_cast<int>(t);
        last = i;
        ++count;
        const Line& l = lines[i];
        EXPECT_TRUE(mayShow(segmentBox(l.x1, l.y1, l.x2, l.y2), tiles[t].bounds));
        if (rectIsNumber(tiles[t].bounds)) {
          EXPECT_LE(tiles[t].bounds.minX, std::fmin(l.x1, l.x2));
          EXPECT_GE(tiles[t].bounds.maxX, std::fmax(l.x1, l.x2));
        }
      }
    EXPECT_EQ(count, tiles[t].primitives);
    const double width = tiles[t].bounds.maxX - tiles[t].bounds.minX;
    EXPECT_TRUE(count <= capacity || width < 200 || !rectIsNumber(tiles[t].bounds))
        << "tile " << t << " holds " << count << " over " << width << " units";
  }
  EXPECT_EQ(std::count(tileOf.begin(), tileOf.end(), -1), 0);
  EXPECT_GT(tiles.size(), 20u);

  std::vector<uint32_t> shown;
  for (const ChartRect& view : {ChartRect{480, 4480, 520, 4520}, ChartRect{17900, 4900, 18100, 5100},
                                ChartRect{-200, -9100, 200, -8900}, kEverywhere}) {
    visibleTiles(tiles, view, &shown);
    for (uint32_t i = 0; i < lines.size(); ++i) {
      const Line& l = lines[i];
      if (!mayShow(segmentBox(l.x1, l.y1, l.x2, l.y2), view)) continue;
      EXPECT_TRUE(std::find(shown.begin(), shown.end(), static_cast<uint32_t>(tileOf[i])) != shown.end())
          << "line " << i << " shows but its tile is not called";
    }
  }
}

namespace {

// What a list of exercise steps draws: each primitive with the colour in effect (and
// for points the point size), in order; label blocks draw in black and leave it current.
struct Drawn {
  DrawOp op;
  std::vector<ExercisePoint> points;
  std::string text;
  float color[3];
  float size;
  bool operator==(const Drawn& o) const {
    return op == o.op && text == o.text && size == o.size && std::equal(color, color + 3, o.color) &&
           points.size() == o.points.size() &&
           std::equal(points.begin(), points.end(), o.points.begin(),
                      [](const ExercisePoint& a, const ExercisePoint& b) { return a.x == b.x && a.y == b.y; });
  }
};
void PrintTo(const Drawn& d, std::ostream* os) {
  *os << "op " << static_cast<int>(d.op) << " at " << d.points[0].x << "," << d.points[0].y << " colour "
      << d.color[0] << "," << d.color[1] << "," << d.color[2] << " size " << d.size << " " << d.text;
}
struct Replay {
  std::vector<Drawn> drawn;
  float color[3] = {-1, -1, -1};
  float size = -1;
};
Replay replay(const std::vector<ExerciseDrawStep>& steps) {
  Replay r;
  for (const ExerciseDrawStep& s : steps) {
    auto draw = [&](DrawOp op, std::vector<ExercisePoint> p, std::string text) {
      Drawn d{op, std::move(p), std::move(text), {r.color[0], r.color[1], r.color[2]},
              op == DrawOp::Points ? r.size : -1};
      r.drawn.push_back(d);
    };
    switch (s.op) {
      case DrawOp::Color:
        std::copy(s.color, s.color + 3, r.color);
        break;
      case DrawOp::PointSize:
        r.size = s.size;
        break;
      case DrawOp::Lines:
        for (size_t k = 0; k + 1 < s.points.size(); k += 2) draw(s.op, {s.points[k], s.points[k + 1]}, "");
        break;
      case DrawOp::Bezier:
        draw(s.op, s.points, "");
        break;
      case DrawOp::Points:
        for (const ExercisePoint& p : s.points) draw(s.op, {p}, "");
        break;
      case DrawOp::Labels:
        std::fill(r.color, r.color + 3, 0.0f);
        for (const DrawLabel& l : s.labels) draw(s.op, {{l.x, l.y}}, l.text);
        break;
    }
  }
  return r;
}

}  // namespace

// The culled drawing calls each exercise's own list, or skips it when its box cannot
// show: so every exercise drawn alone must look as it does in the full list (its own
// colours and point sizes), its box must hold all it draws, and after the lists the
// chart sets what the full list leaves current. Every kind, at random places.
TEST(ChartCull, EachExerciseDrawsAloneAsInTheFullList) {
  std::mt19937 rng(3);
  std::uniform_real_distribution<double> at(-18000, 18000), off(-12, 12);
  std::vector<IfrExercise> set;
  for (int i = 0; i < 40; ++i) {
    IfrExercise e{};
    e.kind = static_cast<ExerciseKind>(i % 5 == 4 ? UnknownKind : i % 4);
    e.geometryValid = i % 7 == 6 ? 0 : 1;
    e.qdm = i * 7.5;
    e.qdr = 360 - i * 3.25;
    const double x = at(rng), y = at(rng) / 2;
    e.longitude = x;
    e.latitude = y;
    for (ExercisePoint* p : {&e.qdrLineFrom, &e.qdrLineTo, &e.qdmLineFrom, &e.qdmLineTo, &e.turnControl1,
                             &e.turnControl2})
      *p = {x + off(rng), y + off(rng)};
    set.push_back(e);
  }
  std::vector<ExerciseDrawStep> all;
  for (const IfrExercise& e : set) appendExerciseSteps(e, &all);
  const Replay full = replay(all);
  size_t next = 0;  // the full list's primitives, exercise after exercise
  for (const IfrExercise& e : set) {
    std::vector<ExerciseDrawStep> own;
    appendExerciseSteps(e, &own);
    const Replay alone = replay(own);  // from a state no exercise sets (-1)
    ASSERT_LE(next + alone.drawn.size(), full.drawn.size());
    const ChartRect box = exerciseStepsBox(own, TextMetrics());
    for (const Drawn& d : alone.drawn) {
      EXPECT_EQ(d, full.drawn[next++]) << "kind " << e.kind;
      EXPECT_GE(d.color[0], 0) << "kind " << e.kind << " draws with a colour it did not set";
      EXPECT_TRUE(d.op != DrawOp::Points || d.size > 0) << "kind " << e.kind << " draws points unsized";
      for (const ExercisePoint& p : d.points) EXPECT_TRUE(mayShow(pointBox(p.x, p.y), box));
      if (d.op == DrawOp::Labels) {
        const ChartRect t = textBox(d.points[0].x, d.points[0].y, d.text.c_str(), kLabelPointSize, TextMetrics());
        EXPECT_TRUE(box.minX <= t.minX && box.maxX >= t.maxX && box.minY <= t.minY && box.maxY >= t.maxY);
      }
    }
    if (alone.drawn.empty()) {
      EXPECT_FALSE(mayShow(box, kEverywhere)) << "an empty exercise shows";
    }
  }
  EXPECT_EQ(next, full.drawn.size());
  const ExerciseEndState end = exerciseEndState(all);
  EXPECT_TRUE(end.hasColor && std::equal(end.color, end.color + 3, full.color));
  EXPECT_TRUE(end.hasSize && end.size == full.size);
}

TEST(ViewerOptions, HelpIsTheFirstArgumentAndFastIsTakenOutTheRestLeftToGlut) {
  struct Row {
    std::vector<std::string> in, out;
    bool fast, help;
  } rows[] = {{{"viewer"}, {"viewer"}, false, false},
              {{"viewer", "--help"}, {"viewer", "--help"}, false, true},
              {{"viewer", "-h", "--fast"}, {"viewer", "-h"}, true, true},
              {{"viewer", "-display", ":1", "--help"}, {"viewer", "-display", ":1", "--help"}, false, false},
              {{"viewer", "--fast"}, {"viewer"}, true, false},
              {{"viewer", "-geometry", "800x600", "--fast", "-display", ":1"},
               {"viewer", "-geometry", "800x600", "-display", ":1"}, true, false},
              {{"viewer", "--fast", "--fast"}, {"viewer"}, true, false},
              {{"--fast"}, {"--fast"}, false, false},  // the program name is never an option
              {{"viewer", "--faster"}, {"viewer", "--faster"}, false, false}};
  for (const Row& r : rows) {
    std::vector<std::string> storage = r.in;
    std::vector<char*> argv;
    for (std::string& s : storage) argv.push_back(&s[0]);
    argv.push_back(nullptr);
    int argc = static_cast<int>(r.in.size());
    EXPECT_EQ(wantsHelp(argc, argv.data()), r.help);
    EXPECT_EQ(takeFastOption(&argc, argv.data()), r.fast);
    ASSERT_EQ(argc, static_cast<int>(r.out.size()));
    for (int i = 0; i < argc; ++i) EXPECT_EQ(argv[i], r.out[i]);
    EXPECT_EQ(argv[argc], nullptr);
  }
}
