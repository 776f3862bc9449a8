#!/usr/bin/env bash
# Runs inside xvfb-run: one persistent wineserver for the whole test run.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-env.sh"
cd "$root/build"
ctest --output-on-failure -j "$(nproc)" "$@"
rc=$?
wineserver -k >/dev/null 2>&1 || true
exit $rc
