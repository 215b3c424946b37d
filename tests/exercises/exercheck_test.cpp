// The exercise checker: its diagnostics on a table of bad files, a clean file, and
// the exercheck program run on simulator folders built with the archive writer.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "check_text.h"
#include "exercise_check.h"
#include "exercise_test_util.h"
#include "geo_units.h"
#include "pod_writer.h"
#include "navaid_finder.h"

namespace {

const std::string kData = EXERCISE_TEST_DATA;

struct ToolRun {
  int status;
  std::string out;
};

ToolRun run(const std::string& args, bool withStderr = true) {
  const std::string cmd = std::string(EXERCHECK_PATH) + " " + args + (withStderr ? " 2>&1" : " 2>/dev/null");
  std::FILE* p = ::popen(cmd.c_str(), "r");
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  const int raw = ::pclose(p);
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, out};
}

// The navaids of the table test, in chart units: a VOR, an NDB, an NDB whose name
// has an accent (Latin-1, as the table stores it) and a VOR whose identifier no
// exercise can hold.
const std::vector<NavaidRecord> kVors = {navaid("ABC", "ALPHA", -2.5, 250, 4800, 1),
                                         navaid("ABCD", "LONGID", 0, 500, 4800, 1)};
const std::vector<NavaidRecord> kNdbs = {navaid("XY", "XRAY", 1.0, -120, 4700, 8),
                                         navaid("CDN", "Ch\xE2teaudun", -1.2, 4908.0 / 36, 4806, 8)};

// The file as the rows write it: the title on line 1, then each exercise element
// as its start tag, one line per body line, its closing tag.
std::string ex(int n, std::initializer_list<std::string> body) {
  char tag[16];
  std::snprintf(tag, sizeof tag, "DATA%02d", n);
  std::string s = std::string("<") + tag + ">\n";
  for (const std::string& line : body) s += line + "\n";
  return s + "</" + tag + ">\n";
}
std::string file(std::initializer_list<std::string> exercises) {
  std::string s = "<DATA><EXERC>T</EXERC>\n";
  for (const std::string& e : exercises) s += e;
  return s + "</DATA>\n";
}

const std::string V = "<NAVAID><NAVAID_ID>ABC</NAVAID_ID><TYPE>VOR</TYPE><NAME>ALPHA</NAME></NAVAID>";
const std::string U = "<NAVAID><NAVAID_ID>P</NAVAID_ID><TYPE>USR</TYPE><NAME>FIX</NAME></NAVAID>";
const std::string NAV = "<NAV><QDM>90</QDM><QDR>270</QDR></NAV>";
const std::string LINE = "<FORM><TYPE>LINE</TYPE></FORM>";
std::string navaidOf(const std::string& id, const std::string& type, const std::string& name) {
  return "<NAVAID><NAVAID_ID>" + id + "</NAVAID_ID><TYPE>" + type + "</TYPE><NAME>" + name + "</NAME></NAVAID>";
}
std::string coor(const std::string& lat, const std::string& lon) {
  return ex(0, {U, NAV, "<FORM><TYPE>COOR</TYPE><USER_LAT>" + lat + "</USER_LAT><USER_LON>" + lon + "</USER_LON></FORM>"});
}
std::string hold(const std::string& formKeys, const std::string& qdm = "90") {
  return ex(0, {V, "<NAV><QDM>" + qdm + "</QDM></NAV>", "<FORM><TYPE>HIPP</TYPE>" + formKeys + "</FORM>"});
}

std::string diagnosticsOf(const std::string& text, int* status) {
  const CheckedFile checked(text, kVors, kNdbs, true);
  const std::vector<Diagnostic> d = checkExercises(checked);
  *status = checkExitStatus(d);
  std::string out;
  for (const Diagnostic& one : d) out += formatDiagnostic("t.xml", one) + "\n";
  return out;
}

}  // namespace

