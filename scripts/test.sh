#!/usr/bin/env bash
# Sets everything up, builds, and runs every test: the native tests, then the
# Windows tests under Wine (the rig they need is started and stopped by the
# tests themselves). Exits non-zero when any test fails.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/setup.sh" || exit 1
"$root/scripts/build.sh" || exit 1

wintree=$root/build/$("$root/tests/rig/rig.sh" arch)
# Whatever happens to ctest, nothing the rig started outlives this script.
trap '"$root/tests/rig/rig.sh" down "$wintree/rig" >/dev/null 2>&1' EXIT

status=0
(cd "$root/build/native" && ctest --output-on-failure) || status=1
(cd "$wintree" && ctest --output-on-failure) || status=1
[ "$(basename "$wintree")" = win64 ] &&
    echo "note: no 32-bit Wine here (this host cannot run 32-bit code, or it could not be installed); the Wine tests ran the x86_64 build of the same sources"
exit $status
