#!/usr/bin/env python3
"""Draws Zeitkant's icons: the program (a chart sheet with three task bars, one
following another) and its file type (the same chart on a page with a folded
corner). Both are made of rectangles on a 256-unit grid, written as SVG and as
PNG at 48, 128 and 256 pixels (each pixel the mean of 4 x 4 samples).

    python3 tools/draw-icons.py resources/icons
"""
import os
import struct
import sys
import zlib

SHEET = (255, 255, 255, 255)
HEADER = (210, 210, 210, 255)
GRID = (196, 196, 196, 255)
BAR = (220, 30, 30, 255)
LINK = (60, 60, 60, 255)
FRAME = (40, 70, 150, 255)
FOLD = (170, 185, 220, 255)

BARS = [(48, 104, 120, 128), (120, 144, 184, 168), (88, 184, 208, 208)]


def chart(left, top, right, bottom):
    shapes = [(left, top, right, bottom, SHEET), (left, top, right, top + 28, HEADER)]
    for x in range(left + 24, right, 24):
        shapes.append((x, top + 28, x + 2, bottom, GRID))
    for x1, y1, x2, y2 in BARS:
        shapes.append((x1, y1, x2, y2, BAR))
    shapes.append((118, 128, 122, 156, LINK))  # the second task follows the first
    return shapes


def program():
    return [(16, 16, 240, 240, FRAME)] + chart(28, 40, 228, 228)


def file_type():
    page = [(40, 48, 216, 248, FRAME), (40, 8, 176, 48, FRAME), (176, 8, 180, 48, FOLD), (176, 44, 216, 48, FOLD)]
    return page + chart(48, 56, 208, 240)


def svg(shapes):
    lines = ['<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">']
    for x1, y1, x2, y2, (r, g, b, _) in shapes:
        lines.append(f'  <rect x="{x1}" y="{y1}" width="{x2 - x1}" height="{y2 - y1}" fill="#{r:02x}{g:02x}{b:02x}"/>')
    lines.append("</svg>")
    return "\n".join(lines) + "\n"


def raster(shapes, size):
    samples = 4
    n = size * samples
    scale = 256 / n
    canvas = [[(0, 0, 0, 0)] * n for _ in range(n)]
    for x1, y1, x2, y2, colour in shapes:
        for y in range(int(y1 / scale), min(n, int(y2 / scale))):
            row = canvas[y]
            for x in range(int(x1 / scale), min(n, int(x2 / scale))):
                row[x] = colour
    rows = []
    for y in range(size):
        row = bytearray([0])
        for x in range(size):
            block = [canvas[y * samples + j][x * samples + i] for j in range(samples) for i in range(samples)]
            alpha = sum(c[3] for c in block)
            for channel in range(3):
                row.append(round(sum(c[channel] * c[3] for c in block) / alpha) if alpha else 0)
            row.append(round(alpha / len(block)))
        rows.append(bytes(row))
    return png(size, b"".join(rows))


def png(size, data):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(data, 9)) + chunk(b"IEND", b"")


def main(folder):
    os.makedirs(folder, exist_ok=True)
    for name, shapes in (("de.zeitkant.Zeitkant", program()), ("application-x-zeitkant", file_type())):
        with open(os.path.join(folder, name + ".svg"), "w") as out:
            out.write(svg(shapes))
        for size in (48, 128, 256):
            with open(os.path.join(folder, f"{name}-{size}.png"), "wb") as out:
                out.write(raster(shapes, size))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "resources/icons")
