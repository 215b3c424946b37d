// Writes the generated seed corpus of one target into a folder:
//   fuzz_seeds TARGET DIR
// Targets whose seeds are plain text keep them under tests/fuzz/seeds/ instead.
#include <cstdio>
#include <cstring>
#include <string>

#include "fuzz_entries.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: fuzz_seeds TARGET DIR\n");
    return 2;
  }
  if (std::strcmp(argv[1], "pod") != 0) return 0;
  std::string dir = argv[2];
  if (dir.empty() || dir[0] != '/') {
    std::fprintf(stderr, "fuzz_seeds: DIR must be absolute\n");
    return 2;
  }
  int n = 0;
  for (const std::string& s : podSeeds()) {
    std::string path = dir + "/generated-" + std::to_string(n++) + ".pod";
    if (!fuzzWriteFile(path, reinterpret_cast<const uint8_t*>(s.data()), s.size())) {
      std::fprintf(stderr, "fuzz_seeds: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
