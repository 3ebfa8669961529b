#!/usr/bin/env python3
"""Draws every picture Vantelsiro ships, from scratch, and writes them out.

  src/resources/stopwatch.ico   silver stopwatch: white dial, red marks, black and red
                                hands, crown and two push-buttons (32x32 and 16x16, 16 colours)
  src/resources/info.ico        white lower-case "i" on a blue disc (16x16, 16 colours)
  src/about/pictures/logo.ico       the program's logo: a yellow clock face in a blue rim whose
                                red hands stand at ten past ten and form a "V" (16x16)
  src/about/pictures/chip.ico       grey memory chip with silver legs, seen at an angle
                                (16, 32 and 48 pixels, each in 16 and in 256 colours)
  src/about/pictures/background.bmp violet-to-salmon gradient over faint brickwork, with a
                                yellow burst of light in the top-left corner (397x270, 24 bit)
  src/resources/icons/hicolor/NxN/apps/velti.png
                                the stopwatch for desktop menus and launchers: at 16 and 32
                                the very pixels of stopwatch.ico, at 128 and 256 the same
                                drawing smooth and anti-aliased, with see-through corners

Only the standard library is used: shapes are tested at many sample points per pixel,
and the ICO, BMP and PNG containers are packed by hand with struct. The output is the
same byte for byte on every run, so the files can be regenerated and diffed at will.

    python3 tools/make_pictures.py [--preview DIR]

--preview also writes enlarged PNG copies to DIR, to look at while drawing.
"""

import argparse
import math
import os
import struct
import sys
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# The classic 16-colour VGA set; index 0 doubles as the colour of transparent pixels.
VGA = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = VGA[0:8]
GREY, RED, LIME, YELLOW, BLUE, MAGENTA, CYAN, WHITE = VGA[8:16]


def palette_256():
    """A 6x6x6 colour cube plus a 40-step grey ramp: the cube covers any stray colour,
    the ramp gives the chip's greys and metal the fine steps it needs."""
    pal = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    pal += [(8 + 6 * i,) * 3 for i in range(40)]
    return pal


PAL256 = palette_256()


def nearest(palette, rgb, _cache={}):
    key = (id(palette), rgb)
    if key not in _cache:
        r, g, b = rgb
        # Green counts most and blue least, roughly as the eye weighs them.
        _cache[key] = min(
            range(len(palette)),
            key=lambda i: 3 * (palette[i][0] - r) ** 2
            + 4 * (palette[i][1] - g) ** 2
            + 2 * (palette[i][2] - b) ** 2,
        )
    return _cache[key]


# ---------------------------------------------------------------------------
# Shapes. Coordinates are in pixels with y pointing down; pixel (i, j) covers
# [i, i+1) x [j, j+1), so its centre is (i + 0.5, j + 0.5).


class Disc:
    def __init__(self, cx, cy, r):
        self.cx, self.cy, self.r2 = cx, cy, r * r
        self.box = (cx - r, cy - r, cx + r, cy + r)

    def contains(self, x, y):
        return (x - self.cx) ** 2 + (y - self.cy) ** 2 <= self.r2


