// Acoustic model training from reference alignments: equal-split state initialisation, mixtures by
// splitting with hard-decision re-estimation, state realignment inside the phones, variance floors,
// and transitions from state occupancies and a phone bigram.
#include "tools/trainer/model_trainer.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <numeric>
#include <random>
#include <thread>

namespace {

void ParallelFor(int count, int threads, const std::function<void(int)>& body) {
    std::atomic<int> next{0};
    auto work = [&]() {
        for (int i = next++; i < count; i = next++) body(i);
    };
    const int n = std::max(1, std::min(threads, count));
    std::vector<std::thread> pool;
    for (int t = 1; t < n; ++t) pool.emplace_back(work);
    work();
    for (std::thread& t : pool) t.join();
}

// One diagonal-Gaussian mixture in the log domain while training.
struct Gmm {
    std::vector<double> weight;
    std::vector<std::vector<double>> mean;
    std::vector<std::vector<double>> var;
    std::vector<double> logNorm;  // log weight - 0.5 (D log 2pi + sum log var)

    void Prepare() {
        logNorm.resize(weight.size());
        for (size_t k = 0; k < weight.size(); ++k) {
            double s = 0.0;
            for (double v : var[k]) s += std::log(v);
            logNorm[k] = std::log(std::max(weight[k], 1e-30)) -
                         0.5 * (var[k].size() * std::log(2.0 * M_PI) + s);
        }
    }
    double ComponentLog(size_t k, const float* x) const {
        double d = 0.0;
        for (size_t i = 0; i < mean[k].size(); ++i) {
            const double diff = x[i] - mean[k][i];
            d += diff * diff / var[k][i];
        }
        return logNorm[k] - 0.5 * d;
    }
    double LogLikelihood(const float* x) const {
        double best = -std::numeric_limits<double>::infinity();
        std::vector<double> parts(weight.size());
        for (size_t k = 0; k < weight.size(); ++k) {
            parts[k] = ComponentLog(k, x);
            best = std::max(best, parts[k]);
        }
        double sum = 0.0;
        for (double p : parts) sum += std::exp(p - best);
        return best + std::log(sum);
    }
};

// Mean and variance of the frames, the variance floored.
void Moments(const std::vector<const float*>& frames, int dim, const std::vector<double>& floor,
             std::vector<double>* mean, std::vector<double>* var) {
    mean->assign(dim, 0.0);
    var->assign(dim, 0.0);
    for (const float* x : frames) {
        for (int d = 0; d < dim; ++d) (*mean)[d] += x[d];
    }
    const double n = std::max<size_t>(frames.size(), 1);
    for (int d = 0; d < dim; ++d) (*mean)[d] /= n;
    for (const float* x : frames) {
        for (int d = 0; d < dim; ++d) {
            const double diff = x[d] - (*mean)[d];
            (*var)[d] += diff * diff;
        }
    }
    for (int d = 0; d < dim; ++d) (*var)[d] = std::max((*var)[d] / n, floor[d]);
}

// A prior mixture moved towards the frames (maximum a-posteriori): each component's statistics
// under the prior's posteriors are blended with the prior by its occupancy against priorWeight,
// so well-seen components follow the frames and rarely seen ones keep the prior. A model for one
// kind of voice made so keeps what the model of all voices learnt where its own data is thin.
Gmm AdaptMixture(const Gmm& prior, const std::vector<const float*>& frames, int dim, double priorWeight,
                 const std::vector<double>& floor) {
    if (frames.empty()) return prior;
    const size_t K = prior.weight.size();
    std::vector<double> occ(K, 0.0), post(K);
    std::vector<std::vector<double>> sum(K, std::vector<double>(dim, 0.0)), sq = sum;
    for (const float* x : frames) {
        double best = -std::numeric_limits<double>::infinity();
        for (size_t c = 0; c < K; ++c) best = std::max(best, post[c] = prior.ComponentLog(c, x));
        double total = 0.0;
        for (size_t c = 0; c < K; ++c) total += post[c] = std::exp(post[c] - best);
        for (size_t c = 0; c < K; ++c) {
            const double p = post[c] / total;
            occ[c] += p;
            for (int d = 0; d < dim; ++d) {
                sum[c][d] += p * x[d];
                sq[c][d] += p * x[d] * x[d];
            }
        }
    }
    Gmm g = prior;
    for (size_t c = 0; c < K; ++c) {
        const double alpha = occ[c] / (occ[c] + priorWeight);
        for (int d = 0; d < dim; ++d) {
            const double m0 = prior.mean[c][d];
            const double mean = occ[c] > 0 ? alpha * sum[c][d] / occ[c] + (1 - alpha) * m0 : m0;
            const double second = (occ[c] > 0 ? alpha * sq[c][d] / occ[c] : 0.0) +
                                  (1 - alpha) * (prior.var[c][d] + m0 * m0);
            g.mean[c][d] = mean;
            g.var[c][d] = std::max(second - mean * mean, floor[d]);
        }
        g.weight[c] = alpha * occ[c] / frames.size() + (1 - alpha) * prior.weight[c];
    }
    const double total = std::accumulate(g.weight.begin(), g.weight.end(), 0.0);
    for (double& w : g.weight) w /= total;
    g.Prepare();
    return g;
}

// Mixtures by splitting the heaviest component, each split followed by hard-decision rounds.
Gmm FitMixture(const std::vector<const float*>& frames, int dim, int mixtures, int rounds,
               const std::vector<double>& floor, const Gmm* fallback) {
    Gmm g;
    if (frames.empty()) return *fallback;
    g.weight = {1.0};
    g.mean.resize(1);
    g.var.resize(1);
    Moments(frames, dim, floor, &g.mean[0], &g.var[0]);
    // Enough frames per component that its variance means something.
    const size_t minFrames = 2 * static_cast<size_t>(dim);
    std::vector<int> owner(frames.size(), 0);
    while (static_cast<int>(g.weight.size()) < mixtures) {
        const size_t k = std::max_element(g.weight.begin(), g.weight.end()) - g.weight.begin();
        if (g.weight[k] * frames.size() < 2 * minFrames) break;
        std::vector<double> a = g.mean[k], b = g.mean[k];
        for (int d = 0; d < dim; ++d) {
            const double step = 0.2 * std::sqrt(g.var[k][d]);
            a[d] += step;
            b[d] -= step;
        }
        g.mean[k] = a;
        g.mean.push_back(b);
        g.var.push_back(g.var[k]);
        g.weight[k] *= 0.5;
        g.weight.push_back(g.weight[k]);
        for (int r = 0; r < rounds; ++r) {
            g.Prepare();
            const size_t K = g.weight.size();
            std::vector<std::vector<const float*>> parts(K);
            for (size_t i = 0; i < frames.size(); ++i) {
                size_t best = 0;
                double bestLog = -std::numeric_limits<double>::infinity();
                for (size_t c = 0; c < K; ++c) {
                    const double l = g.ComponentLog(c, frames[i]);
                    if (l > bestLog) {
                        bestLog = l;
                        best = c;
                    }
                }
                parts[best].push_back(frames[i]);
            }
            for (size_t c = 0; c < K; ++c) {
                if (parts[c].size() < minFrames) continue;  // keeps its old values
                Moments(parts[c], dim, floor, &g.mean[c], &g.var[c]);
                g.weight[c] = static_cast<double>(parts[c].size()) / frames.size();
            }
            const double total = std::accumulate(g.weight.begin(), g.weight.end(), 0.0);
            for (double& w : g.weight) w /= total;
        }
    }
    // Too little data for every component: the heaviest ones are shared out.
    while (static_cast<int>(g.weight.size()) < mixtures) {
        const size_t k = std::max_element(g.weight.begin(), g.weight.end()) - g.weight.begin();
        g.weight[k] *= 0.5;
        g.weight.push_back(g.weight[k]);
        g.mean.push_back(g.mean[k]);
        g.var.push_back(g.var[k]);
    }
    g.Prepare();
    return g;
}

struct Segment {
    int utterance;
    int start;  // frame
    int end;    // frame after the last
    int model;
};

// The best left-to-right state sequence of one phone segment (every state at least one frame when
// the segment is long enough).
void AlignStates(const Segment& seg, const TrainingUtterance& u, int dim, const std::vector<Gmm>& gmms,
                 int states, std::vector<int>* frameState) {
    const int n = seg.end - seg.start;
    if (n < states) {
        for (int i = 0; i < n; ++i) (*frameState)[seg.start + i] = i * states / n;
        return;
    }
    const double inf = -std::numeric_limits<double>::infinity();
    std::vector<double> score(static_cast<size_t>(n) * states, inf);
    std::vector<char> fromPrev(static_cast<size_t>(n) * states, 0);
    std::vector<double> ll(states);
    for (int t = 0; t < n; ++t) {
        const float* x = &u.features[static_cast<size_t>(seg.start + t) * dim];
        for (int s = 0; s < states; ++s) ll[s] = gmms[seg.model * states + s].LogLikelihood(x);
        for (int s = 0; s < states; ++s) {
            double best;
            char prev = 0;
            if (t == 0) {
                best = s == 0 ? 0.0 : inf;
            } else {
                best = score[(t - 1) * states + s];
                if (s > 0 && score[(t - 1) * states + s - 1] > best) {
                    best = score[(t - 1) * states + s - 1];
                    prev = 1;
                }
            }
            score[t * states + s] = best + ll[s];
            fromPrev[t * states + s] = prev;
        }
    }
    int s = states - 1;
    for (int t = n - 1; t >= 0; --t) {
        (*frameState)[seg.start + t] = s;
        if (fromPrev[t * states + s]) --s;
    }
}
}  // namespace