// Each bad file gives exactly these lines (after "t.xml:") and this exit status.
TEST(ExerciseCheck, TableOfBadFiles) {
  struct Row {
    const char* name;
    std::string text;
    std::string expected;
    int status;
  };
  const Row rows[] = {
      {"turn in lower case", file({hold("<TURN>left</TURN><TRI>1</TRI><IAS_MAX>180</IAS_MAX>")}),
       "5: error: DATA00 FORM:TURN: \"left\" is not LEFT; the hold turns right (write LEFT in capitals)\n", 1},
      {"coordinate without its dash", file({coor("N45*30.5", "E-2*30.00")}),
       "5: error: DATA00 FORM:USER_LAT: \"N45*30.5\" is not in the form N-45*30.50 (no '-' after the letter); the "
       "viewer reads N-0*00.00, so the fix lies on the equator\n", 1},
      {"lower-case hemisphere", file({coor("N-45*30.5", "e-2*30.00")}),
       "5: error: DATA00 FORM:USER_LON: \"e-2*30.00\" is not in the form E-5*10.00 (a lower-case hemisphere "
       "letter); the viewer prints COORD ERROR IN XML FILE and puts the fix on the prime meridian\n", 1},
      {"latitude letter in USER_LON", file({coor("N-45*30.5", "N-2*30.00")}),
       "5: error: DATA00 FORM:USER_LON: \"N-2*30.00\" has a latitude letter; the viewer reads it as E-2*30.00 (N "
       "counts as east)\n", 1},
      {"minutes of 60 or more", file({coor("N-45*75.0", "E-2*30.00")}),
       "5: error: DATA00 FORM:USER_LAT: \"N-45*75.0\": minutes of 60 or more; the viewer reads N-46*15.00\n", 1},
      {"degrees out of range", file({coor("N-95*00.0", "E-2*30.00")}),
       "5: error: DATA00 FORM:USER_LAT: \"N-95*00.0\": degrees beyond 90; the viewer puts the fix off the chart "
       "(N-95*00.00)\n", 1},
      {"coordinate missing",
       file({ex(0, {U, NAV, "<FORM><TYPE>COOR</TYPE><USER_LAT>N-45*30.5</USER_LAT></FORM>"})}),
       "5: error: DATA00 FORM:USER_LON: missing; the viewer reads E-0*00.00, so the fix lies on the prime "
       "meridian\n", 1},
      {"decimal comma", file({hold("<TURN>RIGHT</TURN><TRI>1,5</TRI><IAS_MAX>180</IAS_MAX>")}),
       "5: error: DATA00 FORM:TRI: \"1,5\" is not a plain number; the viewer reads 1 (the decimal point is '.')\n", 1},
      {"no number keeps the previous value",
       file({ex(0, {V, NAV, LINE}), ex(1, {V, "<NAV><QDM>ninety</QDM><QDR>270</QDR></NAV>", LINE})}),
       "9: error: DATA01 NAV:QDM: \"ninety\" is not a number; the viewer keeps the previous exercise's value, 90\n", 1},
      {"unknown form code", file({ex(0, {V, NAV, "<FORM><TYPE>Hipp</TYPE></FORM>"})}),
       "5: error: DATA00 FORM:TYPE: \"Hipp\" is not LINE, HIPP, RELY, COOR or ADME: the viewer draws nothing for this "
       "exercise (did you mean HIPP?)\n", 1},
      {"unknown navaid type", file({ex(0, {navaidOf("ABC", "vor", "ALPHA"), NAV, LINE})}),
       "3: error: DATA00 NAVAID:TYPE: \"vor\" is not VOR, NDB or USR; the viewer draws neither this exercise nor any "
       "after it (did you mean VOR?)\n", 1},
      {"name in another case", file({ex(0, {navaidOf("ABC", "VOR", "Alpha"), NAV, LINE})}),
       "3: error: DATA00 NAVAID:NAME: VOR ABC \"Alpha\" is not in the VOR table; the viewer draws neither this "
       "exercise nor any after it; the viewer compares identifier and name exactly, case included. Did you mean: "
       "VOR ABC \"ALPHA\" at N-48*00.00 E-2*30.00\n", 1},
      {"navaid in the other table", file({ex(0, {navaidOf("XY", "VOR", "XRAY"), NAV, LINE})}),
       "3: error: DATA00 NAVAID:NAME: VOR XY \"XRAY\" is not in the VOR table; the viewer draws neither this exercise "
       "nor any after it; it is in the NDB table: write TYPE NDB. Did you mean: NDB XY \"XRAY\" at N-47*00.00 "
       "W-1*12.00\n", 1},
      {"misspelt identifier and name", file({ex(0, {navaidOf("ABX", "VOR", "ALHPA"), NAV, LINE})}),
       "3: error: DATA00 NAVAID:NAVAID_ID: VOR ABX \"ALHPA\" is not in the VOR table; the viewer draws neither this "
       "exercise nor any after it. Did you mean: VOR ABC \"ALPHA\" at N-48*00.00 E-2*30.00\n", 1},
      {"name saved as UTF-8", file({ex(0, {navaidOf("CDN", "NDB", "Ch\xC3\xA2teaudun"), NAV, LINE})}),
       "3: error: DATA00 NAVAID:NAME: NDB CDN \"Ch\xC3\xA2teaudun\" is not in the NDB table; the viewer draws neither "
       "this exercise nor any after it; the file holds the name in UTF-8 but the table in Latin-1: save the file as "
       "ISO-8859-1. Did you mean: NDB CDN \"Ch\xC3\xA2teaudun\" at N-48*03.60 E-1*21.80\n", 1},
      {"identifier longer than its field", file({ex(0, {navaidOf("ABCD", "VOR", "LONGID"), NAV, LINE})}),
       "3: error: DATA00 NAVAID:NAVAID_ID: VOR ABCD \"LONGID\": the identifier is longer than 3 characters, so the "
       "viewer cannot match it; the viewer draws neither this exercise nor any after it. The table has VOR ABCD "
       "\"LONGID\" at N-48*00.00 E-5*00.00, which no exercise can name\n", 1},
      {"numbers used up by an arc",
       file({ex(0, {V, "<NAV><QDM>0</QDM><QDR>20</QDR></NAV>", "<FORM><TYPE>ADME</TYPE><USER_DST>10</USER_DST></FORM>"}),
             ex(1, {V, NAV, LINE})}),
       "7: error: DATA01: never read: the arc of DATA00 gives its 3 waypoints the numbers DATA00 to DATA02, so in its "
       "place the viewer draws the arc's waypoint on bearing 10; the next element read is DATA03\n", 1},
      {"a gap in the numbers", file({ex(0, {V, NAV, LINE}), ex(2, {V, NAV, LINE})}),
       "7: error: DATA02: never read: the list of exercises ends at DATA01 (there is no DATA01)\n", 1},
      {"an element twice", file({ex(0, {V, NAV, LINE}), ex(0, {V, NAV, LINE})}),
       "7: error: DATA00: a second <DATA00> is never read: the viewer reads the first, at line 2\n", 1},
      {"one digit", file({ex(0, {V, NAV, LINE}), "<DATA1>\n" + V + "\n</DATA1>\n"}),
       "7: error: DATA1: never read: the viewer asks for DATA01, written with two digits\n", 1},
      {"misspelt key",
       file({ex(0, {V, NAV, "<FORM><TYPE>RELY</TYPE><USER_DIST>5</USER_DIST><USER_HEADING>45</USER_HEADING></FORM>"})}),
       "5: error: DATA00 FORM:USER_DIST: <USER_DIST> is not a key the viewer reads; it is ignored (did you mean "
       "USER_DST?)\n"
       "5: warning: DATA00 FORM:USER_DST: missing; the viewer uses 0: the waypoint sits on the navaid\n", 1},
      {"key in the wrong element",
       file({ex(0, {V, "<NAV><QDR>270</QDR></NAV>", "<FORM><TYPE>LINE</TYPE><QDM>90</QDM></FORM>"})}),
       "4: warning: DATA00 NAV:QDM: missing; the viewer uses 0\n"
       "5: error: DATA00 FORM:QDM: the viewer reads QDM only inside <NAV>; here it is ignored\n", 1},
      {"closing tag in another case", file({ex(0, {V, "<NAV><QDM>90</qdm><QDR>270</QDR></NAV>", LINE})}),
       "4: error: DATA00: <QDM> is never read: it is closed by \"</qdm>\" (line 4), but the reader needs exactly "
       "</QDM>; the viewer drops it and everything after it up to </NAV> (line 4)\n", 1},
      {"a line break inside a tag", file({ex(0, {"<NAVAID\n>" + V.substr(8), NAV, LINE})}),
       "2: error: DATA00 NAVAID:NAVAID_ID: missing, so the list of exercises ends here: the viewer draws nothing from "
       "DATA00 on\n"
       "3: error: DATA00: <NAVAID> is never read: a tab or line break inside its start tag becomes part of its name for "
       "the reader, so no closing tag matches it; the viewer drops it and everything after it up to </DATA00> (line "
       "7)\n", 1},
      {"a comment", file({ex(0, {V, "<!-- courses -->", NAV, LINE})}),
       "4: error: DATA00: a comment: the viewer's reader does not know comments and stops reading <DATA00> here; it "
       "never reads <NAV> and the 4 elements after it, up to </DATA00> (line 7)\n", 1},
      {"an XML declaration", "<?xml version=\"1.0\"?>\n" + file({ex(0, {V, NAV, LINE})}),
       "1: error: \"<?xml ver...\": the viewer's reader does not know declarations and stops reading the file here; it "
       "never reads <DATA> and the 11 elements after it; the viewer reads no exercise from this file\n", 1},
      {"a user point outside COOR", file({ex(0, {U, NAV, LINE})}),
       "3: error: DATA00 NAVAID:TYPE: USR has a position only in a COOR exercise; the viewer draws this exercise at "
       "N-0*00.00 E-0*00.00\n", 1},
      {"top element not DATA", "<LESSON><EXERC>T</EXERC>\n" + ex(0, {V}) + "</LESSON>\n",
       "1: error: LESSON: the top element is <LESSON>, not <DATA>: the viewer reads no exercise from this file\n", 1},
      {"no exercise", file({}),
       "1: error: DATA: no exercise is read (the viewer prints NO IFR EXERCISES XML FILE FOUND); the first is DATA00\n",
       1},
      {"empty file", "", " error: the file is empty; the viewer shows no exercise\n", 1},
      {"warnings only",
       file({hold("<TURN>RIGHT</TURN><TRI>0.2</TRI><IAS_MAX>30</IAS_MAX>", "400"),
             ex(1, {V, "<NAV><QDM>30</QDM><QDR>10</QDR></NAV>", "<FORM><TYPE>ADME</TYPE><USER_DST>250</USER_DST></FORM>"}),
             ex(36, {navaidOf("PNTS", "USR", "FIX"), NAV,
                     "<FORM><TYPE>COOR</TYPE><USER_LAT>N-45*30.5</USER_LAT><USER_LON>E-2*30.00</USER_LON></FORM>"}),
             ex(37, {V, "<NAV><QDM>90</QDM></NAV>", "<FORM><TYPE>HIPP</TYPE><TRI>1</TRI><IAS_MAX>180</IAS_MAX>"
                                                   "<USER_DST>4</USER_DST></FORM>"})}),
       "4: warning: DATA00 NAV:QDM: 400 is outside 0 to 360; the viewer draws it as 40\n"
       "5: warning: DATA00 FORM:TRI: 0.2 minutes is no practical leg time (0.5 to 5)\n"
       "5: warning: DATA00 FORM:IAS_MAX: 30 kt is no practical holding speed (50 to 400)\n"
       "9: warning: DATA01 NAV:QDR: the arc runs clockwise from QDM 30 to 10, 340 degrees in 35 waypoints (the "
       "viewer always goes clockwise, from QDM to QDR)\n"
       "10: warning: DATA01 FORM:USER_DST: the arc lies 250.0 NM from VOR ABC, more than 200 NM\n"
       "13: warning: DATA36 NAVAID:NAVAID_ID: \"PNTS\" is longer than 3 characters; the viewer keeps \"PNT\"\n"
       "20: warning: DATA37 FORM:USER_DST: not used by a HIPP (holding pattern) exercise; the viewer ignores it\n"
       "20: warning: DATA37 FORM:TURN: missing; the hold turns right\n", 0},
  };
  for (const Row& r : rows) {
    std::string expected;
    size_t start = 0, nl;
    while ((nl = r.expected.find('\n', start)) != std::string::npos) {
      expected += "t.xml:" + r.expected.substr(start, nl - start + 1);
      start = nl + 1;
    }
    int status = -1;
    EXPECT_EQ(diagnosticsOf(r.text, &status), expected) << r.name;
    EXPECT_EQ(status, r.status) << r.name;
  }
}

