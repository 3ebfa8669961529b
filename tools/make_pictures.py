#!/usr/bin/env python3
"""Draws every picture Vantelsiro ships, from scratch, and writes them out.

  app/resources/stopwatch.ico   silver stopwatch: white dial, red marks, black and red
                                hands, crown and two push-buttons (32x32 and 16x16, 16 colours)
  app/resources/info.ico        white lower-case "i" on a blue disc (16x16, 16 colours)
  about/pictures/logo.ico       the program's logo: a yellow clock face in a blue rim whose
                                red hands stand at ten past ten and form a "V" (16x16)
  about/pictures/chip.ico       grey memory chip with silver legs, seen at an angle
                                (16, 32 and 48 pixels, each in 16 and in 256 colours)
  about/pictures/background.bmp violet-to-salmon gradient over faint brickwork, with a
                                yellow burst of light in the top-left corner (397x270, 24 bit)

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
    files["app/resources/stopwatch.ico"] = ico_bytes([(sw32, 4, VGA), (sw16, 4, VGA)])
    previews["stopwatch32"] = icon_preview(sw32, VGA)
    previews["stopwatch16"] = icon_preview(sw16, VGA)

    info = vote(info_scene(), 16, VGA, ss=1)
    files["app/resources/info.ico"] = ico_bytes([(info, 4, VGA)])
    previews["info16"] = icon_preview(info, VGA)

    logo = vote(logo_scene(), 16, VGA, ss=1)
    files["about/pictures/logo.ico"] = ico_bytes([(logo, 4, VGA)])
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
    files["about/pictures/chip.ico"] = ico_bytes(chip4 + chip8)

    bg = background_pixels()
    files["about/pictures/background.bmp"] = bmp_bytes(bg)
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
