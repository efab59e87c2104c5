#!/usr/bin/env bash
# The program's main job. HushwaveVoIP.exe arrives with the main window; until
# then this builds everything that exists and shows the stand-in driver
# serving the peer tool under Wine.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/setup.sh" || exit 1
"$root/scripts/build.sh" || exit 1

tree=$root/build/$("$root/tests/rig/rig.sh" arch)
rig=$tree/rig
trap '"$root/tests/rig/rig.sh" down "$rig" >/dev/null 2>&1' EXIT
"$root/tests/rig/rig.sh" up "$rig" "$tree/bin/hshvad.sys" || exit 1
eval "$("$root/tests/rig/rig.sh" env "$rig")"

echo "The program HushwaveVoIP.exe is not built yet: it arrives with the main window."
echo "What runs today, under Wine, against the stand-in HSH Audio Driver:"
"$WINE" "$tree/bin/vmic.exe" bench 2000
"$WINE" "$tree/bin/vmic.exe" counters
