// Archive directory and table readers against archives built by the writer, both
// well-formed and damaged byte by byte.
#include <cstring>
#include <string>
#include <vector>

#include "fixture.h"
#include "geo_units.h"
#include "nav_database.h"
#include "pod_archive.h"
#include "pod_writer.h"

namespace {

using podwriter::Entry;

class NavDatabaseTest : public ScratchDir {
 protected:
  void SetUp() override {
    ScratchDir::SetUp();
    makeDir("SYSTEM");
  }
  // An airport table whose header says `count` records of `length` bytes, holding
  // `stored` real records.
  static std::string airportTable(int32_t count, int32_t length, int stored) {
    std::string records;
    for (int i = 0; i < stored; ++i) {
      PodAirportIn a{"K" + std::to_string(i), "S", "ID" + std::to_string(i), "N", 3600.0 * i, 7200.0 * i};
      std::string r = podwriter::airportRecord(a);
      r.resize(length > 0 ? size_t(length) : r.size(), '\0');
      records += r;
    }
    return podwriter::dbdTable(count, length, records);
  }
  static void writeAirports(const std::string& table) {
    ASSERT_TRUE(podwriter::writeFile("SYSTEM\\AIRPORT.POD",
                                     podwriter::archive({{"DATABASE\\AIRPORT.DBD", table}})));
  }
};

TEST(GeoUnits, ArcSecondsToChartUnits) {
  EXPECT_DOUBLE_EQ(chartXFromArcSeconds(1296000 - 36), -1.0);
  EXPECT_DOUBLE_EQ(chartXFromArcSeconds(36), 1.0);
  EXPECT_DOUBLE_EQ(chartXFromArcSeconds(648000), 18000.0);
  EXPECT_DOUBLE_EQ(chartXFromArcSeconds(648001), (648001.0 - 1296000) * 180 / 6480);
  EXPECT_DOUBLE_EQ(chartXFromArcSeconds(0), 0.0);
  EXPECT_DOUBLE_EQ(chartYFromArcSeconds(-324000), -9000.0);
  EXPECT_DOUBLE_EQ(chartYFromArcSeconds(324000), 9000.0);
  EXPECT_DOUBLE_EQ(chartYFromArcSeconds(36), 1.0);
}

TEST_F(NavDatabaseTest, RoundTripsEveryFieldAtFullWidth) {
  std::vector<PodAirportIn> airports = {
      {"KEY4567890", "SHRT", "IDENT", std::string(40, 'N'), -324000, 648000},
      {"KEY45678901-cut", "SHORT-cut", "IDENTS-cut", std::string(45, 'M'), 175834.5, 1295964},
      {"A", "", "KZ", "Small field", 36, 36},
  };
  std::vector<PodRunwayIn> runways = {
      {"RWKEY67890", "RWKEY2ABCD", 175834.25, 1295000.5, 175900.75, 1295100.125},
      {"R", "", -1.5, 0, 324000, 1296000},
  };
  std::vector<PodNavaidIn> navaids = {
      {"NAVKEY7890", "VORID", std::string(40, 'V'), -12.5, 9, 180000, 1200000},
      {"N2", "NDB", "Beacon", 3.25, 8, -180000, 100},
      {"N3", "DME", "Other", 0, 2, 0, 648000},
      {"N4", "VOR2", "Second", 1, 1, 1, 2},
  };
  ASSERT_TRUE(writeAirportArchive("SYSTEM\\AIRPORT.POD", airports));
  ASSERT_TRUE(writeRunwayArchive("SYSTEM\\RUNWAY.POD", runways));
  ASSERT_TRUE(writeNavaidArchive("SYSTEM\\NAVAID.POD", navaids));

  NavDatabase db;
  ASSERT_TRUE(db.airportsLoaded);
  ASSERT_TRUE(db.runwaysLoaded);
  ASSERT_TRUE(db.navaidsLoaded);

  ASSERT_EQ(db.airports.size(), 3u);
  EXPECT_STREQ(db.airports[0].key, "KEY4567890");
  EXPECT_STREQ(db.airports[0].shortIdent, "SHRT");
  EXPECT_STREQ(db.airports[0].ident, "IDENT");
  EXPECT_EQ(std::string(db.airports[0].name), std::string(40, 'N'));
  EXPECT_DOUBLE_EQ(db.airports[0].latitude, -9000.0);
  EXPECT_DOUBLE_EQ(db.airports[0].longitude, 18000.0);
  EXPECT_STREQ(db.airports[1].key, "KEY4567890");
  EXPECT_STREQ(db.airports[1].shortIdent, "SHOR");
  EXPECT_STREQ(db.airports[1].ident, "IDENT");
  EXPECT_EQ(std::string(db.airports[1].name), std::string(40, 'M'));
  EXPECT_DOUBLE_EQ(db.airports[1].latitude, chartYFromArcSeconds(175834.5));
  EXPECT_DOUBLE_EQ(db.airports[1].longitude, -1.0);
  EXPECT_STREQ(db.airports[2].key, "A");
  EXPECT_STREQ(db.airports[2].shortIdent, "");
  EXPECT_STREQ(db.airports[2].ident, "KZ");
  EXPECT_DOUBLE_EQ(db.airports[2].longitude, 1.0);

  ASSERT_EQ(db.runways.size(), 2u);
  EXPECT_STREQ(db.runways[0].key, "RWKEY67890");
  EXPECT_STREQ(db.runways[0].key2, "RWKEY2ABCD");
  EXPECT_EQ(db.runways[0].latitude1, 175834.25);
  EXPECT_EQ(db.runways[0].longitude1, 1295000.5);
  EXPECT_EQ(db.runways[0].latitude2, 175900.75);
  EXPECT_EQ(db.runways[0].longitude2, 1295100.125);
  EXPECT_EQ(db.runways[1].longitude2, 1296000.0);
  EXPECT_STREQ(db.runways[1].key2, "");

  ASSERT_EQ(db.navaids.size(), 4u);
  EXPECT_STREQ(db.navaids[0].key, "NAVKEY7890");
  EXPECT_STREQ(db.navaids[0].ident, "VORID");
  EXPECT_EQ(std::string(db.navaids[0].name), std::string(40, 'V'));
  EXPECT_EQ(db.navaids[0].variation, -12.5);
  EXPECT_EQ(db.navaids[0].typeFlags, 9u);
  EXPECT_DOUBLE_EQ(db.navaids[0].latitude, 5000.0);
  EXPECT_DOUBLE_EQ(db.navaids[0].longitude, (1200000.0 - 1296000) * 180 / 6480);
  EXPECT_DOUBLE_EQ(db.navaids[2].longitude, 18000.0);

  // Flags 9 make a VOR (the value 1 wins over 8), 8 an NDB, 2 neither; order is kept.
  ASSERT_EQ(db.vors.size(), 2u);
  EXPECT_STREQ(db.vors[0].ident, "VORID");
  EXPECT_STREQ(db.vors[1].ident, "VOR2");
  ASSERT_EQ(db.ndbs.size(), 1u);
  EXPECT_STREQ(db.ndbs[0].ident, "NDB");
  EXPECT_EQ(db.ndbs[0].variation, 3.25);
}

TEST_F(NavDatabaseTest, MissingArchiveOrEntryLeavesOnlyThatTableUnloaded) {
  ASSERT_TRUE(writeAirportArchive("SYSTEM\\AIRPORT.POD", {{"A", "S", "I", "N", 0, 0}}));
  // The runway entry exists under another name only: treated like a missing archive.
  ASSERT_TRUE(podwriter::writeFile(
      "SYSTEM\\NAVAID.POD",
      podwriter::archive({{"DATABASE\\navaid.dbd", podwriter::dbdTable(1, 117, std::string(117, '\0'))}})));
  NavDatabase db;
  EXPECT_TRUE(db.airportsLoaded);
  EXPECT_EQ(db.airports.size(), 1u);
  EXPECT_FALSE(db.runwaysLoaded);
  EXPECT_TRUE(db.runways.empty());
  EXPECT_FALSE(db.navaidsLoaded);
  EXPECT_TRUE(db.navaids.empty());
}

TEST_F(NavDatabaseTest, FolderAndFileNamesMatchWithoutRegardToCase) {
  ASSERT_EQ(::rmdir("SYSTEM"), 0);
  makeDir("System");
  ASSERT_TRUE(writeRunwayArchive("System/runway.pod", {{"R", "S", 1, 2, 3, 4}}));
  NavDatabase db;
  EXPECT_TRUE(db.runwaysLoaded);
  EXPECT_EQ(db.runways.size(), 1u);
}

TEST_F(NavDatabaseTest, RecordCountLimitsTheTableEvenWithMoreBytes) {
  writeAirports(airportTable(3, 109, 5));
  NavDatabase db;
  ASSERT_TRUE(db.airportsLoaded);
  ASSERT_EQ(db.airports.size(), 3u);
  EXPECT_STREQ(db.airports[2].ident, "ID2");
}

TEST_F(NavDatabaseTest, HeaderCountsAreBoundedByTheFile) {
  struct Case {
    int32_t count, length;
    int stored;
    size_t expected;
  } cases[] = {
      {INT32_MAX, 109, 2, 2},   // far more than the file holds
      {-5, 109, 2, 0},          // negative count
      {3, 0, 3, 0},             // zero length: no record can be placed
      {3, -109, 3, 0},          // negative length
      {2, 50, 5, 0},            // records too short for the fields read
      {3, 200, 3, 3},           // longer records, fields at their offsets
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "count " << c.count << " length " << c.length);
    writeAirports(airportTable(c.count, c.length, c.stored));
    NavDatabase db;
    EXPECT_TRUE(db.airportsLoaded);
    ASSERT_EQ(db.airports.size(), c.expected);
    for (size_t i = 0; i < c.expected; ++i) {
      EXPECT_EQ(std::string(db.airports[i].ident), "ID" + std::to_string(i));
      EXPECT_DOUBLE_EQ(db.airports[i].latitude, chartYFromArcSeconds(3600.0 * i));
    }
  }
}

