#!/usr/bin/env bash
# Tests of the browser build in a headless Chromium (tools/browser.sh): the end-to-end sessions of
# the native game (tests/e2e/e2e.sh) on the page, and what the page adds.
# Usage: bash tests/web/run.sh [WEB_BUILD_DIR [NATIVE_GAME]]   (defaults: build-web/ and
# build/gomoku3d), after tools/web.sh --build. WEB_PARTS="menus fails ..." runs only those parts
# (e2e fives keys rest layout touch menus records answers analysis fails slow native).
# Ends with "N passed, M failed".
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
web=$(realpath -m "${1:-$root/build-web}")/web
native=$(realpath -m "${2:-$root/build/gomoku3d}")
WORLD=web
source "$root/tests/e2e/e2e.sh"
# Pixels that may differ between the native and the browser pictures of one position (outside
# the winning line), and by how much a channel may differ before a pixel counts.
WEB_DIFFER_LIMIT=${WEB_DIFFER_LIMIT:-1500}
WEB_DIFFER_TOLERANCE=24
part() { [ -z "${WEB_PARTS:-}" ] || [[ " $WEB_PARTS " == *" $1 "* ]]; }

e2e_begin "$(dirname "$web")/web-test-artefacts"
work=$artefacts/work
# shellcheck source=tools/browser.sh
source "$root/tools/browser.sh"
trap 'browser_stop; e2e_end' EXIT
[ -f "$web/gomoku3d.js" ] || { fail "no page in $web: run tools/web.sh --build first"; finish; }

# The site: the page as built, and without its mesh package, or without the computer's thinker.
mkdir -p "$work/site" && cp -r "$web" "$work/site/with-meshes"
for what in meshes thinker; do cp -r "$web" "$work/site/without-$what" && rm "$work/site/without-$what/$what".*; done
# The engine's own answers, which the page's computer must give: tests/e2e/engine_answer.
ENGINE_ANSWER=${ENGINE_ANSWER:-$(dirname "$native")/tests/e2e/engine_answer}
serve_start "$work/site" "$artefacts/http.log"
chromium_start "$work/browser" || { fail "Chromium did not start: $(tail -n 3 "$work/browser/chromium.log")"; finish; }
# emulate [WIDTH HEIGHT [RATIO [touch]]]: the page's viewport from now on, or the browser's own.
emulate() { [ -z "$browser_socket" ] || browser emulate "$@"; }
emulate 1328 820 # the canvas 800 x 600, as the native game's window

# The native game's ways, kept for the pictures to compare with.
for f in start_game stop_game keys grab choose; do eval "native_$(declare -f "$f")"; done

# The page's ways: a folder of the site opened in the browser; its canvas is the window, its
# console panel the standard output, and its saying so the game's end.
start_game() {
    local name=$1 ticks
    game_name=$name
    # By way of an empty page, so that nothing of the page before is taken for this one.
    browser open about:blank && within 10 untitled
    browser open "http://127.0.0.1:$server_port/${2#"$work/site/"}/index.html?seed=$GOMOKU_SEED"
    check "$name: the page's title is \"Game\"" within 30 titled
    await "$name-0-first-frame" 30 drawn "$name-0-first-frame" ||
        { fail "$name: no frame; errors: $(browser eval 'errors.join(" / ")')" && return 1; }
    # The start-up's five pauses of 100 ms let the page go on (a slow start may end after a frame).
    within 10 test "$(browser eval 'startUpProbe.ended')" = true
    ticks=$(browser eval 'startUpProbe.ended ? startUpProbe.ticks : -1')
    check "$name: the page's timers ran during the start-up's pauses ($ticks times in 10 ms steps)" test "$ticks" -ge 10
}
titled() { [ "$(browser eval document.title 2>/dev/null)" = '"Game"' ]; }
untitled() { ! titled; }
stop_game() { :; }
keys() { browser keys "$@"; }
grab() { browser shot "$artefacts/$1.png" && convert "$artefacts/$1.png" "ppm:$artefacts/$1.ppm"; }
gone() { [ "$(browser eval "document.body.classList.contains('ended')")" = true ]; }
says() { [ "$(browser text '#status' 2>/dev/null)" = "$1" ]; }
window_is() {
    [ "$(browser eval "[canvas.clientWidth, canvas.clientHeight, canvas.width, canvas.height].join(' ')")" = "\"$1 $2 $1 $2\"" ]
}
# expect_exit WHAT: the page says the game has ended, and the frame loop has stopped.
expect_exit() {
    within 15 gone || { fail "$1: the page does not say that the game has ended 15 s later" && return; }
    check "$1: the page says that the game has ended" grep -q "has ended" <<<"$(browser text '#status')"
    grab "$game_name-ended" && keys Left && sleep 0.5 && grab "$game_name-ended-later"
    check "$1: the view keys turn nothing afterwards" same "$game_name-ended" "$game_name-ended-later"
    browser text '#console' >"$artefacts/$game_name.stdout"
}

point_to() { browser hover "$1" "$2"; }
click_at() { browser click "$1" "$2" left; }
# On the page Esc in a game in progress asks first: y answers it.
escape() {
    keys Escape && sleep 0.3
    ! grep -qF "Abandon this game?" <<<"$(browser text '#status')" || keys y
    expect_exit "$1: Esc"
}
# menu ENTRY: the menu opened by the right button over the canvas, off the board, then ENTRY.
menu() { browser click 10 10 right && browser choose "$1"; }
choose() { menu "$2"; }
# The click (as the game's touch makes it) and, once the computer thinks, the entry's release.
click_then_choose() {
    browser eval "new Promise((done, failed) => {
        Module.gameInput.click($1, $2);
        const start = performance.now();
        (function choose() {
            if (!Module.thinker.thinking)
                return performance.now() - start > 10000 ? failed('the computer did not think') : setTimeout(choose, 1);
            Module.gameMenu.open(10, 10);
            [...document.querySelectorAll('[role=menuitem]')].find(e => e.textContent == '$4')
                .dispatchEvent(new PointerEvent('pointerup', {button: 0, pointerType: 'mouse'}));
            done(true);
        })();
    })" >/dev/null
}

# Without the thinker's files the page says that the computer thinks between frames, and it
# does: playing black, it opens and answers white's stone, each time with the engine's move.
problem_says() { grep -qF "$1" <<<"$(browser text '#problem')"; }
session_without_thinker() {
    start_game no-thinker "$work/site/without-thinker" || return
    local grid red_least mark
    board no-thinker-1-empty
    check "no thinker: the page says the computer thinks between frames" \
        within 10 problem_says "The computer cannot think beside the game: thinker.js is not on the server (it answered 404). It thinks between frames instead"
    choose 5 "( ) Computer plays black"
    check "no thinker: the computer opens, black, on the engine's point ($("$ENGINE_ANSWER" medium 0 0 black))" \
        await no-thinker-2-opened 20 marked no-thinker-2-opened "$("$ENGINE_ANSWER" medium 0 0 black) black"
    keys d space # white on the game's (10, 9)
    mark=$("$ENGINE_ANSWER" medium 0 2 black 9,9,b 10,9,w)
    check "no thinker: it answers white's stone with the engine's move ($mark)" \
        await no-thinker-3-answered 20 marked no-thinker-3-answered "$mark black"
    check "no thinker: the page's thinker has failed, and said why" \
        test "$(browser eval 'Module.thinker.state + " " + Module.thinker.why')" = '"failed thinker.js is not on the server (it answered 404)"'
}
# marked PICTURE "COLUMN ROW COLOUR": the last move's mark is on that point and colour.
marked() { [ "$(mark_cell "$1")" = "$2" ]; }
if part e2e; then
    for session in with_meshes clicks computer renju; do "session_$session" "$work/site/with-meshes"; done
    session_without_meshes "$work/site/without-meshes"
    session_without_thinker
fi

# path R0 C0 R C...: the keys that take the cursor from (R0, C0) to each cell in turn, placing.
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
# status_is NAME TEXT [SECONDS]: the status line reads TEXT within SECONDS (5).
status_is() { check "$1: the status line says \"$2\"" within "${3:-5}" says "$2"; }

