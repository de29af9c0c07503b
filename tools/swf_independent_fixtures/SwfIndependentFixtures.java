// Writes SWF movies with an independent writer (the Debian package libfreehep-graphicsio-swf-java)
// for the SWF library's tests: shapes with several style changes, curves and gradients, a sprite with
// frame labels, buttons, a morph shape, fonts and texts. The values used here are repeated in
// swf/flash_independent_fixture_test.cpp, which checks that the library decodes them.
//
// From version 6 on the writer puts strings (and font names) in a Java length-prefixed UTF form; SWF
// strings are 0-terminated and font names follow their length byte, so Out writes them that way. The writer also puts a FileAttributes tag in front, which the library does not keep, leaves out the End
// tag, states a file length one byte off, and counts the action offset and condition-action sizes of
// DefineButton2 from the end of their fields instead of their start; each file is mended after
// writing (see mend).
//
// Usage: java -cp <freehep jars> SwfIndependentFixtures.java OUTPUT_FOLDER
import java.awt.Color;
import java.awt.Dimension;
import java.awt.geom.AffineTransform;
import java.awt.geom.Rectangle2D;
import java.io.FileOutputStream;
import java.io.IOException;
import java.io.ByteArrayOutputStream;
import java.nio.file.Files;
import java.nio.file.Paths;
import java.util.Vector;

import org.freehep.graphicsio.swf.*;
import org.freehep.util.io.Action;

public class SwfIndependentFixtures {
    // Strings as SWF has them: the bytes, then a 0 byte.
    static class Out extends SWFOutputStream {
        Out(String path, Dimension size, float rate) throws IOException {
            super(new FileOutputStream(path), 6, size, rate, false);
        }

        @Override
        public void writeString(String s) throws IOException {
            writeAsciiZString(s);
        }

        // Font names: the tag has written their length byte already.
        @Override
        public void writeUTF(String s) throws IOException {
            write(s.getBytes(java.nio.charset.StandardCharsets.UTF_8));
        }
    }

    // A frame label without the named-anchor byte that the writer always adds.
    static class Label extends FrameLabel {
        private final String text;

        Label(String text) {
            super(text);
            this.text = text;
        }

        @Override
        public void write(int tagID, SWFOutputStream swf) throws IOException {
            swf.writeString(text);
        }
    }

    static Rectangle2D rect(double x0, double y0, double x1, double y1) {
        return new Rectangle2D.Double(x0, y0, x1 - x0, y1 - y0);
    }

    static SWFShape.ShapeRecord style(boolean move, int x, int y, int fill0, int fill1, int line) {
        return new SWFShape.ShapeRecord(move, x, y, fill0, fill1, line);
    }

    static AffineTransform translate(double x, double y) {
        return AffineTransform.getTranslateInstance(x, y);
    }

