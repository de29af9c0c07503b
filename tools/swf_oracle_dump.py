#!/usr/bin/env python3
"""Decodes SWF files with an independent parser (the Debian package python3-yaswfp) and prints what
the SWF library's fixture test compares: the header, every top-level tag's code and body length, and
the fields of PlaceObject2, RemoveObject2 and FrameLabel tags.

Usage: swf_oracle_dump.py FILE.swf            print the decoding of one file
       swf_oracle_dump.py --write-all [DIR]   write DIR/NAME.expected.txt for every DIR/NAME.swf
                                              (DIR defaults to testdata/swf)
"""
import glob
import os
import sys

from yaswfp import helpers, swfparser

CODES = {name: code for code, name in swfparser.TAG_NAMES.items()}


class _Recorder(helpers.ReadQuantityController):
    """Notes the body length of every top-level tag the parser decodes itself."""
    depth = 0
    lengths = []

    def __enter__(self):
        if _Recorder.depth == 0:
            _Recorder.lengths.append(self._should)
        _Recorder.depth += 1
        return super().__enter__()

    def __exit__(self, *exc):
        _Recorder.depth -= 1
        return super().__exit__(*exc)


swfparser.ReadQuantityController = _Recorder


def signed(value, nbits):
    if nbits and value >> (nbits - 1):
        return value - (1 << nbits)
    return value


def code_of(tag):
    if tag.name.startswith("UnspecifiedObject(tag="):
        return int(tag.name[len("UnspecifiedObject(tag="):-1])
    return CODES[tag.name]


def dump(path):
    _Recorder.lengths = []
    _Recorder.depth = 0
    with open(path, "rb") as f:
        parser = swfparser.SWFParser(f)
    h = parser.header
    lines = ["header %s %d %d %s %d %d" % (h.Signature, h.Version, h.FileLength,
                                          " ".join(str(v) for v in h.FrameSize), h.FrameRate, h.FrameCount)]
    lengths = iter(_Recorder.lengths)
    for tag in parser.tags:
        kind = type(tag).__name__
        if kind == "FailingObject":
            next(lengths)
        length = len(tag.raw_payload) if kind in ("UnknownObject", "FailingObject") else next(lengths)
        code = code_of(tag)
        lines.append("tag %d %d" % (code, length))
        if kind in ("UnknownObject", "FailingObject"):
            continue
        if tag.name == "PlaceObject2":
            m = getattr(tag, "Matrix", None)
            if m is not None:
                n = m.NTranslateBits
                mtext = "%d,%d" % (signed(m.TranslateX or 0, n), signed(m.TranslateY or 0, n))
            else:
                mtext = "-"
            # The parser reads clip-action records but does not hand them out: only their presence.
            events = "yes" if tag.PlaceFlagHasClipActions else "no"

            def opt(name):
                v = getattr(tag, name, None)
                return "-" if v is None else str(v)

            lines.append("  place2 depth=%d char=%s move=%d matrix=%s ratio=%s name=%s clipdepth=%s clipactions=%s" % (
                tag.Depth, opt("CharacterId"), tag.PlaceFlagMove, mtext, opt("Ratio"), opt("Name"),
                opt("ClipDepth"), events))
        elif tag.name == "RemoveObject2":
            lines.append("  remove2 depth=%d" % tag.Depth)
        elif tag.name == "FrameLabel":
            lines.append("  label %s" % tag.Name)
    lines.append("tag 0 0")
    return "\n".join(lines) + "\n"


def main(argv):
    if len(argv) >= 2 and argv[1] == "--write-all":
        here = os.path.dirname(os.path.abspath(__file__))
        folder = argv[2] if len(argv) > 2 else os.path.join(here, "..", "testdata", "swf")
        for path in sorted(glob.glob(os.path.join(folder, "*.swf"))):
            with open(os.path.splitext(path)[0] + ".expected.txt", "w") as f:
                f.write(dump(path))
        return 0
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    sys.stdout.write(dump(argv[1]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
