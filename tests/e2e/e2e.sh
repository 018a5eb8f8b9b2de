#!/usr/bin/env bash
# End to end: the real game in a private Xvfb, driven with xdotool and seen through grabs of its
# window (tests/web/run.sh and tests/windows/run.sh play the same sessions). Ends with "N passed,
# M failed". e2e.sh GAME ASSETS ARTEFACTS with-meshes|clicks|computer|renju|records|analysis|without-meshes|soak [S]
E2E_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tools/xvfb.sh
source "$E2E_HERE/../../tools/xvfb.sh"
RUN=${RUN:-} # a prefix for the game: "wine" for the Windows build
WORLD=${WORLD:-${RUN:-native}} # native, wine or web
# Every game the same seed, so that the computer's answers are the engine's for the board and the
# moves made (engine_answer's); the page takes it from its address.
export GOMOKU_SEED=0
MESHES=("plane.STL" "lines.STL" "circle.STL" "black wins.STL" "white wins.STL")
# The menu's entries in order, each choice with a mark as wide as its own.
MENU_ENTRIES=("Cheat" "Restart" "Undo" "( ) Two players" "( ) Computer plays white"
    "( ) Computer plays black" "( ) Easy" "( ) Medium" "( ) Hard" "( ) Freestyle"
    "( ) Exactly five" "( ) Renju" "( ) Free" "( ) Swap2" "Save game" "Play on from here"
    "( ) Move numbers" "Hint" "Analyse game" "Starting view" "Resign" "Offer a draw" "Rematch"
    "Swap2: take white" "Swap2: take black" "Swap2: place two more"
    "Allow taking back" "Refuse taking back"
    "Yes, abandon this game" "No, go on with this game"
    "( ) See-through cursor" "Accept the draw" "Decline the draw" "Clock: none")
# From the cursor's start on (9, 9) black fills row 9 outwards while white answers on row 8, four
# each (a and d step the row, s and w the column); "d s space" is then black's fifth, on (9, 7).
FOUR_EACH=(space a space d w space a space d w space a space d s s s space a space)
passed=0
failed=0
game_pid=""

pass() { echo "ok: $*" && passed=$((passed + 1)); }
fail() { echo "FAIL: $*" && failed=$((failed + 1)); }
check() { local what=$1 && shift && if "$@"; then pass "$what"; else fail "$what"; fi; }
finish() { echo "$passed passed, $failed failed" && exit $((failed > 0)); }

