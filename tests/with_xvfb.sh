#!/usr/bin/env bash
# Runs a GL test program under its own X server. Skips (77, with the reason) only when
# no X server with GLX can be started here; then the program itself is never run.
set -u
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "SKIP: xvfb-run is not installed (package xvfb)"
  exit 77
fi
args=(-a -s "-screen 0 640x480x24")
if ! probe=$(xvfb-run "${args[@]}" glxinfo -B 2>&1); then
  echo "SKIP: no X server with GLX can start here: $(echo "$probe" | tail -2 | tr '\n' ' ')"
  exit 77
fi
exec xvfb-run "${args[@]}" "$@"
