#!/usr/bin/env bash
# Builds the STL reader's libFuzzer target with clang in build-fuzz and fuzzes it for SECONDS
# (default 45) on one core, then prints executions, time, corpus size and crashes.
# Usage: tests/fuzz/run.sh [SECONDS] [extra libFuzzer options...]
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
source "$root/tools/strict.sh"
seconds=${1:-45}
shift || true
build="$root/build-fuzz"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DGOMOKU_FUZZ=ON -DGOMOKU_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target stl_fuzzer -j2 >/dev/null

# The corpus lives on between runs; every run starts again from the seeds, the reader's
# fixtures and the shipped meshes as well.
corpus="$build/corpus"
crashes="$build/crashes"
mkdir -p "$corpus" "$crashes"
seed_dirs=("$root/tests/fuzz/seeds")
for dir in "$root/tests/data" "$root/assets"; do
    if [ -d "$dir" ]; then
        seed_dirs+=("$dir")
    fi
done

log="$build/fuzz.log"
marker="$build/fuzz.start"
touch "$marker"
status=0
start=$(date +%s)
"$build/tests/fuzz/stl_fuzzer" "$corpus" "${seed_dirs[@]}" \
    -dict="$root/tests/fuzz/stl.dict" -max_len=8192 -timeout=30 -rss_limit_mb=2048 \
    -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$crashes/" \
    "$@" >"$log" 2>&1 || status=$?
elapsed=$(($(date +%s) - start))

executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
# Only what this run found: older finds stay in the folder until they are made fixtures.
crash_count=$(find "$crashes" -maxdepth 1 -type f -newer "$marker" | wc -l)
corpus_size=$(find "$corpus" -maxdepth 1 -type f | wc -l)
# The fuzzer's own count: the inputs that still add coverage, out of all it has kept on disk.
active=$(grep -o 'corp: [0-9]*/[0-9]*[a-zA-Z]*' "$log" | tail -n 1 | sed 's/corp: //')

echo "executions: ${executions:-unknown}"
echo "time: ${elapsed} s"
echo "corpus: ${corpus_size} inputs on disk, ${active:-?} in use (inputs/size)"
echo "crashes: ${crash_count} (in $crashes)"
if [ "$status" -ne 0 ] || [ "$crash_count" -ne 0 ]; then
    echo "the fuzzer stopped on a crash; its log: $log" >&2
    tail -n 40 "$log" >&2
    exit 1
fi
