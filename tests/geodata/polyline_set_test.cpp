// Coastline/river file reader: the lexical rules, truncation, and counts that lie.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "fixture.h"
#include "polyline_set.h"

namespace {

class PolylineSetTest : public ScratchDir {
 protected:
  // Writes `text` as the file and reads it.
  static void read(PolylineSet** out, const std::string& text) {
    writeText("lines.dat", text);
    *out = new PolylineSet("lines.dat");
  }
};

TEST_F(PolylineSetTest, ReadsSegmentsInFileOrder) {
  PolylineSet* s;
  read(&s, "2 1 30\n"
           "7 -1.5 2.5 3e1 4 3\n"
           "5.25 43.10\n5.30 43.12 99\n-5.41 -43.20\n"
           "8 0 0 0 0 1\n"
           "+1 2\n");
  ASSERT_TRUE(s->loaded);
  ASSERT_EQ(s->segmentCount, 2u);
  ASSERT_EQ(s->segments.size(), 2u);
  const Polyline& a = s->segments[0];
  EXPECT_EQ(a.id, 7);
  EXPECT_EQ(a.extent[0], -1.5);
  EXPECT_EQ(a.extent[1], 2.5);
  EXPECT_EQ(a.extent[2], 30.0);
  EXPECT_EQ(a.extent[3], 4.0);
  ASSERT_EQ(a.pointCount, 3u);
  ASSERT_EQ(a.points.size(), 3u);
  EXPECT_EQ(a.points[0].x, 5.25);
  EXPECT_EQ(a.points[0].y, 43.10);
  EXPECT_EQ(a.points[1].x, 5.30);  // a third number is ignored
  EXPECT_EQ(a.points[1].y, 43.12);
  EXPECT_EQ(a.points[2].x, -5.41);
  EXPECT_EQ(a.points[2].y, -43.20);
  EXPECT_EQ(s->segments[1].pointCount, 1u);
  EXPECT_EQ(s->segments[1].points[0].x, 1.0);
  delete s;
}

TEST_F(PolylineSetTest, OnlyTheBlankSeparatesFields) {
  PolylineSet* s;
  // A tab is part of its field: "1\t0" is the single field 1, so the header declares
  // one segment; "3\t4" in the segment header is the single (id) field 3, so that
  // segment has no further fields and no points. Several blanks and leading blanks
  // separate like one.
  read(&s, "1\t0 30\n3\t4\n9 9\n");
  ASSERT_EQ(s->segmentCount, 1u);
  EXPECT_EQ(s->segments[0].id, 3);
  EXPECT_EQ(s->segments[0].extent[0], 0.0);
  EXPECT_EQ(s->segments[0].pointCount, 0u);
  delete s;

  read(&s, "   1    0   0\n  4   1  2  3  4    2\n 5.5     6.5\n7\t8 9\n");
  ASSERT_EQ(s->segmentCount, 1u);
  EXPECT_EQ(s->segments[0].id, 4);
  EXPECT_EQ(s->segments[0].extent[3], 4.0);
  ASSERT_EQ(s->segments[0].pointCount, 2u);
  EXPECT_EQ(s->segments[0].points[0].x, 5.5);
  EXPECT_EQ(s->segments[0].points[0].y, 6.5);
  EXPECT_EQ(s->segments[0].points[1].x, 7.0);  // "7\t8" converts as 7
  EXPECT_EQ(s->segments[0].points[1].y, 9.0);  // the second field is "9"
  delete s;

  // Non-numbers convert to 0, numbers stop at the first character that cannot
  // continue them.
  read(&s, "1 0 0\nabc 1x 2.5.5 - 9 2\nfoo 3,5\n12abc .5e1\n");
  ASSERT_EQ(s->segmentCount, 1u);
  EXPECT_EQ(s->segments[0].id, 0);
  EXPECT_EQ(s->segments[0].extent[0], 1.0);
  EXPECT_EQ(s->segments[0].extent[1], 2.5);
  EXPECT_EQ(s->segments[0].extent[2], 0.0);
  EXPECT_EQ(s->segments[0].extent[3], 9.0);
  ASSERT_EQ(s->segments[0].pointCount, 2u);
  EXPECT_EQ(s->segments[0].points[0].x, 0.0);
  EXPECT_EQ(s->segments[0].points[0].y, 3.0);
  EXPECT_EQ(s->segments[0].points[1].x, 12.0);
  EXPECT_EQ(s->segments[0].points[1].y, 5.0);
  delete s;
}

TEST_F(PolylineSetTest, EmptyAndZeroSegmentFilesAreSuccessfulReads) {
  for (const char* text : {"", "0 1 30\n", "0 1 30"}) {
    PolylineSet* s;
    read(&s, text);
    EXPECT_TRUE(s->loaded);
    EXPECT_EQ(s->segmentCount, 0u);
    EXPECT_TRUE(s->segments.empty());
    delete s;
  }
  PolylineSet missing("no/such/file.dat");
  EXPECT_FALSE(missing.loaded);
  EXPECT_EQ(missing.segmentCount, 0u);
}

TEST_F(PolylineSetTest, CutSegmentKeepsItsCountWithZeroPoints) {
  PolylineSet* s;
  read(&s, "1 0 0\n1 0 0 0 0 5\n1.5 2.5\n3.5 4.5\n");
  ASSERT_EQ(s->segmentCount, 1u);
  const Polyline& p = s->segments[0];
  ASSERT_EQ(p.pointCount, 5u);
  ASSERT_EQ(p.points.size(), 5u);
  EXPECT_EQ(p.points[1].x, 3.5);
  for (int i = 2; i < 5; ++i) {
    EXPECT_EQ(p.points[i].x, 0.0);
    EXPECT_EQ(p.points[i].y, 0.0);
  }
  delete s;
}

TEST_F(PolylineSetTest, CountsThatLieNeverDriveAllocation) {
  PolylineSet* s;
  // Fewer blocks than declared: only the blocks read are segments.
  read(&s, "1000000000 0 0\n1 0 0 0 0 1\n1 1\n2 0 0 0 0 0\n");
  EXPECT_TRUE(s->loaded);
  ASSERT_EQ(s->segmentCount, 2u);
  EXPECT_EQ(s->segments.size(), 2u);
  EXPECT_EQ(s->segments[1].id, 2);
  delete s;

  // A negative count is as good as an absurd one.
  read(&s, "-1 0 0\n1 0 0 0 0 1\n1 1\n");
  ASSERT_EQ(s->segmentCount, 1u);
  delete s;

  // More blocks than declared: the extra ones are not stored.
  read(&s, "1 0 0\n1 0 0 0 0 1\n1 1\n2 0 0 0 0 1\n2 2\n");
  ASSERT_EQ(s->segmentCount, 1u);
  EXPECT_EQ(s->segments[0].id, 1);
  delete s;

  // A segment claiming 2^31 points in a tiny file holds no more points than the
  // rest of the file has bytes; the lines that are there are its first points.
  read(&s, "1 0 0\n1 0 0 0 0 2147483647\n1 1\n2 2\n");
  ASSERT_EQ(s->segmentCount, 1u);
  EXPECT_EQ(s->segments[0].pointCount, 8u);
  EXPECT_EQ(s->segments[0].points.size(), s->segments[0].pointCount);
  EXPECT_EQ(s->segments[0].points[1].x, 2.0);
  delete s;

  // Negative point count: no points, and the next line is the next block.
  read(&s, "2 0 0\n1 0 0 0 0 -4\n2 0 0 0 0 1\n3 3\n");
  ASSERT_EQ(s->segmentCount, 2u);
  EXPECT_EQ(s->segments[0].pointCount, 0u);
  EXPECT_EQ(s->segments[1].pointCount, 1u);
  delete s;

  // A blank line where a header belongs has no fields: count 0.
  read(&s, "2 0 0\n\n5 0 0 0 0 1\n6 7\n");
  ASSERT_EQ(s->segmentCount, 2u);
  EXPECT_EQ(s->segments[0].id, 0);
  EXPECT_EQ(s->segments[0].pointCount, 0u);
  EXPECT_EQ(s->segments[1].id, 5);
  delete s;
}

TEST_F(PolylineSetTest, LongLinesAreSplitAtTheBuffer) {
  PolylineSet* s;
  // 510 characters and the line end fit one read.
  std::string fits = "1 2" + std::string(507, ' ');
  read(&s, "1 0 0\n1 0 0 0 0 2\n" + fits + "\n3 4\n");
  ASSERT_EQ(s->segments[0].pointCount, 2u);
  EXPECT_EQ(s->segments[0].points[1].x, 3.0);
  delete s;

  // A 10 MB line is read 511 bytes at a time, each piece taken as the next line.
  std::string huge(10 * 1024 * 1024, '7');
  read(&s, "1 0 0\n1 0 0 0 0 3\n5 6" + huge + "\n8 9\n");
  ASSERT_TRUE(s->loaded);
  ASSERT_EQ(s->segmentCount, 1u);
  ASSERT_EQ(s->segments[0].pointCount, 3u);
  EXPECT_EQ(s->segments[0].points[0].x, 5.0);
  EXPECT_GT(s->segments[0].points[0].y, 1e300);  // 509 digits: beyond a double
  EXPECT_GT(s->segments[0].points[1].x, 1e300);  // the rest of the line
  EXPECT_EQ(s->segments[0].points[1].y, 0.0);
  delete s;

  // A NUL byte ends a line's text, as it ends the string a line is read into.
  const char withNul[] = "1 0 0\n1 0 0 0 0 2\n5\0 9\n6 7\n";
  read(&s, std::string(withNul, sizeof withNul - 1));
  ASSERT_EQ(s->segments[0].pointCount, 2u);
  EXPECT_EQ(s->segments[0].points[0].x, 5.0);
  EXPECT_EQ(s->segments[0].points[0].y, 0.0);
  EXPECT_EQ(s->segments[0].points[1].y, 7.0);
  delete s;
}

}  // namespace

