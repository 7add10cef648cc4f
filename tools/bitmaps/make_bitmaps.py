#!/usr/bin/python3
"""Draws the module's cockpit artwork and writes it as Windows bitmaps.

Writes resources/<id>.bmp for every bitmap the gauges use, plus resources/bitmaps.rc (the windres
script that binds them into the module), then re-opens each file and checks its size and format.
All bitmaps are uncompressed bottom-up BMPs with a 40-byte BITMAPINFOHEADER: 8 bits per pixel with a
256-entry palette, except the dial mask 4742, which is 24 bits per pixel.

The host leaves pure black (0,0,0) undrawn almost everywhere, so panels that must be seen use a very
dark grey, and overlays, icons and the dial card use pure black for everything that must stay clear.

Needs Debian's python3 with python3-pil and the font
    /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf   (package fonts-dejavu-core)

    apt-get install -y --no-install-recommends python3-pil fonts-dejavu-core

Run from anywhere (output goes to resources/ next to tools/):

    /usr/bin/python3 tools/bitmaps/make_bitmaps.py

The output is deterministic (same bytes on every run) and is committed, so a build needs none of this.
"""

import math
import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
OUT_DIR = os.path.join(ROOT, "resources")
FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"

SS = 4                  # supersampling factor: everything is drawn 4x and box-filtered down
CLEAR_BELOW = 64        # on-black images: pixels with less coverage than this (of 255) stay black

BLACK = (0, 0, 0)
PANEL = (24, 26, 28)
PANEL_LIGHT = (64, 68, 72)
PANEL_DARK = (12, 13, 14)
PANEL_LINE = (40, 43, 46)
WINDOW = (14, 15, 16)
BEZEL = (70, 74, 78)
BEZEL_LIGHT = (104, 108, 112)
PLATE = (44, 47, 50)
LABEL = (224, 224, 212)
MARK_WHITE = (240, 240, 234)
MARK_YELLOW = (238, 200, 40)
DIM = (52, 56, 60)


# --------------------------------------------------------------------------------------------
# Drawing surface
# --------------------------------------------------------------------------------------------

_fonts = {}


def font(size):
    """The bold sans at `size` panel pixels (rendered at the supersampled size)."""
    key = size
    if key not in _fonts:
        _fonts[key] = ImageFont.truetype(FONT_BOLD, int(round(size * SS)))
    return _fonts[key]


