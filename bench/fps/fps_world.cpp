// fps_world DIR: writes a world-size simulator folder for the frame-rate benchmark:
// SYSTEM\AIRPORT.POD, RUNWAY.POD, NAVAID.POD (through the archive writer),
// data/world_coast.dat and data/rivers.dat with a couple of hundred thousand short
// segments' worth of points, a track, and exercises of every kind on two navaids at
// the benchmark's view centre (5.06 E, 43.31 N). Positions come from a fixed seed,
// spread over the land-like band -60..75 degrees, so every run draws the same scene.
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "pod_writer.h"

namespace {

const int kAirports = 30000;
const int kRunways = 40000;
const int kVors = 4000;
const int kNdbs = 7000;
const int kCoastSegments = 20000, kCoastPoints = 10;  // 180,000 lines
const int kRiverSegments = 5000, kRiverPoints = 8;    // 35,000 lines

// Every kind of exercise on the two navaids at the view centre.
const char* const kExercises =
    "<DATA>\n<EXERC>FRAME RATE BENCH</EXERC>\n"
    "<DATA00><NAVAID><NAVAID_ID>BNC</NAVAID_ID><TYPE>VOR</TYPE><NAME>BENCH VOR</NAME></NAVAID>"
    "<NAV><QDM>135</QDM></NAV><FORM><TYPE>HIPP</TYPE><TURN>RIGHT</TURN><TRI>1.0</TRI>"
    "<IAS_MAX>160</IAS_MAX></FORM></DATA00>\n"
    "<DATA01><NAVAID><NAVAID_ID>BNB</NAVAID_ID><TYPE>NDB</TYPE><NAME>BENCH NDB</NAME></NAVAID>"
    "<NAV><QDM>233</QDM><QDR>300</QDR></NAV><FORM><TYPE>LINE</TYPE></FORM></DATA01>\n"
    "<DATA02><NAVAID><NAVAID_ID>BNC</NAVAID_ID><TYPE>VOR</TYPE><NAME>BENCH VOR</NAME></NAVAID>"
    "<NAV><QDM>120</QDM><QDR>182</QDR></NAV><FORM><TYPE>RELY</TYPE><USER_DST>12</USER_DST>"
    "<USER_HEADING>30</USER_HEADING></FORM></DATA02>\n"
    "<DATA03><NAVAID><NAVAID_ID>FAF</NAVAID_ID><TYPE>USR</TYPE><NAME>FINAL FIX</NAME></NAVAID>"
    "<NAV><QDM>314</QDM><QDR>134</QDR></NAV><FORM><TYPE>COOR</TYPE><USER_LAT>N-43*22.16</USER_LAT>"
    "<USER_LON>E-5*18.66</USER_LON></FORM></DATA03>\n"
    "<DATA04><NAVAID><NAVAID_ID>BNC</NAVAID_ID><TYPE>VOR</TYPE><NAME>BENCH VOR</NAME></NAVAID>"
    "<NAV><QDM>300</QDM><QDR>30</QDR></NAV><FORM><TYPE>ADME</TYPE><USER_DST>12</USER_DST></FORM></DATA04>\n"
    "</DATA>\n";

std::mt19937 rng(20261209);
double uniform(double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); }

// Arc-seconds, longitude eastward 0..1296000.
void randomPlace(double* latSeconds, double* lonSeconds) {
  *latSeconds = uniform(-60, 75) * 3600;
  double lon = uniform(-180, 180);
  *lonSeconds = (lon < 0 ? lon + 360 : lon) * 3600;
}

std::string ident(const char* prefix, int i) {
  char b[16];
  std::snprintf(b, sizeof b, "%s%d", prefix, i % 1000);
  return b;
}