    // Shapes, a sprite with labels, labels on the main timeline.
    static void shapes(String path) throws IOException {
        Out out = new Out(path, new Dimension(400, 300), 12f);
        out.writeTag(new SetBackgroundColor(new Color(255, 255, 255)));

        // DefineShape: two solid fills, two line styles, style changes between edges, a curve.
        FillStyleArray fills = new FillStyleArray();
        fills.add(new FillStyle(new Color(255, 0, 0)));
        fills.add(new FillStyle(new Color(0, 128, 255)));
        LineStyleArray lines = new LineStyleArray();
        lines.add(new LineStyle(20, new Color(0, 0, 0)));
        lines.add(new LineStyle(40, new Color(10, 20, 30)));
        Vector<SWFShape.Record> r = new Vector<>();
        r.add(style(true, 100, 100, -1, 1, 1));
        r.add(new SWFShape.EdgeRecord(400, 0));
        r.add(new SWFShape.EdgeRecord(0, 300));
        r.add(style(false, 0, 0, -1, 2, 2));
        r.add(new SWFShape.EdgeRecord(-200, 100, -200, -100));
        r.add(new SWFShape.EdgeRecord(0, -300));
        r.add(style(true, 1000, -50, 1, 0, 0));
        r.add(new SWFShape.EdgeRecord(-7, 9));
        r.add(new SWFShape.EdgeRecord(5000, 0));
        out.writeTag(new DefineShape(1, rect(80, -70, 6020, 520), fills, lines, new SWFShape(r)));

        // DefineShape3: linear and radial gradients with alpha, one translucent line.
        FillStyleArray g = new FillStyleArray();
        AffineTransform gm = new AffineTransform(0.05, 0.01, -0.01, 0.05, 300, 200);
        g.add(new FillStyle(new Gradient[] {new Gradient(0, new Color(255, 0, 0, 255)),
                                            new Gradient(128, new Color(0, 255, 0, 128)),
                                            new Gradient(255, new Color(0, 0, 255, 0))}, false, gm));
        g.add(new FillStyle(new Gradient[] {new Gradient(10, new Color(1, 2, 3, 4)),
                                            new Gradient(200, new Color(250, 251, 252, 253))}, true, translate(-30, 40)));
        LineStyleArray gl = new LineStyleArray();
        gl.add(new LineStyle(60, new Color(9, 8, 7, 100)));
        Vector<SWFShape.Record> r3 = new Vector<>();
        r3.add(style(true, 0, 0, -1, 1, 1));
        r3.add(new SWFShape.EdgeRecord(600, 0));
        r3.add(new SWFShape.EdgeRecord(0, 400));
        r3.add(new SWFShape.EdgeRecord(-600, -400));
        r3.add(style(true, 700, 0, 2, -1, 0));
        r3.add(new SWFShape.EdgeRecord(100, 100, 100, -100));
        r3.add(new SWFShape.EdgeRecord(-200, 0));
        out.writeTag(new DefineShape3(2, rect(-30, -30, 930, 430), g, gl, new SWFShape(r3)));

        // One fill, no lines. (The writer's DefineShape2 puts RGBA colours where RGB belong.)
        FillStyleArray f2 = new FillStyleArray();
        f2.add(new FillStyle(new Color(40, 50, 60)));
        Vector<SWFShape.Record> r2 = new Vector<>();
        r2.add(style(true, -500, -500, 1, -1, -1));
        r2.add(new SWFShape.EdgeRecord(1000, 0));
        r2.add(new SWFShape.EdgeRecord(0, 1000));
        r2.add(new SWFShape.EdgeRecord(-1000, -1000));
        out.writeTag(new DefineShape(3, rect(-500, -500, 500, 500), f2, new LineStyleArray(), new SWFShape(r2)));

        // A sprite of three frames with labels; it moves shape 1 and swaps in shape 3.
        Vector<SWFTag> sprite = new Vector<>();
        sprite.add(new Label("open"));
        sprite.add(new PlaceObject2(1, 1, translate(10, 20)));
        sprite.add(new ShowFrame());
        sprite.add(new PlaceObject2(true, 1, -1, translate(30, 40), null, -1, null, -1));
        sprite.add(new ShowFrame());
        sprite.add(new Label("closed"));
        sprite.add(new RemoveObject2(1));
        sprite.add(new PlaceObject2(3, 2, translate(0, 0)));
        sprite.add(new ShowFrame());
        sprite.add(new End());
        out.writeTag(new DefineSprite(4, 3, sprite));

        out.writeTag(new Label("first"));
        out.writeTag(new PlaceObject2(false, 1, 4, translate(1000, 1500), null, -1, "mouth", -1));
        out.writeTag(new PlaceObject2(false, 2, 2, translate(-20, 0), null, -1, null, -1));
        out.writeTag(new ShowFrame());
        out.writeTag(new Label("second"));
        out.writeTag(new PlaceObject2(true, 2, -1, translate(500, 600), null, -1, null, -1));
        out.writeTag(new ShowFrame());
        out.close();
    }

