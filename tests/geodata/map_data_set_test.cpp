// The map data set in a simulator folder: what each missing file leaves, and what a
// reload touches.
#include "fixture.h"
#include "map_data_set.h"
#include "pod_writer.h"

namespace {

class MapDataSetTest : public ScratchDir {
 protected:
  void SetUp() override {
    ScratchDir::SetUp();
    TrackFile::maxAltitude = 0;
  }
  static void writeArchives() {
    makeDir("SYSTEM");
    ASSERT_TRUE(writeAirportArchive("SYSTEM\\AIRPORT.POD", {{"A", "S", "LFML", "Marseille", 156000, 18000}}));
    ASSERT_TRUE(writeRunwayArchive("SYSTEM\\RUNWAY.POD", {{"A", "B", 1, 2, 3, 4}}));
    ASSERT_TRUE(writeNavaidArchive("SYSTEM\\NAVAID.POD", {{"N", "MTG", "Martigues", 1.5, 1, 156000, 18000}}));
  }
};

TEST_F(MapDataSetTest, NoDataFolderStillGivesTheDatabase) {
  writeArchives();
  MapDataSet set("data\\__ORVANDEL.dat");
  EXPECT_FALSE(set.loaded);
  EXPECT_TRUE(set.points.empty());
  EXPECT_FALSE(set.coastlines.loaded);
  EXPECT_FALSE(set.rivers.loaded);
  EXPECT_EQ(set.coastlines.segmentCount, 0u);
  EXPECT_FALSE(set.coastlineListReady);
  EXPECT_FALSE(set.riverListReady);
  EXPECT_TRUE(set.database.airportsLoaded);
  EXPECT_TRUE(set.database.runwaysLoaded);
  EXPECT_TRUE(set.database.navaidsLoaded);
  EXPECT_EQ(set.database.vors.size(), 1u);
}

TEST_F(MapDataSetTest, ReadsEveryFileAndReloadTouchesOnlyTheTrack) {
  writeArchives();
  makeDir("DATA");  // the plug-in's spelling; the viewer asks for "data"
  writeText("DATA/__ORVANDEL.dat", "1 0 0\n156000 18000 1500 1\n156100 18100 2500 1\n");
  writeText("DATA/world_coast.dat", "1 0 0\n1 0 0 0 0 2\n5 43\n6 44\n");
  writeText("bad.dat", "1 0 0\n");
  MapDataSet set("data\\__ORVANDEL.dat");
  ASSERT_TRUE(set.loaded);
  EXPECT_EQ(set.points.size(), 2u);
  ASSERT_TRUE(set.coastlines.loaded);
  EXPECT_EQ(set.coastlines.segmentCount, 1u);
  EXPECT_FALSE(set.rivers.loaded);  // missing rivers do not stop the coastlines

  ::testing::internal::CaptureStdout();
  EXPECT_FALSE(set.reload("bad.dat"));
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "No user data : bad file format !\n");
  EXPECT_FALSE(set.loaded);
  EXPECT_EQ(set.coastlines.segmentCount, 1u);
  EXPECT_EQ(set.database.airports.size(), 1u);
  EXPECT_EQ(set.database.navaids.size(), 1u);
}

}  // namespace
