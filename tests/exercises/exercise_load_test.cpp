#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "exercise_test_util.h"
#include "ifr_exercise_set.h"
#include "xml_config.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

const std::string kVorAbc = navaidXml("ABC", "VOR", "ALPHA");

std::string form(const std::string& inner) { return "<FORM>" + inner + "</FORM>"; }
std::string nav(double qdm, double qdr) {
  return "<NAV><QDM>" + std::to_string(qdm) + "</QDM><QDR>" + std::to_string(qdr) + "</QDR></NAV>";
}

}  // namespace

TEST_F(ExerciseFileTest, MissingOrEmptyFileGivesEmptySet) {
  IfrExerciseSet missing((dir / "none.xml").string().c_str());
  EXPECT_STREQ(missing.name(), "NO IFR EXERCISE");
  EXPECT_EQ(missing.count(), 0);

  IfrExerciseSet empty(writeXml("").c_str());
  EXPECT_EQ(empty.count(), 0);

  IfrExerciseSet titled(writeXml(setXml("Approach set", "")).c_str());
  EXPECT_STREQ(titled.name(), "Approach set");
  EXPECT_EQ(titled.count(), 0);
  EXPECT_TRUE(titled.load());
}

TEST_F(ExerciseFileTest, DefaultsOfEveryKey) {
  IfrExerciseSet set(writeXml(setXml("T", exerciseXml(0, "<NAVAID><NAVAID_ID>ABC</NAVAID_ID></NAVAID>"))).c_str());
  ASSERT_EQ(set.count(), 1);
  const IfrExercise& e = set.entry(0);
  EXPECT_STREQ(e.navaidId, "ABC");
  EXPECT_STREQ(e.navaidType, "NO ");  // "NO TYPE" does not fit: cut, and rejected later
  EXPECT_EQ(e.textOverflow, NavaidTypeTooLong);
  EXPECT_STREQ(e.navaidName, "NO NAME");
  EXPECT_EQ(e.kind, NavaidPoint);  // FORM:TYPE defaults to LINE
  EXPECT_EQ(e.qdm, 0.0);
  EXPECT_EQ(e.qdr, 0.0);
  EXPECT_EQ(e.geometryValid, 0);
  EXPECT_EQ(set.raw.formType, "LINE");
  EXPECT_EQ(set.raw.turn, "RIGHT");
  EXPECT_FLOAT_EQ(set.raw.tri, 1.0f);
  EXPECT_EQ(set.raw.iasMax, 220);
  EXPECT_EQ(set.raw.userLon, "NULL");
  EXPECT_EQ(set.raw.userLat, "NULL");
  EXPECT_EQ(set.raw.navaidId, "NO NAVAID");  // the terminating pass
}

TEST_F(ExerciseFileTest, NumberingStopsAtTheFirstMissingIdentifier) {
  // DATA00 without an identifier: nothing loads, whatever follows.
  IfrExerciseSet none(writeXml(setXml("T", exerciseXml(0, nav(1, 2)) + exerciseXml(1, kVorAbc))).c_str());
  EXPECT_EQ(none.count(), 0);

  // A gap at DATA02 ends the list; DATA03 is never read.
  IfrExerciseSet gap(writeXml(setXml("T", exerciseXml(0, kVorAbc) + exerciseXml(1, kVorAbc) +
                                              exerciseXml(3, kVorAbc))).c_str());
  EXPECT_EQ(gap.count(), 2);

  // A literal "NO NAVAID" ends the list as well.
  IfrExerciseSet marker(writeXml(setXml("T", exerciseXml(0, kVorAbc) +
                                                 exerciseXml(1, navaidXml("NO NAVAID", "VOR", "X")) +
                                                 exerciseXml(2, kVorAbc))).c_str());
  EXPECT_EQ(marker.count(), 1);

  // Numbers from 100 on have three digits.
  std::string many;
  for (int i = 0; i <= 100; ++i) many += exerciseXml(i, kVorAbc);
  IfrExerciseSet hundred(writeXml(setXml("T", many)).c_str());
  EXPECT_EQ(hundred.count(), 101);
}

