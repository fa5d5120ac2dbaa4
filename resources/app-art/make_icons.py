#!/usr/bin/env python3
"""Draws the document icons of the "Icons" folder beside the program: one per
file kind that the file list's report view and the file associations show.
Each icon holds a 32x32 and a 16x16 image with an alpha channel: a sheet of
paper with a folded corner and a coloured band; the 32x32 image writes the
kind's short name on the band.

Usage: make_icons.py OUTPUT_FOLDER (made when missing)."""
import os
import struct
import sys

# File name, text on the band, band colour (red, green, blue).
ICONS = [
    ('bmp.ico', 'BMP', (40, 90, 200)),
    ('dds.ico', 'DDS', (90, 60, 160)),
    ('tga.ico', 'TGA', (160, 60, 120)),
    ('gif.ico', 'GIF', (30, 140, 90)),
    ('iff.ico', 'IFF', (150, 110, 30)),
    ('jpg.ico', 'JPG', (200, 60, 40)),
    ('jng.ico', 'JNG', (190, 90, 60)),
    ('emf.ico', 'EMF', (70, 120, 140)),
    ('mng.ico', 'MNG', (40, 150, 150)),
    ('ras.ico', 'RAS', (120, 120, 40)),
    ('sgi.ico', 'SGI', (100, 40, 100)),
    ('pcd.ico', 'PCD', (200, 140, 20)),
    ('pcx.ico', 'PCX', (60, 100, 60)),
    ('png.ico', 'PNG', (20, 110, 190)),
    ('pnm.ico', 'PNM', (110, 80, 60)),
    ('ppp.ico', 'PPP', (180, 40, 140)),
    ('psd.ico', 'PSD', (30, 70, 130)),
    ('psp.ico', 'PSP', (140, 150, 50)),
    ('tif.ico', 'TIF', (170, 70, 70)),
    ('Image.ico', 'IMG', (80, 80, 80)),
    ('Video.ico', 'VID', (30, 30, 30)),
    ('Sound.ico', 'SND', (200, 100, 30)),
    ('mp3.ico', 'MP3', (220, 120, 20)),
    ('QrvList.ico', 'LST', (50, 130, 60)),
]

# A 3x5 font for the band's text.
FONT = {
    'A': ['###', '#.#', '###', '#.#', '#.#'], 'B': ['##.', '#.#', '##.', '#.#', '##.'],
    'C': ['###', '#..', '#..', '#..', '###'], 'D': ['##.', '#.#', '#.#', '#.#', '##.'],
    'E': ['###', '#..', '##.', '#..', '###'], 'F': ['###', '#..', '##.', '#..', '#..'],
    'G': ['###', '#..', '#.#', '#.#', '###'], 'I': ['###', '.#.', '.#.', '.#.', '###'],
    'J': ['..#', '..#', '..#', '#.#', '###'], 'L': ['#..', '#..', '#..', '#..', '###'],
    'M': ['#.#', '###', '###', '#.#', '#.#'], 'N': ['##.', '#.#', '#.#', '#.#', '#.#'],
    'P': ['###', '#.#', '###', '#..', '#..'], 'R': ['##.', '#.#', '##.', '#.#', '#.#'],
    'S': ['###', '#..', '###', '..#', '###'], 'T': ['###', '.#.', '.#.', '.#.', '.#.'],
    'V': ['#.#', '#.#', '#.#', '#.#', '.#.'], 'X': ['#.#', '#.#', '.#.', '#.#', '#.#'],
    '3': ['###', '..#', '.##', '..#', '###'],
}

WHITE, OUTLINE, FOLD = (255, 255, 255), (110, 110, 110), (210, 210, 210)


def draw(size, text, band):
    """Rows top-down of (r, g, b, a) pixels."""
    s = size / 32.0
    left, right, top, bottom = round(5 * s), round(26 * s), round(1 * s), round(30 * s)
    fold = round(7 * s)
    px = [[(0, 0, 0, 0)] * size for _ in range(size)]
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            if x - (right - fold) > y - top:  # cut corner
                continue
            edge = x in (left, right) or y in (top, bottom) or x - (right - fold) == y - top
            px[y][x] = OUTLINE + (255,) if edge else WHITE + (255,)
    for y in range(top, top + fold + 1):  # the folded flap
        for x in range(right - fold, right - fold + (y - top) + 1):
            px[y][x] = OUTLINE + (255,) if x == right - fold or y == top + fold else FOLD + (255,)
    band_top, band_bottom = round(16 * s), round(25 * s)
    for y in range(band_top, band_bottom + 1):
        for x in range(left + 1, right):
            px[y][x] = band + (255,)
    if size >= 32:
        width = 4 * len(text) - 1
        x0 = left + 1 + (right - left - 1 - width) // 2
        y0 = band_top + (band_bottom - band_top + 1 - 5) // 2
        for i, ch in enumerate(text):
            for dy, row in enumerate(FONT[ch]):
                for dx, c in enumerate(row):
                    if c == '#':
                        px[y0 + dy][x0 + 4 * i + dx] = WHITE + (255,)
    return px


def icon_image(size, text, band):
    px = draw(size, text, band)
    data = b''
    for row in reversed(px):  # bottom-up
        for r, g, b, a in row:
            data += struct.pack('<4B', b, g, r, a)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    mask_row = bytearray(((size + 31) // 32) * 4)
    mask = b''
    for row in reversed(px):
        bits = bytearray(mask_row)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + data + mask


def write_icon(path, text, band):
    images = [(size, icon_image(size, text, band)) for size in (32, 16)]
    offset = 6 + 16 * len(images)
    directory = struct.pack('<HHH', 0, 1, len(images))
    data = b''
    for size, img in images:
        directory += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(img), offset + len(data))
        data += img
    with open(path, 'wb') as f:
        f.write(directory + data)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, text, band in ICONS:
        write_icon(os.path.join(out, name), text, band)


if __name__ == '__main__':
    main()
