// Follow mode's decisions: when to look at the track file, when to read it again,
// and where to centre.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "follow_mode.h"

namespace {

TEST(FollowMode, LooksAtMostOnceASecondWhileOn) {
  FollowMode f;
  EXPECT_FALSE(f.on());
  EXPECT_FALSE(f.due(10.0)) << "off: never";
  f.toggle();
  EXPECT_TRUE(f.on());
  EXPECT_TRUE(f.due(10.0)) << "turning it on looks at once";
  EXPECT_FALSE(f.due(10.5));
  EXPECT_FALSE(f.due(10.999));
  EXPECT_TRUE(f.due(11.0));
  EXPECT_TRUE(f.due(3.0)) << "a clock that went back does not stall it";
  f.toggle();
  EXPECT_FALSE(f.due(20.0));
}

TEST(FollowMode, ReadsAgainWhenSizeOrTimeChanged) {
  FollowMode f;
  f.toggle();
  FileStamp a{true, 100, 5};
  EXPECT_TRUE(f.changed(a)) << "the first look after turning it on reads the file";
  EXPECT_FALSE(f.changed(a));
  EXPECT_TRUE(f.changed(FileStamp{true, 140, 5}));
  EXPECT_TRUE(f.changed(FileStamp{true, 140, 6})) << "rewritten to the same size";
  EXPECT_FALSE(f.changed(FileStamp{})) << "a file that went away leaves the track shown";
  EXPECT_TRUE(f.changed(FileStamp{true, 140, 6})) << "and it is read when it is back";
  f.toggle();
  f.toggle();
  EXPECT_TRUE(f.changed(FileStamp{true, 140, 6})) << "on again: read again";
}

TEST(FollowMode, StampsASimulatorPath) {
  char pattern[] = "/tmp/follow-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const std::string dir = pattern;
  ASSERT_EQ(std::system(("mkdir " + dir + "/DATA").c_str()), 0);
  const std::string file = dir + "/DATA/__ORVANDEL.dat";
  std::FILE* out = std::fopen(file.c_str(), "w");
  ASSERT_NE(out, nullptr);
  std::fputs("1 0 0\n", out);
  std::fflush(out);
  // The viewer names it "data\__ORVANDEL.dat": the case of the folder differs.
  const FileStamp before = fileStamp(dir + "\\data\\__ORVANDEL.dat");
  EXPECT_TRUE(before.exists);
  EXPECT_EQ(before.size, 6);
  std::fputs("1.00 2.00 3.00 4.00\n", out);
  std::fclose(out);
  EXPECT_NE(fileStamp(dir + "\\data\\__ORVANDEL.dat"), before);
  EXPECT_FALSE(fileStamp(dir + "\\data\\none.dat").exists);
  EXPECT_FALSE(fileStamp("").exists);
  std::system(("rm -rf " + dir).c_str());
}

TEST(FollowMode, CentresOnTheLastPoint) {
  std::vector<TrackPoint> points(2);
  points[0].rawLatitude = 0;
  points[0].rawLongitude = 0;
  points[1].rawLatitude = 156600 + 17;         // 43.5 N and a bit: 4350.47 chart units
  points[1].rawLongitude = 1296000 - 36 * 50;  // half a degree west: -50
  int x = 0, y = 0;
  ASSERT_TRUE(followCentre(points, &x, &y));
  EXPECT_EQ(x, -50);
  EXPECT_EQ(y, 4350);
  points.clear();
  EXPECT_FALSE(followCentre(points, &x, &y));
}

}  // namespace
