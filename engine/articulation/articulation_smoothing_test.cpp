// Tests of the smoothing: closures of lip-shut runs, phoneme envelopes from keys, slope limiting
// and frames rebuilt from envelopes.
#include <gtest/gtest.h>

#include <string>

#include "engine/api/error_messages.h"
#include "engine/articulation/articulation_test_support.h"
#include "engine/articulation/phoneme_mixture_articulator.h"

namespace {

using Weights = std::map<std::string, float>;

// 10 frames per second, so frame k covers [100 k, 100 k + 100) ms; b and m shut the lips.
void LoadTenPerSecondRules(CPhonemeMixtureArticulator& articulator) {
    const std::string rules = "framerate 10\nclosed bm\nx .5 50 50\nAA .9 250 100\nOW .9 250 100\nb 1 50 50\nm 1 50 50\n";
    ASSERT_EQ(articulator.LoadArticulatorRules(rules.data(), static_cast<int>(rules.size())), kErrNone);
}

std::vector<Weights> FrameWeights(CPhonemeMixtureArticulator& articulator) {
    std::vector<Weights> weights;
    for (const FrameMixture& frame : articulator.Frames()) weights.push_back(WeightsOf(frame));
    return weights;
}

std::string Describe(const EnvelopeRecord& record) {
    std::string text = std::string(record.label) + " [" + std::to_string(record.start) + "," +
                       std::to_string(record.end) + "]";
    for (int i = 0; i < record.count; ++i) {
        text += " (" + std::to_string(record.points[i].base) + "," + std::to_string(record.points[i].time) + "," +
                std::to_string(record.points[i].value).substr(0, 4) + ")";
    }
    return text;
}

std::vector<std::string> Envelopes(CPhonemeMixtureArticulator& articulator) {
    std::vector<std::string> out;
    for (EnvelopeRecord* r = articulator.EnvelopesBegin(); r != articulator.EnvelopesEnd(); ++r) out.push_back(Describe(*r));
    return out;
}

void ExpectFrames(const std::vector<Weights>& actual, const std::vector<Weights>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t k = 0; k < actual.size(); ++k) {
        ASSERT_EQ(actual[k].size(), expected[k].size()) << "frame " << k;
        for (const auto& [code, weight] : expected[k]) {
            ASSERT_EQ(actual[k].count(code), 1u) << "frame " << k << " " << code;
            EXPECT_NEAR(actual[k].at(code), weight, 1e-5) << "frame " << k << " " << code;
        }
    }
}