std::string TrainModels(const std::vector<TrainingUtterance>& utterances, const LabelSet& set,
                        const CFeatureConfig& config, const TrainingOptions& options,
                        CAccousticHMM* model) {
    const int dim = config.numFeatures;
    const int M = static_cast<int>(set.labels.size());
    const int S = options.states;
    if (utterances.empty()) return "no utterances";

    // Phone segments and the equal split of each into states.
    std::vector<Segment> segments;
    std::vector<std::vector<int>> frameState(utterances.size());
    for (size_t u = 0; u < utterances.size(); ++u) {
        const TrainingUtterance& utt = utterances[u];
        if (static_cast<int>(utt.features.size()) != utt.frames * dim) return utt.name + ": bad size";
        if (static_cast<int>(utt.frameModels.size()) != utt.frames) return utt.name + ": bad labels";
        const bool given = !utt.frameStates.empty();
        if (given && static_cast<int>(utt.frameStates.size()) != utt.frames) {
            return utt.name + ": bad state labels";
        }
        frameState[u].assign(utt.frames, 0);
        for (int t = 0; t < utt.frames;) {
            // With given states a phone also ends where the states start again (the same phone
            // twice in a row).
            int e = t + 1;
            while (e < utt.frames && utt.frameModels[e] == utt.frameModels[t] &&
                   (!given || utt.frameStates[e] >= utt.frameStates[e - 1])) {
                ++e;
            }
            segments.push_back({static_cast<int>(u), t, e, utt.frameModels[t]});
            for (int i = t; i < e; ++i) {
                frameState[u][i] = given ? std::clamp(utt.frameStates[i], 0, S - 1) : (i - t) * S / (e - t);
            }
            t = e;
        }
    }

    // Global moments give the variance floor and the stand-in for unseen states.
    std::vector<const float*> all;
    for (const TrainingUtterance& utt : utterances) {
        for (int t = 0; t < utt.frames; t += 7) all.push_back(&utt.features[static_cast<size_t>(t) * dim]);
    }
    std::vector<double> globalMean, globalVar, floor(dim, 1e-6);
    Moments(all, dim, floor, &globalMean, &globalVar);
    for (int d = 0; d < dim; ++d) floor[d] = std::max(1e-6, options.varianceFloor * globalVar[d]);
    Gmm global;
    global.weight.assign(options.mixtures, 1.0 / options.mixtures);
    global.mean.assign(options.mixtures, globalMean);
    global.var.assign(options.mixtures, globalVar);
    global.Prepare();

    // A prior model to adapt: its mixtures, state by state.
    std::vector<Gmm> prior;
    if (options.prior != nullptr) {
        const CAccousticHMM& p = *options.prior;
        if (p.numModels != M || p.numStates != S || p.numMixtures != options.mixtures ||
            p.features.numFeatures != dim || p.labels != set.labels) {
            return "the prior model has another shape or other labels";
        }
        prior.resize(static_cast<size_t>(M) * S);
        for (int g = 0; g < M * S; ++g) {
            Gmm& pg = prior[g];
            for (const AccMixture& mix : p.models[g / S].states[g % S].mixtures) {
                pg.weight.push_back(mix.weight);
                pg.mean.emplace_back(mix.mean, mix.mean + dim);
                pg.var.emplace_back(dim);
                for (int d = 0; d < dim; ++d) pg.var.back()[d] = 1.0 / mix.precision[d];
            }
            pg.Prepare();
        }
    }
    std::vector<Gmm> gmms(static_cast<size_t>(M) * S);
    std::vector<int> unseen;
    const size_t maxFramesPerState = 60000;
    for (int pass = 0; pass <= options.passes; ++pass) {
        // Frames of each state (a fixed subsample of very common states keeps the cost bounded).
        std::vector<std::vector<const float*>> stateFrames(static_cast<size_t>(M) * S);
        for (size_t u = 0; u < utterances.size(); ++u) {
            const TrainingUtterance& utt = utterances[u];
            for (int t = 0; t < utt.frames; ++t) {
                stateFrames[utt.frameModels[t] * S + frameState[u][t]].push_back(
                    &utt.features[static_cast<size_t>(t) * dim]);
            }
        }
        for (auto& frames : stateFrames) {
            if (frames.size() > maxFramesPerState) {
                std::vector<const float*> kept;
                const double step = static_cast<double>(frames.size()) / maxFramesPerState;
                for (size_t i = 0; i < maxFramesPerState; ++i) kept.push_back(frames[static_cast<size_t>(i * step)]);
                frames.swap(kept);
            }
        }
        unseen.clear();
        for (int g = 0; g < M * S; ++g) {
            if (stateFrames[g].empty()) unseen.push_back(g);
        }
        ParallelFor(M * S, options.threads, [&](int g) {
            gmms[g] = prior.empty()
                          ? FitMixture(stateFrames[g], dim, options.mixtures, options.emRounds, floor, &global)
                          : AdaptMixture(prior[g], stateFrames[g], dim, options.priorWeight, floor);
        });
        if (pass == options.passes) break;
        ParallelFor(static_cast<int>(segments.size()), options.threads, [&](int i) {
            const Segment& seg = segments[i];
            AlignStates(seg, utterances[seg.utterance], dim, gmms, S, &frameState[seg.utterance]);
        });
    }

    // State occupancies give the within-model transitions; phone successions give the bigram.
    std::vector<double> occupancy(static_cast<size_t>(M) * S, 0.0), visits(static_cast<size_t>(M) * S, 0.0);
    std::vector<double> bigram(static_cast<size_t>(M) * M, 1.0);  // add-one smoothing
    for (size_t i = 0; i < segments.size(); ++i) {
        const Segment& seg = segments[i];
        const std::vector<int>& fs = frameState[seg.utterance];
        for (int t = seg.start; t < seg.end; ++t) {
            occupancy[seg.model * S + fs[t]] += 1.0;
            if (t == seg.start || fs[t] != fs[t - 1]) visits[seg.model * S + fs[t]] += 1.0;
        }
        if (i + 1 < segments.size() && segments[i + 1].utterance == seg.utterance) {
            bigram[seg.model * M + segments[i + 1].model] += 1.0;
        }
    }
    for (int m = 0; m < M; ++m) {
        double row = 0.0;
        for (int n = 0; n < M; ++n) row += bigram[m * M + n];
        for (int n = 0; n < M; ++n) bigram[m * M + n] = options.bigramExits ? bigram[m * M + n] / row : 1.0 / M;
    }

    // Fill the engine's model.
    model->Destroy();
    model->numModels = M;
    model->numStates = S;
    model->numMixtures = options.mixtures;
    model->features = config;
    model->labels = set.labels;
    model->parameters.assign(static_cast<size_t>(M) * S * options.mixtures * dim * 2, 0.0f);
    model->models.assign(M, AccModel{});
    const int T = M * S;
    model->transitions.assign(static_cast<size_t>(T) * T, 0.0f);
    std::vector<float> selfLoop(T);
    for (int g = 0; g < T; ++g) {
        const double a = occupancy[g] > 0 ? (occupancy[g] - visits[g]) / occupancy[g] : 0.5;
        selfLoop[g] = static_cast<float>(std::clamp(a, 0.05, 0.95));
    }
    size_t offset = 0;
    for (int m = 0; m < M; ++m) {
        AccModel& am = model->models[m];
        am.states.resize(S);
        for (int s = 0; s < S; ++s) {
            const int g = m * S + s;
            AccState& st = am.states[s];
            const Gmm& gmm = gmms[g];
            st.mixtures.resize(options.mixtures);
            for (int k = 0; k < options.mixtures; ++k) {
                AccMixture& mix = st.mixtures[k];
                float* mean = &model->parameters[offset];
                float* precision = mean + dim;
                offset += 2 * static_cast<size_t>(dim);
                double logDet = 0.0;
                for (int d = 0; d < dim; ++d) {
                    mean[d] = static_cast<float>(gmm.mean[k][d]);
                    precision[d] = static_cast<float>(1.0 / gmm.var[k][d]);
                    logDet += std::log(static_cast<double>(precision[d]));
                }
                mix.mean = mean;
                mix.precision = precision;
                mix.weight = gmm.weight[k];
                // The Gaussian's normalising factor for the stored (single-precision) precisions.
                mix.gConst = std::exp(-0.5 * dim * std::log(2.0 * M_PI) + 0.5 * logDet);
            }
            // Inside the phone the step forward may be scaled down; the last state's exits stay.
            const float stay = s + 1 < S
                                   ? static_cast<float>(1.0 - options.forwardScale * (1.0 - selfLoop[g]))
                                   : selfLoop[g];
            st.transitions.assign(S, 0.0f);
            st.transitions[s] = stay;
            if (s + 1 < S) st.transitions[s + 1] = 1.0f - stay;
            model->transitions[static_cast<size_t>(g) * T + g] = stay;
            if (s + 1 < S) {
                model->transitions[static_cast<size_t>(g) * T + g + 1] = 1.0f - stay;
            } else {
                const double exit = 1.0 - selfLoop[g];
                for (int n = 0; n < M; ++n) {
                    model->transitions[static_cast<size_t>(g) * T + n * S] +=
                        static_cast<float>(exit * bigram[m * M + n]);
                }
            }
        }
    }
    model->phoneMap = set.PhoneMapText();
    std::string info = options.info;
    if (!unseen.empty()) {
        info += prior.empty() ? "\nStates without training frames (global statistics):"
                              : "\nStates without training frames (kept from the prior model):";
        for (int g : unseen) info += " " + set.labels[g / S] + "." + std::to_string(g % S);
    }
    model->info = info;
    model->FinishRead();
    return "";
}
