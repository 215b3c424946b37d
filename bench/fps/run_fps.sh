#!/usr/bin/env bash
# Frame rate of the chart per zoom: the full frame against its display lists alone,
# under Xvfb with Mesa's software renderer, both windows open.
#
#   bash bench/fps/run_fps.sh [--fast] [--seconds S] [--runs N] [--zooms "Z ..."]
#                             [--folder DIR] [BUILD_DIR]
#
# Prints a header line and one CSV line per zoom (default 0 200 350 500 1000 2000 2500):
#   zoom,full_fps,lists_fps,overhead_pct,immediate_vertices
# full_fps     chart frames per second of the real viewer (--fast: with that option).
#              Its view is set from outside, as a user sets it: one click on the chart
#              at zoom 0 puts the centre at 5.06 E, 43.31 N (chart 506, 4331), one
#              click on "ZM" sets the zoom (the window is made 2880 pixels tall for
#              that click, so that every zoom value has a pixel row of its own, then
#              put back to 640 by 480). Chart-window buffer swaps are counted by the
#              preloaded bench/soak/swap_counter.c, over S seconds (default 8).
# lists_fps    the same, for fps_lists at the same view: the same windows and frames
#              with nothing but the display lists the viewer's frame calls.
# overhead_pct (lists_fps / full_fps - 1) x 100: the rest of the frame (grids, symbols,
#              track, exercises, names drawn per frame, the panel) in percent of the
#              lists alone.
# immediate_vertices  vertices the viewer's chart frame sends in immediate mode
#              (glVertex*, glEvalCoord*, 4 per glRect*), counted in an apitrace of the
#              same view; that trace also checks the zoom and centre reached.
# With --runs N each figure is the median of N runs; the spread (min..max) of each
# zoom goes to standard error. Without --folder the synthetic world of fps_world is
# used; with it, a copy of that simulator folder (SYSTEM\, data\, DATA\).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

fast="" seconds=8 runs=1 zooms="0 200 350 500 1000 2000 2500" folder="" build=$root/build
while [ $# -gt 0 ]; do
  case $1 in
    --fast) fast=--fast ;;
    --seconds) seconds=$2; shift ;;
    --runs) runs=$2; shift ;;
    --zooms) zooms=$2; shift ;;
    --folder) folder=$(cd "$2" && pwd); shift ;;
    -h|--help) sed -n '2,30p' "$0"; exit 0 ;;
    *) build=$(cd "$1" && pwd) ;;
  esac
  shift
done
viewer=$build/viewer/viewer
lists=$build/bench/fps/fps_lists
for b in "$viewer" "$lists" "$build/bench/fps/fps_world" "$build/tools/txfgen/txfgen"; do
  [ -x "$b" ] || { echo "run_fps: $b is missing; build the project first" >&2; exit 1; }
done
glxtrace=/usr/lib/x86_64-linux-gnu/apitrace/wrappers/glxtrace.so
[ -e "$glxtrace" ] || { echo "run_fps: apitrace's $glxtrace is missing (bash tools/setup.sh)" >&2; exit 1; }

