#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "xml_document.h"
#include "xml_parser.h"
#include "xml_test_util.h"

namespace {

// Records every notification as one line, to check order and arguments.
class RecordingHandler : public XmlHandler {
 public:
  void startElement(const std::string& n, const std::string& a) override { log.push_back("S " + n + "|" + a); }
  void leafElement(const std::string& n, const std::string& t, const std::string& a) override {
    log.push_back("L " + n + "=" + t + "|" + a);
  }
  void endElement(const std::string& n, const std::string& a) override { log.push_back("E " + n + "|" + a); }
  std::vector<std::string> log;
};

std::vector<std::string> notifications(const std::string& text) {
  RecordingHandler h;
  XmlParser p;
  p.setHandler(&h);
  EXPECT_TRUE(p.parse(text.data(), static_cast<int32_t>(text.size())));
  return h.log;
}

// The scanner points into `text`, which must outlive it.
XmlTagScanner scanOne(const std::string& text) {
  XmlTagScanner s;
  EXPECT_TRUE(s.setSpan(text.data(), static_cast<int32_t>(text.size())));
  return s;
}

}  // namespace

TEST(XmlTagScanner, StartsEmptyAndRejectsEmptySpan) {
  XmlTagScanner s;
  EXPECT_EQ(s.tag.first, -1);
  EXPECT_EQ(s.content.last, -1);
  EXPECT_FALSE(s.scanNext());
  EXPECT_EQ(s.remainder().first, nullptr);
  EXPECT_FALSE(s.setSpan(nullptr, 5));
  const char* t = "<A>1</A>";
  EXPECT_FALSE(s.setSpan(t, 0));
  EXPECT_EQ(s.text, nullptr);  // left as it was
}

TEST(XmlTagScanner, NameAttributesAndRanges) {
  struct Row { std::string text, name, attrs; bool selfClosing; };
  const std::vector<Row> rows = {
      {"<A>x</A>", "A", "", false},
      {"<A/>", "A", "", true},
      {"<A >x</A>", "A", "", false},
      {"<A x=\"1\">y</A>", "A", "x=\"1\"", false},
      {"<A x=\"1\"/>", "A", "x=\"1\"", true},
      {"<NAVAID type=\"x\">v</NAVAID>", "NAVAID", "type=\"x\"", false},
      {"<NAVAID\n>v</NAVAID\n>", "NAVAID\n", "", false},
      {"<A\tb>v</A\tb>", "A\tb", "", false},
      {"<A  b>v</A>", "A", " b", false},
  };
  for (const Row& r : rows) {
    XmlTagScanner s = scanOne(r.text);
    ASSERT_TRUE(s.scanNext()) << r.text;
    EXPECT_EQ(s.nameText(), r.name) << r.text;
    EXPECT_EQ(s.attributeText(), r.attrs) << r.text;
    EXPECT_EQ(s.isSelfClosing(), r.selfClosing) << r.text;
  }
}

TEST(XmlTagScanner, ContentClosingTagAndPosition) {
  const std::string t = "  <A x>12</A>  <B/>";
  XmlTagScanner s = scanOne(t);
  ASSERT_TRUE(s.scanNext());
  EXPECT_EQ(s.tag.first, 2);
  EXPECT_EQ(s.tag.last, 6);
  EXPECT_EQ(s.content.first, 7);
  EXPECT_EQ(s.content.last, 8);
  EXPECT_EQ(s.closingTag.first, 9);
  EXPECT_EQ(s.closingTag.last, 12);
  EXPECT_EQ(s.contentText(), "12");
  EXPECT_FALSE(s.contentHasMarkup());
  EXPECT_EQ(s.position, 15);  // the next '<'
  auto rest = s.remainder();
  EXPECT_EQ(std::string(rest.first, rest.second), "<B/>");

  // Without a further '<' the position stays on the closing '>'.
  const std::string one = "<A>1</A>";
  XmlTagScanner last = scanOne(one);
  ASSERT_TRUE(last.scanNext());
  EXPECT_EQ(last.position, 7);
  EXPECT_EQ(last.remainder().second, 1);
  ASSERT_TRUE(last.setSpan(last.remainder().first, last.remainder().second));
  EXPECT_FALSE(last.scanNext());

  const std::string none = "<A></A>";
  XmlTagScanner empty = scanOne(none);
  ASSERT_TRUE(empty.scanNext());
  EXPECT_EQ(empty.content.length(), 0);
  EXPECT_EQ(empty.contentText(), "");
  EXPECT_EQ(empty.contentSpan().second, 0);
}

