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
empty_board=$E2E_SHOT

# Where the five will lie, with a cell's margin: rows of the window above and below it hold no
# stone, so whatever turns dark there is banner.
read -r box_l box_t box_w box_h < <("${PIXELS[@]}" cells-box "$E2E_WIN_W" "$E2E_WIN_H" 9 7 9 11 1)
echo "the five lies within ${box_w}x${box_h}+${box_l}+${box_t}"

red_near_five()
{
    "${PIXELS[@]}" count "$1" red "$box_l" "$box_t" "$box_w" "$box_h"
}

# The cursor starts on cell (9, 9); a and d step the row, s and w the column. Black fills row 9
# from column 9 outwards, white answers on row 8 each time, and black's fifth stone on (9, 7)
# completes columns 7 to 11 while white has only four.
e2e_keys space a space \
    d w space a space \
    d w space a space \
    d s s s space a space \
    d s space

# The frame that finds the five shows the line; keys are taken in order, so by then every key
# above has been. Waiting on the line itself keeps a slow machine from being read too early.
grab=$E2E_SCRATCH/waiting-for-line.xwd
deadline=$((SECONDS + 30))
line_shown=0
while ((SECONDS <= deadline)); do
    e2e_grab "$grab"
    e2e_keep "$grab" 1-black-wins
    if (($(red_near_five "$E2E_SHOT") >= 400)); then
        line_shown=1
        break
    fi
    sleep 0.2
done
((line_shown == 1)) || e2e_abort "no red line appeared near the five within 30 s"
e2e_shot 1-black-wins
black_wins=$E2E_SHOT_GRAB

# The red line runs through the five: nearly all red lies within a cell of the five's places.
red_near=$(red_near_five "$E2E_SHOT")
red_all=$("${PIXELS[@]}" count "$E2E_SHOT" red 0 0 "$E2E_WIN_W" "$E2E_WIN_H")
echo "red pixels: $red_near near the five and $red_all in all"
if ((red_near >= 400 && red_all - red_near <= red_all / 20)); then
    e2e_pass "a red line lies over the five and nowhere else"
else
    e2e_fail "the red line is not confined to the five"
fi

# The black banner: its rows of text above and below the five turn board and background dark.
above=$("${PIXELS[@]}" newly "$empty_board" "$E2E_SHOT" dark 0 0 "$E2E_WIN_W" "$box_t")
below=$("${PIXELS[@]}" newly "$empty_board" "$E2E_SHOT" dark \
    0 $((box_t + box_h)) "$E2E_WIN_W" $((E2E_WIN_H - box_t - box_h)))
echo "pixels newly dark: $above above the five, $below below it"
if ((above >= 1000 && below >= 1000)); then
    e2e_pass "a dark banner is drawn above and below the five"
else
    e2e_fail "the dark banner is missing above or below the five"
fi

# Once the game is over the keys that moved and placed do nothing: were they obeyed, stones
# would land on the empty cells (7, 7), (7, 9) and (11, 9). Left then turns the view, which
# shows that every key before it has been taken, and Right turns it back: the picture must be
# the winning frame again.
e2e_keys a a space w w space d d d d space Left
if e2e_wait_until_differs "$black_wins" 2-view-turned-after-win 20; then
    e2e_pass "Left still turns the view after the win"
else
    e2e_fail "Left changed nothing after the win"
fi
e2e_keys Right
if e2e_wait_until_same "$black_wins" 3-view-turned-back 20; then
    e2e_pass "w/a/s/d and space changed nothing after the win"
else
    e2e_fail "after w/a/s/d, space, Left and Right the winning frame did not come back"
fi

e2e_keys Escape
e2e_expect_exit_zero "Esc after the win"
e2e_finish
