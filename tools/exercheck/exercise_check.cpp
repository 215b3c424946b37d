#include "exercise_check.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string_view>

#include "check_text.h"
#include "great_circle.h"

using checktext::number;
using checktext::quoted;

namespace {

// ---------------------------------------------------------------- names

std::string elementName(int32_t number) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "DATA%02d", number);
  return buf;
}

std::string keyPath(const ExerciseKey& key) { return std::string(key.group) + ":" + key.name; }

const ExerciseKey& keyOf(ExerciseKeyId id) { return kExerciseKeys[id]; }

// DATA followed by digits only: the number, or -1. Numbers past what the loader
// can reach are clamped; they are never read all the same.
int64_t exerciseNumber(const std::string& name) {
  if (name.size() < 5 || name.compare(0, 4, "DATA") != 0) return -1;
  int64_t n = 0;
  for (size_t i = 4; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return -1;
    n = std::min<int64_t>(n * 10 + (name[i] - '0'), INT32_MAX);
  }
  return n;
}

// Past this an element number is beyond any file the loader could read to.
constexpr int64_t kUnreachable = 100000000;

enum class Form { Line, Hipp, Rely, Coor, Adme, Unknown };

// The form the loader gave the entry.
Form formOf(const IfrExercise& e) {
  switch (e.form) {
    case FormLine: return Form::Line;
    case FormHipp: return Form::Hipp;
    case FormRely: return Form::Rely;
    case FormCoor: return Form::Coor;
    case FormAdme: return Form::Adme;
    default: return Form::Unknown;
  }
}

const char* formWords(Form f) {
  switch (f) {
    case Form::Line: return "a LINE (navaid point)";
    case Form::Hipp: return "a HIPP (holding pattern)";
    case Form::Rely: return "a RELY (waypoint by bearing and distance)";
    case Form::Coor: return "a COOR (waypoint by coordinates)";
    case Form::Adme: return "an ADME (DME arc)";
    default: return "this";
  }
}

// The keys each form uses; the navaid's identifier, type and name and FORM:TYPE
// are checked for every form on their own.
bool formUses(Form f, ExerciseKeyId id) {
  switch (id) {
    case KeyQdm: return f != Form::Unknown;
    case KeyQdr: return f == Form::Line || f == Form::Rely || f == Form::Coor || f == Form::Adme;
    case KeyTurn:
    case KeyTri:
    case KeyIasMax: return f == Form::Hipp;
    case KeyUserDst: return f == Form::Rely || f == Form::Adme;
    case KeyUserHeading: return f == Form::Rely;
    case KeyUserLon:
    case KeyUserLat: return f == Form::Coor;
    default: return false;
  }
}

bool hasOuterBlank(const std::string& t) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
  return !t.empty() && (blank(t.front()) || blank(t.back()));
}

std::string trimmed(const std::string& t) {
  const size_t b = t.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  return t.substr(b, t.find_last_not_of(" \t\r\n") - b + 1);
}

std::string upper(std::string t) {
  for (char& c : t)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return t;
}

// " (did you mean X?)" for the nearest of `known` within a few edits, ignoring case.
std::string didYouMean(const std::string& written, const std::vector<std::string>& known);

// The same, or when none is close, the list of what is known there.
std::string nearestKnown(const std::string& written, const std::vector<std::string>& known, const std::string& where) {
  const std::string near = didYouMean(written, known);
  if (!near.empty()) return near;
  std::string list;
  for (size_t i = 0; i < known.size(); ++i) list += (i ? ", " : "") + known[i];
  return " (" + where + " holds " + list + ")";
}

std::string didYouMean(const std::string& written, const std::vector<std::string>& known) {
  const std::string w = upper(trimmed(written));
  std::string best;
  size_t bestDistance = 4;
  for (const std::string& k : known) {
    const size_t limit = std::min<size_t>(3, std::max<size_t>(1, k.size() / 3));
    const size_t d = checktext::editDistance(w, k, limit);
    if (d <= limit && d < bestDistance) {
      best = k;
      bestDistance = d;
    }
  }
  return best.empty() ? "" : " (did you mean " + best + "?)";
}

// ---------------------------------------------------------------- places in the text

// strchr finds the terminating NUL too; a NUL byte of the file is an ordinary byte.
bool isOneOf(char c, const char* set) { return c != '\0' && std::strchr(set, c) != nullptr; }

struct LineIndex {
  std::vector<size_t> starts;
  explicit LineIndex(const std::string& text) {
    starts.push_back(0);
    for (size_t i = 0; i < text.size(); ++i)
      if (text[i] == '\n') starts.push_back(i + 1);
  }
  int32_t lineOf(size_t offset) const {
    return static_cast<int32_t>(std::upper_bound(starts.begin(), starts.end(), offset) - starts.begin());
  }
};

// A '<' that may start an element, as the reader would scan it.
struct Candidate {
  size_t offset;
  enum Kind { Tag, Comment, Markup } kind;
  std::string name;  // Tag: the element name as written
};

std::vector<Candidate> candidatesOf(const std::string& text) {
  std::vector<Candidate> out;
  size_t i = 0;
  while ((i = text.find('<', i)) != std::string::npos) {
    const size_t o = i;
    const char next = o + 1 < text.size() ? text[o + 1] : '\0';
    if (text.compare(o, 4, "<!--") == 0) {
      out.push_back({o, Candidate::Comment, ""});
      const size_t end = text.find("-->", o + 4);
      i = end == std::string::npos ? text.size() : end + 3;
      continue;
    }
    if (next == '!' || next == '?') {
      out.push_back({o, Candidate::Markup, ""});
      const size_t end = text.find('>', o);
      i = end == std::string::npos ? text.size() : end + 1;
      continue;
    }
    i = o + 1;
    if (next == '/' || next == '>' || next == '<' || next == ' ' || next == '\t' || next == '\n' || next == '\r' ||
        next == '\0')
      continue;
    size_t e = o + 1;
    while (e < text.size() && !isOneOf(text[e], " \t\r\n/><")) ++e;
    out.push_back({o, Candidate::Tag, text.substr(o + 1, e - o - 1)});
  }
  return out;
}

