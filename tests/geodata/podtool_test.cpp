// podtool run as a program: CSV in, archives the readers load, bad lines refused.
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "fixture.h"
#include "nav_database.h"

namespace {

class PodtoolTest : public ScratchDir {
 protected:
  // Runs podtool with the arguments; returns its exit status, stderr into *err.
  static int run(const std::string& args, std::string* err = nullptr) {
    std::string cmd = std::string("'") + PODTOOL_PATH + "' " + args + " >out.txt 2>err.txt";
    int status = std::system(cmd.c_str());
    if (err) {
      std::FILE* f = std::fopen("err.txt", "rb");
      err->clear();
      if (f) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) err->append(buf, n);
        std::fclose(f);
      }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

TEST_F(PodtoolTest, BuildsArchivesTheDatabaseReads) {
  makeDir("SYSTEM");
  writeText("airports.csv",
            "# key,shortIdent,ident,name,latitudeSeconds,longitudeSeconds\n"
            "\n"
            "LFML,LFML,LFML,Marseille Provence,156261.6,18806.4\r\n"
            "KJFK,KJFK,KZ,John F Kennedy Intl,146293.2,1029232.8\n");
  writeText("runways.csv", "LFML,13L,156000,18000,156100,18100.5\n");
  writeText("navaids.csv",
            "MTG,MTG,Martigues,1.5,1,156000,18000\n"
            "NDB1,ML,Marseille NDB,-2,8,156100,1295964\n");
  ASSERT_EQ(run("airports airports.csv SYSTEM/AIRPORT.POD"), 0);
  ASSERT_EQ(run("runways runways.csv SYSTEM/RUNWAY.POD"), 0);
  ASSERT_EQ(run("navaids navaids.csv SYSTEM/NAVAID.POD"), 0);

  NavDatabase db;
  ASSERT_EQ(db.airports.size(), 2u);
  EXPECT_STREQ(db.airports[0].name, "Marseille Provence");
  EXPECT_STREQ(db.airports[1].ident, "KZ");
  EXPECT_DOUBLE_EQ(db.airports[1].longitude, (1029232.8 - 1296000) * 180 / 6480);
  ASSERT_EQ(db.runways.size(), 1u);
  EXPECT_STREQ(db.runways[0].key2, "13L");
  EXPECT_EQ(db.runways[0].longitude2, 18100.5);
  ASSERT_EQ(db.navaids.size(), 2u);
  EXPECT_EQ(db.vors.size(), 1u);
  ASSERT_EQ(db.ndbs.size(), 1u);
  EXPECT_EQ(db.ndbs[0].variation, -2.0);
  EXPECT_DOUBLE_EQ(db.ndbs[0].longitude, -1.0);
}

TEST_F(PodtoolTest, BadLinesAreRefusedWithTheirLineNumber) {
  struct Case {
    const char* kind;
    const char* csv;
    const char* expect;
  } cases[] = {
      {"airports", "# c\nA,B,C,D,1,2\nA,B,C,D,1\n", ":3:"},
      {"airports", "A,B,C,D,north,2\n", ":1:"},
      {"airports", "A,B,C,D,1,-5\n", ":1:"},          // west must be written eastward
      {"airports", "A,B,C,D,400000,5\n", ":1:"},      // beyond the pole
      {"runways", "\nA,B,1,2,3,4,5\n", ":2:"},
      {"navaids", "A,B,C,1.5,-1,3,4\n", ":1:"},       // flags are unsigned
      {"navaids", "A,B,C,1.5,4294967296,3,4\n", ":1:"},
      {"navaids", "A,B,C,nan,1,3,4\n", ":1:"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.csv);
    writeText("in.csv", c.csv);
    std::string err;
    EXPECT_EQ(run(std::string(c.kind) + " in.csv out.pod", &err), 2);
    EXPECT_NE(err.find(c.expect), std::string::npos) << err;
    EXPECT_EQ(std::fopen("out.pod", "rb"), nullptr);  // nothing written
  }
  EXPECT_EQ(run("lakes in.csv out.pod"), 2);
  EXPECT_EQ(run("airports"), 2);
  EXPECT_EQ(run("airports missing.csv out.pod"), 1);
}

}  // namespace
