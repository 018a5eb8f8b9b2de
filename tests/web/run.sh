#!/usr/bin/env bash
# Tests of the browser build in a headless Chromium, driven over the DevTools protocol by
# tools/cdp.py: the end-to-end sessions of the native game (tests/e2e/e2e.sh) on the page, and
# what the page adds: a five in each of the four directions with its line and banner, Cheat and
# Restart from a real right click, and the same positions drawn natively and in the browser.
# Usage: bash tests/web/run.sh [WEB_BUILD_DIR [NATIVE_GAME]]   (defaults: build-web/ and
# build/gomoku3d), after tools/setup.sh and tools/web.sh --build, which install what it uses.
# Ends with "N passed, M failed" and a non-zero status if anything failed.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
web=$(realpath -m "${1:-$root/build-web}")/web
native=$(realpath -m "${2:-$root/build/gomoku3d}")
WORLD=web
source "$root/tests/e2e/e2e.sh"
# Pixels that may differ between the native and the browser pictures of one position (outside
# the winning line), and by how much a channel may differ before a pixel counts.
WEB_DIFFER_LIMIT=${WEB_DIFFER_LIMIT:-1500}
WEB_DIFFER_TOLERANCE=24

e2e_begin "$(dirname "$web")/web-test-artefacts"
work=$artefacts/work
# shellcheck source=tools/browser.sh
source "$root/tools/browser.sh"
web_end() {
    browser_stop
    e2e_end
}
trap web_end EXIT
[ -f "$web/gomoku3d.js" ] || { fail "no page in $web: run tools/web.sh --build first"; finish; }

# The site: the page as built, and the same page without its mesh package.
mkdir -p "$work/site"
cp -r "$web" "$work/site/with-meshes" && cp -r "$web" "$work/site/without-meshes"
rm "$work/site/without-meshes/"meshes.*
serve_start "$work/site" "$artefacts/http.log"
chromium_start "$work/browser" || { fail "Chromium did not start: $(tail -n 3 "$work/browser/chromium.log")"; finish; }
cdp() { python3 "$root/tools/cdp.py" "$devtools_port" "$@"; }

# The native game's ways, kept for the pictures to compare with.
for f in start_game stop_game keys grab; do eval "native_$(declare -f "$f")"; done

# The page's ways: a folder of the site is opened in the browser's one page; its canvas is the
# window, its console panel the standard output, and its saying so the game's end.
start_game() {
    local name=$1
    game_name=$name
    # By way of an empty page, so that nothing of the page before is taken for this one.
    cdp open about:blank && within 10 untitled
    cdp open "http://127.0.0.1:$server_port/${2#"$work/site/"}/index.html"
    check "$name: the page's title is \"Game\"" within 30 titled
    await "$name-0-first-frame" 30 drawn "$name-0-first-frame" ||
        { fail "$name: no frame; errors: $(cdp eval 'errors.join(" / ")')" && return 1; }
    # The start-up's five pauses of 100 ms let the page go on: its timers run meanwhile.
    local ticks
    ticks=$(cdp eval 'startUpProbe.ended ? startUpProbe.ticks : -1')
    check "$name: the page's timers ran during the start-up's pauses ($ticks times in 10 ms steps)" \
        test "$ticks" -ge 10
}
titled() { [ "$(cdp eval document.title 2>/dev/null)" = '"Game"' ]; }
untitled() { ! titled; }
stop_game() { :; }
keys() { cdp keys "$@"; }
grab() { cdp shot "$artefacts/$1.png" && convert "$artefacts/$1.png" "ppm:$artefacts/$1.ppm"; }
gone() { [ "$(cdp eval "document.body.classList.contains('ended')")" = true ]; }
window_is() {
    [ "$(cdp eval "[canvas.clientWidth, canvas.clientHeight, canvas.width, canvas.height].join(' ')")" = "\"$1 $2 $1 $2\"" ]
}
# expect_exit WHAT: the page says the game has ended, and the frame loop has stopped.
expect_exit() {
    within 15 gone || { fail "$1: the page does not say that the game has ended 15 s later" && return; }
    check "$1: the page says that the game has ended" grep -q "has ended" <<<"$(cdp text '#status')"
    grab "$game_name-ended" && keys Left && sleep 0.5 && grab "$game_name-ended-later"
    check "$1: the view keys turn nothing afterwards" same "$game_name-ended" "$game_name-ended-later"
    cdp text '#console' >"$artefacts/$game_name.stdout"
}

