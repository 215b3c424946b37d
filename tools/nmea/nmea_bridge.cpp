#include "nmea_bridge.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <thread>

#include "gpx_writer.h"
#include "host_interface.h"
#include "simpath.h"
#include "track_file.h"

// ---- track line counter ----

TrackLineCounter::~TrackLineCounter() {
  if (file_) std::fclose(file_);
}

bool TrackLineCounter::open(const std::string& path) {
  if (file_) std::fclose(file_);
  file_ = std::fopen(path.c_str(), "rb");
  newlines_ = lines_ = 0;
  return file_ != nullptr;
}

long TrackLineCounter::poll() {
  if (!file_) return 0;
  const long before = lines_;
  char buffer[8192];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file_)) > 0)
    for (size_t i = 0; i < n; ++i)
      if (buffer[i] == '\n') ++newlines_;
  std::clearerr(file_);  // at the end for now; the plug-in appends more
  lines_ = newlines_ > 0 ? newlines_ - 1 : 0;
  return lines_ - before;
}

// ---- bridge ----

NmeaBridge::NmeaBridge(StandInHost& host, int mode, int64_t fallbackDate)
    : host_(host), mode_(mode), timeline_(fallbackDate) {
  host_.keepCalls = false;
}

bool NmeaBridge::line(const std::string& text) {
  if (finished_ || failed()) return false;
  NmeaFix fix;
  const NmeaOutcome outcome = parseNmeaLine(text, &fix);
  ++counts_.outcomes[static_cast<int>(outcome)];
  if (outcome != NmeaOutcome::Used) return true;
  ++counts_.sentencesUsed;
  NmeaEpoch done;
  if (assembler_.add(fix, &done)) epoch(done);
  return !failed();
}

void NmeaBridge::epoch(const NmeaEpoch& e) {
  const TimelineStep step = timeline_.next(e);
  if (beforeEpoch) beforeEpoch(step);
  lastUtc_ = step.utcSeconds;
  switch (step.kind) {
    case TimelineStep::Start: {
      host_.aircraft = step.sample;
      host_.pressControl(mode_ == 5 ? tags::startMode5 : tags::startMode1);
      ++counts_.epochsUsed;
      // Resolved now: the plug-in has just created the file under whichever case
      // the simulator folder spells "DATA" with.
      trackPath_ = simpath::resolve("DATA\\__ORVANDEL.dat");
      if (!counter_.open(trackPath_))
        failure_ = "the plug-in wrote no track file (" + trackPath_ + "); the simulator folder needs a data folder";
      break;
    }
    case TimelineStep::Tick:
      host_.fly(step.sample);
      ++counts_.epochsUsed;
      collectLines(step.utcSeconds);
      break;
    case TimelineStep::Skip:
      ++counts_.outcomes[static_cast<int>(step.reason)];
      host_.aircraft = step.sample;  // where the aircraft is, should the recording stop now
      break;
  }
}

void NmeaBridge::collectLines(double utc) {
  for (long n = counter_.poll(); n > 0; --n) lineTimes_.push_back(utc);
  counts_.linesWritten = counter_.lines();
}

void NmeaBridge::finish() {
  if (finished_) return;
  NmeaEpoch done;
  if (!failed() && assembler_.finish(&done)) epoch(done);
  finished_ = true;
  if (started()) {
    host_.pressControl(tags::stop);
    collectLines(lastUtc_);
  }
  host_.kill();
}

// ---- signals ----

