#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds everything and runs every test, stage by
# stage: build, unit tests, GUI tests, plug-in tests, the sanitizer build and its tests,
# and short fuzz runs. Every stage runs even when an earlier one failed, so one broken
# test never hides the others; a table of the stages ends the run, followed by every
# skipped test with its reason. Exit status 1 when any stage failed.
#
# Environment: FUZZ_SECONDS (per fuzz target, default 30), TEST_JOBS (default 2).
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=${TEST_JOBS:-2}
logs=$root/build/test-logs
mkdir -p "$logs"
rm -f "$logs"/*.xml "$logs"/*.log

names=() results=() counts=() times=()

# record NAME STATUS COUNT SECONDS
record() {
  names+=("$1") results+=("$2") counts+=("$3") times+=("$4")
}

# A stage that is one command: passed or failed by its exit status.
run_step() {
  local name=$1
  shift
  local t0=$SECONDS status=passed
  echo "==== $name"
  "$@" 2>&1 | tee "$logs/$name.log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=failed
  # A stage that counts its own parts says so in a last line "NAME: N passed, M failed".
  local count
  count=$(sed -n "s/^$name: \([0-9]* passed, [0-9]* failed\)$/\1/p" "$logs/$name.log" | tail -1)
  record "$name" "$status" "$count" $((SECONDS - t0))
}

# A CTest stage: the tests of BUILD_DIR chosen by the ctest arguments. Its status is
# failed when a test failed, skipped when every test it has was skipped.
run_ctest() {
  local name=$1 dir=$2
  shift 2
  local t0=$SECONDS xml="$logs/$name.xml"
  echo "==== $name"
  ctest --test-dir "$dir" --output-on-failure -j"$jobs" --timeout 900 --output-junit "$xml" "$@"
  local code=$?
  local total=0 failed=0 skipped=0
  if [ -f "$xml" ]; then
    read -r total failed skipped < <(python3 - "$xml" <<'PY'
import sys, xml.etree.ElementTree as ET
s = ET.parse(sys.argv[1]).getroot()
cases = s.findall("testcase")
skipped = sum(1 for c in cases if c.find("skipped") is not None or c.get("status") in ("notrun", "disabled"))
failed = sum(1 for c in cases if c.find("failure") is not None or c.find("error") is not None)
print(len(cases), failed, skipped)
PY
)
  fi
  total=${total:-0} failed=${failed:-0} skipped=${skipped:-0}
  local status=passed
  if [ "$code" -ne 0 ] || [ "$failed" -ne 0 ]; then
    status=failed
  elif [ "$total" -gt 0 ] && [ "$skipped" -eq "$total" ]; then
    status=skipped
  elif [ "$total" -eq 0 ]; then
    status=failed   # a stage that finds no test at all has lost its tests
  fi
  record "$name" "$status" "$((total - failed - skipped)) passed, $failed failed, $skipped skipped" \
    $((SECONDS - t0))
}

run_step setup bash tools/setup.sh

build_main() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null &&
    cmake --build build -j"$jobs" -- -k
}
run_step build build_main

run_ctest unit build -LE 'gui|plugin'
run_ctest gui build -L gui
run_ctest plugin build -L plugin

# The GL-free unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
build_san() {
  cmake -S . -B build-san -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCHART_SANITIZE=ON \
    -DCHART_BUILD_GUI=OFF -DCHART_BUILD_BENCH=OFF >/dev/null &&
    cmake --build build-san -j"$jobs" -- -k
}
run_step sanitizer-build build_san
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1
run_ctest sanitizer-tests build-san
unset ASAN_OPTIONS UBSAN_OPTIONS

# A short run of every reader's fuzz target (clang, libFuzzer, both sanitizers).
run_step fuzz bash tools/fuzz.sh "${FUZZ_SECONDS:-30}"

echo
echo "==== summary"
printf '%-16s %-8s %-40s %s\n' stage result tests time
failed_stages=0
for i in "${!names[@]}"; do
  printf '%-16s %-8s %-40s %ss\n' "${names[$i]}" "${results[$i]}" "${counts[$i]:--}" "${times[$i]}"
  [ "${results[$i]}" = failed ] && failed_stages=$((failed_stages + 1))
done

# Each skipped test and the reason it gave (the last lines of its output that say so).
python3 - "$logs"/*.xml <<'PY'
import sys, xml.etree.ElementTree as ET
rows = []
for path in sys.argv[1:]:
    try:
        suite = ET.parse(path).getroot()
    except (OSError, ET.ParseError):
        continue
    for c in suite.findall("testcase"):
        if c.find("skipped") is None and c.get("status") not in ("notrun", "disabled"):
            continue
        out = (c.findtext("system-out") or "").splitlines()
        reason = ""
        for i, line in enumerate(out):
            if line.rstrip().endswith("Skipped") and i + 1 < len(out):   # GoogleTest's GTEST_SKIP
                reason = out[i + 1].strip()
            elif line.upper().startswith("SKIP") and ":" in line:         # script tests
                reason = line.split(":", 1)[1].strip()
        rows.append((c.get("name"), reason or "(no reason given)"))
if rows:
    print("\nskipped tests:")
    for name, reason in rows:
        print("  %s: %s" % (name, reason))
PY

if [ "$failed_stages" -ne 0 ]; then
  echo "tests: $failed_stages stage(s) failed"
  exit 1
fi
echo "tests: every stage passed"
