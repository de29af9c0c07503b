// The articulator: rules, the frame loop that mixes each frame's phonemes, the keys made from the
// mixtures, and the summary of a range of keys.
#include "engine/articulation/phoneme_mixture_articulator.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <string_view>

#include "engine/api/error_messages.h"
#include "engine/api/sdk_log.h"
#include "engine/articulation/frame_candidates.h"
#include "model/phn_marker.h"
#include "model/phoneme_codes.h"

CPhonemeMixtureArticulator::CPhonemeMixtureArticulator() = default;

CPhonemeMixtureArticulator::~CPhonemeMixtureArticulator() = default;

int CPhonemeMixtureArticulator::LoadArticulatorRules(const char* text, int length) {
    CFuncTrace trace("CPhonemeMixtureArticulator::LoadArticulatorRules");
    rules_.frameRate = frameRate_;
    int result = ParseArticulatorRules(text, length, rules_);
    frameRate_ = rules_.frameRate;
    return result;
}

void CPhonemeMixtureArticulator::CopyStateFrom(const CPhonemeMixtureArticulator& other) {
    if (&other == this) return;
    frameRate_ = other.frameRate_;
    frameRateOverride_ = other.frameRateOverride_;
    level_ = other.level_;
    slopeLimit_ = other.slopeLimit_;
    previousMixture_ = other.previousMixture_;
    rules_ = other.rules_;
    flags_ = other.flags_;
}

int CPhonemeMixtureArticulator::SetFrameRate(float framesPerSecond) {
    if (!IsUsableFrameRate(framesPerSecond)) return kErrOutOfRange;
    frameRate_ = framesPerSecond;
    frameRateOverride_ = framesPerSecond;
    return kErrNone;
}

void CPhonemeMixtureArticulator::SetSlopeLimit(float limit) { slopeLimit_ = limit; }

int CPhonemeMixtureArticulator::SetLevel(int level) {
    if (level < 1 || level > ArticulationKey::kMaxPairs) return kErrOutOfRange;
    level_ = level;
    return kErrNone;
}

int CPhonemeMixtureArticulator::SetFlags(uint32_t flags) {
    flags_ = flags;
    return kErrNone;
}

namespace {

// The code's share a and the rest position's share b of phoneme p at time t.
struct Contribution {
    double code;
    double rest;
};

Contribution ContributionAt(const ArticulatedPhoneme& p, int t) {
    if (p.rule == nullptr) return {0.0, 0.0};
    double reach = RuleWeightAt(*p.rule, t, p.start, p.end) * RuleEnvelopeAt(*p.rule, t, p.start, p.end);
    return {p.share * reach, (1.0 - p.share) * reach};
}

void AddContribution(FrameMixture& mixture, const ArticulatedPhoneme& p, int t) {
    Contribution c = ContributionAt(p, t);
    if (c.code > 0.0) mixture.add(p.code, c.code);
    if (c.rest > 0.0) mixture.add(kRestCode, c.rest);
}

// Walks neighbours nearest first: a neighbour shows only while no earlier one on its side has a
// full-weight rule, which would hide everything behind it.
template <typename Reaches>
void KeepReachable(std::vector<int>& list, const std::vector<ArticulatedPhoneme>& phonemes, Reaches reaches) {
    bool stopped = false;
    size_t kept = 0;
    for (int i : list) {
        const ArticulatedPhoneme& p = phonemes[i];
        if (p.rule == nullptr) continue;
        if (!stopped && reaches(p)) list[kept++] = i;
        if (p.rule->weight >= 1.0f) stopped = true;
    }
    list.resize(kept);
}

}  // namespace