class Canvas:
    """A w x h picture drawn at SS times its size. Coordinates are panel pixels, continuous:
    pixel (i, j) covers [i, i+1) x [j, j+1). A coverage channel records everything painted, so
    that on-black pictures can clear their faint edges to pure black."""

    def __init__(self, w, h, base, on_black):
        self.w, self.h = w, h
        self.on_black = on_black
        self.img = Image.new("RGB", (w * SS, h * SS), base)
        self.cov = Image.new("L", (w * SS, h * SS), 0)
        self.d = ImageDraw.Draw(self.img)
        self.c = ImageDraw.Draw(self.cov)

    @staticmethod
    def box(x0, y0, x1, y1):
        return [round(x0 * SS), round(y0 * SS), round(x1 * SS) - 1, round(y1 * SS) - 1]

    @staticmethod
    def pts(points):
        return [(x * SS, y * SS) for x, y in points]

    def rect(self, x0, y0, x1, y1, fill):
        b = self.box(x0, y0, x1, y1)
        self.d.rectangle(b, fill=fill)
        self.c.rectangle(b, fill=255)

    def rrect(self, x0, y0, x1, y1, r, fill):
        b = self.box(x0, y0, x1, y1)
        self.d.rounded_rectangle(b, radius=round(r * SS), fill=fill)
        self.c.rounded_rectangle(b, radius=round(r * SS), fill=255)

    def disc(self, cx, cy, r, fill):
        b = self.box(cx - r, cy - r, cx + r, cy + r)
        self.d.ellipse(b, fill=fill)
        self.c.ellipse(b, fill=255)

    def erase_disc(self, cx, cy, r):
        """Clears a disc back to pure black, coverage included."""
        b = self.box(cx - r, cy - r, cx + r, cy + r)
        self.d.ellipse(b, fill=BLACK)
        self.c.ellipse(b, fill=0)

    def upper_half_disc(self, cx, cy, r, fill):
        b = self.box(cx - r, cy - r, cx + r, cy + r)
        self.d.pieslice(b, 180, 360, fill=fill)
        self.c.pieslice(b, 180, 360, fill=255)

    def poly(self, points, fill):
        p = self.pts(points)
        self.d.polygon(p, fill=fill)
        self.c.polygon(p, fill=255)

    def radial(self, cx, cy, r0, r1, angle, width, fill):
        """A straight mark from radius r0 to r1 at `angle` degrees clockwise from straight up."""
        a = math.radians(angle)
        ux, uy = math.sin(a), -math.cos(a)
        px, py = math.cos(a) * width / 2, math.sin(a) * width / 2
        self.poly([(cx + ux * r0 - px, cy + uy * r0 - py), (cx + ux * r1 - px, cy + uy * r1 - py),
                   (cx + ux * r1 + px, cy + uy * r1 + py), (cx + ux * r0 + px, cy + uy * r0 + py)],
                  fill)

    def pixels(self, coords, fill):
        """Paints whole panel pixels, exactly (no soft edge)."""
        for x, y in coords:
            b = [x * SS, y * SS, x * SS + SS - 1, y * SS + SS - 1]
            self.d.rectangle(b, fill=fill)
            self.c.rectangle(b, fill=255)

    def _text_mask(self, s, size, tracking=0.0):
        """An L image holding the text, its ink centred at (R, R), and R."""
        f = font(size)
        widths = [f.getlength(ch) for ch in s]
        total = sum(widths) + tracking * SS * (len(s) - 1)
        ref = f.getbbox("НШ0")
        ink = f.getbbox(s)
        r = int(max(total, ref[3] - ref[1]) + 8 * SS)
        m = Image.new("L", (2 * r, 2 * r), 0)
        md = ImageDraw.Draw(m)
        if tracking:
            x = r - total / 2
        else:
            x = r - (ink[0] + ink[2]) / 2
        y = r - (ref[1] + ref[3]) / 2
        for ch, wd in zip(s, widths):
            md.text((x, y), ch, font=f, fill=255)
            x += wd + tracking * SS
        return m, r, ink, total

    def text(self, cx, cy, s, size, fill, tracking=0.0, left=None, angle=0.0):
        """Text with its ink centred at (cx, cy) (vertically on the capital height), or starting at
        x = `left`; `angle` turns it clockwise about that centre."""
        m, r, ink, total = self._text_mask(s, size, tracking)
        if left is not None:
            cx = left + ((ink[2] - ink[0]) if not tracking else total) / (2 * SS)
        if angle:
            m = m.rotate(-angle, resample=Image.BICUBIC)
        pos = (round(cx * SS) - r, round(cy * SS) - r)
        self.img.paste(fill, pos + (pos[0] + 2 * r, pos[1] + 2 * r), mask=m)
        self.cov.paste(255, pos + (pos[0] + 2 * r, pos[1] + 2 * r), mask=m)

    def shaded(self, shape, colour_at):
        """Fills `shape` (a function drawing onto an ImageDraw in supersampled units) with colours
        from colour_at(x, y), x and y in panel pixels."""
        m = Image.new("L", self.img.size, 0)
        shape(ImageDraw.Draw(m))
        bbox = m.getbbox()
        if not bbox:
            return
        x0, y0, x1, y1 = bbox
        tile = Image.new("RGB", (x1 - x0, y1 - y0))
        tile.putdata([colour_at((x + 0.5) / SS, (y + 0.5) / SS)
                      for y in range(y0, y1) for x in range(x0, x1)])
        self.img.paste(tile, (x0, y0), mask=m.crop(bbox))
        self.cov.paste(255, bbox, mask=m.crop(bbox))

    def bevel(self, x0, y0, x1, y1, light, dark, width=1):
        """A raised frame: light top and left, dark bottom and right."""
        for i in range(width):
            self.rect(x0 + i, y0 + i, x1 - i, y0 + i + 1, light)
            self.rect(x0 + i, y0 + i, x0 + i + 1, y1 - i, light)
            self.rect(x0 + i, y1 - i - 1, x1 - i, y1 - i, dark)
            self.rect(x1 - i - 1, y0 + i + 1, x1 - i, y1 - i, dark)

    def frame(self, x0, y0, x1, y1, colour):
        self.rect(x0, y0, x1, y0 + 1, colour)
        self.rect(x0, y1 - 1, x1, y1, colour)
        self.rect(x0, y0, x0 + 1, y1, colour)
        self.rect(x1 - 1, y0, x1, y1, colour)

    def result(self):
        rgb = self.img.reduce(SS)
        cov = self.cov.reduce(SS)
        px = rgb.load()
        if self.on_black:
            cv = cov.load()
            for y in range(self.h):
                for x in range(self.w):
                    if cv[x, y] < CLEAR_BELOW or max(px[x, y]) < 20:
                        px[x, y] = BLACK
        else:
            for y in range(self.h):
                for x in range(self.w):
                    if px[x, y] == BLACK:
                        raise AssertionError("pure black in a panel that must be seen")
        return rgb