# e2e_begin ARTEFACTS: a fresh artefact folder, a private Xvfb, and clean-up at exit.
e2e_begin() {
    artefacts=$1
    rm -rf "$artefacts" && mkdir -p "$artefacts/work" || exit 1
    trap e2e_end EXIT
    trap 'exit 1' INT TERM HUP
    xvfb_start "$artefacts" -br || { fail "Xvfb did not start: $(cat "$artefacts/xvfb.log")"; finish; }
}
e2e_end() { stop_game; [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null; rm -rf "$artefacts/work"; }

# start_game NAME FOLDER [ARG...]: the game in FOLDER, its output in the artefacts as NAME.*;
# then its window (id in $window), once it has drawn a frame, with the keyboard's focus.
start_game() {
    local name=$1 folder=$2
    game_name=$name
    (cd "$folder" && exec $RUN "$game" "${@:3}" >"$artefacts/$name.stdout" 2>"$artefacts/$name.stderr") &
    game_pid=$!
    if ! window=$(xvfb_find_window 60 "$game_pid"); then
        local how="within 60 s"
        gone && { wait "$game_pid"; how="before it ended with status $?"; }
        fail "$name: no window \"Game\" $how; errors: $(tail -n 5 "$artefacts/$name.stderr"); console: $(tail -n 3 "$artefacts/$name.stdout")"
        game_pid=""
        return 1
    fi
    # The root window's black until the first frame (a slow start shows some): most must be drawn.
    await "$name-0-first-frame" 30 mostly_drawn "$name-0-first-frame" || { fail "$name: no frame within 30 s" && return 1; }
    # With no window manager keys go nowhere until a click: in the corner, off the board.
    xdotool mousemove --window "$window" 5 5 click 1 && sleep 0.3
}
stop_game() { [ -z "$game_pid" ] || kill "$game_pid" 2>/dev/null; }
gone() { ! kill -0 "$game_pid" 2>/dev/null; }

# expect_exit WHAT: the game ends within 15 s with status 0.
expect_exit() {
    within 15 gone || { fail "$1: the game still runs 15 s later" && stop_game && return; }
    wait "$game_pid"
    check "$1 ends the game with status $?" test $? = 0
    game_pid=""
}
escape() { keys Escape; expect_exit "$1: Esc"; }

keys() { xdotool key --delay 30 "$@"; }
# along N KEY: KEY N times.
along() { local i out=() && for ((i = 0; i < $1; i++)); do out+=("$2"); done && keys "${out[@]}"; }
point_to() { xdotool mousemove --window "$window" "$1" "$2"; }
click_at() { point_to "$@" && xdotool click 1; }
grab() { xwd -silent -id "$window" | convert xwd:- "ppm:$artefacts/$1.ppm"; }
# measure PICTURE [BEFORE]: sets red, dark and newly_dark to "COUNT LEFT TOP RIGHT BOTTOM" of
# the winning line's red, of what is dark, and of what is dark but was not in BEFORE.
measure() {
    local name values
    while read -r name values; do
        read -r -a "${name/-/_}" <<<"$values"
    done < <(python3 "$E2E_HERE/pixels.py" "$artefacts/$1.ppm" ${2:+"$artefacts/$2.ppm"})
}
# within SECONDS COMMAND...: runs the command until it succeeds; fails after SECONDS.
within() {
    local deadline=$((SECONDS + $1))
    until "${@:2}"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.3
    done
}
# await NAME SECONDS CONDITION...: grabs the picture NAME until the condition holds.
await() { within "$2" grab_and "$1" "${@:3}"; }
grab_and() { grab "$1" && "${@:2}"; }
differs() { ! cmp -s "$artefacts/$1.ppm" "$artefacts/$2.ppm"; }
same() { cmp -s "$artefacts/$1.ppm" "$artefacts/$2.ppm"; }
# settled NAME: the picture NAME holds is the one on the screen half a second later.
settled() { sleep 0.5 && grab "$1-later" && same "$1" "$1-later"; }
# changed NAME FROM: the picture NAME once it differs from FROM and then holds (a slow game halfway).
changed() { await "$1" 20 differs "$2" "$1" && await "$1" 20 settled "$1"; }
# shows NAME same|differs FROM WHAT: checks WHAT, that the picture NAME comes to be (or not be) FROM.
shows() { check "$4" await "$1" 20 "$2" "$3" "$1"; }
# refused NAME X Y WHAT: once the pointer rests on X Y, a click there changes nothing.
refused() {
    point_to "$2" "$3" && await "$1-over" 20 settled "$1-over"
    click_at "$2" "$3" && await "$1-clicked" 20 settled "$1-clicked"
    check "$4 is refused" same "$1-over" "$1-clicked"
}
red_shows() { measure "$1" && ((red[0] >= ${red_least:-400})); }
drawn() { measure "$1" && ((dark[0] < 800 * 600)); }
mostly_drawn() { measure "$1" && ((dark[0] < 800 * 600 / 2)); }
# five NAME: the picture NAME once a winning line's red shows, measured.
five() { await "$1" 30 red_shows "$1" || fail "${1%%-*}: no red line within 30 s"; measure "$1"; }
# still NAME WHAT: two seconds later the picture NAME is still on the screen.
still() { sleep 2; grab "$1-later"; check "$2" same "$1" "$1-later"; }

# board NAME: the empty board grabbed as NAME; its grid's corners in grid, a five's least red in red_least.
board() {
    await "$1" 20 settled "$1" && measure "$1" && grid=("${dark[@]:1:4}")
    red_least=$(((grid[2] - grid[0]) * (grid[3] - grid[1]) / 700))
}
# at COLUMN ROW: the point's place in the window, from grid.
at() { echo $((grid[0] + ($1 * (grid[2] - grid[0]) + 8) / 17)) $((grid[3] - ($2 * (grid[3] - grid[1]) + 8) / 17)); }
# place NAME COLUMN ROW...: a click on each point in turn, each once the stone before it shows.
place() {
    local name=$1 && shift && grab "$name-placed"
    while (($# >= 2)); do
        click_at $(at "$1" "$2") && await "$name-placing" 20 differs "$name-placed" "$name-placing" &&
            await "$name-placed" 20 settled "$name-placed"
        shift 2
    done
}

# expect_output NAME REPORTS: the instructions, then REPORTS missing mesh reports, in Big5 (CR LF under wine).
expect_output() {
    local expected=$artefacts/$1.expected i
    {
        cat "$E2E_HERE/instructions.utf8.txt"
        for ((i = 0; i < $2; i++)); do cat "$E2E_HERE/missing_mesh_report.utf8.txt"; done
    } | case $WORLD in
        web) cat ;;
        wine) iconv -f UTF-8 -t BIG5 | sed 's/$/\r/' ;;
        *) iconv -f UTF-8 -t BIG5 ;;
    esac >"$expected"
    check "$1: the console got the instructions and $2 report(s), byte for byte" \
        cmp "$artefacts/$1.stdout" "$expected"
}

