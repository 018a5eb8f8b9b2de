#!/usr/bin/env bash
# The deb-src entries tools/windows-build.sh derives from a machine's apt sources, for each mix
# of one-line and deb822 files a Debian 12 machine may have, none of them at all included.
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/windows-build.sh"
set +e
trap - ERR
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
deb822=$'Types: deb\nURIs: http://a.example/debian\nSuites: bookworm bookworm-updates\nComponents: main\n
Types: deb\nURIs: http://a.example/security\nSuites: bookworm-security\nEnabled: no\n
Types: deb\nURIs: http://b.example/debian\nSuites: trixie'
one_line=$'# deb http://a.example/debian bookworm main\ndeb [arch=amd64] http://a.example/debian bookworm main
deb http://b.example/debian trixie main'
stanza=$'Types: deb-src\nURIs: http://a.example/debian\nSuites: bookworm bookworm-updates\nComponents: main'
line='deb-src [arch=amd64] http://a.example/debian bookworm main'
failures=0
# case_ NAME SOURCES_LIST LIST_D_FILE SOURCES_FILE EXPECTED_STANZAS EXPECTED_LINES ("" = no file)
case_() {
    local dir=$work/$1 stanzas lines
    mkdir -p "$dir/sources.list.d"
    [ -z "$2" ] || echo "$2" >"$dir/sources.list"
    [ -z "$3" ] || echo "$3" >"$dir/sources.list.d/extra.list"
    [ -z "$4" ] || echo "$4" >"$dir/sources.list.d/debian.sources"
    stanzas=$(deb_src_stanzas "$dir" bookworm | sed '/^$/d') && lines=$(deb_src_lines "$dir" bookworm)
    [ "$?$stanzas|$lines" = "0$5|$6" ] || { echo "FAIL $1: $stanzas|$lines" && failures=$((failures + 1)); }
}
case_ deb822-only "" "" "$deb822" "$stanza" ""
case_ sources-list-only "$one_line" "" "" "" "$line"
case_ list-d-only "" "$one_line" "" "" "$line"
case_ every-kind "$one_line" "$one_line" "$deb822" "$stanza" "$line"
case_ none "" "" "" "" ""
echo "source entries: $((5 - failures)) of 5 cases as expected"
[ "$failures" = 0 ]
