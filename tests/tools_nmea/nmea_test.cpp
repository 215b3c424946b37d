// NMEA lines, epochs and the samples the plug-in gets, without the plug-in.
// Expected values are worked out by hand from the sentences.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "nmea_epoch.h"
#include "nmea_sentence.h"
#include "nmea_source.h"

namespace {

const std::string kFgRmc = "$GPRMC,180341,A,3736.8124,N,12221.4331,W,0.0,0.0,091226,12.3,E,A*31";
const std::string kFgGga = "$GPGGA,180341,3736.8124,N,12221.4331,W,1,08,0.9,762.0,M,0.0,M,,*64";
const int64_t kDec9th2026 = 20796;  // days since 1970

NmeaFix fixOf(const std::string& line) {
  NmeaFix f;
  EXPECT_EQ(parseNmeaLine(line, &f), NmeaOutcome::Used) << line;
  return f;
}

TEST(NmeaLine, EveryLineGetsOneOutcome) {
  const std::string rmcBody = "GPRMC,180341,A,3736.8124,N,12221.4331,W,0.0,0.0,091226,12.3,E,A";
  struct Case {
    std::string line;
    NmeaOutcome expected;
  } cases[] = {
      {kFgRmc, NmeaOutcome::Used},
      {kFgGga, NmeaOutcome::Used},
      {"$GPGSA,A,3,01,02,03,,05,,07,,09,,11,12,0.9,0.9,2.0*38", NmeaOutcome::NotUsed},  // FlightGear's
      {"", NmeaOutcome::Blank},
      {kFgRmc.substr(0, kFgRmc.size() - 1) + "2", NmeaOutcome::Checksum},
      {nmeaSentence("GPRMC,180341,V,3736.8124,N,12221.4331,W,0.0,0.0,091226,,"), NmeaOutcome::Void},
      {nmeaSentence("GPRMC,180341,A,3736.8124,N,12221.4331,W,0.0,0.0,091226,,,N"), NmeaOutcome::Void},
      {nmeaSentence("GPGGA,180341,3736.8124,N,12221.4331,W,0,08,0.9,762.0,M,0.0,M,,"), NmeaOutcome::Void},
      {nmeaSentence("GPGGA,180341,,,,,0,00,,,M,,M,,"), NmeaOutcome::Void},  // a receiver still searching
      {nmeaSentence("GPXYZ,1,2,3"), NmeaOutcome::Unknown},
      {nmeaSentence("PGRME,15.0,M,45.0,M,25.0,M"), NmeaOutcome::Unknown},
      {nmeaSentence("II" + rmcBody.substr(2)), NmeaOutcome::Talker},
      {nmeaSentence("BD" + rmcBody.substr(2)), NmeaOutcome::Talker},
      {nmeaSentence("GN" + rmcBody.substr(2)), NmeaOutcome::Used},
      {nmeaSentence("GL" + rmcBody.substr(2)), NmeaOutcome::Used},
      {nmeaSentence("GA" + rmcBody.substr(2)), NmeaOutcome::Used},
      {nmeaSentence("GB" + rmcBody.substr(2)), NmeaOutcome::Used},
      {"$GPRMC,180341,A,3736.81", NmeaOutcome::Truncated},
      {kFgRmc.substr(0, kFgRmc.size() - 1), NmeaOutcome::Truncated},
      {nmeaSentence("GPRMC,180341,A,3736.8124,N"), NmeaOutcome::Truncated},
      {nmeaSentence("GPGGA,180341,3736.8124,N,12221.4331,W,1,08"), NmeaOutcome::Truncated},
      {nmeaSentence("GPTXT,01,01,02," + std::string(64, 'A')), NmeaOutcome::TooLong},  // 83 characters
      {nmeaSentence("GPTXT,01,01,02," + std::string(63, 'A')), NmeaOutcome::NotUsed},  // 82: the limit
      {"GPRMC,180341,A", NmeaOutcome::Noise},
      {std::string("$GPRMC,18\x01\xff" "0341,A*00", 18), NmeaOutcome::Noise},
      {std::string("\0\0\0", 3), NmeaOutcome::Noise},
      {kFgRmc + "xyz", NmeaOutcome::Malformed},
      {nmeaSentence("GPRMC,250341,A,3736.8124,N,12221.4331,W,0.0,0.0,091226,,"), NmeaOutcome::Malformed},
      {nmeaSentence("GPRMC,180341,A,9536.8124,N,12221.4331,W,0.0,0.0,091226,,"), NmeaOutcome::Malformed},
      {nmeaSentence("GPRMC,180341,A,3761.0000,N,12221.4331,W,0.0,0.0,091226,,"), NmeaOutcome::Malformed},
      {nmeaSentence("GPRMC,180341,A,3736.8124,X,12221.4331,W,0.0,0.0,091226,,"), NmeaOutcome::Malformed},
      {nmeaSentence("GPRMC,180341,A,3736.8124,N,18100.0000,W,0.0,0.0,091226,,"), NmeaOutcome::Malformed},
      {nmeaSentence("GPRMC,180341,A,3736.8124,N,12221.4331,W,0.0,0.0,310226,,"), NmeaOutcome::Malformed},
      {nmeaSentence("GPRMC,180341,A,3736.8124,N,12221.4331,W,-5,0.0,091226,,"), NmeaOutcome::Malformed},
      {nmeaSentence("GPRMC,180341,A,3736.8124,N,12221.4331,W,1e3,0.0,091226,,"), NmeaOutcome::Malformed},
      {nmeaSentence("GPGGA,180341,3736.8124,N,12221.4331,W,1,08,0.9,12x,M,0.0,M,,"), NmeaOutcome::Malformed},
      {nmeaSentence("GPRMC"), NmeaOutcome::Truncated},
      {nmeaSentence("GPR,1"), NmeaOutcome::Malformed},
  };
  for (const Case& c : cases) {
    NmeaFix f;
    EXPECT_EQ(parseNmeaLine(c.line, &f), c.expected)
        << c.line << " gave " << nmeaOutcomeName(parseNmeaLine(c.line, &f));
  }
}

TEST(NmeaLine, ReadsTheValuesOfRmcAndGga) {
  NmeaFix rmc = fixOf(kFgRmc);
  EXPECT_EQ(rmc.type, NmeaFix::Rmc);
  EXPECT_EQ(rmc.timeMs, (18 * 3600 + 3 * 60 + 41) * 1000);
  EXPECT_EQ(rmc.date, kDec9th2026);
  EXPECT_NEAR(rmc.latitude, 37 + 36.8124 / 60, 1e-12);
  EXPECT_NEAR(rmc.longitude, -(122 + 21.4331 / 60), 1e-12);
  EXPECT_TRUE(rmc.hasSpeed && rmc.hasCourse);
  EXPECT_FALSE(rmc.hasAltitude);

  NmeaFix gga = fixOf(kFgGga);
  EXPECT_EQ(gga.type, NmeaFix::Gga);
  EXPECT_EQ(gga.date, -1);
  EXPECT_TRUE(gga.hasAltitude);
  EXPECT_DOUBLE_EQ(gga.altitudeMetres, 762.0);

  // Fractions of seconds, south and east, no speed or course, a year of the 1990s.
  NmeaFix r2 = fixOf(nmeaSentence("GNRMC,235959.50,A,0030.0000,S,00015.0000,E,,,311299,,"));
  EXPECT_EQ(r2.timeMs, 86399500);
  EXPECT_NEAR(r2.latitude, -0.5, 1e-12);
  EXPECT_NEAR(r2.longitude, 0.25, 1e-12);
  EXPECT_FALSE(r2.hasSpeed || r2.hasCourse);
  EXPECT_EQ(r2.date, 10956);  // 1999-12-31: the day before 2000-01-01 (10957)
  NmeaFix g2 = fixOf(nmeaSentence("GPGGA,000000,0000.0000,N,00000.0000,E,2,04,1.0,-12.5,M,,,,"));
  EXPECT_DOUBLE_EQ(g2.altitudeMetres, -12.5);
  NmeaFix g3 = fixOf(nmeaSentence("GPGGA,000000,0000.0000,N,00000.0000,E,1,04,1.0,,,,,,"));
  EXPECT_FALSE(g3.hasAltitude);
}

TEST(NmeaLines, SplitAtEitherLineEndingAndBoundOverlongLines) {
  LineSplitter s;
  std::vector<std::string> lines;
  const std::string text = "$A*00\r\n\r\n$B*00\n$C";
  s.push(text.data(), text.size(), &lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"$A*00", "$B*00"}));
  s.flush(&lines);
  EXPECT_EQ(lines.back(), "$C");
  lines.clear();
  const std::string noBreaks(1 << 20, 'x');
  s.push(noBreaks.data(), noBreaks.size(), &lines);
  s.push("\n", 1, &lines);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].size(), LineSplitter::kKeep);
  NmeaFix f;
  EXPECT_EQ(parseNmeaLine("$" + lines[0], &f), NmeaOutcome::TooLong);
}

