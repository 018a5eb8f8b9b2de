#!/usr/bin/env bash
# The slow hostile-file checks, kept out of CI: 1 GiB files read through loadStl, each ending in
# one report or a whole model within memory proportional to what it holds; time and peak RSS.
# Usage: tests/reliability/hostile-files.sh   (BUILD=build folder, default build/; TMPDIR for the files)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/tools/strict.sh"
build=${BUILD:-$root/build}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target stl_probe -j2 >/dev/null
probe="$build/tests/reliability/stl_probe"

work=$(mktemp -d "${TMPDIR:-/tmp}/gomoku-hostile-XXXXXX")
trap 'rm -rf "$work"' EXIT
gib=$((1024 * 1024 * 1024))
failures=0

big5() {
    printf '%s' "$1" | iconv -f UTF-8 -t CP950
}

# One facet as CAD exporters write it, 258 bytes.
facet_text() {
    printf 'facet normal 0.000000e+00 0.000000e+00 1.000000e+00\n'
    printf '  outer loop\n'
    printf '    vertex 1.234567e+01 -2.345678e+01 3.456789e+00\n'
    printf '    vertex 1.334567e+01 -2.345678e+01 3.456789e+00\n'
    printf '    vertex 1.234567e+01 -2.245678e+01 3.456789e+00\n'
    printf '  endloop\n'
    printf 'endfacet\n'
}

# "solid" line, then whole facets up to 1 GiB, then $1 (a last facet or nothing) and endsolid.
write_facets_file() {
    local file=$1 last=$2
    facet_text >"$work/facet"
    local facet_bytes
    facet_bytes=$(stat -c %s "$work/facet")
    # A block of 4096 facets, written as often as fits in 1 GiB.
    for _ in $(seq 4096); do cat "$work/facet"; done >"$work/block"
    local block_bytes blocks
    block_bytes=$(stat -c %s "$work/block")
    blocks=$((gib / block_bytes))
    {
        printf 'solid big\n'
        for _ in $(seq "$blocks"); do cat "$work/block"; done
        printf '%s' "$last"
        printf 'endsolid big\n'
    } >"$file"
    echo $((blocks * 4096))
}

# Reads $1 with the probe; checks the facet count ($2) and the report ($3, empty for none), and
# that the peak RSS stays under $4 kB.
check() {
    local name=$1 file=$2 want_count=$3 want_message=$4 bound_kb=$5
    local out="$work/out" err="$work/err" timing="$work/time"
    /usr/bin/time -v -o "$timing" "$probe" "$file" >"$out" 2>"$err"
    local count peak seconds size
    count=$(sed -n 's/^facets: //p' "$err")
    peak=$(sed -n 's/^\tMaximum resident set size (kbytes): //p' "$timing")
    seconds=$(sed -n 's/^\tElapsed (wall clock) time (h:mm:ss or m:ss): //p' "$timing")
    size=$(stat -c %s "$file")
    local verdict=ok
    if [ "$count" != "$want_count" ]; then
        verdict="FAIL: $count facets, expected $want_count"
    elif [ -z "$want_message" ] && [ -s "$out" ]; then
        verdict="FAIL: a report for a valid file"
    elif [ -n "$want_message" ] && ! cmp -s "$out" <(big5 "讀檔失敗!"$'\n'"錯誤描述：${want_message}"$'\n'); then
        verdict="FAIL: not the one report \"${want_message}\""
    elif [ "$peak" -gt "$bound_kb" ]; then
        verdict="FAIL: peak RSS ${peak} kB over the bound ${bound_kb} kB"
    fi
    [ "$verdict" = ok ] || failures=$((failures + 1))
    printf '%-34s %5d MiB  %9s facets  %-28s peak RSS %8d kB (bound %8d kB)  %s  %s\n' \
        "$name" $((size / 1024 / 1024)) "$count" "${want_message:-model}" "$peak" "$bound_kb" \
        "$seconds" "$verdict"
}

# A model needs its facets (48 bytes each) in a growing list and then in the exact array:
# at most three facets' worth per facet, plus a fixed 64 MB for the program itself.
model_bound_kb() {
    echo $(((3 * 48 * $1) / 1024 + 65536))
}

file="$work/big.STL"
facets=$(write_facets_file "$file" "")
check "1 GiB of valid facets" "$file" "$facets" "" "$(model_bound_kb "$facets")"

facets=$(write_facets_file "$file" "facet normal 0 0 1 outer loop vertex 0 0 0 vertex 1 0 0 vertex 0 x 0 endloop endfacet
")
check "1 GiB failing in its last facet" "$file" 0 "vertex 3 數值讀取錯誤" \
    "$(model_bound_kb "$facets")"

head -c "$gib" /dev/zero | tr '\0' 'x' | { printf 'solid'; cat; } >"$file"
check "1 GiB first line" "$file" 0 "無內容" 65536

head -c "$gib" /dev/zero | tr '\0' 'x' | { printf 'solid\n'; cat; } >"$file"
check "1 GiB single word" "$file" 0 "格式不合(無normal)" 65536

head -c "$gib" /dev/zero | { printf 'solid\n'; cat; } >"$file"
check "1 GiB of NUL bytes after solid" "$file" 0 "格式不合(無normal)" 65536

rm -f "$file"
if [ "$failures" -ne 0 ]; then
    echo "$failures hostile-file check(s) failed" >&2
    exit 1
fi
echo "PASS"
