// Scanner and level parser of the small XML dialect the exercise files use.
//
// The dialect knows elements only: `<NAME attrs>content</NAME>` or `<NAME attrs/>`.
// The first `</NAME>` after a start tag closes it (so an element cannot hold a
// descendant of its own name), the attribute text stays one string, and nothing
// is trimmed or decoded. Anything outside the dialect (declarations, comments,
// stray tags, truncated text) quietly ends the level it appears in; instructors'
// existing files rely on these quirks, so they are the behaviour, not bugs.
//
// XmlParser walks the text level by level and tells an XmlHandler what it finds;
// XmlDocument (xml_document.h) is the handler that builds the tree.
//
// Places: while it reports, the parser also tells the handler where each element
// stands (its first line and its bytes in the text), so that a checker can point
// at the exact line. Counting lines follows the elements in document order, so it
// adds one pass over the text, not one per element. The tree's readers ignore it.
//
// Nesting: elements nested deeper than XmlParser::kMaxDepth levels are not read.
// An element at the deepest level whose content holds markup is still reported
// (start and end), but its content is treated as unreadable and skipped, exactly
// like a level whose next element cannot be scanned. This bounds both the stack
// and the work per character (each level searches its own span once).
#pragma once

#include <cstdint>
#include <string>
#include <utility>

// An inclusive index range into the scanner's span; -1 in either member is "none".
struct XmlRange {
  int32_t first = -1;
  int32_t last = -1;
  int32_t length() const { return (first < 0 || last < 0 || last < first) ? 0 : last - first + 1; }
};

// A cursor over one span of text that finds one element at a time. It owns
// nothing: the span belongs to the caller and must outlive the scanner.
class XmlTagScanner {
 public:
  XmlTagScanner() = default;

  bool setSpan(const char* spanText, int32_t spanLength);
  bool scanNext();

  bool isSelfClosing() const;
  std::string nameText() const { return rangeText(name); }
  std::string attributeText() const { return rangeText(attributes); }
  std::string contentText() const { return rangeText(content); }
  bool contentHasMarkup() const;
  std::pair<const char*, int32_t> contentSpan() const;
  std::pair<const char*, int32_t> remainder() const;

  const char* text = nullptr;
  int32_t length = 0;
  int32_t position = 0;
  XmlRange tag, closingTag, name, attributes, content;

 private:
  std::string rangeText(const XmlRange& r) const;
  int32_t findChar(char c, int32_t from) const;
  int32_t findText(const std::string& needle, int32_t from) const;
};

// Where an element stands in the parsed text: the 1-based line of its start
// tag's '<', and its bytes [begin, end) from that '<' to just past its closing
// tag (or past the '>' of a self-closing tag). -1 and 0 when unknown.
struct XmlPlace {
  int32_t line = 0;
  int32_t begin = -1;
  int32_t end = -1;
};

// Receiver of parse notifications. Strings are the parser's own copies.
class XmlHandler {
 public:
  virtual void startElement(const std::string& name, const std::string& attributes) = 0;
  virtual void leafElement(const std::string& name, const std::string& text,
                           const std::string& attributes) = 0;
  virtual void endElement(const std::string& name, const std::string& attributes) = 0;
  // Sent just before the startElement or leafElement of the element it places.
  virtual void elementPlace(const XmlPlace&) {}

 protected:
  ~XmlHandler() = default;
};

class XmlParser {
 public:
  // Deep enough for any hand-written file; see the header comment.
  static constexpr int kMaxDepth = 256;

  XmlParser() = default;
  virtual ~XmlParser() = default;

  void setHandler(XmlHandler* h) { handler = h; }
  // False (and nothing reported) for a null text or a length below 1.
  bool parse(const char* text, int32_t length);

  XmlHandler* handler = nullptr;

 private:
  void parseLevel(const char* text, int32_t length, int depth);
  XmlPlace placeOf(const XmlTagScanner& scanner);

  // The text of the running parse and how far its lines have been counted.
  const char* base = nullptr;
  const char* counted = nullptr;
  int32_t countedLine = 1;
};
