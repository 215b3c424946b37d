// A uniform grid over chart units that finds, for a view, the items whose boxes
// may touch it: navaid symbols, names and exercise parts in the culled drawing.
//
// Built once from the items' boxes; a query returns item numbers in ascending
// order, so whoever draws them keeps the order of the full drawing (overlapping
// translucent glyphs blend differently in another order). Items whose boxes are
// not numbers, and items too large to list cell by cell, are kept apart and
// checked on every query.
#pragma once

#include <cstdint>
#include <vector>

#include "chart_cull.h"

class SpatialIndex {
 public:
  SpatialIndex() = default;
  explicit SpatialIndex(std::vector<ChartRect> boxes);

  // Replaces *out with the items whose box may touch `view` (mayShow), ascending.
  void query(const ChartRect& view, std::vector<uint32_t>* out) const;

  size_t size() const { return boxes_.size(); }
  const ChartRect& box(uint32_t item) const { return boxes_[item]; }

 private:
  int columnOf(double x) const;
  int rowOf(double y) const;

  std::vector<ChartRect> boxes_;
  double originX_ = 0, originY_ = 0, cell_ = 1;
  int columns_ = 0, rows_ = 0;
  std::vector<uint32_t> cellStart_;  // items of cell c: cellItems_[cellStart_[c] .. cellStart_[c+1])
  std::vector<uint32_t> cellItems_;
  std::vector<uint32_t> apart_;      // checked on every query
};
