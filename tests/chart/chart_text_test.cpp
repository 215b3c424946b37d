#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "chart_text.h"

namespace {
std::string lat(double cy) {
  char a[kLatLonTextSize], b[kLatLonTextSize];
  formatLatLon(a, b, 0, cy);
  return a;
}
std::string lon(double cx) {
  char a[kLatLonTextSize], b[kLatLonTextSize];
  formatLatLon(a, b, cx, 0);
  return b;
}
}  // namespace

TEST(FormatLatLon, StartViewAndHemispheres) {
  EXPECT_EQ(lat(0), "  0 00'00\" N");
  EXPECT_EQ(lon(0), "  0 00'00\" E");
  // The letter follows the sign of the centre; the numbers print without one.
  EXPECT_EQ(lon(-1), "  0 00'36\" W");
  EXPECT_EQ(lat(-1), "  0 00'36\" S");
  EXPECT_EQ(lat(4525), " 45 15'00\" N");
  EXPECT_EQ(lon(-12345), "123 27'00\" W");
  EXPECT_EQ(lon(18000), "180 00'00\" E");
  // A whole value in the southern or western branch shows no minus sign.
  EXPECT_EQ(lat(-4500), " 45 00'00\" S");
  EXPECT_EQ(lon(-100), "  1 00'00\" W");
}

TEST(FormatLatLon, SecondsCarryInsteadOfShowingSixty) {
  // Fractions that land just below a whole minute or degree after the
  // floating-point arithmetic must carry, in both hemispheres.
  for (double v : {0.9999999, 59.99999999, 1.9999999999}) {
    for (double sign : {1.0, -1.0}) {
      char a[kLatLonTextSize], b[kLatLonTextSize];
      formatLatLon(a, b, sign * v * 100, sign * v * 100);
      EXPECT_EQ(std::strstr(a, "60\""), nullptr) << a;
      EXPECT_EQ(std::strstr(a, "'60"), nullptr) << a;
      EXPECT_EQ(std::strstr(b, "60\""), nullptr) << b;
      EXPECT_EQ(std::strstr(b, "'60"), nullptr) << b;
    }
  }
  EXPECT_EQ(lat(99.99999), "  1 00'00\" N");       // just below one degree
  EXPECT_EQ(lat(-99.99999), "  1 00'00\" S");
  EXPECT_EQ(lon(1.6666666), "  0 01'00\" E");      // just below one minute
  EXPECT_EQ(lon(-1.6666666), "  0 01'00\" W");
  EXPECT_EQ(lon(5999.99999), " 60 00'00\" E");
  // Values on the chart's 0.01-degree steps keep their exact seconds.
  EXPECT_EQ(lat(4), "  0 02'24\" N");
  EXPECT_EQ(lat(-7), "  0 04'12\" S");
}

TEST(StatusLine, LongitudeFirstAndThreeDigitMesh) {
  char la[kLatLonTextSize], lo[kLatLonTextSize], line[kStatusLineSize];
  formatLatLon(la, lo, 0, 0);
  composeStatusLine(line, lo, la, 900);
  EXPECT_STREQ(line, "  0 00'00\" E   0 00'00\" N *** 900 NM");
  formatLatLon(la, lo, -1, 6000);
  composeStatusLine(line, lo, la, 36);
  EXPECT_STREQ(line, "  0 00'36\" W  60 00'00\" N *** 036 NM");
  composeStatusLine(line, lo, la, 3);
  EXPECT_NE(std::strstr(line, "*** 003 NM"), nullptr);
  // Over-long parts are cut at the buffer, never written past it.
  std::string longText(300, 'x');
  char guarded[kStatusLineSize + 8];
  std::memset(guarded, '#', sizeof guarded);
  composeStatusLine(guarded, longText.c_str(), la, 3);
  EXPECT_EQ(std::strlen(guarded), kStatusLineSize - 1);
  EXPECT_EQ(guarded[kStatusLineSize], '#');
}

TEST(AirportLabel, OnlyExactKzFallsBackToTheShortIdent) {
  EXPECT_STREQ(airportLabel("KZ", "LFML"), "LFML");
  EXPECT_STREQ(airportLabel("KZA", "LFML"), "KZA");
  EXPECT_STREQ(airportLabel("kz", "LFML"), "kz");
  EXPECT_STREQ(airportLabel("LFMN", "NCE"), "LFMN");
}
