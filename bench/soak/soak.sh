#!/usr/bin/env bash
# Soak run of the viewer: a world-size simulator folder, every zoom band visited
# again and again through the "ZM" slider, resident memory sampled throughout.
#
#   bench/soak/soak.sh [BUILD_DIR]          (default: build)
#
# Environment: SOAK_FRAMES (chart frames to reach, default 20000), SOAK_TOLERANCE_KB
# (allowed growth over the warm baseline, default 2048), SOAK_MAX_SECONDS (give up,
# default 5400), SOAK_DWELL (seconds per slider position, default 2), SOAK_WORK
# (work folder, default /tmp/chart-soak; the world in it is reused when present).
#
# Frames are chart-window buffer swaps, counted by an LD_PRELOAD shim. The warm
# baseline is the RSS after the first full pass over the slider (display lists
# compiled, every band drawn once); any later sample above baseline + tolerance
# fails the run. Exit 0 on pass, 1 on growth, a crash or too few frames.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
frames_wanted=${SOAK_FRAMES:-20000}
tolerance=${SOAK_TOLERANCE_KB:-2048}
max_seconds=${SOAK_MAX_SECONDS:-5400}
dwell=${SOAK_DWELL:-2}
work=${SOAK_WORK:-/tmp/chart-soak}
world=$work/world

viewer=$build/viewer/viewer
podtool=$build/tools/podtool/podtool
txfgen=$build/tools/txfgen/txfgen
for b in "$viewer" "$podtool" "$txfgen"; do
  [ -x "$b" ] || cmake --build "$build" -j2 --target viewer podtool txfgen >/dev/null
done

mkdir -p "$work"
if [ ! -f "$world/.complete" ]; then
  echo "soak: writing the world folder in $world"
  rm -rf "$world"
  python3 "$here/make_world.py" "$world"
  "$podtool" airports "$world/csv/airports.csv" "$world/SYSTEM/AIRPORT.POD"
  "$podtool" runways "$world/csv/runways.csv" "$world/SYSTEM/RUNWAY.POD"
  "$podtool" navaids "$world/csv/navaids.csv" "$world/SYSTEM/NAVAID.POD"
  "$txfgen" "$world/data/Helvetica.txf" >/dev/null
  touch "$world/.complete"
fi
cc -shared -fPIC -O2 -o "$work/swap_counter.so" "$here/swap_counter.c" -ldl

display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
xpid="" vpid=""
cleanup() {
  [ -n "$vpid" ] && kill "$vpid" 2>/dev/null || true
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null || true
}
trap cleanup EXIT
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xpid=$!
export DISPLAY=":$display"
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.2; done

frames_file=$work/frames.txt
rm -f "$frames_file"
(cd "$world" && exec env LD_PRELOAD="$work/swap_counter.so" SOAK_FRAMES_FILE="$frames_file" \
  "$viewer" >"$work/viewer.out" 2>"$work/viewer.err") &
vpid=$!

wid=""
for _ in $(seq 600); do
  wid=$(xdotool search --onlyvisible --name '^TULM_COAST_&_RIVERS_VIEWER$' 2>/dev/null | head -1 || true)
  [ -n "$wid" ] && break
  kill -0 "$vpid" 2>/dev/null || break
  sleep 0.2
done
if [ -z "$wid" ]; then
  echo "soak: FAILED, the chart window never appeared"; cat "$work/viewer.err"; exit 1
fi
hexwid=$(printf '0x%x' "$wid")

rss() {
  local r
  r=$(awk '/^VmRSS:/ {print $2}' "/proc/$vpid/status" 2>/dev/null || true)
  echo "${r:-0}"
}
chart_frames() {
  local f=""
  [ -f "$frames_file" ] && f=$(awk -v w="$hexwid" '$1 == w {print $2}' "$frames_file" 2>/dev/null || true)
  echo "${f:-0}"
}
all_frames() {
  local f=""
  [ -f "$frames_file" ] && f=$(awk '/^0x/ {s += $2} END {print s + 0}' "$frames_file" 2>/dev/null || true)
  echo "${f:-0}"
}

# Slider heights, window-relative from the top: the slider runs the whole 480-pixel
# height with 0 at the bottom, so 10-pixel steps (about 52 zoom units) land in every
# band, the narrowest (251..350) included. Up, then back down.
heights=()
for y in $(seq 470 -10 10); do heights+=("$y"); done
for y in $(seq 20 10 460); do heights+=("$y"); done

log=$work/soak.log
echo "# seconds chart_frames all_frames rss_kb slider_y" >"$log"
start=$(date +%s)
rss_start=$(rss)
baseline="" peak_after=0 pass=0 failed=""
while :; do
  for y in "${heights[@]}"; do
    xdotool mousemove --window "$wid" 9 "$y" click 1 >/dev/null 2>&1 || true
    sleep "$dwell"
    if ! kill -0 "$vpid" 2>/dev/null; then failed="the viewer died"; break 2; fi
    now=$(($(date +%s) - start))
    r=$(rss); f=$(chart_frames)
    echo "$now $f $(all_frames) $r $y" >>"$log"
    if [ -n "$baseline" ] && [ "$r" -gt "$peak_after" ]; then peak_after=$r; fi
    if [ "$now" -gt "$max_seconds" ]; then break 2; fi
  done
  pass=$((pass + 1))
  if [ -z "$baseline" ]; then baseline=$(rss); peak_after=$baseline; fi
  f=$(chart_frames)
  [ "$f" -ge "$frames_wanted" ] && [ "$pass" -ge 2 ] && break
done
elapsed=$(($(date +%s) - start))
rss_end=$(rss)
f=$(chart_frames)
kill "$vpid" 2>/dev/null || true
wait "$vpid" 2>/dev/null || true
vpid=""

echo "soak: $f chart frames ($(all_frames) swaps in both windows) in ${elapsed}s, $pass passes over the ZM slider"
echo "soak: RSS at the first frames ${rss_start} kB, warm baseline ${baseline:-?} kB, end ${rss_end} kB, peak after warm-up ${peak_after} kB (tolerance ${tolerance} kB)"
echo "soak: samples in $log"
if [ -z "$failed" ] && [ "$f" -lt "$frames_wanted" ]; then failed="only $f chart frames in ${elapsed}s"; fi
if [ -z "$failed" ] && [ $((peak_after - baseline)) -gt "$tolerance" ]; then
  failed="resident memory grew by $((peak_after - baseline)) kB after warm-up"
fi
if [ -n "$failed" ]; then
  echo "soak: FAILED, $failed"
  exit 1
fi
echo "soak: passed"
