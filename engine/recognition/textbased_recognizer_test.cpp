// Text-based alignment on the tone corpus: boundaries, segments at cut cues, short segments,
// alternative pronunciations, mismatched text, the pruned search and the likelihood scaling.
#include "engine/recognition/textbased_recognizer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/api/error_messages.h"
#include "engine/api/progress.h"
#include "engine/api/results_collection.h"
#include "engine/recognition/tone_corpus_test_support.h"
#include "engine/recognition/frame_likelihoods.h"
#include "engine/text/transcriber.h"
#include "engine/util/block_pool.h"

using namespace tone_corpus;

namespace {

// A spoken script: the tones with their lengths, and the truth of every phoneme and word.
struct Utterance {
    std::vector<Piece> pieces;
    std::vector<int> phoneBoundariesMs;  // start of every piece after the first
    struct Word {
        int startMs;
        int endMs;
    };
    std::vector<Word> words;
};

// Words spoken as given phone strings, with silenceMs of silence before, between and after.
Utterance Speak(const std::vector<std::string>& phones, int phoneMs, int silenceMs) {
    Utterance u;
    int t = 0;
    auto add = [&](int tone, int ms) {
        if (t > 0) u.phoneBoundariesMs.push_back(t);
        u.pieces.push_back({tone, ms});
        t += ms;
    };
    add(0, silenceMs);
    for (const std::string& word : phones) {
        const int start = t;
        for (int tone : Spell(word)) add(tone, phoneMs);
        u.words.push_back({start, t});
        add(0, silenceMs);
    }
    return u;
}

struct Alignment {
    int code = -1;
    std::vector<SyncMarker> records;
    std::vector<std::string> texts;
};

class ToneAlignment : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        model_ = TrainModel().release();
        transcriber_ = MakeTranscriber();
    }
    static void TearDownTestSuite() {
        delete model_;
        DestroyTranscriber(transcriber_);
    }

    static Alignment Align(const std::vector<int16_t>& samples, const std::string& text,
                           CTextbasedPhnRecognizer* recognizer = nullptr, CProgress* progress = nullptr,
                           int flags = 0, CAccousticHMM* model = nullptr) {
        CSampleSource source(samples);
        IObservationStream* obs = nullptr;
        Alignment a;
        CAccousticHMM* m = model ? model : model_;
        EXPECT_EQ(CreateObservationStreamFromZuvoStream(&source, m, &obs), 0);
        ISyncResultsCollection* results = nullptr;
        EXPECT_EQ(CreateSyncResultsCollection(flags, &results), 0);
        CTextbasedPhnRecognizer* own = nullptr;
        if (!recognizer) {
            EXPECT_EQ(CTextbasedPhnRecognizer::CreateTextBasedRecognizer(&own), 0);
            recognizer = own;
        }
        a.code = recognizer->RecognizePhonemes(obs, m, text.c_str(), transcriber_, progress, results);
        for (SyncMarker* r = results->begin(); r != results->end(); ++r) {
            a.records.push_back(*r);
            a.texts.push_back(r->text ? r->text : "");
        }
        CTextbasedPhnRecognizer::DestroyTextBasedRecognizer(own);
        DestroySyncResultsCollection(results);
        DestroyObservationStream(obs);
        return a;
    }

    static std::vector<SyncMarker> OfType(const Alignment& a, int type) {
        std::vector<SyncMarker> out;
        for (const SyncMarker& r : a.records) {
            if (r.type == type) out.push_back(r);
        }
        return out;
    }

    static std::string Labels(const Alignment& a) {
        std::string s;
        for (const SyncMarker& r : OfType(a, kSyncPhoneme)) s += std::string(r.label) + " ";
        return s;
    }

    static inline CAccousticHMM* model_ = nullptr;
    static inline CTranscriber* transcriber_ = nullptr;
};

// Where a boundary should appear: the first frame whose window centre lies in the new phone,
// written as records write frame times ((frame + 0.5) periods).
int ExpectedRecordMs(int boundaryMs) {
    const int hop = 10, centre = 16;
    const int frame = (boundaryMs - centre + hop - 1) / hop;
    return static_cast<int>((frame + 0.5) * hop);
}

