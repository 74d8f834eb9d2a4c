#!/usr/bin/env python3
"""Draws the program's pictures and writes them to resources/.

The flags are 8-bit palettized, uncompressed BMP files; the cursor is a two-colour 32 x 32
cursor file with its hot spot at the fingertip; the window icon is 32 x 32 in the 16 VGA
colours, stored decoded (raw RGBA), and drawn again as PNG files at the usual sizes of the
desktop's hicolor icon theme.
Run it from anywhere: python3 tools/resources/make_resources.py
"""
import math
import os
import struct
import zlib

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "resources")


def bmp_8bit(width, height, pixels, palette):
    """pixels: rows top-down of palette indices; palette: up to 256 (r, g, b)."""
    palette = list(palette) + [(0, 0, 0)] * (256 - len(palette))
    stride = (width + 3) & ~3
    image = b"".join(bytes(row) + b"\0" * (stride - width) for row in reversed(pixels))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(image), 3780, 3780, 256, 0)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    offset = 14 + len(info) + len(pal)
    header = struct.pack("<2sIHHI", b"BM", offset + len(image), 0, 0, offset)
    return header + info + pal + image


def czech_flag():
    w, h = 25, 16
    white, red, blue = (255, 255, 255), (218, 37, 29), (0, 83, 133)
    rows = []
    for y in range(h):
        row = []
        for x in range(w):
            cy = y + 0.5
            reach = (w / 2) * (1 - abs(cy - h / 2) / (h / 2))
            if x + 0.5 < reach:
                row.append(2)
            else:
                row.append(0 if y < h / 2 else 1)
        rows.append(row)
    return bmp_8bit(w, h, rows, [white, red, blue])


def union_jack_colour(u, v):
    """Colour at (u, v) in flag units 60 x 30: 0 blue, 1 white, 2 red."""
    dx, dy = u - 30.0, v - 15.0
    if abs(dx) <= 3 or abs(dy) <= 3:
        return 2
    if abs(dx) <= 5 or abs(dy) <= 5:
        return 1
    root5 = math.sqrt(5)
    s1 = (2 * dy - dx) / root5  # across the diagonal from top left to bottom right
    s2 = (2 * dy + dx) / root5  # across the diagonal from bottom left to top right
    on_first = (dx < 0) == (dy < 0)
    s = s1 if on_first else s2
    if abs(s) <= 3:
        # The broad white lies above the red in the hoist half, below it in the fly half.
        red = 0 < s <= 2 if dx < 0 else -2 <= s < 0
        return 2 if red else 1
    return 0


def british_flag():
    w, h, n = 29, 16, 4
    colours = [(10, 49, 98), (255, 255, 255), (185, 35, 65)]
    palette, index, rows = [], {}, []
    for y in range(h):
        row = []
        for x in range(w):
            counts = [0, 0, 0]
            for sy in range(n):
                for sx in range(n):
                    u = (x + (sx + 0.5) / n) * 60 / w
                    v = (y + (sy + 0.5) / n) * 30 / h
                    counts[union_jack_colour(u, v)] += 1
            rgb = tuple(round(sum(c[i] * k for c, k in zip(colours, counts)) / (n * n))
                        for i in range(3))
            if rgb not in index:
                index[rgb] = len(palette)
                palette.append(rgb)
            row.append(index[rgb])
        rows.append(row)
    assert len(palette) <= 256
    return bmp_8bit(w, h, rows, palette)


HAND = """
......BB........................
.....BWWB.......................
.....BWWB.......................
.....BWWB.......................
.....BWWB.......................
.....BWWBBB.....................
.....BWWBWWBBB..................
.....BWWBWWBWWBB................
..BB.BWWBWWBWWBWB...............
.BWWBBWWWWWWWWBWWB..............
.BWWWBWWWWWWWWWWWB..............
..BWWWWWWWWWWWWWWB..............
...BWWWWWWWWWWWWWB..............
...BWWWWWWWWWWWWWB..............
....BWWWWWWWWWWWB...............
....BWWWWWWWWWWWB...............
.....BWWWWWWWWWB................
.....BWWWWWWWWWB................
.....BBBBBBBBBBB................
""".split()


def hand_cursor():
    rows = HAND + ["." * 32] * (32 - len(HAND))
    # Shift so that the fingertip (top row, the finger's middle) is at column 7, row 1.
    rows = ["." * 32] + [("." + r)[:32] for r in rows[:31]]
    xor_rows, and_rows = [], []
    for r in reversed(rows):
        xb, ab = 0, 0
        for ch in r:
            xb = (xb << 1) | (1 if ch == "W" else 0)
            ab = (ab << 1) | (1 if ch == "." else 0)
        xor_rows.append(struct.pack(">I", xb))
        and_rows.append(struct.pack(">I", ab))
    info = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 1, 0, 256, 0, 0, 2, 0)
    pal = struct.pack("<BBBBBBBB", 0, 0, 0, 0, 255, 255, 255, 0)
    image = info + pal + b"".join(xor_rows) + b"".join(and_rows)
    header = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 2, 0, 7, 1, len(image), 6 + 16)
    return header + entry + image


VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def icon_colour(u, v):
    """Colour of the thermometer icon at (u, v) in units of the 32 x 32 icon: a VGA index,
    or None where the ground is transparent. A grey tube with a red column and bulb."""
    colour = None
    if 13 <= u < 19 and 2 <= v < 24:
        edge = u < 14 or u >= 18 or v < 3
        colour = 0 if edge else (9 if v >= 10 else 15)
    if 10 <= u < 22 and 21 <= v < 31:
        d = math.hypot(u - 16, v - 25.5)
        if d <= 5.5:
            colour = 0 if d > 4.5 else 9
    if 19 <= u < 22 and any(t <= v < t + 1 for t in (6, 10, 14, 18)):
        colour = 0
    return colour


def png_rgba(size, pixels):
    """pixels: rows top-down of (r, g, b, a)."""
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    raw = b"".join(b"\0" + bytes(c for p in row for c in p) for row in pixels)
    ihdr = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def icon_pixels(size):
    """The thermometer at a given size, as rows of (r, g, b, a). At 32 pixels it is the
    program's own icon, one sample per pixel centre; other sizes average 4 x 4 samples per
    pixel, so edges are smoothed instead of doubled or dropped."""
    n = 1 if size == 32 else 4
    scale = 32 / size
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            r = g = b = hits = 0
            for sy in range(n):
                for sx in range(n):
                    c = icon_colour((x + (sx + 0.5) / n) * scale, (y + (sy + 0.5) / n) * scale)
                    if c is not None:
                        hits += 1
                        r, g, b = r + VGA[c][0], g + VGA[c][1], b + VGA[c][2]
            if hits:
                row.append((round(r / hits), round(g / hits), round(b / hits),
                            round(255 * hits / (n * n))))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, data in (("czech_flag.bmp", czech_flag()), ("british_flag.bmp", british_flag()),
                       ("handpoint.cur", hand_cursor()),
                       # The window icon, stored decoded: 32 x 32 RGBA, rows top-down.
                       ("zvkdemo.rgba", bytes(c for row in icon_pixels(32) for p in row for c in p))):
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)
    for size in ICON_SIZES:
        folder = os.path.join(OUT, "icons", "hicolor", f"{size}x{size}", "apps")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "zvkdemo.png"), "wb") as f:
            f.write(png_rgba(size, icon_pixels(size)))


if __name__ == "__main__":
    main()
