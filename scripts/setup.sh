#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian 12 machine and builds
# the third-party static libraries for the 32-bit Windows target into .deps/.
# A second run that finds everything in place does nothing.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/.deps"
prefix="$deps/i686"
stamp="$prefix/.complete-v1"

# fonts-wine (only recommended by wine) holds the Marlett font Wine draws
# caption buttons with; fonts-liberation the face that stands in for Arial.
packages=(cmake ninja-build googletest dpkg-dev g++-mingw-w64-i686-posix
          mingw-w64-i686-dev libz-mingw-w64-dev nasm wine wine32:i386 xvfb xauth
          fonts-wine fonts-liberation)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# A mirror caught mid-sync fails one index of one suite; the packages needed
# are usually still listed by the others, so a failed refresh is retried once
# and then only warned about: the install that follows says if anything is
# really missing.
apt_update() {
  as_root apt-get update -qq && return 0
  sleep 10
  as_root apt-get update -qq && return 0
  echo "setup: the package lists could not all be refreshed; going on with what there is" >&2
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

srcfile=/etc/apt/sources.list.d/showbuilder-src.sources
need_update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  as_root dpkg --add-architecture i386
  need_update=1
fi

# apt-get source needs deb-src entries; derive them from the machine's own
# deb entries so no mirror name is ever written here.
if [ ! -f "$stamp" ] && ! grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  tmp=$(mktemp)
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed -e 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources > "$tmp"
  elif [ -f /etc/apt/sources.list ]; then
    grep -E '^deb ' /etc/apt/sources.list | sed -e 's/^deb /deb-src /' > "$tmp"
    srcfile=/etc/apt/sources.list.d/showbuilder-src.list
  fi
  as_root install -m 644 "$tmp" "$srcfile"
  rm -f "$tmp"
  need_update=1
fi

if [ ${#missing[@]} -gt 0 ] || [ "$need_update" -eq 1 ]; then
  apt_update
fi
# When the security suite's i386 list could not be read, its amd64 libraries
# are newer than any i386 twin apt knows of and the 32-bit Wine cannot be
# resolved; the release's own versions of both halves still match, so the
# install is tried again with the security suite held back.
apt_install() {
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@" >/dev/null && return 0
  local pref rc=0
  pref=$(mktemp)
  printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: -1\n' > "$pref"
  echo "setup: installing again without the security suite's newer versions" >&2
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    -o Dir::Etc::Preferences="$pref" "$@" >/dev/null || rc=$?
  rm -f "$pref"
  return $rc
}
if [ ${#missing[@]} -gt 0 ]; then
  apt_install "${missing[@]}"
fi

# Some kernels are started with 32-bit emulation switched off: then no i386
# program runs, Wine's loader included, and nothing can be tested. There the
# i386 user-mode emulator takes over every i386 program through binfmt_misc.
# Debian 12's own emulator (7.2) does not honour the address hints Wine's
# loader depends on, which makes every start take minutes; the release's
# backports carry one that does.
ensure_i386() {
  /usr/lib/wine/wine --version >/dev/null 2>&1 && return 0
  local qemu=/usr/bin/qemu-i386-static
  if ! "$qemu" --version 2>/dev/null | grep -qE 'version ([89]|[1-9][0-9])\.'; then
    local bpo=/etc/apt/sources.list.d/showbuilder-backports.sources
    if [ ! -f "$bpo" ] && [ -f /etc/apt/sources.list.d/debian.sources ]; then
      local tmp suite
      tmp=$(mktemp)
      suite=$(awk '/^Suites:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources)
      # The first deb entry (the release's own mirror) with its suite swapped.
      awk -v s="$suite-backports" 'BEGIN {RS=""; ORS="\n\n"} NR==1 {
             gsub(/Suites:[^\n]*/, "Suites: " s); gsub(/Types:[^\n]*/, "Types: deb"); print }' \
        /etc/apt/sources.list.d/debian.sources > "$tmp"
      as_root install -m 644 "$tmp" "$bpo"
      rm -f "$tmp"
    fi
    apt_update
    suite=$(awk '/^Suites:/ {print $2; exit}' "$bpo")
    apt_install -t "$suite" qemu-user-static
  fi
  # The native wine server spares every call of every test a trip through the emulator.
  dpkg-query -W -f='${Status}' wine64 2>/dev/null | grep -q 'install ok installed' ||
    apt_install wine64
  local misc=/proc/sys/fs/binfmt_misc
  [ -f "$misc/register" ] || as_root mount -t binfmt_misc binfmt_misc "$misc"
  # A registration made before the emulator was replaced still holds the old one open.
  [ -f "$misc/qemu-i386" ] && echo -1 | as_root tee "$misc/qemu-i386" >/dev/null
  printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$qemu"':F' \
    | as_root tee "$misc/register" >/dev/null
  if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "setup: this machine runs no 32-bit programs, not even through $qemu" >&2
    exit 1
  fi
}
ensure_i386

if [ -f "$stamp" ]; then
  exit 0
fi

jobs=$(nproc)
src="$deps/src"
rm -rf "$src" "$prefix"
mkdir -p "$src" "$prefix/lib" "$prefix/include"
toolchain="$root/cmake/mingw-i686.cmake"
flags="-O2 -msse2 -mfpmath=sse"
zlib="/usr/i686-w64-mingw32/lib/libz.a"

fetch() {  # fetch NAME: unpacks Debian's source package NAME into $src/NAME
  local name=$1
  mkdir -p "$src/dl-$name"
  # Newest first; a mirror may lack one suite's sources (seen with the
  # security suite), so an older patched version of the same release will do.
  local v ok=0
  for v in $(apt-cache showsrc "$name" | awk '/^Version:/ {print $2}' | sort -rVu); do
    rm -f "$src/dl-$name"/*
    if (cd "$src/dl-$name" && apt-get source --download-only -qq "$name=$v" >/dev/null 2>&1); then
      ok=1; break
    fi
  done
  if [ "$ok" -ne 1 ]; then
    echo "setup: cannot download the source package $name" >&2
    exit 1
  fi
  local dsc
  dsc=$(ls "$src/dl-$name"/*.dsc | head -n 1)
  (cd "$src/dl-$name" && dpkg-source -x --no-check "$(basename "$dsc")" "$src/$name" >/dev/null)
}

# libpng
fetch libpng1.6
cmake -S "$src/libpng1.6" -B "$src/build-png" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
  -DPNG_HARDWARE_OPTIMIZATIONS=OFF -DSKIP_INSTALL_PROGRAMS=ON \
  -DZLIB_LIBRARY="$zlib" -DZLIB_INCLUDE_DIR=/usr/i686-w64-mingw32/include >/dev/null
cmake --build "$src/build-png" -j "$jobs" >/dev/null
cmake --install "$src/build-png" >/dev/null

# libjpeg-turbo
fetch libjpeg-turbo
cmake -S "$src/libjpeg-turbo" -B "$src/build-jpeg" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -Wno-dev >/dev/null
cmake --build "$src/build-jpeg" -j "$jobs" --target jpeg-static >/dev/null
cp "$src/build-jpeg/libjpeg.a" "$prefix/lib/libjpeg.a"
cp "$src/libjpeg-turbo/jpeglib.h" "$src/libjpeg-turbo/jmorecfg.h" "$src/libjpeg-turbo/jerror.h" \
   "$src/build-jpeg/jconfig.h" "$prefix/include/"

# giflib
fetch giflib
mkdir -p "$src/build-gif"
gifobjs=()
for f in dgif_lib egif_lib gifalloc gif_err gif_font gif_hash openbsd-reallocarray quantize; do
  i686-w64-mingw32-gcc-posix $flags -c "$src/giflib/$f.c" -I "$src/giflib" -o "$src/build-gif/$f.o"
  gifobjs+=("$src/build-gif/$f.o")
done
i686-w64-mingw32-ar rcs "$prefix/lib/libgif.a" "${gifobjs[@]}"
cp "$src/giflib/gif_lib.h" "$prefix/include/"

# GoogleTest
cmake -S /usr/src/googletest -B "$src/build-gtest" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_INSTALL_PREFIX="$prefix" \
  -Dgtest_disable_pthreads=OFF -DBUILD_GMOCK=OFF >/dev/null
cmake --build "$src/build-gtest" -j "$jobs" >/dev/null
cmake --install "$src/build-gtest" >/dev/null

rm -rf "$src"
touch "$stamp"
