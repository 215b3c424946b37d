#!/usr/bin/env bash
# The demo in one command, on a fresh Debian 12 machine: installs what the build
# needs, builds, assembles a simulator folder in demo/ (the world's coastlines
# and rivers, airports, runways and navaids, the chart font, an exercises file
# around Marseille Provence and a flight recorded through the real plug-in), and
# starts the viewer in it. Without a display (no DISPLAY) the viewer runs under
# Xvfb: the demo then saves demo/chart.png and demo/profile.png and ends it.
#
# Re-running reuses what is there: the downloaded data and every converted file
# are rebuilt only when missing or older than the tool that makes them.
#
#   bash tools/demo.sh [--resolution c|l|i|h|f] [--fast]
#   --resolution  GSHHG coastlines and rivers: c crude, l low (default), i intermediate
#                 (Debian gmt-gshhg-low), h high (gmt-gshhg-high, installed when asked
#                 for), f full (gmt-gshhg-full, likewise; about 10 million points)
#   --fast        start the viewer with --fast: the same chart, drawing only what can
#                 be on screen (worth it from resolution h on)
#
#   CHART_BUILD_DIR    build folder (default: build)
#   CHART_DEMO_SOURCE  fg (default: the flight-simulator data package) or oa (OurAirports CSV)
#   OURAIRPORTS_DIR    folder of navaids.csv, runways.csv [, airports.csv] for the oa source
#                      (default: ../shared/data/ourairports beside the repository)
#   CHART_DEMO_HEADLESS=1  use Xvfb and take the screenshots even when DISPLAY is set
set -euo pipefail
RESOLUTION=l
VIEWER_ARGS=()
while [ $# -gt 0 ]; do
  case $1 in
    --resolution)
      RESOLUTION=${2:-}
      case $RESOLUTION in c|l|i|h|f) ;; *) echo "demo: --resolution takes c, l, i, h or f" >&2; exit 2 ;; esac
      shift ;;
    --fast) VIEWER_ARGS=(--fast) ;;
    -h|--help) sed -n '2,22p' "$0"; exit 0 ;;
    *) echo "demo: unknown argument $1 (try --help)" >&2; exit 2 ;;
  esac
  shift
done
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=${CHART_BUILD_DIR:-$ROOT/build}
DEMO=$ROOT/demo
CACHE=$DEMO/cache
SOURCE=${CHART_DEMO_SOURCE:-fg}
OA_DIR=$(realpath -m "${OURAIRPORTS_DIR:-$ROOT/../shared/data/ourairports}")

say() { printf 'demo: %s\n' "$*"; }
# True when $1 is missing or older than any of the other files.
stale() {
  local out=$1
  shift
  [ -e "$out" ] || return 0
  local dep
  for dep in "$@"; do
    [ "$dep" -nt "$out" ] && return 0
  done
  return 1
}

# ---- packages and build ----
bash tools/setup.sh
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=(viewer gshhg2dat navconv demoflight txfgen orvandel-host OrvandelDLL debrief)
# exercheck checks the exercises against the navaid table, where the tree has it.
known_targets=$(cmake --build "$BUILD" --target help 2>/dev/null || true)
if grep -qw exercheck <<<"$known_targets"; then targets+=(exercheck); fi
cmake --build "$BUILD" -j2 --target "${targets[@]}"
GSHHG=$BUILD/tools/gshhg/gshhg2dat
NAVCONV=$BUILD/tools/navconv/navconv
FLIGHTGEN=$BUILD/tools/demo/demoflight
TXFGEN=$BUILD/tools/txfgen/txfgen
HOST=$BUILD/tools/host/orvandel-host
PLUGIN=$BUILD/plugin/OrvandelDLL.so
VIEWER=$BUILD/viewer/viewer
EXERCHECK=$BUILD/tools/exercheck/exercheck
DEBRIEF=$BUILD/tools/debrief/debrief

# One data folder: the chart reads data/, the plug-in and the exercises say DATA\,
# and the path helper matches folder names without regard to case.
mkdir -p "$CACHE" "$DEMO/data" "$DEMO/SYSTEM"

# ---- coastlines and rivers ----
# h and f come in packages of their own, installed only when asked for.
GSHHG_PACKAGE=gmt-gshhg-low
case $RESOLUTION in h) GSHHG_PACKAGE=gmt-gshhg-high ;; f) GSHHG_PACKAGE=gmt-gshhg-full ;; esac
if ! dpkg-query -W -f='${Status}' "$GSHHG_PACKAGE" 2>/dev/null | grep -q "install ok installed"; then
  say "installing $GSHHG_PACKAGE for resolution $RESOLUTION"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$GSHHG_PACKAGE" >/dev/null
fi
RESOLUTION_MARK=$DEMO/data/.resolution
if [ "$(cat "$RESOLUTION_MARK" 2>/dev/null || true)" != "$RESOLUTION" ]; then rm -f "$RESOLUTION_MARK"; fi
if stale "$RESOLUTION_MARK" "$GSHHG" || [ ! -s "$DEMO/data/world_coast.dat" ] || [ ! -s "$DEMO/data/rivers.dat" ]; then
  say "converting coastlines and rivers (resolution $RESOLUTION)"
  "$GSHHG" --resolution "$RESOLUTION" --out "$DEMO/data"
  echo "$RESOLUTION" >"$RESOLUTION_MARK"
