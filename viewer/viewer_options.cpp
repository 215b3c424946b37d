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
