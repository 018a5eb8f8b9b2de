# Prints the keys that fill the board without a five, from the cursor's start on (9, 9): cell
# (r, c) is black when (c + 2r) mod 4 is 0 or 1, so no five lies along any line, and each side
# gets 162 cells, visited alternately ("d"/"a" a row down/up, "w"/"s" a column, "space" places).
# Used by the soak test and the browser benchmark: awk -f tools/full-board.awk
BEGIN {
    for (r = 0; r < 18; r++)
        for (c = 0; c < 18; c++)
            if ((c + 2 * r) % 4 < 2) { br[nb] = r; bc[nb++] = c } else { wr[nw] = r; wc[nw++] = c }
    row = 9; col = 9
    for (i = 0; i < nb; i++)
        for (side = 0; side < 2; side++) {
            r = side ? wr[i] : br[i]; c = side ? wc[i] : bc[i]
            for (; row < r; row++) printf "d "; for (; row > r; row--) printf "a "
            for (; col < c; col++) printf "w "; for (; col > c; col--) printf "s "
            printf "space "
        }
    print ""
}