// ---------------------------------------------------------------- the checker

class Checker {
 public:
  explicit Checker(const CheckedFile& f)
      : file(f), doc(f.config.document), records(f.config.document.elements), lines(f.text) {
    for (size_t i = 0; i < records.size(); ++i) recordAt[records[i].place.begin] = static_cast<int32_t>(i);
  }

  std::vector<Diagnostic> run() {
    if (file.text.empty()) {
      add(0, Severity::Error, "", "", "the file is empty; the viewer shows no exercise");
      return finish();
    }
    checkUnread();
    if (!checkTop()) return finish();
    checkTopChildren();
    for (size_t r = 0; r < file.log.readings.size(); ++r) {
      const ExerciseReading& reading = file.log.readings[r];
      const XmlNode* node = file.exerciseNode(reading.number);
      if (node) checkStructure(*node, elementName(reading.number));
      if (!reading.endOfList) checkExercise(reading, r, node);
    }
    if (file.set->count() == 0 && errors == 0)
      add(doc.root.place.line, Severity::Error, "DATA", "",
          "no exercise is read (the viewer prints NO IFR EXERCISES XML FILE FOUND); the first is DATA00");
    return finish();
  }

 private:
  void add(int32_t line, Severity s, const std::string& element, const std::string& key, const std::string& message) {
    // Element and key come from the file's names: shown as any other text of it.
    out.push_back({line, s, checktext::display(element), checktext::display(key), message});
    if (s == Severity::Error) ++errors;
  }

  std::vector<Diagnostic> finish() {
    std::stable_sort(out.begin(), out.end(), [](const Diagnostic& a, const Diagnostic& b) { return a.line < b.line; });
    return out;
  }

  int32_t recordOf(const XmlPlace& place) const {
    auto it = recordAt.find(place.begin);
    return it == recordAt.end() ? -1 : it->second;
  }

  // ---- text the reader never reaches

  // Every '<' that starts an element the reader did not report: the first of each
  // run of them is where the reader stopped, and why.
  void checkUnread() {
    const std::vector<Candidate> cands = candidatesOf(file.text);
    std::vector<int32_t> open;  // records enclosing the current offset
    size_t next = 0;            // next record to open
    size_t i = 0;
    while (i < cands.size()) {
      if (recordAt.count(static_cast<int32_t>(cands[i].offset))) {
        ++i;
        continue;
      }
      size_t j = i;
      bool lostTag = false;
      size_t firstTag = i;
      while (j < cands.size() && !recordAt.count(static_cast<int32_t>(cands[j].offset))) {
        if (cands[j].kind == Candidate::Tag) {
          if (!lostTag) firstTag = j;
          lostTag = true;
        }
        ++j;
      }
      const size_t o = cands[i].offset;
      while (next < records.size() && static_cast<size_t>(records[next].place.begin) < o) {
        while (!open.empty() && records[open.back()].place.end <= records[next].place.begin) open.pop_back();
        open.push_back(static_cast<int32_t>(next++));
      }
      while (!open.empty() && static_cast<size_t>(records[open.back()].place.end) <= o) open.pop_back();
      if (lostTag) reportUnread(cands, i, j, firstTag, open.empty() ? -1 : open.back());
      i = j;
    }
  }

  void reportUnread(const std::vector<Candidate>& cands, size_t first, size_t end, size_t firstTag, int32_t enclosing) {
    const Candidate& c = cands[first];
    const int32_t line = lines.lineOf(c.offset);
    size_t tags = 0;
    for (size_t k = first; k < end; ++k) tags += cands[k].kind == Candidate::Tag;
    const std::string lost = "<" + checktext::display(cands[firstTag].name) + ">" +
                             (tags > 1 ? " and the " + std::to_string(tags - 1) + " element" + (tags > 2 ? "s" : "") +
                                             " after it"
                                       : std::string());
    std::string where, upTo;
    if (enclosing >= 0) {
      const XmlElementRecord& e = records[enclosing];
      where = "<" + e.name + ">";
      upTo = " up to </" + e.name + "> (line " + std::to_string(lines.lineOf(static_cast<size_t>(e.place.end) - 1)) +
             ")";
      for (int32_t i = enclosing; i >= 0; i = records[i].parent) lossIn.insert(i);
    } else {
      where = "the file";
    }
    const std::string elementLabel = enclosing >= 0 ? topLabel(enclosing) : "";
    std::string message;
    if (c.kind == Candidate::Comment || c.kind == Candidate::Markup) {
      const std::string what =
          c.kind == Candidate::Comment
              ? "a comment: the viewer's reader does not know comments"
              : "\"" + checktext::display(file.text.substr(c.offset, std::min<size_t>(9, file.text.size() - c.offset))) +
                    "...\": the viewer's reader does not know declarations";
      message = what + " and stops reading " + where + " here; it never reads " + lost + (upTo.empty() ? "" : "," + upTo);
    } else {
      // Searches stay inside the enclosing element: a level holds one such run at most,
      // so the whole check stays linear in the text (times the bounded depth).
      const size_t limit = enclosing >= 0 ? static_cast<size_t>(records[enclosing].place.end) : file.text.size();
      const std::string_view inside = std::string_view(file.text).substr(0, limit);
      const std::string closing = "</" + c.name + ">";
      const size_t exact = inside.find(closing, c.offset);
      std::string why;
      const size_t gt = inside.find('>', c.offset);
      const std::string tag = file.text.substr(c.offset, gt == std::string::npos ? limit - c.offset : gt - c.offset);
      const size_t space = tag.find(' ');
      if (tag.substr(0, space).find_first_of("\t\r\n") != std::string::npos) {
        why = "a tab or line break inside its start tag becomes part of its name for the reader, so no closing tag "
              "matches it";
      } else if (exact == std::string::npos) {
        const size_t loose = looseClosing(c.name, c.offset, limit);
        if (loose != std::string::npos) {
          const size_t closeEnd = file.text.find('>', loose);
          why = "it is closed by \"" + checktext::display(file.text.substr(loose, closeEnd - loose + 1)) + "\" (line " +
                std::to_string(lines.lineOf(loose)) + "), but the reader needs exactly " + closing;
        } else {
          why = "no " + closing + " closes it" + (enclosing >= 0 ? " before </" + records[enclosing].name + ">" : "");
        }
      } else {
        why = "the reader stopped before it (an element before it is not closed as the reader expects)";
      }
      message = "<" + checktext::display(c.name) + "> is never read: " + why +
                "; the viewer drops it and everything after it" + upTo;
    }
    if (doc.root.name.empty()) message += "; the viewer reads no exercise from this file";
    add(line, Severity::Error, elementLabel, "", message);
  }

