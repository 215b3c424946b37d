#include "nmea_source.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#ifdef HAVE_LIBGPS
#include <gps.h>
#endif

void LineSplitter::push(const char* bytes, size_t count, std::vector<std::string>* lines) {
  for (size_t i = 0; i < count; ++i) {
    const char c = bytes[i];
    if (c == '\n' || c == '\r') {
      flush(lines);
    } else if (partial_.size() < kKeep) {
      partial_ += c;
    } else {
      ++dropped_;
    }
  }
}

void LineSplitter::flush(std::vector<std::string>* lines) {
  if (!partial_.empty()) lines->push_back(partial_);
  partial_.clear();
  dropped_ = 0;
}

namespace {

std::string systemError(const std::string& what) { return what + ": " + std::strerror(errno); }

// Waits for fd to become readable: 1 ready, 0 timed out (or a signal came), -1 error.
int waitReadable(int fd, int timeoutMs) {
  pollfd p{fd, POLLIN, 0};
  int r = ::poll(&p, 1, timeoutMs);
  if (r < 0) return errno == EINTR ? 0 : -1;
  return r;
}

// A byte stream on a file descriptor: a file, standard input, a TCP socket, a tty.
class StreamSource : public NmeaSource {
 public:
  StreamSource(int fd, bool ownsFd, bool log) : fd_(fd), owns_(ownsFd), log_(log) {}
  ~StreamSource() override {
    if (owns_ && fd_ >= 0) ::close(fd_);
  }
  bool isLog() const override { return log_; }

  Status read(std::vector<std::string>* lines, int timeoutMs) override {
    const size_t before = lines->size();
    int ready = waitReadable(fd_, timeoutMs);
    if (ready < 0) {
      error_ = systemError("poll");
      return Failed;
    }
    if (ready == 0) return Waiting;
    char buffer[65536];
    ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return Waiting;
    // A pseudo-terminal or serial port whose other end hung up reads EIO.
    if (n == 0 || (n < 0 && errno == EIO)) {
      splitter_.flush(lines);
      return lines->size() > before ? Lines : Ended;
    }
    if (n < 0) {
      error_ = systemError("read");
      return Failed;
    }
    splitter_.push(buffer, static_cast<size_t>(n), lines);
    return lines->size() > before ? Lines : Waiting;
  }

 private:
  int fd_;
  bool owns_, log_;
  LineSplitter splitter_;
};

class UdpSource : public NmeaSource {
 public:
  explicit UdpSource(int fd) : fd_(fd) {}
  ~UdpSource() override { ::close(fd_); }

  Status read(std::vector<std::string>* lines, int timeoutMs) override {
    const size_t before = lines->size();
    int ready = waitReadable(fd_, timeoutMs);
    if (ready < 0) {
      error_ = systemError("poll");
      return Failed;
    }
    // Everything already queued, so a burst is not read one datagram per wait.
    while (ready > 0) {
      char buffer[65536];
      ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
      if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) break;
        error_ = systemError("recv");
        return Failed;
      }
      splitter_.push(buffer, static_cast<size_t>(n), lines);
      splitter_.flush(lines);  // a sentence never spans datagrams
    }
    return lines->size() > before ? Lines : Waiting;
  }

 private:
  int fd_;
  LineSplitter splitter_;
};

#ifdef HAVE_LIBGPS
class GpsdSource : public NmeaSource {
 public:
  GpsdSource() { std::memset(&data_, 0, sizeof data_); }
  ~GpsdSource() override {
    if (open_) {
      ::gps_stream(&data_, WATCH_DISABLE, nullptr);
      ::gps_close(&data_);
    }
  }
  bool open(const std::string& host, const std::string& port, std::string* error) {
    if (::gps_open(host.c_str(), port.c_str(), &data_) != 0) {
      *error = "cannot reach gpsd at " + host + ":" + port + ": " + ::gps_errstr(errno);
      return false;
    }
    open_ = true;
    // The receiver's own sentences (gpsd makes NMEA from binary receivers too).
    if (::gps_stream(&data_, WATCH_ENABLE | WATCH_NMEA, nullptr) != 0) {
      *error = "gpsd refused the watch request";
      return false;
    }
    return true;
  }

