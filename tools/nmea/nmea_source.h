// Where NMEA lines come from: a log file or standard input, a UDP port, a TCP
// NMEA server, a serial GPS receiver, or gpsd through libgps.
//
// Every source hands out whole lines (without their endings) through one call
// that waits at most a given time, so the bridge's loop can watch its stop flag
// and its progress clock whatever the source. A line longer than any sentence is
// kept only up to a bound (it is refused as too long anyway), so a stream without
// line breaks cannot grow memory.
#pragma once

#include <memory>
#include <string>
#include <vector>

class NmeaSource {
 public:
  enum Status {
    Lines,    // one or more lines were appended
    Waiting,  // nothing arrived within the time given
    Ended,    // end of file, the peer closed, the device hung up
    Failed    // a read error; error() says which
  };
  virtual ~NmeaSource() = default;
  // Appends the lines that arrived; waits at most timeoutMs for the first.
  virtual Status read(std::vector<std::string>* lines, int timeoutMs) = 0;
  // True for a recorded log (file:), whose timestamps --realtime may pace.
  virtual bool isLog() const { return false; }
  const std::string& error() const { return error_; }

 protected:
  std::string error_;
};

// Splits a byte stream into lines at '\n' or '\r'; empty lines are dropped.
class LineSplitter {
 public:
  static constexpr size_t kKeep = 128;  // characters kept of an overlong line
  void push(const char* bytes, size_t count, std::vector<std::string>* lines);
  // The end of a datagram or of the stream also ends a line.
  void flush(std::vector<std::string>* lines);

 private:
  std::string partial_;
  size_t dropped_ = 0;
};

// SOURCE as on the command line: file:PATH (file:- is standard input),
// udp:[ADDR:]PORT, tcp:HOST:PORT, serial:DEVICE[:BAUD], gpsd[:HOST[:PORT]].
// Null with the reason in *error when it cannot be opened.
std::unique_ptr<NmeaSource> openNmeaSource(const std::string& sourceText, std::string* error);

// Whether this build has the gpsd source (libgps was found).
bool nmeaHaveGpsd();
