#!/usr/bin/env bash
# The deb-src entries tools/windows-build.sh derives from a machine's apt sources, for each mix
# of one-line and deb822 files a Debian 12 machine may have, none of them at all included.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# shellcheck source=tools/windows-build.sh
source "$root/tools/windows-build.sh"
set +e
trap - ERR

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

deb822='Types: deb
URIs: http://archive.example/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: http://archive.example/debian-security
Suites: bookworm-security
Components: main
Enabled: no

Types: deb deb-src
URIs: http://other.example/debian
Suites: trixie
Components: main'
one_line='# deb http://archive.example/debian bookworm main
deb [arch=amd64] http://archive.example/debian bookworm main contrib
deb http://archive.example/debian-security bookworm-security main
deb http://archive.example/debian trixie main'

stanzas_out='Types: deb-src
URIs: http://archive.example/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg'
lines_out='deb-src [arch=amd64] http://archive.example/debian bookworm main contrib
deb-src http://archive.example/debian-security bookworm-security main'

# case NAME SOURCES_LIST LIST_D_LIST LIST_D_SOURCES EXPECTED_STANZAS EXPECTED_LINES
# An empty file content means the file does not exist.
case_() {
    local name=$1 dir=$work/$1 stanzas lines
    mkdir -p "$dir/sources.list.d"
    [ -z "$2" ] || printf '%s\n' "$2" >"$dir/sources.list"
    [ -z "$3" ] || printf '%s\n' "$3" >"$dir/sources.list.d/extra.list"
    [ -z "$4" ] || printf '%s\n' "$4" >"$dir/sources.list.d/debian.sources"
    stanzas=$(deb_src_stanzas "$dir" bookworm | sed '/^$/d')
    lines=$(deb_src_lines "$dir" bookworm)
    if [ "$?" -ne 0 ] || [ "$stanzas" != "$5" ] || [ "$lines" != "$6" ]; then
        printf 'FAIL %s\n  stanzas:\n%s\n  lines:\n%s\n' "$name" "$stanzas" "$lines"
        failures=$((failures + 1))
    fi
}

case_ deb822-only "" "" "$deb822" "$stanzas_out" ""
case_ sources-list-only "$one_line" "" "" "" "$lines_out"
case_ list-d-only "" "$one_line" "" "" "$lines_out"
case_ every-kind "$one_line" "$one_line" "$deb822" "$stanzas_out" "$lines_out"
case_ none "" "" "" "" ""

echo "source entries: $((5 - failures)) of 5 cases as expected"
[ "$failures" -eq 0 ]
