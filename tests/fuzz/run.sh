#!/usr/bin/env bash
# Builds the STL reader's libFuzzer target with clang in build-fuzz and fuzzes it for SECONDS
# (default 45) from the seeds, the fixtures and the meshes; prints executions, time, corpus and
# this run's crashes, and fails on a crash. Usage: tests/fuzz/run.sh [SECONDS] [libFuzzer options]
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/tools/strict.sh"
seconds=${1:-45}
shift || true
build="$root/build-fuzz"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DGOMOKU_FUZZ=ON -DGOMOKU_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target stl_fuzzer -j2 >/dev/null
mkdir -p "$build/corpus" "$build/crashes" # the corpus lives on between runs
touch "$build/fuzz.start"
status=0
"$build/tests/fuzz/stl_fuzzer" "$build/corpus" "$root/tests/fuzz/seeds" "$root/tests/data" \
    "$root/assets" -dict="$root/tests/fuzz/stl.dict" -max_len=8192 -timeout=30 \
    -rss_limit_mb=2048 -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$build/crashes/" "$@" >"$build/fuzz.log" 2>&1 || status=$?
crashes=$(find "$build/crashes" -type f -newer "$build/fuzz.start" | wc -l)
printf 'executions: %s\ntime: %s s\ncorpus: %s inputs\ncrashes: %s (in %s)\n' \
    "$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/fuzz.log")" \
    $(($(date +%s) - $(date +%s -r "$build/fuzz.start"))) "$(ls "$build/corpus" | wc -l)" \
    "$crashes" "$build/crashes"
[ "$status" -eq 0 ] && [ "$crashes" -eq 0 ] || { tail -n 40 "$build/fuzz.log" >&2; exit 1; }