// Phoneme records against the truth: the same labels, every boundary within one frame.
void ExpectPhonemes(const std::vector<SyncMarker>& phonemes, const Utterance& u, int offsetMs = 0) {
    ASSERT_EQ(phonemes.size(), u.pieces.size());
    for (size_t i = 0; i < phonemes.size(); ++i) {
        EXPECT_STREQ(phonemes[i].label, Tones()[static_cast<size_t>(u.pieces[i].tone)].label) << i;
        if (i > 0) {
            EXPECT_NEAR(phonemes[i].start, offsetMs + ExpectedRecordMs(u.phoneBoundariesMs[i - 1]), 10) << i;
            EXPECT_EQ(phonemes[i].start, phonemes[i - 1].end) << i;
        }
    }
}

TEST_F(ToneAlignment, PhonemeAndWordBoundariesLieWithinOneFrameOfTheTruth) {
    const Utterance u = Speak({"AAmIY", "OWEH", "UWmAA"}, 150, 200);
    const Alignment a = Align(Synthesize(u.pieces), "AMI OWE UMA");
    ASSERT_EQ(a.code, 0);
    ExpectPhonemes(OfType(a, kSyncPhoneme), u);
    const std::vector<SyncMarker> words = OfType(a, kSyncWord);
    ASSERT_EQ(words.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(words[i].start, ExpectedRecordMs(u.words[i].startMs), 10) << i;
        EXPECT_NEAR(words[i].end, ExpectedRecordMs(u.words[i].endMs), 10) << i;
        EXPECT_EQ(words[i].textOffset, static_cast<int>(4 * i));
        EXPECT_EQ(words[i].textLength, 3);
    }
    // The word records carry their text and come right before their first phoneme.
    for (size_t i = 0; i + 1 < a.records.size(); ++i) {
        if (a.records[i].type != kSyncWord) continue;
        EXPECT_EQ(a.records[i + 1].type, kSyncPhoneme);
        EXPECT_EQ(a.records[i + 1].start, a.records[i].start);
    }
    EXPECT_EQ(a.texts[1], "AMI");
}

TEST_F(ToneAlignment, SubPhonemeRecordsFollowEachPhoneme) {
    const Utterance u = Speak({"OWEH"}, 150, 200);
    const Alignment a = Align(Synthesize(u.pieces), "OWE", nullptr, nullptr, kSyncFlagStateRuns);
    ASSERT_EQ(a.code, 0);
    // Each phoneme record is followed by one record per state it went through (3 states).
    int phoneStart = -1, runs = 0;
    for (const SyncMarker& r : a.records) {
        if (r.type == kSyncPhoneme) {
            if (phoneStart >= 0) { EXPECT_EQ(runs, 3); }
            phoneStart = r.start;
            runs = 0;
        } else if (r.type == kSyncPhonemeReplace) {
            if (runs == 0) { EXPECT_EQ(r.start, phoneStart); }
            ++runs;
        }
    }
    EXPECT_EQ(runs, 3);
}

// n cut cues make n + 1 segments; each starts at trunc (cue / period) frames.
TEST_F(ToneAlignment, CutCuesSplitTheRecordingIntoSegmentsAtTheirFrames) {
    const Utterance u = Speak({"AAmIY", "OWEH", "UWmAA"}, 150, 200);
    const std::vector<int16_t> audio = Synthesize(u.pieces);
    const Alignment a = Align(audio, "AMI <cut ms=\"747\"/> OWE <cut ms=\"1252\"/> UMA");
    ASSERT_EQ(a.code, 0);
    const std::vector<SyncMarker> phonemes = OfType(a, kSyncPhoneme);
    // Both cues lie in silences, which each segment boundary cuts in two: a silence record right
    // after another never happens inside one segment. Segments start at frames 74 and 125, and
    // their first records half a frame later.
    std::vector<int> segmentStarts;
    for (size_t i = 0; i < phonemes.size(); ++i) {
        if (i == 0 || std::string(phonemes[i].label) == phonemes[i - 1].label) {
            segmentStarts.push_back(phonemes[i].start);
        }
    }
    EXPECT_EQ(segmentStarts, (std::vector<int>{5, 745, 1255}));
    // The words still land on their tones.
    std::string labels = Labels(a);
    EXPECT_EQ(labels, "x AA m IY x x OW EH x x UW m AA x ");
    const std::vector<SyncMarker> words = OfType(a, kSyncWord);
    ASSERT_EQ(words.size(), 3u);
    EXPECT_NEAR(words[1].start, ExpectedRecordMs(u.words[1].startMs), 10);
    EXPECT_NEAR(words[2].end, ExpectedRecordMs(u.words[2].endMs), 10);
}

