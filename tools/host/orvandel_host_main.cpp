// orvandel-host: loads the plug-in, records one flight with it in a simulator
// folder, and prints what the plug-in asked of the host. The flight is a script,
// a generated straight line, or live NMEA fixes (--nmea), which turn the stand-in
// host into a bridge from a GPS receiver or a simulator's NMEA output.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "nmea_bridge.h"
#include "simpath.h"
#include "stand_in_host.h"

namespace {

const char* kUsage =
    "usage: orvandel-host [--plugin PATH.so] [--dir SIMFOLDER] [--mode 1|5]\n"
    "                     (--script FILE | --ticks N [--speed V] [--aux X] [--dt SECONDS]\n"
    "                      [--start-lat ARCSEC --start-lon ARCSEC --alt FT --heading DEG]) [--quiet]\n"
    "       orvandel-host [--plugin PATH.so] [--dir SIMFOLDER] [--mode 1|5]\n"
    "                     --nmea SOURCE [--realtime] [--idle-end SECONDS] [--quiet]\n"
    "  Records a flight into SIMFOLDER's DATA\\__ORVANDEL.dat through the plug-in.\n"
    "  A script has one tick per line: lat lon alt v x dt ('#' lines are comments).\n"
    "\n"
    "  --nmea SOURCE records live NMEA 0183 fixes. SOURCE is one of\n"
    "    file:PATH              a recorded log (file:- reads standard input), as fast as it reads;\n"
    "                           --realtime paces it by its timestamps\n"
    "    udp:[ADDR:]PORT        datagrams of one or more sentences (FlightGear:\n"
    "                           --nmea=socket,out,2,127.0.0.1,PORT,udp)\n"
    "    tcp:HOST:PORT          a client of an NMEA server\n"
    "    serial:DEVICE[:BAUD]   a GPS receiver, default 4800 baud, 8N1\n"
    "    gpsd[:HOST[:PORT]]     the gpsd daemon (default localhost:2947)\n"
    "  The plug-in gets what the simulator would give it:\n"
    "    - the first valid fix presses bt1m (--mode 1) or bt5m (--mode 5) and gives no tick;\n"
    "    - then one tick per epoch: the sentences (RMC, GGA) of one UTC time; the last of\n"
    "      them gives the position; an epoch ticks when a sentence of another time arrives\n"
    "      or the source ends;\n"
    "    - latitude, longitude in arc-seconds (longitude eastward 0..1296000), altitude in\n"
    "      feet from GGA (metres x 3.2808399; the last known one when an epoch has no GGA);\n"
    "    - v = ground speed in feet per second (knots x 6076.12 / 3600; from the distance\n"
    "      between fixes when there is no RMC), so mode 1 writes about a line per NM;\n"
    "    - x = rate of turn in standard rates: |course change since the previous epoch,\n"
    "      wrapped into +-180| / (3 x dt), at most 3; 0 below 30 kt or without a course;\n"
    "    - elapsed = the epoch's UTC time minus the previous epoch's (RMC date; midnight\n"
    "      handled), never the wall clock: a replayed log records the same track.\n"
    "  Skipped and counted: bad checksums, void fixes (RMC V, GGA quality 0), unknown\n"
    "  sentences, talkers other than GP GN GL GA GB, truncated, over 82 characters, noise,\n"
    "  and epochs whose time goes back or jumps ahead over 10 minutes (no tick; the next\n"
    "  epoch starts afresh). The recording ends (dsbl) at the end of the source, on\n"
    "  SIGINT or SIGTERM (a second one quits at once; the lines written stay) or, with\n"
    "  --idle-end, when nothing arrived for SECONDS. The finished track is copied to\n"
    "  DATA/flights/<UTC start as YYYY-MM-DDTHHMMSSZ>.dat with a GPX 1.1 file of the same\n"
    "  name; a summary goes to standard output. A status line on standard error shows the\n"
    "  progress (rewritten in place on a terminal, every 10 s otherwise); --quiet silences it.\n"
    "\n"
    "  Exit status: 0 recorded, 1 plug-in not loadable or not answering (or the flight not\n"
    "  saved), 2 bad arguments, script or source, 3 no track file written (does SIMFOLDER\n"
    "  have a data folder? with --nmea: no valid fix), 130 stopped by a second signal.\n";

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

const int kContinue = -1;  // a step went well: go on

struct Options {
  std::string plugin = ORVANDEL_DEFAULT_PLUGIN;
  std::string folder, script, nmea;
  int mode = 1;
  bool quiet = false, haveTicks = false, realtime = false;
  double ticks = 0, speed = 338, aux = 0, dt = 1, lat = 171000, lon = 30600, alt = 3000, heading = 90;
  double idleEnd = 0;
};

int parseArguments(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](double* out) {
      if (i + 1 >= argc || !number(argv[i + 1], out)) return false;
      ++i;
      return true;
    };
    if (a == "--quiet") {
      o->quiet = true;
    } else if (a == "--realtime") {
      o->realtime = true;
    } else if (a == "--plugin" || a == "--dir" || a == "--script" || a == "--nmea") {
      if (i + 1 >= argc) return usage((a + " needs a value").c_str());
      (a == "--plugin" ? o->plugin : a == "--dir" ? o->folder : a == "--script" ? o->script : o->nmea) = argv[++i];
    } else if (a == "--mode") {
      double m;
      if (!value(&m) || (m != 1 && m != 5)) return usage("--mode is 1 or 5");
      o->mode = static_cast<int>(m);
    } else if (a == "--ticks") {
      if (!value(&o->ticks) || o->ticks < 0 || o->ticks > 100000000 || o->ticks != static_cast<long>(o->ticks))
        return usage("--ticks needs a whole number >= 0");
      o->haveTicks = true;
    } else if (a == "--idle-end") {
      if (!value(&o->idleEnd) || !(o->idleEnd > 0) || o->idleEnd > 86400)
        return usage("--idle-end needs a number of seconds above 0");
    } else if (a == "--speed" || a == "--aux" || a == "--dt" || a == "--start-lat" || a == "--start-lon" ||
               a == "--alt" || a == "--heading") {
      double* target = a == "--speed" ? &o->speed : a == "--aux" ? &o->aux : a == "--dt" ? &o->dt
                     : a == "--start-lat" ? &o->lat : a == "--start-lon" ? &o->lon : a == "--alt" ? &o->alt
                     : &o->heading;
      if (!value(target)) return usage((a + " needs a number").c_str());
    } else if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else {
      return usage(("unknown argument " + a).c_str());
    }
  }
  const int flights = (o->script.empty() ? 0 : 1) + (o->haveTicks ? 1 : 0) + (o->nmea.empty() ? 0 : 1);
  if (flights != 1) return usage("give one of --script FILE, --ticks N or --nmea SOURCE");
  if (o->nmea.empty() && (o->realtime || o->idleEnd > 0)) return usage("--realtime and --idle-end go with --nmea");
  return kContinue;
}

