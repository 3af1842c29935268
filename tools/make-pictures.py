#!/usr/bin/env python3
"""Draws the program's icons and pictures into res/ (run by hand; the outputs are committed).

Plain Python with zlib, so it needs nothing beyond the standard library.
"""
import math, os, struct, zlib

RES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res")
ACCENT = (0x62, 0x3C, 0xEA)


def png(w, h, pixels):
    """pixels: list of rows of (r,g,b,a)."""
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in pixels)
    def chunk(t, d):
        return struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d) & 0xFFFFFFFF)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def canvas(w, h, fn):
    return [[fn(x + 0.5, y + 0.5) for x in range(w)] for y in range(h)]


def coverage(d):
    """Anti-aliased coverage for a signed distance (negative inside)."""
    return max(0.0, min(1.0, 0.5 - d))


def key_glyph(size, colour, bg=None):
    """A key: a ring with a shaft and two teeth, the program's mark."""
    s = size / 16.0
    def fn(x, y):
        x, y = x / s, y / s
        ring = abs(math.hypot(x - 5.5, y - 8) - 3.2) - 1.2
        shaft = max(abs(y - 8) - 1.0, x - 14.5, 8.0 - x)
        tooth1 = max(abs(x - 12.5) - 0.8, y - 11.0, 8.0 - y)
        tooth2 = max(abs(x - 10.5) - 0.8, y - 10.5, 8.0 - y)
        d = min(ring, shaft, tooth1, tooth2) * s
        a = coverage(d)
        if bg:
            bd = (math.hypot(x - 8, y - 8) - 7.6) * s
            ba = coverage(bd)
            r, g, b = (colour[i] * a + bg[i] * (1 - a) for i in range(3))
            return (int(r), int(g), int(b), int(255 * ba))
        return (*colour, int(255 * a))
    return canvas(size, size, fn)


MENU_GREY = (0x86, 0x86, 0x94)


def seg(x, y, ax, ay, bx, by, r):
    """Distance to a segment of half-width r."""
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - ax - t * dx, y - ay - t * dy) - r


def gear_distance(x, y, cx, cy, outer, inner, hole, teeth):
    """A gear: a disc whose rim alternates between two radii, with a round hole."""
    r = math.hypot(x - cx, y - cy)
    a = math.atan2(y - cy, x - cx)
    # Flat-topped teeth: the rim is `outer` for the outer part of each period.
    tooth = math.cos(teeth * a) > -0.1
    rim = outer if tooth else inner
    return max(r - rim, hole - r)


def list_glyph(x, y):
    """Account list: three bullets with lines."""
    d = 1e9
    for row in (6.5, 12, 17.5):
        d = min(d, math.hypot(x - 5, y - row) - 1.7, seg(x, y, 9, row, 20, row, 1.1))
    return d


def gear_glyph(x, y):
    return gear_distance(x, y, 12, 12, 9.5, 7.2, 3.2, 8)


def info_glyph(x, y):
    ring = abs(math.hypot(x - 12, y - 12) - 9) - 1.1
    dot = math.hypot(x - 12, y - 7.6) - 1.5
    stem = seg(x, y, 12, 11, 12, 17, 1.2)
    return min(ring, dot, stem)


def tray_glyph(x, y):
    """Down to the tray: an arrow into an open box."""
    shaft = seg(x, y, 12, 3, 12, 13.5, 1.1)
    head = min(seg(x, y, 12, 14, 7.8, 9.8, 1.1), seg(x, y, 12, 14, 16.2, 9.8, 1.1))
    box = min(seg(x, y, 3.5, 14, 3.5, 20, 1.1), seg(x, y, 3.5, 20, 20.5, 20, 1.1),
              seg(x, y, 20.5, 20, 20.5, 14, 1.1))
    return min(shaft, head, box)


