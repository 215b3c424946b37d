// exercheck: the instructor's checker of an exercises file, without a window.
// The command-line front of exercise_check.h, exercise_explain.h and
// navaid_finder.h; see usage() for what it does.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "check_text.h"
#include "exercise_check.h"
#include "exercise_explain.h"
#include "nav_database.h"
#include "navaid_finder.h"
#include "simpath.h"

namespace {

void usage(std::FILE* out) {
  std::fprintf(out,
      "usage: exercheck [--werror] [--json] SIMFOLDER [EXERCISES.xml]\n"
      "       exercheck --explain SIMFOLDER [EXERCISES.xml]\n"
      "       exercheck --report SIMFOLDER [EXERCISES.xml]\n"
      "       exercheck --find TEXT [--near IDENT | --near NAME | --near LAT LON] [SIMFOLDER]\n"
      "       exercheck --help\n"
      "\n"
      "Checks an exercises file the way the viewer reads it, against the navaid table of a\n"
      "simulator folder (SIMFOLDER/SYSTEM/NAVAID.POD). The file is SIMFOLDER's\n"
      "DATA/IFR_EXERCISES.xml unless EXERCISES.xml is given (relative to where exercheck runs).\n"
      "\n"
      "Without an option: one line per problem, in the form compilers use,\n"
      "  FILE:LINE: error: DATA07 FORM:TURN: \"left\" is not LEFT; the hold turns right\n"
      "naming the exercise element, the key, what was read and what the viewer draws because\n"
      "of it, then a summary line. Errors make the picture wrong; warnings are legal but\n"
      "suspicious. Exit status 0 without errors, 1 with at least one, 2 on a usage problem.\n"
      "  --werror   count warnings as errors\n"
      "  --json     print the problems as a JSON array of objects with file, line (null for\n"
      "             the whole file), severity, element, key and message; no summary line\n"
      "\n"
      "--explain    what the viewer will draw for each exercise: kind, reference point,\n"
      "             magnetic and true courses, turn side and leg length of a hold, every fix\n"
      "             and arc waypoint in the coordinate syntax (N-43*23.07 E-5*05.13)\n"
      "--report     the viewer's own messages and report, exactly as it prints them\n"
      "--find TEXT  the VOR and NDB navaids whose identifier or name holds TEXT (ignoring case\n"
      "             and accents; \"\" lists all): type, identifier, the exact name to write in\n"
      "             NAME, position in the coordinate syntax and magnetic variation (the navaid\n"
      "             table holds no frequency). SIMFOLDER defaults to the current folder.\n"
      "  --near IDENT      also the distance (NM) and bearing from that navaid (true, and\n"
      "                    magnetic with its variation), nearest first; a whole name will do\n"
      "                    where no identifier matches\n"
      "  --near LAT LON    the same from a point: decimal degrees or the coordinate syntax\n"
      "Names are compared byte for byte by the viewer: the table stores them in Latin-1, so a\n"
      "name with accents must be saved in that encoding. exercheck prints UTF-8.\n");
}

int usageError(const std::string& why) {
  std::fprintf(stderr, "exercheck: %s\n", why.c_str());
  usage(stderr);
  return 2;
}

bool readWhole(const std::string& path, std::string* text) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text->append(buf, n);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

bool isFolder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

struct Options {
  enum Mode { Check, Explain, Report, Find } mode = Check;
  bool werror = false, json = false;
  std::string findText;
  std::vector<std::string> near;  // IDENT, or LAT LON
  std::vector<std::string> positional;
};

// 0 on success, else the exit status of a usage problem (after its message).
int parseOptions(int argc, char** argv, Options* o, bool* help) {
  auto setMode = [&](Options::Mode m) {
    if (o->mode != Options::Check) return false;
    o->mode = m;
    return true;
  };
  bool optionsEnd = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (optionsEnd || a.size() < 2 || a[0] != '-') {
      o->positional.push_back(a);
    } else if (a == "--") {
      optionsEnd = true;
    } else if (a == "--help" || a == "-h") {
      *help = true;
    } else if (a == "--werror") {
      o->werror = true;
    } else if (a == "--json") {
      o->json = true;
    } else if (a == "--explain" || a == "--report") {
      if (!setMode(a == "--explain" ? Options::Explain : Options::Report))
        return usageError("only one of --explain, --report and --find at a time");
    } else if (a == "--find") {
      if (!setMode(Options::Find)) return usageError("only one of --explain, --report and --find at a time");
      if (i + 1 >= argc) return usageError("--find needs a text");
      o->findText = argv[++i];
    } else if (a == "--near") {
      if (i + 1 >= argc) return usageError("--near needs a navaid identifier, or a latitude and a longitude");
      o->near.push_back(argv[++i]);
      double lat, lon;
      if (i + 1 < argc && checktext::parseDegrees(o->near[0], true, &lat) &&
          checktext::parseDegrees(argv[i + 1], false, &lon))
        o->near.push_back(argv[++i]);
    } else {
      return usageError("unknown option " + a);
    }
  }
  if (*help) return 0;
  if ((o->werror || o->json) && o->mode != Options::Check)
    return usageError("--werror and --json go with checking only");
  if (!o->near.empty() && o->mode != Options::Find) return usageError("--near goes with --find");
  const size_t maxPositional = o->mode == Options::Find ? 1 : 2;
  if (o->positional.size() > maxPositional) return usageError("too many arguments");
  if (o->mode != Options::Find && o->positional.empty()) return usageError("no simulator folder given");
  return 0;
}

