#include "follow_mode.h"

#include <sys/stat.h>

#include <cmath>

#include "geo_units.h"
#include "simpath.h"

FileStamp fileStamp(const std::string& simulatorPath) {
  FileStamp s;
  struct stat st;
  if (simulatorPath.empty() || ::stat(simpath::resolve(simulatorPath).c_str(), &st) != 0) return s;
  s.exists = true;
  s.size = static_cast<int64_t>(st.st_size);
  s.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return s;
}

void FollowMode::toggle() {
  on_ = !on_;
  looked_ = false;
  stamp_ = FileStamp();
  stamp_.size = -1;  // differs from every real stamp, a missing file's too
}

bool FollowMode::due(double nowSeconds) {
  if (!on_) return false;
  if (looked_ && nowSeconds - lastLook_ < kCheckEverySeconds && nowSeconds >= lastLook_) return false;
  looked_ = true;
  lastLook_ = nowSeconds;
  return true;
}

bool FollowMode::changed(const FileStamp& now) {
  if (now == stamp_) return false;
  stamp_ = now;
  return now.exists;
}

bool followCentre(const std::vector<TrackPoint>& points, int* x, int* y) {
  if (points.empty()) return false;
  const double cx = chartXFromArcSeconds(points.back().rawLongitude);
  const double cy = chartYFromArcSeconds(points.back().rawLatitude);
  if (!std::isfinite(cx) || !std::isfinite(cy) || std::fabs(cx) > 1e6 || std::fabs(cy) > 1e6) return false;
  *x = static_cast<int>(cx);
  *y = static_cast<int>(cy);
  return true;
}
