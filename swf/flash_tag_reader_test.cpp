// The file header with its signatures, the tag reader's size checks, raw tags and the tag table.
#include "swf/flash_tag_reader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "swf/flash_bitmap_tags.h"
#include "swf/flash_control_tags.h"
#include "swf/flash_sound_tags.h"
#include "swf/swf_inflate.h"
#include "swf/swf_test_support.h"

namespace {

// A minimal movie body: SetBackgroundColor, ShowFrame, End.
std::vector<uint8_t> SmallBody() { return Bytes({0x43, 0x02, 1, 2, 3, 0x40, 0x00, 0x00, 0x00}); }

std::vector<uint8_t> FileWith(const char* sig, const std::vector<uint8_t>& tags, bool compress) {
    FlashHeader h;
    h.version = 6;
    h.frame = FlashRect(0, 0, 4000, 3000);
    h.rateInteger = 24;
    h.frameCount = 1;
    h.fileLength = static_cast<uint32_t>(tags.size());
    flash_ostream out;
    h.Write(out);
    auto bytes = Concat(out.bytes(), tags);
    bytes[0] = static_cast<uint8_t>(sig[0]);
    bytes[1] = static_cast<uint8_t>(sig[1]);
    bytes[2] = static_cast<uint8_t>(sig[2]);
    if (!compress) return bytes;
    uLongf size = compressBound(bytes.size() - 8);
    std::vector<uint8_t> packed(size);
    EXPECT_EQ(compress2(packed.data(), &size, bytes.data() + 8, bytes.size() - 8, 9), Z_OK);
    packed.resize(size);
    bytes.resize(8);
    return Concat(bytes, packed);
}

struct ReadResult {
    bool headerOk = false;
    std::string error;
    std::vector<uint16_t> codes;
    RecordingVisitor visitor;
};

void ReadFile(const std::vector<uint8_t>& file, ReadResult& r) {
    flash_istream in(file.data(), file.size());
    FlashHeader h;
    r.headerOk = ReadFlashHeader(in, h, r.error, &r.visitor);
    if (!r.headerOk) return;
    in.version = h.version;
    std::vector<std::unique_ptr<FlashTag>> tags;
    ReadFlashTags(in, tags, &r.visitor);
    for (auto& t : tags) r.codes.push_back(t->code);
}

}  // namespace

TEST(FlashTagReader, PlainAndCompressedFilesReadAlike) {
    for (bool compress : {false, true}) {
        ReadResult r;
        ReadFile(FileWith(compress ? "CWS" : "FWS", SmallBody(), compress), r);
        ASSERT_TRUE(r.headerOk) << r.error;
        EXPECT_EQ(r.visitor.headers, 1);
        EXPECT_EQ(r.codes, (std::vector<uint16_t>{9, 1, 0}));
        EXPECT_TRUE(r.visitor.tooFar.empty());
        EXPECT_EQ(r.visitor.ends, 1);
    }
}

TEST(FlashTagReader, BadSignaturesAndBrokenBodiesAreRefused) {
    auto good = FileWith("CWS", SmallBody(), true);
    auto truncated = std::vector<uint8_t>(good.begin(), good.end() - 6);
    auto corrupt = good;
    corrupt[10] ^= 0xFF;
    corrupt[11] ^= 0x5A;
    struct Case {
        const char* name;
        std::vector<uint8_t> file;
        const char* error_part;
    };
    const Case cases[] = {
        {"lzma", FileWith("ZWS", SmallBody(), false), "signature \"ZWS\""},
        {"garbage", FileWith("GIF", SmallBody(), false), "Not a SWF file"},
        {"too short", Bytes({'F', 'W', 'S', 6, 0}), "too short"},
        {"cut compressed body", truncated, "truncated"},
        {"corrupt compressed body", corrupt, "corrupt"},
        {"header cut short", Bytes({'F', 'W', 'S', 6, 20, 0, 0, 0, 0x78}), "cut short"},
    };
    for (const Case& c : cases) {
        ReadResult r;
        ReadFile(c.file, r);
        EXPECT_FALSE(r.headerOk) << c.name;
        EXPECT_NE(r.error.find(c.error_part), std::string::npos) << c.name << ": " << r.error;
        EXPECT_EQ(r.visitor.headers, 0) << c.name;
    }
}

