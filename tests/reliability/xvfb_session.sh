# Shell helpers for the tests that run the real program: a private Xvfb, the program started in
# a scratch folder, its window found, and everything started here ended at exit. Sourced.

scratch=$(mktemp -d /tmp/gomoku-session-XXXXXX)
xvfb_pid=""
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

# Starts Xvfb on a free display number and points DISPLAY at it once the server answers. The
# number is drawn from 100..899, away from the low numbers other X servers start at, and the
# draw is repeated if that server does not come up. -noreset: by default the server resets when
# its last client leaves, and a client connecting during the reset (the program, right after
# the readiness probe) is turned away.
start_private_xvfb() {
    local attempt display
    for attempt in $(seq 10); do
        display=$((100 + RANDOM % 800))
        if [ -e "/tmp/.X${display}-lock" ] || [ -e "/tmp/.X11-unix/X${display}" ]; then
            continue
        fi
        Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
        xvfb_pid=$!
        for _ in $(seq 100); do
            kill -0 "$xvfb_pid" 2>/dev/null || break
            if DISPLAY=":$display" xdotool getdisplaygeometry >/dev/null 2>&1; then
                export DISPLAY=":$display"
                return 0
            fi
            sleep 0.1
        done
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
        xvfb_pid=""
    done
    fail "Xvfb did not start"
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
    local window=""
    for _ in $(seq 300); do
        kill -0 "$game_pid" 2>/dev/null || fail "the program ended before its window appeared"
        window=$(xdotool search --onlyvisible --name '^Game$' 2>/dev/null | head -n 1 || true)
        [ -n "$window" ] && break
        sleep 0.2
    done
    [ -n "$window" ] || fail "the window \"Game\" did not appear"
    echo "$window"
}

# Gives the window the keyboard: no window manager runs, so keys go where the pointer is.
focus_game_window() {
    xdotool mousemove --window "$1" 400 300 click 1
}

# Presses Esc and checks that the program ends with status 0 within 20 s.
quit_with_escape() {
    xdotool key Escape
    local status=0
    for _ in $(seq 200); do
        kill -0 "$game_pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$game_pid" 2>/dev/null && fail "Esc did not end the program"
    wait "$game_pid" || status=$?
    game_pid=""
    [ "$status" -eq 0 ] || fail "the program ended with status $status after Esc"
}

# Big5 bytes of a readable UTF-8 text, for matching the program's console output.
big5() {
    printf '%s' "$1" | iconv -f UTF-8 -t CP950
}
