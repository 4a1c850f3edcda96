#!/usr/bin/env python3
"""Regenerates the main window's pictures: banner.jpg and the four icons.

    python3 assets/make-artwork.py

The icons are drawn here, pixel by pixel, and written as classic BMP-format ICO
files (no PNG entries), so that every Windows version and LoadImage can read
them. The banner is drawn by ImageMagick's convert from shapes computed here.
Both outputs are byte-for-byte reproducible: no time stamps, no metadata.
"""

import math
import os
import shutil
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

# ---------------------------------------------------------------------------
# Shapes: predicates over design coordinates (0..32 for every icon size).

def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def ellipse(cx, cy, rx, ry=None):
    ry = rx if ry is None else ry
    return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def polygon(points):
    def inside(x, y):
        hit = False
        n = len(points)
        for i in range(n):
            (ax, ay), (bx, by) = points[i], points[(i + 1) % n]
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                hit = not hit
        return hit
    return inside


def segment(x0, y0, x1, y1, width):
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy

    def inside(x, y):
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
        px, py = x0 + t * dx, y0 + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= (width / 2) ** 2
    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(shape, hole):
    return lambda x, y: shape(x, y) and not hole(x, y)


class Canvas:
    """A square picture of `size` pixels; None marks a transparent pixel."""

    def __init__(self, size):
        self.size = size
        self.pixels = [[None] * size for _ in range(size)]

    def _inside(self, shape):
        scale = 32.0 / self.size
        return [[shape((x + 0.5) * scale, (y + 0.5) * scale) for x in range(self.size)]
                for y in range(self.size)]

    def fill(self, shape, colour):
        """colour is an (r, g, b) triple or a function of the pixel centre's design coordinates."""
        scale = 32.0 / self.size
        inside = self._inside(shape)
        for y in range(self.size):
            for x in range(self.size):
                if inside[y][x]:
                    c = colour((x + 0.5) * scale, (y + 0.5) * scale) if callable(colour) else colour
                    self.pixels[y][x] = c

    def outline(self, shape, colour):
        """Marks the pixels of the shape that touch a pixel outside it."""
        inside = self._inside(shape)
        n = self.size
        for y in range(n):
            for x in range(n):
                if not inside[y][x]:
                    continue
                for nx, ny in ((x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1)):
                    if not (0 <= nx < n and 0 <= ny < n) or not inside[ny][nx]:
                        self.pixels[y][x] = colour
                        break

    def shape(self, shape, fill, edge):
        self.fill(shape, fill)
        self.outline(shape, edge)


# ---------------------------------------------------------------------------
# Colours. 16-colour images use the standard VGA palette only.

VGA = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER, GREY, RED, LIME, YELLOW, BLUE, \
    FUCHSIA, AQUA, WHITE = VGA


def shade(top, bottom, y0, y1):
    """A vertical gradient between two colours, for the 256-colour images."""
    def colour(x, y):
        t = max(0.0, min(1.0, (y - y0) / (y1 - y0)))
        return tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
    return colour


# ---------------------------------------------------------------------------
# The pictures. `rich` selects the 256-colour rendering.

def draw_folder(size, rich):
    c = Canvas(size)
    back = polygon([(2, 7), (11, 7), (13, 9), (28, 9), (28, 27), (2, 27)])
    c.shape(back, shade((232, 184, 40), (176, 128, 16), 7, 27) if rich else OLIVE, BLACK)
    paper = rect(7, 3, 24, 23)
    c.shape(paper, shade((255, 255, 255), (214, 218, 226), 3, 23) if rich else WHITE, BLACK)
    diamond = polygon([(15.5, 5.5), (20.5, 10.5), (15.5, 15.5), (10.5, 10.5)])
    c.shape(diamond, shade((96, 144, 255), (16, 48, 200), 5.5, 15.5) if rich else BLUE, NAVY)
    front = polygon([(7, 14), (31, 14), (27, 29), (1, 29)])
    c.shape(front, shade((255, 244, 128), (236, 188, 32), 14, 29) if rich else YELLOW, BLACK)
    return c


def draw_computer(size, rich):
    c = Canvas(size)
    case = rect(1, 19, 28, 27)
    c.shape(case, shade((226, 226, 226), (160, 160, 160), 19, 27) if rich else SILVER, BLACK)
    c.fill(rect(13, 21, 25, 22), GREY)
    c.fill(rect(3, 23, 5, 24), LIME)
    c.shape(rect(11, 17, 18, 20), GREY, BLACK)
    monitor = rect(4, 1, 25, 18)
    c.shape(monitor, shade((232, 232, 232), (176, 176, 176), 1, 18) if rich else SILVER, BLACK)
    screen = rect(7, 4, 22, 15)
    c.shape(screen, shade((40, 120, 200), (8, 32, 112), 4, 15) if rich else TEAL, BLACK)
    c.fill(rect(9, 6, 14, 7), AQUA)

    # The compact disc lies in front of the system unit; its hole shows the case behind.
    cx, cy = 23.5, 24.5
    c.shape(minus(ellipse(cx, cy, 7.5), ellipse(cx, cy, 1.4)), SILVER, GREY)
    sheen = [WHITE, AQUA, YELLOW, FUCHSIA] if not rich else \
        [(255, 255, 255), (150, 230, 255), (255, 240, 150), (240, 170, 240)]

    def sheen_colour(x, y):
        angle = math.atan2(y - cy, x - cx) % math.pi
        return sheen[int(angle / (math.pi / 4)) % 4]
    c.fill(minus(ellipse(cx, cy, 6.4), ellipse(cx, cy, 3.2)), sheen_colour)
    c.outline(minus(ellipse(cx, cy, 7.5), ellipse(cx, cy, 1.4)), GREY)
    c.fill(minus(ellipse(cx, cy, 2.6), ellipse(cx, cy, 1.4)), GREY)
    return c


