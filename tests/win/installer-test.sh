#!/usr/bin/env bash
# The setup under Wine in a prefix of its own, made fresh for every run: a
# user's machine that has never seen the program. The rig lends only its
# display and sound server. installcheck.exe then drives setup, program and
# uninstaller inside that prefix and counts its checks.
#   installer-test.sh RIG_STATE_DIR WORK_DIR SETUP.exe INSTALLCHECK.exe BIN_DIR VERSION
#   installer-test.sh --stop WORK_DIR   ends that prefix's server and programs
#                                       (the cleanup after a test killed on time-out)
set -u
if [ "${1:-}" = --stop ]; then
    [ -d "$2/prefix" ] || exit 0
    WINEPREFIX=$2/prefix wineserver -k </dev/null >/dev/null 2>&1
    WINEPREFIX=$2/prefix wineserver -w </dev/null >/dev/null 2>&1
    exit 0
fi
rig=$1 work=$2 setup=$3 checker=$4 bin=$5 version=$6
eval "$("$(dirname "$0")/../rig/rig.sh" env "$rig")"
[ -f "$rig/wine.up" ] || { echo "installer-test: the rig is not up ($rig)" >&2; exit 1; }
export WINEPREFIX=$work/prefix
log=$work/wine.log

# Z:\ is the root of the Linux file system in every prefix.
windows_path() { echo "Z:${1//\//\\}"; }

# Whatever happens, this prefix's server and programs end with the test.
stop() {
    wineserver -k </dev/null >>"$log" 2>&1
    wineserver -w </dev/null >>"$log" 2>&1
}
trap stop EXIT

if [ -d "$WINEPREFIX" ]; then
    wineserver -k </dev/null >/dev/null 2>&1
    wineserver -w </dev/null >/dev/null 2>&1
fi
rm -rf "$work"
mkdir -p "$WINEPREFIX"
: >"$log"
start=$(date +%s%N)

# Wine's server and services inherit stdout: they get the log file, never a
# pipe. The server stays up between the programs, and ends by itself 30 s
# after the last one should this script be killed before its trap runs.
wineserver -p30 </dev/null >>"$log" 2>&1
"$WINE" wineboot -i </dev/null >>"$log" 2>&1 || { echo "wineboot failed; see $log"; exit 1; }
# Managed=N: without a window manager every hide or exit would stall 2 s.
"$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >>"$log" 2>&1
booted=$(date +%s%N)

"$WINE" "$(windows_path "$checker")" "$(windows_path "$setup")" "$(windows_path "$bin")" \
    "$version" </dev/null >"$work/check.log" 2>&1
status=$?
tr -d '\r' <"$work/check.log" >"$work/check.txt"
cat "$work/check.txt"
end=$(date +%s%N)
echo "prefix $(((booted - start) / 1000000)) ms, checks $(((end - booted) / 1000000)) ms," \
    "setup $(stat -c %s "$setup") bytes"
grep -q "^[1-9][0-9]* passed, 0 failed$" "$work/check.txt" || status=1
stop
trap - EXIT
# A passed run's prefix is of no further use (several hundred MB); a failed
# run's stays for a look.
[ "$status" -eq 0 ] && rm -rf "$WINEPREFIX"
exit $status
