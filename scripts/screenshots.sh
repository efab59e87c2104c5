#!/usr/bin/env bash
# Takes the README's screenshots (splash, main window, menus, About box, tray
# menu) of the real program under Wine into docs/screenshots/. Run by hand
# after scripts/build.sh.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
tree=$root/build/$("$root/tests/rig/rig.sh" arch)
bin=$tree/bin
rig=$tree/shots-rig
dest=$root/docs/screenshots
mkdir -p "$dest"
trap '"$root/tests/rig/rig.sh" down "$rig" >/dev/null 2>&1' EXIT
"$root/tests/rig/rig.sh" up "$rig" "$bin/hshvad.sys" || exit 1
eval "$("$root/tests/rig/rig.sh" env "$rig")"

# Crops the screen to the middle, where the dialogs are centred, then to the
# windows themselves (the dark background removed).
shot() {
    import -window root -display "$DISPLAY" "$dest/$1.png" &&
        convert "$dest/$1.png" -gravity center -crop 60%x60%+0+0 +repage -fuzz 2% -trim +repage \
            "$dest/$1.png" && echo "$dest/$1.png"
}
cmd() { "$WINE" "$bin/wndcmd.exe" "$@" </dev/null; }

"$WINE" "$bin/HushwaveVoIP.exe" </dev/null >/dev/null 2>&1 &
sleep 2 && shot splash
cmd "Hushwave VoIP" wait 15000 && sleep 1
cmd "Hushwave VoIP" click IDC_START_STOP && sleep 1 && cmd "Hushwave VoIP" click IDC_INPUT_NC_ON && sleep 1
shot main-window
cmd "Hushwave VoIP" command ID_HELP_ABOUT && sleep 1 && shot about-box
cmd "About Hushwave VoIP" click IDOK && sleep 1
# The tray menu, opened as a right click on the icon would.
"$WINE" "$bin/wndcmd.exe" "Hushwave VoIP" tray </dev/null && sleep 1 && shot tray-menu
cmd "Hushwave VoIP" command ID_TRAY_EXIT
sleep 2
