// The culled drawing (viewer --fast): the picture of the full drawing, pixel for
// pixel, with a frame's work limited to what can be on screen.
//
// build() runs at the first chart frame in place of buildChartLists: every static
// layer is compiled once as tiles (chart_tiles.h), one display list per tile,
// and the VOR and NDB symbols and the airport and navaid names are indexed
// (spatial_index.h). indexExercises(), once the exercises' geometry is resolved,
// compiles each exercise into a list of its own and indexes them. drawChart, handed
// the tiled chart, then calls only the tiles and exercises in view and sends only
// the grid lines (in one batch), track segments, symbols and names that may touch
// it, each in the order of the full drawing.
#pragma once

#include <GL/gl.h>

#include <vector>

#include "chart_cull.h"
#include "chart_lists.h"
#include "chart_tiles.h"
#include "exercise_cull.h"
#include "ifr_exercise_set.h"
#include "map_data_set.h"
#include "spatial_index.h"

class fntRenderer;
class fntTexFont;

class TiledChart {
 public:
  // Need the chart window's context; build keeps the pointers for drawing.
  void build(MapDataSet& data, fntRenderer* text, fntTexFont* font);
  void indexExercises(const IfrExerciseSet& set);

  // The view rectangle in the current viewport, with the culling margin.
  ChartRect viewRect(const ChartView& view) const;

  // Calls the tiles of a layer that may touch the view (list: the layer's number
  // in the full drawing: coastlines, rivers, airports, runways, navaids).
  void callLayer(ChartList list, const ChartRect& view) const;
  void drawSymbols(const ChartRect& view) const;
  void drawNames(NameLists names, const ChartRect& view) const;
  void drawExercises(const ChartRect& view) const;

  // Tiles of each layer, for tests and the benchmark.
  size_t tileCount(ChartList list) const;

 private:
  struct Layer {
    ChartList list;
    GLenum mode = GL_LINES;
    float color[3] = {0, 0, 0};
    std::vector<Tile> tiles;
    GLuint base = 0;  // first list; 0: none could be had, tiles are drawn immediately
  };
  const Layer* layer(ChartList list) const;
  void planLayers();
  void compile(Layer& layer);
  void emit(const Layer& layer, const Tile& tile) const;
  void drawNameBlock(const SpatialIndex& index, bool airports, float pointSize, const ChartRect& view) const;

  const MapDataSet* data_ = nullptr;
  fntRenderer* text_ = nullptr;
  fntTexFont* font_ = nullptr;
  TextMetrics metrics_;
  std::vector<Layer> layers_;
  SpatialIndex vors_, ndbs_, airportNames_, navaidNames_;
  SpatialIndex exercises_;
  std::vector<GLuint> exerciseLists_;  // one per exercise with geometry, in order
  ExerciseEndState exerciseEnd_;
  mutable std::vector<uint32_t> scratch_;
};

// The chart font's glyph bounds (defaults widened by the font's own glyphs).
TextMetrics fontMetrics(fntTexFont* font);
