#!/usr/bin/env bash
# Builds the plug-in and the stand-in host for 32-bit x86 (4-byte table entries,
# as on the simulator's own platform) and checks that a recorded flight gives the
# same track as the native 64-bit pair. Exit 77 (skipped), with the reason, when this
# machine cannot build or cannot run a 32-bit program (some kernels lack 32-bit support).
set -euo pipefail
src=$1 work=$2 host64=$3 plugin64=$4

rm -rf "$work" && mkdir -p "$work"
# The probe uses the C++ runtime, so it needs what the real pair needs to build and run.
if ! echo '#include <string>
int main() { return std::string("ok").size() == 2 ? 0 : 1; }' | g++ -m32 -x c++ - -o "$work/probe" 2>"$work/probe.err"; then
  echo "SKIP: no 32-bit C++ toolchain (g++-multilib): $(head -1 "$work/probe.err")"
  exit 77
fi
if ! probe_out=$("$work/probe" 2>&1); then
  echo "SKIP: this machine cannot run 32-bit programs: ${probe_out:-the probe exited non-zero}"
  exit 77
fi

flags=(-m32 -std=c++17 -O2 -Wall -Wextra -Werror -I"$src/plugin" -I"$src/common")
g++ "${flags[@]}" -shared -fPIC -fvisibility=hidden -Wl,--version-script="$src/plugin/exports.map" \
  "$src/plugin/orvandel_dll.cpp" "$src/plugin/track_recorder.cpp" "$src/common/simpath.cpp" -o "$work/OrvandelDLL.so"
# The host with its NMEA bridge (built without libgps: no 32-bit one is installed).
g++ "${flags[@]}" -ftemplate-depth=2048 -I"$src/tools/host" -I"$src/tools/nmea" -I"$src/tools/gpx" -I"$src/geodata" \
  -DORVANDEL_DEFAULT_PLUGIN="\"$work/OrvandelDLL.so\"" \
  "$src/tools/host/stand_in_host.cpp" "$src/tools/host/orvandel_host_main.cpp" "$src/common/simpath.cpp" \
  "$src/tools/nmea/"nmea_*.cpp "$src/tools/gpx/gpx_writer.cpp" "$src/geodata/track_file.cpp" \
  "$src/geodata/great_circle.cpp" -ldl -o "$work/orvandel-host"

cat > "$work/flight.txt" <<'FLIGHT'
# lat lon alt v x dt: slow and fast, a nonzero aux value, across Greenwich
183600 1295964 1000 338 0 1
183630 1295990 1500 338 0 9
183660 20 2000 6077 0.5 0.4
183690 60 2500 6077 0.5 0.4
183720 100 3000 0 0 30
183750 140 3500 -5 -1 0.1
FLIGHT
for bits in 32 64; do
  mkdir -p "$work/sim$bits/DATA"
done
"$work/orvandel-host" --dir "$work/sim32" --mode 1 --script "$work/flight.txt" > "$work/calls32.txt"
"$host64" --plugin "$plugin64" --dir "$work/sim64" --mode 1 --script "$work/flight.txt" > "$work/calls64.txt"

# ELF class byte: 01 is 32-bit.
[ "$(od -An -tx1 -j4 -N1 "$work/OrvandelDLL.so" | tr -d " ")" = 01 ] || { echo "not a 32-bit module"; exit 1; }
diff "$work/sim32/DATA/__ORVANDEL.dat" "$work/sim64/DATA/__ORVANDEL.dat"
diff "$work/calls32.txt" "$work/calls64.txt"
lines=$(wc -l < "$work/sim32/DATA/__ORVANDEL.dat")
[ "$lines" -ge 4 ] || { echo "only $lines lines recorded"; exit 1; }
echo "32-bit and 64-bit tracks agree ($lines lines)"
