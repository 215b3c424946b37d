// orvandel-host: loads the plug-in, records one flight with it in a simulator
// folder, and prints what the plug-in asked of the host.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

#include "simpath.h"
#include "stand_in_host.h"

namespace {

const char* kUsage =
    "usage: orvandel-host [--plugin PATH.so] [--dir SIMFOLDER] [--mode 1|5]\n"
    "                     (--script FILE | --ticks N [--speed V] [--aux X] [--dt SECONDS]\n"
    "                      [--start-lat ARCSEC --start-lon ARCSEC --alt FT --heading DEG]) [--quiet]\n"
    "  Records a flight into SIMFOLDER's DATA\\__ORVANDEL.dat through the plug-in.\n"
    "  A script has one tick per line: lat lon alt v x dt ('#' lines are comments).\n"
    "  Exit status: 0 recorded, 1 plug-in not loadable or not answering, 2 bad arguments\n"
    "  or script, 3 no track file written (does SIMFOLDER have a data folder?).\n";

int usage(const char* why) {
  if (why) std::fprintf(stderr, "orvandel-host: %s\n", why);
  std::fputs(kUsage, stderr);
  return 2;
}

bool number(const char* text, double* out) {
  if (!text || !*text) return false;
  char* end = nullptr;
  double v = std::strtod(text, &end);
  if (*end != '\0') return false;
  *out = v;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string plugin = ORVANDEL_DEFAULT_PLUGIN;
  std::string folder, script;
  int mode = 1;
  bool quiet = false, haveTicks = false;
  double ticks = 0, speed = 338, aux = 0, dt = 1, lat = 171000, lon = 30600, alt = 3000, heading = 90;

  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](double* out) {
      if (i + 1 >= argc || !number(argv[i + 1], out)) return false;
      ++i;
      return true;
    };
    if (a == "--quiet") {
      quiet = true;
    } else if (a == "--plugin" || a == "--dir" || a == "--script") {
      if (i + 1 >= argc) return usage((a + " needs a value").c_str());
      (a == "--plugin" ? plugin : a == "--dir" ? folder : script) = argv[++i];
    } else if (a == "--mode") {
      double m;
      if (!value(&m) || (m != 1 && m != 5)) return usage("--mode is 1 or 5");
      mode = static_cast<int>(m);
    } else if (a == "--ticks") {
      if (!value(&ticks) || ticks < 0 || ticks > 100000000 || ticks != static_cast<long>(ticks))
        return usage("--ticks needs a whole number >= 0");
      haveTicks = true;
    } else if (a == "--speed" || a == "--aux" || a == "--dt" || a == "--start-lat" || a == "--start-lon" ||
               a == "--alt" || a == "--heading") {
      double* target = a == "--speed" ? &speed : a == "--aux" ? &aux : a == "--dt" ? &dt
                     : a == "--start-lat" ? &lat : a == "--start-lon" ? &lon : a == "--alt" ? &alt : &heading;
      if (!value(target)) return usage((a + " needs a number").c_str());
    } else if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else {
      return usage(("unknown argument " + a).c_str());
    }
  }
  if (script.empty() == !haveTicks) return usage("give either --script FILE or --ticks N");

  std::vector<FlightSample> samples;
  if (!script.empty()) {
    std::ifstream in(script, std::ios::binary);
    if (!in) return usage(("cannot read script " + script).c_str());
    std::stringstream text;
    text << in.rdbuf();
    std::string error;
    if (!parseFlightScript(text.str(), &samples, &error)) {
      std::fprintf(stderr, "orvandel-host: %s: %s\n", script.c_str(), error.c_str());
      return 2;
    }
  } else {
    samples = straightFlight(static_cast<int>(ticks), lat, lon, alt, heading, static_cast<float>(speed), aux,
                             static_cast<float>(dt));
  }

  // dlopen searches the library path for a bare name, and the folder changes below.
  char resolved[PATH_MAX];
  if (!::realpath(plugin.c_str(), resolved)) {
    std::fprintf(stderr, "orvandel-host: plug-in not found: %s\n", plugin.c_str());
    return 1;
  }
  if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
    std::fprintf(stderr, "orvandel-host: cannot enter simulator folder %s: %s\n", folder.c_str(),
                 std::strerror(errno));
    return 2;
  }

  StandInHost host(resolved);
  if (!host.loaded) {
    std::fprintf(stderr, "orvandel-host: cannot load %s: %s\n", resolved, host.error.c_str());
    return 1;
  }
  if (!quiet) host.onCall = [](const std::string& call) { std::printf("  %s\n", call.c_str()); };

  const std::time_t began = std::time(nullptr);
  auto say = [&](const std::string& text) {
    if (!quiet) std::printf("%s\n", text.c_str());
  };
  int32_t version = host.getSDKVersion();
  say("DLLGetSDKVersion() -> " + std::to_string(version));
  int32_t privateResult = host.initPrivate(42);
  say("DLLInitPrivate(table, 42) -> " + std::to_string(privateResult));
  int32_t initResult = host.init(0x5157u);
  say("DLLInit(callbacks, info, 0x5157) -> " + std::to_string(initResult));
  int32_t reference = host.getReferenceNumber();
  say("DLLGetReferenceNumber() -> " + std::to_string(reference));
  if (!quiet)
    std::printf("plug-in \"%.127s\", version \"%.127s\"\n", host.info.name, host.info.version);
  if (version != 200 || privateResult != 42 || initResult != 1 || reference != 42) {
    std::fprintf(stderr, "orvandel-host: the plug-in did not answer its set-up calls as expected\n");
    return 1;
  }
  // The same steps as runRecordingSession, with a line per step for the reader.
  say("installMenu");
  host.installMenu();
  say("menu: Plugins > Orvandel");
  host.chooseMenuItem();
  if (!samples.empty()) host.aircraft = samples.front();
  say(std::string("press ") + (mode == 5 ? "bt5m" : "bt1m"));
  host.pressControl(mode == 5 ? tags::startMode5 : tags::startMode1);
  for (size_t i = 0; i < samples.size(); ++i) {
    say("tick " + std::to_string(i + 1));
    host.fly(samples[i]);
  }
  say("press dsbl");
  host.pressControl(tags::stop);
  say("DLLKill()");
  host.kill();
  host.unload();
  for (const std::string& p : host.problems) std::fprintf(stderr, "orvandel-host: %s\n", p.c_str());

  const std::string track = simpath::resolve("DATA\\__ORVANDEL.dat");
  struct stat st;
  if (::stat(track.c_str(), &st) != 0 || st.st_mtime < began) {
    std::fprintf(stderr, "orvandel-host: no track file written (%s); the simulator folder needs a data folder\n",
                 track.c_str());
    return 3;
  }
  if (!quiet) std::printf("track: %s, %zu ticks, mode %d\n", track.c_str(), samples.size(), mode);
  return host.problems.empty() ? 0 : 1;
}
