#!/usr/bin/env python3
"""Draws the program's pictures and writes them to resources/.

The flags are 8-bit palettized, uncompressed BMP files; the cursor is a two-colour 32 x 32
cursor file with its hot spot at the fingertip; the icon is a 32 x 32 16-colour icon file.
Run it from anywhere: python3 tools/resources/make_resources.py
"""
import math
import os
import struct

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


def app_icon():
    """A thermometer: a grey tube with a red column and bulb on a transparent ground."""
    px = [[None] * 32 for _ in range(32)]
    for y in range(2, 24):
        for x in range(13, 19):
            edge = x in (13, 18) or y == 2
            px[y][x] = 0 if edge else (9 if y >= 10 else 15)
    for y in range(21, 31):
        for x in range(10, 22):
            d = math.hypot(x + 0.5 - 16, y + 0.5 - 25.5)
            if d <= 5.5:
                px[y][x] = 0 if d > 4.5 else 9
    for y in (6, 10, 14, 18):
        for x in (19, 20, 21):
            px[y][x] = 0
    xor, andm = b"", b""
    for row in reversed(px):
        nib = [c if c is not None else 0 for c in row]
        xor += bytes((nib[i] << 4) | nib[i + 1] for i in range(0, 32, 2))
        bits = 0
        for c in row:
            bits = (bits << 1) | (1 if c is None else 0)
        andm += struct.pack(">I", bits)
    info = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 4, 0, len(xor) + len(andm), 0, 0, 16, 0)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in VGA)
    image = info + pal + xor + andm
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 16, 0, 1, 4, len(image), 6 + 16)
    return header + entry + image


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, data in (("czech_flag.bmp", czech_flag()), ("british_flag.bmp", british_flag()),
                       ("handpoint.cur", hand_cursor()), ("zvkdemo.ico", app_icon())):
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
