# shellcheck shell=bash
# Sourced by the scripts that install what they need: Debian packages installed when missing.

# install_missing [--no-install-recommends] PACKAGE...: installs, with apt, those of the packages
# that are not installed yet; as root, or through sudo for a normal user.
install_missing() {
    local options=() missing=() package sudo=()
    if [ "${1:-}" = --no-install-recommends ]; then
        options=(--no-install-recommends)
        shift
    fi
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    ((${#missing[@]} > 0)) || return 0
    echo "Installing: ${missing[*]}"
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null ||
            { echo "${0##*/}: not root and no sudo to install: ${missing[*]}" >&2 && return 1; }
        sudo=(sudo)
    fi
    "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 \
        install -y -q "${options[@]}" "${missing[@]}"
}
