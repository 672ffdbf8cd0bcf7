#!/usr/bin/env bash
# The first start beside a busy Claude home: 50 transcripts written to in the last hour, 400 screenshots of
# about 0.3 MB embedded in them (some 170 MB of JSON lines), no shelf yet. The time from launching
# `brimly watch --json` until all 400 are printed (on the shelf) and until all 400 thumbnails are written,
# against `vipsthumbnail` making the same 400 thumbnails from the PNG files in the same run.
# Usage: bench/catch-up.sh   (release build: cmake --preset release && cmake --build build/release --target brimly)
set -euo pipefail
cd "$(dirname "$0")/.."
binary=$PWD/${BRIMLY_BINARY:-build/release/cli/brimly}
[ -x "$binary" ] || { echo "catch-up: $binary is missing; build the release preset first" >&2; exit 2; }
command -v vipsthumbnail >/dev/null || { echo "catch-up: vipsthumbnail is missing" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/claude/projects" "$work/scratch" "$work/support" "$work/config" "$work/pngs" "$work/thumbs" &&
    chmod 700 "$work/scratch"
export BRIMLY_CLAUDE_HOME=$work/claude BRIMLY_SCRATCH_ROOT=$work/scratch BRIMLY_SUPPORT_DIR=$work/support \
    XDG_CONFIG_HOME=$work/config TMPDIR=$work

python3 - "$binary" "$work" <<'PY'
import base64, json, os, random, select, struct, subprocess, sys, time, zlib
binary, work = sys.argv[1], sys.argv[2]
transcripts, perTranscript = 50, 8

def chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))

# Every fifth row noise, the others flat: about 0.3 MB a picture, 1280×400, which the thumbnailer has to
# scale; a transcript's eight stay inside the 4 MiB a first start reads of each.
random.seed(11)
rows = [b'\0' + (bytes([90, 120, 160]) * 1280 if y % 5 else random.randbytes(1280 * 3)) for y in range(400)]
pixels = zlib.compress(b''.join(rows), 1)
def png(n):
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', 1280, 400, 8, 2, 0, 0, 0)) +
            chunk(b'tEXt', b'Comment\0shot %d' % n) + chunk(b'IDAT', pixels) + chunk(b'IEND', b''))

def line(record):
    return json.dumps(record, separators=(',', ':')) + '\n'

now = time.time()
stamp = lambda t: time.strftime('%Y-%m-%dT%H:%M:%S.000Z', time.gmtime(t))
total = 0
for t in range(transcripts):
    session = f'session-{t}'
    folder = os.path.join(work, 'claude', 'projects', f'-home-user-app{t}')
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, session + '.jsonl'), 'w') as out:
        out.write(line({'type': 'user', 'sessionId': session, 'promptId': 'p1', 'timestamp': stamp(now - 3000),
                        'cwd': f'/home/user/app{t}', 'message': {'role': 'user', 'content': 'Check the pages'}}))
        for n in range(perTranscript):
            shot = t * perTranscript + n
            data = png(shot)
            with open(os.path.join(work, 'pngs', f'shot-{shot}.png'), 'wb') as copy:
                copy.write(data)
            out.write(line({'type': 'user', 'sessionId': session, 'promptId': 'p1',
                            'timestamp': stamp(now - 2900 + n),
                            'message': {'role': 'user', 'content': [{'type': 'tool_result', 'tool_use_id': f't{shot}',
                                'content': [{'type': 'image', 'source': {'type': 'base64', 'media_type': 'image/png',
                                                                         'data': base64.b64encode(data).decode()}}]}]}}))
        total += out.tell()
shots = transcripts * perTranscript

began = time.monotonic()
subprocess.run(['vipsthumbnail', '--size', '360x360', '-o', os.path.join(work, 'thumbs', '%s.jpg')] +
               [os.path.join(work, 'pngs', f'shot-{n}.png') for n in range(shots)], check=True)
baseline = time.monotonic() - began

thumbs = os.path.join(work, 'support', 'thumbs')
began = time.monotonic()
with open(os.path.join(work, 'watch.err'), 'w') as err:
    # WRAP runs it under a profiler, e.g. WRAP='perf record -g --'.
    watch = subprocess.Popen(os.environ.get('WRAP', '').split() + [binary, 'watch', '--json'],
                             stdout=subprocess.PIPE, stderr=err, bufsize=0)
printed, rest, shelved = 0, b'', None
while printed < shots and time.monotonic() - began < 300:
    ready, _, _ = select.select([watch.stdout], [], [], 1)
    if ready:
        data = os.read(watch.stdout.fileno(), 1 << 20)
        if not data:
            break
        *lines, rest = (rest + data).split(b'\n')
        printed += sum(b'"item"' in l for l in lines)
shelved = time.monotonic() - began
while time.monotonic() - began < 300:
    if os.path.isdir(thumbs) and len(os.listdir(thumbs)) >= shots:
        break
    time.sleep(0.05)
thumbed = time.monotonic() - began
made = len(os.listdir(thumbs)) if os.path.isdir(thumbs) else 0
watch.terminate()
watch.wait()
print(f'{transcripts} transcripts, {total / 1e6:.0f} MB, {shots} screenshots: vipsthumbnail {baseline:.2f} s; '
      f'{printed} printed after {shelved:.2f} s = {shelved / baseline:.2f}x; {made} thumbnails after '
      f'{thumbed:.2f} s = {thumbed / baseline:.2f}x')
PY