def power_glyph(x, y):
    """Power: a ring open at the top with a bar through the gap."""
    r = math.hypot(x - 12, y - 13)
    angle = math.degrees(math.atan2(x - 12, -(y - 13)))  # 0 at the top
    if abs(angle) > 40:
        ring = abs(r - 8) - 1.2
    else:
        # Round ends of the arc.
        ends = [(12 + 8 * math.sin(math.radians(s * 40)), 13 - 8 * math.cos(math.radians(s * 40)))
                for s in (-1, 1)]
        ring = min(math.hypot(x - ex, y - ey) for ex, ey in ends) - 1.2
    bar = seg(x, y, 12, 2.5, 12, 11.5, 1.2)
    return min(ring, bar)


def glyph_picture(size, shape, colour, design=24.0):
    """A glyph drawn from a distance function given in `design`-pixel units."""
    s = size / design
    def fn(x, y):
        a = coverage(shape(x / s, y / s) * s)
        return (*colour, int(round(255 * a))) if a > 0 else (0, 0, 0, 0)
    return canvas(size, size, fn)


def round_box(x, y, cx, cy, hw, hh, r):
    """Distance to a rectangle with rounded corners, centred at cx, cy, half sizes hw, hh."""
    qx, qy = abs(x - cx) - hw + r, abs(y - cy) - hh + r
    return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - r


def heart(x, y, cx, cy, size):
    """A heart (point down) about `size` across, its middle at cx, cy."""
    px, py = abs(x - cx) / size * 1.6, (cy - y) / size * 1.6 + 0.55
    if py + px > 1.0:
        d = math.hypot(px - 0.25, py - 0.75) - math.sqrt(2) / 4
    else:
        m = 0.5 * max(px + py, 0.0)
        d = math.sqrt(min((px) ** 2 + (py - 1.0) ** 2, (px - m) ** 2 + (py - m) ** 2))
        d *= 1 if px - py > 0 else -1
    return d * size / 1.6


def cup(x, y):
    """A steaming cup on a saucer, in 24-pixel design units."""
    body = round_box(x, y, 10.5, 14, 6.5, 5, 2.5)
    handle = abs(math.hypot(x - 17.5, y - 13.5) - 2.6) - 1.1
    saucer = seg(x, y, 3, 21, 18, 21, 1.1)
    steam = min(seg(x, y, 8, 3.5, 8, 6.5, 1.0), seg(x, y, 13, 3.5, 13, 6.5, 1.0))
    return min(body, handle, saucer, steam)


def blend(under, over, a):
    """`over` (r, g, b) at coverage a on top of `under` (r, g, b, alpha)."""
    ua = under[3] / 255.0
    oa = a + ua * (1 - a)
    if oa <= 0:
        return (0, 0, 0, 0)
    return tuple(int(round((over[i] * a + under[i] * ua * (1 - a)) / oa)) for i in range(3)) + (int(round(255 * oa)),)


def appreciation(size, colour, glyph):
    """A thank-you card, no payment code: a coloured rounded square, a white panel and a
    glyph in the card's colour."""
    s = size / 24.0
    def fn(x, y):
        u, v = x / s, y / s
        px = (0, 0, 0, 0)
        px = blend(px, colour, coverage(round_box(u, v, 12, 12, 12, 12, 3) * s))
        px = blend(px, (255, 255, 255), coverage(round_box(u, v, 12, 12, 9, 9, 2) * s))
        px = blend(px, colour, coverage(glyph(u, v) * s))
        return px
    return canvas(size, size, fn)


def tick_picture(size):
    """A white tick in a filled accent circle."""
    s = size / 24.0
    def fn(x, y):
        u, v = x / s, y / s
        px = blend((0, 0, 0, 0), ACCENT, coverage((math.hypot(u - 12, v - 12) - 11.5) * s))
        tick = min(seg(u, v, 6.5, 12.5, 10.5, 16.5, 1.4), seg(u, v, 10.5, 16.5, 17.5, 8, 1.4))
        return blend(px, (255, 255, 255), coverage(tick * s))
    return canvas(size, size, fn)


