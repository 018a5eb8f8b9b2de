#!/usr/bin/env bash
# Builds the game for the browser into build-web/web/ (the page, the program and its mesh
# package) with Debian's Emscripten, and the online games' server into build-web/server/,
# installing what they need when it is missing; then starts the server on this machine, serving
# the page and the online games, with its database in build-web/data/, and prints the address.
#   web.sh [--build | --public] [PORT]   --build: build only; --public: listen on every
#   interface, so that other machines on the network can play, and print the addresses they use;
#   PORT: where to serve (default 8080)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/tools/strict.sh"
# shellcheck source=tools/packages.sh
source "$root/tools/packages.sh"
build_only=0 public=0
if [ "${1:-}" = --build ]; then
    build_only=1
    shift
elif [ "${1:-}" = --public ]; then
    public=1
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
serve=("$root/build-web/server/gomoku3d-server" --web "$root/build-web/web" --db "$data/games.sqlite"
    --port "$port")
if ((public == 0)); then
    echo "Open http://127.0.0.1:$port/ in a browser (Ctrl+C stops the server); the online games are"
    echo "kept in $data/games.sqlite. Other machines cannot reach it: --public lets them."
    exec "${serve[@]}"
fi
# This machine's IPv4 addresses on its networks (not the loopback): the server listens on all.
mapfile -t addresses < <(ip -o -4 addr show scope global 2>/dev/null | awk '{ sub(/\/.*/, "", $4); print $4 }')
if ((${#addresses[@]} == 0)); then
    mapfile -t addresses < <(hostname -I 2>/dev/null | tr ' ' '\n' | grep -v -e '^$' -e :)
fi
echo "Listening on every interface (Ctrl+C stops the server); the online games are kept in"
echo "$data/games.sqlite. Another machine on this network opens one of these:"
for address in "${addresses[@]}"; do
    echo "    http://$address:$port/"
done
((${#addresses[@]} > 0)) || echo "    (no network address found: is this machine on a network?)"
echo "The link \"Play online\" gives is made from the address the page was opened at; with one"
echo "address it is that one even for a page opened here at http://127.0.0.1:$port/."
echo "A firewall on this machine must let port $port in."
# With one address the links are made from it, whatever address the page was opened at.
if ((${#addresses[@]} == 1)); then
    serve+=(--public-url "http://${addresses[0]}:$port/")
fi
exec "${serve[@]}" --bind 0.0.0.0
