#!/usr/bin/env python3
"""Writes res/about_picture.bmp: the 32 x 32, 24-bit picture of the about box.

A television screen whose 4:3 picture is widened to the 16:9 panel: a
landscape in the middle, stretched sides, arrows pointing outwards.
Usage: tools/make_about_bitmap.py [output.bmp]
"""
import struct
import sys

SIZE = 32


def picture():
    # pixels[y][x] = (r, g, b), y = 0 at the top
    px = [[(40, 40, 48) for _ in range(SIZE)] for _ in range(SIZE)]

    def fill(x0, y0, x1, y1, colour):
        for y in range(y0, y1):
            for x in range(x0, x1):
                px[y][x] = colour

    fill(1, 5, 31, 25, (176, 176, 184))      # cabinet
    fill(2, 6, 30, 24, (16, 16, 16))         # 16:9 panel, 28 x 18 minus bezel
    fill(3, 7, 29, 23, (0, 0, 0))
    for y in range(7, 23):                   # sky, lighter towards the horizon
        shade = 120 + (y - 7) * 8
        fill(3, y, 29, y + 1, (min(shade, 255) // 2, min(shade, 255) - 20, 255))
    fill(25, 8, 28, 11, (255, 224, 64))      # sun
    for x in range(3, 29):                   # hills
        top = 17 + (1 if (x // 5) % 2 else 0) - (2 if 10 <= x <= 19 else 0)
        fill(x, top, x + 1, 23, (40, 150, 60))
    for x in (8, 23):                        # the 4:3 picture's edges, dashed
        for y in range(7, 23, 2):
            px[y][x] = (255, 255, 255)
    for (tip, step) in ((4, 1), (27, -1)):   # arrows pointing outwards
        y = 15
        for i in range(3):
            px[y][tip + step * i + step] = (255, 255, 255)
        for i in range(1, 3):
            px[y - i][tip + step * i] = (255, 255, 255)
            px[y + i][tip + step * i] = (255, 255, 255)
    fill(13, 25, 19, 27, (120, 120, 128))    # stand
    fill(9, 27, 23, 28, (120, 120, 128))
    return px


def bmp_bytes(px):
    row_size = (SIZE * 3 + 3) & ~3
    image = bytearray()
    for y in range(SIZE - 1, -1, -1):        # bottom-up rows, B G R
        row = bytearray()
        for (r, g, b) in px[y]:
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        image += row
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(image), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(image), 0, 0, 14 + len(info))
    return header + info + bytes(image)


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "res/about_picture.bmp"
    with open(out, "wb") as f:
        f.write(bmp_bytes(picture()))
