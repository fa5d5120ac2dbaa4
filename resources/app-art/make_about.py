#!/usr/bin/env python3
"""Draws the about box's picture: a 700 x 150 24-bit BMP with the program's
emblem (a ring with a tail over a colour wheel) and its name in block letters.
Usage: make_about.py OUTPUT.bmp"""
import colorsys
import math
import struct
import sys

WIDTH, HEIGHT = 700, 150

# 5 x 7 block letters of the name.
GLYPHS = {
    'Q': ["01110", "10001", "10001", "10001", "10101", "10010", "01101"],
    'U': ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    'O': ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    'R': ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    'V': ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    'A': ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    'N': ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    'E': ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
}


def draw():
    pixels = [[(255, 255, 255)] * WIDTH for _ in range(HEIGHT)]
    # A soft band along the bottom edge.
    for y in range(HEIGHT - 14, HEIGHT):
        t = (y - (HEIGHT - 14)) / 13.0
        for x in range(WIDTH):
            shade = 0.5 + 0.5 * x / (WIDTH - 1)
            pixels[y][x] = (int(30 + 40 * t), int(90 + 60 * shade), int(170 + 60 * shade))
    # The emblem: a colour wheel inside a dark ring, the ring's tail at the lower right.
    cx, cy, outer, inner = 75, 66, 52, 40
    for y in range(HEIGHT):
        for x in range(WIDTH // 4):
            dx, dy = x - cx, y - cy
            r = math.hypot(dx, dy)
            if r < inner:
                hue = (math.atan2(dy, dx) / (2 * math.pi)) % 1.0
                red, green, blue = colorsys.hsv_to_rgb(hue, min(1.0, r / inner), 1.0)
                pixels[y][x] = (int(red * 255), int(green * 255), int(blue * 255))
            elif r < outer:
                pixels[y][x] = (28, 36, 52)
    for step in range(40):
        tx, ty = cx + 30 + step, cy + 30 + step * 0.6
        for oy in range(-6, 7):
            for ox in range(-3, 4):
                x, y = int(tx + ox), int(ty + oy)
                if 0 <= x < WIDTH and 0 <= y < HEIGHT - 14:
                    pixels[y][x] = (28, 36, 52)
    # The name, each letter cell 9 x 9 pixels.
    scale, left, top = 9, 160, 30
    for index, letter in enumerate("QUORVANE"):
        for gy, row in enumerate(GLYPHS[letter]):
            for gx, bit in enumerate(row):
                if bit != '1':
                    continue
                for y in range(top + gy * scale, top + (gy + 1) * scale):
                    for x in range(left + (index * 6 + gx) * scale, left + (index * 6 + gx + 1) * scale):
                        pixels[y][x] = (28 + gy * 10, 36 + gy * 12, 52 + gy * 20)
    return pixels


def write_bmp(path, pixels):
    row_bytes = (WIDTH * 3 + 3) & ~3
    image = bytearray()
    for row in reversed(pixels):  # bottom-up
        line = bytearray()
        for red, green, blue in row:
            line += bytes((blue, green, red))
        line += b'\0' * (row_bytes - len(line))
        image += line
    header = struct.pack('<2sIHHI', b'BM', 54 + len(image), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, WIDTH, HEIGHT, 1, 24, 0, len(image), 2835, 2835, 0, 0)
    with open(path, 'wb') as f:
        f.write(header + info + image)


if __name__ == '__main__':
    write_bmp(sys.argv[1], draw())
