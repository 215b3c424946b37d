// Randomly damaged archives, polyline and track files: every load ends with a clear
// outcome, holds no more than the file could hold, and (under the sanitizer build)
// never reads outside what it allocated.
#include <random>
#include <string>
#include <vector>

#include "fixture.h"
#include "nav_database.h"
#include "pod_archive.h"
#include "pod_writer.h"
#include "polyline_set.h"
#include "track_file.h"

namespace {

class DamagedFiles : public ScratchDir {
 protected:
  static std::string damage(std::string bytes, std::mt19937& rng) {
    switch (rng() % 4) {
      case 0:  // truncate
        bytes.resize(rng() % (bytes.size() + 1));
        break;
      case 1:  // overwrite a few bytes, often the header words
        for (int i = 0, n = 1 + int(rng() % 8); i < n && !bytes.empty(); ++i) {
          size_t at = (rng() & 1) ? size_t(rng() % bytes.size()) : size_t(80 + rng() % 220) % bytes.size();
          bytes[at] = char(rng());
        }
        break;
      case 2:  // a huge or negative 32-bit word somewhere
        if (bytes.size() >= 4) {
          uint32_t words[] = {0xffffffffu, 0x7fffffffu, 0x80000000u, 0xfffffff0u};
          podwriter::putU32(bytes, size_t(rng() % (bytes.size() - 3)), words[rng() % 4]);
        }
        break;
      default:  // both
        bytes = damage(damage(bytes, rng), rng);
    }
    return bytes;
  }
};

TEST_F(DamagedFiles, ArchivesNeverYieldMoreThanTheFileHolds) {
  makeDir("SYSTEM");
  std::vector<PodNavaidIn> navaids;
  for (int i = 0; i < 40; ++i) navaids.push_back({"K" + std::to_string(i), "ID", "Name", 1.5, uint32_t(i % 10), 1.0 * i, 2.0 * i});
  std::string table = podwriter::dbdTable(40, podwriter::kNavaidRecordLength, [&] {
    std::string r;
    for (const PodNavaidIn& n : navaids) r += podwriter::navaidRecord(n);
    return r;
  }());
  std::string good = podwriter::archive({{"OTHER", "x"}, {"DATABASE\\NAVAID.DBD", table}});
  std::mt19937 rng(7);
  for (int round = 0; round < 400; ++round) {
    std::string bad = damage(good, rng);
    ASSERT_TRUE(podwriter::writeFile("SYSTEM\\NAVAID.POD", bad));
    NavDatabase db;
    SCOPED_TRACE(round);
    EXPECT_LE(db.navaids.size() * 117, bad.size());
    EXPECT_LE(db.vors.size() + db.ndbs.size(), db.navaids.size());
    if (!db.navaidsLoaded) {
      EXPECT_TRUE(db.navaids.empty());
    }
    PodArchive archive("SYSTEM\\NAVAID.POD");
    EXPECT_LE(size_t(archive.entryCount) * 20, bad.size());
  }
}

TEST_F(DamagedFiles, PolylineFilesNeverAllocateBeyondTheFile) {
  std::string good = "3 1 30\n1 0 1 0 1 4\n1.5 2.5\n3 4\n5 6\n7 8\n2 0 0 0 0 2\n9 9\n8 8\n3 1 1 1 1 1\n0 0\n";
  std::mt19937 rng(11);
  for (int round = 0; round < 400; ++round) {
    std::string bad = damage(good, rng);
    // Text damage of the kind a text file suffers: digits turned into big counts.
    if (rng() % 3 == 0) bad.insert(rng() % (bad.size() + 1), rng() % 2 ? "99999999999" : "-2147483648");
    writeText("lines.dat", bad);
    PolylineSet set("lines.dat");
    SCOPED_TRACE(round);
    ASSERT_TRUE(set.loaded);
    EXPECT_EQ(set.segments.size(), set.segmentCount);
    EXPECT_LE(set.segmentCount, bad.size());
    size_t points = 0;
    for (const Polyline& p : set.segments) {
      EXPECT_EQ(p.points.size(), p.pointCount);
      points += p.pointCount;
    }
    EXPECT_LE(points, bad.size());
  }
}

TEST_F(DamagedFiles, TrackFilesLoadOrFailCleanly) {
  std::string good = "1 0 0\n175834.00 1295964.00 1000.00 2.50\n175900.00 36.00 3000.00 3.00\n";
  std::mt19937 rng(13);
  for (int round = 0; round < 300; ++round) {
    std::string bad = damage(good, rng);
    writeText("t.dat", bad);
    ::testing::internal::CaptureStdout();
    TrackFile t("t.dat");
    std::string out = ::testing::internal::GetCapturedStdout();
    SCOPED_TRACE(round);
    if (t.loaded) {
      EXPECT_EQ(out, "");
      ASSERT_FALSE(t.points.empty());
    } else {
      EXPECT_EQ(out, "No user data : bad file format !\n");
    }
    EXPECT_LE(t.points.size(), bad.size() / 7 + 1);
  }
}

}  // namespace