TEST(ExerciseCheck, CleanFileOfEveryKindHasNoDiagnostic) {
  const std::string text = file({
      ex(0, {V, NAV, LINE}),
      ex(1, {navaidOf("XY", "NDB", "XRAY"), "<NAV><QDM>90</QDM></NAV>",
             "<FORM><TYPE>HIPP</TYPE><TURN>LEFT</TURN><TRI>1.5</TRI><IAS_MAX>180</IAS_MAX></FORM>"}),
      ex(2, {V, NAV, "<FORM><TYPE>RELY</TYPE><USER_DST>12.5</USER_DST><USER_HEADING>135</USER_HEADING></FORM>"}),
      ex(3, {U, NAV, "<FORM><TYPE>COOR</TYPE><USER_LAT>S-33*52.0</USER_LAT><USER_LON>E-151*12.5</USER_LON></FORM>"}),
      ex(4, {V, "<NAV><QDM>350</QDM><QDR>20</QDR></NAV>", "<FORM><TYPE>ADME</TYPE><USER_DST>15</USER_DST></FORM>"}),
      ex(8, {navaidOf("CDN", "NDB", "Ch\xE2teaudun"), NAV, LINE}),
  });
  int status = -1;
  EXPECT_EQ(diagnosticsOf(text, &status), "");
  EXPECT_EQ(status, 0);
}

