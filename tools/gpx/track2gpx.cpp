// track2gpx: a recorded track file as a GPX 1.1 track.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "gpx_writer.h"
#include "simpath.h"
#include "track_file.h"

namespace {

const char* kUsage =
    "usage: track2gpx TRACK.dat [OUT.gpx] [--start YYYY-MM-DDTHH:MM:SSZ]\n"
    "  Writes the track as GPX 1.1 to OUT.gpx, or to standard output.\n"
    "  With --start (UTC) every point gets its time: the start plus the seconds\n"
    "  recorded up to it; without, the points have no time.\n"
    "  Exit status: 0 written, 1 track unreadable or not a track, or output failed, 2 bad arguments.\n";

int usage(const char* why) {
  if (why) std::fprintf(stderr, "track2gpx: %s\n", why);
  std::fputs(kUsage, stderr);
  return 2;
}

std::string trackName(const std::string& path) {
  std::string name = path;
  size_t slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name.empty() ? "track" : name;
}

}  // namespace

int main(int argc, char** argv) {
  std::string input, output;
  UtcTime start;
  bool haveStart = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--start") {
      if (i + 1 >= argc) return usage("--start needs a time");
      if (!parseIsoTime(argv[++i], &start)) return usage("--start: not a date and time such as 2026-12-09T01:00:00Z");
      haveStart = true;
    } else if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a.size() > 1 && a[0] == '-') {
      return usage(("unknown option " + a).c_str());
    } else if (input.empty()) {
      input = a;
    } else if (output.empty()) {
      output = a;
    } else {
      return usage("too many file names");
    }
  }
  if (input.empty()) return usage(nullptr);
  if (input.size() >= sizeof(TrackFile::fileName)) {
    std::fprintf(stderr, "track2gpx: %s: path too long\n", input.c_str());
    return 1;
  }
  if (std::FILE* probe = simpath::open(input.c_str(), "r")) {
    std::fclose(probe);
  } else {
    std::fprintf(stderr, "track2gpx: cannot read %s: %s\n", input.c_str(), std::strerror(errno));
    return 1;
  }

  TrackFile track(input.c_str());
  if (!track.loaded) {
    std::fprintf(stderr, "track2gpx: %s is not a track file (its last line is not a data line)\n", input.c_str());
    return 1;
  }
  GpxResult gpx = trackToGpx(track.points, trackName(input), haveStart ? &start : nullptr);
  if (gpx.skipped)
    std::fprintf(stderr, "track2gpx: %d point(s) with a latitude beyond the poles left out\n", gpx.skipped);

  if (output.empty()) {
    if (std::fwrite(gpx.document.data(), 1, gpx.document.size(), stdout) != gpx.document.size() ||
        std::fflush(stdout) != 0) {
      std::fprintf(stderr, "track2gpx: writing standard output failed\n");
      return 1;
    }
    return 0;
  }
  // Written beside the target and renamed, so a failure never leaves half a file.
  const std::string partial = output + ".part";
  std::FILE* out = std::fopen(partial.c_str(), "wb");
  bool ok = out && std::fwrite(gpx.document.data(), 1, gpx.document.size(), out) == gpx.document.size();
  if (out) ok = std::fclose(out) == 0 && ok;
  if (!ok || std::rename(partial.c_str(), output.c_str()) != 0) {
    std::fprintf(stderr, "track2gpx: cannot write %s: %s\n", output.c_str(), std::strerror(errno));
    std::remove(partial.c_str());
    return 1;
  }
  return 0;
}
