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
# "all" too): the longest gap between frames while the hard level thinks, natively and in the page.
# "tactics": the tactics suite (tests/data/tactics.txt) against the hard level and the brain, one
# second a position, or NODES positions a position for figures that do not depend on the machine.
# "page": the page's files and its load alone (no native build).
# "server": the online games' server under simulated players on the loopback (about 4 minutes):
# 5000 games on 10,000 connections, moves at 2000 a second, the relay's latency and the server's
# memory a connection, then rising rates until the 99th percentile passes 100 ms; and the
# database's commits timed alone.
# "sprt [BASE] [OPTIONS]": the tournament brain as it stands against the one built from the git
# revision BASE (by default the one in bench/sprt-base: the last whose strength was measured),
# until a sequential test decides (bench/brain_match.py; its options pass through).
# Usage: tools/bench.sh [all|frames|reader|startup|web|page|thinking|engine|server|tactics [NODES]]
#        ("all" leaves out engine, server and tactics)
#        tools/bench.sh sprt [BASE] [--nodes N | --time MS] [--elo0 E] [--elo1 E] [...]
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/tools/strict.sh"
# shellcheck source=tools/packages.sh
source "$root/tools/packages.sh"
build="$root/build-bench"
what=${1:-all}
case "$what" in
all | frames | reader | startup | web | page | thinking | engine | server | tactics) ;;
sprt)
    shift
    exec bash "$root/tools/sprt.sh" "$@"
    ;;
*)
    echo "usage: $0 [all|frames|reader|startup|web|page|thinking|engine|server|tactics [NODES]]" \
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
if [ "$what" = server ]; then
    install_missing libboost1.74-dev nlohmann-json3-dev libsqlite3-dev
fi

