#!/usr/bin/env bash
# The installed game for real under an Xvfb of its own: started through the launcher from a
# folder with no meshes in it, it opens its window with every mesh read, and Esc ends it with 0.
# Usage: game_test.sh BUILD_DIR CASE [PACKAGE_DIR]
set -euo pipefail
# shellcheck source=tests/install/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

build=$1
case_name=$2

make_work_dir
prefix="$work/prefix"
install_to "$build" "$prefix"
mkdir -p "$work/elsewhere"
start_xvfb

# The nine instruction lines, decoded; the game writes them as Big5, 307 bytes in all. Any
# mesh the game failed to find would add its report after them.
expected_instructions() {
    cat <<'EOF'
這是一個標準的五子棋
但是相比傳統的二維五子棋，這是三維的!!
按滑鼠右鍵會有'Cheat' 'Restart'這二個選項
選擇'Cheat'會開啟作弊模式
選擇'Restart'會開始新的一局
選擇'w' 'a' 's' 'd'可以控制旗子上下左右~~
按空白鍵便會下棋
選擇上下左右鍵可以360度觀看整個棋盤
如果有一方贏了就會有一些變化，此時可以按'Restart重來!!!
EOF
}

# start_game LAUNCHER ARGS...: starts the launcher from an unrelated folder, stdout to a file,
# and waits for the window "Game"; its id goes to $window.
start_game() {
    (cd "$work/elsewhere" && exec "$@" >"$work/game.out" 2>"$work/game.err") &
    game_pid=$!
    window=$(xvfb_find_window 20 "$game_pid") || true
    if [ -z "$window" ]; then
        cat "$work/game.err" >&2
        fail "the window \"Game\" did not open"
    fi
}

# Presses Esc in the window and expects the game to end with status 0. With no window
# manager, the pointer on the window and a click give it the keyboard. The game may be gone
# before xdotool sends the key's release, which xdotool then reports as an error: the exit
# status below is what tells.
quit_with_escape() {
    xdotool mousemove --window "$window" 400 300 click 1 2>/dev/null
    xdotool key --window "$window" Escape 2>/dev/null || true
    wait_exit "$game_pid" 10
    game_pid=""
    [ "$exit_status" -eq 0 ] || fail "the game ended with status $exit_status after Esc"
}

# The console output is exactly the instructions: every mesh was found, none reported.
expect_instructions_only() {
    local size
    size=$(stat -c %s "$work/game.out")
    [ "$size" -eq 307 ] || fail "stdout holds $size bytes, not the 307 of the instructions:
$(iconv -f BIG5 -t UTF-8 "$work/game.out" 2>&1)"
    iconv -f BIG5 -t UTF-8 "$work/game.out" >"$work/game.utf8" ||
        fail "stdout is not Big5 text"
    expected_instructions | cmp -s - "$work/game.utf8" ||
        fail "stdout differs from the instructions:
$(expected_instructions | diff - "$work/game.utf8")"
}

case $case_name in
any_folder)
    start_game "$prefix/bin/gomoku3d"
    quit_with_escape
    expect_instructions_only
    ;;
package)
    # The Debian package's tree, unpacked away from /usr and started through a link in another
    # bin folder: its launcher finds the program and the meshes in Debian's folders for games.
    dpkg-deb -x "$3"/gomoku3d_*.deb "$work/moved tree"
    mkdir -p "$work/bin"
    ln -s "$work/moved tree/usr/games/gomoku3d" "$work/bin/gomoku3d"
    start_game "$work/bin/gomoku3d"
    quit_with_escape
    expect_instructions_only
    ;;
geometry)
    # freeglut's -geometry reaches the game through the launcher: the window opens at the
    # position asked for, in the game's own size.
    start_game "$prefix/bin/gomoku3d" -geometry 800x600+30+40
    geometry=$(xdotool getwindowgeometry "$window")
    grep -q 'Position: 30,40 ' <<<"$geometry" || fail "window not at 30,40: $geometry"
    grep -q 'Geometry: 800x600$' <<<"$geometry" || fail "window not 800x600: $geometry"
    quit_with_escape
    expect_instructions_only
    ;;
*)
    fail "unknown case '$case_name'"
    ;;
esac
echo "ok: $case_name"
