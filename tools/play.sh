#!/usr/bin/env bash
# Sets up what is missing, builds, and starts the game with its meshes' folder as the working
# directory. Arguments are handed on to the game (freeglut's own options, e.g. -geometry).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/tools/setup.sh" gomoku3d

if [ -z "${DISPLAY:-}" ] || ! xdotool getdisplaygeometry >/dev/null 2>&1; then
    echo "gomoku3d needs an X display to open its window, and none is reachable (DISPLAY='${DISPLAY:-}')." >&2
    exit 1
fi

cd "$root/assets"
exec "$root/build/gomoku3d" "$@"
