#include "xml_config.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>

#include "simpath.h"

void splitPath(const char* path, std::vector<std::string>& components) {
  components.clear();
  if (path == nullptr) return;
  const char* start = path;
  for (const char* p = path; *p != '\0'; ++p) {
    if (*p == ':') {
      components.emplace_back(start, static_cast<size_t>(p - start));
      start = p + 1;
    }
  }
  if (*start != '\0') components.emplace_back(start);
}

void XmlConfig::load(const char* path) {
  if (path == nullptr) return;
  std::FILE* f = simpath::open(path, "r");
  if (f == nullptr) return;
  read(f);
  std::fclose(f);
}

void XmlConfig::read(std::FILE* stream) {
  std::string text;
  if (stream != nullptr) {
    // The parser indexes with 32-bit positions; anything past that is not read.
    const size_t limit = static_cast<size_t>(std::numeric_limits<int32_t>::max());
    char buffer[65536];
    while (text.size() < limit) {
      const size_t want = std::min(sizeof buffer, limit - text.size());
      const size_t got = std::fread(buffer, 1, want, stream);
      text.append(buffer, got);
      if (got < want) break;  // end of stream or a read error: keep what was read
    }
  }
  readText(text);
}

void XmlConfig::readText(const std::string& text) {
  const size_t limit = static_cast<size_t>(std::numeric_limits<int32_t>::max());
  document.clear();
  parser.setHandler(&document);
  parser.parse(text.data(), static_cast<int32_t>(std::min(text.size(), limit)));
  document.cursor = nullptr;
}

bool XmlConfig::getString(const char* path, std::string* out, const std::string& defaultValue) const {
  std::vector<std::string> components;
  splitPath(path, components);
  std::string value;
  if (document.lookupString(components, value)) {
    if (out) *out = value;
    return true;
  }
  if (out) *out = defaultValue;
  return false;
}

namespace {

template <typename T, typename Lookup>
bool getNumber(const XmlDocument& doc, const char* path, T* out, T defaultValue, Lookup lookup) {
  std::vector<std::string> components;
  splitPath(path, components);
  T value = out ? *out : T{};
  if ((doc.*lookup)(components, value)) {
    if (out) *out = value;
    return true;
  }
  if (out) *out = defaultValue;
  return false;
}

}  // namespace

bool XmlConfig::getDouble(const char* path, double* out, double defaultValue) const {
  return getNumber(document, path, out, defaultValue, &XmlDocument::lookupDouble);
}

bool XmlConfig::getFloat(const char* path, float* out, float defaultValue) const {
  return getNumber(document, path, out, defaultValue, &XmlDocument::lookupFloat);
}

bool XmlConfig::getInt(const char* path, int32_t* out, int32_t defaultValue) const {
  return getNumber(document, path, out, defaultValue, &XmlDocument::lookupInt);
}

void XmlConfig::save(const char* path) const {
  if (path == nullptr) return;
  std::FILE* f = simpath::open(path, "w");
  if (f == nullptr) return;
  write(f);
  std::fclose(f);
}

void XmlConfig::write(std::FILE* stream) const { document.write(stream); }

namespace {

bool leavesEqual(const XmlNode& a, const XmlNode& b) {
  if (a.leaves.size() != b.leaves.size()) return false;
  for (const auto& [key, leaf] : a.leaves) {
    auto it = b.leaves.find(key);
    if (it == b.leaves.end() || it->second.text != leaf.text) return false;
  }
  return true;
}

// Each child of `a` is matched to the child of the same name and the same rank
// among its namesakes in `b`: with unique names that is the first of the name, as
// the path queries find it, and repeated names (several <C> under one node) pair
// up in order, so that a tree equals itself. Recursion follows the tree, whose
// depth the parser bounds.
bool childrenEqual(const XmlNode& a, const XmlNode& b) {
  if (a.children.size() != b.children.size()) return false;
  std::map<std::string, std::vector<const XmlNode*>> byName;  // b's children, in order
  for (const XmlNode& candidate : b.children) byName[candidate.name].push_back(&candidate);
  std::map<std::string, size_t> rank;  // a's children of each name passed so far
  for (const XmlNode& child : a.children) {
    const size_t k = rank[child.name]++;
    auto it = byName.find(child.name);
    if (it == byName.end() || k >= it->second.size()) return false;
    const XmlNode& other = *it->second[k];
    if (!leavesEqual(child, other) || !childrenEqual(child, other)) return false;
  }
  return true;
}

}  // namespace

bool XmlConfig::compareAt(const XmlConfig& other, const char* path) const {
  std::vector<std::string> components;
  splitPath(path, components);

  if (const XmlNode* mine = document.findNode(components)) {
    const XmlNode* theirs = other.document.findNode(components);
    return theirs != nullptr && leavesEqual(*mine, *theirs) && childrenEqual(*mine, *theirs);
  }

  const std::string key = components.back();
  components.pop_back();
  const XmlNode* mine = document.findNode(components);
  const XmlNode* theirs = other.document.findNode(components);
  if (mine == nullptr && theirs == nullptr) return true;
  if (mine == nullptr || theirs == nullptr) return false;
  std::string a, b;
  const bool hasA = mine->getLeafText(key, a);
  const bool hasB = theirs->getLeafText(key, b);
  if (!hasA && !hasB) return true;
  if (hasA != hasB) return false;
  return a == b;
}
