// The two lattice searches of the text-based recogniser: a probability-domain Viterbi search over
// a moving window of nodes, and a log-domain search with a bounded hypothesis list per frame whose
// backpointers go to a store that spills to a temporary file.
#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/analysis/spectral_stream.h"
#include "engine/api/error_messages.h"
#include "engine/api/progress.h"
#include "engine/api/sdk_log.h"
#include "engine/recognition/acoustic_hmm.h"
#include "engine/recognition/frame_likelihoods.h"
#include "engine/recognition/textbased_recognizer.h"
#include "engine/util/array_2d.h"
#include "engine/util/backpointer_store.h"
#include "engine/util/nbest_list.h"

namespace {

constexpr double kLogFloor = -1e10;
// Nodes set up between two questions whether to cancel: the arrays of a lattice of millions of
// nodes take a good part of a second to fill before the first frame is searched.
constexpr int kNodesPerCancelCheck = 1 << 20;

bool CancelAsked(CProgress* progress, int done) {
    return progress && done % kNodesPerCancelCheck == kNodesPerCancelCheck - 1 && progress->Progress(0, 0);
}

// The global model state of every node, so the inner loops need no division. 0, 2 for a node of
// no model, or 5 when cancelled.
int NodeStates(LatticeNode** nodes, int N, int S, const CAccousticHMM& model, CProgress* progress,
               std::vector<int32_t>* out) {
    out->clear();
    out->reserve(static_cast<size_t>(N));
    for (int n = 0; n < N; ++n) {
        if (CancelAsked(progress, n)) return kErrCancelled;
        const int m = nodes[n]->model;
        if (m >= model.numModels) return kErrInvalidArgument;
        out->push_back(m * S + n % S);
    }
    return kErrNone;
}

// n copies of value, filled piece by piece with the same questions; false when cancelled.
template <class T>
bool FillNodes(std::vector<T>* out, int n, T value, CProgress* progress) {
    out->clear();
    out->reserve(static_cast<size_t>(n));
    for (int done = 0; done < n; done += kNodesPerCancelCheck) {
        if (done > 0 && progress && progress->Progress(0, 0)) return false;
        out->insert(out->end(), static_cast<size_t>(std::min(kNodesPerCancelCheck, n - done)), value);
    }
    return true;
}

// The window of B nodes around the last best node.
void WindowAround(int bestNode, int half, int B, int N, int* lo, int* hi) {
    *lo = std::max(0, bestNode - half);
    *hi = *lo + B;
    if (*hi > N) {
        *hi = N;
        *lo = std::max(0, N - B);
    }
}

}  // namespace

bool CTextbasedPhnRecognizer::NeedsPrunedSearch(int endFrame, int nodeCount) const {
    if (maxHypotheses != 0 || pruneThreshold != 0.0) return true;
    if (static_cast<int64_t>(beamWidth) * endFrame >= kMaxSearchCells) return true;
    return nodeCount > kMaxProbabilitySearchNodes;
}

void CTextbasedPhnRecognizer::EnsureTempFileName() {
    if (tempFileName.empty()) tempFileName = MakeTempFileName("zuvotemp.bin");
}

