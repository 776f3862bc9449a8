#!/usr/bin/env bash
# Sets up the machine when needed, builds, and runs every test under Wine in
# a virtual X server. Exits non-zero when anything fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/build.sh"
xvfb-run -a -s "-screen 0 1024x768x24" "$root/scripts/ctest-in-x.sh" "$@"
