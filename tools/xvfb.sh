# Sourced by the test scripts: makes sure an X display answers, starting a private Xvfb when
# there is none. Sets DISPLAY, and xvfb_pid to the server it started (empty otherwise), and
# stops that server when the sourcing script exits.

xvfb_pid=""

stop_private_xvfb() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
    fi
}

# ensure_display STATE_DIR: STATE_DIR receives the display number the server chose.
ensure_display() {
    local state="$1/xvfb.display"
    if [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then
        return 0
    fi
    mkdir -p "$1"
    rm -f "$state"
    # -noreset: by default the server resets when its last client leaves, and a test that
    # connects during the reset is turned away.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$state" 2>/dev/null &
    xvfb_pid=$!
    trap stop_private_xvfb EXIT
    for _ in $(seq 100); do
        [ -s "$state" ] && break
        sleep 0.1
    done
    export DISPLAY=":$(head -n 1 "$state")"
    for _ in $(seq 100); do
        xdotool getdisplaygeometry >/dev/null 2>&1 && break
        sleep 0.1
    done
    echo "Started Xvfb on $DISPLAY"
}