namespace {

volatile std::sig_atomic_t stopSignals = 0;

void onStopSignal(int) {
  if (stopSignals > 0) ::_exit(130);  // asked twice: at once; the lines written stay
  stopSignals = 1;
}

double monotonicSeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::string clockText(double utc) {
  const std::time_t t = static_cast<std::time_t>(std::floor(utc));
  std::tm tm{};
  ::gmtime_r(&t, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%H:%M:%S", &tm);
  return text;
}

std::string statusText(const NmeaBridge& bridge) {
  const BridgeCounts& c = bridge.counts();
  char text[200];
  if (!bridge.started()) {
    long read = 0;
    for (long n : c.outcomes) read += n;
    std::snprintf(text, sizeof text, "waiting for a valid fix (%ld lines read)", read);
    return text;
  }
  const FlightSample& s = bridge.lastSample();
  const double lat = latitudeDegrees(s.latitude);
  const double lon = longitudeDegrees(s.longitude);
  std::snprintf(text, sizeof text, "%ld epochs, last fix %sZ %.5f%c %.5f%c %.0f ft, %ld lines written", c.epochsUsed,
                clockText(bridge.lastUtc()).c_str(), std::fabs(lat), lat < 0 ? 'S' : 'N', std::fabs(lon),
                lon < 0 ? 'W' : 'E', s.altitude, c.linesWritten);
  return text;
}

}  // namespace

void installStopSignals() {
  struct sigaction sa;
  std::memset(&sa, 0, sizeof sa);
  sa.sa_handler = onStopSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = 0;  // no SA_RESTART: a waiting read returns at once
  ::sigaction(SIGINT, &sa, nullptr);
  ::sigaction(SIGTERM, &sa, nullptr);
}

bool stopRequested() { return stopSignals != 0; }

// ---- loop ----

BridgeEnd runNmeaBridge(NmeaSource& source, NmeaBridge& bridge, const BridgeOptions& options,
                        std::string* error) {
  const bool terminal = ::isatty(2) != 0;
  const double progressEvery = terminal ? 0.25 : 10.0;
  double lastProgress = monotonicSeconds(), lastInput = lastProgress;
  bool progressShown = false;

  // --realtime: epoch k is applied at (its UTC - the pacing base's UTC) after the
  // base's wall time; a skipped epoch (a gap or a step back) becomes the new base.
  const bool pacing = options.realtime && source.isLog();
  bool paced = false;
  double paceWall = 0, paceUtc = 0;
  if (pacing) {
    bridge.beforeEpoch = [&](const TimelineStep& step) {
      if (!paced || step.kind != TimelineStep::Tick) {
        paced = true;
        paceWall = monotonicSeconds();
        paceUtc = step.utcSeconds;
        return;
      }
      const double due = paceWall + (step.utcSeconds - paceUtc);
      for (double now = monotonicSeconds(); now < due && !stopRequested(); now = monotonicSeconds())
        std::this_thread::sleep_for(std::chrono::duration<double>(std::min(0.1, due - now)));
    };
  }

  auto showProgress = [&](bool force) {
    if (!options.progress) return;
    const double now = monotonicSeconds();
    if (!force && now - lastProgress < progressEvery) return;
    lastProgress = now;
    const std::string text = "orvandel-host: " + statusText(bridge);
    if (terminal) {
      std::fprintf(stderr, "\r%s\033[K", text.c_str());
      progressShown = true;
    } else {
      std::fprintf(stderr, "%s\n", text.c_str());
    }
    std::fflush(stderr);
  };

  BridgeEnd end = BridgeEnd::SourceEnded;
  std::vector<std::string> lines;
  for (;;) {
    if (stopRequested()) {
      end = BridgeEnd::Signal;
      break;
    }
    lines.clear();
    const NmeaSource::Status status = source.read(&lines, 200);
    bool recorderOk = true;
    // A live batch is whole also after a signal: what arrived is part of the
    // flight. A paced log's batch is only read ahead: the flight ends where the
    // replay stood.
    for (const std::string& l : lines) {
      recorderOk = bridge.line(l);
      if (!recorderOk || (pacing && stopRequested())) break;
    }
    if (!recorderOk) {
      end = BridgeEnd::RecorderFailed;
      *error = bridge.failure();
      break;
    }
    const double now = monotonicSeconds();
    if (!lines.empty()) lastInput = now;
    if (status == NmeaSource::Ended) break;
    if (status == NmeaSource::Failed) {
      end = BridgeEnd::ReadError;
      *error = source.error();
      break;
    }
    if (options.idleEndSeconds > 0 && now - lastInput >= options.idleEndSeconds) {
      end = BridgeEnd::Idle;
      break;
    }
    showProgress(false);
  }
  if (end != BridgeEnd::RecorderFailed) bridge.finish();
  if (progressShown) {
    showProgress(true);
    std::fputc('\n', stderr);
  }
  return end;
}

// ---- the saved flight ----

std::string flightStamp(double utcSeconds) {
  const std::time_t t = static_cast<std::time_t>(std::floor(utcSeconds));
  std::tm tm{};
  ::gmtime_r(&t, &tm);
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H%M%SZ", &tm);
  return text;
}

namespace {

bool readWhole(const std::string& path, std::string* out) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out->append(buffer, n);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

// Written beside the target and renamed, so a failure never leaves half a file.
bool writeWhole(const std::string& path, const std::string& text) {
  const std::string partial = path + ".part";
  std::FILE* f = std::fopen(partial.c_str(), "wb");
  bool ok = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
  if (f) ok = std::fclose(f) == 0 && ok;
  ok = ok && std::rename(partial.c_str(), path.c_str()) == 0;
  if (!ok) std::remove(partial.c_str());
  return ok;
}

bool exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

bool saveFlight(const NmeaBridge& bridge, std::string* datPath, std::string* gpxPath, std::string* error) {
  std::string track;
  if (!readWhole(bridge.trackPath(), &track)) {
    *error = "cannot read " + bridge.trackPath() + ": " + std::strerror(errno);
    return false;
  }
  const std::string folder = simpath::resolve("DATA\\flights");
  if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
    *error = "cannot create " + folder + ": " + std::strerror(errno);
    return false;
  }
  const std::string stamp = flightStamp(bridge.startUtc());
  std::string name = stamp;
  for (int n = 2; exists(folder + "/" + name + ".dat") || exists(folder + "/" + name + ".gpx"); ++n)
    name = stamp + "-" + std::to_string(n);
  *datPath = folder + "/" + name + ".dat";
  *gpxPath = folder + "/" + name + ".gpx";
  if (!writeWhole(*datPath, track)) {
    *error = "cannot write " + *datPath + ": " + std::strerror(errno);
    return false;
  }

