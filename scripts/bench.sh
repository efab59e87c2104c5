#!/usr/bin/env bash
# Benchmarks and soaks, run by hand: the capture path under Wine on the rig's
# real parts (default 600 s of capture, then a fifth of that with the noise
# suppressor on), the driver write round trip, and the engine test's
# bit-for-bit continuity run for CONTINUITY_SECONDS (default 30; CI runs 5).
#   bash scripts/bench.sh [seconds]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-600}

"$root/scripts/setup.sh" || exit 1
"$root/scripts/build.sh" || exit 1
tree=$root/build/$("$root/tests/rig/rig.sh" arch)
rig=$tree/bench-rig
trap '"$root/tests/rig/rig.sh" down "$rig" >/dev/null 2>&1' EXIT
RIG_PATTERN_SECONDS=$((seconds + 300)) "$root/tests/rig/rig.sh" up "$rig" "$tree/bin/hshvad.sys" || exit 1
eval "$("$root/tests/rig/rig.sh" env "$rig")"
"$WINE" "$tree/bin/vmic.exe" bench 5000
"$WINE" "$tree/tests/bin/capture_bench.exe" "$seconds"
# The same path with the real hsh.dll on every block, for a fifth of the time.
"$WINE" "$tree/tests/bin/capture_bench.exe" $((seconds / 5 > 20 ? seconds / 5 : 20)) suppressor
CONTINUITY_SECONDS=${CONTINUITY_SECONDS:-30} "$WINE" "$tree/tests/bin/audio_engine_tests.exe" \
    --gtest_filter=AudioEngineTest.WithNoiseCancellationOffTheMicrophoneArrivesBitForBit
