#include "fps_probe.h"

#include <plib/pu.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;

int zoom = 0;
double seconds = 5.0;
const int kWarmupFrames = 10;
int frames = 0;
Clock::time_point started;

int envInt(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v ? std::atoi(v) : fallback;
}

}  // namespace

void fpsProbeStart(puSlider* longSlider, puSlider* latSlider, puSlider* zoomSlider) {
  zoom = envInt("BENCH_ZOOM", 0);
  const char* s = std::getenv("BENCH_SECONDS");
  if (s && std::atof(s) > 0) seconds = std::atof(s);
  longSlider->setValue(envInt("BENCH_LONG", 0));
  latSlider->setValue(envInt("BENCH_LAT", 0));
  zoomSlider->setValue(zoom);
}

void fpsProbeFrame() {
  ++frames;
  if (frames == kWarmupFrames) started = Clock::now();
  if (frames <= kWarmupFrames) return;
  double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
  if (elapsed >= seconds) {
    int counted = frames - kWarmupFrames;
    std::printf("fps zoom=%d frames=%d seconds=%.2f fps=%.1f\n", zoom, counted, elapsed,
                counted / elapsed);
    std::fflush(stdout);
    std::exit(0);
  }
}
