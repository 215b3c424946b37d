// The debrief's measures on tracks of known geometry, resolved exactly as the
// viewer resolves its exercises. Tolerances: the track file's two decimals of an
// arc-second (0.0002 NM), the chord of a sampled circle, one sample for times
// that depend on where the samples fall.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "../exercises/exercise_test_util.h"
#include "debrief.h"
#include "debrief_output.h"
#include "flight_builder.h"

namespace {

const GeoPos kNavaid{43.5, 5.25};
const std::string kVorAbc = navaidXml("ABC", "VOR", "ALPHA");

std::string num(double v) { return std::to_string(v); }
std::string nav(double qdm, double qdr) {
  return "<NAV><QDM>" + num(qdm) + "</QDM><QDR>" + num(qdr) + "</QDR></NAV>";
}
std::string form(const std::string& inner) { return "<FORM>" + inner + "</FORM>"; }

class DebriefTest : public ExerciseFileTest {
 protected:
  std::vector<TrackSample> track(const std::vector<Fix>& flight) {
    return throughTrackFile(flight, (dir / ("track" + std::to_string(++tracks) + ".dat")).string());
  }
  // Loads the exercises, resolves them against the navaid ABC "ALPHA" and measures.
  std::vector<ExerciseDebrief> debrief(const std::string& exercises, double variation,
                                       const std::vector<TrackSample>& samples) {
    IfrExerciseSet set(writeXmlPublic(setXml("T", exercises)).c_str());
    const std::vector<NavaidRecord> vors{navaid("ABC", "ALPHA", variation, kNavaid.lon * 100, kNavaid.lat * 100)};
    testing::internal::CaptureStdout();  // a failed lookup prints the viewer's message
    set.resolve(vors, {});
    testing::internal::GetCapturedStdout();
    return debriefExercises(set, samples);
  }
  int tracks = 0;
};

TEST_F(DebriefTest, CourseLinesFlownOnAndBesideTheRadial) {
  // Straight through the navaid on the true course, crossNm to its right (both
  // lines run the same way), points every 0.25 NM from 8.1 NM before it; none
  // falls on the station or on a line's limits.
  struct Row {
    double qdm, variation, crossNm;
  } rows[] = {
      {88, 2, 0},     // exactly along the radial, eastbound
      {88, 2, 1},     // 1 NM right, eastbound
      {268, 2, 1},    // 1 NM right, westbound
      {45, -3, -1},   // 1 NM left, north-eastbound
      {200, 0, 1},    // 1 NM right, south-westbound
      {268, 2, 0},
  };
  for (const Row& r : rows) {
    const double course = r.qdm + r.variation;
    const double a0 = -8.1, step = 0.25;
    const auto samples = track(parallelFlight(kNavaid, course, r.crossNm, a0, 8.15, step, 180));
    ASSERT_EQ(samples.size(), 66u);
    const auto list = debrief(exerciseXml(0, kVorAbc + nav(r.qdm, r.qdm) + form("<TYPE>LINE</TYPE>")), r.variation, samples);
    ASSERT_EQ(list.size(), 1u);
    const ExerciseDebrief& d = list[0];
    ASSERT_TRUE(d.resolved && d.flown) << r.qdm;
    EXPECT_EQ(d.form, FormLine);
    ASSERT_EQ(d.lines.size(), 2u);
    for (int inbound = 1; inbound >= 0; --inbound) {
      const LineResult& l = d.lines[inbound ? 0 : 1];
      // Expected membership and needle in the plane: the station is |along| ahead
      // (inbound) or behind (outbound), crossNm to the side.
      size_t expected = 0;
      for (size_t i = 0; i < samples.size(); ++i) {
        const double a = a0 + step * i;
        const bool onLine = inbound ? (a >= -6 && a <= 0) : (a >= 0 && a <= 6);
        if (onLine && std::atan2(std::fabs(r.crossNm), std::fabs(a)) <= 30 * M_PI / 180) ++expected;
      }
      EXPECT_EQ(l.samples.size(), expected) << r.qdm << " inbound " << inbound;
      for (const LineSample& s : l.samples) {
        const double a = a0 + step * s.index;
        const double needle = (inbound ? -1 : 1) * std::atan2(r.crossNm, std::fabs(a)) * 180 / M_PI;
        EXPECT_NEAR(s.crossNm, r.crossNm, 1e-3) << r.qdm << " along " << a;
        EXPECT_NEAR(s.angularDeg, needle, 0.02 / std::fabs(a) + 1e-3) << r.qdm << " along " << a;
      }
      EXPECT_NEAR(l.crossTrack.maxAbs, std::fabs(r.crossNm), 1e-3);
      EXPECT_NEAR(l.crossTrack.rms, std::fabs(r.crossNm), 1e-3);
    }
    EXPECT_NEAR(d.crossTrack.extreme, r.crossNm, 1e-3);
    EXPECT_NEAR(d.closest.nm, std::fabs(r.crossNm), 1e-3);  // abeam the station
  }
}

TEST_F(DebriefTest, CircleAroundTheNavaidAgainstATenMileArc) {
  // Arc QDM 0 to QDR 90 at 10 NM, variation 3: the sector runs from 3 to 93 true.
  // The track circles the navaid clockwise at radiusNm, one point every 2 degrees
  // of bearing (at even bearings) and 2 s: a degree a second, so the sector takes
  // 90 s. Its chords dip inside the circle by at most 11.5 (1 - cos 1 deg) = 0.0018 NM.
  struct Row {
    double radiusNm, outsideS;
  } rows[] = {{10, 0}, {11.5, 90}, {10.6, 0}, {8.8, 90}};
  for (const Row& r : rows) {
    std::vector<Fix> circle;
    for (int k = 0; k <= 180; ++k) circle.push_back({geoDestination(kNavaid, r.radiusNm, 2.0 * k), 2.0 * k});
    const auto samples = track(circle);
    const auto list = debrief(exerciseXml(0, kVorAbc + nav(0, 90) + form("<TYPE>ADME</TYPE><USER_DST>10</USER_DST>")), 3, samples);
    ASSERT_EQ(list.size(), 1u);  // the ten entries make one exercise
    const ExerciseDebrief& d = list[0];
    ASSERT_TRUE(d.resolved && d.flown) << r.radiusNm;
    EXPECT_EQ(d.form, FormAdme);
    EXPECT_EQ(d.entries, 10);
    EXPECT_EQ(d.dmeError.count, 45u);  // bearings 4, 6, ... 92
    for (const ArcSample& s : d.arcPoints) EXPECT_NEAR(s.errorNm, r.radiusNm - 10, 5e-4) << s.t;
    EXPECT_NEAR(d.dmeError.maxAbs, std::fabs(r.radiusNm - 10), 5e-4);
    EXPECT_NEAR(d.dmeError.rms, std::fabs(r.radiusNm - 10), 5e-4);
    EXPECT_NEAR(d.outsideS, r.outsideS, 0.05) << r.radiusNm;
    // Each entry lies on the arc, at 3, 13, ... 93 true: the track passes it at
    // the difference of the radii, at the time its bearing is flown.
    ASSERT_EQ(d.waypoints.size(), 10u);
    for (size_t k = 0; k < d.waypoints.size(); ++k) {
      EXPECT_NEAR(d.waypoints[k].closest.nm, std::fabs(r.radiusNm - 10), 0.002) << k;
      EXPECT_NEAR(d.waypoints[k].closest.t, 3 + 10.0 * k, 0.05) << k;
    }
  }
}

TEST_F(DebriefTest, RacetrackWithOneMinuteLegs) {
  // Inbound 130 magnetic, variation -3; IAS 180 and TRI 1 make a 3 NM leg. The
  // aircraft flies 180 kt with standard-rate turns, one leg into the fix and then
  // three laps: it crosses the fix at 60, 300, 540 and 780 s and each inbound leg
  // lasts 60 s from the end of its turn. The pattern lies shiftNm to the right of
  // the inbound course; beyond it on the side away from the turns is the excursion.
  struct Row {
    bool left;
    double shiftNm, stepS, offsetS;
    bool startAtFix;  // the first leg left out: the hold is entered over the fix
  } rows[] = {
      {false, 0, 1, 0, false},    {false, 0, 5, 2.5, false}, {true, 0, 1, 0.5, false},
      {false, -0.15, 1, 0, false}, {true, 0.15, 2, 0, false}, {false, 0.3, 1, 0, false},
      {false, 0, 1, 0, true},     {true, -0.15, 3, 1, true},
  };
  for (const Row& r : rows) {
    const double inbound = 127;
    std::vector<Fix> flight = flyRacetrack(kNavaid, inbound, r.left, 180, 60, 3, r.shiftNm, r.stepS, r.offsetS);
    if (r.startAtFix) flight.erase(flight.begin(), flight.begin() + static_cast<long>(std::ceil((60 - r.offsetS) / r.stepS)));
    const auto samples = track(flight);
    const std::string hold = kVorAbc + nav(130, 0) +
                             form(std::string("<TYPE>HIPP</TYPE><TURN>") + (r.left ? "LEFT" : "RIGHT") +
                                  "</TURN><TRI>1</TRI><IAS_MAX>180</IAS_MAX>");
    const auto list = debrief(exerciseXml(0, hold), -3, samples);
    ASSERT_EQ(list.size(), 1u);
    const ExerciseDebrief& d = list[0];
    const std::string what = std::string(r.left ? "left" : "right") + " shift " + num(r.shiftNm) + " step " + num(r.stepS);
    ASSERT_TRUE(d.resolved && d.flown) << what;
    const HoldResult& h = d.holdResult;
    const std::vector<double> fixTimes = r.startAtFix ? std::vector<double>{300, 540, 780}
                                                      : std::vector<double>{60, 300, 540, 780};
    // A crossing interpolated on a chord whose far end is already in the turn lies
    // off the line by up to what the turn moves aside in one sample.
    const double radius = 180 / (60 * M_PI);
    const double chord = 2e-3 + radius * (1 - std::cos(3 * r.stepS * M_PI / 180));
    ASSERT_EQ(h.crossings.size(), fixTimes.size()) << what;
    for (size_t k = 0; k < fixTimes.size(); ++k) {
      EXPECT_NEAR(h.crossings[k].t, fixTimes[k], 0.05) << what;
      EXPECT_NEAR(h.crossings[k].crossNm, r.shiftNm, chord) << what;
    }
    ASSERT_EQ(h.laps.size(), 3u) << what;
    const double excursion = std::max(0.0, r.left ? r.shiftNm : -r.shiftNm);
    for (const Lap& lap : h.laps) {
      EXPECT_NEAR(lap.inboundLegS, 60, r.stepS) << what;
      EXPECT_NEAR(lap.crossTrack.maxAbs, std::fabs(r.shiftNm), chord) << what;
      EXPECT_NEAR(lap.excursionNm, excursion, 2e-3) << what;
    }
    EXPECT_NEAR(h.excursionNm, excursion, 2e-3) << what;
    // The outbound leg, 1.91 NM to the side, stays more than 30 degrees off the
    // inbound line, so only the inbound legs count for it.
    EXPECT_NEAR(d.crossTrack.maxAbs, std::fabs(r.shiftNm), 2e-3) << what;
    EXPECT_NEAR(d.crossTrack.rms, std::fabs(r.shiftNm), 2e-3) << what;
  }
}

TEST_F(DebriefTest, RollOutAfterAnOvershootIsWhereTheCourseStaysInTheBand) {
  // The turn inbound swings 15 degrees past the course and corrects at half a degree
  // a second: the course re-enters the 10-degree band 10 s after the swing, at 255 s
  // in the first lap (turn at 180 s, 65 s of turning), and stays in it to the fix.
  for (double step : {1.0, 2.0}) {
    const std::vector<Fix> flight = flyRacetrack(kNavaid, 90, false, 180, 60, 2, 0, step, 0, 15);
    const std::string hold = kVorAbc + nav(90, 0) + form("<TYPE>HIPP</TYPE><TRI>1</TRI><IAS_MAX>180</IAS_MAX>");
    const auto list = debrief(exerciseXml(0, hold), 0, track(flight));
    ASSERT_EQ(list.size(), 1u);
    const HoldResult& h = list[0].holdResult;
    ASSERT_EQ(h.laps.size(), 2u) << "step " << step;
    for (size_t k = 0; k < h.laps.size(); ++k)
      EXPECT_NEAR(h.laps[k].rollOut, 255 + 240.0 * k, step) << "step " << step << " lap " << k;
  }
}

TEST_F(DebriefTest, WaypointPassedAbeam) {
  // A straight track on 300 true passes the waypoint crossNm to its right at
  // 1234.5 s, between two of its samples (every 10 s at 240 kt, 0.67 NM apart):
  // taken only at points, 2 NM abeam would read 2.022.
  const GeoPos bearingWaypoint = geoDestination(kNavaid, 12, 45 + 2);
  const GeoPos coordinates{43.5, 5.25};
  struct Row {
    std::string exercise;
    GeoPos waypoint;
    double crossNm;
    bool flown;
  } rows[] = {
      {kVorAbc + nav(10, 190) + form("<TYPE>RELY</TYPE><USER_DST>12</USER_DST><USER_HEADING>45</USER_HEADING>"),
       bearingWaypoint, 2, true},
      {navaidXml("FAF", "USR", "FINAL") + nav(0, 0) +
           form("<TYPE>COOR</TYPE><USER_LAT>N-43*30.0</USER_LAT><USER_LON>E-5*15.0</USER_LON>"),
       coordinates, -2, true},
      {kVorAbc + nav(10, 190) + form("<TYPE>RELY</TYPE><USER_DST>12</USER_DST><USER_HEADING>45</USER_HEADING>"),
       bearingWaypoint, 20, false},
  };
  for (const Row& r : rows) {
    std::vector<Fix> flight;
    for (double t = 1000; t <= 1500; t += 10)
      flight.push_back({offsetPoint(r.waypoint, 300, (t - 1234.5) * 240 / 3600, -r.crossNm), t});
    const auto list = debrief(exerciseXml(0, r.exercise), 2, track(flight));
    ASSERT_EQ(list.size(), 1u);
    const ExerciseDebrief& d = list[0];
    ASSERT_TRUE(d.resolved) << r.crossNm;
    EXPECT_EQ(d.flown, r.flown) << r.crossNm;
    EXPECT_NEAR(d.closest.nm, std::fabs(r.crossNm), 1e-3) << r.crossNm;
    EXPECT_NEAR(d.closest.t, 1234.5, 0.05) << r.crossNm;
    EXPECT_TRUE(d.lines.empty());
  }
}

TEST_F(DebriefTest, UnresolvedUnknownAndGroupedExercises) {
  const auto samples = track(parallelFlight(kNavaid, 90, 0, -3, 3, 0.5, 120));
  // A navaid that is not in the table stops resolving: it and every later
  // exercise are listed as not resolved.
  auto list = debrief(exerciseXml(0, kVorAbc + form("<TYPE>LINE</TYPE>")) +
                          exerciseXml(1, navaidXml("XYZ", "VOR", "NOWHERE") + form("<TYPE>LINE</TYPE>")) +
                          exerciseXml(2, kVorAbc + form("<TYPE>LINE</TYPE>")),
                      0, samples);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_TRUE(list[0].resolved && list[0].flown);
  EXPECT_FALSE(list[1].resolved);
  EXPECT_FALSE(list[2].resolved);
  EXPECT_FALSE(list[1].flown);

  // An unknown form has no geometry; an arc and the exercise after it stay apart.
  list = debrief(exerciseXml(0, kVorAbc + form("<TYPE>ARC</TYPE>")) +
                     exerciseXml(1, kVorAbc + nav(350, 10) + form("<TYPE>ADME</TYPE><USER_DST>3</USER_DST>")) +
                     exerciseXml(4, kVorAbc + nav(0, 0) + form("<TYPE>RELY</TYPE><USER_DST>2</USER_DST>")),
                 0, samples);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_FALSE(list[0].resolved);
  EXPECT_EQ(list[1].form, FormAdme);
  EXPECT_EQ(list[1].index, 1);
  EXPECT_EQ(list[1].entries, 3);
  EXPECT_EQ(list[2].form, FormRely);
  EXPECT_EQ(list[2].index, 4);

  // No track at all: nothing is flown and there is no closest approach.
  list = debrief(exerciseXml(0, kVorAbc + form("<TYPE>HIPP</TYPE>")), 0, {});
  ASSERT_EQ(list.size(), 1u);
  EXPECT_TRUE(list[0].resolved);
  EXPECT_FALSE(list[0].flown);
  EXPECT_FALSE(list[0].closest.valid());
}

TEST_F(DebriefTest, AbsurdNumbersGiveAnAnswerNotACrash) {
  // A hold flown over the navaid, then a stop, time running backwards, the
  // antimeridian and both poles; exercises with numbers no instructor would write.
  std::vector<Fix> flight = flyRacetrack(kNavaid, 90, false, 180, 60, 1, 0, 1, 0);
  const double end = flight.back().t;
  for (const Fix& f : std::vector<Fix>{{flight.back().pos, end + 5}, {{10, 179.99}, end + 3}, {{10, -179.99}, end + 9},
                                       {{89.999, 0}, end + 20}, {{-89.999, 45}, end + 30}, {{-89.999, 45}, end + 30}})
    flight.push_back(f);
  const std::string forms[] = {
      kVorAbc + "<NAV><QDM>nan</QDM></NAV><FORM><TYPE>HIPP</TYPE><TRI>nan</TRI><IAS_MAX>-5</IAS_MAX></FORM>",
      kVorAbc + "<NAV><QDM>1e300</QDM></NAV><FORM><TYPE>HIPP</TYPE><TRI>1e30</TRI><IAS_MAX>2000000000</IAS_MAX></FORM>",
      kVorAbc + "<NAV><QDM>1e300</QDM><QDR>-1e300</QDR></NAV><FORM><TYPE>LINE</TYPE></FORM>",
      kVorAbc + "<FORM><TYPE>RELY</TYPE><USER_DST>nan</USER_DST><USER_HEADING>inf</USER_HEADING></FORM>",
      navaidXml("W", "USR", "W") +
          "<FORM><TYPE>COOR</TYPE><USER_LAT>N-596524*0</USER_LAT><USER_LON>W-999999*99</USER_LON></FORM>",
      kVorAbc + "<NAV><QDM>-1e300</QDM><QDR>1e300</QDR></NAV><FORM><TYPE>ADME</TYPE><USER_DST>1e300</USER_DST></FORM>",
  };
  std::string ex;
  for (int i = 0; i < 6; ++i) ex += exerciseXml(i, forms[i]);
  DebriefReport report;
  report.track = track(flight);
  ASSERT_FALSE(report.track.empty());
  report.exercises = debrief(ex, 1e300, report.track);
  ASSERT_EQ(report.exercises.size(), 6u);  // the arc's entries are one
  for (const ExerciseDebrief& d : report.exercises) EXPECT_TRUE(d.resolved) << d.index;
  char* buf = nullptr;
  size_t len = 0;
  std::FILE* out = open_memstream(&buf, &len);
  writeJson(out, report);
  const long jsonEnd = std::ftell(out);
  writeText(out, report);
  writeCsv(out, report);
  writeSvg(out, report);
  std::fclose(out);
  const std::string all(buf, len);
  std::free(buf);
  const std::string json = all.substr(0, static_cast<size_t>(jsonEnd));
  EXPECT_EQ(json.find("nan"), std::string::npos) << json;  // not a JSON number: null instead
  EXPECT_EQ(json.find("inf"), std::string::npos) << json;
  EXPECT_NE(all.find("</svg>"), std::string::npos);
}

TEST(TrackSamples, PositionsFromArcSecondsAndPointsThatCannotBePlaced) {
  auto point = [](double lat, double lon, double elapsed) {
    TrackPoint p{};
    p.rawLatitude = lat;
    p.rawLongitude = lon;
    p.elapsed = elapsed;
    return p;
  };
  size_t skipped = 0;
  const auto s = trackSamples({point(156600, 1296000 - 4500, 1), point(NAN, 0, 2), point(-122040, 544320, 3),
                               point(400000, 0, 4), point(0, INFINITY, 5), point(0, 648000, 6)},
                              &skipped);
  EXPECT_EQ(skipped, 3u);
  ASSERT_EQ(s.size(), 3u);
  EXPECT_NEAR(s[0].pos.lat, 43.5, 1e-12);
  EXPECT_NEAR(s[0].pos.lon, -1.25, 1e-12);  // eastward longitude above 648000 is west
  EXPECT_NEAR(s[1].pos.lat, -33.9, 1e-12);
  EXPECT_NEAR(s[1].pos.lon, 151.2, 1e-12);
  EXPECT_NEAR(std::fabs(s[2].pos.lon), 180, 1e-12);
  EXPECT_EQ(s[2].t, 6);
}

}  // namespace
