#include "chart_cull.h"

#include <algorithm>
#include <cstring>

ChartRect visibleRect(const ChartView& view, int viewportWidth, int viewportHeight,
                      double marginPixels) {
  // The GL scales by the magnification as a float; so do we.
  const double magnification = std::fabs(static_cast<double>(static_cast<float>(view.zoom + 1)));
  if (viewportWidth <= 0 || viewportHeight <= 0 || !(magnification > 0)) return kEverywhere;
  const double halfWidth = kChartHalfWidth / magnification;
  const double halfHeight = kChartHalfHeight / magnification;
  const double cx = view.centreX, cy = view.centreY;
  // The GL transforms in single precision: a vertex lands up to a few float steps
  // of its coordinates away from where double arithmetic puts it, which matters
  // only for a view far beyond the world (a centre of millions of units).
  const double rounding = 1e-6;
  const double marginX =
      marginPixels * 2.0 * halfWidth / viewportWidth + rounding * (std::fabs(cx) + halfWidth);
  const double marginY =
      marginPixels * 2.0 * halfHeight / viewportHeight + rounding * (std::fabs(cy) + halfHeight);
  return {cx - halfWidth - marginX, cy - halfHeight - marginY, cx + halfWidth + marginX,
          cy + halfHeight + marginY};
}

ChartRect textBox(double x, double y, const char* text, double pointSize,
                  const TextMetrics& m) {
  size_t longest = 0, current = 0, lines = 1;
  for (const char* p = text; p && *p; ++p) {
    if (*p == '\n') {
      ++lines;
      current = 0;
    } else {
      longest = std::max(longest, ++current);
    }
  }
  // The pen moves by at most `advance` per character; a crafted font may step it
  // backwards, so the reach counts both ways.
  const double reach = longest > 0 ? (longest - 1) * std::fabs(m.advance) * pointSize : 0.0;
  return {x - reach + std::min(0.0, m.left) * pointSize,
          y - (lines - 1) * pointSize + std::min(0.0, m.bottom) * pointSize,
          x + reach + std::max(0.0, m.right) * pointSize,
          y + std::max(0.0, m.top) * pointSize};
}
