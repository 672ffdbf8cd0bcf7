#!/usr/bin/env bash
# Two monitors side by side on Xorg with the dummy video driver (Xvfb cannot show two RandR outputs): one
# drawer per display at each top centre, hovering opens the drawer of the display under the pointer, and
# with "activeDisplayOnly" the drawer follows the display of the frontmost application. Every wait is on the
# app's own state. Usage: two-displays.sh <brimly binary> <test window program> [screenshot folder].
# Exits 77 (skipped) where Xorg, its dummy driver or the X tools are missing or Xorg cannot start here.
set -euo pipefail

brimly=$(realpath "$1")
testWindow=$(realpath "$2")
shots=${3:-}
for tool in Xorg xrandr openbox xdotool jq; do
    if ! command -v "$tool" >/dev/null; then
        echo "skipped: $tool is not installed (scripts/install-deps installs it)"
        exit 77
    fi
done
if ! ls /usr/lib/xorg/modules/drivers/dummy_drv.so >/dev/null 2>&1; then
    echo "skipped: the dummy video driver is not installed (xserver-xorg-video-dummy)"
    exit 77
fi

source "$(dirname "$0")/common.sh"

# One 1280x800 output at the start; the second joins through RandR as a monitor plugged in would.
mode='83.46 1280 1344 1480 1680 800 801 804 828'
cat >"$work/xorg.conf" <<CONF
Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 256000
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0 - 1000.0
    VertRefresh 5.0 - 200.0
    Modeline "1280x800" $mode
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Modes "1280x800"
        Virtual 2560 800
    EndSubSection
EndSection
CONF
exec 3<> <(:)
Xorg -displayfd 3 -noreset -nolisten tcp -config "$work/xorg.conf" -logfile "$work/xorg.log" \
    >"$work/xorg.out" 2>&1 &
pids+=($!)
if ! read -r -t 20 display <&3; then
    echo "skipped: Xorg with the dummy driver did not start here (it needs root or a console)"
    exit 77
fi
export DISPLAY=:$display
xrandr --newmode second $mode
xrandr --addmode DUMMY1 second
xrandr --output DUMMY1 --mode second --right-of DUMMY0
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)

echo "two displays: one drawer at the top centre of each"
"$brimly" >"$work/app.log" 2>&1 &
pids+=($!)
await '(.drawer.panels | length) == 2' "a panel on each display"
status=$("$brimly" status --json)
centres=$(jq -c '[.drawer.panels[].drawer | (.[0] + .[2] / 2) | floor] | sort' <<<"$status")
[ "$centres" = "[640,1920]" ] || fail "the drawers are not at the displays' top centres: $centres"
jq -e 'all(.drawer.panels[].drawer; .[1] == 0)' <<<"$status" >/dev/null || fail "a drawer is not at the top"
left=$(jq -r '.drawer.panels[] | select(.drawer[0] < 1280) | .display' <<<"$status")
right=$(jq -r '.drawer.panels[] | select(.drawer[0] >= 1280) | .display' <<<"$status")

echo "hover: the drawer of the display under the pointer opens"
pointerTo 1920 2
await ".drawer.progress == 1 and .drawer.openDisplay == $right" "the right display's drawer to open"
[ -n "$shots" ] && import -window root "$shots/two-displays-open.png"
pointerTo 1920 500
await '.drawer.openDisplay == null and .drawer.progress == 0' "it to close"
pointerTo 640 2
await ".drawer.progress == 1 and .drawer.openDisplay == $left" "the left display's drawer to open"
pointerTo 640 500
await '.drawer.openDisplay == null and .drawer.progress == 0' "it to close"

echo "active display only: the drawer follows the frontmost application"
mkdir -p "$XDG_CONFIG_HOME/brimly"
jq -n '{activeDisplayOnly: true}' >"$XDG_CONFIG_HOME/brimly/preferences.json"
"$testWindow" 1500 300 400 200 >/dev/null 2>"$work/right-window.log" &
pids+=($!)
await ".drawer.shownDisplays == [$right]" "the drawer to show only on the right display"
await "[.drawer.panels[] | select(.display == $left) | .mapped] == [false]" "the left panel to fade out"
[ -n "$shots" ] && import -window root "$shots/two-displays-active.png"
"$testWindow" 200 300 400 200 >/dev/null 2>"$work/left-window.log" &
pids+=($!)
await ".drawer.shownDisplays == [$left]" "the drawer to move to the left display"
await "[.drawer.panels[] | select(.mapped) | {display, opacity}] == [{display: $left, opacity: 1}]" \
    "the left panel to fade in and the right one out"
echo "all two-display checks passed"
