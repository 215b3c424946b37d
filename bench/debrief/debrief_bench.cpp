// Cost of the debrief's measuring: one exercise of each form (a LINE, a HIPP, a
// RELY, a COOR and a 10-entry ADME) on tracks of 1 hour to 28 hours at one point a
// second, an aircraft holding over the navaid so that every measure runs. Reading
// the track file is the viewer's reader and not counted here.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>

#include "debrief.h"

namespace {

const GeoPos kNavaid{43.5, 5.25};

// Standard-rate turns and one-minute legs at 180 kt, around and around.
std::vector<TrackSample> holding(size_t points) {
  std::vector<TrackSample> out;
  GeoPos pos = geoDestination(kNavaid, 3, 270);
  double heading = 90;
  for (size_t i = 0; i < points; ++i) {
    out.push_back({pos, static_cast<double>(i)});
    const size_t phase = i % 240;
    if ((phase >= 60 && phase < 120) || phase >= 180) heading += 3;
    pos = geoDestination(pos, 0.05, heading);
  }
  return out;
}

struct Exercises {
  Exercises() {
    char path[] = "/tmp/debrief-bench-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd >= 0) ::close(fd);
    const std::string nav = "<NAVAID><NAVAID_ID>ABC</NAVAID_ID><TYPE>VOR</TYPE><NAME>ALPHA</NAME></NAVAID>";
    std::ofstream(path) << "<DATA><EXERC>Bench</EXERC>"
                        << "<DATA00>" << nav << "<NAV><QDM>90</QDM><QDR>90</QDR></NAV><FORM><TYPE>LINE</TYPE></FORM></DATA00>"
                        << "<DATA01>" << nav << "<NAV><QDM>90</QDM></NAV><FORM><TYPE>HIPP</TYPE><IAS_MAX>180</IAS_MAX></FORM></DATA01>"
                        << "<DATA02>" << nav << "<FORM><TYPE>RELY</TYPE><USER_DST>3</USER_DST><USER_HEADING>45</USER_HEADING></FORM></DATA02>"
                        << "<DATA03>" << nav << "<FORM><TYPE>COOR</TYPE><USER_LAT>N-43*30.0</USER_LAT><USER_LON>E-5*15.0</USER_LON></FORM></DATA03>"
                        << "<DATA04>" << nav << "<NAV><QDM>0</QDM><QDR>90</QDR></NAV><FORM><TYPE>ADME</TYPE><USER_DST>3</USER_DST></FORM></DATA04>"
                        << "</DATA>";
    set = std::make_unique<IfrExerciseSet>(path);
    ::unlink(path);
    NavaidRecord n;
    std::memset(&n, 0, sizeof n);
    std::strcpy(n.ident, "ABC");
    std::strcpy(n.name, "ALPHA");
    n.typeFlags = 1;
    n.longitude = kNavaid.lon * 100;
    n.latitude = kNavaid.lat * 100;
    set->resolve({n}, {});
  }
  std::unique_ptr<IfrExerciseSet> set;
};

void BM_DebriefEveryForm(benchmark::State& state) {
  static const Exercises exercises;
  const std::vector<TrackSample> track = holding(static_cast<size_t>(state.range(0)));
  for (const ExerciseDebrief& d : debriefExercises(*exercises.set, track)) {
    if (!d.flown) {
      state.SkipWithError("an exercise is not flown: the benchmark would skip its measures");
      return;
    }
  }
  for (auto _ : state) {
    const auto list = debriefExercises(*exercises.set, track);
    benchmark::DoNotOptimize(list.data());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_DebriefEveryForm)->Arg(3600)->Arg(36000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
