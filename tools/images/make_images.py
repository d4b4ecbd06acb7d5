"""Draws the program's own pictures: the maker's logo (322 x 322 with alpha,
shrunk to the size of its control), the two 24 x 24 button glyphs and the
program's icon. The logo and the glyphs are written in the form in which the
window paints them (packed.py); the icon as an icon file.

Usage: make_images.py OUTPUT_FOLDER LOGO=WIDTHxHEIGHT

Shapes are described by signed distance functions (negative inside), so that
every edge is anti-aliased by its exact pixel coverage. Standard library
only; the output is the same on every run.
"""

import math
import struct
import sys
import zlib
from pathlib import Path

from packed import packed_picture


# --- shapes: distance from a point to the shape's edge, negative inside ---

def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def rounded_box(x0, y0, x1, y1, radius):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - radius, (y1 - y0) / 2 - radius

    def distance(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0), max(qy, 0))
        return outside + min(max(qx, qy), 0) - radius
    return distance


def stroke(points, width):
    """A polyline of the given width with round ends and joins."""
    segments = list(zip(points, points[1:]))

    def distance(x, y):
        best = float("inf")
        for (ax, ay), (bx, by) in segments:
            dx, dy = bx - ax, by - ay
            t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)
            t = min(max(t, 0.0), 1.0)
            best = min(best, math.hypot(x - ax - t * dx, y - ay - t * dy))
        return best - width / 2
    return distance


def coverage(shape, x, y, scale):
    """Fraction of the pixel centred at x, y (in shape units) inside the shape."""
    return min(max(0.5 - shape(x, y) / scale, 0.0), 1.0)


# --- painting: layers of (shape, colour) composited over transparency ---

def render(size, layers, design_size):
    """Returns size x size RGBA rows; layers are drawn in a design_size square."""
    scale = design_size / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            x, y = (px + 0.5) * scale, (py + 0.5) * scale
            r = g = b = a = 0.0  # premultiplied
            for shape, (cr, cg, cb), opacity in layers:
                c = coverage(shape, x, y, scale) * opacity
                if c > 0:
                    r = cr * c + r * (1 - c)
                    g = cg * c + g * (1 - c)
                    b = cb * c + b * (1 - c)
                    a = c + a * (1 - c)
            if a > 0:
                row.append((round(r / a), round(g / a), round(b / a), round(a * 255)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def png(rows):
    width, height = len(rows[0]), len(rows)
    raw = b"".join(b"\0" + bytes(v for pixel in row for v in pixel) for row in rows)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def bmp_icon_entry(rows):
    """One icon image as a 32-bit bottom-up bitmap with an all-opaque mask
    (the alpha channel decides): readable by every Windows."""
    size = len(rows)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for r, g, b, a in row)
    mask = bytes(((size + 31) // 32) * 4 * size)
    return (struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                        len(pixels) + len(mask), 0, 0, 0, 0) + pixels + mask)


def ico(images):
    """An icon file of (size, entry bytes) images: BMP entries for the small
    sizes, PNG for the large one, which Windows reads since Vista and which
    keeps the executable small."""
    header = struct.pack("<HHH", 0, 1, len(images))
    entries, bodies = b"", b""
    offset = 6 + 16 * len(images)
    for size, body in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(body), offset)
        bodies += body
        offset += len(body)
    return header + entries + bodies


# --- the pictures ---

BLUE = (22, 78, 160)
DEEP_BLUE = (12, 44, 104)
ORANGE = (245, 140, 30)
WHITE = (255, 255, 255)
GREEN = (34, 150, 64)
RED = (200, 40, 40)


def logo_layers():
    """The maker's mark on a 100-unit square: a blue rounded tile with a white
    V and an orange dot, its corners transparent."""
    return [
        (rounded_box(2, 2, 98, 98, 22), DEEP_BLUE, 1.0),
        (rounded_box(5, 5, 95, 95, 19), BLUE, 1.0),
        (stroke([(24, 28), (50, 76), (76, 28)], 15), WHITE, 1.0),
        (circle(76, 76, 9), ORANGE, 1.0),
    ]


def glyph_ok_layers():
    """Install: a green disc with a white arrow pointing down into a tray."""
    return [
        (circle(12, 12, 11), GREEN, 1.0),
        (stroke([(12, 5.5), (12, 14)], 2.6), WHITE, 1.0),
        (stroke([(8, 10.5), (12, 14.5), (16, 10.5)], 2.6), WHITE, 1.0),
        (stroke([(6.5, 15.5), (6.5, 18), (17.5, 18), (17.5, 15.5)], 2.0), WHITE, 1.0),
    ]


def glyph_exit_layers():
    """Exit: a red disc with a white cross."""
    return [
        (circle(12, 12, 11), RED, 1.0),
        (stroke([(8, 8), (16, 16)], 2.8), WHITE, 1.0),
        (stroke([(16, 8), (8, 16)], 2.8), WHITE, 1.0),
    ]


LOGO_DRAWN = 322
GLYPH = 24


def main():
    if len(sys.argv) != 3 or not sys.argv[2].startswith("LOGO="):
        raise SystemExit(__doc__)
    logo_width, logo_height = (int(n) for n in sys.argv[2][len("LOGO="):].split("x"))
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    (out / "logo.pixels").write_bytes(
        packed_picture(render(LOGO_DRAWN, logo_layers(), 100), logo_width, logo_height))
    (out / "glyph_ok.pixels").write_bytes(
        packed_picture(render(GLYPH, glyph_ok_layers(), 24), GLYPH, GLYPH))
    (out / "glyph_sair.pixels").write_bytes(
        packed_picture(render(GLYPH, glyph_exit_layers(), 24), GLYPH, GLYPH))
    (out / "vekdll.ico").write_bytes(ico([
        (16, bmp_icon_entry(render(16, logo_layers(), 100))),
        (32, bmp_icon_entry(render(32, logo_layers(), 100))),
        (48, png(render(48, logo_layers(), 100))),
    ]))


if __name__ == "__main__":
    main()
