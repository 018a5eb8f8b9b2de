#!/usr/bin/env bash
# Tests of the Windows build: the .exe and the zip from tools/windows-build.sh, run under wine on
# a private Xvfb (standard output, the window, a game to five, the console on two code pages).
# Usage: bash tests/windows/run.sh [BUILD_DIR]   (default: build-win/ in the repository)
# Ends with "N passed, M failed" and a non-zero status if anything failed.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(realpath -m "${1:-$root/build-win}")
exe=$build/gomoku3d.exe
zip=$build/gomoku3d-windows.zip
artefacts=$build/windows-test-artefacts
expected_dir=$root/tests/e2e
# shellcheck source=tools/xvfb.sh
source "$root/tools/xvfb.sh"
meshes=("plane.STL" "lines.STL" "circle.STL" "black wins.STL" "white wins.STL")

# What the game may import: Windows' own DLLs, nothing that a player would have to install.
system_dlls=" ADVAPI32.dll GDI32.dll GLU32.dll KERNEL32.dll msvcrt.dll OPENGL32.dll USER32.dll WINMM.dll "

# The tools the tests use, installed when missing.
packages=(wine wine64 libgl1 libgl1-mesa-dri xvfb xauth xdotool x11-apps imagemagick tmux locales
    binutils-mingw-w64-x86-64 unzip)

passed=0
failed=0
scratch=""
xvfb_pid=""
game_pid=""
terminal_sockets=() # one tmux server per terminal, so that none is reused while it closes

pass()
{
    echo "ok: $*"
    passed=$((passed + 1))
}

fail()
{
    echo "FAIL: $*"
    failed=$((failed + 1))
}

# check WHAT COMMAND...: one check, passed when the command succeeds.
check()
{
    local what=$1
    shift
    if "$@"; then
        pass "$what"
    else
        fail "$what"
    fi
}

finish()
{
    echo "artefacts: $artefacts"
    echo "$passed passed, $failed failed"
    if ((failed > 0)); then
        exit 1
    fi
    exit 0
}

#=== SET-UP AND CLEAN-UP
install_missing()
{
    local missing=() package
    for package in "${packages[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2> /dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    ((${#missing[@]} == 0)) && return
    echo "installing ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    if ! "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 update -q > /dev/null ||
        ! "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 \
            install -y -q --no-install-recommends "${missing[@]}" > /dev/null; then
        fail "installing ${missing[*]} failed (apt's message above)"
        finish
    fi
}

# shellcheck disable=SC2317  # run by the exit trap
# Ends what these tests started, by process id, the wine processes through their own prefix's
# server, and removes the scratch folder.
cleanup()
{
    stop_game
    local socket
    for socket in "${terminal_sockets[@]}"; do
        tmux -L "$socket" kill-server 2> /dev/null
    done
    if [ -n "$scratch" ] && [ -d "$scratch/prefix" ]; then
        WINEPREFIX=$scratch/prefix wineserver -k 2> /dev/null
        WINEPREFIX=$scratch/prefix wineserver -w 2> /dev/null
    fi
    if [ -n "$xvfb_pid" ] && kill -0 "$xvfb_pid" 2> /dev/null; then
        kill "$xvfb_pid"
        wait "$xvfb_pid" 2> /dev/null
    fi
    [ -n "$scratch" ] && rm -rf "$scratch"
}

stop_game()
{
    if [ -n "$game_pid" ] && kill -0 "$game_pid" 2> /dev/null; then
        kill "$game_pid" 2> /dev/null
        wait "$game_pid" 2> /dev/null
    fi
    game_pid=""
}

# A wine prefix of the tests' own; mono and gecko are not wanted, and wine stays quiet.
start_wine()
{
    export WINEPREFIX=$scratch/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    wineboot --init > "$artefacts/wineboot.txt" 2>&1 && wineserver -w
}

