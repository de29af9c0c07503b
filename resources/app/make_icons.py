#!/usr/bin/env python3
"""Draws the program's fallback toolbar icons and its application icon as PNG files (shapes
sampled 4x4 per pixel); the program takes an icon from the desktop theme first."""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def png(path, size, pixels):
    raw = b"".join(b"\0" + bytes(pixels[y * size * 4:(y + 1) * size * 4]) for y in range(size))
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def draw(path, size, layers):
    """layers: (colour, inside(x, y)) in painting order, x and y from 0 to 1."""
    px = [0] * (size * size * 4)
    for y in range(size):
        for x in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(4):
                for sx in range(4):
                    u, v = (x + (sx + 0.5) / 4) / size, (y + (sy + 0.5) / 4) / size
                    colour = None
                    for c, inside in layers:
                        if inside(u, v):
                            colour = c
                    if colour:
                        for k in range(3):
                            acc[k] += colour[k]
                        acc[3] += 255
            i = (y * size + x) * 4
            px[i:i + 4] = [int(acc[3] and acc[k] * 255 / acc[3]) for k in range(3)] + [int(acc[3] / 16)]
    png(path, size, px)


def rect(x0, y0, x1, y1):
    return lambda u, v: x0 <= u <= x1 and y0 <= v <= y1


def frame(x0, y0, x1, y1, w):
    return lambda u, v: rect(x0, y0, x1, y1)(u, v) and not rect(x0 + w, y0 + w, x1 - w, y1 - w)(u, v)


def circle(cx, cy, r):
    return lambda u, v: (u - cx) ** 2 + (v - cy) ** 2 <= r * r


def ring(cx, cy, r, w):
    return lambda u, v: r - w <= math.hypot(u - cx, v - cy) <= r


def tri(a, b, c):
    def inside(u, v):
        def side(p, q):
            return (q[0] - p[0]) * (v - p[1]) - (q[1] - p[1]) * (u - p[0])
        s = [side(a, b), side(b, c), side(c, a)]
        return all(x >= 0 for x in s) or all(x <= 0 for x in s)
    return inside


def line(p, q, w):
    def inside(u, v):
        dx, dy = q[0] - p[0], q[1] - p[1]
        t = max(0, min(1, ((u - p[0]) * dx + (v - p[1]) * dy) / (dx * dx + dy * dy)))
        return math.hypot(u - p[0] - t * dx, v - p[1] - t * dy) <= w / 2
    return inside


def any_of(*shapes):
    return lambda u, v: any(s(u, v) for s in shapes)


INK = (40, 60, 90)
PAPER = (250, 250, 245)
YELLOW = (230, 180, 60)
BLUE = (60, 110, 190)
GREEN = (50, 150, 70)
RED = (190, 60, 60)

ICONS = {
    "document-open": [(YELLOW, any_of(rect(.08, .25, .92, .85), rect(.08, .17, .42, .3))), (INK, frame(.08, .25, .92, .85, .06))],
    "document-save": [(BLUE, rect(.12, .12, .88, .88)), (PAPER, rect(.25, .12, .75, .45)), (INK, rect(.55, .18, .68, .38)),
                      (PAPER, rect(.22, .6, .78, .88))],
    "edit-cut": [(INK, any_of(line((.3, .1), (.65, .62), .08), line((.7, .1), (.35, .62), .08))),
                 (RED, any_of(ring(.3, .75, .15, .06), ring(.7, .75, .15, .06)))],
    "edit-copy": [(PAPER, rect(.1, .1, .6, .65)), (INK, frame(.1, .1, .6, .65, .06)), (PAPER, rect(.4, .35, .9, .9)),
                  (INK, frame(.4, .35, .9, .9, .06))],
    "edit-paste": [(YELLOW, rect(.15, .15, .85, .92)), (INK, rect(.35, .08, .65, .22)), (PAPER, rect(.3, .35, .75, .85))],
    "edit-undo": [(BLUE, any_of(tri((.08, .4), (.4, .12), (.4, .68)), line((.35, .4), (.7, .4), .14), line((.7, .4), (.8, .75), .14)))],
    "edit-redo": [(BLUE, any_of(tri((.92, .4), (.6, .12), (.6, .68)), line((.65, .4), (.3, .4), .14), line((.3, .4), (.2, .75), .14)))],
    "media-playback-start": [(GREEN, tri((.2, .12), (.2, .88), (.85, .5)))],
    "media-playback-pause": [(INK, any_of(rect(.12, .15, .28, .85), rect(.36, .15, .52, .85))), (GREEN, tri((.58, .25), (.58, .75), (.92, .5)))],
    "media-skip-backward": [(INK, rect(.12, .15, .22, .85)), (BLUE, any_of(tri((.22, .5), (.55, .15), (.55, .85)), tri((.52, .5), (.88, .15), (.88, .85))))],
    "media-playlist-repeat": [(GREEN, any_of(tri((.1, .5), (.3, .3), (.3, .7)), line((.28, .5), (.62, .5), .12))),
                              (INK, rect(.75, .15, .88, .85))],
    "textless-lipsync": [(RED, lambda u, v: ((u - .5) / .4) ** 2 + ((v - .5) / .22) ** 2 <= 1), (PAPER, rect(.2, .47, .8, .53))],
    "align-text-audio": [(INK, any_of(rect(.1, .12, .9, .2), rect(.1, .3, .7, .38))),
                         (GREEN, lambda u, v: .1 <= u <= .9 and abs(v - .7) <= .04 + .16 * abs(math.sin(u * 19)))],
    "insert-cut-marker": [(INK, any_of(rect(.1, .2, .9, .28), rect(.1, .46, .9, .54), rect(.1, .72, .6, .8))),
                          (RED, any_of(rect(.47, .08, .57, .92), tri((.36, .08), (.68, .08), (.52, .22))))],
    "select-cut-segment": [(BLUE, rect(.2, .3, .8, .7)), (PAPER, rect(.26, .44, .74, .56)),
                           (RED, any_of(rect(.1, .12, .18, .88), rect(.82, .12, .9, .88)))],
}


def main():
    for name, layers in ICONS.items():
        draw(os.path.join(HERE, "icons", name + ".png"), 24, layers)
    face = [((235, 200, 160), circle(.5, .5, .45)), (INK, any_of(circle(.35, .38, .06), circle(.65, .38, .06))),
            (RED, lambda u, v: ((u - .5) / .2) ** 2 + ((v - .68) / .1) ** 2 <= 1)]
    draw(os.path.join(HERE, "murmurex.png"), 64, face)


if __name__ == "__main__":
    main()
