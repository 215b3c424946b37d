// debrief [--json | --csv] [--svg OUT.svg] SIMFOLDER [TRACK.dat]
//
// Enters the simulator folder, loads and resolves its exercises against the navaid
// table exactly as the viewer does, reads the track through the viewer's reader,
// and writes how well each exercise was flown. The library's own messages (a
// navaid not found, a bad track file) are printed on standard output by design;
// here they are moved to standard error so that the JSON or CSV stays clean.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "debrief.h"
#include "debrief_output.h"
#include "nav_database.h"
#include "track_file.h"
#include "ifr_exercise_set.h"
#include "simpath.h"

namespace {

const char kUsage[] = "usage: debrief [--json | --csv] [--svg OUT.svg] SIMFOLDER [TRACK.dat]\n";

const char kHelp[] =
    "\n"
    "Measures how well each IFR exercise was flown. The exercises of SIMFOLDER's\n"
    "DATA\\IFR_EXERCISES.xml are resolved against its SYSTEM\\NAVAID.POD exactly as the\n"
    "viewer does, and measured against the recorded track: by default SIMFOLDER's\n"
    "data\\__ORVANDEL.dat; a TRACK.dat named here is taken relative to the current folder.\n"
    "\n"
    "Output, on standard output: a table per exercise, or instead\n"
    "  --json         {\"track\": FILE, \"exercises\": [{\"index\": N, \"form\": \"LINE|HIPP|RELY|COOR|ADME\",\n"
    "                 \"navaid\": ID, \"flown\": true|false, \"closest_nm\": X, \"closest_time_s\": T,\n"
    "                 \"cross_track_nm\": {\"max\": X, \"rms\": X}, \"angular_deg\": {\"max\": X, \"rms\": X},\n"
    "                 \"dme_error_nm\": {\"max\": X, \"rms\": X, \"outside_s\": T}, \"laps\": [{\"inbound_leg_s\": T}],\n"
    "                 \"excursion_nm\": X}]}, with only the members that apply to the form. An ADME is\n"
    "                 one element, \"index\" its first entry, with \"waypoints\": [{\"index\": N,\n"
    "                 \"closest_nm\": X, \"closest_time_s\": T}] for its entries. An exercise that did\n"
    "                 not resolve is {\"index\": N, \"form\": F, \"navaid\": ID, \"resolved\": false}.\n"
    "                 A value with nothing to measure is null.\n"
    "  --csv          index,form,navaid,metric,value: one row per exercise and metric.\n"
    "  --svg OUT.svg  also writes one plot per exercise of its deviation against time, with the\n"
    "                 tolerance bands (\u00b11 NM, \u00b15 degrees, \u00b11 NM DME), readable in any browser.\n"
    "Messages of the loaders (a navaid not found, a bad track file) go to standard error.\n"
    "\n"
    "Definitions:\n"
    "- The earth is a sphere on which one nautical mile is one minute of great-circle arc.\n"
    "  Positions come from the track file's arc-seconds, times from its running elapsed\n"
    "  seconds. Between two track points the aircraft moves along the great circle at\n"
    "  constant speed: closest approaches and crossings are interpolated, not taken only\n"
    "  at points.\n"
    "- True course = magnetic course + the navaid's variation.\n"
    "- Course lines (LINE: the inbound QDM and the outbound QDR lines that the chart draws;\n"
    "  HIPP: the inbound leg): cross-track distance of each track point from the great\n"
    "  circle through the reference point along the true course, in NM, positive right of\n"
    "  course; angular deviation as the needle shows it, the bearing from (outbound) or to\n"
    "  (inbound) the reference point minus the course, in degrees. A point counts for a\n"
    "  line when it lies within the line's drawn length along the course and within 30\n"
    "  degrees of angular deviation.\n"
    "- Waypoints (RELY, COOR, each ADME entry): closest approach distance and the elapsed\n"
    "  time at it.\n"
    "- Arcs (the entries of one ADME together): while the bearing from the navaid lies\n"
    "  within the arc's sector, DME error = distance from the navaid \u2212 USER_DST; its\n"
    "  maximum absolute value, its RMS, and the time spent outside \u00b11 NM.\n"
    "- Holds (HIPP): laps flown (crossings of the fix heading inbound within 30 degrees of\n"
    "  the inbound course); for each lap the inbound leg time, from rolling out inbound to\n"
    "  the fix, against TRI; the inbound leg's cross-track maximum and RMS; the farthest\n"
    "  excursion beyond the racetrack that the chart draws on the non-holding side.\n"
    "- An exercise the track never came within 5 NM of is \"not flown\", with its closest\n"
    "  approach and time.\n"
    "\n"
    "How they are applied:\n"
    "- \"max\" is the largest absolute value (the table adds its side); RMS is taken over\n"
    "  the points that count. A LINE's figures cover the points of both its lines.\n"
    "- Bearings to and from the reference point are measured there, where the course is\n"
    "  given (as a VOR gives its radials): the bearing to it is the reciprocal of the\n"
    "  bearing from it, so a point on the line reads 0 degrees.\n"
    "- Closest approach: of a LINE or HIPP to its reference point (navaid, fix), of a RELY\n"
    "  or COOR to its waypoint, of an ADME to the nearest of its entries.\n"
    "- Drawn lengths: 6 NM from the reference point (LINE); the leg, IAS_MAX / 60 x TRI NM,\n"
    "  before the fix (HIPP). An arc's sector runs clockwise from its first entry's bearing\n"
    "  to its last one's.\n"
    "- A fix crossing: the line through the fix square to the inbound course (where the\n"
    "  TO/FROM flag turns) crossed in the inbound direction, on a stretch between two\n"
    "  points whose course is within 30 degrees of the inbound course, no farther from the\n"
    "  fix than the racetrack is wide (2 x sqrt(IAS_MAX / (60 pi)) NM, at least 1 NM). The\n"
    "  first crossing enters the hold; each later one ends a lap.\n"
    "- Rolling out inbound: after the turn of the lap (its last stretch more than 90\n"
    "  degrees off the inbound course), where the course comes within 10 degrees of it\n"
    "  for the rest of the leg (an overshoot that swings out again is still the turn). The\n"
    "  course is taken at the middle of each stretch and interpolated between them; while\n"
    "  it is still turning there (closing at 1 degree a second or more) it is followed on\n"
    "  at that rate until it meets the inbound course.\n"
    "- Excursion: the farthest a point of a lap lies beyond the inbound leg's great circle,\n"
    "  on the side away from the turns (0 when it never went there).\n"
    "\n"
    "Exit status: 0 when every exercise resolved and was measured; 1 when the track cannot\n"
    "be read, there is no exercise or an exercise did not resolve (the others are still\n"
    "measured); 2 on a usage error or an output file that cannot be written.\n";

// While alive, what the loaders print on standard output goes to standard error.
class StdoutToStderr {
 public:
  StdoutToStderr() {
    std::fflush(stdout);
    tmp_ = std::tmpfile();
    if (tmp_ == nullptr) return;
    saved_ = ::dup(STDOUT_FILENO);
    if (saved_ < 0 || ::dup2(::fileno(tmp_), STDOUT_FILENO) < 0) {
      std::fclose(tmp_);
      tmp_ = nullptr;
    }
  }
  ~StdoutToStderr() {
    if (tmp_ == nullptr) return;
    std::fflush(stdout);
    ::dup2(saved_, STDOUT_FILENO);
    ::close(saved_);
    std::rewind(tmp_);
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, tmp_)) > 0) std::fwrite(buf, 1, n, stderr);
    std::fclose(tmp_);
  }
  StdoutToStderr(const StdoutToStderr&) = delete;
  StdoutToStderr& operator=(const StdoutToStderr&) = delete;

 private:
  std::FILE* tmp_ = nullptr;
  int saved_ = -1;
};