int CPhonemeMixtureArticulator::GenerateFromPhonemes(const std::vector<phn_marker>& phonemes, int start, int end) {
    keys_.clear();
    frames_.clear();
    if (rules_.rules.empty()) {
        // Without rules every frame would be empty: a track would silently get no mouth movement.
        const int loaded = LoadArticulatorRules(kBuiltInArticulatorRules, kBuiltInArticulatorRulesLength);
        if (loaded != kErrNone || rules_.rules.empty()) {
            SdkLogPrintf("The built-in articulation rules do not load (%d)\n", loaded);
            return loaded != kErrNone ? loaded : kErrBadData;
        }
    }
    if (frameRateOverride_ > 0.0f) frameRate_ = frameRateOverride_;
    const uint32_t savedFlags = flags_;

    const float frameMs = FrameMs();
    const float half = frameMs * 0.5f;
    const int maxAttack = rules_.maxAttack;
    const int maxRelease = rules_.maxRelease;

    int64_t lo = 1000000000;
    int64_t hi = -100000000;
    if (start != -1 && end != -1) {
        lo = std::max<int64_t>(0, int64_t{start} - 2 * int64_t{maxAttack});
        hi = int64_t{end} + 2 * int64_t{maxRelease};
        flags_ &= ~kArticulatorSmoothing;
    } else {
        for (const phn_marker& p : phonemes) {
            lo = std::min<int64_t>({lo, p.start, p.end});
            hi = std::max<int64_t>({hi, p.start, p.end});
        }
    }

    const float perMs = 1.0f / frameMs;
    const int64_t firstFrame = static_cast<int64_t>(static_cast<float>(lo) * perMs);
    int64_t lastFrame = static_cast<int64_t>(static_cast<float>(hi) * perMs);
    if (std::fmod(static_cast<float>(hi), frameMs) != 0.0f) ++lastFrame;
    firstFrame_ = static_cast<int>(firstFrame);

    std::vector<ArticulatedPhoneme> articulated;
    articulated.reserve(phonemes.size());
    for (const phn_marker& p : phonemes) {
        auto rule = rules_.rules.find(p.label);
        articulated.push_back(ArticulatedPhoneme{
            p.start, p.end, std::min(static_cast<double>(p.value) * 0.01, 1.0),
            rule != rules_.rules.end() ? &rule->second : nullptr, PackMixtureCode(p.label)});
    }
    // Tracks keep their phonemes in start order; one that does not would hide every phoneme
    // behind an earlier-listed later one, so it is put in order first.
    if (!PhonemesInStartOrder(articulated)) {
        std::stable_sort(articulated.begin(), articulated.end(),
                         [](const ArticulatedPhoneme& a, const ArticulatedPhoneme& b) { return a.start < b.start; });
    }
    CFrameCandidateCursor cursor(articulated, maxAttack, maxRelease);
    FrameCandidates candidates;
    FrameMixture mixture;
    const bool smoothing = (flags_ & kArticulatorSmoothing) != 0;

    for (int64_t f = firstFrame; f <= lastFrame; ++f) {
        const int t = static_cast<int>(static_cast<float>(f) * frameMs + half);
        cursor.Collect(t, candidates);

        // A full-weight phoneme hides its neighbours: with smoothing only those on the side it
        // is moving away from, so the blend into the next phoneme survives.
        if (candidates.current >= 0) {
            const ArticulatedPhoneme& c = articulated[candidates.current];
            if (c.rule != nullptr && RuleWeightAt(*c.rule, t, c.start, c.end) >= 1.0f) {
                if (!smoothing) {
                    candidates.before.clear();
                    candidates.after.clear();
                } else if (t >= (int64_t{c.start} + c.end) / 2) {
                    candidates.before.clear();
                } else {
                    candidates.after.clear();
                }
            }
        }
        std::reverse(candidates.before.begin(), candidates.before.end());
        KeepReachable(candidates.before, articulated, [t](const ArticulatedPhoneme& p) {
            return int64_t{p.end} + p.rule->release >= t;
        });
        KeepReachable(candidates.after, articulated, [t](const ArticulatedPhoneme& p) {
            return int64_t{p.start} - p.rule->attack <= t;
        });

        mixture.clear();
        if (candidates.current >= 0) AddContribution(mixture, articulated[candidates.current], t);
        for (const std::vector<int>* side : {&candidates.before, &candidates.after}) {
            for (int i : *side) {
                const ArticulatedPhoneme& p = articulated[i];
                if (!mixture.contains(p.code)) AddContribution(mixture, p, t);
            }
        }

        // Pruning to the level: drop the weakest, favouring codes the previous frame showed and
        // giving up the rest position first.
        const size_t initialCount = mixture.size();
        while (mixture.size() > static_cast<size_t>(level_)) {
            float lowest = 10000000.0f;
            size_t weakest = mixture.size();
            for (size_t k = 0; k < mixture.size(); ++k) {
                const FrameMixture::Entry& e = mixture.entries()[k];
                float score = e.weight;
                if (e.code == kRestCode) {
                    score = e.weight / static_cast<float>(initialCount);
                } else if (previousMixture_.contains(e.code)) {
                    score = e.weight * 1.5f;
                }
                if (score < lowest) {
                    lowest = score;
                    weakest = k;
                }
            }
            if (weakest == mixture.size()) break;
            mixture.erase_at(weakest);
        }

        mixture.normalise();
        previousMixture_ = mixture;

        if (smoothing) {
            frames_.push_back(mixture);
        } else {
            ArticulationKey key = MakeArticulationKey(mixture, static_cast<int>(FrameEdgeMs(f, frameMs)),
                                                      static_cast<int>(FrameEdgeMs(f + 1, frameMs)));
            if (key.count > 0) keys_.push_back(key);
        }
    }

    if (smoothing) {
        SmoothFrames(phonemes);
        KeysFromFrames(firstFrame);
    }
    flags_ = savedFlags;
    return kErrNone;
}