TEST(NmeaEpochs, SentencesOfOneTimeAreOneEpochAndTheLastGivesThePosition) {
  // FlightGear at 2 Hz: two RMC+GGA pairs share each whole second.
  const std::vector<std::string> log = {
      nmeaSentence("GPRMC,120000,A,4500.0000,N,00500.0000,E,100.0,90.0,091226,,"),
      nmeaSentence("GPGGA,120000,4500.0000,N,00500.0000,E,1,08,0.9,1000.0,M,,,,"),
      nmeaSentence("GPRMC,120000,A,4500.0000,N,00500.5000,E,101.0,91.0,091226,,"),
      nmeaSentence("GPGGA,120000,4500.0000,N,00500.5000,E,1,08,0.9,1010.0,M,,,,"),
      nmeaSentence("GPRMC,120001,A,4500.0000,N,00501.0000,E,102.0,92.0,091226,,"),
  };
  EpochAssembler a;
  std::vector<NmeaEpoch> epochs;
  for (const std::string& l : log) {
    NmeaEpoch done;
    if (a.add(fixOf(l), &done)) epochs.push_back(done);
  }
  ASSERT_EQ(epochs.size(), 1u) << "the second time closes the first epoch";
  NmeaEpoch last;
  ASSERT_TRUE(a.finish(&last));
  EXPECT_FALSE(a.finish(&last)) << "nothing left after the end";
  const NmeaEpoch& e = epochs[0];
  EXPECT_EQ(e.sentences, 4);
  EXPECT_EQ(e.date, kDec9th2026);
  EXPECT_NEAR(e.longitude, 5 + 0.5 / 60, 1e-12);
  EXPECT_DOUBLE_EQ(e.altitudeMetres, 1010.0);
  EXPECT_DOUBLE_EQ(e.speedKnots, 101.0);
  EXPECT_DOUBLE_EQ(e.courseDegrees, 91.0);
  EXPECT_EQ(last.timeMs, 43201000);
  EXPECT_FALSE(last.hasAltitude);
}

