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
handles() { "$WINE" "$tree/tests/bin/fault_soak.exe" --handles-of "Hushwave VoIP" </dev/null | tr -d '\r'; }
# Between the faults the VoIP side records what flows (the microphone stays
# open): those recordings must hold every counter value, in order.
tap() { # name seconds
    "$WINE" "$bin/vmic.exe" tap "$2" "Z:${rig//\//\\}\\$1.wav" </dev/null >"$rig/$1.log" 2>&1 &
}
sleep 3
echo "handles after the start: $(handles)"
rm -f "$rig"/tap-*.wav
start=$(date +%s)
last="" next_mic=30 next_driver=60 next_tap=10 taps=0
# A schedule, not a count of loop turns: each turn takes a second or more.
while [ $(( $(date +%s) - start )) -lt $((minutes * 60)) ]; do
    t=$(( $(date +%s) - start ))
    if [ "$t" -ge "$next_mic" ]; then
        if [ -n "$(mic_module)" ]; then
            pactl unload-module "$(mic_module)" && echo "$t s: microphone removed"
        else
            pactl load-module module-remap-source source_name=rig_pattern.mic master=rig_pattern.monitor \
                "source_properties='device.description=\"Rig Pattern Microphone\"'" >/dev/null &&
                echo "$t s: microphone restored"
        fi
        next_mic=$((next_mic + 30))
    fi
    if [ "$t" -ge "$next_driver" ]; then
        "$WINE" net stop hshvad </dev/null >/dev/null 2>&1 && echo "$t s: driver stopped"
        sleep 5
        "$WINE" net start hshvad </dev/null >/dev/null 2>&1 && echo "$(( $(date +%s) - start )) s: driver started"
        "$WINE" "$bin/vmic.exe" open </dev/null >/dev/null
        next_driver=$((next_driver + 120))
    fi
    # A tap in each minute's first half, when the microphone is in: from 10 s
    # after the minute (recovered from the driver's outage) to 25 s.
    if [ "$t" -ge "$next_tap" ]; then
        taps=$((taps + 1))
        tap "tap-$taps" 15
        next_tap=$((next_tap + 60))
    fi
    now=$(status)
    [ "$now" != "$last" ] && echo "$t s: status \"$now\"" && last=$now
    sleep 1
done
sleep 20 # the last tap ends
echo "handles at the end: $(handles)"
echo "== what the VoIP side heard between the faults (15 s taps)"
/usr/bin/python3 "$root/tests/rig/pattern-breaks.py" "$rig"/tap-*.wav
taps_ok=$?
"$WINE" "$bin/wndcmd.exe" "Hushwave VoIP" command ID_TRAY_EXIT </dev/null
wait "$program"
echo "program ended with exit code $?"
exit $taps_ok
