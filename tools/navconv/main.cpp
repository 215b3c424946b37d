// navconv: the simulator's airport, runway and navaid archives from open data.
#include <cstdio>
#include <cstring>
#include <string>

#include "navconv.h"

namespace {

void usage(std::FILE* out) {
  std::fprintf(out,
      "usage: navconv fg --nav nav.dat[.gz] --apt apt.dat[.gz] [--out DIR]\n"
      "       navconv oa --navaids navaids.csv --runways runways.csv [--airports airports.csv] [--out DIR]\n"
      "Writes DIR/AIRPORT.POD, DIR/RUNWAY.POD and DIR/NAVAID.POD (default DIR: SYSTEM).\n"
      "fg: the flight-simulator data files (gzip or plain). Navaids: NDB, NDB-DME, LOM, VOR,\n"
      "    VOR-DME, VORTAC rows; the type word is dropped from the name. Airports: land\n"
      "    airports not marked closed, placed at the mean of their runway ends.\n"
      "oa: the OurAirports CSV files. Navaids of every type (DME and TACAN carry neither the\n"
      "    VOR nor the NDB bit); a VOR takes its slaved variation, other navaids the magnetic\n"
      "    variation. Runways with both ends' positions. Without airports.csv an airport is\n"
      "    made for each runway's airport, at the mean of its runway ends, named by its ident.\n"
      "Variations in 0..360 form become -180..180 (east positive). An NDB (or any navaid)\n"
      "whose source gives no variation takes that of the nearest VOR. Names are stored as\n"
      "Latin-1 (UTF-8 decoded, other letters folded to their base letter) and cut to 40.\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
    usage(argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  const std::string source = argv[1];
  std::string nav, apt, navaids, runways, airports, out = "SYSTEM";
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    if (i + 1 >= argc) {
      usage(stderr);
      return 2;
    }
    const std::string v = argv[++i];
    if (a == "--nav") nav = v;
    else if (a == "--apt") apt = v;
    else if (a == "--navaids") navaids = v;
    else if (a == "--runways") runways = v;
    else if (a == "--airports") airports = v;
    else if (a == "--out") out = v;
    else {
      usage(stderr);
      return 2;
    }
  }
  NavData data;
  std::string error;
  bool ok;
  if (source == "fg" && !nav.empty() && !apt.empty()) {
    ok = readNavDat(nav, &data, &error) && readAptDat(apt, &data, &error);
  } else if (source == "oa" && !navaids.empty() && !runways.empty()) {
    ok = readOurAirportsNavaids(navaids, &data, &error) &&
         (airports.empty() || readOurAirportsAirports(airports, &data, &error)) &&
         readOurAirportsRunways(runways, airports.empty(), &data, &error);
  } else {
    usage(stderr);
    return 2;
  }
  if (!ok) {
    std::fprintf(stderr, "navconv: %s\n", error.c_str());
    return 1;
  }
  finishNavData(&data);
  if (!writeNavArchives(out, data, &error)) {
    std::fprintf(stderr, "navconv: %s\n", error.c_str());
    return 1;
  }
  size_t vor = 0, ndb = 0;
  for (const PodNavaidIn& n : data.navaids) {
    if (n.typeFlags & kNavVor) ++vor;
    else if (n.typeFlags & kNavNdb) ++ndb;
  }
  std::printf("airports %zu, runways %zu, navaids %zu (VOR %zu, NDB %zu; %zu variations from the nearest VOR); "
              "%zu records skipped -> %s\n",
              data.airports.size(), data.runways.size(), data.navaids.size(), vor, ndb, data.variationsFilled,
              data.skippedLines, out.c_str());
  return 0;
}
