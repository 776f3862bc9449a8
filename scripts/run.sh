#!/usr/bin/env bash
# Sets up the machine when needed, builds, and starts the editor under Wine,
# on the display in DISPLAY or else on a virtual one, on the sample
# presentation unless a document is named.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
if [ "${1:-}" = "--inside-x" ]; then
  shift
  . "$root/scripts/wine-env.sh"
  if [ $# -eq 0 ]; then
    # With no document named, the editor opens the sample presentation,
    # made afresh by the project's own writer.
    sample="$root/build/sample/Sample.exe"
    mkdir -p "$root/build/sample"
    wine "$root/build/bin/makesample.exe" "$(winepath -w "$sample")"
    set -- "$(winepath -w "$sample")"
  fi
  wine "$root/build/bin/showbuilder.exe" "$@"
  rc=$?
  wineserver -k >/dev/null 2>&1 || true
  exit $rc
fi
"$root/scripts/build.sh"
if [ -n "${DISPLAY:-}" ]; then
  exec "$0" --inside-x "$@"
fi
exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inside-x "$@"
