#!/usr/bin/env bash
# Renders packaging/gomoku3d.png, the 256 x 256 desktop icon, from the game's own scene: builds
# the game, plays a few moves in it under a private Xvfb, tilts the board and crops a screenshot.
# Usage: tools/make-icon.sh [build-dir]   (default build/; needs the five meshes in assets/)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/tools/strict.sh"
build=${1:-$root/build}
icon=$root/packaging/gomoku3d.png
background='#ffedd5' # the scene's clear colour (1.0, 0.93, 0.835), made transparent in the icon

for mesh in plane.STL lines.STL circle.STL "black wins.STL" "white wins.STL"; do
    if [ ! -f "$root/assets/$mesh" ]; then
        echo "make-icon: assets/$mesh is missing; the icon is drawn from the real scene" >&2
        exit 1
    fi
done

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target gomoku3d -j2
build=$(cd "$build" && pwd) # the game runs from assets/, so the path must not be relative

work=$(mktemp -d)
# shellcheck source=tools/xvfb.sh
source "$root/tools/xvfb.sh"
game_pid=""
# Each step runs whatever the one before it did: a failed kill must not leave an Xvfb behind.
cleanup() {
    if [ -n "$game_pid" ]; then
        kill "$game_pid" 2>/dev/null || true
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

if ! xvfb_start "$work"; then
    echo "make-icon: Xvfb did not start: $(cat "$work/xvfb.log")" >&2
    exit 1
fi

(cd "$root/assets" && exec "$build/gomoku3d" >/dev/null) &
game_pid=$!
window=$(xvfb_find_window 20 "$game_pid") || true
if [ -z "$window" ]; then
    echo "make-icon: the game's window did not open" >&2
    exit 1
fi

# A short opening around the centre point, then the board tipped away from the viewer by 45
# degrees and turned by 30, so the icon shows the stones standing on a board in depth.
# (xdotool's complaints about the focus of a server with no window manager are noise.)
keys() { xdotool key --delay 30 --window "$window" "$@" 2>/dev/null; }
xdotool mousemove --window "$window" 400 300 click 1 2>/dev/null
keys space d space w space a space a s space w w space d d d space s s space
for _ in $(seq 9); do keys Up; done
for _ in $(seq 6); do keys Left; done
sleep 1 # the window redraws continuously; give it a few frames after the last key

import -window "$window" "$work/shot.png"
convert "$work/shot.png" -crop 480x480+160+20 +repage -fuzz 3% -transparent "$background" \
    -resize 256x256 -strip -define png:exclude-chunks=date,time "$icon"
echo "wrote $icon ($(identify -format '%wx%h' "$icon"))"