# A five in each direction, each made by the side that moves first: black, then the loser of
# each game, as Restart keeps the side to move. The other side plays on row 2, out of the way.
session_four_fives() {
    start_game fives "$work/site/with-meshes" || return
    # The solid cursor stone the native game draws, which the pictures measure.
    menu "(*) See-through cursor"
    status_is fives "Black to move."
    grab fives-1-start && along 40 d && await fives-1-cursor-away 20 differs fives-1-start fives-1-cursor-away
    measure_as centre fives-1-start fives-1-cursor-away # the cursor stone on the centre
    measure_as away fives-1-cursor-away
    along 40 a
    local game=0 line direction dr dc side cells i name
    for line in "row 0 1" "diagonal 1 1" "column 1 0" "antidiagonal 1 -1"; do
        read -r direction dr dc <<<"$line"
        side=$( ((game % 2 == 0)) && echo black || echo white)
        name=fives-$((game += 1))-$direction
        cells=()
        for ((i = -2; i <= 1; i++)); do cells+=($((9 + i * dr)) $((9 + i * dc)) 2 $((4 + i))); done
        read -r -a moves <<<"$(path 9 9 "${cells[@]}")"
        keys "${moves[@]}"
        await "$name-four" 20 settled "$name-four" && measure_as four "$name-four"
        status_is "$name" "${side^} to move."
        read -r -a moves <<<"$(path 2 5 $((9 + 2 * dr)) $((9 + 2 * dc)))"
        keys "${moves[@]}"
        await "$name-five" 30 red_shows "$name-five" || { fail "$name: no red line within 30 s" && continue; }
        measure_as five "$name-five"
        status_is "$name" "${side^} wins."
        check "$name: before the five only the last stone's mark is red (${four_red[0]} pixels)" \
            test "${four_red[0]}" -gt 0 -a "${four_red[0]}" -lt 200
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
        menu Restart && changed "$name-restarted" "$name-five" && measure_as restarted "$name-restarted"
        check "$name: after Restart, no line and no banner" test "${restarted_red[0]}" = 0 \
            -a "${restarted_dark[0]}" -le $((four_dark[0] + 2000)) -a "${restarted_light[0]}" -le $((four_light[0] + 2000))
    done
    # White lost the last game: black moves first, on an empty board, as at the start.
    check "fives: after the last Restart the picture is the first one" same fives-1-start fives-4-antidiagonal-restarted

    # Cheat: without it black's stone on white's is refused; with it, it takes the place of white's
    # and the rest of the board stays (Restart would clear it).
    keys space d space space && along 40 d
    changed cheat-1-refused fives-1-start && measure_as refused cheat-1-refused
    status_is cheat "Black to move. That point is taken."
    along 40 a && menu Cheat && status_is cheat "Black to move. Cheat is on. That point is taken."
    keys space && along 40 d
    changed cheat-2-replaced cheat-1-refused && measure_as replaced cheat-2-replaced
    check "cheat: without Cheat, black's stone on white's is refused (a black and a white stone: $((refused_dark[0] - away_dark[0])) dark pixels more than the empty board)" \
        test "${refused_dark[0]}" -ge $((away_dark[0] + 300)) -a "${refused_light[0]}" -ge $((away_light[0] + 300))
    check "cheat: with Cheat, black's stone replaces white's beside black's first" \
        test "${replaced_dark[0]}" -ge $((refused_dark[0] + 300)) -a "${replaced_light[0]}" -le $((refused_light[0] - 300))
}
part fives && session_four_fives

# Tab, F5 and Ctrl+R are left to the browser, the game's own keys cancelled in play; after Esc no
# key or button reaches the game, nor opens the menu; F5, Ctrl+R and "New game" start anew.
# record_keys: from now on each keydown, and whether it was cancelled, kept over a reload.
record_keys() {
    browser eval "sessionStorage.keys = ''; window.recording || addEventListener('keydown', e =>
        sessionStorage.keys += e.key + (e.defaultPrevented ? '=cancelled ' : '=left ')); window.recording = true" >/dev/null
}
recorded() { local got && got=$(browser eval 'sessionStorage.keys') && [ "$got" = "\"$1\"" ] || { echo "recorded: $got" && false; }; }
memory() { browser eval '(() => { let h = 0; for (const v of new Int32Array(Module.HEAPU8.buffer)) h = Math.imul(h, 31) + v | 0; return h; })()'; }
# another_game WHEN KEY|"New game": KEY pressed (or the button) loads the page and a new game anew.
another_game() {
    browser eval 'window.before = true' >/dev/null && record_keys
    if [ "$2" = "New game" ]; then browser eval "document.getElementById('new-game').click()" >/dev/null; else keys "$2"; fi
    check "keys, $1: $2 starts a new game" within 30 fresh_game
    check "keys, $1: $2 is not cancelled" recorded "$([ "$2" = "New game" ] || echo "${2#ctrl+}=left ")"
}
fresh_game() { [ "$(browser eval 'window.before' 2>/dev/null)" = null ] && says "Black to move."; }
session_keys() {
    start_game keys "$work/site/with-meshes" || return
    check "keys: nothing in the page's error list ($(browser eval 'errors.join(" / ")'))" test "$(browser eval errors.length)" = 0
    # The focus starts on the canvas without a frame; Tab takes it to the Menu button, framed.
    check "keys: the canvas has the focus, without a frame" test "$(browser eval \
        '[document.activeElement == canvas, getComputedStyle(canvas).outlineStyle].join()')" = '"true,none"'
    record_keys && keys Left Tab
    check "keys, in play: Left is cancelled, Tab is not and takes the focus off the canvas" \
        recorded "ArrowLeft=cancelled Tab=left "
    check "keys, in play: Tab brings the focus to the Menu button, with its frame" test "$(browser eval \
        '[document.activeElement == menuButton, getComputedStyle(menuButton).outlineStyle].join()')" = '"true,solid"'
    check "keys, in play: the canvas has lost the focus" test "$(browser eval 'document.activeElement == canvas')" = false
    local key before
    for key in F5 ctrl+r; do another_game "in play" "$key"; done
    keys Escape && within 15 gone
    before=$(memory) && record_keys
    keys d d space Left Tab && browser click 400 300 right
    check "keys, after Esc: the menu does not open" test "$(browser eval 'Module.gameMenu.isOpen()')" = false
    browser click 400 300 left
    check "keys, after Esc: no key is cancelled" recorded "d=left d=left  =left ArrowLeft=left Tab=left "
    check "keys, after Esc: keys and buttons leave the game's memory as it was" test "$(memory)" = "$before"
    another_game "after Esc" F5
    for key in ctrl+r "New game"; do keys Escape && within 15 gone && another_game "after Esc" "$key"; done
}
part keys && session_keys

# The page rests: with nothing happening it draws no frame and Chromium's GPU process (which draws
# them, here in software) sleeps; a key draws the next frame at once.
# count_frames: from now on the page counts its frames (each begins by clearing the canvas).
count_frames() {
    browser eval "window.framesDrawn = 0; if (!window.countingFrames) { const gl = Module.ctx,
        clear = gl.clear.bind(gl); gl.clear = m => { ++window.framesDrawn; clear(m); };
        window.countingFrames = true; }; 0" >/dev/null
}
frames_drawn() { browser eval 'window.framesDrawn'; }
descendants() { local p; for p in $(pgrep -P "$1"); do echo "$p" && descendants "$p"; done; }
# gpu_process: the pid of the GPU process of the browser started last.
gpu_process() {
    local p
    for p in $(descendants "$chromium_pid"); do
        tr '\0' ' ' <"/proc/$p/cmdline" 2>/dev/null | grep -q -- '--type=gpu-process' && echo "$p" && return
    done
}
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
session_rest() {
    start_game rest "$work/site/with-meshes" || return
    local gpu ticks frames per_cent hz
    board rest-1-empty
    gpu=$(gpu_process)
    check "rest: the browser's GPU process is found" test -n "$gpu"
    [ -n "$gpu" ] || return
    hz=$(getconf CLK_TCK)
    sleep 2 # the start-up's last frames
    count_frames && ticks=$(cpu_ticks "$gpu")
    sleep 10
    frames=$(frames_drawn)
    per_cent=$(( ($(cpu_ticks "$gpu") - ticks) * 100 / (10 * hz) ))
    check "rest: 10 s with nothing happening draw fewer than 5 frames ($frames)" test "$frames" -lt 5
    check "rest: the GPU process used under 10 % of a core meanwhile ($per_cent %)" test "$per_cent" -lt 10
    count_frames && keys d
    check "rest: a key draws the next frame at once" within 2 test "$(frames_drawn)" -ge 1
    grab rest-after-key
    count_frames && keys Right
    check "rest: a turn of the board draws the next frame at once" within 2 test "$(frames_drawn)" -ge 1
    # The computer's answer is drawn when it comes, without a key; then the page rests again.
    keys v && menu "( ) Computer plays white" && keys space
    check "rest: the computer has answered" within 15 status_begins "Black to move"
    sleep 0.5 && grab rest-answered
    local col row colour
    read -r col row colour < <(mark_cell rest-answered)
    check "rest: the computer's answer is drawn as it comes, with no key after it (the last move's mark on a $colour stone)" \
        test "$colour" = white
    sleep 2 && count_frames && sleep 5
    check "rest: resting again after the answer ($(frames_drawn) frames in 5 s)" test "$(frames_drawn)" -lt 3
}
status_begins() { [[ "$(browser text '#status' 2>/dev/null)" == "$1"* ]]; }
part rest && session_rest

