#!/usr/bin/env python3
"""Writes the saver's icon (saver.ico) and splash picture (splash.bmp).

Both are drawn here from a few shapes so the pictures are the project's own; run it
again after changing the drawing and check in the two files it writes.
The splash is square with a power-of-two side, as the splash texture requires.
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def pixel(x, y, size):
    """Colour (r, g, b, a) of the emblem: a moon over water under a night sky."""
    u = (x + 0.5) / size
    v = (y + 0.5) / size  # 0 at the top
    if v < 0.62:
        t = v / 0.62
        r, g, b = 10 + 30 * t, 20 + 50 * t, 60 + 110 * t
        dx, dy = u - 0.62, v - 0.30
        d = math.hypot(dx, dy)
        if d < 0.16:
            r, g, b = 240, 232, 190
        elif d < 0.22:
            k = (0.22 - d) / 0.06
            r, g, b = r + (200 - r) * k * 0.5, g + (200 - g) * k * 0.5, b + (170 - b) * k * 0.5
    else:
        t = (v - 0.62) / 0.38
        r, g, b = 20 - 10 * t, 60 - 30 * t, 110 - 50 * t
        # The moon's reflection: broken bright bands under it.
        if abs(u - 0.62) < 0.10 * (1 - t) + 0.02 and int(v * size * 0.5) % 2 == 0:
            r, g, b = 200, 195, 160
    return int(r), int(g), int(b), 255


def write_bmp(path, size):
    row_bytes = size * 3
    pad = (4 - row_bytes % 4) % 4
    pixels = bytearray()
    for y in range(size - 1, -1, -1):  # bottom-up rows
        for x in range(size):
            r, g, b, _ = pixel(x, y, size)
            pixels += bytes((b, g, r))
        pixels += b"\0" * pad
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def write_ico(path, size):
    xor = bytearray()
    for y in range(size - 1, -1, -1):
        for x in range(size):
            r, g, b, a = pixel(x, y, size)
            xor += bytes((b, g, r, a))
    and_row = ((size + 31) // 32) * 4
    and_mask = b"\0" * (and_row * size)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    image = info + xor + and_mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(directory + entry + image)


if __name__ == "__main__":
    write_bmp(os.path.join(HERE, "splash.bmp"), 64)
    write_ico(os.path.join(HERE, "saver.ico"), 32)
