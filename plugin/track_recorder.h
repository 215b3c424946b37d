// Records the aircraft's flight into the track file the viewer reads.
//
// The pilot starts a recording in mode 1 or mode 5 from the control window and
// stops it there; between the two, every host frame (tick) adds the frame time to
// the mode's accumulator and writes a data line when it passes the mode's
// sampling interval, which shrinks as the aircraft goes faster. The file layout
// (a header line, then "lat lon alt seconds" lines) is shared with the viewer's
// track reader. Each line is flushed as it is written, so a host that crashes or
// drops the plug-in keeps every sample taken before.
#pragma once

#include <cstdint>
#include <cstdio>

#include "host_table.h"

// Where the host's working directory (the simulator folder) keeps the track.
constexpr const char* kTrackFilePath = "DATA\\__ORVANDEL.dat";

// Sampling interval of mode 1 or 5 for speed v and aux value x (its magnitude is
// used): 6077 / (v (9|x| + 1)) in mode 1, 30385 / (v (45|x| + 1)) in mode 5, and
// 54000 for a speed of exactly 0. Worked in extended precision, kept as float.
float samplingInterval(int mode, float speed, double auxValue);

// Plain data with no constructor, so the plug-in's global copy starts all zero
// before any code runs.
struct TrackRecorder {
  enum State : int16_t { Idle = 0, RecordingMode1 = 2, RecordingMode5 = 4 };

  int16_t state;
  std::FILE* trackFile;
  AircraftHandle aircraft;
  double auxValues[3];
  double position[3];
  float speed;
  float elapsed1, elapsed5;
  float interval1, interval5;

  // One host frame: samples while recording, calls nothing while idle.
  void tick(const HostTable& host);
  // "bt1m" (mode 1) or "bt5m" (mode 5); ignored while a recording runs.
  void start(const HostTable& host, int mode);
  // "dsbl": final line, file closed, windows closed; ignored while idle.
  void stop(const HostTable& host);
  // The plug-in is going away: close the file as it stands, without a final line.
  void abandon();

 private:
  void readAircraft(const HostTable& host);
  void writeLine(double timeValue);
};
