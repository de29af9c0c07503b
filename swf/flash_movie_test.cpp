// FSWFMovie: loading with error texts, writing each character before its first use, character ids,
// instance paths, and movies built here from every kind of character.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "swf/flash_actions.h"
#include "swf/flash_bitmap_tags.h"
#include "swf/flash_control_tags.h"
#include "swf/flash_display.h"
#include "swf/flash_morph.h"
#include "swf/flash_movie.h"
#include "swf/flash_shape.h"
#include "swf/flash_sprite.h"
#include "swf/flash_text.h"
#include "swf/swf_character_dump.h"
#include "swf/swf_test_support.h"

namespace {

const std::string kDir = std::string(MURMUREX_TESTDATA_DIR) + "/swf/";

// A file from its tags: header (version 6, 550 x 400 px, 12 fps), the tags, End.
std::vector<uint8_t> File(const std::vector<FlashTag*>& tags, uint8_t rateInteger = 12) {
    flash_ostream body;
    body.version = 6;
    for (FlashTag* t : tags) t->Write(body);
    FlashTagEnd().Write(body);
    FlashHeader h;
    h.version = 6;
    h.frame = FlashRect(0, 0, 11000, 8000);
    h.rateInteger = rateInteger;
    h.frameCount = 1;
    h.fileLength = static_cast<uint32_t>(body.size());
    flash_ostream out;
    h.Write(out);
    WriteBytes(out, body.bytes());
    return out.bytes();
}

// A tag given as its finished bytes, for bodies the library's own classes would not build.
class RawTag : public FlashTag {
public:
    explicit RawTag(std::vector<uint8_t> b) : FlashTag(0), bytes(std::move(b)) {}
    void Write(flash_ostream& out) override { WriteBytes(out, bytes); }
    std::vector<uint8_t> bytes;
};

// A tag with a short header from its code and body.
std::vector<uint8_t> ShortTag(uint16_t code, const std::vector<uint8_t>& body) {
    return Concat(Bytes({static_cast<int>((code << 6 | body.size()) & 0xFF), code >> 2}), body);
}

struct TagSeen {
    uint16_t code;
    uint32_t length;
    int id;  // the defined character, or -1
};

// The top-level tags of a file.
std::vector<TagSeen> TagsOf(const std::vector<uint8_t>& file) {
    flash_istream in(file.data(), file.size());
    FlashHeader h;
    std::string error;
    EXPECT_TRUE(ReadFlashHeader(in, h, error, nullptr));
    in.version = h.version;
    std::vector<TagSeen> seen;
    for (bool more = true; more;) {
        std::unique_ptr<FlashTag> tag;
        more = ReadFlashTag(in, tag, nullptr);
        if (!tag) break;
        auto* def = dynamic_cast<FlashIDEnabled*>(tag.get());
        seen.push_back({tag->code, tag->GetLength(), def ? def->GetID() : -1});
    }
    return seen;
}

FlashTagDefineShape1 Square(uint16_t id, int size) {
    FlashTagDefineShape1 s;
    s.characterId = id;
    s.bounds = FlashRect(0, 0, size, size);
    s.shape.fillStyles.styles.push_back(std::make_unique<FlashFillStyleSolid>(FlashRGBA(200, 0, 0)));
    FlashShapeRecordChange c;
    c.stateMoveTo = c.stateFillStyle1 = 1;
    c.fillStyle1 = 1;
    s.shape.AddRecord(c);
    s.shape.AddRecord(FlashShapeRecordStraight(size, 0));
    s.shape.AddRecord(FlashShapeRecordStraight(0, size));
    s.shape.AddRecord(FlashShapeRecordStraight(-size, -size));
    return s;
}

FlashTagPlaceObject2 PlaceAt(uint16_t depth, uint16_t id, const char* name = nullptr) {
    FlashTagPlaceObject2 p(depth);
    p.hasCharacter = p.hasMatrix = 1;
    p.characterId = id;
    if (name) {
        p.hasName = 1;
        p.name = name;
    }
    return p;
}

FlashTagDefineBitsLossless Bitmap(uint16_t id) {
    FlashTagDefineBitsLossless b;
    b.characterId = id;
    b.format = 5;
    b.width = b.height = 1;
    b.data = {0x78, 0x9C, 0x63, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01};
    return b;
}

// A sprite from its nested tags, with its timeline built from them.
std::unique_ptr<FlashTagSprite> Sprite(uint16_t id, std::vector<std::unique_ptr<FlashTag>> tags) {
    auto s = std::make_unique<FlashTagSprite>();
    s->characterId = id;
    s->tags = std::move(tags);
    s->timeline.BuildFromTags(s->tags);
    s->frameCount = static_cast<uint16_t>(s->timeline.GetFrameCount());
    return s;
}

template <typename T>
std::unique_ptr<FlashTag> Own(T tag) {
    return std::make_unique<T>(std::move(tag));
}

// Every character a written file names is defined earlier in it.
void ExpectCharactersBeforeUse(const std::vector<uint8_t>& file) {
    flash_istream in(file.data(), file.size());
    FlashHeader h;
    std::string error;
    ASSERT_TRUE(ReadFlashHeader(in, h, error, nullptr));
    in.version = h.version;
    std::set<uint16_t> defined;
    class Uses : public FDefinedVisitor {
    public:
        void VisitPlaceObject2(FlashTagPlaceObject2& p) override {
            if (p.hasCharacter) ids.push_back(p.characterId);
        }
        std::vector<uint16_t> ids;
    };
    for (bool more = true; more;) {
        std::unique_ptr<FlashTag> tag;
        more = ReadFlashTag(in, tag, nullptr);
        if (!tag) break;
        Uses uses;
        tag->Accept(uses);
        if (auto* sprite = dynamic_cast<FlashTagSprite*>(tag.get())) sprite->AcceptTags(uses);
        if (auto* b = dynamic_cast<FlashTagDefineButton2*>(tag.get()))
            for (auto& r : b->records) uses.ids.push_back(r.characterId);
        if (auto* b = dynamic_cast<FlashTagDefineButton*>(tag.get()))
            for (auto& r : b->records) uses.ids.push_back(r.characterId);
        if (auto* m = dynamic_cast<FlashTagDefineMorphShape*>(tag.get()))
            for (auto& s : m->fillStyles.styles)
                if (auto* bm = dynamic_cast<FlashMorphFillStyleBitmap*>(s.get())) uses.ids.push_back(bm->bitmapId);
        if (auto* s = dynamic_cast<FlashTagDefineShapeBase*>(tag.get())) {
            auto add = [&](const FlashFillStyleArray& a) {
                for (auto& f : a.styles)
                    if (auto* bm = dynamic_cast<FlashFillStyleBitmap*>(f.get())) uses.ids.push_back(bm->bitmapId);
            };
            add(s->shape.fillStyles);
            for (auto& c : s->shape.changeRecords) add(c.fillStyles);
        }
        if (auto* t = dynamic_cast<FlashTagDefineTextBase*>(tag.get()))
            for (auto& r : t->records)
                if (auto* st = dynamic_cast<FlashTextRecordStyle*>(r.get()); st && st->hasFont)
                    uses.ids.push_back(st->fontId);
        for (uint16_t id : uses.ids) EXPECT_TRUE(defined.count(id)) << "character " << id << " used before it is defined";
        if (auto* def = dynamic_cast<FlashIDEnabled*>(tag.get())) defined.insert(def->GetID());
    }
}

// A movie of every kind of character: shapes with several style changes, curves and gradients; a
// sprite with labels that nests another sprite; a button; a morph shape; fonts and texts.
FSWFMovie RichMovie() {
    FSWFMovie movie;
    movie.header.version = 6;
    movie.header.frame = FlashRect(0, 0, 11000, 8000);
    movie.header.rateInteger = 24;

    movie.AddCharacter(Bitmap(1));
    FlashTagDefineShape3 shape;
    shape.characterId = 2;
    shape.bounds = FlashRect(-500, -500, 2500, 2500);
    auto gradient = std::make_unique<FlashFillStyleGradient>(0x10);
    gradient->matrix.hasScale = 1;
    gradient->matrix.xScale = gradient->matrix.yScale = FlashFixed(0.05);
    gradient->gradient.ratios = {0, 128, 255};
    gradient->gradient.colors = {FlashRGBA(255, 0, 0, 255, 1), FlashRGBA(0, 255, 0, 128, 1), FlashRGBA(0, 0, 255, 0, 1)};
    shape.shape.fillStyles.styles.push_back(std::move(gradient));
    shape.shape.fillStyles.styles.push_back(std::make_unique<FlashFillStyleSolid>(FlashRGBA(1, 2, 3, 4, 1)));
    shape.shape.lineStyles.styles.push_back(FlashLineStyle(20, FlashRGBA(0, 0, 0, 255, 1)));
    FlashShapeRecordChange a;
    a.stateMoveTo = a.stateFillStyle1 = a.stateLineStyle = 1;
    a.moveDeltaX = -500;
    a.fillStyle1 = 1;
    a.lineStyle = 1;
    shape.shape.AddRecord(a);
    shape.shape.AddRecord(FlashShapeRecordStraight(1000, 0));
    shape.shape.AddRecord(FlashShapeRecordCurved(500, 500, -500, 500));
    FlashShapeRecordChange b;
    b.stateFillStyle1 = b.stateLineStyle = 1;
    b.fillStyle1 = 2;
    shape.shape.AddRecord(b);
    shape.shape.AddRecord(FlashShapeRecordStraight(-1000, -1000));
    FlashShapeRecordChange c;
    c.stateNewStyles = c.stateMoveTo = 1;
    c.moveDeltaX = c.moveDeltaY = 2000;
    c.fillStyles.styles.push_back(std::make_unique<FlashFillStyleBitmap>(1, true));
    shape.shape.AddRecord(c);
    FlashShapeRecordChange d;
    d.stateFillStyle0 = 1;
    d.fillStyle0 = 1;
    shape.shape.AddRecord(d);
    shape.shape.AddRecord(FlashShapeRecordCurved(100, 0, 0, 100));
    movie.AddCharacter(shape);
    movie.AddCharacter(Square(3, 400));

    FlashTagDefineButton2 button;
    button.characterId = 4;
    FlashButtonRecord r;
    r.stateFlags = kButtonUp | kButtonOver | kButtonHitTest;
    r.characterId = 3;
    r.depth = 1;
    button.records.push_back(r);
    button.conditionActions[0x0008].records.push_back(FlashActionRecord(0x07).Clone());
    movie.AddCharacter(button);

    FlashTagDefineMorphShape morph;
    morph.characterId = 5;
    morph.fillStyles.styles.push_back(
        std::make_unique<FlashMorphFillStyleSolid>(FlashRGBA(255, 0, 0), FlashRGBA(0, 0, 255)));
    morph.startEdges = Square(0, 100).shape;
    morph.endEdges = Square(0, 300).shape;
    movie.AddCharacter(morph);

    FlashTagDefineFont2 font;
    font.characterId = 6;
    font.flags = 0x0100 | kFont2WideCodes;
    font.name = "Sans";
    font.glyphs = {Square(0, 500).shape, Square(0, 300).shape};
    font.codes = {'o', 'x'};
    movie.AddCharacter(font);
    FlashTagDefineText2 text;
    text.characterId = 7;
    text.bounds = FlashRect(0, 0, 2000, 500);
    auto style = std::make_unique<FlashTextRecordStyle>();
    style->hasFont = style->hasColor = 1;
    style->fontId = 6;
    style->textHeight = 400;
    style->color = FlashRGBA(0, 0, 0, 255, 1);
    text.records.push_back(std::move(style));
    auto glyphs = std::make_unique<FlashTextRecordGlyph>();
    glyphs->glyphs = {{0, 300}, {1, 280}, {0, 300}};
    text.records.push_back(std::move(glyphs));
    movie.AddCharacter(text);

    // A sprite with labels that nests another sprite, which moves the morph shape.
    auto morphPlace = PlaceAt(1, 5);
    morphPlace.hasRatio = 1;
    morphPlace.ratio = 0;
    FlashTagPlaceObject2 morphMove(1);
    morphMove.move = morphMove.hasRatio = 1;
    morphMove.ratio = 65535;
    auto inner = Sprite(8, [&] {
        std::vector<std::unique_ptr<FlashTag>> t;
        t.push_back(Own(morphPlace));
        t.push_back(std::make_unique<FlashTagShowFrame>());
        t.push_back(Own(morphMove));
        t.push_back(std::make_unique<FlashTagShowFrame>());
        t.push_back(std::make_unique<FlashTagEnd>());
        return t;
    }());
    movie.AddCharacter(*inner);
    auto outer = Sprite(9, [&] {
        std::vector<std::unique_ptr<FlashTag>> t;
        t.push_back(std::make_unique<FlashTagLabelFrame>("blink"));
        t.push_back(Own(PlaceAt(1, 8, "eye")));
        t.push_back(Own(PlaceAt(2, 2)));
        t.push_back(std::make_unique<FlashTagShowFrame>());
        t.push_back(std::make_unique<FlashTagLabelFrame>("open"));
        t.push_back(std::make_unique<FlashTagRemoveObject2>(2));
        t.push_back(std::make_unique<FlashTagShowFrame>());
        t.push_back(std::make_unique<FlashTagEnd>());
        return t;
    }());
    movie.AddCharacter(*outer);
    movie.AddCharacter(Square(10, 50));  // never placed

    auto& t = movie.GetTimeline();
    FlashTagBackgroundColor bg(255, 255, 255);
    t.VisitBackgroundColor(bg);
    FlashTagLabelFrame label("talk");
    t.VisitLabelFrame(label);
    for (auto p : {PlaceAt(1, 9, "face"), PlaceAt(2, 4), PlaceAt(3, 7)}) t.VisitPlaceObject2(p);
    FlashTagShowFrame show;
    t.VisitShowFrame(show);
    FlashTagRemoveObject2 remove(2);
    t.VisitRemoveObject2(remove);
    t.VisitShowFrame(show);
    t.EndBuild();
    return movie;
}

}  // namespace

