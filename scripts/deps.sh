#!/usr/bin/env bash
# Installs what building, running and testing Orvane Manager needs on Debian 12.
set -euo pipefail
packages=(
    build-essential cmake ninja-build pkg-config git
    libsndfile1-dev libasound2-dev
    qt6-base-dev libgl1-mesa-dev
    libgtest-dev libgmock-dev libbenchmark-dev libsqlite3-dev
    clang clang-format libclang-rt-14-dev
    xvfb xauth fonts-dejavu-core fonts-liberation
    dbus desktop-file-utils xdotool trayer file dpkg-dev weston qt6-wayland
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
