# Shared helpers for the end-to-end scripts: a private Xvfb, the game started in a scratch folder,
# waiting for its window, synthetic keys, screenshots, and clean-up on every way out.
# Sourced, never run; each script calls e2e_begin first.
# shellcheck shell=bash disable=SC2034  # the E2E_ results are read by the scripts that source this

# Every call on the X server runs under a timeout, so a stuck server or game fails the test
# with a message instead of running into ctest's own limit.

# Exit statuses understood by ctest (SKIP_RETURN_CODE is 77 in tests/e2e/CMakeLists.txt).
E2E_PASS=0
E2E_FAIL=1
E2E_SKIP=77

# The five meshes the game reads from its working folder, in model order.
E2E_MESHES=("plane.STL" "lines.STL" "circle.STL" "black wins.STL" "white wins.STL")

E2E_HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tools/xvfb.sh
source "$E2E_HERE/../../tools/xvfb.sh"
E2E_XVFB_PID=""
E2E_GAME_PID=""
E2E_SCRATCH=""
E2E_PAINTED=0
E2E_FAILURES=0

# e2e_begin NAME GAME ASSETS ARTEFACTS: checks the arguments, makes the artefact folder
# ARTEFACTS/NAME (emptied first) and a scratch working folder, and arms the clean-up.
e2e_begin()
{
    if (($# != 4)); then
        echo "usage: $(basename "$0") GAME_EXECUTABLE ASSETS_DIR ARTEFACTS_DIR"
        exit $E2E_FAIL
    fi
    E2E_NAME=$1
    E2E_GAME=$2
    E2E_ASSETS=$3
    E2E_ARTEFACTS=$4/$1
    if [[ ! -x $E2E_GAME ]]; then
        echo "FAIL: no game executable at '$E2E_GAME'"
        exit $E2E_FAIL
    fi
    for tool in Xvfb xdotool xwd convert iconv python3; do
        if ! command -v "$tool" > /dev/null; then
            echo "FAIL: the tool '$tool' is not installed"
            exit $E2E_FAIL
        fi
    done
    rm -rf "$E2E_ARTEFACTS"
    mkdir -p "$E2E_ARTEFACTS"
    # Inside the artefact folder, so that a run killed before its clean-up leaves nothing
    # behind that the next run does not remove.
    E2E_SCRATCH=$E2E_ARTEFACTS/scratch
    mkdir -p "$E2E_SCRATCH"
    trap e2e_cleanup EXIT
    trap 'exit $E2E_FAIL' INT TERM HUP
    echo "artefacts: $E2E_ARTEFACTS"
}

# Ends what this script started, by process id, and removes the scratch folder.
e2e_cleanup()
{
    if [[ -n $E2E_GAME_PID ]] && kill -0 "$E2E_GAME_PID" 2> /dev/null; then
        kill "$E2E_GAME_PID" 2> /dev/null
        wait "$E2E_GAME_PID" 2> /dev/null
    fi
    if [[ -n $E2E_XVFB_PID ]] && kill -0 "$E2E_XVFB_PID" 2> /dev/null; then
        kill "$E2E_XVFB_PID" 2> /dev/null
        wait "$E2E_XVFB_PID" 2> /dev/null
    fi
    if [[ -n $E2E_SCRATCH && -d $E2E_SCRATCH ]]; then
        rm -rf "$E2E_SCRATCH"
    fi
}

e2e_fail()
{
    echo "[${SECONDS}s] FAIL: $*"
    E2E_FAILURES=$((E2E_FAILURES + 1))
}

# Stops the script at once: used where nothing after a failed step could be checked.
e2e_abort()
{
    echo "[${SECONDS}s] FAIL: $*"
    exit $E2E_FAIL
}

e2e_pass()
{
    echo "[${SECONDS}s] ok: $*"
}

# The script's last word: failed if any check failed.
e2e_finish()
{
    if ((E2E_FAILURES > 0)); then
        echo "$E2E_NAME: $E2E_FAILURES check(s) failed; artefacts in $E2E_ARTEFACTS"
        exit $E2E_FAIL
    fi
    echo "$E2E_NAME: all checks passed; artefacts in $E2E_ARTEFACTS"
    exit $E2E_PASS
}

# Skips the test (exit 77) unless all five meshes are in the assets folder.
e2e_require_meshes()
{
    local mesh
    for mesh in "${E2E_MESHES[@]}"; do
        if [[ ! -s $E2E_ASSETS/$mesh ]]; then
            echo "SKIP: the mesh '$mesh' is not in $E2E_ASSETS yet; this test needs all five"
            exit $E2E_SKIP
        fi
    done
}

e2e_copy_meshes()
{
    local mesh
    for mesh in "${E2E_MESHES[@]}"; do
        cp "$E2E_ASSETS/$mesh" "$E2E_SCRATCH/"
    done
}

# Starts Xvfb on a display number it picks itself and points DISPLAY at it, replacing any
# display the caller had, so scripts running side by side never share a screen.
e2e_start_xvfb()
{
    # -br: a black root window, so a window that has not been painted yet grabs as all black.
    if ! xvfb_start "$E2E_SCRATCH" -br; then
        cp "$E2E_SCRATCH/xvfb.log" "$E2E_ARTEFACTS/xvfb.stderr.txt" 2> /dev/null
        e2e_abort "Xvfb did not start"
    fi
    E2E_XVFB_PID=$xvfb_pid
    echo "Xvfb on $DISPLAY"
}

# e2e_start_game [ARG...]: runs the game in the scratch folder with its standard output and
# standard error going to files in the artefact folder.
# shellcheck disable=SC2120  # most scripts start the game with no arguments
e2e_start_game()
{
    E2E_STDOUT=$E2E_ARTEFACTS/stdout.bin
    E2E_STDERR=$E2E_ARTEFACTS/stderr.txt
    (cd "$E2E_SCRATCH" && exec "$E2E_GAME" "$@" > "$E2E_STDOUT" 2> "$E2E_STDERR") &
    E2E_GAME_PID=$!
}

# Sets E2E_WINDOW to the id of the mapped window titled "Game", waiting up to 15 s.
e2e_wait_window()
{
    E2E_WINDOW=$(xvfb_find_window 15 "$E2E_GAME_PID") || true
    if [[ -z $E2E_WINDOW ]]; then
        kill -0 "$E2E_GAME_PID" 2> /dev/null || e2e_abort "the game ended before its window showed"
        e2e_abort "no visible window named 'Game' within 15 s"
    fi
}

# Sets E2E_WIN_X, E2E_WIN_Y (position on the screen) and E2E_WIN_W, E2E_WIN_H (size).
e2e_window_geometry()
{
    local info
    info=$(timeout 20 xdotool getwindowgeometry --shell "$E2E_WINDOW") ||
        e2e_abort "could not read the geometry of window $E2E_WINDOW"
    E2E_WIN_X=$(sed -n 's/^X=//p' <<< "$info")
    E2E_WIN_Y=$(sed -n 's/^Y=//p' <<< "$info")
    E2E_WIN_W=$(sed -n 's/^WIDTH=//p' <<< "$info")
    E2E_WIN_H=$(sed -n 's/^HEIGHT=//p' <<< "$info")
}

# Moves the window to the screen's top left corner if any of it lies off the screen (with no
# window manager, freeglut's own placement leaves the window at -1,-1), so that every pixel of
# it can be grabbed.
e2e_window_fully_on_screen()
{
    if ((E2E_WIN_X < 0 || E2E_WIN_Y < 0)); then
        timeout 20 xdotool windowmove --sync "$E2E_WINDOW" 0 0 ||
            e2e_abort "could not move the window"
        e2e_window_geometry
    fi
    if ((E2E_WIN_X < 0 || E2E_WIN_Y < 0)); then
        e2e_abort "the window stays at $E2E_WIN_X,$E2E_WIN_Y, partly off the screen"
    fi
}

# Puts the pointer over the window and gives it the keyboard focus (there is no window
# manager to do either).
e2e_focus()
{
    timeout 20 xdotool mousemove --window "$E2E_WINDOW" $((E2E_WIN_W / 2)) $((E2E_WIN_H / 2)) ||
        e2e_abort "could not move the pointer over the window"
    timeout 20 xdotool windowfocus --sync "$E2E_WINDOW" || e2e_abort "could not focus the window"
}

# e2e_keys KEY...: types the keys (X keysym names) into the focused window, one after another.
e2e_keys()
{
    if (($# > 3)) && [[ $(printf '%s\n' "$@" | sort -u | wc -l) == 1 ]]; then
        echo "[${SECONDS}s] keys: $1 x $#"
    else
        echo "[${SECONDS}s] keys: $*"
    fi
    timeout 60 xdotool key --delay 15 "$@" || e2e_abort "xdotool could not send the keys: $*"
}

# Waits up to 15 s for the game's first frame: the window is mapped before the models are
# uploaded and the main loop starts, and until then it grabs as all black.
e2e_wait_first_frame()
{
    local i brightest
    e2e_window_fully_on_screen
    for ((i = 0; i < 150; i++)); do
        brightest=$(timeout 20 xwd -silent -id "$E2E_WINDOW" |
            convert xwd:- -format '%[max]' info:) || e2e_abort "could not grab the window"
        if [[ $brightest != 0 ]]; then
            E2E_PAINTED=1
            return 0
        fi
        sleep 0.1
    done
    e2e_abort "the window stayed black for 15 s: no frame was drawn"
}

# e2e_grab FILE: one grab of the window, in X's own dump format (two grabs of the same
# picture are byte for byte the same file).
e2e_grab()
{
    if ((E2E_PAINTED == 0)); then
        e2e_wait_first_frame
    fi
    timeout 20 xwd -silent -id "$E2E_WINDOW" > "$1" || e2e_abort "could not grab the window"
}

# e2e_keep GRAB NAME: keeps a grab as ARTEFACTS/NAME.png, with the grab itself beside it in the
# scratch folder; sets E2E_SHOT to the picture and E2E_SHOT_GRAB to the grab.
e2e_keep()
{
    E2E_SHOT=$E2E_ARTEFACTS/$2.png
    E2E_SHOT_GRAB=$E2E_SCRATCH/$2.xwd
    [[ $1 == "$E2E_SHOT_GRAB" ]] || cp "$1" "$E2E_SHOT_GRAB"
    convert "xwd:$E2E_SHOT_GRAB" "png:$E2E_SHOT" || e2e_abort "could not save $E2E_SHOT"
}

# e2e_shot NAME: the window's picture once two grabs a moment apart agree, kept as NAME. Only
# meant for a state with no input on its way: a game slowed down by a busy machine can look
# settled while keys still wait for it, so after keys use the e2e_wait_until_ helpers.
e2e_shot()
{
    local previous=$E2E_SCRATCH/shot-previous.xwd
    local current=$E2E_SCRATCH/shot-current.xwd
    local i
    e2e_grab "$previous"
    for ((i = 0; i < 50; i++)); do
        sleep 0.1
        e2e_grab "$current"
        if cmp -s "$previous" "$current"; then
            e2e_keep "$current" "$1"
            return 0
        fi
        mv "$current" "$previous"
    done
    e2e_abort "the picture did not settle within 5 s"
}

# e2e_wait_until_differs REFERENCE_GRAB NAME SECONDS: waits for the picture to differ from the
# reference, then keeps it as NAME once it has settled. Returns 1 if it never differs.
e2e_wait_until_differs()
{
    local current=$E2E_SCRATCH/wait-current.xwd
    local deadline=$((SECONDS + $3))
    while ((SECONDS <= deadline)); do
        e2e_grab "$current"
        if ! cmp -s "$1" "$current"; then
            e2e_shot "$2"
            return 0
        fi
        sleep 0.1
    done
    e2e_keep "$current" "$2"
    return 1
}

# e2e_wait_until_same REFERENCE_GRAB NAME SECONDS: waits for the picture to be the reference
# again, and keeps it as NAME (the last grab, when it never comes back). Returns 1 if it never
# comes back.
e2e_wait_until_same()
{
    local current=$E2E_SCRATCH/wait-current.xwd
    local deadline=$((SECONDS + $3))
    while ((SECONDS <= deadline)); do
        e2e_grab "$current"
        if cmp -s "$1" "$current"; then
            e2e_keep "$current" "$2"
            return 0
        fi
        sleep 0.1
    done
    e2e_keep "$current" "$2"
    return 1
}

# e2e_wait_exit SECONDS: waits for the game to end; sets E2E_GAME_STATUS, or aborts if it is
# still running after SECONDS.
e2e_wait_exit()
{
    xvfb_wait_exit "$E2E_GAME_PID" "$1" || e2e_abort "the game is still running $1 s later"
    E2E_GAME_STATUS=$exit_status
    E2E_GAME_PID=""
}

# e2e_expect_exit_zero WHAT: after WHAT, the game must end within 5 s with status 0.
e2e_expect_exit_zero()
{
    e2e_wait_exit 5
    if [[ $E2E_GAME_STATUS == 0 ]]; then
        e2e_pass "$1 ended the game with status 0"
    else
        e2e_fail "$1 ended the game with status $E2E_GAME_STATUS, not 0"
    fi
}

# e2e_expect_window_size W H
e2e_expect_window_size()
{
    if [[ $E2E_WIN_W == "$1" && $E2E_WIN_H == "$2" ]]; then
        e2e_pass "the window is ${1}x${2}"
    else
        e2e_fail "the window is ${E2E_WIN_W}x${E2E_WIN_H}, not ${1}x${2}"
    fi
}

# e2e_expected_big5 NAME: sets E2E_EXPECTED to the checked-in expected_NAME.big5 beside the
# scripts, after making sure it still is the Big5 form of the readable text NAME.utf8.txt.
e2e_expected_big5()
{
    E2E_EXPECTED=$E2E_HERE/expected_$1.big5
    local text=$E2E_HERE/$1.utf8.txt
    if ! iconv -f UTF-8 -t BIG5 "$text" | cmp -s - "$E2E_EXPECTED"; then
        e2e_abort "$E2E_EXPECTED is not the Big5 form of $text; regenerate it with iconv"
    fi
}

# e2e_expect_same_bytes ACTUAL EXPECTED WHAT
e2e_expect_same_bytes()
{
    if cmp -s "$1" "$2"; then
        e2e_pass "$3: $(stat -c %s "$1") bytes as expected"
    else
        e2e_fail "$3 differs from $2 ($(stat -c %s "$1") bytes against $(stat -c %s "$2")):"
        cmp "$1" "$2" | head -n 3
    fi
}
