#!/usr/bin/env bash
# The install as users get it.
#   prefix   cmake --install into a prefix: the launcher (with a stub in the game's place) hands
#            on arguments and status from any folder, through links and after the tree moved, and
#            says so when the meshes' folder is missing; the desktop files pass their checkers.
#   package  the Debian package: its exact files, licence, Depends and lintian's verdict, and the
#            real game started through a link into its unpacked tree.
# Usage: install_test.sh BUILD_DIR prefix|package
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/tools/strict.sh"
build=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/gomoku3d install.XXXXXX") # a space, as in users' paths
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/elsewhere"
fail() { echo "FAIL: $*" >&2 && exit 1; }

# launch LAUNCHER ARGS...: runs it from an unrelated folder; the stub's log is in $work/stub.log.
launch() {
    rm -f "$work/stub.log"
    status=0
    (cd "$work/elsewhere" && "$@") >"$work/out" 2>"$work/err" || status=$?
}
# started_in PREFIX [LOGGED_ARGUMENTS]: the stub ran in PREFIX's meshes' folder and got them.
started_in() {
    local expected
    expected=$(printf 'cwd=%s\n%s' "$(cd "$1/share/gomoku3d" && pwd -P)" "${2:-}")
    [ "$(cat "$work/stub.log" 2>/dev/null)" = "$expected" ] ||
        fail "expected the game started as: $expected; it was: $(cat "$work/stub.log" "$work/err")"
}

case $2 in
prefix)
    prefix=$work/prefix
    cmake --install "$build" --prefix "$prefix" >/dev/null
    printf '#!/bin/sh\n{ echo "cwd=$(pwd -P)"; for a; do printf "[%%s]\\n" "$a"; done; } >"%s"\nexit 7\n' \
        "$work/stub.log" >"$prefix/libexec/gomoku3d/gomoku3d"
    # Every argument arrives as given, none split, expanded or dropped; the status comes back.
    # shellcheck disable=SC2016 # '$HOME' is meant to arrive unexpanded
    launch "$prefix/bin/gomoku3d" -geometry "two words" "" '*' '$HOME' $'line\nbreak'
    started_in "$prefix" $'[-geometry]\n[two words]\n[]\n[*]\n[$HOME]\n[line\nbreak]'
    [ "$status" = 7 ] || fail "the game exited with 7, the launcher with $status"
    # A record named from where the game was started arrives in full; other names as they were.
    launch "$prefix/bin/gomoku3d" "my game.psq" games/b.SGF /abs/c.sgf -x.psq notes.txt
    started_in "$prefix" "$(printf '[%s]\n' "$work/elsewhere/my game.psq" \
        "$work/elsewhere/games/b.SGF" /abs/c.sgf -x.psq notes.txt)"
    # Links from other folders, relative and chained, and by name through PATH.
    mkdir -p "$work/links/bin" "$work/links/deeper"
    ln -s ../../prefix/bin/gomoku3d "$work/links/bin/relative"
    ln -s ../bin/relative "$work/links/deeper/chained"
    launch "$work/links/deeper/chained" && started_in "$prefix"
    launch env PATH="$prefix/bin:$PATH" gomoku3d && started_in "$prefix"
    mv "$prefix" "$work/moved"
    launch "$work/links/../moved/bin/gomoku3d" && started_in "$work/moved"
    rm -r "$work/moved/share/gomoku3d"
    launch "$work/moved/bin/gomoku3d"
    [ "$status" = 1 ] && [ ! -f "$work/stub.log" ] && grep -q share/gomoku3d "$work/err" ||
        fail "without its meshes' folder: status $status, message: $(cat "$work/err")"
    # The desktop files pass their own checkers and name what the install put in place.
    share=$work/moved/share
    [ -z "$(desktop-file-validate "$share/applications/gomoku3d.desktop" 2>&1)" ] || fail "desktop entry"
    grep -qx 'Exec=gomoku3d' "$share/applications/gomoku3d.desktop" &&
        grep -qx 'Icon=gomoku3d' "$share/applications/gomoku3d.desktop" || fail "Exec or Icon"
    [ "$(identify -format '%m %wx%h' "$share/icons/hicolor/256x256/apps/gomoku3d.png")" = "PNG 256x256" ]
    appstreamcli validate --no-net --pedantic "$share/metainfo/io.github.gomoku3d.gomoku3d.metainfo.xml"
    gzip -dc "$share/man/man6/gomoku3d.6.gz" | groff -man -Tutf8 -ww -z 2>"$work/groff"
    [ ! -s "$work/groff" ] || fail "groff warns: $(cat "$work/groff")"
    MANPATH=$share/man MANPAGER=cat man 6 gomoku3d | grep -q '^EXIT STATUS'
    ;;
