#!/usr/bin/env python3
"""Draws the program's "Win2K" skin: Win2K.ini with the button and image sizes
and the 24-bit bitmaps (40-byte info header, bottom-up rows) whose magenta
background the program makes transparent or turns into a system colour.

Strips are one row of cells, cell n at x = n * cell width:
  Cold/Hot            the main tool bar's 18 buttons
  ImageCold/ImageHot  the image tool bar's 14 buttons
  BrowserCold/Hot     the browser tool bar's 15 buttons
  MenuCold/MenuHot    63 menu icons (15 option mark, 16 chosen option,
                      17 ticked check box, 31 empty check box)
  TabCtrl             the browser's 6 tabs
Player holds 8 button columns in 4 state rows: normal, hot, disabled, pressed.

Usage: make_skin.py OUTPUT_FOLDER (made when missing)."""
import os
import struct
import sys

NAME = 'Win2K'
MAGENTA = (255, 0, 255)
BLACK, WHITE, GREY = (0, 0, 0), (255, 255, 255), (128, 128, 128)
RED, GREEN, BLUE = (200, 30, 30), (30, 150, 40), (40, 70, 200)
YELLOW, ORANGE, TEAL, PURPLE = (220, 170, 20), (225, 120, 20), (20, 140, 140), (130, 50, 160)

SIZES = {
    'cxButton': 24, 'cyButton': 24,
    'cxButtonImage': 16, 'cyButtonImage': 16,
    'cxButtonBrowser': 16, 'cyButtonBrowser': 16,
    'cxPlayerButton': 24, 'cyPlayerButton': 22,
    'cxPlayerImage': 16, 'cyPlayerImage': 16,
    'cxTabCtrlImage': 16, 'cyTabCtrlImage': 16,
}

# A 3x5 font for the short labels.
FONT = {
    'A': '###|#.#|###|#.#|#.#', 'B': '##.|#.#|##.|#.#|##.', 'C': '###|#..|#..|#..|###', 'D': '##.|#.#|#.#|#.#|##.',
    'E': '###|#..|##.|#..|###', 'F': '###|#..|##.|#..|#..', 'G': '###|#..|#.#|#.#|###', 'H': '#.#|#.#|###|#.#|#.#',
    'I': '###|.#.|.#.|.#.|###', 'J': '..#|..#|..#|#.#|###', 'K': '#.#|#.#|##.|#.#|#.#', 'L': '#..|#..|#..|#..|###',
    'M': '#.#|###|###|#.#|#.#', 'N': '##.|#.#|#.#|#.#|#.#', 'O': '###|#.#|#.#|#.#|###', 'P': '###|#.#|###|#..|#..',
    'Q': '###|#.#|#.#|###|..#', 'R': '##.|#.#|##.|#.#|#.#', 'S': '###|#..|###|..#|###', 'T': '###|.#.|.#.|.#.|.#.',
    'U': '#.#|#.#|#.#|#.#|###', 'V': '#.#|#.#|#.#|#.#|.#.', 'W': '#.#|#.#|###|###|#.#', 'X': '#.#|#.#|.#.|#.#|#.#',
    'Y': '#.#|#.#|.#.|.#.|.#.', 'Z': '###|..#|.#.|#..|###', '0': '###|#.#|#.#|#.#|###', '1': '.#.|##.|.#.|.#.|###',
    '2': '###|..#|###|#..|###', '3': '###|..#|.##|..#|###', '4': '#.#|#.#|###|..#|..#', '5': '###|#..|###|..#|###',
    '6': '###|#..|###|#.#|###', '7': '###|..#|..#|.#.|.#.', '8': '###|#.#|###|#.#|###', '9': '###|#.#|###|..#|###',
    ':': '...|.#.|...|.#.|...', '?': '###|..#|.##|...|.#.', '+': '...|.#.|###|.#.|...', '-': '...|...|###|...|...',
}


