#!/usr/bin/env bash
# A burst of screenshots moved into a scratchpad at once while `brimly watch --json` runs: how many of them
# it prints (every one should be), when the first and the last line come, and how many the shelf holds
# afterwards. The files are plain 1280×800 PNGs that differ in one text chunk, so each is its own item.
# Usage: [BRIMLY_MAX_ITEMS=50] bench/watch-burst.sh [files]   (release build: cmake --preset release &&
# cmake --build build/release --target brimly)
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-1000}
binary=$PWD/${BRIMLY_BINARY:-build/release/cli/brimly}
[ -x "$binary" ] || { echo "watch-burst: $binary is missing; build the release preset first" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
pad=$work/scratch/-home-user-app/session-1/scratchpad
mkdir -p "$work/claude/projects" "$pad" "$work/support" "$work/config" "$work/stage" && chmod 700 "$work/scratch"
export BRIMLY_CLAUDE_HOME=$work/claude BRIMLY_SCRATCH_ROOT=$work/scratch BRIMLY_SUPPORT_DIR=$work/support \
    XDG_CONFIG_HOME=$work/config TMPDIR=$work

python3 - "$binary" "$work" "$pad" "$count" <<'PY'
import os, select, struct, subprocess, sys, time, zlib
binary, work, pad, count = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])

def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))

pixels = zlib.compress((b'\0' + bytes([200, 210, 220]) * 1280) * 800, 6)
for n in range(count):
    png = (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', 1280, 800, 8, 2, 0, 0, 0)) +
           chunk(b'tEXt', b'Comment\0shot %d' % n) + chunk(b'IDAT', pixels) + chunk(b'IEND', b''))
    with open(os.path.join(work, 'stage', 'shot-%d.png' % n), 'wb') as out:
        out.write(png)

with open(os.path.join(work, 'watch.err'), 'w') as err:
    watch = subprocess.Popen([binary, 'watch', '--json'], stdout=subprocess.PIPE, stderr=err, bufsize=0)
# The summary on stderr says the first snapshot is out.
while os.path.getsize(os.path.join(work, 'watch.err')) == 0:
    if watch.poll() is not None:
        sys.exit('watch-burst: brimly watch ended early')
    time.sleep(0.01)
start = time.monotonic()
for n in range(count):
    os.rename(os.path.join(work, 'stage', 'shot-%d.png' % n), os.path.join(pad, 'shot-%d.png' % n))
moved = time.monotonic() - start
times, rest = [], b''
while len(times) < count:
    ready, _, _ = select.select([watch.stdout], [], [], 20)
    if not ready:
        break
    data = os.read(watch.stdout.fileno(), 1 << 20)
    if not data:
        break
    *lines, rest = (rest + data).split(b'\n')
    times += [time.monotonic() - start for line in lines if b'"item"' in line]
watch.terminate()
watch.wait()
listed = subprocess.run([binary, 'list', '--json', '--limit', '5000'], capture_output=True, check=True).stdout
print(f'{count} files moved in {moved:.2f} s; printed {len(times)}', end='')
if times:
    print(f', the first after {times[0]:.2f} s, the last after {times[-1]:.2f} s', end='')
shelf = listed.count(b'"item"')
print(f'; {shelf} on the shelf')
PY
