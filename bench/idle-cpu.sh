#!/usr/bin/env bash
# CPU time used by `brimly watch` over an idle period (nothing changing), against `sleep` over the same period.
# Usage: bench/idle-cpu.sh [seconds]   (release build: cmake --preset release && cmake --build --preset release)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
binary=build/release/cli/brimly
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/claude/projects/p" "$work/scratch" "$work/support" && chmod 700 "$work/scratch"

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)

BRIMLY_CLAUDE_HOME="$work/claude" BRIMLY_SCRATCH_ROOT="$work/scratch" BRIMLY_SUPPORT_DIR="$work/support" \
    XDG_CONFIG_HOME="$work/config" "$binary" watch >/dev/null 2>&1 &
pid=$!
# The first snapshot is on disk once the start-up scan is over; idle time is counted from then.
until [ -e "$work/support/index.json" ]; do sleep 0.1; done
start=$(ticks $pid)
sleep "$seconds"
brimly_ms=$(( ( $(ticks $pid) - start ) * 1000 / hz ))
kill -TERM $pid; wait $pid || true

/usr/bin/time -f "%U %S" -o "$work/sleep.time" sleep "$seconds"
sleep_ms=$(awk '{printf "%d", ($1 + $2) * 1000}' "$work/sleep.time")
echo "idle ${seconds}s: brimly watch ${brimly_ms} ms CPU, sleep ${sleep_ms} ms CPU (clock ticks of 1000/${hz} ms)"
