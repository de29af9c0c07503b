// The lattice searches on the tone corpus: lattice shape, the pruned search against the
// probability search, and the likelihood scaling against the plain computation.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "engine/api/error_messages.h"
#include "engine/api/progress.h"
#include "engine/recognition/textbased_recognizer.h"
#include "engine/recognition/tone_corpus_test_support.h"
#include "engine/text/transcriber.h"
#include "engine/util/block_pool.h"

using namespace tone_corpus;

namespace {

struct Lattice {
    CBlockPool pool{32768};
    std::vector<int32_t> starts;
    LatticeNode** nodes = nullptr;
    int count = 0;
    std::vector<TranscriptMarker> markers;
};

void Build(CTextbasedPhnRecognizer& r, CAccousticHMM* model, CTranscriber* t, const char* text, Lattice* l) {
    t->Transcribe(text);
    int n = 0;
    TranscriptMarker* m = t->GetOutputMarkers(&n);
    l->nodes = r.BuildLattice(model, &l->pool, m, m + n, l->starts, &l->count);
    l->markers.assign(m, m + n);
}

// Entry pairs of a phone's first state, without its self-loop.
std::vector<int32_t> Entries(const Lattice& l, int node) {
    std::vector<int32_t> out;
    const LatticeNode* n = l.nodes[node];
    for (int k = 1; k < n->predCount; ++k) out.push_back(n->Preds()[k].node);
    return out;
}

class LatticeSearch : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        model_ = TrainModel().release();
        transcriber_ = MakeTranscriber();
    }
    static void TearDownTestSuite() {
        delete model_;
        DestroyTranscriber(transcriber_);
    }
    static inline CAccousticHMM* model_ = nullptr;
    static inline CTranscriber* transcriber_ = nullptr;
};

TEST_F(LatticeSearch, AlternativesRunSideBySideAndPausesCannotBeSkipped) {
    CTextbasedPhnRecognizer r;
    Lattice l;
    Build(r, model_, transcriber_, "AMI TWO <pause> OWE", &l);
    const int S = model_->numStates;
    // silence, AA m IY, silence, (IY UW | EH OW), silence, x x, silence, OW EH, final silence:
    // 16 phones
    ASSERT_EQ(l.count, S * 16);
    EXPECT_EQ(l.starts, (std::vector<int32_t>{0, 3}));
    const int amiExit = 3 * S + S - 1, silenceBeforeTwo = 4 * S;
    // Both pronunciations of TWO are entered from the end of AMI or of the optional silence.
    const std::vector<int32_t> entry{amiExit, silenceBeforeTwo + S - 1};
    EXPECT_EQ(Entries(l, 5 * S), entry);
    EXPECT_EQ(Entries(l, 7 * S), entry);
    EXPECT_EQ(l.nodes[5 * S]->model, ToneIndex("IY"));
    EXPECT_EQ(l.nodes[7 * S]->model, ToneIndex("EH"));
    // The pause's silences: the first is entered from both pronunciations and the optional
    // silence; the second only from the first, so the pause cannot be skipped.
    EXPECT_EQ(Entries(l, 10 * S), (std::vector<int32_t>{6 * S + S - 1, 8 * S + S - 1, 9 * S + S - 1}));
    EXPECT_EQ(Entries(l, 11 * S), (std::vector<int32_t>{10 * S + S - 1}));
    // Weights of the entries are shared out evenly.
    EXPECT_FLOAT_EQ(l.nodes[10 * S]->Preds()[1].weight, 0.5f / 3);
    // Markers now hold phone indices of the lattice.
    EXPECT_EQ(l.markers[1].phonemeStart, 5);
    EXPECT_EQ(l.markers[1].phonemeEnd, 9);
}

