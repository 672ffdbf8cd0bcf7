#!/usr/bin/env bash
# CPU time and wake-ups of an otherwise idle `brimly watch` while another program keeps the temporary-files
# folder busy: a log appended ~460 times a second, then ~95 files created and removed a second. Baseline in
# the same run: the same writer with no brimly running (its own CPU and wake-ups), and the floor beside brimly:
# InotifyFloor, which asks the folder for the same records, holds as long and does nothing with them; and the
# same floor with the libraries brimly links loaded into it, unused: on some virtual machines a wake costs
# more the more file-backed memory a process maps, whatever it does when it wakes.
# Usage: bench/idle-busy-tmp.sh [seconds]   (release build: cmake --preset release &&
# cmake --build build/release --target brimly InotifyFloor)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
settle=3
binary=${BRIMLY_BINARY:-build/release/cli/brimly}
floor=${BRIMLY_FLOOR:-build/release/bench/InotifyFloor}
[ -x "$floor" ] || { echo "idle-busy-tmp: $floor is missing; build the release preset's InotifyFloor" >&2; exit 2; }
# The libraries the program names itself; theirs come along as they load.
linked=$(objdump -p "$binary" | awk '$1 == "NEEDED" {printf "%s%s", sep, $2; sep = " "}')
work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/claude/projects/p" "$work/scratch" "$work/tmp" && chmod 700 "$work/scratch"

hz=$(getconf CLK_TCK)
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# Threads that ended between two readings take their switches with them; the engine's threads live throughout.
wakes() { cat /proc/"$1"/task/*/status 2>/dev/null | awk '/^voluntary_ctxt_switches/ {n += $2} END {print n}'; }
# Run time in microseconds from the scheduler: clock ticks only catch a short wake by chance.
runUs() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{n += $1} END {printf "%d", n / 1000}'; }

# Paced against the clock, so a slow moment is caught up; on TERM it writes how many operations it did.
writer() {
    exec perl -MTime::HiRes=time,sleep -e '
        my ($mode, $dir, $rate, $countFile) = @ARGV;
        my $done = 0;
        $SIG{TERM} = sub { open(my $out, ">", $countFile) or die; print $out $done; close $out; exit 0 };
        my $start = time;
        while (1) {
            if ($mode eq "append") {
                open(my $log, ">>", "$dir/busy.log") or die; print $log "a line of the busy log\n"; close $log;
            } else {
                my $path = "$dir/churn-" . ($done % 1000) . ".tmp";
                open(my $file, ">", $path) or die; print $file "x"; close $file; unlink $path;
            }
            ++$done;
            my $wait = $start + $done / $rate - time;
            sleep($wait) if $wait > 0;
        }' "$@"
}

# Prints "cpu_ms wakes run_ms" of each pid over the measured period.
measure() {
    local -a t0 w0 r0
    local pid index=0
    for pid in "$@"; do t0+=("$(ticks "$pid")"); w0+=("$(wakes "$pid")"); r0+=("$(runUs "$pid")"); done
    sleep "$seconds"
    for pid in "$@"; do
        local run=$(( $(runUs "$pid") - r0[index] ))
        echo "$(( ($(ticks "$pid") - t0[index]) * 1000 / hz )) $(( $(wakes "$pid") - w0[index] ))" \
            "$((run / 1000)).$((run % 1000 / 100))"
        index=$((index + 1))
    done
}

stopAll() {
    local pid
    for pid in "$@"; do kill -TERM "$pid"; wait "$pid" || true; done
    pids=()
}

run() {
    local mode=$1 rate=$2 label=$3
    rm -rf "$work/tmp" "$work/support" && mkdir -p "$work/tmp"

    writer "$mode" "$work/tmp" "$rate" "$work/count" &
    local writerPid=$!
    pids=("$writerPid")
    sleep "$settle"
    local baseline
    baseline=$(measure "$writerPid")
    stopAll "$writerPid"
    local baseOps=$(<"$work/count")

    rm -rf "$work/tmp" && mkdir -p "$work/tmp"
    TMPDIR="$work/tmp" BRIMLY_CLAUDE_HOME="$work/claude" BRIMLY_SCRATCH_ROOT="$work/scratch" \
        BRIMLY_SUPPORT_DIR="$work/support" XDG_CONFIG_HOME="$work/config" "$binary" watch >/dev/null 2>&1 &
    local brimlyPid=$!
    pids=("$brimlyPid")
    # The first snapshot is on disk once the start-up scan is over; the writer starts from then.
    until [ -e "$work/support/index.json" ]; do sleep 0.1; done
    "$floor" "$work/tmp" &
    local floorPid=$!
    pids+=("$floorPid")
    LD_PRELOAD="$linked" "$floor" "$work/tmp" &
    local linkedPid=$!
    pids+=("$linkedPid")
    writer "$mode" "$work/tmp" "$rate" "$work/count" &
    writerPid=$!
    pids+=("$writerPid")
    sleep "$settle"
    local -a figures
    mapfile -t figures < <(measure "$brimlyPid" "$writerPid" "$floorPid" "$linkedPid")
    stopAll "$writerPid" "$brimlyPid" "$floorPid" "$linkedPid"
    local ops=$(<"$work/count")

    read -r brimlyMs brimlyWakes brimlyRun <<<"${figures[0]}"
    read -r withMs withWakes withRun <<<"${figures[1]}"
    read -r floorMs floorWakes floorRun <<<"${figures[2]}"
    read -r linkedMs linkedWakes linkedRun <<<"${figures[3]}"
    read -r baseMs baseWakes baseRun <<<"$baseline"
    echo "$label (${seconds}s, writer at $((ops / (seconds + settle)))/s):" \
        "brimly watch ${brimlyMs} ms CPU (${brimlyRun} ms run), ${brimlyWakes} wake-ups;" \
        "floor ${floorMs} ms CPU (${floorRun} ms run), ${floorWakes} wake-ups;" \
        "floor with brimly's libraries ${linkedMs} ms CPU (${linkedRun} ms run), ${linkedWakes} wake-ups;" \
        "writer ${withMs} ms CPU (${withRun} ms run), ${withWakes} wake-ups;" \
        "baseline, writer alone at $((baseOps / (seconds + settle)))/s:" \
        "${baseMs} ms CPU (${baseRun} ms run), ${baseWakes} wake-ups"
}

run append 460 "log appended"
run churn 95 "files created and removed"
echo "(CPU: utime + stime in clock ticks of 1000/${hz} ms; run: the scheduler's run time)"