package)
    (cd "$build" && cpack -G DEB -B "$work/deb" >"$work/cpack.log") || fail "cpack: $(cat "$work/cpack.log")"
    deb=$(echo "$work"/deb/gomoku3d_*.deb)
    # Debian's layout for games, every file with its mode.
    dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $1, substr($0, index($0, "./")) }' | sort >"$work/files"
    diff - "$work/files" <<'EOF' || fail "the package's files differ (< expected, > packaged)"
-rw-r--r-- ./usr/share/applications/gomoku3d.desktop
-rw-r--r-- ./usr/share/doc/gomoku3d/changelog.gz
-rw-r--r-- ./usr/share/doc/gomoku3d/copyright
-rw-r--r-- ./usr/share/games/gomoku3d/black wins.STL
-rw-r--r-- ./usr/share/games/gomoku3d/circle.STL
-rw-r--r-- ./usr/share/games/gomoku3d/lines.STL
-rw-r--r-- ./usr/share/games/gomoku3d/plane.STL
-rw-r--r-- ./usr/share/games/gomoku3d/white wins.STL
-rw-r--r-- ./usr/share/icons/hicolor/256x256/apps/gomoku3d.png
-rw-r--r-- ./usr/share/man/man6/gomoku3d.6.gz
-rw-r--r-- ./usr/share/metainfo/io.github.gomoku3d.gomoku3d.metainfo.xml
-rwxr-xr-x ./usr/games/gomoku3d
-rwxr-xr-x ./usr/lib/games/gomoku3d/gomoku3d
EOF
    dpkg-deb -x "$deb" "$work/tree"
    # The copyright file grants the MIT text of LICENSE word for word.
    awk 'BEGIN { RS = "" } /^License: MIT\n/' "$work/tree/usr/share/doc/gomoku3d/copyright" |
        sed '1d; s/^ //; s/^\.$//' | cmp - <(sed -n '/^Permission/,$p' "$root/LICENSE")
    # Depends names the package of every library the program loads, and libGL, which epoxy
    # opens at run time.
    depends=$(dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' | sed 's/(.*)//; s/ //g')
    program=$work/tree/usr/lib/games/gomoku3d/gomoku3d
    for library in $(objdump -p "$program" | awk '$1 == "NEEDED" { print $2 }'); do
        path=$(ldd "$program" | awk -v s="$library" '$1 == s { print $3 }')
        for candidate in "$path" "$(realpath "$path")" "${path#/usr}"; do
            owner=$(dpkg -S "$candidate" 2>/dev/null | cut -d: -f1) && break
        done
        grep -qx "${owner:-none}" <<<"$depends" || fail "$library comes from '$owner', not in Depends"
    done
    grep -qx libgl1 <<<"$depends" || fail "Depends lacks libgl1"
    lintian --fail-on error,warning "$deb" | tee "$work/lintian"
    ! grep -E '^[EW]: ' "$work/lintian" || fail "lintian reports errors or warnings"
    # The real game through a link into the moved tree: the meshes are found (the instructions
    # alone on standard output) and Esc ends it with status 0.
    ln -s "$work/tree/usr/games/gomoku3d" "$work/elsewhere/gomoku3d"
    set +e
    source "$root/tests/e2e/e2e.sh"
    game=$work/elsewhere/gomoku3d
    e2e_begin "$work/e2e"
    trap 'e2e_end; rm -rf "$work"' EXIT
    start_game installed "$work/elsewhere" || finish
    keys Escape
    expect_exit "installed: Esc"
    expect_output installed 0
    finish
    ;;
esac
echo "ok: $2"
