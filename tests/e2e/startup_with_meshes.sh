#!/usr/bin/env bash
# Start-up with all five meshes present: standard output redirected to a file holds exactly the
# nine Big5 instruction lines, the window "Game" is 800x600, and Esc ends the game with status 0.
set -uo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/e2e_lib.sh"

e2e_begin startup_with_meshes "$@"
e2e_require_meshes
e2e_copy_meshes
e2e_start_xvfb
e2e_start_game
e2e_wait_window
e2e_window_geometry
e2e_expect_window_size 800 600
e2e_shot start
e2e_focus
e2e_keys Escape
e2e_expect_exit_zero "Esc"

e2e_expected_big5 instructions
e2e_expect_same_bytes "$E2E_STDOUT" "$E2E_EXPECTED" "standard output"
e2e_finish
