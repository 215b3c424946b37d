// Malformed and hostile input: the reader must end quietly, never crash, hang
// or read outside the text. Run under the sanitizer build to catch overreads.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "xml_config.h"
#include "xml_test_util.h"

namespace {

// Parses a copy that ends exactly at its last byte, so any overread past the
// given length lands outside the allocation.
void parseExact(XmlDocument& doc, const std::string& text) {
  std::vector<char> exact(text.begin(), text.end());
  XmlParser parser;
  parser.setHandler(&doc);
  parser.parse(exact.data(), static_cast<int32_t>(exact.size()));
}

std::string nested(int depth, const std::string& inner) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += "<N" + std::to_string(i) + ">";
  text += inner;
  for (int i = depth - 1; i >= 0; --i) text += "</N" + std::to_string(i) + ">";
  return text;
}

int depthOf(const XmlNode& root) {
  int depth = 1;
  const XmlNode* n = &root;
  while (!n->children.empty()) {
    n = &n->children[0];
    ++depth;
  }
  return depth;
}

}  // namespace

TEST(XmlRobustness, TruncatedAndStrayMarkup) {
  const std::string good = "<DATA><EXERC>T</EXERC><DATA00><NAVAID><NAVAID_ID>ABC</NAVAID_ID></NAVAID></DATA00></DATA>";
  // Every prefix of a good document: no crash, and the cursor is balanced again.
  for (size_t n = 1; n <= good.size(); ++n) {
    XmlDocument doc;
    parseExact(doc, good.substr(0, n));
    EXPECT_EQ(doc.cursor, nullptr) << n;
    if (n < good.size()) {
      EXPECT_EQ(doc.root.name, "") << n;  // the root never closed
    }
  }
  for (const std::string t : {"<", ">", "<<<<", ">>>>", "</", "<>", "</>", "<a/", "<a b", "<a>", "< >", "<a></",
                              "<a><b></a></b>", "<a/><b/>", "<>x</>", "<<a>>1</a>>"}) {
    XmlDocument doc;
    parseExact(doc, t);
    EXPECT_EQ(doc.cursor, nullptr) << t;
  }
}

TEST(XmlRobustness, NulBytesAreOrdinaryBytes) {
  const char raw[] = "<A><B>x\0y</B><C\0D>1</C\0D></A>";
  const std::string t(raw, sizeof raw - 1);
  XmlDocument doc;
  parseExact(doc, t);
  EXPECT_EQ(doc.root.name, "A");
  ASSERT_EQ(doc.root.leaves.count("B"), 1u);
  EXPECT_EQ(doc.root.leaves.at("B").text, std::string("x\0y", 3));
  EXPECT_EQ(doc.root.leaves.count(std::string("C\0D", 3)), 1u);
  // Through XmlConfig: the stream is read past the NUL.
  XmlConfig cfg;
  readString(cfg, t);
  std::string s;
  EXPECT_TRUE(cfg.getString("A:B", &s, ""));
  EXPECT_EQ(s.size(), 3u);
}

TEST(XmlRobustness, RandomBytesNeverCrash) {
  std::mt19937 rng(12345);
  const char alphabet[] = "<>/ AB=\"\n\0";
  for (int round = 0; round < 2000; ++round) {
    std::string t(1 + rng() % 200, ' ');
    for (char& c : t) c = alphabet[rng() % (sizeof alphabet - 1)];
    XmlDocument doc;
    parseExact(doc, t);
    ASSERT_EQ(doc.cursor, nullptr) << round;
  }
}

TEST(XmlRobustness, MegabyteLinesAndNames) {
  const std::string big(1 << 20, 'x');
  {
    XmlDocument doc;  // one 1 MB leaf text on one line
    parseExact(doc, "<R><A>" + big + "</A></R>");
    EXPECT_EQ(doc.root.leaves.at("A").text.size(), big.size());
  }
  {
    XmlDocument doc;  // a 1 MB name that is never closed
    parseExact(doc, "<R><" + big + ">1</R>");
    EXPECT_EQ(doc.root.name, "R");
    EXPECT_TRUE(doc.root.leaves.empty());
  }
  {
    XmlDocument doc;  // a 1 MB name that is closed
    parseExact(doc, "<R><" + big + ">1</" + big + "></R>");
    EXPECT_EQ(doc.root.leaves.at(big).text, "1");
  }
  {
    XmlDocument doc;  // a 1 MB tag with no end, and a megabyte of '<'
    parseExact(doc, "<R" + big);
    parseExact(doc, std::string(1 << 20, '<'));
    parseExact(doc, std::string(1 << 20, '>'));
    std::string closers;
    while (closers.size() < (1u << 20)) closers += "</x";
    parseExact(doc, "<x>" + closers);
    EXPECT_EQ(doc.root.name, "");
  }
  {
    XmlDocument doc;  // many siblings
    std::string t = "<R>";
    for (int i = 0; i < 60000; ++i) t += "<L" + std::to_string(i % 500) + ">v</L" + std::to_string(i % 500) + ">";
    parseExact(doc, t + "</R>");
    EXPECT_EQ(doc.root.leaves.size(), 500u);
  }
}

TEST(XmlRobustness, DeepNestingIsBounded) {
  // Within the limit every level is read.
  {
    XmlDocument doc;
    parseExact(doc, nested(XmlParser::kMaxDepth - 1, "<LEAF>1</LEAF>"));
    EXPECT_EQ(depthOf(doc.root), XmlParser::kMaxDepth - 1);
    const XmlNode* n = &doc.root;
    while (!n->children.empty()) n = &n->children[0];
    EXPECT_EQ(n->leaves.at("LEAF").text, "1");
  }
  // Deeper than the limit: the element at the limit stays, empty; deeper content is skipped.
  {
    XmlDocument doc;
    parseExact(doc, nested(XmlParser::kMaxDepth + 50, "<LEAF>1</LEAF>"));
    EXPECT_EQ(depthOf(doc.root), XmlParser::kMaxDepth);
    EXPECT_EQ(doc.cursor, nullptr);
  }
  // 100,000 levels neither overflow the stack nor take long.
  {
    XmlDocument doc;
    parseExact(doc, nested(100000, "<LEAF>1</LEAF>"));
    EXPECT_EQ(depthOf(doc.root), XmlParser::kMaxDepth);
    XmlDocument unclosed;
    std::string open;
    for (int i = 0; i < 100000; ++i) open += "<N" + std::to_string(i) + ">";
    parseExact(unclosed, open);
    EXPECT_EQ(unclosed.root.name, "");
  }
}