def clean_black(img):
    """For pictures built pixel by pixel: anything too dark to be meant becomes pure black."""
    px = img.load()
    for y in range(img.height):
        for x in range(img.width):
            if max(px[x, y]) < 20:
                px[x, y] = BLACK
    return img


# --------------------------------------------------------------------------------------------
# Pieces shared by several pictures
# --------------------------------------------------------------------------------------------

def panel(c, w, h, inner_line=True):
    """A dark panel with a raised edge and a fine inner line."""
    c.bevel(0, 0, w, h, PANEL_LIGHT, PANEL_DARK, 1)
    if inner_line:
        c.frame(3, 3, w - 3, h - 3, PANEL_LINE)


def metal(v):
    v = max(60, min(235, int(v)))
    return (v, v + 2, min(255, v + 8))


# --------------------------------------------------------------------------------------------
# 4096: the module's icon
# --------------------------------------------------------------------------------------------

def draw_4096():
    c = Canvas(20, 20, BLACK, True)
    c.text(10, 10, "АП", 11, (70, 135, 255))
    return c.result()


# --------------------------------------------------------------------------------------------
# AP_Panel_1: the autopilot panel
# --------------------------------------------------------------------------------------------

LAMPS_X = (27, 137, 247, 357)
LAMP_Y = 37
LAMP_SIZE = 37
LAMP_LABELS = ("КУРС", "ВКЛ", "ВЫСОТА", "РВ")
DIALS_X = (70, 210, 350)
DIAL_Y = 180
DIAL_LABELS = ("НАПРАВЛ.", "КРЕН", "ТАНГАЖ")
DIAL_R = 60              # window radius, panel pixels
HUB_R = 12               # the small circle round the dial centre
MASK_SIZE = 140


def in_dial_window(x, y):
    """Whether pixel (x, y) of the 140 x 140 dial mask lets the card through."""
    dx, dy = x + 0.5 - MASK_SIZE / 2, y + 0.5 - MASK_SIZE / 2
    d2 = dx * dx + dy * dy
    return (dy < 0 and d2 <= DIAL_R * DIAL_R) or d2 <= HUB_R * HUB_R


def ap_panel_labels(c, colour):
    """Caption, lamp and dial labels and the index marks: on the panel and alone in its overlay."""
    c.text(210, 18, "АВТОПИЛОТ", 13, colour, tracking=2.0)
    for x, s in zip(LAMPS_X, LAMP_LABELS):
        c.text(x + LAMP_SIZE / 2, 85, s, 10, colour)
    for x, s in zip(DIALS_X, DIAL_LABELS):
        c.text(x + 0.5, 220, s, 10, colour)
        c.poly([(x + 0.5 - 6, 106), (x + 0.5 + 6, 106), (x + 0.5, 116.5)], colour)


def lamp_body(c, x, y, lens_colour_at):
    """A round lamp filling the 37 x 37 square at (x, y): a metal rim and a lens."""
    cx, cy = x + LAMP_SIZE / 2, y + LAMP_SIZE / 2
    c.disc(cx, cy, 18.5, (96, 100, 104))
    c.disc(cx, cy, 17, (58, 62, 66))
    r = 15

    def shape(d):
        d.ellipse(Canvas.box(cx - r, cy - r, cx + r, cy + r), fill=255)
    c.shaded(shape, lens_colour_at(cx, cy, r))


def unlit_lens(cx, cy, r):
    def at(x, y):
        t = min(1.0, math.hypot(x - cx + 4, y - cy + 4) / (r + 4))
        return (int(46 - 18 * t), int(68 - 26 * t), int(50 - 20 * t))
    return at


def lit_lens(cx, cy, r):
    def at(x, y):
        t = min(1.0, math.hypot(x - cx + 4, y - cy + 4) / (r + 4))
        g = (150, 255, 150) if t < 0.12 else None
        if g:
            return g
        return (int(110 - 90 * t), int(255 - 70 * t), int(120 - 80 * t))
    return at


