#!/usr/bin/env bash
# The suite's own X server for the tests that draw in a window, whatever DISPLAY the caller has
# (a ctest fixture): "x_server.sh start DIR" starts a private Xvfb and writes its display to
# DIR/display; "x_server.sh stop DIR" ends it.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/tools/strict.sh"
source "$root/tools/xvfb.sh"
dir=$2
mkdir -p "$dir"
[ ! -f "$dir/xvfb.pid" ] || kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
rm -f "$dir/xvfb.pid" "$dir/display"
if [ "$1" = start ]; then
    # The server must not hold ctest's output pipe, or ctest would wait for it to end.
    xvfb_start "$dir" </dev/null >/dev/null || { echo "Xvfb did not start: $(cat "$dir/xvfb.log")" >&2; exit 1; }
    echo "$xvfb_pid" >"$dir/xvfb.pid"
    echo "$DISPLAY" | tee "$dir/display"
fi
