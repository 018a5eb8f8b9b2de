#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test: the whole suite, the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, a short fuzzing run of the mesh reader, the
# Windows build under wine, the browser build in headless Chromium, and online games between
# pages, the desktop game and the real server. The tests that draw start Xvfb servers of their own. Prints one closing line counting passed and failed tests.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/tools/setup.sh" || { echo "tests/run.sh: set-up failed (see above); no test ran" >&2; exit 1; }
echo "== Set-up and build: $SECONDS s"
logs=$root/build/test-logs
mkdir -p "$logs"
passed=0
failed=0

# phase NAME TITLE COMMAND...: runs the command, its output also in the log NAME, and adds its
# counts to the totals: ctest's summaries where there are any, else its last "N passed, M failed"
# line; a phase without either is one check, and one that fails adds at least one failure.
phase() {
    local name=$1 status p f started=$SECONDS
    echo "== $2"
    "${@:3}" 2>&1 | tee "$logs/$name.log"
    status=${PIPESTATUS[0]}
    echo "== $2: $((SECONDS - started)) s"
    read -r p f < <(awk '
        match($0, /^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+$/) {
            ctest = 1; cf += $4; cp += $NF - $4 }
        /^[0-9]+ passed, [0-9]+ failed$/ { lp = $1; lf = $3; plain = 1 }
        END { if (ctest) print cp, cf; else if (plain) print lp, lf; else print "- -" }' "$logs/$name.log")
    if [ "$p" = - ]; then
        p=$((status == 0)) f=$((status != 0))
    fi
    ((status == 0 || f > 0)) || f=1
    passed=$((passed + p)) failed=$((failed + f))
}

phase suite "The test suite" bash -c "cd '$root/build' && ctest --output-on-failure -j2 $*"
phase sanitized "The test suite under AddressSanitizer and UndefinedBehaviorSanitizer" \
    bash "$root/tests/sanitized.sh" -j2
phase fuzz "Fuzzing the mesh reader and the brain's commands" bash "$root/tests/fuzz/run.sh" 45
phase windows "The Windows build under wine" \
    bash -c "bash '$root/tools/windows-build.sh' && bash '$root/tests/windows/run.sh'"
phase web "The browser build in headless Chromium" \
    bash -c "bash '$root/tools/web.sh' --build && bash '$root/tests/web/run.sh'"
phase online "Online games: the server, pages in headless Chromium and the desktop game" \
    bash "$root/tests/online/run.sh"

echo
echo "all: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