menu_open() { browser eval 'Module.gameMenu.isOpen()'; }
# The page at the sizes of ordinary screens, then by touch; what layout() in checks.js finds wrong.
CHECKS=$(<"$root/tests/web/checks.js") # layout() and contrast()
# fits NAME WIDTH HEIGHT [RATIO [touch]]: a new game in that viewport, and layout()'s verdict.
fits() {
    # A viewport that cannot be set is a failure, not a session left out.
    emulate "${@:2}" || { fail "$1: the viewport ${2}x$3 could not be set" && return 1; }
    start_game "$1" "$work/site/with-meshes" || return
    local wrong && wrong=$(browser eval "$CHECKS; layout()" | tr -d '"')
    check "$1, ${2}x$3 at a pixel ratio of ${4:-1}${5:+ with touch}: ${wrong:-the page fits}" test -z "$wrong"
}
if part layout; then
fits layout 1024 768
fits layout 1920 1080
fits layout 1280 633 2
# The menu opened at each corner lies inside the viewport and Esc closes only it; Down, Down, Up
# and Return choose Cheat; space then closes it and places a stone.
fits menu 1280 633 && for corner in "2 2" "-3 2" "2 -3" "-3 -3"; do
    read -r x y <<<"$corner" && read -r w h <<<"$(browser eval 'canvas.clientWidth + " " + canvas.clientHeight' | tr -d '"')"
    ((x > 0)) || x=$((w + x)) && ((y > 0)) || y=$((h + y))
    browser click "$x" "$y" right && box=$(browser eval "(r => [r.left, r.top, r.right, r.bottom].map(Math.round).join(' ') +
        (r.left >= 0 && r.top >= 0 && r.right <= 1280 && r.bottom <= 633 ? '' : ' out'))(document.querySelector('[role=menu]').getBoundingClientRect())")
    check "menu, opened at the canvas's $x, $y: inside the 1280 x 633 viewport ($box)" test -n "$box" -a "${box% out\"}" = "$box"
    keys Escape
    check "menu: Esc closes it and the game goes on" test "$(menu_open)" = false -a "$(browser text '#status')" = "Black to move."
done
browser click 2 2 right && keys Down Down Up Return
check "menu: Down, Down, Up and Return choose Cheat" within 5 says "Black to move. Cheat is on."
browser click 2 2 right && keys space
check "menu: space closes it and places a stone" within 5 says "White to move. Cheat is on."
fi

# By touch: a drag turns the board and moves no page; a long press opens the menu, its entries at
# a contrast of 4.5 : 1 or more; then the clicks session by taps (one moves the cursor, two place).
session_touch() {
    local x y contrast
    fits "touch-$1" "${@:2}" touch || return
    x=$(($(browser eval canvas.clientWidth) / 2)) y=$(($(browser eval canvas.clientHeight) / 2))
    grab "touch-$1-1-start" && browser drag $x $y 45 0
    await "touch-$1-2-turned" 20 differs "touch-$1-1-start" "touch-$1-2-turned" && keys Left Left
    check "touch, $1: a drag of 45 pixels to the right turns the board as Right twice does" \
        await "touch-$1-3-back" 20 same "touch-$1-1-start" "touch-$1-3-back"
    check "touch, $1: nothing scrolled or zoomed" test "$(browser eval 'scrollX + scrollY + visualViewport.scale')" = 1
    browser tap $x $y 800 && keys Down && contrast=$(browser eval "$CHECKS; contrast()" | tr -d '"') && keys Escape
    check "touch, $1: a long press opens the menu, its entries at a contrast of ${contrast:-none} : 1" \
        awk -v c="$contrast" 'BEGIN { exit !(c >= 4.5) }'
    check "touch, $1: Esc closes it and the game goes on" test "$(menu_open)" = false -a "$(browser text '#status')" = "Black to move."
    point_to() { browser tap "$1" "$2"; }
    click_at() { browser tap "$1" "$2" && browser tap "$1" "$2"; }
    session_clicks "$work/site/with-meshes"
    # The mouse's ways back for the sessions after this one: two taps on a point place a stone.
    point_to() { browser hover "$1" "$2"; }
    click_at() { browser click "$1" "$2" left; }
}
part touch && session_touch phone 390 844 3
part touch && session_touch desktop 1920 1080 1

# The menu under a finger, upright: sliding off an entry chooses nothing, a tap chooses, and the
# board keeps its place while the computer thinks. Sideways, as it is and with 15 entries: every
# entry within reach and the Menu button clear, and a finger that scrolls the menu chooses nothing.
close_menu() { browser eval 'Module.gameMenu.close()' >/dev/null; }
open_menu() { browser press '#menu-button' 0 0 && within 5 test "$(menu_open)" = true; }
# stones_as NAME: the picture NAME once it has changed from the first frame and then holds.
stones_as() { changed "$1" "${1%-*}-0-first-frame"; }
session_menu_touch() {
    fits menu-touch 390 844 3 touch || return
    keys space d space d space && stones_as menu-touch-1
    check "menu, touch: a tap on Menu opens the menu" open_menu
    browser shot "$artefacts/menu-touch-390x844.png" :viewport
    browser press Restart 0 200 && browser press Undo 0 180 && browser press Restart 0 200 mouse
    close_menu && await menu-touch-2-slid 20 settled menu-touch-2-slid
    check "menu, touch: a finger sliding off Restart or Undo, or the mouse released off Restart, chooses nothing" \
        same menu-touch-1 menu-touch-2-slid
    status_is "menu, touch" "White to move."
    open_menu && browser press Cheat 0 0
    check "menu, touch: a tap on Cheat chooses it" within 5 says "White to move. Cheat is on."
    open_menu && browser press Restart 0 0
    check "menu, touch: a tap on Restart in the game asks first" within 5 says "White to move. Cheat is on. Abandon this game? Yes (y) or no (n)."
    browser press '#answer-yes' 0 0
    check "menu, touch: a tap on Restart and Yes clear the board" await menu-touch-3-restarted 20 differs menu-touch-1 menu-touch-3-restarted
    check "menu, touch: after Restart black opens" within 5 says "Black to move."
    open_menu && browser press Undo 0 0
    check "menu, touch: Undo right after Restart brings the game back, Cheat and all" \
        within 5 says "White to move. Cheat is on."
    check "menu, touch: the game brought back is the picture before Restart" \
        await menu-touch-4-undone 20 same menu-touch-1 menu-touch-4-undone
    # The computer takes white, whose turn it is: the board stays where it is while it thinks.
    browser eval 'window.tops = []; new MutationObserver(() => tops.push(Math.round(canvas.getBoundingClientRect().top) +
        " " + statusLine.textContent)).observe(statusLine, {childList: true, characterData: true, subtree: true})' >/dev/null
    open_menu && browser press "( ) Computer plays white" 0 0
    within 20 says "Black to move. The computer plays white, medium. Cheat is on."
    local tops && tops=$(browser eval 'tops.join("; ")')
    check "menu, touch: the computer thought and answered (${tops:0:160}…)" grep -q "thinking.*Black to move" <<<"$tops"
    check "menu, touch: the board kept its place while the computer thought" \
        test "$(browser eval 'new Set(tops.map(t => t.split(" ")[0])).size')" = 1
}
session_menu_small() {
    local fit scrolled
    fits "menu-$1" "${@:2}" touch || return
    check "menu, $1: a tap on Menu opens the menu" open_menu
    browser shot "$artefacts/menu-$1.png" :viewport
    fit=$(browser eval "$CHECKS; menuFit()" | tr -d '"')
    check "menu, $1: ${fit:-every entry within reach, the Menu button clear}" test -z "$fit"
    close_menu
    # Six entries more, each of which would restart the game if it were chosen.
    browser eval 'for (let i = 1; i <= 6; i++) Module.gameMenu.add(1, "More " + i, 99, 0)' >/dev/null
    keys space d space && stones_as "menu-$1-1"
    open_menu && browser shot "$artefacts/menu-$1-long.png" :viewport
    fit=$(browser eval "$CHECKS; menuFit()" | tr -d '"')
    check "menu, $1, 15 entries: ${fit:-every entry within reach, the Menu button clear}" test -z "$fit"
    # A finger on the entry near the panel's foot, moved up by 120 pixels (choosing would close it).
    browser press "$(browser eval "(r => Math.round(r.left + r.width / 2) + ',' + Math.round(r.bottom - 24))(
        document.querySelector('[role=menu]').getBoundingClientRect())" | tr -d '"')" 0 -120
    scrolled=$(browser eval "Math.round(document.querySelector('[role=menu]')?.scrollTop ?? -1)")
    check "menu, $1, 15 entries: a finger scrolls the menu ($scrolled px) and chooses nothing" \
        test "$scrolled" -gt 0 -a "$(menu_open)" = true
    close_menu && await "menu-$1-2-scrolled" 20 settled "menu-$1-2-scrolled"
    check "menu, $1, 15 entries: the game as it was" same "menu-$1-1" "menu-$1-2-scrolled"
}
part menus && session_menu_touch
part menus && session_menu_small landscape 844 390 3
part menus && session_menu_small small-landscape 568 320 2
emulate 1328 820

