#!/usr/bin/env bash
# Installs the Debian packages the game and its tests need (only those missing), then
# configures and builds into build/: the targets named as arguments, or everything.
# Run by play.sh (the game only) and test.sh (everything).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

packages=(
    build-essential cmake pkg-config git python3
    freeglut3-dev libglu1-mesa-dev libgl1-mesa-dev libgl1-mesa-dri libepoxy-dev
    googletest libgtest-dev libbenchmark-dev
    xvfb xauth xdotool x11-apps imagemagick
    clang libclang-rt-14-dev clang-format locales
    desktop-file-utils dpkg-dev appstream file man-db groff-base binutils time
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if ((${#missing[@]} > 0)); then
    echo "Installing: ${missing[*]}"
    sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
fi

cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
targets=()
for target in "$@"; do
    targets+=(--target "$target")
done
cmake --build "$root/build" -j"$(nproc)" "${targets[@]}"