NmeaEpoch epochAt(int64_t date, int64_t timeMs, double lat, double lon, double knots = 120, double course = -1,
                  double altitudeM = -1) {
  NmeaEpoch e;
  e.date = date;
  e.timeMs = timeMs;
  e.latitude = lat;
  e.longitude = lon;
  e.hasSpeed = knots >= 0;
  e.speedKnots = knots;
  e.hasCourse = course >= 0;
  e.courseDegrees = course;
  e.hasAltitude = altitudeM >= 0;
  e.altitudeMetres = altitudeM;
  return e;
}

TEST(FixTimeline, StartsTicksAndKeepsTime) {
  const int64_t d = kDec9th2026;
  const int64_t h18 = 18 * 3600000LL;
  FixTimeline t(0);
  struct Row {
    NmeaEpoch epoch;
    TimelineStep::Kind kind;
    NmeaOutcome reason;
    float dt;
    double aux;
    double altitudeFt;
  } rows[] = {
      {epochAt(d, h18, 37.5, -122.25, 120, 355, 762), TimelineStep::Start, NmeaOutcome::Used, 0, 0, 2500.0000},
      // A standard-rate turn: 3 degrees in 1 s.
      {epochAt(d, h18 + 1000, 37.5, -122.24, 120, 358), TimelineStep::Tick, NmeaOutcome::Used, 1, 1.0, 2500.0000},
      // Through north, 10 degrees in 2 s; no GGA: the altitude stays.
      {epochAt(d, h18 + 3000, 37.5, -122.23, 120, 8), TimelineStep::Tick, NmeaOutcome::Used, 2, 10.0 / 6,
       2500.0000},
      // 30 degrees in 1 s is above 3 standard rates: capped.
      {epochAt(d, h18 + 4000, 37.5, -122.22, 120, 38), TimelineStep::Tick, NmeaOutcome::Used, 1, 3.0, 2500.0000},
      // Below 30 knots the course is noise.
      {epochAt(d, h18 + 5000, 37.5, -122.22, 29.9, 90), TimelineStep::Tick, NmeaOutcome::Used, 1, 0, 2500.0000},
      // Back in time: no tick ...
      {epochAt(d, h18 + 2000, 37.5, -122.21, 120, 90), TimelineStep::Skip, NmeaOutcome::Backwards, 0, 0, 2500},
      // ... and the next counts from it.
      {epochAt(d, h18 + 2500, 37.5, -122.20, 120, 90, 3048), TimelineStep::Tick, NmeaOutcome::Used, 0.5, 0,
       10000.0000},
      // Exactly ten minutes on is still a tick; one more second is a jump.
      {epochAt(d, h18 + 602500, 37.5, -122.19, 120), TimelineStep::Tick, NmeaOutcome::Used, 600, 0, 10000},
      {epochAt(d, h18 + 1203501, 37.5, -122.18, 120), TimelineStep::Skip, NmeaOutcome::Jump, 0, 0, 10000},
      {epochAt(d, h18 + 1204501, 37.5, -122.17, 120), TimelineStep::Tick, NmeaOutcome::Used, 1, 0, 10000},
  };
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    const Row& r = rows[i];
    TimelineStep s = t.next(r.epoch);
    EXPECT_EQ(s.kind, r.kind) << "row " << i;
    if (s.kind == TimelineStep::Skip) {
      EXPECT_EQ(s.reason, r.reason) << "row " << i;
    }
    EXPECT_FLOAT_EQ(s.sample.elapsed, r.dt) << "row " << i;
    EXPECT_NEAR(s.sample.aux, r.aux, 1e-12) << "row " << i;
    EXPECT_NEAR(s.sample.altitude, r.altitudeFt, 1e-3) << "row " << i;
    EXPECT_NEAR(s.sample.latitude, 37.5 * 3600, 1e-6) << "row " << i;
    EXPECT_NEAR(s.sample.longitude, 1296000 + r.epoch.longitude * 3600, 1e-6) << "row " << i;
    if (r.epoch.speedKnots == 120) {
      EXPECT_NEAR(s.sample.speed, 202.537333, 1e-4) << "row " << i;
    }
  }
  EXPECT_DOUBLE_EQ(t.startUtc(), d * 86400.0 + 18 * 3600);
}