TEST_F(NavDatabaseTest, TruncatedArchivesKeepOnlyWholeRecords) {
  std::string full = podwriter::archive({{"DATABASE\\AIRPORT.DBD", airportTable(5, 109, 5)}});
  uint32_t t;
  std::memcpy(&t, full.data() + 268 + 8, 4);  // data offset of the only entry
  // Cut inside the fourth record: three whole records remain.
  ASSERT_TRUE(podwriter::writeFile("SYSTEM\\AIRPORT.POD", full.substr(0, t + 56 + 3 * 109 + 60)));
  {
    NavDatabase db;
    EXPECT_TRUE(db.airportsLoaded);
    EXPECT_EQ(db.airports.size(), 3u);
  }
  // Cut inside the table header: no table there.
  ASSERT_TRUE(podwriter::writeFile("SYSTEM\\AIRPORT.POD", full.substr(0, t + 20)));
  {
    NavDatabase db;
    EXPECT_FALSE(db.airportsLoaded);
    EXPECT_TRUE(db.airports.empty());
  }
  // Cut before the directory offset word, or to nothing at all.
  for (size_t cut : {size_t(0), size_t(50), size_t(100), size_t(266)}) {
    ASSERT_TRUE(podwriter::writeFile("SYSTEM\\AIRPORT.POD", full.substr(0, cut)));
    NavDatabase db;
    EXPECT_FALSE(db.airportsLoaded) << cut;
  }
}

