#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for SECONDS (default 60).
#
#   tools/fuzz.sh [SECONDS] [TARGET...]      targets: xml pod polyline track coordinate exercises nmea
#
# Environment: FUZZ_BUILD_DIR (default build-fuzz), FUZZ_JOBS (targets run at once,
# default 1), FUZZ_MAX_LEN (largest input, default 16384).
# The working corpus of each target grows under FUZZ_BUILD_DIR/fuzz-corpus/<target>,
# started from tests/fuzz/seeds/<target> and the generated seeds. Before fuzzing,
# every input under tests/fuzz/regressions/<target> is replayed. A crash, hang,
# memory blow-up or sanitizer report leaves its input under
# FUZZ_BUILD_DIR/fuzz-artifacts/<target>/ and makes the script exit 1; copy it to
# tests/fuzz/regressions/<target>/ once the reader is fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-60}
shift || true
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
jobs=${FUZZ_JOBS:-1}
maxlen=${FUZZ_MAX_LEN:-16384}
fuzzsrc=$root/tests/fuzz

if ! command -v clang++ >/dev/null; then
  echo "fuzz.sh: clang++ is missing (tools/setup.sh installs it)" >&2
  exit 2
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCHART_FUZZ=ON -DCHART_SANITIZE=ON -DCHART_BUILD_GUI=OFF -DCHART_BUILD_BENCH=OFF \
    -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
fi
cmake --build "$build" -j2 --target fuzz_all >/dev/null

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for t in xml pod polyline track coordinate exercises nmea; do
    [ -x "$build/tests/fuzz/fuzz_$t" ] && targets+=("$t")
  done
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

artifacts() { find "$build/fuzz-artifacts/$1" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' -o -name 'slow-unit-*' \) | wc -l; }

# Runs one target; its summary line goes to $build/fuzz-logs/<target>.summary.
run_one() {
  local t=$1 exe="$build/tests/fuzz/fuzz_$t"
  local corpus="$build/fuzz-corpus/$t" art="$build/fuzz-artifacts/$t" logs="$build/fuzz-logs"
  mkdir -p "$corpus" "$art" "$logs"
  rm -f "$logs/$t.status"
  [ -x "$exe" ] || { echo "$t: no target built" >"$logs/$t.summary"; return 1; }
  "$build/tests/fuzz/fuzz_seeds" "$t" "$corpus"
  local before status=0 replay=ok
  before=$(artifacts "$t")
  local regressions=()
  if [ -d "$fuzzsrc/regressions/$t" ]; then
    mapfile -t regressions < <(find "$fuzzsrc/regressions/$t" -type f | sort)
  fi
  if [ ${#regressions[@]} -gt 0 ]; then
    "$exe" -artifact_prefix="$art/" "${regressions[@]}" >"$logs/$t.replay.log" 2>&1 || replay=FAILED
  fi
  local dict=()
  [ -f "$fuzzsrc/$t.dict" ] && dict=(-dict="$fuzzsrc/$t.dict")
  local seeds=()
  [ -d "$fuzzsrc/seeds/$t" ] && seeds=("$fuzzsrc/seeds/$t")
  nice -n 10 "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="$maxlen" \
    -print_final_stats=1 -artifact_prefix="$art/" "${dict[@]}" "$corpus" "${seeds[@]}" \
    >"$logs/$t.log" 2>&1 || status=$?
  local execs time crashes
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$logs/$t.log" | tail -1)
  time=$(sed -n 's/^stat::total_time_sec: *//p' "$logs/$t.log" | tail -1)   # absent in older libFuzzer
  crashes=$(($(artifacts "$t") - before))
  printf '%-11s %6ss %12s execs %6s inputs  %d new crashes  regressions %s (%d)  exit %d\n' \
    "$t" "${time:-$seconds}" "${execs:-?}" "$(find "$corpus" -type f | wc -l)" "$crashes" "$replay" \
    "${#regressions[@]}" "$status" >"$logs/$t.summary"
  if [ "$status" -eq 0 ] && [ "$crashes" -le 0 ] && [ "$replay" = ok ]; then
    echo passed >"$logs/$t.status"
  else
    echo failed >"$logs/$t.status"
    return 1
  fi
}

failed=0
running=0
for t in "${targets[@]}"; do
  if [ "$running" -ge "$jobs" ]; then
    wait -n || failed=1
    running=$((running - 1))
  fi
  run_one "$t" &
  running=$((running + 1))
done
while [ "$running" -gt 0 ]; do
  wait -n || failed=1
  running=$((running - 1))
done

echo "fuzz: ${seconds}s per target, logs in $build/fuzz-logs"
passed=0 broken=0
for t in "${targets[@]}"; do
  cat "$build/fuzz-logs/$t.summary"
  if [ "$(cat "$build/fuzz-logs/$t.status" 2>/dev/null)" = passed ]; then passed=$((passed + 1)); else broken=$((broken + 1)); fi
done
echo "fuzz: $passed passed, $broken failed"
if [ "$failed" -ne 0 ] || [ "$broken" -ne 0 ]; then
  echo "fuzz: FAILED (inputs under $build/fuzz-artifacts/)"
  exit 1
fi
