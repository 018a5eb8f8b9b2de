#!/usr/bin/env bash
# Cross-builds the game for 64-bit Windows with mingw-w64 and packs gomoku3d-windows.zip (the .exe,
# the tournament brain pbrain-gomoku3d.exe, the five meshes, a short text for players and the
# licence) in the build folder. Installs what
# is missing, and builds freeglut and epoxy from Debian's source packages as static libraries, cached.
#
# Usage: bash tools/windows-build.sh [BUILD_DIR]     (default: build-win/ in the repository)
# Environment: GOMOKU_WINDOWS_CACHE  the cache folder
#                  (default ${XDG_CACHE_HOME:-$HOME/.cache}/gomoku3d-windows)
#              GOMOKU_WINDOWS_JOBS   parallel compile jobs (default: the number of cores)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/tools/strict.sh"
build=$(realpath -m "${1:-$root/build-win}")
cache=${GOMOKU_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/gomoku3d-windows}
jobs=${GOMOKU_WINDOWS_JOBS:-$(nproc)}
toolchain=$root/cmake/mingw-w64-x86_64.cmake
triplet=x86_64-w64-mingw32

# Raise when the way the two libraries are built changes: cached builds of an older recipe are
# then built again.
recipe=1

# Debian packages: the cross compilers (C++ on POSIX threads, for std::thread), the two
# libraries' build systems, the tools that fetch
# and unpack source packages, the packer, and wine with the X and GL libraries it loads to run
# the game (tests/windows/run.sh).
packages=(
    cmake pkg-config meson ninja-build python3 dpkg-dev zip unzip
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libboost1.74-dev nlohmann-json3-dev
    wine wine64 libgl1 libgl1-mesa-dri
    libxrender1 libxrandr2 libxi6 libxcursor1 libxfixes3 libxxf86vm1 libxinerama1 libxcomposite1
)
meshes=("plane.STL" "lines.STL" "circle.STL" "black wins.STL" "white wins.STL")

# Progress goes to standard error, so that functions can hand back results on standard output.
say()
{
    echo "windows-build: $*" >&2
}

die()
{
    echo "windows-build: error: $*" >&2
    exit 1
}

as_root()
{
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    else
        sudo "$@"
    fi
}

apt_updated=0
apt_update()
{
    if ((apt_updated == 0)); then
        as_root apt-get -o DPkg::Lock::Timeout=600 update -q
        apt_updated=1
    fi
}

install_missing()
{
    local missing=() package
    for package in "${packages[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2> /dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    if ((${#missing[@]} > 0)); then
        say "installing ${missing[*]}"
        apt_update
        # Recommends are left out: wine's would pull in sound, printing and font packages that
        # the game does not use.
        as_root env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install \
            -y -q --no-install-recommends "${missing[@]}"
    fi
}

#=== SOURCE PACKAGES
# The newest version of a source package that apt knows, or nothing.
source_version()
{
    apt-cache showsrc --only-source "$1" 2> /dev/null | sed -n 's/^Version: //p' | sort -V |
        tail -n 1
}

