#!/usr/bin/env bash
# Builds every tree:
#   build/native  the platform-free logic, natively, with address and
#                 undefined-behaviour sanitizers, for fast tests
#   build/win32   the program as shipped: 32-bit Windows (i686)
#   build/win64   the same sources for x86_64 Windows, only on hosts whose
#                 kernel cannot run 32-bit code (Wine's 32-bit loader fails
#                 there); the Wine tests then run this build
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)

configure() { # dir, extra cmake args...
    local dir=$1
    shift
    [ -f "$dir/CMakeCache.txt" ] || cmake -S "$root" -B "$dir" "$@" >/dev/null
}

sanitize="-fsanitize=address,undefined -fno-sanitize-recover=undefined"
configure "$root/build/native" -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_FLAGS="$sanitize" -DCMAKE_CXX_FLAGS="$sanitize" \
    -DCMAKE_EXE_LINKER_FLAGS="$sanitize" -DCMAKE_SHARED_LINKER_FLAGS="$sanitize"
cmake --build "$root/build/native" -j "$jobs"

configure "$root/build/win32" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake"
cmake --build "$root/build/win32" -j "$jobs"

if [ "$("$root/tests/rig/rig.sh" arch)" = win64 ]; then
    configure "$root/build/win64" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake"
    cmake --build "$root/build/win64" -j "$jobs"
fi
