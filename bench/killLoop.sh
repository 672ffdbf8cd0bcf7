#!/usr/bin/env bash
# Kills `brimly watch` with SIGKILL at random moments while captures keep arriving (start-up, ingest, the
# debounced index and offsets writes). After each kill the index must load and every record's copies must
# exist; at the end one more run must bring back every capture any run had shown.
# Usage: [LATE_SHARE=25] bench/killLoop.sh [cycles]   (release build: cmake --preset release && cmake --build --preset release)
set -euo pipefail
export LC_ALL=C
cd "$(dirname "$0")/.."
cycles=${1:-200}
# The share of runs (in percent) killed only after their first index write; with 0 every run dies within
# 2.5 s, which under steady ingest may never let the shelf catch up.
late_share=${LATE_SHARE:-25}
binary=$PWD/build/release/cli/brimly
writer=$PWD/build/release/bench/IngestWriter
for program in "$binary" "$writer"; do
    [ -x "$program" ] || { echo "killLoop: $program is missing; build the release preset first" >&2; exit 2; }
done

# Canonical, so that scratchpad paths read the same in the writer's log and on the shelf.
work=$(realpath "$(mktemp -d)")
writer_pid=""
watch_pid=""
cleanup() {
    for pid in $watch_pid $writer_pid; do kill -KILL "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/claude/projects" "$work/scratch" "$work/support" "$work/config" && chmod 700 "$work/scratch"
export BRIMLY_CLAUDE_HOME="$work/claude" BRIMLY_SCRATCH_ROOT="$work/scratch" BRIMLY_SUPPORT_DIR="$work/support" \
    XDG_CONFIG_HOME="$work/config"

fail() {
    echo "killLoop: FAILED: $*" >&2
    exit 1
}

# One key per capture: "transcript <tool_use_id>" or "scratch <path>", as the writer logs them (a transcript
# image's capture id is its tool_use_id and its place in the tool result, "#1" for the writer's).
keys_of() {
    jq -R -r 'fromjson? | .item | select(. != null)
              | (if .captureID then "transcript \(.captureID | sub("#[0-9]+$"; ""))" else empty end),
                (if .sourcePath then "scratch \(.sourcePath)" else empty end)' "$@"
}

# Lists the persisted shelf into $work/shelf.jsonl; fails naming $1 when the index does not load or a copy
# any record names is missing. Copies are looked up in one listing of "items/"; only what that listing lacks
# (a missing copy, a path with percent escapes, a copy kept elsewhere) is looked at one by one.
check_shelf() {
    "$binary" list --json >"$work/shelf.jsonl" 2>"$work/list.err" ||
        fail "$1: brimly list exits $? ($(cat "$work/list.err"))"
    jq -r '.item | .fileURL, .versions[]?.fileURL | select(. != null) | ltrimstr("file://")' \
        "$work/shelf.jsonl" | sort -u >"$work/copies.list"
    find "$work/support/items" -type f | sort >"$work/items.list"
    local path
    while IFS= read -r path; do
        [[ $path == *%* ]] && path=$(printf '%b' "${path//%/\\x}")
        [ -e "$path" ] || fail "$1: the copy $path of a record is missing"
    done < <(comm -23 "$work/copies.list" "$work/items.list")
}

now() { date +%s.%N; }
seconds_since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }
index_stamp() { stat -c '%i %y' "$work/support/index.json" 2>/dev/null || echo none; }
sleep_ms() { sleep "$(($1 / 1000)).$(printf '%03d' $(($1 % 1000)))"; }

started=$(now)
"$writer" "$work/claude" "$work/scratch" "$work/written.log" &
writer_pid=$!
: >"$work/published.jsonl"
late_runs=0
index_runs=0
slowest_catch_up=-

for ((cycle = 1; cycle <= cycles; cycle++)); do
    stamp=$(index_stamp)
    run_started=$(now)
    run_seconds=$SECONDS
    "$binary" watch --json >"$work/cycle.jsonl" 2>"$work/watch.err" &
    watch_pid=$!
    # Most runs die early: in start-up, while catching up, before or during the first index write. The
    # others first wait for their run's index write (so the shelf makes progress at all), then die a random
    # moment later: amid steady ingest, the next index writes, the offsets write.
    if ((RANDOM % 100 < late_share)); then
        late_runs=$((late_runs + 1))
        until [ "$(index_stamp)" != "$stamp" ]; do
            kill -0 "$watch_pid" 2>/dev/null || break
            ((SECONDS - run_seconds < 300)) || fail "cycle $cycle: no index written within 300 s"
            sleep 0.1
        done
        catch_up=$(seconds_since "$run_started")
        slowest_catch_up=$(awk -v a="$slowest_catch_up" -v b="$catch_up" 'BEGIN { print (a == "-" || b > a ? b : a) }')
        sleep_ms $((RANDOM % 4000))
    else
        sleep_ms $((50 + RANDOM % 2450))
    fi
    kill -0 "$watch_pid" 2>/dev/null || fail "cycle $cycle: brimly watch ended by itself ($(cat "$work/watch.err"))"
    kill -KILL "$watch_pid"
    # Quietly: the shell would report each killed job.
    { wait "$watch_pid"; } 2>/dev/null || true
    watch_pid=""
    ran=$(seconds_since "$run_started")
    [ "$(index_stamp)" != "$stamp" ] && index_runs=$((index_runs + 1))
    cat "$work/cycle.jsonl" >>"$work/published.jsonl"
    check_shelf "cycle $cycle (killed after ${ran} s)"
    if ((cycle % 20 == 0)); then
        echo "cycle $cycle: $(wc -l <"$work/shelf.jsonl") items on the shelf," \
            "$(wc -l <"$work/written.log") captures written, the index written in ${index_runs} runs"
    fi
done

kill -TERM "$writer_pid"
wait "$writer_pid" || fail "the writer failed"
writer_pid=""
keys_of "$work/published.jsonl" | sort -u >"$work/published.keys"
sort -u "$work/written.log" >"$work/written.keys"
comm -23 "$work/published.keys" "$work/written.keys" >"$work/unknown.keys"
[ -s "$work/unknown.keys" ] && fail "published captures nobody wrote: $(head -3 "$work/unknown.keys")"

# One last run, left alone until the shelf holds every capture any run published, then (for the report)
# until it holds every capture written or stops growing. Catching up may take long after many early kills:
# the deadline is generous, and the run fails only if the shelf also stops growing for 60 s.
last_started=$(now)
"$binary" watch >/dev/null 2>"$work/watch.err" &
watch_pid=$!
deadline=$((SECONDS + 900))
last_count=-1
unchanged_since=$SECONDS
caught_up=""
while :; do
    sleep 0.5
    check_shelf "the last run"
    keys_of "$work/shelf.jsonl" | sort -u >"$work/shelf.keys"
    comm -23 "$work/published.keys" "$work/shelf.keys" >"$work/lost.keys"
    count=$(comm -12 "$work/written.keys" "$work/shelf.keys" | wc -l)
    ((count != last_count)) && unchanged_since=$SECONDS
    last_count=$count
    if [ ! -s "$work/lost.keys" ]; then
        [ -n "$caught_up" ] || caught_up=$(seconds_since "$last_started")
        [ "$count" -eq "$(wc -l <"$work/written.keys")" ] && break
        ((SECONDS - unchanged_since >= 10)) && break
    fi
    ((SECONDS < deadline && SECONDS - unchanged_since < 60)) || break
done
kill -TERM "$watch_pid"
status=0
wait "$watch_pid" || status=$?
watch_pid=""
((status == 0)) || fail "the last run exits $status on SIGTERM ($(cat "$work/watch.err"))"
check_shelf "after the last run"
keys_of "$work/shelf.jsonl" | sort -u >"$work/shelf.keys"
comm -23 "$work/published.keys" "$work/shelf.keys" >"$work/lost.keys"

written=$(wc -l <"$work/written.keys")
published=$(wc -l <"$work/published.keys")
lost=$(wc -l <"$work/lost.keys")
on_shelf=$(comm -12 "$work/written.keys" "$work/shelf.keys" | wc -l)
elapsed=$(awk -v a="$started" -v b="$(now)" 'BEGIN { printf "%.0f", b - a }')
echo "kill loop: ${cycles} cycles (${late_runs} killed after their index write; the index written in" \
    "${index_runs} runs, at the latest ${slowest_catch_up} s after start), ${written} captures written," \
    "${published} published, ${lost} lost, ${on_shelf} of ${written} written on the shelf at the end" \
    "(the last run had every published one after ${caught_up:-never} s), ${elapsed} s"
if ((lost > 0)); then
    echo "published captures missing from the shelf:" >&2
    cat "$work/lost.keys" >&2
    exit 1
fi
