#!/usr/bin/env python3
"""Writes the program's icons into resources/icons/:

  dawnbell.ico  the program icon, an alarm clock with two bells
  moon.ico      crescent moon, decoration of the main window
  sun.ico       sun with rays, decoration of the main window

The program icon holds a 16x16 (caption, taskbar) and a 32x32 image; the two
decorations only ever show at 32x32. Each image is a 16-colour palette image
stored as BMP-in-ICO (BITMAPINFOHEADER with doubled height, palette, 4-bit
pixels, then the AND mask), the form every Windows version and Wine load, and a
quarter the size of a 32-bit image. Shapes are drawn in a unit square and
anti-aliased by 4x4 supersampling; each image's palette is fitted to its own
colours, and pixels at least half covered are opaque. The output is
deterministic.

Usage: tools/gen_icons.py [output folder]   (default: resources/icons)
"""
import math
import os
import struct
import sys

SUB = 4  # supersamples per pixel along each axis
COLOURS = 16  # palette entries; entry 0 stays black for the transparent pixels


# ---- shapes: predicates over the unit square, y pointing down ----------------

def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r_out, r_in):
    return lambda x, y: r_in * r_in < (x - cx) ** 2 + (y - cy) ** 2 <= r_out * r_out


def minus(a, b):
    return lambda x, y: a(x, y) and not b(x, y)


def both(a, b):
    return lambda x, y: a(x, y) and b(x, y)


def segment(x0, y0, x1, y1, w):
    """A stroke of width w with round ends."""
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy
    h2 = (w / 2) ** 2

    def inside(x, y):
        t = ((x - x0) * dx + (y - y0) * dy) / length2
        t = 0.0 if t < 0 else 1.0 if t > 1 else t
        ex, ey = x0 + t * dx - x, y0 + t * dy - y
        return ex * ex + ey * ey <= h2
    return inside


def half_plane_above(y_limit):
    return lambda x, y: y <= y_limit


def polar(cx, cy, r, degrees):
    """Point at clock angle `degrees` (0 = up, clockwise), rounded so that
    maths-library differences cannot move an edge."""
    a = math.radians(degrees)
    return round(cx + r * math.sin(a), 9), round(cy - r * math.cos(a), 9)


# ---- raster ------------------------------------------------------------------

def render(size, layers):
    """Paints (shape, (r, g, b, a)) layers in order; returns rows of BGRA bytes,
    top row first."""
    rows = []
    n = SUB * SUB
    for py in range(size):
        row = bytearray()
        for px in range(size):
            # Straight-alpha "over" compositing, in floats, of each layer's coverage.
            r = g = b = a = 0.0
            for shape, (cr, cg, cb, ca) in layers:
                hits = 0
                for sy in range(SUB):
                    y = (py + (sy + 0.5) / SUB) / size
                    for sx in range(SUB):
                        if shape((px + (sx + 0.5) / SUB) / size, y):
                            hits += 1
                if not hits:
                    continue
                sa = ca / 255.0 * hits / n
                out_a = sa + a * (1 - sa)
                r = (cr * sa + r * a * (1 - sa)) / out_a
                g = (cg * sa + g * a * (1 - sa)) / out_a
                b = (cb * sa + b * a * (1 - sa)) / out_a
                a = out_a
            alpha = int(a * 255 + 0.5)
            if alpha == 0:
                row += b"\0\0\0\0"
            else:
                row += bytes((int(b + 0.5), int(g + 0.5), int(r + 0.5), alpha))
        rows.append(bytes(row))
    return rows


def palette_for(pixels, count):
    """Up to `count` colours for the (r, g, b) list `pixels`: the exact colours
    when there are few enough, else a k-means fit started from the most common
    colour and then each colour farthest from those chosen so far."""
    tally = {}
    for p in pixels:
        tally[p] = tally.get(p, 0) + 1
    colours = sorted(tally, key=lambda c: (-tally[c], c))
    if len(colours) <= count:
        return colours

    def dist(a, b):
        return sum((x - y) ** 2 for x, y in zip(a, b))

    centres = [colours[0]]
    while len(centres) < count:
        centres.append(max(colours, key=lambda c: (min(dist(c, k) for k in centres), c)))
    for _ in range(12):
        sums = [[0, 0, 0, 0] for _ in centres]
        for c in colours:
            i = min(range(len(centres)), key=lambda k: dist(c, centres[k]))
            w = tally[c]
            for j in range(3):
                sums[i][j] += c[j] * w
            sums[i][3] += w
        centres = [tuple(int(s[j] / s[3] + 0.5) for j in range(3)) if s[3] else centres[i]
                   for i, s in enumerate(sums)]
    return centres