TEST_F(ExerciseFileTest, HoldingPatternFields) {
  struct Row { double qdm; const char* extra; double qdr; int ias; float tri; float leg; int left; };
  const Row rows[] = {
      {90, "", 270, 220, 1.0f, 3.6666667f, 0},
      {200, "<TURN>LEFT</TURN><TRI>1.5</TRI><IAS_MAX>180</IAS_MAX>", 20, 180, 1.5f, 4.5f, 1},
      {180, "<TURN>left</TURN>", 0, 220, 1.0f, 3.6666667f, 0},
      {0, "<TURN>Left</TURN>", 180, 220, 1.0f, 3.6666667f, 0},
  };
  for (const Row& r : rows) {
    IfrExerciseSet set(writeXml(setXml("T", exerciseXml(0, kVorAbc + nav(r.qdm, 0) +
                                                             form(std::string("<TYPE>HIPP</TYPE>") + r.extra))))
                           .c_str());
    ASSERT_EQ(set.count(), 1);
    const IfrExercise& e = set.entry(0);
    EXPECT_EQ(e.kind, HoldingPattern) << r.qdm;
    EXPECT_DOUBLE_EQ(e.qdr, r.qdr) << r.qdm;
    EXPECT_DOUBLE_EQ(e.qdm, r.qdm) << r.qdm;
    EXPECT_EQ(e.ias, r.ias) << r.qdm;
    EXPECT_FLOAT_EQ(e.tri, r.tri) << r.qdm;
    EXPECT_FLOAT_EQ(e.legLength, r.leg) << r.qdm;
    EXPECT_EQ(e.turnLeft, r.left) << r.qdm;
  }
}

TEST_F(ExerciseFileTest, BearingAndCoordinateWaypoints) {
  const std::string xml = setXml(
      "T", exerciseXml(0, kVorAbc + nav(10, 190) +
                              form("<TYPE>RELY</TYPE><USER_DST>12.5</USER_DST><USER_HEADING>135</USER_HEADING>")) +
               exerciseXml(1, navaidXml("WPT", "VOR", "SYDNEY") + nav(180, 0) +
                                  form("<TYPE>COOR</TYPE><USER_LAT>S-33*52.0</USER_LAT><USER_LON>E-151*12.5</USER_LON>")));
  IfrExerciseSet set(writeXml(xml).c_str());
  ASSERT_EQ(set.count(), 2);
  const IfrExercise& rely = set.entry(0);
  EXPECT_EQ(rely.kind, BearingWaypoint);
  EXPECT_DOUBLE_EQ(rely.userDistance, 12.5);
  EXPECT_DOUBLE_EQ(rely.userHeading, 135);
  EXPECT_DOUBLE_EQ(rely.qdr, 190);
  EXPECT_EQ(rely.form, FormRely);  // the same kind as an arc entry, another form

  const IfrExercise& coor = set.entry(1);
  EXPECT_EQ(coor.kind, CoordinateWaypoint);
  EXPECT_STREQ(coor.navaidType, "USR");  // whatever the file said
  EXPECT_EQ(coor.form, FormCoor);
  EXPECT_DOUBLE_EQ(coor.userLatSeconds, -121920);
  EXPECT_DOUBLE_EQ(coor.userLonSeconds, 544350);
  EXPECT_NEAR(coor.latitude, -3386.67, 0.005);
  EXPECT_NEAR(coor.longitude, 15120.83, 0.005);
}

TEST(ParseCoordinate, SyntaxAndErrors) {
  EXPECT_DOUBLE_EQ(parseCoordinate("N-45*30.5"), 45 * 3600 + 30.5 * 60);
  EXPECT_DOUBLE_EQ(parseCoordinate("W-1*07.25"), -(3600 + 7.25 * 60));
  EXPECT_DOUBLE_EQ(parseCoordinate("S-0*30"), -1800);
  EXPECT_DOUBLE_EQ(parseCoordinate("E-10"), 36000);      // minutes not reached: 0
  EXPECT_DOUBLE_EQ(parseCoordinate("NULL"), 0);          // the default
  EXPECT_DOUBLE_EQ(parseCoordinate("E-2*30.5xyz"), 7200 + 1830);
  CaptureStdout();
  EXPECT_DOUBLE_EQ(parseCoordinate("X-10*0"), 0);
  EXPECT_DOUBLE_EQ(parseCoordinate(" N-10*0"), 0);  // not trimmed
  EXPECT_DOUBLE_EQ(parseCoordinate("n-10*0"), 0);   // upper case only
  EXPECT_DOUBLE_EQ(parseCoordinate(""), 0);
  std::string fourTimes;
  for (int i = 0; i < 4; ++i) fourTimes += "COORD ERROR IN XML FILE\n";
  EXPECT_EQ(GetCapturedStdout(), fourTimes);
  // Degrees wrap in 32 bits instead of overflowing.
  EXPECT_DOUBLE_EQ(parseCoordinate("N-596524*0"), static_cast<double>(static_cast<int32_t>(596524u * 3600u)));
}

