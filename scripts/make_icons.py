#!/usr/bin/python3
"""Draws the program's icons and button pictures into data/Icons.

Each picture is drawn as shapes (rectangles, polygons, discs, thick lines) on a canvas
four times the final size and averaged down, so edges are smooth at 16 pixels. The
colours are the toolkit's own: the greys of its faces and bevels (170, 216, 110), its
highlight blue (64, 64, 230), its selection red (230, 100, 100) and the olive of the
folder glyph. ".rgb" files are SGI images with four channels (RLE), ".tga" files are
24-bit uncompressed TGA in which pure black stands for transparent, so their shapes avoid
pure black and are drawn over black.

The application's own icon (a stack of film sheets, the front one showing a CT slice
under a blue label strip) is drawn the same way at the sizes a desktop asks for and
written as PNG files into a hicolor icon theme tree (NxN/apps/harrowdesk.png).

Usage: make_icons.py [OUTPUT_FOLDER [APP_ICON_FOLDER]]
       (defaults: data/Icons and data/hicolor beside this script's folder)
"""
import math
import os
import struct
import sys
import zlib

SCALE = 4

OUTLINE = (40, 40, 44)
SHADOW = (110, 110, 110)
GREY = (170, 170, 170)
FACE = (216, 216, 216)
WHITE = (248, 248, 248)
BLUE = (64, 64, 230)
SELECT = (230, 100, 100)
GREEN = (0, 160, 0)
YELLOW = (235, 200, 40)
RED = (210, 40, 40)
OLIVE = (142, 142, 56)
OLIVE_LIGHT = (196, 190, 110)


class Canvas:
    """RGBA picture drawn at SCALE times its size, (0, 0) at the top left, in final pixels."""

    def __init__(self, size, background=(0, 0, 0, 0)):
        self.size = size
        self.side = size * SCALE
        self.px = [list(background) for _ in range(self.side * self.side)]

    def _cover(self, inside, colour, alpha=255, box=None):
        """Paints every sub-pixel whose centre satisfies inside(x, y) (final-pixel units).

        `box` (x0, y0, x1, y1) bounds the shape, so large pictures test only the
        sub-pixels that can be inside it."""
        r, g, b = colour
        x0, y0, x1, y1 = box if box else (0, 0, self.size, self.size)
        first_x, last_x = max(0, int(x0 * SCALE) - 1), min(self.side, int(math.ceil(x1 * SCALE)) + 1)
        first_y, last_y = max(0, int(y0 * SCALE) - 1), min(self.side, int(math.ceil(y1 * SCALE)) + 1)
        for sy in range(first_y, last_y):
            y = (sy + 0.5) / SCALE
            for sx in range(first_x, last_x):
                x = (sx + 0.5) / SCALE
                if inside(x, y):
                    p = self.px[sy * self.side + sx]
                    a = alpha / 255.0
                    p[0] = r * a + p[0] * (1 - a)
                    p[1] = g * a + p[1] * (1 - a)
                    p[2] = b * a + p[2] * (1 - a)
                    p[3] = alpha + p[3] * (1 - a)

    def rect(self, x0, y0, x1, y1, colour):
        self._cover(lambda x, y: x0 <= x < x1 and y0 <= y < y1, colour, box=(x0, y0, x1, y1))

    def disc(self, cx, cy, radius, colour):
        self._cover(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius, colour,
                    box=(cx - radius, cy - radius, cx + radius, cy + radius))

    def ellipse(self, cx, cy, rx, ry, colour):
        self._cover(lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1, colour,
                    box=(cx - rx, cy - ry, cx + rx, cy + ry))

    def ring(self, cx, cy, inner, outer, colour):
        self._cover(lambda x, y: inner * inner <= (x - cx) ** 2 + (y - cy) ** 2 <= outer * outer, colour,
                    box=(cx - outer, cy - outer, cx + outer, cy + outer))

    def polygon(self, points, colour):
        def inside(x, y):
            crossings = False
            j = len(points) - 1
            for i in range(len(points)):
                xi, yi = points[i]
                xj, yj = points[j]
                if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                    crossings = not crossings
                j = i
            return crossings
        xs, ys = [p[0] for p in points], [p[1] for p in points]
        self._cover(inside, colour, box=(min(xs), min(ys), max(xs), max(ys)))

    def line(self, x0, y0, x1, y1, width, colour):
        dx, dy = x1 - x0, y1 - y0
        length = math.hypot(dx, dy) or 1.0

        def inside(x, y):
            t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (length * length)))
            return math.hypot(x - (x0 + t * dx), y - (y0 + t * dy)) <= width / 2
        half = width / 2
        self._cover(inside, colour, box=(min(x0, x1) - half, min(y0, y1) - half, max(x0, x1) + half,
                                         max(y0, y1) + half))

    def framed_rect(self, x0, y0, x1, y1, face, outline=OUTLINE, border=1):
        self.rect(x0, y0, x1, y1, outline)
        self.rect(x0 + border, y0 + border, x1 - border, y1 - border, face)

    def pixels(self):
        """Final RGBA rows from the top, averaged over SCALE x SCALE sub-pixels."""
        out = []
        n = SCALE * SCALE
        for y in range(self.size):
            row = []
            for x in range(self.size):
                r = g = b = a = 0.0
                for sy in range(y * SCALE, (y + 1) * SCALE):
                    for sx in range(x * SCALE, (x + 1) * SCALE):
                        p = self.px[sy * self.side + sx]
                        r += p[0] * p[3]
                        g += p[1] * p[3]
                        b += p[2] * p[3]
                        a += p[3]
                if a > 0:
                    row.append((round(r / a), round(g / a), round(b / a), round(a / n)))
                else:
                    row.append((0, 0, 0, 0))
            out.append(row)
        return out