session_with_meshes "$work/site/with-meshes"
session_without_meshes "$work/site/without-meshes"

# menu ENTRY: the right button pressed over the canvas, then ENTRY chosen from the menu it opens.
menu() { cdp click 400 300 right && cdp choose "$1"; }
# along N KEY: KEY N times.
along() { local i out=() && for ((i = 0; i < $1; i++)); do out+=("$2"); done && keys "${out[@]}"; }
# path R0 C0 R C...: the keys that take the cursor from (R0, C0) to each cell in turn and put a
# stone there (d and a step the row, w and s the column).
path() {
    local r=$1 c=$2 out=()
    shift 2
    while (($# >= 2)); do
        while ((r < $1)); do out+=(d) && r=$((r + 1)); done
        while ((r > $1)); do out+=(a) && r=$((r - 1)); done
        while ((c < $2)); do out+=(w) && c=$((c + 1)); done
        while ((c > $2)); do out+=(s) && c=$((c - 1)); done
        out+=(space) && shift 2
    done
    echo "${out[@]}"
}
# measure_as NAME PICTURE [BEFORE]: measure, with the results kept as NAME_red, NAME_dark, ...
measure_as() {
    measure "${@:2}"
    local kind && for kind in red dark light newly_dark; do eval "$1_$kind=(\"\${${kind}[@]}\")"; done
}

# A five in each direction, each made by the side that moves first: black, then the loser of
# each game, as Restart keeps the side to move. The other side plays on row 2, out of the way.
session_four_fives() {
    start_game fives "$work/site/with-meshes" || return
    grab fives-1-start && along 40 d && await fives-1-cursor-away 20 differs fives-1-start fives-1-cursor-away
    measure_as centre fives-1-start fives-1-cursor-away # the cursor stone on the centre
    measure_as away fives-1-cursor-away
    along 40 a
    local game=0 direction dr dc side cells i name
    for direction in row diagonal column antidiagonal; do
        read -r dr dc <<<"$(case $direction in row) echo 0 1 ;; diagonal) echo 1 1 ;; column) echo 1 0 ;; antidiagonal) echo 1 -1 ;; esac)"
        side=$( ((game % 2 == 0)) && echo black || echo white)
        name=fives-$((game += 1))-$direction
        cells=()
        for ((i = -2; i <= 1; i++)); do cells+=($((9 + i * dr)) $((9 + i * dc)) 2 $((4 + i))); done
        read -r -a moves <<<"$(path 9 9 "${cells[@]}")"
        keys "${moves[@]}"
        await "$name-four" 20 settled "$name-four" && measure_as four "$name-four"
        read -r -a moves <<<"$(path 2 5 $((9 + 2 * dr)) $((9 + 2 * dc)))"
        keys "${moves[@]}"
        await "$name-five" 30 red_shows "$name-five" || { fail "$name: no red line within 30 s" && continue; }
        measure_as five "$name-five"
        check "$name: no red before the five" test "${four_red[0]}" = 0
        local width=$((five_red[3] - five_red[1])) height=$((five_red[4] - five_red[2]))
        local x=$(((five_red[1] + five_red[3]) / 2)) y=$(((five_red[2] + five_red[4]) / 2))
        local stone=$((centre_newly_dark[3] - centre_newly_dark[1]))
        echo "$name: red ${five_red[*]}; the centre stone within ${centre_newly_dark[*]:1:4}"
        check "$name: the red line's middle is on the centre stone" test "$x" -ge "${centre_newly_dark[1]}" \
            -a "$x" -le "${centre_newly_dark[3]}" -a "$y" -ge "${centre_newly_dark[2]}" -a "$y" -le "${centre_newly_dark[4]}"
        check "$name: the red line spans more than three stones" test $((width > height ? width : height)) -gt $((3 * stone))
        case $direction in
        row) check "$name: the red line runs up the screen" test $((3 * width)) -lt "$height" ;;
        column) check "$name: the red line runs across the screen" test $((3 * height)) -lt "$width" ;;
        diagonal) check "$name: the red line rises to the right" test "${five_red[5]}" -gt $((five_red[6] + stone)) ;;
        antidiagonal) check "$name: the red line falls to the right" test "${five_red[5]}" -lt $((five_red[6] - stone)) ;;
        esac
        if [ "$side" = black ]; then
            check "$name: black's banner darkens the picture (${four_dark[0]} dark pixels, then ${five_dark[0]})" \
                test "${five_dark[0]}" -ge $((four_dark[0] + 20000)) -a "${five_light[0]}" -le $((four_light[0] + 2000))
        else
            check "$name: white's banner lightens the picture (${four_light[0]} light pixels, then ${five_light[0]})" \
                test "${five_light[0]}" -ge $((four_light[0] + 20000)) -a "${five_dark[0]}" -le $((four_dark[0] + 2000))
        fi
        menu Restart
        await "$name-restarted" 20 differs "$name-five" "$name-restarted"
        await "$name-restarted" 20 settled "$name-restarted" && measure_as restarted "$name-restarted"
        check "$name: after Restart, no line and no banner" test "${restarted_red[0]}" = 0 \
            -a "${restarted_dark[0]}" -le $((four_dark[0] + 2000)) -a "${restarted_light[0]}" -le $((four_light[0] + 2000))
    done
    # White lost the last game: black moves first, on an empty board, as at the start.
    check "fives: after the last Restart the picture is the first one" same fives-1-start fives-4-antidiagonal-restarted

    # Cheat: without it black's stone on white's is refused; with it, it takes the place of white's
    # and the rest of the board stays (Restart would clear it).
    keys space d space space && along 40 d
    await cheat-1-refused 20 differs fives-1-start cheat-1-refused
    await cheat-1-refused 20 settled cheat-1-refused && measure_as refused cheat-1-refused
    along 40 a && menu Cheat && keys space && along 40 d
    await cheat-2-replaced 20 differs cheat-1-refused cheat-2-replaced
    await cheat-2-replaced 20 settled cheat-2-replaced && measure_as replaced cheat-2-replaced
    check "cheat: without Cheat, black's stone on white's is refused (a black and a white stone: $((refused_dark[0] - away_dark[0])) dark pixels more than the empty board)" \
        test "${refused_dark[0]}" -ge $((away_dark[0] + 300)) -a "${refused_light[0]}" -ge $((away_light[0] + 300))
    check "cheat: with Cheat, black's stone replaces white's beside black's first" \
        test "${replaced_dark[0]}" -ge $((refused_dark[0] + 300)) -a "${replaced_light[0]}" -le $((refused_light[0] - 300))
}
session_four_fives

