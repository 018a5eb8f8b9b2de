#!/usr/bin/env bash
# The Debian package CPack makes of the build: what it installs, where and with which modes, that
# its Depends cover every library the game loads, and that lintian finds no fault in it.
# Usage: package_test.sh BUILD_DIR PACKAGE_DIR build|contents|depends|lintian
set -euo pipefail
# shellcheck source=tests/install/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

build=$1
package_dir=$2
case_name=$3

# the_package: the one .deb in PACKAGE_DIR.
the_package() {
    shopt -s nullglob
    local debs=("$package_dir"/gomoku3d_*.deb)
    [ "${#debs[@]}" -eq 1 ] || fail "expected one gomoku3d_*.deb in $package_dir, found ${#debs[@]}"
    echo "${debs[0]}"
}

case $case_name in
build)
    require dpkg-shlibdeps dpkg-dev
    rm -rf "$package_dir"
    mkdir -p "$package_dir"
    (cd "$build" && env -u DESTDIR "${CPACK_COMMAND:-cpack}" -G DEB -B "$package_dir") \
        >"$package_dir/cpack.log" 2>&1 || { cat "$package_dir/cpack.log" >&2; fail "cpack -G DEB failed"; }
    deb=$(the_package)
    dpkg-deb --info "$deb" >/dev/null || fail "$deb is not a valid Debian package"
    ;;
contents)
    deb=$(the_package)
    make_work_dir
    # Every file, with its mode, owner and path, folders left out: Debian's layout for games.
    dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { path = substr($0, index($0, "./")); print $1, $2, path }' |
        sort >"$work/files"
    sort >"$work/expected" <<'EOF'
-rwxr-xr-x root/root ./usr/games/gomoku3d
-rwxr-xr-x root/root ./usr/lib/games/gomoku3d/gomoku3d
-rw-r--r-- root/root ./usr/share/games/gomoku3d/plane.STL
-rw-r--r-- root/root ./usr/share/games/gomoku3d/lines.STL
-rw-r--r-- root/root ./usr/share/games/gomoku3d/circle.STL
-rw-r--r-- root/root ./usr/share/games/gomoku3d/black wins.STL
-rw-r--r-- root/root ./usr/share/games/gomoku3d/white wins.STL
-rw-r--r-- root/root ./usr/share/applications/gomoku3d.desktop
-rw-r--r-- root/root ./usr/share/icons/hicolor/256x256/apps/gomoku3d.png
-rw-r--r-- root/root ./usr/share/metainfo/io.github.gomoku3d.gomoku3d.metainfo.xml
-rw-r--r-- root/root ./usr/share/man/man6/gomoku3d.6.gz
-rw-r--r-- root/root ./usr/share/doc/gomoku3d/copyright
-rw-r--r-- root/root ./usr/share/doc/gomoku3d/changelog.gz
EOF
    diff "$work/expected" "$work/files" >"$work/diff" ||
        fail "package files differ from the expected (< expected, > packaged):
$(cat "$work/diff")"

    # The copyright file grants the licence the sources carry, word for word.
    dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/gomoku3d/copyright >"$work/copyright"
    # The stand-alone paragraph that starts "License: MIT", its lines unindented, "." lines empty.
    awk 'BEGIN { RS = "" } /^License: MIT\n/' "$work/copyright" | sed '1d; s/^ //; s/^\.$//' >"$work/granted"
    sed -n '/^Permission/,$p' "$(dirname "${BASH_SOURCE[0]}")/../../LICENSE" | cmp -s - "$work/granted" ||
        fail "the MIT text in the package's copyright differs from LICENSE"

    for field in Package:gomoku3d Section:games Architecture:"$(dpkg --print-architecture)"; do
        value=$(dpkg-deb -f "$deb" "${field%%:*}")
        [ "$value" = "${field#*:}" ] || fail "${field%%:*} is '$value', not '${field#*:}'"
    done
    [ -n "$(dpkg-deb -f "$deb" Maintainer)" ] || fail "no Maintainer"
    [ -n "$(dpkg-deb -f "$deb" Description)" ] || fail "no Description"
    ;;
depends)
    deb=$(the_package)
    make_work_dir
    depends=$(dpkg-deb -f "$deb" Depends)
    # The package names in Depends, alternatives included, versions left out.
    echo "${depends//[,|]/$'\n'}" | sed 's/(.*)//; s/ //g' | grep . | sort -u >"$work/depends"

    # The four libraries the game runs on: freeglut, epoxy, GLU, and libGL, which epoxy opens
    # at run time and so no link-time scan can find.
    for package in libglut3.12 libepoxy0 libglu1-mesa libgl1; do
        grep -qx "$package" "$work/depends" || fail "Depends lacks $package: $depends"
    done

    # Each library the packaged program links comes from a package that Depends names.
    dpkg-deb -x "$deb" "$work/root"
    program="$work/root/usr/lib/games/gomoku3d/gomoku3d"
    objdump -p "$program" | awk '$1 == "NEEDED" { print $2 }' >"$work/needed"
    [ -s "$work/needed" ] || fail "objdump lists no needed library"
    ldd "$program" >"$work/ldd"
    while read -r soname; do
        path=$(awk -v s="$soname" '$1 == s && $2 == "=>" { print $3 }' "$work/ldd")
        [ -n "$path" ] || fail "$soname is not found by the dynamic loader"
        owner=""
        for candidate in "$path" "$(realpath "$path")" "${path#/usr}"; do
            owner=$(dpkg -S "$candidate" 2>/dev/null | head -n 1 | cut -d : -f 1) && break
        done
        [ -n "$owner" ] || fail "no installed package holds $path"
        grep -qx "$owner" "$work/depends" || fail "$soname comes from $owner, which Depends lacks: $depends"
    done <"$work/needed"
    ;;
lintian)
    # Debian's own check of a package: no error and no warning; informational tags are shown.
    require lintian lintian
    deb=$(the_package)
    make_work_dir
    lintian --display-info --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 ||
        fail "lintian: $(cat "$work/lintian.log")"
    ! grep -E '^[EW]: ' "$work/lintian.log" || fail "lintian reports errors or warnings"
    cat "$work/lintian.log"
    ;;
*)
    fail "unknown case '$case_name'"
    ;;
esac
echo "ok: $case_name"