void CPhonemeMixtureArticulator::KeysFromFrames(int64_t firstFrame) {
    keys_.clear();
    const float frameMs = FrameMs();
    for (size_t k = 0; k < frames_.size(); ++k) {
        const int64_t f = firstFrame + static_cast<int64_t>(k);
        ArticulationKey key = MakeArticulationKey(frames_[k], static_cast<int>(FrameEdgeMs(f, frameMs)),
                                                  static_cast<int>(FrameEdgeMs(f + 1, frameMs)));
        if (key.count > 0) keys_.push_back(key);
    }
}

ArticulationKey* CPhonemeMixtureArticulator::KeysBegin() { return keys_.empty() ? nullptr : keys_.data(); }

ArticulationKey* CPhonemeMixtureArticulator::KeysEnd() {
    return keys_.empty() ? nullptr : keys_.data() + keys_.size();
}

void CPhonemeMixtureArticulator::AppendKey(const ArticulationKey& key, bool clear) {
    if (clear) keys_.clear();
    keys_.push_back(key);
}

void CPhonemeMixtureArticulator::Destroy() { delete this; }

ArticulationKey* CPhonemeMixtureArticulator::Quanitze(int start, int end, int maxCount) {
    CFuncTrace trace("CPhonemeMixtureArticulator::Quanitze");
    auto p = keys_.begin();
    if (start != -1) {
        p = std::find_if(keys_.begin(), keys_.end(), [start](const ArticulationKey& k) { return k.start >= start; });
    }
    auto q = keys_.end();
    if (end != -1) {
        if (p == keys_.end()) return nullptr;
        q = std::find_if(p, keys_.end(), [end](const ArticulationKey& k) { return k.start >= end; });
    }
    if (q <= p) return nullptr;

    std::memset(&summaryKey_, 0, sizeof summaryKey_);
    summaryKey_.start = p->start;
    summaryKey_.end = (q - 1)->end;
    const int64_t mid = (int64_t{summaryKey_.start} + summaryKey_.end) / 2;

    // Keys near the middle of the range count most; closed codes count double, the rest position
    // little, so a short closure is not lost in the summary.
    SdkLogPrintf("first loop");
    std::map<std::string, double> sums;
    for (auto k = p; k != q; ++k) {
        const int64_t kmid = (int64_t{k->start} + k->end) / 2;
        const int count = std::clamp<int>(k->count, 0, ArticulationKey::kMaxPairs);
        for (int i = 0; i < count; ++i) {
            const ArticulationPair& pair = k->pairs[i];
            std::string code(pair.code, strnlen(pair.code, sizeof pair.code));
            double w = pair.weight;
            if (code == "x") {
                w *= 0.3;
            } else if (std::string_view("bpmfvx").find(code) != std::string_view::npos) {
                w *= 2.0;
            }
            if (kmid != mid) w /= static_cast<double>(std::llabs(mid - kmid));
            sums[code] += w;
        }
    }

    SdkLogPrintf("second loop");
    std::vector<ArticulationPair> pairs;
    pairs.reserve(sums.size());
    for (const auto& [code, weight] : sums) {
        int errorPos = 0;
        if (!validate_phoneme_codes(code.c_str(), &errorPos)) SdkLogPrintf("m_contrib phoneme fail");
        ArticulationPair pair{};
        copy_phoneme_code(pair.code, code.c_str());
        pair.weight = static_cast<float>(weight);
        pairs.push_back(pair);
    }
    if (pairs.size() > 1) {
        SdkLogPrintf("third - qsort");
        SortKeyPairs(pairs.data(), static_cast<int>(pairs.size()));
    }

    // A key holds ten pairs at most, whatever the caller asks for.
    int n = maxCount > 0 ? maxCount : level_;
    n = std::min({n, static_cast<int>(pairs.size()), ArticulationKey::kMaxPairs});
    SdkLogPrintf("forth");
    double total = 0.0;
    for (int i = 0; i < n; ++i) total += pairs[i].weight;
    summaryKey_.count = n;
    for (int i = 0; i < n; ++i) {
        summaryKey_.pairs[i] = pairs[i];
        if (total != 0.0) summaryKey_.pairs[i].weight = static_cast<float>(pairs[i].weight / total);
    }
    return &summaryKey_;
}

int CreateArticulator(CPhonemeMixtureArticulator** out, uint32_t flags) {
    if (out == nullptr) return kErrInvalidArgument;
    *out = nullptr;
    auto* articulator = new (std::nothrow) CPhonemeMixtureArticulator();
    if (articulator == nullptr) return kErrOutOfMemory;
    articulator->SetFlags(flags);
    *out = articulator;
    return kErrNone;
}

void DestroyArticulator(CPhonemeMixtureArticulator* articulator) {
    if (articulator != nullptr) articulator->Destroy();
}
