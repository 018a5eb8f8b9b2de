#!/usr/bin/env bash
# End to end, online: tests/online/online.py with the real server, the page in headless Chromium
# (Selenium with Debian's chromium-driver) and the desktop game under a private Xvfb; then
# tests/online/machines.py, the server and the pages on two machines made of network namespaces
# (as root, or with sudo -n: without either it fails); then tests/online/servers.py, three servers
# behind nginx on a PostgreSQL and a Redis it starts itself.
# Usage: bash tests/online/run.sh [WEB_BUILD_DIR [NATIVE_GAME]]   (defaults: build-web/, whose
# server/ holds gomoku3d-server, and build/gomoku3d), after tools/setup.sh and tools/web.sh
# --build. Ends with "all: N passed, M failed" and a non-zero status if anything failed.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
web_build=$(realpath -m "${1:-$root/build-web}")
game=$(realpath -m "${2:-$root/build/gomoku3d}")
server=${GOMOKU_SERVER:-$web_build/server/gomoku3d-server}
artefacts=$web_build/online-test-artefacts
# shellcheck source=tools/xvfb.sh
source "$root/tools/xvfb.sh"

rm -rf "$artefacts" && mkdir -p "$artefacts"
for needed in "$server" "$web_build/web/gomoku3d.js" "$game"; do
    [ -e "$needed" ] || { echo "FAIL: $needed is missing: build it first" && echo "0 passed, 1 failed" && exit 1; }
done
trap '[ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null; rm -rf "$artefacts/work"' EXIT
xvfb_start "$artefacts" -br || { echo "FAIL: Xvfb did not start" && echo "0 passed, 1 failed" && exit 1; }
# Debian's Python, which has Debian's Selenium, whatever python3 comes first on the PATH.
/usr/bin/python3 -B "$root/tests/online/online.py" "$server" "$web_build/web" "$artefacts" "$game" "$root/assets" |
    tee "$artefacts/one-machine.out"
status=${PIPESTATUS[0]}
# Two machines: network namespaces, as root (the test fails, saying why, where it cannot make them).
/usr/bin/python3 -B "$root/tests/online/machines.py" "$server" "$web_build/web" "$artefacts" |
    tee "$artefacts/two-machines.out"
((PIPESTATUS[0] == 0)) || status=1
# Three servers sharing their games, behind nginx.
/usr/bin/python3 -B "$root/tests/online/servers.py" "$server" "$web_build/web" "$artefacts" |
    tee "$artefacts/servers.out"
((PIPESTATUS[0] == 0)) || status=1
# The parts' counts together.
awk '/^[0-9]+ passed, [0-9]+ failed$/ { p += $1; f += $3 } END { print "all: " p " passed, " f " failed" }' \
    "$artefacts/one-machine.out" "$artefacts/two-machines.out" "$artefacts/servers.out"
# The pictures of the desktop's window, as PNG beside the pages'.
for shot in "$artefacts"/*.xwd; do
    [ -e "$shot" ] && convert "xwd:$shot" "${shot%.xwd}.png" && rm "$shot"
done
exit $status
