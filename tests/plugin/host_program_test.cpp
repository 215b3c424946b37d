// orvandel-host as the demo and a user run it, and the track it leaves read back
// by the viewer's own track reader.
#include <sys/wait.h>

#include <cstdio>

#include "plugin_fixture.h"
#include "track_file.h"

namespace {

struct CommandResult {
  int status = -1;
  std::string out;
};

CommandResult run(const std::string& command) {
  CommandResult r;
  std::FILE* p = ::popen((command + " 2>&1").c_str(), "r");
  if (!p) return r;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) r.out.append(buffer, n);
  int status = ::pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

class HostProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/orvandel-sim-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }
  std::string host(const std::string& args) const {
    return std::string(ORVANDEL_HOST_PATH) + " --plugin " + ORVANDEL_PLUGIN_PATH + " --dir " + folder.string() +
           " " + args;
  }
  void writeScript(const std::string& text) const { std::ofstream(folder / "flight.txt") << text; }

  fs::path folder;
};

}  // namespace

TEST_F(HostProgram, ScriptedFlightGivesTheExpectedTrackAndTheViewerReadsIt) {
  fs::create_directory(folder / "DATA");
  // West of Greenwich, climbing; v = -1 samples every tick, the last tick twice (stop).
  writeScript(
      "# lat lon alt v x dt\n"
      "183600 1295964 1000 -1 0 2.5\n"
      "\n"
      "183660\t1295900  3000 -1 0 3\n"
      "183720 1295836 2000 -1 0 4\n");
  CommandResult r = run(host("--mode 5 --script " + (folder / "flight.txt").string()));
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("hostOpenWindow('ptwn', \"Orvandel.win\", block#1)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("hostCheckMenuItem(0, 'MBar', 'tulm', 'm_vw', 0)"), std::string::npos);
  EXPECT_EQ(readFile(folder / "DATA" / "__ORVANDEL.dat"),
            "5 0 0\n"
            "183600.00 1295964.00 1000.00 2.50\n"
            "183660.00 1295900.00 3000.00 3.00\n"
            "183720.00 1295836.00 2000.00 4.00\n"
            "183720.00 1295836.00 2000.00 0.00\n");

  fs::path previous = fs::current_path();
  fs::current_path(folder);
  TrackFile track("data\\__ORVANDEL.dat");
  fs::current_path(previous);
  ASSERT_TRUE(track.loaded);
  ASSERT_EQ(track.points.size(), 4u);
  EXPECT_DOUBLE_EQ(track.points[0].rawLongitude, 1295964.0);
  EXPECT_NEAR(track.points[0].longitude, -1.0, 1e-9);  // 36 arc-seconds west
  EXPECT_NEAR(track.points[0].latitude, 5100.0, 1e-9);  // 51 degrees north
  EXPECT_DOUBLE_EQ(track.points[1].altitude, 3000.0);
  EXPECT_DOUBLE_EQ(track.points[2].elapsed, 9.5);
  EXPECT_DOUBLE_EQ(track.points[3].elapsed, 9.5);
}

TEST_F(HostProgram, GeneratedFlightSamplesByDistance) {
  fs::create_directory(folder / "data");
  // 6077 ft/s over 10 s of 0.5 s ticks in mode 1: a line whenever more than 1 s
  // has gathered, that is every third tick.
  CommandResult r = run(host("--ticks 20 --speed 6077 --dt 0.5 --start-lat 0 --start-lon 0 --alt 5000 --heading 0 --quiet"));
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(r.out.empty()) << r.out;
  std::vector<std::string> got = lines(readFile(folder / "data" / "__ORVANDEL.dat"));
  ASSERT_EQ(got.size(), 1u + 6u + 1u);
  EXPECT_EQ(got[0], "1 0 0");
  // Northbound at one nautical mile (60 arc-seconds) per second: 90 arc-seconds after 1.5 s.
  EXPECT_EQ(got[1], "90.00 0.00 5000.00 1.50");
  EXPECT_EQ(got[7], "600.00 0.00 5000.00 1.00");
}

TEST_F(HostProgram, RefusesBadScriptsAndReportsAMissingDataFolder) {
  fs::create_directory(folder / "DATA");
  writeScript("1 2 3 4 5 6\n# fine so far\n1 2 3 4 5\n");
  CommandResult r = run(host("--script " + (folder / "flight.txt").string()));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find("line 3"), std::string::npos) << r.out;
  EXPECT_FALSE(fs::exists(folder / "DATA" / "__ORVANDEL.dat")) << "nothing is recorded from a bad script";

  writeScript("1 2 3 4 5 6 7\n");
  EXPECT_EQ(run(host("--script " + (folder / "flight.txt").string())).status, 2);
  EXPECT_EQ(run(host("--ticks 3 --mode 3")).status, 2);
  EXPECT_EQ(run(host("--ticks 3 --script x")).status, 2);
  EXPECT_EQ(run(host("--ticks abc")).status, 2);

  fs::remove(folder / "DATA");
  r = run(host("--ticks 3 --quiet"));
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.out.find("no track file written"), std::string::npos) << r.out;

  r = run(std::string(ORVANDEL_HOST_PATH) + " --plugin " + (folder / "none.so").string() + " --ticks 1");
  EXPECT_EQ(r.status, 1);
}

TEST(FlightScript, ParsesSixNumbersPerLine) {
  std::vector<FlightSample> samples;
  std::string error;
  ASSERT_TRUE(parseFlightScript("  # comment\n\r\n1.5 -2 3e3 4 -0.5 0.25\r\n", &samples, &error)) << error;
  ASSERT_EQ(samples.size(), 1u);
  EXPECT_DOUBLE_EQ(samples[0].latitude, 1.5);
  EXPECT_DOUBLE_EQ(samples[0].longitude, -2);
  EXPECT_DOUBLE_EQ(samples[0].altitude, 3000);
  EXPECT_FLOAT_EQ(samples[0].speed, 4);
  EXPECT_DOUBLE_EQ(samples[0].aux, -0.5);
  EXPECT_FLOAT_EQ(samples[0].elapsed, 0.25);
  EXPECT_FALSE(parseFlightScript("1 2 3 4 5 6\n1 2 3 4 5 six\n", &samples, &error));
  EXPECT_EQ(error.rfind("line 2:", 0), 0u) << error;
}

TEST(StraightFlight, WrapsLongitudeAcrossGreenwich) {
  // Westbound from 0.01 degrees east at 6077 ft/s: 60 arc-seconds a second.
  std::vector<FlightSample> s = straightFlight(2, 0, 36, 1000, 270, 6077.0f, 0, 1.0f);
  ASSERT_EQ(s.size(), 2u);
  EXPECT_NEAR(s[0].longitude, 1296000 - 24, 1e-6);
  EXPECT_NEAR(s[1].longitude, 1296000 - 84, 1e-6);
  EXPECT_NEAR(s[1].latitude, 0, 1e-6);
  EXPECT_TRUE(straightFlight(0, 0, 0, 0, 0, 1, 0, 1).empty());
}
