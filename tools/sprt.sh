#!/usr/bin/env bash
# The tournament brain as it stands (this working tree) against the brain of an earlier git
# revision, until a sequential probability ratio test decides which is stronger. Run as
#   tools/bench.sh sprt [BASE] [OPTIONS]
# BASE is a git revision (by default the one in bench/sprt-base: the last revision whose strength
# was measured) or the path of a brain's executable. Its brain is built once into
# build-bench/brains/REVISION/, from the revision's own files (git archive), only the brain; the
# brain as it stands from a copy of the working tree's files in build-bench/brains/working/. The
# OPTIONS go to bench/brain_match.py: --nodes N (the
# default, 20000 positions a move) or --time MS, --match MS, --elo0 E, --elo1 E, --alpha A,
# --beta B, --max-games N, --rule N. Two games at a time, niced; every game goes to
# build-bench/sprt/BASE-TIME/games.jsonl.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/tools/strict.sh"
# shellcheck source=tools/packages.sh
source "$root/tools/packages.sh"
build="$root/build-bench"

base=""
if [ $# -gt 0 ] && [ "${1#-}" = "$1" ]; then
    base=$1
    shift
fi
if [ -z "$base" ]; then
    base=$(grep -v '^#' "$root/bench/sprt-base" | awk 'NF { print $1; exit }')
fi
options=("$@")
limit=(--nodes 20000)
for option in "${options[@]}"; do
    case "$option" in
    --nodes | --time | --match) limit=() ;;
    esac
done

install_missing g++ make cmake pkg-config git python3 \
    freeglut3-dev libglu1-mesa-dev libgl1-mesa-dev libepoxy-dev

# The brain as it stands: its files as they are now (committed or not) copied aside and built
# there, so that editing them while the brain builds cannot mix two versions.
snapshot="$build/brains/working"
rm -rf "$snapshot/source"
mkdir -p "$snapshot/source"
(cd "$root" && git ls-files -z --cached --others --exclude-standard |
    xargs -0 cp --parents -t "$snapshot/source" 2>/dev/null) || true
cmake -S "$snapshot/source" -B "$snapshot/build" -DCMAKE_BUILD_TYPE=Release \
    -DGOMOKU_BUILD_TESTS=OFF -DGOMOKU_BUILD_BENCH=OFF >"$snapshot/build.log" 2>&1 ||
    { cat "$snapshot/build.log" >&2 && exit 1; }
nice -n 5 cmake --build "$snapshot/build" -j2 --target pbrain-gomoku3d >>"$snapshot/build.log" 2>&1 ||
    { cat "$snapshot/build.log" >&2 && exit 1; }
new="$snapshot/build/pbrain-gomoku3d"

# The base: an executable as given, or built from its revision.
if [ -x "$base" ] && [ -f "$base" ]; then
    base_brain=$(cd "$(dirname "$base")" && pwd)/$(basename "$base")
    label=$(basename "$base")
else
    if ! revision=$(git -C "$root" rev-parse --verify --quiet "$base^{commit}"); then
        echo "sprt: '$base' is neither a git revision nor a brain's executable" >&2
        exit 2
    fi
    label=$(git -C "$root" rev-parse --short "$revision")
    place="$build/brains/$revision"
    base_brain="$place/pbrain-gomoku3d"
    if [ ! -x "$base_brain" ]; then
        echo "sprt: building the brain of $label into $place"
        rm -rf "$place"
        mkdir -p "$place/source"
        git -C "$root" archive "$revision" | tar -x -C "$place/source"
        cmake -S "$place/source" -B "$place/build" -DCMAKE_BUILD_TYPE=Release \
            -DGOMOKU_BUILD_TESTS=OFF -DGOMOKU_BUILD_BENCH=OFF >"$place/build.log" 2>&1 ||
            { cat "$place/build.log" >&2 && exit 1; }
        nice -n 5 cmake --build "$place/build" -j2 --target pbrain-gomoku3d >>"$place/build.log" 2>&1 ||
            { cat "$place/build.log" >&2 && exit 1; }
        cp "$place/build/pbrain-gomoku3d" "$base_brain"
        rm -rf "$place/source" "$place/build"
    fi
fi

log="$build/sprt/$label-$(date +%Y%m%d-%H%M%S)"
mkdir -p "$log"
# The match plays a copy, so that a build while it runs does not change the brain under it.
cp "$new" "$log/pbrain-new"
new="$log/pbrain-new"
echo "sprt: the brain as it stands against $label; $(nproc) cores, load average" \
    "$(cut -d' ' -f1-3 /proc/loadavg) at the start"
nice -n 5 python3 "$root/bench/brain_match.py" "$new" "$base_brain" \
    --openings "$root/bench/openings.txt" --log "$log" "${limit[@]}" "${options[@]}"
echo "sprt: load average $(cut -d' ' -f1-3 /proc/loadavg) at the end"
