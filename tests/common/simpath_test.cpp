#include "simpath.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

class SimPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/simpath-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    old_ = fs::current_path();
    fs::current_path(root_);
  }
  void TearDown() override {
    fs::current_path(old_);
    fs::remove_all(root_);
  }
  static void touch(const fs::path& p, const std::string& text = "x") {
    fs::create_directories(p.parent_path());
    std::ofstream(p) << text;
  }
  static std::string readAll(const std::string& simPath) {
    std::FILE* f = simpath::open(simPath.c_str(), "r");
    if (!f) return "<none>";
    char buf[64] = {0};
    size_t n = std::fread(buf, 1, sizeof buf - 1, f);
    std::fclose(f);
    return std::string(buf, n);
  }
  fs::path root_, old_;
};

TEST_F(SimPathTest, BackslashesBecomeSlashesAndCaseIsMatchedPerComponent) {
  touch("data/IFR_EXERCISES.xml", "lower-folder");
  EXPECT_EQ(simpath::resolve("DATA\\IFR_EXERCISES.xml"), "data/IFR_EXERCISES.xml");
  EXPECT_EQ(simpath::resolve("DATA\\ifr_exercises.XML"), "data/IFR_EXERCISES.xml");
  EXPECT_EQ(readAll("DATA\\IFR_EXERCISES.xml"), "lower-folder");

  touch("SYSTEM/AIRPORT.POD", "pod");
  EXPECT_EQ(simpath::resolve("system/airport.pod"), "SYSTEM/AIRPORT.POD");
  EXPECT_EQ(readAll("System\\Airport.pod"), "pod");
}

TEST_F(SimPathTest, ExactNameWinsWhenBothCasesExist) {
  touch("data/__ORVANDEL.dat", "lower");
  touch("DATA/__ORVANDEL.dat", "upper");
  EXPECT_EQ(simpath::resolve("data\\__ORVANDEL.dat"), "data/__ORVANDEL.dat");
  EXPECT_EQ(simpath::resolve("DATA\\__ORVANDEL.dat"), "DATA/__ORVANDEL.dat");
  EXPECT_EQ(readAll("data\\__ORVANDEL.dat"), "lower");
  EXPECT_EQ(readAll("DATA\\__ORVANDEL.dat"), "upper");
  // Neither spelling exists exactly: the first match in byte order is taken, every time.
  EXPECT_EQ(simpath::resolve("Data\\__ORVANDEL.dat"), "DATA/__ORVANDEL.dat");
}

TEST_F(SimPathTest, MissingPathStaysMissing) {
  touch("data/a.txt");
  EXPECT_EQ(simpath::resolve("nothing\\here.txt"), "nothing/here.txt");
  EXPECT_EQ(simpath::open("nothing\\here.txt", "r"), nullptr);
  EXPECT_EQ(simpath::open("DATA\\b.txt", "r"), nullptr);
  EXPECT_EQ(simpath::open(nullptr, "r"), nullptr);
  EXPECT_EQ(simpath::resolve(""), "");
}

TEST_F(SimPathTest, NewFileIsCreatedInTheExistingFolderWhateverItsCase) {
  fs::create_directories("data");
  std::FILE* f = simpath::open("DATA\\__ORVANDEL.dat", "w");
  ASSERT_NE(f, nullptr);
  std::fputs("1 0 0\n", f);
  std::fclose(f);
  EXPECT_TRUE(fs::exists("data/__ORVANDEL.dat"));
  EXPECT_FALSE(fs::exists("DATA"));
}

TEST_F(SimPathTest, AbsoluteAndDottedPathsAreKept) {
  touch("Data/x.dat", "abs");
  std::string abs = (root_ / "DATA\\X.DAT").string();
  EXPECT_EQ(simpath::resolve(abs), (root_ / "Data/x.dat").string());
  EXPECT_EQ(simpath::resolve("./DATA/../data/X.dat"), "./Data/../Data/x.dat");
  EXPECT_EQ(readAll("./DATA/../data/X.dat"), "abs");
}

}  // namespace
