#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds the viewer and starts it on the demo folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target viewer
mkdir -p demo
cd demo
exec ../build/viewer/viewer
