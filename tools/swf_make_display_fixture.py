#!/usr/bin/env python3
"""Writes testdata/swf/display_list.swf: a small uncompressed SWF (version 6) assembled byte by byte,
independently of the C++ writer, holding the control and simple tags the library decodes (display
list, labels, actions, sounds, bitmaps, asset lists). Every record uses the smallest bit widths and
short tag headers where the body allows, so reading and writing it back must give the same bytes.

Usage: swf_make_display_fixture.py [output path]
"""
import os
import struct
import sys


class Bits:
    def __init__(self):
        self.bits = []

    def put(self, value, n):
        for i in range(n - 1, -1, -1):
            self.bits.append((value >> i) & 1)

    def signed(self, value, n):
        self.put(value & ((1 << n) - 1), n)

    def bytes(self):
        out = bytearray()
        for i in range(0, len(self.bits), 8):
            chunk = self.bits[i:i + 8] + [0] * (8 - len(self.bits[i:i + 8]))
            out.append(int("".join(map(str, chunk)), 2))
        return bytes(out)


def sbits(*values):
    return max(abs(v).bit_length() + 1 for v in values)


def rect(xmin, xmax, ymin, ymax):
    b = Bits()
    n = sbits(xmin, xmax, ymin, ymax)
    b.put(n, 5)
    for v in (xmin, xmax, ymin, ymax):
        b.signed(v, n)
    return b.bytes()


def matrix(scale=None, rotate=None, translate=(0, 0)):
    b = Bits()
    for pair in (scale, rotate):
        if pair is None:
            b.put(0, 1)
            continue
        raw = [int(round(v * 65536)) for v in pair]
        n = sbits(*raw)
        b.put(1, 1)
        b.put(n, 5)
        for v in raw:
            b.signed(v, n)
    n = sbits(*translate)
    b.put(n, 5)
    for v in translate:
        b.signed(v, n)
    return b.bytes()


def cxform(mult=None, add=None, alpha=True):
    b = Bits()
    b.put(1 if add else 0, 1)
    b.put(1 if mult else 0, 1)
    # The width counts unused terms as (0, 0, 0, 255): the C++ writer sizes both colours.
    unused = (0, 0, 0, 255) if alpha else (0, 0, 0)
    terms = list(mult or unused) + list(add or unused)
    n = sbits(*terms)
    b.put(n, 4)
    for t in (mult, add):
        if t:
            for v in t:
                b.signed(v, n)
    return b.bytes()


def tag(code, body):
    if len(body) >= 63:
        return struct.pack("<HI", code << 6 | 63, len(body)) + body
    return struct.pack("<H", code << 6 | len(body)) + body


def cstr(s):
    return s.encode() + b"\0"


def place2(depth, char=None, move=False, mat=None, cx=None, ratio=None, name=None, clipdepth=None,
           clipactions=None):
    flags = (0x80 if clipactions else 0) | (0x40 if clipdepth is not None else 0) | \
        (0x20 if name is not None else 0) | (0x10 if ratio is not None else 0) | \
        (0x08 if cx else 0) | (0x04 if mat else 0) | (0x02 if char is not None else 0) | (1 if move else 0)
    body = bytes([flags]) + struct.pack("<H", depth)
    if char is not None:
        body += struct.pack("<H", char)
    if mat:
        body += mat
    if cx:
        body += cx
    if ratio is not None:
        body += struct.pack("<H", ratio)
    if name is not None:
        body += cstr(name)
    if clipdepth is not None:
        body += struct.pack("<H", clipdepth)
    if clipactions:
        allflags = 0
        for f, _, _ in clipactions:
            allflags |= f
        body += struct.pack("<HI", 0, allflags)
        for f, key, actions in clipactions:
            block = (bytes([key]) if f & 0x20000 else b"") + actions + b"\0"
            body += struct.pack("<II", f, len(block)) + block
        body += struct.pack("<I", 0)
    return tag(26, body)


def build():
    tags = [
        tag(9, bytes([0x33, 0x66, 0x99])),
        tag(43, cstr("intro")),
        tag(12, bytes([0x96, 0x03, 0x00, 0x00, 0x41, 0x00, 0x07, 0x00])),
        place2(1, char=1, mat=matrix(scale=(1.5, -0.25), translate=(-200, 340)), name="mouth"),
        place2(2, char=2, mat=matrix(rotate=(0.5, -0.5), translate=(0, 0)),
               cx=cxform(mult=(256, 128, 64, 200), add=(-10, 20, 0, 0)), ratio=100, clipdepth=5),
        tag(1, b""),
        place2(1, move=True, mat=matrix(translate=(100000, -70000))),
        tag(4, struct.pack("<HH", 3, 3) + matrix(translate=(5, 6)) + cxform(add=(1, 2, 3), alpha=False)),
        tag(28, struct.pack("<H", 2)),
        place2(4, char=4, mat=matrix(), clipactions=[(0x20000 | 0x40, 65, bytes([0x07])),
                                                         (0x1, 0, bytes([0x96, 0x02, 0x00, 0x05, 0x01]))]),
        tag(1, b""),
        tag(5, struct.pack("<HH", 3, 3)),
        tag(43, cstr("outro")),
        tag(14, struct.pack("<HBI", 10, 0x2E, 1152) + struct.pack("<h", 576) + bytes(range(40))),
        tag(14, struct.pack("<HBI", 11, 0x1F, 300) + bytes(range(70))),
        tag(45, bytes([0x0E, 0x2E]) + struct.pack("<Hh", 576, -12)),
        tag(18, bytes([0x0E, 0x1E]) + struct.pack("<H", 441)),
        tag(19, bytes(range(100))),
        tag(15, struct.pack("<H", 10) + bytes([0x0F]) + struct.pack("<IIH", 44, 9000, 3) + bytes([2]) +
            struct.pack("<IHH", 0, 0, 32768) + struct.pack("<IHH", 4400, 32768, 0)),
        tag(8, bytes([0xFF, 0xD8, 0xFF, 0xD9])),
        tag(6, struct.pack("<H", 20) + bytes([0xFF, 0xD8]) + bytes(30) + bytes([0xFF, 0xD9])),
        tag(35, struct.pack("<HI", 21, 6) + bytes([0xFF, 0xD8, 1, 2, 0xFF, 0xD9]) + bytes([0x78, 0x9C, 3, 0, 0, 0, 0, 1])),
        tag(20, struct.pack("<HBHH", 22, 5, 2, 2) + bytes([0x78, 0x9C]) + bytes(14)),
        tag(36, struct.pack("<HBHH", 23, 3, 1, 1) + bytes([0]) + bytes([0x78, 0x9C]) + bytes(6)),
        tag(56, struct.pack("<H", 2) + struct.pack("<H", 3) + cstr("mouth") + struct.pack("<H", 4) + cstr("e")),
        tag(57, cstr("lib.swf") + struct.pack("<H", 1) + struct.pack("<H", 30) + cstr("eyes")),
        tag(3, struct.pack("<H", 22)),
        tag(24, cstr("secret")),
        tag(77, bytes(range(10))),
        tag(1, b""),
        tag(0, b""),
    ]
    body = b"".join(tags)
    frame = rect(0, 11000, 0, 8000)
    header_len = 3 + 1 + 4 + len(frame) + 2 + 2
    return b"FWS" + bytes([6]) + struct.pack("<I", header_len + len(body)) + frame + \
        bytes([0x80, 0x0C]) + struct.pack("<H", 3) + body


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "testdata", "swf", "display_list.swf")
    with open(path, "wb") as f:
        f.write(build())


if __name__ == "__main__":
    main()