TEST(FlashTagReader, CompressedLengthBoundsTheInflatedData) {
    // A declared length far above the real one does not allocate it; one below it cuts the data.
    auto file = FileWith("CWS", SmallBody(), true);
    file[4] = file[5] = file[6] = 0xFF;
    file[7] = 0x7F;
    ReadResult r;
    ReadFile(file, r);
    ASSERT_TRUE(r.headerOk) << r.error;
    EXPECT_EQ(r.codes, (std::vector<uint16_t>{9, 1, 0}));

    auto shortened = FileWith("CWS", SmallBody(), true);
    shortened[4] = 22;  // the 20-byte header and the first two bytes of the tags
    shortened[5] = shortened[6] = shortened[7] = 0;
    ReadResult s;
    testing::internal::CaptureStderr();
    ReadFile(shortened, s);
    testing::internal::GetCapturedStderr();
    ASSERT_TRUE(s.headerOk) << s.error;
    EXPECT_TRUE(s.codes.empty());
    EXPECT_EQ(s.visitor.tooFar.size(), 1u);
}

TEST(FlashTagReader, CompressedBodyIsCappedWhateverItsHeaderClaims) {
    // A header claiming 4 GiB over a body of zeros behind the tags: bodies up to the cap load, one
    // byte more is refused before any memory is taken for it.
    struct Case {
        uint64_t body;
        bool loads;
    };
    const Case cases[] = {{kSwfMaxBodyBytes, true}, {kSwfMaxBodyBytes + 1, false}};
    for (const Case& c : cases) {
        std::vector<uint8_t> file = FileWith("CWS", SmallBody(), false);
        file.resize(8 + c.body);
        uLongf size = compressBound(static_cast<uLong>(c.body));
        std::vector<uint8_t> packed(size);
        ASSERT_EQ(compress2(packed.data(), &size, file.data() + 8, static_cast<uLong>(c.body), 1), Z_OK);
        packed.resize(size);
        file.resize(8);
        file[4] = file[5] = file[6] = file[7] = 0xFF;
        file = Concat(file, packed);

        ReadResult r;
        ReadFile(file, r);
        EXPECT_EQ(r.headerOk, c.loads) << c.body;
        if (c.loads) {
            EXPECT_EQ(r.codes, (std::vector<uint16_t>{9, 1, 0}));
        } else {
            EXPECT_NE(r.error.find("more than 64 MiB"), std::string::npos) << r.error;
            EXPECT_EQ(r.visitor.headers, 0);
        }
    }
}

TEST(FlashTagReader, EndStopsAndShowFrameGoesOn) {
    bool more = true;
    RecordingVisitor v;
    auto end = ReadOneTag(Bytes({0, 0}), 6, &v, &more);
    ASSERT_TRUE(end);
    EXPECT_FALSE(more);
    EXPECT_EQ(v.ends, 1);
    auto show = ReadOneTag(Bytes({0x40, 0}), 6, &v, &more);
    EXPECT_TRUE(more);
    EXPECT_NE(dynamic_cast<FlashTagShowFrame*>(show.get()), nullptr);
}

