#!/usr/bin/env bash
# The slow hostile-file checks, kept out of CI: the game reads files of about 1 GiB as its board
# (no display: it stops after reading its meshes), each ending in its one report or in no report
# (the whole model), within memory proportional to what it holds.
# Usage: tests/reliability/hostile-files.sh   (BUILD=build folder, default build/; TMPDIR for the files)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/tools/strict.sh"
export LC_ALL=C # bytes, not characters
build=${BUILD:-$root/build}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target gomoku3d -j2 >/dev/null
work=$(mktemp -d "${TMPDIR:-/tmp}/gomoku-hostile-XXXXXX")
trap 'rm -rf "$work"' EXIT
for mesh in lines circle "black wins" "white wins"; do printf 'solid\nendsolid\n' >"$work/$mesh.STL"; done
failures=0

# check NAME MESSAGE BOUND_KB < FILE: the console text from the first report on is the report of
# MESSAGE (none for ""), and the peak RSS stays under the bound.
check() {
    cat >"$work/plane.STL"
    (cd "$work" && env -u DISPLAY /usr/bin/time -f %M -o kb "$build/gomoku3d" >out 2>/dev/null) || true
    local want="" got kb verdict=ok
    [ -z "$2" ] || want=$(printf '讀檔失敗!\n錯誤描述：%s' "$2" | iconv -f UTF-8 -t CP950)
    got=$(sed -n "/$(printf '讀檔失敗' | iconv -f UTF-8 -t CP950)/,\$p" "$work/out")
    kb=$(tail -n 1 "$work/kb") # after any line on the exit status
    [ "$got" = "$want" ] && [ "$kb" -le "$3" ] || { verdict=FAIL; failures=$((failures + 1)); }
    echo "$1: peak RSS $kb kB (bound $3 kB): $verdict"
}

facet=$'facet normal 0 0 1\n outer loop\n  vertex 1.234567e+01 -2.345678e+01 3.456789e+00\n'
facet+=$'  vertex 1.334567e+01 -2.345678e+01 3.456789e+00\n'
facet+=$'  vertex 1.234567e+01 -2.245678e+01 3.456789e+00\n endloop\nendfacet'
n=4500000 # facets of 238 bytes: about 1 GiB
facets() { { echo solid big; yes "$facet" | head -n $((7 * n)); } || true; }
# The facets (48 bytes each) in a growing list, then the exact array, then the mesh arrays.
bound=$((4 * 48 * n / 1024 + 65536))
check "1 GiB of facets" "" "$bound" < <(facets; echo endsolid)
check "1 GiB failing in its last facet" "vertex 3 數值讀取錯誤" "$bound" \
    < <(facets; echo "f n 0 0 1 o l v 0 0 0 v 1 0 0 v 0 x 0 e e")
check "1 GiB first line" "無內容" 65536 < <(printf solid; head -c 1G /dev/zero | tr '\0' x)
check "1 GiB word" "格式不合(無normal)" 65536 < <(echo solid; head -c 1G /dev/zero | tr '\0' x)
check "1 GiB of NUL bytes" "格式不合(無normal)" 65536 < <(echo solid; head -c 1G /dev/zero)
[ "$failures" -eq 0 ] || { echo "$failures hostile-file check(s) failed" >&2; exit 1; }
echo PASS
