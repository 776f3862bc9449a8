#!/bin/sh
# The layer checks on scratch material. The link check passes a clean pair of
# libraries that share an inline function, and fails, naming the symbol, on
# an upward call, a call into a layer beside and a strong symbol defined
# twice. The include check fails on an upward include written either way.
# Usage: layerchecks.sh CXX AR NM CMAKE SOURCE-TREE
set -eu
cxx=$1 ar=$2 nm=$3 cmake=$4 root=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# A scratch library NAME of LAYER built from SOURCE and listed for the check.
library() {
    printf '%s\n' "$3" >"$work/$2.cpp"
    "$cxx" -O0 -c -o "$work/$2.o" "$work/$2.cpp"
    rm -f "$work/lib$2.a"
    "$ar" rcs "$work/lib$2.a" "$work/$2.o"
    echo "lib $1 $2 $work/lib$2.a" >>"$work/list"
}

layers() {
    printf 'below common\nbelow document common\nbelow codecs\nbelow runtime common document codecs\n' >"$work/list"
}

# expect CASE pass|fail TEXT: the outcome of the last check and a text its
# report must hold.
expect() {
    if [ "$got" != "$2" ] || ! grep -qF -- "$3" "$work/out"; then
        echo "FAILED: $1: wanted $2 with \"$3\", got $got:"
        cat "$work/out"
        failures=$((failures + 1))
    fi
}

links() {
    if sh "$root/cmake/checklinks.sh" "$nm" "$work/list" >"$work/out" 2>&1; then got=pass; else got=fail; fi
    expect "$@"
}

shared='inline int Shared(int x) { return x * 3; }'

layers
library common low "$shared int Low(int x) { return Shared(x); }"
library runtime high "$shared int Low(int); int High(int x) { return Low(x) + Shared(x); }"
links "downward calls and a shared inline function" pass "point one way"

layers
library common low "int High(); int Low() { return High(); }"
library runtime high "int High() { return 2; }"
links "an upward call" fail "low (common) uses High()"

layers
library document reader "int Decode(); int Read() { return Decode(); }"
library codecs codec "int Decode() { return 4; }"
links "a call into the layer beside" fail "reader (document) uses Decode()"

layers
library common low "int Twice() { return 1; }"
library runtime high "int Twice() { return 2; }"
links "a strong symbol defined twice" fail "defined twice: Twice()"

# includes FILE TEXT...: the include check on a scratch tree of these files.
includes() {
    rm -rf "$work/tree"
    while [ $# -gt 1 ]; do
        mkdir -p "$(dirname "$work/tree/$1")"
        printf '%s\n' "$2" >"$work/tree/$1"
        shift 2
    done
    if "$cmake" -DROOT="$work/tree" -P "$root/cmake/CheckLayers.cmake" >"$work/out" 2>&1; then got=pass; else got=fail; fi
}

includes common/a.h '#include <windows.h>' runtime/b.cpp '#include "common/a.h"'
expect "downward includes" pass "point one way"
includes common/a.h '#include <runtime/b.h>' runtime/b.h ''
expect "an upward include in angle brackets" fail "common/a.h includes runtime/b.h"
includes document/a.cpp '#include "codecs/codecs.h"' codecs/codecs.h ''
expect "an include of the layer beside" fail "document/a.cpp includes codecs/codecs.h"

[ "$failures" -eq 0 ] || exit 1
echo "The layer checks catch what they are for"
