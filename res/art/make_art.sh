#!/bin/sh
# Regenerate the Hushwave VoIP artwork into art/out/ (deterministic).
# Needs: /usr/bin/python3 with python3-pil, fonts-lato (DejaVu is the fallback),
# and `file` for the checks below.  On Debian 12:
#   apt-get install -y python3-pil fonts-lato fonts-dejavu-core file
set -eu
HERE=$(cd "$(dirname "$0")" && pwd)
OUT="${1:-$HERE}"
mkdir -p "$OUT"

/usr/bin/python3 -c 'import PIL' 2>/dev/null || {
    echo "make_art.sh: python3-pil is missing (apt-get install -y python3-pil)" >&2; exit 1; }
[ -f /usr/share/fonts/truetype/lato/Lato-Black.ttf ] || \
    echo "make_art.sh: warning: fonts-lato not installed, falling back to DejaVu (output will differ)" >&2

/usr/bin/python3 "$HERE/make_art.py" "$OUT"

# --- checks: 24-bit BI_RGB BMPs with a 40-byte BITMAPINFOHEADER, 3-image ICO
/usr/bin/python3 - "$OUT" <<'PY'
import struct, sys, os
out = sys.argv[1]
for name, w, h in (("banner.bmp", 370, 93), ("splash.bmp", 700, 500)):
    d = open(os.path.join(out, name), "rb").read(54)
    assert d[:2] == b"BM", name
    hdr, = struct.unpack("<I", d[14:18]); ww, hh = struct.unpack("<ii", d[18:26])
    bpp, = struct.unpack("<H", d[28:30]); comp, = struct.unpack("<I", d[30:34])
    assert (hdr, ww, hh, bpp, comp) == (40, w, h, 24, 0), (name, hdr, ww, hh, bpp, comp)
    print("ok %s: %dx%d, %d bpp, BI_RGB, BITMAPINFOHEADER" % (name, ww, hh, bpp))
d = open(os.path.join(out, "hushwave.ico"), "rb").read()
_, typ, n = struct.unpack("<HHH", d[:6]); assert typ == 1 and n == 3
sizes = []
for i in range(n):
    w, h, _, _, _, bpp, ln, off = struct.unpack("<BBBBHHII", d[6 + 16 * i: 22 + 16 * i])
    assert bpp == 32 and struct.unpack("<I", d[off:off + 4])[0] == 40
    sizes.append("%dx%d" % (w, h))
print("ok hushwave.ico: " + ", ".join(sizes) + " (32-bit BGRA + AND mask)")
PY
file "$OUT/banner.bmp" "$OUT/splash.bmp" "$OUT/hushwave.ico"