  // A closing tag for `name` in another case or with blanks before its '>'.
  size_t looseClosing(const std::string& name, size_t from, size_t limit) const {
    const std::string_view inside = std::string_view(file.text).substr(0, limit);
    size_t p = from;
    while ((p = inside.find("</", p)) != std::string::npos) {
      size_t q = p + 2, k = 0;
      while (k < name.size() && q < limit &&
             std::toupper(static_cast<unsigned char>(file.text[q])) == std::toupper(static_cast<unsigned char>(name[k]))) {
        ++q;
        ++k;
      }
      if (k == name.size()) {
        while (q < limit && isOneOf(file.text[q], " \t\r\n")) ++q;
        if (q < limit && file.text[q] == '>') return p;
      }
      p += 2;
    }
    return std::string::npos;
  }

  // The exercise element (or DATA) a record lies in, for the element column.
  std::string topLabel(int32_t index) const {
    std::string label;
    for (int32_t i = index; i >= 0; i = records[i].parent) {
      if (records[i].parent < 0) return label.empty() ? records[i].name : label;
      if (records[records[i].parent].parent < 0) label = records[i].name;
    }
    return label;
  }

  // ---- the top element

  bool checkTop() {
    const XmlNode& root = doc.root;
    std::vector<int32_t> tops;
    for (size_t i = 0; i < records.size(); ++i)
      if (records[i].parent < 0 && !records[i].leaf) tops.push_back(static_cast<int32_t>(i));
    for (size_t i = 0; i < records.size(); ++i)
      if (records[i].parent < 0 && records[i].leaf)
        add(records[i].place.line, Severity::Error, "", records[i].name,
            "<" + records[i].name + "> stands outside any element; the viewer ignores it");
    if (root.name.empty()) {
      if (errors == 0) add(0, Severity::Error, "", "", "no element is read; the viewer shows no exercise");
      return false;
    }
    if (root.name != "DATA") {
      add(root.place.line, Severity::Error, root.name, "",
          "the top element is <" + root.name + ">, not <DATA>: the viewer reads no exercise from this file" +
              didYouMean(root.name, {"DATA"}));
      return false;
    }
    if (tops.size() > 1)
      add(records[tops[1]].place.line, Severity::Warning, "DATA", "",
          "a second top element <" + records[tops[1]].name + ">: the viewer adds what it holds to the first <DATA>");
    if (!file.log.titleFound)
      add(root.place.line, Severity::Warning, "DATA", "EXERC",
          "missing; the report's title reads NO IFR EXERCISE");
    return true;
  }

  // Children of the top element(s): the title, exercise elements, and anything else.
  void checkTopChildren() {
    std::set<int32_t> tops;
    for (size_t i = 0; i < records.size(); ++i)
      if (records[i].parent < 0 && !records[i].leaf) tops.insert(static_cast<int32_t>(i));
    std::set<int32_t> read;
    for (const ExerciseReading& r : file.log.readings) read.insert(r.number);
    const ExerciseReading* end =
        !file.log.readings.empty() && file.log.readings.back().endOfList ? &file.log.readings.back() : nullptr;
    std::map<std::string, int32_t> firstLeafLine;

    for (size_t i = 0; i < records.size(); ++i) {
      const XmlElementRecord& c = records[i];
      if (!tops.count(c.parent)) continue;
      if (c.name == "EXERC" && c.leaf) {
        noteDuplicateLeaf(firstLeafLine, c, "DATA", "EXERC");
        continue;
      }
      const int64_t n = exerciseNumber(c.name);
      if (n < 0) {
        if (c.name != "EXERC")
          add(c.place.line, Severity::Error, "DATA", "",
              "<" + checktext::display(c.name) + "> is not an element the viewer reads; it is ignored" +
                  (didYouMean(c.name, nearNames(c.name)).empty() ? " (<DATA> holds EXERC and DATA00, DATA01, ...)"
                                                                 : didYouMean(c.name, nearNames(c.name))));
        else
          add(c.place.line, Severity::Error, "DATA", "EXERC", "holds elements; the viewer reads no title from it");
        continue;
      }
      const std::string canonical = elementName(static_cast<int32_t>(n));
      const std::string label = c.name;
      if (n >= kUnreachable) {
        add(c.place.line, Severity::Error, label, "", "never read: no list of exercises reaches that number");
        continue;
      }
      if (canonical != c.name) {
        add(c.place.line, Severity::Error, label, "",
            "never read: the viewer asks for " + canonical + ", written with " +
                (n < 10 ? "two digits" : "no leading zero"));
        continue;
      }
      const XmlNode* first = doc.root.findChild(c.name);
      const bool isFirst = !c.leaf && first != nullptr && first->place.begin == c.place.begin;
      if (!c.leaf && !isFirst) {
        add(c.place.line, Severity::Error, label, "",
            "a second <" + c.name + "> is never read: the viewer reads the first, at line " +
                std::to_string(first ? first->place.line : 0));
        continue;
      }
      if (c.leaf && first != nullptr) continue;  // a node of the name is what is read
      const int32_t number = static_cast<int32_t>(n);
      if (end && number == end->number) {
        if (c.leaf)
          add(c.place.line, Severity::Error, label, "",
              "holds no NAVAID, NAV or FORM element, so the list of exercises ends here: the viewer draws nothing "
              "from " + label + " on");
        else if (!end->keys[KeyNavaidId].found)
          add(c.place.line, Severity::Error, label, "NAVAID:NAVAID_ID",
              "missing, so the list of exercises ends here: the viewer draws nothing from " + label + " on");
        continue;
      }
      if (read.count(number) && !c.leaf) continue;
      add(c.place.line, Severity::Error, label, "", "never read: " + whyNotRead(number, end));
    }
  }

