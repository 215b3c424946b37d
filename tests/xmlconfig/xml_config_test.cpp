#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "xml_config.h"
#include "xml_test_util.h"

namespace {

const char* kExample =
    "<DATA><EXERC>3</EXERC><DATA01><NAVAID><NAVAID_ID>ABC</NAVAID_ID></NAVAID></DATA01></DATA>";

std::vector<std::string> split(const char* p) {
  std::vector<std::string> c{"stale"};
  splitPath(p, c);
  return c;
}

class TempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          ("xmlcfg_" + std::to_string(::getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::string writeFile(const std::string& name, const std::string& text) {
    const std::string p = (dir / name).string();
    std::ofstream(p, std::ios::binary) << text;
    return p;
  }
  std::filesystem::path dir;
};

}  // namespace

TEST(SplitPath, Components) {
  using V = std::vector<std::string>;
  EXPECT_EQ(split("A:B"), (V{"A", "B"}));
  EXPECT_EQ(split("A:B:"), (V{"A", "B"}));
  EXPECT_EQ(split("A::B"), (V{"A", "", "B"}));
  EXPECT_EQ(split(":A"), (V{"", "A"}));
  EXPECT_EQ(split("A"), (V{"A"}));
  EXPECT_EQ(split(""), V{});
  EXPECT_EQ(split(nullptr), V{});
  EXPECT_EQ(split("::"), (V{"", ""}));
}

TEST(XmlConfigGetters, PathsOnTheExampleDocument) {
  XmlConfig cfg;
  readString(cfg, kExample);
  std::string s;
  EXPECT_TRUE(cfg.getString("DATA:EXERC", &s, "dflt"));
  EXPECT_EQ(s, "3");
  int32_t i = 0;
  EXPECT_TRUE(cfg.getInt("DATA:EXERC", &i, -1));
  EXPECT_EQ(i, 3);
  double d = 0;
  EXPECT_TRUE(cfg.getDouble("DATA:EXERC", &d, -1));
  EXPECT_DOUBLE_EQ(d, 3.0);
  EXPECT_TRUE(cfg.getString("DATA:DATA01:NAVAID:NAVAID_ID", &s, "dflt"));
  EXPECT_EQ(s, "ABC");
  EXPECT_TRUE(cfg.getString("EXERC", &s, "dflt"));  // one component: a leaf of the root
  EXPECT_EQ(s, "3");
  EXPECT_TRUE(cfg.getString("DATA:EXERC:", &s, "dflt"));
  EXPECT_EQ(s, "3");

  for (const char* missing : {"DATA:DATA01:NAVAID", "data:EXERC", "DATA:DATA02:NAVAID:NAVAID_ID", "DATA:FOO",
                              "DATA::EXERC", "", ":", "DATA:DATA01:NAVAID:NAVAID_ID:X"}) {
    s = "untouched";
    EXPECT_FALSE(cfg.getString(missing, &s, "dflt")) << missing;
    EXPECT_EQ(s, "dflt") << missing;
    i = 0;
    EXPECT_FALSE(cfg.getInt(missing, &i, 220)) << missing;
    EXPECT_EQ(i, 220) << missing;
  }
  float f = 0;
  EXPECT_FALSE(cfg.getFloat("DATA:TRI", &f, 1.0f));
  EXPECT_FLOAT_EQ(f, 1.0f);
}

TEST(XmlConfigGetters, NumberConversion) {
  XmlConfig cfg;
  readString(cfg,
             "<R><A>12.5abc</A><B>abc</B><C> 7\n</C><D>12.9</D><E>-3</E><F>0x1F</F><G/><H></H>"
             "<I>99999999999</I><J>1e400</J><K>2.5e2</K><L> 1,5</L></R>");
  double d = -1;
  EXPECT_TRUE(cfg.getDouble("R:A", &d, 0));
  EXPECT_DOUBLE_EQ(d, 12.5);
  d = 42;
  EXPECT_TRUE(cfg.getDouble("R:B", &d, 0));  // found, no number: untouched, default not stored
  EXPECT_DOUBLE_EQ(d, 42);
  EXPECT_TRUE(cfg.getDouble("R:C", &d, 0));
  EXPECT_DOUBLE_EQ(d, 7);
  EXPECT_TRUE(cfg.getDouble("R:K", &d, 0));
  EXPECT_DOUBLE_EQ(d, 250);
  EXPECT_TRUE(cfg.getDouble("R:L", &d, 0));
  EXPECT_DOUBLE_EQ(d, 1);  // classic locale: the comma ends the number
  d = 5;
  EXPECT_TRUE(cfg.getDouble("R:J", &d, 0));  // out of range: untouched
  EXPECT_DOUBLE_EQ(d, 5);

  int32_t i = 0;
  EXPECT_TRUE(cfg.getInt("R:D", &i, 0));
  EXPECT_EQ(i, 12);
  EXPECT_TRUE(cfg.getInt("R:E", &i, 0));
  EXPECT_EQ(i, -3);
  EXPECT_TRUE(cfg.getInt("R:F", &i, 9));
  EXPECT_EQ(i, 0);
  i = 17;
  EXPECT_TRUE(cfg.getInt("R:I", &i, 0));  // beyond 32 bits: untouched
  EXPECT_EQ(i, 17);

  float f = 3.25f;
  EXPECT_TRUE(cfg.getFloat("R:G", &f, 1.0f));  // empty leaf: found, untouched
  EXPECT_FLOAT_EQ(f, 3.25f);
  EXPECT_TRUE(cfg.getFloat("R:H", &f, 1.0f));
  EXPECT_FLOAT_EQ(f, 3.25f);
  std::string s = "x";
  EXPECT_TRUE(cfg.getString("R:G", &s, "dflt"));
  EXPECT_EQ(s, "");
  EXPECT_TRUE(cfg.getString("R:C", &s, "dflt"));
  EXPECT_EQ(s, " 7\n");  // nothing trimmed
}

TEST(XmlConfigGetters, FirstOfSameNamedChildrenWins) {
  XmlConfig cfg;
  readString(cfg, "<DATA><DATA01><X>first</X></DATA01><DATA01><X>second</X><Y>y</Y></DATA01></DATA>");
  std::string s;
  EXPECT_TRUE(cfg.getString("DATA:DATA01:X", &s, ""));
  EXPECT_EQ(s, "first");
  EXPECT_FALSE(cfg.getString("DATA:DATA01:Y", &s, "none"));
  // A child appended behind addChild's back is still found.
  cfg.document.root.children.emplace_back();
  cfg.document.root.children.back().name = "LATE";
  cfg.document.root.children.back().setLeaf("Z", "z", "");
  EXPECT_TRUE(cfg.getString("DATA:LATE:Z", &s, ""));
  EXPECT_EQ(s, "z");
}

// A stream that delivers some text, then fails instead of ending.
ssize_t failingRead(void* cookie, char* buf, size_t size) {
  auto* left = static_cast<std::string*>(cookie);
  if (left->empty()) {
    errno = EIO;
    return -1;
  }
  const size_t n = std::min(size, left->size());
  std::memcpy(buf, left->data(), n);
  left->erase(0, n);
  return static_cast<ssize_t>(n);
}

TEST(XmlConfigRead, ReadErrorKeepsWhatWasRead) {
  std::string text = "<A><B>1</B></A>";
  cookie_io_functions_t io{failingRead, nullptr, nullptr, nullptr};
  std::FILE* f = fopencookie(&text, "r", io);
  ASSERT_NE(f, nullptr);
  XmlConfig cfg;
  cfg.read(f);
  EXPECT_TRUE(std::ferror(f));
  std::fclose(f);
  std::string s;
  EXPECT_TRUE(cfg.getString("A:B", &s, ""));
  EXPECT_EQ(s, "1");
}

TEST_F(TempDir, LoadMissingThenGoodFile) {
  XmlConfig cfg;
  cfg.load((dir / "absent.xml").string().c_str());
  std::string s;
  EXPECT_FALSE(cfg.getString("DATA:EXERC", &s, "NO IFR EXERCISE"));
  EXPECT_EQ(s, "NO IFR EXERCISE");

  cfg.load(writeFile("good.xml", kExample).c_str());
  EXPECT_TRUE(cfg.getString("DATA:EXERC", &s, ""));
  EXPECT_EQ(s, "3");

  // A load that cannot open its file keeps what was there; a good one replaces it.
  cfg.load((dir / "absent.xml").string().c_str());
  EXPECT_TRUE(cfg.getString("DATA:EXERC", &s, ""));
  cfg.load(writeFile("other.xml", "<DATA><OTHER>1</OTHER></DATA>").c_str());
  EXPECT_FALSE(cfg.getString("DATA:EXERC", &s, "gone"));

  cfg.load(writeFile("decl.xml", std::string("<?xml version=\"1.0\"?>\n") + kExample).c_str());
  EXPECT_FALSE(cfg.getString("DATA:EXERC", &s, "dflt"));
  cfg.load(writeFile("empty.xml", "").c_str());
  EXPECT_FALSE(cfg.getString("DATA:EXERC", &s, "dflt"));
}

TEST_F(TempDir, LoadGoesThroughThePathHelper) {
  std::filesystem::create_directories(dir / "Data");
  writeFile("Data/Ifr_Exercises.XML", kExample);
  XmlConfig cfg;
  cfg.load((dir.string() + "\\DATA\\IFR_EXERCISES.xml").c_str());
  std::string s;
  EXPECT_TRUE(cfg.getString("DATA:EXERC", &s, ""));
  EXPECT_EQ(s, "3");
}

TEST_F(TempDir, SaveWritesTheTree) {
  XmlConfig cfg;
  readString(cfg, kExample);
  const std::string out = (dir / "saved.xml").string();
  cfg.save(out.c_str());
  std::ifstream in(out);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "<DATA>\n<EXERC>3</EXERC>\n<DATA01>\n<NAVAID>\n<NAVAID_ID>ABC</NAVAID_ID>\n</NAVAID>\n</DATA01>\n</DATA>\n");
  XmlConfig back;
  back.load(out.c_str());
  EXPECT_TRUE(back.compareAt(cfg, "DATA"));
  cfg.save((dir / "no" / "such" / "dir.xml").string().c_str());  // silently not written
  EXPECT_FALSE(std::filesystem::exists(dir / "no"));
}