TEST_F(ToneAlignment, BadCutCuesAreRefusedBeforeAnySegmentRuns) {
    const Utterance u = Speak({"AAmIY", "OWEH"}, 150, 200);
    const std::vector<int16_t> audio = Synthesize(u.pieces);  // 1.3 s, 130 frames
    const char* scripts[] = {
        "AMI <cut ms=\"900\"/> OWE <cut ms=\"400\"/>",  // going back in time
        "AMI <cut ms=\"5000\"/> OWE",                   // beyond the audio
        "AMI <cut ms=\"-40\"/> OWE",                   // before the start
    };
    for (const char* script : scripts) {
        const Alignment a = Align(audio, script);
        EXPECT_EQ(a.code, kErrOutOfRange) << script;
        EXPECT_TRUE(a.records.empty()) << script;
    }
}

// A segment of two frames or fewer is not searched: one record of the first node's model from
// half a frame to F + 0.5 frames.
TEST_F(ToneAlignment, SegmentOfTwoFramesGivesOneSilenceRecord) {
    const Utterance u = Speak({"AAmIY", "OWEH"}, 150, 200);
    const Alignment a = Align(Synthesize(u.pieces), "AMI <cut ms=\"700\"/><cut ms=\"720\"/> OWE");
    ASSERT_EQ(a.code, 0);
    int found = 0;
    for (const SyncMarker& r : OfType(a, kSyncPhoneme)) {
        if (r.start == 705) {
            EXPECT_STREQ(r.label, "x");
            EXPECT_EQ(r.end, 725);
            EXPECT_EQ(r.value, 0.0f);
            ++found;
        }
    }
    EXPECT_EQ(found, 1);
    // The next segment starts at its own frame 72 and still aligns OWE.
    EXPECT_EQ(Labels(a), "x AA m IY x x x OW EH x ");
}

TEST_F(ToneAlignment, AWordWithTwoPronunciationsTakesTheSpokenOne) {
    struct Case {
        const char* spoken;
        const char* labels;
    } cases[] = {{"IYUW", "x AA m IY x IY UW x "}, {"EHOW", "x AA m IY x EH OW x "}};
    for (const Case& c : cases) {
        const Utterance u = Speak({"AAmIY", c.spoken}, 150, 200);
        const Alignment a = Align(Synthesize(u.pieces), "AMI TWO");
        ASSERT_EQ(a.code, 0) << c.spoken;
        EXPECT_EQ(Labels(a), c.labels) << c.spoken;
        ExpectPhonemes(OfType(a, kSyncPhoneme), u);
    }
}

// Text that does not match the audio: more phones than the audio can hold, or other words. No
// path reaches the final silence; the records of the best partial path are still written over the
// whole segment, with the script's words merged in.
TEST_F(ToneAlignment, MismatchedTextGivesNoPathWithRecordsWritten) {
    const Utterance u = Speak({"AAmIY"}, 100, 60);  // 42 frames
    const std::vector<int16_t> audio = Synthesize(u.pieces);
    const int frames = static_cast<int>(Features(*model_, audio).size());
    const char* scripts[] = {"AMI OWE UMA EMO AMI OWE", "OWE"};
    for (const char* script : scripts) {
        const Alignment a = Align(audio, script);
        EXPECT_EQ(a.code, kErrNoPath) << script;
        const std::vector<SyncMarker> phonemes = OfType(a, kSyncPhoneme);
        ASSERT_FALSE(phonemes.empty()) << script;
        EXPECT_EQ(phonemes.front().start, 5) << script;
        EXPECT_EQ(phonemes.back().end, static_cast<int>((frames + 0.5) * 10)) << script;
        for (size_t i = 1; i < phonemes.size(); ++i) EXPECT_EQ(phonemes[i].start, phonemes[i - 1].end);
        // Every word of the script is written, before the phoneme it starts at or the last one.
        const std::vector<SyncMarker> words = OfType(a, kSyncWord);
        EXPECT_EQ(words.size(), std::string(script).size() / 4 + 1) << script;
        for (const SyncMarker& w : words) EXPECT_LE(w.start, phonemes.back().start) << script;
    }
}

