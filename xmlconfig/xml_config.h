// What the rest of the program sees of the XML reader: load a file, then ask for
// values by colon-separated paths such as "DATA:DATA07:NAVAID:NAVAID_ID", the
// first component naming the root element and the last the leaf.
//
// Every getter returns true when the leaf exists. When it does not, the default
// is stored and false returned. A leaf that exists but holds no number leaves
// the destination untouched (and still returns true), so callers reusing one
// destination keep the previous value. Nothing here prints or throws: a missing
// or unreadable file simply answers every query with its default.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "xml_document.h"
#include "xml_parser.h"

// Cuts a path at every ':'. Pieces before a ':' count even when empty; the piece
// after the last ':' counts only when not empty ("A:B:" is A, B).
void splitPath(const char* path, std::vector<std::string>& components);

class XmlConfig {
 public:
  XmlConfig() = default;
  virtual ~XmlConfig() = default;
  XmlConfig(const XmlConfig&) = delete;
  XmlConfig& operator=(const XmlConfig&) = delete;

  // A file that cannot be opened leaves the tree as it was.
  void load(const char* path);
  // Reads to the end of the stream (or to the first read error) and replaces
  // the tree with what was read.
  void read(std::FILE* stream);
  // The same on a text already in memory.
  void readText(const std::string& text);

  bool getString(const char* path, std::string* out, const std::string& defaultValue) const;
  bool getDouble(const char* path, double* out, double defaultValue) const;
  bool getFloat(const char* path, float* out, float defaultValue) const;
  bool getInt(const char* path, int32_t* out, int32_t defaultValue) const;

  void save(const char* path) const;
  void write(std::FILE* stream) const;

  // True when both hold the same at `path`: a node path compares leaves and
  // children (not attribute texts), a leaf path compares the one text.
  bool compareAt(const XmlConfig& other, const char* path) const;

  XmlParser parser;
  XmlDocument document;
};
