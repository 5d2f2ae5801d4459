#!/usr/bin/env bash
# Installs, from Debian's archive, everything that building, running and testing the program needs.
# The README names what each package is for.
set -euo pipefail
if [ "$(id -u)" -ne 0 ]; then
    exec sudo "$0" "$@"
fi
packages=(
    cmake g++ make pkg-config git
    qt6-base-dev qt6-base-dev-tools qt6-base-private-dev libgl-dev
    mdbtools mdbtools-dev
    zlib1g-dev libjpeg-dev libsqlite3-dev
    fonts-arphic-uming fontconfig libfontconfig-dev
    xvfb xauth x11-utils xdotool xclip imagemagick libxcb1-dev libxcb-damage0-dev
    weston xwayland qt6-wayland
    dpkg-dev desktop-file-utils appstream lintian openbox wmctrl
    valgrind clang-tidy-14 clang-format-14
)
# Node.js runs the independent mdb-reader check; keep a Node.js that is already there.
command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${packages[@]}"
