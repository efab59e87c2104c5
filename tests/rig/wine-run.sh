#!/usr/bin/env bash
# CTest's emulator for the Windows build: runs a program in the rig's prefix.
# The rig's wineserver is already running detached, so this program's output
# pipe is held by nobody else and ctest sees its end.
state=$1
shift
eval "$("$(dirname "$0")/rig.sh" env "$state")"
[ -f "$state/wine.up" ] || { echo "wine-run: the rig is not up ($state)" >&2; exit 1; }
exec "$WINE" "$@"
