// Frames of movies written with the SWF library, read back and rendered, checked pixel by pixel.
#include "flash/ui/swf_frame_renderer.h"

#include <gtest/gtest.h>

#include <QImage>

#include <zlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "swf/swf_shape_builder.h"
#include "swf/flash_control_tags.h"
#include "swf/flash_morph.h"
#include "swf/flash_movie.h"
#include "swf/flash_sprite.h"
#include "swf/flash_stream.h"

namespace {

const FlashRGBA kRed(255, 0, 0);
const FlashRGBA kBlue(0, 0, 255);

// A 200 x 200 pixel stage (4000 twips) on a white background.
FSWFMovie Stage() {
    FSWFMovie movie;
    FlashHeader header;
    header.version = 6;
    header.frame = FlashRect(0, 0, 4000, 4000);
    header.rateInteger = 12;
    header.frameCount = 1;
    movie.SetHeader(header);
    movie.mainTimeline.frameCount = 1;
    movie.mainTimeline.backgroundColors[0] = FlashRGBA(255, 255, 255);
    return movie;
}

FDisplayRecord Place(uint16_t id, int depth, int xTwips = 0, int yTwips = 0) {
    FDisplayRecord r;
    r.flags = kDisplayHasCharacter;
    r.characterId = id;
    r.depth = depth;
    r.matrix.translateX = xTwips;
    r.matrix.translateY = yTwips;
    return r;
}

// Square from (x, y) of side s in twips, filled with one colour.
FlashTagDefineShape3 Square(uint16_t id, int x, int y, int s, const FlashRGBA& color) {
    swf_shape_builder b(id);
    int fill = b.AddSolidFill(color);
    b.Polygon({{x, y}, {x + s, y}, {x + s, y + s}, {x, y + s}}, fill);
    return b.Take();
}

// Written with the library's writer, read back, rendered at 200 x 200 pixels.
QImage Render(FSWFMovie& movie, std::vector<std::string>* problems = nullptr) {
    flash_ostream out;
    EXPECT_TRUE(movie.Write(out));
    flash_istream in(out.bytes().data(), out.bytes().size());
    FSWFMovie loaded;
    std::vector<std::string> errors;
    EXPECT_TRUE(loaded.Load(in, errors)) << (errors.empty() ? "" : errors[0]);
    CSwfFrameRenderer renderer(loaded);
    QImage image = renderer.RenderFrame(0, QSize(200, 200));
    if (problems) *problems = renderer.Problems();
    return image;
}

// Pixel (x, y) in stage pixels (20 twips each).
QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xFFFFFF; }