fi

# ---- airports, runways, navaids ----
FG=$CACHE/usr/share/games/flightgear
NAV_GZ=$FG/Navaids/nav.dat.gz
APT_GZ=$FG/Airports/apt.dat.gz
fetch_fg_data() {
  [ -s "$NAV_GZ" ] && [ -s "$APT_GZ" ] && return 0
  local deb
  deb=$(ls "$CACHE"/flightgear-data-base_*.deb 2>/dev/null | head -n 1 || true)
  if [ -z "$deb" ]; then
    say "downloading flightgear-data-base (about 1.3 GB, once; only two files are used)"
    (cd "$CACHE" && { apt-get download flightgear-data-base 2>/dev/null ||
      { apt-get update -qq && apt-get download flightgear-data-base; }; }) || return 1
    deb=$(ls "$CACHE"/flightgear-data-base_*.deb 2>/dev/null | head -n 1 || true)
    [ -n "$deb" ] || return 1
  fi
  say "extracting apt.dat.gz and nav.dat.gz"
  local tmp=$CACHE/extract.tmp
  rm -rf "$tmp" && mkdir -p "$tmp"
  # tar stops after the two files; dpkg-deb then ends on a broken pipe, as expected.
  dpkg-deb --fsys-tarfile "$deb" 2>/dev/null |
    tar -x -C "$tmp" --occurrence=1 ./usr/share/games/flightgear/Navaids/nav.dat.gz \
      ./usr/share/games/flightgear/Airports/apt.dat.gz 2>/dev/null || true
  local t=$tmp/usr/share/games/flightgear
  if ! gzip -t "$t/Navaids/nav.dat.gz" 2>/dev/null || ! gzip -t "$t/Airports/apt.dat.gz" 2>/dev/null; then
    rm -rf "$tmp"
    return 1
  fi
  mkdir -p "$FG/Navaids" "$FG/Airports"
  mv "$t/Navaids/nav.dat.gz" "$NAV_GZ"
  mv "$t/Airports/apt.dat.gz" "$APT_GZ"
  rm -rf "$tmp"
}
if [ "$SOURCE" = fg ] && ! fetch_fg_data; then
  say "the flight-simulator data could not be had; falling back to the OurAirports files in $OA_DIR"
  SOURCE=oa
fi
if [ "$SOURCE" = oa ] && { [ ! -s "$OA_DIR/navaids.csv" ] || [ ! -s "$OA_DIR/runways.csv" ]; }; then
  say "no navaids.csv and runways.csv in $OA_DIR: set OURAIRPORTS_DIR to a folder holding them"
  exit 1
fi
SOURCE_MARK=$DEMO/SYSTEM/.source
if [ "$(cat "$SOURCE_MARK" 2>/dev/null || true)" != "$SOURCE" ]; then rm -f "$SOURCE_MARK"; fi
if [ "$SOURCE" = fg ]; then
  nav_inputs=("$NAV_GZ" "$APT_GZ")
else
  nav_inputs=("$OA_DIR/navaids.csv" "$OA_DIR/runways.csv")
fi
if stale "$SOURCE_MARK" "$NAVCONV" "${nav_inputs[@]}" || [ ! -s "$DEMO/SYSTEM/AIRPORT.POD" ] ||
   [ ! -s "$DEMO/SYSTEM/RUNWAY.POD" ] || [ ! -s "$DEMO/SYSTEM/NAVAID.POD" ]; then
  say "converting airports, runways and navaids ($SOURCE)"
  if [ "$SOURCE" = fg ]; then
    "$NAVCONV" fg --nav "$NAV_GZ" --apt "$APT_GZ" --out "$DEMO/SYSTEM"
  else
    airports=()
    [ -s "$OA_DIR/airports.csv" ] && airports=(--airports "$OA_DIR/airports.csv")
    "$NAVCONV" oa --navaids "$OA_DIR/navaids.csv" --runways "$OA_DIR/runways.csv" "${airports[@]}" \
      --out "$DEMO/SYSTEM"
  fi
  echo "$SOURCE" >"$SOURCE_MARK"
fi

# ---- font and exercises ----
if stale "$DEMO/data/Helvetica.txf" "$TXFGEN"; then
  say "rendering the chart font"
  "$TXFGEN" "$DEMO/data/Helvetica.txf"
fi
EXERCISES=$DEMO/data/IFR_EXERCISES.xml
if stale "$EXERCISES" tools/demo/IFR_EXERCISES.xml "$SOURCE_MARK"; then
  if [ "$SOURCE" = fg ]; then
    cp tools/demo/IFR_EXERCISES.xml "$EXERCISES"
  else
    # The exercises must name the navaids exactly as the database does.
    sed -e 's|<NAME>MARTIGUES</NAME>|<NAME>Martigues</NAME>|' \
        -e 's|<NAME>MARSEILLE</NAME>|<NAME>Marseille/Provence</NAME>|' \
        tools/demo/IFR_EXERCISES.xml >"$EXERCISES"
  fi
