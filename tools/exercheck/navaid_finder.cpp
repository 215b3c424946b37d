#include "navaid_finder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "check_text.h"

namespace {

std::string field(const char* text, size_t width) { return std::string(text, strnlen(text, width)); }

std::string nameOf(const NavaidRecord& n) { return field(n.name, sizeof n.name); }
std::string identOf(const NavaidRecord& n) { return field(n.ident, sizeof n.ident); }

// How many edits still count as "a few" for a name of this length.
size_t nameTolerance(size_t length) { return length <= 4 ? 1 : length <= 8 ? 2 : 3; }

std::string variationText(double variation) {
  if (!std::isfinite(variation)) return "?";
  char buf[32];
  if (std::fabs(variation) < 0.05) return "0.0";
  std::snprintf(buf, sizeof buf, "%.1f %c", std::fabs(variation), variation < 0 ? 'W' : 'E');
  return buf;
}

std::array<uint8_t, 32> letterCounts(const std::string& folded) {
  std::array<uint8_t, 32> counts{};
  for (unsigned char c : folded)
    if (counts[c % 32] < 255) ++counts[c % 32];
  return counts;
}

// A lower bound of the edit distance of two texts from their letter counts: an
// insertion or deletion changes the counts by one, a substitution by two, a swap
// by none. Counting letters by (byte % 32) only lowers the bound.
size_t distanceBound(const std::array<uint8_t, 32>& a, const std::array<uint8_t, 32>& b) {
  size_t sum = 0;
  for (size_t i = 0; i < a.size(); ++i) sum += a[i] > b[i] ? a[i] - b[i] : b[i] - a[i];
  return (sum + 1) / 2;
}

// A bearing rounded to whole degrees, 0..359.
int wholeDegrees(double bearing) {
  if (!std::isfinite(bearing)) return 0;
  return static_cast<int>(std::lround(wrap360(bearing))) % 360;
}

}  // namespace

GeoPos navaidPosition(const NavaidRecord& n) { return geoFromChartUnits(n.longitude, n.latitude); }

std::string describeNavaid(const NavaidRef& n) {
  const GeoPos p = navaidPosition(*n.record);
  return std::string(n.type) + " " + checktext::latin1ToUtf8(identOf(*n.record)) + " \"" +
         checktext::latin1ToUtf8(nameOf(*n.record)) + "\" at " + checktext::position(p.lat, p.lon);
}

std::vector<NavaidRef> usableNavaids(const std::vector<NavaidRecord>& vors, const std::vector<NavaidRecord>& ndbs) {
  std::vector<NavaidRef> all;
  all.reserve(vors.size() + ndbs.size());
  for (const auto* list : {&vors, &ndbs})
    for (const NavaidRecord& n : *list)
      all.push_back({&n, list == &vors ? "VOR" : "NDB", checktext::fold(identOf(n)), checktext::fold(nameOf(n)), {}});
  for (NavaidRef& r : all) r.nameLetters = letterCounts(r.foldedName);
  return all;
}

std::vector<NavaidRef> suggestNavaids(const std::vector<NavaidRef>& all, const std::string& ident,
                                      const std::string& name, size_t max) {
  struct Scored {
    size_t score;
    size_t order;
  };
  const std::string foldedIdent = checktext::fold(ident);
  const std::string foldedName = checktext::fold(name);
  const size_t tolerance = nameTolerance(foldedName.size());
  const std::array<uint8_t, 32> letters = letterCounts(foldedName);
  std::vector<Scored> scored;
  for (size_t i = 0; i < all.size(); ++i) {
    const NavaidRecord& n = *all[i].record;
    const bool sameIdent = strncmp(n.ident, ident.c_str(), sizeof n.ident) == 0 && ident.size() < sizeof n.ident;
    const bool looseIdent = !sameIdent && all[i].foldedIdent == foldedIdent;
    // Other identifiers only count with a close name: no need to measure far ones.
    if (!sameIdent && !looseIdent && distanceBound(letters, all[i].nameLetters) > tolerance) continue;
    const size_t limit = sameIdent || looseIdent ? 40 : tolerance;
    const size_t nameDistance = checktext::editDistance(all[i].foldedName, foldedName, limit);
    size_t score;
    if (sameIdent) {
      score = nameDistance;  // 0..41 (score % 100 is the distance): the same identifier first
    } else if (looseIdent) {
      score = 100 + nameDistance;
    } else if (nameDistance <= tolerance) {
      score = 200 + nameDistance;
    } else {
      continue;
    }
    scored.push_back({score, i});
  }
  std::stable_sort(scored.begin(), scored.end(), [](const Scored& a, const Scored& b) { return a.score < b.score; });
  // When some name is close, far names of the same identifier are only noise.
  const bool anyClose = std::any_of(scored.begin(), scored.end(),
                                    [&](const Scored& s) { return s.score % 100 <= tolerance; });
  std::vector<NavaidRef> out;
  for (size_t i = 0; i < scored.size() && out.size() < max; ++i)
    if (!anyClose || scored[i].score % 100 <= tolerance) out.push_back(all[scored[i].order]);
  return out;
}

