// Texts the exercise checker prints and compares: display of file and table
// texts, folding for loose comparison, edit distance, and positions in the
// exercise file's coordinate syntax (N-43*23.07, E-5*05.13).
//
// The navaid table stores names in Latin-1; an exercise file is whatever bytes
// the instructor's editor wrote. Everything the checker prints is UTF-8 (JSON
// needs it), so table texts are converted and file texts are shown as they are
// when they are UTF-8, as Latin-1 otherwise, with control characters escaped.
#pragma once

#include <cstddef>
#include <string>

namespace checktext {

bool isUtf8(const std::string& bytes);
std::string latin1ToUtf8(const std::string& latin1);
// A file text for a message: UTF-8 as it is, other bytes as Latin-1; tabs, line
// breaks and other control characters as \t, \n, \r, \xNN.
std::string display(const std::string& bytes);
// display() in double quotes.
std::string quoted(const std::string& bytes);

// For loose comparison: Latin-1 (a UTF-8 text is converted first), upper case,
// accents dropped (é -> E, ß -> SS).
std::string fold(const std::string& bytes);

// Optimal string alignment distance (insertions, deletions, substitutions and
// swaps of two neighbours); stops counting past `limit` and returns limit + 1.
size_t editDistance(const std::string& a, const std::string& b, size_t limit);

// A number without trailing zeros: 270, 1.5, 95.7 (up to 6 significant digits).
std::string number(double v);

// Degrees (north or east positive) in the coordinate syntax: letter, '-', whole
// degrees, '*', minutes with two decimals: N-43*23.07, W-1*07.25.
std::string coordinate(double degrees, bool latitude);
// "N-43*23.07 E-5*05.13" from a latitude and a longitude in degrees.
std::string position(double latDegrees, double lonDegrees);

// Reads a latitude or longitude given on the command line: decimal degrees
// (-43.5) or the coordinate syntax (S-43*30.00). False when it is neither or out
// of range (latitude within 90, longitude within 180 degrees).
bool parseDegrees(const std::string& text, bool latitude, double* degrees);

}  // namespace checktext
