#include "fuzz_entries.h"

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "nav_database.h"
#include "pod_archive.h"
#include "pod_writer.h"
#include "polyline_set.h"
#include "track_file.h"
#include "xml_config.h"

namespace {

int removeOne(const char* path, const struct stat*, int, struct FTW*) { return std::remove(path); }

void removeScratch() {
  const std::string& dir = fuzzScratchDir();
  if (chdir("/") == 0) nftw(dir.c_str(), removeOne, 16, FTW_DEPTH | FTW_PHYS);
}

std::FILE* devNull() {
  static std::FILE* f = std::fopen("/dev/null", "w");
  return f;
}

// True when the fixed field holds its NUL within its width: the chart and the
// report print these with %s.
template <size_t N>
bool terminated(const char (&field)[N]) {
  return std::memchr(field, '\0', N) != nullptr;
}

// Queries one node's leaves through every typed getter, then its children, up to
// a bound so a huge tree costs no more than a small one.
void queryTree(const XmlConfig& config, const XmlNode& node, const std::string& path, int* budget) {
  std::string s;
  double d = 0;
  float f = 0;
  int32_t i = 0;
  for (const auto& leaf : node.leaves) {
    if (--*budget < 0) return;
    std::string p = path + ":" + leaf.first;
    config.getString(p.c_str(), &s, "default");
    config.getDouble(p.c_str(), &d, 1.5);
    config.getFloat(p.c_str(), &f, 2.5f);
    config.getInt(p.c_str(), &i, 3);
  }
  for (const XmlNode& child : node.children) {
    if (--*budget < 0) return;
    queryTree(config, child, path + ":" + child.name, budget);
  }
}

// The coastline format read the plain way, with fgets into 512 bytes, strtok-like
// splitting at blanks and atoi/atof, keeping the reader's documented choices (the
// declared count only as a limit, a point count capped by the bytes left, missing
// points (0, 0)). The reader's own line and number scanning must agree with it.
struct PlainSegment {
  int32_t id;
  double extent[4];
  std::vector<PolylinePoint> points;
};

int plainFields(char* line, char* fields[6]) {
  char* nl = std::strchr(line, '\n');
  if (nl) *nl = '\0';
  int n = 0;
  char* p = line;
  while (n < 6) {
    while (*p == ' ') ++p;
    if (*p == '\0') break;
    fields[n++] = p;
    while (*p != ' ' && *p != '\0') ++p;
    if (*p == '\0') break;
    *p++ = '\0';
  }
  return n;
}

bool plainPolylines(const char* path, std::vector<PlainSegment>* out) {
  std::FILE* f = std::fopen(path, "r");
  if (!f) return false;
  std::fseek(f, 0, SEEK_END);
  long size = std::ftell(f);
  std::fseek(f, 0, SEEK_SET);
  char line[512];
  char* fld[6];
  uint64_t declared = 0;
  if (std::fgets(line, sizeof line, f)) {
    int n = plainFields(line, fld);
    declared = n > 0 ? static_cast<uint32_t>(std::atoi(fld[0])) : 0;
  }
  while (out->size() < declared && std::fgets(line, sizeof line, f)) {
    int n = plainFields(line, fld);
    PlainSegment seg;
    seg.id = n > 0 ? std::atoi(fld[0]) : 0;
    for (int i = 0; i < 4; ++i) seg.extent[i] = 1 + i < n ? std::atof(fld[1 + i]) : 0.0;
    int count = n > 5 ? std::atoi(fld[5]) : 0;
    uint64_t want = count > 0 ? uint64_t(count) : 0;
    long here = std::ftell(f);
    uint64_t left = here < size ? uint64_t(size - here) : 0;
    if (want > left) want = left;
    seg.points.assign(want, PolylinePoint{0.0, 0.0});
    for (PolylinePoint& pt : seg.points) {
      if (!std::fgets(line, sizeof line, f)) break;
      int m = plainFields(line, fld);
      pt.x = m > 0 ? std::atof(fld[0]) : 0.0;
      pt.y = m > 1 ? std::atof(fld[1]) : 0.0;
    }
    out->push_back(std::move(seg));
  }
  std::fclose(f);
  return true;
}

// Bit-for-bit, so NaN matches NaN and -0 is told from 0.
bool sameDouble(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

const std::string& fuzzScratchDir() {
  static const std::string dir = [] {
    // Memory-backed when the machine has it: every input is written to a file.
    struct stat shm;
    std::string base = stat("/dev/shm", &shm) == 0 && S_ISDIR(shm.st_mode) ? "/dev/shm" : "/tmp";
    std::string pattern = base + "/chart-fuzz-XXXXXX";
    std::vector<char> tmpl(pattern.begin(), pattern.end());
    tmpl.push_back('\0');
    const char* made = mkdtemp(tmpl.data());
    if (!made || chdir(made) != 0) {
      std::perror("fuzz scratch folder");
      std::abort();
    }
    mkdir("SYSTEM", 0700);
    mkdir("DATA", 0700);
    std::atexit(removeScratch);
    return std::string(made);
  }();
  return dir;
}

bool fuzzWriteFile(const std::string& path, const uint8_t* data, size_t size) {
  fuzzScratchDir();
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
  return std::fclose(f) == 0 && ok;
}

std::string fuzzXml(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return "";
  const char* text = reinterpret_cast<const char*>(data);

  // The parser on the bytes in place: the text is not NUL-terminated, so a read
  // past its length shows up under the address sanitizer.
  XmlParser bare;
  bare.parse(text, static_cast<int32_t>(size));
  XmlDocument direct;
  direct.recordElements = true;
  XmlParser parser;
  parser.setHandler(&direct);
  parser.parse(text, static_cast<int32_t>(size));
  if (direct.cursor != nullptr) return "cursor left open after parse";
  // Places: in document order, inside the text, starting at a '<', on the line
  // that a plain count of line feeds gives.
  int32_t lastBegin = -1, line = 1;
  size_t counted = 0;
  for (const XmlElementRecord& r : direct.elements) {
    const XmlPlace& p = r.place;
    if (p.begin <= lastBegin || p.end <= p.begin || static_cast<size_t>(p.end) > size || text[p.begin] != '<')
      return "element place out of order or outside the text";
    for (; counted < static_cast<size_t>(p.begin); ++counted) line += text[counted] == '\n';
    if (p.line != line) return "element line differs from the count of line feeds";
    lastBegin = p.begin;
  }

  if (!fuzzWriteFile("input.xml", data, size)) return "cannot write scratch file";
  XmlConfig config;
  config.load("input.xml");
  if (config.document.cursor != nullptr) return "cursor left open after load";

  // Paths the exercise loader asks for, and odd ones.
  static const char* const fixed[] = {
      "", ":", "::", "DATA", "DATA:", ":DATA", "DATA:EXERC", "DATA:DATA00:NAVAID:NAVAID_ID",
      "DATA:DATA00:FORM:TYPE", "DATA:DATA00:QDM", "DATA:DATA01:USER:USER_LAT", "A:B:C:D:E:F:G:H"};
  std::string s;
  double d = 0;
  float f = 0;
  int32_t i = 0;
  for (const char* p : fixed) {
    config.getString(p, &s, "x");
    config.getDouble(p, &d, 0.5);
    config.getFloat(p, &f, 0.5f);
    config.getInt(p, &i, 7);
  }
  int budget = 400;
  queryTree(config, config.document.root, config.document.root.name, &budget);

  config.write(devNull());
  config.compareAt(config, config.document.root.name.c_str());
  return "";
}

std::string fuzzPod(const uint8_t* data, size_t size) {
  // The same bytes serve as all three archives, so one input can reach every table
  // reader (a seed archive holds all three entries).
  static const char* const archives[] = {"SYSTEM/AIRPORT.POD", "SYSTEM/RUNWAY.POD", "SYSTEM/NAVAID.POD"};
  for (const char* a : archives)
    if (!fuzzWriteFile(a, data, size)) return "cannot write scratch file";

  PodArchive archive("SYSTEM\\AIRPORT.POD");
  if (archive.entryCount < 0 || size_t(archive.entryCount) != archive.entries.size())
    return "entryCount disagrees with the entries held";
  for (const PodEntry& e : archive.entries)
    if (!terminated(e.name)) return "entry name not terminated";
  archive.findEntry("DATABASE\\AIRPORT.DBD");
  archive.findEntry("");

  NavDatabase db;
  // Every record's fields lie inside the file, so no table can hold more records
  // than bytes.
  if (db.airports.size() > size || db.runways.size() > size || db.navaids.size() > size)
    return "more records than bytes in the file";
  if (db.vors.size() + db.ndbs.size() > db.navaids.size()) return "more VORs and NDBs than navaids";
  for (const AirportRecord& a : db.airports)
    if (!terminated(a.key) || !terminated(a.name) || !terminated(a.ident) || !terminated(a.shortIdent))
      return "airport text not terminated";
  for (const RunwayRecord& r : db.runways)
    if (!terminated(r.key) || !terminated(r.key2)) return "runway text not terminated";
  for (const NavaidRecord& n : db.navaids)
    if (!terminated(n.key) || !terminated(n.name) || !terminated(n.ident)) return "navaid text not terminated";
  if (!db.airportsLoaded && !db.airports.empty()) return "airports held but not loaded";
  if (!db.navaidsLoaded && !db.navaids.empty()) return "navaids held but not loaded";
  return "";
}

std::string fuzzPolyline(const uint8_t* data, size_t size) {
  if (!fuzzWriteFile("data.dat", data, size)) return "cannot write scratch file";
  PolylineSet set("data.dat");
  if (!set.loaded) return "readable file not loaded";
  // The display lists walk segmentCount segments and pointCount points of each.
  if (set.segmentCount != set.segments.size()) return "segmentCount disagrees with the segments held";
  uint64_t total = 0;
  for (const Polyline& seg : set.segments) {
    if (seg.pointCount != seg.points.size()) return "pointCount disagrees with the points held";
    total += seg.pointCount;
  }
  // Every segment and every point stored takes at least one byte of the file.
  if (total > size || set.segments.size() > size) return "more points than bytes in the file";

  std::vector<PlainSegment> plain;
  if (!plainPolylines("data.dat", &plain)) return "cannot read scratch file";
  if (plain.size() != set.segments.size()) return "segment count differs from a plain fgets/atof read";
  for (size_t s = 0; s < plain.size(); ++s) {
    const Polyline& mine = set.segments[s];
    const PlainSegment& ref = plain[s];
    if (mine.id != ref.id) return "segment id differs from a plain fgets/atof read";
    for (int i = 0; i < 4; ++i)
      if (!sameDouble(mine.extent[i], ref.extent[i])) return "segment extent differs from a plain fgets/atof read";
    if (mine.points.size() != ref.points.size()) return "point count differs from a plain fgets/atof read";
    for (size_t i = 0; i < ref.points.size(); ++i)
      if (!sameDouble(mine.points[i].x, ref.points[i].x) || !sameDouble(mine.points[i].y, ref.points[i].y))
        return "point value differs from a plain fgets/atof read";
  }
  return "";
}

std::string fuzzTrack(const uint8_t* data, size_t size) {
  if (!fuzzWriteFile("track.dat", data, size)) return "cannot write scratch file";
  TrackFile track("track.dat");
  if (track.loaded && track.points.empty()) return "loaded without points";
  if (track.points.size() > size) return "more points than bytes in the file";
  if (std::memchr(track.fileName, '\0', sizeof track.fileName) == nullptr) return "fileName not terminated";
  // Load again through reload, as the Load button does; the result must not depend
  // on what was held before.
  bool first = track.loaded;
  size_t count = track.points.size();
  track.reload("track.dat");
  if (track.loaded != first || track.points.size() != count) return "reload disagrees with the first load";
  return "";
}

const std::vector<FuzzTarget>& fuzzTargets() {
  static const std::vector<FuzzTarget> targets = {
      {"xml", fuzzXml},
      {"pod", fuzzPod},
      {"polyline", fuzzPolyline},
      {"track", fuzzTrack},
      {"coordinate", fuzzCoordinate},
      {"exercises", fuzzExercises},
#ifdef CHART_FUZZ_NMEA
      {"nmea", fuzzNmea},
#endif
  };
  return targets;
}

std::vector<std::string> podSeeds() {
  std::vector<PodAirportIn> airports = {
      {"LFML", "LFML", "LFML", "MARSEILLE PROVENCE", 156600.0, 18000.0},
      {"KSFO", "KSFO", "KSFO", "SAN FRANCISCO INTL", 135720.0, 1296000.0 - 440640.0}};
  std::vector<PodRunwayIn> runways = {
      {"LFML", "13L", 156700.0, 18100.0, 156400.0, 18500.0},
      {"KSFO", "28R", 135700.0, 855400.0, 135800.0, 855200.0}};
  std::vector<PodNavaidIn> navaids = {
      {"MTG", "MTG", "MARTIGUES", 1.5, 1, 156800.0, 18200.0},
      {"ML", "ML", "MARSEILLE", 1.5, 8, 156500.0, 18300.0},
      {"SFO", "SFO", "SAN FRANCISCO", -13.0, 1, 135600.0, 855000.0}};

  std::string airportTable = podwriter::dbdTable(2, podwriter::kAirportRecordLength,
                                                 podwriter::airportRecord(airports[0]) +
                                                     podwriter::airportRecord(airports[1]));
  std::string runwayTable = podwriter::dbdTable(
      2, podwriter::kRunwayRecordLength, podwriter::runwayRecord(runways[0]) + podwriter::runwayRecord(runways[1]));
  std::string navaidRecords;
  for (const PodNavaidIn& n : navaids) navaidRecords += podwriter::navaidRecord(n);
  std::string navaidTable = podwriter::dbdTable(3, podwriter::kNavaidRecordLength, navaidRecords);

  std::vector<std::string> seeds;
  seeds.push_back(podwriter::archive({{"DATABASE\\AIRPORT.DBD", airportTable},
                                      {"DATABASE\\RUNWAY.DBD", runwayTable},
                                      {"DATABASE\\NAVAID.DBD", navaidTable}}));
  seeds.push_back(podwriter::archive({{"DATABASE\\NAVAID.DBD", navaidTable}}));
  seeds.push_back(podwriter::archive({{"OTHER\\README.TXT", "hello"}, {"DATABASE\\RUNWAY.DBD", runwayTable}}));
  // A table header claiming far more records than follow, and one with a record
  // length shorter than the fields read.
  seeds.push_back(podwriter::archive(
      {{"DATABASE\\AIRPORT.DBD", podwriter::dbdTable(1000000, podwriter::kAirportRecordLength,
                                                     podwriter::airportRecord(airports[0]))}}));
  seeds.push_back(podwriter::archive({{"DATABASE\\NAVAID.DBD", podwriter::dbdTable(3, 16, navaidRecords)}}));
  // A directory whose count runs past the end of the file.
  std::string lying = seeds[0];
  podwriter::putU32(lying, 88, 0x7fffffffu);
  seeds.push_back(lying);
  seeds.push_back(std::string(podwriter::kArchiveHeaderSize, '\0'));
  return seeds;
}