TEST(XmlConfigCompare, NodesAndLeaves) {
  XmlConfig a, b, c, d;
  readString(a, "<R x=\"1\"><K>1</K><C><L>2</L></C><C><L>2</L></C></R>");
  // Other root name and no attributes.
  readString(b, "<Q><K>1</K><C><L>2</L></C><C><L>2</L></C></Q>");
  readString(c, "<R><K>1</K><C><L>9</L></C><C><L>2</L></C></R>");
  readString(d, "<R><K>2</K></R>");
  EXPECT_TRUE(a.compareAt(b, ""));   // root against root, names not compared
  EXPECT_FALSE(a.compareAt(c, ""));  // c's first C differs
  EXPECT_FALSE(a.compareAt(c, "R"));
  EXPECT_TRUE(a.compareAt(c, "R:K"));      // leaf path
  EXPECT_FALSE(a.compareAt(d, "R:K"));     // different texts
  EXPECT_TRUE(a.compareAt(d, "R:NONE"));   // neither has it
  EXPECT_FALSE(a.compareAt(b, "R:K"));     // node R only in a
  EXPECT_TRUE(a.compareAt(b, "X:Y:Z"));    // neither resolves
  EXPECT_FALSE(a.compareAt(b, "R"));       // node found here, not there
  EXPECT_FALSE(d.compareAt(a, "R:C:L"));   // parent resolved only in a
  XmlConfig e;
  readString(e, "<R><K>1</K><C><L>2</L></C></R>");
  EXPECT_FALSE(a.compareAt(e, "R"));  // child count differs
}

