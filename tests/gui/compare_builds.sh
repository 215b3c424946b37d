#!/usr/bin/env bash
# By hand: the chart of this build, full and --fast, against the full drawing of
# another revision's build, pixel for pixel (the fast_identical window test with a
# reference viewer).
#
#   bash tests/gui/compare_builds.sh [--folder SIMFOLDER] [--keep] REVISION [BUILD_DIR]
#
# REVISION (a commit, branch or tag) is built in a detached worktree under /tmp
# (kept between runs); BUILD_DIR (default build) holds this tree's viewer, podtool,
# txfgen and the window tests' frame counter. Without --folder the test world of the window tests is drawn; with it,
# a copy-free view of a real simulator folder (for example demo/ after
# tools/demo.sh --resolution f). Exit status 0 when every view matches.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
extra=()
while [ $# -gt 0 ]; do
  case $1 in
    --folder) extra+=(--folder "$(cd "$2" && pwd)"); shift ;;
    --keep) extra+=(--keep) ;;
    -h|--help) sed -n '2,13p' "$0"; exit 0 ;;
    *) break ;;
  esac
  shift
done
[ $# -ge 1 ] || { sed -n '2,13p' "$0"; exit 2; }
rev=$1
build=$(cd "${2:-$root/build}" && pwd)
commit=$(git -C "$root" rev-parse --verify "$rev^{commit}")
ref=/tmp/chart-reference-${commit:0:12}
if [ ! -x "$ref/build/viewer/viewer" ]; then
  [ -d "$ref" ] || git -C "$root" worktree add --detach "$ref" "$commit" >/dev/null
  cmake -S "$ref" -B "$ref/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCHART_BUILD_BENCH=OFF >/dev/null
  cmake --build "$ref/build" -j2 --target viewer >/dev/null
fi
echo "compare_builds: reference $rev (${commit:0:12}) at $ref/build/viewer/viewer"
counter=$(find "$build/tests/gui" -maxdepth 1 -name '*gui_frame_counter.so' | head -1)
[ -n "$counter" ] || { echo "compare_builds: no frame counter in $build/tests/gui; build the project" >&2; exit 1; }
exec python3 "$root/tests/gui/gui_tests.py" --case fast_identical --reference "$ref/build/viewer/viewer" \
  --viewer "$build/viewer/viewer" --podtool "$build/tools/podtool/podtool" \
  --txfgen "$build/tools/txfgen/txfgen" --frame-counter "$counter" "${extra[@]}"
