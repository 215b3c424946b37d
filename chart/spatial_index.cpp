#include "spatial_index.h"

#include <algorithm>
#include <cmath>

namespace {

const int kMaxCellsPerSide = 2048;
// An item spanning more cells than this is checked on every query instead.
const int kMaxCellsPerItem = 16;

bool finiteRect(const ChartRect& r) {
  return std::isfinite(r.minX) && std::isfinite(r.minY) && std::isfinite(r.maxX) &&
         std::isfinite(r.maxY);
}

}  // namespace

int SpatialIndex::columnOf(double x) const {
  const double v = (x - originX_) / cell_;
  if (!(v >= 0)) return 0;
  if (v >= columns_) return columns_ - 1;
  return static_cast<int>(v);
}

int SpatialIndex::rowOf(double y) const {
  const double v = (y - originY_) / cell_;
  if (!(v >= 0)) return 0;
  if (v >= rows_) return rows_ - 1;
  return static_cast<int>(v);
}

SpatialIndex::SpatialIndex(std::vector<ChartRect> boxes) : boxes_(std::move(boxes)) {
  double minX = kChartInfinity, minY = kChartInfinity, maxX = -kChartInfinity, maxY = -kChartInfinity;
  size_t gridded = 0;
  for (const ChartRect& b : boxes_) {
    if (!finiteRect(b)) continue;
    minX = std::min(minX, b.minX);
    minY = std::min(minY, b.minY);
    maxX = std::max(maxX, b.maxX);
    maxY = std::max(maxY, b.maxY);
    ++gridded;
  }
  if (gridded == 0) {
    for (uint32_t i = 0; i < boxes_.size(); ++i) apart_.push_back(i);
    return;
  }
  // About one item per cell, with at most kMaxCellsPerSide cells along a side.
  const double width = std::max(maxX - minX, 1e-9), height = std::max(maxY - minY, 1e-9);
  cell_ = std::sqrt(width * height / static_cast<double>(gridded));
  cell_ = std::max({cell_, width / kMaxCellsPerSide, height / kMaxCellsPerSide});
  if (!(cell_ > 0) || !std::isfinite(cell_)) cell_ = std::max(width, height);
  originX_ = minX;
  originY_ = minY;
  columns_ = std::min(kMaxCellsPerSide, static_cast<int>(width / cell_) + 1);
  rows_ = std::min(kMaxCellsPerSide, static_cast<int>(height / cell_) + 1);

  // Counting sort into cells: items stay ascending within each cell.
  std::vector<uint32_t> counts(static_cast<size_t>(columns_) * rows_ + 1, 0);
  auto forEachCell = [&](const ChartRect& b, auto fn) {
    for (int r = rowOf(b.minY); r <= rowOf(b.maxY); ++r)
      for (int c = columnOf(b.minX); c <= columnOf(b.maxX); ++c) fn(static_cast<size_t>(r) * columns_ + c);
  };
  std::vector<bool> gridItem(boxes_.size(), false);
  for (uint32_t i = 0; i < boxes_.size(); ++i) {
    const ChartRect& b = boxes_[i];
    const bool small = finiteRect(b) && (columnOf(b.maxX) - columnOf(b.minX) + 1) *
                                                (rowOf(b.maxY) - rowOf(b.minY) + 1) <=
                                            kMaxCellsPerItem;
    if (!small) {
      apart_.push_back(i);
      continue;
    }
    gridItem[i] = true;
    forEachCell(b, [&](size_t c) { ++counts[c + 1]; });
  }
  for (size_t c = 1; c < counts.size(); ++c) counts[c] += counts[c - 1];
  cellStart_ = counts;
  cellItems_.resize(counts.back());
  for (uint32_t i = 0; i < boxes_.size(); ++i)
    if (gridItem[i]) forEachCell(boxes_[i], [&](size_t c) { cellItems_[counts[c]++] = i; });
}

void SpatialIndex::query(const ChartRect& view, std::vector<uint32_t>* out) const {
  out->clear();
  if (columns_ > 0 && view.maxX >= originX_ && view.maxY >= originY_ &&
      view.minX <= originX_ + columns_ * cell_ && view.minY <= originY_ + rows_ * cell_) {
    const int c0 = columnOf(view.minX), c1 = columnOf(view.maxX);
    const int r0 = rowOf(view.minY), r1 = rowOf(view.maxY);
    const size_t cells = static_cast<size_t>(c1 - c0 + 1) * (r1 - r0 + 1);
    if (cells > boxes_.size()) {
      // A view over most of the grid: one pass over the items is cheaper.
      for (uint32_t i = 0; i < boxes_.size(); ++i)
        if (mayShow(boxes_[i], view)) out->push_back(i);
      return;
    }
    for (int r = r0; r <= r1; ++r)
      for (int c = c0; c <= c1; ++c) {
        const size_t cell = static_cast<size_t>(r) * columns_ + c;
        for (uint32_t k = cellStart_[cell]; k < cellStart_[cell + 1]; ++k)
          if (mayShow(boxes_[cellItems_[k]], view)) out->push_back(cellItems_[k]);
      }
  }
  for (uint32_t i : apart_)
    if (mayShow(boxes_[i], view)) out->push_back(i);
  std::sort(out->begin(), out->end());
  out->erase(std::unique(out->begin(), out->end()), out->end());
}