TEST(CheckText, FoldDistanceAndCoordinates) {
  EXPECT_EQ(checktext::fold("Ch\xE2teaudun"), "CHATEAUDUN");          // Latin-1
  EXPECT_EQ(checktext::fold("Ch\xC3\xA2teaudun"), "CHATEAUDUN");      // UTF-8
  EXPECT_EQ(checktext::fold("Stra\xC3\x9F" "e"), "STRASSE");
  EXPECT_EQ(checktext::editDistance("MARSIELLE", "MARSEILLE", 3), 1u);  // a swap is one edit
  EXPECT_EQ(checktext::editDistance("ALPHA", "ALHPA", 3), 1u);
  EXPECT_EQ(checktext::editDistance("ABC", "ABCDEFGH", 2), 3u);          // past the limit: limit + 1
  EXPECT_EQ(checktext::display("A\tB\n\x01"), "A\\tB\\n\\x01");
  EXPECT_EQ(checktext::display("\xE9t\xE9"), "\xC3\xA9t\xC3\xA9");  // Latin-1 shown as UTF-8
  struct Row {
    double degrees;
    bool latitude;
    const char* text;
  } rows[] = {{45.508333333, true, "N-45*30.50"}, {-1.1208333333, false, "W-1*07.25"}, {0, true, "N-0*00.00"},
              {-33.8666666, true, "S-33*52.00"}, {179.99999999, false, "E-180*00.00"}, {5.0999999, false, "E-5*06.00"}};
  for (const Row& r : rows) {
    EXPECT_EQ(checktext::coordinate(r.degrees, r.latitude), r.text);
    double back = 0;
    ASSERT_TRUE(checktext::parseDegrees(r.text, r.latitude, &back)) << r.text;
    EXPECT_NEAR(back, r.degrees, 1.0 / 6000) << r.text;
  }
  double d = 0;
  EXPECT_TRUE(checktext::parseDegrees("-43.5", true, &d));
  EXPECT_EQ(d, -43.5);
  for (const char* bad : {"N-91*00.00", "E-45*00.00", "N45*30", "N-45*60.0", "abc", "", "95"})
    EXPECT_FALSE(checktext::parseDegrees(bad, true, &d)) << bad;
}

