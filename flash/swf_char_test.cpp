// Character templates: the label grammar, clips and their times, rest clips, hookups, transition
// search, loading, and the frame rate and still-frame rules.
#include "flash/swf_char.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "flash/char_labels.h"
#include "flash/char_test_support.h"
#include "swf/flash_header.h"
#include "swf/flash_tag_reader.h"

namespace {

std::vector<int> FrameCounts(const zuvo_swf_char& c) {
    std::vector<int> out;
    for (const auto& g : c.get_gestures()) out.push_back(g.frame_count);
    return out;
}

struct TagSeen {
    uint16_t code;
    uint32_t length;
    uint32_t headerSize;
};

// The top-level tags of a file with the sizes of their headers and bodies.
std::vector<TagSeen> TagsOf(const std::vector<uint8_t>& file) {
    flash_istream in(file.data(), file.size());
    ReadFlashHeader(in, nullptr);
    std::vector<TagSeen> seen;
    while (in.remaining() >= 2) {
        uint64_t start = in.tellg();
        FlashTagHeader h;
        h.Read(in);
        seen.push_back({h.code, h.length, static_cast<uint32_t>(in.tellg() - start)});
        in.ignore(h.length);
        if (h.code == 0) break;
    }
    return seen;
}

swf_char_path Path(const zuvo_swf_char& c, int from, int to, bool* ok = nullptr) {
    swf_char_path path;
    bool result = c.find_transition(from, to, path);
    if (ok) *ok = result;
    return path;
}

}  // namespace

TEST(CharLabels, NamesAndArguments) {
    struct Case {
        const char* label;
        const char* name;
        std::vector<std::string> args;
        bool has_parenthesis;
    };
    const Case cases[] = {
        {"G(idle, nod, 500, 1500)", "G", {"idle", "nod", "500", "1500"}, true},
        {" g ( idle )", "G", {"idle"}, true},
        {"G()", "G", {""}, true},
        {"G(idle", "G", {}, true},
        {"H(\"idle\", 'talk')", "H", {"idle", "talk"}, true},
        {"G(a) b)", "G", {"a", "b"}, true},
        {"stop()", "STOP", {""}, true},
        {"Intro", "G", {"Intro", "Intro"}, false},
    };
    for (const Case& c : cases) {
        std::string name;
        std::vector<std::string> args;
        EXPECT_EQ(ParseCharLabel(c.label, name, args), c.has_parenthesis) << c.label;
        EXPECT_EQ(name, c.name) << c.label;
        EXPECT_EQ(args, c.args) << c.label;
    }
}

TEST(CharLabels, TimesReadAsLeadingIntegers) {
    struct Case {
        const char* text;
        int value;
    };
    const Case cases[] = {{"1500", 1500}, {"  -20ms", -20}, {"+7", 7}, {"x", 0}, {"", 0},
                          {"99999999999", INT_MAX}, {"-99999999999999999999", INT_MIN}};
    for (const Case& c : cases) EXPECT_EQ(LabelToInt(c.text), c.value) << c.text;
    // A huge declared time stays a time; the maximum follows the minimum.
    std::vector<std::string> errors;
    zuvo_swf_char t = MakeTemplate({{"G(idle, nod, 99999999999, 5)", Positions(1, 3)}}, errors);
    EXPECT_EQ(t.get_gestures()[0].min_time, INT_MAX);
    EXPECT_EQ(t.get_gestures()[0].max_time, INT_MAX);
}

