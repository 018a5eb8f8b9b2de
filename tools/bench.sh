#!/usr/bin/env bash
# Builds the benchmarks into build-bench/ (the browser's into build-bench/web/) and prints the
# figures: frame rates (empty and full board, the game's frame and the reference frame that draws
# each stone by itself, the straightforward variant, a sweep over stone sizes), the STL reader
# against assimp, start-up time, the page's files and its load over a slow line, and the same
# frame rates in headless Chromium; with "engine", the computer player's figures (over an hour:
# its levels against each other, in freestyle and, refereed move by move, under exactly five and
# renju, its speed and depth, and the tournament brain against the BSD gomoku of bsdgames, 40
# games). Figures, not
# pass/fail; they depend on the machine and its load, which is printed with them. "thinking" (in
# "all" too): the longest gap between frames while the hard level thinks, natively and in the page,
# beside the frames and in slices, with one core busy; and its positions a second against the
# brain's.
# "tactics": the tactics suite (tests/data/tactics.txt) against the hard level and the brain, one
# second a position, or NODES positions a position for figures that do not depend on the machine.
# "page": the page's files and its load alone (no native build).
# "server": the online games' server under simulated players on the loopback (about 4 minutes):
# 5000 games on 10,000 connections, moves at 2000 a second, the relay's latency and the server's
# memory a connection, then rising rates until the 99th percentile passes 100 ms; and the
# database's commits timed alone.
# "servers": three servers sharing one PostgreSQL and one Redis, started by the benchmark, each
# game's two players at two of them (about 2 minutes).
# "sprt [BASE] [OPTIONS]": the tournament brain as it stands against the one built from the git
# revision BASE (by default the one in bench/sprt-base: the last whose strength was measured),
# until a sequential test decides (bench/brain_match.py; its options pass through).
# Usage: tools/bench.sh [all|frames|reader|startup|web|page|thinking|engine|server|servers|tactics [NODES]]
#        ("all" leaves out engine, server and tactics)
#        tools/bench.sh sprt [BASE] [--nodes N | --time MS] [--elo0 E] [--elo1 E] [...]
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/tools/strict.sh"
# shellcheck source=tools/packages.sh
source "$root/tools/packages.sh"
build="$root/build-bench"
what=${1:-all}
case "$what" in
all | frames | reader | startup | web | page | thinking | engine | server | servers | tactics) ;;
sprt)
    shift
    exec bash "$root/tools/sprt.sh" "$@"
    ;;
*)
    echo "usage: $0 [all|frames|reader|startup|web|page|thinking|engine|server|servers|tactics [NODES]]" \
        "| $0 sprt [BASE] [OPTIONS]" >&2
    exit 2
    ;;
esac
tactics_nodes=${2:-}
if [ "$what" = tactics ] && [ -n "$tactics_nodes" ] && ! [[ "$tactics_nodes" =~ ^[1-9][0-9]*$ ]]; then
    echo "bench: NODES must be a positive number, not '$tactics_nodes'" >&2
    exit 2
fi

# What the benchmarks need beyond the game's own packages: assimp to compare the reader with, and
# Emscripten, Chromium and its driver for the pages. The tactics suite needs none of them, nor a
# display.
if [ "$what" != tactics ]; then
    install_missing libassimp-dev chromium chromium-driver python3-selenium
fi
if [ "$what" = all ] || [ "$what" = web ] || [ "$what" = page ] || [ "$what" = thinking ]; then
    install_missing --no-install-recommends emscripten
fi
if [ "$what" = engine ]; then
    install_missing bsdgames # the opponent the tournament brain is measured against
fi
if [ "$what" = server ] || [ "$what" = servers ] || [ "$what" = page ]; then
    install_missing libboost1.74-dev nlohmann-json3-dev libsqlite3-dev
fi
if [ "$what" = servers ]; then
    install_missing postgresql-15 libpq-dev redis-server libhiredis-dev
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DGOMOKU_BUILD_TESTS=OFF \
    -DGOMOKU_BUILD_BENCH=ON >/dev/null
targets=(gomoku3d frame_bench variant_stone startup_bench reader_bench engine_bench
    pbrain-gomoku3d thinking_bench)
if [ "$what" = tactics ]; then
    targets=(tactics_bench)
elif [ "$what" = server ]; then
    targets=(gomoku3d-server server_bench store_bench)
