#!/usr/bin/env bash
# Soaks, run by hand (never by CI), on a rig of their own:
# 1. fault_soak.exe: handles, GDI and USER objects of the main window over
#    1,000 engine starts and stops, 200 About boxes and tray menus, and driver
#    outages while the engine runs.
# 2. The real program for MINUTES (default 10) with its microphone removed and
#    restored every 30 s and the driver stopped and started every 2 minutes;
#    the status line is read every second and each change printed with its
#    time, so the time to show a fault and to recover can be read off.
#   bash scripts/soak.sh [minutes]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-10}

"$root/scripts/setup.sh" || exit 1
"$root/scripts/build.sh" || exit 1
tree=$root/build/$("$root/tests/rig/rig.sh" arch)
rig=$tree/soak-rig
bin=$tree/bin
trap '"$root/tests/rig/rig.sh" down "$rig" >/dev/null 2>&1' EXIT
RIG_PATTERN_SECONDS=$((minutes * 60 + 600)) "$root/tests/rig/rig.sh" up "$rig" "$bin/hshvad.sys" || exit 1
eval "$("$root/tests/rig/rig.sh" env "$rig")"

echo "== handles and objects"
"$WINE" "$tree/tests/bin/fault_soak.exe" 1000 200 3 </dev/null

echo "== the real program, microphone out every 30 s, driver out every 2 min, for $minutes min"
"$WINE" reg add 'HKCU\Software\Hushwave\Hushwave VoIP' /v CaptureName /t REG_SZ \
    /d "Rig Pattern" /f </dev/null >/dev/null 2>&1
"$WINE" "$bin/HushwaveVoIP.exe" </dev/null >"$rig/program.log" 2>&1 &
program=$!
"$WINE" "$bin/wndcmd.exe" "Hushwave VoIP" wait 20000 </dev/null || exit 1
"$WINE" "$bin/vmic.exe" open </dev/null >/dev/null
"$WINE" "$bin/wndcmd.exe" "Hushwave VoIP" click IDC_START_STOP </dev/null

mic_module() { pactl list short modules | awk '/source_name=rig_pattern.mic/ {print $1}'; }
status() { "$WINE" "$bin/wndcmd.exe" "Hushwave VoIP" text IDC_STATUS </dev/null 2>/dev/null | tr -d '\r'; }
start=$(date +%s)
last=""
while [ $(( $(date +%s) - start )) -lt $((minutes * 60)) ]; do
    t=$(( $(date +%s) - start ))
    if [ $((t % 30)) -eq 0 ] && [ "$t" -gt 0 ]; then
        if [ -n "$(mic_module)" ]; then
            pactl unload-module "$(mic_module)" && echo "$t s: microphone removed"
        else
            pactl load-module module-remap-source source_name=rig_pattern.mic master=rig_pattern.monitor \
                "source_properties='device.description=\"Rig Pattern Microphone\"'" >/dev/null &&
                echo "$t s: microphone restored"
        fi
    fi
    if [ $((t % 120)) -eq 60 ]; then
        "$WINE" net stop hshvad </dev/null >/dev/null 2>&1 && echo "$t s: driver stopped"
        sleep 5
        "$WINE" net start hshvad </dev/null >/dev/null 2>&1 && echo "$t s: driver started"
        "$WINE" "$bin/vmic.exe" open </dev/null >/dev/null
    fi
    now=$(status)
    [ "$now" != "$last" ] && echo "$t s: status \"$now\"" && last=$now
    sleep 1
done
"$WINE" "$bin/wndcmd.exe" "Hushwave VoIP" command ID_TRAY_EXIT </dev/null
wait "$program"
echo "program ended with exit code $?"
