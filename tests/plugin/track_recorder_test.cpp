// The recorder through the plug-in: when lines are written, what they hold, and
// the file's life across start, stop, DLLKill, unload and a killed host.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>

#include <cmath>
#include <cstring>

#include "plugin_fixture.h"
#include "track_recorder.h"

using Calls = std::vector<std::string>;

TEST(SamplingInterval, FollowsSpeedAndAuxValue) {
  struct Row {
    int mode;
    float v;
    double x;
    float expected;
  } rows[] = {
      {1, 6077.0f, 0.0, 1.0f},       {5, 6077.0f, 0.0, 5.0f},        {1, 6077.0f, 1.0, 0.1f},
      {1, 6077.0f, -1.0, 0.1f},      {5, 6077.0f, 1.0, 5.0f / 46.0f}, {1, 0.0f, 3.0, 54000.0f},
      {5, 0.0f, 0.0, 54000.0f},      {1, -6077.0f, 0.0, -1.0f},      {5, 200.0f, 0.5, 30385.0f / 200.0f / 23.5f},
  };
  for (const Row& r : rows) {
    EXPECT_FLOAT_EQ(samplingInterval(r.mode, r.v, r.x), r.expected) << "mode " << r.mode << " v " << r.v << " x "
                                                                      << r.x;
  }
}

TEST_F(PluginTest, StartWritesTheHeaderOfItsMode) {
  openControlWindow();
  host->pressControl(tags::startMode1);
  EXPECT_EQ(host->calls, Calls({"hostNotifyWindow('ptwn')"}));
  EXPECT_EQ(readFile(trackPath), "1 0 0\n") << "flushed at once, before any tick";
  host->pressControl(tags::stop);

  host->chooseMenuItem();
  host->pressControl(tags::startMode5);
  EXPECT_EQ(readFile(trackPath), "5 0 0\n") << "a new recording replaces the file";
}

TEST_F(PluginTest, DataLinesCarryPositionAltitudeAndAccumulatedTime) {
  openControlWindow();
  host->aircraft = sample(-123456.789, 1295964.0, 35000.004, -1.0f, 0.0, 0.0f);
  host->pressControl(tags::startMode1);
  host->calls.clear();
  // A negative speed gives a negative interval: a line at every step.
  host->fly(sample(-123456.789, 1295964.0, 35000.004, -1.0f, 0.0, 0.25f));
  EXPECT_EQ(host->calls, Calls({"hostGetAircraft", "hostGetAuxValues", "hostGetPosition", "hostGetSpeed",
                                "hostElapsedTime"}));
  host->fly(sample(10.0, 20.0, 30.0, -500.0f, 2.0, 1.5f));
  host->fly(sample(11.0, 21.0, 31.0, -500.0f, 2.0, 0.0f));
  host->pressControl(tags::stop);
  EXPECT_EQ(trackLines(), std::vector<std::string>({"1 0 0", "-123456.79 1295964.00 35000.00 0.25",
                                                    "10.00 20.00 30.00 1.50", "11.00 21.00 31.00 0.00",
                                                    "11.00 21.00 31.00 0.00"}));
  EXPECT_TRUE(host->problems.empty());
}

TEST_F(PluginTest, StationaryAircraftWaitsFor54000) {
  openControlWindow();
  host->pressControl(tags::startMode5);
  for (int i = 0; i < 54; ++i) host->fly(sample(1, 2, 3, 0.0f, 0.7, 1000.0f));
  EXPECT_EQ(trackLines().size(), 1u) << "54000 is not more than the interval";
  host->fly(sample(1, 2, 3, 0.0f, 0.7, 1000.0f));
  host->fly(sample(1, 2, 3, 0.0f, 0.7, 250.0f));
  host->pressControl(tags::stop);
  EXPECT_EQ(trackLines(), std::vector<std::string>({"5 0 0", "1.00 2.00 3.00 55000.00", "1.00 2.00 3.00 250.00"}));
}