  std::vector<std::string> nearNames(const std::string& name) const {
    std::vector<std::string> names = {"EXERC"};
    std::string digits;
    for (char ch : name)
      if (ch >= '0' && ch <= '9') digits += ch;
    if (!digits.empty() && digits.size() < 6) names.push_back(elementName(std::stoi(digits)));
    return names;
  }

  std::string whyNotRead(int32_t number, const ExerciseReading* end) const {
    for (const ExerciseReading& r : file.log.readings) {
      if (!r.endOfList && number > r.number && number <= r.lastEntry) {
        std::string in;
        if (number < file.set->count())
          in = ", so in its place the viewer draws the arc's waypoint on bearing " +
               checktext::number(file.set->entry(number).userHeading);
        return "the arc of " + elementName(r.number) + " gives its " + std::to_string(r.lastEntry - r.number + 1) +
               " waypoints the numbers " + elementName(r.number) + " to " + elementName(r.lastEntry) + in +
               "; the next element read is " + elementName(r.lastEntry + 1);
      }
    }
    if (end) {
      const std::string last = elementName(end->number);
      std::string reason;
      if (file.exerciseNode(end->number) == nullptr)
        reason = doc.root.leaves.count(last) ? last + " holds no elements" : "there is no " + last;
      else if (end->keys[KeyNavaidId].found)
        reason = last + " names NO NAVAID, the end marker";
      else
        reason = last + " has no NAVAID:NAVAID_ID";
      return "the list of exercises ends at " + last + " (" + reason + ")";
    }
    return "the list of exercises ended before it";
  }

  void noteDuplicateLeaf(std::map<std::string, int32_t>& seen, const XmlElementRecord& c, const std::string& element,
                         const std::string& key) {
    auto it = seen.find(key);
    if (it != seen.end()) {
      add(it->second, Severity::Warning, element, key,
          "given again at line " + std::to_string(c.place.line) + "; the viewer uses the later one");
      it->second = c.place.line;
    } else {
      seen[key] = c.place.line;
    }
  }

  // ---- inside one exercise element: groups and keys

  void checkStructure(const XmlNode& exercise, const std::string& label) {
    const int32_t ex = recordOf(exercise.place);
    if (ex < 0) return;
    std::map<std::string, int32_t> firstGroup;
    std::map<std::string, int32_t> leafSeen;
    for (size_t i = static_cast<size_t>(ex) + 1; i < records.size() && records[i].place.begin < exercise.place.end;
         ++i) {
      const XmlElementRecord& c = records[i];
      if (c.parent != ex) continue;
      const std::vector<const ExerciseKey*> sameName = keysNamed(c.name);
      if (c.leaf || !isGroup(c.name)) {
        if (!sameName.empty()) {
          add(c.place.line, Severity::Error, label, c.name,
              "stands directly in " + label + "; the viewer reads it only inside <" + sameName[0]->group + ">");
        } else {
          add(c.place.line, Severity::Error, label, c.name,
              "<" + checktext::display(c.name) + "> is not an element the viewer reads; it is ignored" +
                  nearestKnown(c.name, {"NAVAID", "NAV", "FORM"}, "an exercise"));
        }
        continue;
      }
      auto first = firstGroup.find(c.name);
      if (first != firstGroup.end()) {
        add(c.place.line, Severity::Error, label, c.name,
            "a second <" + c.name + "> is never read: the viewer reads the first, at line " +
                std::to_string(first->second));
        continue;
      }
      firstGroup[c.name] = c.place.line;
      checkGroup(static_cast<int32_t>(i), label, c.name, leafSeen);
    }
  }

  static bool isGroup(const std::string& name) { return name == "NAVAID" || name == "NAV" || name == "FORM"; }

  static std::vector<const ExerciseKey*> keysNamed(const std::string& name) {
    std::vector<const ExerciseKey*> out;
    for (const ExerciseKey& k : kExerciseKeys)
      if (name == k.name) out.push_back(&k);
    return out;
  }

  void checkGroup(int32_t group, const std::string& label, const std::string& groupName,
                  std::map<std::string, int32_t>& leafSeen) {
    const XmlElementRecord& g = records[group];
    std::vector<std::string> known;
    for (const ExerciseKey& k : kExerciseKeys)
      if (groupName == k.group) known.push_back(k.name);
    for (size_t i = static_cast<size_t>(group) + 1; i < records.size() && records[i].place.begin < g.place.end; ++i) {
      const XmlElementRecord& c = records[i];
      if (c.parent != group) continue;
      const std::string path = groupName + ":" + c.name;
      const bool isKey = std::find(known.begin(), known.end(), c.name) != known.end();
      if (isKey && c.leaf) {
        noteDuplicateLeaf(leafSeen, c, label, path);
        continue;
      }
      if (isKey) {
        add(c.place.line, Severity::Error, label, path,
            "holds a '<', so the viewer reads no text from it and uses the default");
        continue;
      }
      const std::vector<const ExerciseKey*> elsewhere = keysNamed(c.name);
      std::string where;
      for (const ExerciseKey* k : elsewhere)
        if (groupName != k->group) where = k->group;
      if (!where.empty()) {
        add(c.place.line, Severity::Error, label, path,
            "the viewer reads " + c.name + " only inside <" + where + ">; here it is ignored");
      } else {
        add(c.place.line, Severity::Error, label, path,
            "<" + checktext::display(c.name) + "> is not a key the viewer reads; it is ignored" +
                nearestKnown(c.name, known, "<" + groupName + ">"));
      }
    }
  }

