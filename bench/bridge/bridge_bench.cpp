// How fast orvandel-host --nmea turns a log into a track: a synthetic flight of
// RMC, GGA and GSA sentences at 10 Hz (a receiver's fastest usual rate) with a
// turn every minute, recorded through the real plug-in in mode 1 and mode 5.
// Prints fixes per second for the whole program (start-up, plug-in, archive and
// GPX included) and for the sentence parser alone.
//
//   build/bench/bridge/bridge_bench [FIXES]     (default 200000)
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "nmea_sentence.h"

namespace {

double seconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::string makeLog(int fixes) {
  std::string log;
  log.reserve(static_cast<size_t>(fixes) * 200);
  double lat = 43.0, lon = 5.0, course = 90;
  const double knots = 140;
  for (int i = 0; i < fixes; ++i) {
    const double t = i * 0.1;  // 10 Hz
    if (static_cast<int>(t) % 60 < 20) course = std::fmod(course + 0.3, 360);  // 3 deg/s for 20 s a minute
    const double step = knots / 3600 * 0.1 / 60;                              // degrees of arc per fix
    lat += step * std::cos(course * M_PI / 180);
    lon += step * std::sin(course * M_PI / 180) / std::cos(lat * M_PI / 180);
    // Integer tenths of a second and ten-thousandths of a minute: no "60.0" from rounding.
    const long tenths = i % 864000;
    const int day = i / 864000;
    const long la4 = std::lround(lat * 600000), lo4 = std::lround(lon * 600000);
    char time[32], date[8], la[32], lo[32], rmc[160], gga[160];
    std::snprintf(time, sizeof time, "%02ld%02ld%02ld.%ld", tenths / 36000, tenths / 600 % 60, tenths / 10 % 60,
                  tenths % 10);
    std::snprintf(date, sizeof date, "%02d1226", 1 + day % 28);
    std::snprintf(la, sizeof la, "%02ld%02ld.%04ld", la4 / 600000, la4 / 10000 % 60, la4 % 10000);
    std::snprintf(lo, sizeof lo, "%03ld%02ld.%04ld", lo4 / 600000, lo4 / 10000 % 60, lo4 % 10000);
    std::snprintf(rmc, sizeof rmc, "GPRMC,%s,A,%s,N,%s,E,%.1f,%.1f,%s,,", time, la, lo, knots, course, date);
    std::snprintf(gga, sizeof gga, "GPGGA,%s,%s,N,%s,E,1,08,0.9,%.1f,M,,,,", time, la, lo, 1000.0);
    log += nmeaSentence(rmc) + "\r\n" + nmeaSentence(gga) + "\r\n" +
           nmeaSentence("GPGSA,A,3,01,02,03,,05,,07,,09,,11,12,0.9,0.9,2.0") + "\r\n";
  }
  return log;
}

// Runs orvandel-host; its exit status.
int runHost(const std::string& folder, const std::string& log, int mode) {
  std::vector<std::string> args = {ORVANDEL_HOST_PATH, "--plugin", ORVANDEL_PLUGIN_PATH, "--dir", folder,
                                   "--mode", std::to_string(mode), "--quiet", "--nmea", "file:" + log};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(&a[0]);
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, (folder + "/summary.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  pid_t pid;
  int status = -1;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    ::waitpid(pid, &status, 0);
  }
  posix_spawn_file_actions_destroy(&actions);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

int main(int argc, char** argv) {
  const int fixes = argc > 1 ? std::atoi(argv[1]) : 200000;
  if (fixes < 10) {
    std::fprintf(stderr, "usage: bridge_bench [FIXES >= 10]\n");
    return 2;
  }
  char pattern[] = "/tmp/bridge-bench-XXXXXX";
  if (!::mkdtemp(pattern)) return 1;
  const std::string folder = pattern, logPath = folder + "/flight.nmea";
  const std::string log = makeLog(fixes);
  std::ofstream(logPath, std::ios::binary) << log;
  std::system(("mkdir " + folder + "/DATA").c_str());
  std::printf("log: %d fixes at 10 Hz (%.1f h of flight), %zu sentences, %.1f MB\n", fixes, fixes / 36000.0,
              static_cast<size_t>(fixes) * 3, log.size() / 1e6);

  // The parser alone, on the same lines.
  double began = seconds();
  size_t used = 0, start = 0;
  NmeaFix fix;
  for (size_t end; (end = log.find('\n', start)) != std::string::npos; start = end + 1)
    if (parseNmeaLine(log.substr(start, end - start - 1), &fix) == NmeaOutcome::Used) ++used;
  const double parse = seconds() - began;
  std::printf("parser alone: %.3f s, %.0f fixes/s (%zu sentences used)\n", parse, fixes / parse, used);

  for (int mode : {1, 5}) {
    began = seconds();
    const int status = runHost(folder, logPath, mode);
    const double took = seconds() - began;
    std::ifstream summary(folder + "/summary.txt");
    std::string line, written;
    while (std::getline(summary, line))
      if (line.rfind("lines written:", 0) == 0) written = line;
    std::printf("orvandel-host --mode %d: %.3f s, %.0f fixes/s, %s, exit %d (%.0f times the 100 fixes/s of a "
                "fast receiver)\n",
                mode, took, fixes / took, written.c_str(), status, fixes / took / 100);
  }
  std::system(("rm -rf " + folder).c_str());
  return 0;
}
