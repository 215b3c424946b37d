// Runs the exercheck tool on simulator folders built with the archive writer.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "exercise_test_util.h"
#include "geodata/pod_writer.h"

namespace {

const std::string kData = EXERCISE_TEST_DATA;

struct ToolRun {
  int status;
  std::string out;
};

ToolRun run(const std::string& args) {
  const std::string cmd = std::string(EXERCHECK_PATH) + " " + args + " 2>&1";
  std::FILE* p = ::popen(cmd.c_str(), "r");
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  const int raw = ::pclose(p);
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, out};
}

class ExercheckTest : public ExerciseFileTest {
 protected:
  // A simulator folder whose folders are not named in the case the program asks for.
  void makeSimFolder(const std::string& exercises) {
    std::filesystem::create_directories(dir / "System");
    std::filesystem::create_directories(dir / "Data");
    const std::vector<PodNavaidIn> navaids = {
        {"K1", "ABC", "ALPHA", -2.5, 1, 172800, 9000},       // N48 00, E002 30
        {"K2", "XY", "XRAY", 1.0, 8, 169200, 1296000 - 4320},  // N47 00, W001 12
    };
    ASSERT_TRUE(writeNavaidArchive((dir / "System" / "Navaid.pod").string(), navaids));
    writeXml(exercises, "Data/Ifr_Exercises.XML");
  }
};

}  // namespace

TEST_F(ExercheckTest, PrintsWhatTheViewerPrintsThenEachExercise) {
  makeSimFolder(readFile(kData + "/all_kinds.xml"));
  const ToolRun r = run(dir.string());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, readFile(kData + "/all_kinds.exercheck"));
}

TEST_F(ExercheckTest, CleanFileExitsZero) {
  makeSimFolder(setXml("Clean", exerciseXml(0, navaidXml("XY", "NDB", "XRAY")) +
                                    exerciseXml(1, navaidXml("ABC", "VOR", "ALPHA") +
                                                       "<FORM><TYPE>HIPP</TYPE></FORM>")));
  const ToolRun r = run(dir.string());
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out.find("MESSAGE ERROR"), std::string::npos);
  EXPECT_NE(r.out.find("IFR EXERCICE  : Clean\nNAVAID POINT\n\tNAVAID_ID     : XY\n"), std::string::npos);
  EXPECT_NE(r.out.find("exercise 1: VOR ABC \"ALPHA\": navaid found at N48 00.00 E002 30.00\n"), std::string::npos);
}

TEST_F(ExercheckTest, ExplicitFileMissingArchiveAndUsage) {
  // Exercises named on the command line, relative to the caller; no navaid archive.
  std::filesystem::create_directories(dir / "empty");
  const std::string xml = writeXml(setXml("T", exerciseXml(0, navaidXml("ABC", "VOR", "ALPHA"))), "mine.xml");
  const ToolRun r = run((dir / "empty").string() + " " + xml);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("\n\nMESSAGE ERROR : CAN'T FIND SELECTED NAVAID\n\n"), std::string::npos);
  EXPECT_NE(r.out.find("navaid table: not loaded"), std::string::npos);
  EXPECT_NE(r.out.find("exercise 0: VOR ABC \"ALPHA\": navaid not found, no geometry\n"), std::string::npos);

  const ToolRun none = run((dir / "empty").string());
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.out.find("NO IFR EXERCISES XML FILE FOUND\n\nIFR EXERCICE  : NO IFR EXERCISE\n"), std::string::npos);

  EXPECT_EQ(run("").status, 2);
  EXPECT_EQ(run((dir / "no_such_folder").string()).status, 2);
}