class Cell:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[MAGENTA] * w for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c, fill=True):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                if fill or x in (x0, x1) or y in (y0, y1):
                    self.set(x, y, c)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.set(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def triangle(self, pts, c):
        ys = [p[1] for p in pts]
        for y in range(min(ys), max(ys) + 1):
            xs = []
            for i in range(3):
                (xa, ya), (xb, yb) = pts[i], pts[(i + 1) % 3]
                if ya != yb and min(ya, yb) <= y <= max(ya, yb):
                    xs.append(xa + (y - ya) * (xb - xa) / (yb - ya))
            if xs:
                for x in range(int(round(min(xs))), int(round(max(xs))) + 1):
                    self.set(x, y, c)

    def circle(self, cx, cy, r, c, fill=False):
        for y in range(self.h):
            for x in range(self.w):
                d = (x - cx) ** 2 + (y - cy) ** 2
                if (fill and d <= r * r) or (not fill and (r - 0.6) ** 2 <= d <= (r + 0.6) ** 2):
                    self.set(x, y, c)

    def text(self, s, c, y=None):
        width = len(s) * 4 - 1
        x = (self.w - width) // 2
        y = (self.h - 5) // 2 if y is None else y
        for ch in s:
            for row, bits in enumerate(FONT[ch].split('|')):
                for col, b in enumerate(bits):
                    if b == '#':
                        self.set(x + col, y + row, c)
            x += 4


# ---- glyphs: each draws into a 16x16 area at the cell's centre ----

def g_label(text, color):
    def draw(cell, c):
        cell.rect(0, 2, 15, 13, WHITE)
        cell.rect(0, 2, 15, 13, c(color), fill=False)
        cell.text(text, c(BLACK))
    return draw


def g_arrow(direction, color):
    def draw(cell, c):
        pts = {'left': [(3, 8), (11, 2), (11, 14)], 'right': [(12, 8), (4, 2), (4, 14)],
               'up': [(8, 3), (2, 11), (14, 11)], 'down': [(8, 12), (2, 4), (14, 4)]}[direction]
        cell.triangle(pts, c(color))
    return draw


def g_double(direction, color):
    def draw(cell, c):
        if direction == 'left':
            cell.triangle([(1, 8), (7, 3), (7, 13)], c(color))
            cell.triangle([(8, 8), (14, 3), (14, 13)], c(color))
        else:
            cell.triangle([(14, 8), (8, 3), (8, 13)], c(color))
            cell.triangle([(7, 8), (1, 3), (1, 13)], c(color))
    return draw


def g_skip(direction, color):
    def draw(cell, c):
        if direction == 'left':
            cell.rect(2, 3, 3, 13, c(color))
            cell.triangle([(4, 8), (12, 3), (12, 13)], c(color))
        else:
            cell.rect(12, 3, 13, 13, c(color))
            cell.triangle([(11, 8), (3, 3), (3, 13)], c(color))
    return draw


def g_pause(color):
    def draw(cell, c):
        cell.rect(4, 3, 6, 13, c(color))
        cell.rect(9, 3, 11, 13, c(color))
    return draw


def g_square(color, fill=True):
    def draw(cell, c):
        cell.rect(3, 3, 12, 12, c(color), fill)
    return draw


def g_cross(color):
    def draw(cell, c):
        for d in (0, 1):
            cell.line(3 + d, 3, 12, 12 - d, c(color))
            cell.line(3 + d, 12, 12, 3 + d, c(color))
    return draw


def g_folder(color):
    def draw(cell, c):
        cell.rect(1, 3, 6, 5, c(color))
        cell.rect(1, 5, 14, 13, c(color))
        cell.rect(1, 5, 14, 13, c(BLACK), fill=False)
    return draw


def g_disk(color):
    def draw(cell, c):
        cell.rect(2, 2, 13, 13, c(color))
        cell.rect(5, 2, 10, 6, c(WHITE))
        cell.rect(4, 9, 11, 13, c(BLACK))
    return draw


def g_magnifier(sign, color):
    def draw(cell, c):
        cell.circle(6, 6, 5, c(color))
        cell.line(9, 10, 14, 15, c(BLACK))
        cell.line(10, 10, 15, 15, c(BLACK))
        cell.rect(4, 6, 8, 6, c(BLACK))
        if sign == '+':
            cell.rect(6, 4, 6, 8, c(BLACK))
    return draw


def g_rotate(label, clockwise, color):
    def draw(cell, c):
        cell.circle(8, 8, 6, c(color))
        head = [(12, 1), (15, 5), (10, 5)] if clockwise else [(4, 1), (1, 5), (6, 5)]
        cell.triangle(head, c(color))
        cell.text(label, c(BLACK))
    return draw


def g_flip(vertical, color):
    def draw(cell, c):
        if vertical:
            cell.triangle([(8, 1), (3, 6), (13, 6)], c(color))
            cell.rect(1, 7, 14, 8, c(BLACK))
            cell.triangle([(8, 14), (3, 9), (13, 9)], c(GREY))
        else:
            cell.triangle([(1, 8), (6, 3), (6, 13)], c(color))
            cell.rect(7, 1, 8, 14, c(BLACK))
            cell.triangle([(14, 8), (9, 3), (9, 13)], c(GREY))
    return draw


def g_hand(color):
    def draw(cell, c):
        for x in (4, 6, 8, 10):
            cell.rect(x, 2 + (x == 4) * 2, x + 1, 9, c(color))
        cell.rect(4, 8, 12, 13, c(color))
        cell.rect(12, 6, 13, 10, c(color))
    return draw


def g_select(color):
    def draw(cell, c):
        for i in range(2, 14, 2):
            for x, y in ((i, 2), (i, 13), (2, i), (13, i)):
                cell.set(x, y, c(color))
    return draw


def g_marker(color):
    def draw(cell, c):
        for d in range(3):
            cell.line(2 + d, 13, 12 + d, 3, c(color))
        cell.triangle([(1, 15), (2, 12), (4, 14)], c(BLACK))
    return draw


def g_channel(fill, color):
    def draw(cell, c):
        if fill == 'rgb':
            cell.rect(1, 3, 5, 12, c(RED))
            cell.rect(6, 3, 10, 12, c(GREEN))
            cell.rect(11, 3, 14, 12, c(BLUE))
        elif fill == 'alpha':
            for y in range(2, 14):
                for x in range(2, 14):
                    cell.set(x, y, c(WHITE if ((x - 2) // 3 + (y - 2) // 3) % 2 else GREY))
        else:
            cell.rect(2, 2, 13, 13, c(color))
        cell.rect(1, 2, 14, 13, c(BLACK), fill=False)
    return draw


def g_radio(chosen):
    def draw(cell, c):
        cell.circle(8, 8, 5, c(BLACK))
        if chosen:
            cell.circle(8, 8, 2.5, c(BLACK), fill=True)
    return draw


def g_checkbox(ticked):
    def draw(cell, c):
        cell.rect(3, 3, 12, 12, c(WHITE))
        cell.rect(3, 3, 12, 12, c(BLACK), fill=False)
        if ticked:
            for d in (0, 1):
                cell.line(5, 7 + d, 7, 9 + d, c(BLACK))
                cell.line(7, 9 + d, 11, 5 + d, c(BLACK))
    return draw


def g_speaker(sign, color):
    def draw(cell, c):
        cell.rect(1, 6, 3, 10, c(color))
        cell.triangle([(3, 8), (8, 2), (8, 14)], c(color))
        cell.rect(10, 8, 14, 8, c(BLACK))
        if sign == '+':
            cell.rect(12, 6, 12, 10, c(BLACK))
    return draw


# Cell n is the picture of the main tool bar's image index n: Open, Exit, Save,
# Print, Zoom In, Zoom 100, Zoom Out, About, File, Next, Previous, Slideshow,
# Reload, Settings, Browse, Acquire, Undo, Redo.
MAIN = [g_folder(YELLOW), g_cross(RED), g_disk(BLUE), g_label('PR', GREY), g_magnifier('+', TEAL),
        g_label('1:1', TEAL), g_magnifier('-', TEAL), g_label('?', BLUE), g_label('FIL', YELLOW),
        g_arrow('right', BLUE), g_arrow('left', BLUE), g_label('SLD', PURPLE), g_label('RL', GREEN),
        g_label('CFG', GREY), g_label('BR', TEAL), g_label('AQ', PURPLE), g_label('UN', ORANGE),
        g_label('RE', ORANGE)]

IMAGE = [g_rotate('R', True, ORANGE), g_rotate('L', False, ORANGE), g_rotate('18', True, ORANGE), g_flip(True, BLUE),
         g_flip(False, BLUE), g_hand(YELLOW), g_select(BLACK), g_marker(RED), g_label('I', BLUE),
         g_channel('rgb', None), g_channel('one', RED), g_channel('one', GREEN), g_channel('one', BLUE),
         g_channel('alpha', None)]

BROWSER = [g_arrow('left', BLUE), g_arrow('up', BLUE), g_label('LR', TEAL), g_label('ALL', GREEN), g_label('F5', GREEN),
           g_magnifier('+', ORANGE), g_label('PTH', ORANGE), g_folder(YELLOW), g_label('SRT', PURPLE),
           g_label('CFG', GREY), g_label('BAT', PURPLE), g_label('MOV', BLUE), g_label('CPY', BLUE),
           g_label('REN', ORANGE), g_cross(RED)]

# Menu icons by cell; cells without a command of their own get their number.
MENU_GLYPHS = {
    0: g_label('ALL', GREEN), 1: g_label('SLD', PURPLE), 2: g_label('UN', ORANGE), 3: g_label('WPC', TEAL),
    4: g_label('WPX', RED), 5: g_label('WPS', TEAL), 6: g_label('WPT', TEAL), 8: g_label('1:1', TEAL),
    9: g_magnifier('+', TEAL), 10: g_magnifier('-', TEAL), 11: g_label('I', BLUE), 12: g_label('BAT', PURPLE),
    13: g_label('BR', TEAL), 14: g_label('AQ', PURPLE), 15: g_radio(False), 16: g_radio(True),
    17: g_checkbox(True), 18: g_label('CPY', BLUE), 19: g_label('CPY', TEAL), 20: g_label('CRP', ORANGE),
    21: g_label('CUT', RED), 22: g_label('DB', GREY), 24: g_cross(RED), 25: g_label('EX', RED),
    26: g_label('WWW', BLUE), 27: g_arrow('right', BLUE), 28: g_arrow('left', BLUE), 30: g_label('MOV', TEAL),
    31: g_checkbox(False), 32: g_folder(YELLOW), 33: g_label('CFG', GREY), 34: g_label('PST', BLUE),
    38: g_skip('right', GREEN), 40: g_arrow('right', GREEN), 41: g_skip('left', GREEN), 43: g_square(GREEN),
    44: g_speaker('-', GREY), 45: g_speaker('+', GREY), 46: g_label('PR', GREY), 47: g_label('?', BLUE),
    48: g_label('F5', GREEN), 49: g_label('RL', GREEN), 50: g_label('REN', ORANGE), 52: g_disk(BLUE),
    53: g_label('?', PURPLE), 55: IMAGE[0], 56: IMAGE[1], 57: IMAGE[2], 58: IMAGE[3], 59: IMAGE[4],
    60: g_label('RE', ORANGE), 61: g_magnifier('+', ORANGE), 62: g_label('PL', GREEN),
}
MENU = [MENU_GLYPHS.get(i, g_label(str(i), GREY)) for i in range(63)]

PLAYER = [g_arrow('right', GREEN), g_pause(BLUE), g_square(RED), g_skip('left', BLUE), g_skip('right', BLUE),
          g_double('left', TEAL), g_double('right', TEAL), g_speaker('+', GREY)]

TABS = [g_label('ALL', GREEN), g_label('IMG', BLUE), g_label('VID', PURPLE), g_label('SND', ORANGE),
        g_label('LST', TEAL), g_label('CFG', GREY)]


def cold(color):
    """The resting look: colours faded halfway to grey."""
    return tuple((v + 160) // 2 for v in color) if color not in (BLACK, WHITE) else color


def hot(color):
    return color


def disabled(color):
    g = (color[0] * 3 + color[1] * 6 + color[2]) // 10
    return (g + 255) // 2, (g + 255) // 2, (g + 255) // 2


def pressed(color):
    return tuple(v * 3 // 4 for v in color)


def strip(glyphs, w, h, look, shift=0):
    """One row of cells; each glyph is drawn 16x16, centred in its cell."""
    cells = []
    for draw in glyphs:
        inner = Cell(16, 16)
        draw(inner, look)
        cell = Cell(w, h)
        ox, oy = (w - 16) // 2 + shift, (h - 16) // 2 + shift
        for y in range(16):
            for x in range(16):
                if inner.px[y][x] != MAGENTA:
                    cell.set(ox + x, oy + y, inner.px[y][x])
        cells.append(cell)
    return [sum((cell.px[y] for cell in cells), []) for y in range(h)]


def write_bmp(path, rows):
    """rows: top-down lists of (r, g, b)."""
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) // 4 * 4
    data = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        data += line + bytes(stride - len(line))
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, 'wb') as f:
        f.write(b'BM' + struct.pack('<IHHI', 14 + 40 + len(data), 0, 0, 14 + 40))
        f.write(header + data)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    s = SIZES
    for name, glyphs, w, h in (('', MAIN, s['cxButton'], s['cyButton']),
                               ('Image', IMAGE, s['cxButtonImage'], s['cyButtonImage']),
                               ('Browser', BROWSER, s['cxButtonBrowser'], s['cyButtonBrowser']),
                               ('Menu', MENU, 16, 16)):
        write_bmp(os.path.join(out, NAME + name + 'Cold.bmp'), strip(glyphs, w, h, cold))
        write_bmp(os.path.join(out, NAME + name + 'Hot.bmp'), strip(glyphs, w, h, hot))
    w, h = s['cxPlayerImage'], s['cyPlayerImage']
    rows = []
    for look, shift in ((cold, 0), (hot, 0), (disabled, 0), (pressed, 1)):
        rows += strip(PLAYER, w, h, look, shift)
    write_bmp(os.path.join(out, NAME + 'Player.bmp'), rows)
    write_bmp(os.path.join(out, NAME + 'TabCtrl.bmp'),
              strip(TABS, s['cxTabCtrlImage'], s['cyTabCtrlImage'], hot))
    lines = ['[Skin]', 'Name=' + NAME, 'Author=Quorvane'] + ['%s=%d' % kv for kv in SIZES.items()]
    with open(os.path.join(out, NAME + '.ini'), 'w', newline='\r\n') as f:
        f.write('\n'.join(lines) + '\n')


if __name__ == '__main__':
    main()
