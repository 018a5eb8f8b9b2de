# shellcheck shell=bash
# Sourced by the scripts that run the page: a static server for it on this machine and a
# headless Chromium to open it in, driven through tools/cdp.py. Sets server_pid and server_port,
# chromium_pid and devtools_port; stopping them is the caller's (browser_stop).

server_pid="" server_port="" chromium_pid="" devtools_port=""

# serve_start FOLDER LOG: serves FOLDER on a free port of the loopback interface.
serve_start() {
    server_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    python3 -m http.server --bind 127.0.0.1 --directory "$1" "$server_port" >"$2" 2>&1 &
    server_pid=$!
}

# chromium_start STATE_DIR [FLAG...]: a headless Chromium with a fresh profile in STATE_DIR,
# rendering WebGL in software (SwiftShader through ANGLE), without the calls home that a closed
# network refuses, and with the further FLAGs. Fails when its DevTools port is not known within
# 30 s (its log: STATE_DIR/chromium.log).
chromium_start() {
    local log=$1/chromium.log _
    mkdir -p "$1"
    chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
        --disable-background-networking --disable-component-update --disable-sync \
        --use-angle=swiftshader --enable-unsafe-swiftshader --window-size=1400,900 \
        --user-data-dir="$1/profile" --remote-debugging-port=0 "${@:2}" about:blank 2>"$log" &
    chromium_pid=$!
    for _ in $(seq 300); do
        devtools_port=$(sed -n 's|^DevTools listening on ws://127.0.0.1:\([0-9]*\)/.*|\1|p' "$log")
        [ -z "$devtools_port" ] || return 0
        kill -0 "$chromium_pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

browser_stop() {
    local pid
    for pid in "$chromium_pid" "$server_pid"; do
        [ -z "$pid" ] || { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true; }
    done
    chromium_pid="" server_pid=""
}