TEST(XmlTagScanner, FailuresLeavePositionAlone) {
  for (const std::string t : {"no tags", "<A", "<A>text only", "</A>", "<A>x</a>", "<A>x</A >"}) {
    XmlTagScanner s = scanOne(t);
    EXPECT_FALSE(s.scanNext()) << t;
    EXPECT_EQ(s.position, 0) << t;
  }
}

TEST(XmlParser, NotificationsInOrder) {
  EXPECT_EQ(notifications("<A x=\"1\"><B y=\"2\"/><C>3</C></A>"),
            (std::vector<std::string>{"S A|x=\"1\"", "L B=|y=\"2\"", "L C=3|", "E A|x=\"1\""}));
  // Mixed content loses its text; "1 < 2" makes a node with nothing readable in it.
  EXPECT_EQ(notifications("<A>x<B>1</B>y</A>"), (std::vector<std::string>{"S A|", "L B=1|", "E A|"}));
  EXPECT_EQ(notifications("<A>1 < 2</A>"), (std::vector<std::string>{"S A|", "E A|"}));
  // Empty names are silent; what they hold is reported one level up.
  EXPECT_EQ(notifications("<R><><B>1</B></></R>"), (std::vector<std::string>{"S R|", "L B=1|", "E R|"}));
  EXPECT_EQ(notifications("<R>< x><B>1</B></></R>"), (std::vector<std::string>{"S R|", "L B=1|", "E R|"}));
  // A byte-order mark and white space before the root do no harm.
  EXPECT_EQ(notifications("\xEF\xBB\xBF\n  <A>1</A>"), (std::vector<std::string>{"L A=1|"}));
}

TEST(XmlParser, RejectsNullAndEmptyText) {
  RecordingHandler h;
  XmlParser p;
  p.setHandler(&h);
  EXPECT_FALSE(p.parse(nullptr, 10));
  EXPECT_FALSE(p.parse("<A>1</A>", 0));
  EXPECT_FALSE(p.parse("<A>1</A>", -4));
  EXPECT_TRUE(h.log.empty());
  XmlParser silent;  // no handler: scans, reports nothing, still succeeds
  EXPECT_TRUE(silent.parse("<A>1</A>", 8));
}

TEST(XmlDocument, BuildsTheExampleTree) {
  XmlDocument doc;
  parseInto(doc, "<DATA><EXERC>3</EXERC><DATA01><NAVAID><NAVAID_ID>ABC</NAVAID_ID></NAVAID></DATA01></DATA>");
  EXPECT_EQ(doc.root.name, "DATA");
  ASSERT_EQ(doc.root.leaves.size(), 1u);
  EXPECT_EQ(doc.root.leaves.at("EXERC").text, "3");
  ASSERT_EQ(doc.root.children.size(), 1u);
  const XmlNode& d1 = doc.root.children[0];
  EXPECT_EQ(d1.name, "DATA01");
  ASSERT_EQ(d1.children.size(), 1u);
  EXPECT_EQ(d1.children[0].leaves.at("NAVAID_ID").text, "ABC");
  EXPECT_EQ(doc.cursor, nullptr);

  EXPECT_EQ(writeToString(doc),
            "<DATA>\n<EXERC>3</EXERC>\n<DATA01>\n<NAVAID>\n<NAVAID_ID>ABC</NAVAID_ID>\n</NAVAID>\n</DATA01>\n</DATA>\n");
}

TEST(XmlDocument, LeafRules) {
  XmlDocument doc;
  parseInto(doc, "<A><X> 12 </X></A>");
  EXPECT_EQ(doc.root.leaves.at("X").text, " 12 ");

  doc.clear();
  parseInto(doc, "<A><X>1</X><X>2</X></A>");
  EXPECT_EQ(doc.root.leaves.size(), 1u);
  EXPECT_EQ(doc.root.leaves.at("X").text, "2");

  for (const char* t : {"<A><X/><Y>2</Y></A>", "<A><Y>2</Y><X/></A>"}) {
    XmlDocument d;
    parseInto(d, t);
    ASSERT_EQ(d.root.leaves.count("X"), 1u) << t;
    EXPECT_EQ(d.root.leaves.at("X").text, "") << t;
    EXPECT_EQ(d.root.leaves.at("Y").text, "2") << t;
  }

  XmlDocument attrs;
  parseInto(attrs, "<A x=\"1\"><B y=\"2\"/></A>");
  EXPECT_EQ(attrs.root.attributes, "x=\"1\"");
  EXPECT_EQ(attrs.root.leaves.at("B").attributes, "y=\"2\"");
}

