#!/usr/bin/env bash
# Installs what the build and the tests need from Debian's archive. Safe to
# run again: it only calls apt when a package is missing.
set -euo pipefail

packages=(
    cmake make g++ googletest libgtest-dev clang-format
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools
    binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
    wine wine64 wine32:i386
    xvfb xauth x11-apps imagemagick
    pulseaudio pulseaudio-utils sox espeak-ng
    fp-utils nsis
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
bash "$(dirname "$0")/apt-update.sh"
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
