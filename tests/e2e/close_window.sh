#!/usr/bin/env bash
# Closing the window as a window manager would (WM_DELETE_WINDOW) ends the game with status 0,
# the same as Esc.
set -uo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/e2e_lib.sh"

e2e_begin close_window "$@"
# No meshes: closing does not depend on what the window draws.
e2e_start_xvfb
e2e_start_game
e2e_wait_window
e2e_window_geometry
e2e_shot before-close
python3 "$HERE/e2e_close_window.py" "$E2E_WINDOW" || e2e_abort "could not send WM_DELETE_WINDOW"
e2e_expect_exit_zero "closing the window"
e2e_finish
