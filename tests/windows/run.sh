#!/usr/bin/env bash
# Tests of the Windows build under wine: the end-to-end sessions of the native game
# (tests/e2e/e2e.sh) on the .exe from the zip, and what only Windows has: the DLLs it imports,
# the zip's contents, and the console text on two code pages.
# Usage: bash tests/windows/run.sh [BUILD_DIR]   (default: build-win/), after tools/setup.sh and
# tools/windows-build.sh, which install what it uses.
# Ends with "N passed, M failed" and a non-zero status if anything failed.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(realpath -m "${1:-$root/build-win}")
RUN=wine
source "$root/tests/e2e/e2e.sh"
# The engine's own answers, which the computer must give: the native build's tests/e2e/engine_answer.
ENGINE_ANSWER=${ENGINE_ANSWER:-$root/build/tests/e2e/engine_answer}

e2e_begin "$build/windows-test-artefacts"
work=$artefacts/work
launches=0 # the tmux servers started, for the console sessions below
# The wine processes end through their prefix's server, the terminals through tmux.
windows_end() {
    for ((n = 1; n <= launches; n++)); do tmux -L "gomoku3d-windows-$$-$n" kill-server 2>/dev/null; done
    wineserver -k 2>/dev/null
    e2e_end
}
trap windows_end EXIT
[ -f "$build/gomoku3d.exe" ] && [ -f "$build/gomoku3d-windows.zip" ] ||
    { fail "no gomoku3d.exe or zip in $build: run tools/windows-build.sh first"; finish; }
# A wine prefix of the tests' own; mono and gecko are not wanted, and wine stays quiet.
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineboot --init >"$artefacts/wineboot.txt" 2>&1 && wineserver -w ||
    { fail "wine could not make its prefix (see $artefacts/wineboot.txt)"; finish; }
# Its server kept running from here to the end: left to itself it lingers a few seconds after a
# game ends and then quits, and a game started while it quits may die without a window or a word.
wineserver -p || { fail "wine could not keep its server running"; finish; }

# What a program imports: Windows' own DLLs, nothing that a player would have to install.
imports() { x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort | xargs; }
check "the .exe imports only Windows' own DLLs" test "$(imports "$build/gomoku3d.exe")" = \
    "ADVAPI32.dll GDI32.dll GLU32.dll KERNEL32.dll OPENGL32.dll USER32.dll WINMM.dll WS2_32.dll msvcrt.dll"

unzip -q "$build/gomoku3d-windows.zip" -d "$work/unpacked"
check "the zip holds one folder with the game, the brain, the five meshes, README.txt and LICENSE.txt" test \
    "$(unzip -Z1 "$build/gomoku3d-windows.zip" | sort)" = "$(printf 'gomoku3d/%s\n' "" gomoku3d.exe \
    pbrain-gomoku3d.exe README.txt LICENSE.txt "${MESHES[@]}" | sort)"
for mesh in "${MESHES[@]}"; do
    check "the zip's $mesh is the one in assets/" cmp "$root/assets/$mesh" "$work/unpacked/gomoku3d/$mesh"
done
for text in README.txt LICENSE.txt; do
    check "the players' $text has CR LF line ends" test \
        "$(grep -c $'\r$' "$work/unpacked/gomoku3d/$text")" = "$(wc -l <"$work/unpacked/gomoku3d/$text")"
done

game=$work/unpacked/gomoku3d/gomoku3d.exe
for session in with_meshes clicks computer renju records analysis; do "session_$session" "$work/unpacked/gomoku3d"; done
session_without_meshes "$work/empty"

# The game from the zip online: it joins a game on the real server (the native build's) with
# --join and plays a move by a click (tests/windows/online.py).
server=$root/build/gomoku3d-server
if [ -x "$server" ]; then
    while IFS= read -r line; do
        case $line in
        ok:*) pass "${line#ok: }" ;;
        FAIL:*) fail "${line#FAIL: }" ;;
        esac
    done < <(/usr/bin/python3 -B "$root/tests/windows/online.py" "$server" "$game" "$work/unpacked/gomoku3d" \
        "$artefacts" 2>"$artefacts/online.py.stderr")
    grep -q . "$artefacts/online.py.stderr" && fail "online: $(tail -n 1 "$artefacts/online.py.stderr")"