if [ "$what" != page ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DGOMOKU_BUILD_TESTS=OFF \
        -DGOMOKU_BUILD_BENCH=ON >/dev/null
    targets=(gomoku3d frame_bench variant_stone startup_bench reader_bench engine_bench
        pbrain-gomoku3d thinking_bench)
    if [ "$what" = tactics ]; then
        targets=(tactics_bench)
    elif [ "$what" = server ]; then
        targets=(gomoku3d-server server_bench store_bench)
    fi
    cmake --build "$build" -j2 --target "${targets[@]}" >/dev/null
fi

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

# The page's six files, and its load over a slow line: the seconds until the game says whose
# turn it is, over a line of 1.6 Mbit/s with 150 ms of latency and the browser's cache off,
# served as tools/web.sh serves it (Python's static server, which compresses nothing); three
# loads, each in a fresh page.
page_section() {
    echo "== The page: its files, and its load over a line of 1.6 Mbit/s and 150 ms"
    build_web gomoku3d web_meshes || return 1
    local file total=0 run ready times=()
    for file in index.html favicon.png gomoku3d.js gomoku3d.wasm meshes.js meshes.data; do
        printf '%-28s %9d bytes\n' "$file" "$(stat -c %s "$build/web/web/$file")"
        total=$((total + $(stat -c %s "$build/web/web/$file")))
    done
    printf '%-28s %9d bytes\n' "the six files" "$total"
    serve_start "$build/web" "$work/http.log"
    chromium_start "$work/browser" || { echo "bench: Chromium did not start" >&2; return 1; }
    for run in 1 2 3; do
        browser open about:blank
        browser watch "http://127.0.0.1:$server_port/web/index.html" 15 throttle=1600,150 >"$work/load-$run"
        ready=$(awk '$2 == "status" && / to move\.$/ { print $1; exit }' "$work/load-$run")
        times+=("${ready:-never}")
    done
    browser_stop
    echo "ready after (s): ${times[*]}"
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

# The frames while the hard level thinks: natively (bench/thinking_bench.cpp, the computer playing
# black against a scripted white), then in the game's page, where white's moves are keys and the
# gaps are those between the page's animation frames while its status line says it thinks.
thinking_section() {
    echo "== Frames while the hard level thinks (about a second a move, thinking in slices of 12 ms)"
    local native
    native=$(cd "$meshes" && "$build/bench/thinking_bench" 6 hard)
    printf '%-44s %10s %14s %12s %12s\n' "" "its moves" "longest gap" "median gap" "a move"
    printf '%-44s %10s %11s ms %9s ms %9s ms\n' "native (Mesa llvmpipe, Xvfb)" "$(value computer_moves "$native")" \
        "$(value longest_gap_ms "$native")" "$(value median_gap_ms "$native")" "$(value median_thinking_ms "$native")"
    build_web gomoku3d web_meshes || return 1
    serve_start "$build/web" "$work/http.log"
    chromium_start "$work/browser" || { echo "bench: Chromium did not start" >&2; return 1; }
    local gaps _
    browser open "http://127.0.0.1:$server_port/web/index.html"
    for _ in $(seq 100); do
        [ "$(browser eval 'typeof Module == "object" && Module.calledRun === true')" = true ] && break
        sleep 0.2
    done
    sleep 2
    browser click 10 10 right && browser choose "( ) Hard"
    # The gaps are gathered in the page while the keys below play; the browser takes one command
    # at a time, so the result is asked for once they are done.
    browser eval 'window.gaps = new Promise(done => { const gaps = []; let last = null; const start = performance.now();
        const tick = now => {
            const thinking = document.getElementById("status").textContent.includes("thinking");
            if (thinking && last !== null) gaps.push(now - last);
            last = thinking ? now : null;
            if (now - start < 12000) return requestAnimationFrame(tick);
            gaps.sort((a, b) => a - b);
            done(gaps.length + " " + (gaps.length ? gaps[gaps.length - 1].toFixed(1) + " " +
                 gaps[gaps.length >> 1].toFixed(1) : "0 0"));
        };
        requestAnimationFrame(tick); }), null' >/dev/null
    sleep 0.5
    browser click 10 10 right && browser choose "( ) Computer plays black"
    for _ in 1 2 3 4 5; do sleep 2 && browser keys d space; done
    read -r -a gaps < <(browser eval 'window.gaps' | tr -d '"')
    printf '%-44s %10s %11s ms %9s ms\n' "page (headless Chromium, SwiftShader)" "" "${gaps[1]}" "${gaps[2]}"
    echo "($(("${gaps[0]}")) of the page's frames while it thought, over 12 s)"
    browser_stop
    echo
}

# The server: its own process, and the benchmark's players in another, on the two cores.
server_section() {
    local games=5000 rate=2000 seconds=15 ramp=4000,6000,8000,12000,16000,24000
    # Two connections a game, each a file descriptor on both sides.
    ulimit -n "$(ulimit -Hn)"
    echo "== The online games' server: $games games, $((2 * games)) connections on the loopback"
    echo "   (open files limit raised to the hard limit, $(ulimit -n))"
    local data="$work/server"
    mkdir -p "$data"
    "$build/gomoku3d-server" --db "$data/games.sqlite" --port 0 --games-per-address 0 \
        >"$data/out" 2>"$data/log" &
    local server=$! port=""
    for _ in $(seq 100); do
        port=$(sed -n 's|.*listening on http://[^:]*:\([0-9]*\)/$|\1|p' "$data/out")
        [ -n "$port" ] && break
        sleep 0.1
    done
    [ -n "$port" ] || { echo "bench: the server did not start: $(cat "$data/log")" >&2; return 1; }
    sleep 1
    local out
    out=$("$build/bench/server_bench" "$port" "$games" "$rate,$ramp" "$seconds" "$server")
    kill "$server" && wait "$server" || true
    printf '%-40s %s\n' "games / connections" "$(value games "$out") / $(value connections "$out")"
    printf '%-40s %s s\n' "time to make them all" "$(value setup_seconds "$out")"
    printf '%-40s %s KB -> %s KB: %s KB a connection\n' "server's resident memory" \
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
    echo
    echo "== The database alone: one commit a move, as the server's loop makes them"
    "$build/bench/store_bench" "$data" 20000
    echo
}

case "$what" in
server) server_section ;;
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
