#!/usr/bin/env python3
# Writes character templates whose few compressed bytes hold millions of tiny tags, with a results
# file naming each, to try what opening them costs: `sprite_frames.swf` (one sprite of N frames,
# each a bare ShowFrame) and `place_flood.swf` (N PlaceObject2 moves on the main timeline).
# Usage: swf_make_flood_templates.py OUT_DIR [--frames N] [--places N] [--audio WAV] [--plain]
# (--plain writes the bodies uncompressed, as the fuzz targets' seeds want them.)
import argparse
import os
import struct
import zlib


def tag(code, body):
    if len(body) < 0x3F:
        return struct.pack('<H', code << 6 | len(body)) + body
    return struct.pack('<HI', code << 6 | 0x3F, len(body)) + body


def movie(tags, plain):
    # A 1x1 pixel stage (RECT of 1-bit fields: nbits 1 and four 0s fit one byte), 12 frames a second.
    body = bytes([0x08, 0x00]) + struct.pack('<BBH', 0, 12, 1) + b''.join(tags) + tag(0, b'')
    length = 8 + len(body)
    if plain:
        return b'FWS' + bytes([6]) + struct.pack('<I', length) + body
    return b'CWS' + bytes([6]) + struct.pack('<I', length) + zlib.compress(body, 9)


def label(text):
    return tag(43, text.encode() + b'\0')


def show_frame():
    return tag(1, b'')


def sprite_frames(frames, plain):
    nested = show_frame() * frames + tag(0, b'')
    sprite = tag(39, struct.pack('<HH', 1, frames & 0xFFFF) + nested)
    place = tag(26, struct.pack('<BHH', 0x02, 1, 1))  # the sprite at depth 1
    return movie([sprite, label('G(rest)'), place, show_frame()], plain)


def place_flood(places, plain):
    # Moves (flag 0x01 only) over 16 depths in turn: three body bytes each.
    moves = b''.join(tag(26, struct.pack('<BH', 0x01, 1 + i % 16)) for i in range(1000))
    flood = moves * (places // 1000) + b''.join(
        tag(26, struct.pack('<BH', 0x01, 1 + i % 16)) for i in range(places % 1000))
    return movie([label('G(rest)'), flood, show_frame()], plain)


def results_file(template, audio):
    return ('version 1.2\n%sphn 0 100 60 AA\nend_markers\ncharacter %s\nend_character_info\n' %
            ('audio %s\n' % os.path.abspath(audio) if audio else '', template))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('out')
    ap.add_argument('--frames', type=int, default=33_000_000)
    ap.add_argument('--places', type=int, default=13_000_000)
    ap.add_argument('--audio', help='the recording the results files name')
    ap.add_argument('--plain', action='store_true')
    a = ap.parse_args()
    os.makedirs(a.out, exist_ok=True)
    for name, data in (('sprite_frames', sprite_frames(a.frames, a.plain)),
                       ('place_flood', place_flood(a.places, a.plain))):
        swf = os.path.abspath(os.path.join(a.out, name + '.swf'))
        with open(swf, 'wb') as f:
            f.write(data)
        with open(os.path.join(a.out, name + '.zuvo'), 'w') as f:
            f.write(results_file(swf, a.audio))
        print('%s: %d bytes' % (swf, len(data)))


if __name__ == '__main__':
    main()