TEST(FlashTagReader, UnknownCodesKeepTheirBodies) {
    auto bytes = Bytes({0x4A, 0x13, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9});  // code 77, 10 bytes
    RecordingVisitor v;
    bool more = false;
    auto tag = ReadOneTag(bytes, 6, &v, &more);
    ASSERT_TRUE(tag);
    EXPECT_TRUE(more);
    EXPECT_EQ(tag->GetTagID(), 77);
    EXPECT_EQ(tag->GetLength(), 10u);
    EXPECT_EQ(tag->rawData, Bytes({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(v.others, std::vector<uint16_t>{77});
    EXPECT_EQ(WrittenBytes(*tag), bytes);
    auto copy = tag->Clone();
    EXPECT_EQ(WrittenBytes(*copy), bytes);
}

TEST(FlashTagReader, ShortReadIsSkippedAndReportedAsExtraData) {
    // SetBackgroundColor whose header says 5 bytes, then ShowFrame.
    auto bytes = Bytes({0x45, 0x02, 1, 2, 3, 0xEE, 0xEE, 0x40, 0x00});
    flash_istream in(bytes.data(), bytes.size());
    RecordingVisitor v;
    std::unique_ptr<FlashTag> tag;
    testing::internal::CaptureStderr();
    EXPECT_TRUE(ReadFlashTag(in, tag, &v));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Extra Tag Data Encountered: 2");
    EXPECT_EQ(v.extra, std::vector<uint32_t>{2});
    EXPECT_EQ(v.extraCodes, std::vector<uint16_t>{9});
    EXPECT_TRUE(ReadFlashTag(in, tag, &v));
    EXPECT_EQ(tag->code, 1);
}

TEST(FlashTagReader, ReadingPastTheBodyStops) {
    // SetBackgroundColor whose header says 1 byte; its reader takes 3.
    auto bytes = Bytes({0x41, 0x02, 1, 2, 3, 0x40, 0x00});
    RecordingVisitor v;
    bool more = true;
    testing::internal::CaptureStderr();
    auto tag = ReadOneTag(bytes, 6, &v, &more);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Tag Size Discrepancy: -2");
    EXPECT_FALSE(more);
    EXPECT_EQ(v.tooFar, std::vector<uint32_t>{2});
}

TEST(FlashTagReader, TruncatedDataAndAbsurdLengthsFailWithoutAllocating) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        uint32_t missing;
    };
    const Case cases[] = {
        {"no data at all", {}, 2},
        {"half a tag header", Bytes({0x40}), 1},
        {"long header cut", Bytes({0x3F, 0x05, 0x10}), 3},
        {"body cut", Bytes({0x43, 0x02, 1}), 2},
        {"absurd long length", Bytes({0x3F, 0x05, 0xF0, 0xFF, 0xFF, 0xFF, 1, 2, 3}), 0xFFFFFFF0u - 3},
        {"absurd raw length", Bytes({0xBF, 0x13, 0x00, 0x00, 0x00, 0x80, 9}), 0x80000000u - 1},
    };
    for (const Case& c : cases) {
        RecordingVisitor v;
        bool more = true;
        testing::internal::CaptureStderr();
        auto tag = ReadOneTag(c.bytes, 6, &v, &more);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(more) << c.name;
        EXPECT_EQ(tag, nullptr) << c.name;
        ASSERT_EQ(v.tooFar.size(), 1u) << c.name;
        EXPECT_EQ(v.tooFar[0], c.missing) << c.name;
        EXPECT_FALSE(err.empty()) << c.name;
    }
}

TEST(FlashTagReader, ShortBodiesOfLengthMinusNTagsAreErrors) {
    // Each body is shorter than the fixed fields its class reads; the bytes after it belong to the
    // next tag. The reader must neither wrap "length - n" around nor take the next tag's bytes as data.
    const std::vector<uint8_t> next = Bytes({0x40, 0x00, 0x40, 0x00, 0x40, 0x00, 0x40, 0x00, 0, 0});
    struct Case {
        const char* name;
        std::vector<uint8_t> tag;
        uint32_t over;
    };
    const Case cases[] = {
        {"DefineBits", Bytes({0x81, 0x01, 7}), 1},
        {"DefineBitsJPEG2", Bytes({0x41, 0x05, 7}), 1},
        {"DefineSound", Bytes({0x85, 0x03, 1, 0, 0x1E, 0, 0}), 2},
        {"DefineSound MP3", Bytes({0x88, 0x03, 1, 0, 0x2E, 0, 0, 0, 0, 0}), 1},
        {"DefineBitsLossless", Bytes({0x03, 0x05, 1, 0, 3}), 4},
        {"DefineBitsJPEG3 offset past body", Bytes({0xC8, 0x08, 1, 0, 0xFF, 0xFF, 0, 0, 9, 9}), 0xFFFF - 2},
    };
    for (const Case& c : cases) {
        RecordingVisitor v;
        bool more = true;
        testing::internal::CaptureStderr();
        auto tag = ReadOneTag(Concat(c.tag, next), 6, &v, &more);
        testing::internal::GetCapturedStderr();
        EXPECT_FALSE(more) << c.name;
        ASSERT_EQ(v.tooFar.size(), 1u) << c.name;
        EXPECT_EQ(v.tooFar[0], c.over) << c.name;
        if (auto* s = dynamic_cast<FlashTagDefineSound*>(tag.get())) {
            EXPECT_TRUE(s->data.empty()) << c.name;
        }
        if (auto* j = dynamic_cast<FlashTagDefineBitsJPEG2*>(tag.get())) {
            EXPECT_TRUE(j->data.empty()) << c.name;
        }
        if (auto* l = dynamic_cast<FlashTagDefineBitsLossless*>(tag.get())) {
            EXPECT_TRUE(l->data.empty()) << c.name;
        }
        if (auto* j3 = dynamic_cast<FlashTagDefineBitsJPEG3*>(tag.get())) {
            EXPECT_LE(j3->jpegData.size(), 4u) << c.name;
            EXPECT_TRUE(j3->alphaData.empty()) << c.name;
        }
    }
}

TEST(FlashTagReader, SoundClassFollowsTheFormatNotTheId) {
    struct Case {
        uint16_t id;
        uint8_t flags;
        bool mp3;
    };
    const Case cases[] = {
        {1, 0x2E, true},   // MP3, odd id
        {2, 0x2E, true},   // MP3, even id
        {3, 0x1E, false},  // ADPCM, odd id
        {4, 0x3F, false},  // uncompressed little-endian, even id
        {5, 0x0A, false},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> body = Bytes({c.id & 0xFF, c.id >> 8, c.flags, 0x10, 0, 0, 0});
        if (c.mp3) body = Concat(body, Bytes({0x40, 0x02}));
        body = Concat(body, Bytes({9, 8, 7, 6}));
        flash_ostream hdr;
        WriteTagHeader(hdr, 14, static_cast<uint32_t>(body.size()));
        auto bytes = Concat(hdr.bytes(), body);
        RecordingVisitor v;
        bool more = false;
        auto tag = ReadOneTag(bytes, 6, &v, &more);
        EXPECT_TRUE(more);
        EXPECT_TRUE(v.tooFar.empty() && v.extra.empty()) << c.id;
        ASSERT_TRUE(tag);
        auto* sound = dynamic_cast<FlashTagDefineSound*>(tag.get());
        ASSERT_NE(sound, nullptr);
        EXPECT_EQ(dynamic_cast<FlashTagDefineSoundMP3*>(tag.get()) != nullptr, c.mp3) << c.id;
        EXPECT_EQ(sound->characterId, c.id);
        EXPECT_EQ(sound->data, Bytes({9, 8, 7, 6}));
        EXPECT_EQ(WrittenBytes(*tag), bytes);
        EXPECT_EQ(WrittenBytes(*tag->Clone()), bytes);
    }
}

TEST(FlashTagReader, EveryDefiningTagTakesTheNextCharacterId) {
    uint16_t before = PeekNextCharacterID();
    FlashTagDefineBitsJPEG2 made;
    EXPECT_EQ(made.characterId, before);
    auto read = ReadOneTag(Bytes({0x44, 0x05, 0x34, 0x12, 0xFF, 0xD9}));
    EXPECT_EQ(PeekNextCharacterID(), static_cast<uint16_t>(before + 2));
    EXPECT_EQ(static_cast<FlashIDEnabled*>(read.get())->GetID(), 0x1234);  // overwritten by the file
    auto copy = read->Clone();  // copies keep the id
    EXPECT_EQ(static_cast<FlashIDEnabled*>(copy.get())->GetID(), 0x1234);
    EXPECT_EQ(PeekNextCharacterID(), static_cast<uint16_t>(before + 2));
    EXPECT_EQ(static_cast<FlashIDEnabled*>(copy.get())->ReplaceID(0x1234, 9), 0x1234);
    EXPECT_EQ(static_cast<FlashIDEnabled*>(copy.get())->GetID(), 9);
}

TEST(FlashTagReader, TableEntriesCanBeRegistered) {
    // A code without a class (here 41) reads as a raw tag until one is registered.
    auto bytes = Bytes({0x43, 0x0A, 5, 0, 0xAA});
    RecordingVisitor v;
    EXPECT_EQ(typeid(*ReadOneTag(bytes, 6, &v)), typeid(FlashTag));
    EXPECT_EQ(v.others, std::vector<uint16_t>{41});

    auto factory = [](flash_istream&, const FlashTagHeader&) -> std::unique_ptr<FlashTag> {
        return std::make_unique<FlashTagJPEGTables>();  // any class will do for the test
    };
    FlashTagFactory before = RegisterFlashTagFactory(41, factory);
    EXPECT_EQ(before, nullptr);
    auto tag = ReadOneTag(bytes);
    EXPECT_NE(dynamic_cast<FlashTagJPEGTables*>(tag.get()), nullptr);
    RegisterFlashTagFactory(41, before);
    EXPECT_EQ(GetFlashTagFactory(41), nullptr);
}
