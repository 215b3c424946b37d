// track2gpx: conversions, the exact document for a small track, and the program's
// answers to files that are not tracks.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "gpx_writer.h"
#include "test_files.h"

namespace fs = std::filesystem;

namespace {


int run(const std::string& command, std::string* out = nullptr) {
  std::FILE* p = ::popen((command + " 2>&1").c_str(), "r");
  if (!p) return -1;
  std::string text;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) text.append(buffer, n);
  int status = ::pclose(p);
  if (out) *out = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class Track2Gpx : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/track2gpx-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }
  fs::path write(const std::string& name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
    return dir / name;
  }
  fs::path dir;
};

const std::string kTool = TRACK2GPX_PATH;
const fs::path kSamples = GPX_SAMPLES_DIR;

}  // namespace

TEST(GpxConversions, LongitudeRunsEastwardAndWrapsWest) {
  EXPECT_DOUBLE_EQ(longitudeDegrees(0), 0);
  EXPECT_DOUBLE_EQ(longitudeDegrees(36), 0.01);
  EXPECT_DOUBLE_EQ(longitudeDegrees(1296000 - 36), -0.01);
  EXPECT_DOUBLE_EQ(longitudeDegrees(647999.64), 179.9999);
  EXPECT_DOUBLE_EQ(longitudeDegrees(648000), -180);  // the same meridian; GPX wants < 180
  EXPECT_DOUBLE_EQ(longitudeDegrees(1296000), 0);
  EXPECT_DOUBLE_EQ(longitudeDegrees(-36), -0.01);
  EXPECT_DOUBLE_EQ(latitudeDegrees(-324000), -90);
}

TEST(GpxConversions, IsoTimesParseValidateAndFormat) {
  UtcTime t;
  ASSERT_TRUE(parseIsoTime("2026-12-09T01:02:03Z", &t));
  EXPECT_EQ(t.seconds, 1796778123);
  EXPECT_EQ(formatIsoTime(t), "2026-12-09T01:02:03Z");
  ASSERT_TRUE(parseIsoTime("2026-12-09T03:02:03.257+02:00", &t));
  EXPECT_EQ(formatIsoTime(t), "2026-12-09T01:02:03.26Z");
  ASSERT_TRUE(parseIsoTime("2024-02-29 23:30", &t));
  EXPECT_EQ(formatIsoTime(addSeconds(t, 1800.5)), "2024-03-01T00:00:00.50Z");
  ASSERT_TRUE(parseIsoTime("1969-12-31T23:59:59Z", &t));
  EXPECT_EQ(t.seconds, -1);
  EXPECT_EQ(formatIsoTime(addSeconds(t, 0.25)), "1969-12-31T23:59:59.25Z");
  for (const char* bad : {"", "2026-12-09", "2026-13-01T00:00Z", "2025-02-29T00:00Z", "2026-12-09T24:00Z",
                          "2026-12-09T01:02:03Q", "2026-12-09T01:02:03.Z", "2026-12-09T01:02:03+0200",
                          "12/09/2026 01:02"})
    EXPECT_FALSE(parseIsoTime(bad, &t)) << bad;
}

TEST(GpxConversions, NamesAreSafeXml) {
  EXPECT_EQ(xmlText("a&b<c>\"d'"), "a&amp;b&lt;c&gt;&quot;d&apos;");
  EXPECT_EQ(xmlText("Vol_Orl\xc3\xa9" "ans"), "Vol_Orl\xc3\xa9" "ans");
  EXPECT_EQ(xmlText("bad\xe9\x01name"), "bad?name");
}

TEST(GpxConversions, PointsBeyondThePolesAreLeftOut) {
  std::vector<TrackPoint> points(3, TrackPoint{});
  points[1].rawLatitude = 324000.01;
  points[2].altitude = NAN;
  GpxResult r = trackToGpx(points, "x", nullptr);
  EXPECT_EQ(r.written, 1);
  EXPECT_EQ(r.skipped, 2);
  EXPECT_EQ(r.document.find("<time>"), std::string::npos) << "no start, no times";
}

TEST_F(Track2Gpx, SmallTrackGivesTheExactDocument) {
  fs::path out = dir / "small.gpx";
  std::string said;
  ASSERT_EQ(run(kTool + " " + (kSamples / "small.dat").string() + " " + out.string() +
                    " --start 2026-12-31T23:59:58Z",
                &said),
            0)
      << said;
  EXPECT_TRUE(said.empty()) << said;
  EXPECT_EQ(readFile(out), readFile(kSamples / "small.gpx"));
  EXPECT_FALSE(fs::exists(dir / "small.gpx.part"));

  // Standard output carries the same document.
  std::string printed;
  ASSERT_EQ(run(kTool + " --start 2026-12-31T23:59:58Z " + (kSamples / "small.dat").string(), &printed), 0);
  EXPECT_EQ(printed, readFile(kSamples / "small.gpx"));
}

TEST_F(Track2Gpx, OutputIsWellFormedXml) {
  if (run("command -v xmllint >/dev/null") != 0) GTEST_SKIP() << "xmllint not installed (libxml2-utils)";
  fs::path track = write("Vol <essai> & co.dat", "1 0 0\n10 20 30 1\n11 21 31 1\n");
  fs::path out = dir / "t.gpx";
  ASSERT_EQ(run(kTool + " '" + track.string() + "' " + out.string()), 0);
  std::string said;
  EXPECT_EQ(run("xmllint --noout " + out.string(), &said), 0) << said;
  EXPECT_NE(readFile(out).find("<name>Vol &lt;essai&gt; &amp; co</name>"), std::string::npos);
}

TEST_F(Track2Gpx, RefusesWhatIsNotATrackAndLeavesNoOutput) {
  std::string said;
  EXPECT_EQ(run(kTool + " " + (dir / "missing.dat").string() + " " + (dir / "a.gpx").string(), &said), 1);
  EXPECT_NE(said.find("cannot read"), std::string::npos) << said;
  fs::path header = write("header.dat", "1 0 0\n");
  EXPECT_EQ(run(kTool + " " + header.string() + " " + (dir / "a.gpx").string(), &said), 1);
  EXPECT_NE(said.find("not a track file"), std::string::npos) << said;
  fs::path blankEnd = write("blank.dat", "1 0 0\n1 2 3 4\n\n");
  EXPECT_EQ(run(kTool + " " + blankEnd.string() + " " + (dir / "a.gpx").string()), 1);
  EXPECT_FALSE(fs::exists(dir / "a.gpx"));

  fs::path good = write("good.dat", "1 2 3 4\n");
  EXPECT_EQ(run(kTool + " " + good.string() + " --start yesterday"), 2);
  EXPECT_EQ(run(kTool + " " + good.string() + " a.gpx b.gpx"), 2);
  EXPECT_EQ(run(kTool), 2);
  EXPECT_EQ(run(kTool + " " + good.string() + " " + (dir / "no-such-dir" / "a.gpx").string(), &said), 1);
  EXPECT_NE(said.find("cannot write"), std::string::npos) << said;
}
