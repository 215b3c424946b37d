#include "xml_document.h"

#include <locale>
#include <sstream>

void XmlNode::reset(const std::string& nodeName, const std::string& nodeAttributes, XmlNode* nodeParent) {
  name = nodeName;
  attributes = nodeAttributes;
  parent = nodeParent;
}

XmlNode* XmlNode::addChild(const std::string& childName, const std::string& childAttributes) {
  children.emplace_back();
  XmlNode& child = children.back();
  child.reset(childName, childAttributes, this);
  firstChild.emplace(childName, children.size() - 1);  // keeps an earlier one
  return &child;
}

XmlLeaf& XmlNode::setLeaf(const std::string& key, const std::string& text, const std::string& leafAttributes) {
  XmlLeaf& leaf = leaves[key];
  leaf.text = text;
  leaf.attributes = leafAttributes;
  leaf.place = XmlPlace();
  return leaf;
}

bool XmlNode::getLeafText(const std::string& key, std::string& out) const {
  auto it = leaves.find(key);
  if (it == leaves.end()) return false;
  out = it->second.text;
  return true;
}

namespace {

// Formatted extraction in the classic locale. The value goes through a
// temporary because a failed or out-of-range extraction overwrites its target.
template <typename T>
bool extractNumber(const std::string& text, T& out, bool* whole) {
  std::istringstream in(text);
  in.imbue(std::locale::classic());
  T value{};
  if (!(in >> value)) {
    if (whole) *whole = false;
    return false;
  }
  out = value;
  if (whole) {
    in >> std::ws;
    *whole = in.eof() || in.peek() == std::char_traits<char>::eof();
  }
  return true;
}

template <typename T>
bool leafNumber(const std::map<std::string, XmlLeaf>& leaves, const std::string& key, T& out) {
  auto it = leaves.find(key);
  if (it == leaves.end()) return false;
  extractNumber(it->second.text, out, nullptr);
  return true;
}

}  // namespace

bool xmlExtractNumber(const std::string& text, double& out, bool* whole) { return extractNumber(text, out, whole); }
bool xmlExtractNumber(const std::string& text, float& out, bool* whole) { return extractNumber(text, out, whole); }
bool xmlExtractNumber(const std::string& text, int32_t& out, bool* whole) { return extractNumber(text, out, whole); }

bool XmlNode::getLeafDouble(const std::string& key, double& out) const { return leafNumber(leaves, key, out); }
bool XmlNode::getLeafFloat(const std::string& key, float& out) const { return leafNumber(leaves, key, out); }
bool XmlNode::getLeafInt(const std::string& key, int32_t& out) const { return leafNumber(leaves, key, out); }

const XmlNode* XmlNode::findChild(const std::string& childName) const {
  auto it = firstChild.find(childName);
  if (it != firstChild.end() && it->second < children.size() && children[it->second].name == childName) {
    return &children[it->second];
  }
  for (const XmlNode& child : children)
    if (child.name == childName) return &child;
  return nullptr;
}

void XmlNode::clear() {
  name.clear();
  attributes.clear();
  parent = nullptr;
  leaves.clear();
  children.clear();
  firstChild.clear();
}

void XmlNode::write(std::FILE* stream) const {
  if (stream == nullptr) return;
  std::fprintf(stream, "<");
  std::fwrite(name.data(), 1, name.size(), stream);
  std::fprintf(stream, ">\n");
  for (const auto& [key, leaf] : leaves) {
    std::fputc('<', stream);
    std::fwrite(key.data(), 1, key.size(), stream);
    std::fputc('>', stream);
    std::fwrite(leaf.text.data(), 1, leaf.text.size(), stream);
    std::fputs("</", stream);
    std::fwrite(key.data(), 1, key.size(), stream);
    std::fputs(">\n", stream);
  }
  for (const XmlNode& child : children) child.write(stream);
  std::fputs("</", stream);
  std::fwrite(name.data(), 1, name.size(), stream);
  std::fputs(">\n", stream);
}

void XmlDocument::record(const std::string& name, bool leaf) {
  XmlElementRecord r;
  r.name = name;
  r.place = pendingPlace;
  r.parent = openElements.empty() ? -1 : openElements.back();
  r.leaf = leaf;
  elements.push_back(std::move(r));
  if (!leaf) openElements.push_back(static_cast<int32_t>(elements.size() - 1));
}

void XmlDocument::startElement(const std::string& name, const std::string& attributes) {
  if (recordElements) record(name, false);
  if (cursor == nullptr) {
    root.reset(name, attributes, nullptr);
    cursor = &root;
  } else {
    cursor = cursor->addChild(name, attributes);
  }
  cursor->place = pendingPlace;
  pendingPlace = XmlPlace();
}

// A leaf with no open element (a single-leaf document, or one after the root's
// end) has nowhere to go and is dropped; the tree stays as it was.
void XmlDocument::leafElement(const std::string& name, const std::string& text, const std::string& attributes) {
  if (recordElements) record(name, true);
  if (cursor != nullptr) cursor->setLeaf(name, text, attributes).place = pendingPlace;
  pendingPlace = XmlPlace();
}

void XmlDocument::endElement(const std::string&, const std::string&) {
  if (recordElements && !openElements.empty()) openElements.pop_back();
  if (cursor != nullptr) cursor = cursor->parent;
}

const XmlNode* XmlDocument::findNode(const std::vector<std::string>& names) const {
  const XmlNode* result = &root;
  bool atRoot = true;
  for (const std::string& wanted : names) {
    const XmlNode* match = nullptr;
    if (atRoot) {
      if (root.name == wanted) match = &root;
    } else {
      match = result->findChild(wanted);
    }
    if (match == nullptr) return nullptr;
    result = match;
    atRoot = false;
  }
  return result;
}

const XmlNode* XmlDocument::nodeForKey(std::vector<std::string>& components, std::string& key) const {
  if (components.empty()) return nullptr;
  key = components.back();
  components.pop_back();
  return findNode(components);
}

bool XmlDocument::lookupString(std::vector<std::string> components, std::string& out) const {
  std::string key;
  const XmlNode* node = nodeForKey(components, key);
  return node != nullptr && node->getLeafText(key, out);
}

bool XmlDocument::lookupDouble(std::vector<std::string> components, double& out) const {
  std::string key;
  const XmlNode* node = nodeForKey(components, key);
  return node != nullptr && node->getLeafDouble(key, out);
}

bool XmlDocument::lookupFloat(std::vector<std::string> components, float& out) const {
  std::string key;
  const XmlNode* node = nodeForKey(components, key);
  return node != nullptr && node->getLeafFloat(key, out);
}

bool XmlDocument::lookupInt(std::vector<std::string> components, int32_t& out) const {
  std::string key;
  const XmlNode* node = nodeForKey(components, key);
  return node != nullptr && node->getLeafInt(key, out);
}
