#!/bin/sh
# Fails when a library of ours needs a symbol that only a library of a higher
# or unrelated layer defines, or when a strong symbol of ours is defined
# twice (the linker would then take whichever it meets first), or when one
# is named as the system's import libraries name a function's import slot
# (__imp_...): the linker would take ours or the system's by their order on
# the link line. What none of our libraries defines comes from outside:
# Windows, the C and C++ run-time, the third-party libraries.
#
# Usage: checklinks.sh NM LIST
# LIST holds the layers, "below LAYER LOWER...", and the libraries,
# "lib LAYER NAME PATH", as the build writes them.
#
# A symbol in a section whose name holds "$" is a COMDAT copy (an inline
# function, a template instance): every library may carry one, and the
# linker keeps one of them, so such copies are neither duplicates nor
# definitions another library may rely on.
set -eu
nm=$1
list=$2
symbols=$(mktemp)
trap 'rm -f "$symbols"' EXIT

while read -r word layer name path; do
    [ "$word" = lib ] || continue
    if [ ! -f "$path" ]; then
        echo "Library $name is not built: $path" >&2
        exit 1
    fi
    # One line per global symbol: U (needed), S (strong definition) or
    # D (any other definition), with its library, member and name.
    "$nm" -f sysv "$path" | awk -F'|' -v lib="$name" '
        /^Symbols from / { member = $0; sub(/^[^[]*\[/, "", member); sub(/\]:.*$/, "", member); next }
        NF >= 7 {
            name = $1; cls = $3; section = $7
            gsub(/ /, "", name); gsub(/ /, "", cls); gsub(/ /, "", section)
            if (cls == "U") print "U", lib, member, name
            else if (cls ~ /^[A-Z]$/ && cls != "W" && cls != "V" && section !~ /\$/) print "S", lib, member, name
            else if (cls ~ /^[A-Z]$/) print "D", lib, member, name
        }' >>"$symbols"
done <"$list"

faults=$(awk '
    FNR == NR {
        if ($1 == "below") { allowed[$2, $2] = 1; for (i = 3; i <= NF; i++) allowed[$2, $i] = 1 }
        else if ($1 == "lib") layer[$3] = $2
        next
    }
    $1 == "U" { needed[$2, $4] = 1; next }
    {
        defined[$2, $4] = 1
        if ($4 ~ /^__imp_/)
            print "an import slot of ours: " $4 " in " $2 "(" $3 ")"
        if ($1 == "S") {
            count[$4]++
            where[$4] = where[$4] " " $2 "(" $3 ")"
            definers[$4] = definers[$4] " " $2
        }
    }
    END {
        for (key in count)
            if (count[key] > 1)
                print "defined twice: " key " in" where[key]
        for (key in needed) {
            split(key, part, SUBSEP)
            lib = part[1]; symbol = part[2]
            if ((lib, symbol) in defined || !(symbol in definers))
                continue
            n = split(definers[symbol], by, " ")
            reachable = 0
            for (i = 1; i <= n; i++)
                if ((layer[lib], layer[by[i]]) in allowed)
                    reachable = 1
            if (!reachable)
                print lib " (" layer[lib] ") uses " symbol ", defined only above or beside it in" definers[symbol]
        }
    }' "$list" "$symbols" | sort)

if [ -n "$faults" ]; then
    filter=$(echo "$nm" | sed 's/nm$/c++filt/')
    echo "Links that break the layers:"
    if command -v "$filter" >/dev/null 2>&1; then
        echo "$faults" | "$filter"
    else
        echo "$faults"
    fi
    exit 1
fi
echo "Links point one way and nothing of ours is defined twice"