TEST_F(ExerciseFileTest, ArcExpansionAndNumbering) {
  struct Row { double qdm, qdr; std::vector<double> bearings; };
  const std::vector<Row> rows = {
      {350, 20, {350, 360, 10, 20}},
      {0, 40, {0, 10, 20, 30, 40}},
      {95.7, 130, {95.7, 105, 115, 125}},
      {95.7, 95.7, {95.7}},
      {30, 25, {30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130, 140, 150, 160, 170, 180, 190, 200,
                210, 220, 230, 240, 250, 260, 270, 280, 290, 300, 310, 320, 330, 340, 350, 360, 10, 20}},
  };
  for (const Row& r : rows) {
    const std::string arc = kVorAbc + nav(r.qdm, r.qdr) + form("<TYPE>ADME</TYPE><USER_DST>15</USER_DST>");
    IfrExerciseSet set(writeXml(setXml("T", exerciseXml(0, arc))).c_str());
    ASSERT_EQ(set.count(), static_cast<int32_t>(r.bearings.size())) << r.qdm << " " << r.qdr;
    for (int32_t i = 0; i < set.count(); ++i) {
      const IfrExercise& e = set.entry(i);
      EXPECT_EQ(e.kind, BearingWaypoint);
      EXPECT_STREQ(e.navaidId, "ABC");
      EXPECT_STREQ(e.navaidName, "ALPHA");
      EXPECT_DOUBLE_EQ(e.userDistance, 15);
      EXPECT_NEAR(e.userHeading, r.bearings[i], 1e-9) << i;
      EXPECT_NEAR(e.qdr, r.bearings[i], 1e-9) << i;
      EXPECT_NEAR(e.qdm, r.bearings[i], 1e-9) << i;
    }
  }

  // The arc uses up the numbers of its added entries: after a 5-entry arc in
  // DATA00 the next element read is DATA05.
  const std::string arc = kVorAbc + nav(0, 40) + form("<TYPE>ADME</TYPE>");
  IfrExerciseSet skipped(writeXml(setXml("T", exerciseXml(0, arc) + exerciseXml(1, kVorAbc) + exerciseXml(2, kVorAbc))).c_str());
  EXPECT_EQ(skipped.count(), 5);
  IfrExerciseSet continued(writeXml(setXml("T", exerciseXml(0, arc) + exerciseXml(1, navaidXml("BAD", "VOR", "B")) +
                                                    exerciseXml(5, navaidXml("NXT", "NDB", "NEXT")) +
                                                    exerciseXml(6, kVorAbc))).c_str());
  ASSERT_EQ(continued.count(), 7);
  EXPECT_STREQ(continued.entry(5).navaidId, "NXT");
  EXPECT_EQ(continued.entry(5).kind, NavaidPoint);
  // Every entry of the arc knows it came from "ADME" and where the arc begins; the
  // entries after it do not belong to it.
  for (int32_t i = 0; i < 5; ++i) {
    EXPECT_EQ(continued.entry(i).form, FormAdme) << i;
    EXPECT_EQ(continued.entry(i).arcFirst, 0) << i;
  }
  EXPECT_EQ(continued.entry(5).form, FormLine);
  EXPECT_STREQ(formCode(continued.entry(4).form), "ADME");

  // Absurd bearings cannot make an arc run away.
  IfrExerciseSet wild(writeXml(setXml("T", exerciseXml(0, kVorAbc + nav(-1e300, 1e300) + form("<TYPE>ADME</TYPE>")))).c_str());
  EXPECT_LE(wild.count(), 721);
  EXPECT_GE(wild.count(), 1);
}

TEST_F(ExerciseFileTest, UntrimmedCodesAndUnknownForms) {
  const std::string xml = setXml(
      "T", exerciseXml(0, kVorAbc + form("<TYPE>LINE </TYPE>")) + exerciseXml(1, kVorAbc + form("<TYPE>hipp</TYPE>")) +
               exerciseXml(2, kVorAbc + form("<TYPE>LINE</TYPE>")));
  IfrExerciseSet set(writeXml(xml).c_str());
  ASSERT_EQ(set.count(), 3);
  EXPECT_EQ(set.entry(0).kind, UnknownKind);
  EXPECT_EQ(set.entry(1).kind, UnknownKind);
  EXPECT_EQ(set.entry(2).kind, NavaidPoint);
  EXPECT_EQ(set.entry(1).form, FormUnknown);
  EXPECT_STREQ(formCode(set.entry(1).form), "?");
}