TEST(NavaidFinder, SuggestionsFindAndNear) {
  const std::vector<NavaidRecord> vors = {navaid("MTG", "Martigues", -1, 508.7, 4338.6, 1),
                                          navaid("MTG", "Mitiga", 3, 1327.1, 3289.3, 1),
                                          navaid("AAA", "MARTIGUEZ", 0, 0, 0, 1)};
  const std::vector<NavaidRecord> ndbs = {navaid("MJ", "Marseille/Provence", 0.1, 521.8, 4343.9, 8)};
  const std::vector<NavaidRef> all = usableNavaids(vors, ndbs);
  auto names = [](const std::vector<NavaidRef>& refs) {
    std::string s;
    for (const NavaidRef& r : refs) s += std::string(r.type) + " " + r.record->ident + " " + r.record->name + "; ";
    return s;
  };
  // Same identifier first, by name distance; then close names. With a close name at
  // hand, far names of the same identifier are left out.
  EXPECT_EQ(names(suggestNavaids(all, "MTG", "MARTIGUES")), "VOR MTG Martigues; VOR AAA MARTIGUEZ; ");
  EXPECT_EQ(names(suggestNavaids(all, "MTG", "NOWHERE")), "VOR MTG Mitiga; VOR MTG Martigues; ");  // nearer first
  EXPECT_EQ(names(suggestNavaids(all, "XXX", "MARTIGUES", 1)), "VOR MTG Martigues; ");
  EXPECT_EQ(names(suggestNavaids(all, "XXX", "NOWHERE")), "");

  EXPECT_EQ(findNavaids(all, "mart", nullptr).size(), 2u);  // identifier or name, any case
  NearPoint near;
  near.pos = {43.44, 5.22};
  near.hasVariation = true;
  near.variation = 0.1;
  const std::vector<FoundNavaid> found = findNavaids(all, "", &near);
  ASSERT_EQ(found.size(), 4u);
  EXPECT_STREQ(found[0].ref.record->ident, "MJ");  // nearest first
  EXPECT_STREQ(found[1].ref.record->name, "Martigues");
  EXPECT_NEAR(found[1].distanceNm, geoDistanceNm(near.pos, {43.386, 5.087}), 1e-9);
  const std::string text = formatFound({found[1]}, &near);
  EXPECT_EQ(text.substr(0, 45), "VOR  MTG    \"Martigues\"  N-43*23.16 E-5*05.22");
  EXPECT_NE(text.find(" NM  "), std::string::npos);
}

