// Strict checking of an exercises file, with the exact place of each problem.
//
// The file is read once, the way the viewer reads it: the XML reader (which
// also records the line of every element), then the viewer's own exercise
// loader through its load log (which element number each pass read, which keys
// it found with which getter, what the getters left in the raw entry), then the
// viewer's resolve() against the navaid tables. The diagnostics are drawn from
// that reading, so they cannot drift from what the viewer does: each says which
// exercise element and key it is about, what was read, and what the viewer will
// draw because of it.
//
// Errors: the picture will be wrong (a navaid not found, a code the viewer does
// not know, a coordinate outside the syntax, a number that is no plain number,
// an element that is never read, a key the format does not know). Warnings:
// legal but suspicious (a default left in place, a bearing outside 0..360, a leg
// time or speed no aircraft flies, an arc past 180 degrees, a fix far from its
// navaid, a text cut to its field).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "nav_database.h"
#include "ifr_exercise_set.h"
#include "navaid_finder.h"
#include "xml_config.h"

enum class Severity { Warning, Error };

struct Diagnostic {
  int32_t line = 0;     // 1-based; 0 for the file as a whole
  Severity severity = Severity::Error;
  std::string element;  // "DATA07", "DATA" for the top element, "" for the file
  std::string key;      // "FORM:TURN", or ""
  std::string message;  // UTF-8
};

// An exercises file as the viewer reads it, resolved against the navaid tables.
class CheckedFile {
 public:
  CheckedFile(const std::string& text, const std::vector<NavaidRecord>& vors, const std::vector<NavaidRecord>& ndbs,
              bool navaidsLoaded);
  CheckedFile(const CheckedFile&) = delete;
  CheckedFile& operator=(const CheckedFile&) = delete;

  std::string text;
  bool navaidsLoaded;
  XmlConfig config;  // the tree the loader read, with every element's place
  ExerciseLoadLog log;
  std::unique_ptr<IfrExerciseSet> set;
  std::vector<NavaidRef> navaids;  // the VOR and NDB lists
  // Per table entry: 1 when the viewer draws it (resolve gave it geometry).
  std::vector<uint8_t> drawn;
  // Per table entry: 1 when its position is known (navaid found, or a user
  // point), 0 when its navaid is not in the table, -1 when its type is rejected.
  // Entries after the one resolve() stopped at are looked up here all the same,
  // and given their geometry, so that they can be explained.
  std::vector<int8_t> located;
  int32_t firstFailure = -1;  // the entry resolve() stopped at, or -1

  // The exercise element a pass read, and the tree's top element.
  const XmlNode* exerciseNode(int32_t number) const;
};

// Every diagnostic, sorted by line (a stable sort: same-line ones in the order made).
std::vector<Diagnostic> checkExercises(const CheckedFile& file);

// FILE:LINE: error: DATA07 FORM:TURN: message  (FILE: error: ... without a line).
std::string formatDiagnostic(const std::string& file, const Diagnostic& d);
// A JSON array of {file, line, severity, element, key, message}; line is null
// when the diagnostic is about the whole file.
std::string diagnosticsJson(const std::string& file, const std::vector<Diagnostic>& diagnostics);
// Warnings made errors (--werror).
void promoteWarnings(std::vector<Diagnostic>* diagnostics);
// 1 when there is an error, else 0.
int checkExitStatus(const std::vector<Diagnostic>& diagnostics);
