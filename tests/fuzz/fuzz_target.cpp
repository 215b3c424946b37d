// libFuzzer driver shared by every target; FUZZ_TARGET_NAME picks the reader entry.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "fuzz_entries.h"

namespace {

FuzzEntry entry = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  for (const FuzzTarget& t : fuzzTargets())
    if (std::strcmp(t.name, FUZZ_TARGET_NAME) == 0) entry = t.entry;
  if (!entry) {
    std::fprintf(stderr, "no fuzz entry named %s\n", FUZZ_TARGET_NAME);
    std::abort();
  }
  fuzzScratchDir();
  // The readers' messages go to standard output; libFuzzer reports on standard error.
  if (!std::freopen("/dev/null", "w", stdout)) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string problem = entry(data, size);
  if (!problem.empty()) {
    std::fprintf(stderr, "fuzz invariant broken (%s): %s\n", FUZZ_TARGET_NAME, problem.c_str());
    std::abort();
  }
  return 0;
}
