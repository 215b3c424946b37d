// The debrief program on a simulator folder built with the archive writer: its
// table, JSON, CSV and SVG, and its answers to a bad track, a missing navaid and
// wrong command lines.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "../exercises/exercise_test_util.h"
#include "flight_builder.h"
#include "pod_writer.h"

namespace {

struct ToolRun {
  int status;
  std::string out, err;
};

// Standard output and standard error apart: the JSON must be clean of messages.
// Started in `scratch`, so relative names on the command line are taken from there.
ToolRun run(const std::string& args, const std::filesystem::path& scratch) {
  const std::string errFile = (scratch / "stderr.txt").string();
  const std::string cmd = "cd " + scratch.string() + " && " + DEBRIEF_PATH + " " + args + " 2>" + errFile;
  std::FILE* p = ::popen(cmd.c_str(), "r");
  std::string out;
  char buf[4096];
  size_t n;
  while (p && (n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  const int raw = p ? ::pclose(p) : -1;
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, out, readFile(errFile)};
}

// Runs a shell command; true when it exits 0. `out` gets its output.
bool shell(const std::string& cmd, std::string* out) {
  std::FILE* p = ::popen((cmd + " 2>&1").c_str(), "r");
  if (!p) return false;
  char buf[4096];
  size_t n;
  out->clear();
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out->append(buf, n);
  const int raw = ::pclose(p);
  return WIFEXITED(raw) && WEXITSTATUS(raw) == 0;
}

class DebriefCli : public ExerciseFileTest {
 protected:
  // Navaid ABC at N43 30 E005 15, variation 2; folders named in another case than
  // the program asks for. The track flies 090 true through it, 1 NM right of course.
  void makeFolder(const std::string& exercises) {
    std::filesystem::create_directories(dir / "System");
    std::filesystem::create_directories(dir / "Data");
    ASSERT_TRUE(writeNavaidArchive((dir / "System" / "Navaid.pod").string(),
                                   {{"K1", "ABC", "ALPHA", 2.0, 1, 43.5 * 3600, 5.25 * 3600}}));
    writeXml(setXml("Exercises", exercises), "Data/Ifr_Exercises.XML");
    std::ofstream(dir / "Data" / "__ORVANDEL.dat")
        << trackText(parallelFlight({43.5, 5.25}, 90, 1, -8.1, 8.15, 0.25, 180));
  }
  const std::string kLine = exerciseXml(0, navaidXml("ABC", "VOR", "ALPHA") +
                                               "<NAV><QDM>88</QDM><QDR>88</QDR></NAV><FORM><TYPE>LINE</TYPE></FORM>");
};

}  // namespace

TEST_F(DebriefCli, TableJsonCsvAndSvg) {
  makeFolder(kLine + exerciseXml(1, navaidXml("ABC", "VOR", "ALPHA") +
                                        "<NAV><QDM>0</QDM><QDR>20</QDR></NAV><FORM><TYPE>ADME</TYPE>"
                                        "<USER_DST>30</USER_DST></FORM>"));
  const ToolRun text = run(dir.string(), dir);
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("DEBRIEF of " + dir.string() + "/Data/__ORVANDEL.dat\n"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("#0 LINE  VOR ABC \"ALPHA\"  QDM 088 (90.0 true) inbound"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("cross-track max 1.00 NM right, rms 1.00 NM"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("#1 ADME  VOR ABC \"ALPHA\"  30.0 NM arc from 000 to 020, 3 entries\n"), std::string::npos);
  EXPECT_NE(text.out.find("NOT FLOWN              closest approach 28.98 NM"), std::string::npos) << text.out;

  const ToolRun json = run("--json " + dir.string(), dir);
  EXPECT_EQ(json.status, 0);
  EXPECT_EQ(json.out.rfind("{\"track\": ", 0), 0u) << json.out;
  EXPECT_NE(json.out.find("{\"index\": 0, \"form\": \"LINE\", \"navaid\": \"ABC\", \"flown\": true, \"closest_nm\": 1.000,"),
            std::string::npos)
      << json.out;
  EXPECT_NE(json.out.find("\"cross_track_nm\": {\"max\": 1.000, \"rms\": 1.000}"), std::string::npos);
  // Not flown: only its closest approach.
  EXPECT_NE(json.out.find("{\"index\": 1, \"form\": \"ADME\", \"navaid\": \"ABC\", \"flown\": false, \"closest_nm\": 28.98"),
            std::string::npos)
      << json.out;
  EXPECT_EQ(json.out.find("dme_error_nm"), std::string::npos);
  std::string parsed;
  if (!shell("python3 -c 1", &parsed)) GTEST_SKIP() << "python3 cannot run here to check the JSON";
  std::ofstream(dir / "out.json") << json.out;
  ASSERT_TRUE(shell("python3 -c \"import json,sys; d=json.load(open(sys.argv[1])); "
                    "print(len(d['exercises']), d['exercises'][0]['angular_deg']['rms'] > 0)\" " +
                        (dir / "out.json").string(),
                    &parsed))
      << parsed;
  EXPECT_EQ(parsed, "2 True\n");

  const ToolRun csv = run("--csv " + dir.string(), dir);
  EXPECT_EQ(csv.out.rfind("index,form,navaid,metric,value\n0,LINE,ABC,resolved,1\n0,LINE,ABC,flown,1\n", 0), 0u)
      << csv.out;
  EXPECT_NE(csv.out.find("\n0,LINE,ABC,cross_track_max_nm,1.000\n"), std::string::npos);
  EXPECT_NE(csv.out.find("\n1,ADME,ABC,flown,0\n"), std::string::npos);

  const std::string svg = (dir / "plots.svg").string();
  const ToolRun plotted = run("--svg " + svg + " " + dir.string(), dir);
  EXPECT_EQ(plotted.status, 0) << plotted.err;
  const std::string page = readFile(svg);
  EXPECT_NE(page.find("<svg xmlns=\"http://www.w3.org/2000/svg\""), std::string::npos);
  EXPECT_NE(page.find("cross-track (NM)"), std::string::npos);
  EXPECT_NE(page.find("not flown: closest approach 28.98 NM"), std::string::npos);
  std::string lint;
  if (!shell("xmllint --version", &lint)) GTEST_SKIP() << "xmllint cannot run here: " << lint;
  EXPECT_TRUE(shell("xmllint --noout " + svg, &lint)) << lint;
}

TEST_F(DebriefCli, BadTrackMissingNavaidAndUsage) {
  makeFolder(kLine + exerciseXml(1, navaidXml("XYZ", "NDB", "NOWHERE") + "<FORM><TYPE>LINE</TYPE></FORM>"));
  // The failed lookup's message goes to standard error; the JSON stays whole.
  const ToolRun missing = run("--json " + dir.string(), dir);
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("MESSAGE ERROR : CAN'T FIND SELECTED NAVAID"), std::string::npos) << missing.err;
  EXPECT_NE(missing.out.find("{\"index\": 1, \"form\": \"LINE\", \"navaid\": \"XYZ\", \"resolved\": false}"),
            std::string::npos)
      << missing.out;
  EXPECT_EQ(missing.out.find("MESSAGE"), std::string::npos);

  // A track named on the command line, relative to where the program starts;
  // one whose last line is not a data line is refused as the viewer refuses it.
  std::filesystem::create_directories(dir / "flights");
  std::ofstream(dir / "flights" / "cut.dat") << "1 0 0\n156600.00 18900.00 1000.00 1.00\n\n";
  const ToolRun cut = run(".. cut.dat", dir / "flights");
  EXPECT_EQ(cut.status, 1);
  EXPECT_EQ(cut.out, "");
  EXPECT_NE(cut.err.find("No user data : bad file format !"), std::string::npos) << cut.err;
  EXPECT_NE(cut.err.find("is not a track the chart can draw"), std::string::npos) << cut.err;
  const ToolRun none = run(dir.string() + " none.dat", dir);
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.err.find("debrief: no track file"), std::string::npos);

  EXPECT_EQ(run("", dir).status, 2);
  EXPECT_EQ(run("--json --csv " + dir.string(), dir).status, 2);
  EXPECT_EQ(run("--fast " + dir.string(), dir).status, 2);
  EXPECT_EQ(run((dir / "no_such_folder").string(), dir).status, 2);
  const ToolRun unwritable = run("--svg " + (dir / "no_dir" / "x.svg").string() + " " + dir.string(), dir);
  EXPECT_EQ(unwritable.status, 2);
  EXPECT_NE(unwritable.err.find("cannot write"), std::string::npos);

  const ToolRun help = run("--help", dir);
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("A point counts for a\n  line when it lies within the line's drawn length"), std::string::npos);
}