  Status read(std::vector<std::string>* lines, int timeoutMs) override {
    const size_t before = lines->size();
    if (!::gps_waiting(&data_, timeoutMs * 1000)) {
      // gps_waiting is also false when the daemon went away: a read tells.
      pollfd p{static_cast<int>(data_.gps_fd), POLLIN, 0};
      if (::poll(&p, 1, 0) <= 0) return Waiting;
    }
    // Every response buffered so far, one line each.
    do {
      char message[4096] = {0};
      int n = ::gps_read(&data_, message, sizeof message - 1);
      if (n < 0) return lines->size() > before ? Lines : Ended;
      if (n == 0) break;
      std::vector<std::string> got;
      splitter_.push(message, std::strlen(message), &got);
      splitter_.flush(&got);
      // gpsd's own JSON reports (version, devices, watch) are not the receiver's.
      for (std::string& line : got)
        if (line[0] != '{') lines->push_back(std::move(line));
    } while (::gps_waiting(&data_, 0));
    return lines->size() > before ? Lines : Waiting;
  }

 private:
  gps_data_t data_;
  bool open_ = false;
  LineSplitter splitter_;
};
#endif

// "HOST:PORT" split at the last colon; IPv6 literals in brackets.
bool hostAndPort(const std::string& text, std::string* host, std::string* port) {
  size_t colon = text.rfind(':');
  if (colon == std::string::npos) return false;
  *host = text.substr(0, colon);
  *port = text.substr(colon + 1);
  if (host->size() >= 2 && host->front() == '[' && host->back() == ']') *host = host->substr(1, host->size() - 2);
  return !port->empty();
}

bool validPort(const std::string& port) {
  if (port.empty() || port.size() > 5) return false;
  for (char c : port)
    if (c < '0' || c > '9') return false;
  const int n = std::atoi(port.c_str());
  return n >= 1 && n <= 65535;
}

std::unique_ptr<NmeaSource> openUdp(const std::string& rest, std::string* error) {
  std::string address = "0.0.0.0", port = rest;
  if (rest.find(':') != std::string::npos && !hostAndPort(rest, &address, &port)) port.clear();
  if (!validPort(port)) {
    *error = "udp: needs [ADDR:]PORT, with PORT 1 to 65535";
    return nullptr;
  }
  addrinfo hints{}, *found = nullptr;
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_DGRAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  int rc = ::getaddrinfo(address.c_str(), port.c_str(), &hints, &found);
  if (rc != 0) {
    *error = "udp: " + address + ": " + ::gai_strerror(rc);
    return nullptr;
  }
  int fd = ::socket(found->ai_family, found->ai_socktype, found->ai_protocol);
  if (fd >= 0) {
    int on = 1, size = 1 << 20;  // room for a burst of fixes while the plug-in writes
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    if (::bind(fd, found->ai_addr, found->ai_addrlen) != 0) {
      *error = systemError("udp: bind " + address + ":" + port);
      ::close(fd);
      fd = -1;
    }
  } else {
    *error = systemError("udp: socket");
  }
  ::freeaddrinfo(found);
  if (fd < 0) return nullptr;
  return std::make_unique<UdpSource>(fd);
}

std::unique_ptr<NmeaSource> openTcp(const std::string& rest, std::string* error) {
  std::string host, port;
  if (!hostAndPort(rest, &host, &port) || host.empty() || !validPort(port)) {
    *error = "tcp: needs HOST:PORT, with PORT 1 to 65535";
    return nullptr;
  }
  addrinfo hints{}, *found = nullptr;
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  int rc = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &found);
  if (rc != 0) {
    *error = "tcp: " + host + ": " + ::gai_strerror(rc);
    return nullptr;
  }
  int fd = -1;
  for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
    fd = ::socket(a->ai_family, a->ai_socktype, a->ai_protocol);
    if (fd >= 0 && ::connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
      *error = systemError("tcp: connect to " + host + ":" + port);
      ::close(fd);
      fd = -1;
    }
  }
  ::freeaddrinfo(found);
  if (fd < 0) return nullptr;
  return std::make_unique<StreamSource>(fd, true, false);
}