TEST(SwfFrameRenderer, DrawsShapesWithTheirFillsTransformsAndDepths) {
    struct item {
        const char* name;
        void (*build)(FSWFMovie&);
        std::vector<std::pair<QPoint, QRgb>> expect;
    };
    const std::vector<item> cases = {
        {"solid square",
         [](FSWFMovie& m) {
             m.AddCharacter(Square(1, 1000, 1000, 2000, kRed));
             m.mainTimeline.AddRecord(Place(1, 1), 0);
         },
         {{{100, 100}, 0xFF0000}, {{20, 20}, 0xFFFFFF}, {{155, 100}, 0xFFFFFF}}},
        {"hole from an inner outline with the fill on its other side",
         [](FSWFMovie& m) {
             swf_shape_builder b(1);
             int fill = b.AddSolidFill(kBlue);
             b.Polygon({{0, 0}, {4000, 0}, {4000, 4000}, {0, 4000}}, fill);
             b.Polygon({{1000, 1000}, {3000, 1000}, {3000, 3000}, {1000, 3000}}, 0, fill);
             m.AddCharacter(b.Take());
             m.mainTimeline.AddRecord(Place(1, 1), 0);
         },
         {{{25, 25}, 0x0000FF}, {{100, 100}, 0xFFFFFF}, {{175, 100}, 0x0000FF}}},
        {"shared edge between two fills",
         [](FSWFMovie& m) {
             swf_shape_builder b(1);
             int red = b.AddSolidFill(kRed), blue = b.AddSolidFill(kBlue);
             // Left half red, right half blue; the middle edge carries red on one side, blue on the other.
             b.Path({{2000, 0}, {2000, 4000}}, blue, red);
             b.Path({{2000, 4000}, {4000, 4000}, {4000, 0}, {2000, 0}}, blue);
             b.Path({{2000, 0}, {0, 0}, {0, 4000}, {2000, 4000}}, red);
             m.AddCharacter(b.Take());
             m.mainTimeline.AddRecord(Place(1, 1), 0);
         },
         {{{50, 100}, 0xFF0000}, {{150, 100}, 0x0000FF}}},
        {"curves and a stroke",
         [](FSWFMovie& m) {
             swf_shape_builder b(1);
             int fill = b.AddSolidFill(kRed);
             int line = b.AddLineStyle(200, FlashRGBA(0, 0, 0));
             b.Ellipse({2000, 2000}, 1500, 1500, fill);
             b.Polyline({{0, 200}, {4000, 200}}, line);
             m.AddCharacter(b.Take());
             m.mainTimeline.AddRecord(Place(1, 1), 0);
         },
         // Inside the circle near its rim; outside at the corner; the stroke at y = 10 px.
         {{{100, 30}, 0xFF0000}, {{30, 30}, 0xFFFFFF}, {{100, 10}, 0x000000}}},
        {"linear gradient from red to blue",
         [](FSWFMovie& m) {
             swf_shape_builder b(1);
             int fill = b.AddGradientFill(false, {0, 0}, {4000, 0}, {{0, kRed}, {255, kBlue}});
             b.Polygon({{0, 0}, {4000, 0}, {4000, 4000}, {0, 4000}}, fill);
             m.AddCharacter(b.Take());
             m.mainTimeline.AddRecord(Place(1, 1), 0);
         },
         {{{2, 100}, 0xFE0001}, {{197, 100}, 0x0100FE}}},
        {"matrix moves and scales; the higher depth is on top",
         [](FSWFMovie& m) {
             m.AddCharacter(Square(1, 0, 0, 1000, kRed));
             m.AddCharacter(Square(2, 0, 0, 1000, kBlue));
             FDisplayRecord big = Place(1, 2, 1000, 1000);
             big.matrix.hasScale = 1;
             big.matrix.xScale = big.matrix.yScale = FlashFixed(2.0);
             m.mainTimeline.AddRecord(big, 0);
             m.mainTimeline.AddRecord(Place(2, 1, 2000, 2000), 0);  // below the red square
             m.mainTimeline.AddRecord(Place(2, 3, 0, 0), 0);
         },
         {{{140, 140}, 0xFF0000}, {{25, 25}, 0x0000FF}, {{110, 110}, 0xFF0000}, {{160, 160}, 0xFFFFFF}}},
        {"nested sprite placed with an offset",
         [](FSWFMovie& m) {
             m.AddCharacter(Square(1, 0, 0, 1000, kRed));
             FlashTagSprite inner;
             inner.SetID(5);
             inner.frameCount = inner.timeline.frameCount = 1;
             inner.timeline.AddRecord(Place(1, 1, 1000, 0), 0);
             m.AddCharacter(inner);
             FlashTagSprite outer;
             outer.SetID(6);
             outer.frameCount = outer.timeline.frameCount = 1;
             outer.timeline.AddRecord(Place(5, 1, 0, 1000), 0);
             m.AddCharacter(outer);
             m.mainTimeline.AddRecord(Place(6, 1, 1000, 1000), 0);
         },
         // 1000 + 1000 twips across and 1000 + 1000 down: the square spans pixels 100..150 both ways.
         {{{125, 125}, 0xFF0000}, {{75, 125}, 0xFFFFFF}, {{125, 75}, 0xFFFFFF}}},
        {"colour transform multiplies and adds",
         [](FSWFMovie& m) {
             m.AddCharacter(Square(1, 0, 0, 4000, FlashRGBA(200, 100, 0)));
             FDisplayRecord r = Place(1, 1);
             r.colorTransform.hasMult = r.colorTransform.hasAdd = 1;
             r.colorTransform.mult = FlashRGBA(128, 256, 256, 256);  // half the red
             r.colorTransform.add = FlashRGBA(0, 0, 50, 0);
             m.mainTimeline.AddRecord(r, 0);
         },
         {{{100, 100}, qRgb(100, 100, 50) & 0xFFFFFF}}},
        {"clip layer masks the depths up to its clip depth",
         [](FSWFMovie& m) {
             m.AddCharacter(Square(1, 0, 0, 2000, kBlue));     // the mask: top-left quarter
             m.AddCharacter(Square(2, 0, 0, 4000, kRed));      // masked
             m.AddCharacter(Square(3, 3000, 3000, 1000, kBlue));  // above the clip depth
             FDisplayRecord mask = Place(1, 1);
             mask.flags |= kDisplayHasClipDepth;
             mask.clipDepth = 2;
             m.mainTimeline.AddRecord(mask, 0);
             m.mainTimeline.AddRecord(Place(2, 2), 0);
             m.mainTimeline.AddRecord(Place(3, 3), 0);
         },
         {{{50, 50}, 0xFF0000}, {{150, 50}, 0xFFFFFF}, {{50, 150}, 0xFFFFFF}, {{175, 175}, 0x0000FF}}},
    };
    for (const item& c : cases) {
        SCOPED_TRACE(c.name);
        FSWFMovie movie = Stage();
        c.build(movie);
        std::vector<std::string> problems;
        QImage image = Render(movie, &problems);
        EXPECT_TRUE(problems.empty()) << problems.front();
        for (const auto& [p, rgb] : c.expect) {
            const QRgb got = At(image, p.x(), p.y());
            EXPECT_LE(std::abs(qRed(got) - qRed(rgb)) + std::abs(qGreen(got) - qGreen(rgb)) + std::abs(qBlue(got) - qBlue(rgb)), 6)
                << "pixel " << p.x() << "," << p.y() << " is " << std::hex << got << " not " << rgb;
        }
    }
}