int loadSamples(const Options& o, std::vector<FlightSample>* samples) {
  if (!o.script.empty()) {
    std::ifstream in(o.script, std::ios::binary);
    if (!in) return usage(("cannot read script " + o.script).c_str());
    std::stringstream text;
    text << in.rdbuf();
    std::string error;
    if (!parseFlightScript(text.str(), samples, &error)) {
      std::fprintf(stderr, "orvandel-host: %s: %s\n", o.script.c_str(), error.c_str());
      return 2;
    }
  } else {
    *samples = straightFlight(static_cast<int>(o.ticks), o.lat, o.lon, o.alt, o.heading,
                              static_cast<float>(o.speed), o.aux, static_cast<float>(o.dt));
  }
  return kContinue;
}

// dlopen searches the library path for a bare name, and the folder changes here.
int enterFolder(const Options& o, std::string* pluginPath) {
  char resolved[PATH_MAX];
  if (!::realpath(o.plugin.c_str(), resolved)) {
    std::fprintf(stderr, "orvandel-host: plug-in not found: %s\n", o.plugin.c_str());
    return 1;
  }
  *pluginPath = resolved;
  if (!o.folder.empty() && ::chdir(o.folder.c_str()) != 0) {
    std::fprintf(stderr, "orvandel-host: cannot enter simulator folder %s: %s\n", o.folder.c_str(),
                 std::strerror(errno));
    return 2;
  }
  return kContinue;
}

// The host's start-up calls, then the menu item chosen, as the pilot would.
int startPlugin(StandInHost& host, const std::string& pluginPath, bool log) {
  if (!host.loaded) {
    std::fprintf(stderr, "orvandel-host: cannot load %s: %s\n", pluginPath.c_str(), host.error.c_str());
    return 1;
  }
  if (log) host.onCall = [](const std::string& call) { std::printf("  %s\n", call.c_str()); };
  auto say = [&](const std::string& text) {
    if (log) std::printf("%s\n", text.c_str());
  };
  int32_t version = host.getSDKVersion();
  say("DLLGetSDKVersion() -> " + std::to_string(version));
  int32_t privateResult = host.initPrivate(42);
  say("DLLInitPrivate(table, 42) -> " + std::to_string(privateResult));
  int32_t initResult = host.init(0x5157u);
  say("DLLInit(callbacks, info, 0x5157) -> " + std::to_string(initResult));
  int32_t reference = host.getReferenceNumber();
  say("DLLGetReferenceNumber() -> " + std::to_string(reference));
  if (log) std::printf("plug-in \"%.127s\", version \"%.127s\"\n", host.info.name, host.info.version);
  if (version != 200 || privateResult != 42 || initResult != 1 || reference != 42) {
    std::fprintf(stderr, "orvandel-host: the plug-in did not answer its set-up calls as expected\n");
    return 1;
  }
  say("installMenu");
  host.installMenu();
  say("menu: Plugins > Orvandel");
  host.chooseMenuItem();
  return kContinue;
}