// Repeated names pair up in order (first with first, second with second), so a
// tree equals itself and a difference in a later namesake is seen.
TEST(XmlConfigCompare, RepeatedChildNames) {
  XmlConfig a, same, laterDiffers, swapped, moreOfOne;
  readString(a, "<R><C><L>1</L></C><D>x</D><C><L>2</L><E><F>3</F></E></C></R>");
  readString(same, "<R><C><L>1</L></C><D>x</D><C><L>2</L><E><F>3</F></E></C></R>");
  readString(laterDiffers, "<R><C><L>1</L></C><D>x</D><C><L>2</L><E><F>4</F></E></C></R>");
  readString(swapped, "<R><C><L>2</L><E><F>3</F></E></C><D>x</D><C><L>1</L></C></R>");
  readString(moreOfOne, "<R><C><L>1</L></C><C><L>1</L></C><C><L>2</L><E><F>3</F></E></C></R>");
  EXPECT_TRUE(a.compareAt(a, "R"));
  EXPECT_TRUE(a.compareAt(same, "R"));
  EXPECT_TRUE(same.compareAt(a, ""));
  EXPECT_FALSE(a.compareAt(laterDiffers, "R"));  // second C's grandchild differs
  EXPECT_FALSE(laterDiffers.compareAt(a, "R"));
  EXPECT_FALSE(a.compareAt(swapped, "R"));       // order among namesakes counts
  EXPECT_FALSE(a.compareAt(moreOfOne, "R"));     // same count, one C more and no D
  EXPECT_FALSE(moreOfOne.compareAt(a, "R"));
}