bool readable(const char* path) {
  std::FILE* f = simpath::open(path, "r");
  if (f) std::fclose(f);
  return f != nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  enum { Text, Json, Csv } format = Text;
  std::string svgPath;
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      std::fputs(kHelp, stdout);
      return 0;
    } else if (a == "--json" || a == "--csv") {
      const auto wanted = a == "--json" ? Json : Csv;
      if (format != Text && format != wanted) {
        std::fprintf(stderr, "debrief: --json and --csv exclude each other\n%s", kUsage);
        return 2;
      }
      format = wanted;
    } else if (a == "--svg") {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "debrief: --svg needs a file name\n%s", kUsage);
        return 2;
      }
      svgPath = argv[++i];
    } else if (a.size() > 1 && a[0] == '-') {
      std::fprintf(stderr, "debrief: unknown option %s\n%s", a.c_str(), kUsage);
      return 2;
    } else {
      args.push_back(a);
    }
  }
  if (args.empty() || args.size() > 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  // Files named on the command line are taken relative to where we were started.
  std::error_code ec;
  if (!svgPath.empty()) svgPath = std::filesystem::absolute(svgPath, ec).string();

  std::unique_ptr<TrackFile> track;
  std::unique_ptr<IfrExerciseSet> set;
  std::unique_ptr<NavDatabase> database;
  std::string trackName;
  bool trackThere = false;  // readable, looked at where the reader looked
  bool allResolved = false;
  {
    StdoutToStderr messages;
    if (args.size() == 2) {
      trackName = args[1];
      track = std::make_unique<TrackFile>(args[1].c_str());
      trackThere = readable(track->fileName);
    }
    if (::chdir(simpath::resolve(args[0]).c_str()) != 0) {
      std::fprintf(stderr, "debrief: cannot enter the simulator folder %s\n", args[0].c_str());
      return 2;
    }
    database = std::make_unique<NavDatabase>();
    set = std::make_unique<IfrExerciseSet>("DATA\\IFR_EXERCISES.xml");
    allResolved = set->resolve(database->vors, database->ndbs);
    if (!track) {
      trackName = args[0] + "/" + simpath::resolve("data\\__ORVANDEL.dat");
      track = std::make_unique<TrackFile>("data\\__ORVANDEL.dat");
      trackThere = readable(track->fileName);
    }
  }
  if (!track->loaded) {
    if (!trackThere) {
      std::fprintf(stderr, "debrief: no track file %s\n", trackName.c_str());
    } else {
      std::fprintf(stderr, "debrief: %s is not a track the chart can draw (its last line is not a data line)\n",
                   trackName.c_str());
    }
    return 1;
  }

  DebriefReport report;
  report.trackName = trackName;
  report.title = set->name();
  report.track = trackSamples(track->points, &report.skipped);
  report.points = report.track.size();
  if (!report.track.empty()) {
    report.startS = report.track.front().t;
    report.endS = report.track.back().t;
  }
  report.exercises = debriefExercises(*set, report.track);
  for (const ExerciseDebrief& d : report.exercises) allResolved = allResolved && d.resolved;
  if (set->count() == 0) std::fprintf(stderr, "debrief: no exercise in %s/DATA/IFR_EXERCISES.xml\n", args[0].c_str());

  if (format == Json) {
    writeJson(stdout, report);
  } else if (format == Csv) {
    writeCsv(stdout, report);
  } else {
    writeText(stdout, report);
  }
  std::fflush(stdout);

  if (!svgPath.empty()) {
    std::FILE* f = std::fopen(svgPath.c_str(), "w");
    bool ok = f != nullptr;
    if (f) {
      writeSvg(f, report);
      ok = !std::ferror(f);
      ok = std::fclose(f) == 0 && ok;
    }
    if (!ok) {
      std::fprintf(stderr, "debrief: cannot write %s\n", svgPath.c_str());
      return 2;
    }
  }
  return allResolved ? 0 : 1;
}