// A reference: the probability search with plain likelihoods, no window and no
// scaling, to show where scaling keeps the path and where it rescues one.
std::vector<int> PlainViterbi(CAccousticHMM& model, const Lattice& l, const std::vector<std::vector<float>>& frames,
                              bool* died) {
    const int S = model.numStates, N = l.count, F = static_cast<int>(frames.size());
    std::vector<double> prev(N, 0.0), cur(N, 0.0);
    std::vector<std::vector<int>> back(F, std::vector<int>(N, 0));
    auto like = [&](int t, int n) {
        return static_cast<double>(model.StateLikelihood(frames[t].data(), l.nodes[n]->model * S + n % S));
    };
    for (int s : l.starts) prev[s] = like(0, s);
    *died = false;
    for (int t = 1; t < F; ++t) {
        double frameBest = 0.0;
        for (int n = 0; n < N; ++n) {
            cur[n] = 0.0;
            double best = 0.0;
            int pred = 0;
            for (int k = 0; k < l.nodes[n]->predCount; ++k) {
                const LatticePred& p = l.nodes[n]->Preds()[k];
                const double v = p.weight * prev[p.node];
                if (prev[p.node] != 0.0 && v > best) {
                    best = v;
                    pred = p.node;
                }
            }
            if (!(best > 0.0)) continue;
            cur[n] = like(t, n) * best;
            back[t][n] = pred;
            frameBest = std::max(frameBest, cur[n]);
        }
        if (frameBest == 0.0) {
            *died = true;
            return {};
        }
        for (int n = 0; n < N; ++n) prev[n] = cur[n] / frameBest;
    }
    int e = N - 1;
    if (prev[e] == 0.0) {
        *died = true;
        return {};
    }
    if (l.nodes[e]->model == 0 && e / S > 0 && prev[e / S * S - 1] > prev[e]) e = e / S * S - 1;
    std::vector<int> path(F);
    path[F - 1] = e;
    for (int t = F - 2; t >= 0; --t) path[t] = back[t + 1][path[t + 1]];
    return path;
}

std::vector<int> Search(CTextbasedPhnRecognizer& r, CAccousticHMM* model, Lattice& l,
                        const std::vector<std::vector<float>>& frames, int* code) {
    CFrameListStream obs(frames);
    TArray<int32_t> path;
    TArray<float> energies;
    *code = r.Viterbi(model, l.nodes, l.count / model->numStates, l.starts, &obs, nullptr, path, energies);
    return std::vector<int>(path.data, path.data + path.count);
}

TEST_F(LatticeSearch, ScaledLikelihoodsKeepThePlainPathWhereNothingUnderflows) {
    // Broad variances keep every plain likelihood far from the smallest double.
    ModelOptions broad;
    broad.varianceFloor = 4.0;
    std::unique_ptr<CAccousticHMM> model = TrainModel(broad);
    const auto frames = Features(*model, Synthesize({{0, 200}, {1, 150}, {6, 120}, {2, 180}, {0, 200},
                                                      {5, 150}, {4, 150}, {0, 250}}));
    CTextbasedPhnRecognizer r;
    r.SetBeamWidth(8000);
    Lattice l;
    Build(r, model.get(), transcriber_, "AMI OWE", &l);
    bool died = true;
    const std::vector<int> plain = PlainViterbi(*model, l, frames, &died);
    ASSERT_FALSE(died);
    int code = -1;
    EXPECT_EQ(Search(r, model.get(), l, frames, &code), plain);
    EXPECT_EQ(code, 0);
}

TEST_F(LatticeSearch, ScaledLikelihoodsFindThePathThatPlainOnesLoseToUnderflow) {
    ModelOptions steady;
    steady.steadyOnly = true;
    std::unique_ptr<CAccousticHMM> model = TrainModel(steady);
    const auto frames = Features(*model, Synthesize({{0, 200}, {1, 150}, {6, 120}, {2, 180}, {0, 200},
                                                       {5, 150}, {4, 150}, {0, 250}}));
    CTextbasedPhnRecognizer r;
    Lattice l;
    Build(r, model.get(), transcriber_, "AMI OWE", &l);
    bool died = false;
    PlainViterbi(*model, l, frames, &died);
    ASSERT_TRUE(died);  // the distinct tones drive plain likelihoods below the smallest double
    int code = -1;
    const std::vector<int> path = Search(r, model.get(), l, frames, &code);
    EXPECT_EQ(code, 0);
    ASSERT_EQ(path.size(), frames.size());
    std::string phones;
    for (size_t t = 0; t < path.size(); ++t) {
        const int phone = path[t] / model.get()->numStates;
        if (t == 0 || phone != path[t - 1] / model.get()->numStates) phones += model.get()->Label(l.nodes[path[t]]->model);
    }
    EXPECT_EQ(phones, "xAAmIYxOWEHx");
}

