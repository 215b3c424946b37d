#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "txf_font.h"

namespace {
int run(const std::string& args) {
  std::string cmd = std::string(TXFGEN_PATH) + " " + args + " >/dev/null 2>&1";
  int status = std::system(cmd.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
}  // namespace

TEST(TxfgenCli, ExitStatusesAndOutput) {
  const std::string dir = ::testing::TempDir();
  EXPECT_EQ(run(""), 2);
  EXPECT_EQ(run("--size 4 " + dir + "a.txf"), 2);
  EXPECT_EQ(run("--size 12x " + dir + "a.txf"), 2);
  EXPECT_EQ(run(dir + "a.ttf"), 2);  // PLIB only loads names ending in .txf
  EXPECT_EQ(run("--font /nonexistent.ttf " + dir + "a.txf"), 1);
  EXPECT_EQ(run(dir + "no/such/folder/a.txf"), 1);

  ASSERT_EQ(run("--size 20 " + dir + "cli.txf"), 0);
  TxfFont font;
  std::string error;
  ASSERT_TRUE(readTxfFont(dir + "cli.txf", &font, &error)) << error;
  EXPECT_EQ(font.glyphs.size(), txfCharacterSet().size());
  // --font picks another face: DejaVu Sans is wider than Liberation Sans.
  ASSERT_EQ(run("--font /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf --size 20 " + dir +
                "dejavu.txf"),
            0);
  TxfFont other;
  ASSERT_TRUE(readTxfFont(dir + "dejavu.txf", &other, &error)) << error;
  EXPECT_NE(other.texels, font.texels);
}