int CTextbasedPhnRecognizer::Viterbi(CAccousticHMM* model, LatticeNode** nodes, int P,
                                     const std::vector<int32_t>& startNodes, IObservationStream* obs,
                                     CProgress* progress, TArray<int32_t>& path,
                                     TArray<float>& energies) {
    CFuncTrace trace("CTextbasedPhnRecognizer::Viterbi");
    if (!nodes || !model || !obs) return kErrOutOfMemory;
    const int F = static_cast<int>(obs->GetFrameCount());
    const int S = model->numStates;
    const int N = P * S;
    if (F <= 0 || N <= 0) {
        path.SetSize(0);
        return kErrNone;
    }
    int B = beamWidth;
    if (static_cast<int64_t>(B) * F >= kMaxSearchCells) B = static_cast<int>(kMaxSearchCells / F);
    if (B > N) B = N;
    if (B < 1) B = 1;
    const int half = B / 2;

    CFrameLikelihoods lik;
    std::vector<int32_t> stateOf;
    CWordArray2D back;
    if (!lik.Init(*model)) return kErrInvalidArgument;
    if (const int states = NodeStates(nodes, N, S, *model, progress, &stateOf); states != kErrNone) return states;
    if (!back.Allocate(F, B) || !energies.SetSize(F)) return kErrOutOfMemory;
    std::vector<float> features(static_cast<size_t>(std::max(1, model->features.numFeatures)));
    std::vector<double> prevScores(static_cast<size_t>(N), 0.0), curScores(static_cast<size_t>(N), 0.0);
    std::vector<double> scaled(static_cast<size_t>(lik.StateCount()), 0.0);
    std::vector<int32_t> dur(static_cast<size_t>(N), 0);
    std::vector<int32_t> predOf(static_cast<size_t>(N), -1);
    std::vector<int32_t> windowStart(static_cast<size_t>(F), 0);
    double* prev = prevScores.data();
    double* cur = curScores.data();

    int code = obs->ReadFrame(features.data(), &energies.data[0]);
    if (code != kErrNone) return code;
    lik.Compute(features.data());
    {
        double ref = CFrameLikelihoods::kNoLog;
        for (int32_t s : startNodes) {
            if (s >= 0 && s < N) ref = std::max(ref, lik.LogScaled(stateOf[static_cast<size_t>(s)]));
        }
        lik.ScaleTo(ref <= CFrameLikelihoods::kNoLog ? 0.0 : ref, scaled.data());
    }
    int prevLo = N, prevHi = 0;
    for (int32_t s : startNodes) {
        if (s < 0 || s >= N) continue;
        prev[s] = scaled[static_cast<size_t>(stateOf[static_cast<size_t>(s)])];
        dur[static_cast<size_t>(s)] = 1;
        prevLo = std::min(prevLo, static_cast<int>(s));
        prevHi = std::max(prevHi, static_cast<int>(s) + 1);
    }
    int bestNode = 0;
    int lastFrame = F;  // frames the path covers
    int result = kErrNone;

    for (int t = 1; t < F; ++t) {
        code = obs->ReadFrame(features.data(), &energies.data[t]);
        if (code != kErrNone) return code;
        int lo, hi;
        WindowAround(bestNode, half, B, N, &lo, &hi);
        lik.Compute(features.data());
        // First the best entry of every node of the window, then the likelihoods scaled by the
        // best state that a live path can reach this frame, so a reachable state never
        // underflows to "no path".
        double ref = CFrameLikelihoods::kNoLog;
        for (int n = lo; n < hi; ++n) {
            const LatticeNode* node = nodes[n];
            const LatticePred* preds = node->Preds();
            double best = 0.0;
            int pred = -1;
            for (int k = 0; k < node->predCount; ++k) {
                const int p = preds[k].node;
                if (p < lo || prev[p] == 0.0) continue;
                const double v = preds[k].weight * prev[p];
                if (v > best) {
                    best = v;
                    pred = p;
                }
            }
            cur[n] = best;
            predOf[static_cast<size_t>(n)] = best > 0.0 ? pred : -1;
            if (best > 0.0) ref = std::max(ref, lik.LogScaled(stateOf[static_cast<size_t>(n)]));
        }
        lik.ScaleTo(ref <= CFrameLikelihoods::kNoLog ? 0.0 : ref, scaled.data());
        double frameBest = 0.0;
        int frameBestNode = bestNode;
        uint16_t* row = back[t];
        for (int n = lo; n < hi; ++n) {
            const int pred = predOf[static_cast<size_t>(n)];
            if (pred < 0) {
                cur[n] = 0.0;
                continue;
            }
            const LatticeNode* node = nodes[n];
            double score = scaled[static_cast<size_t>(stateOf[static_cast<size_t>(n)])] * cur[n];
            if (pred == n) {
                dur[static_cast<size_t>(n)] += 1;
                score *= model->SelfLoopWeight(node->model, node->model, dur[static_cast<size_t>(n)]);
            } else {
                dur[static_cast<size_t>(n)] = 1;
            }
            cur[n] = score;
            row[n - lo] = static_cast<uint16_t>(pred - lo);
            if (score > frameBest) {
                frameBest = score;
                frameBestNode = n;
            }
        }
        if (frameBest == 0.0) {
            // Nothing is alive: the path ends with the frame before, at its best node.
            for (int n = lo; n < hi; ++n) cur[n] = 0.0;
            lastFrame = t;
            result = kErrNoPath;
            break;
        }
        bestNode = frameBestNode;
        windowStart[static_cast<size_t>(t)] = lo;
        const double norm = 1.0 / frameBest;
        for (int n = lo; n < hi; ++n) cur[n] *= norm;
        for (int n = prevLo; n < prevHi; ++n) prev[n] = 0.0;
        prevLo = lo;
        prevHi = hi;
        std::swap(prev, cur);
        if (progress && t % 100 == 0 && progress->Progress(t, F)) return kErrCancelled;
    }

    // Traceback. prev holds the scores of frame lastFrame - 1.
    const int last = lastFrame - 1;
    int e;
    if (result == kErrNoPath) {
        e = bestNode;
        if (last == 0) {
            double best = -1.0;
            for (int32_t s : startNodes) {
                if (s >= 0 && s < N && prev[s] > best) {
                    best = prev[s];
                    e = s;
                }
            }
        }
    } else {
        e = N - 1;
        if (prev[e] == 0.0) {
            // No path reaches the end: the path ends at the best node of the last window itself.
            result = kErrNoPath;
            double best = 0.0;
            e = bestNode;
            for (int n = prevLo; n < prevHi; ++n) {
                if (prev[n] > 0.0 && prev[n] >= best) {
                    best = prev[n];
                    e = n;
                }
            }
        }
        const int q = e / S;
        if (nodes[e]->model == 0 && q > 0 && prev[q * S - 1] > prev[e]) e = q * S - 1;
        if (last > 0 && (e - windowStart[static_cast<size_t>(last)] >= B || e < windowStart[static_cast<size_t>(last)])) {
            e = bestNode;
        }
    }
    if (!path.SetSize(lastFrame)) return kErrOutOfMemory;
    path.data[last] = e;
    for (int t = last - 1; t >= 0; --t) {
        const int ws = windowStart[static_cast<size_t>(t) + 1];
        const int rel = path.data[t + 1] - ws;
        path.data[t] = (rel >= 0 && rel < B) ? ws + back[t + 1][rel] : path.data[t + 1];
    }
    return result;
}

