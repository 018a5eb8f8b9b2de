#!/usr/bin/env bash
# Sets up what playing needs, builds the game, and starts it with its meshes' folder as the
# working directory. Arguments are handed on to the game (freeglut's own options, e.g. -geometry).
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/tools/strict.sh"

# Whether the X display that DISPLAY names takes connections: its local socket, or its TCP port
# for host:N. Plain bash, so that a player needs no X tool installed to be told.
display_reachable() {
    local display=${DISPLAY:-} host number
    host=${display%%:*}
    number=${display#*:}
    number=${number%%.*}
    [[ $display == *:* && $number =~ ^[0-9]+$ ]] || return 1
    if [ -z "$host" ] || [ "$host" = unix ]; then
        [ -S "/tmp/.X11-unix/X$number" ]
    else
        timeout 3 bash -c 'exec 3<>"/dev/tcp/$1/$2"' _ "$host" $((6000 + number)) 2>/dev/null
    fi
}

bash "$root/tools/setup.sh" --play

if ! display_reachable; then
    echo "gomoku3d needs an X display to open its window, and none is reachable (DISPLAY='${DISPLAY:-}')." >&2
    exit 1
fi

# The game runs in assets/, so a record named by a path relative to here is named in full.
arguments=()
for argument in "$@"; do
    if [[ $argument == *.[pP][sS][qQ] || $argument == *.[sS][gG][fF] ]] && [ -e "$argument" ]; then
        argument=$(realpath -- "$argument")
    fi
    arguments+=("$argument")
done

cd "$root/assets"
exec "$root/build/gomoku3d" "${arguments[@]}"