// ---------------------------------------------------------------- the program

namespace {

class ExercheckTest : public ExerciseFileTest {
 protected:
  // A simulator folder whose folders are not named in the case the program asks for.
  void makeSimFolder(const std::string& exercises) {
    std::filesystem::create_directories(dir / "System");
    std::filesystem::create_directories(dir / "Data");
    const std::vector<PodNavaidIn> navaids = {
        {"K1", "ABC", "ALPHA", -2.5, 1, 172800, 9000},         // N48 00, E002 30
        {"K2", "XY", "XRAY", 1.0, 8, 169200, 1296000 - 4320},  // N47 00, W001 12
    };
    ASSERT_TRUE(writeNavaidArchive((dir / "System" / "Navaid.pod").string(), navaids));
    writeXml(exercises, "Data/Ifr_Exercises.XML");
  }
  // Golden files name the exercises file as the program shows it.
  std::string golden(const std::string& name) {
    std::string text = readFile(kData + "/" + name);
    const std::string marker = "SIM/";
    for (size_t at; (at = text.find(marker)) != std::string::npos;) text.replace(at, marker.size(), dir.string() + "/");
    return text;
  }
};

}  // namespace

TEST_F(ExercheckTest, GoldenCheckExplainAndReport) {
  makeSimFolder(readFile(kData + "/all_kinds.xml"));
  const ToolRun check = run(dir.string());
  EXPECT_EQ(check.status, 1);
  EXPECT_EQ(check.out, golden("all_kinds.exercheck"));

  const ToolRun explain = run("--explain " + dir.string());
  EXPECT_EQ(explain.status, 0);
  EXPECT_EQ(explain.out, golden("all_kinds.explain"));

  // --report prints what the viewer prints: resolve's message, then the report.
  const ToolRun report = run("--report " + dir.string());
  EXPECT_EQ(report.status, 0);
  EXPECT_EQ(report.out, "\n\nMESSAGE ERROR : CAN'T FIND SELECTED NAVAID\n\n" + readFile(kData + "/all_kinds.report"));
}

