#!/usr/bin/env python3
"""Draws the about box picture: a small day chart with task bars on a sky gradient.

Writes a binary PPM to stdout; resources/about.jpg was made with
    python3 tools/draw-about-picture.py | cjpeg -quality 90 > resources/about.jpg
"""
import sys

W, H = 160, 120


def sky(x, y):
    t = y / (H - 1)
    return (int(40 + 60 * t), int(70 + 90 * t), int(150 + 80 * t))


pixels = [[sky(x, y) for x in range(W)] for y in range(H)]


def rect(x1, y1, x2, y2, colour):
    for y in range(max(0, y1), min(H, y2)):
        for x in range(max(0, x1), min(W, x2)):
            pixels[y][x] = colour


# The chart sheet with its header and grid.
rect(16, 16, 144, 104, (255, 255, 255))
rect(16, 16, 144, 28, (210, 210, 210))
for x in range(16, 145, 16):
    rect(x, 16, x + 1, 104, (196, 196, 196))
for y in range(28, 105, 12):
    rect(16, y, 144, y + 1, (196, 196, 196))
rect(16, 16, 144, 17, (0, 0, 0))

# Task bars, each following the previous one.
bars = [(20, 60), (60, 84), (84, 124), (52, 140), (28, 100), (100, 136)]
for row, (x1, x2) in enumerate(bars):
    top = 31 + row * 12
    rect(x1, top, x2, top + 7, (255, 0, 0))

sys.stdout.buffer.write(b"P6\n%d %d\n255\n" % (W, H))
sys.stdout.buffer.write(bytes(c for line in pixels for p in line for c in p))
