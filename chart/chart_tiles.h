// Splits a static layer (coastlines, rivers, airports, runways, navaid points)
// into tiles, so that the culled drawing compiles one display list per tile once
// and a frame calls only the tiles in view.
//
// Tiles are the leaves of a quadtree over the world: a tile is split while it
// holds more than `capacity` primitives, so a dense coast gets small tiles and
// open sea one large tile, and a frame at any zoom calls a few lists of bounded
// size. A primitive (a line or a point) belongs to the tile that holds its
// midpoint and widens that tile's bounds to its whole box: a long line makes
// its tile show wherever the line shows. Primitives outside the world go to the
// edge tiles; those whose midpoint is not a number to a tile that always shows.
// Within a tile, primitives keep their drawing order, as runs of consecutive
// indices within a group (a polyline, or the records of a table).
#pragma once

#include <cstdint>
#include <vector>

#include "chart_cull.h"

struct TileRun {
  uint32_t group;  // polyline number, or 0 for a table
  uint32_t first;  // first index within the group
  uint32_t count;  // consecutive indices
};

struct Tile {
  ChartRect bounds;  // every primitive's whole box
  uint32_t primitives = 0;
  std::vector<TileRun> runs;
};

// Two passes over the layer in drawing order: count() every primitive, then
// add() every primitive again; finish() gives the non-empty tiles.
class TilePlanner {
 public:
  explicit TilePlanner(uint32_t capacity = 4096);

  void count(double midX, double midY);
  void add(uint32_t group, uint32_t index, double midX, double midY, const ChartRect& box);
  std::vector<Tile> finish();

 private:
  void plan();
  int cellOf(double midX, double midY) const;  // -1: not a number
  void split(int column, int row, int size);

  uint32_t capacity_;
  std::vector<uint32_t> cellCounts_;  // pass 1
  std::vector<int32_t> cellTile_;     // after planning: tile of each cell
  std::vector<Tile> tiles_;           // the last one holds what is not a number
  bool planned_ = false;
};

// Indices of the tiles whose bounds may touch `view`, in tile order.
void visibleTiles(const std::vector<Tile>& tiles, const ChartRect& view, std::vector<uint32_t>* out);