  TrackFile saved(datPath->c_str());
  if (!saved.loaded) {
    *error = *datPath + " holds no data line; no GPX written";
    return false;
  }
  // Each point's time from the epoch that wrote it, so a gap the recording
  // skipped does not shift the times after it.
  std::vector<TrackPoint> points = saved.points;
  const std::vector<double>& times = bridge.lineTimes();
  if (times.size() == points.size())
    for (size_t i = 0; i < points.size(); ++i) points[i].elapsed = times[i] - bridge.startUtc();
  UtcTime start;
  start.seconds = static_cast<int64_t>(std::floor(bridge.startUtc()));
  start.centiseconds = static_cast<int>(std::lround((bridge.startUtc() - start.seconds) * 100));
  if (start.centiseconds == 100) {
    ++start.seconds;
    start.centiseconds = 0;
  }
  const GpxResult gpx = trackToGpx(points, name, &start);
  if (!writeWhole(*gpxPath, gpx.document)) {
    *error = "cannot write " + *gpxPath + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

std::string bridgeSummary(const NmeaBridge& bridge, BridgeEnd end, const std::string& error) {
  const BridgeCounts& c = bridge.counts();
  std::string s = "recording ended: ";
  switch (end) {
    case BridgeEnd::SourceEnded: s += "end of source"; break;
    case BridgeEnd::Signal: s += "stopped by a signal"; break;
    case BridgeEnd::Idle: s += "the source fell silent"; break;
    case BridgeEnd::ReadError: s += "read error: " + error; break;
    case BridgeEnd::RecorderFailed: s += error; break;
  }
  s += "\nepochs used: " + std::to_string(c.epochsUsed);
  s += "\nsentences used: " + std::to_string(c.sentencesUsed);
  s += "\nsentences not used (other types): " + std::to_string(c.outcomes[static_cast<int>(NmeaOutcome::NotUsed)]);
  std::string skipped;
  for (int i = static_cast<int>(NmeaOutcome::Checksum); i < static_cast<int>(NmeaOutcome::Count); ++i) {
    if (!c.outcomes[i]) continue;
    const bool epochRule = i == static_cast<int>(NmeaOutcome::Backwards) || i == static_cast<int>(NmeaOutcome::Jump);
    skipped += (skipped.empty() ? "" : ", ") + std::to_string(c.outcomes[i]) + " " +
               nmeaOutcomeName(static_cast<NmeaOutcome>(i)) + (epochRule ? " (epochs)" : "");
  }
  s += "\nskipped: " + (skipped.empty() ? std::string("none") : skipped);
  s += "\nlines written: " + std::to_string(c.linesWritten) + "\n";
  return s;
}