elif [ "$what" = servers ]; then
    targets=(gomoku3d-server server_bench)
elif [ "$what" = page ]; then
    targets=(gomoku3d-server) # the page's own server, which sends it gzipped
fi
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

if [ "$what" != tactics ]; then
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
fi

echo "gomoku3d benchmarks, $(nproc) cores, $(uname -m), load average $(load) at the start"
echo

# value KEY OUTPUT: the figure on frame_bench's line "KEY figure".
value() {
    awk -v key="$1" '$1 == key { print $2 }' <<<"$2"
}

# rates LABEL OUTPUT PREFIX: a row of the frame table, empty and full board and their ratio.
rates() {
    local empty full
    empty=$(value "${3}empty_fps" "$2")
    full=$(value "${3}full_fps" "$2")
    printf '%-48s %8.1f %8.1f %10.2f\n' "$1" "$empty" "$full" \
        "$(awk -v a="$full" -v b="$empty" 'BEGIN { print a / b }')"
}

frames_section() {
    local frames=60 repetitions=5
    echo "== Frames: 800 x 600 window, median of $repetitions x $frames frames, glFinish every frame"
    echo "   game: the game's onDisplay, each colour in one draw; reference: each stone by itself"
    # The variant: a 770-triangle stone of the same size.
    local variant="$work/variant"
    mkdir -p "$variant"
    cp "$meshes"/*.STL "$variant/"
    "$build/bench/variant_stone" "$meshes/circle.STL" "$variant/circle.STL" 35 12

    local game_out variant_out heap_out
    game_out=$(cd "$meshes" && "$build/bench/frame_bench" $frames $repetitions "$work/full.ppm")
    variant_out=$(cd "$variant" && "$build/bench/frame_bench" $frames $repetitions)
    # Without the heap setting the game makes at start (platform/heap.cpp).
    heap_out=$(cd "$meshes" && "$build/bench/frame_bench" --default-heap $frames 3)
    local g_tri v_tri
    g_tri=$(value stone_triangles "$game_out")
    v_tri=$(value stone_triangles "$variant_out")
    awk '$1 == "renderer" { $1 = "GL renderer:"; print }' <<<"$game_out"
    printf '%-48s %8s %8s %10s\n' "" "empty" "full" "full/empty"
    rates "game ($g_tri-triangle stone)" "$game_out" ""
    rates "reference, same stone" "$game_out" reference_
    rates "variant ($v_tri-triangle stone), game's frame" "$variant_out" ""
    rates "variant, reference" "$variant_out" reference_
    rates "game, with glibc's default heap (3 repetitions)" "$heap_out" ""
    rates "reference, with glibc's default heap" "$heap_out" reference_
    printf 'full board, game / reference: %.2f x; game / variant: %.2f x\n' \
        "$(awk -v a="$(value full_fps "$game_out")" -v b="$(value reference_full_fps "$game_out")" 'BEGIN { print a / b }')" \
        "$(awk -v a="$(value full_fps "$game_out")" -v b="$(value full_fps "$variant_out")" 'BEGIN { print a / b }')"
    printf 'stones buffer at most %d bytes; a placement on the full board uploads %d bytes in %.2f ms\n' \
        "$(value stone_buffer_bytes "$game_out")" "$(value placement_bytes "$game_out")" \
        "$(value placement_ms "$game_out")"
    printf '(the full board at once into the buffer as start-up leaves it, making its storage: %.2f ms)\n' \
        "$(value full_board_into_new_buffer_ms "$game_out")"
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

# rate: the frames the page draws over five seconds and the milliseconds they took, counted by
# its animation frames (the browser draws at most one a display refresh).
rate='new Promise(done => { let frames = 0; const start = performance.now();
    const tick = now => { frames++; if (now - start < 5000) requestAnimationFrame(tick);
                          else done(frames + " " + (now - start).toFixed(0)); };
    requestAnimationFrame(tick); })'

# gpu_ticks: the CPU time that the GPU process of the Chromium started here has used so far, in
# clock ticks: with WebGL in SwiftShader, the time the page's drawing takes.
gpu_ticks() {
    local pid
    pid=$(pgrep -f -- "--type=gpu-process.*--user-data-dir=$work/browser/profile" | head -n 1)
    awk '{ print $14 + $15 }' "/proc/$pid/stat"
}

# apart A.png B.png: how many pixels of two pictures of one size have a channel more than 1 of
# 255 apart, and the largest difference.
apart() {
    python3 - <(convert "$1" -strip ppm:-) <(convert "$2" -strip ppm:-) <<'PY'
import sys
def pixels(name):
    data = open(name, "rb").read()
    fields, end = [], 0
    while len(fields) < 4:  # P6, width, height, maximum, each ended by whitespace
        start = end
        while data[end:end + 1] not in b" \t\r\n": end += 1
        fields.append(data[start:end]); end += 1
    return data[end:]
a, b = pixels(sys.argv[1]), pixels(sys.argv[2])
worst = [max(abs(a[i + c] - b[i + c]) for c in range(3)) for i in range(0, len(a), 3)]
print(sum(w > 1 for w in worst), max(worst))
PY
}

# build_web TARGET...: the browser's build of the targets into build-bench/web/.
build_web() {
    export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
    if ! emcmake cmake -S "$root" -B "$build/web" -DCMAKE_BUILD_TYPE=Release \
        -DGOMOKU_BUILD_TESTS=OFF -DGOMOKU_BUILD_BENCH=ON >"$work/web-build.log" 2>&1 ||
        ! cmake --build "$build/web" -j2 --target "$@" >>"$work/web-build.log" 2>&1; then
        cat "$work/web-build.log" >&2
        return 1
    fi
}

# start_server DIR [OPTION...]: the game's server on a free port of the loopback, its database,
# output and log in DIR; sets the caller's `server` (its process) and `port`.
start_server() {
    local data=$1
    shift
    mkdir -p "$data"
    "$build/gomoku3d-server" --db "$data/games.sqlite" --port 0 "$@" >"$data/out" 2>"$data/log" &
    server=$! port=""
    for _ in $(seq 100); do
        port=$(sed -n 's|.*listening on http://[^:]*:\([0-9]*\)/$|\1|p' "$data/out")
        [ -n "$port" ] && return 0
        sleep 0.1
    done
    echo "bench: the game's server did not start: $(cat "$data/log")" >&2
    return 1
}

# The page's files, and its load over a slow line: the seconds until the game says whose turn
# it is, over a line of 1.6 Mbit/s with 150 ms of latency and the browser's cache off, three
# loads each in a fresh page, served by Python's static server (which compresses nothing) and by
# the game's own server as tools/web.sh starts it (which sends the files' gzipped copies).
page_section() {
    echo "== The page: its files, and its load over a line of 1.6 Mbit/s and 150 ms"
    build_web gomoku3d web_meshes web_gzipped || return 1
    local file size gzipped total=0 total_gzipped=0 run ready how
    local web="$build/web/web"
    printf '%-28s %9s %9s\n' "" "bytes" "gzipped"
    for file in index.html favicon.png gomoku3d.js gomoku3d.wasm meshes.js meshes.data thinker.js \
        thinker.wasm; do
        size=$(stat -c %s "$web/$file")
        gzipped=$size
        [ ! -f "$web/$file.gz" ] || gzipped=$(stat -c %s "$web/$file.gz")
        printf '%-28s %9d %9d\n' "$file" "$size" "$gzipped"
        total=$((total + size)) total_gzipped=$((total_gzipped + gzipped))
    done
    printf '%-28s %9d %9d\n' "the eight files" "$total" "$total_gzipped"
    serve_start "$build/web" "$work/http.log" # listening by the time Chromium has started
    chromium_start "$work/browser" || { echo "bench: Chromium did not start" >&2; return 1; }
    local server port url
    start_server "$work/page-server" --web "$web" || return 1
    for how in python game; do
        local times=()
        url="http://127.0.0.1:$server_port/web/index.html"
        [ "$how" = python ] || url="http://127.0.0.1:$port/"
        for run in 1 2 3; do
            browser open about:blank
            browser watch "$url" 15 throttle=1600,150 >"$work/load-$how-$run"
            ready=$(awk '$2 == "status" && / to move\.$/ { print $1; exit }' "$work/load-$how-$run")
            times+=("${ready:-never}")
        done
        if [ "$how" = python ]; then
            echo "ready after (s), Python's static server: ${times[*]}"
        else
            echo "ready after (s), the game's own server:  ${times[*]}"
        fi
    done
    kill "$server" && wait "$server" || true
    browser_stop
    echo
}

# The frame in headless Chromium: the frame page (bench/frame_page.cpp) with the game's frame and
# with the reference frame, on the empty and the full board, and the game's own page with the
# board filled by keys; then the native game's full board with the browser stopped.
web_section() {
    echo "== The frame in the browser, next to the native game"
    build_web gomoku3d web_meshes frame_page || return 1
    serve_start "$build/web" "$work/http.log"
    chromium_start "$work/browser" || { echo "bench: Chromium did not start" >&2; return 1; }
    local fill frame board
    # A viewport in which the pages' canvas is 800 x 600, as the native game's window is.
    browser emulate 1328 820
    local -A fps gpu
    mkdir -p "$build/screenshots"
    # measure KEY: the page's frames a second, and the GPU process's CPU milliseconds a frame.
    measure() {
        local before after frames ms
        before=$(gpu_ticks)
        read -r frames ms < <(browser eval "$rate" | tr -d '"')
        after=$(gpu_ticks)
        fps[$1]=$(awk -v f="$frames" -v ms="$ms" 'BEGIN { print f * 1000 / ms }')
        gpu[$1]=$(awk -v t=$((after - before)) -v hz="$(getconf CLK_TCK)" -v f="$frames" \
            'BEGIN { print t * 1000 / hz / f }')
    }
    # open_page PAGE: the page, once its program runs, and two seconds for its start.
    open_page() {
        browser open "http://127.0.0.1:$server_port/$1"
        for _ in $(seq 100); do
            [ "$(browser eval 'typeof Module == "object" && Module.calledRun === true')" = true ] && break
            sleep 0.2
        done
        sleep 2
    }
    for frame in reference game; do
        for board in empty full; do
            open_page "frame-page/index.html?$frame&$board"
            measure "$frame-$board"
            browser shot "$work/$frame-$board.png"
        done
    done
    cp "$work/game-full.png" "$build/screenshots/web_frame_page_full_board.png"
    local differ
    differ=$(apart "$work/reference-full.png" "$work/game-full.png")
    open_page web/index.html
    read -r -a fill < <(awk -f "$root/tools/full-board.awk")
    browser keys "${fill[@]}"
    sleep 2
    measure page-full
    browser shot "$build/screenshots/web_full_board.png"
    # The browser draws on both cores while it runs: the native figure is taken without it.
    browser_stop
    local native
    native=$(cd "$meshes" && "$build/bench/frame_bench" 60 5)
    echo "$(chromium --version 2>/dev/null | head -n 1), headless, WebGL in SwiftShader"
    printf '%-44s %17s %22s\n' "" "frames a second" "GPU process, ms a frame"
    printf '%-44s %8s %8s %11s %10s\n' "" "empty" "full" "empty" "full"
    for frame in reference game; do
        printf '%-44s %8.1f %8.1f %11.1f %10.1f\n' \
            "$([ $frame = game ] && echo "game's frame (each colour in one draw)" ||
                echo "reference (each stone by itself)")" \
            "${fps[$frame-empty]}" "${fps[$frame-full]}" "${gpu[$frame-empty]}" "${gpu[$frame-full]}"
    done
    printf '%-44s %8s %8.1f %11s %10.1f\n' "the game's page, the board filled by keys" "" \
        "${fps[page-full]}" "" "${gpu[page-full]}"
    printf '%-44s %8.1f %8.1f\n' "native reference (frame_bench)" \
        "$(value reference_empty_fps "$native")" "$(value reference_full_fps "$native")"
    printf '%-44s %8.1f %8.1f\n' "native game's frame (frame_bench)" \
        "$(value empty_fps "$native")" "$(value full_fps "$native")"
    read -r -a differ <<<"$differ"
    echo "full board in the browser, game's frame against the reference: ${differ[0]} pixels" \
        "apart by more than 1 of 255 (largest difference ${differ[1]})"
    page_sizes "$build/web/web"
    echo "screenshots of the full board in the browser: $build/screenshots/web_*.png"
    echo
}

# The computer player: its levels' matches and its speed in-process, then the tournament brain
# at one second a move against the BSD gomoku, two games at a time on the two cores.
engine_section() {
    echo "== The engine: speed and depth of the hard level, one second a move, fixed positions"
    "$build/bench/engine_bench" speed 1000
    echo
    echo "== The engine's levels against each other, 40 games each, colours alternating"
    "$build/bench/engine_bench" levels 40 1
    echo
    echo "== The levels under exactly five and renju on 15 x 15, 40 games each, colours alternating,"
    echo "   hard at 100,000 positions a move, every move checked by the tests' referee"
    "$build/bench/engine_bench" rules 40 1 100000
    echo
    echo "== The tournament brain against the BSD gomoku (19 x 19, freestyle), 40 games"
    python3 "$root/bench/bsd_match.py" "$build/pbrain-gomoku3d" --games 40 --parallel 2 \
        --turn-ms 1000 --log "$build/bsd-match"
    echo
}

# The tactics suite: every position with a second (or NODES positions) for the hard level, then
# the same for the brain through its BOARD command; one position at a time, so that the second
# is the machine's and not shared with another search.
tactics_section() {
    local limit=(--ms 1000) what="one second a position"
    if [ -n "$tactics_nodes" ]; then
        limit=(--nodes "$tactics_nodes") what="$tactics_nodes positions a position"
    fi
    echo "== The tactics suite, $what"
    "$build/bench/tactics_bench" "$root/tests/data/tactics.txt" "${limit[@]}" --failed
    echo
    "$build/bench/tactics_bench" "$root/tests/data/tactics.txt" "${limit[@]}" --brain
    echo
}

# The page's files and their sizes, as the page loads them.
page_sizes() {
    local file total=0
    echo "the page's files, in bytes:"
    for file in "$1"/*; do
        printf '  %-16s %9d\n' "$(basename "$file")" "$(stat -c %s "$file")"
        total=$((total + $(stat -c %s "$file")))
    done
    printf '  %-16s %9d\n' "all" "$total"
}

# The frames while the hard level thinks, with one core kept busy by a busy loop of this script's
# own the whole time: natively (bench/thinking_bench.cpp, the computer playing black against a
# scripted white) on its thread beside the frames as the game thinks, and in 12 ms slices between
# them as it thought before; in the page (the gaps between its animation frames while its status
# line says the computer thinks, white's moves made by keys) with its Web Worker, and without the
# worker's files, in slices. Then, without the busy loop, the positions the hard level looks at
# in its second in the game and in the page, and the tournament brain's on the same boards.
thinking_section() {
    local moves=6
    echo "== Frames while the hard level thinks ($moves of its moves, 1 s each), one core kept busy by a busy loop"
    build_web gomoku3d web_meshes || return 1
    local -A out
    # The native game's positions a second on a quiet machine, taken first: once Chromium has
    # started, its page draws frames of its own in the background.
    out[native-quiet]=$(cd "$meshes" && "$build/bench/thinking_bench" $moves hard)
    local busy
    # The busy loop, as busy as the game's own processes. The native game is measured before
    # Chromium starts too: the browser is no part of its load.
    bash -c 'while :; do :; done' &
    busy=$!
    out[native-thread]=$(cd "$meshes" && "$build/bench/thinking_bench" $moves hard)
    out[native-slices]=$(cd "$meshes" && "$build/bench/thinking_bench" --slices $moves hard)
    mkdir -p "$work/site"
    cp -r "$build/web/web" "$work/site/worker" && cp -r "$build/web/web" "$work/site/slices"
    rm "$work/site/slices/"thinker.*
    serve_start "$work/site" "$work/http.log"
    chromium_start "$work/browser" || { echo "bench: Chromium did not start" >&2; return 1; }
    out[page-worker]=$(page_thinking worker $moves)
    out[page-slices]=$(page_thinking slices $moves)
    echo "(load average $(load) with the busy loop)"
    kill "$busy" && { wait "$busy" 2>/dev/null || true; } # ended by the signal: status 143
    printf '%-52s %8s %13s %12s %10s\n' "" "its moves" "longest gap" "median gap" "a move"
    local kind
    for kind in native-thread native-slices page-worker page-slices; do
        printf '%-52s %8s %10s ms %9s ms %7s ms\n' "$(case $kind in
            native-thread) echo "native (llvmpipe, Xvfb), on a thread beside the frames" ;;
            native-slices) echo "native, in 12 ms slices between frames" ;;
            page-worker) echo "page (headless Chromium), in its Web Worker" ;;
            page-slices) echo "page, in slices (the worker's files left out)" ;; esac)" \
            "$(value computer_moves "${out[$kind]}")" "$(value longest_gap_ms "${out[$kind]}")" \
            "$(value median_gap_ms "${out[$kind]}")" "$(value median_thinking_ms "${out[$kind]}")"
    done
    echo "(the page's worker: started in $(value worker_starts_ms "${out[page-worker]}") ms; started again, after a cancel, in $(value worker_restarts_ms "${out[page-worker]}") ms)"
    echo
    echo "== Positions the hard level looks at in its second, and the brain's (1 s a move) on the same boards, no busy loop"
    echo "   (natively: taken before Chromium started)"
    out[page-quiet]=$(page_thinking worker $moves)
    browser_stop
    echo "(load average $(load))"
    printf '%-44s %14s %14s %8s\n' "" "the game's" "the brain's" "ratio"
    for kind in native-thread page-worker native-quiet page-quiet; do
        grep '^board ' <<<"${out[$kind]}" >"$work/boards-$kind"
        compare_with_brain "$(case $kind in
            native-thread) echo "native, beside the busy loop" ;;
            page-worker) echo "page, beside the busy loop" ;;
            native-quiet) echo "native" ;;
            page-quiet) echo "page" ;; esac)" "$work/boards-$kind"
    done
    echo "(positions a second: those looked at over the milliseconds, on the boards on which both"
    echo " thought their whole second; the brain's boards are the game's, the brain thinking alone)"
    page_sizes "$build/web/web"
    echo
}
# page_thinking SITE MOVES: the page of the site's folder, the computer playing black at the hard
# level, white moving by keys whenever it is white's turn, until the computer has made MOVES moves;
# prints its figures as thinking_bench does, the boards with the page's thinker's figures.
page_thinking() {
    local _ steps=() i status
    browser open "http://127.0.0.1:$server_port/$1/index.html"
    for _ in $(seq 100); do
        [ "$(browser eval 'typeof Module == "object" && Module.calledRun === true')" = true ] && break
        sleep 0.2
    done
    sleep 2
    browser click 10 10 right && browser choose "( ) Hard"
    # The figures are gathered in the page while the keys below play; the browser takes one
    # command at a time, so the loop asks whether they are done.
    browser eval "window.figures = null; new Promise(done => {
        const gaps = [], boards = []; let last = null, was = false, moves = 0; const start = performance.now();
        const tick = now => {
            const thinking = document.getElementById('status').textContent.includes('thinking');
            if (thinking && last !== null) gaps.push(now - last);
            last = thinking ? now : null;
            if (was && !thinking) {
                moves++;
                const a = Module.thinker && Module.thinker.last;
                if (a && a.cells) boards.push('board ' + a.cells.map(c => c < 0 ? 'x' : c > 0 ? 'o' : '.').join('') +
                                              ' nodes ' + a.nodes + ' ms ' + a.ms);
            }
            was = thinking;
            if (moves < $2 && now - start < 120000) return requestAnimationFrame(tick);
            gaps.sort((a, b) => a - b);
            done(['computer_moves ' + moves, 'longest_gap_ms ' + (gaps.length ? gaps[gaps.length - 1].toFixed(1) : 0),
                  'median_gap_ms ' + (gaps.length ? gaps[gaps.length >> 1].toFixed(1) : 0)].concat(boards).join('\n'));
        };
        requestAnimationFrame(tick); }).then(text => { window.figures = text; }), null" >/dev/null
    sleep 0.5
    browser click 10 10 right && browser choose "( ) Computer plays black"
    # White's moves: the cursor walks a square spiral out from the centre, a stone at each step
    # (a step onto a stone places nothing, and the next goes on).
    for ((i = 1; i < 12; i++)); do
        for _ in $(seq $i); do steps+=("$( ((i % 2)) && echo d || echo a)"); done
        for _ in $(seq $i); do steps+=("$( ((i % 2)) && echo w || echo s)"); done
    done
    i=0
    while [ "$(browser eval 'window.figures === null')" = true ]; do
        status=$(browser text '#status' 2>/dev/null)
        if [[ $status == "White to move."* ]] && ((i < ${#steps[@]})); then
            browser keys "${steps[i]}" space && i=$((i + 1))
        elif [[ $status == *" wins."* ]]; then
            browser click 10 10 right && browser choose Restart
        fi
        sleep 0.2
    done
    browser eval 'window.figures' | tr -d '"' | sed 's/\\n/\n/g'
    # Cancelling: white's stone taken back while the computer thinks, three times; the page ends
    # the worker each time and starts another.
    if [ "$1" = worker ]; then
        for _ in 1 2 3; do
            status=$(browser text '#status')
            [[ $status == "White to move."* ]] || { browser click 10 10 right && browser choose Restart; sleep 1; }
            browser keys "${steps[i]}" space && i=$((i + 1)) && sleep 0.3 && browser keys u && sleep 1
        done
        browser eval "'worker_starts_ms ' + Module.thinker.starts[0].toFixed(0) + '\\nworker_restarts_ms ' +
            Module.thinker.starts.slice(1).map(t => t.toFixed(0)).join(',')" | tr -d '"' | sed 's/\\n/\n/g'
    fi
}

# compare_with_brain LABEL BOARDS: the positions a second of the game's hard level and of the
# brain (pbrain-gomoku3d --debug, 1 s a move: a turn of 1,111 ms less its margin of a tenth) on
# the same boards, black, the computer's side, to move; over the boards on which both thought
# their whole second (a forced move takes none of it).
compare_with_brain() {
    local board rest x y i commands=("START 18" "INFO timeout_turn 1111")
    : >"$work/game-figures"
    while read -r _ board rest; do
        read -r _ nodes _ ms <<<"$rest"
        echo "$nodes $ms" >>"$work/game-figures"
        commands+=("RESTART" "BOARD")
        for ((i = 0; i < 324; i++)); do
            x=$((i % 18)) y=$((i / 18))
            case ${board:i:1} in
            x) commands+=("$x,$y,1") ;;
            o) commands+=("$x,$y,2") ;;
            esac
        done
        commands+=("DONE")
    done <"$2"
    commands+=("END")
    printf '%s\n' "${commands[@]}" | "$build/pbrain-gomoku3d" --debug |
        awk '$1 == "DEBUG" { print $5, $7 }' >"$work/brain-figures"
    paste -d' ' "$work/game-figures" "$work/brain-figures" | awk -v label="$1" '
        NF == 4 && $2 >= 900 && $4 >= 900 { gn += $1; gm += $2; bn += $3; bm += $4; n++ }
        END { g = gm ? gn * 1000 / gm : 0; b = bm ? bn * 1000 / bm : 0
              printf "%-44s %10d /s %10d /s %8.2f   (%d moves)\n", label, g, b, b ? g / b : 0, n }'
}

# The server: its own process, and the benchmark's players in another, on the two cores.
server_section() {
    local games=5000 rate=2000 seconds=15 ramp=4000,6000,8000,12000,16000,24000
    # Two connections a game, each a file descriptor on both sides.
    ulimit -n "$(ulimit -Hn)"
    echo "== The online games' server: $games games, $((2 * games)) connections on the loopback"
    echo "   (open files limit raised to the hard limit, $(ulimit -n))"
    local server port
    start_server "$work/server" --games-per-address 0 || return 1
    sleep 1
    local out
    out=$("$build/bench/server_bench" "$port" "$games" "$rate,$ramp" "$seconds" "$server")
    kill "$server" && wait "$server" || true
    relay_figures "server's resident memory" "$out"
    echo
    echo "== The database alone: one commit a move, as the server's loop makes them"
    mkdir -p "$work/store"
    "$build/bench/store_bench" "$work/store" 20000
    echo
}

# relay_figures LABEL OUT: server_bench's games, memory and relay at each rate, as a table.
relay_figures() {
    local label=$1 out=$2
    printf '%-40s %s\n' "games / connections" "$(value games "$out") / $(value connections "$out")"
    printf '%-40s %s s\n' "time to make them all" "$(value setup_seconds "$out")"
    printf '%-40s %s KB -> %s KB: %s KB a connection\n' "$label" \
        "$(value server_rss_kb_before "$out")" "$(value server_rss_kb_after "$out")" \
        "$(value server_kb_per_connection "$out")"
    printf '%10s %10s %10s %10s %10s %8s %6s\n' "asked/s" "moves/s" "p50 ms" "p99 ms" "max ms" \
        "refused" "lost"
    awk '$1 == "moves_per_second_asked" { a = $2 } $1 == "moves_per_second" { m = $2 }
         $1 == "relay_p50_ms" { p50 = $2 } $1 == "relay_p99_ms" { p99 = $2 }
         $1 == "relay_max_ms" { mx = $2 } $1 == "refused" { r = $2 }
         $1 == "lost" { printf "%10s %10s %10s %10s %10s %8s %6s\n", a, m, p50, p99, mx, r, $2
                        if (p99 < 100 && m > best) best = m }
         END { printf "largest rate with the 99th percentile under 100 ms: %d moves a second\n", best }' \
        <<<"$out"
}

# Three servers sharing one PostgreSQL and one Redis, all started here: every game made at one
# server and joined at the next, so that each move is handed from one server to another.
servers_section() {
    local games=5000 rates=1000,2000,3000,4000 seconds=15
    ulimit -n "$(ulimit -Hn)"
    local dir="$work/servers" bin=/usr/lib/postgresql/15/bin as=()
    mkdir -p "$dir/pg"
    if [ "$(id -u)" -eq 0 ]; then
        # PostgreSQL does not run as root: nobody's, in a folder nobody may pass through.
        chmod 711 "$work"
        chown nobody "$dir" "$dir/pg"
        as=(runuser -u nobody --)
    fi
    "${as[@]}" "$bin/initdb" -D "$dir/pg" -A trust -U postgres >"$dir/initdb.log" 2>&1 ||
        { echo "bench: initdb failed: $(cat "$dir/initdb.log")" >&2 && return 1; }
    "${as[@]}" "$bin/pg_ctl" -D "$dir/pg" -l "$dir/pg.log" -w \
        -o "-k $dir -c listen_addresses='' -c max_connections=50" start >/dev/null ||
        { echo "bench: PostgreSQL did not start: $(cat "$dir/pg.log")" >&2 && return 1; }
    redis-server --port 0 --unixsocket "$dir/redis.sock" --save "" --appendonly no \
        --dir "$dir" >"$dir/redis.log" 2>&1 &
    local redis=$!
    for _ in $(seq 100); do
        [ -S "$dir/redis.sock" ] && break
        sleep 0.1
    done
    local uri="postgresql:///postgres?host=$dir&user=postgres"
    local pids=() ports=() server port name
    for name in a b c; do
        start_server "$dir/$name" --name "$name" --db "$uri" --redis "$dir/redis.sock" \
            --games-per-address 0 || return 1
        pids+=("$server") ports+=("$port")
    done
    echo "== Three servers sharing PostgreSQL 15 and Redis: $games games, $((2 * games))" \
        "connections, every game made at one server and joined at the next"
    echo "   (each move committed to PostgreSQL with synchronous_commit on, then handed on)"
    sleep 1
    local out
    out=$("$build/bench/server_bench" "$(IFS=,; echo "${ports[*]}")" "$games" "$rates" \
        "$seconds" "$(IFS=,; echo "${pids[*]}")")
    kill "${pids[@]}" && wait "${pids[@]}" || true
    relay_figures "the servers' resident memory" "$out"
    echo
    echo "== One server alone on the same PostgreSQL, for comparison: the same games, no Redis"
    "${as[@]}" psql -q -h "$dir" -U postgres -c "CREATE DATABASE alone" postgres >/dev/null
    start_server "$dir/alone" --name alone --games-per-address 0 \
        --db "postgresql:///alone?host=$dir&user=postgres" || return 1
    sleep 1
    out=$("$build/bench/server_bench" "$port" "$games" "$rates" "$seconds" "$server")
    kill "$server" && wait "$server" || true
    relay_figures "the server's resident memory" "$out"
    kill "$redis" && wait "$redis" || true
    "${as[@]}" "$bin/pg_ctl" -D "$dir/pg" -m fast stop >/dev/null || true
    echo
}

case "$what" in
server) server_section ;;
servers) servers_section ;;
thinking) thinking_section ;;
engine) engine_section ;;
tactics) tactics_section ;;
all)
    frames_section
    reader_section
    startup_section
    page_section
    web_section
    thinking_section
    ;;
web)
    page_section
    web_section
    ;;
page) page_section ;;
frames) frames_section ;;
reader) reader_section ;;
startup) startup_section ;;
esac
echo "load average $(load) at the end"
