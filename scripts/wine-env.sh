# Sourced: the Wine environment of the build tree, run inside the X server
# (DISPLAY set) so that Wine's programs see the display.
#
# A wine server serves the programs of one prefix, and ending it ends them
# all. Each display therefore gets a prefix of its own, copied from one
# prepared once: programs on the same display share their server, programs
# on another display never see it. On a virtual X server of the run's own
# nothing else can be using the prefix: a server left in it by an earlier
# run is stale and is ended, and one persistent server is started for speed.
# On the user's own display (the caller sets wine_shared_display=1) the
# server already running is shared and left running.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wave output needs a sound device: a null ALSA device plays in real time and
# produces nothing audible.
mkdir -p "$root/build"
if [ ! -f "$root/build/alsa-null.conf" ]; then
  printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' > "$root/build/alsa-null.conf"
fi
export ALSA_CONFIG_PATH="/usr/share/alsa/alsa.conf:$root/build/alsa-null.conf"

wine_template="$root/build/wineprefix"
# Each prefix's stamp holds the version of the preparation that made it: a
# prefix made by an older one (or an empty stamp) is made again.
wine_prefix_version=2
export WINEPREFIX="$root/build/wineprefix-display$(printf '%s' "${DISPLAY:-none}" | tr -c 'A-Za-z0-9' '_')"
(
  flock 9
  if [ "$(cat "$wine_template/.prepared" 2>/dev/null)" != "$wine_prefix_version" ]; then
    (
      export WINEPREFIX="$wine_template"
      rm -rf "$WINEPREFIX"
      wineboot -i >/dev/null 2>&1
      # Without a window manager, unmanaged windows make DestroyWindow wait.
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
      # A crashing program must end with a code, not wait on a dialog.
      wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
      # No Arial comes with the system: the metric-compatible free face
      # stands in for it, so that the faces documents name most are listed
      # and drawn at their own widths.
      wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d 'Liberation Sans' /f >/dev/null 2>&1
      wineserver -w
      # Caption buttons are drawn with Marlett. Wine leaves the copy in its
      # data folder (where fonts-wine puts it) unused and the buttons then
      # read "0", "1" and "r"; the one in the prefix's own Fonts folder it uses.
      mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
      if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
        cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
      else
        echo "wine-env: no /usr/share/wine/fonts/marlett.ttf (fonts-wine): caption buttons will show letters" >&2
      fi
      echo "$wine_prefix_version" > "$WINEPREFIX/.prepared"
    )
  fi
  if [ ! -f "$WINEPREFIX/.prepared" ] || [ "$WINEPREFIX/.prepared" -ot "$wine_template/.prepared" ]; then
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    # The system's programs are only ever read: linked, not copied, so that
    # a new display costs a moment, not half a gigabyte.
    tar -C "$wine_template" --exclude=./drive_c/windows/system32 --exclude=./drive_c/windows/winsxs -cf - . |
      tar -C "$WINEPREFIX" -xf -
    for d in system32 winsxs; do
      if [ -d "$wine_template/drive_c/windows/$d" ]; then
        cp -al "$wine_template/drive_c/windows/$d" "$WINEPREFIX/drive_c/windows/$d"
      fi
    done
    touch "$WINEPREFIX/.prepared"
  fi
) 9>"$root/build/wineprefix.lock"

if [ "${wine_shared_display:-0}" != 1 ]; then
  wineserver -k >/dev/null 2>&1 || true
  wineserver -p
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
fi

# Ends the prefix's server on a display of the run's own, and leaves a shared
# one to the programs still using it.
wine_done() {
  if [ "${wine_shared_display:-0}" != 1 ]; then
    wineserver -k >/dev/null 2>&1 || true
  fi
}