def draw_4720():
    c = Canvas(420, 250, PANEL, False)
    panel(c, 420, 250)
    # caption rules either side of the caption
    c.rect(14, 17, 150, 19, PANEL_LINE)
    c.rect(270, 17, 406, 19, PANEL_LINE)
    for x in LAMPS_X:
        c.rrect(x - 4, LAMP_Y - 4, x + LAMP_SIZE + 4, LAMP_Y + LAMP_SIZE + 4, 5, PLATE)
        c.frame(x - 4, LAMP_Y - 4, x + LAMP_SIZE + 4, LAMP_Y + LAMP_SIZE + 4, (34, 37, 40))
        lamp_body(c, x, LAMP_Y, unlit_lens)
    for x in DIALS_X:
        # bezel round the window and the reset circle
        c.upper_half_disc(x + 0.5, DIAL_Y, DIAL_R + 3, BEZEL)
        c.rect(x + 0.5 - DIAL_R - 3, DIAL_Y, x + 0.5 + DIAL_R + 3, DIAL_Y + 3, BEZEL)
        c.disc(x + 0.5, DIAL_Y, HUB_R + 3, BEZEL_LIGHT)
        c.pixels([(x - 70 + i, DIAL_Y - 70 + j)
                  for j in range(MASK_SIZE) for i in range(MASK_SIZE) if in_dial_window(i, j)],
                 WINDOW)
        # increase and decrease buttons under the window
        for bx, sign in ((x - 42.5, "+"), (x + 34.5, "-")):
            c.disc(bx, 195, 9, BEZEL)
            c.disc(bx, 195, 7.5, PLATE)
            c.rect(bx - 4.5, 194, bx + 4.5, 196, LABEL)
            if sign == "+":
                c.rect(bx - 1, 190.5, bx + 1, 199.5, LABEL)
    # double arrow at the right edge
    for dx in (0, 6):
        c.poly([(401 + dx, 228), (407 + dx, 234), (401 + dx, 240),
                (398.5 + dx, 240), (404.5 + dx, 234), (398.5 + dx, 228)], LABEL)
    ap_panel_labels(c, LABEL)
    return c.result()


def draw_4725():
    c = Canvas(420, 250, BLACK, True)
    ap_panel_labels(c, LABEL)
    return c.result()


def draw_4736():
    c = Canvas(LAMP_SIZE, LAMP_SIZE, BLACK, True)
    lamp_body(c, 0, 0, lit_lens)
    c.disc(12.5, 12.5, 3, (235, 255, 235))
    return c.result()


def draw_4741():
    c = Canvas(256, 256, BLACK, True)
    cx = cy = 128
    white = MARK_WHITE
    for k in range(-5, 6):
        a = 15 * k
        if k in (-3, 0, 3):
            c.radial(cx, cy, 90, 120, a, 8, white)
        else:
            c.radial(cx, cy, 100, 120, a, 5, white)
    c.text(cx, cy - 70, "0", 30, white)
    for a in (-45, 45):
        r = math.radians(a)
        c.text(cx + 70 * math.sin(r), cy - 70 * math.cos(r), "3", 30, white, angle=a)
    # arrow in a circle at the centre
    c.disc(cx, cy, 22, white)
    c.erase_disc(cx, cy, 17)
    c.rect(cx - 2.5, cy - 6, cx + 2.5, cy + 13, white)
    c.poly([(cx, cy - 15), (cx + 8, cy - 4), (cx - 8, cy - 4)], white)
    return c.result()


def draw_4742():
    img = Image.new("RGB", (MASK_SIZE, MASK_SIZE), BLACK)
    px = img.load()
    for y in range(MASK_SIZE):
        for x in range(MASK_SIZE):
            if in_dial_window(x, y):
                px[x, y] = (1, 1, 1)
    return img


# --------------------------------------------------------------------------------------------
# AP_YoySet: joystick channel assignment
# --------------------------------------------------------------------------------------------

YOY_ROWS = ("Крен", "Танг", "Шаг", "Пов.")


