#include "chart_tiles.h"

#include <cmath>

namespace {

// The counting grid: cells of 36000 / 1024 = 35.2 chart units (about 21 NM), the
// smallest a tile can get. Two square roots of 512 cells side by side.
const int kColumns = 1024;
const int kRows = 512;
const double kCell = 36000.0 / kColumns;

const ChartRect kEmpty = {kChartInfinity, kChartInfinity, -kChartInfinity, -kChartInfinity};

}  // namespace

TilePlanner::TilePlanner(uint32_t capacity)
    : capacity_(capacity > 0 ? capacity : 1), cellCounts_(static_cast<size_t>(kColumns) * kRows, 0) {}

int TilePlanner::cellOf(double midX, double midY) const {
  if (std::isnan(midX) || std::isnan(midY)) return -1;
  // Outside the world: the nearest edge cell.
  double c = std::floor((midX + 18000.0) / kCell), r = std::floor((midY + 9000.0) / kCell);
  c = c < 0 ? 0 : (c > kColumns - 1 ? kColumns - 1 : c);
  r = r < 0 ? 0 : (r > kRows - 1 ? kRows - 1 : r);
  return static_cast<int>(r) * kColumns + static_cast<int>(c);
}

void TilePlanner::count(double midX, double midY) {
  const int cell = cellOf(midX, midY);
  if (cell >= 0) ++cellCounts_[cell];
}

void TilePlanner::split(int column, int row, int size) {
  uint64_t total = 0;
  for (int r = row; r < row + size; ++r)
    for (int c = column; c < column + size; ++c) total += cellCounts_[static_cast<size_t>(r) * kColumns + c];
  if (total == 0) return;
  if (total > capacity_ && size > 1) {
    const int half = size / 2;
    split(column, row, half);
    split(column + half, row, half);
    split(column, row + half, half);
    split(column + half, row + half, half);
    return;
  }
  const int32_t tile = static_cast<int32_t>(tiles_.size());
  tiles_.push_back(Tile{kEmpty, 0, {}});
  for (int r = row; r < row + size; ++r)
    for (int c = column; c < column + size; ++c) cellTile_[static_cast<size_t>(r) * kColumns + c] = tile;
}

void TilePlanner::plan() {
  cellTile_.assign(cellCounts_.size(), -1);
  // Summing a square cell by cell costs the quadtree's depth passes over the
  // counting grid (about 5 million additions): once per layer, at start-up.
  split(0, 0, kRows);
  split(kRows, 0, kRows);
  cellCounts_.clear();
  cellCounts_.shrink_to_fit();
  tiles_.push_back(Tile{kEmpty, 0, {}});  // what is not a number, or was not counted
  planned_ = true;
}

void TilePlanner::add(uint32_t group, uint32_t index, double midX, double midY, const ChartRect& box) {
  if (!planned_) plan();
  const int cell = cellOf(midX, midY);
  const int32_t t = cell >= 0 && cellTile_[cell] >= 0 ? cellTile_[cell] : static_cast<int32_t>(tiles_.size() - 1);
  Tile& tile = tiles_[t];
  tile.bounds = unite(tile.bounds, box);
  ++tile.primitives;
  if (!tile.runs.empty()) {
    TileRun& last = tile.runs.back();
    if (last.group == group && last.first + last.count == index) {
      ++last.count;
      return;
    }
  }
  tile.runs.push_back({group, index, 1});
}

std::vector<Tile> TilePlanner::finish() {
  if (!planned_) plan();
  std::vector<Tile> out;
  for (Tile& t : tiles_)
    if (t.primitives > 0) out.push_back(std::move(t));
  tiles_.clear();
  cellTile_.clear();
  return out;
}

void visibleTiles(const std::vector<Tile>& tiles, const ChartRect& view, std::vector<uint32_t>* out) {
  out->clear();
  for (uint32_t i = 0; i < tiles.size(); ++i)
    if (mayShow(tiles[i].bounds, view)) out->push_back(i);
}
