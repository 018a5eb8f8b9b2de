#!/usr/bin/env bash
# The slow hostile-file checks, kept out of CI: the game (stopping for want of a display once its
# meshes are read) reads files of about 1 GiB as its board; each must end in its one report, or in
# none for a whole model, within memory proportional to what it holds. BUILD: the build folder.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/tools/strict.sh"
export LC_ALL=C
build=${BUILD:-$root/build}
cmake --build "$build" --target gomoku3d -j2 >/dev/null
work=$(mktemp -d "${TMPDIR:-/tmp}/gomoku-hostile-XXXXXX")
trap 'rm -rf "$work"' EXIT
for mesh in lines circle "black wins" "white wins"; do echo $'solid\nendsolid' >"$work/$mesh.STL"; done
failures=0

# check NAME MESSAGE BOUND_KB < FILE: the console text from the first report on, and peak RSS.
check() {
    cat >"$work/plane.STL"
    (cd "$work" && env -u DISPLAY /usr/bin/time -f %M -o kb "$build/gomoku3d" >out 2>/dev/null) || true
    local got want kb
    got=$(sed -n "/$(printf '讀檔失敗' | iconv -f UTF-8 -t CP950)/,\$p" "$work/out")
    want=$([ -z "$2" ] || printf '讀檔失敗!\n錯誤描述：%s' "$2" | iconv -f UTF-8 -t CP950)
    kb=$(tail -n 1 "$work/kb") # after any line on the exit status
    if [ "$got" = "$want" ] && [ "$kb" -le "$3" ]; then echo "$1: peak RSS $kb kB: ok"; else
        echo "$1: peak RSS $kb kB (bound $3 kB): FAIL" && failures=$((failures + 1)); fi
}

facet=$'facet normal 0 0 1\n outer loop\n  vertex 1.25 -2.5 3.75\n  vertex 2.25 -2.5 3.75\n'
facet+=$'  vertex 1.25 -1.5 3.75\n endloop\nendfacet'
n=9000000 # facets of 117 bytes: about 1 GiB
facets() { { echo solid big; yes "$facet" | head -n $((7 * n)); } || true; }
bound=$((4 * 48 * n / 1024 + 65536)) # a list, the exact array and the mesh arrays, 48 B a facet
check "1 GiB of facets" "" "$bound" < <(facets; echo endsolid)
check "1 GiB failing in its last facet" "法向量數值讀取錯誤" "$bound" < <(facets; echo f n 0 0 x)
check "1 GiB first line" "無內容" 65536 < <(printf solid; head -c 1G /dev/zero | tr '\0' x)
check "1 GiB word" "格式不合(無normal)" 65536 < <(echo solid; head -c 1G /dev/zero | tr '\0' x)
check "1 GiB of NUL bytes" "格式不合(無normal)" 65536 < <(echo solid; head -c 1G /dev/zero)
[ "$failures" -eq 0 ] || { echo "$failures hostile-file check(s) failed" >&2; exit 1; }
echo PASS