def draw_4688():
    c = Canvas(158, 159, PANEL, False)
    panel(c, 158, 159, inner_line=False)
    # eight axis tracks, markers 5 px wide at x = 7 + 20k, y 54 (zero) up to y 4
    for k in range(8):
        x = 7 + 20 * k
        c.rect(x + 1, 3, x + 4, 60, WINDOW)
        c.rect(x - 1, 56, x, 57, DIM)
        c.rect(x + 5, 56, x + 6, 57, DIM)
        c.text(x + 2.5, 66.5, str(k + 1), 8, LABEL)
    # stick field, marker centred at (34, 101)
    c.rect(12, 79, 58, 125, BEZEL)
    c.rect(13, 80, 57, 124, WINDOW)
    c.rect(34, 80, 35, 124, DIM)
    c.rect(13, 101, 57, 102, DIM)
    # pedal track under the field (marker at y 127..131, x 11..57)
    c.rect(10, 128, 59, 131, WINDOW)
    c.rect(34, 132, 35, 133, DIM)
    # collective track at the left edge (marker x 3..7, y 81..128)
    c.rect(4, 80, 7, 130, WINDOW)
    # load (blue, up) and save (red, down) buttons
    for x, base, light, dark, up in ((8, (44, 96, 204), (104, 150, 244), (22, 52, 130), True),
                                     (36, (204, 46, 40), (244, 110, 100), (130, 24, 20), False)):
        c.rrect(x, 134, x + 22, 156, 3, dark)
        c.rrect(x, 134, x + 21, 155, 3, light)
        c.rrect(x + 1, 135, x + 21, 155, 2.5, base)
        mx = x + 11
        if up:
            c.poly([(mx, 139), (mx + 6, 147), (mx + 2, 147), (mx + 2, 151), (mx - 2, 151),
                    (mx - 2, 147), (mx - 6, 147)], MARK_WHITE)
        else:
            c.poly([(mx, 151), (mx + 6, 143), (mx + 2, 143), (mx + 2, 139), (mx - 2, 139),
                    (mx - 2, 143), (mx - 6, 143)], MARK_WHITE)
    # one-digit fields: label, decrease, digit box, increase
    for i, s in enumerate(YOY_ROWS):
        y0 = 80 + 20 * i
        cy = min(y0 + 10, 149.5)
        c.text(0, cy, s, 9, LABEL, left=63)
        c.poly([(113, cy), (120, cy - 4.5), (120, cy + 4.5)], LABEL)
        c.poly([(151, cy), (144, cy - 4.5), (144, cy + 4.5)], LABEL)
        # The module draws each digit on grey 64 in a 12 x 20 box at (126, y0); the boxes touch.
        c.rect(126, y0, 138, min(y0 + 20, 159), (64, 64, 64))
    c.frame(125, 79, 139, 159, BEZEL)
    return c.result()


def draw_4693():
    img = Image.new("RGB", (5, 5), BLACK)
    red, bright = (222, 36, 30), (255, 120, 100)
    for y in range(5):
        for x in range(5):
            if (x in (0, 4)) and (y in (0, 4)):
                continue
            img.putpixel((x, y), red)
    img.putpixel((1, 1), bright)
    return img


# --------------------------------------------------------------------------------------------
# V_Contrl_key: the speed-hold toggle switch
# --------------------------------------------------------------------------------------------

KEY_W, KEY_H = 16, 34
PIVOT = (8, 17)
KNOB_Y = (28.5, 17, 5.5)     # knob centre for lever images 0 (down), 1 (end-on), 2 (up)


def draw_4864():
    c = Canvas(KEY_W, KEY_H, BLACK, True)
    c.disc(8, 17, 5.5, (40, 80, 190))
    c.disc(8, 17, 4, (70, 120, 235))
    c.disc(7, 16, 1.5, (150, 190, 255))
    return c.result()


def draw_lever(image):
    c = Canvas(KEY_W, KEY_H, BLACK, True)
    px, py = PIVOT
    ky = KNOB_Y[image]

    def shaft_colour(x, y):
        return metal(100 + 120 * max(0.0, 1 - abs(x - 7.3) / 3.2))

    def knob_colour(x, y):
        return metal(232 - 26 * math.hypot(x - 7, y - (ky - 1)))

    if image == 1:
        c.disc(px, py, 5, (84, 86, 92))
        r = 4.2
    else:
        end = ky - 2.5 if image == 0 else ky + 2.5

        def shaft(d):
            d.polygon(Canvas.pts([(px - 1.4, py), (px + 1.4, py), (px + 2, end), (px - 2, end)]),
                      fill=255)
        c.shaded(shaft, shaft_colour)
        r = 4.0

    def knob(d):
        d.ellipse(Canvas.box(px - r, ky - r * 0.85, px + r, ky + r * 0.85) if image != 1
                  else Canvas.box(px - r, ky - r, px + r, ky + r), fill=255)
    c.shaded(knob, knob_colour)
    return c.result()


