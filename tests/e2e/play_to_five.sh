#!/usr/bin/env bash
# A game played with synthetic keys until black has five in a row: the frame then shows a red
# line through the five and the black banner; w/a/s/d and space no longer change anything,
# the arrow keys still turn the view, and Esc ends the game with status 0.
set -uo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/e2e_lib.sh"
PIXELS=(python3 "$HERE/e2e_pixels.py")

e2e_begin play_to_five "$@"
e2e_require_meshes
e2e_copy_meshes
e2e_start_xvfb
e2e_start_game
e2e_wait_window
e2e_window_geometry
e2e_focus
e2e_shot 0-empty-board

# The cursor starts on cell (9, 9); a and d step the row, s and w the column. Black fills row 9
# from column 9 outwards, white answers on row 8 each time, and black's fifth stone on (9, 7)
# completes columns 7 to 11 while white has only four.
e2e_keys space a space \
    d w space a space \
    d w space a space \
    d s s s space a space \
    d s
e2e_shot 1-before-fifth-stone
e2e_keys space
e2e_shot 2-black-wins

# The red line runs through the five: nearly all red lies within a cell of the five's places.
read -r box_l box_t box_w box_h < <("${PIXELS[@]}" cells-box "$E2E_WIN_W" "$E2E_WIN_H" 9 7 9 11 1)
red_before=$("${PIXELS[@]}" count "$E2E_ARTEFACTS/1-before-fifth-stone.png" red 0 0 "$E2E_WIN_W" \
    "$E2E_WIN_H")
red_near=$("${PIXELS[@]}" count "$E2E_SHOT" red "$box_l" "$box_t" "$box_w" "$box_h")
red_all=$("${PIXELS[@]}" count "$E2E_SHOT" red 0 0 "$E2E_WIN_W" "$E2E_WIN_H")
echo "red pixels: $red_before before the fifth stone; after it $red_near near the five" \
    "(box ${box_w}x${box_h}+${box_l}+${box_t}) and $red_all in all"
if ((red_before == 0 && red_near >= 400 && red_all - red_near <= red_all / 20)); then
    e2e_pass "a red line lies over the five and nowhere else"
else
    e2e_fail "no red line over the five, or red elsewhere"
fi

# The black banner: its rows of text above and below the five turn board and background dark.
above=$("${PIXELS[@]}" newly "$E2E_ARTEFACTS/1-before-fifth-stone.png" "$E2E_SHOT" dark \
    0 0 "$E2E_WIN_W" "$box_t")
below=$("${PIXELS[@]}" newly "$E2E_ARTEFACTS/1-before-fifth-stone.png" "$E2E_SHOT" dark \
    0 $((box_t + box_h)) "$E2E_WIN_W" $((E2E_WIN_H - box_t - box_h)))
echo "pixels newly dark: $above above the five, $below below it"
if ((above >= 1000 && below >= 1000)); then
    e2e_pass "a dark banner is drawn above and below the five"
else
    e2e_fail "the dark banner is missing above or below the five"
fi

# Once the game is over, the keys that moved and placed do nothing: were they obeyed, stones
# would land on (7, 7), (7, 9) and (11, 9), all empty.
e2e_keys a a space w w space d d d d space
sleep 1
e2e_shot 3-after-moves-refused
changed=$(e2e_pixels_differing "$E2E_ARTEFACTS/2-black-wins.png" "$E2E_SHOT")
if [[ $changed == 0 ]]; then
    e2e_pass "w/a/s/d and space change nothing after the win"
else
    e2e_fail "w/a/s/d and space changed $changed pixels after the win"
fi

# The view keys still turn the board.
e2e_keys Left Up
sleep 0.5
e2e_shot 4-view-turned
changed=$(e2e_pixels_differing "$E2E_ARTEFACTS/3-after-moves-refused.png" "$E2E_SHOT")
if [[ $changed != 0 ]]; then
    e2e_pass "the arrow keys still turn the view after the win ($changed pixels changed)"
else
    e2e_fail "the arrow keys changed nothing after the win"
fi

e2e_keys Escape
e2e_expect_exit_zero "Esc after the win"
e2e_finish