TEST_F(ExercheckTest, JsonWerrorAndExitStatus) {
  makeSimFolder(setXml("T", exerciseXml(0, navaidXml("ABC", "VOR", "ALPHA") + "<NAV><QDM>400</QDM></NAV>")));
  const ToolRun plain = run(dir.string());
  EXPECT_EQ(plain.status, 0) << plain.out;  // warnings only
  EXPECT_EQ(run("--werror " + dir.string()).status, 1);

  const ToolRun json = run("--json " + dir.string(), false);
  EXPECT_EQ(json.status, 0);
  const nlohmann::json parsed = nlohmann::json::parse(json.out);
  ASSERT_TRUE(parsed.is_array());
  ASSERT_EQ(parsed.size(), 3u) << json.out;  // QDM 400, QDR and FORM:TYPE missing
  for (const auto& d : parsed) {
    EXPECT_EQ(d.size(), 6u);
    EXPECT_EQ(d["file"], (dir / "Data" / "Ifr_Exercises.XML").string());
    EXPECT_EQ(d["severity"], "warning");
    EXPECT_EQ(d["element"], "DATA00");
    EXPECT_EQ(d["line"], 1);
  }
  EXPECT_EQ(parsed[0]["key"], "FORM:TYPE");
  const ToolRun promoted = run("--json --werror " + dir.string(), false);
  EXPECT_EQ(promoted.status, 1);
  EXPECT_EQ(nlohmann::json::parse(promoted.out)[0]["severity"], "error");
}

TEST_F(ExercheckTest, UsageHelpAndMissingFiles) {
  const ToolRun help = run("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: exercheck", 0), 0u);
  for (const std::string& args : {std::string(""), std::string("--bogus x"), std::string("a b c"),
                                  std::string("--find"), std::string("--near ABC x"), std::string("--explain --report x"),
                                  (dir / "no_such_folder").string()}) {
    const ToolRun r = run(args);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_NE(r.out.find("usage:"), std::string::npos) << args;
  }
  // A folder without an exercises file: an error, not a usage problem.
  std::filesystem::create_directories(dir / "empty");
  const ToolRun none = run((dir / "empty").string());
  EXPECT_EQ(none.status, 1);
  EXPECT_NE(none.out.find("error: cannot be read"), std::string::npos) << none.out;

  // A file named on the command line, relative to the caller; no navaid table.
  const std::string xml = writeXml(setXml("T", exerciseXml(0, navaidXml("ABC", "VOR", "ALPHA"))), "mine.xml");
  const ToolRun noTable = run((dir / "empty").string() + " " + xml);
  EXPECT_EQ(noTable.status, 1);
  EXPECT_NE(noTable.out.find("DATA00 NAVAID:NAVAID_ID: VOR ABC cannot be found: there is no navaid table"),
            std::string::npos)
      << noTable.out;
}

TEST_F(ExercheckTest, FindAndNear) {
  makeSimFolder(setXml("T", ""));
  const ToolRun all = run("--find '' " + dir.string());
  EXPECT_EQ(all.status, 0);
  EXPECT_EQ(all.out,
            "VOR  ABC    \"ALPHA\"  N-48*00.00 E-2*30.00  var 2.5 W\n"
            "NDB  XY     \"XRAY\"   N-47*00.00 W-1*12.00  var 1.0 E\n");
  // Nearest first from a point; from a navaid, with its variation for the magnetic bearing.
  const ToolRun point = run("--find '' --near N-47*00.00 W-1*00.00 " + dir.string());
  EXPECT_EQ(point.out.substr(0, 3), "NDB") << point.out;
  const ToolRun fromAlpha = run("--find xr --near abc " + dir.string());
  EXPECT_EQ(fromAlpha.status, 0);
  const double dist = geoDistanceNm({48, 2.5}, {47, -1.2});
  const double brg = geoBearing({48, 2.5}, {47, -1.2});
  char expected[160];
  std::snprintf(expected, sizeof expected,
                "NDB  XY     \"XRAY\"  N-47*00.00 W-1*12.00  var 1.0 E   %7.1f NM  %03d T  %03d M\n", dist,
                static_cast<int>(std::lround(brg)) % 360, static_cast<int>(std::lround(wrap360(brg + 2.5))) % 360);
  EXPECT_EQ(fromAlpha.out, expected);
  EXPECT_EQ(run("--find nothing " + dir.string()).status, 1);
}

// ---------------------------------------------------------------- the guide

