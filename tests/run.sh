#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test: the whole suite, the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, a short fuzzing run of the mesh reader, and
# the Windows build under wine. The tests that draw start Xvfb servers of their own. Prints one
# closing line counting passed and failed tests.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/tools/setup.sh" || { echo "tests/run.sh: set-up failed (see above); no test ran" >&2; exit 1; }

passed=0
failed=0

# Adds the counts of every ctest run in a log, read from their summary lines, to the totals.
count_ctest() {
    local log=$1 line total failures runs=0
    while read -r line; do
        failures=$(sed -E 's/.* ([0-9]+) tests? failed out of.*/\1/' <<<"$line")
        total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
        passed=$((passed + total - failures))
        failed=$((failed + failures))
        runs=$((runs + 1))
    done < <(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log")
    if [ "$runs" -eq 0 ]; then
        failed=$((failed + 1)) # the run never reached its summary
    fi
}

# Counts a phase that is one check as a whole.
count_phase() {
    if [ "$1" -eq 0 ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
    fi
}

log_dir="$root/build/test-logs"
mkdir -p "$log_dir"

echo "== The test suite"
(cd "$root/build" && ctest --output-on-failure -j2 "$@") 2>&1 | tee "$log_dir/suite.log"
count_ctest "$log_dir/suite.log"

echo "== The test suite under AddressSanitizer and UndefinedBehaviorSanitizer"
bash "$root/tests/sanitized.sh" -j2 2>&1 | tee "$log_dir/sanitized.log"
count_ctest "$log_dir/sanitized.log"

echo "== Fuzzing the mesh reader"
bash "$root/tests/fuzz/run.sh" 45 2>&1 | tee "$log_dir/fuzz.log"
count_phase "${PIPESTATUS[0]}"

echo "== The Windows build under wine"
{ bash "$root/tools/windows-build.sh" && bash "$root/tests/windows/run.sh"; } 2>&1 |
    tee "$log_dir/windows.log"
windows_status=${PIPESTATUS[0]}
windows_line=$(grep -E '^[0-9]+ passed, [0-9]+ failed' "$log_dir/windows.log" | tail -n 1)
if [ -n "$windows_line" ] && [ "$windows_status" -eq 0 ]; then
    passed=$((passed + $(cut -d' ' -f1 <<<"$windows_line")))
    failed=$((failed + $(cut -d' ' -f3 <<<"$windows_line")))
else
    failed=$((failed + 1))
fi

echo
echo "all: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