def draw_tip(image):
    c = Canvas(KEY_W, KEY_H, BLACK, True)
    c.disc(7, KNOB_Y[image] - 1, 1.6, (255, 255, 250))
    return c.result()


# --------------------------------------------------------------------------------------------
# V_Lamp: the speed-hold annunciator
# --------------------------------------------------------------------------------------------

def draw_annunciator(lit):
    c = Canvas(97, 52, (60, 64, 68), False)
    c.bevel(0, 0, 97, 52, (104, 108, 112), (30, 32, 34), 2)
    c.rect(5, 5, 92, 47, (30, 32, 34))
    if lit:
        c.rect(6, 6, 91, 46, (22, 48, 26))
        c.rect(8, 8, 89, 44, (26, 60, 30))
        c.text(48.5, 26, "СТАБ V", 17, (90, 200, 100))   # glow under the legend
        c.text(48.5, 26, "СТАБ V", 16, (150, 255, 150))
    else:
        c.rect(6, 6, 91, 46, (22, 28, 24))
        c.text(48.5, 26, "СТАБ V", 16, (54, 72, 58))
    return c.result()


# --------------------------------------------------------------------------------------------
# IN_4: control deflection indicator
# --------------------------------------------------------------------------------------------

IN4_LABEL_Y = 124
ROLL_C = (157.5, 68.5)
ROLL_R = 38


def in4_marks(c, with_limits):
    """Centre marks (and limit marks) for the four windows, and the window labels."""
    w, yel = MARK_WHITE, MARK_YELLOW
    # Н: bar x 66..74, moves +-31 px sideways
    for x, col in ((70.5, w), (39.5, yel), (101.5, yel)):
        if col is w or with_limits:
            c.rect(x - 1.5, 41, x + 1.5, 46, col)
            c.rect(x - 1.5, 90, x + 1.5, 95, col)
    # К: bar turning about (157, 68) by up to +-33 degrees
    cx, cy = ROLL_C
    for a, col in ((90, w), (-90, w), (57, yel), (123, yel), (-57, yel), (-123, yel)):
        if col is w or with_limits:
            c.radial(cx, cy, ROLL_R - 4, ROLL_R + 3, a, 3, col)
    # Т and В: bars 38 wide moving +-31 px vertically
    for x0, x1, yc in ((213, 268, 67.5), (282, 337, 66.5)):
        for y, col in ((yc, w), (yc - 31, yel), (yc + 31, yel)):
            if col is w or with_limits:
                c.rect(x0 + 1, y - 1.5, x0 + 7, y + 1.5, col)
                c.rect(x1 - 7, y - 1.5, x1 - 1, y + 1.5, col)
    for x, s in ((71.5, "Н"), (157.5, "К"), (240.5, "Т"), (309.5, "В")):
        c.text(x, IN4_LABEL_Y, s, 14, LABEL)


def draw_4944():
    c = Canvas(388, 139, PANEL, False)
    c.rrect(0, 0, 388, 139, 8, (52, 56, 60))
    c.rrect(2, 2, 386, 137, 7, PANEL)
    c.frame(6, 6, 382, 133, PANEL_LINE)
    # Н window
    c.rect(29, 39, 114, 98, BEZEL)
    c.rect(31, 41, 112, 96, WINDOW)
    # К window: round, about the bar's pivot
    c.disc(*ROLL_C, ROLL_R + 2, BEZEL)
    c.disc(*ROLL_C, ROLL_R, WINDOW)
    # Т and В windows
    c.rect(211, 25, 270, 112, BEZEL)
    c.rect(213, 27, 268, 110, WINDOW)
    c.rect(280, 24, 339, 111, BEZEL)
    c.rect(282, 26, 337, 109, WINDOW)
    in4_marks(c, True)
    return c.result()


def draw_4949():
    c = Canvas(388, 139, BLACK, True)
    in4_marks(c, False)
    return c.result()


def draw_bar(w, h):
    img = Image.new("RGB", (w, h), (236, 236, 230))
    d = ImageDraw.Draw(img)
    d.rectangle([0, 0, w - 1, h - 1], outline=(150, 152, 150))
    return img


# --------------------------------------------------------------------------------------------
# Output
# --------------------------------------------------------------------------------------------

# --------------------------------------------------------------------------------------------
# Recorder: the flight-test recorder's gauge (its own module file, resources/recorder.rc)
# --------------------------------------------------------------------------------------------

