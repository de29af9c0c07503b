// Textless recognition: the phone-loop search and the phone trigram search over every model
// state, with backpointers kept as one small row per frame.
#include "engine/recognition/textless_recognizer.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "engine/api/entry_point.h"
#include "engine/api/error_messages.h"
#include "engine/api/progress.h"
#include "engine/api/results_collection.h"
#include "engine/api/sdk_log.h"
#include "engine/analysis/spectral_stream.h"
#include "engine/recognition/acoustic_hmm.h"
#include "engine/recognition/frame_likelihoods.h"
#include "engine/util/mem_alloc.h"
#include "platform/fp_guard.h"

namespace {

// One row per frame of the state each state came from: a byte per state while the model has at
// most 256 states, else two. Grows in blocks so a long recording needs no single huge block.
class CStateBackpointers {
public:
    bool Init(int frames, int states) {
        states_ = states;
        wide_ = states > 256;
        const size_t rowBytes = static_cast<size_t>(states) * (wide_ ? 2 : 1);
        rowsPerBlock_ = std::max<size_t>(1, (1u << 22) / std::max<size_t>(1, rowBytes));
        blocks_.clear();
        blocks_.reserve(static_cast<size_t>(frames) / rowsPerBlock_ + 1);
        rowBytes_ = rowBytes;
        return true;
    }
    // The row of frame t, zeroed when it is new; frames are asked for in increasing order.
    void* Row(int t) {
        const size_t block = static_cast<size_t>(t) / rowsPerBlock_;
        while (blocks_.size() <= block) blocks_.emplace_back(rowsPerBlock_ * rowBytes_, 0);
        return blocks_[block].data() + (static_cast<size_t>(t) % rowsPerBlock_) * rowBytes_;
    }
    void Set(void* row, int state, int from) {
        if (wide_) static_cast<uint16_t*>(row)[state] = static_cast<uint16_t>(from);
        else static_cast<uint8_t*>(row)[state] = static_cast<uint8_t>(from);
    }
    int Get(int t, int state) {
        void* row = Row(t);
        return wide_ ? static_cast<uint16_t*>(row)[state] : static_cast<uint8_t*>(row)[state];
    }

private:
    int states_ = 0;
    bool wide_ = false;
    size_t rowBytes_ = 1;
    size_t rowsPerBlock_ = 1;
    std::vector<std::vector<uint8_t>> blocks_;
};

// For every target state, the source states with a non-zero weight, in increasing order.
struct Source {
    int32_t from;
    double weight;
};

}  // namespace

CTokenList::~CTokenList() { MemFree(data); }

bool CTokenList::Reserve(int32_t n) {
    int64_t wanted = static_cast<int64_t>(capacity) + growBy;
    while (wanted < n) wanted += growBy;
    if (wanted > INT32_MAX || static_cast<uint64_t>(wanted) > SIZE_MAX / sizeof(LMToken)) return false;
    void* grown = MemRealloc(data, static_cast<size_t>(wanted) * sizeof(LMToken));
    if (!grown) return false;
    data = static_cast<LMToken*>(grown);
    capacity = static_cast<int32_t>(wanted);
    return true;
}

bool CTokenList::EnsureRoom(int32_t extra) {
    if (static_cast<int64_t>(count) + extra < capacity) return true;
    return Reserve(count + extra + 1);
}

bool CTokenList::AddInitial(int16_t model, double score, uint16_t state) {
    if (count >= capacity && !Reserve(growBy + count)) return false;
    LMToken& t = data[count++];
    t.model = model;
    t.prevModel = -1;
    t.score = score;
    t.state = state;
    t.back = -1;
    t.duration = 1;
    return true;
}

