# Sourced by the desktop benchmarks: a user of their own under a temporary folder ($work) and an X session
# (Xvfb at 1920x1080 with openbox) whose processes end with the script. Sets $work, $pids and $DISPLAY.
work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run BRIMLY_SUPPORT_DIR=$work/support
export BRIMLY_CLAUDE_HOME=$work/claude BRIMLY_SCRATCH_ROOT=$work/scratch TMPDIR=$work/tmp
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$TMPDIR" "$BRIMLY_CLAUDE_HOME/projects" "$BRIMLY_SCRATCH_ROOT"
chmod 700 "$XDG_RUNTIME_DIR" "$BRIMLY_SCRATCH_ROOT"

# The X server picks a free display and writes its number on fd 3.
exec 3<> <(:)
Xvfb -displayfd 3 -nolisten tcp -screen 0 1920x1080x24 >/dev/null 2>&1 &
pids+=($!)
read -r -t 20 display <&3
export DISPLAY=:$display
openbox >/dev/null 2>&1 &
pids+=($!)
