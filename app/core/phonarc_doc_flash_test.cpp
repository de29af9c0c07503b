// The Flash document: its two results-file sections, the template they name (also when it does not
// load), Extract Gestures and gesture edits as undoable steps.
#include "app/core/phonarc_doc_flash.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "app/core/document_test_support.h"
#include "app/core/profile_store.h"
#include "app/core/prompts.h"
#include "engine/audio/memory_pcm_stream.h"
#include "flash/gesture_generation.h"
#include "flash/gesture_selection.h"
#include "swf/swf_inflate.h"

namespace {

namespace fs = std::filesystem;
using document_test::AlignmentWithEnergies;
using document_test::kBase;
using document_test::kSpeech;
using document_test::ReadFile;
const fs::path kTemplate = fs::path(MURMUREX_TESTDATA_DIR) / "flash" / "sample_character.swf";
constexpr const char* kGestures =
    "gesture 100 900 128 0 wave|idle\n"
    "gesture 1200 1800 384 0 point|talk\n";

// What follows the base file's last line.
std::string Sections(const std::string& text) {
    const size_t at = text.find("end_markers\n");
    return at == std::string::npos ? "" : text.substr(at + 12);
}

// The bundled template as a compressed file whose body is padded with zeros (after its End tag)
// to `body` bytes and whose header claims 4 GiB.
std::string CompressedTemplate(uint64_t body) {
    std::string movie = ReadFile(kTemplate);
    movie.resize(8 + body);
    uLongf size = compressBound(static_cast<uLong>(body));
    std::string packed(size, '\0');
    EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(packed.data()), &size,
                        reinterpret_cast<const Bytef*>(movie.data()) + 8, static_cast<uLong>(body), 1),
              Z_OK);
    packed.resize(size);
    return std::string("CWS") + movie[3] + std::string(4, '\xFF') + packed;
}

// A packed template of one sprite of `frames` bare frames: a few hundred bytes that unpack to two
// bytes a frame.
std::string SpriteOfFrames(uint32_t frames) {
    std::string body("\x08\x00\x00\x0C\x01\x00", 6);  // 1 x 1 px stage, 12 frames a second, 1 frame
    const uint32_t length = 4 + 2 * frames + 2;
    const char sprite[] = {'\xFF', '\x09', static_cast<char>(length), static_cast<char>(length >> 8),
                           static_cast<char>(length >> 16), static_cast<char>(length >> 24), 1, 0, '\xFF', '\xFF'};
    body.append(sprite, sizeof sprite);
    for (uint32_t i = 0; i < frames; ++i) body.append("\x40\x00", 2);
    body.append(4, '\0');  // the sprite's End tag and the movie's
    uLongf size = compressBound(static_cast<uLong>(body.size()));
    std::string packed(size, '\0');
    EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(body.data()),
                        static_cast<uLong>(body.size()), 9),
              Z_OK);
    packed.resize(size);
    const uint32_t file = static_cast<uint32_t>(8 + body.size());
    const char header[] = {'C', 'W', 'S', 6, static_cast<char>(file), static_cast<char>(file >> 8),
                           static_cast<char>(file >> 16), static_cast<char>(file >> 24)};
    return std::string(header, sizeof header) + packed;
}

// Lets this process map only `headroom` bytes more than it has mapped now.
void LimitAddressSpace(uint64_t headroom) {
    std::ifstream status("/proc/self/status");
    std::string key;
    uint64_t kib = 0;
    while (status >> key && key != "VmSize:") status.ignore(1 << 10, '\n');
    status >> kib;
    const rlimit limit{static_cast<rlim_t>(kib * 1024 + headroom),
                       static_cast<rlim_t>(kib * 1024 + headroom)};
    setrlimit(RLIMIT_AS, &limit);
}

TEST(CharacterInfo, WriterLinesAndOrder) {
    flash_character_info info;
    info.character_path = "/tmp/figure.swf";
    std::ostringstream out;
    WriteCharacterInfo(out, info, 12);
    EXPECT_EQ(out.str(),
              "character /tmp/figure.swf\nframe_rate 0\nswf6_compress 0\naudio_bitrate 24\nend_character_info\n");

    info.frame_rate = 12;
    info.publish_file = "out.swf";
    info.compress = true;
    info.audio_bitrate = 0;
    info.protect = false;
    info.ambients = false;
    std::ostringstream all;
    WriteCharacterInfo(all, info, 12);
    EXPECT_EQ(all.str(),
              "character /tmp/figure.swf\npublish_file out.swf\nswf6_compress 1\nno_protect\nno_ambients\n"
              "end_character_info\n");
}

