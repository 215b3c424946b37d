// The instructor's IFR exercises: loaded from the exercises XML file, tied to
// the navaid tables and given their drawing geometry once, then drawn every
// frame (exercise_draw.h) and printed once as a report.
//
// Loading reads exercise elements DATA00, DATA01, ... until one has no
// NAVAID_ID. An "ADME" arc expands into one table entry per 10 degrees and uses
// up the element numbers of the entries it adds. resolve() looks every exercise
// up in order; the first failure stops it, so that exercise and all later ones
// stay without geometry (and are printed but not drawn).
//
// Positions are chart units (hundredths of a degree, x east, y north);
// bearings are degrees magnetic until variation makes them true.
//
// A tool that checks a file (the exercise checker) loads through the same code:
// the key table below is what readRaw reads, and an ExerciseLoadLog receives,
// pass by pass, the element number read, the entries made and each key as found.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "nav_database.h"

class XmlConfig;

enum ExerciseKind : int32_t {
  NavaidPoint = 0,
  HoldingPattern = 1,
  BearingWaypoint = 2,
  CoordinateWaypoint = 3,
  UnknownKind = 99,  // a form code the loader does not know: nothing is computed, drawn or printed
};

// The form code that made an entry. RELY and ADME share a kind; the debrief
// measures an arc's entries together, so it needs to tell them apart.
enum ExerciseForm : uint8_t {
  FormUnknown = 0,
  FormLine,  // "LINE"
  FormHipp,  // "HIPP"
  FormRely,  // "RELY"
  FormCoor,  // "COOR"
  FormAdme,  // "ADME", on every entry of the arc
};

// "LINE", "HIPP", "RELY", "COOR", "ADME"; "?" for an unknown form.
const char* formCode(ExerciseForm form);

struct ExercisePoint {
  double x, y;
};

// Which texts of the file did not fit their fields (see IfrExerciseSet::load).
enum ExerciseTextOverflow : uint8_t {
  NavaidIdTooLong = 1,
  NavaidTypeTooLong = 2,
  NavaidNameTooLong = 4,
};

// One table entry. Plain data: the table grows with realloc and new entries
// start zeroed.
struct IfrExercise {
  char navaidId[4];
  char navaidType[4];  // "VOR", "NDB" or "USR"; anything else is rejected by resolve()
  char navaidName[40];
  double qdr;  // degrees magnetic, outbound radial
  double qdm;  // degrees magnetic, inbound course
  double angle;
  double variation;  // degrees, added to magnetic bearings
  double longitude;  // reference position, chart units
  double latitude;
  uint8_t geometryValid;
  ExercisePoint qdrLineFrom, qdrLineTo, qdmLineFrom, qdmLineTo, turnControl1, turnControl2;
  ExerciseKind kind;
  int32_t turnLeft;  // holding: 1 for left turns
  float tri;         // holding: leg time, minutes
  int32_t ias;       // holding: knots
  float legLength;   // holding: nautical miles
  double userDistance;    // waypoints: nautical miles
  double userHeading;     // bearing waypoint: degrees magnetic from the navaid
  double userLonSeconds;  // coordinate waypoint: arc-seconds, east positive
  double userLatSeconds;  // coordinate waypoint: arc-seconds, north positive
  uint8_t textOverflow;   // ExerciseTextOverflow bits
  ExerciseForm form;
  int32_t arcFirst;  // "ADME": table index of the arc's first entry (the one at QDM)
};

// The values of the exercise being read, as the getters deliver them. Reused
// for every exercise, so a numeric key whose text is no number keeps the
// previous exercise's value.
struct RawExercise {
  std::string navaidId, navaidType, navaidName;
  double qdr = 0, qdm = 0, angle = 0;
  std::string formType, turn;
  float tri = 0;
  int32_t iasMax = 0;
  double userDistance = 0, userHeading = 0;
  std::string userLon, userLat;
};

// The keys of an exercise element, in the order the loader reads them.
enum ExerciseKeyId : int32_t {
  KeyNavaidId, KeyNavaidType, KeyNavaidName, KeyQdm, KeyQdr, KeyAngle, KeyFormType,
  KeyTurn, KeyTri, KeyIasMax, KeyUserDst, KeyUserHeading, KeyUserLon, KeyUserLat,
  kExerciseKeyCount
};
enum class ExerciseGetter : uint8_t { String, Double, Float, Int };

// One key: its path below DATA:DATAnn is group:name; the getter that reads it;
// the default it gets when absent (defaultText for strings, defaultNumber else).
struct ExerciseKey {
  ExerciseKeyId id;
  const char* group;
  const char* name;
  ExerciseGetter getter;
  const char* defaultText;
  double defaultNumber;
};
extern const ExerciseKey kExerciseKeys[kExerciseKeyCount];

// The raw entry's field for a key: its text (string keys; null otherwise) or its
// value widened to double (numeric keys; 0 otherwise).
const std::string* rawText(const RawExercise& raw, ExerciseKeyId id);
double rawNumber(const RawExercise& raw, ExerciseKeyId id);