TEST(CharTemplate, DocumentedTemplateGivesClipsRestAndMessage) {
    std::vector<std::string> errors;
    zuvo_swf_char c = MakeTemplate({{"G(idle)", Positions(1, 10)},
                                    {"G(idle, nod, 1000, 2000)", Positions(11, 20)},
                                    {"H(idle, talk)", Positions(31, 10)}},
                                   errors);
    ASSERT_EQ(c.get_gestures().size(), 3u);
    EXPECT_EQ(FrameCounts(c), (std::vector<int>{10, 20, 10}));
    const auto& g = c.get_gestures();
    EXPECT_EQ(g[0].first_frame, 0);
    EXPECT_EQ(g[1].first_frame, 10);
    EXPECT_EQ(g[2].first_frame, 0);  // hookup clips keep no frame of their own
    EXPECT_EQ(g[1].pose, "idle");
    EXPECT_EQ(g[1].gesture, "nod");
    EXPECT_TRUE(g[2].pose.empty() && g[2].gesture.empty());
    // The hookup keeps the names of its ends for showing; a G clip has none.
    EXPECT_EQ(g[2].hookup_from, "idle");
    EXPECT_EQ(g[2].hookup_to, "talk");
    EXPECT_TRUE(g[1].hookup_from.empty() && g[1].hookup_to.empty());
    EXPECT_EQ(g[1].clip.GetFrameCount(), 20);
    // Frame 12 of the main timeline is frame 2 of the nod clip.
    std::vector<FDisplayRecord> inside, main;
    g[1].clip.GetDisplayList(2, inside);
    c.movie.mainTimeline.GetDisplayList(12, main);
    EXPECT_TRUE(DisplayListsEqual(inside, main));

    EXPECT_EQ(g[0].min_time, 2500);
    EXPECT_EQ(g[0].max_time, 4000);
    EXPECT_EQ(g[1].min_time, 1667);  // 20 frames outlast 1000 ms at 12 fps
    EXPECT_EQ(g[1].max_time, 2000);
    EXPECT_EQ(c.rest_gesture("idle"), 0);
    EXPECT_EQ(c.rest_gesture("talk"), -1);
    EXPECT_EQ(c.default_pose, "idle");
    EXPECT_DOUBLE_EQ(c.gesture_variety, 2.0);
    EXPECT_TRUE(c.has_gesture_variety());
    EXPECT_EQ(errors, (std::vector<std::string>{"invalid hookup declaration at frame 30 can't find gesture G(talk)"}));
    EXPECT_TRUE(c.transitions.empty());
}

TEST(CharTemplate, LabelMessagesTimesAndRestClips) {
    std::vector<std::string> errors;
    zuvo_swf_char c = MakeTemplate({{"Intro", Positions(1, 2)},
                                    {"G(idle, nod, -1, -1)", Positions(10, 2)},
                                    {"G(idle, wave, x)", Positions(20, 2)},
                                    {"stop()", Positions(30, 2)},
                                    {"G(idle)", Positions(40, 2)},
                                    {"G(idle)", Positions(50, 2)},
                                    {"H(a, b, c)", Positions(60, 2)},
                                    {"H(idle, nod, talk, wave)", Positions(70, 2)},
                                    {"G(talk, 1000, 2000)", Positions(80, 40)}},
                                   errors);
    EXPECT_EQ(errors, (std::vector<std::string>{
                          "funny label expected: G(poseName, [gestureName, minT, maxT]) Intro\n",
                          "invalid hookup declaration at frame 12 expected H(srcPose, dstPose) or H(srcPose, "
                          "srcGesture, dstPose, dstGesture)",
                          "invalid hookup declaration at frame 14 can't find gesture G(talk, wave)",
                      }));
    ASSERT_EQ(c.get_gestures().size(), 7u);  // six G clips and the hookup clip
    const auto& g = c.get_gestures();
    EXPECT_EQ(g[0].pose, "Intro");
    EXPECT_EQ(g[0].gesture, "Intro");
    EXPECT_EQ(g[6].hookup_from, "idle|nod");
    EXPECT_EQ(g[6].hookup_to, "talk|wave");
    EXPECT_EQ(g[1].min_time, 2500);
    EXPECT_EQ(g[1].max_time, 4000);
    // "x" reads as 0 ms; two frames then need 167 ms.
    EXPECT_EQ(g[2].min_time, 167);
    EXPECT_EQ(g[2].max_time, 4000);
    // The label ended the stop() frames: wave has its own two frames only.
    EXPECT_EQ(g[2].frame_count, 2);
    // The arguments are positional: 2000 is the minimum, which 40 frames outlast.
    EXPECT_EQ(g[5].pose, "talk");
    EXPECT_EQ(g[5].gesture, "1000");
    EXPECT_EQ(g[5].min_time, 3334);
    EXPECT_EQ(g[5].max_time, 4000);
    EXPECT_EQ(c.rest_gesture("idle"), 4);  // the second G(idle)
    EXPECT_EQ(c.get_poses().at("idle").clips, (std::vector<int32_t>{1, 2, 3, 4}));
    EXPECT_EQ(c.rest_gesture("talk"), 5);  // no clip without a gesture name: the first one
    EXPECT_EQ(c.default_pose, "Intro");
    EXPECT_DOUBLE_EQ(c.gesture_variety, 6.0 / 3.0);
}