REC_W, REC_H = 400, 120
REC_SCALE_Y = 70         # the cue scale's line
REC_SCALE_HALF = 150     # pixels each side of the centre: 20 % of full deflection
REC_BUTTONS = ((10, "START / STOP"), (145, "REPEAT"), (280, "SKIP"))


def draw_5120():
    c = Canvas(REC_W, REC_H, PANEL, False)
    panel(c, REC_W, REC_H)
    c.rect(6, 4, REC_W - 6, 48, WINDOW)
    centre = REC_W / 2
    c.rect(centre - REC_SCALE_HALF, REC_SCALE_Y - 0.5, centre + REC_SCALE_HALF, REC_SCALE_Y + 0.5, DIM)
    for k in range(-4, 5):
        x = centre + k * REC_SCALE_HALF / 4
        tall = 6 if k % 2 == 0 else 3
        c.rect(x - 0.5, REC_SCALE_Y - tall, x + 0.5, REC_SCALE_Y + tall, MARK_WHITE if k == 0 else LABEL)
    c.text(centre - REC_SCALE_HALF - 14, REC_SCALE_Y, "−", 10, LABEL)
    c.text(centre + REC_SCALE_HALF + 14, REC_SCALE_Y, "+", 10, LABEL)
    for x, label in REC_BUTTONS:
        c.bevel(x, 92, x + 110, 114, PANEL_LIGHT, PANEL_DARK, 1)
        c.text(x + 55, 103, label, 9, LABEL)
    return c.result()


def draw_5121():
    c = Canvas(24, 24, BLACK, True)
    c.disc(12, 12, 11, (96, 100, 104))
    c.disc(12, 12, 9, (235, 40, 30))
    c.disc(10, 10, 3, (255, 150, 130))
    return c.result()


def draw_5123():
    c = Canvas(13, 14, BLACK, True)
    c.poly([(0.5, 0.5), (12.5, 0.5), (6.5, 13.5)], (60, 230, 90))
    return c.result()


def draw_5124():
    c = Canvas(7, 18, BLACK, True)
    c.rect(0.5, 0.5, 6.5, 17.5, MARK_WHITE)
    return c.result()


# id -> (width, height, bits per pixel, drawing function)
BITMAPS = {
    4096: (20, 20, 8, draw_4096),
    4688: (158, 159, 8, draw_4688),
    4693: (5, 5, 8, draw_4693),
    4720: (420, 250, 8, draw_4720),
    4725: (420, 250, 8, draw_4725),
    4736: (37, 37, 8, draw_4736),
    4741: (256, 256, 8, draw_4741),
    4742: (140, 140, 24, draw_4742),
    4864: (16, 34, 8, draw_4864),
    4880: (16, 34, 8, lambda: draw_lever(0)),
    4881: (16, 34, 8, lambda: draw_lever(1)),
    4882: (16, 34, 8, lambda: draw_lever(2)),
    4896: (16, 34, 8, lambda: draw_tip(0)),
    4897: (16, 34, 8, lambda: draw_tip(1)),
    4898: (16, 34, 8, lambda: draw_tip(2)),
    4912: (97, 52, 8, lambda: draw_annunciator(False)),
    4917: (97, 52, 8, lambda: draw_annunciator(True)),
    4944: (388, 139, 8, draw_4944),
    4949: (388, 139, 8, draw_4949),
    4960: (9, 41, 8, lambda: draw_bar(9, 41)),
    4965: (67, 9, 8, lambda: draw_bar(67, 9)),
    4976: (38, 9, 8, lambda: draw_bar(38, 9)),
}

# The recorder's module file binds these, in its own resource script.
RECORDER_BITMAPS = {
    5120: (REC_W, REC_H, 8, draw_5120),
    5121: (24, 24, 8, draw_5121),
    5123: (13, 14, 8, draw_5123),
    5124: (7, 18, 8, draw_5124),
}

EXACT_COLOURS = 96      # the most frequent colours go into a palette exactly


