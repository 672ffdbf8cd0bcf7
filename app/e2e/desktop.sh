#!/usr/bin/env bash
# The desktop app end to end, as a person would meet it: an X server (Xvfb) with a window manager (openbox)
# and a tray host (trayer) that appears after the app, a Claude Code home that gets a screenshot while the app
# runs, the hot key pressed with xdotool, a full-screen application, a second launch, `brimly quit`, SIGTERM,
# a crash, and a machine without a display. Every wait is on the app's own state (`brimly status --json`)
# with a deadline, never a fixed pause. Usage: desktop.sh <brimly binary> <test window program>. Exits 77
# (skipped) when the X tools are not installed.
set -euo pipefail

brimly=$(realpath "$1")
# Plain application windows (built with the tests): a full-screen one for the drawer to show above.
testWindow=$(realpath "$2")
for tool in Xvfb openbox trayer xdotool jq vips base64; do
    if ! command -v "$tool" >/dev/null; then
        echo "skipped: $tool is not installed (scripts/install-deps installs it)"
        exit 77
    fi
done

source "$(dirname "$0")/common.sh"
mkdir -p "$BRIMLY_CLAUDE_HOME/projects/-work-demo"

screenshotLine() {
    local png=$work/shot.png
    vips gaussnoise "$png" 320 200 >/dev/null
    printf '{"type":"user","sessionId":"s1","promptId":"p1","timestamp":"%s","message":{"role":"user","content":[{"type":"tool_result","tool_use_id":"t%s","content":[{"type":"image","source":{"type":"base64","media_type":"image/png","data":"%s"}}]}]}}\n' \
        "$(date -u +%Y-%m-%dT%H:%M:%S.000Z)" "$RANDOM" "$(base64 -w0 "$png")"
}
transcript=$BRIMLY_CLAUDE_HOME/projects/-work-demo/s1.jsonl
printf '{"type":"user","sessionId":"s1","promptId":"p1","timestamp":"%s","cwd":"/work/demo","message":{"role":"user","content":"take a screenshot"}}\n' \
    "$(date -u +%Y-%m-%dT%H:%M:%S.000Z)" >"$transcript"
screenshotLine >>"$transcript"

# The X server picks a free display and writes its number on fd 3.
exec 3<> <(:)
Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x800x24 >"$work/xvfb.log" 2>&1 &
pids+=($!)
read -r -t 20 display <&3 || fail "Xvfb did not start"
export DISPLAY=:$display
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)

echo "start: the app follows the Claude home; a screenshot from before it started is on the shelf, not new"
"$brimly" >"$work/app.log" 2>&1 &
app=$!
pids+=("$app")
await '.itemsShown == 1 and .unread == 0 and .claudeFound and .firstSnapshotAfter > 0' "the first screenshot"
await '.menu == ["Show Shelf", "-", "Settings…", "Check for Updates…", "About Brimly", "Welcome to Brimly…", "-", "Quit Brimly"]' \
    "the tray menu's texts"
await '.hotkey.registered and .hotkey.shortcut == "Ctrl+Alt+Space"' "the hot key"

echo "welcome: the first start shows the welcome window; launched again, it comes forward instead of the settings"
await '.windows.welcome and .windows.settings == false' "the welcome window"
"$brimly" || fail "the second launch failed"
await '.windows.welcome and .windows.settings == false' "the welcome window to stay in front"
welcome=$(xdotool search --sync --name '^Welcome to Brimly$' | head -n 1)
xdotool windowactivate --sync "$welcome" key ctrl+w
await '.windows.welcome == false' "Ctrl+W to close the welcome window"

echo "tray: a tray host that appears later takes the icon"
trayer --edge bottom --align right >"$work/trayer.log" 2>&1 &
pids+=($!)
await '.tray.available' "the tray"

echo "arrival: a screenshot appended while the app runs raises the count"
screenshotLine >>"$transcript"
await '.itemsShown == 2 and .unread == 1 and .menu[0] == "Show Shelf (1 new)" and .drawer.glow.pulses == 1' \
    "the second screenshot, announced by a glow pulse"

