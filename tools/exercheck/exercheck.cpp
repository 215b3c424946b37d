// exercheck SIMFOLDER [EXERCISES.xml]
//
// Checks an exercises file against a simulator folder's navaid archives without
// opening a window: loads the exercises (default: the folder's
// "DATA\IFR_EXERCISES.xml"), resolves them against SYSTEM\NAVAID.POD, prints
// the messages and the report exactly as the viewer does at its first frame,
// then one line per exercise saying whether its navaid was found and where its
// reference point lies. Exit status 0 when every exercise resolved, 1 when one
// did not (or there are none), 2 on a usage error.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "geodata/nav_database.h"
#include "ifr_exercise_set.h"
#include "simpath.h"

namespace {

// Chart units (hundredths of a degree) as hemisphere, degrees and minutes.
std::string degreesMinutes(double chartUnits, char positive, char negative, int degreeDigits) {
  if (!std::isfinite(chartUnits)) return "?";
  const double degrees = std::fabs(chartUnits) / 100;
  if (degrees > 1e6) return "?";
  const long long hundredthsOfMinute = std::llround(degrees * 6000);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%c%0*lld %05.2f", chartUnits < 0 ? negative : positive, degreeDigits,
                hundredthsOfMinute / 6000, static_cast<double>(hundredthsOfMinute % 6000) / 100);
  return buf;
}

const NavaidRecord* lookup(const std::vector<NavaidRecord>& list, const IfrExercise& e) {
  for (const NavaidRecord& n : list)
    if (std::strncmp(n.ident, e.navaidId, sizeof n.ident) == 0 && std::strncmp(n.name, e.navaidName, sizeof n.name) == 0)
      return &n;
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: exercheck SIMFOLDER [EXERCISES.xml]\n");
    return 2;
  }
  // A file named on the command line is taken relative to where we were started.
  std::unique_ptr<IfrExerciseSet> set;
  if (argc == 3) set = std::make_unique<IfrExerciseSet>(argv[2]);
  if (::chdir(simpath::resolve(argv[1]).c_str()) != 0) {
    std::fprintf(stderr, "exercheck: cannot enter the simulator folder %s\n", argv[1]);
    return 2;
  }
  NavDatabase database;
  if (!set) set = std::make_unique<IfrExerciseSet>("DATA\\IFR_EXERCISES.xml");

  const bool resolved = set->resolve(database.vors, database.ndbs);
  set->printReport(stdout);

  bool allResolved = resolved;
  std::printf("\n");
  if (!database.navaidsLoaded) std::printf("navaid table: not loaded (SYSTEM\\NAVAID.POD)\n");
  for (int32_t i = 0; i < set->count(); ++i) {
    const IfrExercise& e = set->entry(i);
    std::printf("exercise %d: %s %s \"%s\": ", i, e.navaidType, e.navaidId, e.navaidName);
    const bool isVor = std::strcmp(e.navaidType, "VOR") == 0;
    const bool isNdb = std::strcmp(e.navaidType, "NDB") == 0;
    const bool isUsr = std::strcmp(e.navaidType, "USR") == 0;
    std::string where;
    if (e.textOverflow != 0) {
      std::printf("texts too long for their fields");
    } else if (isVor || isNdb) {
      const NavaidRecord* n = lookup(isVor ? database.vors : database.ndbs, e);
      std::printf(n ? "navaid found" : "navaid not found");
      if (n) where = degreesMinutes(n->latitude, 'N', 'S', 2) + " " + degreesMinutes(n->longitude, 'E', 'W', 3);
    } else if (isUsr) {
      std::printf("coordinates");
      where = degreesMinutes(e.latitude, 'N', 'S', 2) + " " + degreesMinutes(e.longitude, 'E', 'W', 3);
    } else {
      std::printf("navaid type not VOR, NDB or USR");
    }
    if (!where.empty()) std::printf(" at %s", where.c_str());
    if (e.kind == UnknownKind) std::printf(", unknown form");
    if (!e.geometryValid) {
      std::printf(", no geometry");
      allResolved = false;
    }
    std::printf("\n");
  }
  return allResolved ? 0 : 1;
}
