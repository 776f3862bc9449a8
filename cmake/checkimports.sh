#!/bin/sh
# Fails when a program imports a library that our sources bind lazily, at
# its first call: a call into such a library from a function without a lazy
# slot builds and runs as before, but loads the library when the program
# starts again, and only this check notices.
#
# Usage: checkimports.sh OBJDUMP PROGRAM FOLDER...
# The lazy libraries are the ones the sources in the FOLDERs name in
# BindLazily calls.
set -eu
objdump=$1
program=$2
shift 2

lazy=$(grep -rh --include='*.cpp' --include='*.h' 'BindLazily(' "$@" |
    sed -n 's/.*BindLazily([^"]*"\([^"]*\)".*/\1/p' | tr 'A-Z' 'a-z' | sort -u)
if [ -z "$lazy" ]; then
    echo "No library is bound lazily in: $*" >&2
    exit 1
fi
if [ ! -f "$program" ]; then
    echo "Not built: $program" >&2
    exit 1
fi

# "LIBRARY FUNCTION" for every function the program imports by name.
imports=$("$objdump" -p "$program" | awk '
    /^[ \t]*DLL Name: / { dll = tolower($3); next }
    /^[ \t]*$/ { dll = "" }
    dll != "" && $1 ~ /^[0-9a-f]+$/ && NF >= 2 { print dll, (NF >= 3 ? $3 : "ordinal " $2) }')
if [ -z "$imports" ]; then
    echo "No imports read from $program" >&2
    exit 1
fi

faults=$(echo "$imports" | awk -v lazy="$lazy" '
    BEGIN { n = split(lazy, l, /[ \n]+/); for (i = 1; i <= n; i++) if (l[i] != "") bound[l[i]] = 1 }
    $1 in bound')
if [ -n "$faults" ]; then
    echo "$(basename "$program") imports at start what it binds at first call:"
    echo "$faults" | sed 's/^/  /'
    echo "Give each function a lazy slot, or call it only through one that has."
    exit 1
fi
echo "$(basename "$program") loads none of these at start:" $lazy