// The same steps as runRecordingSession, with a line per step for the reader.
void recordSamples(StandInHost& host, const Options& o, const std::vector<FlightSample>& samples) {
  auto say = [&](const std::string& text) {
    if (!o.quiet) std::printf("%s\n", text.c_str());
  };
  if (!samples.empty()) host.aircraft = samples.front();
  say(std::string("press ") + (o.mode == 5 ? "bt5m" : "bt1m"));
  host.pressControl(o.mode == 5 ? tags::startMode5 : tags::startMode1);
  for (size_t i = 0; i < samples.size(); ++i) {
    say("tick " + std::to_string(i + 1));
    host.fly(samples[i]);
  }
  say("press dsbl");
  host.pressControl(tags::stop);
  say("DLLKill()");
  host.kill();
}

int checkTrackWritten(StandInHost& host, const Options& o, size_t ticks, std::time_t began) {
  for (const std::string& p : host.problems) std::fprintf(stderr, "orvandel-host: %s\n", p.c_str());
  const std::string track = simpath::resolve("DATA\\__ORVANDEL.dat");
  struct stat st;
  if (::stat(track.c_str(), &st) != 0 || st.st_mtime < began) {
    std::fprintf(stderr, "orvandel-host: no track file written (%s); the simulator folder needs a data folder\n",
                 track.c_str());
    return 3;
  }
  if (!o.quiet) std::printf("track: %s, %zu ticks, mode %d\n", track.c_str(), ticks, o.mode);
  return host.problems.empty() ? 0 : 1;
}

// --nmea: live fixes through the plug-in until the source ends or a signal comes.
int bridgeNmea(StandInHost& host, NmeaSource& source, const Options& o) {
  NmeaBridge bridge(host, o.mode, static_cast<int64_t>(std::time(nullptr) / 86400));
  BridgeOptions options;
  options.realtime = o.realtime;
  options.progress = !o.quiet;
  options.idleEndSeconds = o.idleEnd;
  std::string error;
  const BridgeEnd end = runNmeaBridge(source, bridge, options, &error);
  host.unload();
  for (const std::string& p : host.problems) std::fprintf(stderr, "orvandel-host: %s\n", p.c_str());
  std::fputs(bridgeSummary(bridge, end, error).c_str(), stdout);
  if (end == BridgeEnd::RecorderFailed) {
    std::fprintf(stderr, "orvandel-host: %s\n", error.c_str());
    return 3;
  }
  if (!bridge.started()) {
    std::fprintf(stderr, "orvandel-host: no valid fix came: nothing recorded\n");
    return 3;
  }
  std::printf("track: %s\n", bridge.trackPath().c_str());
  std::string dat, gpx;
  if (!saveFlight(bridge, &dat, &gpx, &error)) {
    std::fprintf(stderr, "orvandel-host: the flight was not saved: %s (the track file stays as written)\n",
                 error.c_str());
    return 1;
  }
  std::printf("flight saved: %s\ngpx: %s\n", dat.c_str(), gpx.c_str());
  std::fflush(stdout);
  return host.problems.empty() && end != BridgeEnd::ReadError ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (int r = parseArguments(argc, argv, &o); r != kContinue) return r;
  std::vector<FlightSample> samples;
  if (o.nmea.empty()) {
    if (int r = loadSamples(o, &samples); r != kContinue) return r;
  }
  std::string pluginPath;
  if (int r = enterFolder(o, &pluginPath); r != kContinue) return r;
  // Opened before the plug-in loads, so a wrong source costs nothing.
  std::unique_ptr<NmeaSource> source;
  if (!o.nmea.empty()) {
    std::string error;
    source = openNmeaSource(o.nmea, &error);
    if (!source) {
      std::fprintf(stderr, "orvandel-host: %s\n", error.c_str());
      return 2;
    }
    installStopSignals();
  }

  const std::time_t began = std::time(nullptr);
  StandInHost host(pluginPath);
  if (int r = startPlugin(host, pluginPath, !o.quiet && !source); r != kContinue) return r;
  if (source) return bridgeNmea(host, *source, o);
  recordSamples(host, o, samples);
  host.unload();
  return checkTrackWritten(host, o, samples.size(), began);
}
