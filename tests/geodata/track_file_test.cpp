// Track file reader: data lines among others, the bad-file rule, the profile scaling
// and the process-wide altitude maximum.
#include <cmath>
#include <string>

#include "fixture.h"
#include "track_file.h"

namespace {

class TrackFileTest : public ScratchDir {
 protected:
  void SetUp() override {
    ScratchDir::SetUp();
    TrackFile::maxAltitude = 0;  // each test starts like a fresh process
  }
};

TEST_F(TrackFileTest, SkipsTheHeaderAndScalesThePoints) {
  makeDir("data");
  writeText("data/__ORVANDEL.dat",
            "1 0 0\n"
            "175834.00 1295964.00 1000.00 2.50\n"
            "175900.00\t36  3000 3\n"
            "-324000.00 648000.00 2000.00 4.00\n");
  TrackFile t("data\\__ORVANDEL.dat");
  ASSERT_TRUE(t.loaded);
  ASSERT_EQ(t.points.size(), 3u);
  EXPECT_STREQ(t.fileName, "data\\__ORVANDEL.dat");
  EXPECT_EQ(t.points[0].rawLatitude, 175834.0);
  EXPECT_EQ(t.points[0].rawLongitude, 1295964.0);
  EXPECT_DOUBLE_EQ(t.points[0].longitude, -1.0);
  EXPECT_DOUBLE_EQ(t.points[1].longitude, 1.0);
  EXPECT_DOUBLE_EQ(t.points[2].longitude, 18000.0);
  EXPECT_DOUBLE_EQ(t.points[2].latitude, -9000.0);
  EXPECT_DOUBLE_EQ(t.points[0].elapsed, 2.5);
  EXPECT_DOUBLE_EQ(t.points[1].elapsed, 5.5);
  EXPECT_DOUBLE_EQ(t.points[2].elapsed, 9.5);
  EXPECT_NEAR(t.points[0].elapsedScaled, 263.16, 0.01);
  EXPECT_NEAR(t.points[1].elapsedScaled, 578.95, 0.01);
  EXPECT_DOUBLE_EQ(t.points[2].elapsedScaled, 1000.0);
  EXPECT_EQ(TrackFile::maxAltitude, 3000.0);
  EXPECT_DOUBLE_EQ(t.points[0].altitudeScaled, 250.0);
  EXPECT_DOUBLE_EQ(t.points[1].altitudeScaled, 750.0);
  EXPECT_DOUBLE_EQ(t.points[2].altitudeScaled, 500.0);

  // Another file with lower altitudes keeps the maximum, and scales by it.
  writeText("low.dat", "10 10 500 1\n20 20 250 1\n");
  ASSERT_TRUE(t.reload("low.dat"));
  EXPECT_EQ(TrackFile::maxAltitude, 3000.0);
  EXPECT_DOUBLE_EQ(t.points[0].altitudeScaled, 125.0);
  EXPECT_DOUBLE_EQ(t.points[1].elapsedScaled, 1000.0);
}

TEST_F(TrackFileTest, FileNotEndingInADataLineIsABadFile) {
  struct Case {
    const char* text;
    size_t points;  // read, though the load fails
  } cases[] = {
      {"1 0 0\n", 0},                       // a recording that wrote only its header
      {"1 0 0\n1 2 3 4\n5 6 7 8\n\n", 2},   // trailing blank line
      {"", 0},                              // empty file
      {"1 2 3 4\nend\n", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    writeText("t.dat", c.text);
    ::testing::internal::CaptureStdout();
    TrackFile t("t.dat");
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_FALSE(t.loaded);
    EXPECT_EQ(out, "No user data : bad file format !\n");
    EXPECT_EQ(t.points.size(), c.points);
  }
}

TEST_F(TrackFileTest, MissingFileFailsSilentlyAndKeepsThePoints) {
  writeText("t.dat", "1 2 3 4\n");
  TrackFile t("t.dat");
  ASSERT_TRUE(t.loaded);
  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(t.reload("missing.dat"));
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_FALSE(t.loaded);
  EXPECT_EQ(t.points.size(), 1u);
  EXPECT_FALSE(t.reload(""));
  TrackFile none("");
  EXPECT_FALSE(none.loaded);
}

TEST_F(TrackFileTest, OverlongPathIsRefusedAndChangesNothing) {
  writeText("t.dat", "1 2 3 4\n5 6 7 8\n");
  TrackFile t("t.dat");
  ASSERT_TRUE(t.loaded);
  std::string longPath(260, 'a');
  EXPECT_FALSE(t.reload(longPath.c_str()));
  EXPECT_FALSE(t.loaded);
  EXPECT_STREQ(t.fileName, "t.dat");
  EXPECT_EQ(t.points.size(), 2u);
  // 259 characters still fit.
  std::string folder = "d/" + std::string(128, 'c');
  makeDir(folder);
  std::string fits = folder + "/" + std::string(128, 'b');
  ASSERT_EQ(fits.size(), 259u);
  writeText(fits, "1 2 3 4\n");
  EXPECT_TRUE(t.reload(fits.c_str()));
  EXPECT_EQ(t.points.size(), 1u);

  TrackFile refused(longPath.c_str());
  EXPECT_FALSE(refused.loaded);
  EXPECT_STREQ(refused.fileName, "");
  EXPECT_TRUE(refused.points.empty());
}

TEST_F(TrackFileTest, TrackOfNoDurationScalesToZeroNotNaN) {
  writeText("t.dat", "1 0 0\n100 200 300 0\n");
  TrackFile t("t.dat");
  ASSERT_TRUE(t.loaded);
  ASSERT_EQ(t.points.size(), 1u);
  EXPECT_EQ(t.points[0].elapsedScaled, 0.0);
  EXPECT_FALSE(std::isnan(t.points[0].elapsedScaled));
}

TEST_F(TrackFileTest, FourthFieldIsSinglePrecisionAndLinesSplitAt511) {
  // 0.1 as a float, summed in double: the float's value, not the double 0.1.
  writeText("t.dat", "1 2 3 0.1\n");
  TrackFile t("t.dat");
  ASSERT_TRUE(t.loaded);
  EXPECT_EQ(t.points[0].elapsed, double(0.1f));
  EXPECT_NE(t.points[0].elapsed, 0.1);

  // The buffer holds 511 characters: a fourth number at position 511 still belongs
  // to the line, one at position 512 is cut off into a line of its own, and neither
  // piece scans to four numbers.
  std::string fits = "1 2 3" + std::string(505, ' ') + "4\n";
  std::string cut = "1 2 3" + std::string(506, ' ') + "4\n";
  writeText("p.dat", fits + cut + "9 9 9 9\n");
  TrackFile p("p.dat");
  ASSERT_TRUE(p.loaded);
  ASSERT_EQ(p.points.size(), 2u);
  EXPECT_EQ(p.points[1].rawLatitude, 9.0);
}

}  // namespace
