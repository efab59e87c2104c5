#!/usr/bin/env bash
# The test rig: a private display (Xvfb), a private sound server (PulseAudio)
# and a private 32-bit Wine prefix with the stand-in driver installed, all kept
# under one state folder and all stopped by the PIDs this script recorded.
#
#   rig.sh up   STATE_DIR DRIVER_SYS   start everything (idempotent: stops first)
#   rig.sh down STATE_DIR              stop everything this rig started
#   rig.sh env  STATE_DIR              print the environment for Wine programs
#   rig.sh arch                        win32 where this machine runs 32-bit
#                                      code, else win64 (see README)
#   rig.sh up brings along a microphone "Rig Pattern Microphone" playing the
#   counter signal of pattern.py for as long as the rig is up, a "Rig Noisy
#   Microphone" playing noisy.py's voiced sound over white noise for
#   RIG_PATTERN_SECONDS (default 1200), and silent ones named "Mic Array",
#   "Mic", "Mic" and "USB Headset Microphone".
#   rig.sh play STATE_DIR NAME FILE    play FILE into the microphone NAME now
#   rig.sh feed STATE_DIR              how often each player's feed ran dry
#                                      (the sound server then inserts silence)
#   RIG_DISPLAY=:0 rig.sh up ...       use that display instead of a private one
#   rig.sh source STATE_DIR NAME DESCRIPTION [FILE]
#                                      add a microphone with that description,
#                                      playing FILE (raw 16 kHz mono s16le) once
#
# Wine's server and service processes inherit stdout/stderr, so every Wine
# command that may boot the prefix runs with its output in a log file: a pipe
# held open by them would hang whoever reads it.
set -u

# Some kernels run without 32-bit support (ia32_emulation off): 32-bit Wine
# cannot start there at all, so the rig falls back to a 64-bit prefix.
wine_arch() {
    if /usr/lib/wine/wine --version >/dev/null 2>&1; then echo win32; else echo win64; fi
}

cmd=${1:-}
[ "$cmd" = arch ] && { wine_arch; exit 0; }
state=${2:-}
[ -n "$cmd" ] && [ -n "$state" ] || { echo "usage: rig.sh up|down|env|source STATE_DIR ..." >&2; exit 2; }
mkdir -p "$state"
state=$(cd "$state" && pwd)
prefix=$state/prefix
pulse=$state/pulse
log=$state/rig.log

rig_env() {
    local arch
    arch=$(cat "$state/arch" 2>/dev/null || wine_arch)
    echo "export WINEPREFIX='$prefix'"
    echo "export WINEARCH=$arch"
    if [ "$arch" = win32 ]; then
        echo "export WINE=/usr/lib/wine/wine WINELOADER=/usr/lib/wine/wine"
    else
        echo "export WINE=/usr/lib/wine/wine64 WINELOADER=/usr/lib/wine/wine64"
    fi
    echo "export WINEDEBUG=-all"
    echo "export WINEDLLOVERRIDES='mscoree,mshtml=;winemenubuilder.exe=d'"
    [ -f "$state/display" ] && echo "export DISPLAY=':$(cat "$state/display")'"
    echo "export PULSE_SERVER='unix:$pulse/native'"
    echo "export PULSE_RUNTIME_PATH='$pulse'"
    echo "export XDG_RUNTIME_DIR='$pulse'"
    echo "export PULSE_CLIENTCONFIG='$pulse/client.conf'"
    echo "export RIG_DIR='$state'"
}

stop_pid_file() {
    local file=$1 pid
    [ -f "$file" ] || return 0
    pid=$(cat "$file" 2>/dev/null)
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill "$pid" 2>/dev/null
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null
    fi
    rm -f "$file"
}

x_up() {
    if [ -n "${RIG_DISPLAY:-}" ]; then
        echo "${RIG_DISPLAY#:}" >"$state/display"
        return 0
    fi
    local fifo=$state/displayfd
    rm -f "$fifo"; mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" </dev/null >>"$log" 2>&1 &
    echo $! >"$state/xvfb.pid"
    local display
    read -r -t 20 display <"$fifo" || { echo "Xvfb did not start" >&2; return 1; }
    rm -f "$fifo"
    echo "$display" >"$state/display"
}

pulse_up() {
    mkdir -p "$pulse"; chmod 700 "$pulse"
    cat >"$pulse/default.pa" <<EOF
load-module module-native-protocol-unix auth-anonymous=1 socket=$pulse/native
load-module module-null-sink sink_name=rig_out rate=16000 channels=1 format=s16le sink_properties=device.description=Speakers
set-default-sink rig_out
EOF
    # Audio over the socket only: under load, shared-memory blocks (memfd)
    # that the server had not registered yet stalled Wine's capture stream.
    printf 'enable-shm = no\nenable-memfd = no\n' >"$pulse/client.conf"
    XDG_RUNTIME_DIR=$pulse PULSE_RUNTIME_PATH=$pulse HOME=$pulse \
        pulseaudio -D --exit-idle-time=-1 --disallow-exit -n -F "$pulse/default.pa" \
        --disable-shm=yes --enable-memfd=no \
        --log-target=file:"$pulse/pulse.log" </dev/null >>"$log" 2>&1
    for _ in $(seq 50); do [ -S "$pulse/native" ] && [ -f "$pulse/pid" ] && break; sleep 0.1; done
    [ -f "$pulse/pid" ] || { echo "PulseAudio did not start" >&2; return 1; }
    cp "$pulse/pid" "$state/pulse.pid"
}

