#include "ifr_exercise_set.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "geo_units.h"
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

std::string* textField(RawExercise& raw, ExerciseKeyId id) {
  switch (id) {
    case KeyNavaidId: return &raw.navaidId;
    case KeyNavaidType: return &raw.navaidType;
    case KeyNavaidName: return &raw.navaidName;
    case KeyFormType: return &raw.formType;
    case KeyTurn: return &raw.turn;
    case KeyUserLon: return &raw.userLon;
    case KeyUserLat: return &raw.userLat;
    default: return nullptr;
  }
}

double* doubleField(RawExercise& raw, ExerciseKeyId id) {
  switch (id) {
    case KeyQdm: return &raw.qdm;
    case KeyQdr: return &raw.qdr;
    case KeyAngle: return &raw.angle;
    case KeyUserDst: return &raw.userDistance;
    case KeyUserHeading: return &raw.userHeading;
    default: return nullptr;
  }
}

// Letter, degrees and minutes to arc-seconds; 0 and false for an unknown letter.
double secondsOf(char letter, int degrees, double minutes, bool* letterKnown) {
  // Degrees times 3600 in 32 bits, wrapping as the stored files were written
  // to expect, without the undefined behaviour of a signed overflow.
  const int32_t seconds = static_cast<int32_t>(static_cast<uint32_t>(degrees) * 3600u);
  if (letterKnown) *letterKnown = true;
  if (letter == 'N' || letter == 'E') return seconds + minutes * 60;
  if (letter == 'S' || letter == 'W') return -static_cast<double>(seconds) - minutes * 60;
  if (letterKnown) *letterKnown = false;
  return 0;
}

double parseCoordinateTo(const char* text, std::FILE* messages) {
  bool known = false;
  const double seconds = coordinateSeconds(scanCoordinate(text), &known);
  if (!known && messages) std::fprintf(messages, "COORD ERROR IN XML FILE\n");
  return seconds;
}

}  // namespace

// The path of each is DATA:DATAnn:group:name; the order is the loader's.
const ExerciseKey kExerciseKeys[kExerciseKeyCount] = {
    {KeyNavaidId, "NAVAID", "NAVAID_ID", ExerciseGetter::String, "NO NAVAID", 0},
    {KeyNavaidType, "NAVAID", "TYPE", ExerciseGetter::String, "NO TYPE", 0},
    {KeyNavaidName, "NAVAID", "NAME", ExerciseGetter::String, "NO NAME", 0},
    {KeyQdm, "NAV", "QDM", ExerciseGetter::Double, nullptr, 0.0},
    {KeyQdr, "NAV", "QDR", ExerciseGetter::Double, nullptr, 0.0},
    {KeyAngle, "NAV", "ANGLE", ExerciseGetter::Double, nullptr, 0.0},
    {KeyFormType, "FORM", "TYPE", ExerciseGetter::String, "LINE", 0},
    {KeyTurn, "FORM", "TURN", ExerciseGetter::String, "RIGHT", 0},
    {KeyTri, "FORM", "TRI", ExerciseGetter::Float, nullptr, 1.0},
    {KeyIasMax, "FORM", "IAS_MAX", ExerciseGetter::Int, nullptr, 220},
    {KeyUserDst, "FORM", "USER_DST", ExerciseGetter::Double, nullptr, 0.0},
    {KeyUserHeading, "FORM", "USER_HEADING", ExerciseGetter::Double, nullptr, 0.0},
    {KeyUserLon, "FORM", "USER_LON", ExerciseGetter::String, "NULL", 0},
    {KeyUserLat, "FORM", "USER_LAT", ExerciseGetter::String, "NULL", 0},
};

const std::string* rawText(const RawExercise& raw, ExerciseKeyId id) {
  return textField(const_cast<RawExercise&>(raw), id);
}

double rawNumber(const RawExercise& raw, ExerciseKeyId id) {
  if (id == KeyTri) return raw.tri;
  if (id == KeyIasMax) return raw.iasMax;
  const double* d = doubleField(const_cast<RawExercise&>(raw), id);
  return d ? *d : 0.0;
}

