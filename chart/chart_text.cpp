#include "chart_text.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "geo_units.h"

namespace {

// Degrees, minutes and seconds of |value| in degrees: minutes truncated, seconds
// rounded, then carried so that seconds and minutes stay below 60.
void toDms(double value, int* d, int* m, int* s) {
  double a = std::fabs(value);
  double deg = std::trunc(a);
  double f = (a - deg) * 60.0;
  double min = std::trunc(f);
  double sec = std::round((f - min) * 60.0);
  if (sec >= 60.0) {
    sec -= 60.0;
    min += 1.0;
  }
  if (min >= 60.0) {
    min -= 60.0;
    deg += 1.0;
  }
  *d = static_cast<int>(deg);
  *m = static_cast<int>(min);
  *s = static_cast<int>(sec);
}

void formatOne(char* out, double degrees, char letter) {
  int d, m, s;
  toDms(degrees, &d, &m, &s);
  std::snprintf(out, kLatLonTextSize, "%3d %02d'%02d\" %c", d, m, s, letter);
}

}  // namespace

void formatLatLon(char* latitudeText, char* longitudeText, double centreX, double centreY) {
  // Centres come from integer slider values, so |degrees| stays well inside int.
  double lon = degreesFromChartUnits(centreX);
  double lat = degreesFromChartUnits(centreY);
  formatOne(latitudeText, lat, lat >= 0 ? 'N' : 'S');
  formatOne(longitudeText, lon, centreX >= 0 ? 'E' : 'W');
}

void composeStatusLine(char* out, const char* longitudeText, const char* latitudeText, int meshNm) {
  std::snprintf(out, kStatusLineSize, "%s %s *** %03d NM", longitudeText, latitudeText, meshNm);
}

const char* airportLabel(const char* ident, const char* shortIdent) {
  return std::strcmp(ident, "KZ") == 0 ? shortIdent : ident;
}
