#!/usr/bin/env bash
# Sets up the machine when needed, builds, and starts the editor under Wine,
# on the display in DISPLAY or else on a virtual one, on the sample
# presentation unless a document is named.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# The host's browser: xdg-open where the desktop names a program for pages
# (without one it opens nothing), else the first browser on the PATH.
host_browser() {
  local b
  if command -v xdg-open >/dev/null && [ -n "$(xdg-mime query default text/html 2>/dev/null)" ]; then
    command -v xdg-open
    return
  fi
  for b in x-www-browser firefox firefox-esr chromium google-chrome konqueror epiphany-browser opera dillo; do
    if command -v "$b" >/dev/null; then
      command -v "$b"
      return
    fi
  done
  echo none
}
if [ "${1:-}" = "--inside-x" ]; then
  shift
  . "$root/scripts/wine-env.sh"
  if [ $# -eq 0 ]; then
    # With no document named, the editor opens the sample presentation. It
    # is made only when missing or older than its maker: once made it is the
    # user's, edits and all.
    sample="$root/build/sample/Sample.exe"
    maker="$root/build/bin/makesample.exe"
    if [ ! -f "$sample" ] || [ "$maker" -nt "$sample" ]; then
      mkdir -p "$root/build/sample"
      wine "$maker" "$(winepath -w "$sample")"
    fi
    set -- "$(winepath -w "$sample")"
  fi
  # Help pages go to the machine's own browser: the HTML engine of Wine is
  # off here, and its built-in browser would show a blank window. Wine's
  # hand-over to the host says a browser started even when none did, so the
  # browser is found here and the editor is told its path, or "none", and
  # then names the page to the user instead.
  export SB_HOST_BROWSER
  SB_HOST_BROWSER=$(host_browser)
  rc=0
  wine "$root/build/bin/showbuilder.exe" "$@" || rc=$?
  wine_done
  exit $rc
fi
"$root/scripts/build.sh"
if [ -n "${DISPLAY:-}" ]; then
  # The user's display: programs already running on it keep their server.
  export wine_shared_display=1
  exec "$0" --inside-x "$@"
fi
exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inside-x "$@"
