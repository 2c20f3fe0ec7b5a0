#!/bin/sh
# Time and peak memory of zuvfntc converting a Windows-rules font of 4000 64-dot glyphs to each
# dot size. Not part of the tests.
#   bench/fontconv_bench.sh [path/to/zuvfntc]     (default: build/fontconv/zuvfntc)
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
program=$(realpath "${1:-$here/build/fontconv/zuvfntc}")
[ -x "$program" ] || { echo "no zuvfntc at $program; build the target zuvfntc first" >&2; exit 1; }

work=$(mktemp -d /tmp/zuvfntc-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT

/usr/bin/python3 - "$work/font.win" <<'PY'
import struct, sys
count, base, index = 4000, 128, 16
head = bytearray(base + index + 4 * count)
head[0:7] = b"Windows"
head[78:80] = struct.pack("<H", count)
head[98:102] = struct.pack("<I", base)
head[base + 4:base + 8] = struct.pack("<I", index)
glyphs = bytearray()
for i in range(count):
    struct.pack_into("<I", head, base + index + 4 * i, len(head) + len(glyphs) - base)
    bits = bytes(((r * 8 + b) * 37 + i) & 0xFF for r in range(64) for b in range(8))
    glyphs += struct.pack("<HHHH", 520, 0, 64, 64) + bits
with open(sys.argv[1], "wb") as f:
    f.write(head + glyphs)
PY
echo "input: $(stat -c %s "$work/font.win") bytes, 4000 glyphs of 64 dots"

if [ -x /usr/bin/time ]; then
    timer="/usr/bin/time -v"
else
    echo "/usr/bin/time is missing (Debian package time): times only, from the shell" >&2
    timer=""
fi

for option in -e2 -e3 -e6; do
    rm -f "$work/zuvfnt.fnt"
    # "n" answers the table question.
    (cd "$work" && echo n | $timer "$program" font.win "$option" >/dev/null 2>"$work/time.txt") ||
        { cat "$work/time.txt" >&2; exit 1; }
    size=$(stat -c %s "$work/zuvfnt.fnt")
    if [ -n "$timer" ]; then
        elapsed=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$work/time.txt")
        peak=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")
        echo "$option: output $size bytes, elapsed $elapsed, peak memory $peak kB"
    else
        echo "$option: output $size bytes"
    fi
done