def dashed_box(w, h):
    """The import window's file box: a light panel in a dashed accent outline."""
    r, half, dash, gap = 10.0, 0.75, 6.0, 4.0
    cx, cy, hw, hh = w / 2, h / 2, w / 2 - 1.5, h / 2 - 1.5
    def fn(x, y):
        d = round_box(x, y, cx, cy, hw, hh, r)
        px = blend((0, 0, 0, 0), (0xF7, 0xF5, 0xFE), coverage(d))
        # Dashes run along the straight edges, from each edge's middle; corners are whole.
        on_side = abs(x - cx) > hw - r and abs(y - cy) <= hh - r
        on_top = abs(y - cy) > hh - r and abs(x - cx) <= hw - r
        if on_top or on_side:
            t = abs(y - cy) if on_side else abs(x - cx)
            if (t + dash / 2) % (dash + gap) > dash:
                return px
        return blend(px, ACCENT, coverage(abs(d) - half))
    return canvas(w, h, fn)


def welcome_picture(size):
    """The about page's first picture: the program's key on a light accent disc."""
    key = key_glyph(size * 10 // 16, ACCENT)
    off = (size - len(key)) // 2
    s = size / 24.0
    def fn(x, y):
        px = blend((0, 0, 0, 0), (0xEE, 0xEA, 0xFD), coverage((math.hypot(x / s - 12, y / s - 12) - 11.5) * s))
        kx, ky = int(x) - off, int(y) - off
        if 0 <= kx < len(key) and 0 <= ky < len(key):
            k = key[ky][kx]
            px = blend(px, k[:3], k[3] / 255.0)
        return px
    return canvas(size, size, fn)


MENU_GLYPHS = {0: list_glyph, 1: gear_glyph, 2: info_glyph, 4: tray_glyph, 5: power_glyph}


def ico_entry_bmp(size, pixels):
    """A 32-bit DIB icon image (bottom-up BGRA plus a 1-bit AND mask)."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b"".join(bytes((px[2], px[1], px[0], px[3])) for row in reversed(pixels) for px in row)
    stride = ((size + 31) // 32) * 4
    mask = bytes(stride * size)
    return header + xor + mask


def ico(images):
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    blobs = []
    for size, pixels in images:
        data = ico_entry_bmp(size, pixels)
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
        blobs.append(data)
    return out + b"".join(blobs)


def write(name, data):
    with open(os.path.join(RES, name), "wb") as f:
        f.write(data)


def main():
    white = (255, 255, 255)
    # Tray icon: one 16 x 16 32-bit image, a 1,150-byte icon file.
    tray = ico([(16, key_glyph(16, white, ACCENT))])
    assert len(tray) == 1150, len(tray)
    write("tray.ico", tray)
    write("app.ico", ico([(s, key_glyph(s, white, ACCENT)) for s in (16, 32, 48)]))
    write("logo.png", png(258, 258, key_glyph(258, white, ACCENT)))
    # Menu strip: 24 x 24, grey when normal, accent when active (hovered or current page).
    for index, shape in MENU_GLYPHS.items():
        write("menu%d.png" % index, png(24, 24, glyph_picture(24, shape, MENU_GREY)))
        write("menu%d_active.png" % index, png(24, 24, glyph_picture(24, shape, ACCENT)))
    # The startup password's settings button.
    write("gear.png", png(16, 16, glyph_picture(16, gear_glyph, ACCENT)))
    # The import window: the tick of a picked file, the dashed box behind the file's name.
    write("tick.png", png(48, 48, tick_picture(48)))
    write("import_box.png", png(164, 100, dashed_box(164, 100)))
    # The about page: its first picture and two thank-you cards (placeholders, no codes).
    write("about_start.png", png(400, 400, welcome_picture(400)))
    write("wechat.png", png(400, 400, appreciation(400, (0x2A, 0xAE, 0x67), lambda u, v: heart(u, v, 12, 12.5, 11))))
    write("alipay.png", png(400, 400, appreciation(400, (0x16, 0x77, 0xFF), lambda u, v: cup((u - 12) * 1.8 + 11, (v - 12) * 1.8 + 12.5) / 1.8)))


if __name__ == "__main__":
    main()
