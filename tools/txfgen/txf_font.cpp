#include "txf_font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace {

// Texels left empty around each glyph so that PLIB's mipmaps do not bleed
// one glyph into its neighbour.
const int kGutter = 2;

uint32_t nextPowerOfTwo(uint32_t v) {
  uint32_t p = 1;
  while (p < v) p <<= 1;
  return p;
}

bool fileExists(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return f.good();
}

void put32(std::string& s, uint32_t v) { s.append(reinterpret_cast<const char*>(&v), 4); }
void put16(std::string& s, uint16_t v) { s.append(reinterpret_cast<const char*>(&v), 2); }

struct RenderedGlyph {
  TxfGlyph box;
  std::vector<uint8_t> rows;  // top row first, as FreeType gives it
};

}  // namespace

std::vector<uint32_t> txfCharacterSet() {
  std::vector<uint32_t> set;
  for (uint32_t c = 32; c <= 126; ++c) set.push_back(c);
  for (uint32_t c = 160; c <= 255; ++c) set.push_back(c);
  return set;
}

std::string defaultTtfPath() {
  const char* candidates[] = {
      "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf",
      "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
      "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
  };
  for (const char* c : candidates)
    if (fileExists(c)) return c;
  return candidates[0];
}

bool renderTxfFont(const std::string& ttfPath, int pixelSize, TxfFont* out, std::string* error) {
  if (pixelSize < 8 || pixelSize > 96) {
    *error = "pixel size must be between 8 and 96";
    return false;
  }
  FT_Library library;
  if (FT_Init_FreeType(&library) != 0) {
    *error = "cannot start FreeType";
    return false;
  }
  FT_Face face;
  if (FT_New_Face(library, ttfPath.c_str(), 0, &face) != 0) {
    *error = "cannot read font " + ttfPath;
    FT_Done_FreeType(library);
    return false;
  }
  FT_Set_Pixel_Sizes(face, 0, pixelSize);

  std::vector<RenderedGlyph> glyphs;
  int ascent = static_cast<int>(face->size->metrics.ascender >> 6);
  int descent = static_cast<int>(-(face->size->metrics.descender >> 6));
  for (uint32_t c : txfCharacterSet()) {
    FT_UInt index = FT_Get_Char_Index(face, c);
    if (index == 0) continue;
    if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT) != 0) continue;
    if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0) continue;
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bm = slot->bitmap;
    long advance = slot->advance.x >> 6;
    if (bm.width > 255 || bm.rows > 255 || advance > 127 || slot->bitmap_left < -128 ||
        slot->bitmap_left > 127)
      continue;
    RenderedGlyph g{};
    g.box.character = static_cast<uint16_t>(c);
    g.box.width = static_cast<uint8_t>(bm.width);
    g.box.height = static_cast<uint8_t>(bm.rows);
    g.box.xOffset = static_cast<int8_t>(slot->bitmap_left);
    g.box.yOffset = static_cast<int8_t>(slot->bitmap_top - static_cast<int>(bm.rows));
    g.box.advance = static_cast<int8_t>(advance);
    g.rows.resize(static_cast<size_t>(bm.width) * bm.rows);
    for (unsigned r = 0; r < bm.rows; ++r)
      std::memcpy(&g.rows[r * bm.width], bm.buffer + static_cast<long>(r) * bm.pitch, bm.width);
    ascent = std::max(ascent, slot->bitmap_top);
    descent = std::max(descent, static_cast<int>(bm.rows) - slot->bitmap_top);
    glyphs.push_back(std::move(g));
  }
  FT_Done_Face(face);
  FT_Done_FreeType(library);
  if (glyphs.empty()) {
    *error = "font " + ttfPath + " has none of the characters";
    return false;
  }

  // Shelf packing, tallest glyphs first, into a texture as narrow as the glyphs allow.
  uint32_t texWidth = pixelSize <= 24 ? 256 : (pixelSize <= 48 ? 512 : 1024);
  std::vector<size_t> order(glyphs.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return glyphs[a].box.height > glyphs[b].box.height; });
  int penX = kGutter, penY = kGutter, shelf = 0;
  for (size_t i : order) {
    TxfGlyph& b = glyphs[i].box;
    if (penX + b.width + kGutter > static_cast<int>(texWidth)) {
      penX = kGutter;
      penY += shelf + kGutter;
      shelf = 0;
    }
    b.x = static_cast<int16_t>(penX);
    b.y = static_cast<int16_t>(penY);
    penX += b.width + kGutter;
    shelf = std::max(shelf, static_cast<int>(b.height));
  }
  uint32_t texHeight = nextPowerOfTwo(static_cast<uint32_t>(penY + shelf + kGutter));

  out->format = 0;
  out->textureWidth = texWidth;
  out->textureHeight = texHeight;
  out->maxAscent = static_cast<uint32_t>(ascent);
  out->maxDescent = static_cast<uint32_t>(descent);
  out->texels.assign(static_cast<size_t>(texWidth) * texHeight, 0);
  out->glyphs.clear();
  for (const RenderedGlyph& g : glyphs) {
    // FreeType's first row is the top; the texture's first row is the bottom.
    for (int r = 0; r < g.box.height; ++r) {
      size_t dst = static_cast<size_t>(g.box.y + (g.box.height - 1 - r)) * texWidth + g.box.x;
      std::memcpy(&out->texels[dst], &g.rows[static_cast<size_t>(r) * g.box.width], g.box.width);
    }
    out->glyphs.push_back(g.box);
  }
  return true;
}

