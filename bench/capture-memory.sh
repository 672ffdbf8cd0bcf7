#!/usr/bin/env bash
# Memory of `brimly watch --json` over many captures: 600 transcript lines, each with its own 1 MB
# screenshot, appended ten a second; the resident memory after start (the baseline), once every capture is
# printed, and after 60 s idle. What the captures leave behind once idle should stay within 10 MB. Both the
# whole resident set and its anonymous part are shown: the first image also opens the image library, whose
# hundred libraries stay mapped (shared, and reclaimable) whatever the heap does, so the memory after the
# first capture is shown too, and what grew after it.
# Usage: bench/capture-memory.sh [captures] [idle seconds]   (release build: cmake --preset release &&
# cmake --build build/release --target brimly)
set -euo pipefail
cd "$(dirname "$0")/.."
count=${1:-600}
idle=${2:-60}
binary=$PWD/${BRIMLY_BINARY:-build/release/cli/brimly}
[ -x "$binary" ] || { echo "capture-memory: $binary is missing; build the release preset first" >&2; exit 2; }
work=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
mkdir -p "$work/claude/projects/-home-user-app" "$work/scratch" "$work/support" "$work/config" &&
    chmod 700 "$work/scratch"
export BRIMLY_CLAUDE_HOME=$work/claude BRIMLY_SCRATCH_ROOT=$work/scratch BRIMLY_SUPPORT_DIR=$work/support \
    XDG_CONFIG_HOME=$work/config TMPDIR=$work

python3 - "$binary" "$work" "$count" "$idle" <<'PY'
import base64, json, os, random, select, struct, subprocess, sys, time, zlib
binary, work, count, idle = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])

def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))

# Compact JSON, as Claude Code writes it. Noise does not compress: 580×580 RGB is a 1 MB PNG, as a real screenshot with photos in it is.
random.seed(7)
pixels = zlib.compress(b''.join(b'\0' + random.randbytes(580 * 3) for _ in range(580)), 1)
def png(n):
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', 580, 580, 8, 2, 0, 0, 0)) +
            chunk(b'tEXt', b'Comment\0shot %d' % n) + chunk(b'IDAT', pixels) + chunk(b'IEND', b''))

def stamp():
    return time.strftime('%Y-%m-%dT%H:%M:%S.000Z', time.gmtime())

# Resident memory in MB: all of it, and the anonymous part (the heap and other private memory; the rest is
# library code and data mapped from files, shared and given back under pressure).
def rss(pid):
    with open(f'/proc/{pid}/status') as status:
        fields = dict(line.split(':', 1) for line in status)
    return tuple(int(fields[key].split()[0]) / 1024 for key in ('VmRSS', 'RssAnon'))

# Resident KB per mapped file (anonymous memory as one), to say what grew.
def mappings(pid):
    sizes, name = {}, None
    with open(f'/proc/{pid}/smaps') as smaps:
        for line in smaps:
            parts = line.split()
            if parts[0] == 'Rss:':
                sizes[name] = sizes.get(name, 0) + int(parts[1])
            elif not parts[0].endswith(':'):
                name = os.path.basename(parts[5]) if len(parts) > 5 else '[anonymous]'
    return sizes

transcript = os.path.join(work, 'claude', 'projects', '-home-user-app', 'session-1.jsonl')
with open(transcript, 'w') as out:
    out.write(json.dumps({'type': 'user', 'sessionId': 'session-1', 'promptId': 'p1', 'timestamp': stamp(),
                          'cwd': '/home/user/app', 'message': {'role': 'user', 'content': 'Look at the page'}}, separators=(',', ':')) + '\n')

with open(os.path.join(work, 'watch.err'), 'w') as err:
    watch = subprocess.Popen([binary, 'watch', '--json'], stdout=subprocess.PIPE, stderr=err, bufsize=0)
while os.path.getsize(os.path.join(work, 'watch.err')) == 0:
    if watch.poll() is not None:
        sys.exit('capture-memory: brimly watch ended early')
    time.sleep(0.01)
time.sleep(2)
start = rss(watch.pid)
startMaps = mappings(watch.pid)

printed, rest, written, first, firstMaps = 0, b'', 0, None, None
began = time.monotonic()
with open(transcript, 'a') as out:
    while printed < count:
        due = min(count, int((time.monotonic() - began) * 10) + 1)
        while written < due:
            data = base64.b64encode(png(written)).decode()
            line = {'type': 'user', 'sessionId': 'session-1', 'promptId': 'p1', 'timestamp': stamp(),
                    'message': {'role': 'user', 'content': [{'type': 'tool_result', 'tool_use_id': f't{written}',
                                'content': [{'type': 'image', 'source': {'type': 'base64',
                                             'media_type': 'image/png', 'data': data}}]}]}}
            out.write(json.dumps(line, separators=(',', ':')) + '\n')
            out.flush()
            written += 1
        ready, _, _ = select.select([watch.stdout], [], [], 0.05)
        if ready:
            data = os.read(watch.stdout.fileno(), 1 << 20)
            if not data:
                sys.exit('capture-memory: brimly watch ended early')
            *lines, rest = (rest + data).split(b'\n')
            printed += sum(b'"item"' in line for line in lines)
            if printed and first is None:
                first, firstMaps = rss(watch.pid), mappings(watch.pid)
        if time.monotonic() - began > count / 10 + 120:
            sys.exit(f'capture-memory: only {printed} of {count} printed')
busy = rss(watch.pid)
time.sleep(idle)
after = rss(watch.pid)
afterMaps = mappings(watch.pid)
watch.terminate()
watch.wait()
def describe(when, memory):
    return f'{when} {memory[0]:.1f} MB ({memory[1]:.1f} MB anonymous)'
print(f'{count} captures of {len(png(0)) / 1e6:.2f} MB printed in {time.monotonic() - began - idle:.1f} s; RSS '
      + '; '.join(describe(*pair) for pair in (('after start', start), ('after the first capture', first),
                                               ('after the captures', busy), (f'after {idle} s idle', after)))
      + f'; idle - start: {after[0] - start[0]:.1f} MB ({after[1] - start[1]:.1f} MB anonymous, '
      f'{(after[1] - start[1]) * 1024 / count:.1f} KiB per capture); idle - first capture: '
      f'{after[0] - first[0]:.1f} MB ({after[1] - first[1]:.1f} MB anonymous)')
grown = sorted(((afterMaps.get(name, 0) - startMaps.get(name, 0), name) for name in afterMaps), reverse=True)
print('grown most since start: ' + ', '.join(f'{name} +{size / 1024:.1f} MB' for size, name in grown[:8] if size > 0))
grown = sorted(((afterMaps.get(name, 0) - firstMaps.get(name, 0), name) for name in afterMaps), reverse=True)
print('grown most since the first capture: ' + ', '.join(f'{name} +{size / 1024:.1f} MB' for size, name in grown[:8] if size > 0))
PY
