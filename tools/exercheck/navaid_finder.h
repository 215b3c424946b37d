// The navaids an exercise can name, as the viewer sees them: the VOR and NDB
// lists of the navaid table (a navaid of any other type cannot be used). Finds
// them by a piece of identifier or name, ignoring case and accents, optionally
// sorted by distance from a point; and, for a navaid the viewer will not find,
// proposes the nearest candidates (same identifier with another name, or a name
// a few edits away).
//
// The table holds no frequency: a record keeps identifier, name, type bits,
// variation and position only, so none is shown.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "great_circle.h"
#include "nav_database.h"

struct NavaidRef {
  const NavaidRecord* record;
  const char* type;  // "VOR" or "NDB": the TYPE an exercise must give
  std::string foldedIdent, foldedName;  // for loose comparison (checktext::fold)
  std::array<uint8_t, 32> nameLetters;  // foldedName's bytes counted by (byte % 32)
};

GeoPos navaidPosition(const NavaidRecord& n);  // degrees, from chart units
// VOR MTG "Martigues" at N-43*23.07 E-5*05.13 (the name converted for display).
std::string describeNavaid(const NavaidRef& n);

// Every VOR, then every NDB, in table order, folded once.
std::vector<NavaidRef> usableNavaids(const std::vector<NavaidRecord>& vors, const std::vector<NavaidRecord>& ndbs);

// Up to `max` navaids for an identifier and name the viewer does not find,
// best first: the same identifier (with another name, or the same name in the
// other list), then an identifier that differs only in case, then names within a
// few edits (ignoring case and accents). When some name is within a few edits,
// only such names are given.
std::vector<NavaidRef> suggestNavaids(const std::vector<NavaidRef>& all, const std::string& ident,
                                      const std::string& name, size_t max = 3);

// Where --near measures from: a navaid (whose variation makes magnetic bearings)
// or a point.
struct NearPoint {
  GeoPos pos{0, 0};
  bool hasVariation = false;
  double variation = 0;  // degrees east, as the table stores it
  std::string label;
};

struct FoundNavaid {
  NavaidRef ref;
  double distanceNm = -1;  // from the --near point, when one is given
  double bearingTrue = 0;  // from the --near point to the navaid
};

// The navaids whose identifier or name contains `text` (ignoring case and
// accents; an empty text matches all): sorted by identifier and name, or by
// distance when `near` is given.
std::vector<FoundNavaid> findNavaids(const std::vector<NavaidRef>& all, const std::string& text, const NearPoint* near);

// One aligned line per navaid: type, identifier, the exact name in quotes, the
// position in the coordinate syntax, the variation, and with a --near point the
// distance and the bearing (true, and magnetic when the point is a navaid).
std::string formatFound(const std::vector<FoundNavaid>& found, const NearPoint* near);