bool writeTxfFont(const std::string& path, const TxfFont& font, std::string* error) {
  std::string s;
  s.append("\xfftxf", 4);
  put32(s, 0x12345678u);
  put32(s, font.format);
  put32(s, font.textureWidth);
  put32(s, font.textureHeight);
  put32(s, font.maxAscent);
  put32(s, font.maxDescent);
  put32(s, static_cast<uint32_t>(font.glyphs.size()));
  for (const TxfGlyph& g : font.glyphs) {
    put16(s, g.character);
    s.push_back(static_cast<char>(g.width));
    s.push_back(static_cast<char>(g.height));
    s.push_back(static_cast<char>(g.xOffset));
    s.push_back(static_cast<char>(g.yOffset));
    s.push_back(static_cast<char>(g.advance));
    s.push_back(0);
    put16(s, static_cast<uint16_t>(g.x));
    put16(s, static_cast<uint16_t>(g.y));
  }
  s.append(reinterpret_cast<const char*>(font.texels.data()), font.texels.size());
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  if (!f) {
    *error = "cannot create " + path;
    return false;
  }
  f.write(s.data(), static_cast<std::streamsize>(s.size()));
  f.close();
  if (!f) {
    *error = "cannot write " + path;
    return false;
  }
  return true;
}

bool readTxfFont(const std::string& path, TxfFont* out, std::string* error) {
  std::ifstream f(path, std::ios::binary);
  if (!f) {
    *error = "cannot open " + path;
    return false;
  }
  std::string s((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  size_t pos = 0;
  auto take = [&](void* dst, size_t n) {
    if (pos + n > s.size()) return false;
    std::memcpy(dst, s.data() + pos, n);
    pos += n;
    return true;
  };
  char magic[4];
  uint32_t endian = 0, count = 0;
  if (!take(magic, 4) || std::memcmp(magic, "\xfftxf", 4) != 0) {
    *error = "not a TXF file";
    return false;
  }
  if (!take(&endian, 4) || endian != 0x12345678u || !take(&out->format, 4) ||
      !take(&out->textureWidth, 4) || !take(&out->textureHeight, 4) ||
      !take(&out->maxAscent, 4) || !take(&out->maxDescent, 4) || !take(&count, 4)) {
    *error = "short or foreign-endian header";
    return false;
  }
  if (out->format != 0 || out->textureWidth == 0 || out->textureHeight == 0 ||
      out->textureWidth > 4096 || out->textureHeight > 4096 || count > 65536) {
    *error = "unsupported header values";
    return false;
  }
  out->glyphs.resize(count);
  for (TxfGlyph& g : out->glyphs) {
    uint8_t pad;
    if (!take(&g.character, 2) || !take(&g.width, 1) || !take(&g.height, 1) ||
        !take(&g.xOffset, 1) || !take(&g.yOffset, 1) || !take(&g.advance, 1) || !take(&pad, 1) ||
        !take(&g.x, 2) || !take(&g.y, 2)) {
      *error = "short glyph table";
      return false;
    }
  }
  out->texels.resize(static_cast<size_t>(out->textureWidth) * out->textureHeight);
  if (!take(out->texels.data(), out->texels.size())) {
    *error = "short texture";
    return false;
  }
  return true;
}
