// Textless recognition on the tone corpus: the phone-loop and language-model searches, their
// tracebacks, cancelling, and the token list.
#include "engine/recognition/textless_recognizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/api/error_messages.h"
#include "engine/api/progress.h"
#include "engine/recognition/tone_corpus_test_support.h"

using namespace tone_corpus;

namespace {

class ToneRecognition : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        plain_ = TrainModel().release();
        withLm_ = TrainModel().release();
        const std::string s = UniformToneTrigrams();
        EXPECT_EQ(LoadTrigramIntoHMM(withLm_, s.c_str(), static_cast<int>(s.size()), 0), 0);
    }
    static void TearDownTestSuite() {
        delete plain_;
        delete withLm_;
    }

    static std::vector<SyncMarker> Recognize(IObservationStream* obs, CAccousticHMM* model, int* code,
                                             CProgress* progress = nullptr, int flags = 0) {
        ISyncResultsCollection* results = nullptr;
        CreateSyncResultsCollection(flags, &results);
        CTextlessPhnRecognizer* r = nullptr;
        EXPECT_EQ(CTextlessPhnRecognizer::CreateTextlessPhnRecognizer(&r), 0);
        *code = r->RecognizePhonemes(obs, model, progress, results);
        std::vector<SyncMarker> out(results->begin(), results->end());
        CTextlessPhnRecognizer::DestroyTextlessPhnRecognizer(r);
        DestroySyncResultsCollection(results);
        return out;
    }

    static std::vector<SyncMarker> RecognizeAudio(const std::vector<int16_t>& samples, CAccousticHMM* model,
                                                  int* code, CProgress* progress = nullptr) {
        CSampleSource source(samples);
        IObservationStream* obs = nullptr;
        EXPECT_EQ(CreateObservationStreamFromZuvoStream(&source, model, &obs), 0);
        std::vector<SyncMarker> out = Recognize(obs, model, code, progress);
        DestroyObservationStream(obs);
        return out;
    }

    static inline CAccousticHMM* plain_ = nullptr;
    static inline CAccousticHMM* withLm_ = nullptr;
};

std::string Labels(const std::vector<SyncMarker>& records) {
    std::string s;
    for (const SyncMarker& r : records) {
        if (r.type == kSyncPhoneme) s += std::string(r.label) + " ";
    }
    return s;
}

TEST_F(ToneRecognition, BothSearchesRecoverTheToneSequence) {
    const std::vector<Piece> pieces = {{0, 200}, {1, 150}, {6, 120}, {2, 180}, {0, 150}, {5, 160},
                                       {4, 140}, {3, 200}, {1, 130}, {0, 250}};
    std::string truth;
    for (const Piece& p : pieces) truth += std::string(Tones()[static_cast<size_t>(p.tone)].label) + " ";
    for (CAccousticHMM* model : {plain_, withLm_}) {
        int code = -1;
        const std::vector<SyncMarker> records = RecognizeAudio(Synthesize(pieces), model, &code);
        EXPECT_EQ(code, 0);
        EXPECT_EQ(Labels(records), truth) << (model == withLm_ ? "language model" : "phone loop");
        // Phoneme boundaries within one frame of the first frame centred in the new tone.
        int t = 0;
        for (size_t i = 0; i + 1 < records.size() && i + 1 < pieces.size(); ++i) {
            t += pieces[i].ms;
            const int frame = (t - 16 + 9) / 10;
            EXPECT_NEAR(records[i + 1].start, static_cast<int>((frame + 0.5) * 10), 10) << i;
        }
    }
}

