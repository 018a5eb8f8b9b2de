#!/usr/bin/env bash
# Soak: the real program under a private Xvfb, a full board without a five, drawing on for
# SECONDS (default 600) while its resident memory is sampled every 10 s.
# Usage: tests/reliability/soak.sh [SECONDS]
# Fails if the memory grows by more than SOAK_RSS_BOUND_KB (default 8192) after the first
# minute of warm-up. GAME=path/to/gomoku3d soaks another build; SOAK_SCREENSHOT=file.png saves
# a picture of the filled board.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/tools/strict.sh"
seconds=${1:-600}
bound_kb=${SOAK_RSS_BOUND_KB:-8192}
warmup=60
interval=10
game=${GAME:-$root/build/gomoku3d}
if [ ! -x "$game" ]; then
    cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$root/build" --target gomoku3d -j2 >/dev/null
fi
source "$root/tests/reliability/xvfb_session.sh"

folder="$scratch/run"
mkdir -p "$folder"
for name in plane lines circle "black wins" "white wins"; do
    [ -f "$root/assets/$name.STL" ] || fail "assets/$name.STL is missing"
    ln -s "$root/assets/$name.STL" "$folder/$name.STL"
done

# The keys that fill the board. Cell (r, c) gets black when (c + 2r) mod 4 is 0 or 1, white
# otherwise: runs of at most two along rows and diagonals, alternating along columns, so no
# five ever forms, and 162 cells of each colour, so the sides can take turns to the end.
# Black and white cells are visited alternately, each list in row-major order; "d"/"a" move
# the cursor one row down/up, "w"/"s" one column right/left.
fill_keys() {
    awk 'BEGIN {
        nb = 0; nw = 0
        for (r = 0; r < 18; r++)
            for (c = 0; c < 18; c++)
                if ((c + 2 * r) % 4 < 2) { br[nb] = r; bc[nb++] = c } else { wr[nw] = r; wc[nw++] = c }
        row = 9; col = 9
        for (i = 0; i < nb; i++)
            for (side = 0; side < 2; side++) {
                r = side ? wr[i] : br[i]; c = side ? wc[i] : bc[i]
                for (; row < r; row++) printf "d "
                for (; row > r; row--) printf "a "
                for (; col < c; col++) printf "w "
                for (; col > c; col--) printf "s "
                printf "space "
            }
    }'
}

rss_kb() {
    awk '/^VmRSS:/ { print $2 }' "/proc/$game_pid/status"
}

cpu_seconds() {
    # utime + stime, fields 14 and 15 of /proc/PID/stat, in clock ticks.
    awk -v hz="$(getconf CLK_TCK)" '{ printf "%.1f", ($14 + $15) / hz }' "/proc/$game_pid/stat"
}

start_private_xvfb
start_game "$game" "$folder" "$scratch/console.txt"
window=$(wait_for_game_window)
focus_game_window "$window"
read -r -a keys <<<"$(fill_keys)"
for ((i = 0; i < ${#keys[@]}; i += 200)); do
    xdotool key --delay 1 "${keys[@]:i:200}"
done
echo "board filled with ${#keys[@]} key presses; soaking for ${seconds} s"
if [ -n "${SOAK_SCREENSHOT:-}" ]; then
    import -window root "$SOAK_SCREENSHOT" # the filled board, to look at
fi

# The RSS rises and falls by a few MB from frame to frame as the GL driver takes and gives back
# working memory, so the peaks are compared: the highest sample of the first minute after the
# warm-up against the highest of the last minute.
samples=()
elapsed=0
while [ "$elapsed" -lt "$seconds" ]; do
    sleep "$interval"
    elapsed=$((elapsed + interval))
    kill -0 "$game_pid" 2>/dev/null || fail "the program died after ${elapsed} s"
    rss=$(rss_kb)
    echo "t=${elapsed}s rss=${rss} kB cpu=$(cpu_seconds) s"
    if [ "$elapsed" -gt "$warmup" ]; then
        samples+=("$rss")
    fi
done
((${#samples[@]} > 0)) || samples=("$(rss_kb)")
per_minute=$((60 / interval))
peak() {
    printf '%s\n' "$@" | sort -n | tail -n 1
}
start_rss=$(peak "${samples[@]:0:per_minute}")
last_minute=$((${#samples[@]} > per_minute ? ${#samples[@]} - per_minute : 0))
end_rss=$(peak "${samples[@]:last_minute}")
growth=$((end_rss - start_rss))
echo "start RSS (peak of the first minute after ${warmup} s warm-up): ${start_rss} kB"
echo "end RSS (peak of the last minute): ${end_rss} kB"
echo "growth: ${growth} kB (bound ${bound_kb} kB)"
echo "CPU time used drawing: $(cpu_seconds) s in ${seconds} s"
focus_game_window "$window"
quit_with_escape
[ "$growth" -le "$bound_kb" ] || fail "resident memory grew by ${growth} kB"
echo "PASS"
