// The noise gate: its run rules on block levels, the proposal's floor for silent blocks, the
// cut-off field, the fades, and the gate on a document's audio as one undoable step that leaves
// the recording's file alone.
#include "app/core/noise_gate.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>

#include "app/core/document_test_support.h"
#include "app/core/phonarc_doc.h"
#include "app/core/profile_store.h"
#include "engine/audio/audio_test_support.h"
#include "app/core/prompts.h"
#include "engine/audio/memory_pcm_stream.h"

namespace {

namespace fs = std::filesystem;

constexpr float kLoud = -10.0f;
constexpr float kQuiet = -60.0f;
constexpr float kSilent = -std::numeric_limits<float>::infinity();

// Levels from (blocks, loud) pieces.
std::vector<float> Levels(std::initializer_list<std::pair<int, bool>> pieces) {
    std::vector<float> levels;
    for (auto [n, loud] : pieces) levels.insert(levels.end(), static_cast<size_t>(n), loud ? kLoud : kQuiet);
    return levels;
}

TEST(NoiseGateRuns, ClicksBetweenLongPausesAreGatedAndShortPausesKept) {
    struct Case {
        const char* what;
        std::vector<float> levels;
        std::vector<gate_run> runs;
    };
    const Case cases[] = {
        {"click of 100 ms between pauses of 250 ms",
         Levels({{50, true}, {25, false}, {10, true}, {25, false}, {50, true}}),
         {{0, 50, true}, {50, 60, false}, {110, 50, true}}},
        {"the same click after a pause of 200 ms",
         Levels({{50, true}, {20, false}, {10, true}, {25, false}, {50, true}}),
         {{0, 50, true}, {50, 20, false}, {70, 10, true}, {80, 25, false}, {105, 50, true}}},
        {"the same click before a pause of 200 ms",
         Levels({{50, true}, {25, false}, {10, true}, {20, false}, {50, true}}),
         {{0, 50, true}, {50, 25, false}, {75, 10, true}, {85, 20, false}, {105, 50, true}}},
        {"a sound of 150 ms is no click", Levels({{50, true}, {25, false}, {15, true}, {25, false}, {50, true}}),
         {{0, 50, true}, {50, 25, false}, {75, 15, true}, {90, 25, false}, {115, 50, true}}},
        {"a pause of 110 ms joins the speech", Levels({{50, true}, {11, false}, {50, true}}), {{0, 111, true}}},
        {"a pause of 120 ms stays", Levels({{50, true}, {12, false}, {50, true}}),
         {{0, 50, true}, {50, 12, false}, {62, 50, true}}},
        {"a click that starts the recording", Levels({{10, true}, {25, false}, {50, true}}),
         {{0, 35, false}, {35, 50, true}}},
        {"a click that ends it", Levels({{50, true}, {25, false}, {10, true}}), {{0, 50, true}, {50, 35, false}}},
        {"nothing", {}, {}},
    };
    for (const Case& c : cases) EXPECT_EQ(FindGateRuns(c.levels, -40, gate_lengths{}), c.runs) << c.what;

    // Cut-off 0 takes only full scale as loud; -96 only digital silence as quiet.
    const std::vector<float> levels = {0.0f, -0.5f, -90.3f, kSilent};
    EXPECT_EQ(FindGateRuns(levels, 0, {1, 1, 1}), (std::vector<gate_run>{{0, 1, true}, {1, 3, false}}));
    EXPECT_EQ(FindGateRuns(levels, -96, {1, 1, 1}), (std::vector<gate_run>{{0, 3, true}, {3, 1, false}}));
}

TEST(NoiseGateProposal, TakesTheLevelAtTwoSeventhsWithSilenceFloored) {
    struct Case {
        std::vector<float> levels;
        int proposal;
    };
    const Case cases[] = {
        {{}, -40},
        {{kSilent, kSilent, kSilent}, -96},  // minus infinity has no integer
        {{-5.0f, kSilent, -70.9f, -12.0f, -30.0f, -50.2f, -3.0f}, -50},  // index 2 of 7, truncated
        {{-97.5f, -97.5f}, -96},
        {{-20.7f}, -20},
    };
    for (const Case& c : cases) EXPECT_EQ(ProposeGateCutoff(c.levels), c.proposal) << c.levels.size();
}

TEST(NoiseGateCutoff, AcceptsWholeNumbersFromMinus96To0) {
    struct Case {
        const char* text;
        bool ok;
        int value;
    };
    const Case cases[] = {{"-40", true, -40}, {"0", true, 0},       {"-96", true, -96},  {" -20 ", true, -20},
                          {"-97", false, 0},  {"1", false, 0},       {"abc", false, 0},   {"", false, 0},
                          {"-", false, 0},    {"-12dB", false, 0},   {"-99999999999999999999", false, 0}};
    for (const Case& c : cases) {
        int value = 1;
        EXPECT_EQ(ParseGateCutoff(c.text, &value), c.ok) << c.text;
        if (c.ok) { EXPECT_EQ(value, c.value) << c.text; }
    }
}

// ---- on audio ----

void WriteWav(const fs::path& path, const std::vector<int16_t>& samples) {
    ASSERT_TRUE(audio_test::WriteBytes(path.string(), audio_test::BuildWav(audio_test::WavSpec{}, audio_test::Pcm16(samples))));
}

// 16 samples a millisecond at 16 kHz: speech, a pause, a click, a pause, speech.
struct take {
    int pause_before_ms;
    int click_ms;
    int pause_after_ms;
    int click_start() const { return (500 + pause_before_ms) * 16; }
    int click_end() const { return click_start() + click_ms * 16; }
    std::vector<int16_t> samples() const {
        std::vector<int16_t> s;
        const auto add = [&](int ms, int amplitude) {
            for (int i = 0; i < ms * 16; ++i)
                s.push_back(static_cast<int16_t>(amplitude * std::sin(0.3 * static_cast<double>(s.size()))));
        };
        add(500, 12000);
        add(pause_before_ms, 20);  // hiss about -64 dB
        add(click_ms, 9000);
        add(pause_after_ms, 20);
        add(500, 12000);
        return s;
    }
};

std::vector<int16_t> Samples(CMemoryPCMStream& audio) {
    std::vector<int16_t> out(static_cast<size_t>(audio.GetFrameCount()));
    std::memcpy(out.data(), audio.GetData(), out.size() * 2);
    return out;
}

bool AllZero(const std::vector<int16_t>& s, int from, int to) {
    for (int i = from; i < to; ++i)
        if (s[static_cast<size_t>(i)] != 0) return false;
    return true;
}

class audio_watch : public document_view {
public:
    void AudioSamplesChanged() override { ++changes; }
    int changes = 0;
};

class NoiseGateDocument : public document_test::DocumentFixture {};

TEST_F(NoiseGateDocument, ClickIsGatedOnlyBetweenLongPausesAndUndoRestoresEverySample) {
    struct Case {
        take t;
        bool gated;
    };
    const Case cases[] = {{{250, 100, 250}, true}, {{200, 100, 250}, false}, {{250, 140, 250}, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.t.pause_before_ms);
        const fs::path wav = dir_ / "take.wav";
        WriteWav(wav, c.t.samples());
        const std::string file_bytes = [&] {
            std::ifstream in(wav, std::ios::binary);
            return std::string(std::istreambuf_iterator<char>(in), {});
        }();
        CPhonarcDoc doc(host_);
        ASSERT_TRUE(doc.OnOpenDocument(wav.string()));
        audio_watch view;
        doc.AddView(&view);
        CMemoryPCMStream* audio = doc.audio();
        const std::vector<int16_t> before = Samples(*audio);

        const std::vector<float> levels = MeasureGateLevels(*audio);
        ASSERT_EQ(levels.size(), (before.size() + 159) / 160);
        ASSERT_TRUE(ApplyNoiseGate(doc, levels, -40));
        EXPECT_EQ(doc.UpdateUndo().text, "Undo Noise Gate\tCtrl+Z");
        EXPECT_TRUE(doc.IsModified());
        EXPECT_EQ(view.changes, 1);
        const std::vector<int16_t> gated = Samples(*audio);
        ASSERT_EQ(gated.size(), before.size());
        EXPECT_EQ(AllZero(gated, c.t.click_start(), c.t.click_end()), c.gated);
        if (!c.gated) {
            EXPECT_TRUE(std::equal(before.begin() + c.t.click_start(), before.begin() + c.t.click_end(),
                                   gated.begin() + c.t.click_start()));
        }
        // Speech is untouched; each pause keeps its first 80 ms, fades out, is silent, and fades in
        // over the last 10 ms before the sound after it.
        EXPECT_TRUE(std::equal(before.begin(), before.begin() + 500 * 16, gated.begin()));
        EXPECT_FALSE(AllZero(gated, 500 * 16, 580 * 16 - 1));
        EXPECT_TRUE(AllZero(gated, 590 * 16, c.t.click_start() - 160));

        doc.OnEditUndo();
        EXPECT_EQ(Samples(*audio), before);
        EXPECT_FALSE(doc.IsModified());
        doc.OnEditRedo();
        EXPECT_EQ(Samples(*audio), gated);
        EXPECT_EQ(view.changes, 3);
        doc.RemoveView(&view);

        std::ifstream in(wav, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), file_bytes);
    }
}