class CancelAfter : public CProgress {
public:
    explicit CancelAfter(int calls) : left(calls) {}
    void SetStatusText(const char*) override {}
    bool Progress(int done, int) override {
        ++calls;
        lastDone = done;
        return --left <= 0;
    }
    int left;
    int calls = 0;
    int lastDone = -1;
};

TEST_F(ToneAlignment, CancellingStopsTheWholeRun) {
    std::vector<std::string> words;
    for (int i = 0; i < 6; ++i) words.push_back(i % 2 ? "OWEH" : "AAmIY");
    const Utterance u = Speak(words, 150, 200);  // 4.4 s
    CancelAfter cancel(1);
    const Alignment a = Align(Synthesize(u.pieces),
                              "AMI OWE <cut ms=\"1500\"/> AMI OWE <cut ms=\"2900\"/> AMI OWE", nullptr, &cancel);
    EXPECT_EQ(a.code, kErrCancelled);
    EXPECT_EQ(cancel.calls, 1);  // no later segment asked again
    EXPECT_TRUE(a.records.empty());
}

// A long script asks whether to cancel while it is transcribed and while its lattice is built,
// before any frame is searched; a cancel there ends the run at once with nothing written.
TEST_F(ToneAlignment, ALongScriptAnswersCancelBeforeTheSearch) {
    const Utterance u = Speak({"AAmIY", "OWEH"}, 150, 200);
    const std::vector<int16_t> audio = Synthesize(u.pieces);
    std::string script;
    for (int i = 0; i < 12000; ++i) script += i % 2 ? "OWE " : "AMI ";
    for (int calls : {1, 2, 3}) {
        CancelAfter cancel(calls);
        const Alignment a = Align(audio, script, nullptr, &cancel);
        EXPECT_EQ(a.code, kErrCancelled) << calls;
        EXPECT_EQ(cancel.calls, calls);
        EXPECT_EQ(cancel.lastDone, 0) << "asked only after frames were searched";
        EXPECT_TRUE(a.records.empty());
    }
}

// Cancel pressed while the search runs, whose reports come only every so many frames (so it may
// finish without one after the press): the run ends when the search does, without a record.
TEST_F(ToneAlignment, ACancelPressedDuringTheSearchEndsTheRunBeforeItsRecordsAreMade) {
    class PressedAtAReport : public CProgress {
    public:
        void SetStatusText(const char*) override {}
        bool Progress(int, int total) override {
            if (total == 0) return pressed;
            pressed = true;  // the report the user saw before pressing Cancel
            return false;
        }
        bool pressed = false;
    };
    const Utterance u = Speak({"AAmIY", "OWEH"}, 150, 200);
    const std::vector<int16_t> audio = Synthesize(u.pieces);
    ASSERT_EQ(Align(audio, "AMI OWE").code, 0);
    PressedAtAReport cancel;
    const Alignment a = Align(audio, "AMI OWE", nullptr, &cancel);
    EXPECT_TRUE(cancel.pressed);
    EXPECT_EQ(a.code, kErrCancelled);
    EXPECT_TRUE(a.records.empty());
}