TEST_F(NavDatabaseTest, DataOffsetPastTheEndIsNoTable) {
  std::string a = podwriter::archive({{"DATABASE\\AIRPORT.DBD", airportTable(1, 109, 1)}});
  podwriter::putU32(a, 268 + 8, 0xfffffff0u);
  ASSERT_TRUE(podwriter::writeFile("SYSTEM\\AIRPORT.POD", a));
  NavDatabase db;
  EXPECT_FALSE(db.airportsLoaded);
}

TEST_F(NavDatabaseTest, FindEntryReturnsTheFirstOfTwoEqualNames) {
  std::string a = podwriter::archive(
      {{"DATABASE\\RUNWAY.DBD", "first"}, {"DATABASE\\RUNWAY.DBD", "second"}, {"OTHER", "x"}});
  ASSERT_TRUE(podwriter::writeFile("two.pod", a));
  PodArchive archive("two.pod");
  ASSERT_EQ(archive.entryCount, 3);
  uint32_t first = archive.findEntry("DATABASE\\RUNWAY.DBD");
  EXPECT_EQ(a.substr(first, 5), "first");
  EXPECT_NE(first, archive.entries[1].dataOffset);
  EXPECT_EQ(archive.findEntry("database\\runway.dbd"), 0u);  // names are exact
  EXPECT_EQ(archive.findEntry("DATABASE/RUNWAY.DBD"), 0u);
  EXPECT_EQ(a.substr(archive.findEntry("OTHER"), 1), "x");
  EXPECT_EQ(archive.findEntry("MISSING"), 0u);
}