  // ---- one exercise as the loader read it

  int32_t keyLine(const XmlNode* ex, const ExerciseKey& key) const {
    if (ex == nullptr) return 0;
    const XmlNode* group = ex->findChild(key.group);
    if (group == nullptr) return ex->place.line;
    auto it = group->leaves.find(key.name);
    return it == group->leaves.end() ? group->place.line : it->second.place.line;
  }

  void checkExercise(const ExerciseReading& r, size_t index, const XmlNode* ex) {
    const std::string label = elementName(r.number);
    if (r.firstEntry >= file.set->count()) return;
    const IfrExercise& e = file.set->entry(r.firstEntry);
    const Form form = formOf(e);
    auto line = [&](ExerciseKeyId id) { return keyLine(ex, keyOf(id)); };
    auto diag = [&](ExerciseKeyId id, Severity s, const std::string& message) {
      add(line(id), s, label, keyPath(keyOf(id)), message);
    };

    // A key missing because the reader stopped early has its error already.
    const bool lostText = ex != nullptr && lossIn.count(recordOf(ex->place)) != 0;
    auto missing = [&](ExerciseKeyId id, const std::string& words) {
      if (!lostText) diag(id, Severity::Warning, "missing; " + words);
    };
    auto unused = [&](ExerciseKeyId id) {
      diag(id, Severity::Warning, std::string("not used by ") + formWords(form) + " exercise; the viewer ignores it");
    };

    // the form
    const ExerciseKeyRead& formKey = r.keys[KeyFormType];
    if (!formKey.found) {
      missing(KeyFormType, "the viewer draws a LINE (navaid point)");
    } else if (form == Form::Unknown) {
      diag(KeyFormType, Severity::Error,
           quoted(formKey.text) + " is not LINE, HIPP, RELY, COOR or ADME: the viewer draws nothing for this exercise" +
               blankHint(formKey.text) + didYouMean(formKey.text, {"LINE", "HIPP", "RELY", "COOR", "ADME"}));
    }

    checkNavaid(r, e, form, line, diag);
    if (form == Form::Unknown) return;

    // numbers: the ones this form uses, then the ones it ignores
    for (ExerciseKeyId id : {KeyQdm, KeyQdr, KeyTri, KeyIasMax, KeyUserDst, KeyUserHeading}) {
      const ExerciseKey& key = keyOf(id);
      const ExerciseKeyRead& k = r.keys[id];
      if (formUses(form, id)) {
        if (!k.found) {
          missing(id, defaultWords(id, form));
          continue;
        }
        std::string problem;
        if (!plainNumber(key, k.text, r, index, &problem)) {
          diag(id, Severity::Error, problem);
          continue;
        }
        rangeCheck(id, rawNumber(r.raw, id), form, diag);
      } else if (k.found && std::strcmp(key.group, "FORM") == 0) {
        unused(id);
      } else if (k.found && id == KeyQdr && form == Form::Hipp) {
        const double reciprocal = e.qdr;
        double given = 0;
        bool whole = false;
        if (xmlExtractNumber(k.text, given, &whole) && std::fabs(wrap360(given) - wrap360(reciprocal)) > 1e-9)
          diag(id, Severity::Warning,
               number(given) + " is not used by a holding pattern: the outbound leg follows QDM - 180 = " +
                   number(reciprocal));
      }
    }

    // texts of the form
    if (form == Form::Hipp) {
      const ExerciseKeyRead& turn = r.keys[KeyTurn];
      if (!turn.found)
        missing(KeyTurn, "the hold turns right");
      else if (turn.text != "LEFT" && turn.text != "RIGHT")
        diag(KeyTurn, Severity::Error,
             quoted(turn.text) + " is not LEFT; the hold turns right" + blankHint(turn.text) +
                 (upper(trimmed(turn.text)) == "LEFT" ? " (write LEFT in capitals)"
                  : upper(trimmed(turn.text)) == "RIGHT" ? " (as meant, but write RIGHT in capitals)" : ""));
    } else if (r.keys[KeyTurn].found) {
      unused(KeyTurn);
    }
    for (ExerciseKeyId id : {KeyUserLat, KeyUserLon}) {
      if (form == Form::Coor)
        checkCoordinate(r, id, diag);
      else if (r.keys[id].found)
        unused(id);
    }

    if (form == Form::Adme) checkArc(r, diag);
    checkDistance(r, e, form, diag);
  }

  static std::string blankHint(const std::string& text) {
    return hasOuterBlank(text) ? " (the viewer does not trim the blank or line break around it)" : "";
  }

  std::string defaultWords(ExerciseKeyId id, Form form) const {
    switch (id) {
      case KeyQdm: return form == Form::Hipp ? "the viewer uses 0: the inbound course is 000" : "the viewer uses 0";
      case KeyQdr: return "the viewer uses 0";
      case KeyTri: return "the viewer uses 1: legs of one minute";
      case KeyIasMax: return "the viewer uses 220 kt";
      case KeyUserDst:
        return form == Form::Adme ? "the viewer uses 0: the arc shrinks onto the navaid"
                                  : "the viewer uses 0: the waypoint sits on the navaid";
      case KeyUserHeading: return "the viewer uses 0: the waypoint lies north of the navaid (magnetic)";
      default: return "the viewer uses its default";
    }
  }