    // DefineButton2 and a morph shape. (The writer's DefineButton puts a colour transform into its
    // records, which that tag does not have, so it is left out.)
    static void buttonsAndMorph(String path) throws IOException {
        Out out = new Out(path, new Dimension(200, 200), 24f);
        FillStyleArray fills = new FillStyleArray();
        fills.add(new FillStyle(new Color(200, 100, 50)));
        Vector<SWFShape.Record> r = new Vector<>();
        r.add(style(true, 0, 0, -1, 1, -1));
        r.add(new SWFShape.EdgeRecord(200, 0));
        r.add(new SWFShape.EdgeRecord(0, 200));
        r.add(new SWFShape.EdgeRecord(-200, -200));
        out.writeTag(new DefineShape(1, rect(0, 0, 200, 200), fills, new LineStyleArray(), new SWFShape(r)));

        Vector<ButtonRecord> records2 = new Vector<>();
        records2.add(new ButtonRecord(false, false, false, true, 1, 1, translate(5, 5)));
        records2.add(new ButtonRecord(true, true, true, false, 1, 2, translate(-5, 7), new ColorXform(256, 128, 64, 256, 10, -20, 30, 0)));
        Vector<ButtonCondAction> conditions = new Vector<>();
        Vector<Action> stop = new Vector<>();
        stop.add(new SWFAction.Stop());
        conditions.add(new ButtonCondAction(0x0008, stop));
        Vector<Action> play = new Vector<>();
        play.add(new SWFAction.Play());
        play.add(new SWFAction.Stop());
        conditions.add(new ButtonCondAction(0x0004, play));
        out.writeTag(new DefineButton2(3, false, records2, conditions));

        FillStyleArray mf = new FillStyleArray();
        mf.add(new FillStyle(new Color(255, 0, 0, 255), new Color(0, 0, 255, 128)));
        LineStyleArray ml = new LineStyleArray();
        ml.add(new LineStyle(20, 40, new Color(0, 0, 0, 255), new Color(100, 100, 100, 50)));
        Vector<SWFShape.Record> start = new Vector<>();
        start.add(style(true, 0, 0, -1, 1, 1));
        start.add(new SWFShape.EdgeRecord(200, 0));
        start.add(new SWFShape.EdgeRecord(0, 100));
        start.add(new SWFShape.EdgeRecord(-200, -100));
        Vector<SWFShape.Record> end = new Vector<>();
        end.add(style(true, 0, 0, -1, -1, -1));
        end.add(new SWFShape.EdgeRecord(100, 0));
        end.add(new SWFShape.EdgeRecord(50, 50, 50, 50));
        end.add(new SWFShape.EdgeRecord(-200, -100));
        out.writeTag(new DefineMorphShape(4, rect(0, 0, 200, 100), rect(0, 0, 200, 100), mf, ml,
                                          new SWFShape(start), new SWFShape(end)));

        out.writeTag(new PlaceObject2(false, 2, 3, translate(300, 100), null, -1, "fancy", -1));
        out.writeTag(new PlaceObject2(false, 3, 4, translate(500, 100), null, 0, null, -1));
        out.writeTag(new ShowFrame());
        out.writeTag(new PlaceObject2(true, 3, -1, null, null, 32768, null, -1));
        out.writeTag(new ShowFrame());
        out.close();
    }

    static SWFShape glyph(int w, int h) {
        Vector<SWFShape.Record> r = new Vector<>();
        r.add(style(true, 0, 0, 1, -1, -1));
        r.add(new SWFShape.EdgeRecord(w, 0));
        r.add(new SWFShape.EdgeRecord(0, -h));
        r.add(new SWFShape.EdgeRecord(-w / 2, -h / 2, -w / 2, h / 2));
        return new SWFShape(r);
    }