# ---- file writers ----------------------------------------------------------------------

def rle_line(values):
    """One SGI scanline as runs: literal runs (count | 0x80) and repeats, ended by 0."""
    out = bytearray()
    i = 0
    n = len(values)
    while i < n:
        j = i
        while j < n and j - i < 127 and values[j] == values[i]:
            j += 1
        if j - i >= 3 or j == n:
            out += bytes([j - i, values[i]])
            i = j
            continue
        j = i
        while j < n and j - i < 127 and not (j + 2 < n and values[j] == values[j + 1] == values[j + 2]):
            j += 1
        out += bytes([0x80 | (j - i)]) + bytes(values[i:j])
        i = j
    out.append(0)
    return bytes(out)


def write_sgi(path, rows):
    height, width = len(rows), len(rows[0])
    header = struct.pack(">hBBHHHHii4s80si404s", 474, 1, 1, 3, width, height, 4, 0, 255,
                         b"", os.path.basename(path).encode()[:79], 0, b"")
    lines = []
    for channel in range(4):
        for y in range(height):  # SGI stores the bottom row first
            lines.append(rle_line([rows[height - 1 - y][x][channel] for x in range(width)]))
    table_size = 2 * 4 * len(lines)
    offsets, lengths, data = [], [], bytearray()
    for line in lines:
        offsets.append(512 + table_size + len(data))
        lengths.append(len(line))
        data += line
    with open(path, "wb") as f:
        f.write(header)
        f.write(struct.pack(">%dI" % len(lines), *offsets))
        f.write(struct.pack(">%dI" % len(lines), *lengths))
        f.write(data)


def write_tga(path, rows):
    """24-bit TGA drawn over black: transparent pixels stay pure black."""
    height, width = len(rows), len(rows[0])
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, width, height, 24, 0)
    body = bytearray()
    for y in range(height - 1, -1, -1):
        for r, g, b, a in rows[y]:
            r, g, b = (round(c * a / 255) for c in (r, g, b))
            if a > 0 and r == g == b == 0:
                r = g = b = 1
            body += bytes([b, g, r])
    with open(path, "wb") as f:
        f.write(header + body)


def write_png(path, rows):
    """8-bit RGBA PNG, every row unfiltered, compressed at zlib's best level."""
    height, width = len(rows), len(rows[0])

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    raw = bytearray()
    for row in rows:
        raw.append(0)
        for pixel in row:
            raw += bytes(pixel)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
                + chunk(b"IEND", b""))


# ---- the pictures ---------------------------------------------------------------------

def check_box(c):
    c.framed_rect(2, 2, 14, 14, WHITE)
    c.rect(3, 3, 13, 4, FACE)
    c.rect(3, 3, 4, 13, FACE)


def icon_select_no():
    c = Canvas(16)
    check_box(c)
    return c


def icon_select_yes():
    c = Canvas(16)
    check_box(c)
    c.line(4.5, 8.2, 7.2, 11.0, 2.2, BLUE)
    c.line(7.2, 11.0, 12.0, 4.8, 2.2, BLUE)
    return c


def icon_select_part():
    c = Canvas(16)
    check_box(c)
    c.rect(5, 5, 11, 11, BLUE)
    return c


def copy_pages(c):
    c.framed_rect(1, 1, 10, 12, FACE)
    c.framed_rect(4, 4, 13, 15, WHITE)
    for y in (7, 9, 11):
        c.rect(6, y, 11, y + 1, GREY)