TEST(SwfFrameRenderer, MorphShapeBlendsShapeAndColourByRatio) {
    FSWFMovie movie = Stage();
    FlashTagDefineMorphShape morph;
    morph.SetID(1);
    morph.fillStyles.styles.push_back(std::make_unique<FlashMorphFillStyleSolid>(FlashRGBA(255, 0, 0, 255, 1),
                                                                                 FlashRGBA(0, 0, 255, 255, 1)));
    // A square growing from 0..1000 to 0..4000 twips.
    auto square = [](FlashShape& s, int side, bool styles) {
        FlashShapeRecordChange c;
        c.stateMoveTo = 1;
        if (styles) {
            c.stateFillStyle1 = 1;
            c.fillStyle1 = 1;
        }
        s.AddRecord(c);
        s.AddRecord(FlashShapeRecordStraight(side, 0));
        s.AddRecord(FlashShapeRecordStraight(0, side));
        s.AddRecord(FlashShapeRecordStraight(-side, 0));
        s.AddRecord(FlashShapeRecordStraight(0, -side));
    };
    square(morph.startEdges, 1000, true);
    square(morph.endEdges, 4000, false);
    movie.AddCharacter(morph);
    FDisplayRecord r = Place(1, 1);
    r.flags |= kDisplayHasRatio;
    r.ratio = 32768;  // half way: a 2500-twip square, purple
    movie.mainTimeline.AddRecord(r, 0);
    QImage image = Render(movie);
    QRgb inside = At(image, 100, 100);
    EXPECT_NEAR(qRed(inside), 127, 3);
    EXPECT_NEAR(qBlue(inside), 128, 3);
    EXPECT_EQ(At(image, 150, 150), 0xFFFFFFu);
}

TEST(SwfFrameRenderer, CommittedMoviesRenderWithoutFault) {
    const std::filesystem::path dir = std::filesystem::path(MURMUREX_TESTDATA_DIR) / "swf";
    for (const char* name : {"display_list.swf", "express_install.swf", "soundmanager2.swf", "videojs_player.swf",
                             "videojs_flashls_player.swf", "mediaelement_player.swf", "zeroclipboard.swf",
                             "independent_shapes.swf", "independent_buttons_morph.swf", "independent_text.swf"}) {
        SCOPED_TRACE(name);
        flash_ifstream in((dir / name).string());
        ASSERT_FALSE(in.fail());
        FSWFMovie movie;
        std::vector<std::string> errors;
        ASSERT_TRUE(movie.Load(in, errors));
        CSwfFrameRenderer renderer(movie);
        const int frames = std::max(movie.mainTimeline.GetFrameCount(), 1);
        for (int f = 0; f < frames; ++f) {
            QImage image = renderer.RenderFrame(f, QSize(160, 120));
            ASSERT_FALSE(image.isNull());
        }
        // The character-only movies from the independent writer: every character placed on a frame
        // of its own must draw something besides the background, with nothing left undrawn.
        if (std::string(name).rfind("independent_", 0) == 0) {
            int drawnCharacters = 0;
            for (const auto& [id, tag] : movie.dictionary) {
                if (tag->code == kTagDefineFont || tag->code == kTagDefineFont2) continue;  // not placeable
                FSWFMovie single = movie;
                single.mainTimeline = FTimeline(1);
                single.mainTimeline.AddRecord(Place(id, 1, 2000, 2000), 0);
                single.header.frame = FlashRect(0, 0, 8000, 8000);
                CSwfFrameRenderer one(single);
                QImage image = one.RenderFrame(0, QSize(160, 160));
                const QRgb background = one.BackgroundAt(0).rgb();
                bool drawn = false;
                for (int y = 0; y < image.height() && !drawn; ++y)
                    for (int x = 0; x < image.width() && !drawn; ++x) drawn = image.pixel(x, y) != background;
                drawnCharacters += drawn ? 1 : 0;
                EXPECT_TRUE(one.Problems().empty()) << id << ": " << one.Problems().front();
            }
            EXPECT_GT(drawnCharacters, 0);
        }
    }
}

}  // namespace