TEST(CharacterInfo, Reader) {
    struct Case {
        const char* text;
        std::string path;
        int rate;
        bool protect;
        int bitrate;
        const char* after;  // the next word after the section
    };
    const Case cases[] = {
        {"CHARACTER   /a b/c.swf  \nFrame_Rate 24\nend_character_info\ngesture", "/a b/c.swf", 24, true, 24, "gesture"},
        {"character x.swf\nno_protect\nwhatever\nend_character_info\nnext", "x.swf", 0, false, 24, "next"},
        {"character x.swf\naudio_bitrate fast\nframe_rate 8\nend_character_info\nnext", "x.swf", 8, true, 24, "next"},
        {"character x.swf\naudio_bitrate 64", "x.swf", 0, true, 64, ""},
        {"", "", 0, true, 24, ""},
    };
    for (const Case& c : cases) {
        std::istringstream in(c.text);
        flash_character_info info;
        ReadCharacterInfo(in, info);
        EXPECT_EQ(info.character_path, c.path) << c.text;
        EXPECT_EQ(info.frame_rate, c.rate) << c.text;
        EXPECT_EQ(info.protect, c.protect) << c.text;
        EXPECT_EQ(info.audio_bitrate, c.bitrate) << c.text;
        std::string next;
        in >> next;
        EXPECT_EQ(next, c.after) << c.text;
    }
}

class fake_selection : public flash_gesture_selection {
public:
    int GetSelectedGesture() const override { return selected; }
    bool OnCharacterChanged(bool) override { return ++rebuilds > 0; }
    int selected = -1;
    int rebuilds = 0;
};

class fake_frame : public flash_document_frame {
public:
    void ShowFlashGesturesBar(bool show) override { bar = show; }
    void ShowChannel(uint32_t bit) override { shown |= bit; }
    flash_gesture_selection* FindFlashGesturesView() override { return &view; }
    bool bar = false;
    uint32_t shown = 0;
    fake_selection view;
};

class FlashDocumentTest : public document_test::DocumentFixture {
protected:
    void SetUp() override {
        DocumentFixture::SetUp();
        CopySpeech(".wav", std::string(kBase) + ".wav");
    }

    // The bundled results file with the given sections after it.
    fs::path Results(const std::string& sections) {
        const fs::path path = dir_ / "flash.zuvo";
        std::ofstream(path, std::ios::binary) << ReadFile(kSpeech / (std::string(kBase) + ".zuvo")) << sections;
        return path;
    }
    std::unique_ptr<CPhonarcDocFlash> Open(const fs::path& path) {
        auto doc = std::make_unique<CPhonarcDocFlash>(host_);
        doc->SetFrame(&frame_);
        if (!doc->OnOpenDocument(path.string())) return nullptr;
        return doc;
    }

    fake_frame frame_;
};

TEST_F(FlashDocumentTest, OpensBothSectionsAndSavesThemBackEqual) {
    const std::string sections = "CHARACTER " + kTemplate.string() + "\nframe_rate 24\nend_character_info\n" + kGestures;
    auto doc = Open(Results(sections));
    ASSERT_TRUE(doc);
    ASSERT_TRUE(doc->HasTemplate()) << doc->logged();
    EXPECT_EQ(doc->character_path(), kTemplate.string());
    EXPECT_EQ(doc->GetAnim()->get_frame_rate(), 24);
    EXPECT_TRUE(frame_.bar);
    EXPECT_EQ(frame_.view.rebuilds, 1);
    const gesture_marker_list& g = *doc->GetAnim()->get_gestures();
    ASSERT_EQ(g.size(), 2u);
    EXPECT_EQ(g[0].pose_name, "idle");
    EXPECT_EQ(g[0].gesture_name, "wave");
    EXPECT_GE(g[0].clip_index, 0);
    EXPECT_EQ(doc->character()->get_gestures()[g[0].clip_index].gesture, "wave");

    const fs::path saved = dir_ / "saved.zuvo";
    ASSERT_TRUE(doc->OnSaveDocument(saved.string()));
    // The template runs at 12 frames a second, so 24 is kept.
    const std::string expected = "character " + kTemplate.string() +
                                 "\nframe_rate 24\nswf6_compress 0\naudio_bitrate 24\nend_character_info\n"
                                 "frame_rate 24\n" +
                                 kGestures;
    EXPECT_EQ(Sections(ReadFile(saved)), expected);

    auto again = Open(saved);
    ASSERT_TRUE(again);
    const fs::path resaved = dir_ / "resaved.zuvo";
    ASSERT_TRUE(again->OnSaveDocument(resaved.string()));
    EXPECT_EQ(Sections(ReadFile(resaved)), expected);
}

