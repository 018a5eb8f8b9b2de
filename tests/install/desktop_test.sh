#!/usr/bin/env bash
# The installed desktop files: each passes its format's own checker, and each names files that
# the same install put in place (the command, the icon, the desktop entry).
# Usage: desktop_test.sh BUILD_DIR CASE
set -euo pipefail
# shellcheck source=tests/install/common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

build=$1
case_name=$2

make_work_dir
prefix="$work/prefix"
install_to "$build" "$prefix"

case $case_name in
desktop_entry)
    require desktop-file-validate desktop-file-utils
    entry="$prefix/share/applications/gomoku3d.desktop"
    [ -f "$entry" ] || fail "no desktop entry at $entry"
    desktop-file-validate "$entry" >"$work/validate.log" 2>&1 ||
        fail "desktop-file-validate: $(cat "$work/validate.log")"
    [ ! -s "$work/validate.log" ] || fail "desktop-file-validate: $(cat "$work/validate.log")"

    # key VALUE: the value of a key in the [Desktop Entry] group.
    key() { sed -n '/^\[Desktop Entry\]/,/^\[/ s/^'"$1"'=//p' "$entry"; }
    exec_command=$(key Exec | cut -d ' ' -f 1)
    [ -x "$prefix/bin/$exec_command" ] || fail "Exec names '$exec_command', not an installed command"
    icon=$(key Icon)
    [ -f "$prefix/share/icons/hicolor/256x256/apps/$icon.png" ] ||
        fail "Icon names '$icon', but no such icon is installed"
    [ "$(key Categories)" = "Game;BoardGame;" ] || fail "Categories are '$(key Categories)'"
    ;;
metainfo)
    require appstreamcli appstream
    shopt -s nullglob
    files=("$prefix"/share/metainfo/*.metainfo.xml)
    [ "${#files[@]}" -eq 1 ] || fail "expected one metainfo file, found ${#files[@]}"
    metainfo=${files[0]}
    appstreamcli validate --no-net --pedantic "$metainfo" >"$work/validate.log" 2>&1 ||
        fail "appstreamcli validate: $(cat "$work/validate.log")"

    # The file is named for the component's id; its launchable and binary are installed.
    id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$metainfo")
    [ "$(basename "$metainfo")" = "$id.metainfo.xml" ] ||
        fail "$(basename "$metainfo") is not named for its id '$id'"
    desktop_id=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
    [ -f "$prefix/share/applications/$desktop_id" ] ||
        fail "launchable '$desktop_id' is not an installed desktop entry"
    binary=$(sed -n 's:.*<binary>\(.*\)</binary>.*:\1:p' "$metainfo")
    [ -x "$prefix/bin/$binary" ] || fail "provided binary '$binary' is not installed"
    ;;
man_page)
    require groff groff-base
    require lexgrog man-db
    page="$prefix/share/man/man6/gomoku3d.6.gz"
    [ -f "$page" ] || fail "no man page at $page"
    gzip -dc "$page" | groff -man -Tutf8 -ww -z 2>"$work/groff.log" ||
        fail "groff failed: $(cat "$work/groff.log")"
    [ ! -s "$work/groff.log" ] || fail "groff warns: $(cat "$work/groff.log")"
    # The NAME line is what whatis and apropos index.
    lexgrog "$page" >"$work/lexgrog.log" 2>&1 || fail "lexgrog: $(cat "$work/lexgrog.log")"
    grep -q 'gomoku3d - ' "$work/lexgrog.log" || fail "NAME section not indexable: $(cat "$work/lexgrog.log")"
    # man finds it in the installed tree by name and section.
    MANPATH="$prefix/share/man" MANPAGER=cat MANWIDTH=80 man 6 gomoku3d >"$work/man.txt" 2>&1 ||
        fail "man 6 gomoku3d: $(cat "$work/man.txt")"
    grep -q '^EXIT STATUS' "$work/man.txt" || fail "man page has no EXIT STATUS section"
    ;;
icon)
    require identify imagemagick
    icon="$prefix/share/icons/hicolor/256x256/apps/gomoku3d.png"
    [ -f "$icon" ] || fail "no icon at $icon"
    format=$(identify -format '%m %wx%h' "$icon")
    [ "$format" = "PNG 256x256" ] || fail "icon is '$format', not a 256x256 PNG"
    ;;
*)
    fail "unknown case '$case_name'"
    ;;
esac
echo "ok: $case_name"
