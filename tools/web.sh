#!/usr/bin/env bash
# Builds the game for the browser into build-web/web/ (the page, the program and its mesh
# package) with Debian's Emscripten, installing it when missing, then serves that folder on this
# machine and prints the address to open.
#   web.sh [--build] [PORT]   --build: build only; PORT: where to serve (default 8080)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/tools/strict.sh"
# shellcheck source=tools/packages.sh
source "$root/tools/packages.sh"
build_only=0
if [ "${1:-}" = --build ]; then
    build_only=1
    shift
fi
port=${1:-8080}

install_missing --no-install-recommends emscripten cmake make python3

# Emscripten's JavaScript tools find their modules (acorn) among Debian's, also when the node on
# the PATH is not Debian's own.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
emcmake cmake -S "$root" -B "$root/build-web" -DCMAKE_BUILD_TYPE=Release -DGOMOKU_BUILD_TESTS=OFF \
    -DGOMOKU_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build-web" -j"$(nproc)"
echo "The page is in $root/build-web/web/: serve that folder from any static web server."
((build_only == 0)) || exit 0

echo "Open http://127.0.0.1:$port/ in a browser (Ctrl+C stops the server)."
exec python3 -m http.server --bind 127.0.0.1 --directory "$root/build-web/web" "$port"