TEST_F(ExerciseFileTest, NonNumericKeysKeepThePreviousExercisesValue) {
  const std::string xml = setXml(
      "T", exerciseXml(0, kVorAbc + nav(123, 45)) +
               exerciseXml(1, kVorAbc + "<NAV><QDM>abc</QDM><QDR></QDR></NAV>") +
               exerciseXml(2, kVorAbc));
  IfrExerciseSet set(writeXml(xml).c_str());
  ASSERT_EQ(set.count(), 3);
  EXPECT_DOUBLE_EQ(set.entry(1).qdm, 123);
  EXPECT_DOUBLE_EQ(set.entry(1).qdr, 45);
  EXPECT_DOUBLE_EQ(set.entry(2).qdm, 0);  // absent again: the default
}

TEST_F(ExerciseFileTest, TextsLongerThanTheirFieldsAreCutAndMarked) {
  const std::string longName(5000, 'N');
  const std::string xml = setXml(
      std::string(100000, 'T'),
      exerciseXml(0, navaidXml("ABCD", "VOR", "ALPHA")) + exerciseXml(1, navaidXml("ABC", "VORTAC", "ALPHA")) +
          exerciseXml(2, navaidXml("ABC", "VOR", longName)) +
          exerciseXml(3, navaidXml("ABC", "VOR", std::string(39, 'M'))) +
          exerciseXml(4, navaidXml("ABC", "VORTAC", "WPT") + form("<TYPE>COOR</TYPE>")));
  CaptureStdout();
  IfrExerciseSet set(writeXml(xml).c_str());
  const std::string out = GetCapturedStdout();
  ASSERT_EQ(set.count(), 5);
  EXPECT_EQ(std::string(set.name()).size(), 100000u);
  EXPECT_STREQ(set.entry(0).navaidId, "ABC");
  EXPECT_EQ(set.entry(0).textOverflow, NavaidIdTooLong);
  EXPECT_STREQ(set.entry(1).navaidType, "VOR");
  EXPECT_EQ(set.entry(1).textOverflow, NavaidTypeTooLong);
  EXPECT_EQ(std::string(set.entry(2).navaidName), std::string(39, 'N'));
  EXPECT_EQ(set.entry(2).textOverflow, NavaidNameTooLong);
  EXPECT_EQ(set.entry(3).textOverflow, 0);  // 39 characters fit
  EXPECT_EQ(set.entry(4).textOverflow, 0);  // the type of a coordinate waypoint is always USR
  EXPECT_NE(out.find("MESSAGE ERROR : NAVAID_ID LONGER THAN 3 CHARACTERS IN DATA00 : ABCD"), std::string::npos);
  EXPECT_NE(out.find("MESSAGE ERROR : TYPE LONGER THAN 3 CHARACTERS IN DATA01 : VORTAC"), std::string::npos);
  EXPECT_NE(out.find("MESSAGE ERROR : NAME LONGER THAN 39 CHARACTERS IN DATA02"), std::string::npos);
  EXPECT_EQ(out.find("DATA03"), std::string::npos);
  EXPECT_EQ(out.find("DATA04"), std::string::npos);
}

TEST_F(ExerciseFileTest, TenThousandExercisesLoadInOrder) {
  std::string body;
  for (int i = 0; i < 10000; ++i)
    body += exerciseXml(i, navaidXml("V" + std::to_string(i % 100), "VOR", "N" + std::to_string(i)) + nav(i % 360, 0));
  IfrExerciseSet set(writeXml(setXml("Many", body)).c_str());
  ASSERT_EQ(set.count(), 10000);
  EXPECT_STREQ(set.entry(9999).navaidName, "N9999");
  EXPECT_DOUBLE_EQ(set.entry(9999).qdm, 9999 % 360);
  EXPECT_EQ(set.entry(9999).geometryValid, 0);
}