// Enters the simulator folder and reads its navaid table there.
std::unique_ptr<NavDatabase> openDatabase(const std::string& folder) {
  const std::string resolved = simpath::resolve(folder);
  if (!isFolder(resolved) || ::chdir(resolved.c_str()) != 0) return nullptr;
  return std::make_unique<NavDatabase>();
}

int find(const Options& o, const NavDatabase& db) {
  if (!db.navaidsLoaded) {
    std::fprintf(stderr, "exercheck: no navaid table (SYSTEM/NAVAID.POD) in this folder\n");
    return 1;
  }
  const std::vector<NavaidRef> all = usableNavaids(db.vors, db.ndbs);
  NearPoint near;
  const NearPoint* nearPtr = nullptr;
  if (o.near.size() == 2) {
    checktext::parseDegrees(o.near[0], true, &near.pos.lat);
    checktext::parseDegrees(o.near[1], false, &near.pos.lon);
    nearPtr = &near;
  } else if (o.near.size() == 1) {
    // An identifier, or failing that a whole name, ignoring case and accents.
    const std::string wanted = checktext::fold(o.near[0]);
    std::vector<const NavaidRef*> matches;
    for (const NavaidRef& n : all)
      if (wanted == n.foldedIdent) matches.push_back(&n);
    if (matches.empty())
      for (const NavaidRef& n : all)
        if (wanted == n.foldedName) matches.push_back(&n);
    if (matches.size() != 1) {
      std::fprintf(stderr, "exercheck: --near %s: %s\n", o.near[0].c_str(),
                   matches.empty() ? "no VOR or NDB has this identifier or name (give LAT LON instead)"
                                   : "several navaids answer to it; give the position of the one meant:");
      for (const NavaidRef* m : matches) {
        const GeoPos p = navaidPosition(*m->record);
        std::fprintf(stderr, "  %s  (--near %s %s)\n", describeNavaid(*m).c_str(),
                     checktext::coordinate(p.lat, true).c_str(), checktext::coordinate(p.lon, false).c_str());
      }
      return 2;
    }
    near.pos = navaidPosition(*matches[0]->record);
    near.hasVariation = true;
    near.variation = matches[0]->record->variation;
    nearPtr = &near;
  }
  const std::vector<FoundNavaid> found = findNavaids(all, o.findText, nearPtr);
  std::fputs(formatFound(found, nearPtr).c_str(), stdout);
  if (found.empty()) {
    std::fprintf(stderr, "exercheck: no VOR or NDB holds \"%s\" in its identifier or name\n", o.findText.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  bool help = false;
  if (const int status = parseOptions(argc, argv, &o, &help)) return status;
  if (help) {
    usage(stdout);
    return 0;
  }

  if (o.mode == Options::Find) {
    const std::string folder = o.positional.empty() ? "." : o.positional[0];
    std::unique_ptr<NavDatabase> db = openDatabase(folder);
    if (!db) return usageError("cannot enter the simulator folder " + folder);
    return find(o, *db);
  }

  // The exercises file: named on the command line (relative to where we were
  // started), or the folder's own, found whatever the case of its names.
  const std::string folder = o.positional[0];
  const std::string path = o.positional.size() == 2 ? o.positional[1] : simpath::resolve(folder + "/DATA\\IFR_EXERCISES.xml");
  if (!isFolder(simpath::resolve(folder))) return usageError("cannot enter the simulator folder " + folder);
  std::string text;
  const bool readable = readWhole(path, &text);
  std::unique_ptr<NavDatabase> db = openDatabase(folder);
  if (!db) return usageError("cannot enter the simulator folder " + folder);

  if (o.mode == Options::Report) {
    // What the viewer prints: the loader's messages, resolve's, then the report.
    XmlConfig config;
    config.readText(text);
    IfrExerciseSet set(config, nullptr, stdout);
    set.resolve(db->vors, db->ndbs);
    set.printReport(stdout);
    return 0;
  }

  std::vector<Diagnostic> diagnostics;
  std::unique_ptr<CheckedFile> file;
  if (!readable) {
    diagnostics.push_back({0, Severity::Error, "", "",
                           std::string("cannot be read (") + std::strerror(errno) + "); the viewer shows no exercise"});
  } else {
    file = std::make_unique<CheckedFile>(text, db->vors, db->ndbs, db->navaidsLoaded);
    if (o.mode == Options::Explain) {
      std::fputs(explainExercises(*file).c_str(), stdout);
      return 0;
    }
    diagnostics = checkExercises(*file);
  }
  if (o.werror) promoteWarnings(&diagnostics);

  if (o.json) {
    std::fputs(diagnosticsJson(path, diagnostics).c_str(), stdout);
  } else {
    size_t errors = 0, warnings = 0;
    for (const Diagnostic& d : diagnostics) {
      std::printf("%s\n", formatDiagnostic(path, d).c_str());
      (d.severity == Severity::Error ? errors : warnings)++;
    }
    std::string counts;
    if (errors + warnings == 0) {
      counts = "no problems";
    } else {
      if (errors) counts = std::to_string(errors) + (errors == 1 ? " error" : " errors");
      if (errors && warnings) counts += ", ";
      if (warnings) counts += std::to_string(warnings) + (warnings == 1 ? " warning" : " warnings");
    }
    const int32_t entries = file ? file->set->count() : 0;
    size_t exercises = 0;
    if (file)
      for (const ExerciseReading& r : file->log.readings) exercises += !r.endOfList;
    std::printf("exercheck: %s: %zu exercise%s (%d table entr%s): %s\n", path.c_str(), exercises,
                exercises == 1 ? "" : "s", entries, entries == 1 ? "y" : "ies", counts.c_str());
  }
  return checkExitStatus(diagnostics);
}