  // True when the text is a plain number of the key's kind; otherwise what the getter made of it.
  bool plainNumber(const ExerciseKey& key, const std::string& text, const ExerciseReading& r, size_t index,
                   std::string* problem) const {
    bool whole = false, read = false;
    double value = 0;
    if (key.getter == ExerciseGetter::Int) {
      int32_t v = 0;
      read = xmlExtractNumber(text, v, &whole);
      value = v;
    } else if (key.getter == ExerciseGetter::Float) {
      float v = 0;
      read = xmlExtractNumber(text, v, &whole);
      value = v;
    } else {
      read = xmlExtractNumber(text, value, &whole);
    }
    const double kept = rawNumber(r.raw, key.id);
    if (!read) {
      *problem = quoted(text) + " is not a number; the viewer keeps " +
                 (index == 0 ? "0 (nothing was read before)" : "the previous exercise's value, " + number(kept));
      return false;
    }
    if (!whole) {
      std::string hint;
      if (text.find(',') != std::string::npos) hint = " (the decimal point is '.')";
      else if (key.getter == ExerciseGetter::Int) hint = " (a whole number is expected)";
      *problem = quoted(text) + " is not a plain number; the viewer reads " + number(value) + hint;
      return false;
    }
    return true;
  }

  template <typename Diag>
  void rangeCheck(ExerciseKeyId id, double v, Form form, Diag& diag) const {
    const bool bearing = id == KeyQdm || id == KeyQdr || id == KeyUserHeading;
    if (bearing && (v < 0 || v > 360)) {
      diag(id, Severity::Warning, number(v) + " is outside 0 to 360; the viewer draws it as " + number(wrap360(v)));
    } else if (id == KeyTri && (v < 0.5 || v > 5)) {
      diag(id, Severity::Warning,
           number(v) + " minutes is no practical leg time (0.5 to 5)" +
               (v <= 0 ? "; the viewer draws legs of no length" : ""));
    } else if (id == KeyIasMax && (v < 50 || v > 400)) {
      diag(id, Severity::Warning,
           number(v) + " kt is no practical holding speed (50 to 400)" +
               (v <= 0 ? "; the viewer draws legs of no length" : ""));
    } else if (id == KeyUserDst && v <= 0) {
      diag(id, Severity::Warning,
           number(v) + " NM: " + (form == Form::Adme ? "the arc shrinks onto the navaid" : "the waypoint sits on the navaid"));
    }
  }

  // ---- the navaid: type, identifier and name, the lookup

  template <typename Line, typename Diag>
  void checkNavaid(const ExerciseReading& r, const IfrExercise& e, Form form, Line& line, Diag& diag) {
    const RawExercise& raw = r.raw;
    const NavaidClass type = navaidClass(e);
    const std::string consequence = "; the viewer draws neither this exercise nor any after it";

    if (type == NavaidClass::Rejected) {
      const ExerciseKeyRead& k = r.keys[KeyNavaidType];
      const std::string written = k.found ? quoted(k.text) + " is not VOR, NDB or USR" : "missing (NO TYPE)";
      diag(KeyNavaidType, Severity::Error,
           written + consequence + (k.found ? blankHint(k.text) + didYouMean(k.text, {"VOR", "NDB", "USR"}) : ""));
      return;
    }
    if (type == NavaidClass::User) {
      if (form != Form::Coor && form != Form::Unknown)
        diag(KeyNavaidType, Severity::Error,
             std::string("USR has a position only in a COOR exercise; the viewer draws this ") +
                 (form == Form::Hipp ? "hold" : "exercise") + " at N-0*00.00 E-0*00.00");
      cutWarnings(r, e, diag);
      return;
    }
    // VOR or NDB: the viewer's own lookup decided; here only the why and the suggestions.
    if (file.located[r.firstEntry] == 1) return;
    if (!file.navaidsLoaded) {
      diag(KeyNavaidId, Severity::Error,
           std::string(e.navaidType) + " " + identText(raw.navaidId) +
               " cannot be found: there is no navaid table (SYSTEM\\NAVAID.POD)" + consequence);
      return;
    }
    const bool idCut = (e.textOverflow & NavaidIdTooLong) != 0;
    const bool nameCut = (e.textOverflow & NavaidNameTooLong) != 0;
    const std::string what = std::string(e.navaidType) + " " + identText(raw.navaidId) + " " +
                             (r.keys[KeyNavaidName].found ? quoted(raw.navaidName) : "(NAME missing: \"NO NAME\")");
    std::string why = " is not in the " + std::string(e.navaidType) + " table";
    if (idCut) why = ": the identifier is longer than 3 characters, so the viewer cannot match it";
    else if (nameCut) why = ": the name is longer than 39 characters, so the viewer cannot match it";

    const std::string id = trimmed(raw.navaidId), name = trimmed(raw.navaidName);
    // Files repeat their navaids: each pair is looked for once.
    auto cached = suggestions.find({id, name});
    if (cached == suggestions.end()) cached = suggestions.emplace(std::make_pair(id, name), suggestNavaids(file.navaids, id, name, 3)).first;
    std::vector<NavaidRef> close = cached->second;
    std::string advice;
    // The same navaid written another way: say how, and name only it.
    if (!close.empty() && !idCut && !nameCut) {
      const NavaidRecord& n = *close[0].record;
      const std::string tableId(n.ident, strnlen(n.ident, sizeof n.ident));
      const std::string tableName(n.name, strnlen(n.name, sizeof n.name));
      if (checktext::fold(tableId) == checktext::fold(id) && checktext::fold(tableName) == checktext::fold(name)) {
        if (std::strcmp(close[0].type, e.navaidType) != 0 && tableId == raw.navaidId && tableName == raw.navaidName)
          advice = "; it is in the " + std::string(close[0].type) + " table: write TYPE " + close[0].type;
        else if (hasOuterBlank(raw.navaidId) || hasOuterBlank(raw.navaidName))
          advice = "; the viewer does not trim the blank or line break around the text";
        else if (checktext::isUtf8(raw.navaidName) && toLatinName(raw.navaidName) == tableName)
          advice = "; the file holds the name in UTF-8 but the table in Latin-1: save the file as ISO-8859-1";
        else
          advice = "; the viewer compares identifier and name exactly, case included";
        close.resize(1);
      }
    }
    std::string suggestions;
    if ((idCut || nameCut) && !close.empty() && std::string(close[0].record->ident) == id &&
        std::string(close[0].record->name) == name) {
      // What the file names exists, but no exercise can name it.
      suggestions = ". The table has " + describeNavaid(close[0]) + ", which no exercise can name";
    } else {
      for (size_t i = 0; i < close.size(); ++i) suggestions += (i ? "; " : "") + describeNavaid(close[i]);
      if (!suggestions.empty()) suggestions = ". Did you mean: " + suggestions;
    }
    const bool identKnown = std::any_of(file.navaids.begin(), file.navaids.end(), [&](const NavaidRef& n) {
      return raw.navaidId == std::string(n.record->ident, strnlen(n.record->ident, sizeof n.record->ident));
    });
    const ExerciseKeyId at = identKnown && !idCut ? KeyNavaidName : KeyNavaidId;
    add(line(at), Severity::Error, label(r), keyPath(keyOf(at)), what + why + consequence + advice + suggestions);
  }

