#!/usr/bin/env bash
# The view keys turn the board 5 degrees a press: 72 presses of Left, or of Down, make a full
# turn and bring back the very picture the game started with.
set -uo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/e2e_lib.sh"

e2e_begin view_full_turn "$@"
e2e_require_meshes
e2e_copy_meshes
e2e_start_xvfb
e2e_start_game
e2e_wait_window
e2e_window_geometry
e2e_focus
e2e_shot 0-start
start=$E2E_SHOT

# full_turn KEY: one press must change the picture, the other 71 must restore it.
full_turn()
{
    local key=$1 changed i
    e2e_keys "$key"
    sleep 0.5
    e2e_shot "1-$key-once"
    changed=$(e2e_pixels_differing "$start" "$E2E_SHOT")
    if [[ $changed != 0 ]]; then
        e2e_pass "one press of $key turns the view ($changed pixels changed)"
    else
        e2e_fail "one press of $key changed nothing"
    fi
    local presses=()
    for ((i = 1; i < 72; i++)); do
        presses+=("$key")
    done
    e2e_keys "${presses[@]}"
    sleep 1
    e2e_shot "2-$key-72-times"
    changed=$(e2e_pixels_differing "$start" "$E2E_SHOT")
    if [[ $changed == 0 ]]; then
        e2e_pass "72 presses of $key bring back the starting picture"
    else
        e2e_fail "after 72 presses of $key the picture differs from the start in $changed pixels"
    fi
}

full_turn Left
full_turn Down

e2e_keys Escape
e2e_expect_exit_zero "Esc"
e2e_finish
