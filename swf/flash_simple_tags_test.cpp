// Sound, bitmap and the small control tags.
#include <gtest/gtest.h>

#include <functional>

#include "swf/flash_bitmap_tags.h"
#include "swf/flash_control_tags.h"
#include "swf/flash_sound_tags.h"
#include "swf/swf_test_support.h"

namespace {

std::vector<uint8_t> Filled(size_t n, int start = 0) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(start + i);
    return v;
}

uint32_t LengthOf(const std::vector<uint8_t>& tagBytes) {
    flash_istream in(tagBytes.data(), tagBytes.size());
    FlashTagHeader h;
    h.Read(in);
    return h.length;
}

}  // namespace

TEST(FlashSimpleTags, EveryClassReadsBackWhatItWrites) {
    struct Case {
        const char* name;
        std::function<std::unique_ptr<FlashTag>()> make;
        uint32_t length;
    };
    const Case cases[] = {
        {"End", [] { return std::make_unique<FlashTagEnd>(); }, 0},
        {"ShowFrame", [] { return std::make_unique<FlashTagShowFrame>(); }, 0},
        {"FreeCharacter", [] { auto t = std::make_unique<FlashTagFreeCharacter>(); t->characterId = 513; return t; }, 2},
        {"BackgroundColor", [] { return std::make_unique<FlashTagBackgroundColor>(1, 2, 250); }, 3},
        {"DefineBits", [] { auto t = std::make_unique<FlashTagDefineBitsJPEG1>(); t->characterId = 4; t->data = Filled(80); return t; }, 82},
        {"DefineBitsJPEG2", [] { auto t = std::make_unique<FlashTagDefineBitsJPEG2>(); t->characterId = 5; t->data = Filled(10); return t; }, 12},
        {"DefineBitsJPEG3", [] { auto t = std::make_unique<FlashTagDefineBitsJPEG3>(); t->characterId = 6; t->jpegData = Filled(1000); t->alphaData = Filled(200, 7); return t; }, 1206},
        {"JPEGTables", [] { auto t = std::make_unique<FlashTagJPEGTables>(); t->data = Filled(64); return t; }, 64},
        {"DefineBitsLossless", [] { auto t = std::make_unique<FlashTagDefineBitsLossless>(); t->characterId = 8; t->format = 3; t->width = 300; t->height = 2; t->data = Filled(20); return t; }, 27},
        {"DefineBitsLossless2", [] { auto t = std::make_unique<FlashTagDefineBitsLossless2>(); t->characterId = 9; t->format = 5; t->width = 1; t->height = 1; t->data = Filled(4); return t; }, 11},
        {"DefineSound", [] { auto t = std::make_unique<FlashTagDefineSound>(); t->characterId = 10; t->soundFlags = 0x3F; t->sampleCount = 70000; t->data = Filled(100); return t; }, 107},
        {"DefineSoundMP3", [] { auto t = std::make_unique<FlashTagDefineSoundMP3>(); t->characterId = 11; t->soundFlags = 0x2E; t->sampleCount = 1152; t->seekSamples = -5; t->data = Filled(100); return t; }, 109},
        {"SoundStreamBlock", [] { auto t = std::make_unique<FlashTagSoundStreamBlock>(); t->data = Filled(300); return t; }, 300},
        {"SoundStreamHead2 MP3", [] { auto t = std::make_unique<FlashTagSoundStreamHead2>(); t->playbackRate = 3; t->playbackSize = 1; t->playbackType = 1; t->compression = 2; t->streamRate = 2; t->streamSize = 1; t->sampleCount = 576; t->latencySeek = -12; return t; }, 6},
        {"SoundStreamHead2 ADPCM", [] { auto t = std::make_unique<FlashTagSoundStreamHead2>(); t->compression = 1; t->sampleCount = 100; return t; }, 4},
        {"SoundStreamHead MP3", [] { auto t = std::make_unique<FlashTagSoundStreamHead>(); t->compression = 2; t->latencySeek = 40; return t; }, 6},
        {"SoundStreamHead compression 6", [] { auto t = std::make_unique<FlashTagSoundStreamHead>(); t->compression = 6; t->streamRate = 1; return t; }, 4},
        {"StartSound plain", [] { auto t = std::make_unique<FlashTagStartSound>(); t->soundId = 3; return t; }, 3},
        {"StartSound full", [] {
             auto t = std::make_unique<FlashTagStartSound>();
             t->soundId = 3;
             t->info.infoFlags = 0x0F;
             t->info.inPoint = 44;
             t->info.outPoint = 9000;
             t->info.loopCount = 2;
             t->info.envelope = {{0, 0, 32768}, {4400, 32768, 0}};
             return t;
         }, 2 + 1 + 4 + 4 + 2 + 1 + 16},
        {"Protect empty", [] { return std::make_unique<FlashTagProtect>(); }, 0},
        {"Protect password", [] { auto t = std::make_unique<FlashTagProtect>(); t->hasPassword = 1; t->password = "$1$x$abc"; return t; }, 9},
        {"ExportAssets", [] { auto t = std::make_unique<FlashTagExportAssets>(); t->ids = {3, 4}; t->names = {"mouth", "e"}; return t; }, 14},
        {"ImportAssets", [] { auto t = std::make_unique<FlashTagImportAssets>(); t->url = "lib.swf"; t->ids = {30}; t->names = {"eyes"}; return t; }, 8 + 2 + 7},
    };
    for (const Case& c : cases) {
        auto tag = c.make();
        auto bytes = WrittenBytes(*tag);
        EXPECT_EQ(LengthOf(bytes), c.length) << c.name;
        RecordingVisitor v;
        bool more = false;
        auto back = ReadOneTag(bytes, 6, &v, &more);
        ASSERT_TRUE(back) << c.name;
        EXPECT_EQ(typeid(*back), typeid(*tag)) << c.name;
        EXPECT_TRUE(v.extra.empty() && v.tooFar.empty() && v.others.empty()) << c.name;
        EXPECT_EQ(more, tag->code != 0) << c.name;
        EXPECT_EQ(WrittenBytes(*back), bytes) << c.name;
        EXPECT_EQ(WrittenBytes(*back->Clone()), bytes) << c.name;
    }
}