bool CTokenList::AddSuccessor(const LMToken* from, int32_t fromIndex, int16_t model, double score,
                              uint16_t state) {
    if (count >= capacity) {
        // from may point into the block that is about to move.
        const LMToken copy = *from;
        if (!Reserve(growBy + count)) return false;
        from = &copy;
        LMToken& t = data[count++];
        t = LMToken{model, model != copy.model ? copy.model : copy.prevModel, score, state, fromIndex,
                    static_cast<uint16_t>(model != copy.model ? 1 : copy.duration + 1)};
        return true;
    }
    LMToken& t = data[count++];
    const bool newPhone = from->model != model;
    t.model = model;
    t.prevModel = newPhone ? from->model : from->prevModel;
    t.score = score;
    t.state = state;
    t.back = fromIndex;
    // Saturates: a run this long is far past any duration constraint.
    t.duration = newPhone ? 1 : static_cast<uint16_t>(std::min<int>(from->duration + 1, 65535));
    return true;
}

void CTokenList::Compact() {
    if (base <= 0) return;
    std::memmove(data, data + base, sizeof(LMToken) * static_cast<size_t>(count - base));
    count -= base;
    base = 0;
}

int CTextlessPhnRecognizer::CreateTextlessPhnRecognizer(CTextlessPhnRecognizer** out) {
    CFuncTrace trace("CTextlessPhnRecognizer::CreateTextlessPhnRecognizer");
    if (!out) return kErrInvalidArgument;
    *out = new (std::nothrow) CTextlessPhnRecognizer();
    return kErrNone;
}

void CTextlessPhnRecognizer::DestroyTextlessPhnRecognizer(CTextlessPhnRecognizer* recognizer) {
    CFuncTrace trace("CTextlessPhnRecognizer::DestroyTextlessPhnRecognizer");
    delete recognizer;
}

int CTextlessPhnRecognizer::RecognizePhonemes(IObservationStream* obs, CAccousticHMM* model,
                                              CProgress* progress, ISyncResultsCollection* results) {
    CFuncTrace trace("CTextlessPhnRecognizer::RecognizePhonemes");
    CFloatingPointGuard guard;
    return RunEntryPoint([&]() -> int {
        if (!results || !obs || !model) return kErrInvalidArgument;
        if (model->numStates < 1 || model->numModels < 1 ||
            static_cast<int>(model->labels.size()) < model->numModels) {
            return kErrInvalidArgument;
        }
        TArray<float> energies(4);
        const bool withSubPhonemes = (results->GetFlags() & kSyncFlagStateRuns) != 0;
        std::vector<int32_t> none;
        int result;
        if (CConcreteSyncMarkerCollection* concrete = AsConcreteCollection(results)) {
            result = GenerateAlignment(model, obs, nullptr, 0, none, progress, withSubPhonemes,
                                       *concrete, energies);
            concrete->PostProcessMarkers();
        } else {
            TArray<SyncMarker> records(1024);
            result = GenerateAlignment(model, obs, nullptr, 0, none, progress, withSubPhonemes,
                                       records, energies);
            if (records.count > 0) results->clear();
            for (int k = 0; k < records.count; ++k) results->add_marker(&records.data[k]);
        }
        return result;
    });
}

