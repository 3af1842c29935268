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
    write("logo.png", png(64, 64, key_glyph(64, white, ACCENT)))


if __name__ == "__main__":
    main()