// With limits that prune nothing, the log-domain search with its backpointer store, in memory
// or entirely in its spill file, finds the path of the probability search.
TEST_F(LatticeSearch, PrunedSearchFindsTheProbabilitySearchPathWhenNothingIsPruned) {
    const auto frames = Features(*model_, Synthesize({{0, 200}, {1, 150}, {6, 120}, {2, 180}, {0, 200},
                                                       {5, 150}, {4, 150}, {0, 250}}));
    CTextbasedPhnRecognizer plain;
    Lattice l;
    Build(plain, model_, transcriber_, "AMI OWE", &l);
    int code = -1;
    const std::vector<int> expected = Search(plain, model_, l, frames, &code);
    ASSERT_EQ(code, 0);
    for (int budget : {500000000, 0}) {
        CTextbasedPhnRecognizer pruned;
        pruned.SetOptions(8000, 4000, budget, 0.0, nullptr);
        ASSERT_TRUE(pruned.NeedsPrunedSearch(static_cast<int>(frames.size()), l.count));
        Lattice logs;
        Build(pruned, model_, transcriber_, "AMI OWE", &logs);
        for (int n = 0; n < logs.count; ++n) {
            for (int k = 0; k < logs.nodes[n]->predCount; ++k) {
                float& w = logs.nodes[n]->Preds()[k].weight;
                w = w >= 1e-15f ? std::log(w) : -1e10f;
            }
        }
        CFrameListStream obs(frames);
        TArray<int32_t> path;
        TArray<float> energies;
        code = pruned.ViterbiPruned(model_, logs.nodes, logs.count / model_->numStates, logs.starts, &obs,
                                    nullptr, path, energies);
        EXPECT_EQ(code, 0) << budget;
        EXPECT_EQ(std::vector<int>(path.data, path.data + path.count), expected) << budget;
        EXPECT_FALSE(pruned.GetTempFileName().empty());
    }
}

// A frame with no live state at all (features no state can explain) ends the search with 8 and
// a path over the frames before it, following the lattice forward and ending at the best node of
// the last live frame.
TEST_F(LatticeSearch, DeadFrameEndsTheSearchWithAPathOverTheFramesBefore) {
    auto frames = Features(*model_, Synthesize({{0, 200}, {1, 150}, {6, 120}, {2, 180}, {0, 200}}));
    for (size_t t = 25; t < frames.size(); ++t) {
        std::fill(frames[t].begin(), frames[t].end(), std::numeric_limits<float>::quiet_NaN());
    }
    CTextbasedPhnRecognizer r;
    Lattice l;
    Build(r, model_, transcriber_, "AMI", &l);
    int code = -1;
    const std::vector<int> path = Search(r, model_, l, frames, &code);
    EXPECT_EQ(code, kErrNoPath);
    ASSERT_EQ(path.size(), 25u);
    for (size_t t = 1; t < path.size(); ++t) {
        EXPECT_GE(path[t], path[t - 1]);
        EXPECT_LT(path[t], l.count);
    }
    // Frame 24 is in AA (from 200 ms), which the path must have entered.
    EXPECT_EQ(l.nodes[path.back()]->model, ToneIndex("AA"));
}

