#!/usr/bin/env bash
# The README's scripts as a user meets them. With stand-ins for Wine: the
# sample is made once, then left as the user saved it, and a run on the
# user's own display never ends the wine server. With Wine itself: a program
# started while another runs leaves that one running.
#   test_scripts.sh SOURCE_ROOT
set -uo pipefail
source_root=$(cd "$1" && pwd)
work=$(mktemp -d)
first=""
cleanup() {
  [ -n "$first" ] && kill "$first" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
# A first program that was ended leaves no reader on its input.
trap '' PIPE
failed=0
check() {
  if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failed=1; fi
}

# --- run.sh and the sample, with stand-ins ---
fake="$work/fake"
mkdir -p "$fake/scripts" "$fake/build/bin" "$work/bin"
cp "$source_root/scripts/run.sh" "$source_root/scripts/wine-env.sh" "$fake/scripts/"
printf '#!/bin/sh\nexit 0\n' > "$fake/scripts/build.sh"
cat > "$work/bin/wine" <<'STANDIN'
#!/bin/sh
echo "wine $*" >> "$LOG"
case "$1" in *showbuilder.exe) echo "browser $SB_HOST_BROWSER" >> "$LOG" ;; esac
case "$1" in *makesample.exe) echo fresh > "$2" ;; esac
exit 0
STANDIN
printf '#!/bin/sh\necho "wineserver $*" >> "$LOG"\n' > "$work/bin/wineserver"
printf '#!/bin/sh\necho "wineboot $*" >> "$LOG"\nmkdir -p "$WINEPREFIX"\n' > "$work/bin/wineboot"
printf '#!/bin/sh\necho "$2"\n' > "$work/bin/winepath"
chmod +x "$fake/scripts/"*.sh "$work/bin/"*
maker="$fake/build/bin/makesample.exe"
sample="$fake/build/sample/Sample.exe"
echo maker > "$maker"
touch -d '1 hour ago' "$maker"
run() { (export PATH="$work/bin:$PATH" LOG="$work/log" DISPLAY=:stand-in; "$fake/scripts/run.sh" >/dev/null 2>&1); }

run
check "the first start makes the sample" '[ "$(cat "$sample" 2>/dev/null)" = fresh ]'
check "the editor opens the sample" 'grep -q "showbuilder.exe $sample" "$work/log"'
echo "the user's edits" > "$sample"
run
check "a later start keeps the user's saved sample" '[ "$(cat "$sample")" = "the user'"'"'s edits" ]'
touch -d '1 minute' "$maker"
run
check "a newer maker makes the sample again" '[ "$(cat "$sample")" = fresh ]'
check "on the user's display no wine server is ended" '! grep -q -- "-k" "$work/log"'
# The help pages' browser: xdg-open only where the desktop names a program
# for pages, else the first browser on the PATH.
printf '#!/bin/sh\nexit 0\n' > "$work/bin/xdg-open"
printf '#!/bin/sh\necho "$BROWSERS_DESKTOP"\n' > "$work/bin/xdg-mime"
printf '#!/bin/sh\nexit 0\n' > "$work/bin/x-www-browser"
chmod +x "$work/bin/xdg-open" "$work/bin/xdg-mime" "$work/bin/x-www-browser"
BROWSERS_DESKTOP=firefox.desktop run
check "the desktop's browser opens the help pages" '[ "$(grep "^browser" "$work/log" | tail -1)" = "browser $work/bin/xdg-open" ]'
BROWSERS_DESKTOP= run
check "without a desktop's choice a browser on the PATH does" '[ "$(grep "^browser" "$work/log" | tail -1)" = "browser $work/bin/x-www-browser" ]'
rm "$work/bin/xdg-open" "$work/bin/xdg-mime" "$work/bin/x-www-browser"
run
found=$(grep "^browser" "$work/log" | tail -1 | cut -d' ' -f2-)
check "the editor is told the machine's browser, or that there is none" '[ "$found" = none ] || [ -x "$found" ]'

# --- two programs at once, with Wine ---
if command -v wine >/dev/null && command -v xvfb-run >/dev/null && [ -f "$source_root/build/CMakeCache.txt" ]; then
  mkfifo "$work/input"
  printf '@echo off\necho up> "%%~dp0up.txt"\nset /p line=\necho %%line%%> "%%~dp0done.txt"\n' > "$work/first.bat"
  bat="Z:$(echo "$work/first.bat" | tr / '\\')"
  "$source_root/scripts/wine-one.sh" cmd /c "$bat" < "$work/input" > "$work/first.out" 2>&1 &
  first=$!
  exec 7>"$work/input"
  for _ in $(seq 1 600); do
    [ -f "$work/up.txt" ] && break
    kill -0 "$first" 2>/dev/null || break
    sleep 0.2
  done
  check "the first program started" '[ -f "$work/up.txt" ]'
  "$source_root/scripts/wine-one.sh" cmd /c exit > "$work/second.out" 2>&1
  second=$?
  check "a second program runs" '[ $second -eq 0 ]'
  check "the first program is still running" 'kill -0 "$first" 2>/dev/null && [ ! -f "$work/done.txt" ]'
  echo finished >&7
  exec 7>&-
  wait "$first"
  code=$?
  first=""
  check "the first program ends as it was asked" '[ $code -eq 0 ] && [ "$(tr -d "\r " < "$work/done.txt" 2>/dev/null)" = finished ]'
fi
exit $failed
