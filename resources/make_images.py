#!/usr/bin/env python3
"""Draws PanelDesk's icons and pictures as 16-colour Windows images.

Writes into images/ next to this script: app.ico (101), exit.ico (121), help.ico (122),
ok.ico (130), cancel.ico (131), tabs.bmp (124: five 20x20 tab images on pure blue, which
the tab control treats as transparent) and about.bmp (139: the About picture, mid-grey
under the texts the About box paints, lighter grey elsewhere).

Standard library only. The outputs are kept in the repository, so the build never runs this;
run it again after changing a drawing:  python3 resources/make_images.py
"""

import math
import os
import struct

# The sixteen colours of the standard Windows palette, in palette order.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)
CLEAR = -1  # transparent pixel of an icon


class Canvas:
    def __init__(self, width, height, fill):
        self.width = width
        self.height = height
        self.pixels = [[fill] * width for _ in range(height)]

    def put(self, x, y, colour):
        x, y = int(round(x)), int(round(y))
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        """Fills the rectangle with both corners included."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, colour)

    def frame(self, x0, y0, x1, y1, colour):
        self.rect(x0, y0, x1, y0, colour)
        self.rect(x0, y1, x1, y1, colour)
        self.rect(x0, y0, x0, y1, colour)
        self.rect(x1, y0, x1, y1, colour)

    def box(self, x0, y0, x1, y1, fill, outline=BLACK):
        self.rect(x0, y0, x1, y1, fill)
        self.frame(x0, y0, x1, y1, outline)

    def bevel(self, x0, y0, x1, y1, light, dark):
        """A one-pixel edge lit from the top left."""
        self.rect(x0, y0, x1, y0, light)
        self.rect(x0, y0, x0, y1, light)
        self.rect(x0, y1, x1, y1, dark)
        self.rect(x1, y0, x1, y1, dark)

    def line(self, x0, y0, x1, y1, colour):
        steps = int(max(abs(x1 - x0), abs(y1 - y0))) or 1
        for i in range(steps + 1):
            t = i / steps
            self.put(x0 + (x1 - x0) * t, y0 + (y1 - y0) * t, colour)

    def thick_line(self, x0, y0, x1, y1, radius, colour):
        steps = int(max(abs(x1 - x0), abs(y1 - y0)) * 2) or 1
        for i in range(steps + 1):
            t = i / steps
            self.disc(x0 + (x1 - x0) * t, y0 + (y1 - y0) * t, radius, colour)

    def disc(self, cx, cy, radius, colour):
        for y in range(int(cy - radius) - 1, int(cy + radius) + 2):
            for x in range(int(cx - radius) - 1, int(cx + radius) + 2):
                if (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius:
                    self.put(x, y, colour)

    def ring(self, cx, cy, radius, width, colour):
        for y in range(int(cy - radius) - 1, int(cy + radius) + 2):
            for x in range(int(cx - radius) - 1, int(cx + radius) + 2):
                d = math.hypot(x - cx, y - cy)
                if radius - width < d <= radius:
                    self.put(x, y, colour)

    def polygon(self, points, colour):
        """Fills a polygon by the even-odd rule, sampling pixel centres."""
        ys = [p[1] for p in points]
        for y in range(int(min(ys)), int(max(ys)) + 1):
            yc = y + 0.5
            crossings = []
            for (xa, ya), (xb, yb) in zip(points, points[1:] + points[:1]):
                if (ya <= yc < yb) or (yb <= yc < ya):
                    crossings.append(xa + (yc - ya) * (xb - xa) / (yb - ya))
            crossings.sort()
            for left, right in zip(crossings[::2], crossings[1::2]):
                for x in range(int(math.ceil(left - 0.5)), int(math.floor(right - 0.5)) + 1):
                    self.put(x, y, colour)

    def outline(self, points, colour):
        for (xa, ya), (xb, yb) in zip(points, points[1:] + points[:1]):
            self.line(xa, ya, xb, yb, colour)

    def shape(self, points, fill, edge=BLACK):
        self.polygon(points, fill)
        self.outline(points, edge)

    def glyph(self, x, y, rows, colour, scale=1):
        """Stamps a small bitmap given as strings ('#' set, anything else clear)."""
        for dy, row in enumerate(rows):
            for dx, c in enumerate(row):
                if c == '#':
                    self.rect(x + dx * scale, y + dy * scale,
                              x + dx * scale + scale - 1, y + dy * scale + scale - 1, colour)

    def blit(self, other, x, y):
        for dy in range(other.height):
            for dx in range(other.width):
                self.put(x + dx, y + dy, other.pixels[dy][dx])


# --- Writing the files ---------------------------------------------------------------------

def palette_bytes():
    return b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)


def packed_rows(canvas, clear_as=0):
    """4-bit rows, bottom-up, each padded to a multiple of four bytes."""
    stride = ((canvas.width * 4 + 31) // 32) * 4
    data = bytearray()
    for row in reversed(canvas.pixels):
        line = bytearray(stride)
        for x, colour in enumerate(row):
            index = clear_as if colour == CLEAR else colour
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        data += line
    return bytes(data)


def info_header(width, height, image_size):
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 0, image_size, 2835, 2835, 16, 0)


def write_bmp(path, canvas):
    pixels = packed_rows(canvas)
    offset = 14 + 40 + 64
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    with open(path, 'wb') as out:
        out.write(header + info_header(canvas.width, canvas.height, len(pixels)) +
                  palette_bytes() + pixels)


def write_ico(path, canvas):
    xor = packed_rows(canvas)
    mask_stride = ((canvas.width + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(canvas.pixels):
        line = bytearray(mask_stride)
        for x, colour in enumerate(row):
            if colour == CLEAR:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    image = info_header(canvas.width, canvas.height * 2, len(xor) + len(mask)) + \
        palette_bytes() + xor + bytes(mask)
    directory = struct.pack('<HHH', 0, 1, 1) + struct.pack(
        '<BBBBHHII', canvas.width, canvas.height, 16, 0, 1, 4, len(image), 22)
    with open(path, 'wb') as out:
        out.write(directory + image)


# --- Small glyphs ----------------------------------------------------------------------------

QUESTION = [
    '..####..',
    '.######.',
    '##....##',
    '##....##',
    '.....##.',
    '....##..',
    '...##...',
    '...##...',
    '........',
    '...##...',
    '...##...',
]


# --- Icons (32 x 32) -------------------------------------------------------------------------

def device_icon():
    """The application: the multifunction fax with a sheet in its feeder."""
    c = Canvas(32, 32, CLEAR)
    # Sheet waiting in the document feeder, with lines of text.
    c.shape([(9, 2), (22, 2), (24, 10), (7, 10)], WHITE)
    for y in (4, 6, 8):
        c.line(11, y, 20 if y != 6 else 17, y, GREY)
    # Scanner lid.
    c.box(3, 9, 28, 12, GREY)
    c.rect(4, 10, 27, 10, SILVER)
    # Body with its lit top edge and shaded foot.
    c.box(2, 12, 29, 27, SILVER)
    c.rect(3, 13, 28, 13, WHITE)
    c.rect(3, 26, 28, 26, GREY)
    # Control panel: display, keys and the ready lamp.
    c.box(18, 15, 27, 19, TEAL)
    c.rect(19, 16, 26, 16, AQUA)
    for x in (19, 22, 25):
        c.rect(x, 21, x + 1, 22, GREY)
    c.rect(19, 24, 20, 24, LIME)
    # Output slot with a printed page in it.
    c.rect(4, 20, 15, 20, BLACK)
    c.box(5, 21, 14, 24, WHITE, GREY)
    # Handset resting on the left.
    c.box(4, 15, 15, 16, NAVY)
    c.box(3, 15, 6, 18, NAVY)
    c.box(13, 15, 16, 18, NAVY)
    # Feet.
    c.rect(3, 28, 6, 29, BLACK)
    c.rect(25, 28, 28, 29, BLACK)
    return c


def exit_icon():
    """Exit: an open door with an arrow leading out."""
    c = Canvas(32, 32, CLEAR)
    c.box(5, 2, 20, 29, GREY)            # door frame
    c.rect(7, 4, 18, 28, BLACK)          # the dark doorway
    c.rect(5, 29, 20, 30, BLACK)         # threshold
    # The door leaf swung inwards, in perspective.
    c.shape([(7, 4), (14, 7), (14, 30), (7, 28)], OLIVE)
    c.line(8, 6, 8, 27, YELLOW)
    c.rect(12, 17, 12, 18, YELLOW)        # knob
    # Arrow out of the doorway.
    arrow = [(13, 14), (21, 14), (21, 9), (30, 16), (21, 23), (21, 18), (13, 18)]
    c.shape(arrow, LIME, GREEN)
    return c


def help_icon():
    """Help: a question mark on a blue disc."""
    c = Canvas(32, 32, CLEAR)
    c.disc(15.5, 15.5, 14.5, NAVY)
    c.disc(15.5, 15.5, 13.2, BLUE)
    c.ring(15.5, 15.5, 12.5, 1.5, NAVY)
    c.disc(10, 9, 2.2, AQUA)              # highlight
    c.glyph(8, 5, QUESTION, WHITE, scale=2)
    return c


def ok_icon():
    """OK: a green tick."""
    c = Canvas(32, 32, CLEAR)
    for radius, colour in ((3.6, GREEN), (2.4, LIME)):
        c.thick_line(5, 17, 12, 24, radius, colour)
        c.thick_line(12, 24, 26, 7, radius, colour)
    return c


def cancel_icon():
    """Cancel: a red cross."""
    c = Canvas(32, 32, CLEAR)
    for radius, colour in ((3.6, MAROON), (2.4, RED)):
        c.thick_line(7, 7, 24, 24, radius, colour)
        c.thick_line(24, 7, 7, 24, radius, colour)
    return c


# --- Tab images (five of 20 x 20 on transparent blue) ----------------------------------------

def settings_tab():
    """Settings: three sliders."""
    c = Canvas(20, 20, BLUE)
    c.box(1, 1, 18, 18, SILVER, GREY)
    c.bevel(1, 1, 18, 18, WHITE, GREY)
    for y, knob in ((5, 6), (10, 12), (15, 9)):
        c.rect(4, y, 15, y, BLACK)
        c.box(knob - 1, y - 2, knob + 1, y + 2, YELLOW)
    return c


def advanced_tab():
    """Advanced options: a gear."""
    c = Canvas(20, 20, BLUE)
    cx = cy = 9.5
    for i in range(8):
        a = i * math.pi / 4
        c.thick_line(cx + math.cos(a) * 5, cy + math.sin(a) * 5,
                     cx + math.cos(a) * 8, cy + math.sin(a) * 8, 1.3, BLACK)
    c.disc(cx, cy, 6.5, BLACK)
    for i in range(8):
        a = i * math.pi / 4
        c.thick_line(cx + math.cos(a) * 5, cy + math.sin(a) * 5,
                     cx + math.cos(a) * 7.3, cy + math.sin(a) * 7.3, 0.6, SILVER)
    c.disc(cx, cy, 5.5, SILVER)
    c.disc(cx - 1, cy - 1, 3.2, WHITE)
    c.disc(cx, cy, 3.2, SILVER)
    c.disc(cx, cy, 2.3, BLACK)
    c.disc(cx, cy, 1.4, TEAL)
    return c


def phonebook_tab():
    """Phonebook: a bound address book with a name label and index tabs."""
    c = Canvas(20, 20, BLUE)
    c.box(4, 1, 16, 17, TEAL)             # cover
    c.box(2, 1, 5, 17, NAVY)              # spine
    c.frame(4, 17, 16, 19, BLACK)         # page edges
    c.rect(5, 18, 15, 18, WHITE)
    for y in (3, 7, 11):                  # index tabs on the fore-edge
        c.box(16, y, 18, y + 2, YELLOW)
    c.box(7, 4, 14, 11, WHITE)            # label with a name and a number
    c.rect(8, 6, 13, 6, BLACK)
    c.rect(8, 9, 12, 9, GREY)
    return c


def info_tab():
    """Device information: a white i on a navy disc."""
    c = Canvas(20, 20, BLUE)
    c.disc(9.5, 9.5, 9, BLACK)
    c.disc(9.5, 9.5, 8, NAVY)
    c.rect(9, 4, 10, 5, WHITE)
    c.rect(8, 8, 10, 8, WHITE)
    c.rect(9, 8, 10, 14, WHITE)
    c.rect(8, 15, 11, 15, WHITE)
    return c


def firmware_tab():
    """Firmware update: a chip with a download arrow."""
    c = Canvas(20, 20, BLUE)
    for y in (11, 13, 15, 17):
        c.rect(2, y, 4, y, SILVER)
        c.rect(15, y, 17, y, SILVER)
    c.box(4, 9, 15, 18, BLACK, GREY)
    c.rect(5, 10, 14, 10, GREY)
    c.put(6, 16, WHITE)
    arrow = [(8, 0), (11, 0), (11, 4), (14, 4), (9.5, 9), (5, 4), (8, 4)]
    c.shape(arrow, LIME, GREEN)
    return c


def tab_strip():
    strip = Canvas(100, 20, BLUE)
    for i, draw in enumerate((settings_tab, advanced_tab, phonebook_tab, info_tab, firmware_tab)):
        strip.blit(draw(), i * 20, 0)
    return strip


# --- The About picture (596 x 327) -----------------------------------------------------------

# The About box draws the picture at (10, 10) and paints its texts in rows 20..530 of x and
# 145..185 and 225..265 of y; in picture coordinates those are the areas below.
TEXT_AREAS = [(10, 135, 520, 175), (10, 215, 520, 255)]


def about_picture():
    c = Canvas(596, 327, SILVER)

    # Raised outer edge of the whole picture.
    c.bevel(0, 0, 595, 326, WHITE, GREY)

    # The product, drawn in perspective at the top left.
    feeder = [(86, 44), (100, 10), (178, 10), (166, 44)]
    c.shape(feeder, WHITE)
    for y in range(18, 40, 5):
        c.line(104 - (y - 10) * 0.35, y, 168 - (y - 10) * 0.35, y, GREY)
    c.shape([(40, 56), (62, 40), (222, 40), (200, 56)], WHITE)        # top face
    c.shape([(58, 52), (72, 44), (196, 44), (184, 52)], GREY)         # scanner lid
    c.shape([(200, 56), (222, 40), (222, 100), (200, 116)], GREY)     # right side
    c.box(40, 56, 200, 116, SILVER)                                   # front
    c.rect(41, 57, 199, 57, WHITE)
    c.box(52, 84, 148, 88, BLACK)                                     # output slot
    c.shape([(58, 88), (142, 88), (150, 104), (50, 104)], WHITE)      # printed page
    for y in (93, 97):
        c.line(64, y, 128, y, GREY)
    c.box(156, 62, 194, 74, TEAL)                                     # display
    c.rect(158, 64, 192, 66, AQUA)
    for row in range(3):
        for col in range(3):
            x, y = 158 + col * 12, 80 + row * 9
            c.box(x, y, x + 8, y + 5, SILVER, GREY)
            c.rect(x + 1, y + 1, x + 7, y + 1, WHITE)
    c.rect(46, 62, 50, 64, LIME)                                      # ready lamp
    c.rect(44, 117, 56, 120, BLACK)                                   # feet
    c.rect(184, 117, 196, 120, BLACK)

    # A band of the maker's colours across the top right.
    for y0, y1, colour in ((60, 67, NAVY), (70, 73, TEAL), (76, 77, AQUA)):
        c.rect(250, y0, 582, y1, colour)
    for x in range(258, 582, 12):
        c.rect(x, 62, x + 5, 65, TEAL)

    # The grey field the texts are painted on: sunken, with a thin rule between the two
    # groups of lines that stays clear of both text areas.
    c.rect(6, 126, 524, 264, GREY)
    c.bevel(6, 126, 524, 264, BLACK, WHITE)
    c.rect(60, 194, 470, 194, SILVER)

    # A keypad beside it, as on the device's front panel.
    c.box(536, 126, 588, 264, GREY)
    c.bevel(536, 126, 588, 264, BLACK, WHITE)
    for row in range(4):
        for col in range(3):
            x, y = 542 + col * 16, 136 + row * 32
            c.box(x, y, x + 11, y + 22, SILVER)
            c.bevel(x + 1, y + 1, x + 10, y + 21, WHITE, GREY)

    # Rule along the foot of the picture.
    c.rect(6, 290, 588, 291, TEAL)
    c.rect(6, 292, 588, 292, WHITE)

    for x0, y0, x1, y1 in TEXT_AREAS:
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                assert c.pixels[y][x] == GREY, 'text area must stay mid-grey'
    return c


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'images')
    os.makedirs(folder, exist_ok=True)
    icons = {'app': device_icon, 'exit': exit_icon, 'help': help_icon,
             'ok': ok_icon, 'cancel': cancel_icon}
    for name, draw in icons.items():
        write_ico(os.path.join(folder, name + '.ico'), draw())
    write_bmp(os.path.join(folder, 'tabs.bmp'), tab_strip())
    write_bmp(os.path.join(folder, 'about.bmp'), about_picture())


if __name__ == '__main__':
    main()
