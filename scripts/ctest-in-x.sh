#!/usr/bin/env bash
# Runs inside xvfb-run: one persistent wineserver for the whole test run.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/wine-env.sh"
cd "$root/build"
ctest --output-on-failure -j "$(nproc)" "$@"
rc=$?
wine_done
exit $rc