TEST(XmlDocument, ChildrenOfTheSameNameStayInOrder) {
  XmlDocument doc;
  parseInto(doc, "<A><B><C>1</C></B><B><C>2</C></B></A>");
  ASSERT_EQ(doc.root.children.size(), 2u);
  EXPECT_EQ(doc.root.children[0].leaves.at("C").text, "1");
  EXPECT_EQ(doc.root.children[1].leaves.at("C").text, "2");
  EXPECT_EQ(doc.root.findChild("B"), &doc.root.children[0]);
  EXPECT_EQ(doc.root.findChild("Z"), nullptr);
}

TEST(XmlDocument, DialectQuirks) {
  struct Row { const char* text; const char* rootName; size_t leaves, children; };
  const std::vector<Row> rows = {
      {"<?xml version=\"1.0\"?><A><B>1</B></A>", "", 0, 0},  // declaration: empty tree
      {"<!-- c --><A><B>1</B></A>", "", 0, 0},
      {"<A><!-- note --><B>1</B></A>", "A", 0, 0},           // comment ends the element's content
      {"<A><B>1</B></A><!-- end -->", "A", 1, 0},
      {"<A><A>1</A></A>", "A", 0, 0},                         // inner A has no closing tag of its own
      {"<A>text only", "", 0, 0},
      {"<A><X>1</X></A><B><Y>2</Y></B>", "B", 2, 0},          // second top-level element merges
      {"<A><B>1</B ></A>", "A", 0, 0},                        // closing tag with a blank is not found
      {"<A><B>1</b></A>", "A", 0, 0},
      {"<A></B><C>1</C></A>", "A", 0, 0},                     // stray closing tag ends the level
      {"<DATA>5</DATA>", "", 0, 0},                           // a lone leaf has nowhere to go
      {"<A><B>1</B></A><C>2</C>", "A", 1, 0},                 // a leaf after the root is dropped
      {"<A><B><C>1</C></B><D>2</D></A>", "A", 1, 1},
  };
  for (const Row& r : rows) {
    XmlDocument doc;
    parseInto(doc, r.text);
    EXPECT_EQ(doc.root.name, r.rootName) << r.text;
    EXPECT_EQ(doc.root.leaves.size(), r.leaves) << r.text;
    EXPECT_EQ(doc.root.children.size(), r.children) << r.text;
    EXPECT_EQ(doc.cursor, nullptr) << r.text;
  }
}

TEST(XmlDocument, WriteThenReadRoundTrip) {
  XmlDocument doc;
  parseInto(doc, "<R a=\"1\"><Z>z</Z><A>a</A><K><L>1</L></K><E><F/></E><N><X><Y>1</Y></X></N></R>");
  const std::string once = writeToString(doc);
  EXPECT_EQ(once.substr(0, 22), "<R>\n<A>a</A>\n<Z>z</Z>\n");  // leaves in key order, no attributes
  XmlDocument again;
  parseInto(again, once);
  EXPECT_EQ(writeToString(again), once);

  // A node with nothing in it comes back as a leaf holding one line feed.
  XmlDocument hollow;
  parseInto(hollow, "<R><B>1</B><N><M><!-- --></M></N></R>");
  ASSERT_EQ(hollow.root.children.size(), 1u);
  XmlDocument back;
  parseInto(back, writeToString(hollow));
  ASSERT_EQ(back.root.children.size(), 1u);
  EXPECT_EQ(back.root.children[0].leaves.at("M").text, "\n");
}

TEST(XmlDocument, ClearAllowsRefill) {
  XmlDocument doc;
  parseInto(doc, "<A><B>1</B></A>");
  doc.clear();
  EXPECT_EQ(doc.root.name, "");
  EXPECT_TRUE(doc.root.leaves.empty());
  parseInto(doc, "<C><D>2</D></C>");
  EXPECT_EQ(doc.root.name, "C");
  EXPECT_EQ(doc.root.leaves.at("D").text, "2");
}