TEST(FlashSimpleTags, FieldsSurviveTheRoundTrip) {
    FlashTagDefineBitsJPEG3 j3;
    j3.jpegData = Filled(1000);
    j3.alphaData = Filled(200);
    auto bytes = WrittenBytes(j3);
    EXPECT_EQ(bytes[8] | bytes[9] << 8, 1000);  // the offset field follows the 6-byte header and the id
    auto j3back = ReadOneTag(bytes);
    EXPECT_EQ(static_cast<FlashTagDefineBitsJPEG3*>(j3back.get())->alphaData, Filled(200));

    FlashTagSoundStreamHead2 head;
    head.compression = 6;
    head.streamType = 1;
    auto h = ReadOneTag(WrittenBytes(head));
    EXPECT_EQ(static_cast<FlashTagSoundStreamHead2*>(h.get())->compression, 6);
    EXPECT_EQ(static_cast<FlashTagSoundStreamHead2*>(h.get())->streamType, 1);

    FlashTagExportAssets ex;
    ex.ids = {3, 4};
    ex.names = {"mouth", "e"};
    auto exBack = ReadOneTag(WrittenBytes(ex));
    EXPECT_EQ(static_cast<FlashTagExportAssets*>(exBack.get())->names, ex.names);
    EXPECT_EQ(static_cast<FlashTagExportAssets*>(exBack.get())->ids, ex.ids);

    auto noPassword = ReadOneTag(Bytes({0x00, 0x06}));
    EXPECT_FALSE(static_cast<FlashTagProtect*>(noPassword.get())->hasPassword);
}

TEST(FlashSimpleTags, StreamHeadLatencyNeedsRoomInTheOldHead) {
    // An MP3 SoundStreamHead of 4 bytes has no latency field; SoundStreamHead2 always reads it.
    auto shortHead = Bytes({0x84, 0x04, 0x0E, 0x2E, 0x40, 0x02});
    RecordingVisitor v;
    auto tag = ReadOneTag(shortHead, 6, &v);
    EXPECT_TRUE(v.tooFar.empty());
    EXPECT_EQ(static_cast<FlashTagSoundStreamHead*>(tag.get())->latencySeek, 0);
    EXPECT_EQ(static_cast<FlashTagSoundStreamHead*>(tag.get())->sampleCount, 576);
}

TEST(FlashSimpleTags, AssetCountsAreBoundedByTheData) {
    // 60000 entries claimed, one present.
    auto bytes = Bytes({0x05, 0x0E, 0x60, 0xEA, 1, 0, 'a', 0});
    RecordingVisitor v;
    testing::internal::CaptureStderr();
    auto tag = ReadOneTag(Concat(bytes, Bytes({0, 0})), 6, &v);
    testing::internal::GetCapturedStderr();
    EXPECT_LE(static_cast<FlashTagExportAssets*>(tag.get())->names.size(), 2u);
    EXPECT_FALSE(v.tooFar.empty());
}