#=== RUNNING THE GAME
# start_game EXE FOLDER NAME: runs EXE under wine in FOLDER; standard output and error go to
# NAME.stdout.bin and NAME.stderr.txt among the artefacts.
start_game()
{
    (cd "$2" && exec wine "$1" > "$artefacts/$3.stdout.bin" 2> "$artefacts/$3.stderr.txt") &
    game_pid=$!
}

# Sets window to the id of the visible window "Game", waiting up to 60 s (less if the game
# started by start_game ends first).
wait_window()
{
    window=$(xvfb_find_window 60 "$game_pid")
}

# no_window NAME: the failure of a run whose window never came, with what is known of why: whether
# the game still runs (or how it ended), its error output, the windows there are and a picture of
# the screen.
no_window()
{
    local status=running
    if ! kill -0 "$game_pid" 2> /dev/null; then
        wait "$game_pid" 2> /dev/null
        status="ended with status $?"
    fi
    fail "$1: no window \"Game\" (the game: $status)"
    echo "  its error output ($artefacts/$1.stderr.txt):"
    tail -n 20 "$artefacts/$1.stderr.txt" | sed 's/^/    /'
    echo "  the windows on $DISPLAY:"
    xdotool search --name '.' 2> /dev/null | while read -r id; do
        echo "    $id \"$(xdotool getwindowname "$id" 2> /dev/null)\""
    done
    xwd -silent -root | convert xwd:- "$artefacts/$1-no-window.png"
    echo "  the screen: $artefacts/$1-no-window.png"
    stop_game
}

window_size()
{
    xwininfo -id "$window" | awk '/^ *Width:/ { w = $2 } /^ *Height:/ { h = $2 } END { print w "x" h }'
}

# Waits up to 30 s for a frame with the board in it: until the first frame the window is one
# flat colour.
wait_first_frame()
{
    local i
    for ((i = 0; i < 60; i++)); do
        grab first-frame
        (($(convert "$artefacts/first-frame.png" -format '%k' info:) > 100)) && return 0
        sleep 0.5
    done
    return 1
}

# With no window manager keys go nowhere until the window has been clicked once.
focus_window()
{
    xdotool mousemove --window "$window" 400 300 click 1
    sleep 0.5
}

keys()
{
    xdotool key --delay 40 "$@"
}

# wait_exit SECONDS: sets status to the game's exit status, or returns 1 if it still runs.
wait_exit()
{
    xvfb_wait_exit "$game_pid" "$1" || return 1
    status=$exit_status
    game_pid=""
}

expect_exit_zero()
{
    if ! wait_exit 15; then
        fail "$1: the game still runs 15 s after Esc"
        stop_game
    elif [ "$status" = 0 ]; then
        pass "$1: Esc ends the game with status 0"
    else
        fail "$1: Esc ends the game with status $status"
    fi
}

# shellcheck disable=SC2317  # run through check
starts_with()
{
    [[ $1 == "$2"* ]]
}

# Big5 text as a Windows program writes it to a file: every line ends with CR LF.
crlf()
{
    sed 's/$/\r/' "$@"
}

expect_same_bytes()
{
    if cmp -s "$1" "$2"; then
        pass "$3 ($(stat -c %s "$1") bytes)"
    else
        fail "$3: $(stat -c %s "$1") bytes against $(stat -c %s "$2") expected; $(cmp "$1" "$2" 2>&1 | head -n 1)"
    fi
}

#=== PICTURES
grab()
{
    xwd -silent -id "$window" | convert xwd:- "$artefacts/$1.png"
}

# The winning line's red: strong red with little green or blue, whatever the lighting does to it.
RED='r >= 0.4 && 3 * g < r && 3 * b < r'
DARK='max(r, max(g, b)) < 0.16'

# count PICTURE TEST: how many pixels pass the test.
count()
{
    convert "$1" -fx "$2" -format '%[fx:round(mean * w * h)]' info:
}

# red_box PICTURE: "left top right bottom" of the red pixels.
red_box()
{
    convert "$1" -fx "$RED" -trim -format '%[fx:page.x] %[fx:page.y] %[fx:page.x + w - 1] %[fx:page.y + h - 1]' info:
}