namespace {

std::vector<uint8_t> Zipped(const std::vector<uint8_t>& raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> out(size);
    compress(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()));
    out.resize(size);
    return out;
}

TEST(SwfFrameRenderer, BitmapsDecodeOrFailWithAReason) {
    FSWFMovie movie;
    // 2 x 1 pixels, 32-bit with alpha: opaque red, then half-transparent premultiplied blue.
    FlashTagDefineBitsLossless2 good;
    good.format = 5;
    good.width = 2;
    good.height = 1;
    good.data = Zipped({255, 255, 0, 0, 128, 0, 0, 128});
    std::string error;
    QImage image = DecodeSwfBitmap(movie, good, error);
    ASSERT_FALSE(image.isNull()) << error;
    EXPECT_EQ(image.pixel(0, 0), qRgba(255, 0, 0, 255));
    EXPECT_EQ(image.pixelColor(1, 0).alpha(), 128);
    EXPECT_NEAR(image.pixelColor(1, 0).blue(), 255, 2);  // stored premultiplied

    struct item {
        const char* name;
        uint8_t format;
        uint16_t width, height;
        std::vector<uint8_t> data;
        const char* error;
    };
    const std::vector<item> cases = {
        {"pixels beyond the limit", 5, 65535, 65535, Zipped({1, 2, 3}), "bitmap size 65535x65535 out of range"},
        {"data shorter than the size", 5, 4, 4, Zipped({1, 2, 3, 4}), "32-bit bitmap data is short or not zlib"},
        {"not zlib", 5, 1, 1, {1, 2, 3, 4, 5, 6}, "32-bit bitmap data is short or not zlib"},
        {"colour map without its size byte", 3, 1, 1, {}, "colour-mapped bitmap without a table size"},
        {"unknown format", 7, 1, 1, Zipped({0}), "bitmap format 7 unknown"},
    };
    for (const item& c : cases) {
        FlashTagDefineBitsLossless tag;
        tag.format = c.format;
        tag.width = c.width;
        tag.height = c.height;
        tag.data = c.data;
        error.clear();
        EXPECT_TRUE(DecodeSwfBitmap(movie, tag, error).isNull()) << c.name;
        EXPECT_EQ(error, c.error) << c.name;
    }
    FlashTagDefineBitsJPEG2 jpeg;
    jpeg.data = {0xFF, 0xD8, 1, 2, 3};
    error.clear();
    EXPECT_TRUE(DecodeSwfBitmap(movie, jpeg, error).isNull());
    EXPECT_EQ(error, "JPEG data does not decode");
}

TEST(SwfFrameRenderer, BitmapFillShowsTheBitmapUnderItsMatrix) {
    FSWFMovie movie = Stage();
    // A 2 x 2 colour-mapped bitmap (red, blue / blue, red), each pixel scaled to 50 stage pixels.
    FlashTagDefineBitsLossless bits;
    bits.SetID(7);
    bits.format = 3;
    bits.width = bits.height = 2;
    std::vector<uint8_t> raw = {255, 0, 0, 0, 0, 255, 0, 1, 0, 0, 1, 0, 0, 0};  // table, rows padded to 4
    bits.data = Zipped(raw);
    bits.data.insert(bits.data.begin(), 1);  // two colours
    movie.AddCharacter(bits);
    swf_shape_builder b(1);
    b.Polygon({{0, 0}, {2000, 0}, {2000, 2000}, {0, 2000}}, 1);
    FlashTagDefineShape3 shape = b.Take();
    auto fill = std::make_unique<FlashFillStyleBitmap>(7, false);
    fill->smoothed = 0;
    fill->matrix.hasScale = 1;
    fill->matrix.xScale = fill->matrix.yScale = FlashFixed(1000.0);
    shape.shape.fillStyles.styles.push_back(std::move(fill));
    movie.AddCharacter(shape);
    movie.mainTimeline.AddRecord(Place(1, 1), 0);
    std::vector<std::string> problems;
    QImage image = Render(movie, &problems);
    EXPECT_TRUE(problems.empty()) << problems.front();
    EXPECT_EQ(At(image, 25, 25), 0xFF0000u);
    EXPECT_EQ(At(image, 75, 25), 0x0000FFu);
    EXPECT_EQ(At(image, 25, 75), 0x0000FFu);
    EXPECT_EQ(At(image, 150, 150), 0xFFFFFFu);
}

}  // namespace
