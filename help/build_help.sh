#!/bin/sh
# Compile the Hushwave VoIP help (HTML Help 1.x) into HushwaveVoIP.chm, in the
# folder this script lies in (the build copies the sources to its own tree).
# Needs chmcmd from Free Pascal (Debian: apt-get install -y fp-utils).
# chmls (same package) is used afterwards to list the compiled contents.
set -eu
HERE=$(cd "$(dirname "$0")" && pwd)
cd "$HERE"

command -v chmcmd >/dev/null 2>&1 || {
    echo "build_help.sh: chmcmd not found (apt-get install -y fp-utils)" >&2; exit 1; }

# The logo of the pages is the artwork's (res/art/logo-48.png).
rm -f HushwaveVoIP.chm
LOG=$(mktemp)
trap 'rm -f "$LOG"' EXIT
set +e
chmcmd HushwaveVoIP.hhp >"$LOG" 2>&1
RC=$?
set -e
cat "$LOG"
if [ $RC -ne 0 ] || [ ! -s HushwaveVoIP.chm ]; then
    echo "build_help.sh: chmcmd failed (exit $RC)" >&2; exit 1
fi
if grep -Eiq '^[[:space:]]*(error|warning)' "$LOG"; then
    echo "build_help.sh: chmcmd reported errors or warnings (see above)" >&2; exit 1
fi

# Sanity check: all topics, the TOC, the index and the full-text search index are inside.
if command -v chmls >/dev/null 2>&1; then
    LIST=$(chmls list HushwaveVoIP.chm 2>/dev/null)
    for f in index.html installing.html quickstart.html microphone.html noise.html \
             audio.html voip.html options.html tray.html usb.html troubleshooting.html \
             support.html style.css images/logo-48.png HushwaveVoIP.hhc HushwaveVoIP.hhk \
             '$FIftiMain'; do
        echo "$LIST" | grep -qF "/$f" || { echo "build_help.sh: $f missing from the .chm" >&2; exit 1; }
    done
    echo "ok: all topics, TOC, index and full-text search index are in HushwaveVoIP.chm"
fi
ls -l HushwaveVoIP.chm
