#!/usr/bin/env bash
# Frames per second of the chart window at zoom 0, 200, 500 and 2000 over a
# world-size folder, under Xvfb with Mesa's software renderer.
# usage: bench/fps/run_fps.sh [BUILD_DIR] [SECONDS] [FOLDER]   (BUILD_DIR default: build)
# Needs the targets viewer_fps, fps_world and txfgen built in BUILD_DIR. Without
# FOLDER it builds a synthetic world-size folder with fps_world; with FOLDER (a
# simulator folder with SYSTEM\ and data\, e.g. one made by navconv and gshhg2dat)
# it measures a copy of that one.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
seconds=${2:-5}
work=$(mktemp -d)
xpid=""
cleanup() {
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null && wait "$xpid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

if [ -n "${3:-}" ]; then
  mkdir -p "$work/sim"
  cp -r "$3"/. "$work/sim/"
  mkdir -p "$work/sim/data"
else
  "$build/bench/fps/fps_world" "$work/sim"
fi
"$build/tools/txfgen/txfgen" "$work/sim/data/Helvetica.txf"

display=:$(( 90 + RANDOM % 100 ))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 & xpid=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
export DISPLAY=$display

run() {  # $1 zoom, $2 label
  (cd "$work/sim" && BENCH_ZOOM=$1 BENCH_LONG=520 BENCH_LAT=4340 BENCH_SECONDS=$seconds \
    timeout $(( seconds * 4 + 60 )) "$build/bench/fps/viewer_fps" | grep '^fps' | sed "s/^/$2 /")
}
if [ -e "$work/sim/data/__ORVANDEL.dat" ]; then
  for z in 0 200 500 2000; do run "$z" "chart+profile"; done
  mv "$work/sim/data/__ORVANDEL.dat" "$work/sim/data/track.dat"
fi
for z in 0 200 500 2000; do run "$z" "chart-only"; done
