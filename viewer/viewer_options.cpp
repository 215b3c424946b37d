#include "viewer_options.h"

#include <cstring>

bool takeFastOption(int* argc, char** argv) {
  bool found = false;
  int kept = 0;
  for (int i = 0; i < *argc; ++i) {
    if (i > 0 && std::strcmp(argv[i], "--fast") == 0) {
      found = true;
      continue;
    }
    argv[kept++] = argv[i];
  }
  for (int i = kept; i < *argc; ++i) argv[i] = nullptr;
  *argc = kept;
  return found;
}

bool wantsHelp(int argc, char** argv) {
  return argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0);
}

const char kViewerUsage[] =
    "usage: viewer [--fast] [GLUT's options, such as -geometry 800x600 or -display :1]\n"
    "Draws the chart of the simulator folder it is started in (SYSTEM\\, data\\, DATA\\)\n"
    "and the altitude profile of the track file.\n"
    "  --fast   the same picture, pixel for pixel, with a frame's work limited to what\n"
    "           can be on screen (tiles for the static layers, culled symbols, names,\n"
    "           grid lines, track segments and exercises)\n"
    "Keys: f toggles follow mode (re-reads the track file once a second while it grows\n"
    "and keeps the last point in the centre).\n";