TEST(FlashMovie, LoadsAndWritesAOneShapeMovie) {
    FlashTagDefineShape1 square = Square(1, 200);
    FlashTagPlaceObject2 place = PlaceAt(1, 1);
    FlashTagShowFrame show;
    std::vector<uint8_t> file = File({&square, &place, &show});
    FSWFMovie movie;
    std::vector<std::string> errors{"stale"};
    EXPECT_TRUE(LoadMovie(movie, file, errors));
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(movie.dictionary.size(), 1u);
    EXPECT_EQ(movie.GetTimeline().GetFrameCount(), 1);
    // Minimally encoded, so the first write gives the same bytes.
    std::vector<uint8_t> written = WrittenMovie(movie);
    EXPECT_EQ(written, file);
    std::vector<TagSeen> tags = TagsOf(written);
    ASSERT_EQ(tags.size(), 4u);
    EXPECT_EQ(tags[0].code, 2);
    EXPECT_EQ(tags[1].code, 26);
    EXPECT_EQ(tags[2].code, 1);
    EXPECT_EQ(tags[3].code, 0);
    EXPECT_EQ(written[4] | written[5] << 8 | written[6] << 16, int(written.size()));
}

TEST(FlashMovie, LoadErrorsAreTextsAndTheRestIsRead) {
    struct Case {
        std::vector<uint8_t> tag;
        std::string error;
    } cases[] = {
        {{0x45, 0x02, 1, 2, 3, 4, 5}, "Extra data encountered for tag tagSetBackgroundColor"},
    };
    for (const auto& c : cases) {
        FlashTagDefineShape1 square = Square(1, 200);
        FlashTagPlaceObject2 place = PlaceAt(1, 1);
        std::vector<uint8_t> file = File({&square});
        std::vector<uint8_t> tail = WrittenBytes(place);
        file.insert(file.end() - 2, c.tag.begin(), c.tag.end());
        file.insert(file.end() - 2, tail.begin(), tail.end());
        FSWFMovie movie;
        std::vector<std::string> errors;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(LoadMovie(movie, file, errors));
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(errors, std::vector<std::string>{c.error});
        std::vector<FDisplayRecord> list;
        movie.GetTimeline().GetDisplayList(0, list);
        EXPECT_EQ(list.size(), 1u) << c.error;
    }
    // Not a SWF file at all.
    FSWFMovie movie;
    std::vector<std::string> errors;
    EXPECT_FALSE(LoadMovie(movie, Bytes({'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}), errors));
    EXPECT_EQ(errors.size(), 1u);
}

TEST(FlashMovie, TruncatedMoviesFailWithAnErrorText) {
    FSWFMovie rich = RichMovie();
    std::vector<uint8_t> file = WrittenMovie(rich);
    testing::internal::CaptureStderr();
    int failed = 0;
    for (size_t cut = 0; cut + 1 < file.size(); cut += 7) {
        std::vector<uint8_t> part(file.begin(), file.begin() + cut);
        FSWFMovie movie;
        std::vector<std::string> errors;
        if (LoadMovie(movie, part, errors)) {
            // A cut at a tag boundary has only lost the End tag.
            ASSERT_FALSE(movie.warnings.empty()) << cut;
            EXPECT_EQ(movie.warnings.back(), "the SWF data ends without an End tag") << cut;
        } else {
            EXPECT_FALSE(errors.empty()) << cut;
            ++failed;
        }
    }
    testing::internal::GetCapturedStderr();
    EXPECT_GT(failed, 0);
}

TEST(FlashMovie, CharactersAreWrittenOnceJustBeforeTheirFirstUse) {
    FSWFMovie movie = RichMovie();
    std::vector<uint8_t> file = WrittenMovie(movie);
    ExpectCharactersBeforeUse(file);
    std::vector<int> ids;
    for (const auto& t : TagsOf(file))
        if (t.id >= 0) ids.push_back(t.id);
    // The sprite 9 needs 8, which needs the morph 5; the shape 2 needs the bitmap 1; the button
    // needs the square 3; the text needs its font. Character 10 is never placed.
    EXPECT_EQ(ids, (std::vector<int>{5, 8, 1, 2, 9, 3, 4, 6, 7}));
}

TEST(FlashMovie, UseChainsOfAnyLengthAndCyclesAreWrittenOnceDeepestFirst) {
    // A crafted movie can chain sprites that place one another through nearly every id; writing it
    // must neither exhaust the stack nor change the order a short chain is written in.
    constexpr uint16_t kLast = 60000;
    FSWFMovie movie;
    for (uint16_t id = 1; id < kLast; ++id) {
        std::vector<std::unique_ptr<FlashTag>> t;
        t.push_back(Own(PlaceAt(1, static_cast<uint16_t>(id + 1))));
        t.push_back(std::make_unique<FlashTagShowFrame>());
        t.push_back(std::make_unique<FlashTagEnd>());
        movie.dictionary[id] = Sprite(id, std::move(t));
    }
    movie.AddCharacter(Square(kLast, 100));
    auto& t = movie.GetTimeline();
    FlashTagPlaceObject2 place = PlaceAt(1, 1);
    t.VisitPlaceObject2(place);
    FlashTagShowFrame show;
    t.VisitShowFrame(show);
    t.EndBuild();
    std::vector<uint8_t> file = WrittenMovie(movie);
    std::vector<TagSeen> tags = TagsOf(file);
    ASSERT_EQ(tags.size(), size_t{kLast} + 3);
    for (uint16_t i = 0; i < kLast; ++i) ASSERT_EQ(tags[i].id, kLast - i) << i;
    FSWFMovie back;
    std::vector<std::string> errors;
    ASSERT_TRUE(LoadMovie(back, file, errors)) << errors.front();
    EXPECT_EQ(WrittenMovie(back), file);

    // Sprites 1 and 2 place each other and 3 places itself: each is written once, after what it
    // uses that was not already on its way out.
    FSWFMovie cycle;
    auto placing = [](uint16_t id, uint16_t placed) {
        std::vector<std::unique_ptr<FlashTag>> t;
        t.push_back(Own(PlaceAt(1, placed)));
        t.push_back(std::make_unique<FlashTagShowFrame>());
        t.push_back(std::make_unique<FlashTagEnd>());
        return Sprite(id, std::move(t));
    };
    cycle.dictionary[1] = placing(1, 2);
    cycle.dictionary[2] = placing(2, 1);
    cycle.dictionary[3] = placing(3, 3);
    for (auto p : {PlaceAt(1, 3), PlaceAt(2, 1), PlaceAt(3, 2)}) cycle.GetTimeline().VisitPlaceObject2(p);
    cycle.GetTimeline().VisitShowFrame(show);
    cycle.GetTimeline().EndBuild();
    std::vector<int> ids;
    for (const auto& seen : TagsOf(WrittenMovie(cycle)))
        if (seen.id >= 0) ids.push_back(seen.id);
    EXPECT_EQ(ids, (std::vector<int>{3, 2, 1}));
}

TEST(FlashMovie, FrameLabelAnchorsSurviveLoadAndWrite) {
    // Labels with a named-anchor byte in the main timeline and in a sprite, and one without it.
    FlashTagDefineShape1 square = Square(1, 200);
    FlashTagPlaceObject2 inSprite = PlaceAt(1, 1);
    std::vector<uint8_t> spriteBody = Bytes({2, 0, 2, 0});
    spriteBody = Concat(spriteBody, ShortTag(43, Bytes({'e', 'y', 'e', 0, 1})));
    spriteBody = Concat(spriteBody, WrittenBytes(inSprite));
    spriteBody = Concat(spriteBody, ShortTag(1, {}));
    spriteBody = Concat(spriteBody, ShortTag(43, Bytes({'b', 0})));
    spriteBody = Concat(spriteBody, ShortTag(1, {}));
    spriteBody = Concat(spriteBody, ShortTag(0, {}));
    RawTag talk(ShortTag(43, Bytes({'t', 'a', 'l', 'k', 0, 1})));
    RawTag sprite(ShortTag(39, spriteBody));
    FlashTagPlaceObject2 place = PlaceAt(1, 2);
    FlashTagShowFrame show;
    std::vector<uint8_t> file = File({&talk, &square, &sprite, &place, &show});
    FSWFMovie movie;
    std::vector<std::string> errors;
    ASSERT_TRUE(LoadMovie(movie, file, errors)) << errors.front();
    std::string label;
    EXPECT_TRUE(movie.GetTimeline().GetFrameLabel(0, label));
    EXPECT_EQ(label, "talk");
    EXPECT_EQ(WrittenMovie(movie), file);
}

TEST(FlashMovie, ABuiltMovieReadsBackAndWritingIsAFixedPoint) {
    FSWFMovie movie = RichMovie();
    std::vector<uint8_t> once = WrittenMovie(movie);
    FSWFMovie back;
    std::vector<std::string> errors;
    ASSERT_TRUE(LoadMovie(back, once, errors)) << errors.front();
    EXPECT_EQ(back.header.frameCount, 2);
    EXPECT_EQ(back.GetFrameRate(), 24);
    // Everything but the unused square decodes as it was built.
    movie.dictionary.erase(10);
    EXPECT_EQ(swf_dump::Characters(back), swf_dump::Characters(movie));
    std::string label;
    EXPECT_TRUE(back.GetTimeline().GetFrameLabel(0, label));
    EXPECT_EQ(label, "talk");
    auto* outer = dynamic_cast<FlashTagSprite*>(back.GetCharacter(9));
    ASSERT_NE(outer, nullptr);
    EXPECT_TRUE(outer->timeline.GetFrameLabel(1, label));
    EXPECT_EQ(label, "open");
    auto* inner = dynamic_cast<FlashTagSprite*>(back.GetCharacter(8));
    ASSERT_NE(inner, nullptr);
    FDisplayRecord r;
    ASSERT_TRUE(inner->timeline.elements[1].GetPlacedRecord(r, 1));
    EXPECT_EQ(r.ratio, 65535);
    EXPECT_EQ(WrittenMovie(back), once);

    // Instance paths go through both sprites.
    FlashIDEnabled* character = nullptr;
    EXPECT_TRUE(back.FindTimeline("/Face/EYE/", 0, r, character));
    EXPECT_EQ(character, inner);
    EXPECT_EQ(r.name, "eye");
    EXPECT_FALSE(back.FindTimeline("face/mouth", 0, r, character));
}

TEST(FlashMovie, InstancePathsNeedSpritesOnTheWay) {
    FlashTagDefineShape1 square = Square(1, 200);
    FlashTagPlaceObject2 place = PlaceAt(1, 1, "box");
    FlashTagShowFrame show;
    FSWFMovie movie;
    std::vector<std::string> errors;
    ASSERT_TRUE(LoadMovie(movie, File({&square, &place, &show}), errors));
    FDisplayRecord r;
    FlashIDEnabled* character = nullptr;
    EXPECT_TRUE(movie.FindTimeline("box", 0, r, character));
    EXPECT_FALSE(movie.FindTimeline("box/inner", 0, r, character));
    EXPECT_FALSE(movie.FindTimeline("a//b", 0, r, character));
}

TEST(FlashMovie, SplitTimelinePath) {
    struct Case {
        std::string path;
        bool ok;
        std::vector<std::string> parts;
        int errorPos;
        std::string errorText;
    } cases[] = {
        {"a//b", false, {}, 2, "syntax error: two '/' in a row"},
        {" /a/b/ ", true, {"a", "b"}, 0, ""},
        {"  a//b", false, {}, 4, "syntax error: two '/' in a row"},
        {"\t /a b", false, {}, 4, "invalid character"},
        {"a b", false, {}, 1, "invalid character"},
        {"face/ey-e", false, {}, 7, "invalid character"},
        {"///", false, {}, 0, "no path specified"},
        {"Mouth_2", true, {"Mouth_2"}, 0, ""},
    };
    for (const auto& c : cases) {
        std::string path = c.path;
        std::vector<std::string> parts;
        int pos = 0;
        std::string text;
        EXPECT_EQ(SplitTimelinePath(path, parts, '/', pos, text), c.ok) << c.path;
        if (c.ok) {
            EXPECT_EQ(parts, c.parts) << c.path;
        } else {
            EXPECT_EQ(pos, c.errorPos) << c.path;
            EXPECT_EQ(text, c.errorText) << c.path;
        }
    }
}

TEST(FlashMovie, IdAllocationAndImport) {
    FSWFMovie empty;
    std::vector<uint16_t> ids;
    empty.AllocateIDs(ids, 3);
    EXPECT_EQ(ids, (std::vector<uint16_t>{1, 2, 3}));
    FSWFMovie seven;
    seven.AddCharacter(Square(7, 10));
    EXPECT_FALSE(seven.AddCharacter(Square(7, 20)));
    seven.AllocateIDs(ids, 3);
    EXPECT_EQ(ids, (std::vector<uint16_t>{8, 9, 10}));
    seven.AllocateIDs(ids, 0);
    EXPECT_TRUE(ids.empty());

    FSWFMovie target, source;
    target.AddCharacter(Square(1, 10));
    target.AddCharacter(Square(2, 10));
    source.AddCharacter(Square(1, 30));
    source.AddCharacter(Square(5, 50));
    target.ImportCharacters(source);
    EXPECT_EQ(target.dictionary.size(), 4u);
    EXPECT_EQ(static_cast<FlashTagDefineShape1*>(target.GetCharacter(3))->bounds.xmax, 30);
    EXPECT_EQ(static_cast<FlashTagDefineShape1*>(target.GetCharacter(5))->bounds.xmax, 50);
}

TEST(FlashMovie, RenumberingKeepsEveryReferenceAndEveryCharacter) {
    // The movie to renumber uses the id the allocator would hand out first (3), and references its
    // characters from a shape's new styles, a button, a morph shape, a sprite and a text. Renumbering
    // once gave two characters one id, left buttons and morph bitmaps on the old ids, and dropped
    // bitmaps that only morph shapes use.
    FSWFMovie movie = RichMovie();
    FSWFMovie allocator;
    for (uint16_t id : {1, 2}) allocator.AddCharacter(Square(id, 10));
    auto* morph = static_cast<FlashTagDefineMorphShape*>(movie.GetCharacter(5));
    morph->fillStyles.styles.push_back(std::make_unique<FlashMorphFillStyleBitmap>(1, true));
    movie.RenumberIDs(allocator);
    EXPECT_EQ(movie.dictionary.size(), 10u);
    std::set<uint16_t> ids;
    for (const auto& [id, tag] : movie.dictionary) {
        EXPECT_EQ(id, tag->GetID());
        ids.insert(id);
    }
    // 1 and 2 collide; 3 to 10 are taken by the movie itself, so they become 11 and 12.
    EXPECT_EQ(ids, (std::set<uint16_t>{3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    auto* shape = static_cast<FlashTagDefineShape3*>(movie.GetCharacter(12));
    ASSERT_NE(shape, nullptr);
    EXPECT_EQ(static_cast<FlashFillStyleBitmap*>(shape->shape.changeRecords[2].fillStyles.styles[0].get())->bitmapId, 11);
    EXPECT_EQ(static_cast<FlashMorphFillStyleBitmap*>(morph->fillStyles.styles[1].get())->bitmapId, 11);
    auto* outer = static_cast<FlashTagSprite*>(movie.GetCharacter(9));
    std::vector<FDisplayRecord> list;
    outer->timeline.GetDisplayList(0, list);
    EXPECT_EQ(list[1].characterId, 12);

    std::vector<uint8_t> file = WrittenMovie(movie);
    ExpectCharactersBeforeUse(file);
    std::set<int> written;
    for (const auto& t : TagsOf(file))
        if (t.id >= 0) written.insert(t.id);
    EXPECT_EQ(written, (std::set<int>{3, 4, 5, 6, 7, 8, 9, 11, 12}));

    allocator.ImportCharacters(movie);
    EXPECT_EQ(allocator.dictionary.size(), 12u);
}

TEST(FlashMovie, FrameRateIsUnsignedAndThePeriodIsAlwaysFinite) {
    FSWFMovie movie;
    movie.header.rateFraction = 0x80;
    movie.header.rateInteger = 0x0C;
    EXPECT_EQ(movie.GetFrameRate(), 12);
    EXPECT_DOUBLE_EQ(movie.GetFramePeriodMs(), 80.0);
    // 200 frames per second once read as -56.
    movie.header.rateInteger = 200;
    movie.header.rateFraction = 0;
    EXPECT_EQ(movie.GetFrameRate(), 200);
    EXPECT_DOUBLE_EQ(movie.GetFramePeriodMs(), 5.0);
    // A rate of 0 has no period of its own.
    movie.header.rateInteger = 0;
    EXPECT_EQ(movie.GetFrameRate(), 0);
    EXPECT_DOUBLE_EQ(movie.GetFramePeriodMs(), 1000.0 / 12);
    movie.header.rateFraction = 0x80;
    EXPECT_DOUBLE_EQ(movie.GetFramePeriodMs(), 2000.0);
}

TEST(FlashMovie, CopiesAreDeepAndLeaveTheErrorsBehind) {
    FSWFMovie movie = RichMovie();
    movie.protect = 1;
    FlashTagJPEGTables tables;
    tables.data = {0xFF, 0xD8, 0xFF, 0xD9};
    movie.SetJPEGTables(tables);
    movie.errors = {"old"};
    FSWFMovie copy;
    copy = movie;
    EXPECT_TRUE(copy.errors.empty());
    EXPECT_EQ(copy.dictionary.size(), movie.dictionary.size());
    EXPECT_NE(copy.GetCharacter(2), movie.GetCharacter(2));
    ASSERT_NE(copy.GetJPEGTables(), nullptr);
    EXPECT_EQ(WrittenMovie(copy), WrittenMovie(movie));
    std::vector<TagSeen> tags = TagsOf(WrittenMovie(copy));
    EXPECT_EQ(tags[0].code, 24);
    EXPECT_EQ(tags[1].code, 8);
    copy.DeleteAll();
    EXPECT_TRUE(copy.dictionary.empty());
    EXPECT_EQ(copy.GetJPEGTables(), nullptr);
    EXPECT_FALSE(movie.dictionary.empty());
}

TEST(FlashMovie, MovingTakesTheCharactersOverWithoutCopies) {
    FSWFMovie movie = RichMovie();
    const FlashIDEnabled* shape = movie.GetCharacter(2);
    const std::vector<uint8_t> written = WrittenMovie(movie);
    FSWFMovie moved(std::move(movie));
    EXPECT_EQ(moved.GetCharacter(2), shape);
    EXPECT_TRUE(movie.dictionary.empty());
    EXPECT_EQ(movie.GetTimeline().GetFrameCount(), 0);
    EXPECT_EQ(WrittenMovie(moved), written);
}

// A sprite that counts the copies made of it.
class CountedSprite : public FlashTagSprite {
public:
    static int copies;
    CountedSprite() = default;
    CountedSprite(const CountedSprite& o) : FlashTagSprite(o) { ++copies; }
    std::unique_ptr<FlashTag> Clone() const override { return std::make_unique<CountedSprite>(*this); }
};
int CountedSprite::copies = 0;

TEST(FlashMovie, LoadingKeepsTheCharactersReadNotCopies) {
    FlashTagSprite sprite;
    sprite.characterId = 3;
    FlashTagShowFrame show;
    FlashTagPlaceObject2 place = PlaceAt(1, 3);
    const std::vector<uint8_t> file = File({&sprite, &place, &show});
    const FlashTagFactory before = RegisterFlashTagFactory(
        39, [](flash_istream&, const FlashTagHeader&) -> std::unique_ptr<FlashTag> {
            return std::make_unique<CountedSprite>();
        });
    CountedSprite::copies = 0;
    FSWFMovie movie;
    std::vector<std::string> errors;
    flash_istream in(file.data(), file.size());
    const bool loaded = movie.Load(in, errors);
    RegisterFlashTagFactory(39, before);
    ASSERT_TRUE(loaded);
    EXPECT_NE(dynamic_cast<CountedSprite*>(movie.GetCharacter(3)), nullptr);
    EXPECT_EQ(CountedSprite::copies, 0);
}

TEST(FlashMovie, MoviesOfMoreFramesOrTagsThanATemplateNeedsAreRefusedWithTheReason) {
    // Bare tags: a ShowFrame, and a FreeCharacter that builds nothing at all.
    const std::vector<uint8_t> frame = ShortTag(1, {});
    const std::vector<uint8_t> freeCharacter = ShortTag(3, {9, 0});
    const auto repeat = [](const std::vector<uint8_t>& tag, uint64_t n) {
        std::vector<uint8_t> out;
        out.reserve(tag.size() * n);
        for (uint64_t i = 0; i < n; ++i) out.insert(out.end(), tag.begin(), tag.end());
        return out;
    };
    // A sprite (id 1) of the given nested tags and an End tag, behind a long header.
    const auto sprite = [](const std::vector<uint8_t>& nested) {
        const uint32_t length = static_cast<uint32_t>(nested.size()) + 6;
        std::vector<uint8_t> out = {0xFF, 0x09, static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                                    static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 24),
                                    1, 0, 0xFF, 0xFF};
        out.insert(out.end(), nested.begin(), nested.end());
        out.insert(out.end(), {0, 0});
        return out;
    };
    const uint64_t tags = kMaxMovieTags;  // with the End tag: that many, then one more
    const std::string frames = std::to_string(kMaxTimelineFrames);
    const struct {
        const char* what;
        std::vector<uint8_t> body;
        std::string error;  // empty: it loads
    } cases[] = {
        {"main timeline at the frame limit", repeat(frame, kMaxTimelineFrames), ""},
        {"one frame more", repeat(frame, kMaxTimelineFrames + 1), "the movie has more than " + frames + " frames"},
        {"sprite at the frame limit", sprite(repeat(frame, kMaxTimelineFrames)), ""},
        {"sprite of one frame more", sprite(repeat(frame, kMaxTimelineFrames + 1)),
         "sprite 1 has more than " + frames + " frames"},
        {"tags at the limit", repeat(freeCharacter, tags - 1), ""},
        {"one tag more", repeat(freeCharacter, tags), "the movie holds more than " + std::to_string(tags) + " tags"},
        {"a sprite's tags count", Concat(sprite(repeat(freeCharacter, tags / 2)), repeat(freeCharacter, tags / 2)),
         "the movie holds more than " + std::to_string(tags) + " tags"},
    };
    for (const auto& c : cases) {
        RawTag body(c.body);
        const std::vector<uint8_t> file = File({&body});
        FSWFMovie movie;
        std::vector<std::string> errors;
        flash_istream in(file.data(), file.size());
        const bool loaded = movie.Load(in, errors);
        if (c.error.empty()) {
            EXPECT_TRUE(loaded) << c.what << ": " << (errors.empty() ? "" : errors[0]);
            continue;
        }
        EXPECT_FALSE(loaded) << c.what;
        EXPECT_EQ(errors, std::vector<std::string>{c.error}) << c.what;
        EXPECT_TRUE(movie.dictionary.empty()) << c.what;
        EXPECT_EQ(movie.GetTimeline().GetFrameCount(), 0) << c.what;
    }
}

TEST(FlashMovie, DownloadedMoviesWriteBackAsAFixedPoint) {
    // Script-era movies carry tags the library does not decode: they load, keep those tags, and
    // write back as a fixed point.
    struct Case {
        const char* name;
        std::set<std::string> errors;
        bool sameTags;  // false for the made file, whose old tag forms are written in the new ones
    } cases[] = {
        {"express_install", {}, true},
        {"soundmanager2", {}, true},
        {"videojs_player", {}, true},
        {"display_list", {}, false},
        {"mediaelement_player", {}, true},
        {"zeroclipboard", {}, true},
    };
    for (const auto& c : cases) {
        flash_ifstream in(kDir + c.name + ".swf");
        ASSERT_TRUE(in.good()) << c.name;
        FSWFMovie movie;
        std::vector<std::string> errors;
        testing::internal::CaptureStderr();
        EXPECT_EQ(movie.Load(in, errors), c.errors.empty()) << c.name;
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::set<std::string>(errors.begin(), errors.end()), c.errors) << c.name;
        std::vector<uint8_t> once = WrittenMovie(movie);
        // Nothing is dropped: the same tags, at most in another order.
        flash_ifstream again(kDir + c.name + ".swf");
        std::vector<uint8_t> original(again.data(), again.data() + again.size());
        std::multiset<uint16_t> before, after;
        for (const TagSeen& t : TagsOf(original)) before.insert(t.code);
        for (const TagSeen& t : TagsOf(once)) after.insert(t.code);
        if (c.sameTags) { EXPECT_EQ(after, before) << c.name; }
        FSWFMovie back;
        testing::internal::CaptureStderr();
        ASSERT_TRUE(LoadMovie(back, once, errors)) << c.name << ": " << errors.front();
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(WrittenMovie(back), once) << c.name;
        EXPECT_EQ(back.GetTimeline().GetFrameCount(), movie.GetTimeline().GetFrameCount()) << c.name;
    }
}

namespace {

// A file of the given version from finished tag bytes; with `end`, an End tag closes it.
std::vector<uint8_t> FileOf(const std::vector<std::vector<uint8_t>>& tags, uint8_t version = 8, bool end = true) {
    std::vector<uint8_t> body;
    for (const auto& t : tags) body.insert(body.end(), t.begin(), t.end());
    if (end) body.insert(body.end(), {0, 0});
    FlashHeader h;
    h.version = version;
    h.frame = FlashRect(0, 0, 11000, 8000);
    h.rateInteger = 12;
    h.frameCount = 0;
    for (const auto& t : tags) h.frameCount += t == std::vector<uint8_t>{0x40, 0x00};
    flash_ostream out;
    h.Write(out);
    WriteBytes(out, body);
    std::vector<uint8_t> file = out.bytes();
    uint32_t n = static_cast<uint32_t>(file.size());
    for (int i = 0; i < 4; ++i) file[4 + i] = static_cast<uint8_t>(n >> (8 * i));
    return file;
}

template <typename T>
std::vector<uint8_t> TagBytes(T tag, uint8_t version = 8) {
    return WrittenBytes(tag, version);
}

}  // namespace

TEST(FlashMovie, UndecodedTagsLoadAndWriteBackInTheirPlace) {
    // What a Flash 8 template opens with, a sprite that holds an undecoded tag, the sprite's
    // init actions, a character kind the library does not decode (placed) and a class list that
    // names a sprite no frame places.
    std::vector<std::unique_ptr<FlashTag>> nested;
    auto tabIndex = std::make_unique<FlashTag>(66);
    tabIndex->rawData = Bytes({1, 0, 2, 0});
    nested.push_back(std::move(tabIndex));
    nested.push_back(Own(PlaceAt(1, 1)));
    nested.push_back(Own(FlashTagShowFrame()));
    std::unique_ptr<FlashTagSprite> sprite = Sprite(2, std::move(nested));
    std::unique_ptr<FlashTagSprite> library = Sprite(5, {});
    FlashTagDefineShape1 square = Square(1, 200);
    std::vector<uint8_t> file = FileOf({
        ShortTag(69, {0x08, 0, 0, 0}),
        ShortTag(77, {'<', 'x', '/', '>', 0}),
        TagBytes(square),
        TagBytes(*sprite),
        ShortTag(59, {2, 0, 0}),
        TagBytes(*library),
        ShortTag(76, {2, 0, 5, 0, 'L', 0, 0, 0, 'M', 0}),
        TagBytes(PlaceAt(1, 2, "clip")),
        TagBytes(FlashTagShowFrame()),
        ShortTag(77, {'<', 'y', '/', '>', 0}),
        ShortTag(83, {4, 0, 0xAA, 0xBB}),
        TagBytes(PlaceAt(2, 4)),
        TagBytes(FlashTagShowFrame()),
    });
    FSWFMovie movie;
    std::vector<std::string> errors;
    testing::internal::CaptureStderr();
    EXPECT_TRUE(LoadMovie(movie, file, errors));
    std::string trace = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(errors.empty()) << errors.front();
    // Each undecoded code is named once, in the trace as well.
    EXPECT_EQ(movie.warnings.size(), 6u);
    EXPECT_EQ(std::count(movie.warnings.begin(), movie.warnings.end(), "unknown tag 77 is not decoded; kept as it is"), 1);
    EXPECT_NE(trace.find("unknown tag 66 is not decoded"), std::string::npos);
    FDisplayRecord record;
    FlashIDEnabled* character = nullptr;
    EXPECT_TRUE(movie.FindTimeline("clip", 0, record, character));

    testing::internal::CaptureStderr();
    std::vector<uint8_t> written = WrittenMovie(movie);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(written, file);

    // Renumbering follows the ids the kept tags name.
    movie.ReplaceID(2, 9);
    movie.ReplaceID(5, 8);
    std::vector<uint8_t> renumbered = WrittenMovie(movie);
    FSWFMovie back;
    testing::internal::CaptureStderr();
    EXPECT_TRUE(LoadMovie(back, renumbered, errors));
    testing::internal::GetCapturedStderr();
    const auto& kept = back.GetTimeline().keptTags;
    ASSERT_EQ(kept.size(), 5u);
    EXPECT_EQ(kept[2].tag->rawData, Bytes({9, 0, 0}));
    EXPECT_EQ(kept[3].tag->rawData, Bytes({2, 0, 8, 0, 'L', 0, 0, 0, 'M', 0}));
}

TEST(FlashMovie, SoundsAndAssetListsAreWrittenAndLeftOutCharactersNamed) {
    FlashTagDefineSound sound;
    sound.characterId = 4;
    sound.soundFlags = 0x02;
    sound.sampleCount = 1;
    sound.data = {0, 0};
    FlashTagStartSound start;
    start.soundId = 4;
    FlashTagImportAssets imports;
    imports.url = "lib.swf";
    imports.ids = {6};
    imports.names = {"Shared"};
    FlashTagExportAssets exports;
    exports.ids = {1};
    exports.names = {"Square"};
    FlashTagDefineShape1 square = Square(1, 200);
    FlashTagDefineShape1 unused = Square(7, 100);
    std::vector<uint8_t> file = FileOf({TagBytes(imports), TagBytes(sound), TagBytes(start), TagBytes(square),
                                        TagBytes(unused), TagBytes(exports), TagBytes(PlaceAt(1, 6)),
                                        TagBytes(FlashTagShowFrame())});
    FSWFMovie movie;
    std::vector<std::string> errors;
    EXPECT_TRUE(LoadMovie(movie, file, errors));
    testing::internal::CaptureStderr();
    std::vector<TagSeen> tags = TagsOf(WrittenMovie(movie));
    // What is still left out by design is named.
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "SWF: character 7 (tagDefineShape) is used by no frame and is not written\n");
    std::vector<uint16_t> codes;
    for (const auto& t : tags) codes.push_back(t.code);
    EXPECT_EQ(codes, (std::vector<uint16_t>{57, 14, 15, 2, 56, 26, 1, 0}));
}

TEST(FlashMovie, DataEndingAtATagBoundaryLoadsWithAWarning) {
    FlashTagDefineShape1 square = Square(1, 200);
    std::vector<uint8_t> file = FileOf({TagBytes(square), TagBytes(PlaceAt(1, 1)), TagBytes(FlashTagShowFrame())}, 6, false);
    FSWFMovie movie;
    std::vector<std::string> errors;
    testing::internal::CaptureStderr();
    EXPECT_TRUE(LoadMovie(movie, file, errors));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(movie.warnings, std::vector<std::string>{"the SWF data ends without an End tag"});
    EXPECT_EQ(movie.GetTimeline().GetFrameCount(), 1);
    // Cut inside a tag is still an error.
    file.pop_back();
    FSWFMovie cut;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(LoadMovie(cut, std::vector<uint8_t>(file.begin(), file.end() - 3), errors));
    testing::internal::GetCapturedStderr();
}
