#!/usr/bin/env bash
# The program on a machine without any sound server: it must report that it
# has no input device and end with exit code -1 (255 as Wine reports it).
#   no-sound-server.sh STATE_DIR PROGRAM.exe BOXWATCH.exe
set -u
state=$1 exe=$2 boxwatch=$3
eval "$("$(dirname "$0")/rig.sh" env "$state")"
export PULSE_SERVER=unix:/nonexistent/pulse PULSE_RUNTIME_PATH=/nonexistent XDG_RUNTIME_DIR=/nonexistent
"$WINE" "$exe" </dev/null >/dev/null 2>&1 &
app=$!
text=$("$WINE" "$boxwatch" Error 30000 </dev/null 2>/dev/null | tr -d '\r')
wait "$app"
code=$?
expected="Fatal Error -- Unable to set the intput device -- Exit the application now."
echo "message: $text"
echo "exit code: $code"
[ "$text" = "$expected" ] && [ "$code" = 255 ] && echo "1 passed, 0 failed" && exit 0
echo "0 passed, 1 failed"
exit 1