# Keeping and replaying games (platform/web/records.js). The game as a record, through the page's
# own hook: its SGF without the date and the moves' times, which a .psq does not keep as SGF does.
record_of() { browser eval "Module.records.text().replace(/DT\\[[^\\]]*\\]|MS\\[\\d*\\]/g, '')"; }
message_says() { grep -qF "$1" <<<"$(browser text '#record-message')"; }
# A black five down the column 9 (rows 9 to 13), white beside it on column 11; the cursor from the
# centre, where a new game has it.
BLACK_FIVE=(9 9 9 11 10 9 10 11 11 9 11 11 12 9 12 11 13 9)
play_five() {
    local moves && read -r -a moves <<<"$(path 9 9 "$@")" && keys "${moves[@]}"
}
# records_file NAME TEXT: a file in the work folder, for the file chooser or a drop.
records_file() { mkdir -p "$work/records" && printf '%b' "$2" >"$work/records/$1" && echo "$work/records/$1"; }
# drop FILE: the file dropped on the page, as a browser's drop from the desktop dispatches it.
drop() {
    browser eval "(() => { const data = new DataTransfer();
        data.items.add(new File([$(python3 -c 'import json, sys; print(json.dumps(open(sys.argv[1]).read()))' "$1")], '${1##*/}'));
        return document.querySelector('#status').dispatchEvent(new DragEvent('drop', {dataTransfer: data, bubbles: true, cancelable: true})); })()"
}
session_records_files() {
    local saved downloads=$work/downloads psq sgf before
    emulate 1280 720
    start_game records-files "$work/site/with-meshes" || return
    rm -rf "$downloads" && browser downloads "$downloads"
    keys space d space w space a s && stones_as records-files-1-played
    saved=$(record_of)
    menu "Save game"
    within 10 test -n "$(ls "$downloads"/*.sgf 2>/dev/null)" -a -n "$(ls "$downloads"/*.psq 2>/dev/null)"
    psq=$(ls "$downloads"/*.psq 2>/dev/null) sgf=$(ls "$downloads"/*.sgf 2>/dev/null)
    check "records: Save game downloads GAME.psq and GAME.sgf (${psq##*/}, ${sgf##*/})" \
        test -n "$psq" -a "${psq%.psq}" = "${sgf%.sgf}"
    check "records: the .psq is one ($(head -c 30 "$psq" | tr -d '\r\n'))" grep -q '^Piskvorky 18x18' "$psq"
    check "records: the SGF holds the three moves under the rule" \
        grep -qzE '^\(;FF\[4\]GM\[4\]SZ\[18\].*RU\[freestyle\].*;B\[ji\].*;W\[ki\].*;B\[kh\]' "$sgf"
    menu Restart && keys y && changed records-files-2-restarted records-files-1-played
    browser eval 'window.chooserAsked = 0; document.getElementById("record-file").addEventListener("click", () => chooserAsked++)' >/dev/null
    menu "Open game…"
    check "records: Open game asks the browser's file chooser for a .psq or SGF file" test \
        "$(browser eval '[chooserAsked, document.getElementById("record-file").accept].join()')" = '"1,.psq,.sgf"'
    browser upload '#record-file' "$psq"
    check "records: the downloaded .psq opened says so" within 5 message_says "Opened ${psq##*/}."
    check "records: ... and is the game saved ($saved)" test "$(record_of)" = "$saved"
    check "records: ... with the same stones on the board" await records-files-3-opened 20 same records-files-1-played records-files-3-opened
    # Written by hand: a .psq (rows from the top, as Piskvork counts), and SGF under renju.
    browser upload '#record-file' "$(records_file hand.psq 'Piskvorky 18x18, 11:11, 0\r\n10,9,0\r\n11,9,0\r\n10,10,0\r\n1,1,0\r\n')"
    check "records: a hand-written .psq opens, its four moves on the board" within 5 test "$(record_of)" = \
        "\"(;FF[4]GM[4]SZ[18]CA[UTF-8]AP[gomoku3d]RU[freestyle]\\n;B[ji]\\n;W[ki]\\n;B[jj]\\n;W[aa]\\n)\\n\""
    browser upload '#record-file' "$(records_file hand.sgf '(;GM[4]FF[4]SZ[18]RU[renju]\n;B[ii];W[ij];B[jj])\n')"
    check "records: a hand-written SGF opens under its rule (renju)" within 5 says "White to move. Renju."
    check "records: ... with its three moves" test "$(record_of)" = \
        "\"(;FF[4]GM[4]SZ[18]CA[UTF-8]AP[gomoku3d]RU[renju]\\n;B[ii]\\n;W[ij]\\n;B[jj]\\n)\\n\""
    await records-files-4-renju 20 settled records-files-4-renju && before=$(record_of)
    browser upload '#record-file' "$(records_file damaged.psq 'Piskvorky 18x18, 11:11, 0\r\n10,9,0\r\n10,9,0\r\n')"
    check "records: a damaged record says what and where ($(browser text '#record-message'))" \
        within 5 message_says "damaged.psq cannot be opened: line 3"
    check "records: ... and leaves the game as it was" test "$(record_of)" = "$before"
    check "records: ... the board too" await records-files-5-refused 20 same records-files-4-renju records-files-5-refused
    status_is "records, refused" "White to move. Renju."
    check "records: a record dropped on the page is taken" test "$(drop "$psq")" = false
    check "records: ... and opens as the chooser's" within 5 test "$(record_of)" = "$saved"
    check "records: nothing in the page's error list ($(browser eval 'errors.join(" / ")'))" test "$(browser eval errors.length)" = 0
}
part records && session_records_files

# kept: how many games the page keeps, in its list and in the browser's storage.
kept() { browser eval "Module.records.kept().length + ' ' + (() => { try { return JSON.parse(localStorage.getItem('gomoku3d.recent')).length; } catch (e) { return 'none'; } })()" | tr -d '"'; }
listed() { browser eval "[...document.querySelectorAll('#recent-list li')].map(e => e.textContent).join(' / ')" | tr -d '"'; }
recent_games() { menu "Recent games" && within 5 test "$(browser eval 'recent.open')" = true; }
session_recent() {
    local first
    emulate 1280 720
    start_game recent "$work/site/with-meshes" || return
    browser eval 'localStorage.clear()' >/dev/null && start_game recent "$work/site/with-meshes" || return
    check "recent: none kept at first" test "$(kept)" = "0 none"
    play_five "${BLACK_FIVE[@]}"
    status_is recent "Black wins."
    check "recent: the game kept once it ends ($(kept))" within 5 test "$(kept)" = "1 1"
    first=$(browser eval 'Module.records.kept()[0].sgf')
    recent_games
    check "recent: the list shows it, with its rule, moves and result ($(listed))" \
        grep -qE '^20[0-9-]{8} [0-9:]{5} · Freestyle · 9 moves · Black won$' <<<"$(listed)"
    browser shot "$artefacts/recent-1280x720.png" :viewport
    browser eval "recent.close()" >/dev/null
    # Stepping back from the end and forward again, or the last stone taken back and placed again,
    # ends the same game: it is kept once.
    keys Page_Up End u space
    status_is "recent, the five again" "Black wins."
    check "recent: the same game ended again is kept once" test "$(kept)" = "1 1"
    start_game recent-again "$work/site/with-meshes" || return
    check "recent: a new page keeps the list" test "$(kept)" = "1 1"
    recent_games && browser press '.recent-game' 0 0 mouse
    check "recent: a game from the list opens for review, the list closed" within 5 test "$(browser eval 'recent.open')" = false
    status_is "recent, opened" "Black wins."
    check "recent: ... and is the game kept" test "$(browser eval 'Module.records.text()')" = "$first"
    check "recent: ... and it is not kept again" test "$(kept)" = "1 1"
    recent_games && browser press '#recent-clear' 0 0 mouse
    check "recent: Clear forgets them all ($(kept); $(listed))" test "$(kept)" = "0 0" -a -z "$(listed)"
    browser eval "recent.close()" >/dev/null
    # 50 games kept already (one stone each, on points 0 to 49), and one more ends: 50 kept, the
    # oldest gone.
    browser eval "localStorage.setItem('gomoku3d.recent', JSON.stringify([...Array(50).keys()].map(i => ({when: Date.now() - 1000 * (i + 1),
        sgf: '(;FF[4]GM[4]SZ[18]RU[freestyle]\n;B[' + 'abcdefghijklmnopqr'[i % 18] + 'abcdefghijklmnopqr'[Math.floor(i / 18)] + '])\n'}))))" >/dev/null
    start_game recent-51 "$work/site/with-meshes" || return
    check "recent: 50 games stored" test "$(kept)" = "50 50"
    play_five "${BLACK_FIVE[@]}" && status_is "recent, 51" "Black wins."
    check "recent: a 51st game ended keeps 50 ($(kept))" within 5 test "$(kept)" = "50 50"
    check "recent: ... the new one first, the oldest gone" test "$(browser eval "(k => [k[0].sgf.includes(';B[ni]'),
        k[1].sgf.includes(';B[aa]'), k[49].sgf.includes(';B[mc]'), k.some(g => g.sgf.includes(';B[nc]'))].join())(Module.records.kept())")" = '"true,true,true,false"'
    # Storage full: the game ended is listed all the same, the page says the list will not last,
    # and the game goes on.
    browser eval "Storage.prototype.setItem = function () { throw new DOMException('full', 'QuotaExceededError'); }" >/dev/null
    keys u a a a a a space
    status_is "recent, storage full" "Black wins."
    recent_games
    check "recent, storage full: the game is listed ($(listed | cut -c1-60)…)" \
        test "$(browser eval "Module.records.kept()[0].sgf.includes(';B[ii]') && document.querySelectorAll('#recent-list li').length")" = 50
    check "recent, storage full: the list says it lasts until the page is closed" \
        grep -q "does not let the page keep them" <<<"$(browser text '#recent-note')"
    browser eval "recent.close()" >/dev/null && keys u
    status_is "recent, storage full" "Black to move."
    check "recent, storage full: nothing in the page's error list ($(browser eval 'errors.join(" / ")'))" test "$(browser eval errors.length)" = 0
    # Storage switched off: reading it throws.
    browser before "Object.defineProperty(window, 'localStorage', {get() { throw new DOMException('denied', 'SecurityError'); }})"
    start_game recent-no-storage "$work/site/with-meshes"
    play_five "${BLACK_FIVE[@]}"
    status_is "recent, no storage" "Black wins."
    check "recent, no storage: the game is kept for the page's life ($(kept))" within 5 test "$(kept)" = "1 none"
    recent_games
    check "recent, no storage: the list says so" grep -q "does not let the page keep them" <<<"$(browser text '#recent-note')"
    check "recent, no storage: nothing in the page's error list ($(browser eval 'errors.join(" / ")'))" test "$(browser eval errors.length)" = 0
    # A list that is not one starts afresh.
    browser before && start_game recent-damaged "$work/site/with-meshes"
    browser eval "localStorage.setItem('gomoku3d.recent', '[{\"when\": 1, \"sgf\": 5}, \"x\"')" >/dev/null
    start_game recent-damaged "$work/site/with-meshes"
    check "recent: a damaged list is started afresh ($(kept))" test "$(kept)" = "0 none"
}
part records && session_recent