NavaidClass navaidClass(const IfrExercise& e) {
  if (e.textOverflow & NavaidTypeTooLong) return NavaidClass::Rejected;
  if (std::strcmp(e.navaidType, "VOR") == 0) return NavaidClass::Vor;
  if (std::strcmp(e.navaidType, "NDB") == 0) return NavaidClass::Ndb;
  if (std::strcmp(e.navaidType, "USR") == 0) return NavaidClass::User;
  return NavaidClass::Rejected;
}

void IfrExerciseSet::reportOverflow(const char* key, int32_t k, const std::string& text, size_t width) const {
  if (messages == nullptr) return;
  std::fprintf(messages, "\n\nMESSAGE ERROR : %s LONGER THAN %zu CHARACTERS IN DATA%02d : %s\n\n", key, width, k,
               text.c_str());
}

IfrExerciseSet::IfrExerciseSet(const char* filePath) : path(filePath ? filePath : "") { load(); }

IfrExerciseSet::IfrExerciseSet(const XmlConfig& config, ExerciseLoadLog* log, std::FILE* messageStream)
    : messages(messageStream) {
  loadFrom(config, log);
}

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

void IfrExerciseSet::readRaw(const XmlConfig& config, int32_t k, ExerciseReading* reading) {
  char prefix[32];
  std::snprintf(prefix, sizeof prefix, "DATA:DATA%02d", k);
  std::string path;
  bool found[kExerciseKeyCount];
  for (const ExerciseKey& key : kExerciseKeys) {
    path.assign(prefix).append(":").append(key.group).append(":").append(key.name);
    bool& f = found[key.id];
    switch (key.getter) {
      case ExerciseGetter::String:
        f = config.getString(path.c_str(), textField(raw, key.id), key.defaultText);
        break;
      case ExerciseGetter::Double:
        f = config.getDouble(path.c_str(), doubleField(raw, key.id), key.defaultNumber);
        break;
      case ExerciseGetter::Float:
        f = config.getFloat(path.c_str(), &raw.tri, static_cast<float>(key.defaultNumber));
        break;
      case ExerciseGetter::Int:
        f = config.getInt(path.c_str(), &raw.iasMax, static_cast<int32_t>(key.defaultNumber));
        break;
    }
    if (reading) {
      reading->keys[key.id].found = f;
      if (f) config.getString(path.c_str(), &reading->keys[key.id].text, "");
    }
  }
  idFound = found[KeyNavaidId];
  typeFound = found[KeyNavaidType];
  nameFound = found[KeyNavaidName];
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
  XmlConfig config;
  config.load(path.c_str());
  return loadFrom(config, nullptr);
}

bool IfrExerciseSet::loadFrom(const XmlConfig& config, ExerciseLoadLog* log) {
  // A second load starts over rather than stopping at the last pass's end marker.
  entryCount = 0;
  raw = RawExercise();
  if (log) *log = ExerciseLoadLog();

  const bool titleFound = config.getString("DATA:EXERC", &title, "NO IFR EXERCISE");
  if (log) log->titleFound = titleFound;

  // k is the next free table index and the number of the element read next; the
  // entry the end marker made is not counted (count stays at the pass before).
  for (int32_t k = 0; raw.navaidId != "NO NAVAID"; ++k) {
    entryCount = k;
    if (k == INT32_MAX || !growTo(k + 1)) {
      if (messages) std::fprintf(messages, "REALLOC ERROR");
      return k != 0;
    }
    std::memset(&entries[k], 0, sizeof(IfrExercise));
    readExercise(config, k, log);
    const int32_t first = k;
    if (!storeExercise(&k, log)) return true;  // an arc could not grow: what is stored stays
    reportOverflows(first);
  }
  return true;
}

void IfrExerciseSet::readExercise(const XmlConfig& config, int32_t k, ExerciseLoadLog* log) {
  ExerciseReading* reading = nullptr;
  if (log) {
    log->readings.emplace_back();
    reading = &log->readings.back();
    reading->number = reading->firstEntry = reading->lastEntry = k;
  }
  readRaw(config, k, reading);
  if (reading) {
    reading->raw = raw;
    reading->endOfList = raw.navaidId == "NO NAVAID";
  }
}

