# shellcheck shell=bash
# Shell helpers for the tests that run the real program: a private Xvfb, the program started in
# a scratch folder, its window found, and everything started here ended at exit. Sourced.

# shellcheck source=tools/xvfb.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/xvfb.sh"
scratch=$(mktemp -d /tmp/gomoku-session-XXXXXX)
game_pid=""

end_session() {
    if [ -n "$game_pid" ] && kill -0 "$game_pid" 2>/dev/null; then
        kill "$game_pid" 2>/dev/null || true
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
    fi
    [ -n "${KEEP_SCRATCH:-}" ] || rm -rf "$scratch"
}
trap end_session EXIT

fail() {
    echo "FAIL: $*" >&2
    # What the program said, if it was started: its console and its error output.
    for output in "$scratch/console.txt" "$scratch/console.txt.err"; do
        if [ -s "$output" ]; then
            echo "--- $(basename "$output"):" >&2
            tail -n 20 "$output" | iconv -f CP950 -t UTF-8 -c >&2 || true
        fi
    done
    exit 1
}

# Starts a private Xvfb and points DISPLAY at it once the server answers.
start_private_xvfb() {
    xvfb_start "$scratch" || fail "Xvfb did not start: $(cat "$scratch/xvfb.log")"
}

# Starts the program ($1) in the folder $2 with its console output going to $3.
start_game() {
    local program
    program=$(realpath "$1")
    (cd "$2" && exec "$program" >"$3" 2>"$3.err") &
    game_pid=$!
}

# Prints the id of the program's window "Game" once it is on screen; fails if the program
# ends first or after 60 s.
wait_for_game_window() {
    xvfb_find_window 60 "$game_pid" && return 0
    kill -0 "$game_pid" 2>/dev/null || fail "the program ended before its window appeared"
    fail "the window \"Game\" did not appear"
}

# Gives the window the keyboard: no window manager runs, so keys go where the pointer is.
focus_game_window() {
    xdotool mousemove --window "$1" 400 300 click 1
}

# Presses Esc and checks that the program ends with status 0 within 20 s.
quit_with_escape() {
    xdotool key Escape
    xvfb_wait_exit "$game_pid" 20 || fail "Esc did not end the program"
    game_pid=""
    [ "$exit_status" -eq 0 ] || fail "the program ended with status $exit_status after Esc"
}

# Big5 bytes of a readable UTF-8 text, for matching the program's console output.
big5() {
    printf '%s' "$1" | iconv -f UTF-8 -t CP950
}
