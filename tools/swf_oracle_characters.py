#!/usr/bin/python3
"""Decodes the character tags of SWF files with an independent parser (the Debian package
python3-yaswfp) and prints what the SWF library's character test compares: shapes with their
styles and records, sprites with their nested control tags, DefineButton2, DefineFont2 and the
static texts. Tags the parser does not decode (DefineButton, DefineFont, DefineMorphShape) are
left out.

Usage: swf_oracle_characters.py FILE.swf            print the decoding of one file
       swf_oracle_characters.py --write-all [DIR]   write DIR/NAME.characters.txt for every
                                                    DIR/independent_*.swf (DIR: testdata/swf)
"""
import glob
import os
import sys

from yaswfp import helpers, swfparser

LANGUAGE = {name: code for code, name in swfparser.LANGCODES.items()}
ACTION = {name: code for code, name in swfparser.ACTION_NAMES.items()}


def signed(value, nbits):
    if value is None:
        return 0
    if nbits and value >> (nbits - 1):
        return value - (1 << nbits)
    return value


def _signed_rect(self):
    # The parser keeps RECT fields unsigned and drops their width; read them signed here.
    bc = helpers.BitConsumer(self._src)
    nbits = bc.u_get(5)
    return tuple(signed(bc.u_get(nbits), nbits) for _ in range(4))


swfparser.SWFParser._get_struct_rect = _signed_rect


def matrix(m):
    if m is None:
        return "none"
    text = ""
    if m.HasScale:
        text += "scale %d %d " % (signed(m.ScaleX, m.NScaleBits), signed(m.ScaleY, m.NScaleBits))
    if m.HasRotate:
        text += "rotate %d %d " % (signed(m.RotateSkew0, m.NRotateBits), signed(m.RotateSkew1, m.NRotateBits))
    return text + "translate %d %d" % (signed(m.TranslateX, m.NTranslateBits), signed(m.TranslateY, m.NTranslateBits))


def color(c):
    return ",".join(str(v) for v in c)


def fill(f):
    t = f.FillStyleType
    if t == 0:
        return "fill solid %s" % color(f.Color)
    if t in (0x10, 0x12):
        stops = " ".join("%d:%s" % (g.Ratio, color(g.Color)) for g in f.Gradient.GradientRecords)
        return "fill gradient %d %s stops %s" % (t, matrix(f.GradientMatrix), stops)
    return "fill bitmap %d %d %s" % (t, f.BitmapId, matrix(f.BitmapMatrix))


def styles(fills, lines, indent):
    out = [indent + fill(f) for f in fills.FillStyles]
    out += [indent + "line %d %s" % (l.Width, color(l.Color)) for l in lines.LineStyles]
    return out


def records(recs, indent):
    out = []
    for r in recs:
        kind = type(r).__name__
        if r.name == "StyleChangeRecord":
            text = "change"
            if r.StateMoveTo:
                text += " move %d %d" % (r.MoveDeltaX, r.MoveDeltaY)
            if r.StateFillStyle0:
                text += " fill0 %d" % r.FillStyle0
            if r.StateFillStyle1:
                text += " fill1 %d" % r.FillStyle1
            if r.StateLineStyle:
                text += " line %d" % r.LineStyle
            out.append(indent + text)
            if r.StateNewStyles:
                out += styles(r.FillStyles, r.LineStyles, indent + "  ")
        elif r.name == "StraightEdgeRecord":
            out.append(indent + "edge %d %d" % (getattr(r, "DeltaX", 0) or 0, getattr(r, "DeltaY", 0) or 0))
        else:
            out.append(indent + "curve %d %d %d %d" % (r.ControlDeltaX, r.ControlDeltaY, r.AnchorDeltaX, r.AnchorDeltaY))
    return out


def control(tag):
    if tag.name == "FrameLabel":
        return "label %s" % tag.Name
    if tag.name == "ShowFrame":
        return "show"
    if tag.name == "End":
        return "end"
    if tag.name == "RemoveObject2":
        return "remove %d" % tag.Depth
    if tag.name == "PlaceObject2":
        text = "place %d" % tag.Depth
        if tag.PlaceFlagMove:
            text += " move"
        if tag.PlaceFlagHasCharacter:
            text += " char %d" % tag.CharacterId
        if tag.PlaceFlagHasMatrix:
            text += " " + matrix(tag.Matrix)
        if tag.PlaceFlagHasRatio:
            text += " ratio %d" % tag.Ratio
        if tag.PlaceFlagHasName:
            text += " name %s" % tag.Name
        return text
    return "tag %s" % tag.name


