#!/bin/sh
# Fails when a program imports a library that our sources bind at a
# function's first call: a call into such a library to a function its
# delay-load list does not name builds and runs as before, but loads the
# library when the program starts again, and only this check notices.
#
# Usage: checkimports.sh OBJDUMP PROGRAM FOLDER...
# The delayed libraries are the ones the delay-load lists (*.def) in the
# FOLDERs name.
set -eu
objdump=$1
program=$2
shift 2

lazy=$(grep -rh --include='*.def' '^LIBRARY' "$@" | awk '{ print tolower($2) }' | sort -u)
if [ -z "$lazy" ]; then
    echo "No delay-load list in: $*" >&2
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
    echo "Name each function in its library's delay-load list (common/delayed/)."
    exit 1
fi
echo "$(basename "$program") loads none of these at start:" $lazy