// Where each element stands: the line of its '<' and its bytes up to the end of its
// closing tag, for nodes, leaves, self-closing and same-line elements, across CRLF.
TEST(XmlDocument, PlacesOfElements) {
  const std::string text =
      "\xEF\xBB\xBF<DATA>\r\n"           // line 1, after a byte-order mark
      "  <EXERC>T</EXERC>\r\n"           // 2
      "  <DATA00>\n"                     // 3
      "    <NAV><QDM>1</QDM><X/></NAV>\n"  // 4
      "\n"
      "  </DATA00>\n"                    // 6
      "</DATA>";                         // 7
  XmlDocument doc;
  doc.recordElements = true;
  parseInto(doc, text);
  auto span = [&](const XmlPlace& p) { return text.substr(p.begin, p.end - p.begin); };
  EXPECT_EQ(doc.root.place.line, 1);
  EXPECT_EQ(span(doc.root.place), text.substr(3));
  EXPECT_EQ(doc.root.leaves.at("EXERC").place.line, 2);
  EXPECT_EQ(span(doc.root.leaves.at("EXERC").place), "<EXERC>T</EXERC>");
  const XmlNode& ex = doc.root.children.at(0);
  EXPECT_EQ(ex.place.line, 3);
  const XmlNode& nav = ex.children.at(0);
  EXPECT_EQ(nav.place.line, 4);
  EXPECT_EQ(span(nav.place), "<NAV><QDM>1</QDM><X/></NAV>");
  EXPECT_EQ(nav.leaves.at("QDM").place.line, 4);
  EXPECT_EQ(span(nav.leaves.at("X").place), "<X/>");

  // The record list: document order, parents by index.
  std::vector<std::string> got;
  for (const XmlElementRecord& r : doc.elements)
    got.push_back(r.name + "@" + std::to_string(r.place.line) + "^" +
                  (r.parent < 0 ? std::string("-") : doc.elements[r.parent].name) + (r.leaf ? " leaf" : ""));
  EXPECT_EQ(got, (std::vector<std::string>{"DATA@1^-", "EXERC@2^DATA leaf", "DATA00@3^DATA", "NAV@4^DATA00",
                                           "QDM@4^NAV leaf", "X@4^NAV leaf"}));

  // Off by default; places are kept all the same.
  XmlDocument plain;
  parseInto(plain, text);
  EXPECT_TRUE(plain.elements.empty());
  EXPECT_EQ(plain.root.children.at(0).children.at(0).leaves.at("QDM").place.line, 4);
}

// A replaced leaf keeps the later place; the record list still holds both.
TEST(XmlDocument, ReplacedLeafAndUnreportedElements) {
  const std::string text = "<A>\n<B>1</B>\n<B>2</B>\n<C>x</D>\n<E>3</E>\n</A>";
  XmlDocument doc;
  doc.recordElements = true;
  parseInto(doc, text);
  EXPECT_EQ(doc.root.leaves.at("B").text, "2");
  EXPECT_EQ(doc.root.leaves.at("B").place.line, 3);
  ASSERT_EQ(doc.elements.size(), 3u);  // A, B, B: C has no closing tag, so C and E are never reported
  EXPECT_EQ(doc.elements[1].place.line, 2);
}

TEST(XmlExtractNumber, WholeTextOrPrefix) {
  struct Row {
    const char* text;
    bool read, whole;
    double value;
  } rows[] = {
      {"12.5", true, true, 12.5}, {" 7\n", true, true, 7},     {"1,5", true, false, 1},
      {"12.5abc", true, false, 12.5}, {"abc", false, false, -1}, {"", false, false, -1},
      {"1e999", false, false, -1}, {"-3", true, true, -3},
  };
  for (const Row& r : rows) {
    double v = -1;
    bool whole = true;
    EXPECT_EQ(xmlExtractNumber(r.text, v, &whole), r.read) << r.text;
    EXPECT_EQ(whole, r.whole) << r.text;
    EXPECT_EQ(v, r.value) << r.text;
  }
  int32_t i = -1;
  bool whole = true;
  EXPECT_TRUE(xmlExtractNumber("180.5", i, &whole));
  EXPECT_EQ(i, 180);
  EXPECT_FALSE(whole);
  float f = 0;
  EXPECT_TRUE(xmlExtractNumber("1.5", f, &whole));
  EXPECT_TRUE(whole);
}
