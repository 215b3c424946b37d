#include "track_recorder.h"

#include <cmath>

#include "simpath.h"

float samplingInterval(int mode, float speed, double auxValue) {
  if (speed == 0.0f) return 54000.0f;
  const long double x = std::fabs(static_cast<long double>(auxValue));
  const long double v = speed;
  if (mode == 5) return static_cast<float>(30385.0L / (v * (45.0L * x + 1.0L)));
  return static_cast<float>(6077.0L / (v * (9.0L * x + 1.0L)));
}

void TrackRecorder::readAircraft(const HostTable& host) {
  host.getAircraft(&aircraft);
  host.getAuxValues(&aircraft, auxValues);
  host.getPosition(&aircraft, position);
  host.getSpeed(&aircraft, &speed);
}

void TrackRecorder::writeLine(double timeValue) {
  if (!trackFile) return;
  std::fprintf(trackFile, "%.2lf %.2lf %.2lf %.2f\n", position[0], position[1], position[2], timeValue);
  // A crash of the host must not take buffered samples with it.
  std::fflush(trackFile);
}

void TrackRecorder::tick(const HostTable& host) {
  if (state == RecordingMode1) {
    readAircraft(host);
    interval1 = samplingInterval(1, speed, auxValues[2]);
    elapsed1 = elapsed1 + host.elapsedTime();
    if (elapsed1 > interval1) {
      writeLine(elapsed1);
      elapsed1 = 0.0f;
    }
  } else if (state == RecordingMode5) {
    readAircraft(host);
    interval5 = samplingInterval(5, speed, auxValues[2]);
    elapsed5 = elapsed5 + host.elapsedTime();
    if (elapsed5 > interval5) {
      writeLine(elapsed5);
      elapsed5 = 0.0f;
    }
  }
}

void TrackRecorder::start(const HostTable& host, int mode) {
  if (state != Idle) return;
  trackFile = simpath::open(kTrackFilePath, "w");
  if (trackFile) {
    state = mode == 5 ? RecordingMode5 : RecordingMode1;
    std::fputs(mode == 5 ? "5 0 0\n" : "1 0 0\n", trackFile);
    std::fflush(trackFile);
  }
  host.notifyWindow(tags::controlWindow);
}

void TrackRecorder::stop(const HostTable& host) {
  if (state == Idle) return;
  state = Idle;
  readAircraft(host);
  writeLine(static_cast<double>(elapsed1 + elapsed5));
  if (trackFile) std::fclose(trackFile);
  trackFile = nullptr;
  if (host.isWindowOpen(tags::controlWindow)) host.closeWindow(tags::controlWindow);
  if (host.isWindowOpen(tags::annunciatorWindow)) host.closeWindow(tags::annunciatorWindow);
  host.checkMenuItem(tags::menuBar, tags::menu, tags::menuItem, 0);
}

void TrackRecorder::abandon() {
  if (trackFile) std::fclose(trackFile);
  trackFile = nullptr;
  // Nothing may write to the closed stream if the host ticks on regardless.
  state = Idle;
}