def to_indexed(img):
    """Maps an RGB picture onto a 256-entry palette. Entry 0 is pure black; pure black pixels and
    only those get index 0, so nothing drawn ever turns transparent."""
    data = list(img.getdata())
    counts = {}
    for p in data:
        if p != BLACK:
            counts[p] = counts.get(p, 0) + 1
    by_count = sorted(counts, key=lambda p: (-counts[p], p))
    if len(by_count) <= 255:
        pal = sorted(by_count)
    else:
        chosen = set(by_count[:EXACT_COLOURS])
        rest = [p for p in data if p != BLACK and p not in chosen]
        strip = Image.new("RGB", (len(rest), 1))
        strip.putdata(rest)
        q = strip.quantize(colors=255 - EXACT_COLOURS, method=Image.Quantize.MEDIANCUT,
                           dither=Image.Dither.NONE)
        qp = q.getpalette()
        for i in sorted(set(q.getdata())):
            chosen.add(tuple(qp[3 * i:3 * i + 3]))
        chosen.discard(BLACK)
        pal = sorted(chosen)
    assert len(pal) <= 255
    palette = [BLACK] + pal
    nearest = {BLACK: 0}
    for i, p in enumerate(pal):
        nearest[p] = i + 1
    out = bytearray(len(data))
    for n, p in enumerate(data):
        k = nearest.get(p)
        if k is None:
            r, g, b = p
            k = min(range(1, len(palette)),
                    key=lambda i: ((palette[i][0] - r) ** 2 * 3 + (palette[i][1] - g) ** 2 * 4
                                   + (palette[i][2] - b) ** 2 * 2, i))
            nearest[p] = k
        out[n] = k
    return bytes(out), palette


def bmp_bytes(img, bits):
    w, h = img.size
    if bits == 8:
        idx, palette = to_indexed(img)
        stride = (w + 3) & ~3
        rows = [idx[y * w:(y + 1) * w] + bytes(stride - w) for y in range(h - 1, -1, -1)]
        pal = b"".join(bytes((b, g, r, 0)) for r, g, b in palette + [BLACK] * (256 - len(palette)))
        colours = 256
    else:
        raw = img.tobytes("raw", "BGR")
        stride = (w * 3 + 3) & ~3
        rows = [raw[y * w * 3:(y + 1) * w * 3] + bytes(stride - w * 3) for y in range(h - 1, -1, -1)]
        pal = b""
        colours = 0
    pixels = b"".join(rows)
    offset = 14 + 40 + len(pal)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info_header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bits, 0, len(pixels), 2835, 2835,
                              colours, 0)
    return file_header + info_header + pal + pixels


def write_rc(path, bitmaps, what):
    lines = ["// %s; written by tools/bitmaps/make_bitmaps.py." % what,
             "LANGUAGE 0x19, 0x01", ""]
    lines += ['%d BITMAP "%d.bmp"' % (rid, rid) for rid in sorted(bitmaps)]
    with open(path, "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def check(path, rid):
    w, h, bits, _ = ALL_BITMAPS[rid]
    with open(path, "rb") as f:
        data = f.read()
    magic, size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    (hsize, bw, bh, planes, bpp, comp, isize, _, _, used, _) = struct.unpack_from(
        "<IiiHHIIiiII", data, 14)
    assert magic == b"BM" and size == len(data), rid
    assert hsize == 40 and planes == 1, rid
    assert (bw, bh) == (w, h), (rid, bw, bh)          # positive height: bottom-up
    assert bpp == bits and comp == 0, (rid, bpp, comp)
    if bits == 8:
        assert used == 256 and offset == 14 + 40 + 1024, rid
    else:
        assert used == 0 and offset == 14 + 40, rid
    im = Image.open(path)
    assert im.size == (w, h) and im.mode == ("P" if bits == 8 else "RGB"), (rid, im.mode)
    if rid == 4742:
        assert set(im.getdata()) == {(0, 0, 0), (1, 1, 1)}, rid
    return "%d  %3d x %3d  %2d bpp  BI_RGB" % (rid, bw, bh, bpp)


ALL_BITMAPS = {**BITMAPS, **RECORDER_BITMAPS}


def main():
    os.makedirs(OUT_DIR, exist_ok=True)
    for rid in sorted(ALL_BITMAPS):
        w, h, bits, draw = ALL_BITMAPS[rid]
        img = draw()
        assert img.size == (w, h), (rid, img.size)
        with open(os.path.join(OUT_DIR, "%d.bmp" % rid), "wb") as f:
            f.write(bmp_bytes(img, bits))
    write_rc(os.path.join(OUT_DIR, "bitmaps.rc"), BITMAPS, "Cockpit artwork of the gauges")
    write_rc(os.path.join(OUT_DIR, "recorder.rc"), RECORDER_BITMAPS, "The recorder gauge's artwork")
    for rid in sorted(ALL_BITMAPS):
        print(check(os.path.join(OUT_DIR, "%d.bmp" % rid), rid))
    return 0


if __name__ == "__main__":
    sys.exit(main())
