# What the desktop end-to-end scripts share: a work folder removed on exit with every process they started,
# a user of their own, and waits on the app's state. Sourced with $brimly set to the program under test.

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAILED: $*" >&2
    for log in "$work"/*.log; do echo "--- $log" >&2; tail -n 20 "$log" >&2; done
    exit 1
}

# A user of our own: every folder the app reads or writes is under $work.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_RUNTIME_DIR=$work/run BRIMLY_CLAUDE_HOME=$work/claude BRIMLY_SCRATCH_ROOT=$work/scratch
export TMPDIR=$work/tmp BRIMLY_SUPPORT_DIR=$work/support
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$TMPDIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORM
# Qt and the X libraries keep caches for the life of the process; leak reports would be theirs, not ours.
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0

# Waits until the jq filter holds on `brimly status --json`, or fails after 20 s.
await() {
    local filter=$1 what=$2 deadline=$((SECONDS + 20))
    while ((SECONDS < deadline)); do
        if "$brimly" status --json 2>/dev/null | jq -e "$filter" >/dev/null 2>&1; then return 0; fi
        sleep 0.1
    done
    "$brimly" status --json >&2 || true
    fail "waiting for $what"
}
# Waits for process $1 to end and checks its status is $2.
awaitExit() {
    local pid=$1 expected=$2 deadline=$((SECONDS + 20))
    while kill -0 "$pid" 2>/dev/null && ((SECONDS < deadline)); do sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && fail "process $pid did not end"
    local status=0
    wait "$pid" || status=$?
    [ "$status" -eq "$expected" ] || fail "process $pid ended with $status, not $expected"
}
# The colour of the screen's pixel at x, y.
pixelAt() { import -window root -crop "1x1+$1+$2" txt:- | grep -o '#[0-9A-F]\{6\}'; }
# Moves the pointer to x, y. Relative moves: under Xvfb only they make the raw motion events the app follows.
pointerTo() {
    eval "$(xdotool getmouselocation --shell)"
    xdotool mousemove_relative -- $(($1 - X)) $(($2 - Y))
}