// When no path reaches the end, the path ends in the best node of the last frame itself: a phone
// entered in the very last frame is the last phone of the path.
TEST_F(LatticeSearch, NoPathTracebackEndsInTheLastFramesBestNode) {
    // Frames on state means (ms here counts frames): the last frame enters IY.
    const auto frames = MeanFrames(*model_, {{0, 6}, {1, 6}, {6, 6}, {2, 1}});
    for (bool pruned : {false, true}) {
        CTextbasedPhnRecognizer r;
        if (pruned) r.SetOptions(8000, 4000, 0, 0.0, nullptr);
        Lattice l;
        Build(r, model_, transcriber_, "AMI OWE UMA", &l);
        int code = -1;
        std::vector<int> path;
        if (pruned) {
            for (int n = 0; n < l.count; ++n) {
                for (int k = 0; k < l.nodes[n]->predCount; ++k) {
                    float& w = l.nodes[n]->Preds()[k].weight;
                    w = w >= 1e-15f ? std::log(w) : -1e10f;
                }
            }
            CFrameListStream obs(frames);
            TArray<int32_t> p;
            TArray<float> energies;
            code = r.ViterbiPruned(model_, l.nodes, l.count / 3, l.starts, &obs, nullptr, p, energies);
            path.assign(p.data, p.data + p.count);
        } else {
            path = Search(r, model_, l, frames, &code);
        }
        EXPECT_EQ(code, kErrNoPath) << pruned;
        ASSERT_EQ(path.size(), frames.size()) << pruned;
        EXPECT_EQ(path.back(), 3 * 3) << pruned;  // IY's first state
        EXPECT_EQ(l.nodes[path[path.size() - 2]]->model, ToneIndex("m")) << pruned;
    }
}

// Counts the frames the search reads.
class CountingFrames : public CFrameListStream {
public:
    using CFrameListStream::CFrameListStream;
    int ReadFrame(float* features, float* energy) override {
        ++read;
        return CFrameListStream::ReadFrame(features, energy);
    }
    int read = 0;
};

// Answers each question whether to cancel, cancelling at the cancelAt-th (never when 0), and
// notes how many frames had been read at each question and whether a frame was reported.
class CancelAtQuestion : public CProgress {
public:
    CancelAtQuestion(int at, const CountingFrames& frames) : cancelAt(at), frames_(frames) {}
    void SetStatusText(const char*) override {}
    bool Progress(int, int total) override {
        if (total != 0) {
            framesReported = true;
            return false;
        }
        framesReadAtQuestions.push_back(frames_.read);
        return static_cast<int>(framesReadAtQuestions.size()) == cancelAt;
    }
    int cancelAt;
    bool framesReported = false;
    std::vector<int> framesReadAtQuestions;

private:
    const CountingFrames& frames_;
};

// A script of tens of thousands of words makes a lattice of millions of nodes, whose arrays take a
// good part of a second to set up before the pruned search reads its first frame: it asks whether
// to cancel meanwhile, and a cancel there ends it before any frame is read.
TEST_F(LatticeSearch, PrunedSearchOfAHugeLatticeAnswersCancelBeforeItsFirstFrame) {
    std::string script;
    for (int i = 0; i < 100000; ++i) script += i % 2 ? "OWE " : "AMI ";
    CTextbasedPhnRecognizer r;
    Lattice l;
    Build(r, model_, transcriber_, script.c_str(), &l);
    ASSERT_GT(l.count, 1 << 20);
    ASSERT_TRUE(r.NeedsPrunedSearch(150, l.count));
    const auto frames = MeanFrames(*model_, {{0, 50}, {1, 50}, {6, 50}});
    auto search = [&](int cancelAt, int* code) {
        CountingFrames obs(frames);
        auto progress = std::make_unique<CancelAtQuestion>(cancelAt, obs);
        TArray<int32_t> path;
        TArray<float> energies;
        *code = r.ViterbiPruned(model_, l.nodes, l.count / model_->numStates, l.starts, &obs, progress.get(), path,
                                energies);
        return progress;
    };
    int code = -1;
    const auto uncancelled = search(0, &code);
    EXPECT_TRUE(uncancelled->framesReported);
    const std::vector<int>& asked = uncancelled->framesReadAtQuestions;
    const int before = static_cast<int>(std::count(asked.begin(), asked.end(), 0));
    EXPECT_GE(before, 2) << "questions asked before the first frame was read";
    for (int at = 1; at <= before; ++at) {
        const auto cancelled = search(at, &code);
        EXPECT_EQ(code, kErrCancelled) << at;
        EXPECT_FALSE(cancelled->framesReported) << at;
        EXPECT_EQ(cancelled->framesReadAtQuestions, std::vector<int>(static_cast<size_t>(at), 0)) << at;
    }
}

}  // namespace