TEST_F(PluginTest, SpeedOf6077SamplesOncePerUnitInModeOneAndFiveInModeFive) {
  openControlWindow();
  host->pressControl(tags::startMode1);
  for (int i = 1; i <= 9; ++i) host->fly(sample(i, 0, 0, 6077.0f, 0.0, 0.25f));
  host->pressControl(tags::stop);
  // 1.0 does not exceed the interval of 1; 1.25 does, at the fifth step.
  EXPECT_EQ(trackLines(), std::vector<std::string>({"1 0 0", "5.00 0.00 0.00 1.25", "9.00 0.00 0.00 1.00"}));

  host->chooseMenuItem();
  host->pressControl(tags::startMode5);
  for (int i = 1; i <= 6; ++i) host->fly(sample(i, 0, 0, 6077.0f, 0.0, 1.0f));
  // A nonzero x shortens the interval, whatever its sign: 5 / 46 here.
  host->fly(sample(7, 0, 0, 6077.0f, -1.0, 0.125f));
  host->pressControl(tags::stop);
  EXPECT_EQ(trackLines(),
            std::vector<std::string>({"5 0 0", "6.00 0.00 0.00 6.00", "7.00 0.00 0.00 0.12", "7.00 0.00 0.00 1.00"}));
}

TEST_F(PluginTest, StartingWhileRecordingChangesNothing) {
  openControlWindow();
  host->pressControl(tags::startMode1);
  host->fly(sample(1, 1, 1, 6077.0f, 0.0, 0.5f));
  host->calls.clear();
  host->pressControl(tags::startMode5);
  host->pressControl(tags::startMode1);
  EXPECT_TRUE(host->calls.empty());
  // Still mode 1 with its accumulator: 0.5 + 0.75 passes the interval of 1.
  host->fly(sample(2, 2, 2, 6077.0f, 0.0, 0.75f));
  EXPECT_EQ(trackLines(), std::vector<std::string>({"1 0 0", "2.00 2.00 2.00 1.25"}));
}

TEST_F(PluginTest, FinalLineSumsBothAccumulatorsAndRemaindersCarryOver) {
  openControlWindow();
  host->pressControl(tags::startMode1);
  host->fly(sample(1, 1, 1, 6077.0f, 0.0, 0.5f));  // mode 1 keeps 0.5
  host->pressControl(tags::stop);
  EXPECT_EQ(trackLines().back(), "1.00 1.00 1.00 0.50");

  host->chooseMenuItem();
  host->pressControl(tags::startMode5);
  host->fly(sample(2, 2, 2, 6077.0f, 0.0, 2.0f));  // mode 5 keeps 2
  host->pressControl(tags::stop);
  EXPECT_EQ(trackLines(), std::vector<std::string>({"5 0 0", "2.00 2.00 2.00 2.50"}));

  host->chooseMenuItem();
  host->pressControl(tags::startMode1);
  host->fly(sample(3, 3, 3, 6077.0f, 0.0, 0.75f));  // 0.5 left from before + 0.75
  host->pressControl(tags::stop);
  EXPECT_EQ(trackLines(), std::vector<std::string>({"1 0 0", "3.00 3.00 3.00 1.25", "3.00 3.00 3.00 2.00"}));
}

TEST_F(PluginTest, StopClosesWindowsAndIdleControlsAndTicksCallNothing) {
  openControlWindow();
  host->pressControl(tags::stop);
  host->tick();
  EXPECT_TRUE(host->calls.empty());

  host->pressControl(tags::startMode1);
  host->closeWindowByUser(tags::controlWindow);  // the recording goes on
  host->fly(sample(4, 4, 4, -1.0f, 0.0, 1.0f));
  EXPECT_EQ(trackLines().size(), 2u);
  host->calls.clear();
  host->pressControl(tags::stop);
  EXPECT_EQ(host->calls, Calls({"hostGetAircraft", "hostGetAuxValues", "hostGetPosition", "hostGetSpeed",
                                "hostIsWindowOpen('ptwn') -> 0", "hostIsWindowOpen('dmb_') -> 0",
                                "hostCheckMenuItem(0, 'MBar', 'tulm', 'm_vw', 0)"}));

  host->chooseMenuItem();
  host->pressControl(tags::startMode1);
  host->calls.clear();
  host->pressControl(tags::stop);
  EXPECT_EQ(std::vector<std::string>(host->calls.begin() + 4, host->calls.end()),
            Calls({"hostIsWindowOpen('ptwn') -> 1", "hostCloseWindow('ptwn')", "hostIsWindowOpen('dmb_') -> 1",
                   "hostCloseWindow('dmb_')", "hostCheckMenuItem(0, 'MBar', 'tulm', 'm_vw', 0)"}));
  EXPECT_TRUE(host->openWindows.empty());
}

