#include "track_file.h"

#include <cstdio>
#include <cstring>

#include "geo_units.h"
#include "simpath.h"

double TrackFile::maxAltitude = 0.0;

namespace {

// Copies path into name when it fits; false (name untouched) when it does not.
bool setName(char (&name)[260], const char* path) {
  if (!path) path = "";
  size_t len = std::strlen(path);
  if (len >= sizeof name) return false;
  std::memcpy(name, path, len + 1);
  return true;
}

}  // namespace

TrackFile::TrackFile(const char* path) : loaded(false) {
  fileName[0] = '\0';
  if (setName(fileName, path)) load();
}

TrackFile::~TrackFile() = default;

bool TrackFile::reload(const char* path) {
  loaded = false;
  if (!setName(fileName, path)) return false;
  return load();
}

bool TrackFile::load() {
  loaded = false;
  if (fileName[0] == '\0') return false;
  std::FILE* f = simpath::open(fileName, "r");
  if (!f) return false;

  double running = 0.0;
  points.clear();
  int lastScan = 0;
  char line[512];
  while (std::fgets(line, sizeof line, f)) {
    double lat = 0.0, lon = 0.0, alt = 0.0;
    float dt = 0.0f;
    lastScan = std::sscanf(line, "%lf %lf %lf %f", &lat, &lon, &alt, &dt);
    if (lastScan != 4) continue;
    if (alt > maxAltitude) maxAltitude = alt;
    running += dt;
    TrackPoint p{};
    p.rawLatitude = lat;
    p.rawLongitude = lon;
    p.altitude = alt;
    p.elapsed = running;
    p.latitude = chartYFromArcSeconds(lat);
    p.longitude = chartXFromArcSeconds(lon);
    points.push_back(p);
  }
  std::fclose(f);

  if (lastScan != 4) {
    std::fputs("No user data : bad file format !\n", stdout);
    return false;
  }

  double altitudeScale = maxAltitude + 1000;
  double timeScale = points.back().elapsed;
  for (TrackPoint& p : points) {
    p.altitudeScaled = p.altitude * 1000 / altitudeScale;
    // A track of no duration sits at the profile's left edge rather than at 0/0.
    p.elapsedScaled = timeScale != 0 ? p.elapsed * 1000 / timeScale : 0.0;
  }
  loaded = true;
  return true;
}