def icon_copy_yes():
    c = Canvas(16)
    copy_pages(c)
    c.disc(11.5, 11.5, 4.3, OUTLINE)
    c.disc(11.5, 11.5, 3.4, GREEN)
    c.line(9.6, 11.6, 11.0, 13.0, 1.3, WHITE)
    c.line(11.0, 13.0, 13.4, 9.9, 1.3, WHITE)
    return c


def icon_copy_no():
    c = Canvas(16)
    copy_pages(c)
    c.disc(11.5, 11.5, 4.3, OUTLINE)
    c.disc(11.5, 11.5, 3.4, RED)
    c.line(10.0, 10.0, 13.0, 13.0, 1.3, WHITE)
    c.line(13.0, 10.0, 10.0, 13.0, 1.3, WHITE)
    return c


def icon_copy_part():
    c = Canvas(16)
    copy_pages(c)
    c.disc(11.5, 11.5, 4.3, OUTLINE)
    c.disc(11.5, 11.5, 3.4, YELLOW)
    c.rect(9.8, 11, 13.2, 12.2, OUTLINE)
    return c


def icon_mycomputer():
    c = Canvas(16)
    c.framed_rect(1, 1, 15, 11, FACE)
    c.rect(3, 3, 13, 9, BLUE)
    c.rect(3, 3, 13, 4, (120, 120, 240))
    c.rect(6, 11, 10, 13, SHADOW)
    c.framed_rect(3, 13, 13, 15, GREY)
    return c


def icon_floppy():
    c = Canvas(16)
    c.polygon([(1.5, 1.5), (13, 1.5), (14.5, 3), (14.5, 14.5), (1.5, 14.5)], OUTLINE)
    c.polygon([(2.5, 2.5), (12.6, 2.5), (13.5, 3.4), (13.5, 13.5), (2.5, 13.5)], SHADOW)
    c.rect(4.5, 2.5, 11.5, 6.5, FACE)
    c.rect(9, 3.3, 10.5, 5.7, SHADOW)
    c.framed_rect(4, 8.5, 12, 14.5, WHITE)
    c.rect(5.5, 10.5, 10.5, 11.2, GREY)
    return c


def drive_box(c, y0=5, y1=12):
    c.framed_rect(1, y0, 15, y1, GREY)
    c.rect(2, y0 + 1, 14, y0 + 2, FACE)
    c.rect(2, y1 - 2, 14, y1 - 1, SHADOW)


def icon_fixed():
    c = Canvas(16)
    drive_box(c)
    c.rect(3, 8, 9, 9, SHADOW)
    c.disc(12, 8.5, 1.1, GREEN)
    return c


def icon_cdrom():
    c = Canvas(16)
    c.disc(8, 8, 7, OUTLINE)
    c.disc(8, 8, 6.1, FACE)
    c.ring(8, 8, 3.2, 4.8, (196, 196, 214))
    c.polygon([(8, 8), (14, 4), (14.5, 7)], WHITE)
    c.disc(8, 8, 2.4, OUTLINE)
    c.disc(8, 8, 1.5, GREY)
    c.disc(8, 8, 1.0, (60, 60, 60))
    return c


def icon_remote():
    c = Canvas(16)
    drive_box(c, 1, 8)
    c.disc(12, 4.5, 1.1, GREEN)
    c.rect(7, 8, 9, 12, OUTLINE)
    c.rect(1, 12, 15, 13.5, OUTLINE)
    c.framed_rect(5, 11, 11, 15, FACE)
    return c


def folder_picture(size):
    c = Canvas(size)
    s = size / 16.0
    c.polygon([(1 * s, 3 * s), (6 * s, 3 * s), (7.5 * s, 4.5 * s), (15 * s, 4.5 * s),
               (15 * s, 14 * s), (1 * s, 14 * s)], OUTLINE)
    c.polygon([(2 * s, 4 * s), (5.6 * s, 4 * s), (7.1 * s, 5.5 * s), (14 * s, 5.5 * s),
               (14 * s, 13 * s), (2 * s, 13 * s)], OLIVE)
    c.polygon([(1 * s, 7 * s), (15 * s, 7 * s), (15 * s, 14 * s), (1 * s, 14 * s)], OUTLINE)
    c.polygon([(2 * s, 8 * s), (14 * s, 8 * s), (14 * s, 13 * s), (2 * s, 13 * s)], OLIVE_LIGHT)
    c.rect(2 * s, 8 * s, 14 * s, 9 * s, (226, 220, 150))
    return c


