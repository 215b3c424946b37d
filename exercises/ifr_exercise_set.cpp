#include "ifr_exercise_set.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "xml_config.h"

namespace {

// Copies a text into a fixed field, cut to fit; true when it fitted.
template <size_t N>
bool copyField(char (&field)[N], const std::string& text) {
  const size_t n = std::min(text.size(), N - 1);
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
  // A NUL inside the text ends it anyway: it is what a reader of the field sees.
  return std::strlen(text.c_str()) <= N - 1;
}

void reportOverflow(const char* key, int32_t k, const std::string& text, size_t width) {
  std::printf("\n\nMESSAGE ERROR : %s LONGER THAN %zu CHARACTERS IN DATA%02d : %s\n\n", key, width, k, text.c_str());
}

}  // namespace

IfrExerciseSet::IfrExerciseSet(const char* filePath) : path(filePath ? filePath : "") { load(); }

IfrExerciseSet::~IfrExerciseSet() { std::free(entries); }

bool IfrExerciseSet::growTo(int32_t size) {
  if (size <= capacity) return true;
  // Doubling keeps a file of thousands of exercises from costing a copy per entry.
  const int64_t wanted = std::max<int64_t>(size, std::min<int64_t>(int64_t(capacity) * 2, INT32_MAX));
  void* grown = std::realloc(entries, static_cast<size_t>(wanted) * sizeof(IfrExercise));
  if (grown == nullptr) return false;
  entries = static_cast<IfrExercise*>(grown);
  std::memset(entries + capacity, 0, static_cast<size_t>(wanted - capacity) * sizeof(IfrExercise));
  capacity = static_cast<int32_t>(wanted);
  return true;
}

void IfrExerciseSet::readRaw(const XmlConfig& config, int32_t k) {
  char prefix[32];
  std::snprintf(prefix, sizeof prefix, "DATA:DATA%02d", k);
  const std::string p(prefix);
  idFound = config.getString((p + ":NAVAID:NAVAID_ID").c_str(), &raw.navaidId, "NO NAVAID");
  typeFound = config.getString((p + ":NAVAID:TYPE").c_str(), &raw.navaidType, "NO TYPE");
  nameFound = config.getString((p + ":NAVAID:NAME").c_str(), &raw.navaidName, "NO NAME");
  config.getDouble((p + ":NAV:QDM").c_str(), &raw.qdm, 0.0);
  config.getDouble((p + ":NAV:QDR").c_str(), &raw.qdr, 0.0);
  config.getDouble((p + ":NAV:ANGLE").c_str(), &raw.angle, 0.0);
  config.getString((p + ":FORM:TYPE").c_str(), &raw.formType, "LINE");
  config.getString((p + ":FORM:TURN").c_str(), &raw.turn, "RIGHT");
  config.getFloat((p + ":FORM:TRI").c_str(), &raw.tri, 1.0f);
  config.getInt((p + ":FORM:IAS_MAX").c_str(), &raw.iasMax, 220);
  config.getDouble((p + ":FORM:USER_DST").c_str(), &raw.userDistance, 0.0);
  config.getDouble((p + ":FORM:USER_HEADING").c_str(), &raw.userHeading, 0.0);
  config.getString((p + ":FORM:USER_LON").c_str(), &raw.userLon, "NULL");
  config.getString((p + ":FORM:USER_LAT").c_str(), &raw.userLat, "NULL");
}

// Texts that do not fit are cut for the report, and the entry is marked so that
// resolve() rejects it instead of matching a navaid the file did not name.
void IfrExerciseSet::copyTexts(IfrExercise& e) {
  e.textOverflow = 0;
  if (!copyField(e.navaidId, raw.navaidId)) e.textOverflow |= NavaidIdTooLong;
  if (!copyField(e.navaidType, raw.navaidType)) e.textOverflow |= NavaidTypeTooLong;
  if (!copyField(e.navaidName, raw.navaidName)) e.textOverflow |= NavaidNameTooLong;
}