TEST(CharTemplate, MinimumTimeCoversTheClip) {
    struct Case {
        const char* label;
        int frames;
        int rate;
        int min_time;
        int max_time;
    };
    const Case cases[] = {
        {"G(idle, nod, 1000, 2000)", 40, 12, 3334, 3334},
        {"G(idle, nod, 1000, 5000)", 12, 12, 1000, 5000},  // exactly as long: kept
        {"G(idle, nod, 1000, 5000)", 11, 12, 1000, 5000},
        {"G(idle, nod, 1000, 5000)", 13, 12, 1084, 5000},
        {"G(idle, nod, 3000, 2000)", 10, 25, 3000, 3000},
        {"G(idle, nod)", 80, 24, 3334, 4000},
    };
    for (const Case& k : cases) {
        std::vector<std::string> errors;
        zuvo_swf_char c = MakeTemplate({{k.label, Positions(1, k.frames)}}, errors, k.rate);
        ASSERT_EQ(c.get_gestures().size(), 1u);
        EXPECT_EQ(c.get_gestures()[0].min_time, k.min_time) << k.label << " " << k.frames;
        EXPECT_EQ(c.get_gestures()[0].max_time, k.max_time) << k.label << " " << k.frames;
    }
}

TEST(CharTemplate, TrailingStillFramesShortenTheClip) {
    struct Case {
        std::vector<int> positions;
        int frame_count;
        int min_time;  // declared 100 ms: the frames decide
    };
    const Case cases[] = {
        {{1, 2, 3, 4, 5}, 5, 417},
        {{1, 2, 3, 3, 3}, 3, 251},
        {{1, 2, 3, 4, 5, 6, 7, 7, 7, 7}, 7, 584},
        {{5, 5, 5, 5}, 1, 100},
        {{1, 2, 1, 2}, 4, 334},
    };
    for (const Case& k : cases) {
        std::vector<std::string> errors;
        zuvo_swf_char c = MakeTemplate({{"G(idle, nod, 100)", k.positions}}, errors);
        ASSERT_EQ(c.get_gestures().size(), 1u);
        const swf_char_gesture& g = c.get_gestures()[0];
        EXPECT_EQ(g.frame_count, k.frame_count);
        EXPECT_EQ(g.src_end_mark, k.frame_count - 1);
        EXPECT_EQ(g.dst_start_mark, k.frame_count - 1);
        EXPECT_LE(g.frame_count, g.clip.GetFrameCount());
        EXPECT_EQ(g.min_time, k.min_time);
    }
}

TEST(CharTemplate, ZeroFrameRateIsRefused) {
    std::vector<std::string> errors;
    zuvo_swf_char built = MakeTemplate(StudioClips(), errors, 0);
    EXPECT_TRUE(built.get_gestures().empty());
    EXPECT_TRUE(built.get_poses().empty());
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("frame rate 0"), std::string::npos);
    EXPECT_EQ(built.frame_period_ms(), 0.0);

    FSWFMovie movie = MakeTemplateMovie(StudioClips(), 0);
    std::vector<uint8_t> bytes = WrittenMovie(movie);
    flash_istream in(bytes.data(), bytes.size());
    zuvo_swf_char loaded;
    std::vector<std::string> load_errors;
    EXPECT_FALSE(loaded.load(in, load_errors));
    EXPECT_TRUE(loaded.get_gestures().empty());
    ASSERT_EQ(load_errors.size(), 1u);
    EXPECT_NE(load_errors[0].find("frame rate 0"), std::string::npos);
}

TEST(CharTemplate, LoadsWrittenTemplateAndRefusesDamagedOne) {
    std::vector<std::string> errors;
    zuvo_swf_char built = MakeTemplate(StudioClips(), errors);
    ASSERT_TRUE(errors.empty());

    FSWFMovie movie = MakeTemplateMovie(StudioClips());
    std::vector<uint8_t> bytes = WrittenMovie(movie);
    {
        flash_istream in(bytes.data(), bytes.size());
        zuvo_swf_char loaded;
        std::vector<std::string> load_errors{"left from before"};
        ASSERT_TRUE(loaded.load(in, load_errors));
        EXPECT_TRUE(load_errors.empty());
        EXPECT_EQ(loaded.frame_rate(), 12);
        EXPECT_EQ(FrameCounts(loaded), FrameCounts(built));
        EXPECT_EQ(loaded.get_poses().size(), 2u);
        EXPECT_EQ(Path(loaded, 1, 2), Path(built, 1, 2));
        EXPECT_EQ(Path(loaded, 0, 3), Path(built, 0, 3));
        // The nested instances came through.
        FDisplayRecord record;
        FlashIDEnabled* character = nullptr;
        EXPECT_TRUE(loaded.movie.FindTimeline("head/mouth", 0, record, character));
        EXPECT_TRUE(loaded.movie.FindTimeline("head/eyes", 0, record, character));
    }
    for (size_t keep : {size_t{0}, size_t{5}, bytes.size() / 2}) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(keep));
        flash_istream in(cut.data(), cut.size());
        zuvo_swf_char loaded;
        std::vector<std::string> load_errors;
        EXPECT_FALSE(loaded.load(in, load_errors)) << keep;
        EXPECT_FALSE(load_errors.empty()) << keep;
        EXPECT_TRUE(loaded.get_gestures().empty()) << keep;
    }
}