#include "decimal_field.h"

namespace {

// The fast decimal path must give atof's double, bit for bit, for every form a
// field can take.
TEST(DecimalField, AgreesWithAtofBitForBit) {
  const char* samples[] = {
      "0", "-0", "5.25", "43.10", "-123.45678", "179.99999", ".5", "-.5", "5.", "1e3", "1E-3",
      "3e1", "2.5e+2", "1e", "1e+", "1.5e-", "12abc", "1x", "2.5.5", "-", ".", "", "abc", "+7",
      "+.5", "\t7", "\v-3", "0x1p3", "-0X10", "0x", "inf", "-inf", "INFINITY", "nan", "-nan(1)",
      "1e400", "-1e400", "1e-400", "4.9e-324", "2.2250738585072011e-308",
      "0.1000000000000000055511151231257827021181583404541015625",
      "9007199254740993", "123456789012345678901234567890", "00012.5000", "-00.0001e5",
      "7\t8", "3,5", "1.7976931348623157e308", "1.7976931348623159e308",
      "1.000000000000000", "0.000000000000000000000001", "123456789012345.6", "12345678901234.56",
      "999999999999999", "9999999999999999", "0.0000000000000000000001234", "-0.0",
  };
  bool dot = decimalPointIsDot();
  ASSERT_TRUE(dot);
  for (const char* s : samples) {
    double expected = std::atof(s);
    double got = decimalFromField(s, s + std::strlen(s), dot);
    if (std::isnan(expected)) {
      EXPECT_TRUE(std::isnan(got)) << s;
      continue;
    }
    EXPECT_EQ(std::memcmp(&expected, &got, sizeof got), 0) << s << ": " << expected << " vs " << got;
  }
}

TEST(DecimalField, AgreesWithAtofOnRandomDecimals) {
  std::mt19937_64 rng(42);
  char buf[64];
  int mismatches = 0;
  for (int i = 0; i < 200000; ++i) {
    double v = std::ldexp(double(rng() >> 11), int(rng() % 80) - 60) * ((rng() & 1) ? -1 : 1);
    std::snprintf(buf, sizeof buf, "%.*f", int(rng() % 18), v);
    double expected = std::atof(buf);
    double got = decimalFromField(buf, buf + std::strlen(buf), true);
    if (std::memcmp(&expected, &got, sizeof got) != 0 && ++mismatches < 5) ADD_FAILURE() << buf;
  }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