std::vector<FoundNavaid> findNavaids(const std::vector<NavaidRef>& all, const std::string& text, const NearPoint* near) {
  const std::string wanted = checktext::fold(text);
  std::vector<FoundNavaid> found;
  for (const NavaidRef& ref : all) {
    if (!wanted.empty() && ref.foldedIdent.find(wanted) == std::string::npos &&
        ref.foldedName.find(wanted) == std::string::npos)
      continue;
    FoundNavaid f{ref};
    if (near) {
      const GeoPos p = navaidPosition(*ref.record);
      f.distanceNm = geoDistanceNm(near->pos, p);
      f.bearingTrue = geoBearing(near->pos, p);
    }
    found.push_back(f);
  }
  if (near) {
    std::stable_sort(found.begin(), found.end(),
                     [](const FoundNavaid& a, const FoundNavaid& b) { return a.distanceNm < b.distanceNm; });
  } else {
    std::stable_sort(found.begin(), found.end(), [](const FoundNavaid& a, const FoundNavaid& b) {
      const std::string ia = identOf(*a.ref.record), ib = identOf(*b.ref.record);
      return ia != ib ? ia < ib : nameOf(*a.ref.record) < nameOf(*b.ref.record);
    });
  }
  return found;
}

std::string formatFound(const std::vector<FoundNavaid>& found, const NearPoint* near) {
  struct Row {
    std::string ident, name, pos, var, dist;
    const char* type;
  };
  std::vector<Row> rows;
  size_t wIdent = 5, wName = 6, wPos = 8;
  for (const FoundNavaid& f : found) {
    const NavaidRecord& n = *f.ref.record;
    const GeoPos p = navaidPosition(n);
    Row r{checktext::latin1ToUtf8(identOf(n)), "\"" + checktext::latin1ToUtf8(nameOf(n)) + "\"",
          checktext::position(p.lat, p.lon), "var " + variationText(n.variation), "", f.ref.type};
    if (near && f.distanceNm >= 0) {
      char buf[96];
      if (near->hasVariation) {
        std::snprintf(buf, sizeof buf, "%7.1f NM  %03d T  %03d M", f.distanceNm, wholeDegrees(f.bearingTrue),
                      wholeDegrees(f.bearingTrue - near->variation));
      } else {
        std::snprintf(buf, sizeof buf, "%7.1f NM  %03d T", f.distanceNm, wholeDegrees(f.bearingTrue));
      }
      r.dist = buf;
    }
    // Widths in characters: the UTF-8 names count their bytes, close enough for alignment.
    wIdent = std::max(wIdent, r.ident.size());
    wName = std::max(wName, r.name.size());
    wPos = std::max(wPos, r.pos.size());
    rows.push_back(std::move(r));
  }
  std::string out;
  for (const Row& r : rows) {
    char buf[512];
    std::snprintf(buf, sizeof buf, "%-3s  %-*s  %-*s  %-*s  %-10s", r.type, static_cast<int>(wIdent), r.ident.c_str(),
                  static_cast<int>(wName), r.name.c_str(), static_cast<int>(wPos), r.pos.c_str(), r.var.c_str());
    std::string line = buf;
    if (!r.dist.empty()) line += "  " + r.dist;
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out += line + "\n";
  }
  return out;
}