// The first segment cannot be finished and stops early; the second starts at its own first
// frame anyway and aligns as if alone.
TEST_F(ToneAlignment, AfterAFailedSegmentTheNextStartsAtItsOwnFrame) {
    const Utterance first = Speak({"AAmIY"}, 100, 60);
    Utterance second = Speak({"OWEH", "UWmAA"}, 150, 200);
    std::vector<int16_t> audio = Synthesize(first.pieces);
    const int cutMs = static_cast<int>(audio.size() / 16);
    const std::vector<int16_t> rest = Synthesize(second.pieces);
    audio.insert(audio.end(), rest.begin(), rest.end());
    const std::string script = "AMI OWE UMA EMO AMI OWE <cut ms=\"" + std::to_string(cutMs) + "\"/> OWE UMA";
    const Alignment a = Align(audio, script);
    EXPECT_EQ(a.code, kErrNoPath);
    std::vector<SyncMarker> tail;
    for (const SyncMarker& r : OfType(a, kSyncPhoneme)) {
        if (r.start >= cutMs) tail.push_back(r);
    }
    ExpectPhonemes(tail, second, cutMs / 10 * 10);
}

// A lattice longer than the beam: the window moves along it, the pruned search keeps a quarter
// of the beam per frame and reads its backpointers back through window-relative rows, in memory
// or from its spill file, and finds the probability search's alignment.
TEST_F(ToneAlignment, PrunedSearchFollowsAWindowAlongALongLattice) {
    static const char* const words[] = {"AMI", "EMO", "OWE", "UMA"};
    static const char* const phones[] = {"AAmIY", "EHmOW", "OWEH", "UWmAA"};
    std::vector<std::string> spoken;
    std::string script;
    for (int i = 0; i < 48; ++i) {
        spoken.push_back(phones[(i * 3 + i / 4) % 4]);
        script += std::string(words[(i * 3 + i / 4) % 4]) + " ";
    }
    const Utterance u = Speak(spoken, 80, 100);  // 209 phones, 627 nodes
    const std::vector<int16_t> audio = Synthesize(u.pieces);
    CTextbasedPhnRecognizer probability;
    probability.SetBeamWidth(500);
    const Alignment expected = Align(audio, script, &probability);
    ASSERT_EQ(expected.code, 0);
    ExpectPhonemes(OfType(expected, kSyncPhoneme), u);
    for (int budget : {500000000, 0}) {
        CTextbasedPhnRecognizer pruned;
        pruned.SetOptions(500, 125, budget, 0.0, nullptr);
        const Alignment a = Align(audio, script, &pruned);
        EXPECT_EQ(a.code, 0) << budget;
        EXPECT_EQ(Labels(a), Labels(expected)) << budget;
        ExpectPhonemes(OfType(a, kSyncPhoneme), u);
    }
}

TEST(TextbasedSettings, BeamWidthOptionsAndTheChoiceOfSearch) {
    CTextbasedPhnRecognizer r;
    struct Beam {
        int in, stored;
    } beams[] = {{100, 500}, {20000, 8000}, {3000, 3000}};
    for (const Beam& b : beams) {
        r.SetBeamWidth(b.in);
        EXPECT_EQ(r.GetBeamWidth(), b.stored);
    }
    r.SetBeamWidth(2000);
    // beamWidth x endFrame reaches 256,000,000 at frame 128,000; big lattices go pruned too.
    EXPECT_FALSE(r.NeedsPrunedSearch(127999, 65535));
    EXPECT_TRUE(r.NeedsPrunedSearch(128000, 10));
    EXPECT_TRUE(r.NeedsPrunedSearch(10, 65536));
    // The product is not cut to 32 bits.
    r.SetBeamWidth(8000);
    EXPECT_TRUE(r.NeedsPrunedSearch(600000, 10));

    EXPECT_EQ(r.SetOptions(2000, 0, 1000, -100.0, nullptr), kErrInvalidArgument);
    EXPECT_EQ(r.GetPruneThreshold(), 0.0);
    EXPECT_EQ(r.SetOptions(2000, 0, 1000, -300.0, "spill.bin"), 0);
    EXPECT_EQ(r.GetPruneThreshold(), -300.0);
    EXPECT_EQ(r.GetTempFileName(), "spill.bin");
    EXPECT_EQ(r.SetOptions(2000, 2500, 1000, -300.0, nullptr), kErrInvalidArgument);
    EXPECT_EQ(r.GetMaxHypotheses(), 2000);
    EXPECT_TRUE(r.NeedsPrunedSearch(10, 10));
}

}  // namespace