    // DefineFont2 with layout and DefineText2; DefineFont with DefineFontInfo and DefineText.
    static void text(String path) throws IOException {
        Out out = new Out(path, new Dimension(300, 100), 12f);
        SWFShape[] glyphs = {glyph(500, 700), glyph(600, 700), glyph(300, 500)};
        int[] codes = {'A', 'B', 'c'};
        short[] advances = {550, 650, 350};
        Rectangle2D[] bounds = {rect(0, -700, 500, 0), rect(0, -700, 600, 0), rect(0, -500, 300, 0)};
        DefineFont2.KerningRecord[] kerning = {new DefineFont2.KerningRecord('A', 'B', -30)};
        out.writeTag(new DefineFont2(1, false, false, false, true, false, true, 1, "Test", glyphs, codes, 800, 200, 50,
                                     advances, bounds, kerning));
        Vector<DefineText.Record> records = new Vector<>();
        records.add(new DefineText.RecordType1(1, new Color(10, 20, 30, 200), 40, 960, 240));
        DefineText.RecordType0 run = new DefineText.RecordType0();
        run.add(new DefineText.GlyphEntry(0, 330));
        run.add(new DefineText.GlyphEntry(1, 390));
        run.add(new DefineText.GlyphEntry(2, 210));
        records.add(run);
        out.writeTag(new DefineText2(2, rect(0, 0, 1000, 300), translate(0, 0), records));

        DefineFont font = new DefineFont(3);
        font.add(glyph(400, 400));
        font.add(glyph(200, 600));
        out.writeTag(font);
        out.writeTag(new DefineFontInfo(3, "Plain", false, false, false, false, false, new int[] {'x', 'y'}));
        Vector<DefineText.Record> plain = new Vector<>();
        plain.add(new DefineText.RecordType1(3, new Color(0, 0, 0), 0, 0, 480));
        DefineText.RecordType0 run2 = new DefineText.RecordType0();
        run2.add(new DefineText.GlyphEntry(1, 240));
        run2.add(new DefineText.GlyphEntry(0, 120));
        plain.add(run2);
        out.writeTag(new DefineText(4, rect(0, 0, 500, 500), translate(0, 0), plain));

        out.writeTag(new PlaceObject2(false, 1, 2, translate(100, 400), null, -1, null, -1));
        out.writeTag(new PlaceObject2(false, 2, 4, translate(100, 1200), null, -1, null, -1));
        out.writeTag(new ShowFrame());
        out.close();
    }

    static int u16(byte[] b, int at) {
        return (b[at] & 0xFF) | (b[at + 1] & 0xFF) << 8;
    }

    static void putU16(byte[] b, int at, int v) {
        b[at] = (byte) v;
        b[at + 1] = (byte) (v >> 8);
    }

    // Adds the two bytes of each offset field to the action offset and to every non-zero
    // condition-action size of a DefineButton2 body.
    static void mendButton2(byte[] b, int body, int length) {
        int field = body + 3;
        int offset = u16(b, field);
        if (offset == 0) return;
        putU16(b, field, offset + 2);
        int at = field + offset + 2;
        while (at + 2 <= body + length) {
            int size = u16(b, at);
            if (size == 0) break;
            putU16(b, at, size + 2);
            at += size + 2;
        }
    }

    // Drops FileAttributes (code 69), appends the End tag when it is missing and writes the true
    // file length into the header.
    static void mend(String path) throws IOException {
        byte[] in = Files.readAllBytes(Paths.get(path));
        int nbits = (in[8] & 0xFF) >> 3;
        int pos = 8 + (5 + 4 * nbits + 7) / 8 + 4;
        ByteArrayOutputStream out = new ByteArrayOutputStream();
        out.write(in, 0, pos);
        boolean ended = false;
        while (pos + 2 <= in.length) {
            int head = (in[pos] & 0xFF) | (in[pos + 1] & 0xFF) << 8;
            int code = head >> 6, length = head & 63, size = 2;
            if (length == 63) {
                length = (in[pos + 2] & 0xFF) | (in[pos + 3] & 0xFF) << 8 | (in[pos + 4] & 0xFF) << 16 | (in[pos + 5] & 0xFF) << 24;
                size = 6;
            }
            if (code == 34) mendButton2(in, pos + size, length);
            if (code != 69) out.write(in, pos, size + length);
            pos += size + length;
            if (code == 0) {
                ended = true;
                break;
            }
        }
        if (!ended) {
            out.write(0);
            out.write(0);
        }
        byte[] mended = out.toByteArray();
        int n = mended.length;
        mended[4] = (byte) n;
        mended[5] = (byte) (n >> 8);
        mended[6] = (byte) (n >> 16);
        mended[7] = (byte) (n >> 24);
        Files.write(Paths.get(path), mended);
    }

    public static void main(String[] args) throws IOException {
        String dir = args.length > 0 ? args[0] : ".";
        String[] names = {"independent_shapes.swf", "independent_buttons_morph.swf", "independent_text.swf"};
        shapes(dir + "/" + names[0]);
        buttonsAndMorph(dir + "/" + names[1]);
        text(dir + "/" + names[2]);
        for (String name : names) mend(dir + "/" + name);
    }
}