bool IfrExerciseSet::storeExercise(int32_t* k, ExerciseLoadLog* log) {
  IfrExercise& e = entries[*k];
  copyTexts(e);
  e.qdr = raw.qdr;
  e.qdm = raw.qdm;
  e.angle = raw.angle;

  const std::string& form = raw.formType;
  if (form == "LINE") {
    e.kind = NavaidPoint;
    e.form = FormLine;
  } else if (form == "HIPP") {
    e.qdr = e.qdm - 180;  // the outbound leg runs on the reciprocal of the inbound course
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
    e.userLonSeconds = parseCoordinateTo(raw.userLon.c_str(), messages);
    e.userLatSeconds = parseCoordinateTo(raw.userLat.c_str(), messages);
    e.longitude = chartUnitsFromArcSeconds(e.userLonSeconds);
    e.latitude = chartYFromArcSeconds(e.userLatSeconds);
  } else if (form == "ADME") {
    return expandArc(k, log);
  } else {
    e.kind = UnknownKind;
  }
  return true;
}

bool IfrExerciseSet::expandArc(int32_t* k, ExerciseLoadLog* log) {
  const int32_t first = *k;
  IfrExercise& e = entries[first];
  e.kind = BearingWaypoint;
  e.form = FormAdme;
  e.arcFirst = first;
  e.userDistance = raw.userDistance;
  e.userHeading = e.qdm;
  e.qdr = e.qdm;
  // Whole degrees, clockwise from QDM to QDR in 10-degree steps. Bearings outside
  // one turn would make the loop run far; they are clamped, which changes nothing
  // for any bearing a file can sensibly hold.
  const double qdm = std::max(-3600.0, std::min(3600.0, raw.qdm));
  const double qdr = std::max(-3600.0, std::min(3600.0, raw.qdr));
  const int32_t g = static_cast<int32_t>(qdm);
  int32_t h = static_cast<int32_t>(qdr);
  if (h < g) h += 360;
  const IfrExercise arcStart = e;  // entries move when the table grows
  for (int32_t j = g + 10; j <= h; j += 10) {
    ++*k;
    if (*k == INT32_MAX || !growTo(*k + 1)) {
      if (messages) std::fprintf(messages, "REALLOC ERROR");
      entryCount = *k;
      return false;
    }
    if (log) log->readings.back().lastEntry = *k;
    IfrExercise& a = entries[*k];
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
  return true;
}

// Only texts the file holds are worth a message (the defaults "NO TYPE" and the end
// marker "NO NAVAID" do not fit either), and not for the end marker. The entry is
// read by index: the table may have moved while an arc grew it.
void IfrExerciseSet::reportOverflows(int32_t first) const {
  if (raw.navaidId == "NO NAVAID") return;
  const IfrExercise& start = entries[first];
  if (idFound && (start.textOverflow & NavaidIdTooLong))
    reportOverflow("NAVAID_ID", first, raw.navaidId, sizeof start.navaidId - 1);
  if (typeFound && (start.textOverflow & NavaidTypeTooLong))
    reportOverflow("TYPE", first, raw.navaidType, sizeof start.navaidType - 1);
  if (nameFound && (start.textOverflow & NavaidNameTooLong))
    reportOverflow("NAME", first, raw.navaidName, sizeof start.navaidName - 1);
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

double parseCoordinate(const char* text) { return parseCoordinateTo(text, stdout); }

CoordinateScan scanCoordinate(const char* text) {
  CoordinateScan scan;
  if (text == nullptr) return scan;
  // %n counts only when every field before it was read.
  int consumed = -1;
  scan.fields = std::sscanf(text, "%c-%d*%lf%n", &scan.letter, &scan.degrees, &scan.minutes, &consumed);
  scan.consumed = scan.fields == 3 ? consumed : -1;
  return scan;
}

double coordinateSeconds(const CoordinateScan& scan, bool* letterKnown) {
  return secondsOf(scan.letter, scan.degrees, scan.minutes, letterKnown);
}
