#!/usr/bin/env bash
# Soak: the real program with a full board and no five, drawing on for SECONDS (default 600)
# while its resident memory is sampled every 10 s; fails if the peak of the last minute exceeds
# the peak of the first minute after a minute's warm-up by more than SOAK_RSS_BOUND_KB (8192).
# Usage: tests/reliability/soak.sh [SECONDS]      (GAME=path soaks another build)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/tests/e2e/e2e.sh"
seconds=${1:-600}
game=$(realpath "${GAME:-$root/build/gomoku3d}")
e2e_begin "$root/build/soak-artefacts"
for mesh in "${MESHES[@]}"; do cp "$root/assets/$mesh" "$artefacts/work/"; done
start_game soak "$artefacts/work" || finish

# Cell (r, c) gets black when (c + 2r) mod 4 is 0 or 1, white otherwise: runs of at most two
# along rows and diagonals, alternating along columns, so no five forms, and 162 cells of each
# colour, visited alternately in row-major order ("d"/"a" a row down/up, "w"/"s" a column).
read -r -a fill < <(awk 'BEGIN {
    for (r = 0; r < 18; r++) for (c = 0; c < 18; c++)
        if ((c + 2 * r) % 4 < 2) { br[nb] = r; bc[nb++] = c } else { wr[nw] = r; wc[nw++] = c }
    row = 9; col = 9
    for (i = 0; i < nb; i++) for (side = 0; side < 2; side++) {
        r = side ? wr[i] : br[i]; c = side ? wc[i] : bc[i]
        for (; row < r; row++) printf "d "; for (; row > r; row--) printf "a "
        for (; col < c; col++) printf "w "; for (; col > c; col--) printf "s "
        printf "space "
    } }')
for ((i = 0; i < ${#fill[@]}; i += 200)); do xdotool key --delay 1 "${fill[@]:i:200}"; done

# The resident size rises and falls by a few MB as the GL driver takes and gives back working
# memory, so peaks are compared.
samples=()
for ((t = 10; t <= seconds; t += 10)); do
    sleep 10
    kill -0 "$game_pid" 2>/dev/null || { fail "the game died after $t s"; finish; }
    rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$game_pid/status")
    echo "t=${t}s rss=$rss kB"
    ((t <= 60)) || samples+=("$rss")
done
# peak head|tail: the highest sample of the first or the last minute.
peak() { printf '%s\n' "${samples[@]}" | "$1" -n 6 | sort -n | tail -n 1; }
first=$(peak head) last=$(peak tail)
check "soak: resident memory grew by $((last - first)) kB ($first to $last)" \
    test $((last - first)) -le "${SOAK_RSS_BOUND_KB:-8192}"
keys Escape
expect_exit "soak: Esc"
finish
