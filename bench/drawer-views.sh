#!/usr/bin/env bash
# The drawer's views on a 500-item shelf over 40 sessions, every item with a thumbnail, under Xvfb and
# openbox: the cost of the first complete frame of the shelf once the drawer is open, the shelf's paint times
# while the strip scrolls continuously (wheel, as fast as xdotool sends it) from one end to the other and
# back, and the app's memory before opening, after the first opening and after every deck was scrolled
# through once. Baseline in the same run: the animation's own frame interval (16.7 ms a frame).
# Usage: bench/drawer-views.sh [items sessions prompts]   (release build: cmake --preset release &&
# cmake --build --preset release --target brimly ShelfWriter)
set -euo pipefail
cd "$(dirname "$0")/.."
items=${1:-500}
sessions=${2:-40}
prompts=${3:-400}
brimly=$PWD/build/release/cli/brimly
writer=$PWD/build/release/bench/ShelfWriter
source bench/support/desktop-session.sh
"$writer" "$BRIMLY_SUPPORT_DIR" "$items" "$sessions" "$prompts"
# One real 360-pixel JPEG per item, as ingest leaves them.
convert -size 360x225 plasma:fractal -quality 80 "$work/thumb.jpg"
jq -r '.items[].id' "$BRIMLY_SUPPORT_DIR/index.json" | while read -r id; do
    cp "$work/thumb.jpg" "$BRIMLY_SUPPORT_DIR/thumbs/$id.jpg"
done
mkdir -p "$XDG_CONFIG_HOME/brimly"
jq -n '{layout: "stacks", welcomeShown: true}' >"$XDG_CONFIG_HOME/brimly/preferences.json"

"$brimly" >/dev/null 2>&1 &
app=$!
pids+=("$app")
status() { "$brimly" status --json; }
until status 2>/dev/null | jq -e '(.drawer.panels | length) == 1 and .firstSnapshotAfter != null' >/dev/null 2>&1; do
    sleep 0.05
done
rss() { awk '/VmRSS/ {print int($2 / 1024)}' "/proc/$app/status"; }
before=$(rss)
"$brimly" toggle
until status | jq -e '.drawer.progress == 1 and .drawer.frames.shelfPaint.count > 0' >/dev/null; do sleep 0.1; done
first=$(status | jq '.drawer.frames.shelfPaint.maxMs * 10 | floor / 10')
opened=$(rss)

read -r x y w h < <(status | jq -r '.drawer.panels[0].drawer | map(floor) | @tsv')
eval "$(xdotool getmouselocation --shell)"
xdotool mousemove_relative -- $((x + w / 2 - X)) $((y + h / 2 - Y))
# Wheel down to the far end of the strip and back: a wheel step scrolls one notch.
xdotool click --repeat 600 --delay 8 5
xdotool click --repeat 600 --delay 8 4
scrolled=$(rss)
status | jq -r --arg first "$first" '.drawer.frames.shelfPaint |
    "shelf paints while scrolling: \(.count) paints, p50 \(.p50Ms * 10 | floor / 10) ms, p99 \(.p99Ms * 10 | floor / 10) ms, largest \(.maxMs * 10 | floor / 10) ms (one frame: 16.7 ms)",
    "first complete frame of the shelf after opening: \($first) ms of painting"'
echo "memory: ${before} MB before opening, ${opened} MB open, ${scrolled} MB after scrolling through every deck"
"$brimly" quit
wait "$app" || true