else
    fail "online: no $server to play against: build the native game first (tools/setup.sh)"
fi

# The tournament brain from the zip: Windows' own DLLs only, and a whole game through its pipes.
brain=$work/unpacked/gomoku3d/pbrain-gomoku3d.exe
check "the brain imports only Windows' own DLLs" test -z "$(imports "$brain" | tr ' ' '\n' |
    grep -v -x -E 'KERNEL32.dll|msvcrt.dll|USER32.dll|ADVAPI32.dll')"
if python3 "$root/tests/engine/brain_game.py" --run wine "$brain" >"$artefacts/brain-game.txt" 2>&1; then
    pass "the brain plays a game under wine ($(tail -n 1 "$artefacts/brain-game.txt"))"
else
    fail "the brain under wine: $(grep FAIL "$artefacts/brain-game.txt" | head -n 3 | xargs)"
fi

starts_with() { [[ $1 == "$2"* ]]; }

# console NAME CODE_PAGE SETTINGS: the game on a console in a 120 x 30 terminal with the
# environment SETTINGS, in a folder without meshes: the text reads as Chinese whatever the code
# page, and each mesh report starts at column 0 of row 7, over the one before.
# Each launch has a tmux server of its own: a new session started on the socket of a server that
# is still going down fails with "server exited unexpectedly", and the game never starts.
terminal() { tmux -L "gomoku3d-windows-$$-$launches" "$@"; }
console() {
    local name=$1 settings=$3 folder=$work/console-$1 screen row line
    mkdir -p "$folder"
    # term COMMAND: runs it under wine in the terminal; its status goes to $folder/status.
    term() {
        rm -f "$folder/status"
        launches=$((launches + 1))
        terminal new-session -d -x 120 -y 30 -c "$folder" "env $settings DISPLAY=$DISPLAY WINEPREFIX=$WINEPREFIX \
            WINEDEBUG=-all $1 2>'$artefacts/$name.stderr'; echo \$? >'$folder/status'; sleep 600"
    }
    ended() { [ -s "$folder/status" ]; }
    term "wine cmd /c chcp" && within 30 ended
    check "$name: the console shows code page $2" grep -q ": $2\$" <<<"$(terminal capture-pane -p)"
    terminal kill-server
    term "wine '$build/gomoku3d.exe'" || { fail "$name: tmux could not start the game"; return; }
    window=$(xvfb_find_window 60) || { fail "$name: no window \"Game\" within 60 s"; return; }
    screen=$(terminal capture-pane -p)
    printf '%s\n' "$screen" >"$artefacts/$name.screen.txt"
    check "$name: rows 0 to 6 are the first seven instruction lines, readable" test \
        "$(sed -n 1,7p <<<"$screen")" = "$(sed -n 1,7p "$E2E_HERE/instructions.utf8.txt")"
    for row in 1 2; do
        line=$(sed -n "${row}p" "$E2E_HERE/missing_mesh_report.utf8.txt")
        check "$name: row $((6 + row)) starts with the report's line $row" \
            starts_with "$(sed -n "$((7 + row))p" <<<"$screen")" "$line"
    done
    check "$name: nothing below row 8" test -z "$(sed -n '10,$p' <<<"$screen" | tr -d ' ')"
    xdotool mousemove --window "$window" 400 300 click 1 key Escape
    within 30 ended
    check "$name: Esc ends the game with status 0" test "$(cat "$folder/status")" = 0
    terminal kill-server
}
# US code page 437 gets the text as UTF-16, code page 950 the Big5 bytes as they stand. Wine
# takes the code page from the locale; zh_TW.UTF-8 is built for the test.
console cp437 437 "LANG=C.UTF-8 LC_ALL=C.UTF-8"
mkdir -p "$work/locales" && localedef -i zh_TW -f UTF-8 "$work/locales/zh_TW.UTF-8" >/dev/null 2>&1
console cp950 950 "LOCPATH=$work/locales LANG=zh_TW.UTF-8 LC_ALL=zh_TW.UTF-8"
finish
