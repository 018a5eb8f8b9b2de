#!/usr/bin/env bash
# Builds the game for the browser into build-web/web/ (the page, the program and its mesh
# package) with Debian's Emscripten, and the online games' server into build-web/server/,
# installing what they need when it is missing; then starts the server on this machine, serving
# the page and the online games, with its database in build-web/data/, and prints the address.
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

install_missing --no-install-recommends emscripten cmake make python3 g++ libboost1.74-dev \
    nlohmann-json3-dev libsqlite3-dev

# Emscripten's JavaScript tools find their modules (acorn) among Debian's, also when the node on
# the PATH is not Debian's own.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
emcmake cmake -S "$root" -B "$root/build-web" -DCMAKE_BUILD_TYPE=Release -DGOMOKU_BUILD_TESTS=OFF \
    -DGOMOKU_BUILD_BENCH=OFF >/dev/null
cmake --build "$root/build-web" -j"$(nproc)"
# The server is a native program, built on its own: it needs none of the game's GL libraries.
cmake -S "$root" -B "$root/build-web/server" -DCMAKE_BUILD_TYPE=Release -DGOMOKU_SERVER_ONLY=ON \
    >/dev/null
cmake --build "$root/build-web/server" -j"$(nproc)" --target gomoku3d-server
echo "The page is in $root/build-web/web/: any static web server can serve it for play on one"
echo "device; online play needs the server, $root/build-web/server/gomoku3d-server."
((build_only == 0)) || exit 0

data=$root/build-web/data
mkdir -p "$data"
echo "Open http://127.0.0.1:$port/ in a browser (Ctrl+C stops the server); the online games are"
echo "kept in $data/games.sqlite."
exec "$root/build-web/server/gomoku3d-server" --web "$root/build-web/web" \
    --db "$data/games.sqlite" --port "$port"