work=$(mktemp -d /tmp/run-fps.XXXXXX)
xpid="" ppid_=""
cleanup() {
  [ -n "$ppid_" ] && kill "$ppid_" 2>/dev/null && wait "$ppid_" 2>/dev/null
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null && wait "$xpid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

sim=$work/sim
if [ -n "$folder" ]; then
  mkdir -p "$sim" && cp -r "$folder"/. "$sim/" && mkdir -p "$sim/data"
else
  "$build/bench/fps/fps_world" "$sim" >/dev/null
fi
[ -e "$sim/data/Helvetica.txf" ] || "$build/tools/txfgen/txfgen" "$sim/data/Helvetica.txf" >/dev/null
cc -shared -fPIC -O2 -o "$work/swap_counter.so" "$root/bench/soak/swap_counter.c" -ldl

display=$((200 + RANDOM % 600))
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x3000x24 -nolisten tcp >/dev/null 2>&1 & xpid=$!
export DISPLAY=:$display
for _ in $(seq 100); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

tall=2880
centre_x=506 centre_y=4331   # one click 9 px right of and 77 px above the centre of 640 x 480

# Starts a program (args after the first) in the folder with a preload ($1); sets ppid_.
start() {
  local preload=$1
  shift
  rm -f "$work/frames" "$work/frames.tmp"
  (cd "$sim" && exec env LD_PRELOAD="$preload" SOAK_FRAMES_FILE="$work/frames" SOAK_FRAMES_EVERY=10 \
     TRACE_FILE="$work/t.trace" "$@" >"$work/out" 2>"$work/err") &
  ppid_=$!
}
stop() {
  [ -n "$ppid_" ] && kill "$ppid_" 2>/dev/null && wait "$ppid_" 2>/dev/null || true
  ppid_=""
}
window() {  # $1 title: prints its id once it shows (60 s at most)
  local w=""
  for _ in $(seq 300); do
    w=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)
    [ -n "$w" ] && { echo "$w"; return 0; }
    kill -0 "$ppid_" 2>/dev/null || break
    sleep 0.2
  done
  echo "run_fps: no window $1; stderr: $(tail -3 "$work/err")" >&2
  return 1
}
chart_swaps() {  # "COUNT TIME" of the chart window at the last rewrite
  awk -v w="$1" '$1 == w {c = $2} /^time=/ {t = substr($1, 6)} END {print c + 0, t + 0}' "$work/frames" 2>/dev/null || echo "0 0"
}
wait_swaps() {  # waits until the chart window has swapped $2 more times (60 s at most)
  local base n
  base=$(chart_swaps "$1" | cut -d' ' -f1)
  for _ in $(seq 600); do
    n=$(chart_swaps "$1" | cut -d' ' -f1)
    [ "$n" -ge $((base + $2)) ] && return 0
    sleep 0.1
  done
  echo "run_fps: the chart stopped drawing" >&2
  return 1
}
# Sets the view of the running viewer: the centre by a click at zoom 0, the zoom by a
# click on "ZM" in a tall window.
set_view() {  # $1 chart window, $2 zoom
  local wid=$1 zoom=$2 profile
  profile=$(xdotool search --onlyvisible --name '^USER_ALTITUDE_VIEWER$' 2>/dev/null | head -1 || true)
  [ -n "$profile" ] && xdotool windowmove "$profile" 760 80
  sleep 0.5
  xdotool mousemove --window "$wid" 329 163 click 1
  sleep 0.5
  if [ "$zoom" -gt 0 ]; then
    xdotool windowsize "$wid" 640 "$tall"
    sleep 1
    # From value 0, a click c pixels above the bottom sets 2500 (c - 0.05 h) / (0.9 h).
    local c=$(( tall / 20 + (zoom * tall * 9 + 24999) / 25000 ))
    xdotool mousemove --window "$wid" 9 $((tall - c)) click 1
    sleep 1
    xdotool windowsize "$wid" 640 480
    sleep 1
  fi
}
# Frames per second of the chart window over $seconds.
measure() {  # $1 hex chart window
  wait_swaps "$1" 20
  local a b
  a=$(chart_swaps "$1")
  sleep "$seconds"
  b=$(chart_swaps "$1")
  awk -v a="$a" -v b="$b" 'BEGIN {split(a, x, " "); split(b, y, " ");
    if (y[2] > x[2]) printf "%.1f\n", (y[1] - x[1]) / (y[2] - x[2]); else print "nan"}'
}