TEST(ArticulationSmoothing, ClosuresClearTheBestFrameOfEachRun) {
    struct Case {
        const char* name;
        std::vector<phn_marker> track;
        int frames;
        std::vector<Weights> before;
        std::vector<Weights> after;
    };
    const Weights aa{{"AA", 1.0f}};
    const Case cases[] = {
        {"b over frames 2-4: best frame 3 and both neighbours",
         MakeTrack({{"AA", 0, 200, 100}, {"b", 200, 500, 100}, {"AA", 500, 700, 100}}),
         2,
         {aa, aa, {{"AA", .5f}, {"b", .3f}, {"x", .2f}}, {{"AA", .3f}, {"b", .5f}, {"x", .2f}},
          {{"AA", .6f}, {"b", .2f}, {"x", .2f}}, aa},
         {aa, aa, {{"AA", 0}, {"b", .6f}, {"x", .4f}}, {{"AA", 0}, {"b", .5f / .7f}, {"x", .2f / .7f}},
          {{"AA", 0}, {"b", .5f}, {"x", .5f}}, aa}},
        {"already closed in three frames: untouched",
         MakeTrack({{"b", 200, 500, 100}}),
         2,
         {aa, aa, {{"AA", .4f}, {"b", .6f}}, {{"OW", .4f}, {"b", .6f}}, {{"b", .5f}, {"x", .5f}}, aa},
         {aa, aa, {{"AA", .4f}, {"b", .6f}}, {{"OW", .4f}, {"b", .6f}}, {{"b", .5f}, {"x", .5f}}, aa}},
        {"no closed code or rest anywhere in the run: untouched",
         MakeTrack({{"b", 200, 500, 100}}),
         2,
         {aa, aa, aa, {{"AA", .5f}, {"OW", .5f}}, aa, aa},
         {aa, aa, aa, {{"AA", .5f}, {"OW", .5f}}, aa, aa}},
        {"a run of one frame clears only that frame",
         MakeTrack({{"b", 200, 300, 100}}),
         2,
         {aa, {{"AA", .5f}, {"b", .5f}}, {{"AA", .5f}, {"b", .5f}}, {{"AA", .5f}, {"b", .5f}}},
         {aa, {{"AA", .5f}, {"b", .5f}}, {{"AA", 0}, {"b", 1}}, {{"AA", .5f}, {"b", .5f}}}},
        {"b then m without a gap form one run keeping both codes",
         MakeTrack({{"b", 200, 300, 100}, {"m", 300, 400, 100}}),
         2,
         {aa, aa, {{"AA", .8f}, {"b", .2f}}, {{"AA", .4f}, {"b", .3f}, {"m", .3f}}, aa},
         {aa, aa, {{"AA", 0}, {"b", 1}}, {{"AA", 0}, {"b", .5f}, {"m", .5f}}, aa}},
        {"a neighbour with nothing left to show becomes the rest position",
         MakeTrack({{"b", 200, 500, 100}}),
         2,
         {aa, aa, aa, {{"AA", .5f}, {"b", .5f}}, {{"OW", 1}}, aa},
         {aa, aa, {{"AA", 0}, {"x", 1}}, {{"AA", 0}, {"b", 1}}, {{"OW", 0}, {"x", 1}}, aa}},
        {"wider clearing stays inside the run",
         MakeTrack({{"m", 200, 800, 100}}),
         5,
         {aa, aa, {{"AA", .5f}, {"m", .5f}}, aa, aa, aa, aa, aa, aa},
         {aa, aa, {{"AA", 0}, {"m", 1}}, {{"AA", 0}, {"x", 1}}, {{"AA", 0}, {"x", 1}},
          {{"AA", 0}, {"x", 1}}, {{"AA", 0}, {"x", 1}}, aa, aa}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPhonemeMixtureArticulator articulator;
        LoadTenPerSecondRules(articulator);
        std::vector<FrameMixture>& frames = articulator.Frames();
        frames.clear();
        for (const Weights& w : c.before) {
            FrameMixture frame;
            for (const auto& [code, weight] : w) frame.set(PackMixtureCode(code), weight);
            frames.push_back(frame);
        }
        articulator.EnforceClosures(c.track, c.frames);
        ExpectFrames(FrameWeights(articulator), c.after);
    }
}

// A track that starts late: its stored frames begin at its first frame, and the closure must
// land on the frames of the closed phoneme, not frames counted from the timeline's start.
TEST(ArticulationSmoothing, ClosureLandsOnTheClosedPhonemeInALateTrack) {
    for (int offset : {0, 2000, 61000}) {
        SCOPED_TRACE(offset);
        CPhonemeMixtureArticulator articulator;
        articulator.SetFlags(kArticulatorSmoothing);
        const auto track = MakeTrack({{"x", offset, offset + 300, 100},
                                      {"AA", offset + 300, offset + 400, 100},
                                      {"b", offset + 400, offset + 500, 60},
                                      {"AA", offset + 500, offset + 800, 100}});
        ASSERT_EQ(articulator.GenerateFromPhonemes(track, -1, -1), kErrNone);
        int closedKeys = 0;
        for (const ArticulationKey& key : articulator.Keys()) {
            const Weights pairs = PairsOf(key);
            bool onlyClosed = pairs.count("b") == 1;
            for (const auto& [code, weight] : pairs) onlyClosed = onlyClosed && (code == "b" || code == "x");
            if (!onlyClosed) continue;
            ++closedKeys;
            EXPECT_GE(key.start, offset + 366);
            EXPECT_LE(key.end, offset + 533);
        }
        EXPECT_GE(closedKeys, 1);
        EXPECT_EQ(articulator.Keys().front().start, static_cast<int>(offset / 100 * 3 * (1000.0f / 30.0f)));
    }
}

// With the built-in rules every lip-shut code (b p v m f) gets a frame showing only itself and the
// rest position; another code between the same vowels does not.
TEST(ArticulationSmoothing, BuiltInClosedCodesGetAClosedFrame) {
    for (const char* code : {"b", "p", "v", "m", "f", "d", "s"}) {
        SCOPED_TRACE(code);
        const bool closed = std::string("bpvmf").find(code) != std::string::npos;
        CPhonemeMixtureArticulator articulator;
        articulator.SetFlags(kArticulatorSmoothing);
        articulator.SetLevel(4);
        ASSERT_EQ(articulator.GenerateFromPhonemes(MakeTrack({{"x", 0, 300, 100}, {"AE", 300, 400, 100},
                                                               {code, 400, 500, 60}, {"AE", 500, 800, 100}}),
                                                   -1, -1),
                  kErrNone);
        int closedKeys = 0;
        for (const ArticulationKey& key : articulator.Keys()) {
            const Weights pairs = PairsOf(key);
            bool onlyCode = pairs.count(code) == 1;
            for (const auto& [c, weight] : pairs) onlyCode = onlyCode && (c == code || c == "x");
            if (onlyCode && key.start >= 366 && key.end <= 533) ++closedKeys;
        }
        if (closed) {
            EXPECT_GE(closedKeys, 1);
        } else {
            EXPECT_EQ(closedKeys, 0);
        }
    }
}

TEST(ArticulationSmoothing, EnvelopesFromKeys) {
    CPhonemeMixtureArticulator articulator;
    EXPECT_EQ(articulator.MakeEnvelopes(true), kErrNone);
    EXPECT_EQ(articulator.EnvelopesBegin(), nullptr);
    EXPECT_EQ(articulator.EnvelopesEnd(), nullptr);

    articulator.AppendKey(KeyOf(0, 100, {{"AA", .5f}, {"OW", .5f}}), true);
    articulator.AppendKey(KeyOf(100, 200, {{"AA", .5f}, {"OW", .5f}}), false);
    articulator.AppendKey(KeyOf(200, 300, {{"AA", .75f}, {"x", .25f}}), false);
    articulator.AppendKey(KeyOf(300, 400, {{"x", 1}}), false);

    // Equal weights in neighbouring keys share a point; each envelope falls to 0 over the key
    // after its last, and rises over one key before its first unless that would start before 0.
    articulator.BuildEnvelopes();
    EXPECT_EQ(Envelopes(articulator), (std::vector<std::string>{
                                          "OW [0,300] (0,200,0.50) (200,300,0.00)",
                                          "AA [0,400] (0,200,0.50) (200,300,0.75) (300,400,0.00)",
                                          "x [100,500] (100,200,0.00) (200,300,0.25) (300,400,1.00) (400,500,0.00)",
                                      }));
    EXPECT_EQ(articulator.EnvelopesEnd() - articulator.EnvelopesBegin(), 3);

    ASSERT_EQ(articulator.MakeEnvelopes(false), kErrNone);
    EXPECT_EQ(Envelopes(articulator)[1], "AA [0,400] (0,100,0.50) (100,200,0.50) (200,300,0.75) (300,400,0.00)");

    // Still open at the end and starting at 0: the rise goes before 0.
    articulator.AppendKey(KeyOf(0, 100, {{"x", 1}}), true);
    articulator.BuildEnvelopes();
    EXPECT_EQ(Envelopes(articulator), (std::vector<std::string>{"x [-100,200] (-100,0,0.00) (0,100,1.00) (100,200,0.00)"}));
}

// Frames of AA at full weight between rest frames: the AA curve may rise and fall by a quarter per
// frame; the rest position and closed codes keep their jumps.
TEST(ArticulationSmoothing, SlopesLimitedToAQuarterPerPoint) {
    struct Case {
        const char* code;
        std::vector<Weights> after;
    };
    const Case cases[] = {
        {"AA",
         {{{"AA", 0}, {"x", 1}},
          {{"AA", .25f}, {"x", .75f}},
          {{"AA", .5f}, {"x", .5f}},
          {{"AA", .5f}, {"x", .5f}},
          {{"AA", .25f}, {"x", .75f}},
          {{"AA", 0}, {"x", 1}},
          {{"x", 1}}}},
        {"b",
         {{{"b", 0}, {"x", 1}},
          {{"b", 1}, {"x", 0}},
          {{"b", 1}},
          {{"b", 1}},
          {{"b", 1}, {"x", 0}},
          {{"b", 0}, {"x", 1}},
          {{"x", 1}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        CPhonemeMixtureArticulator articulator;
        LoadTenPerSecondRules(articulator);
        std::vector<FrameMixture>& frames = articulator.Frames();
        frames = {MixtureOf({{"x", 1}}), MixtureOf({{c.code, 1}}), MixtureOf({{c.code, 1}}), MixtureOf({{c.code, 1}}),
                  MixtureOf({{c.code, 1}}), MixtureOf({{"x", 1}})};
        articulator.LimitEnvelopeSlopes(0.25f);
        ExpectFrames(FrameWeights(articulator), c.after);
        EXPECT_EQ(articulator.EnvelopesBegin(), nullptr) << "envelopes are dropped afterwards";
        EXPECT_EQ(articulator.KeysBegin(), nullptr);
    }
}

TEST(ArticulationSmoothing, FramesFromEnvelopesFillUnreachedFramesWithRest) {
    CPhonemeMixtureArticulator articulator;
    ASSERT_EQ(articulator.SetFrameRate(30.0f), kErrNone);
    articulator.FramesFromEnvelopes();
    ASSERT_EQ(articulator.Frames().size(), 1u) << "no envelopes: one empty frame";
    EXPECT_TRUE(articulator.Frames()[0].empty());

    // One point spans keys [0, 100); at this frame length it reaches frames 0 and 1 only, and the
    // end ramp starts in frame 3, so frame 2 is reached by nothing.
    articulator.AppendKey(KeyOf(0, 33, {{"AA", .5f}}), true);
    articulator.AppendKey(KeyOf(33, 66, {{"AA", .5f}}), false);
    articulator.AppendKey(KeyOf(66, 100, {{"AA", .5f}}), false);
    articulator.BuildEnvelopes();
    articulator.FramesFromEnvelopes();
    EXPECT_EQ(articulator.KeysBegin(), nullptr);
    ExpectFrames(FrameWeights(articulator),
                 {{{"AA", .5f}, {"x", .5f}}, {{"AA", .5f}, {"x", .5f}}, {{"x", 1}}, {{"AA", 0}, {"x", 1}}});

    // Keys far longer than a frame put the rise of a still-open envelope before time 0; frames
    // before the timeline's start are not stored.
    articulator.AppendKey(KeyOf(0, 2000, {{"OW", 1}}), true);
    articulator.BuildEnvelopes();
    articulator.FramesFromEnvelopes();
    ASSERT_GT(articulator.Frames().size(), 100u);
    EXPECT_EQ(WeightsOf(articulator.Frames()[0]), (Weights{{"OW", 1}}));
    EXPECT_EQ(WeightsOf(articulator.Frames().back()), (Weights{{"OW", 0}, {"x", 1}}));
}

}  // namespace