// Whether this process holds a descriptor on the given file.
static bool fileIsOpen(const fs::path& file) {
  std::error_code ec;
  fs::path target = fs::canonical(file, ec);
  if (ec) return false;
  for (const auto& fd : fs::directory_iterator("/proc/self/fd")) {
    fs::path link = fs::read_symlink(fd.path(), ec);
    if (!ec && link == target) return true;
  }
  return false;
}

TEST_F(PluginTest, DLLKillClosesTheTrackWithoutAFinalLine) {
  openControlWindow();
  host->pressControl(tags::startMode1);
  for (int i = 0; i < 3; ++i) host->fly(sample(i, i, i, -1.0f, 0.0, 1.0f));
  ASSERT_TRUE(fileIsOpen(trackPath));
  host->kill();
  EXPECT_FALSE(fileIsOpen(trackPath));
  const std::string written = readFile(trackPath);
  EXPECT_EQ(written, "1 0 0\n0.00 0.00 0.00 1.00\n1.00 1.00 1.00 1.00\n2.00 2.00 2.00 1.00\n");
  // A host that goes on calling after DLLKill writes nothing into the closed file.
  host->fly(sample(9, 9, 9, -1.0f, 0.0, 1.0f));
  host->pressControl(tags::stop);
  EXPECT_EQ(readFile(trackPath), written);
}

TEST_F(PluginTest, UnloadingWithoutDLLKillKeepsEveryLineAndClosesTheFile) {
  openControlWindow();
  host->pressControl(tags::startMode5);
  host->fly(sample(7, 8, 9, -1.0f, 0.0, 2.0f));
  host->unload();
  EXPECT_FALSE(fileIsOpen(trackPath));
  EXPECT_EQ(readFile(trackPath), "5 0 0\n7.00 8.00 9.00 2.00\n");
}

TEST_F(PluginTest, KilledHostLosesNoLineWrittenBeforeTheKill) {
  openControlWindow();
  host->pressControl(tags::startMode1);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    for (int i = 0; i < 100; ++i) host->fly(sample(i, 2 * i, 3 * i, -1.0f, 0.0, 0.5f));
    ::raise(SIGKILL);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  std::vector<std::string> got = trackLines();
  ASSERT_EQ(got.size(), 101u);
  EXPECT_EQ(got[0], "1 0 0");
  EXPECT_EQ(got[100], "99.00 198.00 297.00 0.50");
}

class PluginWithoutDataFolder : public PluginTest {
 protected:
  void SetUp() override { prepare(""); }
};

TEST_F(PluginWithoutDataFolder, TrackThatCannotBeOpenedDoesNotStartARecording) {
  openControlWindow();
  host->pressControl(tags::startMode1);
  EXPECT_EQ(host->calls, Calls({"hostNotifyWindow('ptwn')"}));
  host->fly(sample(1, 1, 1, -1.0f, 0.0, 1.0f));
  host->pressControl(tags::stop);
  EXPECT_EQ(host->calls.size(), 1u) << "still idle: no reads, no stop";
  EXPECT_FALSE(fs::exists(trackPath));
  EXPECT_EQ(host->openWindows.size(), 2u);
}

class PluginWithLowerCaseDataFolder : public PluginTest {
 protected:
  void SetUp() override { prepare("data"); }
};

TEST_F(PluginWithLowerCaseDataFolder, TrackLandsInTheExistingFolderWhateverItsCase) {
  openControlWindow();
  host->pressControl(tags::startMode5);
  host->pressControl(tags::stop);
  EXPECT_EQ(readFile(folder / "data" / "__ORVANDEL.dat"), "5 0 0\n0.00 0.00 0.00 0.00\n");
  EXPECT_FALSE(fs::exists(folder / "DATA"));
}
