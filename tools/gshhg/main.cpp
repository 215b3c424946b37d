// gshhg2dat: writes the chart's coastline and river files from the binned
// shoreline and river data of the gmt-gshhg packages.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "gshhg_convert.h"

namespace {

void usage(std::FILE* out) {
  std::fprintf(out,
               "usage: gshhg2dat [--resolution c|l|i|h|f] [--rivers CLASSES] [--gshhg-dir DIR] [--out DIR]\n"
               "Writes DIR/world_coast.dat (shoreline level 1, Antarctica's ice front included, its\n"
               "grounding line left out) and DIR/rivers.dat (the river classes given, comma-separated;\n"
               "default 1,2: permanent and additional major rivers; 0 double-lined, 3 additional,\n"
               "4 minor, 5-7 intermittent, 8-10 canals).\n"
               "  --resolution  c crude, l low (default), i intermediate (package gmt-gshhg-low),\n"
               "                h high (gmt-gshhg-high), f full (gmt-gshhg-full)\n"
               "  --gshhg-dir   folder of binned_GSHHS_*.nc and binned_river_*.nc (default /usr/share/gmt-gshhg)\n"
               "  --out         output folder (default data)\n"
               "Pieces cut by the bins are joined again where their ends meet exactly.\n");
}

bool parseClasses(const std::string& text, std::vector<int>* out) {
  std::stringstream in(text);
  std::string item;
  out->clear();
  while (std::getline(in, item, ',')) {
    char* end = nullptr;
    long v = std::strtol(item.c_str(), &end, 10);
    if (item.empty() || *end != '\0' || v < 0 || v > 10) return false;
    out->push_back(static_cast<int>(v));
  }
  return !out->empty();
}

// mkdir -p: the output folder may be several levels deep.
void makeFolders(const std::string& dir) {
  for (size_t i = 1; i <= dir.size(); ++i) {
    if (i == dir.size() || dir[i] == '/') mkdir(dir.substr(0, i).c_str(), 0755);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string resolution = "l", dir = "/usr/share/gmt-gshhg", out = "data";
  std::vector<int> classes = {1, 2};
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--help" || a == "-h") {
      usage(stdout);
      return 0;
    } else if (a == "--resolution" && hasValue) {
      resolution = argv[++i];
      if (resolution.size() != 1 || std::strchr("clihf", resolution[0]) == nullptr) {
        std::fprintf(stderr, "gshhg2dat: resolution must be c, l, i, h or f\n");
        return 2;
      }
    } else if (a == "--rivers" && hasValue) {
      if (!parseClasses(argv[++i], &classes)) {
        std::fprintf(stderr, "gshhg2dat: --rivers wants classes 0..10 separated by commas\n");
        return 2;
      }
    } else if (a == "--gshhg-dir" && hasValue) {
      dir = argv[++i];
    } else if (a == "--out" && hasValue) {
      out = argv[++i];
    } else {
      usage(stderr);
      return 2;
    }
  }
  makeFolders(out);

  GeoLineFilter coast;
  coast.levels = {1};
  GeoLineFilter rivers;
  rivers.riverFile = true;
  rivers.levels = classes;

  struct Job { const char* what; std::string in, out; const GeoLineFilter* filter; } jobs[] = {
      {"coastlines", dir + "/binned_GSHHS_" + resolution + ".nc", out + "/world_coast.dat", &coast},
      {"rivers", dir + "/binned_river_" + resolution + ".nc", out + "/rivers.dat", &rivers},
  };
  for (const Job& job : jobs) {
    GeoLineStats stats;
    std::string error;
    if (!convertBinnedFile(job.in, *job.filter, job.out, &stats, &error)) {
      std::fprintf(stderr, "gshhg2dat: %s\n", error.c_str());
      return 1;
    }
    std::printf("%s: %zu pieces joined into %zu segments, %zu points -> %s\n", job.what, stats.pieces,
                stats.lines, stats.points, job.out.c_str());
  }
  return 0;
}