echo "drawer: resting at the top centre opens it after the dwell, and it shows on screen; leaving closes it"
await '.drawer.windows and (.drawer.panels | length) == 1' "the drawer's panel"
read -r x y w h < <("$brimly" status --json | jq -r '.drawer.panels[0].drawer | map(floor) | @tsv')
pointerTo $((x + w / 2)) $((y + 2))
await '.drawer.phase == "open" and .drawer.progress == 1' "the drawer to open on hover"
read -r x y w h < <("$brimly" status --json | jq -r '.drawer.panels[0].drawer | map(floor) | @tsv')
((w > 400 && h > 200)) || fail "the open drawer is only ${w}x${h}"
inside=$(pixelAt $((x + w / 2)) $((y + h - 20)))
outside=$(pixelAt $((x + w / 2)) $((y + h + 20)))
[ "$inside" != "$outside" ] || fail "the open drawer is not on screen ($inside inside and outside)"
xdotool mousemove_relative -- 0 400
await '.drawer.progress == 0 and .drawer.openDisplay == null' "the drawer to close when the pointer leaves"

echo "clicks: the drawer's transparent margin lets clicks through to the window below"
xev -geometry 1280x800+0+0 >"$work/xev.log" 2>&1 &
xev=$!
pids+=("$xev")
xdotool search --sync --name "Event Tester" >/dev/null
read -r fx fy fw fh < <("$brimly" status --json | jq -r '.drawer.panels[0].frame | map(floor) | @tsv')
pointerTo $((fx + 10)) $((fy + fh - 10))
xdotool click 1
deadline=$((SECONDS + 20))
until grep -q ButtonPress "$work/xev.log" || ((SECONDS >= deadline)); do sleep 0.1; done
grep -q ButtonPress "$work/xev.log" || fail "a click on the panel's transparent margin did not reach the window below"
kill "$xev"

echo "style: a pill on the left edge replaces the notch, fading out and in"
jq -n '{displayStyle: "pill-left", welcomeShown: true}' >"$XDG_CONFIG_HOME/brimly/preferences.json"
await '.drawer.panels[0].drawer[0] < 100 and .drawer.panels[0].opacity == 1' "the pill on the left edge"
jq -n '{welcomeShown: true}' >"$XDG_CONFIG_HOME/brimly/preferences.json"
await '.drawer.panels[0].drawer[1] == 0 and .drawer.panels[0].opacity == 1' "the notch back at the top"

echo "hover off: resting at the top centre does nothing, the hot key still opens the drawer"
jq -n '{hoverEnabled: false}' >"$XDG_CONFIG_HOME/brimly/preferences.json"
await '.drawer.hoverOpening == false' "hover opening to be switched off"
read -r x y w h < <("$brimly" status --json | jq -r '.drawer.panels[0].drawer | map(floor) | @tsv')
pointerTo $((x + w / 2)) $((y + 2))
# Nothing happens here, so there is no state to wait for: the dwell (a fraction of a second) passes ten
# times over while the drawer must stay closed.
for _ in 1 2 3 4 5 6 7 8 9 10; do
    "$brimly" status --json | jq -e '.drawer.openDisplay == null' >/dev/null || fail "the drawer opened on hover"
done
xdotool key ctrl+alt+space
await '.drawer.progress == 1' "the hot key with hover opening off"
xdotool key ctrl+alt+space
await '.drawer.openDisplay == null' "the hot key to close it again"
xdotool mousemove_relative -- 0 400
jq -n '{}' >"$XDG_CONFIG_HOME/brimly/preferences.json"
await '.drawer.hoverOpening' "hover opening to be on again"