  static std::string identText(const std::string& id) {
    return id.empty() || hasOuterBlank(id) ? quoted(id) : checktext::display(id);
  }

  static std::string label(const ExerciseReading& r) { return elementName(r.number); }

  static std::string toLatinName(const std::string& utf8) {
    // fold() converts as well, but the exact Latin-1 text is wanted here.
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
      const unsigned char c = static_cast<unsigned char>(utf8[i]);
      if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
        out.push_back(static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F)));
      } else {
        out.push_back(static_cast<char>(c));
      }
    }
    return out;
  }

  // A user point's texts are only printed, so a cut one is worth a warning only.
  template <typename Diag>
  void cutWarnings(const ExerciseReading& r, const IfrExercise& e, Diag& diag) {
    if (e.textOverflow & NavaidIdTooLong)
      diag(KeyNavaidId, Severity::Warning,
           quoted(r.raw.navaidId) + " is longer than 3 characters; the viewer keeps " + quoted(e.navaidId));
    if (e.textOverflow & NavaidNameTooLong)
      diag(KeyNavaidName, Severity::Warning,
           quoted(r.raw.navaidName) + " is longer than 39 characters; the viewer keeps " + quoted(e.navaidName));
    if (!r.keys[KeyNavaidName].found && formOf(e) == Form::Coor)
      diag(KeyNavaidName, Severity::Warning, "missing; the report names the fix NO NAME");
  }

  // ---- coordinates

  template <typename Diag>
  void checkCoordinate(const ExerciseReading& r, ExerciseKeyId id, Diag& diag) {
    const bool latitude = id == KeyUserLat;
    const ExerciseKeyRead& k = r.keys[id];
    const std::string& text = *rawText(r.raw, id);
    const CoordinateScan scan = scanCoordinate(text.c_str());
    bool known = false;
    const double seconds = coordinateSeconds(scan, &known);
    const std::string place = latitude ? "on the equator" : "on the prime meridian";
    std::string reads;
    if (!known)
      reads = "the viewer prints COORD ERROR IN XML FILE and puts the fix " + place;
    else
      reads = "the viewer reads " + checktext::coordinate(degreesFromArcSeconds(seconds), latitude) +
              (seconds == 0 ? ", so the fix lies " + place : "");
    if (!k.found) {
      diag(id, Severity::Error, "missing; " + reads);
      return;
    }
    const std::string why = syntaxProblem(text);
    if (!why.empty()) {
      diag(id, Severity::Error,
           quoted(text) + " is not in the form " + (latitude ? "N-45*30.50" : "E-5*10.00") + " (" + why + "); " + reads);
      return;
    }
    const char letter = text[0];
    const bool latLetter = letter == 'N' || letter == 'S';
    if (latLetter != latitude) {
      diag(id, Severity::Error,
           quoted(text) + " has a " + (latLetter ? "latitude" : "longitude") + " letter; the viewer reads it as " +
               checktext::coordinate(degreesFromArcSeconds(seconds), latitude) + " (" + letter + " counts as " +
               ((letter == 'N' || letter == 'E') ? (latitude ? "north" : "east") : (latitude ? "south" : "west")) + ")");
      return;
    }
    if (scan.minutes >= 60) {
      diag(id, Severity::Error,
           quoted(text) + ": minutes of 60 or more; the viewer reads " +
               checktext::coordinate(degreesFromArcSeconds(seconds), latitude));
      return;
    }
    const double limit = latitude ? 90 : 180;
    if (std::fabs(degreesFromArcSeconds(seconds)) > limit || scan.degrees > limit) {
      diag(id, Severity::Error,
           quoted(text) + ": degrees beyond " + number(limit) + "; the viewer puts the fix off the chart (" +
               checktext::coordinate(degreesFromArcSeconds(seconds), latitude) + ")");
    }
  }

  // Why a coordinate text is not letter, '-', degrees, '*', minutes; "" when it is.
  static std::string syntaxProblem(const std::string& t) {
    if (t.empty()) return "it is empty";
    if (hasOuterBlank(t)) return "a blank or line break around it";
    const char c = t[0];
    if (c == 'n' || c == 's' || c == 'e' || c == 'w') return "a lower-case hemisphere letter";
    if (c != 'N' && c != 'S' && c != 'E' && c != 'W') return "it does not begin with N, S, E or W";
    size_t i = 1;
    if (i >= t.size() || t[i] != '-') return "no '-' after the letter";
    ++i;
    const size_t d0 = i;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i;
    if (i == d0) return "no degrees after the '-'";
    if (i >= t.size() || t[i] != '*') return "no '*' between degrees and minutes";
    ++i;
    const size_t m0 = i;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i;
    if (i < t.size() && t[i] == '.') {
      ++i;
      while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i;
    }
    if (i == m0) return "no minutes after the '*'";
    if (i != t.size()) return "text after the minutes";
    return "";
  }

  // ---- arcs and distances, from the entries the loader made

  template <typename Diag>
  void checkArc(const ExerciseReading& r, Diag& diag) {
    const int32_t last = std::min(r.lastEntry, file.set->count() - 1);
    const int32_t steps = last - r.firstEntry;
    const double start = file.set->entry(r.firstEntry).userHeading;
    const double end = file.set->entry(last).userHeading;
    if (steps * 10 > 180)
      diag(KeyQdr, Severity::Warning,
           "the arc runs clockwise from QDM " + number(start) + " to " + number(end) + ", " +
               std::to_string(steps * 10) + " degrees in " + std::to_string(steps + 1) +
               " waypoints (the viewer always goes clockwise, from QDM to QDR)");
    double qdr = 0;
    bool whole = false;
    if (r.keys[KeyQdr].found && xmlExtractNumber(r.keys[KeyQdr].text, qdr, &whole) && whole &&
        std::fabs(wrap360(end) - wrap360(qdr)) > 1e-9 && std::fabs(std::fabs(wrap360(end) - wrap360(qdr)) - 360) > 1e-9)
      diag(KeyQdr, Severity::Warning,
           "the arc's last waypoint is on " + number(end) + ", not on QDR " + number(qdr) +
               ": the viewer steps 10 degrees at a time from QDM");
  }

  template <typename Diag>
  void checkDistance(const ExerciseReading& r, const IfrExercise& e, Form form, Diag& diag) {
    if ((form != Form::Rely && form != Form::Adme) || file.located[r.firstEntry] != 1) return;
    const GeoPos navaid = geoFromChartUnits(e.longitude, e.latitude);
    double farthest = 0;
    for (int32_t i = r.firstEntry; i <= r.lastEntry && i < file.set->count(); ++i) {
      const ExercisePoint& fix = file.set->entry(i).qdmLineTo;
      farthest = std::max(farthest, geoDistanceNm(navaid, geoFromChartUnits(fix.x, fix.y)));
    }
    if (farthest > 200) {
      char buf[32];
      std::snprintf(buf, sizeof buf, "%.1f", farthest);
      diag(KeyUserDst, Severity::Warning,
           std::string("the ") + (form == Form::Adme ? "arc lies " : "waypoint lies ") + buf + " NM from " +
               e.navaidType + " " + checktext::display(e.navaidId) + ", more than 200 NM");
    }
  }

  const CheckedFile& file;
  const XmlDocument& doc;
  const std::vector<XmlElementRecord>& records;
  LineIndex lines;
  std::map<int32_t, int32_t> recordAt;  // place.begin -> record index
  std::set<int32_t> lossIn;             // records holding text the reader never reached
  std::map<std::pair<std::string, std::string>, std::vector<NavaidRef>> suggestions;
  std::vector<Diagnostic> out;
  int errors = 0;
};

}  // namespace