bool writePolylines(const std::string& path, int segments, int points, double step) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (!f) return false;
  std::fprintf(f, "%d 1 30\n", segments);
  for (int s = 0; s < segments; ++s) {
    double lon = uniform(-180, 180), lat = uniform(-60, 75);
    std::fprintf(f, "%d 0 0 0 0 %d\n", s + 1, points);
    for (int p = 0; p < points; ++p) {
      std::fprintf(f, "%.4f %.4f\n", lon, lat);
      lon += uniform(-step, step);
      lat += uniform(-step, step);
    }
  }
  return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fps_world DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  for (const char* sub : {"", "/SYSTEM", "/data", "/DATA"}) mkdir((dir + sub).c_str(), 0755);

  std::vector<PodAirportIn> airports;
  for (int i = 0; i < kAirports; ++i) {
    PodAirportIn a;
    a.key = "A" + std::to_string(i);
    a.shortIdent = ident("S", i);
    a.ident = i % 7 == 0 ? "KZ" : ident("AP", i);
    a.name = "AIRPORT " + std::to_string(i);
    randomPlace(&a.latitudeSeconds, &a.longitudeSeconds);
    airports.push_back(a);
  }
  std::vector<PodRunwayIn> runways;
  for (int i = 0; i < kRunways; ++i) {
    PodRunwayIn r;
    r.key = "A" + std::to_string(i % kAirports);
    r.key2 = "R" + std::to_string(i);
    randomPlace(&r.latitude1, &r.longitude1);
    r.latitude2 = r.latitude1 + uniform(-60, 60);
    r.longitude2 = r.longitude1 + uniform(-60, 60);
    if (r.longitude2 < 0) r.longitude2 += 1296000;
    runways.push_back(r);
  }
  std::vector<PodNavaidIn> navaids;
  for (int i = 0; i < kVors + kNdbs; ++i) {
    PodNavaidIn n;
    n.key = "N" + std::to_string(i);
    n.ident = ident(i < kVors ? "V" : "B", i);
    n.name = "NAVAID " + std::to_string(i);
    n.variation = uniform(-20, 20);
    n.typeFlags = i < kVors ? 1u : 8u;
    randomPlace(&n.latitudeSeconds, &n.longitudeSeconds);
    navaids.push_back(n);
  }
  // The exercises' navaids, at the view centre.
  for (int k = 0; k < 2; ++k) {
    PodNavaidIn n;
    n.key = k == 0 ? "NBENCHV" : "NBENCHN";
    n.ident = k == 0 ? "BNC" : "BNB";
    n.name = k == 0 ? "BENCH VOR" : "BENCH NDB";
    n.variation = 2;
    n.typeFlags = k == 0 ? 1u : 8u;
    n.latitudeSeconds = k == 0 ? 155916 : 156060;
    n.longitudeSeconds = k == 0 ? 18216 : 18432;
    navaids.push_back(n);
  }
  if (!writeAirportArchive(dir + "/SYSTEM/AIRPORT.POD", airports) ||
      !writeRunwayArchive(dir + "/SYSTEM/RUNWAY.POD", runways) ||
      !writeNavaidArchive(dir + "/SYSTEM/NAVAID.POD", navaids) ||
      !writePolylines(dir + "/data/world_coast.dat", kCoastSegments, kCoastPoints, 0.3) ||
      !writePolylines(dir + "/data/rivers.dat", kRiverSegments, kRiverPoints, 0.2)) {
    std::fprintf(stderr, "fps_world: cannot write into %s\n", dir.c_str());
    return 1;
  }
  // A 2000-point track around the centre the benchmark views.
  std::FILE* t = std::fopen((dir + "/data/__ORVANDEL.dat").c_str(), "w");
  if (!t) return 1;
  std::fprintf(t, "1 0 0\n");
  for (int i = 0; i < 2000; ++i) {
    double a = i * 0.01;
    std::fprintf(t, "%.2lf %.2lf %.2lf %.2f\n", 156240 + 3000 * std::sin(a),
                 18720 + 4000 * std::cos(a), 1000 + 10.0 * (i % 300), 2.0);
  }
  std::fclose(t);
  std::FILE* x = std::fopen((dir + "/DATA/IFR_EXERCISES.xml").c_str(), "w");
  if (!x) return 1;
  std::fputs(kExercises, x);
  std::fclose(x);
  std::printf("airports %d, runways %d, navaids %d, coastline lines %d, river lines %d -> %s\n",
              kAirports, kRunways, kVors + kNdbs + 2, kCoastSegments * (kCoastPoints - 1),
              kRiverSegments * (kRiverPoints - 1), dir.c_str());
  return 0;
}