# deb_src_stanzas APT_DIR CODENAME: source entries for the Debian archive this machine already
# installs from: every enabled binary entry of this release's suites in the deb822 files,
# repeated as a deb-src stanza.
deb_src_stanzas()
{
    local apt=$1 codename=$2 file
    for file in "$apt"/sources.list.d/*.sources; do
        [ -e "$file" ] || continue
        awk -v codename="$codename" '
            function flush(   i, types, suites, enabled) {
                if (n == 0) return
                types = ""; suites = ""; enabled = 1
                for (i = 1; i <= n; i++) {
                    if (tolower(line[i]) ~ /^types:/) types = tolower(line[i])
                    if (tolower(line[i]) ~ /^suites:/) suites = line[i]
                    if (tolower(line[i]) ~ /^enabled:[ \t]*no/) enabled = 0
                }
                if (enabled && types ~ /[ :]deb( |$)/ && types !~ /deb-src/ &&
                    suites ~ ("[ :]" codename "([- ]|$)")) {
                    print "Types: deb-src"
                    for (i = 1; i <= n; i++) if (tolower(line[i]) !~ /^types:/) print line[i]
                    print ""
                }
                n = 0
            }
            /^#/ { next }
            /^[ \t]*$/ { flush(); next }
            { line[++n] = $0 }
            END { flush() }' "$file"
    done
}

# deb_src_lines APT_DIR CODENAME: the same for one-line entries. Either kind of file may be
# missing: a Debian 12 machine made today has only the deb822 debian.sources.
deb_src_lines()
{
    local apt=$1 codename=$2 file files=()
    for file in "$apt/sources.list" "$apt"/sources.list.d/*.list; do
        if [ -f "$file" ]; then
            files+=("$file")
        fi
    done
    ((${#files[@]} > 0)) || return 0
    awk -v codename="$codename" '$1 == "deb" && $0 ~ ("[ \t]" codename "(-[a-z]+)?[ \t]") {
            $1 = "deb-src"; print }' "${files[@]}" | sort -u
}

ensure_deb_src()
{
    if [ -n "$(source_version freeglut)" ] && [ -n "$(source_version libepoxy)" ]; then
        return
    fi
    say "adding source entries for the archive this machine uses"
    local codename stanzas lines
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    [ -n "$codename" ] || die "cannot tell the Debian release from /etc/os-release"
    stanzas=$(deb_src_stanzas /etc/apt "$codename")
    lines=$(deb_src_lines /etc/apt "$codename")
    [ -n "$stanzas$lines" ] || die "no Debian archive found in /etc/apt to fetch sources from"
    if [ -n "$stanzas" ]; then
        printf '%s\n' "$stanzas" | as_root tee /etc/apt/sources.list.d/gomoku3d-windows-src.sources > /dev/null
    fi
    if [ -n "$lines" ]; then
        printf '%s\n' "$lines" | as_root tee /etc/apt/sources.list.d/gomoku3d-windows-src.list > /dev/null
    fi
    apt_updated=0
    apt_update
}

# orig_tarball PACKAGE VERSION: prints "SHA256 FILE" of the upstream tarball, from apt's signed
# source index.
orig_tarball()
{
    apt-cache showsrc --only-source "$1" | awk -v version="$2" '
        /^Version:/ { current = ($2 == version) }
        /^[^ ]/ { section = ($1 == "Checksums-Sha256:") ; next }
        current && section && $3 ~ /\.orig\.tar\./ { print $1, $3; exit }'
}

# fetch_source PACKAGE VERSION: leaves the checked upstream tarball in the cache and prints its
# path. apt-get may stop on a packaging file it cannot fetch once the tarball has arrived; the
# tarball alone will do when its checksum is the index's.
fetch_source()
{
    local package=$1 version=$2 checksum file
    read -r checksum file < <(orig_tarball "$package" "$version") ||
        die "no upstream tarball listed for $package $version"
    mkdir -p "$cache/sources"
    if ! echo "$checksum  $cache/sources/$file" | sha256sum --check --status 2> /dev/null; then
        say "fetching the source package $package $version"
        (cd "$cache/sources" && apt-get source --download-only -q "$package=$version") >&2 ||
            say "apt-get source stopped early; checking the upstream tarball alone"
    fi
    echo "$checksum  $cache/sources/$file" | sha256sum --check --status ||
        die "$file is missing or its SHA-256 is not the one in the source index"
    echo "$cache/sources/$file"
}

# unpack TARBALL FOLDER: the tarball's single top folder becomes FOLDER.
unpack()
{
    rm -rf "$2"
    mkdir -p "$2"
    tar -xf "$1" -C "$2" --strip-components=1
}

#=== STATIC LIBRARIES
build_freeglut()
{
    local tarball=$1 prefix=$2 work=$3
    unpack "$tarball" "$work/src"
    cmake -S "$work/src" -B "$work/build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DFREEGLUT_BUILD_SHARED_LIBS=OFF \
        -DFREEGLUT_BUILD_STATIC_LIBS=ON \
        -DFREEGLUT_BUILD_DEMOS=OFF \
        -DFREEGLUT_GLES=OFF \
        -Wno-dev > "$work/configure.log" || {
        cat "$work/configure.log"
        return 1
    }
    cmake --build "$work/build" -j "$jobs"
    cmake --install "$work/build" > /dev/null
}

build_epoxy()
{
    local tarball=$1 prefix=$2 work=$3
    unpack "$tarball" "$work/src"
    cat > "$work/cross.txt" << EOF
[binaries]
c = '$triplet-gcc-posix'
cpp = '$triplet-g++-posix'
ar = '$triplet-ar'
strip = '$triplet-strip'
windres = '$triplet-windres'
pkgconfig = 'pkg-config'

[host_machine]
system = 'windows'
cpu_family = 'x86_64'
cpu = 'x86_64'
endian = 'little'
EOF
    # No .pc file of the build machine may stand in for a Windows library.
    mkdir -p "$work/no-pkgconfig"
    PKG_CONFIG_LIBDIR=$work/no-pkgconfig PKG_CONFIG_PATH='' \
        meson setup "$work/build" "$work/src" --cross-file "$work/cross.txt" \
        --prefix "$prefix" --libdir lib --buildtype release \
        -Ddefault_library=static -Dtests=false -Ddocs=false \
        -Dglx=no -Degl=no -Dx11=false > "$work/configure.log" || {
        cat "$work/configure.log"
        return 1
    }
    ninja -C "$work/build" -j "$jobs" > /dev/null
    meson install -C "$work/build" --quiet > /dev/null
}

# static_library NAME PACKAGE BUILD_FUNCTION: the install folder of the package's static build,
# built when the cache has none for this version, compiler and recipe. Prints the folder.
static_library()
{
    local name=$1 package=$2 builder=$3 version compiler key prefix work tarball
    version=$(source_version "$package")
    [ -n "$version" ] || die "apt knows no source package $package"
    compiler=$(dpkg-query -W -f='${Version}' gcc-mingw-w64-x86-64-posix)
    key=$(echo "${name}_${version}_mingw-${compiler}_r${recipe}" | tr ':~+' '___')
    prefix=$cache/$key
    if [ -f "$prefix/.complete" ]; then
        say "using the cached $name $version ($prefix)"
        echo "$prefix"
        return
    fi
    tarball=$(fetch_source "$package" "$version")
    say "building $name $version as a static Windows library"
    work=$cache/work-$key
    rm -rf "$prefix" "$work"
    mkdir -p "$work"
    "$builder" "$tarball" "$prefix" "$work" >&2 || die "building $name failed (see above)"
    touch "$prefix/.complete"
    rm -rf "$work"
    echo "$prefix"
}

#=== THE GAME AND ITS ZIP
build_game()
{
    local freeglut=$1 epoxy=$2
    say "cross-building the game in $build"
    cmake -S "$root" -B "$build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_PREFIX_PATH="$freeglut;$epoxy" \
        -DGOMOKU_BUILD_TESTS=OFF \
        -DGOMOKU_BUILD_BENCH=OFF > /dev/null
    cmake --build "$build" --target gomoku3d pbrain-gomoku3d -j "$jobs"
    [ -f "$build/gomoku3d.exe" ] || die "no $build/gomoku3d.exe after the build"
    [ -f "$build/pbrain-gomoku3d.exe" ] || die "no $build/pbrain-gomoku3d.exe after the build"
}

package_zip()
{
    local stage=$build/package/gomoku3d mesh
    say "packing $build/gomoku3d-windows.zip"
    rm -rf "$build/package" "$build/gomoku3d-windows.zip"
    mkdir -p "$stage"
    $triplet-strip -o "$stage/gomoku3d.exe" "$build/gomoku3d.exe"
    # The tournament brain, for managers that run Windows engines.
    $triplet-strip -o "$stage/pbrain-gomoku3d.exe" "$build/pbrain-gomoku3d.exe"
    for mesh in "${meshes[@]}"; do
        [ -s "$root/assets/$mesh" ] || die "the mesh assets/$mesh is missing"
        cp "$root/assets/$mesh" "$stage/"
    done
    # Windows readers expect CR LF line ends, and a .txt name to open the licence with.
    sed 's/\r*$/\r/' "$root/packaging/windows/README.txt" > "$stage/README.txt"
    sed 's/\r*$/\r/' "$root/LICENSE" > "$stage/LICENSE.txt"
    (cd "$build/package" && zip -q -X -r ../gomoku3d-windows.zip gomoku3d)
}

main()
{
    local start=$SECONDS freeglut epoxy
    install_missing
    ensure_deb_src
    mkdir -p "$cache"
    freeglut=$(static_library freeglut freeglut build_freeglut)
    epoxy=$(static_library epoxy libepoxy build_epoxy)
    build_game "$freeglut" "$epoxy"
    package_zip
    say "done in $((SECONDS - start)) s: $build/gomoku3d.exe, $build/pbrain-gomoku3d.exe and $build/gomoku3d-windows.zip"
}

# Sourced (by its tests), it only defines its functions.
if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    main
fi
