#!/usr/bin/env bash
# The program's main job, end to end on this machine: builds everything,
# prepares a Windows prefix with the (stand-in) HSH Audio Driver and a
# microphone that hears noisy speech, starts HushwaveVoIP.exe, switches the
# audio engine on the way a user would, records the virtual microphone from
# the VoIP side with noise cancellation off and then on, and leaves the
# recordings and screenshots in out/.
#   bash scripts/run.sh            (with DISPLAY set, the windows show there)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/out

"$root/scripts/setup.sh" || exit 1
"$root/scripts/build.sh" || exit 1

tree=$root/build/$("$root/tests/rig/rig.sh" arch)
bin=$tree/bin
rig=$tree/main-rig
mkdir -p "$out"
trap '"$root/tests/rig/rig.sh" down "$rig" >/dev/null 2>&1' EXIT

# A noisy speech sample: a voice over fan-like noise and a 50 Hz hum.
speech=$out/speech.wav noisy=$out/noisy-speech.raw
espeak-ng -v en-us -s 150 -w "$speech" \
    "Hello, this is a test call with Hushwave. The fan in this room is loud, and there is a hum \
from the power supply. With noise cancellation on, the other side should hear my voice and \
much less of the noise." 2>/dev/null
sox "$speech" -r 16000 -c 1 -b 16 "$out/speech16.wav" pad 1 1 repeat 2
len=$(soxi -D "$out/speech16.wav")
# The room: pink noise about 28 dB and a hum about 36 dB below full scale,
# some 12 dB under the voice.
sox -n -r 16000 -c 1 -b 16 "$out/fan.wav" synth "$len" pinknoise gain -14
sox -n -r 16000 -c 1 -b 16 "$out/hum.wav" synth "$len" sine 50 gain -33
sox -m -v 1 "$out/speech16.wav" -v 1 "$out/fan.wav" -v 1 "$out/hum.wav" \
    -t raw -e signed -b 16 -r 16000 -c 1 "$noisy"
rm -f "$out/fan.wav" "$out/hum.wav" "$out/speech16.wav"

display_args=()
[ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1 && display_args=(RIG_DISPLAY="$DISPLAY")
env "${display_args[@]}" "$root/tests/rig/rig.sh" up "$rig" "$bin/hshvad.sys" || exit 1
"$root/tests/rig/rig.sh" source "$rig" noisy "Headset Microphone (noisy room)" || exit 1
eval "$("$root/tests/rig/rig.sh" env "$rig")"
"$WINE" reg add 'HKCU\Software\Hushwave\Hushwave VoIP' /v CaptureName /t REG_SZ \
    /d "Headset Microphone" /f </dev/null >/dev/null 2>&1

shot() { import -window root -display "$DISPLAY" "$out/$1.png" && echo "screenshot: out/$1.png"; }

"$WINE" "$bin/HushwaveVoIP.exe" </dev/null >"$out/program.log" 2>&1 &
program=$!
sleep 2 && shot splash
"$WINE" "$bin/wndcmd.exe" "Hushwave VoIP" wait 15000 </dev/null || exit 1
sleep 1 && shot main-window
"$WINE" "$bin/wndcmd.exe" "Hushwave VoIP" click IDC_START_STOP </dev/null
sleep 1

# The VoIP side opens the virtual microphone; the driver asks for audio.
"$root/tests/rig/rig.sh" play "$rig" noisy "$noisy"
"$WINE" "$bin/vmic.exe" record 8 "$out/before.wav" </dev/null
"$WINE" "$bin/wndcmd.exe" "Hushwave VoIP" click IDC_INPUT_NC_ON </dev/null
sleep 1 && shot engine-on
# The sample plays on (it lasts three times as long): the next 8 s, denoised.
"$WINE" "$bin/vmic.exe" record 8 "$out/after.wav" </dev/null

"$WINE" "$bin/wndcmd.exe" "Hushwave VoIP" command ID_TRAY_EXIT </dev/null
wait "$program"
echo "program ended with exit code $?"
echo "recordings at the VoIP side: out/before.wav (noise cancellation off), out/after.wav (on)"
/usr/bin/python3 "$root/scripts/levels.py" "$out/before.wav" "$out/after.wav"
