#!/usr/bin/env bash
# Frame rate of the chart per zoom: the full frame against its display lists alone,
# under Xvfb with Mesa's software renderer, both windows open.
#
#   bash bench/fps/run_fps.sh [--fast] [--panel] [--seconds S] [--runs N] [--zooms "Z ..."]
#                             [--folder DIR] [--viewer PATH] [BUILD_DIR]
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
# --panel adds two columns, lists_panel_fps and chart_overhead_pct: fps_lists with the
# viewer's panel and status line as well, and the overhead of the rest over that (the
# chart's own immediate-mode work, the panel's share taken out).
# With --runs N each figure is the median of N runs; the spread (min..max) of each
# zoom goes to standard error. --viewer measures another build's viewer (for example
# one of an earlier revision) for full_fps and immediate_vertices. Without --folder the synthetic world of fps_world is
# used; with it, a copy of that simulator folder (SYSTEM\, data\, DATA\).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

fast="" panel="" seconds=8 runs=1 zooms="0 200 350 500 1000 2000 2500" folder="" build=$root/build viewer=""
while [ $# -gt 0 ]; do
  case $1 in
    --fast) fast=--fast ;;
    --panel) panel=1 ;;
    --seconds) seconds=$2; shift ;;
    --runs) runs=$2; shift ;;
    --zooms) zooms=$2; shift ;;
    --folder) folder=$(cd "$2" && pwd); shift ;;
    --viewer) viewer=$(realpath "$2"); shift ;;
    -h|--help) sed -n '2,35p' "$0"; exit 0 ;;
    *) build=$(cd "$1" && pwd) ;;
  esac
  shift
done
viewer=${viewer:-$build/viewer/viewer}
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

# Starts a program (args after the first) in the folder with a preload ($1) and waits
# for its chart window; sets ppid_, wid and hex. The server now and then refuses a
# connection on a busy machine: such a start is tried again.
launch() {
  local preload=$1 tries
  shift
  for tries in 1 2 3 4; do
    rm -f "$work/frames" "$work/frames.tmp"
    (cd "$sim" && exec env LD_PRELOAD="$preload" SOAK_FRAMES_FILE="$work/frames" SOAK_FRAMES_EVERY=10 \
       TRACE_FILE="$work/t.trace" "$@" >"$work/out" 2>"$work/err") &
    ppid_=$!
    wid=""
    for _ in $(seq 300); do
      wid=$(xdotool search --onlyvisible --name '^TULM_COAST_&_RIVERS_VIEWER$' 2>/dev/null | head -1 || true)
      [ -n "$wid" ] && { hex=$(printf '0x%x' "$wid"); return 0; }
      kill -0 "$ppid_" 2>/dev/null || break
      sleep 0.2
    done
    stop
    grep -q "failed to open display" "$work/err" || break
    sleep 1
  done
  echo "run_fps: no chart window from $1; stderr: $(tail -3 "$work/err")" >&2
  exit 1
}
stop() {
  [ -n "$ppid_" ] && kill "$ppid_" 2>/dev/null && wait "$ppid_" 2>/dev/null || true
  ppid_=""
}
chart_swaps() {  # "COUNT TIME" of the chart window at the last rewrite
  awk -v w="$1" '$1 == w {c = $2} /^time=/ {t = substr($1, 6)} END {print c + 0, t + 0}' "$work/frames" 2>/dev/null || echo "0 0"
}
wait_swaps() {  # waits until the chart window has swapped $2 more times (120 s at most)
  local base n
  base=$(chart_swaps "$1" | cut -d' ' -f1)
  for _ in $(seq 1200); do
    n=$(chart_swaps "$1" | cut -d' ' -f1)
    [ "$n" -ge $((base + $2)) ] && return 0
    sleep 0.1
  done
  echo "run_fps: the chart stopped drawing" >&2
  exit 1
}
# Sets the view of the running viewer: the centre by a click at zoom 0, the zoom by a
# click on "ZM" in a tall window.
set_view() {  # $1 zoom; the window is $wid
  local zoom=$1
  move_profile
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
# Frames per second of the chart window over $seconds, into fps.
measure() {
  wait_swaps "$hex" 20
  local a b
  a=$(chart_swaps "$hex")
  sleep "$seconds"
  b=$(chart_swaps "$hex")
  fps=$(awk -v a="$a" -v b="$b" 'BEGIN {split(a, x, " "); split(b, y, " ");
    if (y[2] > x[2]) printf "%.1f\n", (y[1] - x[1]) / (y[2] - x[2]); else print "nan"}')
}
move_profile() {
  local profile
  profile=$(xdotool search --onlyvisible --name '^USER_ALTITUDE_VIEWER$' 2>/dev/null | head -1 || true)
  [ -n "$profile" ] && xdotool windowmove "$profile" 760 80
  sleep 0.5
}

full_fps() {  # $1 zoom
  launch "$work/swap_counter.so" "$viewer" $fast
  wait_swaps "$hex" 1
  set_view "$1"
  measure
  stop
}
lists_fps() {  # $1 zoom [$2 --panel]
  launch "$work/swap_counter.so" "$lists" $fast ${2:-} --zoom "$1" --centre $centre_x $centre_y
  move_profile
  measure
  stop
}
# Immediate-mode vertices of the viewer's chart frame at the view, from a short trace,
# into verts; stops the run when the frames do not show the zoom and centre asked for.
immediate_vertices() {  # $1 zoom
  rm -f "$work/t.trace"
  # The swap counter first: its swap calls on to the tracer's.
  launch "$work/swap_counter.so:$glxtrace" "$viewer" $fast
  wait_swaps "$hex" 1
  set_view "$1"
  wait_swaps "$hex" 12
  stop
  verts=$(apitrace dump --color=never --call-nos=no \
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
' "$1" "$centre_x" "$centre_y") || exit 1
}

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
spread() { tr ' ' '\n' | grep -v '^$' | sort -g | awk 'NR == 1 {lo = $1} {hi = $1} END {print lo ".." hi}'; }

overhead() { awk -v f="$1" -v l="$2" 'BEGIN {printf "%.1f", (l / f - 1) * 100}'; }
echo "zoom,full_fps,lists_fps,overhead_pct,immediate_vertices${panel:+,lists_panel_fps,chart_overhead_pct}"
for z in $zooms; do
  immediate_vertices "$z"
  fulls="" listss="" panels=""
  for _ in $(seq "$runs"); do   # interleaved, so that a busy spell touches each alike
    full_fps "$z"; fulls="$fulls $fps"
    lists_fps "$z"; listss="$listss $fps"
    if [ -n "$panel" ]; then lists_fps "$z" --panel; panels="$panels $fps"; fi
  done
  full=$(echo "$fulls" | median)
  list=$(echo "$listss" | median)
  line="$z,$full,$list,$(overhead "$full" "$list"),$verts"
  if [ -n "$panel" ]; then
    withpanel=$(echo "$panels" | median)
    line="$line,$withpanel,$(overhead "$full" "$withpanel")"
  fi
  echo "$line"
  echo "run_fps: zoom $z: full $(echo "$fulls" | spread) fps, lists $(echo "$listss" | spread) fps${panel:+, lists and panel $(echo "$panels" | spread) fps} over $runs run(s)" >&2
done