TEST_F(FlashDocumentTest, TemplateThatDoesNotLoadKeepsTheSections) {
    const fs::path broken = dir_ / "broken.swf";
    std::ofstream(broken, std::ios::binary) << "FWS\x06 not a movie";
    // A header claiming 4 GiB over a body that inflates just past what a template may hold.
    const fs::path bomb = dir_ / "bomb.swf";
    std::ofstream(bomb, std::ios::binary) << CompressedTemplate(kSwfMaxBodyBytes + 1);
    // Tiny tags past what a template may build: once gigabytes of objects, now refused unbuilt.
    const fs::path frames = dir_ / "frames.swf";
    std::ofstream(frames, std::ios::binary) << SpriteOfFrames(65536);
    struct Case {
        fs::path path;
        std::string message;
    };
    fs::create_directories(dir_ / "folder.swf");
    const Case cases[] = {
        {dir_ / "missing.swf",
         "Can't open character file " + (dir_ / "missing.swf").string() + ": No such file or directory\n"},
        {dir_ / "folder.swf",
         "Can't open character file " + (dir_ / "folder.swf").string() + ": it is a folder, not a file\n"},
        {broken, "Reading Character file " + broken.string() + ": "},
        {bomb, "Reading Character file " + bomb.string() +
                   ": The compressed SWF body inflates to more than 64 MiB"},
        {frames, "Reading Character file " + frames.string() + ": sprite 1 has more than 65535 frames\n"}};
    for (const Case& c : cases) {
        const std::string info = "character " + c.path.string() + "\nno_ambients\nend_character_info\n";
        auto doc = Open(Results(info + kGestures));
        ASSERT_TRUE(doc) << c.path;
        EXPECT_FALSE(doc->HasTemplate());
        EXPECT_EQ(doc->character(), nullptr);
        EXPECT_EQ(doc->character_path(), c.path.string());
        EXPECT_NE(doc->logged().find(c.message), std::string::npos) << doc->logged();
        // One line names the template.
        EXPECT_EQ(doc->logged().find(c.path.string()), doc->logged().rfind(c.path.string())) << doc->logged();
        EXPECT_TRUE(doc->GetAnim()->get_gestures()->empty());

        const fs::path saved = dir_ / "saved.zuvo";
        ASSERT_TRUE(doc->OnSaveDocument(saved.string()));
        EXPECT_EQ(Sections(ReadFile(saved)), "character " + c.path.string() +
                                             "\nswf6_compress 0\naudio_bitrate 24\nno_ambients\nend_character_info\n" +
                                             kGestures);
    }
}