# The review buttons step as the keys do, each at least 44 x 44, and the board keeps its place
# when they appear.
box_of() { browser eval "(r => [r.left, r.top, r.width, r.height].join(' '))(document.querySelector('$1').getBoundingClientRect())" | tr -d '"'; }
shown_buttons() {
    browser eval "[...document.querySelectorAll('#review button')].filter(b => b.getClientRects().length && getComputedStyle(b).visibility == 'visible')
        .map(b => b.id + (b.disabled ? '-' : '+')).join(' ')" | tr -d '"'
}
session_review() {
    local name=review-$1 board small steps=() key button kind=${5:-mouse} i
    fits "$name" "${@:2}" || return
    board=$(box_of canvas)
    check "$name: no review buttons before the first stone" test -z "$(shown_buttons)"
    keys space d space w space
    status_is "$name" "White to move."
    check "$name: the review buttons show ($(shown_buttons))" test "$(shown_buttons)" = "first-move+ previous-move+ next-move- last-move-"
    check "$name: the board kept its place and size ($board, then $(box_of canvas))" test "$(box_of canvas)" = "$board"
    small=$(browser eval "[...document.querySelectorAll('#review button')].filter(b => (r => r.width < 44 || r.height < 44)(b.getBoundingClientRect())).map(b => b.id).join()" | tr -d '"')
    check "$name: each button at least 44 x 44${small:+ (not $small)}" test -z "$small"
    for key in Page_Up Page_Up Home Page_Down End Page_Up; do keys "$key" && sleep 0.3 && steps+=("$(browser text '#status')"); done
    check "$name: the keys step through the game (${steps[*]})" test "${steps[*]}" = \
        "Black to move. Move 2 of 3 White to move. Move 1 of 3 Black to move. Move 0 of 3 White to move. Move 1 of 3 White to move. Black to move. Move 2 of 3"
    keys End
    i=0 && for button in previous-move previous-move first-move next-move last-move previous-move; do
        browser press "#$button" 0 0 $kind && sleep 0.3
        check "$name: $button says \"${steps[i]}\"" test "$(browser text '#status')" = "${steps[i]}"
        i=$((i + 1))
    done
    check "$name: before the end, Play on from here shows" test "$(shown_buttons)" = "first-move+ previous-move+ next-move+ last-move+ play-on+"
    check "$name: the board kept its place and size" test "$(box_of canvas)" = "$board"
    browser shot "$artefacts/$name-$2x$3.png" :viewport
    browser press '#first-move' 0 0 $kind
    check "$name: at the first move, First and Previous are off" within 5 test "$(shown_buttons)" = "first-move- previous-move- next-move+ last-move+ play-on+"
    browser press '#next-move' 0 0 $kind && browser press '#play-on' 0 0 $kind
    status_is "$name, played on" "White to move. Playing on from move 1."
    check "$name: Play on from here keeps the moves shown (one)" test "$(record_of)" = \
        "\"(;FF[4]GM[4]SZ[18]CA[UTF-8]AP[gomoku3d]RU[freestyle]\\n;B[ji]\\n)\\n\""
    check "$name: ... and Play on from here hides again" test "$(shown_buttons)" = "first-move+ previous-move+ next-move- last-move-"
    check "$name: the keys still reach the game" eval 'keys d space && within 5 says "Black to move."'
    check "$name: the board kept its place and size" test "$(box_of canvas)" = "$board"
    # The moves' numbers on the stones, shown by m and hidden again.
    await "$name-plain" 20 settled "$name-plain" && keys m
    check "$name: m shows the moves' numbers on the stones" changed "$name-numbers" "$name-plain"
    browser shot "$artefacts/$name-numbers-$2x$3.png" :viewport
    keys m
    shows "$name-plain-again" same "$name-plain" "$name: m again hides them"
}
part records && session_review desktop 1280 720
part records && session_review phone 390 844 3 touch touch

# After an online game the panel offers the server's record of it; not while it goes on. The
# page's side alone, told of an online game by the call the program makes (no server here).
online_records() { browser eval "(p => p.hidden ? 'hidden' : [...p.querySelectorAll('a')].map(a => a.getAttribute('href')).join(' '))(document.getElementById('online-records'))" | tr -d '"'; }
session_online_records() {
    emulate 1280 720
    start_game online-records "$work/site/with-meshes" || return
    keys space d space
    browser eval "Module.online.changed(true, 'Black to move (you play black).', 2, 'ab12cd34', '', false)" >/dev/null
    check "online records: none while the game goes on ($(online_records))" test "$(online_records)" = hidden
    browser eval "Module.online.changed(false, '', 0, '', '', false)" >/dev/null && keys u u
    play_five "${BLACK_FIVE[@]}" && status_is "online records" "Black wins."
    browser eval "Module.online.changed(true, 'You win (black).', 2, 'ab12cd34', '', false)" >/dev/null
    check "online records: the game over, its .psq and SGF from the server ($(online_records))" \
        test "$(online_records)" = "/games/ab12cd34.psq /games/ab12cd34.sgf"
    browser shot "$artefacts/online-records.png" :viewport
}
part records && session_online_records

