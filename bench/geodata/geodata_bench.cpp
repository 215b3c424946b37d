// Start-up load of a world-size data set against the time to merely read the same
// files' bytes (the I/O floor): 45,000 airports, 60,000 runways, 25,000 navaids in
// archives built by the writer, and a coastline file of 500,000 points.
//
// The files are built once in a scratch folder that becomes the working directory;
// each iteration reads them again from the page cache, as the viewer's start-up does
// on a machine that has run it before.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "nav_database.h"
#include "pod_writer.h"
#include "polyline_set.h"

namespace {

const char* kFiles[] = {"SYSTEM/AIRPORT.POD", "SYSTEM/RUNWAY.POD", "SYSTEM/NAVAID.POD",
                        "data/world_coast.dat"};

std::string ident(std::mt19937& rng, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += char('A' + rng() % 26);
  return s;
}

void buildWorld() {
  std::mt19937 rng(12345);
  std::uniform_real_distribution<double> lat(-300000, 300000), lon(0, 1296000);
  std::vector<PodAirportIn> airports;
  for (int i = 0; i < 45000; ++i)
    airports.push_back({"A" + std::to_string(i), ident(rng, 4), ident(rng, 4),
                        ident(rng, 6 + rng() % 30) + " Airport", lat(rng), lon(rng)});
  std::vector<PodRunwayIn> runways;
  for (int i = 0; i < 60000; ++i) {
    double a = lat(rng), o = lon(rng);
    runways.push_back({"A" + std::to_string(i % 45000), std::to_string(i % 36 + 1), a, o, a + 40, o + 30});
  }
  std::vector<PodNavaidIn> navaids;
  for (int i = 0; i < 25000; ++i)
    navaids.push_back({"N" + std::to_string(i), ident(rng, 3), ident(rng, 5 + rng() % 20),
                       double(int(rng() % 40) - 20), uint32_t(i % 3 == 0 ? 8 : 1), lat(rng), lon(rng)});
  if (system("mkdir -p SYSTEM data") != 0 || !writeAirportArchive("SYSTEM\\AIRPORT.POD", airports) ||
      !writeRunwayArchive("SYSTEM\\RUNWAY.POD", runways) || !writeNavaidArchive("SYSTEM\\NAVAID.POD", navaids)) {
    std::fprintf(stderr, "cannot write the archives\n");
    std::exit(1);
  }

  // Coastline segments of 20 to 180 points, the converter's "%.5f" layout.
  std::FILE* f = std::fopen("data/world_coast.dat", "w");
  if (!f) std::exit(1);
  std::vector<int> sizes;
  int total = 0;
  while (total < 500000) {
    int n = 20 + int(rng() % 161);
    if (total + n > 500000) n = 500000 - total;
    sizes.push_back(n);
    total += n;
  }
  std::fprintf(f, "%zu %d 0\n", sizes.size(), total);
  std::uniform_real_distribution<double> deg(-1, 1);
  for (size_t s = 0; s < sizes.size(); ++s) {
    double x = lon(rng) / 3600 - 180, y = lat(rng) / 3600;
    std::fprintf(f, "%zu %.5f %.5f %.5f %.5f %d\n", s + 1, x, x + 1, y, y + 1, sizes[s]);
    for (int k = 0; k < sizes[s]; ++k) {
      x += deg(rng) * 0.01;
      y += deg(rng) * 0.01;
      std::fprintf(f, "%.5f %.5f\n", x, y);
    }
  }
  std::fclose(f);
}

struct World {
  World() {
    char tmpl[] = "/tmp/geodata-bench-XXXXXX";
    if (!mkdtemp(tmpl) || chdir(tmpl) != 0) std::exit(1);
    dir = tmpl;
    buildWorld();
    for (const char* name : kFiles) {
      std::FILE* f = std::fopen(name, "rb");
      std::fseek(f, 0, SEEK_END);
      bytes += std::ftell(f);
      std::fclose(f);
    }
  }
  ~World() {
    if (chdir("/") == 0) (void)system(("rm -rf '" + dir + "'").c_str());
  }
  std::string dir;
  long bytes = 0;
};

World& world() {
  static World w;
  return w;
}

// The floor: open each file and read all of its bytes, nothing more.
long readAllBytes(int first, int last) {
  static std::vector<char> buf(1 << 20);
  long total = 0;
  for (int i = first; i <= last; ++i) {
    std::FILE* f = std::fopen(kFiles[i], "rb");
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), f)) > 0) total += long(n);
    std::fclose(f);
  }
  return total;
}

void BM_IoFloorDatabase(benchmark::State& state) {
  world();
  for (auto _ : state) benchmark::DoNotOptimize(readAllBytes(0, 2));
}
BENCHMARK(BM_IoFloorDatabase)->Unit(benchmark::kMillisecond);

void BM_LoadDatabase(benchmark::State& state) {
  world();
  size_t records = 0;
  for (auto _ : state) {
    NavDatabase db;
    records = db.airports.size() + db.runways.size() + db.navaids.size();
    benchmark::DoNotOptimize(records);
  }
  if (records != 130000) state.SkipWithError("database did not load in full");
  state.counters["records"] = double(records);
}
BENCHMARK(BM_LoadDatabase)->Unit(benchmark::kMillisecond);

void BM_IoFloorCoastline(benchmark::State& state) {
  world();
  for (auto _ : state) benchmark::DoNotOptimize(readAllBytes(3, 3));
}
BENCHMARK(BM_IoFloorCoastline)->Unit(benchmark::kMillisecond);

void BM_LoadCoastline(benchmark::State& state) {
  world();
  size_t points = 0;
  for (auto _ : state) {
    PolylineSet set("data/world_coast.dat");
    points = 0;
    for (const Polyline& p : set.segments) points += p.pointCount;
    benchmark::DoNotOptimize(points);
  }
  if (points != 500000) state.SkipWithError("coastline did not load in full");
  state.counters["points"] = double(points);
}
BENCHMARK(BM_LoadCoastline)->Unit(benchmark::kMillisecond);

void BM_IoFloorAll(benchmark::State& state) {
  state.counters["bytes"] = double(world().bytes);
  for (auto _ : state) benchmark::DoNotOptimize(readAllBytes(0, 3));
}
BENCHMARK(BM_IoFloorAll)->Unit(benchmark::kMillisecond);

void BM_LoadAll(benchmark::State& state) {
  world();
  for (auto _ : state) {
    NavDatabase db;
    PolylineSet set("data/world_coast.dat");
    benchmark::DoNotOptimize(db.airports.data());
    benchmark::DoNotOptimize(set.segments.data());
  }
}
BENCHMARK(BM_LoadAll)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