TEST_F(FlashDocumentTest, TemplateThatMemoryCannotHoldIsLeftOutNotFatal) {
    // The largest body a template may have loads; with too little memory for it the results file
    // opens without it and says why.
    const fs::path large = dir_ / "large.swf";
    std::ofstream(large, std::ios::binary) << CompressedTemplate(kSwfMaxBodyBytes);
    const fs::path results = Results("character " + large.string() + "\nend_character_info\n" + kGestures);
    auto doc = Open(results);
    ASSERT_TRUE(doc);
    ASSERT_TRUE(doc->HasTemplate()) << doc->logged();
    EXPECT_EQ(doc->GetAnim()->get_gestures()->size(), 2u);
    doc.reset();

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "an address-space limit would stop the sanitizer's own mappings";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
    GTEST_SKIP() << "an address-space limit would stop the sanitizer's own mappings";
#endif
#endif
    const std::string expected =
        "Reading Character file " + large.string() + ": there is not enough memory to load it\n";
    EXPECT_EXIT(
        {
            LimitAddressSpace(kSwfMaxBodyBytes / 2);
            auto limited = Open(results);
            const bool ok = limited && !limited->HasTemplate() &&
                            limited->logged().find(expected) != std::string::npos &&
                            limited->kept_gesture_section() == kGestures;
            std::_Exit(ok ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST_F(FlashDocumentTest, NoSectionsWithoutCharacter) {
    auto doc = Open(Results(""));
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->character_path(), "");
    const fs::path saved = dir_ / "saved.zuvo";
    ASSERT_TRUE(doc->OnSaveDocument(saved.string()));
    EXPECT_EQ(Sections(ReadFile(saved)), "");
    EXPECT_FALSE(frame_.bar);
}

TEST_F(FlashDocumentTest, ExtractGesturesIsOneUndoStep) {
    const fs::path path = dir_ / "energies.zuvo";
    std::ofstream(path, std::ios::binary) << AlignmentWithEnergies() << "character " << kTemplate.string()
                                          << "\nend_character_info\n";
    auto doc = Open(path);
    ASSERT_TRUE(doc && doc->HasTemplate());
    ASSERT_FALSE(doc->track(1).phonemes.empty());
    doc->OnExtractGestures();
    EXPECT_FALSE(doc->GetAnim()->get_gestures()->empty());
    EXPECT_FALSE(doc->track(1).gestures.empty());
    EXPECT_EQ(frame_.shown, 0x60000u);
    EXPECT_EQ(doc->UpdateUndo().text, "Undo Auto Gesture\tCtrl+Z");
    doc->OnEditUndo();
    EXPECT_TRUE(doc->GetAnim()->get_gestures()->empty());
    EXPECT_TRUE(doc->track(1).gestures.empty());
    EXPECT_FALSE(doc->UpdateUndo().enabled);
    doc->OnEditRedo();
    EXPECT_FALSE(doc->GetAnim()->get_gestures()->empty());
    EXPECT_FALSE(doc->track(1).gestures.empty());
}

TEST_F(FlashDocumentTest, ExtractGesturesNeedsPhonemesAndWorksWithoutTemplate) {
    CPhonarcDocFlash empty(host_);
    empty.SetFrame(&frame_);
    empty.OnExtractGestures();
    ASSERT_EQ(prompts_.messages.size(), 1u);
    EXPECT_EQ(prompts_.messages[0], kTextLipsyncFirst);
    EXPECT_FALSE(empty.UpdateUndo().enabled);

    auto doc = Open(Results(""));
    ASSERT_TRUE(doc);
    doc->OnExtractGestures();
    // The track's gestures come from the generation without a template; the animation stays.
    EXPECT_TRUE(doc->GetAnim()->get_gestures()->empty());
    EXPECT_EQ(frame_.shown, 0x20000u);
    EXPECT_EQ(doc->UpdateUndo().text, "Undo Auto Gesture\tCtrl+Z");
}

// The trailing pose changes step on past the speech, and a track read from a file may run past
// the recording: whatever is generated stays on the recording, tween steps included.
TEST_F(FlashDocumentTest, ExtractedGesturesLieWithinTheRecording) {
    const struct {
        const char* name;
        std::string sections;
        bool past_the_end;  // the track runs 6 s past the recording
        bool some_kept;     // gestures on the recording are expected
    } cases[] = {
        {"template, the take's own track", "character " + kTemplate.string() + "\nend_character_info\n", false, true},
        {"template, a longer track", "character " + kTemplate.string() + "\nend_character_info\n", true, true},
        {"no template, a longer track", "", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto doc = Open(Results(c.sections));
        ASSERT_TRUE(doc);
        const int duration = static_cast<int>(doc->audio()->FramesToMs(doc->audio()->GetFrameCount()));
        if (c.past_the_end) {
            // A pause inside the recording and one after it: the track was aligned on a longer take.
            app_sync_results track = doc->track(1);
            track.phonemes.clear();
            const struct {
                int start, end;
                const char* label;
                float value;
            } phonemes[] = {{0, 600, "x", 0}, {600, 800, "AA", 95}, {800, duration + 500, "n", 50},
                            {duration + 500, duration + 3000, "x", 0}, {duration + 3000, duration + 3300, "AA", 95},
                            {duration + 3300, duration + 3500, "b", 10}};
            for (const auto& p : phonemes) track.phonemes.push_back(phn_marker(p.start, p.end, p.label, p.value));
            doc->CommitTrackEdit("Longer", track, 1, -1, -1);
        }
        // The generation draws at random: several rounds.
        for (int round = 0; round < 8; ++round) {
            doc->OnExtractGestures();
            ASSERT_EQ(doc->UpdateUndo().text, "Undo Auto Gesture\tCtrl+Z");
            if (c.some_kept) { EXPECT_FALSE(doc->track(1).gestures.empty()); }
            for (const FGesture& g : doc->track(1).gestures) {
                EXPECT_LE(g.start, duration);
                EXPECT_LE(g.end, duration);
            }
            for (const FGesture& g : *doc->GetAnim()->get_gestures()) {
                EXPECT_LE(g.start, duration);
                EXPECT_LE(g.end, duration);
                for (const tween_gesture_marker& step : g.tweens) EXPECT_LE(step.end, duration);
            }
            doc->OnEditUndo();
        }
    }
}

TEST_F(FlashDocumentTest, AnimationEditsUndoAndMarkModified) {
    auto doc = Open(Results("character " + kTemplate.string() + "\nend_character_info\n" + kGestures));
    ASSERT_TRUE(doc && doc->HasTemplate());
    EXPECT_FALSE(doc->IsModified());
    FZuvoAnim edited = *doc->GetAnim();
    ASSERT_TRUE(edited.delete_gesture((*edited.get_gestures())[0].id));
    doc->CommitAnim("Delete Gesture", edited);
    EXPECT_EQ(doc->GetAnim()->get_gestures()->size(), 1u);
    EXPECT_EQ(doc->GetAnim()->get_character(), doc->character());
    EXPECT_TRUE(doc->IsModified());
    EXPECT_EQ(doc->UpdateUndo().text, "Undo Delete Gesture\tCtrl+Z");
    doc->OnEditUndo();
    EXPECT_EQ(doc->GetAnim()->get_gestures()->size(), 2u);
    EXPECT_FALSE(doc->IsModified());
}

}  // namespace