# What the status line asks, answered by touch, the mouse or the keys: swap2 played to its end by
# taps alone against a friend and against the computer, "Abandon this game?" before Restart,
# "Play online" and Esc in a game in progress, the game going on unchanged after no. Each answer a
# button of 44 x 44 or more, shown only while it is asked, and the board neither moving nor
# shrinking when they come and go.
ABANDON="Abandon this game? Yes (y) or no (n)."
# shown_answers: the answers' buttons shown, by id.
shown_answers() {
    browser eval "[...document.querySelectorAll('#answers button')].filter(b => b.getClientRects().length &&
        getComputedStyle(b).visibility == 'visible').map(b => b.id).join(' ')" | tr -d '"'
}
small_answers() {
    browser eval "[...document.querySelectorAll('#answers button')].filter(b => b.getClientRects().length &&
        (r => r.width < 44 || r.height < 44)(b.getBoundingClientRect())).map(b => b.id).join()" | tr -d '"'
}
# The middle of each point of the board in the canvas's CSS pixels, from the page's own pick.
map_cells() {
    browser eval "(() => { const box = canvas.getBoundingClientRect(), scale = canvas.width / box.width, sums = {};
        const step = Math.max(1, Math.floor(canvas.width / 300));
        for (let y = 0; y < canvas.height; y += step) for (let x = 0; x < canvas.width; x += step) {
            const p = Module._gomokuPointAt(x, y); if (p < 0) continue;
            const s = sums[p] || (sums[p] = [0, 0, 0]); s[0] += x, s[1] += y, s[2]++; }
        window.cellsAt = {}; for (const p in sums) cellsAt[p] = [Math.round(sums[p][0] / sums[p][2] / scale), Math.round(sums[p][1] / sums[p][2] / scale)];
        return Object.keys(cellsAt).length; })()" >/dev/null
}
cell_xy() { browser eval "(cellsAt[$1 * 18 + $2] || []).join(' ')" | tr -d '"'; }
# put ROW COL...: a stone on each point, by the input of the session (two taps, or a click).
put() {
    local x y
    while (($# >= 2)); do
        read -r x y <<<"$(cell_xy "$1" "$2")"
        if [ "$input" = touch ]; then browser tap "$x" "$y" && browser tap "$x" "$y"; else browser click "$x" "$y" left; fi
        sleep 0.3 && shift 2
    done
}
# answer ID: its button pressed by the session's input (a finger, or the mouse).
answer() { if [ "$input" = touch ]; then browser press "#$1" 0 0; else browser press "#$1" 0 0 mouse; fi; }
# pick ENTRY: the menu from its button, and ENTRY in it.
pick() { open_menu && if [ "$input" = touch ]; then browser press "$1" 0 0; else browser press "$1" 0 0 mouse; fi; }
status_has() { grep -qF "$1" <<<"$(browser text '#status')"; }
# The canvas's place on the page (not in the viewport, which a press of a button below may scroll).
board_box() { browser eval "(r => [r.left + scrollX, r.top + scrollY, r.width, r.height].join(' '))(canvas.getBoundingClientRect())" | tr -d '"'; }
board_kept() { check "$name: the board kept its place and size ($board, then $(board_box))" test "$(board_box)" = "$board"; }
answers_are() {
    check "$name: $2: the answers shown are ${1:-none} ($(shown_answers))" within 5 test "$(shown_answers)" = "$1"
}
session_answers() {
    local name=answers-$1 input=$5 board small
    fits "$name" "${@:2:3}" ${5/mouse/} || return
    answers_are "" "at the start"
    sleep 0.5 && board=$(board_box)
    pick "( ) Swap2"
    status_is "$name" "Black to move. Swap2. Swap2: the first player places three stones: black, white, black."
    board_kept && map_cells
    put 9 9 9 10 10 10
    check "$name: the second player is asked" within 5 status_has "Swap2: the second player chooses: 1 to play white"
    answers_are "answer-white answer-black answer-two" "the second player's choice"
    small=$(small_answers)
    check "$name: each answer at least 44 x 44${small:+ (not $small)}" test -z "$small"
    board_kept
    browser shot "$artefacts/$name-swap2-second-$2x$3.png" :viewport
    answer answer-two
    check "$name: Place two more chosen by its button" within 5 status_has "Swap2: the second player places two more stones: white, then black."
    answers_are "" "while stones are placed"
    put 8 8 8 10
    answers_are "answer-white answer-black" "the first player's choice"
    answer answer-black
    status_is "$name" "White to move. Swap2. Swap2: the first player plays black; white to move."
    answers_are "" "swap2 over"
    board_kept
    put 7 7
    status_is "$name, swap2 played to its end" "Black to move. Swap2."
    grab "$name-1-played"
    # Restart in the game asks; No, and the game goes on unchanged.
    pick Restart
    status_is "$name, Restart" "Black to move. Swap2. $ABANDON"
    answers_are "answer-yes answer-no" "Restart asks"
    small=$(small_answers)
    check "$name: Yes and No at least 44 x 44${small:+ (not $small)}" test -z "$small"
    board_kept
    browser shot "$artefacts/$name-abandon-$2x$3.png" :viewport
    answer answer-no
    status_is "$name, no" "Black to move. Swap2."
    check "$name: after No the game is as it was" await "$name-2-kept" 20 same "$name-1-played" "$name-2-kept"
    # Esc asks; n goes on.
    keys Escape
    status_is "$name, Esc" "Black to move. Swap2. $ABANDON"
    keys n
    status_is "$name, Esc and n" "Black to move. Swap2."
    check "$name: after Esc and n the game goes on" test "$(browser eval "document.body.classList.contains('ended')")" = false
    # "Play online" asks too; No.
    pick "Play online"
    status_is "$name, Play online" "Black to move. Swap2. $ABANDON"
    answer answer-no
    status_is "$name, Play online and no" "Black to move. Swap2."
    check "$name: after Play online and No the game is as it was" await "$name-3-kept" 20 same "$name-1-played" "$name-3-kept"
    board_kept
    # y answers by key: a new game, black to open.
    pick Restart && keys y
    status_is "$name, Restart and y" "Black to move. Swap2. Swap2: the first player places three stones: black, white, black."
    # Against the computer, which opens as the first player: the player's choice by a button,
    # then white's stone, and the computer answers.
    pick "( ) Computer plays black"
    check "$name: the computer places its three stones and the player is asked" \
        within 20 status_has "Swap2: the second player chooses: 1 to play white"
    answers_are "answer-white answer-black answer-two" "against the computer, the player's choice"
    answer answer-white
    check "$name: Take white chosen" within 5 status_has "Swap2: the second player plays white; white to move."
    put 5 5
    check "$name: the computer answers white's stone" within 20 status_has "White to move. The computer plays black, medium. Swap2."
    board_kept
    # The computer second: while the player places its three stones, nobody thinks.
    pick "( ) Computer plays white"
    pick Restart && answer answer-yes
    put 9 9
    local said && said=$(browser text '#status')
    check "$name: the player's white stone to place, and nobody thinks ($said)" test "$said" = \
        "White to move. The computer plays white, medium. Swap2. Swap2: the first player places three stones: black, white, black."
    put 9 10 10 10
    check "$name: the computer chooses and play goes on to the player's move" within 20 status_has "to move."
    board_kept
}
part answers && session_answers phone 390 844 3 touch
part answers && session_answers landscape 844 390 3 touch
part answers && session_answers desktop 1280 720 1 mouse

# The board holds still: its box on the page the same after every rule and opening, an offer of
# a draw answered by its buttons, a question, and the analysis's words; on a phone it fills the
# screen's short side (90 % of it or more), in either orientation.
session_still() {
    local name=still-$1 input=$5 board entry short
    fits "$name" "${@:2:3}" ${5/mouse/} || return
    if [ "$input" = touch ]; then
        short=$(browser eval "(r => Math.round(100 * (innerWidth < innerHeight ? r.width / innerWidth : r.height / innerHeight)))(canvas.getBoundingClientRect())")
        check "$name: the board takes $short % of the screen's short side (90 % or more)" test "$short" -ge 90
    fi
    sleep 0.5 && board=$(board_box) && map_cells
    for entry in "( ) Exactly five" "( ) Renju" "( ) Swap2" "( ) Free" "( ) Freestyle"; do
        pick "$entry" && sleep 0.5 && board_kept
    done
    put 9 9 9 10 10 10
    pick "Offer a draw"
    check "$name: the offer is said" within 5 status_has "White offers a draw: black, accept it (y) or decline (n)?"
    answers_are "answer-accept-draw answer-decline-draw" "an offer of a draw"
    board_kept && browser shot "$artefacts/$name-offer-$2x$3.png" :viewport
    pick Restart
    answers_are "answer-yes answer-no" "Restart over the offer"
    answer answer-no
    answers_are "answer-accept-draw answer-decline-draw" "the offer again after No"
    answer answer-decline-draw
    check "$name: Decline declines it" within 5 status_has "Black declines the draw."
    answers_are "" "once it is declined"
    put 5 5 && pick "Offer a draw" && answers_are "answer-accept-draw answer-decline-draw" "a new offer after a move"
    answer answer-accept-draw
    check "$name: Accept agrees to it" within 5 status_has "Drawn by agreement."
    board_kept
    pick Restart && put 9 9 8 8 9 10 8 9 9 11 2 2
    pick "Analyse game"
    check "$name: the analysis says what it found" within 90 status_has "Analysed 6 moves"
    board_kept && browser shot "$artefacts/$name-analysed-$2x$3.png" :viewport
}
part answers && session_still phone 390 844 3 touch
part answers && session_still landscape 844 390 3 touch
part answers && session_still desktop 1280 720 1 mouse

# Each way the page can fail: the player reads WORDS within 10 s, at most one exception escapes
# (watched until quiet for 3 s), and without meshes the game runs and reports them. HOW is
# missing=FILE (404), block=FILE (the connection fails), half=FILE, html=FILE (a page in its
# place), a flag for another Chromium, or mismatch (another GL emulation).
differs_file() { ! cmp -s "$1" "$2"; }
# site_for HOW: the folder of the site that HOW is served from, made for it.
site_for() {
    local file=${1#*=} site=${1/=/-}
    case $1 in
    missing=* | half=* | html=*)
        rm -rf "$work/site/$site" && cp -r "$work/site/with-meshes" "$work/site/$site"
        case $1 in
        missing=*) rm "$work/site/$site/$file" ;;
        half=*) truncate -s $(($(stat -c %s "$web/$file") / 2)) "$work/site/$site/$file" ;;
        html=*) cp "$web/index.html" "$work/site/$site/$file" ;;
        esac
        echo "$site"
        ;;
    mismatch) echo mismatch ;;
    *) echo with-meshes ;;
    esac
}
failure_table() {
    local name how words log said thrown site blocked
    mkdir -p "$work/site/mismatch" && cp "$work/site/with-meshes/"* "$work/site/mismatch/"
    # The emulation's lighting line written another way, as another Emscripten might.
    sed -i 's/normalize(u_lightPosition"+lightId+").xyz;"/normalize(u_lightPosition"+lightId+".xyz);"/' \
        "$work/site/mismatch/gomoku3d.js"
    check "fails: the copy's emulation shader differs" differs_file "$web/gomoku3d.js" "$work/site/mismatch/gomoku3d.js"
    local pid=$chromium_pid socket=$browser_socket
    while IFS='|' read -r name how words; do
        log=$artefacts/fails-$name.log site=$(site_for "$how")
        [[ $how != --* ]] || chromium_start "$work/browser-$name" "$how" || { fail "fails, $name: no Chromium" && continue; }
        blocked=() && [[ $how != block=* ]] || blocked=("$how")
        browser watch "http://127.0.0.1:$server_port/$site/index.html" 10 quiet=3 "${blocked[@]}" >"$log"
        said=$(awk -v words="$words" '$2 == "problem" && index($0, words) { print $1; exit }' "$log")
        thrown=$(grep -c '^[0-9.]* exception ' "$log")
        check "fails, $name: \"$words\" said after ${said:-no} s" test -n "$said"
        check "fails, $name: $thrown exception(s) nobody caught, at most 1" test "$thrown" -le 1
        browser shot "$artefacts/fails-$name.png" main
        # A new game would not draw either: none is offered.
        [ "$name" != no-webgl ] || check "fails, $name: no \"New game\" offered" test "$(browser eval newGame.hidden)" = true
        [[ $name != meshes* && $name != thinker* ]] ||
            check "fails, $name: the game runs without it" grep -q '^[0-9.]* status Black to move\.$' "$log"
        [[ $name != meshes* ]] || { browser text '#console' >"$artefacts/fails-$name.stdout" && expect_output "fails-$name" 5; }
        [[ $how != --* ]] || { chromium_stop && chromium_pid=$pid browser_socket=$socket; }
    done <<'ROWS'
gomoku3d.js-404|missing=gomoku3d.js|The game could not be loaded: gomoku3d.js is not on the server
gomoku3d.js-failed|block=gomoku3d.js|The game could not be loaded: the connection failed while gomoku3d.js was downloading
gomoku3d.wasm-404|missing=gomoku3d.wasm|The game could not be loaded: gomoku3d.wasm is not on the server
gomoku3d.wasm-failed|block=gomoku3d.wasm|The game could not be loaded: the connection failed while gomoku3d.wasm was downloading
meshes.js-404|missing=meshes.js|did not load (meshes.js did not arrive), so the game shows none of them
meshes.js-failed|block=meshes.js|did not load (meshes.js did not arrive), so the game shows none of them
meshes.data-404|missing=meshes.data|did not load (meshes.data is not on the server), so the game shows none of them
meshes.data-failed|block=meshes.data|did not load (the connection failed while meshes.data was downloading), so the game shows none of them
meshes.data-half|half=meshes.data|did not load (meshes.data is damaged), so the game shows none of them
meshes.data-html|html=meshes.data|did not load (meshes.data is damaged), so the game shows none of them
thinker.wasm-404|missing=thinker.wasm|The computer cannot think beside the game: thinker.wasm is not on the server (it answered 404). It thinks between frames instead
thinker.js-failed|block=thinker.js|The computer cannot think beside the game: the connection failed while thinker.js was downloading. It thinks between frames instead
no-webgl|--disable-webgl|This browser cannot draw the game: WebGL is off or not available.
emulation|mismatch|This copy of the game cannot light its board
ROWS
}
part fails && failure_table