# project X Y Z: where a point of the stone frame shows in the 800 x 600 window ("x y" pixels from
# the top left) with the view unturned. The stone frame sits in the grid's frame at (47.85, 52.3, 6),
# halved and turned a quarter about x; the grid lies one unit under the board, which is scaled by
# 1.2 about its point (50, 50, 0); the eye is 150 units away with a vertical field of view of 45°.
project()
{
    awk -v sx="$1" -v sy="$2" -v sz="$3" 'BEGIN {
        gx = 47.85 + 0.5 * sx; gy = 52.3 - 0.5 * sz; gz = 6.0 + 0.5 * sy
        ex = 1.2 * (gx - 50); ey = 1.2 * (gy - 50); ez = 1.2 * (gz - 1) - 150
        f = 1 / (sin(22.5 * 3.14159265 / 180) / cos(22.5 * 3.14159265 / 180))
        nx = f / (800 / 600) * ex / -ez; ny = f * ey / -ez
        printf "%.0f %.0f\n", (nx + 1) / 2 * 800, (1 - ny) / 2 * 600 }'
}

# shellcheck disable=SC2317  # run through check
# near VALUE TARGET TOLERANCE
near()
{
    (($1 >= $2 - $3 && $1 <= $2 + $3))
}

# shellcheck disable=SC2317  # run through check
# The red pixels' box against the projected line: centred on it across, and ending where it ends.
red_line_over_five()
{
    near $(((box[0] + box[2]) / 2)) "$top_x" 6 && near "${box[1]}" "$line_top" 6 &&
        near "${box[3]}" "$line_bottom" 6
}

