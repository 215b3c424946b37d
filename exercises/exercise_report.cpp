// The exercise report printed once at the chart's first frame.
#include "ifr_exercise_set.h"

namespace {

// The QDR and QDM lines that close every block except the holding pattern's.
void printCourses(std::FILE* out, const IfrExercise& e) {
  std::fprintf(out, "\tQDR           : %06.2lf\n", e.qdr);
  std::fprintf(out, "\tQDM           : %06.2lf\n", e.qdm);
}

}  // namespace

void IfrExerciseSet::printReport(std::FILE* out) const {
  if (out == nullptr) return;
  std::fprintf(out, "IFR EXERCICE  : %s\n", title.c_str());
  for (int32_t i = 0; i < entryCount; ++i) {
    const IfrExercise& e = entries[i];
    switch (e.kind) {
      case NavaidPoint:
        std::fprintf(out, "NAVAID POINT\n");
        std::fprintf(out, "\tNAVAID_ID     : %s\n", e.navaidId);
        printCourses(out, e);
        break;
      case HoldingPattern:
        std::fprintf(out, "HOLDING PATTERN\n");
        std::fprintf(out, "\tNAVAID_ID     : %s\n", e.navaidId);
        std::fprintf(out, "\tTRI           : %06.2f\n", static_cast<double>(e.tri));
        std::fprintf(out, "\tIAS           : %d\n", e.ias);
        break;
      case BearingWaypoint:
        std::fprintf(out, "USER WAYPOINT\n");
        std::fprintf(out, "\tNAVAID_ID     : %s\n", e.navaidId);
        std::fprintf(out, "\tUSER_DST      : %06.1lf\n", e.userDistance);
        std::fprintf(out, "\tUSER_HEADING  : %06.2lf\n", e.userHeading);
        printCourses(out, e);
        break;
      case CoordinateWaypoint:
        std::fprintf(out, "USER WAYPOINT\n");
        std::fprintf(out, "\tNAVAID_ID     : %s\n", e.navaidName);
        std::fprintf(out, "\tUSER_X        : %06.2lf\n", e.userLonSeconds);
        std::fprintf(out, "\tUSER_Y        : %06.2lf\n", e.userLatSeconds);
        printCourses(out, e);
        break;
      default:
        break;  // unknown forms are not reported
    }
  }
}
