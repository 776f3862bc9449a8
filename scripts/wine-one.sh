#!/usr/bin/env bash
# Runs one program of the build under Wine in a virtual X server, e.g.
#   scripts/wine-one.sh build/bin/common_tests.exe --gtest_filter='Status*'
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ "${1:-}" = "--inside-x" ]; then
  shift
  . "$root/scripts/wine-env.sh"
  wine "$@"
  rc=$?
  wine_done
  exit $rc
fi
exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inside-x "$@"
