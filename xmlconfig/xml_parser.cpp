#include "xml_parser.h"

#include <cstring>

bool XmlTagScanner::setSpan(const char* spanText, int32_t spanLength) {
  if (spanText == nullptr || spanLength < 1) return false;
  text = spanText;
  length = spanLength;
  position = 0;
  return true;
}

int32_t XmlTagScanner::findChar(char c, int32_t from) const {
  if (text == nullptr || from < 0 || from >= length) return -1;
  const void* hit = std::memchr(text + from, c, static_cast<size_t>(length - from));
  return hit ? static_cast<int32_t>(static_cast<const char*>(hit) - text) : -1;
}

// memmem is linear in the span even for long, repetitive needles, which keeps a
// hostile 1 MB tag name from turning the closing-tag search quadratic.
int32_t XmlTagScanner::findText(const std::string& needle, int32_t from) const {
  if (text == nullptr || from < 0 || from >= length || needle.empty()) return -1;
  const void* hit = memmem(text + from, static_cast<size_t>(length - from), needle.data(), needle.size());
  return hit ? static_cast<int32_t>(static_cast<const char*>(hit) - text) : -1;
}

bool XmlTagScanner::isSelfClosing() const {
  if (text == nullptr || tag.last < 1 || tag.last - 1 >= length) return false;
  return text[tag.last - 1] == '/';
}

bool XmlTagScanner::scanNext() {
  closingTag = XmlRange();
  content = XmlRange();
  if (text == nullptr || length < 1) return false;

  const int32_t lt = findChar('<', position);
  if (lt < 0) return false;
  const int32_t gt = findChar('>', lt);
  if (gt < 0) return false;
  tag = {lt, gt};
  const bool selfClosing = isSelfClosing();

  name = {lt + 1, selfClosing ? gt - 2 : gt - 1};
  if (name.length() > 0) {
    const void* space = std::memchr(text + name.first, ' ', static_cast<size_t>(name.length()));
    if (space) name.last = static_cast<int32_t>(static_cast<const char*>(space) - text) - 1;
  }

  const int32_t tagLength = gt - lt + 1;
  const int32_t nameLength = name.length();
  const int32_t rest = tagLength - nameLength;
  if (nameLength == 0 || (rest >= 0 && rest <= 3)) {
    attributes = XmlRange();
  } else {
    attributes = {name.last + 2, selfClosing ? gt - 2 : gt - 1};
  }

  if (selfClosing) {
    position = gt + 1;
    return true;
  }

  const std::string closing = "</" + nameText() + ">";
  const int32_t cs = findText(closing, gt);
  if (cs < 0) return false;
  closingTag = {cs, cs + static_cast<int32_t>(closing.size()) - 1};
  content = {gt + 1, cs - 1};

  const int32_t next = findChar('<', closingTag.last);
  position = next >= 0 ? next : closingTag.last;
  return true;
}

bool XmlTagScanner::contentHasMarkup() const {
  const int32_t n = content.length();
  return n > 0 && std::memchr(text + content.first, '<', static_cast<size_t>(n)) != nullptr;
}

std::pair<const char*, int32_t> XmlTagScanner::contentSpan() const {
  const int32_t n = content.length();
  if (n == 0) return {nullptr, 0};
  return {text + content.first, n};
}

std::pair<const char*, int32_t> XmlTagScanner::remainder() const {
  if (text == nullptr || length < 1 || position < 0 || position > length) return {nullptr, 0};
  return {text + position, length - position};
}

std::string XmlTagScanner::rangeText(const XmlRange& r) const {
  const int32_t n = r.length();
  if (n == 0 || text == nullptr) return std::string();
  return std::string(text + r.first, static_cast<size_t>(n));
}

bool XmlParser::parse(const char* text, int32_t length) {
  if (text == nullptr || length < 1) return false;
  base = counted = text;
  countedLine = 1;
  parseLevel(text, length, 1);
  base = counted = nullptr;
  return true;
}

// Elements are reported in document order, so the line count only moves forward:
// each byte of the text is counted once over the whole parse.
XmlPlace XmlParser::placeOf(const XmlTagScanner& scanner) {
  const char* at = scanner.text + scanner.tag.first;
  if (at < counted) {  // not reached in document order; kept correct all the same
    counted = base;
    countedLine = 1;
  }
  while (counted < at) {
    const void* nl = std::memchr(counted, '\n', static_cast<size_t>(at - counted));
    if (nl == nullptr) {
      counted = at;
      break;
    }
    ++countedLine;
    counted = static_cast<const char*>(nl) + 1;
  }
  const int32_t last = scanner.closingTag.last >= 0 ? scanner.closingTag.last : scanner.tag.last;
  const int32_t spanStart = static_cast<int32_t>(scanner.text - base);
  return {countedLine, spanStart + scanner.tag.first, spanStart + last + 1};
}

void XmlParser::parseLevel(const char* text, int32_t length, int depth) {
  if (depth > kMaxDepth) return;  // too deep: read as if unreadable
  XmlTagScanner scanner;
  const char* spanText = text;
  int32_t spanLength = length;
  while (scanner.setSpan(spanText, spanLength) && scanner.scanNext()) {
    const std::string elementName = scanner.nameText();
    const bool report = handler != nullptr && !elementName.empty();
    if (report) handler->elementPlace(placeOf(scanner));
    if (scanner.contentHasMarkup()) {
      const std::string attrs = scanner.attributeText();
      if (report) handler->startElement(elementName, attrs);
      const auto inner = scanner.contentSpan();
      parseLevel(inner.first, inner.second, depth + 1);
      if (report) handler->endElement(elementName, attrs);
    } else if (report) {
      handler->leafElement(elementName, scanner.contentText(), scanner.attributeText());
    }
    const auto rest = scanner.remainder();
    spanText = rest.first;
    spanLength = rest.second;
  }
}
