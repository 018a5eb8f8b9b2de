#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and fuzzes each from its seeds: the STL
# reader for SECONDS (default 45), the brain's command reader for two thirds of that, the server's
# message reader and its games for a ninth each, the .psq and SGF records' readers for a third each. Prints each one's executions, time, corpus and
# crashes, then "N passed, M failed"; fails on a crash.
# Usage: tests/fuzz/run.sh [SECONDS] [libFuzzer options]
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/tools/strict.sh"
seconds=${1:-45}
shift || true
build="$root/build-fuzz"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DGOMOKU_FUZZ=ON -DGOMOKU_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target stl_fuzzer gomocup_fuzzer message_fuzzer hub_fuzzer psq_fuzzer \
    sgf_fuzzer -j2 >/dev/null
passed=0
failed=0

# fuzz NAME SECONDS DICTIONARY MAX_LEN SEED_FOLDER... -- [OPTIONS]: one fuzzer's run, its corpus
# kept between runs in build-fuzz/NAME-corpus.
fuzz() {
    local name=$1 time=$2 dict=$3 max_len=$4 status=0 crashes
    shift 4
    local seeds=()
    while [ "$1" != -- ]; do seeds+=("$1") && shift; done
    shift
    mkdir -p "$build/$name-corpus" "$build/crashes"
    touch "$build/$name.start"
    "$build/tests/fuzz/$name" "$build/$name-corpus" "${seeds[@]}" -dict="$dict" -max_len="$max_len" \
        -timeout=30 -rss_limit_mb=2048 -max_total_time="$time" -print_final_stats=1 \
        -artifact_prefix="$build/crashes/$name-" "$@" >"$build/$name.log" 2>&1 || status=$?
    crashes=$(find "$build/crashes" -name "$name-*" -type f -newer "$build/$name.start" | wc -l)
    printf '%s: %s executions in %s s, corpus %s inputs, crashes: %s (in %s)\n' "$name" \
        "$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/$name.log")" \
        $(($(date +%s) - $(date +%s -r "$build/$name.start"))) "$(ls "$build/$name-corpus" | wc -l)" \
        "$crashes" "$build/crashes"
    if [ "$status" -eq 0 ] && [ "$crashes" -eq 0 ]; then
        passed=$((passed + 1))
    else
        tail -n 40 "$build/$name.log" >&2
        failed=$((failed + 1))
    fi
}

fuzz stl_fuzzer "$seconds" "$root/tests/fuzz/stl.dict" 8192 "$root/tests/fuzz/seeds" \
    "$root/tests/data" "$root/assets" -- "$@"
fuzz gomocup_fuzzer $((seconds * 2 / 3)) "$root/tests/fuzz/brain.dict" 4096 \
    "$root/tests/fuzz/brain_seeds" -- "$@"
fuzz message_fuzzer $((seconds / 9)) "$root/tests/fuzz/server.dict" 8192 \
    "$root/tests/fuzz/message_seeds" -- "$@"
fuzz hub_fuzzer $((seconds / 9)) "$root/tests/fuzz/server.dict" 4096 "$root/tests/fuzz/hub_seeds" \
    -- "$@"
fuzz psq_fuzzer $((seconds / 3)) "$root/tests/fuzz/psq.dict" 8192 "$root/tests/fuzz/psq_seeds" -- "$@"
fuzz sgf_fuzzer $((seconds / 3)) "$root/tests/fuzz/sgf.dict" 8192 "$root/tests/fuzz/sgf_seeds" -- "$@"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