fi
if [ -x "$EXERCHECK" ]; then
  say "checking the exercises against the navaid table"
  if "$EXERCHECK" "$DEMO" >"$CACHE/exercheck.log" 2>&1; then
    say "exercheck: no error in the exercises"
  else
    cat "$CACHE/exercheck.log"
    say "exercheck reported problems (above)"
  fi
fi

# ---- the recorded flight ----
SCRIPT=$CACHE/demo_flight.txt
TRACK=$DEMO/data/__ORVANDEL.dat
if stale "$SCRIPT" "$FLIGHTGEN" "$SOURCE_MARK"; then
  (cd "$DEMO" && "$FLIGHTGEN" --out "$SCRIPT" --aux 1)
fi
if stale "$TRACK" "$SCRIPT" "$PLUGIN" "$HOST"; then
  say "recording the flight through the plug-in"
  "$HOST" --plugin "$PLUGIN" --dir "$DEMO" --mode 1 --script "$SCRIPT" --quiet
fi

# How well the recorded flight flew the exercises: a table and plots beside it.
if "$DEBRIEF" --svg "$DEMO/debrief.svg" "$DEMO" >"$DEMO/debrief.txt" 2>"$CACHE/debrief.log"; then
  say "debrief of the flight: $DEMO/debrief.txt, plots $DEMO/debrief.svg"
else
  cat "$CACHE/debrief.log"
  say "the debrief reported problems (above)"
fi

say "simulator folder $DEMO:"
( cd "$DEMO" && ls -l SYSTEM/*.POD data/world_coast.dat data/rivers.dat data/Helvetica.txf \
    data/IFR_EXERCISES.xml data/__ORVANDEL.dat | awk '{printf "demo:   %10d  %s\n", $5, $9}' )
printf 'demo:   track points: %s\n' "$(grep -c '^[-0-9.]* [-0-9.]* [-0-9.]* [-0-9.]*$' "$TRACK" || true)"

# ---- the viewer ----
if [ -n "${DISPLAY:-}" ] && [ -z "${CHART_DEMO_HEADLESS:-}" ]; then
  say "starting the viewer: press \"IFR\" to centre on the exercises, \"User\" on the flown track"
  cd "$DEMO"
  exec "$VIEWER" "${VIEWER_ARGS[@]}"
fi

# No display: run it on a virtual one, take both windows' pictures, end it.
display=99
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x720x24 -nolisten tcp >"$CACHE/xvfb.log" 2>&1 &
XVFB_PID=$!
VIEWER_PID=
cleanup() {
  [ -n "$VIEWER_PID" ] && kill "$VIEWER_PID" 2>/dev/null || true
  kill "$XVFB_PID" 2>/dev/null || true
  wait 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=":$display"
for _ in $(seq 100); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

cd "$DEMO"
LOG=$DEMO/viewer.log
start=$(date +%s%N)
"$VIEWER" "${VIEWER_ARGS[@]}" >"$LOG" 2>&1 &
VIEWER_PID=$!
# The viewer prints its exercise report at its first frame.
first=
for _ in $(seq 600); do
  if grep -q "IFR EXERC\|NO IFR EXERCISE" "$LOG" 2>/dev/null; then first=$(date +%s%N); break; fi
  kill -0 "$VIEWER_PID" 2>/dev/null || break
  sleep 0.02
done
if [ -z "$first" ]; then
  say "the viewer showed no first frame within 12 s; its output:"
  cat "$LOG"
  exit 1
fi
say "start-up (launch, data load, first frame): $(((first - start) / 1000000)) ms"

chart=$(xdotool search --name "TULM_COAST_&_RIVERS_VIEWER" | head -n 1)
profile=$(xdotool search --name "USER_ALTITUDE_VIEWER" | head -n 1 || true)
# No window manager here: set the profile window beside the chart.
[ -n "$profile" ] && xdotool windowmove "$profile" 740 80
sleep 0.5
# "IFR" (the fourth button of the top row) centres on exercise 0 at zoom 1225;
# a press low on the "ZM" slider (the left edge) then widens the view so that
# the whole DME arc and the final approach show as well.
xdotool mousemove --window "$chart" 202 9 click 1
sleep 0.7
xdotool mousemove --window "$chart" 9 360 click 1
sleep 1.5
import -window "$chart" "$DEMO/chart.png"
[ -n "$profile" ] && import -window "$profile" "$DEMO/profile.png"
say "exercise report (first lines):"
grep -v '^$' "$LOG" | head -n 12 | sed 's/^/demo:   /'
if grep -q "CAN'T FIND SELECTED NAVAID" "$LOG"; then say "warning: an exercise names a navaid the data lacks"; fi
say "screenshots: $DEMO/chart.png $DEMO/profile.png"
