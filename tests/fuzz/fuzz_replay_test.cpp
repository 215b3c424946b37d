// Replays every stored input of every fuzz target through the same reader entry as
// the target: the seeds and the regression inputs (inputs that once broke a reader).
// Under the sanitizer build a read past an allocation fails here as well.
#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fuzz_entries.h"
#include "nav_database.h"

namespace {

std::vector<std::string> filesIn(const std::string& dir) {
  std::vector<std::string> files;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') files.push_back(dir + "/" + e->d_name);
    closedir(d);
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string replay(FuzzEntry entry, const std::string& bytes) {
  // An exact-size copy, as libFuzzer hands it over, so a read past the end is seen.
  std::vector<uint8_t> copy(bytes.begin(), bytes.end());
  return entry(copy.empty() ? nullptr : copy.data(), copy.size());
}

}  // namespace

TEST(FuzzReplay, StoredInputsKeepEveryInvariant) {
  int replayed = 0;
  for (const FuzzTarget& t : fuzzTargets()) {
    for (const char* kind : {"seeds", "regressions"}) {
      for (const std::string& file : filesIn(std::string(FUZZ_SOURCE_DIR) + "/" + kind + "/" + t.name)) {
        EXPECT_EQ(replay(t.entry, readAll(file)), "") << file;
        ++replayed;
      }
    }
  }
  // The text seeds are kept in the source tree; finding none means a broken path.
  EXPECT_GT(replayed, 10);
}

static FuzzEntry entryNamed(const char* name) {
  for (const FuzzTarget& t : fuzzTargets())
    if (std::string(t.name) == name) return t.entry;
  return nullptr;
}

TEST(FuzzReplay, GeneratedArchiveSeedsReachEveryTable) {
  std::vector<std::string> seeds = podSeeds();
  ASSERT_GE(seeds.size(), 2u);
  FuzzEntry pod = entryNamed("pod");
  ASSERT_NE(pod, nullptr);
  for (const std::string& s : seeds) EXPECT_EQ(replay(pod, s), "");

  // The first seed must hold real tables, or the fuzzer starts from nothing useful.
  const std::string& all = seeds[0];
  for (const char* a : {"SYSTEM/AIRPORT.POD", "SYSTEM/RUNWAY.POD", "SYSTEM/NAVAID.POD"})
    ASSERT_TRUE(fuzzWriteFile(a, reinterpret_cast<const uint8_t*>(all.data()), all.size()));
  NavDatabase db;
  EXPECT_EQ(db.airports.size(), 2u);
  EXPECT_EQ(db.runways.size(), 2u);
  EXPECT_EQ(db.navaids.size(), 3u);
  EXPECT_EQ(db.vors.size(), 2u);
  EXPECT_EQ(db.ndbs.size(), 1u);
  ASSERT_EQ(db.navaids.size(), 3u);
  EXPECT_STREQ(db.navaids[1].ident, "ML");
}

TEST(FuzzReplay, EmptyInputIsHandledByEveryTarget) {
  for (const FuzzTarget& t : fuzzTargets()) EXPECT_EQ(t.entry(nullptr, 0), "") << t.name;
}
