// txfgen [--font FILE.ttf] [--size PIXELS] OUT.txf
// Renders a TrueType font into the TXF texture font the viewer loads.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "txf_font.h"

static int usage() {
  std::fprintf(stderr, "usage: txfgen [--font FILE.ttf] [--size PIXELS] OUT.txf\n");
  return 2;
}

int main(int argc, char** argv) {
  std::string font = defaultTtfPath();
  int size = 24;
  std::string out;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--font") == 0 && i + 1 < argc) {
      font = argv[++i];
    } else if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
      char* end = nullptr;
      long v = std::strtol(argv[++i], &end, 10);
      if (*end != '\0' || v < 8 || v > 96) {
        std::fprintf(stderr, "txfgen: --size takes a whole number from 8 to 96\n");
        return 2;
      }
      size = static_cast<int>(v);
    } else if (argv[i][0] == '-' || !out.empty()) {
      return usage();
    } else {
      out = argv[i];
    }
  }
  if (out.empty()) return usage();
  if (out.size() < 4 || out.compare(out.size() - 4, 4, ".txf") != 0) {
    // PLIB picks its loader by the file name's ending.
    std::fprintf(stderr, "txfgen: the output name must end in .txf\n");
    return 2;
  }
  TxfFont txf;
  std::string error;
  if (!renderTxfFont(font, size, &txf, &error) || !writeTxfFont(out, txf, &error)) {
    std::fprintf(stderr, "txfgen: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