#=== THE TESTS
test_imports()
{
    local dll unexpected=""
    while read -r dll; do
        [[ $system_dlls == *" $dll "* ]] || unexpected+=" $dll"
    done < <(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
    check "the .exe imports only Windows' own DLLs${unexpected:+ (not:$unexpected)}" \
        test -z "$unexpected"
}

test_zip()
{
    local listing expected mesh ok=1
    listing=$(unzip -Z1 "$zip" | sort)
    expected=$(printf '%s\n' gomoku3d/ gomoku3d/gomoku3d.exe gomoku3d/README.txt \
        "${meshes[@]/#/gomoku3d/}" | sort)
    check "the zip holds one folder with the .exe, the five meshes and README.txt" \
        test "$listing" = "$expected"
    unzip -q -o "$zip" -d "$scratch/unpacked"
    for mesh in "${meshes[@]}"; do
        cmp -s "$root/assets/$mesh" "$scratch/unpacked/gomoku3d/$mesh" || ok=0
    done
    check "the zip's meshes are the ones in assets/" test $ok = 1
    check "the players' text has CR LF line ends" \
        test "$(grep -c $'\r$' "$scratch/unpacked/gomoku3d/README.txt")" = \
        "$(wc -l < "$scratch/unpacked/gomoku3d/README.txt")"
}

# The game from the unpacked zip: its window, a five of black and its red line, Esc, and the
# nine instruction lines alone on standard output.
test_play_to_five()
{
    local name=play-to-five before after i
    start_game "$scratch/unpacked/gomoku3d/gomoku3d.exe" "$scratch/unpacked/gomoku3d" $name
    if ! wait_window; then
        no_window "$name"
        return
    fi
    check "$name: the window \"Game\" is 800x600" test "$(window_size)" = 800x600
    if ! wait_first_frame; then
        fail "$name: no frame with the board within 30 s"
        stop_game
        return
    fi
    focus_window
    grab $name-0-empty
    check "$name: no red before the five" test "$(count "$artefacts/$name-0-empty.png" "$RED")" = 0
    before=$(count "$artefacts/$name-0-empty.png" "$DARK")

    # The cursor starts on cell (9, 9); a and d step the row, s and w the column. Black fills
    # row 9 from column 9 outwards, white answers on row 8, and black's fifth stone, on (9, 7),
    # completes columns 7 to 11.
    keys space a space d w space a space d w space a space d s s s space a space d s space
    for ((i = 0; i < 60; i++)); do
        grab $name-1-black-wins
        (($(count "$artefacts/$name-1-black-wins.png" "$RED") >= 400)) && break
        sleep 0.5
    done
    after=$(count "$artefacts/$name-1-black-wins.png" "$RED")
    check "$name: a red line appears ($after red pixels)" test "$after" -ge 400

    # The line of a five along row 9 centred on column 9 runs from (4, 5, -18) to (4, 5, 27.5) in
    # the stone frame: upright on the screen, over the five.
    read -r top_x line_top < <(project 4 5 -18)
    read -r bottom_x line_bottom < <(project 4 5 27.5)
    read -r -a box < <(red_box "$artefacts/$name-1-black-wins.png")
    echo "red from (${box[0]}, ${box[1]}) to (${box[2]}, ${box[3]}); the line's ends project to" \
        "($top_x, $line_top) and ($bottom_x, $line_bottom)"
    check "$name: the red line lies where the five is" red_line_over_five
    after=$(count "$artefacts/$name-1-black-wins.png" "$DARK")
    check "$name: the black banner darkens the picture ($before dark pixels, then $after)" \
        test "$after" -ge $((before + 20000))

    keys Escape
    expect_exit_zero $name
    crlf "$expected_dir/expected_instructions.big5" > "$artefacts/$name.expected.bin"
    expect_same_bytes "$artefacts/$name.stdout.bin" "$artefacts/$name.expected.bin" \
        "$name: standard output is the nine lines in Big5 with CR LF"
}

# The game started in an empty folder: five reports after the instructions, the window anyway.
test_missing_meshes()
{
    local name=missing-meshes i
    mkdir -p "$scratch/empty"
    start_game "$exe" "$scratch/empty" $name
    if ! wait_window; then
        no_window "$name"
        return
    fi
    check "$name: the window \"Game\" is 800x600 even with no meshes" \
        test "$(window_size)" = 800x600
    focus_window
    keys Escape
    expect_exit_zero $name
    {
        crlf "$expected_dir/expected_instructions.big5"
        for ((i = 0; i < 5; i++)); do
            crlf "$expected_dir/expected_missing_mesh_report.big5"
        done
    } > "$artefacts/$name.expected.bin"
    expect_same_bytes "$artefacts/$name.stdout.bin" "$artefacts/$name.expected.bin" \
        "$name: standard output is the nine lines, then five reports"
}

# in_terminal NAME SETTINGS COMMAND: runs COMMAND under wine in a 120 x 30 terminal of its own
# (a tmux server and session named by terminal_socket), with the environment SETTINGS, in the
# folder console-NAME; its exit status goes to the file "status" there.
in_terminal()
{
    mkdir -p "$scratch/console-$1"
    rm -f "$scratch/console-$1/status"
    terminal_socket=gomoku3d-windows-test-$$-${#terminal_sockets[@]}
    terminal_sockets+=("$terminal_socket")
    tmux -L "$terminal_socket" new-session -d -x 120 -y 30 -c "$scratch/console-$1" \
        "env $2 DISPLAY=$DISPLAY WINEPREFIX=$WINEPREFIX WINEDEBUG=-all \
         WINEDLLOVERRIDES='mscoree,mshtml=' $3 2> '$artefacts/console-$1.stderr.txt';
         echo \$? > '$scratch/console-$1/status'; sleep 600"
}

# wait_terminal NAME: waits up to 30 s for the command in the terminal to end.
wait_terminal()
{
    local i
    for ((i = 0; i < 300; i++)); do
        [ -s "$scratch/console-$1/status" ] && return 0
        sleep 0.1
    done
    return 1
}

# The game on a console, in a terminal: the text must read as Chinese whatever the console's
# code page, and every mesh report starts at column 0 of row 7, over the one before. Runs in an
# empty folder, so all five meshes are reported.
test_console()
{
    local name=$1 code_page=$2 settings=$3 screen expected row line
    # First, that the settings give the console the code page this case is about.
    in_terminal "$name" "$settings" "wine cmd /c chcp"
    wait_terminal "$name"
    screen=$(tmux -L "$terminal_socket" capture-pane -p)
    tmux -L "$terminal_socket" kill-server
    check "console-$name: the console shows code page $code_page" \
        grep -q ": $code_page\$" <<< "$screen"

    in_terminal "$name" "$settings" "wine '$exe'"
    if ! wait_window; then
        fail "console-$name: no window \"Game\" within 60 s"
        tmux -L "$terminal_socket" kill-server
        return
    fi
    screen=$(tmux -L "$terminal_socket" capture-pane -p)
    printf '%s\n' "$screen" > "$artefacts/console-$name.screen.txt"

    # Rows 0 to 6 hold the first seven lines; the report's two lines start rows 7 and 8, over
    # the last two instruction lines; nothing is below them.
    expected=$(head -n 7 "$expected_dir/instructions.utf8.txt")
    check "console-$name: the first seven instruction lines read as written" \
        test "$(sed -n 1,7p <<< "$screen")" = "$expected"
    for row in 0 1; do
        line=$(sed -n "$((row + 1))p" "$expected_dir/missing_mesh_report.utf8.txt")
        check "console-$name: row $((7 + row)) starts with the report's line $((row + 1))" \
            starts_with "$(sed -n "$((8 + row))p" <<< "$screen")" "$line"
    done
    check "console-$name: nothing below row 8" test -z "$(sed -n '10,$p' <<< "$screen" | tr -d ' ')"

    focus_window
    keys Escape
    wait_terminal "$name"
    check "console-$name: Esc ends the game with status 0" \
        test "$(cat "$scratch/console-$name/status" 2> /dev/null)" = 0
    tmux -L "$terminal_socket" kill-server
}

main()
{
    install_missing
    rm -rf "$artefacts"
    mkdir -p "$artefacts"
    if [ ! -f "$exe" ] || [ ! -f "$zip" ]; then
        fail "no $exe or $zip: run tools/windows-build.sh first"
        finish
    fi
    local file
    for file in expected_instructions.big5 expected_missing_mesh_report.big5 instructions.utf8.txt \
        missing_mesh_report.utf8.txt; do
        if [ ! -f "$expected_dir/$file" ]; then
            fail "the expected text $expected_dir/$file is missing"
            finish
        fi
    done
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/gomoku3d-windows-test.XXXXXX")
    trap cleanup EXIT
    trap 'exit 1' INT TERM HUP
    if ! xvfb_start "$scratch"; then
        fail "Xvfb did not start: $(cat "$scratch/xvfb.log")"
        finish
    fi
    if ! start_wine; then
        fail "wine could not make its prefix (see $artefacts/wineboot.txt)"
        finish
    fi
    echo "wine $(wine --version) on $DISPLAY"

    test_imports
    test_zip
    test_play_to_five
    test_missing_meshes

    # A console on the US code page 437 gets the text as UTF-16; one on code page 950 gets the
    # Big5 bytes as they stand. Wine takes the code page from the locale, and shows the console
    # in a terminal in the locale's own charset; zh_TW.UTF-8 is built for the test.
    test_console cp437 437 "LANG=C.UTF-8 LC_ALL=C.UTF-8"
    mkdir -p "$scratch/locales"
    if localedef -i zh_TW -f UTF-8 "$scratch/locales/zh_TW.UTF-8" > /dev/null 2>&1 ||
        [ -f "$scratch/locales/zh_TW.UTF-8/LC_CTYPE" ]; then
        test_console cp950 950 "LOCPATH=$scratch/locales LANG=zh_TW.UTF-8 LC_ALL=zh_TW.UTF-8"
    else
        fail "could not build the zh_TW.UTF-8 locale for the code page 950 console"
    fi
    finish
}

main
