// Follow mode: watching a track file that is still being recorded.
//
// While it is on, the viewer looks at the track file at most once a second and
// re-reads it (the same reload that Load uses) when its size or modification time
// changed since the last look, then centres the chart on the track's last point.
// These are the decisions; viewer.cpp only wires them to the clock, the key and
// the sliders. Off by default: the chart behaves as without it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "track_file.h"

// What stat tells about the file: enough to see that it changed.
struct FileStamp {
  bool exists = false;
  int64_t size = 0;
  int64_t mtimeNs = 0;
  bool operator==(const FileStamp& o) const {
    return exists == o.exists && size == o.size && mtimeNs == o.mtimeNs;
  }
  bool operator!=(const FileStamp& o) const { return !(*this == o); }
};

// The stamp of a simulator path (resolved as the readers do).
FileStamp fileStamp(const std::string& simulatorPath);

class FollowMode {
 public:
  static constexpr double kCheckEverySeconds = 1.0;

  bool on() const { return on_; }
  // Turning it on forgets the last stamp, so the first look re-reads the file.
  void toggle();

  // Whether it is time to look at the file (on, and a second since the last look).
  bool due(double nowSeconds);
  // After a look: true when the file must be read again (it changed or appeared).
  bool changed(const FileStamp& now);

 private:
  bool on_ = false;
  bool looked_ = false;
  double lastLook_ = 0;
  FileStamp stamp_;
};

// The view centre for follow: the last point in chart units, truncated as "User"
// does. False for a track without points.
bool followCentre(const std::vector<TrackPoint>& points, int* x, int* y);
