// The tree the XML reader builds, and its path lookups.
//
// An element whose content holds no '<' is a leaf: a name -> text entry of its
// parent (a later leaf of the same name replaces the earlier one). Any other
// element is an XmlNode with its own leaves and children. XmlDocument is the
// XmlHandler that builds the tree from XmlParser's notifications; XmlConfig
// (xml_config.h) puts file loading and typed getters on top of it.
//
// Each node and leaf also keeps its place in the text (line and bytes); a document
// asked to (recordElements) keeps a list of every element reported, including
// leaves a later namesake replaced, for tools that point at lines. Queries,
// comparison and writing ignore both.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "xml_parser.h"

struct XmlLeaf {
  std::string text;
  std::string attributes;
  XmlPlace place;
};

// One element as the parser reported it; parent indexes the same list (-1: none open).
struct XmlElementRecord {
  std::string name;
  XmlPlace place;
  int32_t parent = -1;
  bool leaf = false;
};

// Formatted extraction of one number from a leaf text, the way the typed getters
// read it (classic locale, leading blanks skipped, the longest numeric prefix).
// False when no number could be read (then `out` is left alone). `whole`, when
// given, tells whether only blanks follow the number.
bool xmlExtractNumber(const std::string& text, double& out, bool* whole = nullptr);
bool xmlExtractNumber(const std::string& text, float& out, bool* whole = nullptr);
bool xmlExtractNumber(const std::string& text, int32_t& out, bool* whole = nullptr);

class XmlNode {
 public:
  XmlNode() = default;

  void reset(const std::string& nodeName, const std::string& nodeAttributes, XmlNode* nodeParent);
  XmlNode* addChild(const std::string& childName, const std::string& childAttributes);
  XmlLeaf& setLeaf(const std::string& key, const std::string& text, const std::string& leafAttributes);

  // Each leaves `out` alone and returns false when the leaf is absent. The
  // numeric ones return true for a present leaf even when its text is no number
  // (then `out` keeps its value).
  bool getLeafText(const std::string& key, std::string& out) const;
  bool getLeafDouble(const std::string& key, double& out) const;
  bool getLeafFloat(const std::string& key, float& out) const;
  bool getLeafInt(const std::string& key, int32_t& out) const;

  const XmlNode* findChild(const std::string& childName) const;
  void clear();
  void write(std::FILE* stream) const;

  std::map<std::string, XmlLeaf> leaves;
  std::string name;
  std::string attributes;
  XmlPlace place;
  std::vector<XmlNode> children;
  // Only meaningful while the tree is built; children move as vectors grow.
  XmlNode* parent = nullptr;

 private:
  // Index of the first child of each name, kept by addChild: an exercise file
  // with thousands of DATAnn elements is queried a dozen times per element, and
  // a scan per query would make loading it quadratic. Children appended to
  // `children` directly are still found (by a scan); reordering or erasing
  // children directly is not supported.
  std::map<std::string, size_t> firstChild;
};

class XmlDocument : public XmlHandler {
 public:
  XmlDocument() = default;
  virtual ~XmlDocument() = default;
  XmlDocument(const XmlDocument&) = delete;
  XmlDocument& operator=(const XmlDocument&) = delete;

  void startElement(const std::string& name, const std::string& attributes) override;
  void leafElement(const std::string& name, const std::string& text, const std::string& attributes) override;
  void endElement(const std::string& name, const std::string& attributes) override;
  void elementPlace(const XmlPlace& place) override { pendingPlace = place; }

  void clear() {
    root.clear();
    elements.clear();
    openElements.clear();
  }
  void write(std::FILE* stream) const { root.write(stream); }

  // The first names[0] must be the root's own name; an empty list is the root.
  const XmlNode* findNode(const std::vector<std::string>& names) const;

  // The last component is the leaf key, the rest name the node. An empty list
  // has no key and is not found.
  bool lookupString(std::vector<std::string> components, std::string& out) const;
  bool lookupDouble(std::vector<std::string> components, double& out) const;
  bool lookupFloat(std::vector<std::string> components, float& out) const;
  bool lookupInt(std::vector<std::string> components, int32_t& out) const;

  XmlNode root;
  XmlNode* cursor = nullptr;

  // Off by default: the viewer has no use for the list.
  bool recordElements = false;
  std::vector<XmlElementRecord> elements;

 private:
  void record(const std::string& name, bool leaf);

  XmlPlace pendingPlace;             // from elementPlace, for the next element
  std::vector<int32_t> openElements; // indices into `elements` of the open nodes
  const XmlNode* nodeForKey(std::vector<std::string>& components, std::string& key) const;
};
