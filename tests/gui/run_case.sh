#!/usr/bin/env bash
# Starts one window test with the given Python; skips (77) when no Python runs here.
py=$1
shift
if ! "$py" -c 'import sys; sys.exit(0 if sys.version_info >= (3, 6) else 1)' >/dev/null 2>&1; then
  echo "SKIP: no usable Python 3 ($py) to run the window tests (package python3)"
  exit 77
fi
exec "$py" "$@"
