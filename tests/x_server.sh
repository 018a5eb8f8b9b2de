#!/usr/bin/env bash
# The test suite's own X server, for the tests that draw in a window (a ctest fixture):
#   x_server.sh start DIR   starts a private Xvfb and writes its display (":N") to DIR/display
#   x_server.sh stop DIR    ends it
# The server is the suite's whatever DISPLAY the caller has, so that no test draws on a
# desktop and none finds itself without a display.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/tools/strict.sh"
source "$root/tools/xvfb.sh"
dir=$2
mkdir -p "$dir"

case $1 in
start)
    rm -f "$dir/display"
    if [ -f "$dir/xvfb.pid" ]; then
        kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
    fi
    # The server must not hold ctest's output pipe, or ctest would wait for it to end.
    xvfb_start "$dir" </dev/null >/dev/null ||
        { echo "x_server.sh: Xvfb did not start: $(cat "$dir/xvfb.log")" >&2; exit 1; }
    echo "$xvfb_pid" >"$dir/xvfb.pid"
    echo "$DISPLAY" >"$dir/display"
    echo "Xvfb on $DISPLAY"
    ;;
stop)
    if [ -f "$dir/xvfb.pid" ]; then
        kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
        rm -f "$dir/xvfb.pid" "$dir/display"
    fi
    ;;
*)
    echo "usage: x_server.sh start|stop DIR" >&2
    exit 2
    ;;
esac