TEST_F(NavDatabaseTest, DamagedDirectoryReadsOnlyWhatTheFileHolds) {
  std::string good = podwriter::archive({{"A", "aaaa"}, {"B", "bbbb"}});
  {
    // An absurd entry count must not allocate by it.
    std::string a = good;
    podwriter::putU32(a, 88, 0xffffffffu);
    ASSERT_TRUE(podwriter::writeFile("big.pod", a));
    PodArchive archive("big.pod");
    EXPECT_LE(size_t(archive.entryCount), a.size() / 20);
    EXPECT_EQ(archive.entries.size(), size_t(archive.entryCount));
    EXPECT_EQ(archive.findEntry("A"), 0u);  // the name table now lies past the end
  }
  {
    std::string a = good;
    podwriter::putU32(a, 264, 0x7fffffffu);  // directory past the end
    ASSERT_TRUE(podwriter::writeFile("dir.pod", a));
    PodArchive archive("dir.pod");
    EXPECT_EQ(archive.entryCount, 0);
    EXPECT_EQ(archive.findEntry("A"), 0u);
  }
  {
    std::string a = good;
    podwriter::putU32(a, 268, 0xfffffff0u);  // first name offset past the end
    ASSERT_TRUE(podwriter::writeFile("name.pod", a));
    PodArchive archive("name.pod");
    ASSERT_EQ(archive.entryCount, 2);
    EXPECT_STREQ(archive.entries[0].name, "");
    EXPECT_EQ(a.substr(archive.findEntry("B"), 4), "bbbb");
  }
  {
    // A name that never ends: kept NUL-terminated inside its 256 bytes, both when
    // the file goes on and when it ends inside the name.
    std::string longName(300, 'Z');
    std::string a = podwriter::archive({{longName, "data"}});
    ASSERT_TRUE(podwriter::writeFile("long.pod", a));
    PodArchive archive("long.pod");
    ASSERT_EQ(archive.entryCount, 1);
    EXPECT_EQ(std::string(archive.entries[0].name), std::string(255, 'Z'));
    std::string cut = a.substr(0, 268 + 20 + 10);
    ASSERT_TRUE(podwriter::writeFile("cut.pod", cut));
    PodArchive cutArchive("cut.pod");
    ASSERT_EQ(cutArchive.entryCount, 1);
    EXPECT_EQ(std::string(cutArchive.entries[0].name), std::string(10, 'Z'));
  }
  {
    // A path too long to hold is refused rather than cut to another file's name.
    std::string longPath = std::string(300, 'p');
    ASSERT_TRUE(podwriter::writeFile(longPath.substr(0, 255), good));
    PodArchive refused(longPath.c_str());
    EXPECT_EQ(refused.entryCount, 0);
    PodArchive fits(longPath.substr(0, 255).c_str());
    EXPECT_EQ(fits.entryCount, 2);
  }
  {
    PodArchive missing("no such file.pod");
    EXPECT_EQ(missing.entryCount, 0);
    EXPECT_EQ(missing.findEntry("A"), 0u);
  }
}

}  // namespace
