#!/usr/bin/env bash
# The real program under a private Xvfb takes thousands of seeded synthetic key presses (never
# Esc) without dying, then ends with status 0 on Esc.
# Usage: key_storm.sh GAME_EXECUTABLE ASSETS_DIR [PRESSES]
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/strict.sh"
game=$1
assets=$2
presses=${3:-3000}
source "$(dirname "${BASH_SOURCE[0]}")/../reliability/xvfb_session.sh"

folder="$scratch/run"
mkdir -p "$folder"
for mesh in "$assets"/*.STL; do
    [ -e "$mesh" ] && ln -s "$mesh" "$folder/"
done

start_private_xvfb
start_game "$game" "$folder" "$scratch/console.txt"
window=$(wait_for_game_window)
focus_game_window "$window"

keys=(w a s d W A S D space space space Left Right Up Down x Return Tab 1 F1)
RANDOM=4242 # the same sequence on every run
sent=0
while [ "$sent" -lt "$presses" ]; do
    batch=()
    for _ in $(seq 250); do
        batch+=("${keys[RANDOM % ${#keys[@]}]}")
    done
    xdotool key --delay 1 "${batch[@]}"
    sent=$((sent + ${#batch[@]}))
    kill -0 "$game_pid" 2>/dev/null || fail "the program died after $sent key presses"
done
sleep 0.5
kill -0 "$game_pid" 2>/dev/null || fail "the program died after the key storm"
quit_with_escape
echo "PASS: $sent key presses, then status 0 on Esc"