bool IfrExerciseSet::load() {
  // A second load starts over rather than stopping at the last pass's end marker.
  entryCount = 0;
  raw = RawExercise();

  XmlConfig config;
  config.load(path.c_str());
  config.getString("DATA:EXERC", &title, "NO IFR EXERCISE");

  int32_t k = 0;
  for (;;) {
    if (raw.navaidId == "NO NAVAID") break;
    entryCount = k;
    if (k == INT32_MAX || !growTo(k + 1)) {
      std::printf("REALLOC ERROR");
      return k != 0;
    }
    std::memset(&entries[k], 0, sizeof(IfrExercise));
    readRaw(config, k);

    const int32_t first = k;
    IfrExercise& e = entries[k];
    copyTexts(e);
    e.qdr = raw.qdr;
    e.qdm = raw.qdm;
    e.angle = raw.angle;

    const std::string& form = raw.formType;
    if (form == "LINE") {
      e.kind = NavaidPoint;
      e.form = FormLine;
    } else if (form == "HIPP") {
      e.qdr = e.qdm - 180;
      if (e.qdr < 0) e.qdr += 360;
      e.kind = HoldingPattern;
      e.form = FormHipp;
      e.ias = raw.iasMax;
      e.tri = raw.tri;
      e.legLength = static_cast<float>(e.ias / 60.0 * e.tri);
      e.turnLeft = raw.turn == "LEFT" ? 1 : 0;
    } else if (form == "RELY") {
      e.kind = BearingWaypoint;
      e.form = FormRely;
      e.userDistance = raw.userDistance;
      e.userHeading = raw.userHeading;
    } else if (form == "COOR") {
      e.kind = CoordinateWaypoint;
      e.form = FormCoor;
      std::memcpy(e.navaidType, "USR", 4);
      e.textOverflow &= static_cast<uint8_t>(~NavaidTypeTooLong);
      e.userLonSeconds = parseCoordinate(raw.userLon.c_str());
      e.userLatSeconds = parseCoordinate(raw.userLat.c_str());
      e.longitude = e.userLonSeconds * 180 / 6480;
      e.latitude = e.userLatSeconds * 90 / 3240;
    } else if (form == "ADME") {
      e.kind = BearingWaypoint;
      e.form = FormAdme;
      e.arcFirst = first;
      e.userDistance = raw.userDistance;
      e.userHeading = e.qdm;
      e.qdr = e.qdm;
      // Whole degrees, clockwise from QDM to QDR in 10-degree steps. Bearings
      // outside one turn would make the loop run far; they are clamped, which
      // changes nothing for any bearing a file can sensibly hold.
      const double qdm = std::max(-3600.0, std::min(3600.0, raw.qdm));
      const double qdr = std::max(-3600.0, std::min(3600.0, raw.qdr));
      const int32_t g = static_cast<int32_t>(qdm);
      int32_t h = static_cast<int32_t>(qdr);
      if (h < g) h += 360;
      const IfrExercise arcStart = e;  // entries move when the table grows
      for (int32_t j = g + 10; j <= h; j += 10) {
        ++k;
        if (k == INT32_MAX || !growTo(k + 1)) {
          std::printf("REALLOC ERROR");
          entryCount = k;
          return true;
        }
        IfrExercise& a = entries[k];
        std::memcpy(a.navaidId, arcStart.navaidId, sizeof a.navaidId);
        std::memcpy(a.navaidType, arcStart.navaidType, sizeof a.navaidType);
        std::memcpy(a.navaidName, arcStart.navaidName, sizeof a.navaidName);
        a.textOverflow = arcStart.textOverflow;
        a.kind = BearingWaypoint;
        a.form = FormAdme;
        a.arcFirst = first;
        a.userDistance = raw.userDistance;
        const double b = j > 360 ? j - 360 : j;
        a.qdm = a.qdr = a.userHeading = b;
      }
    } else {
      e.kind = UnknownKind;
    }
    // Only texts the file holds are worth a message (the defaults "NO TYPE" and
    // the end marker "NO NAVAID" do not fit either), and not for the end marker.
    // entries[] may have moved while an arc grew it; the arc start is still index `first`.
    const IfrExercise& start = entries[first];
    if (raw.navaidId != "NO NAVAID") {
      if (idFound && (start.textOverflow & NavaidIdTooLong))
        reportOverflow("NAVAID_ID", first, raw.navaidId, sizeof start.navaidId - 1);
      if (typeFound && (start.textOverflow & NavaidTypeTooLong))
        reportOverflow("TYPE", first, raw.navaidType, sizeof start.navaidType - 1);
      if (nameFound && (start.textOverflow & NavaidNameTooLong))
        reportOverflow("NAME", first, raw.navaidName, sizeof start.navaidName - 1);
    }
    ++k;
  }
  return true;
}

const char* formCode(ExerciseForm form) {
  switch (form) {
    case FormLine: return "LINE";
    case FormHipp: return "HIPP";
    case FormRely: return "RELY";
    case FormCoor: return "COOR";
    case FormAdme: return "ADME";
    default: return "?";
  }
}

double parseCoordinate(const char* text) {
  char letter = 0;
  int degrees = 0;
  double minutes = 0;
  if (text != nullptr) std::sscanf(text, "%c-%d*%lf", &letter, &degrees, &minutes);
  // Degrees times 3600 in 32 bits, wrapping as the stored files were written
  // to expect, without the undefined behaviour of a signed overflow.
  const int32_t seconds = static_cast<int32_t>(static_cast<uint32_t>(degrees) * 3600u);
  if (letter == 'N' || letter == 'E') return seconds + minutes * 60;
  if (letter == 'S' || letter == 'W') return -static_cast<double>(seconds) - minutes * 60;
  std::printf("COORD ERROR IN XML FILE\n");
  return 0;
}
