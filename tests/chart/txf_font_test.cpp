#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "txf_font.h"

namespace {
std::string tempPath(const char* name) {
  return std::string(::testing::TempDir()) + name;
}
}  // namespace

TEST(TxfFont, RendersEveryCharacterIntoTheTextureWithoutOverlap) {
  TxfFont font;
  std::string error;
  ASSERT_TRUE(renderTxfFont(defaultTtfPath(), 24, &font, &error)) << error;
  std::string path = tempPath("font_test.txf");
  ASSERT_TRUE(writeTxfFont(path, font, &error)) << error;

  TxfFont back;
  ASSERT_TRUE(readTxfFont(path, &back, &error)) << error;
  EXPECT_EQ(back.glyphs.size(), txfCharacterSet().size());
  // Powers of two, or PLIB refuses the texture.
  EXPECT_EQ(back.textureWidth & (back.textureWidth - 1), 0u);
  EXPECT_EQ(back.textureHeight & (back.textureHeight - 1), 0u);
  EXPECT_GE(back.maxAscent, 16u);
  EXPECT_LE(back.maxAscent, 30u);

  std::vector<int> owner(back.textureWidth * back.textureHeight, -1);
  int inked = 0;
  for (size_t i = 0; i < back.glyphs.size(); ++i) {
    const TxfGlyph& g = back.glyphs[i];
    ASSERT_GE(g.x, 0);
    ASSERT_GE(g.y, 0);
    ASSERT_LE(g.x + g.width, static_cast<int>(back.textureWidth));
    ASSERT_LE(g.y + g.height, static_cast<int>(back.textureHeight));
    for (int r = 0; r < g.height; ++r)
      for (int c = 0; c < g.width; ++c) {
        int& o = owner[(g.y + r) * back.textureWidth + g.x + c];
        ASSERT_EQ(o, -1) << "glyphs " << o << " and " << i << " overlap";
        o = static_cast<int>(i);
      }
    if (g.width > 0) inked++;
  }
  EXPECT_GT(inked, 180);
}

TEST(TxfFont, GlyphsSitOnTheBaselineTheRightWayUp) {
  TxfFont font;
  std::string error;
  ASSERT_TRUE(renderTxfFont(defaultTtfPath(), 24, &font, &error)) << error;
  const TxfGlyph* T = nullptr;
  const TxfGlyph* p = nullptr;
  for (const TxfGlyph& g : font.glyphs) {
    if (g.character == 'T') T = &g;
    if (g.character == 'p') p = &g;
  }
  ASSERT_TRUE(T && p);
  EXPECT_EQ(T->yOffset, 0);  // capitals rest on the baseline
  EXPECT_LT(p->yOffset, 0);  // descenders go below it
  EXPECT_GT(T->advance, 0);
  // The texture's first row is the bottom: the bar of a 'T' is in its top rows.
  auto texel = [&](int col, int row) {
    return font.texels[(T->y + row) * font.textureWidth + T->x + col];
  };
  int topInk = 0, bottomInk = 0;
  for (int c = 0; c < T->width; ++c) {
    topInk += texel(c, T->height - 1) > 128;
    bottomInk += texel(c, 0) > 128;
  }
  EXPECT_GT(topInk, T->width / 2);
  EXPECT_LT(bottomInk, T->width / 2);
}

TEST(TxfFont, RefusesBadInputs) {
  TxfFont font;
  std::string error;
  EXPECT_FALSE(renderTxfFont("/nonexistent/font.ttf", 24, &font, &error));
  EXPECT_FALSE(renderTxfFont(defaultTtfPath(), 4, &font, &error));
  EXPECT_FALSE(readTxfFont("/nonexistent/x.txf", &font, &error));

  ASSERT_TRUE(renderTxfFont(defaultTtfPath(), 12, &font, &error));
  std::string path = tempPath("cut.txf");
  ASSERT_TRUE(writeTxfFont(path, font, &error));
  // A cut file is refused, not read past its end.
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (size_t keep : {size_t(3), size_t(20), size_t(40), bytes.size() - 1}) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(keep));
    out.close();
    EXPECT_FALSE(readTxfFont(path, &font, &error)) << keep;
  }
}