def button_arrow(direction):
    """Level buttons: a bevelled triangle like the toolkit's arrows, pointing left or right."""
    c = Canvas(32)
    tip, back = (6, 26) if direction < 0 else (26, 6)
    c.polygon([(tip, 16), (back, 5), (back, 27)], OUTLINE)
    inset = 2.6 * (1 if direction < 0 else -1)
    c.polygon([(tip - 2 * inset, 16), (back - inset, 8.5), (back - inset, 23.5)], FACE)
    c.polygon([(tip - 2 * inset, 16), (back - inset, 23.5), (back - inset, 16)], SHADOW)
    return c


def button_save():
    """Report button: a sheet with table lines and a disk in front of it."""
    c = Canvas(32)
    c.framed_rect(4, 2, 22, 24, WHITE, border=1.5)
    for y in (7, 11, 15, 19):
        c.rect(7, y, 19, y + 1.5, BLUE if y == 7 else GREY)
    c.polygon([(13, 13), (27.5, 13), (30, 15.5), (30, 30), (13, 30)], OUTLINE)
    c.polygon([(14.5, 14.5), (26.8, 14.5), (28.5, 16.2), (28.5, 28.5), (14.5, 28.5)], SHADOW)
    c.rect(17, 14.5, 26, 19.5, FACE)
    c.rect(23, 15.5, 25, 18.5, SHADOW)
    c.framed_rect(16.5, 22, 26.5, 28.5, WHITE)
    return c


FILM = (34, 34, 40)
BODY = (150, 150, 156)
LUNG = (62, 62, 70)


def application_icon(size):
    """The program's icon: three film sheets fanned out, the front one an axial CT slice
    (body, lungs, heart, spine, the table below) under a blue label strip. Drawn on a 64-unit grid scaled to `size`."""
    c = Canvas(size)
    u = size / 64.0

    def sheet(x0, y0, x1, y1, face):
        c.framed_rect(x0 * u, y0 * u, x1 * u, y1 * u, face, border=max(1.0, 1.5 * u))

    sheet(18, 2, 60, 46, GREY)
    sheet(11, 7, 53, 53, FACE)
    sheet(4, 13, 48, 62, FILM)
    c.rect(6.5 * u, 15.5 * u, 45.5 * u, 21 * u, BLUE)
    for x0, x1 in ((9, 21), (23, 29), (31, 40)):
        c.rect(x0 * u, 17.5 * u, x1 * u, 19 * u, WHITE)
    c.ellipse(26 * u, 40 * u, 19 * u, 14 * u, (190, 190, 196))
    c.ellipse(26 * u, 40 * u, 17.5 * u, 12.5 * u, BODY)
    c.ellipse(18.5 * u, 38.5 * u, 5.5 * u, 8 * u, LUNG)
    c.ellipse(33.5 * u, 38.5 * u, 5.5 * u, 8 * u, LUNG)
    c.disc(27.5 * u, 42 * u, 3.5 * u, (176, 176, 182))
    c.disc(26 * u, 49 * u, 2.8 * u, WHITE)
    c.rect(9 * u, 56 * u, 43 * u, 57.5 * u, SHADOW)
    return c


# The sizes a desktop picks from (hicolor theme folders NxN).
APPLICATION_ICON_SIZES = (48, 64, 128, 256)

PICTURES = {
    "icon_select_yes.rgb": icon_select_yes,
    "icon_select_part.rgb": icon_select_part,
    "icon_select_no.rgb": icon_select_no,
    "icon_copy_yes.rgb": icon_copy_yes,
    "icon_copy_no.rgb": icon_copy_no,
    "icon_copy_part.rgb": icon_copy_part,
    "icon_mycomputer.rgb": icon_mycomputer,
    "icon_floppy.rgb": icon_floppy,
    "icon_fixed.rgb": icon_fixed,
    "icon_cdrom.rgb": icon_cdrom,
    "icon_remote.rgb": icon_remote,
    "folder.rgb": lambda: folder_picture(32),
    "but_left.tga": lambda: button_arrow(-1),
    "but_right.tga": lambda: button_arrow(1),
    "but_save.tga": button_save,
}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "data", "Icons")
    theme = sys.argv[2] if len(sys.argv) > 2 else os.path.join(here, "..", "data", "hicolor")
    os.makedirs(folder, exist_ok=True)
    for name, draw in PICTURES.items():
        rows = draw().pixels()
        path = os.path.join(folder, name)
        (write_tga if name.endswith(".tga") else write_sgi)(path, rows)
        print(path)
    for size in APPLICATION_ICON_SIZES:
        apps = os.path.join(theme, "%dx%d" % (size, size), "apps")
        os.makedirs(apps, exist_ok=True)
        path = os.path.join(apps, "harrowdesk.png")
        write_png(path, application_icon(size).pixels())
        print(path)


if __name__ == "__main__":
    main()