CheckedFile::CheckedFile(const std::string& fileText, const std::vector<NavaidRecord>& vors,
                         const std::vector<NavaidRecord>& ndbs, bool loaded)
    : text(fileText), navaidsLoaded(loaded) {
  config.document.recordElements = true;
  config.readText(text);
  set = std::make_unique<IfrExerciseSet>(config, &log, nullptr);
  navaids = usableNavaids(vors, ndbs);
  set->resolve(vors, ndbs);
  const int32_t n = set->count();
  drawn.assign(static_cast<size_t>(n), 0);
  located.assign(static_cast<size_t>(n), -1);
  for (int32_t i = 0; i < n; ++i) drawn[i] = set->entry(i).geometryValid;
  // The same lookup resolve() makes, for every entry: where it stopped, and the
  // positions of the entries it never reached.
  for (int32_t i = 0; i < n; ++i) {
    const NavaidClass type = navaidClass(set->entry(i));
    if (type == NavaidClass::Rejected) {
      if (firstFailure < 0) firstFailure = i;
      continue;
    }
    if (type == NavaidClass::User) {
      located[i] = 1;
      if (!drawn[i]) {
        set->entry(i).variation = 0;
        set->computeGeometry(i);
      }
      continue;
    }
    if (drawn[i] || set->findNavaid(type == NavaidClass::Vor ? vors : ndbs, i)) {
      located[i] = 1;
      if (!drawn[i]) set->computeGeometry(i);
    } else {
      located[i] = 0;
      if (firstFailure < 0) firstFailure = i;
    }
  }
}

const XmlNode* CheckedFile::exerciseNode(int32_t number) const {
  if (config.document.root.name != "DATA") return nullptr;
  return config.document.root.findChild(elementName(number));
}

std::vector<Diagnostic> checkExercises(const CheckedFile& file) { return Checker(file).run(); }

std::string formatDiagnostic(const std::string& file, const Diagnostic& d) {
  std::string s = file + ":";
  if (d.line > 0) s += std::to_string(d.line) + ":";
  s += d.severity == Severity::Error ? " error: " : " warning: ";
  if (!d.element.empty()) s += d.element + (d.key.empty() ? ": " : " ");
  if (!d.key.empty()) s += d.key + ": ";
  return s + d.message;
}

std::string diagnosticsJson(const std::string& file, const std::vector<Diagnostic>& diagnostics) {
  nlohmann::ordered_json all = nlohmann::ordered_json::array();
  for (const Diagnostic& d : diagnostics) {
    nlohmann::ordered_json j;
    j["file"] = file;
    j["line"] = d.line > 0 ? nlohmann::ordered_json(d.line) : nlohmann::ordered_json(nullptr);
    j["severity"] = d.severity == Severity::Error ? "error" : "warning";
    j["element"] = d.element;
    j["key"] = d.key;
    j["message"] = d.message;
    all.push_back(std::move(j));
  }
  // A file name that is not UTF-8 must not stop the output.
  return all.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

void promoteWarnings(std::vector<Diagnostic>* diagnostics) {
  for (Diagnostic& d : *diagnostics) d.severity = Severity::Error;
}

int checkExitStatus(const std::vector<Diagnostic>& diagnostics) {
  for (const Diagnostic& d : diagnostics)
    if (d.severity == Severity::Error) return 1;
  return 0;
}
