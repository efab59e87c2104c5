#!/usr/bin/python3
"""Hushwave VoIP artwork generator (deterministic; no randomness).

Outputs (into the directory given as argv[1], default ./out):
  hushwave.ico   16/32/48 px, 32-bit BGRA DIB entries with AND masks
  banner.bmp     370x93, 24-bit BI_RGB BMP (BITMAPINFOHEADER)
  splash.bmp     700x500, 24-bit BI_RGB BMP (BITMAPINFOHEADER)
  preview-*.png  previews
  logo-48.png    48 px mark for the help pages (copied by help/build_help.sh)
"""
import math
import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFont, ImageFilter

OUT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "out")
os.makedirs(OUT, exist_ok=True)

LATO = "/usr/share/fonts/truetype/lato/"
DEJAVU = "/usr/share/fonts/truetype/dejavu/"


def font(name, size):
    for d in (LATO, DEJAVU):
        p = os.path.join(d, name)
        if os.path.exists(p):
            return ImageFont.truetype(p, size)
    # fallback if Lato is missing
    return ImageFont.truetype(os.path.join(DEJAVU, "DejaVuSans-Bold.ttf" if "Bold" in name or "Black" in name else "DejaVuSans.ttf"), size)


# Palette
NAVY = (11, 27, 58)
INDIGO = (30, 58, 138)
BLUE = (37, 99, 235)
TEAL = (20, 184, 166)
CYAN = (103, 232, 249)
WHITE = (255, 255, 255)


