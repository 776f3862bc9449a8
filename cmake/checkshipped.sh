#!/bin/sh
# Fails when a shipped program holds a function name that only the tests'
# delay-load lists make up: the failure hook's table of a program takes the
# programs' own lists, and a test's list reaching it would ship the test's
# inventions.
#
# Usage: checkshipped.sh FOLDER PROGRAM...
# The made-up names are the functions of the lists (*.def) under FOLDER.
set -eu
folder=$1
shift

names=$(grep -rh --include='*.def' -E '^[A-Za-z_][A-Za-z0-9_]*@[0-9]+$' "$folder" | sed 's/@.*//' | sort -u)
if [ -z "$names" ]; then
    echo "No delay-load list in: $folder" >&2
    exit 1
fi
status=0
for program in "$@"; do
    if [ ! -f "$program" ]; then
        echo "Not built: $program" >&2
        exit 1
    fi
    for name in $names; do
        if grep -q -a -F "$name" "$program"; then
            echo "$(basename "$program") holds the tests' name $name"
            status=1
        fi
    done
done
[ $status -eq 0 ] && echo "No test's delayed name in:" "$@"
exit $status