TEST(CharTemplate, TemplatesOfLaterAuthoringToolsLoadAndKeepTheirTags) {
    // Saved as SWF 8 to 10, a template opens with FileAttributes and Metadata and carries init
    // actions for its sprites; none of them is decoded, and none may cost the template.
    std::vector<std::string> errors;
    zuvo_swf_char built = MakeTemplate(StudioClips(), errors);
    for (uint8_t version : {8, 9, 10}) {
        FSWFMovie movie = MakeTemplateMovie(StudioClips());
        movie.header.version = version;
        std::vector<uint8_t> bytes = WrittenMovie(movie);
        flash_istream header(bytes.data(), bytes.size());
        ReadFlashHeader(header, nullptr);
        auto at = bytes.begin() + static_cast<std::ptrdiff_t>(header.tellg());
        const std::vector<uint8_t> opening = {0x44, 0x11, 0x08, 0, 0, 0,           // FileAttributes
                                              0x45, 0x13, '<', 'r', 'd', 'f', 0};  // Metadata
        at = bytes.insert(at, opening.begin(), opening.end()) + static_cast<std::ptrdiff_t>(opening.size());
        // The init actions of sprite 10, after the sprite's tag.
        const std::vector<uint8_t> init = {0xC3, 0x0E, 10, 0, 0};
        std::vector<TagSeen> tags = TagsOf(bytes);
        size_t pos = header.tellg();
        for (const TagSeen& t : tags) {
            pos += t.headerSize + t.length;
            if (t.code == 39) break;
        }
        bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(pos), init.begin(), init.end());
        uint32_t length = static_cast<uint32_t>(bytes.size());
        for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<uint8_t>(length >> (8 * i));

        flash_istream in(bytes.data(), bytes.size());
        zuvo_swf_char loaded;
        testing::internal::CaptureStderr();
        ASSERT_TRUE(loaded.load(in, errors)) << int(version);
        testing::internal::GetCapturedStderr();
        EXPECT_TRUE(errors.empty()) << int(version);
        EXPECT_EQ(loaded.movie.warnings.size(), 3u) << int(version);
        EXPECT_EQ(FrameCounts(loaded), FrameCounts(built)) << int(version);
        EXPECT_EQ(Path(loaded, 1, 2), Path(built, 1, 2)) << int(version);

        std::vector<uint8_t> written = WrittenMovie(loaded.movie);
        std::vector<uint16_t> codes;
        for (const TagSeen& t : TagsOf(written)) codes.push_back(t.code);
        ASSERT_GE(codes.size(), 3u);
        EXPECT_EQ(codes[0], 69) << int(version);
        EXPECT_EQ(codes[1], 77) << int(version);
        auto sprite = std::find(codes.begin(), codes.end(), 39);
        ASSERT_NE(sprite, codes.end());
        EXPECT_EQ(*(sprite + 1), 59) << int(version);
        EXPECT_EQ(std::count(codes.begin(), codes.end(), 59), 1) << int(version);
    }
}