int CTextbasedPhnRecognizer::ViterbiPruned(CAccousticHMM* model, LatticeNode** nodes, int P,
                                           const std::vector<int32_t>& startNodes,
                                           IObservationStream* obs, CProgress* progress,
                                           TArray<int32_t>& path, TArray<float>& energies) {
    CFuncTrace trace("CTextbasedPhnRecognizer::Viterbi");
    if (!nodes || !model || !obs) return kErrOutOfMemory;
    const int F = static_cast<int>(obs->GetFrameCount());
    const int S = model->numStates;
    const int N = P * S;
    if (F <= 0 || N <= 0) {
        path.SetSize(0);
        return kErrNone;
    }
    const int B = std::min(static_cast<int>(beamWidth), N);
    const int half = B / 2;
    const int capacity = maxHypotheses != 0 ? maxHypotheses : std::max(1, B / 4);

    CFrameLikelihoods lik;
    std::vector<int32_t> stateOf;
    if (!lik.Init(*model)) return kErrInvalidArgument;
    if (const int states = NodeStates(nodes, N, S, *model, progress, &stateOf); states != kErrNone) return states;
    CNBestList list;
    if (!list.Init(capacity) || !energies.SetSize(F)) return kErrOutOfMemory;
    EnsureTempFileName();
    CBackpointerStore store;
    int code = store.Open(tempFileName.c_str(), B, N, byteBudget);
    if (code != kErrNone) return code;

    std::vector<float> features(static_cast<size_t>(std::max(1, model->features.numFeatures)));
    std::vector<double> prevScores, curScores;
    std::vector<int32_t> dur;
    if (!FillNodes(&prevScores, N, kLogFloor, progress) || !FillNodes(&curScores, N, kLogFloor, progress) ||
        !FillNodes(&dur, N, int32_t{0}, progress)) {
        return kErrCancelled;
    }
    std::vector<int32_t> windowStart(static_cast<size_t>(F), 0);
    std::vector<int32_t> prevLive, curLive;
    std::vector<NBestEntry> candidates;
    candidates.reserve(static_cast<size_t>(B));
    double* prev = prevScores.data();
    double* cur = curScores.data();

    code = obs->ReadFrame(features.data(), &energies.data[0]);
    if (code != kErrNone) return code;
    lik.Compute(features.data());
    for (int32_t s : startNodes) {
        if (s < 0 || s >= N) continue;
        const double l = lik.LogScaled(stateOf[static_cast<size_t>(s)]);
        if (l <= CFrameLikelihoods::kNoLog) continue;
        prev[s] = l;
        dur[static_cast<size_t>(s)] = 1;
        prevLive.push_back(s);
    }
    int bestNode = 0;
    int lastFrame = F;
    int result = kErrNone;

    for (int t = 1; t < F; ++t) {
        code = obs->ReadFrame(features.data(), &energies.data[t]);
        if (code != kErrNone) return code;
        int lo, hi;
        WindowAround(bestNode, half, B, N, &lo, &hi);
        lik.Compute(features.data());
        candidates.clear();
        for (int n = lo; n < hi; ++n) {
            const LatticeNode* node = nodes[n];
            const LatticePred* preds = node->Preds();
            double best = kLogFloor;
            int pred = 0;
            for (int k = 0; k < node->predCount; ++k) {
                const int p = preds[k].node;
                if (p < lo || !(prev[p] > kLogFloor)) continue;
                const double v = preds[k].weight + prev[p];
                if (v > best) {
                    best = v;
                    pred = p;
                }
            }
            if (!(best > kLogFloor)) continue;
            const double l = lik.LogScaled(stateOf[static_cast<size_t>(n)]);
            double score = l <= CFrameLikelihoods::kNoLog ? kLogFloor : l + best;
            if (pred == n) {
                dur[static_cast<size_t>(n)] += 1;
                const float w2 = model->SelfLoopWeight(node->model, node->model, dur[static_cast<size_t>(n)]);
                if (w2 == 0.0f) continue;
                if (w2 != 1.0f) score += std::log(static_cast<double>(w2));
            } else {
                dur[static_cast<size_t>(n)] = 1;
            }
            if (score != kLogFloor) candidates.push_back(NBestEntry{n, pred, score});
        }
        // Keeping the best `capacity` candidates first gives the list the set that inserting them
        // one by one would leave, without rescanning for its worst entry at every replacement.
        if (static_cast<int>(candidates.size()) > capacity) {
            std::nth_element(candidates.begin(), candidates.begin() + capacity, candidates.end(),
                             [](const NBestEntry& a, const NBestEntry& b) {
                                 return a.score > b.score || (a.score == b.score && a.node < b.node);
                             });
            candidates.resize(static_cast<size_t>(capacity));
            std::sort(candidates.begin(), candidates.end(),
                      [](const NBestEntry& a, const NBestEntry& b) { return a.node < b.node; });
        }
        list.Reset();
        for (const NBestEntry& c : candidates) list.Insert(c.node, c.pred, c.score);
        list.Prune(pruneThreshold);
        if (list.count == 0) {
            lastFrame = t;
            result = kErrNoPath;
            break;
        }
        code = store.AddFrame(lo, list, cur);
        if (code != kErrNone) return code;
        curLive.clear();
        for (int k = 0; k < list.count; ++k) {
            if (list.entries[k].node >= 0) curLive.push_back(list.entries[k].node);
        }
        windowStart[static_cast<size_t>(t)] = lo;
        bestNode = list.entries[list.bestIndex].node;
        for (int32_t n : prevLive) prev[n] = kLogFloor;
        std::swap(prev, cur);
        std::swap(prevLive, curLive);
        if (progress && t % 100 == 0 && progress->Progress(t, F)) return kErrCancelled;
    }

    const int last = lastFrame - 1;
    int e;
    if (result == kErrNoPath) {
        e = bestNode;
        if (last == 0) {
            double best = kLogFloor;
            for (int32_t s : prevLive) {
                if (prev[s] > best) {
                    best = prev[s];
                    e = s;
                }
            }
        }
    } else {
        e = N - 1;
        if (prev[e] == kLogFloor) {
            result = kErrNoPath;
            double best = kLogFloor;
            e = bestNode;
            for (int n = 0; n < N; ++n) {
                if (prev[n] > best) {
                    best = prev[n];
                    e = n;
                }
            }
        }
        const int q = e / S;
        if (nodes[e]->model == 0 && q > 0 && prev[q * S - 1] > prev[e]) e = q * S - 1;
        if (last > 0 && (e - windowStart[static_cast<size_t>(last)] >= B || e < windowStart[static_cast<size_t>(last)])) {
            e = bestNode;
        }
    }
    if (!path.SetSize(lastFrame)) return kErrOutOfMemory;
    path.data[last] = e;
    if (last > 0) {
        int* row = store.BeginRead();
        for (int t = last - 1; t >= 0; --t) {
            if (!row) return kErrSpillUnreadable;
            // A row is indexed by the node's place in its frame's window.
            const int rel = path.data[t + 1] - windowStart[static_cast<size_t>(t) + 1];
            path.data[t] = (rel >= 0 && rel < N) ? row[rel] : path.data[t + 1];
            if (path.data[t] < 0 || path.data[t] >= N) return kErrSpillUnreadable;
            if (t > 0) row = store.ReadPrevious();
        }
    }
    return result;
}
