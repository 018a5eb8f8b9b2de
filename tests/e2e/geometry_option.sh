#!/usr/bin/env bash
# freeglut's -geometry option: the size it names gives way to the game's 800x600, the position
# it names is kept.
set -uo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/e2e_lib.sh"

e2e_begin geometry_option "$@"
# No meshes: where the window goes does not depend on what it draws.
e2e_start_xvfb
e2e_start_game -geometry 640x480+37+41
e2e_wait_window
e2e_window_geometry
e2e_expect_window_size 800 600
if [[ $E2E_WIN_X == 37 && $E2E_WIN_Y == 41 ]]; then
    e2e_pass "the window is at 37,41"
else
    e2e_fail "the window is at $E2E_WIN_X,$E2E_WIN_Y, not 37,41"
fi
e2e_focus
e2e_keys Escape
e2e_expect_exit_zero "Esc"
e2e_finish
