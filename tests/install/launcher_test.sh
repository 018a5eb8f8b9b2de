#!/usr/bin/env bash
# The installed launcher on its own: the game behind it is swapped for a stub that logs its
# working directory and arguments and exits with a chosen status, so no display is needed.
# Usage: launcher_test.sh BUILD_DIR CASE
set -euo pipefail
# shellcheck source=tests/install/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

build=$1
case_name=$2

make_work_dir
prefix="$work/prefix"
install_to "$build" "$prefix"
mkdir -p "$work/elsewhere"

# The stub stands where the game is installed and reports what the launcher handed it.
cat >"$prefix/libexec/gomoku3d/gomoku3d" <<'EOF'
#!/bin/sh
{
    echo "cwd=$(pwd -P)"
    for argument in "$@"; do
        printf '[%s]\n' "$argument"
    done
} >"$STUB_LOG"
exit "${STUB_STATUS:-0}"
EOF
chmod 755 "$prefix/libexec/gomoku3d/gomoku3d"
export STUB_LOG="$work/stub.log"

# run_launcher PATH ARGS...: runs PATH from an unrelated folder; status into $exit_status.
run_launcher() {
    rm -f "$STUB_LOG"
    exit_status=0
    (cd "$work/elsewhere" && "$@") >"$work/launcher.out" 2>"$work/launcher.err" || exit_status=$?
}

# expect_started_in PREFIX: the stub ran, from PREFIX's meshes folder, with no arguments.
expect_started_in() {
    [ -f "$STUB_LOG" ] || fail "the game was not started: $(cat "$work/launcher.err")"
    local expected
    expected="cwd=$(cd "$1/share/gomoku3d" && pwd -P)"
    [ "$(cat "$STUB_LOG")" = "$expected" ] ||
        fail "expected the game started as '$expected', got: $(cat "$STUB_LOG")"
    [ "$exit_status" -eq 0 ] || fail "launcher exited with $exit_status"
}

case $case_name in
arguments)
    # Every argument arrives as given: options, spaces, empty strings, glob and shell
    # characters, and a newline, none split, expanded or dropped.
    # shellcheck disable=SC2016 # '$HOME' is meant to arrive unexpanded
    run_launcher "$prefix/bin/gomoku3d" -geometry 800x600+30+40 "two words" "" '*' '$HOME' \
        "-- x" "line one
line two"
    expected="cwd=$(cd "$prefix/share/gomoku3d" && pwd -P)
[-geometry]
[800x600+30+40]
[two words]
[]
[*]
[\$HOME]
[-- x]
[line one
line two]"
    [ -f "$STUB_LOG" ] || fail "the game was not started: $(cat "$work/launcher.err")"
    [ "$(cat "$STUB_LOG")" = "$expected" ] ||
        fail "arguments or folder differ; expected:
$expected
got:
$(cat "$STUB_LOG")"
    [ ! -s "$work/launcher.out" ] || fail "the launcher wrote to stdout: $(cat "$work/launcher.out")"
    ;;
exit_status)
    # exec hands the game's exit status back unchanged, whatever it is.
    for status in 0 1 7 255; do
        STUB_STATUS=$status run_launcher "$prefix/bin/gomoku3d"
        [ "$exit_status" -eq "$status" ] ||
            fail "the game exited with $status but the launcher with $exit_status"
    done
    ;;
symlinks)
    # A link to the launcher from another bin folder, absolute or relative, through a chain of
    # links, or a linked folder on the way: each leads back to the installed tree.
    mkdir -p "$work/links/bin" "$work/links/deeper"
    ln -s "$prefix/bin/gomoku3d" "$work/links/bin/absolute"
    ln -s ../../prefix/bin/gomoku3d "$work/links/bin/relative"
    ln -s ../bin/relative "$work/links/deeper/chained"
    ln -s "$prefix/bin" "$work/links/linked-bin"
    for launcher in "$work/links/bin/absolute" "$work/links/bin/relative" \
        "$work/links/deeper/chained" "$work/links/linked-bin/gomoku3d"; do
        run_launcher "$launcher"
        expect_started_in "$prefix"
    done
    ;;
path_lookup)
    # Started by name through PATH, as the desktop entry and a user's shell do.
    run_launcher env PATH="$prefix/bin:$PATH" gomoku3d
    expect_started_in "$prefix"
    ;;
relative_path)
    # Started by a relative path, even with an exported CDPATH that holds a decoy bin folder.
    mkdir -p "$work/decoy/bin"
    for start in "$prefix:bin/gomoku3d" "$prefix/bin:./gomoku3d"; do
        rm -f "$STUB_LOG"
        exit_status=0
        (cd "${start%%:*}" && CDPATH="$work/decoy" "${start#*:}") 2>"$work/launcher.err" ||
            exit_status=$?
        expect_started_in "$prefix"
    done
    ;;
moved_prefix)
    # The whole tree moved after installing, then started directly and through a link that
    # was made after the move.
    mv "$prefix" "$work/moved tree"
    run_launcher "$work/moved tree/bin/gomoku3d"
    expect_started_in "$work/moved tree"
    ln -s "$work/moved tree/bin/gomoku3d" "$work/link-to-moved"
    run_launcher "$work/link-to-moved"
    expect_started_in "$work/moved tree"
    ;;
missing_data)
    # Without its meshes' folder the launcher says so and does not start the game.
    rm -rf "$prefix/share/gomoku3d"
    run_launcher "$prefix/bin/gomoku3d"
    [ "$exit_status" -eq 1 ] || fail "expected status 1, got $exit_status"
    [ ! -f "$STUB_LOG" ] || fail "the game was started without its meshes' folder"
    grep -q "share/gomoku3d" "$work/launcher.err" ||
        fail "the message does not name the folder: $(cat "$work/launcher.err")"
    ;;
*)
    fail "unknown case '$case_name'"
    ;;
esac
echo "ok: $case_name"
