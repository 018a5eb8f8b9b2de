#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test. Starts its own Xvfb when there is no
# X display, since the GL tests draw real frames.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/tools/setup.sh"

xvfb_pid=""
cleanup() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ] || ! xdotool getdisplaygeometry >/dev/null 2>&1; then
    Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp >"$root/build/xvfb.display" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$root/build/xvfb.display" ] && break
        sleep 0.1
    done
    export DISPLAY=":$(head -n 1 "$root/build/xvfb.display")"
    echo "Started Xvfb on $DISPLAY"
fi

cd "$root/build"
ctest --output-on-failure -j2 "$@"
