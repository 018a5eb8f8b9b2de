#!/usr/bin/env bash
# The real program under a private Xvfb with a hostile "circle.STL": exactly one report, the
# window stays open, status 0 on Esc.
# Usage: hostile_start.sh GAME_EXECUTABLE CASE   (CASE: binary-solid, nul-bytes, directory)
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/strict.sh"
game=$1
case_name=$2
source "$(dirname "${BASH_SOURCE[0]}")/xvfb_session.sh"

folder="$scratch/run"
mkdir -p "$folder"
for name in plane lines "black wins" "white wins"; do
    printf 'solid %s\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nendloop\nendfacet\nendsolid\n' \
        "$name" >"$folder/$name.STL"
done

case "$case_name" in
binary-solid)
    # A binary STL whose 80-byte header begins with "solid", then two 50-byte records.
    { printf 'solid exported by a CAD program'; head -c 49 /dev/zero | tr '\0' ' '
      printf '\x02\x00\x00\x00'; head -c 100 /dev/zero; } >"$folder/circle.STL"
    message="無內容"
    ;;
nul-bytes)
    head -c 65536 /dev/zero >"$folder/circle.STL"
    message="無內容"
    ;;
directory)
    mkdir "$folder/circle.STL"
    message="檔名或路徑錯誤! 無法開啟檔案!"
    ;;
*)
    fail "unknown case $case_name"
    ;;
esac

start_private_xvfb
console="$scratch/console.txt"
start_game "$game" "$folder" "$console"
window=$(wait_for_game_window)
sleep 1
kill -0 "$game_pid" 2>/dev/null || fail "the program ended on its own"
xvfb_find_window 5 "$game_pid" >/dev/null || fail "the window closed"

headline=$(big5 "讀檔失敗!")
expected=$(big5 "錯誤描述：${message}")
reports=$(grep -c -F -- "$headline" "$console" || true)
[ "$reports" -eq 1 ] || fail "expected one report, the console shows $reports"
grep -q -F -x -- "$expected" "$console" || fail "the report does not read \"錯誤描述：${message}\""

focus_game_window "$window"
quit_with_escape
echo "PASS: $case_name: one report, window open, status 0 on Esc"