wine_up() {
    local sys=$1
    wine_arch >"$state/arch"
    eval "$(rig_env)"
    rm -rf "$prefix"
    "$WINE" wineboot -i </dev/null >>"$log" 2>&1
    mkdir -p "$prefix/drive_c/windows/system32/drivers"
    cp "$sys" "$prefix/drive_c/windows/system32/drivers/hshvad.sys"
    # Managed=N: without a window manager every hide or exit would stall 2 s.
    cat >"$state/rig.reg" <<'EOF'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\hshvad]
"Type"=dword:00000001
"ErrorControl"=dword:00000001
"Start"=dword:00000002
"ImagePath"="\\SystemRoot\\System32\\drivers\\hshvad.sys"
"DisplayName"="HSH Audio Driver (stand-in)"
EOF
    "$WINE" regedit /S "Z:${state//\//\\}\\rig.reg" </dev/null >>"$log" 2>&1
    wineserver -k </dev/null >>"$log" 2>&1
    wineserver -w </dev/null >>"$log" 2>&1
    # A persistent server, detached from every pipe, then a warm-up program
    # that boots the prefix and with it the driver (Start=2).
    wineserver -p </dev/null >>"$log" 2>&1
    "$WINE" cmd /c exit </dev/null >>"$log" 2>&1
    touch "$state/wine.up"
}

wine_down() {
    [ -d "$prefix" ] || return 0
    WINEPREFIX=$prefix wineserver -k </dev/null >>"$log" 2>&1
    WINEPREFIX=$prefix wineserver -w </dev/null >>"$log" 2>&1
    rm -f "$state/wine.up"
}

add_source() {
    local name=$1 description=$2 file=${3:-}
    eval "$(rig_env)"
    pactl load-module module-null-sink sink_name="$name" rate=16000 channels=1 format=s16le \
        sink_properties=device.description="$name.feed" >/dev/null || return 1
    pactl load-module module-remap-source source_name="$name.mic" master="$name.monitor" \
        "source_properties='device.description=\"$description\"'" >/dev/null || return 1
    [ -z "$file" ] || play "$name" "$file"
}

# A player stands in for a microphone's hardware, which never waits for the
# processor: it runs at the real-time priority of the sound server's own
# threads (where the rig may set it) with RIG_FEED_MSEC (default 250) queued,
# so a busy machine does not starve it. A larger queue would not do: the
# sound server then renders the microphone in blocks of half of it, and every
# capture would start that much later. When a feed runs dry all the same, the
# player's log (-v) says "Stream underrun." and `rig.sh feed` counts it.
player() { # name, then the input file or FIFO
    local rt=()
    chrt -r 5 true 2>/dev/null && rt=(chrt -r 5)
    "${rt[@]}" paplay -v --latency-msec="${RIG_FEED_MSEC:-250}" --device="$1" --raw --rate=16000 \
        --channels=1 --format=s16le "$2" </dev/null >>"$state/feed-$1.log" 2>&1 &
    echo $! >>"$state/players.pid"
}

play() {
    local name=$1 file=$2
    eval "$(rig_env)"
    player "$name" "$file"
}

# The counter signal made as it plays, so it never ends while the rig is up.
play_pattern() {
    local name=$1 fifo=$state/pattern.fifo
    eval "$(rig_env)"
    rm -f "$fifo"; mkfifo "$fifo"
    /usr/bin/python3 "$(dirname "$0")/pattern.py" "$fifo" </dev/null >>"$log" 2>&1 &
    echo $! >>"$state/players.pid"
    player "$name" "$fifo"
}

feed() {
    local f n
    for f in "$state"/feed-*.log; do
        [ -f "$f" ] || continue
        n=$(tr '\r' '\n' <"$f" | grep -c "Stream underrun")
        f=${f##*/feed-}
        echo "feed ${f%.log}: $n underruns"
    done
}

# Silent microphones whose descriptions exercise the device lists' naming:
# a prefix of an earlier entry, two equal ones, and a USB headset.
add_silent_source() {
    local name=$1 description=$2
    eval "$(rig_env)"
    pactl load-module module-remap-source source_name="$name" master=rig_out.monitor \
        "source_properties='device.description=\"$description\"'" >/dev/null
}

pattern_source() {
    local seconds=${RIG_PATTERN_SECONDS:-1200}
    local noisy=$state/noisy-$seconds.raw
    [ -f "$noisy" ] || /usr/bin/python3 "$(dirname "$0")/noisy.py" "$noisy" "$seconds" || return 1
    add_source rig_pattern "Rig Pattern Microphone" && play_pattern rig_pattern &&
        add_source rig_noisy "Rig Noisy Microphone" "$noisy" &&
        add_silent_source rig_mic_array "Mic Array" &&
        add_silent_source rig_mic_a "Mic" &&
        add_silent_source rig_mic_b "Mic" &&
        add_silent_source rig_usb "USB Headset Microphone"
}

down() {
    if [ -f "$state/players.pid" ]; then
        while read -r pid; do
            [ -n "$pid" ] && kill "$pid" 2>/dev/null
        done <"$state/players.pid"
        rm -f "$state/players.pid"
    fi
    wine_down
    stop_pid_file "$state/pulse.pid"
    stop_pid_file "$state/xvfb.pid"
    rm -f "$state/display" "$state/pattern.fifo"
}

case "$cmd" in
up)
    sys=${3:-}
    [ -f "$sys" ] || { echo "rig.sh up: driver file '$sys' not found" >&2; exit 2; }
    down
    : >"$log"
    rm -f "$state"/feed-*.log
    x_up && pulse_up && pattern_source && wine_up "$sys" ||
        { echo "rig up failed; see $log" >&2; down; exit 1; }
    ;;
down) down ;;
env) rig_env ;;
source) shift 2; add_source "$@" ;;
play) shift 2; play "$@" ;;
feed) feed ;;
*) echo "rig.sh: unknown command $cmd" >&2; exit 2 ;;
esac
