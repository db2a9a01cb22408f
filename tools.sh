#!/usr/bin/env bash
# Shared by run.sh and test.sh: install what is missing, then configure and build.
set -euo pipefail

NW_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
NW_PACKAGES=(cmake ninja-build g++ clang python3 qt6-base-dev qt6-serialport-dev qt6-tools-dev
             qt6-tools-dev-tools qt6-l10n-tools libgl-dev ccache xvfb xauth
             dpkg-dev file desktop-file-utils appstream lintian qt6-translations-l10n
             fonts-wqy-microhei)

# nw_install_missing [extra packages...]
nw_install_missing() {
    local missing=()
    for p in "${NW_PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -eq 0 ]; then
        echo "Installing: ${missing[*]}"
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq
        apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    else
        echo "These Debian packages are missing; install them as root, then run this again:" >&2
        echo "  apt-get install --no-install-recommends ${missing[*]}" >&2
        exit 1
    fi
}

# nw_build DIR [cmake options...]
nw_build() {
    local dir=$1
    shift
    cmake -S "$NW_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j"$(nproc)"
}
