// Helpers shared by the XML reader tests.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "xml_config.h"

inline void parseInto(XmlDocument& doc, const std::string& text) {
  XmlParser parser;
  parser.setHandler(&doc);
  parser.parse(text.data(), static_cast<int32_t>(text.size()));
}

inline std::string writeToString(const XmlDocument& doc) {
  char* buf = nullptr;
  size_t len = 0;
  std::FILE* f = open_memstream(&buf, &len);
  doc.write(f);
  std::fclose(f);
  std::string out(buf, len);
  std::free(buf);
  return out;
}

inline void readString(XmlConfig& cfg, const std::string& text) {
  std::FILE* f = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
  if (text.empty()) f = std::tmpfile();
  cfg.read(f);
  std::fclose(f);
}
