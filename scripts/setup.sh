#!/usr/bin/env bash
# Installs what the build and the tests need from Debian's archive. Safe to
# run again: it only calls apt when a package is missing.
set -euo pipefail

packages=(
    cmake make g++ googletest libgtest-dev clang-format
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools
    binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
    wine wine64
    xvfb xauth x11-apps imagemagick
    pulseaudio pulseaudio-utils sox espeak-ng
    fp-utils nsis
)

# 32-bit Wine runs the product as users get it. Where it cannot be installed
# (the archive's i386 index missing or mid-sync) the rest still is, and the
# rig tests the x86_64 build of the same sources, saying so.
wine32=wine32:i386

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
missing=()
for p in "${packages[@]}"; do
    installed "$p" || missing+=("$p")
done
installed $wine32 || missing32=$wine32
[ ${#missing[@]} -eq 0 ] && [ -z "${missing32:-}" ] && exit 0

echo "setup: installing ${missing[*]} ${missing32:-}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
bash "$(dirname "$0")/apt-update.sh"
[ ${#missing[@]} -eq 0 ] ||
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
[ -z "${missing32:-}" ] ||
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $wine32 ||
    echo "setup: $wine32 could not be installed; the Wine tests will run the x86_64 build" >&2