echo "hot key: Ctrl+Alt+Space opens the drawer, brimly toggle closes it"
xdotool key ctrl+alt+space
await '.hotkey.presses == 3 and .drawer.openDisplay != null' "the hot key to open the drawer"
"$brimly" toggle
await '.drawer.toggles == 4 and .drawer.openDisplay == null' "brimly toggle to close it"
xdotool key ctrl+alt+space
await '.drawer.progress == 1' "the hot key to open it again"
xdotool click 1
await '.drawer.openDisplay == null' "a click outside to close it"
xdotool key ctrl+alt+space
await '.drawer.progress == 1 and .drawer.keyPanel != null' "the drawer opened by the hot key to take the keyboard"
xdotool key Escape
await '.drawer.openDisplay == null and .drawer.keyPanel == null' "Escape to close it and give the keyboard back"

echo "full screen: the drawer shows above a focused full-screen application and gives its keyboard back"
"$testWindow" full-screen >"$work/fullscreen.out" 2>"$work/fullscreen.log" &
pids+=($!)
deadline=$((SECONDS + 20))
until [ -s "$work/fullscreen.out" ] && xprop -root _NET_ACTIVE_WINDOW | grep -qi "$(printf '0x%x' "$(cat "$work/fullscreen.out")")" ||
    ((SECONDS >= deadline)); do sleep 0.1; done
window=$(cat "$work/fullscreen.out")
[ "$(xdotool getwindowfocus)" = "$window" ] || fail "the full-screen window did not take the focus"
read -r x y w h < <("$brimly" status --json | jq -r '.drawer.panels[0].drawer | map(floor) | @tsv')
[ "$(pixelAt $((x + w / 2)) $((y + h / 2)))" != "#FFFFFF" ] || fail "the resting drawer is under the full-screen window"
xdotool key ctrl+alt+space
await '.drawer.progress == 1 and .drawer.keyPanel != null' "the drawer to open over the full-screen window"
read -r x y w h < <("$brimly" status --json | jq -r '.drawer.panels[0].drawer | map(floor) | @tsv')
[ "$(pixelAt $((x + w / 2)) $((y + h - 20)))" != "#FFFFFF" ] || fail "the open drawer is under the full-screen window"
xdotool key Escape
await '.drawer.openDisplay == null and .drawer.keyPanel == null' "Escape over the full-screen window"
[ "$(xdotool getwindowfocus)" = "$window" ] || fail "the keyboard did not go back to the full-screen window"
kill "${pids[-1]}"

echo "launched again: the running app opens its settings, the second process ends with 0"
"$brimly" || fail "the second launch failed"
await '.windows.settings' "the settings window"
echo '{"showInMenuBar": false}' >"$XDG_CONFIG_HOME/brimly/preferences.json"
await '.tray.shown == false and .windows.settings' "a hand edit of the settings file, with the settings open"

echo "quit: exits 0 with the shelf written"
"$brimly" quit
awaitExit "$app" 0
jq -e '.items | length == 2' "$BRIMLY_SUPPORT_DIR/index.json" >/dev/null || fail "the index does not hold both screenshots"

echo "crash: a socket left by kill -9 is replaced by the next start, which then ends on SIGTERM with 0"
"$brimly" >>"$work/app.log" 2>&1 &
app=$!
await '.itemsShown == 2' "the restart"
kill -9 "$app"
wait "$app" 2>/dev/null || true
"$brimly" >>"$work/app.log" 2>&1 &
app=$!
pids+=("$app")
await '.itemsShown == 2' "the start after a crash"
kill -TERM "$app"
awaitExit "$app" 0

echo "no display: the headless shelf runs instead"
env -u DISPLAY "$brimly" >"$work/headless.log" 2>"$work/headless.err" &
headless=$!
pids+=("$headless")
deadline=$((SECONDS + 20))
until grep -q "items on the shelf" "$work/headless.log" 2>/dev/null || ((SECONDS >= deadline)); do sleep 0.1; done
grep -qx "Brimly: no X display; running the headless shelf instead (brimly watch)." "$work/headless.err" ||
    fail "no one-line notice of the headless fallback"
kill -TERM "$headless"
awaitExit "$headless" 0
echo "all desktop checks passed"