int CTextlessPhnRecognizer::Viterbi(CAccousticHMM* model, IObservationStream* obs, CProgress* progress,
                                    TArray<int32_t>& path, TArray<float>& energies) {
    CFuncTrace trace("CTextlessPhnRecognizer::Viterbi");
    if (!model->trigrams.empty() && !model->bigrams.empty() && !model->unigrams.empty()) {
        return ViterbiLM(model, obs, progress, path, energies);
    }
    const int M = model->numModels;
    const int S = model->numStates;
    const int T = M * S;
    const int F = static_cast<int>(obs->GetFrameCount());
    if (!path.SetSize(F)) return kErrOutOfMemory;
    if (F <= 0) return kErrNone;
    if (energies.count < F && !energies.SetSize(F)) return kErrOutOfMemory;
    CFrameLikelihoods lik;
    if (!lik.Init(*model) || model->transitions.size() < static_cast<size_t>(T) * T) {
        return kErrInvalidArgument;
    }
    std::vector<std::vector<Source>> sources(static_cast<size_t>(T));
    for (int i = 0; i < T; ++i) {
        const float* row = model->TransitionRow(i);
        for (int j = 0; j < T; ++j) {
            if (row[j] != 0.0f) sources[static_cast<size_t>(j)].push_back(Source{i, row[j]});
        }
    }
    CStateBackpointers back;
    back.Init(F, T);
    std::vector<float> features(static_cast<size_t>(std::max(1, model->features.numFeatures)));
    std::vector<double> prev(static_cast<size_t>(T), 0.0), cur(static_cast<size_t>(T), 0.0);

    int code = obs->ReadFrame(features.data(), &energies.data[0]);
    if (code != kErrNone) return code;
    lik.Compute(features.data());
    back.Row(0);
    for (int s = 0; s < T; ++s) prev[static_cast<size_t>(s)] = s % S == 0 ? lik.Scaled(s) * (1.0 / M) : 0.0;

    for (int t = 1; t < F; ++t) {
        code = obs->ReadFrame(features.data(), &energies.data[t]);
        if (code != kErrNone) return code;
        lik.Compute(features.data());
        void* row = back.Row(t);
        double frameMax = 0.0;
        for (int j = 0; j < T; ++j) {
            double best = 0.0;
            int from = 0;
            for (const Source& src : sources[static_cast<size_t>(j)]) {
                const double p = prev[static_cast<size_t>(src.from)];
                if (p == 0.0) continue;
                const double v = p * src.weight;
                if (v > best) {
                    best = v;
                    from = src.from;
                }
            }
            if (best != 0.0) {
                back.Set(row, j, from);
                cur[static_cast<size_t>(j)] = lik.Scaled(j) * best;
                frameMax = std::max(frameMax, cur[static_cast<size_t>(j)]);
            } else {
                cur[static_cast<size_t>(j)] = 0.0;
            }
        }
        if (frameMax != 0.0) {
            const double norm = 1.0 / frameMax;
            for (double& v : cur) v *= norm;
        }
        std::swap(prev, cur);
        if (progress && (t + 1) % 100 == 0 && progress->Progress(t + 1, F - 1)) return kErrCancelled;
    }
    // The path ends in the best state of the last frame itself.
    int s = 0;
    double best = 0.0;
    for (int j = 0; j < T; ++j) {
        if (prev[static_cast<size_t>(j)] > best) {
            best = prev[static_cast<size_t>(j)];
            s = j;
        }
    }
    path.data[F - 1] = s;
    for (int t = F - 2; t >= 0; --t) path.data[t] = back.Get(t + 1, path.data[t + 1]);
    return kErrNone;
}

