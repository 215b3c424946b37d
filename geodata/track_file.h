// The recorded flight: the track file the plug-in writes (or a user file of the same
// format picked with Load), read into points in chart units and profile scale.
//
// A header line and data lines of four numbers (latitude and longitude in
// arc-seconds, altitude in feet, seconds since the previous line). Lines that do not
// scan to four numbers are skipped; a file whose last line is not a data line is a
// bad file. `maxAltitude` is shared by every load in the process and only ever rises,
// so the profile's vertical scale never shrinks when another file is loaded.
#pragma once

#include <vector>

struct TrackPoint {
  double rawLatitude, rawLongitude;  // arc-seconds as read
  double altitude;                   // feet
  double elapsed;                    // seconds, running sum from the file's start
  double latitude, longitude;        // chart units
  double altitudeScaled;             // 0..1000 on the profile's vertical axis
  double elapsedScaled;              // 0..1000 on the profile's horizontal axis
};

class TrackFile {
 public:
  explicit TrackFile(const char* path);
  virtual ~TrackFile();
  TrackFile(const TrackFile&) = delete;
  TrackFile& operator=(const TrackFile&) = delete;

  bool load();
  // Reads another file in place of this one. A path that does not fit `fileName`
  // (more than 259 characters) is refused: false, not loaded, nothing else changes.
  bool reload(const char* path);

  std::vector<TrackPoint> points;
  char fileName[260];
  bool loaded;
  static double maxAltitude;
};
