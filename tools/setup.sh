#!/usr/bin/env bash
# Installs the Debian packages that are missing, then configures and builds into build/.
#   setup.sh --play   what playing needs: the compiler, CMake and the game's own libraries;
#                     builds the game only (a new build/ is configured without tests)
#   setup.sh          what the tests need too; builds everything
# Run by play.sh and by the test command.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/tools/strict.sh"
# shellcheck source=tools/packages.sh
source "$root/tools/packages.sh"

play_packages=(
    g++ make cmake pkg-config
    freeglut3-dev libglu1-mesa-dev libgl1-mesa-dev libgl1-mesa-dri libepoxy-dev
    # online play (--join): Boost.Beast, nlohmann-json, and OpenSSL for https:// links
    libboost1.74-dev nlohmann-json3-dev libssl-dev
)
test_packages=(
    build-essential git python3
    googletest libgtest-dev libbenchmark-dev
    xvfb xauth xdotool x11-apps imagemagick tmux unzip chromium chromium-driver python3-selenium
    clang libclang-rt-14-dev clang-format locales
    desktop-file-utils dpkg-dev appstream lintian file man-db groff-base binutils time
    libsqlite3-dev nginx-light python3-selenium chromium-driver python3-websocket
    # the servers sharing one database: PostgreSQL, started by the tests themselves
    postgresql-15 libpq-dev
    # and Redis, through which they hand each other the games' news
    redis-server libhiredis-dev
)

play=0
if [ "${1:-}" = --play ]; then
    play=1
fi
packages=("${play_packages[@]}")
if ((play == 0)); then
    packages+=("${test_packages[@]}")
fi

# A player gets what the game needs and no more: recommended packages are left out there.
if ((play == 1)); then
    install_missing --no-install-recommends "${packages[@]}"
else
    install_missing "${packages[@]}"
fi

if ((play == 1)); then
    # A build folder that exists keeps its options (a developer's has the tests in it); a new
    # one builds without the tests and benchmarks, whose libraries a player has not installed.
    options=()
    if [ ! -f "$root/build/CMakeCache.txt" ]; then
        options=(-DGOMOKU_BUILD_TESTS=OFF -DGOMOKU_BUILD_BENCH=OFF)
    fi
    cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release "${options[@]}" >/dev/null
    cmake --build "$root/build" -j"$(nproc)" --target gomoku3d
else
    cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release -DGOMOKU_BUILD_TESTS=ON \
        -DGOMOKU_BUILD_BENCH=ON >/dev/null
    cmake --build "$root/build" -j"$(nproc)"
fi
