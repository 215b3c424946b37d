// TXF texture fonts: rendering one from a TrueType file, and reading one back.
//
// The viewer draws all its text through PLIB's fntTexFont, which loads the TXF
// layout: a small header, a table of glyph boxes and one alpha texture holding
// every glyph. txfgen builds "data\Helvetica.txf" with renderTxfFont, so no binary
// font is kept in the repository. readTxfFont parses the same layout; the tests use
// it to check what PLIB will see (sizes, boxes inside the texture, no overlaps).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TxfGlyph {
  uint16_t character;
  uint8_t width, height;
  int8_t xOffset, yOffset;  // yOffset: the glyph's bottom row relative to the baseline
  int8_t advance;
  int16_t x, y;             // bottom-left texel in the texture
};

struct TxfFont {
  uint32_t format = 0;  // 0: one byte per texel
  uint32_t textureWidth = 0, textureHeight = 0;
  uint32_t maxAscent = 0, maxDescent = 0;
  std::vector<TxfGlyph> glyphs;
  std::vector<uint8_t> texels;  // textureWidth x textureHeight, first row at the bottom
};

// The characters the viewer may print: ASCII 32..126 and Latin-1 160..255.
std::vector<uint32_t> txfCharacterSet();

// Renders the characters of txfCharacterSet at pixelSize (8..96) into a TXF font.
// Characters the face lacks are left out. False with a message in *error on failure.
bool renderTxfFont(const std::string& ttfPath, int pixelSize, TxfFont* out, std::string* error);

bool writeTxfFont(const std::string& path, const TxfFont& font, std::string* error);

// Parses a TXF file; false with a message on a short, malformed or inconsistent file.
bool readTxfFont(const std::string& path, TxfFont* out, std::string* error);

// The fonts tried when none is named: Liberation Sans, then DejaVu Sans.
std::string defaultTtfPath();
