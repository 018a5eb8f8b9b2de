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
start=$E2E_SHOT_GRAB

# full_turn KEY: one press must change the picture, the other 71 must bring the start back
# (no view short of a full turn looks like the start).
full_turn()
{
    local key=$1 i
    e2e_keys "$key"
    if e2e_wait_until_differs "$start" "1-$key-once" 20; then
        e2e_pass "one press of $key turns the view"
    else
        e2e_fail "one press of $key changed nothing"
        return
    fi
    local presses=()
    for ((i = 1; i < 72; i++)); do
        presses+=("$key")
    done
    e2e_keys "${presses[@]}"
    if e2e_wait_until_same "$start" "2-$key-72-times" 20; then
        e2e_pass "72 presses of $key bring back the starting picture"
    else
        e2e_fail "72 presses of $key did not bring back the starting picture"
    fi
}

full_turn Left
full_turn Down

e2e_keys Escape
e2e_expect_exit_zero "Esc"
e2e_finish
