// demoflight: writes the host script of the demo's training sortie. Run it in
// the simulator folder: the navaids and the runway are taken from its archives
// (so the track matches what the chart draws), with built-in positions as the
// fallback when the archives lack them.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <string>

#include "demo_flight.h"
#include "nav_database.h"

namespace {

// The record with this ident nearest to where we expect it, if within 20 NM.
bool findNear(const std::vector<NavaidRecord>& list, const char* ident, GeoPos near, GeoPos* pos, double* variation) {
  double best = 20.0;
  bool found = false;
  for (const NavaidRecord& n : list) {
    if (std::strcmp(n.ident, ident) != 0) continue;
    const GeoPos p = geoFromChartUnits(n.longitude, n.latitude);
    const double d = geoDistanceNm(p, near);
    if (d < best) {
      best = d;
      *pos = p;
      *variation = n.variation;
      found = true;
    }
  }
  return found;
}

}  // namespace

int main(int argc, char** argv) {
  std::string out = "demo_flight.txt";
  double aux = 1.0;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--out") && i + 1 < argc) out = argv[++i];
    else if (!std::strcmp(argv[i], "--aux") && i + 1 < argc) aux = std::atof(argv[++i]);
    else {
      std::fprintf(stderr,
                   "usage: demoflight [--out FILE] [--aux X]\n"
                   "Writes the host script of the demo sortie (LFML 31R, MTG, 12 NM arc, MJ hold, 31R).\n"
                   "Reads SYSTEM/*.POD of the working directory for the navaids and the runway.\n");
      return 2;
    }
  }
  DemoPlaces places;
  NavDatabase db;
  if (!findNear(db.vors, "MTG", places.vor, &places.vor, &places.vorVariation))
    std::fprintf(stderr, "demoflight: MTG VOR not in the archives, using its built-in position\n");
  if (!findNear(db.ndbs, "MJ", places.ndb, &places.ndb, &places.ndbVariation))
    std::fprintf(stderr, "demoflight: MJ NDB not in the archives, using its built-in position\n");
  bool runway = false;
  for (const RunwayRecord& r : db.runways) {
    if (!std::strcmp(r.key, "LFML") && !std::strcmp(r.key2, "13L/31R")) {
      places.threshold13L = {latitudeDegrees(r.latitude1), longitudeDegrees(r.longitude1)};
      places.threshold31R = {latitudeDegrees(r.latitude2), longitudeDegrees(r.longitude2)};
      runway = true;
      break;
    }
  }
  if (!runway) std::fprintf(stderr, "demoflight: LFML 13L/31R not in the archives, using built-in ends\n");

  const std::vector<FlightTick> ticks = flyDemoSortie(places);
  if (!writeHostScript(out, ticks, aux)) {
    std::fprintf(stderr, "demoflight: cannot write %s\n", out.c_str());
    return 1;
  }
  double distance = 0, top = 0;
  for (size_t i = 1; i < ticks.size(); ++i) {
    distance += geoDistanceNm(ticks[i - 1].pos, ticks[i].pos);
    top = std::max(top, ticks[i].altitude);
  }
  std::printf("demo sortie: %zu s, %.1f NM, top %.0f ft -> %s\n", ticks.size(), distance, top, out.c_str());
  return 0;
}