def draw_bin(size, rich):
    c = Canvas(size)
    body = polygon([(7, 8), (25, 8), (23, 31), (9, 31)])
    c.shape(body, shade((220, 220, 220), (150, 150, 150), 8, 31) if rich else SILVER, BLACK)
    c.fill(rect(11, 24, 12, 29), GREY)
    c.fill(rect(15.5, 24, 16.5, 29), GREY)
    c.fill(rect(20, 24, 21, 29), GREY)
    c.shape(rect(12, 2, 20, 5), GREY, BLACK)
    c.shape(rect(5, 5, 27, 9), SILVER, BLACK)
    letter_u = union(rect(9, 12, 11, 22), rect(12.5, 12, 14.5, 22), rect(9, 20, 14.5, 22))
    letter_n = union(rect(16.5, 12, 18.5, 22), rect(20.5, 12, 22.5, 22),
                     polygon([(16.5, 12), (18.5, 12), (22.5, 22), (20.5, 22)]))
    c.fill(union(letter_u, letter_n), RED)
    cross = union(segment(25, 1, 30.5, 6.5, 2.2), segment(30.5, 1, 25, 6.5, 2.2))
    c.shape(cross, BLUE, NAVY)
    return c


# ---------------------------------------------------------------------------
# ICO writing: BITMAPINFOHEADER (height doubled), colour table, XOR bitmap,
# AND mask; rows bottom-up, each padded to four bytes.

def palette_for(canvas, bits):
    if bits == 4:
        return list(VGA)
    colours = sorted({p for row in canvas.pixels for p in row if p is not None} | {BLACK})
    if len(colours) > 256:
        sys.exit("too many colours in a 256-colour image")
    return colours + [BLACK] * (256 - len(colours))


