// Texts the chart shows: the centre's position, the status line, name labels.
//
// Pure functions; the GL layer passes their results to PUI and PLIB's renderer.
#pragma once

#include <cstddef>

// Buffer sizes: the two position texts and the status line.
const size_t kLatLonTextSize = 32;
const size_t kStatusLineSize = 128;

// Writes the latitude ("%3d %02d'%02.0f\" N") and longitude texts for a view centre
// in chart units (hundredths of a degree). The seconds are rounded to whole seconds
// before printing and carried into the minutes and degrees, so no text shows 60;
// the letter follows the sign of the centre and the numbers print without a sign.
// Each buffer must hold kLatLonTextSize bytes.
void formatLatLon(char* latitudeText, char* longitudeText, double centreX, double centreY);

// "%s %s *** %03d NM": longitude text, latitude text, mesh size. out holds
// kStatusLineSize bytes; an over-long text is cut, never overflows.
void composeStatusLine(char* out, const char* longitudeText, const char* latitudeText, int meshNm);

// An airport's label: its ident, except the ident exactly "KZ", which stands for
// "no ident of its own": then the short ident.
const char* airportLabel(const char* ident, const char* shortIdent);