TEST(FixTimeline, MidnightAndFixesWithoutDate) {
  const int64_t d = kDec9th2026;
  // The RMC dates say so.
  FixTimeline a(0);
  EXPECT_EQ(a.next(epochAt(d, 86399000, 0, 0)).kind, TimelineStep::Start);
  TimelineStep s = a.next(epochAt(d + 1, 1000, 0, 0));
  EXPECT_EQ(s.kind, TimelineStep::Tick);
  EXPECT_FLOAT_EQ(s.sample.elapsed, 2);
  // GGA only after the last RMC: the time of day falling by more than half a day is midnight.
  s = a.next(epochAt(-1, 3000, 0, 0));
  EXPECT_FLOAT_EQ(s.sample.elapsed, 2);
  FixTimeline b(d);
  EXPECT_EQ(b.next(epochAt(-1, 86398000, 0, 0)).utcSeconds, d * 86400.0 + 86398);
  s = b.next(epochAt(-1, 500, 0, 0));
  EXPECT_EQ(s.kind, TimelineStep::Tick);
  EXPECT_FLOAT_EQ(s.sample.elapsed, 2.5f);
  // A small step back within the day is not midnight.
  EXPECT_EQ(b.next(epochAt(-1, 400, 0, 0)).reason, NmeaOutcome::Backwards);
}

TEST(FixTimeline, SpeedFromPositionsWhenNoRmc) {
  FixTimeline t(0);
  t.next(epochAt(-1, 0, 10, 20, -1));
  // One minute of latitude north in 60 s: 60 knots.
  TimelineStep s = t.next(epochAt(-1, 60000, 10 + 1.0 / 60, 20, -1));
  EXPECT_NEAR(s.sample.speed, 60 * 6076.12 / 3600, 1e-3);
  EXPECT_EQ(s.sample.aux, 0);
}

TEST(FixTimeline, LongitudeEastwardAndNoNegativeZero) {
  EXPECT_EQ(eastwardLongitudeArcSeconds(-0.0), 0.0);
  EXPECT_FALSE(std::signbit(eastwardLongitudeArcSeconds(-0.0)));
  EXPECT_FALSE(std::signbit(latitudeArcSeconds(-0.0)));
  EXPECT_DOUBLE_EQ(eastwardLongitudeArcSeconds(-0.01), 1296000 - 36);
  EXPECT_DOUBLE_EQ(eastwardLongitudeArcSeconds(179.5), 646200);
  EXPECT_DOUBLE_EQ(eastwardLongitudeArcSeconds(-180), 648000);
}

}  // namespace