TEST(NoiseGateSilence, FirstChunkFadesOutLastFadesInMiddleIsZero) {
    // A memory stream of constant samples, loaded through a tiny source.
    class constant_source : public IZuvoPCMStream {
    public:
        explicit constant_source(int frames) : data(static_cast<size_t>(frames), 1600) {}
        int GetFormat(PCMFormat* f) override {
            *f = {16000u << 16, 16, 1};
            return 0;
        }
        int GetLength() override { return static_cast<int>(data.size() * 2); }
        int Read(void* buffer, int bytes) override {
            const int n = std::min(bytes, GetLength() - pos);
            std::memcpy(buffer, reinterpret_cast<const char*>(data.data()) + pos, static_cast<size_t>(n));
            pos += n;
            return n;
        }
        int Rewind() override {
            pos = 0;
            return 0;
        }
        std::vector<int16_t> data;
        int pos = 0;
    };
    struct Case {
        int start, end;
        std::vector<std::pair<int, int16_t>> expect;  // frame, sample
    };
    const Case cases[] = {
        // three chunks: fade out, zeros, fade in
        {100, 580, {{99, 1600}, {100, 1600}, {101, 1590}, {259, 10}, {260, 0}, {419, 0}, {420, 0}, {421, 10},
                    {579, 1590}, {580, 1600}}},
        // one chunk only fades out
        {0, 160, {{0, 1600}, {80, 800}, {159, 10}, {160, 1600}}},
        // a range past the end never reaches it: the tail becomes zeros
        {800, 2000, {{800, 1600}, {959, 10}, {960, 0}, {999, 0}}},
    };
    for (const Case& c : cases) {
        constant_source source(1000);
        CMemoryPCMStream audio;
        ASSERT_EQ(audio.LoadFromStream(&source, nullptr), 0);
        SilenceFrames(audio, c.start, c.end);
        const std::vector<int16_t> s = Samples(audio);
        for (auto [frame, value] : c.expect) EXPECT_EQ(s[static_cast<size_t>(frame)], value) << c.start << " @" << frame;
    }
}

}  // namespace