def lerp(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


def gradient(w, h, stops, angle_deg=0.0):
    """Linear gradient over stops [(pos, rgb), ...] along angle (0 = left->right)."""
    img = Image.new("RGB", (w, h))
    px = img.load()
    a = math.radians(angle_deg)
    dx, dy = math.cos(a), math.sin(a)
    corners = [0 * dx + 0 * dy, w * dx, h * dy, w * dx + h * dy]
    lo, hi = min(corners), max(corners)
    for y in range(h):
        for x in range(w):
            t = ((x * dx + y * dy) - lo) / (hi - lo)
            for i in range(len(stops) - 1):
                p0, c0 = stops[i]
                p1, c1 = stops[i + 1]
                if t <= p1 or i == len(stops) - 2:
                    u = 0 if p1 == p0 else min(max((t - p0) / (p1 - p0), 0), 1)
                    px[x, y] = lerp(c0, c1, u)
                    break
    return img


# ---------------------------------------------------------------- the mark
# A rounded-square badge with a voice waveform: tall, ragged bars on the left
# ("noise") that settle into small calm dots on the right ("hush").

def mark(size, ss=8):
    """Return RGBA image size x size of the product mark."""
    S = size * ss
    img = Image.new("RGBA", (S, S), (0, 0, 0, 0))
    # badge background gradient
    bg = gradient(S // ss * 2, S // ss * 2, [(0, INDIGO), (0.55, BLUE), (1, TEAL)], 45).resize((S, S), Image.BICUBIC)
    mask = Image.new("L", (S, S), 0)
    md = ImageDraw.Draw(mask)
    inset = 0 if size <= 16 else int(S * 0.02)
    radius = int(S * (0.22 if size > 16 else 0.25))
    md.rounded_rectangle([inset, inset, S - 1 - inset, S - 1 - inset], radius=radius, fill=255)
    img.paste(bg, (0, 0), mask)
    # subtle top highlight
    hl = Image.new("L", (S, S), 0)
    hd = ImageDraw.Draw(hl)
    hd.ellipse([-S * 0.3, -S * 0.95, S * 1.3, S * 0.42], fill=38 if size > 16 else 22)
    hl = Image.composite(hl, Image.new("L", (S, S), 0), mask)
    img = _add_highlight(img, hl)

    d = ImageDraw.Draw(img)
    # bar layouts in *target pixel* units so that small sizes stay crisp
    if size <= 16:
        bars = [(3, 6, 2), (6, 10, 2), (9, 6, 2)]        # x, height, width
        dots = [(13, 2.0)]                             # cx, diameter
        cy = 8
    elif size <= 32:
        bars = [(6, 12, 3), (11, 20, 3), (16, 14, 3)]
        dots = [(22.5, 3.0), (27, 2.2)]
        cy = 16
    else:
        bars = None
    if bars is None:
        # generic layout in relative units (for 48 px and large renders)
        u = size / 48.0
        bars = [(8.5 * u, 16 * u, 4.5 * u), (15.5 * u, 30 * u, 4.5 * u),
                (22.5 * u, 21 * u, 4.5 * u)]
        dots = [(32.0 * u, 4.6 * u), (38.5 * u, 3.4 * u)]
        cy = size / 2.0
    for x, h, w in bars:
        x0, x1 = x * ss, (x + w) * ss
        y0, y1 = (cy - h / 2.0) * ss, (cy + h / 2.0) * ss
        d.rounded_rectangle([x0, y0, x1 - 1, y1 - 1], radius=int(w * ss / 2), fill=WHITE + (255,))
    for i, (cx, dia) in enumerate(dots):
        r = dia * ss / 2.0
        a = 235 if i == 0 else 185
        d.ellipse([cx * ss - r, cy * ss - r, cx * ss + r, cy * ss + r], fill=(255, 255, 255, a))
    # BOX (area) filter keeps grid-aligned bars crisp at icon sizes
    return img.resize((size, size), Image.BOX if size <= 48 else Image.LANCZOS)


def _add_highlight(img, hl):
    """Blend white into img in proportion to mask hl, keeping img's alpha."""
    white = Image.new("RGBA", img.size, (255, 255, 255, 255))
    blended = Image.composite(white, img, hl)
    blended.putalpha(img.getchannel("A"))
    return blended


def mark_big(size):
    """Large mark render (supersampled generic layout)."""
    return mark(size, ss=4)


# ---------------------------------------------------------------- ICO writer
def write_ico(path, images):
    """Write classic ICO with 32-bit BGRA DIB entries plus 1-bit AND masks."""
    entries = []
    for im in images:
        im = im.convert("RGBA")
        w, h = im.size
        px = im.load()
        xor = bytearray()
        for y in range(h - 1, -1, -1):
            for x in range(w):
                r, g, b, a = px[x, y]
                xor += bytes((b, g, r, a))
        row_bytes = ((w + 31) // 32) * 4
        andm = bytearray()
        for y in range(h - 1, -1, -1):
            row = bytearray(row_bytes)
            for x in range(w):
                if px[x, y][3] == 0:
                    row[x // 8] |= 0x80 >> (x % 8)
            andm += row
        hdr = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(andm), 0, 0, 0, 0)
        entries.append((w, h, hdr + bytes(xor) + bytes(andm)))
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    dirs, datas = b"", b""
    for w, h, data in entries:
        dirs += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(data), offset)
        datas += data
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + dirs + datas)


# ---------------------------------------------------------------- waves
def wave_y(x, w, base, amp, k, phase, calm_from=0.25):
    """A signal that is noisy on the left and settles into a calm sine on the right."""
    t = x / float(w)
    noise = (math.sin(x * 0.07 * k + phase) * 0.6 + math.sin(x * 0.16 * k + 1.7 * phase) * 0.3
             + math.sin(x * 0.31 * k + 0.4 + phase) * 0.1)
    calm = math.sin(x * 0.03 * k + phase)
    m = min(max((t - calm_from) / 0.45, 0.0), 1.0)
    m = m * m * (3 - 2 * m)
    env = (1.0 - 0.65 * m)
    return base + amp * env * ((1 - m) * noise + m * calm)


def draw_waves(img, lines, ss=3):
    """Draw antialiased translucent wave lines onto RGB image."""
    w, h = img.size
    layer = Image.new("RGBA", (w * ss, h * ss), (0, 0, 0, 0))
    d = ImageDraw.Draw(layer)
    for (base, amp, k, phase, width, rgba, calm_from) in lines:
        pts = []
        for xi in range(0, w * ss + ss, 2):
            x = xi / ss
            pts.append((xi, wave_y(x, w, base, amp, k, phase, calm_from) * ss))
        d.line(pts, fill=rgba, width=max(1, int(width * ss)), joint="curve")
    layer = layer.resize((w, h), Image.LANCZOS)
    base_img = img.convert("RGBA")
    base_img.alpha_composite(layer)
    return base_img.convert("RGB")


def paste_rgba(dst, src, xy):
    base = dst.convert("RGBA")
    base.alpha_composite(src, xy)
    return base.convert("RGB")


def shadow(src, blur, opacity):
    a = src.getchannel("A").point(lambda v: int(v * opacity))
    sh = Image.new("RGBA", src.size, (0, 0, 0, 0))
    sh.putalpha(a)
    pad = blur * 3
    big = Image.new("RGBA", (src.width + 2 * pad, src.height + 2 * pad), (0, 0, 0, 0))
    big.paste(sh, (pad, pad))
    return big.filter(ImageFilter.GaussianBlur(blur)), pad


def text(img, xy, s, fnt, fill, anchor="la"):
    d = ImageDraw.Draw(img)
    d.text(xy, s, font=fnt, fill=fill, anchor=anchor)


def save_bmp24(img, path):
    img.convert("RGB").save(path, format="BMP")


# ---------------------------------------------------------------- banner
def make_banner():
    W, H = 370, 93
    img = gradient(W, H, [(0, NAVY), (0.6, (17, 50, 110)), (1, (13, 92, 120))], 12)
    img = draw_waves(img, [
        (H * 0.82, 7, 1.0, 0.3, 1.2, (103, 232, 249, 95), 0.35),
        (H * 0.84, 5, 1.3, 2.1, 1.0, (45, 212, 191, 80), 0.40),
        (H * 0.80, 4, 0.8, 4.0, 1.0, (147, 197, 253, 60), 0.30),
    ])
    # fade the waves on the left where the text sits
    fade = gradient(W, H, [(0, NAVY), (0.55, NAVY), (1, NAVY)], 0)
    fmask = gradient(W, H, [(0, (200,)), (0.62, (120,)), (1, (0,))], 0).convert("L")
    img = Image.composite(fade, img, fmask)
    m = mark(64)
    sh, pad = shadow(m, 3, 0.55)
    img = paste_rgba(img, sh, (14 - pad, 15 - pad + 2))
    img = paste_rgba(img, m, (14, 15))
    text(img, (92, 43), "Hushwave", font("Lato-Black.ttf", 31), WHITE, "ls")
    nameW = ImageDraw.Draw(img).textlength("Hushwave ", font=font("Lato-Black.ttf", 31))
    text(img, (92 + nameW, 43), "VoIP", font("Lato-Light.ttf", 31), CYAN, "ls")
    text(img, (93, 66), "Noise cancellation for every call", font("Lato-Medium.ttf", 14), (203, 225, 245), "ls")
    # thin accent line at the bottom
    d = ImageDraw.Draw(img)
    acc = gradient(W, 2, [(0, TEAL), (0.5, CYAN), (1, BLUE)], 0)
    img.paste(acc, (0, H - 2))
    return img


# ---------------------------------------------------------------- splash
def make_splash():
    W, H = 700, 500
    img = gradient(W, H, [(0, (8, 20, 46)), (0.55, (16, 42, 96)), (1, (10, 84, 110))], 35)
    # soft glow behind the mark
    glow = Image.new("L", (W, H), 0)
    gd = ImageDraw.Draw(glow)
    gd.ellipse([W / 2 - 190, 40, W / 2 + 190, 300], fill=70)
    glow = glow.filter(ImageFilter.GaussianBlur(60))
    img = Image.composite(Image.new("RGB", (W, H), (40, 110, 190)), img, glow)
    lines = []
    for i in range(7):
        lines.append((H * 0.78 + (i - 3) * 8, 24 - i * 1.5, 0.55 + i * 0.06, i * 0.7,
                      1.2 if i % 3 else 1.8,
                      (103 + i * 4, 232 - i * 6, 249, 55 + (i % 3) * 15), 0.18 + i * 0.02))
    img = draw_waves(img, lines)
    # the mark
    m = mark_big(128)
    sh, pad = shadow(m, 8, 0.6)
    mx, my = (W - 128) // 2, 62
    img = paste_rgba(img, sh, (mx - pad, my - pad + 6))
    img = paste_rgba(img, m, (mx, my))
    # product name, centred, two weights
    f1, f2 = font("Lato-Black.ttf", 58), font("Lato-Light.ttf", 58)
    d = ImageDraw.Draw(img)
    w1 = d.textlength("Hushwave ", font=f1)
    w2 = d.textlength("VoIP", font=f2)
    x0 = (W - (w1 + w2)) / 2
    text(img, (x0, 262), "Hushwave", f1, WHITE, "ls")
    text(img, (x0 + w1, 262), "VoIP", f2, CYAN, "ls")
    text(img, (W / 2, 300), "Noise cancellation for every call", font("Lato-Medium.ttf", 21), (203, 225, 245), "ms")
    # version pill
    fv = font("Lato-Semibold.ttf", 14)
    vs = "Version 0.8.0"
    vw = d.textlength(vs, font=fv)
    pill = Image.new("RGBA", (W * 3, 30 * 3), (0, 0, 0, 0))
    pd = ImageDraw.Draw(pill)
    pw = vw + 28
    px0 = (W - pw) / 2
    pd.rounded_rectangle([px0 * 3, 0, (px0 + pw) * 3, 26 * 3], radius=13 * 3,
                         fill=(255, 255, 255, 28), outline=(103, 232, 249, 150), width=3)
    pill = pill.resize((W, 30), Image.LANCZOS)
    img = paste_rgba(img, pill, (0, 322))
    text(img, (W / 2, 335), vs, fv, (224, 242, 254), "mm")
    # footer
    ff = font("Lato-Regular.ttf", 13)
    text(img, (24, H - 20), "\u00a9 2026 Hushwave. All rights reserved.", ff, (170, 196, 222), "ls")
    text(img, (W - 24, H - 20), "www.hushwave.example", ff, (170, 196, 222), "rs")
    return img


def main():
    icons = [mark(16), mark(32), mark(48)]
    write_ico(os.path.join(OUT, "hushwave.ico"), icons)
    # icon preview: each size at 1x and zoomed (nearest) on light and dark backgrounds
    zoom = {16: 6, 32: 3, 48: 2}
    pv = Image.new("RGB", (10 + sum(s * zoom[s] + 20 for s in zoom), 2 * 170), (240, 240, 240))
    pv.paste((32, 32, 32), (0, 170, pv.width, 340))
    for row in (0, 170):
        x = 10
        for im in icons:
            s = im.size[0]
            pv = paste_rgba(pv, im, (x, row + 10))
            pv = paste_rgba(pv, im.resize((s * zoom[s],) * 2, Image.NEAREST), (x, row + 64))
            x += s * zoom[s] + 20
    pv.save(os.path.join(OUT, "preview-icon.png"))
    mark(256, ss=4).save(os.path.join(OUT, "preview-mark-256.png"))
    icons[2].save(os.path.join(OUT, "logo-48.png"))   # used by the help file

    b = make_banner()
    save_bmp24(b, os.path.join(OUT, "banner.bmp"))
    b.save(os.path.join(OUT, "preview-banner.png"))
    s = make_splash()
    save_bmp24(s, os.path.join(OUT, "splash.bmp"))
    s.save(os.path.join(OUT, "preview-splash.png"))


if __name__ == "__main__":
    main()