class Poly:
    def __init__(self, pts):
        self.pts = list(pts)
        xs = [p[0] for p in self.pts]
        ys = [p[1] for p in self.pts]
        self.box = (min(xs), min(ys), max(xs), max(ys))

    def contains(self, x, y):
        inside = False
        pts = self.pts
        j = len(pts) - 1
        for i in range(len(pts)):
            xi, yi = pts[i]
            xj, yj = pts[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                inside = not inside
            j = i
        return inside


def rect(x0, y0, x1, y1):
    return Poly([(x0, y0), (x1, y0), (x1, y1), (x0, y1)])


class Stroke:
    """A straight line with square ends, `width` wide, from a to b."""

    def __init__(self, a, b, width):
        (ax, ay), (bx, by) = a, b
        length = math.hypot(bx - ax, by - ay)
        self.a, self.ux, self.uy = a, (bx - ax) / length, (by - ay) / length
        self.length, self.half = length, width / 2.0
        pad = self.half
        self.box = (min(ax, bx) - pad, min(ay, by) - pad, max(ax, bx) + pad, max(ay, by) + pad)

    def contains(self, x, y):
        dx, dy = x - self.a[0], y - self.a[1]
        along = dx * self.ux + dy * self.uy
        across = -dx * self.uy + dy * self.ux
        return 0.0 <= along <= self.length and abs(across) <= self.half


def clock_dir(hour):
    """Unit vector from the centre of a dial towards `hour` o'clock (y down)."""
    a = math.radians(hour * 30.0)
    return math.sin(a), -math.cos(a)


def radial_bar(cx, cy, hour, r0, r1, width):
    ux, uy = clock_dir(hour)
    return Stroke((cx + ux * r0, cy + uy * r0), (cx + ux * r1, cy + uy * r1), width)


# ---------------------------------------------------------------------------
# Rasterising. A scene is a list of (shape, rgb, weight), painted in order.


def sample_scene(scene, size, ss=8):
    """For each pixel, which scene item is on top at each of ss*ss sample points
    (None where nothing is)."""
    offsets = [(k + 0.5) / ss for k in range(ss)]
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            here = [
                i for i, (shape, _, _) in enumerate(scene)
                if shape.box[0] < px + 1 and shape.box[2] > px
                and shape.box[1] < py + 1 and shape.box[3] > py
            ]
            here.reverse()
            hits = []
            for oy in offsets:
                for ox in offsets:
                    x, y = px + ox, py + oy
                    top = None
                    for i in here:
                        if scene[i][0].contains(x, y):
                            top = i
                            break
                    hits.append(top)
            row.append(hits)
        rows.append(row)
    return rows


def resolve_vote(scene, samples, palette):
    """Crisp pixel art: each pixel takes the item covering most of it. Thin details
    (hands, marks) carry a larger weight so they are not swallowed by what lies below."""
    image = []
    for row in samples:
        out = []
        for hits in row:
            score = {}
            for h in hits:
                score[h] = score.get(h, 0) + (1 if h is None else scene[h][2])
            # Ties go to the item painted last, as they would on paper.
            best = max(score, key=lambda h: (score[h], -1 if h is None else h))
            out.append(None if best is None else nearest(palette, scene[best][1]))
        image.append(out)
    return image


def resolve_average(scene, samples, palette):
    """Smoothed edges for the 256-colour images: the pixel's colour is the mean of
    what covers it; it stays see-through unless at least half of it is covered."""
    image = []
    for row in samples:
        out = []
        for hits in row:
            covered = [scene[h][1] for h in hits if h is not None]
            if 2 * len(covered) < len(hits):
                out.append(None)
                continue
            n = len(covered)
            mean = tuple(int(round(sum(c[k] for c in covered) / n)) for k in range(3))
            out.append(nearest(palette, mean))
        image.append(out)
    return image


# ---------------------------------------------------------------------------
# The stopwatch.


def stopwatch_scene(size):
    s = []
    if size >= 32:
        cx, cy = 16.0, 18.0
        # Crown: a short stem into the case and a knurled knob on top of it.
        s.append((rect(13.0, 2.5, 19.0, 7.0), BLACK, 1))
        s.append((rect(14.0, 3.0, 18.0, 7.0), GREY, 1))
        s.append((rect(11.0, 0.0, 21.0, 3.0), BLACK, 1))
        s.append((rect(12.0, 1.0, 20.0, 2.0), SILVER, 1))
        # Push-buttons at eleven and one o'clock, stubs sticking out of the case.
        for hour in (11, 1):
            s.append((radial_bar(cx, cy, hour, 11.0, 16.0, 4.0), BLACK, 1))
            s.append((radial_bar(cx, cy, hour, 11.0, 15.0, 2.0), GREY, 1))
        # Case: dark outline, grey band, silver band, a thin grey bezel, then the dial.
        s.append((Disc(cx, cy, 13.6), BLACK, 1))
        s.append((Disc(cx, cy, 12.7), GREY, 1))
        s.append((Disc(cx, cy, 11.7), SILVER, 1))
        s.append((Disc(cx, cy, 10.3), GREY, 1))
        s.append((Disc(cx, cy, 9.6), WHITE, 1))
        for hour in range(12):
            long_mark = hour % 3 == 0
            s.append((radial_bar(cx, cy, hour, 6.8 if long_mark else 7.8, 9.4,
                                 1.5 if long_mark else 1.0), RED, 3))
        s.append((radial_bar(cx, cy, 12, -0.5, 7.8, 2.0), BLACK, 3))
        s.append((radial_bar(cx, cy, 10, -0.5, 6.0, 1.7), BLACK, 3))
        s.append((radial_bar(cx, cy, 7, -2.0, 8.6, 1.0), RED, 3))
        s.append((Disc(cx, cy, 1.5), RED, 4))  # the hub the seconds hand turns on
    else:
        # At 16 pixels every pixel is placed by its centre alone (see build()): the
        # centre of the dial sits on a pixel, so the hands come out as clean lines, and
        # the dial keeps only four marks.
        cx, cy = 7.5, 9.5
        s.append((rect(5.0, 0.0, 10.0, 2.0), BLACK, 1))
        s.append((rect(6.0, 1.0, 9.0, 2.0), SILVER, 1))
        s.append((rect(7.0, 2.0, 8.0, 3.0), BLACK, 1))
        for hour in (11, 1):
            s.append((radial_bar(cx, cy, hour, 6.0, 8.2, 1.9), GREY, 1))
        s.append((Disc(cx, cy, 6.9), BLACK, 1))
        s.append((Disc(cx, cy, 5.9), SILVER, 1))
        s.append((Disc(cx, cy, 4.9), WHITE, 1))
        for hour in (12, 3, 6, 9):
            s.append((radial_bar(cx, cy, hour, 4.0, 4.9, 1.0), RED, 1))
        s.append((radial_bar(cx, cy, 12, 0.0, 3.6, 1.0), BLACK, 1))
        s.append((radial_bar(cx, cy, 10, 0.0, 3.7, 0.9), BLACK, 1))
        s.append((radial_bar(cx, cy, 7, 1.0, 4.0, 0.9), RED, 1))
    return s


# ---------------------------------------------------------------------------
# The stopwatch for launchers and menus: the same drawing, smooth, at any size.
#
# Here every shape is a signed distance (negative inside) in a 32-unit design square,
# the same one the 32-pixel icon is drawn in. A pixel's coverage comes from the distance
# at its centre, measured in pixels, so every edge is anti-aliased over one pixel at
# whatever size the picture is drawn.


def sd_disc(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def sd_segment(a, b, half):
    """A line from a to b with round ends, `half` its half-width."""
    (ax, ay), (bx, by) = a, b
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy

    def d(x, y):
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
        return math.hypot(x - ax - t * dx, y - ay - t * dy) - half
    return d


def sd_box(cx, cy, hw, hh, radius=0.0, angle=0.0):
    """A rectangle centred on (cx, cy), turned by `angle` radians, its corners rounded."""
    c, s_ = math.cos(angle), math.sin(angle)
    hw, hh = hw - radius, hh - radius

    def d(x, y):
        lx = abs((x - cx) * c + (y - cy) * s_) - hw
        ly = abs(-(x - cx) * s_ + (y - cy) * c) - hh
        outside = math.hypot(max(lx, 0.0), max(ly, 0.0))
        return outside + min(max(lx, ly), 0.0) - radius
    return d


def sd_convex(pts):
    """A convex polygon, its points in either order: the farthest of its edges' lines."""
    area = sum(pts[i - 1][0] * pts[i][1] - pts[i][0] * pts[i - 1][1] for i in range(len(pts)))
    sign = 1.0 if area > 0 else -1.0
    edges = []
    for i in range(len(pts)):
        (x0, y0), (x1, y1) = pts[i - 1], pts[i]
        length = math.hypot(x1 - x0, y1 - y0)
        edges.append((x0, y0, sign * (y1 - y0) / length, -sign * (x1 - x0) / length))
    return lambda x, y: max((x - x0) * nx + (y - y0) * ny for x0, y0, nx, ny in edges)


def linear(c0, c1, ax, ay, bx, by):
    """A colour ramp from c0 at (ax, ay) to c1 at (bx, by), flat beyond either end."""
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy

    def colour(x, y):
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
        return lerp(c0, c1, t)
    return colour


def radial(c0, c1, cx, cy, r):
    def colour(x, y):
        return lerp(c0, c1, min(1.0, math.hypot(x - cx, y - cy) / r))
    return colour


def hand(cx, cy, hour, tail, tip, root_half, tip_half):
    """A hand that narrows from its root at the centre to its tip."""
    ux, uy = clock_dir(hour)
    nx, ny = -uy, ux
    back, front = (cx - ux * tail, cy - uy * tail), (cx + ux * tip, cy + uy * tip)
    return sd_convex([
        (back[0] + nx * root_half, back[1] + ny * root_half),
        (front[0] + nx * tip_half, front[1] + ny * tip_half),
        (front[0] - nx * tip_half, front[1] - ny * tip_half),
        (back[0] - nx * root_half, back[1] - ny * root_half),
    ])


SW_INK = (52, 56, 62)
SW_SILVER_HI = (246, 247, 250)
SW_SILVER_LO = (146, 151, 160)
SW_BEZEL_HI = (214, 218, 224)
SW_BEZEL_LO = (112, 117, 126)
SW_DIAL = (255, 255, 255)
SW_DIAL_EDGE = (226, 229, 234)
SW_RED = (214, 30, 36)
SW_HAND = (22, 22, 26)


def smooth_stopwatch_layers():
    """The stopwatch as (distance, colour or colour function, opacity, box, softness),
    painted in order. The box (in design units) is where the shape can be at all."""
    cx, cy, case_r = 16.0, 18.2, 12.5
    layers = []

    def add(d, colour, box, alpha=1.0, soft=0.0):
        layers.append((d, colour, alpha, box, soft))

    def metal(x0, y0, x1, y1):
        # Light from the top left, as on the case.
        return linear(SW_SILVER_HI, SW_SILVER_LO, x0, y0, x1, y1)

    # A soft shadow under the case, as if the watch lay a little above the desk.
    add(sd_disc(cx, cy + 0.55, case_r), (0, 0, 0), (cx - 15, cy - 14, cx + 15, cy + 15),
        alpha=0.30, soft=1.1)

    # The crown: a stem into the case and a knurled knob on top of it.
    add(sd_box(cx, 4.9, 2.0, 1.9, 0.3), SW_INK, (cx - 3, 2.5, cx + 3, 7.5))
    add(sd_box(cx, 4.9, 1.45, 1.9, 0.2), linear(SW_SILVER_HI, SW_SILVER_LO, cx - 1.5, 0, cx + 1.5, 0),
        (cx - 3, 2.5, cx + 3, 7.5))
    add(sd_box(cx, 2.35, 4.3, 1.35, 0.7), SW_INK, (cx - 5, 0.5, cx + 5, 4.5))
    add(sd_box(cx, 2.35, 3.75, 0.85, 0.4),
        linear(SW_SILVER_HI, SW_SILVER_LO, cx - 2.5, 1.4, cx + 3.5, 3.3), (cx - 5, 0.5, cx + 5, 4.5))
    for k in range(-3, 4):
        x = cx + k * 0.95
        add(sd_box(x, 2.35, 0.12, 0.78), SW_SILVER_LO, (x - 0.5, 1.0, x + 0.5, 3.8), alpha=0.75)

    # The push-buttons at eleven and one o'clock: a stem out of the case, then a cap
    # square to it.
    for hour in (11, 1):
        ux, uy = clock_dir(hour)
        angle = math.atan2(uy, ux)
        sx, sy = cx + ux * 13.4, cy + uy * 13.4
        kx, ky = cx + ux * 15.2, cy + uy * 15.2
        box = (kx - 4, ky - 4, kx + 4, ky + 4)
        add(sd_box(sx, sy, 1.9, 1.25, 0.3, angle), SW_INK, (sx - 3, sy - 3, sx + 3, sy + 3))
        add(sd_box(sx, sy, 1.9, 0.75, 0.2, angle), metal(sx - 1, sy - 1, sx + 1, sy + 1),
            (sx - 3, sy - 3, sx + 3, sy + 3))
        add(sd_box(kx, ky, 0.95, 2.45, 0.5, angle), SW_INK, box)
        add(sd_box(kx, ky, 0.5, 2.0, 0.3, angle), metal(kx - 1.5, ky - 1.5, kx + 1.5, ky + 1.5), box)

    # The case: a dark edge, the silver band lit from the top left, a bezel turned the
    # other way so it looks sunk, then the dial.
    whole = (cx - case_r - 1, cy - case_r - 1, cx + case_r + 1, cy + case_r + 1)
    add(sd_disc(cx, cy, case_r), SW_INK, whole)
    add(sd_disc(cx, cy, case_r - 0.55), metal(cx - 9, cy - 9, cx + 9, cy + 9), whole)
    add(sd_disc(cx, cy, 10.45), linear(SW_BEZEL_LO, SW_BEZEL_HI, cx - 8, cy - 8, cx + 8, cy + 8),
        whole)
    add(sd_disc(cx, cy, 9.75), radial(SW_DIAL, SW_DIAL_EDGE, cx + 0.6, cy + 0.9, 10.2), whole)

    # Twelve red marks, the quarters longer and heavier.
    for hour in range(12):
        ux, uy = clock_dir(hour)
        quarter = hour % 3 == 0
        r0, r1, half = (6.9, 8.9, 0.55) if quarter else (7.7, 8.9, 0.38)
        a, b = (cx + ux * r0, cy + uy * r0), (cx + ux * r1, cy + uy * r1)
        box = (min(a[0], b[0]) - 1, min(a[1], b[1]) - 1, max(a[0], b[0]) + 1, max(a[1], b[1]) + 1)
        add(sd_segment(a, b, half), SW_RED, box)

    # The hands: minutes at twelve, hours towards ten, seconds in red towards seven.
    dial = (cx - 10, cy - 10, cx + 10, cy + 10)
    add(hand(cx, cy, 12, 1.2, 7.6, 0.85, 0.35), SW_HAND, dial)
    add(hand(cx, cy, 10, 1.0, 5.6, 0.85, 0.4), SW_HAND, dial)
    add(sd_disc(cx, cy, 1.25), SW_HAND, dial)
    add(hand(cx, cy, 7, 2.6, 8.4, 0.34, 0.2), SW_RED, dial)
    add(sd_disc(cx, cy, 0.85), SW_RED, dial)
    add(sd_disc(cx, cy, 0.3), SW_SILVER_HI, dial)
    return layers


def smooth_stopwatch(size):
    """RGBA rows of the stopwatch drawn at size x size pixels."""
    scale = size / 32.0
    layers = smooth_stopwatch_layers()
    rows = []
    for py in range(size):
        y = (py + 0.5) / scale
        row = []
        for px in range(size):
            x = (px + 0.5) / scale
            r = g = b = a = 0.0  # premultiplied
            for d, colour, alpha, box, soft in layers:
                if not (box[0] <= x <= box[2] and box[1] <= y <= box[3]):
                    continue
                dist = d(x, y)
                if soft:
                    # Over `soft` design units rather than one pixel, smoothly.
                    t = max(0.0, min(1.0, 0.5 - dist / soft))
                    cover = t * t * (3.0 - 2.0 * t)
                else:
                    cover = max(0.0, min(1.0, 0.5 - dist * scale))
                if cover <= 0.0:
                    continue
                k = cover * alpha
                c = colour(x, y) if callable(colour) else colour
                r, g, b = (c[0] * k + r * (1 - k), c[1] * k + g * (1 - k), c[2] * k + b * (1 - k))
                a = k + a * (1 - k)
            if a <= 0.0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(max(0, min(255, int(round(v)))) for v in (r / a, g / a, b / a))
                           + (int(round(a * 255)),))
        rows.append(row)
    return rows


# ---------------------------------------------------------------------------
# The information mark.


def info_scene():
    return [
        (Disc(8.0, 8.0, 7.9), NAVY, 1),
        (Disc(8.0, 8.0, 6.9), BLUE, 1),
        # The dot and the stem, two pixels wide; the stem gets a small lead-in at the
        # top left and a foot, so it reads as a letter rather than a bar.
        (rect(7.0, 3.0, 9.0, 5.0), WHITE, 2),
        (rect(7.0, 6.0, 9.0, 12.0), WHITE, 2),
        (rect(6.0, 6.0, 7.0, 7.0), WHITE, 2),
        (rect(6.0, 11.0, 10.0, 12.0), WHITE, 2),
    ]


# ---------------------------------------------------------------------------
# The logo: a clock at ten past ten, whose hands make the V of the name.


def logo_scene():
    cx, cy = 8.0, 8.0
    s = [
        (Disc(cx, cy, 7.9), NAVY, 1),
        (Disc(cx, cy, 6.9), BLUE, 1),
        (Disc(cx, cy, 5.7), YELLOW, 1),
        # The twelve o'clock mark, between the arms, so the face still reads as a clock.
        (rect(7.0, 3.0, 9.0, 4.0), BLUE, 1),
    ]
    # The V: two hands leaning out to ten and two o'clock, meeting low on the dial.
    tip = (8.0, 12.3)
    s.append((Stroke(tip, (3.6, 3.2), 2.0), RED, 1))
    s.append((Stroke(tip, (12.4, 3.2), 2.0), RED, 1))
    return s


# ---------------------------------------------------------------------------
# The memory chip, built as a small 3-D model and projected at an angle.


def convex_hull(pts):
    pts = sorted(set(pts))

    def half(seq):
        out = []
        for p in seq:
            while len(out) >= 2 and ((out[-1][0] - out[-2][0]) * (p[1] - out[-2][1])
                                     - (out[-1][1] - out[-2][1]) * (p[0] - out[-2][0])) <= 0:
                out.pop()
            out.append(p)
        return out[:-1]

    return half(pts) + half(reversed(pts))


def inflate(pts, d):
    """Pushes every edge of a convex polygon outwards by d pixels: a cheap outline."""
    area = sum(pts[i - 1][0] * pts[i][1] - pts[i][0] * pts[i - 1][1] for i in range(len(pts)))
    sign = 1.0 if area > 0 else -1.0
    lines = []
    for i in range(len(pts)):
        (x0, y0), (x1, y1) = pts[i], pts[(i + 1) % len(pts)]
        length = math.hypot(x1 - x0, y1 - y0)
        nx, ny = sign * (y1 - y0) / length, -sign * (x1 - x0) / length
        lines.append(((x0 + nx * d, y0 + ny * d), (x1 - x0, y1 - y0)))
    out = []
    for i in range(len(lines)):
        (p, r), (q, t) = lines[i - 1], lines[i]
        cross = r[0] * t[1] - r[1] * t[0]
        if abs(cross) < 1e-9:
            out.append(q)
            continue
        k = ((q[0] - p[0]) * t[1] - (q[1] - p[1]) * t[0]) / cross
        out.append((p[0] + r[0] * k, p[1] + r[1] * k))
    return out


CHIP_INK = (24, 24, 28)
CHIP_TOP = (84, 84, 92)
CHIP_LONG = (48, 48, 54)
CHIP_END = (62, 62, 70)
CHIP_DIMPLE = (36, 36, 40)
METAL_TOP = (230, 230, 236)
METAL_SIDE = (176, 178, 186)


def chip_scene(size):
    # Model units: the body is L long (x), W wide (y), H high (z); legs leave the two
    # long sides, run out a little, then bend down to the board.
    L, W, H = 10.0, 6.0, 1.1
    reach, drop, z_leg = 1.7, 1.5, 0.45
    if size <= 16:
        # Three fat legs a side, a shorter and taller body, and the long side square
        # to the pixel grid, sheared rather than turned: anything finer turns to mush.
        legs, leg_share, ink = 3, 0.45, 0.5
        W, H, reach, drop = 5.0, 1.2, 1.6, 1.8
        turn, shear, depth = 0.0, -0.3, 0.9
    else:
        legs, leg_share, ink = (4, 0.5, 0.6) if size <= 32 else (5, 0.5, 0.9)
        turn, shear, depth = math.radians(28.0), 0.0, 0.62
    pitch = L / legs
    leg_w = pitch * leg_share

    def proj(x, y, z):
        c, s_ = math.cos(turn), math.sin(turn)
        return (x * c - y * s_ + y * shear, (x * s_ + y * c) * depth - z)

    # Fit the projected model into the icon with room for the outline.
    corners = [proj(x, y, z) for x in (0, L) for y in (-reach, W + reach)
               for z in (-drop, H)]
    minx = min(p[0] for p in corners)
    maxx = max(p[0] for p in corners)
    miny = min(p[1] for p in corners)
    maxy = max(p[1] for p in corners)
    margin = ink + 0.1
    scale = (size - 2 * margin) / max(maxx - minx, maxy - miny)
    ox = (size - (maxx - minx) * scale) / 2.0 - minx * scale
    oy = (size - (maxy - miny) * scale) / 2.0 - miny * scale

    def P(x, y, z):
        px, py = proj(x, y, z)
        return (ox + px * scale, oy + py * scale)

    s = []

    def faces(parts):
        """Paints a solid: first every face fattened in ink, then the faces proper, so
        the solid gets a dark rim wherever it meets the background or what is behind."""
        polys = [([P(*p) for p in pts], colour, weight) for pts, colour, weight in parts]
        for pts, _, _ in polys:
            s.append((Poly(inflate(pts, ink)), CHIP_INK, 1))
        for pts, colour, weight in polys:
            s.append((Poly(pts), colour, weight))

    def leg(x0, side):
        x1 = x0 + leg_w
        y_in, y_out = (0.0, -reach) if side == "back" else (W, W + reach)
        faces([
            # Shoulder (flat, lit from above), then the foot going down to the board.
            (((x0, y_in, z_leg), (x1, y_in, z_leg), (x1, y_out, z_leg), (x0, y_out, z_leg)),
             METAL_TOP, 2),
            (((x0, y_out, z_leg), (x1, y_out, z_leg), (x1, y_out, -drop), (x0, y_out, -drop)),
             METAL_SIDE, 2),
        ])

    for k in range(legs):
        leg((k + 0.5) * pitch - leg_w / 2, "back")
    # Body: its outline from the silhouette of the box, then the long side facing us,
    # the short end and the top.
    box = [P(x, y, z) for x in (0, L) for y in (0, W) for z in (0, H)]
    s.append((Poly(inflate(convex_hull(box), ink)), CHIP_INK, 1))
    s.append((Poly([P(0, W, 0), P(L, W, 0), P(L, W, H), P(0, W, H)]), CHIP_LONG, 1))
    s.append((Poly([P(L, 0, 0), P(L, W, 0), P(L, W, H), P(L, 0, H)]), CHIP_END, 1))
    s.append((Poly([P(0, 0, H), P(L, 0, H), P(L, W, H), P(0, W, H)]), CHIP_TOP, 1))
    if size >= 32:
        # Pin-one dimple near the far corner: a small dark ellipse on the top.
        s.append((Poly([P(1.3 + 0.7 * math.cos(t * math.pi / 8),
                          1.4 + 0.7 * math.sin(t * math.pi / 8), H) for t in range(16)]),
                  CHIP_DIMPLE, 2))
    for k in range(legs):
        leg((k + 0.5) * pitch - leg_w / 2, "front")
    return s


def chip_scene_4bit(size):
    """The same chip in VGA colours, picked by hand so the shading survives: body
    grey over black sides, metal white on top and silver down the feet."""
    recolour = {
        CHIP_INK: BLACK, CHIP_TOP: GREY, CHIP_LONG: BLACK, CHIP_END: BLACK,
        CHIP_DIMPLE: BLACK, METAL_TOP: WHITE, METAL_SIDE: SILVER,
    }
    # The dark rims are thin; let them win a pixel they half cover, or the legs run
    # together once there is no grey in between to tell them apart.
    return [(shape, recolour[rgb], 3 if rgb == CHIP_INK else w)
            for shape, rgb, w in chip_scene(size)]


# ---------------------------------------------------------------------------
# The About window's background.

BG_W, BG_H = 397, 270


def lerp(a, b, t):
    return tuple(a[k] + (b[k] - a[k]) * t for k in range(3))


def background_pixels():
    violet = (92, 44, 150)
    salmon = (240, 128, 116)
    burst_x, burst_y = 52.0, 40.0
    rays = 18
    # Each ray gets its own length, from a fixed list so the burst looks hand-made but
    # never changes between runs.
    ray_len = [150, 95, 130, 80, 165, 105, 120, 88, 140, 100, 155, 85, 125, 110, 145, 92,
               135, 115]
    brick_w, brick_h = 44, 16
    rows = []
    for y in range(BG_H):
        row = []
        for x in range(BG_W):
            # Violet at the left and bottom, salmon only towards the top right; the
            # exponent keeps the middle band deep enough for white text.
            u = x / (BG_W - 1)
            v = 1.0 - y / (BG_H - 1)
            t = (u * v) ** 0.8
            c = lerp(violet, salmon, t)

            # Brickwork: darker mortar lines, every other course shifted half a brick,
            # and a faint per-brick tone so the wall is not perfectly flat.
            course = y // brick_h
            shift = brick_w // 2 if course % 2 else 0
            bx = (x + shift) % brick_w
            by = y % brick_h
            brick_id = ((x + shift) // brick_w) * 7 + course * 13
            shade = 1.0 + ((brick_id * 37) % 9 - 4) * 0.006
            if by == 0 or bx == 0:
                shade *= 0.9
            elif by == 1 or bx == 1:
                shade *= 1.02
            c = tuple(ch * shade for ch in c)

            # Burst of light: a round glow plus tapering rays, averaged over 3x3 points
            # near the centre where the rays are thin.
            dx0, dy0 = x + 0.5 - burst_x, y + 0.5 - burst_y
            if dx0 * dx0 + dy0 * dy0 < 190.0 ** 2:
                acc = 0.0
                n = 3 if dx0 * dx0 + dy0 * dy0 < 90.0 ** 2 else 1
                for sy in range(n):
                    for sx in range(n):
                        dx = dx0 + (sx + 0.5) / n - 0.5
                        dy = dy0 + (sy + 0.5) / n - 0.5
                        r = math.hypot(dx, dy)
                        glow = math.exp(-(r / 24.0) ** 2) + 0.35 * math.exp(-(r / 62.0) ** 2)
                        ang = (math.atan2(dy, dx) / (2 * math.pi)) * rays
                        k = int(math.floor(ang + 0.5)) % rays
                        off = abs(ang - math.floor(ang + 0.5))  # 0 on the ray's axis
                        width = 0.28 * (1.0 - min(r / ray_len[k], 1.0)) + 0.02
                        ray = max(0.0, 1.0 - off / width) if off < width else 0.0
                        ray *= max(0.0, 1.0 - r / ray_len[k]) ** 1.2
                        acc += min(1.0, glow + 0.85 * ray)
                a = acc / (n * n)
                core = math.exp(-(math.hypot(dx0, dy0) / 9.0) ** 2)
                c = lerp(c, (255, 232, 96), a)
                c = lerp(c, (255, 252, 210), core)
            row.append(tuple(max(0, min(255, int(round(ch)))) for ch in c))
        rows.append(row)
    return rows


# ---------------------------------------------------------------------------
# File formats.


def dib_for_icon(pixels, bpp, palette):
    """BITMAPINFOHEADER + palette + XOR bits + AND mask, as an ICO entry holds them."""
    size = len(pixels)
    hdr_palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    assert len(palette) == 1 << bpp
    xor_stride = ((size * bpp + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for row in reversed(pixels):  # DIB rows run bottom-up
        bits = bytearray(xor_stride)
        mbits = bytearray(and_stride)
        for x, idx in enumerate(row):
            if idx is None:
                idx = 0
                mbits[x // 8] |= 0x80 >> (x % 8)
            if bpp == 4:
                bits[x // 2] |= idx << (4 if x % 2 == 0 else 0)
            else:
                bits[x] = idx
        xor += bits
        mask += mbits
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, bpp, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    return header + hdr_palette + bytes(xor) + bytes(mask)


def ico_bytes(images):
    """images: list of (pixels, bpp, palette)."""
    blobs = [dib_for_icon(p, bpp, pal) for p, bpp, pal in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (pixels, bpp, _), blob in zip(images, blobs):
        size = len(pixels)
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 16 if bpp == 4 else 0, 0,
                           1, bpp, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blobs)


def bmp_bytes(rows):
    h, w = len(rows), len(rows[0])
    stride = (w * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += bytes(stride - len(line))
        data += line
    file_size = 14 + 40 + len(data)
    return (struct.pack("<2sIHHI", b"BM", file_size, 0, 0, 54)
            + struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
            + bytes(data))


def png_bytes(rgb_rows):
    h, w = len(rgb_rows), len(rgb_rows[0])
    raw = b"".join(b"\x00" + bytes(v for px in row for v in px) for row in rgb_rows)

    def chunk(tag, body):
        return (struct.pack(">I", len(body)) + tag + body
                + struct.pack(">I", zlib.crc32(tag + body) & 0xFFFFFFFF))

    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def png_rgba_bytes(rgba_rows):
    """A PNG with an alpha channel (colour type 6), for the desktop icons."""
    h, w = len(rgba_rows), len(rgba_rows[0])
    raw = b"".join(b"\x00" + bytes(v for px in row for v in px) for row in rgba_rows)

    def chunk(tag, body):
        return (struct.pack(">I", len(body)) + tag + body
                + struct.pack(">I", zlib.crc32(tag + body) & 0xFFFFFFFF))

    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def indexed_to_rgba(pixels, palette):
    """An icon image as RGBA rows: the palette's colour, or fully clear where see-through."""
    return [[(0, 0, 0, 0) if idx is None else palette[idx] + (255,) for idx in row]
            for row in pixels]


def rgba_preview(rows, zoom=1):
    """An RGBA picture laid over a checkerboard, as RGB rows."""
    out = []
    for y, row in enumerate(rows):
        line = []
        for x, (r, g, b, a) in enumerate(row):
            for zx in range(zoom):
                back = 204 if ((x * zoom + zx) // 8 + y * zoom // 8) % 2 else 240
                line.append(tuple(int(round((c * a + back * (255 - a)) / 255.0)) for c in (r, g, b)))
        for _ in range(zoom):
            out.append(line)
    return out


def icon_preview(pixels, palette, zoom=8):
    """Enlarged copy on a checkerboard, so see-through pixels show as such."""
    rows = []
    for y, row in enumerate(pixels):
        line = []
        for x, idx in enumerate(row):
            for zx in range(zoom):
                if idx is None:
                    line.append((204, 204, 204) if ((x * zoom + zx) // 4 + y) % 2 else (240, 240, 240))
                else:
                    line.append(palette[idx])
        for _ in range(zoom):
            rows.append(line)
    return rows


# ---------------------------------------------------------------------------


def build():
    """Returns {relative path: bytes} plus preview images {name: rgb rows}."""
    files, previews = {}, {}

    def vote(scene, size, palette, ss=8):
        return resolve_vote(scene, sample_scene(scene, size, ss), palette)

    sw32 = vote(stopwatch_scene(32), 32, VGA)
    sw16 = vote(stopwatch_scene(16), 16, VGA, ss=1)
    files["src/resources/stopwatch.ico"] = ico_bytes([(sw32, 4, VGA), (sw16, 4, VGA)])
    previews["stopwatch32"] = icon_preview(sw32, VGA)
    previews["stopwatch16"] = icon_preview(sw16, VGA)
    # The desktop icon theme's copies: the small ones pixel for pixel as in the .ico,
    # the large ones drawn afresh at their own size.
    hicolor = "src/resources/icons/hicolor/%dx%d/apps/velti.png"
    files[hicolor % (16, 16)] = png_rgba_bytes(indexed_to_rgba(sw16, VGA))
    files[hicolor % (32, 32)] = png_rgba_bytes(indexed_to_rgba(sw32, VGA))
    for size in (128, 256):
        smooth = smooth_stopwatch(size)
        files[hicolor % (size, size)] = png_rgba_bytes(smooth)
        previews["stopwatch%d_smooth" % size] = rgba_preview(smooth, 2 if size <= 128 else 1)

    info = vote(info_scene(), 16, VGA, ss=1)
    files["src/resources/info.ico"] = ico_bytes([(info, 4, VGA)])
    previews["info16"] = icon_preview(info, VGA)

    logo = vote(logo_scene(), 16, VGA, ss=1)
    files["src/about/pictures/logo.ico"] = ico_bytes([(logo, 4, VGA)])
    previews["logo16"] = icon_preview(logo, VGA)

    chip4, chip8 = [], []
    for size in (16, 32, 48):
        # The 16-colour 16x16 chip is placed by pixel centres, like the other small icons.
        img4 = vote(chip_scene_4bit(size), size, VGA, ss=1 if size <= 16 else 8)
        scene = chip_scene(size)
        img8 = resolve_average(scene, sample_scene(scene, size), PAL256)
        chip4.append((img4, 4, VGA))
        chip8.append((img8, 8, PAL256))
        previews["chip%d_4bit" % size] = icon_preview(img4, VGA)
        previews["chip%d_8bit" % size] = icon_preview(img8, PAL256)
    files["src/about/pictures/chip.ico"] = ico_bytes(chip4 + chip8)

    bg = background_pixels()
    files["src/about/pictures/background.bmp"] = bmp_bytes(bg)
    previews["background"] = [[px for px in row for _ in range(2)] for row in bg for _ in range(2)]
    return files, previews


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--preview", metavar="DIR", help="also write enlarged PNG previews")
    args = parser.parse_args(argv)

    files, previews = build()
    for rel, data in files.items():
        path = os.path.join(ROOT, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        print("%-32s %7d bytes" % (rel, len(data)))
    if args.preview:
        os.makedirs(args.preview, exist_ok=True)
        for name, rows in previews.items():
            with open(os.path.join(args.preview, name + ".png"), "wb") as f:
                f.write(png_bytes(rows))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