namespace {

// docs/exercises.md: examples (must pass without a word), pitfalls (with the exact
// lines exercheck prints) and command outputs, each a fenced block after a marker.
struct GuideBlock {
  std::string kind, name, xml, text;
};

std::vector<GuideBlock> guideBlocks() {
  const std::string guide = readFile(GUIDE_PATH);
  std::vector<GuideBlock> blocks;
  auto fence = [&](size_t from, const std::string& lang, size_t* end) {
    const size_t open = guide.find("```" + lang + "\n", from);
    if (open == std::string::npos) return std::string();
    const size_t body = open + 4 + lang.size();
    const size_t close = guide.find("```", body);
    *end = close + 3;
    return guide.substr(body, close - body);
  };
  size_t at = 0;
  while ((at = guide.find("<!-- ", at)) != std::string::npos) {
    const size_t close = guide.find(" -->", at);
    const std::string marker = guide.substr(at + 5, close - at - 5);
    const size_t colon = marker.find(": ");
    GuideBlock b{marker.substr(0, colon), marker.substr(colon + 2), "", ""};
    size_t end = close;
    if (b.kind == "example" || b.kind == "pitfall") b.xml = fence(close, "xml", &end);
    if (b.kind == "pitfall" || b.kind == "output") b.text = fence(end, "text", &end);
    blocks.push_back(b);
    at = end;
  }
  return blocks;
}

// The guide's navaids, from the CSV podtool reads.
std::vector<PodNavaidIn> guideNavaids() {
  std::vector<PodNavaidIn> out;
  std::istringstream in(readFile(GUIDE_NAVAIDS));
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f;
    std::stringstream fields(line);
    for (std::string one; std::getline(fields, one, ',');) f.push_back(one);
    out.push_back({f[0], f[1], f[2], std::stod(f[3]), static_cast<uint32_t>(std::stoul(f[4])), std::stod(f[5]),
                   std::stod(f[6])});
  }
  return out;
}

}  // namespace

TEST_F(ExercheckTest, TheGuidesExamplesPitfallsAndOutputs) {
  std::vector<NavaidRecord> vors, ndbs;
  for (const PodNavaidIn& n : guideNavaids())
    (n.typeFlags & 1 ? vors : ndbs)
        .push_back(navaid(n.ident.c_str(), n.name.c_str(), n.variation, chartXFromArcSeconds(n.longitudeSeconds),
                          chartYFromArcSeconds(n.latitudeSeconds), n.typeFlags));
  std::filesystem::create_directories(dir / "SYSTEM");
  std::filesystem::create_directories(dir / "DATA");
  ASSERT_TRUE(writeNavaidArchive((dir / "SYSTEM" / "NAVAID.POD").string(), guideNavaids()));

  std::map<std::string, std::string> examples;
  size_t counts[3] = {0, 0, 0};
  for (const GuideBlock& b : guideBlocks()) {
    if (b.kind == "example") {
      ++counts[0];
      examples[b.name.substr(0, b.name.find(' '))] = b.xml;
      const CheckedFile checked(b.xml, vors, ndbs, true);
      std::string out;
      for (const Diagnostic& d : checkExercises(checked)) out += formatDiagnostic("lesson.xml", d) + "\n";
      EXPECT_EQ(out, "") << "example " << b.name;
      EXPECT_EQ(std::count(checked.drawn.begin(), checked.drawn.end(), 1), checked.set->count()) << b.name;
    } else if (b.kind == "pitfall") {
      ++counts[1];
      const CheckedFile checked(b.xml, vors, ndbs, true);
      std::string out;
      for (const Diagnostic& d : checkExercises(checked)) out += formatDiagnostic("lesson.xml", d) + "\n";
      EXPECT_EQ(out, b.text) << "pitfall " << b.name;
    } else if (b.kind == "output") {
      ++counts[2];
      std::string args = b.name;
      if (args.rfind("--explain ", 0) == 0) {
        writeXml(examples[args.substr(10)], "DATA/IFR_EXERCISES.xml");
        args = "--explain";
      }
      const ToolRun r = run(args + " " + dir.string(), false);
      EXPECT_EQ(r.out, b.text) << "output of exercheck " << b.name;
    }
  }
  EXPECT_EQ(counts[0], 6u);  // one per kind and a whole lesson
  EXPECT_GE(counts[1], 5u);
  EXPECT_GE(counts[2], 3u);
}
