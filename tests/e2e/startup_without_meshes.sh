#!/usr/bin/env bash
# Start-up in a folder with none of the five meshes: standard output holds the nine instruction
# lines, then the same two-line "cannot open the file" report once per mesh, and the window
# still opens at 800x600; Esc ends the game with status 0.
set -uo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/e2e_lib.sh"

e2e_begin startup_without_meshes "$@"
e2e_start_xvfb
e2e_start_game
e2e_wait_window
e2e_window_geometry
e2e_expect_window_size 800 600
e2e_shot start
# With every model empty, nothing but the clear colour is drawn.
colours=$(convert "$E2E_SHOT" -format '%k' info:)
if [[ $colours == 1 ]]; then
    e2e_pass "the window shows only its background"
else
    e2e_fail "the window shows $colours colours, though no mesh was loaded"
fi
e2e_focus
e2e_keys Escape
e2e_expect_exit_zero "Esc"

# The instructions, then one report for each of the five meshes, in model order.
expected=$E2E_ARTEFACTS/expected-stdout.bin
e2e_expected_big5 instructions
cat "$E2E_EXPECTED" > "$expected"
e2e_expected_big5 missing_mesh_report
for mesh in "${E2E_MESHES[@]}"; do
    cat "$E2E_EXPECTED" >> "$expected"
done
e2e_expect_same_bytes "$E2E_STDOUT" "$expected" "standard output"
e2e_finish