# window_is W H [X Y]: the window's size, and its place.
window_is() {
    local WIDTH HEIGHT X Y SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$window")"
    [ "$WIDTH $HEIGHT" = "$1 $2" ] && { [ $# = 2 ] || [ "$X $Y" = "$3 $4" ]; }
}

# Black makes five, the line and the banner show, the menu restarts and undoes, and Esc ends it.
# Natively the window asked for at another size and place stays 800 x 600 and takes the place.
session_with_meshes() {
    local folder=$1 at=() options=()
    [ "$WORLD" != native ] || at=(37 41) options=(-geometry 640x480+37+41)
    start_game play "$folder" "${options[@]}" || return
    check "play: the window is 800x600${at:+ at ${at[*]}}" window_is 800 600 "${at[@]}"
    grab play-1-empty && keys "${FOUR_EACH[@]}"
    changed play-2-four-each play-1-empty || fail "play: no stones appeared"
    measure play-2-four-each play-1-empty
    # Before the five the only red is the mark on the last stone, far less than the line's.
    check "play: before the five only the last stone's mark is red (${red[0]} pixels)" \
        test "${red[0]}" -gt 0 -a "${red[0]}" -lt 200
    local stones=("${newly_dark[@]:1}") before=${dark[0]}
    keys d s space && five play-3-black-wins
    echo "red within ${red[*]:1}; black's first four stones within ${stones[*]}"
    # The five runs down the screen; the red runs along it, further than the first four span.
    local middle=$(((red[1] + red[3]) / 2))
    check "play: the red line runs down through the five" test "$middle" -ge "${stones[0]}" \
        -a "$middle" -le "${stones[2]}" -a $((red[4] - red[2])) -gt $((stones[3] - stones[1]))
    check "play: the black banner darkens the picture ($before dark pixels, then ${dark[0]})" \
        test "${dark[0]}" -ge $((before + 20000))
    # Under wine with no window manager freeglut's menu may take a click as activating its window.
    if [ "$WORLD" = wine ]; then
        echo "note: play: Restart and Undo from the menu are not played under wine (see above)"
    else
        choose 1 Restart && shows play-6-restarted differs play-3-black-wins "play: Restart clears the board"
        choose 2 Undo && shows play-7-undone same play-3-black-wins "play: Undo right after Restart brings the game back"
    fi
    escape play
    expect_output play 0
}

# The pointer: hovering puts the cursor stone where the keys put it; clicks place both sides'
# stones, and black's five shows its line.
session_clicks() {
    start_game clicks "$1" || return
    local grid red_least x y
    board clicks-1-empty
    keys a a a a a s s s s s # the cursor from (9, 9) to (4, 4)
    changed clicks-2-keys clicks-1-empty && keys d
    changed clicks-3-away clicks-2-keys && point_to $(at 4 4)
    shows clicks-4-hover same clicks-2-keys "clicks: the pointer over (4, 4) puts the cursor stone where the keys put it"
    keys d && shows clicks-4-away same clicks-3-away "clicks: and places nothing there"
    place clicks 4 4 4 5 5 5 5 6 6 6 6 7 7 7 7 8
    click_at $(at 8 8) && five clicks-7-black-wins
    read -r x y <<<"$(at 6 6)"
    check "clicks: the red line runs through (6, 6) at $x $y (red within ${red[*]:1:4})" \
        test "${red[1]}" -lt "$x" -a "${red[3]}" -gt "$x" -a "${red[2]}" -lt "$y" -a "${red[4]}" -gt "$y"
    escape clicks
}

# choose INDEX LABEL: freeglut's menu opened by the right button, then its entry INDEX, which reads
# LABEL. Natively every entry's text shows once the pointer is on one (docs/reliability.md).
menu_box=()
choose() {
    xdotool mousemove --window "$window" 20 20 click 3 && sleep 0.5
    local menu WIDTH HEIGHT X Y SCREEN WINDOW
    menu=$(xdotool search --onlyvisible --name '^freeglut menu$' | head -n 1)
    [ -n "$menu" ] || { fail "the menu did not open for \"$2\"" && return 1; }
    eval "$(xdotool getwindowgeometry --shell "$menu")"
    menu_box=("$X" "$Y" "$WIDTH" "$HEIGHT")
    xdotool mousemove $(entry_at "$1")
    if [ "$WORLD" = native ]; then
        sleep 0.5 && xwd -silent -id "$menu" | convert xwd:- "ppm:$artefacts/menu-$1.ppm"
        check "the menu for \"$2\" shows every entry's text inside its window" \
            python3 "$E2E_HERE/pixels.py" --menu "$artefacts/menu-$1.ppm" "${MENU_ENTRIES[@]}"
    fi
    xdotool click 1
}
# entry_at INDEX: the middle of the menu's entry INDEX on the screen, where choose opened it.
entry_at() {
    echo $((menu_box[0] + menu_box[2] / 2)) \
        $((menu_box[1] + 2 + (menu_box[3] - 4) * (2 * $1 + 1) / (2 * ${#MENU_ENTRIES[@]})))
}
# click_then_choose X Y INDEX LABEL: a click, then 0.2 s later (the computer thinking) the entry
# INDEX, queued together so that a busy game takes them in turn.
click_then_choose() {
    [ ${#menu_box[@]} = 4 ] || { fail "click_then_choose: the menu's place is not known yet" && return 1; }
    xdotool mousemove --window "$window" "$1" "$2" click 1 sleep 0.2 mousemove --window "$window" 20 20 click 3 \
        mousemove $(entry_at "$3") click 1
}

# mark_cell PICTURE: the point under the last move's mark, "column row" as at() counts them, and
# whether the stone there is "white" or "black"; nothing when no mark, or more red than a mark.
mark_cell() {
    measure "$1"
    ((red[0] > 0 && red[0] < 200)) || return 1
    local x=$(((red[1] + red[3]) / 2)) y=$(((red[2] + red[4]) / 2)) above
    above=$(convert "$artefacts/$1.ppm" -format '%[fx:int(255*p{'"$x,$((red[2] - 3))"'}.r)]' info:)
    echo $(((2 * 17 * (x - grid[0]) / (grid[2] - grid[0]) + 1) / 2)) \
        $(((2 * 17 * (grid[3] - y) / (grid[3] - grid[1]) + 1) / 2)) \
        "$( ((above > 128)) && echo white || echo black)"
}
# answered NAME: the mark has moved to a white stone on a point not known to be taken.
answered() {
    local col row colour
    read -r col row colour < <(mark_cell "$1") && [ "$colour" = white ] &&
        [ -z "${stone[$col,$row]}" ] && stone[$col,$row]=O && last=($col $row)
}
# engines_answer LEVEL [NODES]: the engine's own answer ("column row") to the stones known, white
# to move, at LEVEL with its budget (or NODES positions) and the game's seed, the moves made.
engines_answer() {
    local k c r args=()
    for k in "${!stone[@]}"; do
        IFS=, read -r c r <<<"$k" && args+=("$c,$r,$([ "${stone[$k]}" = X ] && echo b || echo w)")
    done
    "${ENGINE_ANSWER:-engine_answer}" "$1" "${2:-0}" ${#args[@]} white "${args[@]}"
}
# answer_is NAME EXPECTED: the mark is on a new white stone, on the point EXPECTED ("column row").
answer_is() { answered "$1" && [ "${last[*]}" = "$2" ]; }

# Against the computer: black's open three is stopped, every answer the engine's own for the board,
# and u takes both stones back. While the hard level thinks, u, another level or Restart drops its
# thought (no stale answer lands), and Esc ends the game.
session_computer() {
    start_game computer "$1" || return
    local grid red_least last=() plan=() n=0 c r d k dc dr expected wrong=()
    local -A stone=()
    board computer-1-empty
    [ -x "${ENGINE_ANSWER:-}" ] || fail "computer: no engine_answer to check its answers with (ENGINE_ANSWER)"
    free() { (($1 >= 0 && $1 <= 17 && $2 >= 0 && $2 <= 17)) && [ -z "${stone[$1,$2]}" ]; }
    choose 4 "( ) Computer plays white"
    [ "$WORLD" != web ] || check "computer: the status line names the computer's side and level" \
        within 5 says "Black to move. The computer plays white, medium."
    keys space && stone[9,9]=X && expected=$(engines_answer medium)
    check "computer: it answers black's first stone, its stone marked" \
        await computer-2-answer 20 answered computer-2-answer
    [ "${last[*]}" = "$expected" ] || wrong+=("the first at ${last[*]}, the engine's at $expected")
    # Black's line, ends free: two stones, then the open three; an answer in the way starts anew.
    for ((n = 0; n < 8; n++)); do
        plan=()
        for k in "${!stone[@]}"; do
            [ "${stone[$k]}" = X ] || continue
            IFS=, read -r c r <<<"$k"
            for d in "1 0" "0 1" "1 1" "1 -1" "-1 0" "0 -1" "-1 -1" "-1 1"; do
                read -r dc dr <<<"$d"
                free $((c - dc)) $((r - dr)) && free $((c + 3 * dc)) $((r + 3 * dr)) || continue
                if [ "${stone[$((c + dc)),$((r + dr))]}" = X ] && free $((c + 2 * dc)) $((r + 2 * dr)); then
                    plan=(three $((c + 2 * dc)) $((r + 2 * dr)) $((c - dc)) $((r - dr)) $((c + 3 * dc)) $((r + 3 * dr)))
                    break 2
                fi
                free $((c + dc)) $((r + dr)) && free $((c + 2 * dc)) $((r + 2 * dr)) &&
                    [ ${#plan[@]} = 0 ] && plan=(two $((c + dc)) $((r + dr)))
            done
        done
        [ ${#plan[@]} -gt 0 ] || break
        # The cursor stone on the point first, where it will stand again once the move is taken back.
        point_to $(at "${plan[1]}" "${plan[2]}") && await computer-3-before 20 settled computer-3-before
        click_at $(at "${plan[1]}" "${plan[2]}") && stone[${plan[1]},${plan[2]}]=X
        expected=$(engines_answer medium)
        await computer-4-reply 20 answered computer-4-reply || { fail "computer: no answer to black's stone" && break; }
        [ "${last[*]}" = "$expected" ] || wrong+=("at ${last[*]}, the engine's at $expected")
        [ "${plan[0]}" = three ] && break
    done
    check "computer: black made an open three (${plan[*]:1:2}) and the computer stopped it at ${last[*]}" \
        test "${plan[0]}" = three -a \( "${last[*]}" = "${plan[*]:3:2}" -o "${last[*]}" = "${plan[*]:5:2}" \)
    check "computer: each of its $((n + 1)) answers is the engine's own for the board${wrong:+ (${wrong[*]})}" \
        test ${#wrong[@]} = 0
    keys u && unset "stone[${last[0]},${last[1]}]" "stone[${plan[1]},${plan[2]}]"
    shows computer-5-undone same computer-3-before "computer: u takes back the computer's answer and black's stone before it"
    choose 8 "( ) Hard"
    click_at $(at "${plan[1]}" "${plan[2]}") && sleep 0.2 && keys u
    shows computer-6-undone same computer-3-before "computer: u while the hard level thinks takes black's stone back"
    still computer-6-undone "computer: and no answer lands afterwards"
    # Black's stone on (12, 12), where easy answers elsewhere than the other levels.
    click_then_choose $(at 12 12) 6 "( ) Easy" && stone[12,12]=X
    expected=$(engines_answer easy)
    check "computer: Easy chosen while the hard level thinks, the answer is easy's own ($expected; hard's, given 400,000 positions: $(engines_answer hard 400000))" \
        await computer-7-easy 20 answer_is computer-7-easy "$expected"
    still computer-7-easy "computer: and no other lands afterwards"
    # Restart in the game in progress asks first; its menu entry "Yes, abandon this game" answers.
    # Black plays away from the centre, the computer thinks; Restart, and y: black opens the new
    # game and no answer lands. (Not under wine, whose menu may take the queued click as
    # activating it.)
    choose 8 "( ) Hard"
    if [ "$WORLD" = wine ]; then
        echo "note: computer: Restart while it thinks is not played under wine"
    else
        choose 1 "Restart" && sleep 0.3
        grab computer-8-asked
        check "computer: Restart in a game in progress asks first: the board stays" same computer-8-asked computer-7-easy
        choose 28 "Yes, abandon this game" && sleep 0.5
        click_then_choose $(at 3 14) 1 "Restart" && keys y && stone=()
        shows computer-8-restarted same computer-1-empty \
            "computer: Restart while it thinks, and y: an empty board, black to open"
        still computer-8-restarted "computer: and no answer lands afterwards"
        # The see-through cursor, from its entry (on the page it is so from the start).
        local mark && mark=$([ "$WORLD" = web ] && echo "(*)" || echo "( )")
        choose 30 "$mark See-through cursor"
        shows computer-9-see-through differs computer-8-restarted "computer: \"See-through cursor\" changes the cursor stone"
        choose 30 "$([ "$mark" = "( )" ] && echo "(*)" || echo "( )") See-through cursor"
        shows computer-9-back same computer-8-restarted "computer: and chosen again, it is as it was"
    fi
    [ "$WORLD" != web ] || check "computer: the page's worker did the thinking ($(browser eval 'JSON.stringify(Module.thinker)'))" \
        test "$(browser eval 'Module.thinker.state')" = '"ready"'
    click_at $(at 3 14) && sleep 0.2 && keys Escape
    # On the page Esc asks first in a game in progress: y ends it.
    [ "$WORLD" != web ] || keys y
    check "computer: Esc while the hard level thinks ends the game at once" within 3 gone
    expect_exit "computer: Esc"
}

# said WORDS: the game has said WORDS: a line of the console, or in the page its status line.
said() {
    case $WORLD in
    web) says "Black to move. Renju. $1" ;;
    *) grep -qF "$1" "$artefacts/$game_name.stdout" ;;
    esac
}
violet_at() { measure "$1" && ((violet[0] > 20)) && ((violet[1] <= $2 && violet[3] >= $2 && violet[2] <= $3 && violet[4] >= $3)); }

# Renju: black's two threes meet on (9, 9), marked violet from above and turned each way; a click
# there is refused and the game says why; black then makes five along row 9 and wins.
session_renju() {
    start_game renju "$1" || return
    local grid red_least x y turn there back
    board renju-1-empty
    choose 11 "( ) Renju"
    check "renju: choosing it is said" within 10 said \
        "Renju: a new game. Black may not make a double three, a double four or an overline."
    place renju 9 7 2 2 9 8 2 4 7 9 2 6 8 9 2 8 # white's answers far off on row 2
    point_to $(at 0 17) && await renju-2-marked 20 settled renju-2-marked
    read -r x y <<<"$(at 9 9)"
    measure renju-2-marked
    check "renju: the violet mark shows on (9, 9) at $x $y (violet within ${violet[*]:1:4})" violet_at renju-2-marked "$x" "$y"
    # Turned towards each side by 30 degrees, and back.
    for turn in "Up Down" "Down Up" "Left Right" "Right Left"; do
        read -r there back <<<"$turn"
        along 6 "$there" && changed "renju-3-$there" renju-2-marked && measure "renju-3-$there"
        check "renju: the mark shows with the board turned by $there (${violet[0]} violet pixels)" test "${violet[0]}" -gt 20
        along 6 "$back" && await renju-4-back 20 same renju-2-marked renju-4-back
    done
    refused renju-5 "$x" "$y" "renju: black's click on (9, 9)"
    check "renju: the refusal is said" within 10 said "Black may not play there under renju: a double three."
    place renju 9 6 2 10 9 5 2 12 # row 9 down to column 4 is black's five
    click_at $(at 9 4) && five renju-7-black-wins
    check "renju: black's five wins: the red line runs along row 9 (red within ${red[*]:1:4})" \
        test "${red[1]}" -lt "$x" -a "${red[3]}" -gt "$x" -a $((red[4] - red[2])) -gt $((2 * (grid[3] - grid[1]) / 17))
    escape renju
}

# Records: a game played and saved ("Save game" writes a .psq and an SGF to the records folder),
# the game started again with the .psq, the same board; stepped back to its middle with Page Up,
# the board as it stood then; played on from there against the computer, which answers.
session_records() {
    local grid red_least folder=$1 records psq sgf
    local -A stone=()
    case $WORLD in
    wine)
        # Wine's cmd now and then prints nothing while its server is still starting: asked again.
        local appdata="" try
        for try in 1 2 3 4 5; do
            appdata=$(wine cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')
            [ -n "$appdata" ] && records=$(winepath -u "$appdata" 2>/dev/null) && [ -n "$records" ] && break
            echo "note: records: wine named no %APPDATA% (try $try); asking again"
            sleep 2
        done
        ;;
    *) export XDG_DATA_HOME=$artefacts/data && records=$XDG_DATA_HOME ;;
    esac
    [ -d "$records" ] || mkdir -p "$records" || { fail "records: no folder for the records ($records)" && return; }
    records=$records/gomoku3d/games
    rm -rf "$records"
    start_game records "$folder" || return
    board records-1-empty
    place records 9 9 10 9 9 10 10 10
    point_to $(at 0 17) && await records-2-four 20 settled records-2-four
    place records 9 11 10 11
    point_to $(at 0 17) && await records-3-six 20 settled records-3-six
    choose 14 "Save game"
    within 10 ls "$records"/*.psq >/dev/null 2>&1
    psq=$(ls "$records"/*.psq 2>/dev/null | head -n 1) sgf=$(ls "$records"/*.sgf 2>/dev/null | head -n 1)
    check "records: Save game wrote a .psq and an SGF to the records folder" test -s "$psq" -a -s "$sgf"
    check "records: the console says where" within 10 grep -qE "Saved the game: .*${psq##*/} and .*${sgf##*/}" "$artefacts/records.stdout"
    check "records: the .psq holds the six moves, x and y from the top left" \
        test "$(tr -d '\r' <"$psq" | tail -n +2 | cut -d, -f1,2 | tr '\n' ' ')" = "10,9 11,9 10,8 11,8 10,7 11,7 "
    escape records
    # Opened by the bare name, from the game's own folder: the same in every world.
    cp "$psq" "$sgf" "$folder/"
    for record in "${psq##*/}" "${sgf##*/}"; do
        start_game records-open "$folder" "$record" || return
        point_to $(at 0 17)
        shows records-4-opened same records-3-six "records: ${record##*.}: the game opens as it was saved"
        keys Prior Prior
        point_to $(at 0 17)
        shows records-5-back same records-2-four "records: ${record##*.}: two moves back it stands as after four"
        check "records: ${record##*.}: the console says which move is shown" \
            within 10 grep -qF "Move 4 of 6" "$artefacts/records-open.stdout"
        [ "$record" = "${sgf##*/}" ] || escape records-open
    done
    # The moves' numbers on the stones, shown by m and hidden again.
    keys m && point_to $(at 0 17)
    check "records: m shows the moves' numbers on the stones" changed records-5-numbers records-5-back
    keys m && point_to $(at 0 17)
    shows records-5-plain same records-5-back "records: m again hides them"
    keys p
    choose 4 "( ) Computer plays white"
    stone=([9,9]=X [10,9]=O [9,10]=X [10,10]=O)
    click_at $(at 8 8) && stone[8,8]=X
    check "records: played on from move 4, the computer answers" \
        await records-6-answer 20 answered records-6-answer
    check "records: the moves after the fourth are gone" grep -qF "Playing on from move 4." "$artefacts/records-open.stdout"
    escape records-open
}

# Analysis: a record in which white's sixth, on (2, 2), leaves black's open three on row 9 open,
# written here in the .psq layout (x the column and y the row from 1 at the top left, CR LF) and
# opened; "Analyse game" marks that stone with a yellow ring and names the move on the console,
# stepping to it says so again, and the hint then names a point that wins for black.
session_analysis() {
    local grid red_least folder=$1 x y words="Move 6 (c3) by white: a forced loss walked into; better"
    printf 'Piskvorky 18x18, 11:11, 0\r\n10,9,0\r\n11,8,0\r\n10,8,0\r\n9,10,0\r\n10,7,0\r\n3,16,0\r\n' \
        >"$folder/blunder.psq"
    start_game analysis "$folder" blunder.psq || return
    keys Home && board analysis-1-empty
    keys End && point_to $(at 0 17) && await analysis-2-opened 20 settled analysis-2-opened
    measure analysis-2-opened
    check "analysis: no yellow before the analysis (${yellow[0]} pixels)" test "${yellow[0]}" = 0
    choose 18 "Analyse game"
    check "analysis: the console says its progress" \
        within 30 grep -qF "Analysing: move 6 of 6" "$artefacts/analysis.stdout"
    check "analysis: the console names the one move marked" \
        within 60 grep -qF "Analysed 6 moves, 1 marked. $words" "$artefacts/analysis.stdout"
    point_to $(at 0 17) && changed analysis-3-marked analysis-2-opened && measure analysis-3-marked
    read -r x y <<<"$(at 2 2)"
    check "analysis: a yellow ring on white's stone at $x $y (${yellow[0]} pixels within ${yellow[*]:1:4})" \
        test "${yellow[0]}" -gt 40 -a "${yellow[1]}" -le "$x" -a "${yellow[3]}" -ge "$x" \
        -a "${yellow[2]}" -le "$y" -a "${yellow[4]}" -ge "$y" \
        -a $((yellow[3] - yellow[1])) -lt $((2 * (grid[2] - grid[0]) / 17))
    keys Prior && point_to $(at 0 17) && changed analysis-4-back analysis-3-marked && measure analysis-4-back
    check "analysis: a move back the stone and its ring are gone (${yellow[0]} yellow pixels)" test "${yellow[0]}" = 0
    keys Next && point_to $(at 0 17)
    shows analysis-5-forth same analysis-3-marked "analysis: a move forth the ring is back"
    check "analysis: stepping to the marked move says what it did" \
        within 10 test "$(grep -cF "$words" "$artefacts/analysis.stdout")" -ge 2
    keys h
    check "analysis: the hint names a point of black's open four, a win" \
        within 30 grep -qE "^Hint: (j9|j13), black wins in 2" "$artefacts/analysis.stdout"
    escape analysis
}

# A game started where no mesh is: five reports, and a window of the clear colour alone.
session_without_meshes() {
    mkdir -p "$1"
    start_game bare "$1" || return
    grab bare-1-start
    check "bare: only the clear colour is drawn" \
        test "$(convert "$artefacts/bare-1-start.ppm" -format '%k' info:)" = 1
    escape bare
    expect_output bare 5
}

# A full board without a five, drawn for $1 s: after a minute's warm-up the resident memory's
# peak of the last minute exceeds the first's by SOAK_RSS_BOUND_KB (8192) at most. Not in CI.
session_soak() {
    local fill samples=() t rss first last
    start_game soak "$artefacts/work" || return
    # Every cell filled, black and white alternately, without a five.
    read -r -a fill < <(awk -f "$E2E_HERE/../../tools/full-board.awk")
    for ((t = 0; t < ${#fill[@]}; t += 200)); do xdotool key --delay 1 "${fill[@]:t:200}"; done
    for ((t = 10; t <= $1; t += 10)); do
        sleep 10
        rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$game_pid/status") || { fail "soak: died"; return; }
        echo "t=${t}s rss=$rss kB" && ((t <= 60)) || samples+=("$rss")
    done
    first=$(printf '%s\n' "${samples[@]}" | head -n 6 | sort -n | tail -n 1)
    last=$(printf '%s\n' "${samples[@]}" | tail -n 6 | sort -n | tail -n 1)
    check "soak: resident memory grew by $((last - first)) kB" test $((last - first)) -le "${SOAK_RSS_BOUND_KB:-8192}"
    escape soak
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    game=$(realpath "$1")
    e2e_begin "$3/$4"
    [ "$4" = without-meshes ] || for mesh in "${MESHES[@]}"; do cp "$2/$mesh" "$artefacts/work/"; done
    case $4 in
    soak) session_soak "${5:-600}" ;;
    *) "session_${4//-/_}" "$artefacts/work" ;;
    esac
    finish
fi