full_fps() {  # $1 zoom
  start "$work/swap_counter.so" "$viewer" $fast
  local wid
  wid=$(window 'TULM_COAST_&_RIVERS_VIEWER')
  wait_swaps "$(printf '0x%x' "$wid")" 1
  set_view "$wid" "$1"
  measure "$(printf '0x%x' "$wid")"
  stop
}
lists_fps() {  # $1 zoom
  start "$work/swap_counter.so" "$lists" $fast --zoom "$1" --centre $centre_x $centre_y
  local wid profile
  wid=$(window 'TULM_COAST_&_RIVERS_VIEWER')
  profile=$(xdotool search --onlyvisible --name '^USER_ALTITUDE_VIEWER$' 2>/dev/null | head -1 || true)
  [ -n "$profile" ] && xdotool windowmove "$profile" 760 80
  measure "$(printf '0x%x' "$wid")"
  stop
}
# Immediate-mode vertices of the viewer's chart frame at the view, from a short trace;
# fails when the frames do not show the zoom and centre asked for.
immediate_vertices() {  # $1 zoom
  rm -f "$work/t.trace"
  start "$glxtrace" "$viewer" $fast
  local wid
  wid=$(window 'TULM_COAST_&_RIVERS_VIEWER')
  sleep 2
  set_view "$wid" "$1"
  sleep 4
  stop
  apitrace dump --color=never --call-nos=no \
    --grep='^(glXMakeCurrent|glXMakeContextCurrent|glXSwapBuffers|glNewList|glEndList|glVertex|glEvalCoord|glRect|glScalef|glTranslatef)' \
    "$work/t.trace" 2>/dev/null | python3 -c '
import re, sys
zoom, cx, cy = int(sys.argv[1]), float(sys.argv[2]), float(sys.argv[3])
chart = current = None
in_list = False
frames, n, scale, move = [], 0, None, None
for line in sys.stdin:
    name = line[:line.find("(")]
    if name.startswith("glXMake"):
        m = re.search(r"drawable = (\w+)", line) or re.search(r"draw = (\w+)", line)
        if m:
            current = m.group(1)
            chart = chart or current
    elif name == "glXSwapBuffers":
        if re.search(r"drawable = (\w+)", line).group(1) == chart:
            frames.append((n, scale, move))
            n, scale, move = 0, None, None
    elif name == "glNewList":
        in_list = True
    elif name == "glEndList":
        in_list = False
    elif in_list or current != chart:
        continue
    elif name.startswith("glVertex") or name.startswith("glEvalCoord"):
        n += 1
    elif name.startswith("glRect"):
        n += 4
    elif name == "glScalef" and scale is None:
        scale = float(re.search(r"x = ([^,]+)", line).group(1))
    elif name == "glTranslatef" and scale is not None and move is None:
        a = re.findall(r"[xy] = ([^,]+)", line)
        move = (-float(a[0]), -float(a[1]))
last = [f for f in frames if f[1] is not None][-3:]
if not last or any(f[1] != zoom + 1 or f[2] != (cx, cy) for f in last):
    sys.exit("run_fps: the traced frames show %s, not zoom %d at (%g, %g)"
             % ([(f[1] - 1, f[2]) for f in last], zoom, cx, cy))
print(sorted(f[0] for f in last)[len(last) // 2])
' "$1" "$centre_x" "$centre_y"
}

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
spread() { tr ' ' '\n' | grep -v '^$' | sort -g | awk 'NR == 1 {lo = $1} {hi = $1} END {print lo ".." hi}'; }

echo "zoom,full_fps,lists_fps,overhead_pct,immediate_vertices"
for z in $zooms; do
  verts=$(immediate_vertices "$z")
  fulls="" listss=""
  for _ in $(seq "$runs"); do
    fulls="$fulls $(full_fps "$z")"
    listss="$listss $(lists_fps "$z")"
  done
  full=$(echo "$fulls" | median)
  list=$(echo "$listss" | median)
  overhead=$(awk -v f="$full" -v l="$list" 'BEGIN {printf "%.1f", (l / f - 1) * 100}')
  echo "$z,$full,$list,$overhead,$verts"
  echo "run_fps: zoom $z: full $(echo "$fulls" | spread) fps, lists $(echo "$listss" | spread) fps over $runs run(s)" >&2
done