# The same positions natively and in the browser: the empty board and black's five with its
# banner, from the with-meshes session; few pixels may differ outside the winning line.
compare_with_native() {
    game=$native
    # The native game's ways back, for what the harness does with them too (its waits grab).
    local f && for f in start_game stop_game keys grab; do eval "$(declare -f "native_$f" | sed "1s/^native_//")"; done
    # Placed at the screen's corner: with no window manager freeglut's window would start at
    # (-1, -1), and the grab would lose its first row and column.
    start_game native "$artefacts/work/native-meshes" -geometry 800x600+0+0 || return
    grab native-1-empty
    keys space a space d w space a space d w space a space d s s s space a space d s space
    await native-3-black-wins 30 red_shows native-3-black-wins
    stop_game
    local picture count
    for picture in 1-empty 3-black-wins; do
        count=$(python3 "$E2E_HERE/pixels.py" --differ "$WEB_DIFFER_TOLERANCE" \
            "$artefacts/native-$picture.ppm" "$artefacts/play-$picture.ppm" | cut -d' ' -f2)
        check "native and browser: $picture differs in $count pixels (at most $WEB_DIFFER_LIMIT)" \
            test "$count" -le "$WEB_DIFFER_LIMIT"
    done
}
mkdir -p "$artefacts/work/native-meshes" && cp "$root/assets/"*.STL "$artefacts/work/native-meshes/"
compare_with_native
finish
