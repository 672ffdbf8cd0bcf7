#!/usr/bin/env bash
# The desktop app on a 5000-item shelf under Xvfb and openbox: launch to the first snapshot shown, memory,
# and CPU while idle. Baselines in the same run: `brimly-desktop --version` (starting the desktop program and
# loading Qt; `brimly` starts it by exec) and
# `brimly list --limit 1` (reading and parsing the same index headless); `sleep` over the idle period.
# Usage: bench/app-start.sh [idle seconds] [launches]   (release build: cmake --preset release &&
# cmake --build --preset release --target brimly ShelfWriter)
set -euo pipefail
cd "$(dirname "$0")/.."
idle=${1:-60}
launches=${2:-5}
brimly=$PWD/build/release/cli/brimly
writer=$PWD/build/release/bench/ShelfWriter
source bench/support/desktop-session.sh
"$writer" "$BRIMLY_SUPPORT_DIR"
cp "$BRIMLY_SUPPORT_DIR/index.json" "$work/index.json"

ms() { echo $(( ($(date +%s%N) - $1) / 1000000 )); }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }

for ((n = 0; n < launches; ++n)); do
    start=$(date +%s%N); "$brimly-desktop" --version >/dev/null; ms "$start"
done | median >"$work/version"
for ((n = 0; n < launches; ++n)); do
    start=$(date +%s%N); "$brimly" list --limit 1 >/dev/null; ms "$start"
done | median >"$work/list"

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
for ((n = 0; n < launches; ++n)); do
    cp "$work/index.json" "$BRIMLY_SUPPORT_DIR/index.json"
    start=$(date +%s%N)
    "$brimly" >/dev/null 2>&1 &
    app=$!
    deadline=$((SECONDS + 30))
    until "$brimly" status --json 2>/dev/null | jq -e '.firstSnapshotAfter != null' >/dev/null 2>&1; do
        ((SECONDS < deadline)) || { echo "the app never showed its first snapshot" >&2; exit 1; }
    done
    outside=$(ms "$start")
    inside=$("$brimly" status --json | jq '.firstSnapshotAfter * 1000 | floor')
    shown=$("$brimly" status --json | jq '.itemsShown')
    rss=$(awk '/VmRSS/ {print int($2 / 1024)}' "/proc/$app/status")
    hwm=$(awk '/VmHWM/ {print int($2 / 1024)}' "/proc/$app/status")
    echo "$outside $inside $rss $hwm $shown" >>"$work/launches"
    if ((n < launches - 1)); then
        "$brimly" quit
        wait "$app"
    fi
done
echo "launch -> first snapshot shown ($launches launches, $(awk '{print $5}' "$work/launches" | tail -1) items shown):"
echo "  from outside (polling brimly status): median $(awk '{print $1}' "$work/launches" | median) ms"
echo "  inside the app (from main):           median $(awk '{print $2}' "$work/launches" | median) ms"
echo "  baselines: brimly-desktop --version $(cat "$work/version") ms, brimly list --limit 1 $(cat "$work/list") ms"
echo "memory after start: RSS median $(awk '{print $3}' "$work/launches" | median) MB, peak $(awk '{print $4}' "$work/launches" | median) MB"

# Idle is counted once the start-up's own work is over: the debounced writes of the store and the catch-up.
sleep 10
# Every time one of the app's threads wakes up it gave the processor away once before.
switches() { cat /proc/"$1"/task/*/status | awk '/^voluntary_ctxt_switches/ {s += $2} END {print s}'; }
start=$(ticks "$app")
woken=$(switches "$app")
sleep "$idle"
used=$(( ($(ticks "$app") - start) * 1000 / hz ))
woken=$(( $(switches "$app") - woken ))
sleep_cpu=$( { /usr/bin/time -f "%e %U %S" sleep "$idle" >/dev/null; } 2>&1 | awk '{printf "%d", ($2 + $3) * 1000}')
echo "idle ${idle}s (from 10 s after start): app ${used} ms CPU and ${woken} wake-ups (clock ticks of $((1000 / hz)) ms), sleep ${sleep_cpu} ms CPU"
"$brimly" quit
wait "$app"
