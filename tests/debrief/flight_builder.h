// Tracks of known geometry for the debrief tests. Each is written in the track
// file's own format ("%.2lf" arc-seconds, longitude eastward 0..1296000, seconds
// since the previous line) and read back through the viewer's reader, so the
// file's two-decimal rounding is part of every test. The expected answers follow
// from how the track is built, not from the code under test.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "debrief.h"
#include "great_circle.h"
#include "track_file.h"

struct Fix {
  GeoPos pos;
  double t;
};

// The point `alongNm` along the great circle leaving `ref` on `courseTrue` and
// `crossNm` square to its right: its cross-track distance is exactly crossNm.
inline GeoPos offsetPoint(GeoPos ref, double courseTrue, double alongNm, double crossNm) {
  const GeoPos foot = geoDestination(ref, alongNm, courseTrue);
  const double localCourse = geoBearing(foot, geoDestination(ref, alongNm + 1, courseTrue));
  return geoDestination(foot, crossNm, localCourse + 90);
}

// Straight flight parallel to a course line, points every stepNm from along a0 to a1.
inline std::vector<Fix> parallelFlight(GeoPos ref, double courseTrue, double crossNm, double a0, double a1,
                                       double stepNm, double speedKt) {
  std::vector<Fix> out;
  for (double a = a0; a <= a1 + 1e-9; a += stepNm)
    out.push_back({offsetPoint(ref, courseTrue, a, crossNm), (a - a0) / speedKt * 3600});
  return out;
}

// A holding pattern flown by an aircraft at speedKt with standard-rate turns (3
// degrees a second): one leg of legS seconds into the fix, then `laps` laps of a
// legS outbound leg and a legS inbound leg, then legS on past the fix. The whole
// pattern lies shiftNm to the right of the inbound course (negative: left). Fix
// crossings fall at legS + k (2 legS + 120) seconds. Integrated in 10 ms steps and
// sampled every stepS seconds from offsetS on. With overshootDeg the turn inbound
// swings that far past the course and comes back at half a degree a second, so the
// course re-enters the 10-degree band (overshootDeg - 10) / 0.5 s after the swing.
inline std::vector<Fix> flyRacetrack(GeoPos fix, double inboundTrue, bool turnLeft, double speedKt, double legS,
                                     int laps, double shiftNm, double stepS, double offsetS,
                                     double overshootDeg = 0) {
  const double legNm = speedKt * legS / 3600;
  GeoPos pos = offsetPoint(fix, inboundTrue, -legNm, shiftNm);
  double heading = geoBearing(pos, offsetPoint(fix, inboundTrue, 0, shiftNm));
  const double turnSign = turnLeft ? -1 : 1;
  // Phases: the rate of turn (degrees a second, positive toward the turns) and the
  // length in seconds.
  const double swing = overshootDeg / 3, back = overshootDeg / 0.5;
  std::vector<std::pair<double, double>> phases = {{0, legS}};
  for (int i = 0; i < laps; ++i)
    phases.insert(phases.end(), {{3, 60}, {0, legS}, {3, 60 + swing}, {-0.5, back}, {0, legS - swing - back}});
  phases.push_back({0, legS});
  const double dt = 0.01;
  std::vector<Fix> out;
  double t = 0, nextSample = offsetS;
  for (const auto& ph : phases) {
    const long steps = std::lround(ph.second / dt);
    for (long s = 0; s < steps; ++s) {
      if (t >= nextSample - 1e-9) {
        out.push_back({pos, t});
        nextSample += stepS;
      }
      // Each step leaves on the step's middle heading; the heading then carries on
      // from the step's final course, so straight legs are great circles.
      const double rate = ph.first * turnSign;
      const GeoPos next = geoDestination(pos, speedKt * dt / 3600, heading + rate * dt / 2);
      heading = geoBearing(next, pos) + 180 + rate * dt / 2;
      pos = next;
      t += dt;
    }
  }
  return out;
}

// The track file of a flight: header line and one data line per fix.
inline std::string trackText(const std::vector<Fix>& flight) {
  std::string text = "1 0 0\n";
  double last = 0;
  char line[160];
  for (const Fix& f : flight) {
    const double lon = f.pos.lon < 0 ? 1296000.0 + f.pos.lon * 3600 : f.pos.lon * 3600;
    std::snprintf(line, sizeof line, "%.2lf %.2lf %.2lf %.2f\n", f.pos.lat * 3600, lon, 2000.0, f.t - last);
    text += line;
    last = f.t;
  }
  return text;
}

// The flight as the debrief sees it: written to `path`, read by the viewer's reader.
inline std::vector<TrackSample> throughTrackFile(const std::vector<Fix>& flight, const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (!f) return {};
  std::fputs(trackText(flight).c_str(), f);
  std::fclose(f);
  TrackFile track(path.c_str());
  return track.loaded ? trackSamples(track.points) : std::vector<TrackSample>{};
}
