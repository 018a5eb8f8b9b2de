# shellcheck shell=bash
# Sourced by the scripts that run the page: a static server for it on this machine and a
# headless Chromium to open it in, driven through Selenium by tools/browser.py. Sets server_pid
# and server_port, chromium_pid (the process that holds the browser) and browser_socket (where
# it takes commands: `browser COMMAND ARG...`); stopping them is the caller's (browser_stop).

server_pid="" server_port="" chromium_pid="" browser_socket=""

# serve_start FOLDER LOG: serves FOLDER on a free port of the loopback interface.
serve_start() {
    server_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    python3 -m http.server --bind 127.0.0.1 --directory "$1" "$server_port" >"$2" 2>&1 &
    server_pid=$!
}

# chromium_start STATE_DIR [FLAG...]: a headless Chromium with a fresh profile in STATE_DIR,
# rendering WebGL in software (SwiftShader through ANGLE), without the calls home that a closed
# network refuses (no background networking, component updates, sync or QUIC: the flags are in
# tools/browser.py), and with the further FLAGs. Fails when it does not take commands within
# 60 s (its logs: STATE_DIR/chromium.log and chromedriver.log). Selenium is Debian's, so the
# Python is Debian's too, whatever python3 comes first on the PATH.
chromium_start() {
    local state=$1 _
    rm -rf "$state" && mkdir -p "$state"
    browser_socket=$(mktemp -d "${TMPDIR:-/tmp}/gomoku3d-browser.XXXXXX")/socket
    /usr/bin/python3 "$root/tools/browser.py" serve "$browser_socket" "$state" "${@:2}" 2>"$state/chromium.log" &
    chromium_pid=$!
    for _ in $(seq 600); do
        [ ! -S "$browser_socket" ] || [ ! -f "$state/ready" ] || return 0
        kill -0 "$chromium_pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# browser COMMAND [ARG...]: a command to the browser started last (tools/browser.py lists them).
browser() { /usr/bin/python3 "$root/tools/browser.py" "$browser_socket" "$@"; }

# chromium_stop: ends the browser started last (the process that holds it quits it).
chromium_stop() {
    [ -z "$chromium_pid" ] || { kill "$chromium_pid" 2>/dev/null; wait "$chromium_pid" 2>/dev/null || true; }
    [ -z "$browser_socket" ] || rm -rf "${browser_socket%/socket}"
    chromium_pid="" browser_socket=""
}

browser_stop() {
    chromium_stop
    [ -z "$server_pid" ] || { kill "$server_pid" 2>/dev/null; wait "$server_pid" 2>/dev/null || true; }
    server_pid=""
}