// The load log: the element number each pass read, the entries it made (an arc
// uses up the numbers of its waypoints), each key as found and what the getters
// left in the raw entry, and the pass that ended the list.
TEST_F(ExerciseFileTest, LoadLogFollowsThePasses) {
  const std::string xml = setXml(
      "T", exerciseXml(0, kVorAbc + "<NAV><QDM>350</QDM><QDR>20</QDR></NAV>" + form("<TYPE>ADME</TYPE>")) +
               exerciseXml(4, kVorAbc + "<NAV><QDM>abc</QDM><QDR>1,5</QDR></NAV>") +
               exerciseXml(5, "<NAV><QDM>7</QDM></NAV>"));
  XmlConfig config;
  config.readText(xml);
  ExerciseLoadLog log;
  IfrExerciseSet set(config, &log, nullptr);
  EXPECT_TRUE(log.titleFound);
  ASSERT_EQ(set.count(), 5);
  ASSERT_EQ(log.readings.size(), 3u);
  const ExerciseReading& arc = log.readings[0];
  EXPECT_EQ(arc.number, 0);
  EXPECT_EQ(arc.firstEntry, 0);
  EXPECT_EQ(arc.lastEntry, 3);
  EXPECT_FALSE(arc.endOfList);
  EXPECT_TRUE(arc.keys[KeyQdm].found);
  EXPECT_EQ(arc.keys[KeyQdm].text, "350");
  EXPECT_FALSE(arc.keys[KeyUserDst].found);

  const ExerciseReading& next = log.readings[1];  // DATA04: the number after the arc's last waypoint
  EXPECT_EQ(next.number, 4);
  EXPECT_EQ(next.firstEntry, 4);
  EXPECT_EQ(next.lastEntry, 4);
  EXPECT_EQ(next.keys[KeyQdm].text, "abc");
  EXPECT_EQ(rawNumber(next.raw, KeyQdm), 350);  // kept from the arc's pass
  EXPECT_EQ(rawNumber(next.raw, KeyQdr), 1);    // "1,5" reads as 1
  EXPECT_EQ(*rawText(next.raw, KeyFormType), "LINE");
  EXPECT_FALSE(next.keys[KeyFormType].found);

  const ExerciseReading& end = log.readings[2];
  EXPECT_EQ(end.number, 5);
  EXPECT_TRUE(end.endOfList);
  EXPECT_FALSE(end.keys[KeyNavaidId].found);
  EXPECT_TRUE(end.keys[KeyQdm].found);

  // The key table is the loader's: paths and defaults.
  EXPECT_STREQ(kExerciseKeys[KeyUserLat].group, "FORM");
  EXPECT_STREQ(kExerciseKeys[KeyUserLat].name, "USER_LAT");
  EXPECT_EQ(kExerciseKeys[KeyIasMax].defaultNumber, 220);
}

// Loading from a tree prints the loader's messages to the stream given, or nowhere;
// the table is the one the path constructor reads from the same bytes.
TEST_F(ExerciseFileTest, MessagesGoWhereTheyAreSent) {
  const std::string xml = setXml("T", exerciseXml(0, navaidXml("P", "USR", "X") + form("<TYPE>COOR</TYPE><USER_LAT>x</USER_LAT>")));
  XmlConfig config;
  config.readText(xml);
  CaptureStdout();
  IfrExerciseSet quiet(config, nullptr, nullptr);
  IfrExerciseSet viewer(writeXml(xml).c_str());
  EXPECT_EQ(GetCapturedStdout(), "COORD ERROR IN XML FILE\n");  // from the path constructor only
  ASSERT_EQ(quiet.count(), 1);
  EXPECT_EQ(std::memcmp(&quiet.entry(0), &viewer.entry(0), sizeof(IfrExercise)), 0);
}

TEST(ScanCoordinate, FieldsReadAndWhereTheScanEnds) {
  struct Row {
    const char* text;
    char letter;
    int degrees;
    double minutes;
    int fields, consumed;
  } rows[] = {
      {"N-45*30.5", 'N', 45, 30.5, 3, 9}, {"N45*30.5", 'N', 0, 0, 1, -1}, {"E-10", 'E', 10, 0, 2, -1},
      {"E-2*30.5xyz", 'E', 2, 30.5, 3, 8}, {"", 0, 0, 0, -1, -1},       {"NULL", 'N', 0, 0, 1, -1},
  };
  for (const Row& r : rows) {
    const CoordinateScan s = scanCoordinate(r.text);
    EXPECT_EQ(s.letter, r.letter) << r.text;
    EXPECT_EQ(s.degrees, r.degrees) << r.text;
    EXPECT_EQ(s.minutes, r.minutes) << r.text;
    EXPECT_EQ(s.fields, r.fields) << r.text;
    EXPECT_EQ(s.consumed, r.consumed) << r.text;
  }
  bool known = true;
  EXPECT_EQ(coordinateSeconds(scanCoordinate("n-1*0"), &known), 0);
  EXPECT_FALSE(known);
}