// The path ends in the best state of the last frame itself, in both searches: a tone that
// begins in the last frame is the last record, and a one-frame recording is one record of it.
TEST_F(ToneRecognition, TracebackEndsInTheLastFramesBestState) {
    struct Case {
        std::vector<Piece> frames;
        const char* labels;
    } cases[] = {
        {{{0, 6}, {1, 6}, {6, 1}}, "x AA m "},
        {{{1, 1}}, "AA "},
    };
    for (CAccousticHMM* model : {plain_, withLm_}) {
        for (const Case& c : cases) {
            CFrameListStream obs(MeanFrames(*model, c.frames));
            int code = -1;
            const std::vector<SyncMarker> records = Recognize(&obs, model, &code);
            EXPECT_EQ(code, 0);
            EXPECT_EQ(Labels(records), c.labels) << (model == withLm_ ? "language model" : "phone loop");
        }
    }
}

TEST_F(ToneRecognition, SubPhonemeRecordsFollowEachPhoneme) {
    CFrameListStream obs(MeanFrames(*plain_, {{0, 6}, {1, 6}, {0, 6}}));
    int code = -1;
    const std::vector<SyncMarker> records = Recognize(&obs, plain_, &code, nullptr, kSyncFlagStateRuns);
    ASSERT_EQ(code, 0);
    // Each phoneme record is followed by the runs of its states, which tile its span.
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(Labels(records), "x AA x ");
    int phonemeEnd = 0, covered = 0;
    for (const SyncMarker& r : records) {
        if (r.type == kSyncPhoneme) {
            EXPECT_EQ(covered, phonemeEnd);
            covered = r.start;
            phonemeEnd = r.end;
        } else {
            ASSERT_EQ(r.type, kSyncPhonemeReplace);
            EXPECT_EQ(r.start, covered);
            covered = r.end;
        }
    }
    EXPECT_EQ(covered, phonemeEnd);
}

class CancelAt : public CProgress {
public:
    void SetStatusText(const char*) override {}
    bool Progress(int done, int total) override {
        lastDone = done;
        return true;
    }
    int lastDone = 0;
};

TEST_F(ToneRecognition, CancellingEndsWithNoRecords) {
    for (CAccousticHMM* model : {plain_, withLm_}) {
        CancelAt cancel;
        int code = -1;
        const std::vector<SyncMarker> records =
            RecognizeAudio(Synthesize({{0, 600}, {1, 600}, {0, 600}}), model, &code, &cancel);
        EXPECT_EQ(code, kErrCancelled);
        EXPECT_EQ(cancel.lastDone, 100);
        EXPECT_TRUE(records.empty());
    }
}

TEST(TokenList, SuccessorsCarryDurationAndThePhoneBefore) {
    CTokenList list(2);
    ASSERT_TRUE(list.AddInitial(3, 0.5, 0));
    EXPECT_EQ(list.capacity, 2);
    ASSERT_TRUE(list.AddSuccessor(&list.data[0], 0, 3, 0.4, 1));  // same phone
    ASSERT_TRUE(list.AddSuccessor(&list.data[1], 1, 5, 0.3, 0));  // grows: from points into the old block
    ASSERT_TRUE(list.AddSuccessor(&list.data[2], 2, 2, 0.2, 0));
    EXPECT_EQ(list.capacity, 4);
    struct Want {
        int model, prevModel, duration, back;
    } want[] = {{3, -1, 1, -1}, {3, -1, 2, 0}, {5, 3, 1, 1}, {2, 5, 1, 2}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(list.data[i].model, want[i].model) << i;
        EXPECT_EQ(list.data[i].prevModel, want[i].prevModel) << i;
        EXPECT_EQ(list.data[i].duration, want[i].duration) << i;
        EXPECT_EQ(list.data[i].back, want[i].back) << i;
    }
    // Only the frame being extended stays once the frame before is done with.
    list.base = 2;
    list.Compact();
    EXPECT_EQ(list.count, 2);
    EXPECT_EQ(list.base, 0);
    EXPECT_EQ(list.data[0].model, 5);
    EXPECT_TRUE(list.EnsureRoom(1));
    EXPECT_EQ(list.capacity, 4);
    EXPECT_TRUE(list.EnsureRoom(2));
    EXPECT_EQ(list.capacity, 6);
}

}  // namespace
