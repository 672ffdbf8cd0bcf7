#!/usr/bin/env bash
# The drawer under Xvfb and openbox: how long after the dwell a resting pointer opens the drawer and how long
# it takes to be fully revealed, the animation's frame times, and the app's CPU with the pointer still (60 s
# by default) and with the pointer moving continuously elsewhere on screen (20 s), against `sleep` and
# against xdotool's own moves. Usage: bench/drawer-hover.sh [still seconds] [opens]
# (release build: cmake --preset release && cmake --build --preset release --target brimly)
set -euo pipefail
cd "$(dirname "$0")/.."
still=${1:-60}
opens=${2:-10}
brimly=$PWD/build/release/cli/brimly
source bench/support/desktop-session.sh
"$brimly" >/dev/null 2>&1 &
app=$!
pids+=("$app")
status() { "$brimly" status --json; }
until status 2>/dev/null | jq -e '.drawer.panels | length == 1' >/dev/null 2>&1; do sleep 0.05; done
# Polled gently, so that the polling itself does not load the app while it animates.
awaitJq() { until status | jq -e "$1" >/dev/null; do sleep 0.1; done; }

read -r x y w h < <(status | jq -r '.drawer.panels[0].drawer | map(floor) | @tsv')
for ((n = 0; n < opens; ++n)); do
    eval "$(xdotool getmouselocation --shell)"
    xdotool mousemove_relative -- $((x + w / 2 - X)) $((y + 2 - Y))
    awaitJq '.drawer.lastOpen.fullRevealAfter != null and .drawer.progress == 1'
    status | jq -r '[.drawer.lastOpen.afterDwell * 1000, .drawer.lastOpen.fullRevealAfter * 1000] | @tsv' >>"$work/opens"
    xdotool mousemove_relative -- 0 600
    awaitJq '.drawer.progress == 0 and .drawer.openDisplay == null'
done
median() { sort -n | awk '{a[NR]=$1} END {printf "%.1f", a[int((NR + 1) / 2)]}'; }
largest() { sort -n | tail -1 | awk '{printf "%.1f", $1}'; }
echo "hover -> open ($opens opens): the opening starts $(cut -f1 "$work/opens" | median) ms after the dwell" \
    "(largest $(cut -f1 "$work/opens" | largest) ms; one frame is 16.7 ms);" \
    "fully revealed $(cut -f2 "$work/opens" | median) ms later"
status | jq -r '.drawer.frames | "animation frames: \(.count) intervals, p50 \(.p50Ms | floor) ms, p99 \(.p99Ms | floor) ms, largest \(.maxMs | floor) ms",
    "  work per frame: layout p99 \(.layout.p99Ms * 10 | floor / 10) ms, paint p99 \(.paint.p99Ms * 10 | floor / 10) ms (largest \(.layout.maxMs * 10 | floor / 10) and \(.paint.maxMs * 10 | floor / 10) ms)"'

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
start=$(ticks "$app")
sleep "$still"
echo "pointer still ${still}s: app $(( ($(ticks "$app") - start) * 1000 / hz )) ms CPU (sleep: 0 ms)"

# The pointer circles in the screen's lower half, far from every hot zone, as fast as xdotool can move it.
mover() { while :; do xdotool mousemove_relative -- 40 0 mousemove_relative -- 0 40 mousemove_relative -- -40 0 mousemove_relative -- 0 -40; done; }
eval "$(xdotool getmouselocation --shell)"
xdotool mousemove_relative -- $((960 - X)) $((800 - Y))
mover & moving=$!
pids+=("$moving")
start=$(ticks "$app")
began=$(date +%s%N)
sleep 20
used=$(( ($(ticks "$app") - start) * 1000 / hz ))
kill "$moving"
elapsed=$(( ($(date +%s%N) - began) / 1000000 ))
echo "pointer moving elsewhere 20s: app ${used} ms CPU = $(awk -v u="$used" -v e="$elapsed" 'BEGIN {printf "%.2f", 100 * u / e}') % of a core"
"$brimly" quit
wait "$app" || true
