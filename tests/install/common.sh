# shellcheck shell=bash
# Shared by the install tests (sourced, bash): failing with a message, requiring a tool, a scratch
# folder that is removed at exit, installing the build into a scratch prefix, and a private Xvfb.

# shellcheck source=tools/xvfb.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/xvfb.sh"
work=""
game_pid=""

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# require COMMAND PACKAGE: a tool the test runs must be installed; a missing one is a failure to
# fix, never a reason to pass.
require() {
    command -v "$1" >/dev/null || fail "$1 is not installed (Debian package $2)"
}

# Runs at exit under set -e: no step may fail, or the ones after it would be skipped.
cleanup() {
    if [ -n "$game_pid" ]; then
        kill "$game_pid" 2>/dev/null || true
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    if [ -n "$work" ]; then
        rm -rf "$work"
    fi
}

# A command that fails under set -e says which one it was.
set -o errtrace
trap 'echo "FAIL: status $? from line $LINENO: $BASH_COMMAND" >&2' ERR

# Makes $work, a fresh scratch folder whose path holds a space, as users' paths do.
make_work_dir() {
    work=$(mktemp -d "${TMPDIR:-/tmp}/gomoku3d install.XXXXXX")
    trap cleanup EXIT
}

# install_to BUILD_DIR PREFIX: the install a user runs, into PREFIX.
install_to() {
    env -u DESTDIR "${CMAKE_COMMAND:-cmake}" --install "$1" --prefix "$2" >"$work/install.log" 2>&1 ||
        { cat "$work/install.log" >&2; fail "cmake --install $1 --prefix $2 failed"; }
}

# Starts an Xvfb of its own on a free display and exports DISPLAY for it.
start_xvfb() {
    xvfb_start "$work" || { cat "$work/xvfb.log" >&2; fail "Xvfb did not start"; }
}

# wait_exit PID SECONDS: waits for a background child to end; its status goes to $exit_status.
wait_exit() {
    xvfb_wait_exit "$1" "$2" || fail "process $1 still running after $2 s"
}
