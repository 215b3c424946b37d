#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
ctest --test-dir build --output-on-failure -j2 --timeout 600

# The GL-free unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
cmake -S . -B build-san -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCHART_SANITIZE=ON \
  -DCHART_BUILD_GUI=OFF -DCHART_BUILD_BENCH=OFF >/dev/null
cmake --build build-san -j2
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-san --output-on-failure -j2 --timeout 900

# A short run of every reader's fuzz target (clang, libFuzzer, both sanitizers).
bash tools/fuzz.sh 30
