#include "exercise_explain.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "check_text.h"
#include "great_circle.h"

namespace {

std::string elementName(int32_t number) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "DATA%02d", number);
  return buf;
}

std::string format(const char* fmt, ...) {
  char buf[512];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, args);
  va_end(args);
  return buf;
}

GeoPos degrees(const ExercisePoint& p) { return geoFromChartUnits(p.x, p.y); }
std::string at(const ExercisePoint& p) { return checktext::position(degreesFromChartUnits(p.y), degreesFromChartUnits(p.x)); }

// "233.00 M = 234.30 T"
std::string course(double magnetic, double variation) {
  return format("%06.2f M = %06.2f T", magnetic, wrap360(magnetic + variation));
}

std::string variationText(double v) {
  if (std::fabs(v) < 0.005) return "variation 0";
  return format("variation %.2f %c", std::fabs(v), v < 0 ? 'W' : 'E');
}

std::string navaidText(const IfrExercise& e) {
  return std::string(e.navaidType) + " " + checktext::display(e.navaidId) + " " + checktext::quoted(e.navaidName);
}

std::string nm(double v) { return format("%.2f NM", v); }

}  // namespace

std::string explainExercises(const CheckedFile& file) {
  const IfrExerciseSet& set = *file.set;
  std::string out = "IFR EXERCICE  : " + checktext::display(set.name()) + "\n";
  int32_t drawn = 0;
  for (uint8_t d : file.drawn) drawn += d;
  size_t exercises = 0;
  for (const ExerciseReading& r : file.log.readings) exercises += !r.endOfList;
  out += format("%zu exercise%s, %d table entr%s, %d drawn\n", exercises, exercises == 1 ? "" : "s", set.count(),
                set.count() == 1 ? "y" : "ies", drawn);

  for (const ExerciseReading& r : file.log.readings) {
    if (r.endOfList) {
      const XmlNode* node = file.exerciseNode(r.number);
      out += "\nThe list ends at " + elementName(r.number) + ": " +
             (node ? (r.keys[KeyNavaidId].found ? "its NAVAID_ID is NO NAVAID, the end marker"
                                                : "it has no NAVAID:NAVAID_ID")
                   : "there is no " + elementName(r.number)) +
             ".\n";
      continue;
    }
    if (r.firstEntry >= set.count()) break;
    const IfrExercise& e = set.entry(r.firstEntry);
    const XmlNode* node = file.exerciseNode(r.number);
    std::string head = "\n" + elementName(r.number);
    if (r.lastEntry > r.firstEntry) head += " to " + elementName(r.lastEntry);
    if (node) head += format(" (line %d)", node->place.line);
    head += ": ";
    const bool known = file.located[r.firstEntry] == 1;
    const std::string ref = known && e.kind != CoordinateWaypoint
                                ? navaidText(e) + " at " + checktext::position(degreesFromChartUnits(e.latitude), degreesFromChartUnits(e.longitude)) +
                                      ", " + variationText(e.variation)
                                : navaidText(e);
    const double v = e.variation;
    switch (e.kind) {
      case NavaidPoint:
        out += head + "navaid point on " + ref + "\n";
        if (known) {
          out += "  inbound course   QDM " + course(e.qdm, v) + ": a 6 NM line from " + at(e.qdmLineFrom) +
                 " to the navaid\n";
          out += "  outbound radial  QDR " + course(e.qdr, v) + ": a 6 NM line from the navaid to " +
                 at(e.qdrLineTo) + "\n";
        }
        break;
      case HoldingPattern:
        out += head + "holding pattern on " + ref + "\n";
        if (known) {
          const double width = geoDistanceNm(degrees(e.qdmLineTo), degrees(e.qdrLineFrom));
          out += "  inbound leg      QDM " + course(e.qdm, v) + ", " + nm(e.legLength) + " from " +
                 at(e.qdmLineFrom) + " to the fix (the navaid)\n";
          out += "  outbound leg     " + course(e.qdr, v) + ", from " + at(e.qdrLineFrom) + " to " +
                 at(e.qdrLineTo) + "\n";
        out += format("  turns            %s, the legs %.2f NM apart\n", e.turnLeft ? "left" : "right", width);
        } else {
          out += format("  turns            %s\n", e.turnLeft ? "left" : "right");
        }
        out += format("  legs             %s min at %d kt = %.2f NM\n", checktext::number(e.tri).c_str(), e.ias,
                      static_cast<double>(e.legLength));
        break;
      case BearingWaypoint:
        if (r.lastEntry == r.firstEntry) {
          out += head + "waypoint " + nm(e.userDistance) + " from " + ref + ", on bearing " +
                 course(e.userHeading, v) + (known ? ", at " + at(e.qdmLineTo) : "") + "\n";
          if (known) {
            out += "  inbound course   QDM " + course(e.qdm, v) + ": a 6 NM line from " + at(e.qdmLineFrom) +
                   " to the waypoint\n";
            out += "  outbound course  QDR " + course(e.qdr, v) + ": a 6 NM line from the waypoint to " +
                   at(e.qdrLineTo) + "\n";
          }
        } else {
          const int32_t last = std::min(r.lastEntry, set.count() - 1);
          out += head + format("DME arc of %d waypoints ", last - r.firstEntry + 1) + nm(e.userDistance) + " from " +
                 ref + ", clockwise from " + format("%06.2f M to %06.2f M", e.userHeading, set.entry(last).userHeading) +
                 "; each waypoint with a 6 NM line in and out along its radial\n";
          for (int32_t i = r.firstEntry; i <= last; ++i) {
            const IfrExercise& a = set.entry(i);
            out += "  " + elementName(i) + "           bearing " + course(a.userHeading, v) +
                   (file.located[i] == 1 ? " at " + at(a.qdmLineTo) : "") + "\n";
          }
        }
        break;
      case CoordinateWaypoint:
        out += head + "coordinate waypoint " + checktext::quoted(e.navaidName) + " at " +
               checktext::position(degreesFromArcSeconds(e.userLatSeconds), degreesFromArcSeconds(e.userLonSeconds)) + " (no variation)\n";
        out += "  inbound course   QDM " + format("%06.2f", e.qdm) + ": a line of 10 chart units (0.1 degree) from " +
               at(e.qdmLineFrom) + " to the fix\n";
        out += "  outbound course  QDR " + format("%06.2f", e.qdr) + ": a line of 10 chart units from the fix to " +
               at(e.qdrLineTo) + "\n";
        break;
      default:
        out += head + "form " + checktext::quoted(r.raw.formType) + " is not known: nothing is drawn or reported\n";
        break;
    }
    if (!file.drawn[r.firstEntry] && e.kind != UnknownKind) {
      std::string why;
      if (file.firstFailure >= r.firstEntry && file.firstFailure <= r.lastEntry)
        why = file.located[file.firstFailure] == 0 ? "its navaid is not in the table; the viewer stops here"
                                                   : "its navaid type is not VOR, NDB or USR; the viewer stops here";
      else if (file.firstFailure >= 0 && file.firstFailure < r.firstEntry)
        why = "the viewer stopped at " + elementName(file.firstFailure);
      out += "  NOT DRAWN: " + why + "\n";
    }
  }
  return out;
}