TEST(CharTemplate, LookupsByNameAndIndex) {
    std::vector<std::string> errors;
    zuvo_swf_char c = MakeTemplate(StudioClips(), errors);
    EXPECT_EQ(c.find_gesture("idle", "nod"), 1);
    EXPECT_EQ(c.find_gesture("", "wave"), 4);     // any pose
    EXPECT_EQ(c.find_gesture("talk", ""), 3);     // the empty name matches only itself
    EXPECT_EQ(c.find_gesture("talk", "nod"), -1);
    swf_char_gesture copy;
    EXPECT_EQ(c.find_gesture("idle", "shrug", &copy), 2);
    EXPECT_EQ(copy.frame_count, 4);
    EXPECT_FALSE(c.has_gesture("", "nod"));
    EXPECT_TRUE(c.has_gesture("idle", "nod"));
    EXPECT_EQ(c.get_gesture(4)->gesture, "wave");
    EXPECT_EQ(c.get_gesture(-1), c.get_gesture(0));
    EXPECT_EQ(c.get_gesture(99), c.get_gesture(0));
    EXPECT_EQ(c.rest_gesture_of(4), 3);
    EXPECT_EQ(c.rest_gesture_of(7), -1);
    EXPECT_EQ(zuvo_swf_char().get_gesture(0), nullptr);
}

TEST(CharTemplate, HookupsLeadBothWays) {
    std::vector<std::string> errors;
    zuvo_swf_char c = MakeTemplate(StudioClips(), errors);
    ASSERT_TRUE(errors.empty());
    EXPECT_EQ(Path(c, 0, 3), (swf_char_path{{5, 0}, {5, 1}, {5, 2}}));
    EXPECT_EQ(Path(c, 3, 0), (swf_char_path{{5, 2}, {5, 1}, {5, 0}}));
    EXPECT_EQ(Path(c, 1, 4), (swf_char_path{{6, 0}, {6, 1}, {6, 2}}));
    EXPECT_EQ(Path(c, 4, 1), (swf_char_path{{6, 2}, {6, 1}, {6, 0}}));
    // A hookup replaces what the path held.
    swf_char_path path{{9, 9}};
    EXPECT_TRUE(c.find_transition(0, 3, path));
    EXPECT_EQ(path.size(), 3u);
}

TEST(CharTemplate, TransitionSearch) {
    std::vector<std::string> errors;
    zuvo_swf_char c = MakeTemplate(StudioClips(), errors);
    bool ok = false;
    // The rest clip ends on the picture nod ends on: nothing between them either way.
    EXPECT_TRUE(Path(c, 0, 1, &ok).empty());
    EXPECT_TRUE(ok);
    EXPECT_TRUE(Path(c, 1, 0).empty());
    // Same pose, no common picture: back through nod, idle's rest picture, then into shrug.
    EXPECT_EQ(Path(c, 1, 2), (swf_char_path{{1, 3}, {1, 2}, {1, 1}, {1, 0}, {0, 5}, {2, 0}, {2, 1}, {2, 2}}));
    // Other pose, no common picture: out of shrug, the rest clips' hookup, into wave.
    EXPECT_EQ(Path(c, 2, 4), (swf_char_path{{5, 0}, {5, 1}, {5, 2}, {4, 0}, {4, 1}, {4, 2}, {4, 3}}));
    // Between the rest clips of two poses without a hookup: out of the one, a neutral step (the
    // first clip's first frame), into the other.
    std::vector<std::string> e2;
    zuvo_swf_char apart = MakeTemplate({{"G(idle)", {1, 2}}, {"G(talk)", {3, 4}}}, e2);
    EXPECT_EQ(Path(apart, 0, 1), (swf_char_path{{0, 0}, {0, 0}, {1, 0}}));

    swf_char_path none;
    EXPECT_FALSE(c.find_transition(-1, 0, none));
    EXPECT_FALSE(c.find_transition(0, 7, none));
    EXPECT_TRUE(none.empty());
}

TEST(CharTemplate, TransitionEntersWhereDisplayListsAreEqual) {
    std::vector<std::string> errors;
    // Frame 3 of "one" shows what frame 1 of "two" shows (depths apart, the lists are equal).
    zuvo_swf_char c = MakeTemplate({{"G(a)", {100}}, {"G(a, one)", {1, 2, 3, 4, 5}}, {"G(a, two)", {9, 4, 6, 7, 8}}},
                                   errors);
    EXPECT_EQ(Path(c, 1, 2), (swf_char_path{{1, 3}, {2, 2}, {2, 3}}));
    // Equal lists at different depths still match once renumbered.
    c.gestures[2].clip.elements.clear();
    for (int f = 0; f < 5; ++f) {
        const int x[] = {9, 4, 6, 7, 8};
        c.gestures[2].clip.AddRecord(PlacedRecord(10, 7, "head", x[f]), f);
    }
    EXPECT_EQ(Path(c, 1, 2), (swf_char_path{{1, 3}, {2, 2}, {2, 3}}));
}
