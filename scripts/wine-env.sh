# Sourced: the Wine environment of the build tree's own prefix, prepared once.
# Runs inside the X server (DISPLAY set) so the wineserver sees the display.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="$root/build/wineprefix"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wave output needs a sound device: a null ALSA device plays in real time and
# produces nothing audible.
mkdir -p "$root/build"
printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' > "$root/build/alsa-null.conf"
export ALSA_CONFIG_PATH="/usr/share/alsa/alsa.conf:$root/build/alsa-null.conf"

wineserver -k >/dev/null 2>&1 || true
if [ ! -f "$WINEPREFIX/.prepared" ]; then
  rm -rf "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  # Without a window manager, unmanaged windows make DestroyWindow wait.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  # A crashing test must end with a code, not wait on a dialog.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.prepared"
fi
wineserver -p
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
