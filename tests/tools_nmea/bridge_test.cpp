// orvandel-host --nmea with the real plug-in and real sources: a log file and
// standard input, UDP and TCP on loopback, a pseudo-terminal as the serial
// receiver, gpsd fed by gpsfake, and FlightGear's own NMEA captures.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "nmea_sentence.h"
#include "track_file.h"
#include "test_files.h"

namespace fs = std::filesystem;

namespace {


std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  std::string l;
  while (std::getline(in, l)) out.push_back(l);
  return out;
}

bool writeAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

double now() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// orvandel-host in a simulator folder, standard output and error to files.
class Host {
 public:
  explicit Host(const fs::path& folder) : folder_(folder) {}
  ~Host() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    if (stdin_ >= 0) ::close(stdin_);
  }
  void start(const std::vector<std::string>& args, bool pipeStdin = false) {
    std::vector<std::string> all = {ORVANDEL_HOST_PATH, "--plugin", ORVANDEL_PLUGIN_PATH, "--dir", folder_.string()};
    all.insert(all.end(), args.begin(), args.end());
    int in[2] = {-1, -1};
    if (pipeStdin) {
      ASSERT_EQ(::pipe(in), 0);
    }
    pid_ = ::fork();
    ASSERT_GE(pid_, 0);
    if (pid_ == 0) {
      if (pipeStdin) {
        ::dup2(in[0], 0);
        ::close(in[1]);
      }
      int out = ::open((folder_ / "host.out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      int err = ::open((folder_ / "host.err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ::dup2(out, 1);
      ::dup2(err, 2);
      std::vector<char*> argv;
      for (std::string& a : all) argv.push_back(&a[0]);
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    if (pipeStdin) {
      ::close(in[0]);
      stdin_ = in[1];
    }
  }
  void writeStdin(const std::string& text) { ASSERT_TRUE(writeAll(stdin_, text)); }
  void closeStdin() {
    ::close(stdin_);
    stdin_ = -1;
  }
  bool alive() const { return pid_ > 0 && ::kill(pid_, 0) == 0; }
  void signal(int sig) { ::kill(pid_, sig); }
  // Exit status, or -1 after the timeout (the process is then killed).
  int wait(double seconds = 60) {
    const double end = now() + seconds;
    int status = 0;
    while (now() < end) {
      pid_t r = ::waitpid(pid_, &status, WNOHANG);
      if (r == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }
  std::string out() const { return readFile(folder_ / "host.out"); }
  std::string err() const { return readFile(folder_ / "host.err"); }

 private:
  fs::path folder_;
  pid_t pid_ = -1;
  int stdin_ = -1;
};

class Bridge : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/nmea-sim-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder = pattern;
    fs::create_directory(folder / "DATA");
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }
  // A second simulator folder for a second recording to compare with.
  fs::path sibling(const std::string& name) {
    fs::path p = folder / name;
    fs::create_directories(p / "DATA");
    return p;
  }
  std::string track(const fs::path& sim) const { return readFile(sim / "DATA" / "__ORVANDEL.dat"); }
  // Records `log` through file: in `sim`; the exit status.
  int recordFile(const fs::path& sim, const std::string& log, const std::vector<std::string>& extra = {},
                 std::string* out = nullptr) {
    std::ofstream(sim / "flight.nmea", std::ios::binary) << log;
    Host h(sim);
    std::vector<std::string> args = {"--nmea", "file:" + (sim / "flight.nmea").string()};
    args.insert(args.end(), extra.begin(), extra.end());
    h.start(args);
    int status = h.wait();
    if (out) *out = h.out() + h.err();
    return status;
  }

  fs::path folder;
};

// A flight northbound at 360 knots, 1 Hz, RMC, GGA and GSA per fix, from 12:00:00
// on 9 December 2026 at 45 N 5 E, 1000 m.
std::string fixLines(int second, double latitudeMinutes, double knots = 360) {
  char time[16], lat[32], speed[16];
  std::snprintf(time, sizeof time, "%02d%02d%02d", 12 + second / 3600, second / 60 % 60, second % 60);
  std::snprintf(lat, sizeof lat, "45%07.4f", latitudeMinutes);
  std::snprintf(speed, sizeof speed, "%.1f", knots);
  return nmeaSentence(std::string("GPRMC,") + time + ",A," + lat + ",N,00500.0000,E," + speed + ",0.0,091226,,") +
         "\r\n" + nmeaSentence(std::string("GPGGA,") + time + "," + lat + ",N,00500.0000,E,1,08,0.9,1000.0,M,,,,") +
         "\r\n" + nmeaSentence("GPGSA,A,3,01,02,03,,05,,07,,09,,11,12,0.9,0.9,2.0") + "\r\n";
}

std::string cleanLog(int seconds) {
  std::string log;
  for (int s = 0; s < seconds; ++s) log += fixLines(s, s * 0.1);  // 360 kt: 0.1 NM a second
  return log;
}

TEST_F(Bridge, LogThroughThePluginWithBadLinesCountedAndTheFlightSaved) {
  std::string log;
  for (int s = 0; s < 60; ++s) {
    log += fixLines(s, s * 0.1);
    if (s == 5) log += "$GPRMC,120005,A,4500.5000,N,00500.0000,E,360.0,0.0,091226,,*00\r\n";  // checksum
    if (s == 6) log += nmeaSentence("GPRMC,120006,V,4559.0000,N,00500.0000,E,0.0,0.0,091226,,") + "\r\n";
    if (s == 7) log += nmeaSentence("IIMWV,045.0,R,10.0,N,A") + "\r\n";
    if (s == 8) log += std::string("\x13\x80\xfe junk\xff\r\n");
    if (s == 9) log += nmeaSentence("GPTXT,01,01,02," + std::string(80, 'X')) + "\r\n";
    if (s == 10) log += nmeaSentence("GPABC,1,2") + "\r\n";
    if (s == 11) log += "$GPGGA,120011,4501.1000,N,005\r\n";
    if (s == 12) log += nmeaSentence("GPGGA,120012,4501.2000,N,00500.0000,E,0,00,,,M,,M,,") + "\r\n";
  }
  log += fixLines(30, 3.0);   // back in time: skipped, and the reference of the next
  log += fixLines(1500, 3.1);  // 24.5 minutes later: skipped
  log += fixLines(1501, 3.2);
  log += fixLines(1502, 3.3);
  std::string out;
  ASSERT_EQ(recordFile(folder, log, {}, &out), 0) << out;

  // 360 kt = 607.6 ft/s: the mode-1 interval is 10.0015 s, so a line every 11th
  // one-second tick (ticks 11 to 55), then the stop line with the 6 s left.
  std::vector<std::string> lines = splitLines(track(folder));
  ASSERT_EQ(lines.size(), 1u + 5u + 1u) << track(folder);
  EXPECT_EQ(lines[0], "1 0 0");
  // The 12th fix (tick 11): 45 degrees 1.1 minutes N, 5 E, 1000 m.
  EXPECT_EQ(lines[1], "162066.00 18000.00 3280.84 11.00");
  EXPECT_EQ(lines[5], "162330.00 18000.00 3280.84 11.00");
  EXPECT_EQ(lines[6], "162198.00 18000.00 3280.84 6.00");

  EXPECT_NE(out.find("recording ended: end of source"), std::string::npos) << out;
  EXPECT_NE(out.find("epochs used: 62\n"), std::string::npos) << out;
  EXPECT_NE(out.find("skipped: 1 checksum, 2 void fix, 1 unknown sentence, 1 other talker, 1 truncated, "
                     "1 too long, 1 noise, 1 time backwards (epochs), 1 time jump (epochs)\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("lines written: 6\n"), std::string::npos) << out;

  // The finished flight kept under its UTC start, with a GPX of the real times:
  // the last point after the 24-minute gap at 12:25:02, not 65 s after the start.
  const fs::path saved = folder / "DATA" / "flights" / "2026-12-09T120000Z.dat";
  EXPECT_EQ(readFile(saved), track(folder));
  const std::string gpx = readFile(folder / "DATA" / "flights" / "2026-12-09T120000Z.gpx");
  EXPECT_NE(gpx.find("<gpx version=\"1.1\""), std::string::npos) << gpx.substr(0, 300);
  EXPECT_NE(gpx.find("<time>2026-12-09T12:00:11Z</time>"), std::string::npos);
  EXPECT_NE(gpx.find("<time>2026-12-09T12:25:02Z</time>"), std::string::npos) << gpx;

  // A second recording of the same start does not overwrite the first.
  ASSERT_EQ(recordFile(folder, log), 0);
  EXPECT_TRUE(fs::exists(folder / "DATA" / "flights" / "2026-12-09T120000Z-2.dat"));
}

TEST_F(Bridge, RefusesBadSourcesAndRecordsNothingWithoutAValidFix) {
  std::string out;
  const std::string voids = nmeaSentence("GPRMC,120000,V,,,,,,,091226,,") + "\n" +
                            nmeaSentence("GPGGA,120001,,,,,0,00,,,M,,M,,") + "\n";
  EXPECT_EQ(recordFile(folder, voids, {}, &out), 3) << out;
  EXPECT_NE(out.find("skipped: 2 void fix"), std::string::npos) << out;
  EXPECT_FALSE(fs::exists(folder / "DATA" / "__ORVANDEL.dat"));

  struct Case {
    std::vector<std::string> args;
    const char* says;
  } cases[] = {
      {{"--nmea", "nonsense"}, "unknown source"},
      {{"--nmea", "file:/nonexistent/log.nmea"}, "file: /nonexistent/log.nmea"},
      {{"--nmea", "udp:70000"}, "PORT 1 to 65535"},
      {{"--nmea", "tcp:127.0.0.1"}, "HOST:PORT"},
      {{"--nmea", "serial:/dev/null:4801"}, "BAUD one of"},
      {{"--nmea", "serial:/dev/null"}, "not a terminal"},
      {{"--nmea", "file:x", "--ticks", "3"}, "give one of"},
      {{"--ticks", "3", "--realtime"}, "go with --nmea"},
      {{"--nmea", "file:x", "--idle-end", "-1"}, "--idle-end"},
  };
  for (const Case& c : cases) {
    Host h(folder);
    h.start(c.args);
    EXPECT_EQ(h.wait(), 2) << c.args[1];
    EXPECT_NE(h.err().find(c.says), std::string::npos) << c.args[1] << ": " << h.err();
  }
  // Without a data folder the plug-in cannot open its file: said at the first fix.
  fs::remove_all(folder / "DATA");
  EXPECT_EQ(recordFile(folder, cleanLog(3), {}, &out), 3);
  EXPECT_NE(out.find("needs a data folder"), std::string::npos) << out;
}

// A free UDP or TCP port on loopback (bound, read back, released).
int freePort(int type) {
  int fd = ::socket(AF_INET, type, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(fd);
  return ntohs(a.sin_port);
}

// True once something holds the UDP port (our bind without SO_REUSEADDR fails).
bool udpPortTaken(int port) {
  int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  const bool taken = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 && errno == EADDRINUSE;
  ::close(fd);
  return taken;
}

// One datagram per fix, as FlightGear sends them: the sentences from one RMC to the next.
std::vector<std::string> datagrams(const std::string& log) {
  std::vector<std::string> out;
  for (const std::string& line : splitLines(log)) {
    if (out.empty() || line.compare(0, 6, "$GPRMC") == 0) out.emplace_back();
    out.back() += line + "\n";
  }
  return out;
}

// Sends the log to the bridge over UDP on loopback; the bridge ends after 1 s of silence.
int recordUdp(const fs::path& sim, const std::string& log, std::string* out) {
  const int port = freePort(SOCK_DGRAM);
  Host h(sim);
  h.start({"--nmea", "udp:127.0.0.1:" + std::to_string(port), "--idle-end", "1"});
  for (double end = now() + 20; !udpPortTaken(port) && now() < end && h.alive();)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  to.sin_port = htons(static_cast<uint16_t>(port));
  for (const std::string& d : datagrams(log)) {
    ::sendto(fd, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    std::this_thread::sleep_for(std::chrono::microseconds(300));  // a simulator sends a few per frame
  }
  ::close(fd);
  const int status = h.wait();
  *out = h.out() + h.err();
  return status;
}

// The same log through every live source gives the file source's track.
TEST_F(Bridge, StdinTcpUdpAndSerialRecordWhatTheFileRecords) {
  const std::string log = cleanLog(40);
  const fs::path reference = sibling("reference");
  ASSERT_EQ(recordFile(reference, log), 0);
  const std::string expected = track(reference);
  ASSERT_EQ(splitLines(expected).size(), 1u + 3u + 1u) << expected;

  {  // file:- : the end of standard input ends the recording
    const fs::path sim = sibling("stdin");
    Host h(sim);
    h.start({"--nmea", "file:-"}, true);
    h.writeStdin(log);
    h.closeStdin();
    EXPECT_EQ(h.wait(), 0) << h.err();
    EXPECT_EQ(track(sim), expected) << "file:-";
  }
  {  // tcp: the server closing ends it
    const fs::path sim = sibling("tcp");
    int server = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::listen(server, 1), 0);
    ::getsockname(server, reinterpret_cast<sockaddr*>(&a), &len);
    Host h(sim);
    h.start({"--nmea", "tcp:127.0.0.1:" + std::to_string(ntohs(a.sin_port))});
    pollfd p{server, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 20000), 1) << "the bridge did not connect";
    int client = ::accept(server, nullptr, nullptr);
    ASSERT_TRUE(writeAll(client, log));
    ::close(client);
    ::close(server);
    EXPECT_EQ(h.wait(), 0) << h.err();
    EXPECT_EQ(track(sim), expected) << "tcp:";
    EXPECT_NE(h.out().find("recording ended: end of source"), std::string::npos) << h.out();
  }
  {  // udp: datagrams on loopback
    const fs::path sim = sibling("udp");
    std::string out;
    EXPECT_EQ(recordUdp(sim, log, &out), 0) << out;
    EXPECT_EQ(track(sim), expected) << "udp:";
    EXPECT_NE(out.find("recording ended: the source fell silent"), std::string::npos) << out;
  }
  {  // serial: a pseudo-terminal as the receiver, 9600 baud; SIGINT ends it
    const fs::path sim = sibling("serial");
    int master = -1, slave = -1;
    char name[256];
    termios raw{};
    ::cfmakeraw(&raw);
    ASSERT_EQ(::openpty(&master, &slave, name, &raw, nullptr), 0);
    Host h(sim);
    h.start({"--nmea", std::string("serial:") + name + ":9600"});
    ASSERT_TRUE(writeAll(master, log));
    // Until the bridge has written the sampled lines (it is reading) and nothing
    // has waited on the terminal for a while (it has read everything).
    const size_t sampled = splitLines(expected).size() - 1;
    double quietSince = now();
    for (double end = now() + 30; now() < end && h.alive();) {
      int pending = 0;
      ::ioctl(slave, FIONREAD, &pending);
      if (pending > 0) quietSince = now();
      if (splitLines(track(sim)).size() >= sampled && now() - quietSince > 0.5) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    h.signal(SIGINT);
    EXPECT_EQ(h.wait(), 0) << h.err();
    EXPECT_EQ(track(sim), expected) << "serial:";
    EXPECT_NE(h.out().find("recording ended: stopped by a signal"), std::string::npos) << h.out();
    ::close(master);
    ::close(slave);
  }
}

TEST_F(Bridge, RealtimePacesALogByItsTimestamps) {
  const std::string log = cleanLog(4);  // 3 s from the first fix to the last
  const fs::path sim = sibling("paced");
  const double began = now();
  ASSERT_EQ(recordFile(sim, log, {"--realtime"}), 0);
  const double took = now() - began;
  EXPECT_GE(took, 2.9) << "a 3-second log replayed in real time";
  ASSERT_EQ(recordFile(folder, log), 0);
  EXPECT_EQ(track(sim), track(folder));

  // Stopped after a second and a half, the replay ends where it stood, not at the
  // end of what it had read ahead.
  const fs::path stopped = sibling("stopped");
  std::ofstream(stopped / "flight.nmea", std::ios::binary) << cleanLog(60);
  Host h(stopped);
  h.start({"--nmea", "file:" + (stopped / "flight.nmea").string(), "--realtime"});
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  h.signal(SIGINT);
  EXPECT_EQ(h.wait(), 0) << h.err();
  const std::string out = h.out();
  EXPECT_NE(out.find("stopped by a signal"), std::string::npos) << out;
  const size_t at = out.find("epochs used: ");
  ASSERT_NE(at, std::string::npos) << out;
  EXPECT_LE(std::atoi(out.c_str() + at + 13), 10) << out;
}

// gpsd (started by gpsfake from a log) passes the receiver's sentences through libgps.
TEST_F(Bridge, GpsdFedByGpsfakeRecordsWhatTheFileRecords) {
  if (std::system("gpsfake --help >/dev/null 2>&1") != 0) GTEST_SKIP() << "gpsfake not installed (Debian gpsd-clients)";
  // gpsd drops what arrives while it probes the new device: a receiver still
  // searching (void fixes) comes first, as a real one does.
  std::string log;
  for (int i = 0; i < 120; ++i)
    log += nmeaSentence("GPRMC,115900,V,,,,,,,091226,,") + "\r\n" + nmeaSentence("GPGGA,115900,,,,,0,00,,,M,,M,,") + "\r\n";
  log += cleanLog(30);
  ASSERT_EQ(recordFile(folder, log), 0);
  const std::string expected = track(folder);

  const fs::path sim = sibling("gpsd");
  std::ofstream(sim / "fake.nmea", std::ios::binary) << log;
  const int port = freePort(SOCK_STREAM);
  // -1: the log once; -W 2: gpsfake ends 2 s after it (and gpsd with it). It waits for our client.
  const std::string fake = "gpsfake -1 -q -W 2 -c 0.02 -P " + std::to_string(port) + " " + (sim / "fake.nmea").string() +
                           " >" + (sim / "gpsfake.log").string() + " 2>&1 &";
  ASSERT_EQ(std::system(fake.c_str()), 0);
  Host h(sim);
  int status = -1;
  for (int attempt = 0; attempt < 40; ++attempt) {  // until gpsd listens
    h.start({"--nmea", "gpsd:127.0.0.1:" + std::to_string(port)});
    status = h.wait(120);
    if (status != 2 || h.err().find("cannot reach gpsd") == std::string::npos) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
  }
  const std::string out = h.out();
  ASSERT_EQ(status, 0) << out << h.err() << readFile(sim / "gpsfake.log");
  EXPECT_NE(out.find("void fix"), std::string::npos) << "gpsd passed none of the void fixes that lead the log, "
                                                          "so it may have dropped valid ones too: " << out;
  EXPECT_EQ(track(sim), expected) << out;
}

// FlightGear's own output (../shared/data/flightgear, see its README).
class Capture : public Bridge {
 protected:
  std::string capture(const char* name) {
    const fs::path p = fs::path(SHARED_DATA_DIR) / "flightgear" / name;
    if (!fs::exists(p)) return "";
    return readFile(p);
  }
};

// An independent replay: epochs of the capture's RMC and GGA by time (the last
// sentence's position), and the recorder's mode-1 rule in single precision.
struct Expected {
  std::set<std::pair<long, long>> fixes;  // hundredths of arc-seconds, as the file writes
  int lines = 0;
};

double minutesField(const std::string& v, int degreeDigits) {
  return std::stod(v.substr(0, degreeDigits)) + std::stod(v.substr(degreeDigits)) / 60.0;
}

Expected replay(const std::string& log) {
  Expected e;
  struct Fix {
    std::string time;
    double lat = 0, lon = 0, knots = 0, course = 0;
  };
  std::vector<Fix> epochs;
  for (const std::string& raw : splitLines(log)) {
    std::string line = raw;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.compare(0, 7, "$GPRMC,") != 0 && line.compare(0, 7, "$GPGGA,") != 0) continue;
    std::vector<std::string> f;
    std::stringstream ss(line.substr(0, line.find('*')));
    for (std::string x; std::getline(ss, x, ',');) f.push_back(x);
    const bool rmc = f[0] == "$GPRMC";
    const int at = rmc ? 3 : 2;
    Fix fix;
    fix.time = f[1];
    fix.lat = minutesField(f[at], 2) * (f[at + 1] == "S" ? -1 : 1);
    fix.lon = minutesField(f[at + 2], 3) * (f[at + 3] == "W" ? -1 : 1);
    if (epochs.empty() || epochs.back().time != fix.time) epochs.push_back(fix);
    Fix& cur = epochs.back();
    cur.lat = fix.lat;
    cur.lon = fix.lon;
    if (rmc) {
      cur.knots = std::stod(f[7]);
      cur.course = std::stod(f[8]);
    }
    long lonSeconds = std::lround((fix.lon < 0 ? fix.lon * 3600 + 1296000 : fix.lon * 3600) * 100);
    e.fixes.insert({std::lround(fix.lat * 3600 * 100), lonSeconds});
  }
  float elapsed = 0;
  auto seconds = [](const std::string& t) { return std::stoi(t.substr(0, 2)) * 3600 + std::stoi(t.substr(2, 2)) * 60 + std::stoi(t.substr(4, 2)); };
  for (size_t i = 1; i < epochs.size(); ++i) {
    const double dt = seconds(epochs[i].time) - seconds(epochs[i - 1].time);
    const float v = static_cast<float>(epochs[i].knots * 6076.12 / 3600);
    double turn = std::fabs(std::remainder(epochs[i].course - epochs[i - 1].course, 360.0)) / (3 * dt);
    if (epochs[i].knots < 30) turn = 0;
    if (turn > 3) turn = 3;
    const float interval = v == 0 ? 54000.0f : static_cast<float>(6077.0L / (v * (9.0L * turn + 1.0L)));
    elapsed = elapsed + static_cast<float>(dt);
    if (elapsed > interval) {
      ++e.lines;
      elapsed = 0;
    }
  }
  ++e.lines;  // the stop line
  return e;
}

void checkAgainstCapture(const std::string& trackText, const std::string& log, const char* name) {
  const Expected e = replay(log);
  const std::vector<std::string> lines = splitLines(trackText);
  ASSERT_GE(lines.size(), 2u) << name;
  EXPECT_EQ(lines[0], "1 0 0");
  EXPECT_EQ(static_cast<int>(lines.size()) - 1, e.lines) << name << ": data lines by the sampling rule";
  for (size_t i = 1; i < lines.size(); ++i) {
    double lat, lon, alt, dt;
    ASSERT_EQ(std::sscanf(lines[i].c_str(), "%lf %lf %lf %lf", &lat, &lon, &alt, &dt), 4) << lines[i];
    EXPECT_TRUE(e.fixes.count({std::lround(lat * 100), std::lround(lon * 100)})) << name << ": line " << i << " "
                                                                                << lines[i] << " is no fix of it";
  }
}

TEST_F(Capture, FlightGearCaptureRecordsAFileTheViewerReadsThroughFileAndUdpAlike) {
  const std::string log = capture("ksfo-c172-2hz.nmea");
  if (log.empty()) GTEST_SKIP() << "no FlightGear capture in " << SHARED_DATA_DIR << "/flightgear";
  std::string out;
  ASSERT_EQ(recordFile(folder, log, {}, &out), 0) << out;
  EXPECT_NE(out.find("skipped: none"), std::string::npos) << out;
  const std::string viaFile = track(folder);
  checkAgainstCapture(viaFile, log, "ksfo-c172-2hz");

  // The viewer's own reader, from the folder as the viewer names it.
  const fs::path previous = fs::current_path();
  fs::current_path(folder);
  TrackFile t("data\\__ORVANDEL.dat");
  fs::current_path(previous);
  ASSERT_TRUE(t.loaded);
  EXPECT_EQ(t.points.size() + 1, splitLines(viaFile).size());
  EXPECT_LT(t.points.back().longitude, -12200);  // west of Greenwich, near San Francisco
  EXPECT_GT(t.points.back().latitude, 3760);

  const fs::path sim = sibling("udp");
  ASSERT_EQ(recordUdp(sim, log, &out), 0) << out;
  EXPECT_EQ(track(sim), viaFile);
}

TEST_F(Capture, FlownHoldIsSampledByTheRateOfTurn) {
  const std::string log = capture("ksfo-hold-left-c172-1hz.nmea");
  if (log.empty()) GTEST_SKIP() << "no FlightGear capture in " << SHARED_DATA_DIR << "/flightgear";
  ASSERT_EQ(recordFile(folder, log), 0);
  checkAgainstCapture(track(folder), log, "ksfo-hold-left-c172-1hz");
  // Turns shorten the interval tenfold: the hold's lines come far closer than one per NM.
  const std::vector<std::string> lines = splitLines(track(folder));
  int quick = 0;
  for (size_t i = 1; i + 1 < lines.size(); ++i) {
    double lat, lon, alt, dt;
    std::sscanf(lines[i].c_str(), "%lf %lf %lf %lf", &lat, &lon, &alt, &dt);
    if (dt <= 5) ++quick;
  }
  EXPECT_GT(quick, 20) << "lines sampled within 5 s, in the turns";
}

}  // namespace
