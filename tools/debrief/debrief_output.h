// The debrief's outputs: the table a person reads, JSON and CSV for programs, and
// an SVG page with one plot per exercise of its deviation against time, the
// tolerance bands shaded. Writers only format what debrief.h measured.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "debrief.h"

struct DebriefReport {
  std::string trackName;  // the track file as named to the program
  std::string title;      // the exercise set's title
  size_t points = 0;      // track points measured
  size_t skipped = 0;     // track points that could not be placed
  double startS = 0, endS = 0;
  std::vector<TrackSample> track;  // what was measured; the waypoint plots follow it
  std::vector<ExerciseDebrief> exercises;
};

void writeText(std::FILE* out, const DebriefReport& report);
// {"track": FILE, "exercises": [{"index": N, "form": ..., ...}]}, one exercise a line.
void writeJson(std::FILE* out, const DebriefReport& report);
// index,form,navaid,metric,value: one row per exercise and metric.
void writeCsv(std::FILE* out, const DebriefReport& report);
void writeSvg(std::FILE* out, const DebriefReport& report);

// Text made safe for JSON, XML and CSV: bytes that are not UTF-8 become U+FFFD,
// control characters are dropped (tabs and line ends become blanks).
std::string cleanUtf8(const std::string& text);
