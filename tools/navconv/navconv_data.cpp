// What every source needs: units, type bits, keys, the NDB variations, the archives.
#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstring>

#include "navconv.h"

namespace {

// mkdir -p: the output folder may be several levels deep.
void makeFolders(const std::string& dir) {
  for (size_t i = 1; i <= dir.size(); ++i) {
    if (i == dir.size() || dir[i] == '/') mkdir(dir.substr(0, i).c_str(), 0755);
  }
}

}  // namespace

double normalizeVariation(double degrees) {
  double v = std::fmod(degrees, 360.0);
  if (v > 180.0) v -= 360.0;
  if (v < -180.0) v += 360.0;
  return v;
}


uint32_t navaidTypeFlags(const std::string& type) {
  if (type == "VOR") return kNavVor;
  if (type == "VOR-DME" || type == "VOR/DME") return kNavVor | kNavDme;
  if (type == "VORTAC") return kNavVor | kNavDme | kNavTacan;
  if (type == "NDB" || type == "LOM") return kNavNdb;
  if (type == "NDB-DME" || type == "NDB/DME") return kNavNdb | kNavDme;
  if (type == "DME") return kNavDme;
  if (type == "TACAN") return kNavDme | kNavTacan;
  return 0;
}

void finishNavData(NavData* data) {
  data->navaidHasVariation.resize(data->navaids.size(), false);
  for (size_t i = 0; i < data->airports.size(); ++i) {
    char key[32];
    std::snprintf(key, sizeof key, "A%06zu", i + 1);
    data->airports[i].key = key;
  }
  // Unit vectors of the VORs whose variation the source gave.
  struct Ref { double x, y, z, variation; };
  std::vector<Ref> refs;
  auto unit = [](const PodNavaidIn& n, double* x, double* y, double* z) {
    const double lat = latitudeDegrees(n.latitudeSeconds) * M_PI / 180.0;
    const double lon = longitudeDegrees(n.longitudeSeconds) * M_PI / 180.0;
    *x = std::cos(lat) * std::cos(lon);
    *y = std::cos(lat) * std::sin(lon);
    *z = std::sin(lat);
  };
  for (size_t i = 0; i < data->navaids.size(); ++i) {
    const PodNavaidIn& n = data->navaids[i];
    if ((n.typeFlags & kNavVor) && data->navaidHasVariation[i]) {
      Ref r;
      unit(n, &r.x, &r.y, &r.z);
      r.variation = n.variation;
      refs.push_back(r);
    }
  }
  data->variationsFilled = 0;
  for (size_t i = 0; i < data->navaids.size(); ++i) {
    PodNavaidIn& n = data->navaids[i];
    char key[32];
    std::snprintf(key, sizeof key, "N%06zu", i + 1);
    n.key = key;
    if (data->navaidHasVariation[i] || refs.empty()) continue;
    double x, y, z;
    unit(n, &x, &y, &z);
    double best = -2.0;
    for (const Ref& r : refs) {
      const double dot = x * r.x + y * r.y + z * r.z;  // largest dot = nearest
      if (dot > best) {
        best = dot;
        n.variation = r.variation;
      }
    }
    ++data->variationsFilled;
  }
}

bool writeNavArchives(const std::string& dir, const NavData& data, std::string* error) {
  makeFolders(dir);
  struct Job { const char* file; bool (*write)(const std::string&, const NavData&); } jobs[] = {
      {"AIRPORT.POD", [](const std::string& p, const NavData& d) { return writeAirportArchive(p, d.airports); }},
      {"RUNWAY.POD", [](const std::string& p, const NavData& d) { return writeRunwayArchive(p, d.runways); }},
      {"NAVAID.POD", [](const std::string& p, const NavData& d) { return writeNavaidArchive(p, d.navaids); }},
  };
  for (const Job& job : jobs) {
    // Written under a temporary name and renamed, so a run that stops half way
    // never leaves a truncated archive that looks complete.
    const std::string path = dir + "/" + job.file, tmp = path + ".part";
    if (!job.write(tmp, data)) {
      std::remove(tmp.c_str());
      *error = "cannot write " + path;
      return false;
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
      *error = "cannot replace " + path + ": " + std::strerror(errno);
      std::remove(tmp.c_str());
      return false;
    }
  }
  return true;
}