def ico_image(size, rows):
    """One 4-bit BMP-in-ICO image: header, palette, bottom-up pixel indices,
    bottom-up AND mask."""
    opaque = [[row[4 * x + 3] >= 128 for x in range(size)] for row in rows]
    rgb = [[(row[4 * x + 2], row[4 * x + 1], row[4 * x]) for x in range(size)] for row in rows]
    used = [rgb[y][x] for y in range(size) for x in range(size) if opaque[y][x]]
    palette = [(0, 0, 0)] + palette_for(used, COLOURS - 1)
    palette += [(0, 0, 0)] * (COLOURS - len(palette))

    def index(colour):
        return 1 + min(range(COLOURS - 1),
                       key=lambda k: sum((a - b) ** 2 for a, b in zip(colour, palette[1 + k])))

    stride = (size * 4 + 31) // 32 * 4
    mask_stride = (size + 31) // 32 * 4
    pixels, mask = bytearray(), bytearray()
    for y in reversed(range(size)):
        line = bytearray(stride)
        bits = bytearray(mask_stride)
        for x in range(size):
            if opaque[y][x]:
                line[x // 2] |= index(rgb[y][x]) << (4 if x % 2 == 0 else 0)
            else:                           # transparent: black, mask bit set
                bits[x // 8] |= 0x80 >> (x % 8)
        pixels += line
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                         len(pixels) + len(mask), 0, 0, COLOURS, 0)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return header + table + bytes(pixels) + bytes(mask)


def ico_file(images):
    """images: list of (size, image bytes)."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for size, data in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, COLOURS, 0, 1, 4,
                               len(data), offset)
        offset += len(data)
    return out + entries + b"".join(data for _, data in images)


# ---- the pictures ------------------------------------------------------------

def px_width(size, pixels, unit):
    """A stroke at least `pixels` wide at this size, else `unit` of the square."""
    return max(pixels / size, unit)


def dawnbell(size):
    red, dark_red = (214, 48, 49, 255), (140, 24, 28, 255)
    gold, dark_gold = (247, 190, 45, 255), (170, 115, 10, 255)
    face, ink = (255, 252, 240, 255), (40, 40, 48, 255)
    # Centre on a pixel centre so the upright and level hands come out crisp.
    cx = (size // 2 + 0.5) / size
    cy = (round(0.56 * size - 0.5) + 0.5) / size
    r = 0.37
    rim = px_width(size, 1.3, 0.075)
    layers = [
        # Feet first, so the body covers their upper ends.
        (segment(0.30, 0.84, 0.20, 0.95, px_width(size, 1.4, 0.08)), dark_red),
        (segment(0.70, 0.84, 0.80, 0.95, px_width(size, 1.4, 0.08)), dark_red),
        # Two bells, outlined, tilted outwards over the shoulders.
        (circle(0.22, 0.22, 0.17), dark_gold),
        (circle(0.22, 0.22, 0.17 - px_width(size, 1.0, 0.04)), gold),
        (circle(0.78, 0.22, 0.17), dark_gold),
        (circle(0.78, 0.22, 0.17 - px_width(size, 1.0, 0.04)), gold),
        # Hammer between the bells.
        (segment(0.5, 0.08, 0.5, 0.2, px_width(size, 1.2, 0.06)), dark_red),
        # Body: dark edge, red rim, cream face.
        (circle(cx, cy, r), dark_red),
        (circle(cx, cy, r - px_width(size, 0.8, 0.025)), red),
        (circle(cx, cy, r - rim), face),
    ]
    if size >= 32:
        for hour in range(0, 360, 90):
            x0, y0 = polar(cx, cy, r - rim - 0.03, hour)
            x1, y1 = polar(cx, cy, r - rim - 0.08, hour)
            layers.append((segment(x0, y0, x1, y1, 0.04), ink))
    # Nine o'clock: both hands lie on the pixel grid.
    hand = max(1.0 / size, 0.06)
    layers += [
        (segment(cx, cy, cx - 0.17, cy, hand), ink),
        (segment(cx, cy, cx, cy - 0.23, hand * (1.0 if size < 32 else 0.8)), ink),
    ]
    if size >= 32:
        layers.append((circle(cx, cy, 0.045), red))
    return layers


def moon(size):
    edge, fill = (176, 132, 20, 255), (252, 222, 110, 255)
    w = px_width(size, 1.0, 0.05)
    cx, cy, r = 0.47, 0.53, 0.42
    bx, by, br = 0.70, 0.36, 0.36           # the bite that makes the crescent
    return [
        (minus(circle(cx, cy, r), circle(bx, by, br)), edge),
        (minus(circle(cx, cy, r - w), circle(bx, by, br + w)), fill),
    ]


def sun(size):
    ray, edge = (245, 150, 20, 255), (205, 95, 10, 255)
    core = (255, 214, 60, 255)
    c = 0.5
    layers = []
    rw = px_width(size, 1.6, 0.075)
    for deg in range(0, 360, 45):
        x0, y0 = polar(c, c, 0.35, deg)
        x1, y1 = polar(c, c, 0.46 if size >= 32 else 0.48, deg)
        layers.append((segment(x0, y0, x1, y1, rw), ray))
    layers += [
        (circle(c, c, 0.27), edge),
        (circle(c, c, 0.27 - px_width(size, 1.0, 0.04)), core),
    ]
    return layers


ICONS = (("dawnbell.ico", dawnbell, (16, 32)), ("moon.ico", moon, (32,)),
         ("sun.ico", sun, (32,)))


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "resources", "icons")
    os.makedirs(folder, exist_ok=True)
    for name, picture, sizes in ICONS:
        images = [(s, ico_image(s, render(s, picture(s)))) for s in sizes]
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(ico_file(images))
        print("wrote %s" % path)


if __name__ == "__main__":
    main()
