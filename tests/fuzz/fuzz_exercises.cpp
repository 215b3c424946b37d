// Entries for the exercise loader: parseCoordinate on one text, and the whole path
// from an exercises file to the resolved table and its printed report.
#include <cstdio>
#include <cstring>

#include "ifr_exercise_set.h"
#include "fuzz_entries.h"
#ifdef CHART_FUZZ_EXERCHECK
#include <algorithm>

#include "exercise_check.h"
#include "exercise_explain.h"
#endif

namespace {

std::FILE* devNull() {
  static std::FILE* f = std::fopen("/dev/null", "w");
  return f;
}

NavaidRecord navaid(const char* ident, const char* name, uint32_t flags, double variation, double lat,
                    double lon) {
  NavaidRecord n{};
  std::snprintf(n.key, sizeof n.key, "%s", ident);
  std::snprintf(n.ident, sizeof n.ident, "%s", ident);
  std::snprintf(n.name, sizeof n.name, "%s", name);
  n.typeFlags = flags;
  n.variation = variation;
  n.latitude = lat;
  n.longitude = lon;
  return n;
}

template <size_t N>
bool terminated(const char (&field)[N]) {
  return std::memchr(field, '\0', N) != nullptr;
}

}  // namespace

std::string fuzzCoordinate(const uint8_t* data, size_t size) {
  // The reader gets a NUL-terminated text of exactly the input's bytes.
  std::string text = size ? std::string(reinterpret_cast<const char*>(data), size) : std::string();
  parseCoordinate(text.c_str());
  return "";
}

std::string fuzzExercises(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return "";
  if (!fuzzWriteFile("DATA/IFR_EXERCISES.xml", data, size)) return "cannot write scratch file";
  // The seeds name these navaids; one sits on the antimeridian, one near a pole.
  static const std::vector<NavaidRecord> vors = {
      navaid("MTG", "MARTIGUES", 1, 1.5, 4350.0, 500.0),
      navaid("SFO", "SAN FRANCISCO", 1, -13.0, 3770.0, -12240.0),
      navaid("DTL", "DATELINE", 1, 0.0, 0.0, 18000.0)};
  static const std::vector<NavaidRecord> ndbs = {
      navaid("ML", "MARSEILLE", 8, 1.5, 4340.0, 510.0),
      navaid("NP", "NORTH POLE", 8, 0.0, 8999.0, 0.0)};

  IfrExerciseSet set("DATA\\IFR_EXERCISES.xml");
  if (set.count() < 0) return "negative count";
  if (set.name() == nullptr) return "no title";
  set.resolve(vors, ndbs);
  for (int32_t i = 0; i < set.count(); ++i) {
    const IfrExercise& e = set.entry(i);
    if (!terminated(e.navaidId) || !terminated(e.navaidType) || !terminated(e.navaidName))
      return "exercise text not terminated";
    int32_t x = 0, y = 0;
    set.exercisePosition(i, &x, &y);
  }
  int32_t x = 0, y = 0;
  if (set.exercisePosition(set.count(), &x, &y)) return "position past the last exercise";
  set.printReport(devNull());

#ifdef CHART_FUZZ_EXERCHECK
  // The checker reads the same bytes through the same loader: the same table,
  // and every diagnostic on a line of the file.
  const std::string text(reinterpret_cast<const char*>(data), size);
  const CheckedFile checked(text, vors, ndbs, true);
  if (checked.set->count() != set.count()) return "the checker's table differs from the viewer's";
  for (int32_t i = 0; i < set.count(); ++i) {
    if (checked.set->entry(i).kind != set.entry(i).kind) return "the checker's entry differs from the viewer's";
    if (checked.drawn[i] != set.entry(i).geometryValid) return "the checker's drawn entries differ from the viewer's";
  }
  const int32_t lines = 1 + static_cast<int32_t>(std::count(text.begin(), text.end(), '\n'));
  for (const Diagnostic& d : checkExercises(checked))
    if (d.line < 0 || d.line > lines || d.message.empty()) return "diagnostic outside the file or empty";
  explainExercises(checked);
#endif
  return "";
}