def dump(path):
    with open(path, "rb") as f:
        parser = swfparser.SWFParser(f)
    lines = []
    for tag in parser.tags:
        name = tag.name
        if name in ("DefineShape", "DefineShape2", "DefineShape3"):
            version = {"DefineShape": 1, "DefineShape2": 2, "DefineShape3": 3}[name]
            lines.append("shape %d v%d bounds %s" % (tag.ShapeId, version, " ".join(map(str, tag.ShapeBounds))))
            lines += styles(tag.Shapes.FillStyles, tag.Shapes.LineStyles, "  ")
            lines += records(tag.Shapes.ShapeRecords, "  ")
        elif name == "DefineSprite":
            lines.append("sprite %d frames %d" % (tag.CharacterID, tag.FrameCount))
            lines += ["  " + control(t) for t in tag.ControlTags]
        elif name == "DefineButton2":
            lines.append("button2 %d" % tag.ButtonId)
            for c in tag.Characters:
                flags = (c.ButtonStateHitTest << 3 | c.ButtonStateDown << 2 | c.ButtonStateOver << 1 |
                         c.ButtonStateUp)
                x = c.ColorTransform
                cx = ""
                if x.HasMultTerms:
                    cx += " mult %s" % ",".join(str(signed(v, x.NBits)) for v in (
                        x.RedMultTerm, x.GreenMultTerm, x.BlueMultTerm, x.AlphaMultTerm))
                if x.HasAddTerms:
                    cx += " add %s" % ",".join(str(signed(v, x.NBits)) for v in (
                        x.RedAddTerm, x.GreenAddTerm, x.BlueAddTerm, x.AlphaAddTerm))
                lines.append("  record %d char %d depth %d %s%s" % (flags, c.CharacterId, c.PlaceDepth,
                                                                   matrix(c.PlaceMatrix), cx))
            merged = {}
            for a in tag.Actions:
                word = (a.CondIdleToOverDown << 7 | a.CondOutDownToIdle << 6 | a.CondOutDownToOverDown << 5 |
                        a.CondOverDownToOutDown << 4 | a.CondOverDownToOverUp << 3 | a.CondOverUpToOverDown << 2 |
                        a.CondOverUpToIdle << 1 | a.CondIdleToOverUp |
                        (a.CondKeyPress << 1 | a.CondOverDownToIdle) << 8)
                merged.setdefault(word, []).extend(ACTION[x.name] for x in a.Actions)
            for word in sorted(merged):
                lines.append("  condition %d actions %s" % (word, " ".join(map(str, merged[word]))))
        elif name == "DefineFont2":
            flags = (tag.FontFlagsHasLayout << 7 | tag.FontFlagsShiftJIS << 6 | tag.FontFlagsSmallText << 5 |
                     tag.FontFlagsANSI << 4 | tag.FontFlagsWideOffsets << 3 | tag.FontFlagsWideCodes << 2 |
                     tag.FontFlagsItalic << 1 | tag.FontFlagsBold)
            lines.append("font2 %d flags %d language %d name %s glyphs %d" % (
                tag.FontID, flags, LANGUAGE[tag.LanguageCode], tag.FontName, tag.NumGlyphs))
            lines.append("  codes %s" % " ".join(map(str, tag.CodeTable)))
            for i, g in enumerate(tag.GlyphShapeTable):
                lines.append("  glyph %d" % i)
                lines += records(g.ShapeRecords, "    ")
            if tag.FontFlagsHasLayout:
                lines.append("  layout %d %d %d" % (tag.FontAscent, tag.FontDecent, tag.FontLeading))
                lines.append("  advances %s" % " ".join(map(str, tag.FontAdvanceTable)))
                lines.append("  bounds %s" % " / ".join(" ".join(map(str, b)) for b in tag.FontBoundsTable))
                for k in tag.FontKerningTable:
                    lines.append("  kerning %d %d %d" % (k["FontKerningCode1"], k["FontKerningCode2"],
                                                         k["FontKerningAdjustment"]))
        elif name in ("DefineText", "DefineText2"):
            lines.append("text %d v%d bounds %s %s" % (tag.CharacterID, 1 if name == "DefineText" else 2,
                                                       " ".join(map(str, tag.TextBounds)), matrix(tag.TextMatrix)))
            for r in tag.TextRecords:
                text = "  style"
                if r.StyleFlagsHasFont:
                    text += " font %d height %d" % (r.FontID, r.TextHeight)
                if r.StyleFlagsHasColor:
                    text += " color %s" % color(r.TextColor)
                if r.StyleFlagsHasXOffset:
                    text += " x %d" % r.XOffset
                if r.StyleFlagsHasYOffset:
                    text += " y %d" % r.YOffset
                lines.append(text)
                lines.append("  glyphs %s" % " ".join("%d:%d" % (g.GlyphIndex, signed(g.GlyphAdvance, tag.AdvanceBits))
                                                      for g in r.GlyphEntries))
    return "\n".join(lines) + "\n"


def main(argv):
    if len(argv) >= 2 and argv[1] == "--write-all":
        here = os.path.dirname(os.path.abspath(__file__))
        folder = argv[2] if len(argv) > 2 else os.path.join(here, "..", "testdata", "swf")
        for path in sorted(glob.glob(os.path.join(folder, "independent_*.swf"))):
            with open(os.path.splitext(path)[0] + ".characters.txt", "w") as f:
                f.write(dump(path))
        return 0
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    sys.stdout.write(dump(argv[1]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
