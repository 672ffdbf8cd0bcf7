#!/usr/bin/env bash
# How a restart grows with the shelf: for shelves of 5000, 10 000 and 20 000 items (a session per 17 items, a
# prompt per 1.7), the time from launching `brimly watch --json` to its first summary and its peak resident memory
# then, against `brimly list --limit 1` (loading the same index and printing one item) in the same run.
# Usage: bench/restart-scale.sh [runs]   (release build: cmake --preset release &&
# cmake --build build/release --target brimly ShelfWriter)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
binary=$PWD/build/release/cli/brimly
writer=$PWD/build/release/bench/ShelfWriter
for program in "$binary" "$writer"; do
    [ -x "$program" ] || { echo "restart-scale: $program is missing; build the release preset first" >&2; exit 2; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/claude/projects" "$work/scratch" "$work/config" && chmod 700 "$work/scratch"
export BRIMLY_CLAUDE_HOME=$work/claude BRIMLY_SCRATCH_ROOT=$work/scratch XDG_CONFIG_HOME=$work/config TMPDIR=$work

for items in 5000 10000 20000; do
    export BRIMLY_SUPPORT_DIR=$work/support-$items
    "$writer" "$BRIMLY_SUPPORT_DIR" "$items" $((items * 3 / 50)) $((items * 3 / 5)) >/dev/null
    python3 - "$binary" "$items" "$runs" <<'PY'
import os, statistics, subprocess, sys, time
binary, items, runs = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])

def peak(pid):
    with open(f'/proc/{pid}/status') as status:
        return next(int(line.split()[1]) / 1024 for line in status if line.startswith('VmHWM:'))

starts, peaks, lists = [], [], []
for _ in range(runs):
    began = time.monotonic()
    subprocess.run([binary, 'list', '--limit', '1'], capture_output=True, check=True)
    lists.append(time.monotonic() - began)
    began = time.monotonic()
    watch = subprocess.Popen([binary, 'watch', '--json'], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    # The summary (beside the JSON stream) says the first snapshot is out.
    while b'on the shelf' not in watch.stderr.readline():
        pass
    starts.append(time.monotonic() - began)
    peaks.append(peak(watch.pid))
    watch.terminate()
    watch.wait()
start, listed = statistics.median(starts), statistics.median(lists)
print(f'{items:6d} items: launch to summary {start * 1000:.0f} ms (median of {runs}), peak RSS {max(peaks):.1f} MB; '
      f'list --limit 1 {listed * 1000:.0f} ms; ratio {start / listed:.2f}')
PY
done