# Over a line of 1.6 Mbit/s and 150 ms the load's progress shows, and the game is ready in 5 s.
session_slow_load() {
    local log=$artefacts/slow-load.log ready progress
    browser watch "http://127.0.0.1:$server_port/with-meshes/index.html" 8 throttle=1600,150 >"$log"
    ready=$(awk '$2 == "status" && / to move\.$/ { print $1; exit }' "$log")
    progress=$(awk '$2 == "status" && $3 == "Loading…" && $4 > 0 && $4 < $6 { print $1 " s: " $4 " of " $6 " KB"; exit }' "$log")
    # The load is the line's and then the program's: the game's files come in parallel, as fast as
    # the line carries them, and the program starts soon after; the thinker's files, counted once
    # the game's have all come, are not waited for. The line's own pace varies with a busy
    # machine, so the total (about 5 s here, which tools/bench.sh page measures) is not checked.
    local came
    came=$(awk '$2 != "status" || $3 != "Loading…" || $4 + 0 == 0 { next }
        $6 > total && $4 >= total && first { exit }
        { if (!first) { first = $1; from = $4 }; total = $6; last = $1; kb = $4 - from }
        END { if (first) printf "%.2f %.2f %d %.2f", first, last, kb, kb * 1024 * 8 / 1600000 }' "$log")
    local first last kb need
    read -r first last kb need <<<"${came:-0 0 0 0}"
    check "slow load: $kb KB of the game's files came in $(awk -v a="$first" -v b="$last" 'BEGIN { printf "%.2f", b - a }') s, the line's time for them being $need s (at most 15% more)" \
        awk -v a="$first" -v b="$last" -v n="$need" 'BEGIN { exit !(n > 0 && b - a <= 1.15 * n) }'
    check "slow load: ready ${ready:-never} s, $(awk -v t="${ready:-99}" -v l="$last" 'BEGIN { printf "%.2f", t - l }') s after the game's files came (at most 1.5)" \
        awk -v t="$ready" -v l="$last" 'BEGIN { exit !(t != "" && l > 0 && t - l <= 1.5) }'
    check "slow load: progress shown before (${progress:-none})" \
        awk -v p="${progress%% *}" -v t="${ready:-99}" 'BEGIN { exit !(p != "" && p < t) }'
    # The Menu button can be pressed once the game runs, not before.
    check "slow load: the Menu button disabled while the game loads, then enabled when ready" test \
        "$(awk '$2 == "menu-button" { printf "%s%s ", $3, ($1 >= '"${ready:-0}"' ? "+" : "-") }' "$log")" = "disabled- enabled+ "
}
part slow && session_slow_load

# The hint and "Analyse game" in the page, thought in its worker: the desktop session's record, in
# which white's sixth on (2, 2) leaves black's open three open, opened from the file chooser.
# The analysis says its progress and names the marked move and the engine's better one, its ring
# on the stone; the hint names the engine's own winning point, its line in see-through stones and
# the bar under the board black's. Any other key stops either under way: the worker is ended and
# another started, and nothing lands.
BLUNDER_PSQ='Piskvorky 18x18, 11:11, 0\r\n10,9,0\r\n11,8,0\r\n10,8,0\r\n9,10,0\r\n10,7,0\r\n3,16,0\r\n'
BLUNDER_STONES=(9,9,b 10,10,w 9,10,b 8,8,w 9,11,b 2,2,w) # the same, as engine_answer takes them
# point_name "ROW COL": the point as the game names it (c3 for 2 2).
point_name() { local r c letters=abcdefghijklmnopqr && read -r r c <<<"$1" && echo "${letters:r:1}$((c + 1))"; }
status_matches() { grep -qE "$1" <<<"$(browser text '#status')"; }
statuses() { browser eval 'statuses.join(" | ")' | tr -d '"'; }
# progress_shown STATUSES: "Analysing: move 1 of 6", then at least two later moves in their order,
# then "Analysed".
progress_shown() {
    grep -qE "^(Black to move\. Analysing: move [1-6] of 6 \| ){3,}Black to move\. Analysed 6 moves" <<<"$1" &&
        [ "$(grep -oE 'move [1-6] of' <<<"$1" | cut -d' ' -f2 | xargs)" = "$(grep -oE 'move [1-6] of' <<<"$1" |
            cut -d' ' -f2 | sort -n | xargs)" ] && grep -q "^Black to move\. Analysing: move 1 of 6 |" <<<"$1"
}
worker_starts() { browser eval 'Module.thinker.starts.length'; }
# changed_near PICTURE BEFORE X Y: how many pixels of the 30 x 30 box about X, Y differ.
changed_near() {
    compare -metric AE -fuzz 6% "$artefacts/$1.ppm[30x30+$(($3 - 15))+$(($4 - 15))]" \
        "$artefacts/$2.ppm[30x30+$(($3 - 15))+$(($4 - 15))]" null: 2>&1 | cut -d' ' -f1
}
# bar_of PICTURE: the dark pixels of the five rows 9 to 13 from the canvas's foot, inside the hint's
# bar (render/frame.h: from 1.2 % to 2.4 % of the height), "COUNT LEFT TOP RIGHT BOTTOM".
bar_of() {
    convert "$artefacts/$1.ppm" -gravity south -crop 800x5+0+9 +repage "ppm:$artefacts/$1-bottom.ppm" &&
        measure "$1-bottom" && echo "${dark[*]:0:5}"
}
session_analysis_page() {
    local grid red_least x y starts better hint words="Move 6 (c3) by white: a forced loss walked into; better"
    emulate 1328 820 # the canvas 800 x 600, whatever viewport the parts before left
    start_game analysis "$work/site/with-meshes" || return
    browser upload '#record-file' "$(records_file blunder.psq "$BLUNDER_PSQ")"
    check "analysis: the record opens" within 5 message_says "Opened blunder.psq."
    browser click 10 10 left # the focus back on the canvas, off the board
    keys Home && board analysis-1-empty
    keys End && point_to $(at 0 17) && await analysis-2-opened 20 settled analysis-2-opened
    status_is analysis "Black to move."
    measure analysis-2-opened
    check "analysis: no yellow before the analysis (${yellow[0]} pixels)" test "${yellow[0]}" = 0
    browser eval 'window.statuses = []; new MutationObserver(() => statuses.push(statusLine.textContent))
        .observe(statusLine, {childList: true, characterData: true, subtree: true})' >/dev/null

    # Stopped by a key while it thinks.
    starts=$(worker_starts) && menu "Analyse game"
    within 10 status_matches "Analysing: move" && keys w s
    status_is "analysis, a key while it thinks" "Black to move. Analysis stopped."
    check "analysis: the key ended the worker's thought, another worker ready ($starts started before, then $(worker_starts))" \
        within 10 test "$(worker_starts)" = $((starts + 1)) -a "$(browser eval Module.thinker.thinking)" = 0
    sleep 3 && point_to $(at 0 17) && await analysis-3-stopped 20 settled analysis-3-stopped && measure analysis-3-stopped
    check "analysis: and nothing landed 3 s later (\"$(browser text '#status')\", ${yellow[0]} yellow pixels)" \
        test "$(browser text '#status')" = "Black to move. Analysis stopped." -a "${yellow[0]}" = 0

    # The whole game.
    better=$(point_name "$("$ENGINE_ANSWER" hard 200000 0 white "${BLUNDER_STONES[@]:0:5}")")
    browser eval 'statuses.length = 0' >/dev/null && menu "Analyse game"
    status_is analysis "Black to move. Analysed 6 moves, 1 marked. $words $better" 60
    # A position answered at once (the last: black's open three) may come and go between two frames.
    check "analysis: the status line said its progress, move by move ($(statuses | cut -c1-300))" \
        progress_shown "$(statuses)"
    point_to $(at 0 17) && changed analysis-4-marked analysis-2-opened && measure analysis-4-marked
    read -r x y <<<"$(at 2 2)"
    check "analysis: a yellow ring on white's stone at $x $y (${yellow[0]} pixels within ${yellow[*]:1:4})" \
        test "${yellow[0]}" -gt 40 -a "${yellow[1]}" -le "$x" -a "${yellow[3]}" -ge "$x" \
        -a "${yellow[2]}" -le "$y" -a "${yellow[4]}" -ge "$y" \
        -a $((yellow[3] - yellow[1])) -lt $((2 * (grid[2] - grid[0]) / 17))
    keys Page_Up && point_to $(at 0 17) && changed analysis-5-back analysis-4-marked && measure analysis-5-back
    check "analysis: a move back the stone and its ring are gone (${yellow[0]} yellow pixels)" test "${yellow[0]}" = 0
    keys Page_Down && point_to $(at 0 17)
    shows analysis-6-forth same analysis-4-marked "analysis: a move forth the ring is back"
    status_is "analysis, stepped to the marked move" "Black to move. $words $better"

    # The hint, on the point that wins.
    hint=$(point_name "$("$ENGINE_ANSWER" hard 400000 0 black "${BLUNDER_STONES[@]}")")
    point_to $(at 0 17) && await analysis-7-before-hint 20 settled analysis-7-before-hint
    browser eval 'statuses.length = 0' >/dev/null && keys h
    status_is hint "Black to move. Hint: $hint, black wins in 2" 30
    check "hint: \"Hint: thinking...\" said while it thought ($(statuses))" \
        grep -q "^Black to move\. Hint: thinking\.\.\. | Black to move\. Hint: $hint" <<<"$(statuses)"
    # The open four is the engine's at once, with no search: a line of one.
    check "hint: the page's worker answered with the win's score ($(browser eval 'JSON.stringify(Module.thinker.last)' | cut -c1-110)…)" \
        test "$(browser eval '(a => Module.thinker.state == "ready" && a.line[0] == a.move && a.score == 29997)(Module.thinker.last)')" = true
    point_to $(at 0 17) && changed analysis-8-hint analysis-7-before-hint
    read -r x y <<<"$(at "$(($(printf '%d' "'${hint:0:1}") - 97))" "$((${hint:1} - 1))")"
    local near && near=$(changed_near analysis-8-hint analysis-7-before-hint "$x" "$y")
    check "hint: a see-through stone on $hint at $x $y ($near pixels about it changed)" test "${near:-0}" -ge 150
    local bar before_bar && read -r -a before_bar <<<"$(bar_of analysis-7-before-hint)" && read -r -a bar <<<"$(bar_of analysis-8-hint)"
    check "hint: a black bar under the board, black's win, the whole middle half (dark ${bar[*]}, before ${before_bar[*]})" \
        test "${before_bar[0]}" = 0 -a "${bar[0]}" -ge 1500 -a "${bar[1]}" -ge 195 -a "${bar[1]}" -le 205 \
        -a "${bar[3]}" -ge 595 -a "${bar[3]}" -le 605
    keys h && point_to $(at 0 17)
    shows analysis-9-no-hint same analysis-7-before-hint "hint: h again takes it away"
    # Two moves back, where nobody has a win: the engine searches, and the hint shows its line.
    keys Page_Up Page_Up && status_is "hint, two moves back" "Black to move. Move 4 of 6"
    # Stopped by a key while it thinks (the engine searches here: it wins nothing at once).
    starts=$(worker_starts) && keys h w s
    status_is "hint, a key while it thinks" "Black to move."
    check "hint: the key ended the worker's thought, another worker ready ($starts started before, then $(worker_starts))" \
        within 10 test "$(worker_starts)" = $((starts + 1)) -a "$(browser eval Module.thinker.thinking)" = 0
    sleep 3
    check "hint: and nothing landed 3 s later" test "$(browser text '#status')" = "Black to move."
    hint=$(point_name "$("$ENGINE_ANSWER" hard 400000 0 black "${BLUNDER_STONES[@]:0:4}")")
    point_to $(at 0 17) && await analysis-10-before-line 20 settled analysis-10-before-line && keys h
    within 30 status_matches "^Black to move\. Hint: [a-r][0-9]+, "
    check "hint: two moves back, the engine's own point ($hint) and a judgement ($(browser text '#status'))" \
        status_matches "^Black to move\. Hint: $hint, (even|(black|white) is (slightly |much )?better)$"
    check "hint: the worker searched and answered with its line ($(browser eval '(a => a.nodes + " positions, line " + a.line.join())(Module.thinker.last)'))" \
        test "$(browser eval '(a => a.nodes > 0 && a.line.length > 2 && a.line[0] == a.move)(Module.thinker.last)')" = true
    point_to $(at 0 17) && changed analysis-11-line analysis-10-before-line
    # A see-through stone on each point of the line (the engine's points: row and column from 5,
    # 42 to a row).
    local m shown=0 moves=() && read -r -a moves <<<"$(browser eval 'Module.thinker.last.line.join(" ")' | tr -d '"')"
    for m in "${moves[@]}"; do
        read -r x y <<<"$(at $((m / 42 - 5)) $((m % 42 - 5)))"
        (($(changed_near analysis-11-line analysis-10-before-line "$x" "$y") >= 150)) && shown=$((shown + 1))
    done
    check "hint: a see-through stone on each of the line's ${#moves[@]} points ($shown seen)" test "$shown" = ${#moves[@]} -a "$shown" -gt 2
    # Black's share by the score (game/hint.h: the logistic curve, 2000 a unit), black's part of the
    # bar from its left end at 200 to 600.
    local score split && score=$(browser eval 'Module.thinker.last.score')
    split=$(awk -v s="$score" 'BEGIN { printf "%d", 200 + 400 / (1 + exp(-s / 2000)) }')
    read -r -a bar <<<"$(bar_of analysis-11-line)"
    check "hint: black's part of the bar ends at $split for the score $score (dark ${bar[*]})" \
        test "${bar[1]}" -ge 195 -a "${bar[1]}" -le 205 -a "${bar[3]}" -ge $((split - 4)) -a "${bar[3]}" -le $((split + 4))
    check "hint: nothing in the page's error list ($(browser eval 'errors.join(" / ")'))" test "$(browser eval errors.length)" = 0
    # The menu's Hint (the one shown taken away first), stopped by a click off the board.
    keys h && status_is "hint, taken away" "Black to move."
    starts=$(worker_starts) && menu Hint
    check "hint: the menu's Hint thinks" within 10 status_matches "Hint: thinking" && click_at 10 10
    status_is "hint, a click while it thinks" "Black to move."
    check "hint: the click ended the worker's thought ($starts workers started before, then $(worker_starts))" \
        within 10 test "$(worker_starts)" = $((starts + 1)) -a "$(browser eval Module.thinker.thinking)" = 0
}
# Without the worker the computer thinks between frames: the hint and the analysis too.
session_analysis_slices() {
    emulate 1328 820 # the canvas 800 x 600, whatever viewport the parts before left
    start_game analysis-slices "$work/site/without-thinker" || return
    browser upload '#record-file' "$(records_file blunder.psq "$BLUNDER_PSQ")"
    within 5 message_says "Opened blunder.psq." && browser click 10 10 left
    menu "Analyse game"
    status_is "analysis, between frames" "Black to move. Analysed 6 moves, 1 marked. Move 6 (c3) by white: a forced loss walked into; better $(point_name "$("$ENGINE_ANSWER" hard 200000 0 white "${BLUNDER_STONES[@]:0:5}")")" 120
    keys h
    status_is "hint, between frames" "Black to move. Hint: $(point_name "$("$ENGINE_ANSWER" hard 400000 0 black "${BLUNDER_STONES[@]}")"), black wins in 2" 30
}
part analysis && session_analysis_page
part analysis && session_analysis_slices

# The with-meshes session's empty board and black's five drawn natively and in the browser: few
# pixels may differ outside the winning line.
compare_with_native() {
    game=$native
    # The native game's ways back, for what the harness does with them too (its waits grab).
    local f && for f in start_game stop_game keys grab choose; do eval "$(declare -f "native_$f" | sed "1s/^native_//")"; done
    # At the screen's corner: else freeglut's window starts at (-1, -1), losing a row and a column.
    start_game native "$artefacts/work/native-meshes" -geometry 800x600+0+0 || return
    # The page's see-through cursor stone, which the native game draws once it is chosen.
    # The keys go to the window under the pointer, which the menu's entry left below it.
    choose 30 "( ) See-through cursor" && xdotool mousemove --window "$window" 20 20 && sleep 0.5
    grab native-1-empty
    keys "${FOUR_EACH[@]}" d s space
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
part e2e && part native && compare_with_native
finish