// What one pass of the loader read. A pass reads exercise element `number`
// (DATA%02d) and makes table entries firstEntry..lastEntry (an arc makes more
// than one, using up the numbers up to lastEntry). The pass that ends the list
// (NAVAID_ID absent, or "NO NAVAID") is logged too, with endOfList set; its
// entries are not part of the set.
struct ExerciseKeyRead {
  bool found = false;  // the getter found the leaf
  std::string text;    // the leaf's text as stored, when found
};
struct ExerciseReading {
  int32_t number = 0;
  int32_t firstEntry = 0, lastEntry = 0;
  bool endOfList = false;
  RawExercise raw;  // after this pass's getters, as the entries were made from it
  ExerciseKeyRead keys[kExerciseKeyCount];
};
struct ExerciseLoadLog {
  bool titleFound = false;
  std::vector<ExerciseReading> readings;
};

// How resolve() treats an entry's navaid type: the table it searches, no table
// (a user point), or a rejection that stops it.
enum class NavaidClass { Vor, Ndb, User, Rejected };
NavaidClass navaidClass(const IfrExercise& e);

class IfrExerciseSet {
 public:
  // Loads `path` at once; a missing file gives an empty set.
  explicit IfrExerciseSet(const char* path);
  // Loads from a tree already read, telling `log` (when not null) what each pass
  // read; the loader's and resolve()'s messages go to `messages` (none when null).
  IfrExerciseSet(const XmlConfig& config, ExerciseLoadLog* log, std::FILE* messages);
  virtual ~IfrExerciseSet();
  IfrExerciseSet(const IfrExerciseSet&) = delete;
  IfrExerciseSet& operator=(const IfrExerciseSet&) = delete;

  // False only when not even the first entry could be allocated.
  bool load();

  const char* name() const { return title.c_str(); }
  int32_t count() const { return entryCount; }
  IfrExercise& entry(int32_t i) { return entries[i]; }
  const IfrExercise& entry(int32_t i) const { return entries[i]; }

  // Looks up and computes every exercise in table order; false at the first
  // failure (after its message) or when the set is empty.
  bool resolve(const std::vector<NavaidRecord>& vors, const std::vector<NavaidRecord>& ndbs);
  // Takes variation and position of exercise i from the first record matching
  // both its identifier and its name.
  bool findNavaid(const std::vector<NavaidRecord>& list, int32_t i);
  void computeGeometry(int32_t i);
  // The reference position of exercise i, truncated toward zero, once it has geometry.
  bool exercisePosition(int32_t i, int32_t* x, int32_t* y) const;

  void printReport(std::FILE* out = stdout) const;

  RawExercise raw;

 private:
  bool growTo(int32_t size);
  bool loadFrom(const XmlConfig& config, ExerciseLoadLog* log);
  // The steps of one pass of loadFrom: read element k into the raw entry; store it
  // in entry *k by its form code (an arc moves *k to its last entry; false when the
  // table could not grow for it); report texts that did not fit.
  void readExercise(const XmlConfig& config, int32_t k, ExerciseLoadLog* log);
  bool storeExercise(int32_t* k, ExerciseLoadLog* log);
  bool expandArc(int32_t* k, ExerciseLoadLog* log);
  void reportOverflows(int32_t first) const;
  void readRaw(const XmlConfig& config, int32_t k, ExerciseReading* reading);
  void copyTexts(IfrExercise& e);
  void reportOverflow(const char* key, int32_t k, const std::string& text, size_t width) const;

  std::string title = "NO IFR EXERCISE";
  int32_t entryCount = 0;
  IfrExercise* entries = nullptr;
  int32_t capacity = 0;
  std::string path;
  std::FILE* messages = stdout;
  bool idFound = false, typeFound = false, nameFound = false;  // in the file, not defaulted
};

// "%c-%d*%lf": hemisphere letter, '-', whole degrees, '*', decimal minutes, to
// arc-seconds, negative for S and W. Prints "COORD ERROR IN XML FILE\n" and
// gives 0 for any other letter.
double parseCoordinate(const char* text);

// The scan parseCoordinate makes, field by field: what it read (fields not
// reached stay 0), how many conversions it made (sscanf's count: -1 for an empty
// text) and how many characters the whole pattern took (-1 unless all three
// fields were read).
struct CoordinateScan {
  char letter = 0;
  int degrees = 0;
  double minutes = 0;
  int fields = 0;
  int consumed = -1;
};
CoordinateScan scanCoordinate(const char* text);
// Arc-seconds from a scan; `letterKnown` false (and 0) for a letter other than N, S, E, W.
double coordinateSeconds(const CoordinateScan& scan, bool* letterKnown);

// The point reached from `from` (chart units) after distanceNm nautical miles
// (negative goes backwards) on the great circle leaving with true bearing
// bearingRad; longitude wraps into -18000..18000.
ExercisePoint destinationPoint(ExercisePoint from, double distanceNm, double bearingRad);

// Angle constants of the geometry, built on pi rounded to single precision:
// the stored exercises' numbers follow from it. Constant-initialised, so they
// are ready before any static object (the program's exercise set) is built.
inline constexpr double kExercisePi = static_cast<double>(3.1415927f);
inline constexpr double kDegToRad = kExercisePi / 180;
inline constexpr double kQuarterTurn = 90 * kDegToRad;
inline constexpr double kTwelfthTurn = 30 * kDegToRad;