bool baudRate(long baud, speed_t* out) {
  static const struct {
    long baud;
    speed_t speed;
  } rates[] = {{1200, B1200},     {2400, B2400},     {4800, B4800},     {9600, B9600},
               {19200, B19200},   {38400, B38400},   {57600, B57600},   {115200, B115200},
               {230400, B230400}, {460800, B460800}, {921600, B921600}};
  for (const auto& r : rates)
    if (r.baud == baud) {
      *out = r.speed;
      return true;
    }
  return false;
}

std::unique_ptr<NmeaSource> openSerial(const std::string& rest, std::string* error) {
  std::string device = rest;
  long baud = 4800;  // NMEA 0183's own rate
  size_t colon = rest.rfind(':');
  if (colon != std::string::npos) {
    const std::string tail = rest.substr(colon + 1);
    char* end = nullptr;
    baud = std::strtol(tail.c_str(), &end, 10);
    if (tail.empty() || *end != '\0') baud = -1;
    device = rest.substr(0, colon);
  }
  speed_t speed;
  if (device.empty() || !baudRate(baud, &speed)) {
    *error = "serial: needs DEVICE[:BAUD], BAUD one of 1200 2400 4800 9600 19200 38400 57600 115200 230400 "
             "460800 921600";
    return nullptr;
  }
  int fd = ::open(device.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *error = systemError("serial: " + device);
    return nullptr;
  }
  termios t;
  if (::tcgetattr(fd, &t) != 0) {
    *error = systemError("serial: " + device + " is not a terminal");
    ::close(fd);
    return nullptr;
  }
  ::cfmakeraw(&t);  // 8 data bits, no parity, no echo, no line editing
  t.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS);
  t.c_cflag |= CS8 | CLOCAL | CREAD;
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
  ::cfsetispeed(&t, speed);
  ::cfsetospeed(&t, speed);
  if (::tcsetattr(fd, TCSANOW, &t) != 0) {
    *error = systemError("serial: " + device + ": cannot set " + std::to_string(baud) + " baud 8N1");
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<StreamSource>(fd, true, false);
}

std::unique_ptr<NmeaSource> openGpsd(const std::string& rest, std::string* error) {
  std::string host = "localhost", port = "2947";
  if (!rest.empty()) {
    if (rest.find(':') != std::string::npos) {
      hostAndPort(rest, &host, &port);
      if (!validPort(port)) {
        *error = "gpsd: needs gpsd[:HOST[:PORT]], with PORT 1 to 65535";
        return nullptr;
      }
    } else {
      host = rest;
    }
  }
#ifdef HAVE_LIBGPS
  auto source = std::make_unique<GpsdSource>();
  if (!source->open(host, port, error)) return nullptr;
  return source;
#else
  *error = "gpsd: this orvandel-host was built without libgps (Debian libgps-dev)";
  return nullptr;
#endif
}

}  // namespace

bool nmeaHaveGpsd() {
#ifdef HAVE_LIBGPS
  return true;
#else
  return false;
#endif
}

std::unique_ptr<NmeaSource> openNmeaSource(const std::string& sourceText, std::string* error) {
  auto after = [&](const char* prefix) { return sourceText.substr(std::strlen(prefix)); };
  if (sourceText.rfind("file:", 0) == 0) {
    const std::string path = after("file:");
    if (path == "-") return std::make_unique<StreamSource>(0, false, true);
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      *error = systemError("file: " + path);
      return nullptr;
    }
    return std::make_unique<StreamSource>(fd, true, true);
  }
  if (sourceText.rfind("udp:", 0) == 0) return openUdp(after("udp:"), error);
  if (sourceText.rfind("tcp:", 0) == 0) return openTcp(after("tcp:"), error);
  if (sourceText.rfind("serial:", 0) == 0) return openSerial(after("serial:"), error);
  if (sourceText == "gpsd") return openGpsd("", error);
  if (sourceText.rfind("gpsd:", 0) == 0) return openGpsd(after("gpsd:"), error);
  *error = "unknown source " + sourceText + " (file:PATH, udp:[ADDR:]PORT, tcp:HOST:PORT, serial:DEVICE[:BAUD], "
           "gpsd[:HOST[:PORT]])";
  return nullptr;
}
