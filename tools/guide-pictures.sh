#!/usr/bin/env bash
# Makes the pictures of docs/exercises.md anew: builds the viewer and the fixture
# tools, then runs the guide's window test in update mode (Xvfb, Mesa's software
# renderer), which draws each example of the guide and writes docs/exercises/NAME.png.
#   CHART_BUILD_DIR    build folder (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=$(realpath -m "${CHART_BUILD_DIR:-build}")
bash tools/setup.sh
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j2 --target viewer podtool txfgen
python3 tests/gui/gui_tests.py --case guide_pictures --update \
  --viewer "$BUILD/viewer/viewer" --podtool "$BUILD/tools/podtool/podtool" --txfgen "$BUILD/tools/txfgen/txfgen"