def image_bytes(canvas, bits):
    n = canvas.size
    palette = palette_for(canvas, bits)
    index = {}
    for i, colour in enumerate(palette):
        index.setdefault(colour, i)
    xor_stride = ((n * bits + 31) // 32) * 4
    and_stride = ((n + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(n)):
        row = canvas.pixels[y]
        indices = [0 if p is None else index[p] for p in row]  # KeyError: colour outside the palette
        line = bytearray()
        if bits == 4:
            for x in range(0, n, 2):
                line.append(indices[x] << 4 | (indices[x + 1] if x + 1 < n else 0))
        else:
            line.extend(indices)
        xor += line + bytes(xor_stride - len(line))
        bitsline = bytearray(and_stride)
        for x, p in enumerate(row):
            if p is None:
                bitsline[x // 8] |= 0x80 >> (x % 8)
        mask += bitsline
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, bits, 0, len(xor) + len(mask), 0, 0, 0, 0)
    table = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in palette)
    return header + table + bytes(xor) + bytes(mask)


def write_icon(path, images):
    """images: (canvas, bits) pairs, in directory order."""
    blobs = [image_bytes(c, bits) for c, bits in images]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for (canvas, bits), blob in zip(images, blobs):
        n = canvas.size
        out += struct.pack("<BBBBHHII", n % 256, n % 256, 16 if bits == 4 else 0, 0, 1, bits,
                           len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        out += blob
    with open(path, "wb") as f:
        f.write(out)


# ---------------------------------------------------------------------------
# The banner: 522 x 71, white, with the maker's wordmark and flower at the left
# and orange brush strokes at the right.

def points(pts):
    return " ".join("%.1f,%.1f" % p for p in pts)


def pinwheel_petals(cx, cy, radius, count):
    colours = ["#E8312A", "#F7931E", "#FFD21F", "#5DB947", "#1E9BD7", "#5B4BA8", "#D6338A"]
    shapes = []
    for k in range(count):
        a0 = 2 * math.pi * k / count
        outline = []
        # A petal leaves the centre, sweeps out along a curve and comes back on a
        # tighter one: the offset between the two curves gives the pinwheel twist.
        for i in range(13):
            t = i / 12
            r = radius * math.sin(math.pi * t) ** 0.8 * (0.35 + 0.65 * t)
            outline.append((cx + r * math.cos(a0 + 0.9 * t), cy + r * math.sin(a0 + 0.9 * t)))
        for i in range(12, -1, -1):
            t = i / 12
            r = radius * t
            outline.append((cx + r * math.cos(a0 + 0.9 * t - 0.55 * math.sin(math.pi * t)),
                            cy + r * math.sin(a0 + 0.9 * t - 0.55 * math.sin(math.pi * t))))
        shapes.append("fill %s stroke none polygon %s" % (colours[k % len(colours)], points(outline)))
    return shapes


def brush_swirl(cx, cy, r0, r1, a0, a1, width, colour):
    """A tapered spiral stroke with a slightly ragged edge, as a brush leaves it."""
    left, right = [], []
    steps = 80
    for i in range(steps + 1):
        t = i / steps
        a = a0 + (a1 - a0) * t
        r = r0 + (r1 - r0) * t
        w = width * math.sin(math.pi * min(1.0, t * 1.15)) ** 0.6 + 0.6
        w *= 1.0 + 0.12 * math.sin(37 * t) + 0.07 * math.sin(91 * t)
        x, y = cx + r * math.cos(a), cy + r * math.sin(a) * 0.62
        nx, ny = math.cos(a), math.sin(a) * 0.62
        norm = math.hypot(nx, ny)
        left.append((x + nx / norm * w / 2, y + ny / norm * w / 2))
        right.append((x - nx / norm * w / 2, y - ny / norm * w / 2))
    shapes = ["fill %s stroke none polygon %s" % (colour, points(left + right[::-1]))]
    # Dry bristle streaks along the stroke.
    for k, (offset, shade_colour) in enumerate(((-0.3, "#FFB86B"), (0.25, "#D9600A"))):
        streak = []
        for i in range(10 + k * 7, steps - 8, 2):
            t = i / steps
            a = a0 + (a1 - a0) * t
            r = r0 + (r1 - r0) * t + offset * width * 0.6
            streak.append((cx + r * math.cos(a), cy + r * math.sin(a) * 0.62))
        shapes.append("fill none stroke %s stroke-width 1.2 polyline %s" % (shade_colour, points(streak)))
    return shapes


def small_flower(cx, cy, r):
    shapes = []
    for k in range(5):
        a = 2 * math.pi * k / 5 - math.pi / 2
        px, py = cx + r * 0.9 * math.cos(a), cy + r * 0.9 * math.sin(a)
        shapes.append("fill #FF8A1C stroke #E06A00 stroke-width 0.8 circle %.1f,%.1f %.1f,%.1f"
                      % (px, py, px + r * 0.62, py))
    shapes.append("fill #FFD21F stroke #E06A00 stroke-width 0.8 circle %.1f,%.1f %.1f,%.1f"
                  % (cx, cy, cx + r * 0.45, cy))
    return shapes


def convert_program():
    # Debian's ImageMagick, by its own path, in case another `convert` comes first on PATH.
    for candidate in ("/usr/bin/convert-im6.q16", "/usr/bin/convert"):
        if os.path.exists(candidate):
            return candidate
    found = shutil.which("convert")
    if not found:
        sys.exit("ImageMagick's convert is needed (Debian package imagemagick)")
    return found


def make_banner(path):
    bold = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
    plain = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"
    for font in (bold, plain):
        if not os.path.exists(font):
            sys.exit("font %s is needed (Debian package fonts-dejavu-core)" % font)
    draw = []
    draw += pinwheel_petals(36, 35, 29, 7)
    draw.append("fill white stroke #F7931E stroke-width 1.5 circle 36,35 41,35")
    draw += brush_swirl(386, 36, 6, 44, -0.6, 2 * math.pi - 0.2, 13, "#FF9326")
    draw += brush_swirl(462, 37, 4, 34, math.pi + 0.4, 3 * math.pi + 0.9, 11, "#F47A12")
    draw += small_flower(496, 16, 8)
    text = [
        "-font", bold, "-pointsize", "40", "-fill", "#1D3C8F", "-annotate", "+76+44", "KESTRA",
        "-font", plain, "-pointsize", "9", "-fill", "#555555", "-annotate", "+78+60",
        "SOFTWARE  FOR  EVERY  DESK",
    ]
    # 4:4:4 sampling keeps the thin orange edges clean; -strip leaves only the JFIF header.
    subprocess.run([convert_program(), "-size", "522x71", "xc:white",
                    "-draw", "\n".join(draw), *text,
                    "-strip", "-sampling-factor", "1x1", "-interlace", "none",
                    "-quality", "88", "jpeg:" + path], check=True)


def main():
    folder = [(draw_folder(n, rich), 8 if rich else 4) for rich in (False, True) for n in (32, 16, 48)]
    write_icon(os.path.join(HERE, "folder.ico"), folder)
    write_icon(os.path.join(HERE, "install.ico"), [(draw_computer(32, False), 4)])
    write_icon(os.path.join(HERE, "mainicon.ico"), [(draw_computer(32, False), 4)])
    write_icon(os.path.join(HERE, "uninstall.ico"), [(draw_bin(32, False), 4)])
    make_banner(os.path.join(HERE, "banner.jpg"))


if __name__ == "__main__":
    main()
