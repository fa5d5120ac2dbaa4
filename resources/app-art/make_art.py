#!/usr/bin/env python3
"""Draws the program's cursors and icon (run once; the outputs are committed
beside this script). Cursors are 32x32 monochrome; the icon holds 32x32 and
16x16 images with an alpha channel."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def cursor(name, pixels, hotspot):
    """pixels: 32 strings of 32 chars: ' ' transparent, '#' black, '.' white."""
    xor_rows, and_rows = [], []
    for row in reversed(pixels):  # bottom-up
        xor_bits = and_bits = 0
        for x, c in enumerate(row.ljust(32)):
            bit = 1 << (31 - x)
            if c == ' ':
                and_bits |= bit
            elif c == '.':
                xor_bits |= bit
        xor_rows.append(struct.pack('>I', xor_bits))
        and_rows.append(struct.pack('>I', and_bits))
    header = struct.pack('<IiiHHIIiiII', 40, 32, 64, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = struct.pack('<8B', 0, 0, 0, 0, 255, 255, 255, 0)
    image = header + palette + b''.join(xor_rows) + b''.join(and_rows)
    directory = struct.pack('<HHH', 0, 2, 1) + struct.pack('<BBBBHHII', 32, 32, 0, 0, hotspot[0], hotspot[1],
                                                            len(image), 22)
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(directory + image)


def canvas():
    return [[' '] * 32 for _ in range(32)]


def rows(grid):
    return [''.join(r) for r in grid]


def outlined(grid):
    """Gives every white pixel a black outline."""
    out = [r[:] for r in grid]
    for y in range(32):
        for x in range(32):
            if grid[y][x] == '.':
                for dy in (-1, 0, 1):
                    for dx in (-1, 0, 1):
                        yy, xx = y + dy, x + dx
                        if 0 <= yy < 32 and 0 <= xx < 32 and grid[yy][xx] == ' ':
                            out[yy][xx] = '#'
    return out


def arrow(direction):
    """A scroll arrow pointing up, down, left or right, with a dot at the centre."""
    g = canvas()
    for i in range(8):
        for j in range(-i, i + 1):
            y, x = 4 + i, 16 + j  # pointing up
            g[y][x] = '.'
    for y in range(12, 20):
        for x in range(14, 19):
            g[y][x] = '.'
    if direction == 'down':
        g = g[::-1]
    elif direction == 'left':
        g = [[g[x][y] for x in range(32)] for y in range(32)]
    elif direction == 'right':
        g = [[g[x][31 - y] for x in range(32)] for y in range(32)]
    return outlined(g)


def diagonal(a, b):
    """Two arrow heads for the corner directions (a, b in 'up'/'down', 'left'/'right')."""
    g = canvas()
    up = a == 'up'
    left = b == 'left'
    for i in range(10):
        for j in range(10 - i):
            y = 3 + i if up else 28 - i
            x = 3 + j if left else 28 - j
            g[y][x] = '.'
    for k in range(12):
        y = 8 + k if up else 23 - k
        x = 8 + k if left else 23 - k
        for t in (-1, 0, 1):
            if 0 <= x + t < 32:
                g[y][x + t] = '.'
    return outlined(g)


def hand(closed):
    g = canvas()
    cx, cy = 16, 17
    for y in range(32):
        for x in range(32):
            if (x - cx) ** 2 / 64 + (y - cy) ** 2 / 49 <= 1:
                g[y][x] = '.'
    if not closed:
        for f in range(4):
            x0 = 9 + f * 4
            for y in range(4, 14):
                for x in range(x0, x0 + 3):
                    g[y][x] = '.'
    return outlined(g)


def pen():
    g = canvas()
    for k in range(22):
        for t in range(-2, 3):
            x, y = 4 + k + t, 27 - k
            if 0 <= x < 32 and 0 <= y < 32:
                g[y][x] = '.'
    g[28][3] = g[29][2] = '#'
    return outlined(g)


def icon(name):
    images = []
    for size in (32, 16):
        px = []
        for y in range(size - 1, -1, -1):  # bottom-up
            for x in range(size):
                u, v = (x + 0.5) / size, (y + 0.5) / size
                # rounded square with a vertical gradient
                r = 0.18
                dx = max(abs(u - 0.5) - (0.5 - r - 0.03), 0)
                dy = max(abs(v - 0.5) - (0.5 - r - 0.03), 0)
                inside = math.hypot(dx, dy) <= r
                if not inside:
                    px.append(struct.pack('<4B', 0, 0, 0, 0))
                    continue
                b, gr, rd = int(150 + 80 * v), int(90 + 60 * v), int(30 + 40 * v)
                # a ring with a tail: the product's initial
                d = math.hypot(u - 0.47, v - 0.5)
                ring = 0.2 <= d <= 0.3
                tail = abs((u - 0.62) - (v - 0.3)) < 0.06 and 0.55 < u < 0.85 and 0.2 < v < 0.5
                if ring or tail:
                    b, gr, rd = 255, 255, 255
                px.append(struct.pack('<4B', b, gr, rd, 255))
        header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        mask = b'\0' * (((size + 31) // 32) * 4 * size)
        images.append(header + b''.join(px) + mask)
    offset = 6 + 16 * len(images)
    directory = struct.pack('<HHH', 0, 1, len(images))
    data = b''
    for size, img in zip((32, 16), images):
        directory += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(img), offset + len(data))
        data += img
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(directory + data)


def placeholder(name, kind):
    """A 64x64 24-bit bitmap on silver (192, 192, 192), which the list turns
    into its window colour: a picture, a film strip, a note or a folder."""
    silver, dark, light = (192, 192, 192), (96, 96, 96), (255, 255, 255)
    accent = {'image': (40, 110, 200), 'video': (60, 60, 60), 'sound': (200, 90, 40), 'folder': (230, 190, 80)}[kind]

    def colour(x, y):
        if kind == 'image':
            if 8 <= x < 56 and 14 <= y < 50:
                if x in (8, 55) or y in (14, 49):
                    return dark
                if y > 40 - abs(x - 26) // 2 and y > 28:
                    return (60, 150, 60)
                if (x - 42) ** 2 + (y - 24) ** 2 < 20:
                    return (240, 200, 40)
                return (170, 210, 240)
        elif kind == 'video':
            if 10 <= x < 54 and 8 <= y < 56:
                if x < 16 or x >= 48:
                    return light if (y - 8) % 8 in (2, 3, 4) else accent
                return (120, 160, 220) if (y - 8) % 16 < 14 else accent
        elif kind == 'sound':
            if (x - 24) ** 2 + (y - 46) ** 2 < 40 or (x - 44) ** 2 + (y - 42) ** 2 < 40:
                return accent
            if 28 <= x < 31 and 14 <= y < 46 or 48 <= x < 51 and 10 <= y < 42:
                return accent
            if 28 <= x < 51 and 10 + (51 - x) // 6 <= y < 17 + (51 - x) // 6:
                return accent
        else:
            if 6 <= x < 58 and 18 <= y < 52:
                return dark if x in (6, 57) or y in (18, 51) else accent
            if 6 <= x < 28 and 12 <= y < 18:
                return dark if x in (6, 27) or y == 12 else accent
        return silver

    row_bytes = 64 * 3
    pixels = b''
    for y in range(63, -1, -1):  # bottom-up
        for x in range(64):
            r, g, b = colour(x, y)
            pixels += bytes((b, g, r))
    header = struct.pack('<IiiHHIIiiII', 40, 64, 64, 1, 24, 0, row_bytes * 64, 0, 0, 0, 0)
    file_header = struct.pack('<2sIHHI', b'BM', 14 + 40 + len(pixels), 0, 0, 14 + 40)
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(file_header + header + pixels)


cursor('hand_open.cur', rows(hand(False)), (16, 16))        # 255
cursor('hand_closed.cur', rows(hand(True)), (16, 16))       # 256
cursor('scroll_up.cur', rows(arrow('up')), (16, 16))         # 257
cursor('scroll_down.cur', rows(arrow('down')), (16, 16))     # 258
cursor('scroll_left.cur', rows(arrow('left')), (16, 16))     # 259
cursor('scroll_right.cur', rows(arrow('right')), (16, 16))   # 260
cursor('scroll_upleft.cur', rows(diagonal('up', 'left')), (16, 16))      # 261
cursor('scroll_downright.cur', rows(diagonal('down', 'right')), (16, 16))  # 262
cursor('red_marker.cur', rows(pen()), (3, 28))              # 304
icon('qrv.ico')                                             # 400
placeholder('thumb_image.bmp', 'image')                     # 135
placeholder('thumb_video.bmp', 'video')                     # 142
placeholder('thumb_sound.bmp', 'sound')                     # 143
placeholder('thumb_folder.bmp', 'folder')                   # 430
