# shellcheck shell=bash
# Sourced by the scripts that run the game on an X display: a private Xvfb, a display that
# answers, and the game's window found. Sets xvfb_pid to the server started here (empty
# otherwise).

xvfb_pid=""

# xvfb_start STATE_DIR [XVFB_OPTION...]: starts a private Xvfb on a display number it picks
# itself and exports DISPLAY for it once it answers; sets xvfb_pid. Fails when the server does
# not come up within 10 s (its error output is STATE_DIR/xvfb.log). Stopping it is the caller's.
xvfb_start() {
    local state="$1/xvfb.display" log="$1/xvfb.log" _
    shift
    mkdir -p "${state%/*}"
    : >"$state"
    # -noreset: by default the server resets when its last client leaves (wine's set-up, a
    # readiness probe), and a client that connects during the reset is turned away.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset "$@" 3>"$state" 2>"$log" &
    xvfb_pid=$!
    for _ in $(seq 100); do
        grep -q '^[0-9][0-9]*$' "$state" && break
        kill -0 "$xvfb_pid" 2>/dev/null || return 1
        sleep 0.1
    done
    grep -q '^[0-9][0-9]*$' "$state" || return 1
    DISPLAY=":$(head -n 1 "$state")"
    export DISPLAY
    unset XAUTHORITY
    for _ in $(seq 100); do
        xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

# xvfb_find_window SECONDS [PID]: prints the id of the visible window "Game" once there is one;
# fails after SECONDS, or as soon as process PID has ended. It asks again and again instead of
# once with --sync: this xdotool dies of an X error when a window disappears while it reads the
# windows' names (wine makes and drops windows as it starts), and one such death must not read
# as "no window".
xvfb_find_window() {
    local deadline=$((SECONDS + $1)) pid=${2:-} window
    while ((SECONDS < deadline)); do
        window=$(xdotool search --onlyvisible --name '^Game$' 2>/dev/null | head -n 1 || true)
        if [ -n "$window" ]; then
            echo "$window"
            return 0
        fi
        if [ -n "$pid" ] && ! kill -0 "$pid" 2>/dev/null; then
            return 1
        fi
        sleep 0.2
    done
    return 1
}
