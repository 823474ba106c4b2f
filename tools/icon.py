#!/usr/bin/env python3
"""Draws Marbleck's icon: a Fresnel zone plate, the hologram of a single
point, on a dark disc. Writes the SVG and, through a small supersampling
rasteriser of the same geometry, the 256- and 48-pixel PNG files into
data/icons/. Run it again only when the motif changes; its output is kept in
the repository, so building needs no SVG renderer."""
import math
import pathlib
import struct
import zlib

ID = "io.github.marbleck.Marbleck"
SIZE = 256           # the SVG's view box
CENTRE = SIZE / 2
DISC = 120           # the dark disc's radius
PLATE = 112          # the zone plate's radius
ZONES = 9            # zone n ends at PLATE * sqrt(n / ZONES); odd zones are lit
DARK = (0x16, 0x21, 0x3E)
LIT = (0xE8, 0xEE, 0xFC)


def hex_colour(rgb):
    return "#%02x%02x%02x" % rgb


def svg():
    circles = [f'<circle cx="128" cy="128" r="{DISC}" fill="{hex_colour(DARK)}"/>']
    for n in range(ZONES, 0, -1):
        r = PLATE * math.sqrt(n / ZONES)
        colour = LIT if n % 2 else DARK
        circles.append(f'<circle cx="128" cy="128" r="{r:.2f}" fill="{hex_colour(colour)}"/>')
    body = "\n  ".join(circles)
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{SIZE}" height="{SIZE}" '
            f'viewBox="0 0 {SIZE} {SIZE}">\n  {body}\n</svg>\n')


def colour_at(x, y):
    """The colour at a point of the view box, or None outside the disc."""
    d = math.hypot(x - CENTRE, y - CENTRE)
    if d > DISC:
        return None
    if d > PLATE:
        return DARK
    n = max(1, math.ceil((d / PLATE) ** 2 * ZONES))
    return LIT if n % 2 else DARK


def png(pixels, samples=4):
    scale = SIZE / pixels
    rows = []
    for py in range(pixels):
        row = bytearray([0])  # filter: none
        for px in range(pixels):
            r = g = b = covered = 0
            for sy in range(samples):
                for sx in range(samples):
                    c = colour_at((px + (sx + 0.5) / samples) * scale, (py + (sy + 0.5) / samples) * scale)
                    if c:
                        r, g, b, covered = r + c[0], g + c[1], b + c[2], covered + 1
            if covered:
                row += bytes([round(r / covered), round(g / covered), round(b / covered),
                              round(255 * covered / samples ** 2)])
            else:
                row += bytes(4)
        rows.append(bytes(row))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", pixels, pixels, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    folder = pathlib.Path(__file__).resolve().parent.parent / "data" / "icons"
    folder.mkdir(parents=True, exist_ok=True)
    (folder / f"{ID}.svg").write_text(svg())
    for pixels in (256, 48):
        (folder / f"{ID}-{pixels}.png").write_bytes(png(pixels))
