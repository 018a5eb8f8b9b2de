#!/usr/bin/env bash
# Builds the benchmarks into build-bench/ and prints the figures: frame rates (empty board, full
# board, the straightforward variant, a sweep over stone sizes), the STL reader against assimp,
# start-up time, and the browser build's frame rate in headless Chromium. Figures, not
# pass/fail; they depend on the machine and its load, which is printed with them.
# Usage: tools/bench.sh [all|frames|reader|startup|web]
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/tools/strict.sh"
# shellcheck source=tools/packages.sh
source "$root/tools/packages.sh"
build="$root/build-bench"
what=${1:-all}
case "$what" in
all | frames | reader | startup | web) ;;
*)
    echo "usage: $0 [all|frames|reader|startup|web]" >&2
    exit 2
    ;;
esac

# What the benchmarks need beyond the game's own packages: assimp to compare the reader with, and
# Chromium to run the page in.
install_missing libassimp-dev chromium

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DGOMOKU_BUILD_TESTS=OFF \
    -DGOMOKU_BUILD_BENCH=ON >/dev/null
targets=(gomoku3d frame_bench variant_stone startup_bench reader_bench)
cmake --build "$build" -j2 --target "${targets[@]}" >/dev/null

work=$(mktemp -d)
# shellcheck source=tools/xvfb.sh
source "$root/tools/xvfb.sh"
# shellcheck source=tools/browser.sh
source "$root/tools/browser.sh"
cleanup() {
    browser_stop
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

load() {
    cut -d' ' -f1-3 /proc/loadavg
}

# The game's five meshes: the committed ones, or freshly generated when some are missing.
meshes="$work/game"
mkdir -p "$meshes"
names=("plane.STL" "lines.STL" "circle.STL" "black wins.STL" "white wins.STL")
have_all=1
for name in "${names[@]}"; do
    [ -f "$root/assets/$name" ] || have_all=0
done
if [ "$have_all" = 1 ]; then
    for name in "${names[@]}"; do
        cp "$root/assets/$name" "$meshes/"
    done
else
    cmake --build "$build" -j2 --target meshgen >/dev/null
    "$build/tools/meshgen" "$meshes" >/dev/null
fi

# A private X server, so the figures do not depend on anyone else's windows.
if ! xvfb_start "$work"; then
    echo "bench: Xvfb did not start: $(cat "$work/xvfb.log")" >&2
    exit 1
fi

echo "gomoku3d benchmarks, $(nproc) cores, $(uname -m), load average $(load) at the start"
echo

frames_section() {
    local frames=60 repetitions=5
    echo "== Frames: real onDisplay, 800 x 600 window, median of $repetitions x $frames frames"
    # The variant: a 770-triangle stone of the same size.
    local variant="$work/variant"
    mkdir -p "$variant"
    cp "$meshes"/*.STL "$variant/"
    "$build/bench/variant_stone" "$meshes/circle.STL" "$variant/circle.STL" 35 12

    local game_out variant_out
    game_out=$(cd "$meshes" && "$build/bench/frame_bench" $frames $repetitions "$work/full.ppm")
    variant_out=$(cd "$variant" && "$build/bench/frame_bench" $frames $repetitions)
    local g_tri g_empty g_full v_tri v_empty v_full
    g_tri=$(awk '$1 == "stone_triangles" { print $2 }' <<<"$game_out")
    g_empty=$(awk '$1 == "empty_fps" { print $2 }' <<<"$game_out")
    g_full=$(awk '$1 == "full_fps" { print $2 }' <<<"$game_out")
    v_tri=$(awk '$1 == "stone_triangles" { print $2 }' <<<"$variant_out")
    v_empty=$(awk '$1 == "empty_fps" { print $2 }' <<<"$variant_out")
    v_full=$(awk '$1 == "full_fps" { print $2 }' <<<"$variant_out")
    awk '$1 == "renderer" { $1 = "GL renderer:"; print }' <<<"$game_out"
    printf '%-44s %8s %8s %10s\n' "" "empty" "full" "full/empty"
    printf '%-44s %8.1f %8.1f %10.2f\n' "game ($g_tri-triangle stone)" \
        "$g_empty" "$g_full" "$(awk -v a="$g_full" -v b="$g_empty" 'BEGIN { print a / b }')"
    printf '%-44s %8.1f %8.1f %10.2f\n' "variant ($v_tri-triangle stone)" \
        "$v_empty" "$v_full" "$(awk -v a="$v_full" -v b="$v_empty" 'BEGIN { print a / b }')"
    printf 'full board, game / variant: %.2f x\n' \
        "$(awk -v a="$g_full" -v b="$v_full" 'BEGIN { print a / b }')"
    if command -v convert >/dev/null 2>&1; then
        mkdir -p "$build/screenshots"
        convert "$work/full.ppm" "$build/screenshots/full_board.png"
        echo "screenshot of the full board: $build/screenshots/full_board.png"
    fi

    echo
    echo "== Full-board rate by stone size (stand-in stones of the game stone's size)"
    printf '%10s %14s\n' "triangles" "full fps"
    local sweep="$work/sweep"
    mkdir -p "$sweep"
    cp "$meshes"/*.STL "$sweep/"
    local segments bands
    for size in "16 5" "16 7" "24 7" "24 9" "32 10" "35 12"; do
        read -r segments bands <<<"$size"
        "$build/bench/variant_stone" "$meshes/circle.STL" "$sweep/circle.STL" "$segments" "$bands"
        local full
        full=$(cd "$sweep" && "$build/bench/frame_bench" 40 3 | awk '$1 == "full_fps" { print $2 }')
        printf '%10d %14.1f\n' $((2 * segments * (bands - 1))) "$full"
    done
    echo
}

reader_section() {
    local facets=1000000 rounds=5
    echo "== STL reader: $facets-facet files, each read in a child process, interleaved"
    local files="$work/reader"
    mkdir -p "$files"
    "$build/bench/reader_bench" generate "$files" $facets
    "$build/bench/reader_bench" compare "$files" $rounds
    echo "(stream = formatted istream extraction, the way the reader first worked, one round;"
    echo " peak MB = growth of the resident set while reading; beyond array = that less the"
    echo " result array of 48 bytes a facet)"
    rm -rf "$files"
    echo
}

startup_section() {
    echo "== Start-up"
    (cd "$meshes" && "$build/bench/startup_bench" share 20)
    "$build/bench/startup_bench" exec "$build/gomoku3d" "$meshes" 5
    echo
}

# The page's own frame rate: the full board in headless Chromium, frames counted as the browser
# draws them (it draws at most one a display refresh), next to the native game's full board.
web_section() {
    echo "== Full board in the browser, next to the native game"
    bash "$root/tools/web.sh" --build >"$work/web-build.log" 2>&1 ||
        { cat "$work/web-build.log" >&2 && return 1; }
    serve_start "$root/build-web/web" "$work/http.log"
    chromium_start "$work/browser" || { echo "bench: Chromium did not start" >&2; return 1; }
    local cdp=(python3 "$root/tools/cdp.py" "$devtools_port") fill _ emulation
    # A viewport in which the page's canvas is 800 x 600, as the native game's window is.
    "${cdp[@]}" emulate 1328 820 >"$work/emulation" &
    emulation=$!
    for _ in $(seq 100); do grep -q ready "$work/emulation" && break; sleep 0.1; done
    "${cdp[@]}" open "http://127.0.0.1:$server_port/index.html"
    for _ in $(seq 100); do
        [ "$("${cdp[@]}" eval 'typeof Module == "object" && Module.calledRun === true')" = true ] && break
        sleep 0.2
    done
    sleep 2
    # rate: frames a second over five seconds, counted by the page's own animation frames.
    local rate='new Promise(done => { let frames = 0; const start = performance.now();
        const tick = now => { frames++; if (now - start < 5000) requestAnimationFrame(tick);
                              else done((frames * 1000 / (now - start)).toFixed(1)); };
        requestAnimationFrame(tick); })'
    local empty full native
    empty=$("${cdp[@]}" eval "$rate" | tr -d '"')
    read -r -a fill < <(awk -f "$root/tools/full-board.awk")
    "${cdp[@]}" keys "${fill[@]}"
    sleep 2
    full=$("${cdp[@]}" eval "$rate" | tr -d '"')
    mkdir -p "$build/screenshots"
    "${cdp[@]}" shot "$build/screenshots/web_full_board.png"
    # The browser draws on both cores while it runs: the native figure is taken without it.
    kill "$emulation" && wait "$emulation" 2>/dev/null
    browser_stop
    native=$(cd "$meshes" && "$build/bench/frame_bench" 60 5 | awk '$1 == "full_fps" { print $2 }')
    echo "$(chromium --version 2>/dev/null | head -n 1), headless, WebGL in SwiftShader"
    printf '%-44s %8s %8s\n' "" "empty" "full"
    printf '%-44s %8.1f %8.1f\n' "browser (frames drawn a second)" "$empty" "$full"
    printf '%-44s %8s %8.1f\n' "native (frame_bench, glFinish every frame)" "" "$native"
    echo "screenshot of the full board in the browser: $build/screenshots/web_full_board.png"
    echo
}

case "$what" in
all)
    frames_section
    reader_section
    startup_section
    web_section
    ;;
web) web_section ;;
frames) frames_section ;;
reader) reader_section ;;
startup) startup_section ;;
esac
echo "load average $(load) at the end"
