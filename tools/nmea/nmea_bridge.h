// The stand-in host as a bridge: NMEA lines in, the real plug-in recording out.
//
// NmeaBridge takes lines one at a time, counts each line's outcome, assembles
// epochs and drives the plug-in through StandInHost exactly as the simulator
// would: "bt1m" or "bt5m" at the first valid fix, one tick per later epoch, "dsbl"
// at the end, so the track file is written by the plug-in's own sampling. It
// watches the track file grow to know which epoch wrote which line, so the saved
// copy's GPX carries each line's real UTC time.
//
// runNmeaBridge is the loop around it: read the source, pace a log with
// --realtime, stop on end of source, silence or a signal, show progress. When the
// recording ends, saveFlight keeps the finished track under DATA/flights/ with a
// GPX file beside it, since the plug-in truncates its track file at each start.
#pragma once

#include <csignal>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "nmea_epoch.h"
#include "nmea_source.h"
#include "stand_in_host.h"

// Counts the data lines of the growing track file from the bytes added since the
// last look (the header line is not one).
class TrackLineCounter {
 public:
  ~TrackLineCounter();
  bool open(const std::string& path);
  // New data lines since the last call.
  long poll();
  long lines() const { return lines_; }

 private:
  std::FILE* file_ = nullptr;
  long newlines_ = 0, lines_ = 0;
};

struct BridgeCounts {
  long sentencesUsed = 0;
  long outcomes[static_cast<int>(NmeaOutcome::Count)] = {};  // per line, and per epoch for the time rules
  long epochsUsed = 0;  // the start and every tick
  long linesWritten = 0;
};

class NmeaBridge {
 public:
  // host: started up, menu installed and chosen. fallbackDate: days since 1970
  // for fixes before the first RMC date.
  NmeaBridge(StandInHost& host, int mode, int64_t fallbackDate);

  // One line without its ending. False once the recording cannot go on (the
  // plug-in opened no track file).
  bool line(const std::string& text);
  // The source ended: the last epoch ticks, then "dsbl" and DLLKill.
  void finish();

  // Called before each epoch is applied, with its UTC time (--realtime paces here).
  std::function<void(const TimelineStep&)> beforeEpoch;

  bool started() const { return timeline_.started(); }
  bool failed() const { return !failure_.empty(); }
  const std::string& failure() const { return failure_; }
  const BridgeCounts& counts() const { return counts_; }
  double startUtc() const { return timeline_.startUtc(); }
  double lastUtc() const { return lastUtc_; }
  const FlightSample& lastSample() const { return host_.aircraft; }
  // The UTC time of each data line of the track file, in order.
  const std::vector<double>& lineTimes() const { return lineTimes_; }
  const std::string& trackPath() const { return trackPath_; }

 private:
  void epoch(const NmeaEpoch& e);
  void collectLines(double utc);

  StandInHost& host_;
  int mode_;
  EpochAssembler assembler_;
  FixTimeline timeline_;
  TrackLineCounter counter_;
  BridgeCounts counts_;
  std::vector<double> lineTimes_;
  std::string trackPath_, failure_;
  double lastUtc_ = 0;
  bool finished_ = false;
};

struct BridgeOptions {
  bool realtime = false;      // pace a log by its timestamps
  bool progress = true;       // the status line on standard error
  double idleEndSeconds = 0;  // end when nothing arrived for this long; 0: never
};

// Why the loop ended, for the summary.
enum class BridgeEnd { SourceEnded, Signal, Idle, ReadError, RecorderFailed };

// SIGINT and SIGTERM ask the loop to end the recording; a second one ends the
// process at once (what was written stays: the plug-in flushes every line).
void installStopSignals();
bool stopRequested();

BridgeEnd runNmeaBridge(NmeaSource& source, NmeaBridge& bridge, const BridgeOptions& options,
                        std::string* error);

// "2026-12-09T180341Z" from seconds since 1970.
std::string flightStamp(double utcSeconds);

// Copies the finished track to DATA/flights/<stamp>.dat (a "-2", "-3" ... suffix
// when that name is taken) and writes <stamp>.gpx beside it with each point's
// UTC time. The paths written go to *datPath and *gpxPath.
bool saveFlight(const NmeaBridge& bridge, std::string* datPath, std::string* gpxPath, std::string* error);

// The summary printed at the end.
std::string bridgeSummary(const NmeaBridge& bridge, BridgeEnd end, const std::string& error);