int CTextlessPhnRecognizer::ViterbiLM(CAccousticHMM* model, IObservationStream* obs, CProgress* progress,
                                      TArray<int32_t>& path, TArray<float>& energies) {
    CFuncTrace trace("CTextlessPhnRecognizer::ViterbiLM");
    const int M = model->numModels;
    const int S = model->numStates;
    const int T = M * S;
    const int F = static_cast<int>(obs->GetFrameCount());
    if (!path.SetSize(F)) return kErrOutOfMemory;
    if (F <= 0) return kErrNone;
    if (energies.count < F && !energies.SetSize(F)) return kErrOutOfMemory;
    CFrameLikelihoods lik;
    if (!lik.Init(*model) || model->transitions.size() < static_cast<size_t>(T) * T ||
        model->unigrams.size() < static_cast<size_t>(M) ||
        model->bigrams.size() < static_cast<size_t>(M) * M ||
        model->trigrams.size() < static_cast<size_t>(M) * M * M) {
        return kErrInvalidArgument;
    }
    // Leaving the last state of a model for the first state of another takes the exit
    // probability of that state; every other step takes the transition matrix.
    std::vector<std::vector<Source>> sources(static_cast<size_t>(T));
    for (int j = 0; j < T; ++j) {
        const int m = j / S, s = j % S;
        for (int i = 0; i < T; ++i) {
            double w;
            if (s == 0 && i / S != m && i % S == S - 1) w = 1.0 - model->Transition(i, i);
            else w = model->Transition(i, j);
            if (w != 0.0) sources[static_cast<size_t>(j)].push_back(Source{i, w});
        }
    }
    // Two frames of tokens at a time: the backpointer rows keep what the traceback needs.
    CTokenList tokens(4 * T + 4);
    if (!tokens.Reserve(2 * T + 2)) return kErrOutOfMemory;
    CStateBackpointers back;
    back.Init(F, T);
    std::vector<int32_t> tokenOf(static_cast<size_t>(T), -1);  // previous frame: state -> token
    std::vector<float> features(static_cast<size_t>(std::max(1, model->features.numFeatures)));

    int code = obs->ReadFrame(features.data(), &energies.data[0]);
    if (code != kErrNone) return code;
    lik.Compute(features.data());
    back.Row(0);
    for (int m = 0; m < M; ++m) {
        if (!tokens.AddInitial(static_cast<int16_t>(m), lik.Scaled(m * S) * (1.0 / M), 0)) return kErrOutOfMemory;
    }
    const bool version1 = model->trigramVersion1 != 0;
    for (int t = 1; t < F; ++t) {
        code = obs->ReadFrame(features.data(), &energies.data[t]);
        if (code != kErrNone) return code;
        lik.Compute(features.data());
        // Tokens of the frame before this one: [base, count).
        std::fill(tokenOf.begin(), tokenOf.end(), -1);
        for (int k = tokens.base; k < tokens.count; ++k) {
            tokenOf[static_cast<size_t>(tokens.data[k].model * S + tokens.data[k].state)] = k;
        }
        tokens.base = tokens.count;
        if (!tokens.EnsureRoom(T)) return kErrOutOfMemory;
        void* row = back.Row(t);
        double frameMax = 0.0;
        for (int j = 0; j < T; ++j) {
            const int m = j / S, s = j % S;
            double best = 0.0;
            int fromIndex = -1;
            // Sources are in state order, which is the order of the frame's tokens.
            for (const Source& src : sources[static_cast<size_t>(j)]) {
                const int k = tokenOf[static_cast<size_t>(src.from)];
                if (k < 0) continue;
                const double v = src.weight * tokens.data[k].score;
                if (v > best) {
                    best = v;
                    fromIndex = k;
                }
            }
            if (best == 0.0 || fromIndex < 0) continue;
            const LMToken from = tokens.data[fromIndex];
            double score = lik.Scaled(j) * best;
            if (s == 0 && from.state != 0 && from.model != m) {
                const bool hasPrev2 = from.prevModel >= 0;
                const double u = model->Unigram(m);
                const double b = model->Bigram(from.model, m);
                const double g = hasPrev2 ? model->Trigram(from.prevModel, from.model, m) : 0.0;
                double factor;
                if (version1) {
                    factor = hasPrev2 ? (g > 0.0 ? g : 0.0) : b * 1e-6;
                } else {
                    factor = (hasPrev2 && g < 0.0) ? 0.0 : b * 0.99 + u * 1e-7;
                }
                score *= factor;
            }
            score *= model->SelfLoopWeight(from.model, m, from.duration);
            if (score > frameMax) frameMax = score;
            if (score > 0.0) {
                if (!tokens.AddSuccessor(&from, fromIndex, static_cast<int16_t>(m), score,
                                         static_cast<uint16_t>(s))) {
                    return kErrOutOfMemory;
                }
                back.Set(row, j, from.model * S + from.state);
            }
        }
        if (frameMax != 0.0) {
            const double norm = 1.0 / frameMax;
            for (int k = tokens.base; k < tokens.count; ++k) tokens.data[k].score *= norm;
        }
        // The frame before is in the backpointer row now; only this frame's tokens stay.
        tokens.Compact();
        if (progress && (t + 1) % 100 == 0 && progress->Progress(t + 1, F - 1)) return kErrCancelled;
    }
    int bestIndex = -1;
    double best = 0.0;
    for (int k = tokens.base; k < tokens.count; ++k) {
        if (tokens.data[k].score > best) {
            best = tokens.data[k].score;
            bestIndex = k;
        }
    }
    if (bestIndex < 0) {
        for (int t = 0; t < F; ++t) path.data[t] = 0;
        return kErrNoPath;
    }
    path.data[F - 1] = tokens.data[bestIndex].model * S + tokens.data[bestIndex].state;
    for (int t = F - 2; t >= 0; --t) path.data[t] = back.Get(t + 1, path.data[t + 1]);
    return kErrNone;
}
